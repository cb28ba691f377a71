// The parameter window of one site (ParameterWindow): the configuration page with its four
// sub-pages of setpoint and channel grids and its button row, the monitor page, the event-log
// page and a four-panel status bar. The editors hold the values between a load pass (value
// image -> editors) and a store pass (editors -> value image); nothing is sent from here.
// What talks to the controller goes through SiteCommands; the session owns the window's slot.
#pragma once

#include <QMainWindow>
#include <QString>
#include <array>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "control/site_slots.h"
#include "control/site_window.h"
#include "core/editor_model.h"
#include "ui/history_page.h"
#include "ui/kept_page_state.h"

class QDialog;
class QLabel;
class QPushButton;
class QTabWidget;
class QToolButton;

namespace vorel {

class AnalogueChannelGrid;
class BinaryIoGrid;
class CurveEditor;
class EventLogPage;
class GridEditors;
class HistoryPage;
class MonitorPage;
class SetpointGridWidget;
class SiteImages;

class ParameterWindow : public QMainWindow, public SiteWindow {
  Q_OBJECT
 public:
  ParameterWindow(SiteImages& images, const SiteSlots& siteSlots, int site, SiteCommands& commands,
                  QWidget* parent = nullptr);
  ~ParameterWindow() override;

  int Site() const { return site_; }
  EditorModel& Model() { return model_; }
  const EditorModel& Model() const { return model_; }
  // Online: the slot's window state was 245 when the window was set up.
  bool Online() const { return online_; }
  // Set when a parameter file was loaded into the window; cleared by the set-up and a read.
  bool FileLoaded() const { return fileLoaded_; }
  void SetFileLoaded(bool loaded) { fileLoaded_ = loaded; }

  // --- SiteWindow ---
  void SetUpWindow() override;
  void LoadAllPages() override;
  void StoreAllPages() override;
  void SetCaption(const std::string& caption) override;
  void SetStatusPanel(int panel, const std::string& text) override;
  void SetPageVisibility(bool statusPage, bool eventLogPage) override;
  void SetWindowEnabled(bool enabled) override;
  void ShowWindow() override;
  void ShowControllerClock(std::optional<QDate> date, std::optional<QTime> time) override;
  void ShowProtectionState(bool unlocked) override;
  void RefreshMonitor() override;
  void ShowDataAge(bool stale, const std::string& text) override;
  // The status bar's "no reply since" label (shown while the live values are stale).
  QLabel* DataAgeLabel() const { return dataAgeLabel_; }
  bool DateChanged() const override;
  bool TimeChanged() const override;
  void ClearDateChanged() override;
  void ClearTimeChanged() override;
  bool SerialNumberEditable() const override;
  void OpenCurveEditors() override;
  void RefillEventLog() override;
  void ShowEventLogComplete() override;
  bool EventLogShown() const override;
  EventLogSheet EventLogCells() const override;
  void ShowEventLogFile(const EventLogSheet& sheet) override;
  EditorModel& Editors() override { return model_; }
  std::vector<std::uint16_t> ControllerWords() const override { return controllerWords_; }
  std::optional<PreflightOptions> ConfirmWrite(const std::vector<ParameterDifference>& changes,
                                               bool offerAddress, bool offerCounters) override;
  void SetUndoAvailable(bool available) override;
  std::string StatusPanelText(int panel) const override;

  // --- The steps of the set-up ---
  void AdaptToControllerType();
  void ApplyEditorLimits();
  void ApplyWindowTexts();
  // Row titles of the given grids in the current language.
  void SetGridTitles(std::initializer_list<SetpointGrid> grids);
  // Title rows and row titles of the three channel grids.
  void GridTitleChannelShow();
  // The editors' lists in the current language, keeping what each has selected.
  void RelabelEditorLists();
  // The item lists of the set-up (a refill clears the selection; the load pass sets it).
  void FillItemLists();

