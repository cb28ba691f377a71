#include "ui/event_log_page.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vorel {

EventLogPage::EventLogPage(QWidget* parent) : QWidget(parent) {
  setObjectName("pnlHistory");
  sgHistory_ = new QTableWidget(113, 27, this);
  sgHistory_->setObjectName("sgHistory");
  sgHistory_->horizontalHeader()->hide();
  sgHistory_->verticalHeader()->hide();
  sgHistory_->horizontalHeader()->setDefaultSectionSize(50);
  sgHistory_->verticalHeader()->setDefaultSectionSize(21);
  sgHistory_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  sgHistory_->setSelectionBehavior(QAbstractItemView::SelectRows);
  sgHistory_->hide();

  btnReadHistory_ = new QPushButton(this);
  btnReadHistory_->setObjectName("btnReadHistory");
  btnSaveHistory_ = new QPushButton(this);
  btnSaveHistory_->setObjectName("btnSaveHistory");
  btnSaveHistory_->setEnabled(false);
  btnOpenHistory_ = new QPushButton(this);
  btnOpenHistory_->setObjectName("btnOpenHistory");

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnReadHistory_);
  buttons->addWidget(btnSaveHistory_);
  buttons->addWidget(btnOpenHistory_);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(sgHistory_, 1);
  layout->addLayout(buttons);
}

}  // namespace vorel
