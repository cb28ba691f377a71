// View -> Alarm journal: a dock listing every alarm that appeared or cleared on any site
// (PC and controller time, site, text, severity, who acknowledged it), an Acknowledge button
// that records the name in the box beside it, and the export of the journal as CSV.
#pragma once

#include <QAbstractTableModel>
#include <QDockWidget>
#include <cstdint>
#include <functional>

#include "control/alarm_journal.h"

class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;

namespace vorel {

class Host;

class AlarmJournalModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit AlarmJournalModel(const AlarmJournal& journal, QObject* parent = nullptr);
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  // Redraws when the journal changed since the last look.
  void Refresh();
  void Relabel();

 private:
  const AlarmJournal& journal_;
  std::uint64_t seen_ = 0;
};

class AlarmJournalDock : public QDockWidget {
  Q_OBJECT
 public:
  AlarmJournalDock(AlarmJournal& journal, Host& host, QWidget* parent = nullptr);

  void Relabel();
  // Acknowledges the selected entry in the name of the box's text; false when nothing is
  // selected, the name is empty or the entry was acknowledged already.
  bool AcknowledgeSelected();
  // Asks for a file and writes the journal to it as CSV.
  void ExportCsv();
  bool ExportCsvFile(const std::string& path);
  void Refresh() { model_->Refresh(); }

  QTableView* Table() const { return table_; }
  QLineEdit* Who() const { return who_; }
  std::function<std::int64_t()> wallClock;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  AlarmJournal& journal_;
  Host& host_;
  AlarmJournalModel* model_ = nullptr;
  QTableView* table_ = nullptr;
  QLineEdit* who_ = nullptr;
  QPushButton* acknowledge_ = nullptr;
  QPushButton* export_ = nullptr;
  QTimer* timer_ = nullptr;
};

}  // namespace vorel
