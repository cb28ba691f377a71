// An INI file held in memory: sections ("[name]" lines) of key=value lines, CR LF line ends,
// code page 936 on disk. Section and key names compare without regard to letter case, spaces
// around values are dropped, and a value that is present but empty reads as the empty text
// (the default is returned only when the section or key is missing). Writing replaces a value
// in place, appends a new key after the last line of its section and a new section at the end
// of the file; every other line (comments, unknown keys, their order, even bytes that are not
// code page 936) is written back exactly as it was read. Saving is atomic: a temporary file in
// the same folder, flushed to disk, then renamed over the old one.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "files/file_error.h"

namespace vorel {

class IniDocument {
 public:
  // Files larger than this are refused rather than read (and so never rewritten).
  static constexpr std::size_t kMaxFileBytes = 64u << 20;

  IniDocument();

  // Parses file bytes. Never fails: bare LF or CR line ends, a UTF-8 byte order mark (the
  // file is then kept in UTF-8), NUL bytes and bytes that are not code page 936 are all read.
  static IniDocument FromBytes(std::string_view bytes);

  // Reads `path`. A missing file gives an empty document and true; a file that exists but
  // cannot be read (or is larger than `maxBytes`) gives false and the reason in `error`.
  bool Load(const std::filesystem::path& path, FileError* error,
            std::size_t maxBytes = kMaxFileBytes);

  // UTF-8 in and out.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;
  bool HasSection(std::string_view section) const;
  bool HasKey(std::string_view section, std::string_view key) const;
  // Section names in file order (first spelling of each), and the keys of one section.
  std::vector<std::string> SectionNames() const;
  std::vector<std::string> KeyNames(std::string_view section) const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value);

  // The file bytes: CR LF line ends, code page 936 (or UTF-8 after a byte order mark).
  std::string ToBytes() const;

  // Writes the document atomically; on failure the old file is untouched and `error` says why.
  bool Save(const std::filesystem::path& path, FileError* error) const;

 private:
  struct Line {
    std::string raw;     // the bytes as they are on disk, without the line end
    std::string key;     // UTF-8 key name of a key line, as written; empty otherwise
    std::string value;   // UTF-8 value of a key line, spaces dropped
    bool blank = false;  // nothing but spaces
  };
  struct Section {
    std::string name;        // UTF-8, as written in the header
    bool hasHeader = false;  // false only for the lines before the first header
    std::string headerRaw;
    std::vector<Line> lines;
    std::unordered_map<std::string, std::size_t> keys;  // folded key -> first line
  };

  void AddLine(std::string_view raw);
  const Line* FindLine(std::string_view section, std::string_view key) const;
  std::string Decode(std::string_view raw) const;
  std::string Encode(std::string_view utf8) const;

  bool utf8_ = false;  // the file began with a UTF-8 byte order mark
  std::vector<Section> sections_;
  std::unordered_map<std::string, std::size_t> sectionIndex_;  // folded name -> first section
};

}  // namespace vorel
