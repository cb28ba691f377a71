// What a user set on a page that is given back while out of view and built again when shown:
// the event-log page's rows (once a read or a file filled them), its row choices, column widths
// and order, scroll position and current cell; the monitor page's trend toggle, span and series.
// Taken from a page before it is destroyed and put on the page built in its place, so that the
// user sees the page as it was.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "core/event_log.h"
#include "core/trend_buffer.h"

namespace vorel {

class EventLogPage;
class MonitorPage;

struct EventLogPageState {
  // The cells when the grid shows (a read or a file filled it); a page whose grid is hidden is
  // filled again from the value image.
  std::optional<EventLogSheet> sheet;
  bool saveEnabled = false;
  bool exportEnabled = false;
  bool hideEmpty = true;
  bool newestFirst = false;
  std::vector<int> columnWidths;
  std::vector<int> columnOrder;  // logical column at each visual position
  int currentRow = -1;
  int currentColumn = -1;
  int horizontalScroll = 0;
  int verticalScroll = 0;
};

struct MonitorPageState {
  bool trendShown = false;
  int span = 0;
  std::array<bool, kTrendSeriesCount> series{};
};

EventLogPageState KeepEventLogPage(const EventLogPage& page);
// Everything but the cells, which the window shows itself (it may fill them again first).
void RestoreEventLogPage(EventLogPage& page, const EventLogPageState& state);
MonitorPageState KeepMonitorPage(const MonitorPage& page);
void RestoreMonitorPage(MonitorPage& page, const MonitorPageState& state);

}  // namespace vorel
