// The timers of a session: the poll step that reads the live values of one online site after
// another (with the Retry/Cancel box when a polled request fails) and the refresh step that
// redraws every online window from the value image.
#pragma once

#include <functional>

#include "core/site_images.h"

namespace vorel {

class ConnectionView;
class EventPump;
class Host;
class ModbusLink;
class PortHolder;
class SiteSlots;
class SiteWindows;
class TrendRecorder;

// What the poll and refresh steps work on; the session owns all of it.
struct PollParts {
  Host& host;
  EventPump& pump;
  ConnectionView& view;
  SiteImages& images;
  ModbusLink& link;
  const PortHolder& port;
  const SiteSlots& siteSlots;
  const SiteWindows& windows;
  TrendRecorder& trends;
  // A user exchange runs (the refresh leaves a gone port to its end).
  std::function<bool()> exchangeRunning;
  // Ends the connection when the open port has gone away, true when it did so now; the steps
  // call it once the link is idle.
  std::function<bool()> closeIfPortGone;
};

inline constexpr int kPollIntervalMs = 20;
inline constexpr int kRefreshIntervalMs = 500;
inline constexpr int kPollSiteNone = kSiteCount + 1;  // 33: the advance past site 32

class PollScheduler {
 public:
  explicit PollScheduler(PollParts parts) : parts_(std::move(parts)) {}

  // Poll site and phase back to 1 (start of Connect).
  void Reset();
  void StartPolling();
  void StopPolling();
  bool PollTimerRunning() const { return pollTimer_ != 0; }
  void StartRefresh();
  void StopRefresh();
  bool RefreshTimerRunning() const { return refreshTimer_ != 0; }
  // Both timers stopped once the link is idle (Disconnect, a second Connect).
  void StopAll();

  void PollStep();
  void RefreshStep();
  // A polled request that can no longer succeed: ended, then the Retry/Cancel box (none on a
  // port that has gone away). Retry polls the site again (115), Cancel stops polling it (299),
  // a box closed otherwise leaves its state.
  void ReportPollFailure(int site);
  int PollSite() const { return pollSite_; }
  int PollPhase() const { return pollPhase_; }

  // Waits, dispatching events, until the link is idle or the poll timer is stopped (before an
  // exchange pauses polling: ExchangeScope).
  void WaitForLinkOrStoppedPoll();

  // The refresh of one site: its clock and its protection state.
  void ShowControllerClock(int site);
  void ShowProtectionState(int site);
  // Main status panel 0 says when polling is stopped for every online site (each cancelled in
  // the Retry/Cancel box) and how it resumes, and "Connected." again once a site is polled.
  void ShowPollingState();

 private:
  PollParts parts_;
  int pollTimer_ = 0;
  int refreshTimer_ = 0;
  int pollSite_ = 1;
  int pollPhase_ = 1;
  bool inPollStep_ = false;
  bool pollStoppedInStep_ = false;
  bool pollingStoppedShown_ = false;
};

}  // namespace vorel
