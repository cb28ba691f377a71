// The write audit trail: one plain-text line per write that changes a controller's
// parameters, appended to $XDG_DATA_HOME/vorel/audit.log (by default ~/.local/share/vorel), so
// that `grep` finds who changed what: time, what was done, port, site, product code, serial
// number and, for each register written, its address with the old and the new word.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "files/file_error.h"

namespace vorel {

struct AuditChange {
  std::uint16_t reg = 0;
  std::uint16_t before = 0;
  std::uint16_t after = 0;
};

struct AuditRecord {
  std::string action;  // "write", "password", "curve", "restore"
  std::string port;
  int site = 0;
  int productCode = 0;
  std::string serialNumber;
  std::vector<AuditChange> changes;
  std::string note;  // free text at the end of the line
};

// $XDG_DATA_HOME/vorel/audit.log when XDG_DATA_HOME is absolute, else
// $HOME/.local/share/vorel/audit.log.
std::filesystem::path AuditLogPath();
// The line of a record (no line end), stamped with the local time `when`.
std::string AuditLine(const AuditRecord& record, std::int64_t when);
// Appends the line with one write (the folder is created when missing). False, with the
// reason in `error`, when it cannot be appended.
bool AppendAuditRecord(const AuditRecord& record, FileError* error);

}  // namespace vorel
