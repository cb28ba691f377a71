// A recording main-window view and a recording parameter window for tests of the connection.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "control/connection_view.h"
#include "control/site_window.h"
#include "link/fake_event_pump.h"

namespace vorel::test {

class RecordingView : public ConnectionView {
 public:
  std::vector<std::string> log;     // the power-up log, line by line
  std::vector<std::string> status;  // every text of main panel 0
  std::string status1;
  bool enabled = true;
  bool logShown = false;
  bool toolButtons = true;
  bool menuItems = true;
  std::vector<int> pauses;
  FakeEventPump* pump = nullptr;

  void ClearPowerUpLog() override { log.clear(); }
  void AppendPowerUpLine(const std::string& line) override { log.push_back(line); }
  void AppendPowerUpText(const std::string& text) override {
    if (log.empty()) log.emplace_back();
    log.back() += text;
  }
  void ShowPowerUpLog(bool shown) override { logShown = shown; }
  void SetMainStatus(int panel, const std::string& text) override {
    if (panel == 0) status.push_back(text);
    if (panel == 1) status1 = text;
  }
  void SetMainEnabled(bool e) override { enabled = e; }
  void BringToFront() override {}
  void SetConfigurationEnabled(bool tools, bool menus) override {
    toolButtons = tools;
    menuItems = menus;
  }
  void Pause(int ms) override {
    pauses.push_back(ms);
    if (pump) pump->Advance(static_cast<std::uint64_t>(ms));
  }
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
  std::string unlockText;
  std::string newText;

  void SetUpWindow() override { calls.push_back("SetUpWindow"); }
  void LoadAllPages() override { calls.push_back("LoadAllPages"); }
  void StoreAllPages() override { calls.push_back("StoreAllPages"); }
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
  bool DateChanged() const override { return dateChanged; }
  bool TimeChanged() const override { return timeChanged; }
  void ClearDateChanged() override { dateChanged = false; }
  void ClearTimeChanged() override { timeChanged = false; }
  bool SerialNumberEditable() const override { return serialEditable; }
  std::string UnlockPasswordText() const override { return unlockText; }
  std::string NewPasswordText() const override { return newText; }
  void RefillEventLog() override { calls.push_back("RefillEventLog"); }
};

}  // namespace vorel::test
