#include "files/event_log_csv.h"

#include "core/event_log_rows.h"

namespace vorel {
namespace {

// The texts a spreadsheet would turn into numbers or dates: the date, the time, the three
// binary columns, and an event shown as its code ("0000", "1E05").
bool KeptAsText(int column, std::string_view text) {
  if (text.empty()) return false;
  if (column == 1)
    return text.find_first_not_of("0123456789ABCDEFabcdef") == std::string_view::npos;
  return column == 2 || column == 3 || (column >= 20 && column <= 22);
}

}  // namespace

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

std::string CsvTextFormula(std::string_view text) {
  std::string formula = "=\"";
  for (char c : text) {
    if (c == '"') formula += '"';
    formula += c;
  }
  return formula + "\"";
}

std::string EventLogCsv(const EventLogSheet& sheet, bool byteOrderMark) {
  std::string csv = byteOrderMark ? "\xEF\xBB\xBF" : "";
  for (int row = 0; row <= kEventLogRows; ++row) {
    csv += row == 0 ? "Date-time" : EventDateTime(sheet.Cell(row, 2), sheet.Cell(row, 3));
    for (int c = 1; c < kEventLogColumns; ++c) {
      const std::string& text = sheet.Cell(row, c);
      csv += ',';
      csv += CsvField(row > 0 && KeptAsText(c, text) ? CsvTextFormula(text) : text);
    }
    csv += "\r\n";
  }
  return csv;
}

}  // namespace vorel
