// The event-log file (*.log): an INI file with one section per grid row, HisItem1 to
// HisItem112, each holding the 26 cell texts of its row under fixed keys. The texts are
// stored exactly as the grid shows them and read back unchanged.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/event_log.h"
#include "files/ini_document.h"

namespace vorel {

// "HisItem" and the row number (1 to 112).
std::string EventLogSection(int row);

// Writes rows 1 to 112 of the sheet into the document: existing keys are replaced in place,
// every other line stays.
void WriteEventLog(const EventLogSheet& sheet, IniDocument& document);
// Rows 1 to 112, columns 1 to 26 of the sheet from the document; a missing section or key
// gives "0". Row 0 and column 0 are left as they are.
void ReadEventLog(const IniDocument& document, EventLogSheet& sheet);

// A full event-log file holds about 100 KB. A much larger file is refused with a message (and
// never replaced by a save) rather than read whole: millions of short lines would cost
// gigabytes.
inline constexpr std::size_t kMaxEventLogFileBytes = 1u << 20;

// Saves the sheet into `path`, keeping what else an existing file holds. The file is replaced
// atomically: on any failure (an existing file that cannot be read included) the old file is
// untouched and false is returned, with the reason in `error`.
bool SaveEventLogFile(const std::filesystem::path& path, const EventLogSheet& sheet,
                      FileError* error);

enum class EventLogFileRead {
  Read,             // the sheet holds the file's rows (a missing file reads as all "0")
  Unreadable,       // a folder, a loop of links, no permission, too large
  NotEventLogFile,  // a file without any HisItem section
};
// Reads `path` into the sheet. A missing file, section or key gives "0" in its cells. A file that
// exists but cannot be read, or holds none of the sections, leaves the sheet as it was: showing
// it as 112 rows of "0" would pass a failure off as an empty log.
EventLogFileRead OpenEventLogFile(const std::filesystem::path& path, EventLogSheet& sheet);
// The message of a failed read in the current language, naming the file; empty after a read.
std::string EventLogFileMessage(EventLogFileRead read, const std::string& path);

}  // namespace vorel
