// The monitor page of a parameter window (tsStatusDisplay): state labels, mode buttons, the
// engine, generator and binary input/output grids, the alarm list, the clock label and the
// command buttons. It shows what core/monitor_format computes from the value image; its
// buttons ask for commands, which the parameter window passes on to the session.
#pragma once

#include <QColor>
#include <QWidget>
#include <array>
#include <optional>
#include <vector>

#include "core/monitor_format.h"
#include "core/remote_commands.h"

class QLabel;
class QPushButton;
class QStackedWidget;

namespace vorel {

class StringGrid;
class TrendView;

class MonitorPage : public QWidget {
  Q_OBJECT
 public:
  explicit MonitorPage(QWidget* parent = nullptr);

  // The "Trend" toggle: the live grids or the trend view below the state labels and buttons.
  TrendView* Trend() const { return trend_; }
  QPushButton* TrendButton() const { return trendButton_; }
  void ShowTrend(bool shown);

  // Captions of the mode and command buttons (and of the trend view) in the current language.
  void SetButtonCaptions();
  // The mains labels of the page (types that measure the mains).
  void SetMainsLabelsShown(bool shown);
  void SetTimeLabelShown(bool shown);
  QLabel* TimeLabel() const { return clockLabel_; }

  // Section captions in the current language, laid over their grid rows.
  void SetSectionCaptions();
  // Every fixed text of the grids (the title cells are cleared first).
  void SetTitles(const std::vector<MonitorCell>& titles);
  // Values, state labels, mode buttons, alarm list and indicator colours.
  void Refresh(const MonitorValues& values);

  StringGrid* EngineGrid() const { return engineGrid_; }
  StringGrid* GeneratorGrid() const { return generatorGrid_; }
  StringGrid* BinaryIoGrid() const { return binaryIoGrid_; }
  QPushButton* ModeButton(OperatingMode mode) const {
    return modeButtons_[static_cast<std::size_t>(mode)];
  }
  QPushButton* CommandButton(RemoteCommand command) const;
  QLabel* AlarmLabel(int line) const { return alarmLabels_[static_cast<std::size_t>(line - 1)]; }
  // Colours last set on a command button (invalid while never set).
  QColor ButtonBackground(RemoteCommand command) const;
  QColor ButtonText(RemoteCommand command) const;

 signals:
  void commandRequested(RemoteCommand command);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLabel* genSetStateLabel_ = nullptr;
  QLabel* mainsStateLabel_ = nullptr;
  QLabel* loadStateLabel_ = nullptr;
  QLabel* mainsTitleLabel_ = nullptr;
  QLabel* clockLabel_ = nullptr;
  QPushButton* trendButton_ = nullptr;
  QStackedWidget* stack_ = nullptr;
  QWidget* live_ = nullptr;
  TrendView* trend_ = nullptr;
  std::array<QPushButton*, 4> modeButtons_{};
  std::array<QPushButton*, 4> commandButtons_{};
  StringGrid* engineGrid_ = nullptr;
  StringGrid* generatorGrid_ = nullptr;
  StringGrid* binaryIoGrid_ = nullptr;
  std::array<QLabel*, kAlarmLines> alarmLabels_{};
  std::array<QLabel*, 6> captions_{};
  // START, STOP, MUTE, RESET: background and text colour as last set.
  std::array<QColor, 4> backgrounds_{};
  std::array<QColor, 4> texts_{};

  StringGrid* Grid(MonitorGrid grid) const;
  void PlaceOverlays();
  void SetButtonColours(std::size_t index, std::optional<QColor> background,
                        std::optional<QColor> text);
};

}  // namespace vorel
