#include "ui/event_log_page.h"

#include "ui/qt_text.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vorel {

EventLogPage::EventLogPage(QWidget* parent) : QWidget(parent) {
  setObjectName("pnlHistory");
  eventLogGrid_ = new QTableWidget(113, 27, this);
  eventLogGrid_->setObjectName("sgHistory");
  eventLogGrid_->horizontalHeader()->hide();
  eventLogGrid_->verticalHeader()->hide();
  eventLogGrid_->horizontalHeader()->setDefaultSectionSize(50);
  eventLogGrid_->verticalHeader()->setDefaultSectionSize(21);
  eventLogGrid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  eventLogGrid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  // Row 0 and columns 0 to 3 stay in view; columns and rows can be resized and moved.
  eventLogGrid_->horizontalHeader()->setSectionsMovable(true);
  eventLogGrid_->verticalHeader()->setSectionsMovable(true);
  eventLogGrid_->setColumnWidth(0, 25);
  eventLogGrid_->setColumnWidth(1, 100);
  for (int row = 0; row < eventLogGrid_->rowCount(); ++row) {
    for (int c = 0; c < eventLogGrid_->columnCount(); ++c)
      eventLogGrid_->setItem(row, c, new QTableWidgetItem);
  }
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

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(readEventLogButton_);
  buttons->addWidget(saveEventLogButton_);
  buttons->addWidget(openEventLogButton_);
  buttons->addWidget(exportCsvButton_);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(eventLogGrid_, 1);
  layout->addLayout(buttons);
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
}

}  // namespace vorel