  // --- Editing ---
  // The editor of the clicked row over its value cell (nothing for rows without one).
  void ShowRowEditor(SetpointGrid grid, int row, int column);
  // Refreshes every grid of the grid's sub-page and hides their editors.
  void CloseRowEditors(SetpointGrid grid);
  // Value cells of a grid from its editors.
  void RefreshValueCells(SetpointGrid grid);

  // The channel pages from the value image.
  void ChannelFromImage();

  // --- Access for the wiring and the tests ---
  SetpointGridWidget* Grid(SetpointGrid grid) const;
  AnalogueChannelGrid* AnalogueGrid() const { return analogueGrid_; }
  BinaryIoGrid* InputGrid() const { return inputGrid_; }
  BinaryIoGrid* OutputGrid() const { return outputGrid_; }
  // The monitor page, built on first use (first shown or first asked for).
  MonitorPage* Monitor() const;
  bool MonitorPageBuilt() const { return monitor_ != nullptr; }
  // The event-log page, built on first use (first shown or first asked for).
  EventLogPage* EventLog() const;
  bool EventLogPageBuilt() const { return eventLog_ != nullptr; }
  // Adds the "History" page, reading what `source` names (a window without it has none).
  void AddHistoryPage(HistoryPageSource source);
  HistoryPage* History() const { return history_; }
  // The editor widget of a parameter row (made on first use).
  QWidget* Editor(std::string_view name);
  QString StatusPanel(int panel) const;
  // The status bar's notice (a value brought within its limits) and count of changed values.
  QLabel* NoticeLabel() const { return noticeLabel_; }
  QLabel* ChangedLabel() const { return changedLabel_; }
  // Editors whose value differs from what the controller holds (0 without a controller read).
  int ChangedCount() const;
  QToolButton* UnlockButton() const { return unlockButton_; }
  QPushButton* UndoWriteButton() const { return undoButton_; }
  // The sensor curve editor (made when a curve button first opens it).
  CurveEditor* CurveEditorWindow() const { return curveEditor_; }
  // The guide's page of the page or sub-page showing ("parameters-engine.md").
  std::string HelpPage() const;
  // Opens the help window at HelpPage() (the Help button and F1).
  void ShowHelp();
  // How modal windows of the window run (QDialog::exec by default; tests drive them).
  void SetModalRunner(std::function<int(QDialog&)> run) { runModal_ = std::move(run); }

 signals:
  // A channel's function, sensor type or unit changed the titles the monitor shows.
  void channelTitlesChanged();
  // A curve button of a channel (0 to 2) whose sensor type has a curve.
  void curveEditorRequested(int channel);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void BuildConfigurationPage(QWidget* page);
  void ConnectGrid(SetpointGridWidget* grid);
  void PlaceButtonsBesideRows();
  void ApplyChannelEnables(int channel);
  void RetitleChannelRows(int channel);
  void RetitleCrankOilPressure(int channel);
  void OnFunctionChosen(int channel, int position);
  void OnTypeChanged(int channel);
  void OnUnitChanged(int channel);
  void OnDecimalsChanged(int channel);
  void OnCurveClicked(int channel);
  void OpenCurveEditor(int channel);
  void OnCurveWritten(int channel);
  // "Compare with file...": the file chosen as for Load against the editors, in a dialog.
  void CompareWithFile();
  void HideChannelLists();
  EventLogPage* BuildEventLogPage();
  MonitorPage* BuildMonitorPage();
  // A monitor or event-log page gone out of view is destroyed, what the user set on it kept;
  // showing it again builds it as it was. Called after the hide, once nobody holds the page.
  void ReleaseHiddenPage(QWidget* page);
  void ApplyEventLogTexts();
  void ChannelRowsRewritten();
  void SizeTitleColumns();
  // Keys of an open editor: leave it for the row `step` rows away, or go back to its value.
  void MoveFromEditor(std::size_t row, int step);
  void RevertEditor(std::size_t row);
  void ShowClampNotice(std::size_t row, double from, double limit);
  // Every open spin editor shows the limit a number typed beyond it became.
  void SettleOpenEditors();
  void UpdateChangedCount();
  // The row of the open editor of a grid, -1 for none.
  int ShownEditorRow(SetpointGrid grid) const;
  EditorValue& Value(std::string_view name) { return *model_.Find(name); }
  const EditorValue& Value(std::string_view name) const { return *model_.Find(name); }

