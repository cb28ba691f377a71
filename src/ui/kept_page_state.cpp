#include "ui/kept_page_state.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>

#include "ui/event_log_page.h"
#include "ui/monitor_page.h"
#include "ui/trend_view.h"

namespace vorel {
namespace {

// A scroll position can be set only once the grid has been laid out in its page: after the
// events the showing of the page posted, or when the scroll range first reaches it.
void ScrollWhenLaidOut(QScrollBar* bar, int value) {
  if (value <= 0) return;
  bar->setValue(value);
  if (bar->value() == value) return;
  auto* wait = new QObject(bar);
  QObject::connect(bar, &QScrollBar::rangeChanged, wait, [bar, value, wait](int, int maximum) {
    if (maximum < value) return;
    bar->setValue(value);
    wait->deleteLater();
  });
  // The range never reaching the value (rows hidden since) leaves the bar where it is.
  QTimer::singleShot(1000, wait, [wait] { wait->deleteLater(); });
}

}  // namespace

EventLogPageState KeepEventLogPage(const EventLogPage& page) {
  EventLogPageState state;
  const QTableWidget* grid = page.Grid();
  if (!grid->isHidden()) state.sheet = page.Sheet();
  state.saveEnabled = page.SaveButton()->isEnabled();
  state.exportEnabled = page.ExportButton()->isEnabled();
  state.hideEmpty = page.HideEmptyBox()->isChecked();
  state.newestFirst = page.NewestFirstBox()->isChecked();
  const QHeaderView* columns = grid->horizontalHeader();
  for (int c = 0; c < grid->columnCount(); ++c) {
    state.columnWidths.push_back(grid->columnWidth(c));
    state.columnOrder.push_back(columns->logicalIndex(c));
  }
  state.currentRow = grid->currentRow();
  state.currentColumn = grid->currentColumn();
  state.horizontalScroll = grid->horizontalScrollBar()->value();
  state.verticalScroll = grid->verticalScrollBar()->value();
  return state;
}

void RestoreEventLogPage(EventLogPage& page, const EventLogPageState& state) {
  QTableWidget* grid = page.Grid();
  page.HideEmptyBox()->setChecked(state.hideEmpty);
  page.NewestFirstBox()->setChecked(state.newestFirst);
  page.SaveButton()->setEnabled(state.saveEnabled);
  page.ExportButton()->setEnabled(state.exportEnabled);
  if (!state.sheet) return;  // nothing shown yet: nothing more the user could have set
  grid->show();
  QHeaderView* columns = grid->horizontalHeader();
  for (int position = 0; position < static_cast<int>(state.columnOrder.size()); ++position) {
    const int from = columns->visualIndex(state.columnOrder[static_cast<std::size_t>(position)]);
    if (from != position) columns->moveSection(from, position);
  }
  for (int c = 0; c < static_cast<int>(state.columnWidths.size()); ++c)
    grid->setColumnWidth(c, state.columnWidths[static_cast<std::size_t>(c)]);
  if (state.currentRow >= 0 && state.currentColumn >= 0)
    grid->setCurrentCell(state.currentRow, state.currentColumn);
  // The fixed title row and columns follow the grid only once they have a range of their own.
  ScrollWhenLaidOut(grid->horizontalScrollBar(), state.horizontalScroll);
  ScrollWhenLaidOut(grid->verticalScrollBar(), state.verticalScroll);
  if (auto* row = page.findChild<QTableView*>("sgHistoryFixedRow"))
    ScrollWhenLaidOut(row->horizontalScrollBar(), state.horizontalScroll);
  if (auto* columns = page.findChild<QTableView*>("sgHistoryFixedColumns"))
    ScrollWhenLaidOut(columns->verticalScrollBar(), state.verticalScroll);
}

MonitorPageState KeepMonitorPage(const MonitorPage& page) {
  MonitorPageState state;
  state.trendShown = page.TrendButton()->isChecked();
  state.span = page.Trend()->SpanPicker()->currentIndex();
  for (int s = 0; s < kTrendSeriesCount; ++s)
    state.series[static_cast<std::size_t>(s)] = page.Trend()->SeriesBox(s)->isChecked();
  return state;
}

void RestoreMonitorPage(MonitorPage& page, const MonitorPageState& state) {
  TrendView* trend = page.Trend();
  trend->SpanPicker()->setCurrentIndex(state.span);
  for (int s = 0; s < kTrendSeriesCount; ++s)
    trend->SeriesBox(s)->setChecked(state.series[static_cast<std::size_t>(s)]);
  page.ShowTrend(state.trendShown);
}

}  // namespace vorel
