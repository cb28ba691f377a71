// The event-log grid as CSV for spreadsheets: a header row with "Date-time" and the grid's
// column titles, then the 112 rows in grid order: the record's ISO date-time ("2024-04-01
// 12:30:05", empty for a record without a valid one) and columns 1 to 26. UTF-8, CR LF line
// ends, a field quoted when it holds a comma, a double quote, a line break or blanks at its
// ends (RFC 4180). Spreadsheet programs turn "00000101" into 101 and "24/04/01" into a date
// of their own choosing: the event, date, time and binary columns are written as text
// formulas (="00000101"), which they show as the text itself.
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

// A text a spreadsheet must keep as it is: ="text" (quotes inside doubled).
std::string CsvTextFormula(std::string_view text);

}  // namespace vorel