  SiteImages& images_;
  const SiteSlots& slots_;
  int site_;
  SiteCommands& commands_;
  bool online_ = false;
  // The clock of the refresh tick as last formatted, and the monitor's clock label as last
  // composed: the tick formats and composes again only when they changed.
  std::optional<CivilDate> clockDate_;
  QString clockDateText_;
  std::optional<TimeOfDay> clockTime_;
  QString clockTimeText_;
  QString clockLabelDate_;
  QString clockLabelTime_;
  bool clockLabelSet_ = false;
  bool fileLoaded_ = false;
  // The value image as the last load from the controller (not from a file) left it: a Write
  // sends what the editors changed against it.
  std::vector<std::uint16_t> controllerWords_;
  // The editors as that load left them: a cell whose editor differs is marked as changed.
  std::optional<EditorModel> controllerValues_;
  // Set while a close has been agreed to with changed values.
  bool discardAgreed_ = false;
  // The event-log grid shows a log file: redraws from the event-log image leave its rows until
  // the user reads the controller's log again.
  bool eventLogFromFile_ = false;
  // A refill asked for before the event-log page was built.
  bool eventLogRefillPending_ = false;
  // What the monitor page shows once built: titles set, the labels of the controller type
  // (mains, time), the clock text, values refreshed.
  bool monitorTitlesSet_ = false;
  std::optional<std::pair<bool, bool>> monitorLabels_;
  std::optional<QString> monitorClockText_;
  bool monitorRefreshed_ = false;
  bool dataStale_ = false;
  QString dataAgeText_;
  bool factory_ = false;
  EditorModel model_;
  GridEditors* editors_ = nullptr;
  BilingualText generatorTabCaption_{};

  QTabWidget* pages_ = nullptr;
  QWidget* configurationPage_ = nullptr;
  QWidget* monitorPage_ = nullptr;
  QWidget* eventLogPage_ = nullptr;
  QTabWidget* configurationPages_ = nullptr;
  QWidget* basicPage_ = nullptr;
  QWidget* enginePage_ = nullptr;
  QWidget* generatorProtectionPage_ = nullptr;
  QWidget* sensorPage_ = nullptr;
  std::array<SetpointGridWidget*, 7> grids_{};
  AnalogueChannelGrid* analogueGrid_ = nullptr;
  BinaryIoGrid* inputGrid_ = nullptr;
  BinaryIoGrid* outputGrid_ = nullptr;
  MonitorPage* monitor_ = nullptr;
  EventLogPage* eventLog_ = nullptr;
  HistoryPage* history_ = nullptr;
  std::optional<MonitorPageState> keptMonitor_;
  std::optional<EventLogPageState> keptEventLog_;
  QToolButton* unlockButton_ = nullptr;
  QToolButton* changePasswordButton_ = nullptr;
  QPushButton* saveButton_ = nullptr;
  QPushButton* openButton_ = nullptr;
  QPushButton* compareButton_ = nullptr;
  QPushButton* reportButton_ = nullptr;
  QPushButton* readButton_ = nullptr;
  QPushButton* writeButton_ = nullptr;
  QPushButton* undoButton_ = nullptr;
  QPushButton* exitButton_ = nullptr;
  QPushButton* helpButton_ = nullptr;
  std::array<QLabel*, 4> panels_{};
  QLabel* dataAgeLabel_ = nullptr;
  QLabel* changedLabel_ = nullptr;
  QLabel* noticeLabel_ = nullptr;
  CurveEditor* curveEditor_ = nullptr;
  std::function<int(QDialog&)> runModal_;
};

}  // namespace vorel
