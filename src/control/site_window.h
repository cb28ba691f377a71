// What connection, polling and transfers need of a site's parameter window. The widget window
// (TfmParameterClass) implements it; control-layer tests use a recording fake, and vorel-cli
// runs the same sequences with no window at all.
#pragma once

#include <QDate>
#include <QTime>
#include <optional>
#include <string>

namespace vorel {

class SiteWindow {
 public:
  virtual ~SiteWindow() = default;

  // Sets up every page in its fixed order and shows all parameter values from the value image.
  virtual void SetUpWindow() = 0;
  // Value image -> editors -> grids, and the reverse (the store pass runs before a write).
  virtual void LoadAllPages() = 0;
  virtual void StoreAllPages() = 0;

  virtual void SetCaption(const std::string& caption) = 0;
  // Panels of the window's status bar: 0 connection, 1 protection, 2 type, 3 last reply.
  virtual void SetStatusPanel(int panel, const std::string& text) = 0;
  // The monitor page and the event-log page.
  virtual void SetPageVisibility(bool statusPage, bool eventLogPage) = 0;
  virtual void SetWindowEnabled(bool enabled) = 0;
  virtual void ShowWindow() = 0;

  // Refresh: the controller clock (nullopt where the controller's text does not convert; a
  // picker the user has changed is left alone), the protection state, the monitor page.
  virtual void ShowControllerClock(std::optional<QDate> date, std::optional<QTime> time) = 0;
  virtual void ShowProtectionState(bool unlocked) = 0;
  virtual void RefreshMonitor() = 0;
};

}  // namespace vorel
