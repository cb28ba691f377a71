// A recording main-window view and a recording parameter window for tests of the connection.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "control/connection_view.h"
#include "control/settings.h"
#include "control/site_window.h"
#include "link/fake_event_pump.h"

namespace vorel::test {

class RecordingView : public ConnectionView {
 public:
  std::vector<std::string> log;            // the power-up log, line by line
  std::vector<std::string> status;         // every text of main panel 0
  std::vector<std::uint64_t> statusTimes;  // the clock when each was set
  FakeEventPump* pump = nullptr;
  std::string status1;
  std::vector<std::string> status1Texts;  // every text of main panel 1
  bool hangupEnabled = false;
  std::vector<bool> hangupStates;  // every change of the Hangup button
  std::string dialNumber;
  bool enabled = true;
  bool logShown = false;
  bool toolButtons = true;
  bool menuItems = true;

  void ClearPowerUpLog() override { log.clear(); }
  void AppendPowerUpLine(const std::string& line) override { log.push_back(line); }
  void AppendPowerUpText(const std::string& text) override {
    if (log.empty()) log.emplace_back();
    log.back() += text;
  }
  void ShowPowerUpLog(bool shown) override { logShown = shown; }
  void SetMainStatus(int panel, const std::string& text) override {
    if (panel == 0) {
      status.push_back(text);
      statusTimes.push_back(pump ? pump->NowMs() : 0);
    }
    if (panel == 1) {
      status1 = text;
      status1Texts.push_back(text);
    }
  }
  void SetMainEnabled(bool e) override { enabled = e; }
  void BringToFront() override {}
  void SetConfigurationButtonsEnabled(bool e) override { toolButtons = e; }
  void SetConfigurationMenuEnabled(bool e) override { menuItems = e; }
  void ShowCommunicationProperties(const CommunicationProperties& p) override { shown = p; }
  void SetHangupEnabled(bool e) override {
    hangupEnabled = e;
    hangupStates.push_back(e);
  }
  std::string DialNumber() const override { return dialNumber; }
  CommunicationProperties shown;
};

class RecordingWindow : public SiteWindow {
 public:
  std::vector<std::string> calls;
  std::string caption;
  std::map<int, std::string> panels;
  bool enabled = true;
  bool statusPage = true;
  bool eventLogPage = true;
  bool unlockedShown = false;
  std::optional<QDate> date;
  std::optional<QTime> time;
  int clockShows = 0;
  int monitorRefreshes = 0;
  bool dateChanged = false;
  bool timeChanged = false;
  bool serialEditable = false;
  // What the refresh tick last said of the live values' age.
  bool stale = false;
  std::string ageText;

