#include "files/event_log_csv.h"

namespace vorel {

std::string CsvField(std::string_view text) {
  const bool quoted = text.find_first_of(",\"\r\n") != std::string_view::npos ||
                      (!text.empty() && (text.front() == ' ' || text.back() == ' '));
  if (!quoted) return std::string(text);
  std::string field = "\"";
  for (char c : text) {
    if (c == '"') field += '"';
    field += c;
  }
  return field + "\"";
}

std::string EventLogCsv(const EventLogSheet& sheet, bool byteOrderMark) {
  std::string csv = byteOrderMark ? "\xEF\xBB\xBF" : "";
  for (int row = 0; row <= kEventLogRows; ++row) {
    for (int c = 1; c < kEventLogColumns; ++c) {
      if (c > 1) csv += ',';
      csv += CsvField(sheet.Cell(row, c));
    }
    csv += "\r\n";
  }
  return csv;
}

}  // namespace vorel
