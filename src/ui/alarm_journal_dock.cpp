#include "ui/alarm_journal_dock.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdlib>

#include "control/live_data_age.h"
#include "core/alarm_codes.h"
#include "core/language.h"
#include "files/atomic_file.h"
#include "files/file_error.h"
#include "files/trend_csv.h"
#include "link/host.h"
#include "ui/qt_text.h"

namespace vorel {
namespace {

constexpr int kRefreshMs = 1000;

// clang-format off
constexpr BilingualText kColumns[] = {
    {"PC time", "电脑时间"}, {"Controller time", "控制器时间"}, {"Site", "地址"},
    {"Name", "名称"}, {"Event", "事件"}, {"Alarm", "报警"}, {"Severity", "级别"},
    {"Acknowledged by", "确认人"},
};
// clang-format on

// The login name, as a default for who acknowledges.
QString LoginName() {
  for (const char* name : {"USER", "LOGNAME"}) {
    if (const char* value = std::getenv(name); value && *value)
      return QString::fromLocal8Bit(value);
  }
  return {};
}

}  // namespace

AlarmJournalModel::AlarmJournalModel(const AlarmJournal& journal, QObject* parent)
    : QAbstractTableModel(parent), journal_(journal), seen_(journal.ChangeCount()) {}

int AlarmJournalModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(journal_.Size());
}

int AlarmJournalModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(std::size(kColumns));
}

QVariant AlarmJournalModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  // Newest first.
  const JournalEntry& e =
      journal_.Entry(journal_.Size() - 1 - static_cast<std::size_t>(index.row()));
  if (role == Qt::BackgroundRole && e.event.appeared && !e.Acknowledged())
    return QColor(255, 220, 220);
  if (role != Qt::DisplayRole) return {};
  switch (index.column()) {
    case 0:
      return Q(TrendTimeText(e.event.pcWallMs));
    case 1:
      return Q(e.event.controllerTime);
    case 2:
      return e.event.site;
    case 3:
      return Q(e.event.siteName);
    case 4:
      return Q(AlarmEventText(e.event.appeared));
    case 5:
      return Q(JournalAlarmText(e.event));
    case 6:
      return Q(AlarmSeverityText(e.event.alarm.severity));
    case 7:
      return Q(e.acknowledgedBy);
    default:
      return {};
  }
}

QVariant AlarmJournalModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= columnCount())
    return {};
  return Q(kColumns[section].Pick());
}

void AlarmJournalModel::Refresh() {
  if (journal_.ChangeCount() == seen_) return;
  seen_ = journal_.ChangeCount();
  beginResetModel();
  endResetModel();
}

void AlarmJournalModel::Relabel() {
  beginResetModel();
  endResetModel();
  emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

AlarmJournalDock::AlarmJournalDock(AlarmJournal& journal, Host& host, QWidget* parent)
    : QDockWidget(parent), wallClock(SystemWallClockMs), journal_(journal), host_(host) {
  setObjectName("dkAlarmJournal");
  auto* body = new QWidget(this);
  model_ = new AlarmJournalModel(journal, this);
  table_ = new QTableView(body);
  table_->setObjectName("tvAlarmJournal");
  table_->setModel(model_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  who_ = new QLineEdit(LoginName(), body);
  who_->setObjectName("edAcknowledgedBy");
  acknowledge_ = new QPushButton(body);
  acknowledge_->setObjectName("btAcknowledge");
  export_ = new QPushButton(body);
  export_->setObjectName("btExportJournal");
  connect(acknowledge_, &QPushButton::clicked, this, [this] { AcknowledgeSelected(); });
  connect(export_, &QPushButton::clicked, this, [this] { ExportCsv(); });
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(who_, 1);
  buttons->addWidget(acknowledge_);
  buttons->addStretch();
  buttons->addWidget(export_);
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(table_);
  layout->addLayout(buttons);
  setWidget(body);
  timer_ = new QTimer(this);
  timer_->setInterval(kRefreshMs);
  connect(timer_, &QTimer::timeout, this, [this] { model_->Refresh(); });
  Relabel();
}

void AlarmJournalDock::Relabel() {
  setWindowTitle(Q(PickText("Alarm journal", "报警记录")));
  who_->setPlaceholderText(Q(PickText("Acknowledged by", "确认人")));
  acknowledge_->setText(Q(PickText("Acknowledge", "确认")));
  export_->setText(Q(PickText("Export CSV...", "导出CSV...")));
  model_->Relabel();
}

bool AlarmJournalDock::AcknowledgeSelected() {
  const QModelIndex current = table_->currentIndex();
  if (!current.isValid()) return false;
  const std::size_t index = journal_.Size() - 1 - static_cast<std::size_t>(current.row());
  const std::string who = who_->text().trimmed().toStdString();
  if (who.empty()) {
    host_.ShowMessage(std::string(PickText("Enter who acknowledges the alarm.", "请输入确认人。")));
    return false;
  }
  const bool done = journal_.Acknowledge(index, who, wallClock());
  model_->Refresh();
  table_->setCurrentIndex(model_->index(current.row(), current.column()));
  return done;
}

void AlarmJournalDock::ExportCsv() {
  const std::optional<std::string> path =
      host_.AskSaveFileName("CSV (*.csv)|*.csv", "csv", "alarm-journal");
  if (path) ExportCsvFile(*path);
}

bool AlarmJournalDock::ExportCsvFile(const std::string& path) {
  FileError error;
  if (WriteFileAtomically(path, AlarmJournalCsv(journal_), &error)) return true;
  host_.ShowMessage(UnableToWriteMessage(path, error));
  return false;
}

void AlarmJournalDock::showEvent(QShowEvent* event) {
  model_->Refresh();
  timer_->start();
  QDockWidget::showEvent(event);
}

void AlarmJournalDock::hideEvent(QHideEvent* event) {
  timer_->stop();
  QDockWidget::hideEvent(event);
}

}  // namespace vorel
