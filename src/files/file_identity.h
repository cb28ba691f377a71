// A file as a report names it: its absolute path, when it was last changed and the SHA-256 of
// its bytes, taken when the file was opened, so that a reader can tell which file (and which
// version of it) a part of the report came from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vorel {

// `path` made absolute; unchanged when that fails.
std::string AbsolutePath(const std::string& path);

struct FileIdentity {
  std::string path;           // absolute
  std::int64_t modified = 0;  // seconds since the epoch; 0 when unknown
  std::string sha256;         // hexadecimal; empty when the file could not be read whole
};

// Files larger than `maxBytes` (or not regular) keep an empty hash.
FileIdentity IdentifyFile(const std::string& path, std::size_t maxBytes = 1u << 20);

// Where the parameters or the event log a window shows came from, so that a report can name it.
struct PartSource {
  bool known = false;    // nothing read or opened yet
  FileIdentity file;     // the file opened or loaded; an empty path: the controller
  std::int64_t at = 0;   // seconds since the epoch: read from the controller, or file opened
  bool partial = false;  // a read from the controller that stopped part-way
  bool FromFile() const { return !file.path.empty(); }
};

}  // namespace vorel
