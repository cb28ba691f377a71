// The monitor page of a parameter window (tsStatusDisplay): state labels, mode buttons, the
// engine, generator and binary input/output grids, the alarm list, the clock label and the
// command buttons. Laid out here; what the grids and labels show is not built yet.
#pragma once

#include <QWidget>
#include <array>

class QLabel;
class QPushButton;

namespace vorel {

class StringGrid;

class MonitorPage : public QWidget {
  Q_OBJECT
 public:
  explicit MonitorPage(QWidget* parent = nullptr);

  // Captions of the mode and command buttons in the current language.
  void SetButtonCaptions();
  // The mains labels of the page (types that measure the mains).
  void SetMainsLabelsShown(bool shown);
  void SetTimeLabelShown(bool shown);
  QLabel* TimeLabel() const { return lbTime_; }

 private:
  QLabel* lbGenSetStatus_ = nullptr;
  QLabel* lbMains1Status_ = nullptr;
  QLabel* lbLoad1Status_ = nullptr;
  QLabel* lbMonitorMains_ = nullptr;
  QLabel* lbTime_ = nullptr;
  std::array<QPushButton*, 4> modeButtons_{};
  std::array<QPushButton*, 4> commandButtons_{};
  StringGrid* sgEngine_ = nullptr;
  StringGrid* sgGenerator_ = nullptr;
  StringGrid* sgBIO_ = nullptr;
};

}  // namespace vorel
