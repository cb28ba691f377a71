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

  QTableWidget* Grid() const { return eventLogGrid_; }
  QPushButton* ReadButton() const { return readEventLogButton_; }
  QPushButton* SaveButton() const { return saveEventLogButton_; }
  QPushButton* OpenButton() const { return openEventLogButton_; }

 private:
  QTableWidget* eventLogGrid_ = nullptr;
  QPushButton* readEventLogButton_ = nullptr;
  QPushButton* saveEventLogButton_ = nullptr;
  QPushButton* openEventLogButton_ = nullptr;
};

}  // namespace vorel
