// View -> Traffic: a live list of every frame on the line (the session's traffic log), with
// pause, clear, a site filter and saving as text. While shown and not paused it takes the new
// frames a few times a second; hidden, it costs nothing.
#pragma once

#include <QWidget>
#include <cstdint>
#include <string>

#include "files/file_error.h"
#include "link/traffic_log.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class QTimer;

namespace vorel {

class TrafficModel;

class TrafficView : public QWidget {
 public:
  explicit TrafficView(TrafficLog& log, QWidget* parent = nullptr);

  // Takes the frames recorded since the last refresh (the timer calls it).
  void Refresh();
  void SetPaused(bool paused);
  bool Paused() const;
  // Empties the view and the log.
  void Clear();
  // 0 shows every site.
  void SetSiteFilter(int site);
  // The rows shown (after the filter), and the text of one cell.
  int RowCount() const;
  QString CellText(int row, int column) const;
  // Writes the rows shown as text, one frame per line; false with the reason in `error`.
  bool SaveTo(const std::string& path, FileError* error) const;
  void Relabel();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Save();
  void UpdateCount();
  void FitBytesColumn();

  TrafficLog& log_;
  std::uint64_t seen_ = 0;        // the newest frame taken
  std::uint64_t generation_ = 0;  // of the log when it was taken
  TrafficModel* model_ = nullptr;
  QSortFilterProxyModel* filter_ = nullptr;
  QTableView* table_ = nullptr;
  QCheckBox* pauseBox_ = nullptr;
  QPushButton* clearButton_ = nullptr;
  QPushButton* saveButton_ = nullptr;
  QLabel* siteLabel_ = nullptr;
  QComboBox* siteBox_ = nullptr;
  QLabel* countLabel_ = nullptr;
  QTimer* timer_ = nullptr;
};

}  // namespace vorel
