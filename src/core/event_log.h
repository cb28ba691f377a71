// The event log as a grid: which record each of the 112 rows shows (from the event-log
// position, going round the ring), the column titles with their unit and controller-type
// suffixes, and the text of every cell of a record. No widgets: the parameter window, the log
// file, the CSV export and vorel-cli all work on an EventLogSheet.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/site_images.h"

namespace vorel {

inline constexpr int kEventLogColumns = 27;  // column 0: row number; 1 to 26: the record
inline constexpr int kEventLogRows = kEventLogRecords;

// The texts of the grid: row 0 the titles, rows 1 to 112 the records.
using EventLogRowTexts = std::array<std::string, kEventLogColumns>;
// On the heap: a 3,051-string aggregate as a member makes every local sheet a large
// initialisation that some compilers cannot handle.
struct EventLogSheet {
  std::vector<EventLogRowTexts> rows = std::vector<EventLogRowTexts>(kEventLogRows + 1);

  std::string& Cell(int row, int column) {
    return rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
  }
  const std::string& Cell(int row, int column) const {
    return rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
  }
  friend bool operator==(const EventLogSheet&, const EventLogSheet&) = default;
};

// The record at the event-log position: (position - 0x0200) div 32 for a position from 0x0200
// to 0x1000 (0 to 112); nothing for any other position.
std::optional<int> EventLogStartRecord(std::uint16_t position);
// The record grid row `row` (1 to 112) shows for start record `start` (0 to 112): row 1 is the
// start record, then on round the ring, record 111 followed by record 0.
int EventLogRecordOfRow(int start, int row);

// What the texts of a site depend on besides the record itself.
struct EventLogContext {
  std::uint16_t controllerType = 0;
  std::array<std::uint16_t, 3> channelProperty2{};  // second property words of channels 1 to 3
};
EventLogContext EventLogContextOf(const SiteImages& images, int site);

// Row 0: "" then the 26 titles, with the unit suffixes of the analogue channels on columns 5
// to 7 and the controller-type suffixes on columns 20 to 22. Always English.
EventLogRowTexts EventLogTitles(const EventLogContext& context);

// The cells of one record, columns 0 to 26 (column 0 is not filled). The binary columns 20 and
// 21 are nothing for a controller type without a layout: their cells stay as they were.
using EventLogRowCells = std::array<std::optional<std::string>, kEventLogColumns>;
EventLogRowCells EventLogRecordCells(const EventLogContext& context,
                                     std::span<const std::uint16_t, kEventLogRecordWords> record);

// Row numbers "0" to "111" in column 0 and the titles in row 0.
void SetEventLogTitles(const SiteImages& images, int site, EventLogSheet& sheet);
// Rows 1 to 112 from the site's event-log image in ring order. False, and the sheet
// untouched, when the site's event-log position is out of range.
bool DisplayEventLog(const SiteImages& images, int site, EventLogSheet& sheet);

}  // namespace vorel
