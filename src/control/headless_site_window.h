// A parameter window without widgets, for front ends that have no windows (vorel-cli restore):
// its editors, the set-up of their enabled states and limits, the load and store passes
// against the value image, and the status panels' texts. Everything a widget would show is
// dropped; the pickers and the serial-number editor are never changed or enabled, so a write
// skips their blocks. With it, Load and Write run exactly as they do for the desktop's window.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "control/site_slots.h"
#include "control/site_window.h"
#include "core/site_images.h"

namespace vorel {

class HeadlessSiteWindow : public SiteWindow {
 public:
  HeadlessSiteWindow(SiteImages& images, const SiteSlots& siteSlots, int site)
      : images_(images), slots_(siteSlots), site_(site) {}

  // The session's window factory that gives every identified site such a window.
  static std::function<std::unique_ptr<SiteWindow>(int site, SiteCommands&)> Factory(
      SiteImages& images, const SiteSlots& siteSlots);

  // The editors' enabled states by the controller type and access level, the descriptors'
  // limits when the site is online, then the load pass.
  void SetUpWindow() override;
  void LoadAllPages() override;
  void StoreAllPages() override;
  EditorModel& Editors() override { return editors_; }
  void SetStatusPanel(int panel, const std::string& text) override;
  std::string StatusPanelText(int panel) const override;

  void SetCaption(const std::string&) override {}
  void SetPageVisibility(bool, bool) override {}
  void SetWindowEnabled(bool) override {}
  void ShowWindow() override {}
  void ShowControllerClock(std::optional<QDate>, std::optional<QTime>) override {}
  void ShowProtectionState(bool) override {}
  void RefreshMonitor() override {}
  bool DateChanged() const override { return false; }
  bool TimeChanged() const override { return false; }
  void ClearDateChanged() override {}
  void ClearTimeChanged() override {}
  bool SerialNumberEditable() const override { return false; }
  void OpenCurveEditors() override {}
  void RefillEventLog() override {}
  void ShowEventLogComplete() override {}
  bool EventLogShown() const override { return false; }
  EventLogSheet EventLogCells() const override { return {}; }
  void ShowEventLogFile(const EventLogSheet&) override {}

 private:
  static constexpr int kPanels = 4;

  SiteImages& images_;
  const SiteSlots& slots_;
  int site_;
  EditorModel editors_;
  std::array<std::string, kPanels> panels_;
};

}  // namespace vorel
