// What connecting shows on the main window: the power-up log, the main status bar, the
// window's enabled state, its configuration controls and the communication properties that
// Connect loaded. MainWindow implements it; vorel-cli collects the log lines and prints them.
#pragma once

#include <string>

namespace vorel {

struct CommunicationProperties;

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
  // The Address and Com Port tool buttons.
  virtual void SetConfigurationButtonsEnabled(bool enabled) = 0;
  // The Com Port and Address menu items.
  virtual void SetConfigurationMenuEnabled(bool enabled) = 0;
  // The modem option and the site selections as Connect loaded them.
  virtual void ShowCommunicationProperties(const CommunicationProperties& properties) = 0;
  // The Hangup tool button (enabled while a modem dial or call is up).
  virtual void SetHangupEnabled(bool enabled) { (void)enabled; }
  // The number the modem dials, exactly as the user typed it.
  virtual std::string DialNumber() const { return {}; }
};

}  // namespace vorel
