#include "ui/event_log_page.h"

#include "ui/qt_text.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/event_log_rows.h"

namespace vorel {
namespace {

constexpr int kFrozenColumns = 4;  // row number, event, date, time
constexpr int kColumnWidth = 50;
constexpr int kRowHeight = 21;

}  // namespace

EventLogPage::EventLogPage(QWidget* parent) : QWidget(parent) {
  setObjectName("pnlHistory");
  eventLogGrid_ = new QTableWidget(113, 27, this);
  eventLogGrid_->setObjectName("sgHistory");
  eventLogGrid_->horizontalHeader()->hide();
  eventLogGrid_->verticalHeader()->hide();
  eventLogGrid_->horizontalHeader()->setDefaultSectionSize(kColumnWidth);
  eventLogGrid_->verticalHeader()->setDefaultSectionSize(kRowHeight);
  eventLogGrid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  eventLogGrid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  // Columns and rows can be resized and moved.
  eventLogGrid_->horizontalHeader()->setSectionsMovable(true);
  eventLogGrid_->verticalHeader()->setSectionsMovable(true);
  eventLogGrid_->setColumnWidth(0, 25);
  eventLogGrid_->setColumnWidth(1, 100);
  // Row 0 and columns 0 to 3 are fixed: see FreezeTitlesAndFirstColumns.
  for (int row = 0; row < eventLogGrid_->rowCount(); ++row) {
    for (int c = 0; c < eventLogGrid_->columnCount(); ++c)
      eventLogGrid_->setItem(row, c, new QTableWidgetItem);
  }
  FreezeTitlesAndFirstColumns();
  eventLogGrid_->hide();

  readEventLogButton_ = new QPushButton(this);
  readEventLogButton_->setObjectName("btnReadHistory");
  saveEventLogButton_ = new QPushButton(this);
  saveEventLogButton_->setObjectName("btnSaveHistory");
  saveEventLogButton_->setEnabled(false);
  openEventLogButton_ = new QPushButton(this);
  openEventLogButton_->setObjectName("btnOpenHistory");
  exportCsvButton_ = new QPushButton(this);
  exportCsvButton_->setObjectName("btnExportHistoryCsv");
  // Nothing to export until a read or a file filled the grid (as Save).
  exportCsvButton_->setEnabled(false);
  hideEmptyBox_ = new QCheckBox(this);
  hideEmptyBox_->setObjectName("cbHideEmptyRecords");
  hideEmptyBox_->setChecked(true);
  newestFirstBox_ = new QCheckBox(this);
  newestFirstBox_->setObjectName("cbNewestFirst");
  connect(hideEmptyBox_, &QCheckBox::toggled, this, [this] { ApplyRowView(); });
  connect(newestFirstBox_, &QCheckBox::toggled, this, [this] { ApplyRowView(); });

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(readEventLogButton_);
  buttons->addWidget(saveEventLogButton_);
  buttons->addWidget(openEventLogButton_);
  buttons->addWidget(exportCsvButton_);
  buttons->addSpacing(12);
  buttons->addWidget(hideEmptyBox_);
  buttons->addWidget(newestFirstBox_);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(eventLogGrid_, 1);
  layout->addLayout(buttons);
}

void EventLogPage::FreezeTitlesAndFirstColumns() {
  QTableWidget* grid = eventLogGrid_;
  grid->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  grid->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  auto make = [grid](const char* name, bool allRows, bool allColumns) {
    auto* view = new QTableView(grid);
    view->setObjectName(name);
    view->setModel(grid->model());
    view->setSelectionModel(grid->selectionModel());
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setFocusPolicy(Qt::NoFocus);
    view->setFrameShape(QFrame::NoFrame);
    view->horizontalHeader()->hide();
    view->verticalHeader()->hide();
    view->horizontalHeader()->setDefaultSectionSize(kColumnWidth);
    view->verticalHeader()->setDefaultSectionSize(kRowHeight);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Fixed cells read as fixed: the button colour, as the grids' title rows. A palette, not
    // a style sheet: a style sheet costs each view half a megabyte of style data.
    QPalette palette = view->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    view->setPalette(palette);
    for (int c = 0; c < grid->columnCount(); ++c) {
      view->setColumnWidth(c, grid->columnWidth(c));
      if (!allColumns && c >= kFrozenColumns) view->setColumnHidden(c, true);
    }
    for (int r = allRows ? grid->rowCount() : 1; r < grid->rowCount(); ++r)
      view->setRowHidden(r, true);
    return view;
  };
  frozenColumns_ = make("sgHistoryFixedColumns", true, false);
  frozenRow_ = make("sgHistoryFixedRow", false, true);
  frozenCorner_ = make("sgHistoryFixedCorner", false, false);

  // The frozen columns follow the grid up and down (and the wheel over them moves the grid);
  // the title row follows it sideways.
  connect(grid->verticalScrollBar(), &QScrollBar::valueChanged, frozenColumns_->verticalScrollBar(),
          &QScrollBar::setValue);
  connect(frozenColumns_->verticalScrollBar(), &QScrollBar::valueChanged, grid->verticalScrollBar(),
          &QScrollBar::setValue);
  connect(grid->horizontalScrollBar(), &QScrollBar::valueChanged, frozenRow_->horizontalScrollBar(),
          &QScrollBar::setValue);
  connect(frozenRow_->horizontalScrollBar(), &QScrollBar::valueChanged, grid->horizontalScrollBar(),
          &QScrollBar::setValue);
  // Widths, heights and order changed on the grid apply to the frozen views too.
  connect(grid->horizontalHeader(), &QHeaderView::sectionResized, this,
          [this](int column, int, int size) {
            for (QTableView* view : {frozenRow_, frozenColumns_, frozenCorner_})
              view->setColumnWidth(column, size);
            PlaceFrozenViews();
          });
  connect(grid->verticalHeader(), &QHeaderView::sectionResized, this,
          [this](int row, int, int size) {
            for (QTableView* view : {frozenRow_, frozenColumns_, frozenCorner_})
              view->setRowHeight(row, size);
            PlaceFrozenViews();
          });
  grid->installEventFilter(this);
  frozenColumns_->raise();
  frozenRow_->raise();
  frozenCorner_->raise();
}

void EventLogPage::PlaceFrozenViews() {
  QTableWidget* grid = eventLogGrid_;
  int width = 0;
  for (int c = 0; c < kFrozenColumns; ++c) width += grid->columnWidth(c);
  const int height = grid->rowHeight(0);
  const int frame = grid->frameWidth();
  const QRect area = grid->viewport()->geometry();
  frozenColumns_->setGeometry(frame, frame, width, area.height());
  frozenRow_->setGeometry(frame, frame, area.width(), height);
  frozenCorner_->setGeometry(frame, frame, width, height);
}

bool EventLogPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == eventLogGrid_ &&
      (event->type() == QEvent::Resize || event->type() == QEvent::Show ||
       event->type() == QEvent::LayoutRequest))
    PlaceFrozenViews();
  return QWidget::eventFilter(watched, event);
}

