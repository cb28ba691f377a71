// The lines of the write audit trail that concern one controller since a given time: the
// changes made on a visit, as the service report lists them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "files/audit_log.h"

namespace vorel {

struct AuditEntry {
  std::int64_t when = 0;  // seconds since the epoch
  std::string stamp;      // the line's own time text
  std::string action;     // "write", "password", "curve", "command", ...
  int site = 0;
  std::string file;  // the file the values came from; empty when none
  std::vector<AuditChange> changes;
};

// The lines of `trail` whose serial number is `serial` and whose time is `since` or later, in
// trail order. Lines that do not parse are skipped.
std::vector<AuditEntry> AuditEntriesFor(std::string_view trail, std::string_view serial,
                                        std::int64_t since);

// One line of the trail; false when it does not have the trail's form.
bool ParseAuditLine(std::string_view line, AuditEntry* entry, std::string* serial);

}  // namespace vorel
