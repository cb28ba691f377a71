// Everything Connect, a second Connect and Disconnect do: loading the communication
// properties and the access level, checking the site selection, opening the port (or pausing
// an existing connection), identifying every selected site in twelve reads and creating its
// window, starting the timers, and closing the connection again. The main window and
// vorel-cli both run it.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "control/settings.h"
#include "core/site_images.h"

namespace vorel {

class ConnectionView;
class HistoryRecorder;
class EventPump;
class ExchangeControl;
class Host;
class ModbusLink;
class ModemDialer;
class PollScheduler;
class PortHolder;
class RegisterRequests;
class SerialPort;
class SiteSlots;
class SiteWindows;
class TrafficLog;
class TrendRecorder;

// What Connect, the site loop and Disconnect work on; the session owns all of it.
struct ConnectParts {
  Host& host;
  ConnectionView& view;
  EventPump& pump;
  PortHolder& port;
  // A new, closed port (null when the front end gives none).
  std::function<std::unique_ptr<SerialPort>()> makePort;
  ModbusLink& link;
  RegisterRequests& requests;
  ExchangeControl& exchange;
  SiteSlots& siteSlots;
  SiteWindows& windows;
  SiteImages& images;
  ModemDialer& modem;
  PollScheduler& poll;
  TrendRecorder& trends;
  TrafficLog& traffic;
};

inline constexpr int kValueConfigPauseMs = 2000;
inline constexpr int kFailedSitePauseMs = 500;

// "Com port openning error！Please select right port." in the current language.
std::string PortErrorText();
// The same, followed by what the user can do about the port `portName` when the system says.
std::string PortErrorText(const std::string& portName);
// "Adress3Connect fail!" in the current language.
std::string SiteConnectFailText(int site);
// The port named `portName` has gone away, in the current language; `reason` is the port's
// own account when it has one (a TCP connection).
std::string PortGoneText(const std::string& portName, const std::string& reason = {});

class ConnectSequence {
 public:
  explicit ConnectSequence(ConnectParts parts) : parts_(std::move(parts)) {}
  // Each site IdentifySite identified goes to the history.
  void SetHistory(HistoryRecorder* history) { history_ = history; }

  // The Connect command: properties and access level from the settings files, the port opened
  // with the saved port settings (or the existing connection paused), then ConnectSites.
  // Reports every failure through the Host and stops.
  void Connect();
  // The properties Connect loaded last (the main window's check boxes show them).
  const CommunicationProperties& Properties() const { return properties_; }
  void SetProperties(const CommunicationProperties& properties) { properties_ = properties; }

  // Opens a new port from the port factory with these settings; false (after the port
  // error, and with the detail in `error`) when it does not open. A TCP port's error names the
  // host and the reason in both languages and is shown itself (`error` then stays empty).
  bool OpenPort(const PortSettings& settings, std::string* error = nullptr);
  // Tries every selected site without a window; starts polling when a site is online, else
  // reports and disconnects.
  void ConnectSites(const std::array<bool, kSiteCount>& selected);
  // Identifies one site and creates its online window; true on success.
  bool IdentifySite(int site);
  // Tests of the site loop answer the identification themselves.
  void SetIdentifier(std::function<bool(int site)> identify) { identify_ = std::move(identify); }
  // Connect on an existing connection: waits for the link, stops both timers.
  void PauseForReconnect();
  void Disconnect();
  // The user's Disconnect: the line is closed as Disconnect does; the online windows stay open,
  // say "disconnected." and are polled again after the next Connect. Nothing when not
  // connected.
  void DisconnectKeepingWindows();
  // The main window closes: the link is waited for, polling stops, the port is closed.
  void CloseQuietly();
  // The user closed the site's window: its slot is freed (after a running exchange), and
  // the last one closed ends the connection.
  void WindowClosed(int site);

  // Called once the request under way has ended: when the open port has gone away (adapter
  // unplugged, the other end closed), polling stops, the connection is closed and the user
  // is told once. The online windows stay open and are polled again after the next Connect,
  // which opens the port anew. True when the port was found gone now.
  bool CheckPort();
  // The port went away since it was last opened.
  bool PortWasLost() const { return portLost_; }
  // The modem said NO CARRIER while a poll waited: the lines go down, the modem's word is
  // shown, and polling waits for the next Connect to dial again.
  void ModemCallLost();

 private:
  HistoryRecorder* history_ = nullptr;
  ConnectParts parts_;
  CommunicationProperties properties_;
  PortSettings portSettings_;
  std::function<bool(int site)> identify_;
  // Online windows say "disconnected." and wait for the next Connect to be polled again.
  void MarkOnlineWindowsDisconnected();

  bool portLost_ = false;
  // The user disconnected with online windows open: the next Connect polls them again.
  bool windowsKept_ = false;
  bool checkingPort_ = false;
  // A port is being opened while the window's events run: a second Connect has nothing to
  // do, and a Disconnect meanwhile closes the port once the open has ended.
  bool opening_ = false;
  bool closeAfterOpen_ = false;
};

}  // namespace vorel
