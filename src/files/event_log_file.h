// The event-log file (*.log): an INI file with one section per grid row, HisItem1 to
// HisItem112, each holding the 26 cell texts of its row under fixed keys. The texts are
// stored exactly as the grid shows them and read back unchanged.
#pragma once

#include <array>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "core/event_log.h"
#include "files/ini_document.h"

namespace vorel {

// Key of grid column c (1 to 26) at index c - 1.
std::span<const std::string_view, kEventLogColumns - 1> EventLogFileKeys();
// "HisItem" and the row number (1 to 112).
std::string EventLogSection(int row);

// Writes rows 1 to 112 of the sheet into the document: existing keys are replaced in place,
// every other line stays.
void WriteEventLog(const EventLogSheet& sheet, IniDocument& document);
// Rows 1 to 112, columns 1 to 26 of the sheet from the document; a missing section or key
// gives "0". Row 0 and column 0 are left as they are.
void ReadEventLog(const IniDocument& document, EventLogSheet& sheet);

// Saves the sheet into `path`, keeping what else an existing file holds. The file is replaced
// atomically: on any failure the old file is untouched and false is returned.
bool SaveEventLogFile(const std::filesystem::path& path, const EventLogSheet& sheet,
                      std::string* error);
// Reads `path` into the sheet. Reading has no failure of its own: a file that is missing or
// cannot be read fills every cell with "0" like a file without sections.
void OpenEventLogFile(const std::filesystem::path& path, EventLogSheet& sheet);

}  // namespace vorel
