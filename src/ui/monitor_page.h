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
  QLabel* TimeLabel() const { return clockLabel_; }

 private:
  QLabel* genSetStateLabel_ = nullptr;
  QLabel* mainsStateLabel_ = nullptr;
  QLabel* loadStateLabel_ = nullptr;
  QLabel* mainsTitleLabel_ = nullptr;
  QLabel* clockLabel_ = nullptr;
  std::array<QPushButton*, 4> modeButtons_{};
  std::array<QPushButton*, 4> commandButtons_{};
  StringGrid* engineGrid_ = nullptr;
  StringGrid* generatorGrid_ = nullptr;
  StringGrid* binaryIoGrid_ = nullptr;
};

}  // namespace vorel
