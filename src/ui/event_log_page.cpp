#include "ui/event_log_page.h"

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
  eventLogGrid_->hide();

  readEventLogButton_ = new QPushButton(this);
  readEventLogButton_->setObjectName("btnReadHistory");
  saveEventLogButton_ = new QPushButton(this);
  saveEventLogButton_->setObjectName("btnSaveHistory");
  saveEventLogButton_->setEnabled(false);
  openEventLogButton_ = new QPushButton(this);
  openEventLogButton_->setObjectName("btnOpenHistory");

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(readEventLogButton_);
  buttons->addWidget(saveEventLogButton_);
  buttons->addWidget(openEventLogButton_);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(eventLogGrid_, 1);
  layout->addLayout(buttons);
}

}  // namespace vorel
