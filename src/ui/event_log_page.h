// The event-log page of a parameter window (tsHistoryDisplay): the grid sgHistory, hidden until
// a complete read or a log file fills it, its three buttons and "Export CSV...". The page shows
// an EventLogSheet and gives its texts back; what the buttons do is the window's business.
#pragma once

#include <QWidget>

#include "core/event_log.h"

class QCheckBox;
class QPushButton;
class QTableView;
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
  QPushButton* ExportButton() const { return exportCsvButton_; }
  // How the rows show; the file and the CSV keep every record in ring order.
  QCheckBox* HideEmptyBox() const { return hideEmptyBox_; }
  QCheckBox* NewestFirstBox() const { return newestFirstBox_; }
  // The grid row (1 to 112) shown at a visual position (1 to 112), and whether it is hidden.
  int RowAt(int position) const;
  bool RowHidden(int row) const;

  // The grid's texts (row 0 titles, column 0 row numbers).
  EventLogSheet Sheet() const;
  // Writes every cell of the given rows and columns (rows and columns counted as in the grid).
  void ShowCells(const EventLogSheet& sheet, int firstRow, int firstColumn);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Views over the grid's title row and its first four columns (row number, event, date,
  // time), sharing its model and selection, so that they stay in view while the grid scrolls.
  void FreezeTitlesAndFirstColumns();
  void PlaceFrozenViews();
  // Hides the empty records (when asked), orders the rows and fits the columns to the texts.
  void ApplyRowView();
  void FitColumns();

  QTableWidget* eventLogGrid_ = nullptr;
  QTableView* frozenRow_ = nullptr;
  QTableView* frozenColumns_ = nullptr;
  QTableView* frozenCorner_ = nullptr;
  QPushButton* readEventLogButton_ = nullptr;
  QPushButton* saveEventLogButton_ = nullptr;
  QPushButton* openEventLogButton_ = nullptr;
  QPushButton* exportCsvButton_ = nullptr;
  QCheckBox* hideEmptyBox_ = nullptr;
  QCheckBox* newestFirstBox_ = nullptr;
};

}  // namespace vorel