EventLogSheet EventLogPage::Sheet() const {
  EventLogSheet sheet;
  for (int row = 0; row <= kEventLogRows; ++row) {
    for (int c = 0; c < kEventLogColumns; ++c)
      sheet.Cell(row, c) = eventLogGrid_->item(row, c)->text().toStdString();
  }
  return sheet;
}

void EventLogPage::ShowCells(const EventLogSheet& sheet, int firstRow, int firstColumn) {
  for (int row = firstRow; row <= kEventLogRows; ++row) {
    for (int c = firstColumn; c < kEventLogColumns; ++c) {
      QTableWidgetItem* item = eventLogGrid_->item(row, c);
      const QString text = Q(sheet.Cell(row, c));
      if (item->text() != text) item->setText(text);
    }
  }
  ApplyRowView();
  FitColumns();
}

void EventLogPage::ApplyRowView() {
  const bool hideEmpty = hideEmptyBox_->isChecked();
  const bool newestFirst = newestFirstBox_->isChecked();
  // Row 1 is the record at the event-log position, the oldest; row 112 the newest.
  for (QTableView* view : {static_cast<QTableView*>(eventLogGrid_), frozenColumns_}) {
    QHeaderView* header = view->verticalHeader();
    for (int position = 1; position <= kEventLogRows; ++position) {
      const int row = newestFirst ? kEventLogRows + 1 - position : position;
      if (header->visualIndex(row) != position)
        header->moveSection(header->visualIndex(row), position);
    }
  }
  for (int row = 1; row <= kEventLogRows; ++row) {
    EventLogRowTexts texts;
    texts[2] = eventLogGrid_->item(row, 2)->text().toStdString();
    texts[3] = eventLogGrid_->item(row, 3)->text().toStdString();
    const bool hidden = hideEmpty && EmptyEventRecord(texts);
    eventLogGrid_->setRowHidden(row, hidden);
    frozenColumns_->setRowHidden(row, hidden);
  }
}

void EventLogPage::FitColumns() {
  // Wide enough for every text (dates, row numbers from 100), never narrower than the default.
  const QFontMetrics metrics(eventLogGrid_->font());
  for (int c = 0; c < eventLogGrid_->columnCount(); ++c) {
    int width = c == 0 ? 25 : kColumnWidth;
    for (int row = 0; row < eventLogGrid_->rowCount(); ++row)
      width = std::max(width, metrics.horizontalAdvance(eventLogGrid_->item(row, c)->text()) + 10);
    if (eventLogGrid_->columnWidth(c) != width) eventLogGrid_->setColumnWidth(c, width);
  }
}

int EventLogPage::RowAt(int position) const {
  return eventLogGrid_->verticalHeader()->logicalIndex(position);
}

bool EventLogPage::RowHidden(int row) const {
  return eventLogGrid_->isRowHidden(row);
}

}  // namespace vorel
