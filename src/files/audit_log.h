// The write audit trail: one plain-text line per write to a controller, appended to
// $XDG_DATA_HOME/vorel/audit.log (by default ~/.local/share/vorel), so that `grep` finds who
// changed what: the time, what was done, port, site, the target's product code and serial
// number, the operator (user@host), the tool's version, the file the values came from and, for
// each register whose word changed, its address with the old and the new word.
//
// The lines form a chain: each ends with " prev=" and the SHA-256 of the line before it (the
// first line carries 64 zeros), so that a line changed, removed or put in between afterwards
// breaks the chain at the line after it. A changed last line or a trail cut at a line end
// leave no trace in the chain itself.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "files/file_error.h"

namespace vorel {

struct AuditChange {
  std::uint16_t reg = 0;
  std::uint16_t before = 0;
  std::uint16_t after = 0;
};

struct AuditRecord {
  std::string action;  // "write", "password", "curve", "command"
  std::string port;
  int site = 0;
  int productCode = 0;  // of the controller written, not of a file
  std::string serialNumber;
  // Only the changes whose word differs go into the line.
  std::vector<AuditChange> changes;
  std::string note;  // free text at the end of the line
  std::string file;  // the file the values came from; empty when none
  // Empty: the user and host this process runs as, and the tool's own version.
  std::string operatorName;
  std::string toolVersion;
};

// $XDG_DATA_HOME/vorel/audit.log when XDG_DATA_HOME is absolute, else
// $HOME/.local/share/vorel/audit.log.
std::filesystem::path AuditLogPath();
// "user@host" of this process (the login name of its user id, else $USER, else the number).
std::string AuditOperator();
// The hash a first line carries: 64 zeros.
std::string AuditChainStart();
// The line of a record (no line end), stamped with the local time `when`, ending with the hash
// of the line before it.
std::string AuditLine(const AuditRecord& record, std::int64_t when, std::string_view previousHash);
// The hash one line of the trail carries: empty when the line does not end with one.
std::string_view AuditPreviousHash(std::string_view line);
// Appends the line of one write (the folder is created when missing) under a lock, chained to
// the last line there. False, with the reason in `error`, when it cannot be appended; a line
// that did not fit whole is taken out again.
bool AppendAuditRecord(const AuditRecord& record, FileError* error);

// The whole trail. A missing file reads as empty; one that cannot be read gives false.
bool ReadAuditTrail(const std::filesystem::path& path, std::string* bytes, FileError* error);

struct AuditChainCheck {
  std::size_t lines = 0;       // lines checked
  std::size_t brokenLine = 0;  // 1-based; 0 when the chain is whole
  bool whole() const { return brokenLine == 0; }
};
// Follows the chain through the trail's bytes: the first line whose hash is missing or is not
// the hash of the line before it.
AuditChainCheck CheckAuditChain(std::string_view bytes);

}  // namespace vorel
