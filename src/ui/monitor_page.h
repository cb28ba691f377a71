// The monitor page of a parameter window (tsStatusDisplay): state labels, mode buttons, the
// engine, generator and binary input/output grids, the alarm list, the clock label and the
// command buttons. It shows what core/monitor_format computes from the value image; its
// buttons ask for commands, which the parameter window passes on to the session.
#pragma once

#include <QColor>
#include <QPointer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
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
  // A mode button is held down while its command waits for the reply.
  bool ModeRequested() const { return requestedMode_.has_value(); }

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
  // Values, state labels, mode buttons, alarm list and indicator colours. Only what differs
  // from what shows is set; the grids and the alarm list are left alone while the trend view
  // covers them (the next update that finds them shown draws them).
  void Refresh(const MonitorValues& values);

  // Where the refresh tick takes the page's values: the change count of the site's value image
  // (nothing while the window has no live values) and the values, filled into a kept object.
  void SetSource(std::function<std::optional<std::uint64_t>()> changes,
                 std::function<void(MonitorValues&)> values);
  // The refresh tick: draws from the source only while the user can see the page and only when
  // the image changed since the page last drew it. A page that comes into view (its tab made
  // current, its window shown or restored) draws at once, so it never shows old values.
  void Update();
  // The page can be seen: shown (its window shown, its tab current) and the window not
  // minimised.
  bool InView() const;
  // The values stale (a poll failed, or none came for three poll periods): "no reply since
  // hh:mm:ss" beside the state labels and the values drawn grey; live again: normal.
  void ShowDataAge(bool stale, const QString& text);
  bool ValuesStale() const { return stale_; }
  QLabel* DataAgeLabel() const { return dataAgeLabel_; }
  // The next update draws whatever the change count (texts, language or access level changed).
  void Invalidate() { drawn_ = false; }
  // Draws from the source so far.
  int Draws() const { return draws_; }

  StringGrid* EngineGrid() const { return engineGrid_; }
  StringGrid* GeneratorGrid() const { return generatorGrid_; }
  StringGrid* BinaryIoGrid() const { return binaryIoGrid_; }
  QPushButton* ModeButton(OperatingMode mode) const { return CommandButton(ModeCommand(mode)); }
  QPushButton* CommandButton(RemoteCommand command) const {
    return commandButtons_[IndexOf(command)];
  }
  QLabel* AlarmLabel(int line) const { return alarmLabels_[static_cast<std::size_t>(line - 1)]; }
  // Colours last set on a command button (invalid while never set; the mode buttons keep the
  // window's colours).
  QColor ButtonBackground(RemoteCommand command) const { return backgrounds_[IndexOf(command)]; }
  QColor ButtonText(RemoteCommand command) const { return texts_[IndexOf(command)]; }

 signals:
  void commandRequested(RemoteCommand command);

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QLabel* genSetStateLabel_ = nullptr;
  QLabel* mainsStateLabel_ = nullptr;
  QLabel* loadStateLabel_ = nullptr;
  QLabel* mainsTitleLabel_ = nullptr;
  QLabel* clockLabel_ = nullptr;
  QLabel* dataAgeLabel_ = nullptr;
  bool stale_ = false;
  QPushButton* trendButton_ = nullptr;
  QStackedWidget* stack_ = nullptr;
  QWidget* live_ = nullptr;
  TrendView* trend_ = nullptr;
  std::array<QPushButton*, kRemoteCommands.size()> commandButtons_{};  // by RemoteCommand
  StringGrid* engineGrid_ = nullptr;
  StringGrid* generatorGrid_ = nullptr;
  StringGrid* binaryIoGrid_ = nullptr;
  std::array<QLabel*, kAlarmLines> alarmLabels_{};
  std::array<QLabel*, 6> captions_{};
  // Background and text colour of each command button as last set (by RemoteCommand).
  std::array<QColor, kRemoteCommands.size()> backgrounds_{};
  std::array<QColor, kRemoteCommands.size()> texts_{};

  std::function<std::optional<std::uint64_t>()> changes_;
  std::function<void(MonitorValues&)> values_;
  MonitorValues shownValues_;  // filled again at every draw (its storage is reused)
  // The texts last set in the value cells of each grid (row-major), so that a draw converts and
  // sets only the cells that change. Emptied when something else writes the grids.
  std::array<std::vector<std::string>, 3> cellTexts_;
  std::uint64_t drawnChanges_ = 0;
  bool drawn_ = false;       // drawnChanges_ is what shows
  bool gridsDrawn_ = false;  // the grids and alarm list show drawnChanges_ as well
  int draws_ = 0;
  // The state labels (mains, gen-set, transfer switch) and the alarm lines as last set.
  std::array<QLabel*, 3> stateLabels_{};
  std::array<std::string, 3> labelTexts_;
  std::array<AlarmLine, kAlarmLines> shownAlarms_;
  bool alarmsKnown_ = false;
  // The mode whose command waits for its reply: its button stays down meanwhile.
  std::optional<OperatingMode> requestedMode_;
  QPointer<QWidget> watchedWindow_;  // the top-level window whose restore draws the page

  StringGrid* Grid(MonitorGrid grid) const;
  std::string* CellText(MonitorGrid grid, int row, int column);
  void ForgetCellTexts();
  bool GridsShown() const;
  void RefreshAlarms(const std::array<AlarmLine, kAlarmLines>& alarms);
  // The value cells and state labels in the colour of stale or of live values.
  void PaintValues();
  QBrush ValueBrush() const;
  void PlaceOverlays();
  void FitTitleColumns();
  void SetButtonColours(RemoteCommand command, std::optional<QColor> background,
                        std::optional<QColor> text);
};

}  // namespace vorel
