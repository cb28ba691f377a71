// The event-log grid as CSV for spreadsheets: a header row with the grid's column titles, then
// the 112 rows in grid order, columns 1 to 26; UTF-8, CR LF line ends, a field quoted when it
// holds a comma, a double quote, a line break or blanks at its ends (RFC 4180).
#pragma once

#include <string>
#include <string_view>

#include "core/event_log.h"

namespace vorel {

// With `byteOrderMark`, the text starts with the UTF-8 byte order mark, by which spreadsheet
// programs recognise UTF-8 (the event texts may be Chinese).
std::string EventLogCsv(const EventLogSheet& sheet, bool byteOrderMark);

// One field, quoted when needed.
std::string CsvField(std::string_view text);

}  // namespace vorel
