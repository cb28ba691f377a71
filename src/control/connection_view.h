// What connecting shows on the main window: the power-up log, the main status bar, the
// window's enabled state and its configuration controls. MainWindow implements it; vorel-cli
// collects the log lines and prints them.
#pragma once

#include <string>

namespace vorel {

class ConnectionView {
 public:
  virtual ~ConnectionView() = default;
  virtual void ClearPowerUpLog() = 0;
  virtual void AppendPowerUpLine(const std::string& line) = 0;
  // Appends to the end of the whole text, without a line break (the "." progress marks).
  virtual void AppendPowerUpText(const std::string& text) = 0;
  virtual void ShowPowerUpLog(bool shown) = 0;
  virtual void SetMainStatus(int panel, const std::string& text) = 0;
  virtual void SetMainEnabled(bool enabled) = 0;
  virtual void BringToFront() = 0;
  // The Address and Com Port tool buttons, and the Com Port and Address menu items.
  virtual void SetConfigurationEnabled(bool toolButtons, bool menuItems) = 0;
  // A pause that keeps events dispatched (the half-second pauses after a failed site).
  virtual void Pause(int ms) = 0;
};

}  // namespace vorel