  void SetUpWindow() override { calls.push_back("SetUpWindow"); }
  void LoadAllPages() override {
    calls.push_back("LoadAllPages");
    if (modelImages) editors.Load(*modelImages, site);
  }
  void StoreAllPages() override {
    calls.push_back("StoreAllPages");
    if (modelImages) editors.Store(*modelImages, site);
    if (onStoreAllPages) onStoreAllPages();
  }
  // What happens while a write's store pass runs (inside the write's exchange).
  std::function<void()> onStoreAllPages;
  void SetCaption(const std::string& c) override { caption = c; }
  void SetStatusPanel(int panel, const std::string& text) override { panels[panel] = text; }
  void SetPageVisibility(bool s, bool e) override {
    statusPage = s;
    eventLogPage = e;
  }
  void SetWindowEnabled(bool e) override { enabled = e; }
  void ShowWindow() override { calls.push_back("ShowWindow"); }
  void ShowControllerClock(std::optional<QDate> d, std::optional<QTime> t) override {
    ++clockShows;
    date = d;
    time = t;
  }
  void ShowProtectionState(bool unlocked) override { unlockedShown = unlocked; }
  void RefreshMonitor() override { ++monitorRefreshes; }
  void ShowDataAge(bool s, const std::string& text) override {
    stale = s;
    ageText = text;
  }
  bool DateChanged() const override { return dateChanged; }
  bool TimeChanged() const override { return timeChanged; }
  void ClearDateChanged() override { dateChanged = false; }
  void ClearTimeChanged() override { timeChanged = false; }
  bool SerialNumberEditable() const override { return serialEditable; }
  void OpenCurveEditors() override {
    calls.push_back("OpenCurveEditors");
    if (onOpenCurveEditors) onOpenCurveEditors();
  }
  // What the curve editors do when opened (a user writing a curve at once).
  std::function<void()> onOpenCurveEditors;
  void RefillEventLog() override {
    calls.push_back("RefillEventLog");
    if (images) {
      SetEventLogTitles(*images, site, eventLog);
      DisplayEventLog(*images, site, eventLog);
    }
  }
  void ShowEventLogComplete() override {
    calls.push_back("ShowEventLogComplete");
    eventLogShown = true;
    saveEventLogEnabled = true;
  }
  bool EventLogShown() const override { return eventLogShown; }
  EventLogSheet EventLogCells() const override { return eventLog; }
  EditorModel& Editors() override { return editors; }
  std::string StatusPanelText(int panel) const override {
    auto it = panels.find(panel);
    return it == panels.end() ? std::string() : it->second;
  }
  void ShowEventLogFile(const EventLogSheet& sheet) override {
    calls.push_back("ShowEventLogFile");
    for (int row = 1; row <= kEventLogRows; ++row)
      for (int c = 1; c < kEventLogColumns; ++c) eventLog.Cell(row, c) = sheet.Cell(row, c);
    eventLogShown = true;
  }

  // The event-log grid, drawn from these images when set.
  const SiteImages* images = nullptr;
  int site = 0;
  EventLogSheet eventLog;
  bool eventLogShown = false;
  bool saveEventLogEnabled = false;
  // The editors; the load and store passes run on them against `modelImages` when set.
  EditorModel editors;
  SiteImages* modelImages = nullptr;
};

// The commands of a parameter window, recorded as "read3", "unlock3[12  ]", ...
class RecordingCommands : public SiteCommands {
 public:
  std::vector<std::string> calls;

  void ReadParameters(int site) override { Add("read", site); }
  void WriteParameters(int site) override { Add("write", site); }
  void UnlockParameters(int site, const std::string& password) override {
    Add("unlock", site, "[" + password + "]");
  }
  void ChangePassword(int site, const std::string& password) override {
    Add("change", site, "[" + password + "]");
  }
  void ReadSensorBlock(int site) override {
    Add("sensorblock", site);
    if (onReadSensorBlock) onReadSensorBlock(site);
  }
  void ReadEventLog(int site) override { Add("readlog", site); }
  void SaveEventLog(int site) override { Add("savelog", site); }
  void OpenEventLog(int site) override { Add("openlog", site); }
  void ExportEventLogCsv(int site) override { Add("exportcsv", site); }
  void WriteServiceReport(int site) override { Add("report", site); }
  void WindowClosed(int site) override { Add("close", site); }
  void SendCommand(int site, RemoteCommand command) override {
    Add("command", site, std::string(InfoOf(command).name));
  }
  CurveWriteResult WriteCurve(int site, int channel, const SensorCurve& curve) override {
    Add("curve", site, "[" + std::to_string(channel) + "]");
    curves.push_back(curve);
    return curveResult;
  }
  void SaveParameterFile(int site) override { Add("savefile", site); }
  void LoadParameterFile(int site) override { Add("loadfile", site); }
  std::optional<ParameterComparison> CompareParameterFile(int site) override {
    Add("comparefile", site);
    return comparison;
  }
  std::optional<ParameterComparison> comparison;
  const TrendBuffer* Trend(int) const override { return trend; }
  void ExportTrendCsv(int site) override { Add("exporttrend", site); }
  const TrendBuffer* trend = nullptr;
  std::function<void(int site)> onReadSensorBlock;
  std::vector<SensorCurve> curves;
  CurveWriteResult curveResult = CurveWriteResult::Written;

 private:
  void Add(const char* what, int site, const std::string& more = {}) {
    calls.push_back(what + std::to_string(site) + more);
  }
};

}  // namespace vorel::test
