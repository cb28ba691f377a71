// The event-log page of a parameter window (tsHistoryDisplay): the grid sgHistory, hidden until
// a complete read or a log file fills it, and its three buttons. Laid out here; the titles and
// the rows are not built yet.
#pragma once

#include <QWidget>

class QPushButton;
class QTableWidget;

namespace vorel {

class EventLogPage : public QWidget {
  Q_OBJECT
 public:
  explicit EventLogPage(QWidget* parent = nullptr);

  QTableWidget* Grid() const { return sgHistory_; }
  QPushButton* ReadButton() const { return btnReadHistory_; }
  QPushButton* SaveButton() const { return btnSaveHistory_; }
  QPushButton* OpenButton() const { return btnOpenHistory_; }

 private:
  QTableWidget* sgHistory_ = nullptr;
  QPushButton* btnReadHistory_ = nullptr;
  QPushButton* btnSaveHistory_ = nullptr;
  QPushButton* btnOpenHistory_ = nullptr;
};

}  // namespace vorel
