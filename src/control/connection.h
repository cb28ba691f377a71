// The connection of the main window, without widgets: the serial port and the link, the site
// slots with their parameter windows, the identification of each controller, the three timers
// and the poll schedule, and every exchange a parameter window starts (read, write, unlock,
// new password). MainWindow wires it to its buttons and windows; vorel-cli runs it headless.
//
// The link (with its send lock and per-site communication states) lives as long as this
// object; the port is created at connect and destroyed at disconnect, and without a port every
// request fails by the timeout path.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "control/connection_view.h"
#include "control/site_slots.h"
#include "control/site_window.h"
#include "core/site_images.h"
#include "link/event_pump.h"
#include "link/host.h"
#include "link/modbus_link.h"
#include "link/port_holder.h"

namespace vorel {

inline constexpr int kPollIntervalMs = 20;
inline constexpr int kRefreshIntervalMs = 500;
inline constexpr int kValueConfigPauseMs = 2000;
inline constexpr int kFailedSitePauseMs = 500;
inline constexpr int kPollSiteNone = kSiteCount + 1;  // 33: the advance past site 32

class Connection : public SiteCommands {
 public:
  using WindowFactory = std::function<std::unique_ptr<SiteWindow>(int site, SiteCommands&)>;

  // Starts the 100 ms reply tick at once; it runs for the life of the object.
  Connection(Host& host, EventPump& pump, ConnectionView& view);
  ~Connection() override;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Without a factory, identified sites get their slot but no window (vorel-cli).
  void SetWindowFactory(WindowFactory factory) { factory_ = std::move(factory); }
  // Yes to the sensor-chart question after a write: the curve editors of the site's channels.
  std::function<void(int site)> onModifySensorCharts;
  // After the last window was closed and the connection ended (the main window clears its
  // power-up log).
  std::function<void()> onLastWindowClosed;

  // --- Port ---
  // Takes the port and opens it; false (the port dropped) when it does not open.
  bool OpenPort(std::unique_ptr<SerialPort> port, const PortSettings& settings, std::string* error);
  bool PortOpen() const { return holder_.IsOpen(); }
  SerialPort* Port() const { return holder_.Get(); }
  void SetModem(bool on) { link_->SetModem(on); }

  // --- State ---
  ModbusLink& Link() { return *link_; }
  SiteImages& Images() { return *images_; }
  SiteSlots& Slots() { return slots_; }
  const SiteSlots& Slots() const { return slots_; }
  bool IsOnline(int site) const { return slots_.IsOnline(site); }
  SiteWindow* Window(int site) const;
  // Puts a window into a free slot (an offline window opened from a file uses 246).
  void SetWindow(int site, std::unique_ptr<SiteWindow> window, std::int16_t state);

  // --- Connecting ---
  // Poll site and phase back to 1 (start of Connect).
  void ResetPoll();
  // Connect on an existing connection: waits for the link, stops both timers.
  void PauseForReconnect();
  // Tries every selected site without a window with `identify` (IdentifySite when empty);
  // starts polling when a site is online, else reports and disconnects.
  void ConnectSites(const std::array<bool, kSiteCount>& selected,
                    const std::function<bool(int)>& identify = {});
  bool IdentifySite(int site);
  void Disconnect();
  // The main window closes: the link is waited for, polling stops, the port is closed.
  void CloseQuietly();

  // --- Timers and the poll schedule ---
  void StartPolling();
  void StopPolling();
  bool PollTimerRunning() const { return pollTimer_ != 0; }
  void StartRefresh();
  void StopRefresh();
  bool RefreshTimerRunning() const { return refreshTimer_ != 0; }
  void PollStep();
  void RefreshStep();
  int PollSite() const { return pollSite_; }
  int PollPhase() const { return pollPhase_; }
  // Waits, dispatching events, until the link is idle or the poll timer is stopped.
  void WaitForLinkOrStoppedPoll();
  // A single command or a short exchange: waits for the link (or a stopped poll timer), stops
  // the poll timer, runs `exchange` and starts the poll timer again. Nothing runs while
  // another user exchange is under way; false then.
  bool RunSingleCommand(const std::function<void()>& exchange);
  // A long transfer: windows and main window disabled, polling paused, progress shown.
  void BeginTransfer();
  void EndTransfer();

  // --- Exchanges ---
  // One synchronous function-16 request; false when the site's state is 299 afterwards.
  bool WriteBlock(int site, std::uint16_t address, std::span<const std::uint16_t> words);
  void ShowProtectionState(int site);
  void ShowControllerClock(int site);

  // SiteCommands
  void ReadParameters(int site) override;
  void WriteParameters(int site) override;
  void UnlockParameters(int site) override;
  void ChangePassword(int site) override;
  void WindowClosed(int site) override;

 private:
  template <class Worker>
  bool ReadBlock(int site, const RegisterBlock& block, int pauseBeforeReplyMs = 0);
  void SetSiteStatusText(int site, int panel, const std::string& text);
  void ShowSiteCaption(int site);
  void SetWindowsEnabled(bool enabled);
  bool SiteFailed(int site) const { return link_->CommState(site) == kCommNoResult; }
  // Marks a user exchange as running; false when one already runs (the new one is dropped:
  // the link carries one request at a time, and a window must not go while its own
  // exchange is under way).
  bool BeginExchange();
  void EndExchange();
  void SendPassword(int site, std::uint16_t address, const std::string& text, bool modeOff);

  Host& host_;
  EventPump& pump_;
  ConnectionView& view_;
  WindowFactory factory_;
  std::unique_ptr<SiteImages> images_;
  PortHolder holder_;
  std::unique_ptr<ModbusLink> link_;
  SiteSlots slots_;
  std::array<std::unique_ptr<SiteWindow>, kSiteCount> windows_;

  int tickTimer_ = 0;
  int pollTimer_ = 0;
  int refreshTimer_ = 0;
  int pollSite_ = 1;
  int pollPhase_ = 1;
  bool inPollStep_ = false;
  bool exchangeRunning_ = false;
  std::array<bool, kSiteCount> closePending_{};
  bool pollStoppedInStep_ = false;
};

// The password of a masked editor's text: blanks count as "0", anything but a digit is 0,
// at most the first four characters count.
std::uint16_t PasswordValue(const std::string& text);

}  // namespace vorel
