// The timers of a session: the poll step that reads the live values of one online site after
// another (with the Retry/Cancel box when a polled request fails) and the refresh step that
// redraws every online window from the value image.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "control/live_data_age.h"
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
  // The modem call dropped while a poll waited: tells the user once.
  std::function<void()> callLost;
};

inline constexpr int kPollIntervalMs = 20;
inline constexpr int kRefreshIntervalMs = 500;
inline constexpr int kPollSiteNone = kSiteCount + 1;  // 33: the advance past site 32
// A site whose polling stopped after a failure (state 299) is probed this often, when the
// setting allows it: one live-value read, no box when it fails.
inline constexpr int kFailedSiteProbeMs = 10'000;

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

  // [Polling] RetryAfterFailure: a site in state 299 is probed every kFailedSiteProbeMs and
  // polled again once it answers. Off, such a site waits for another request to succeed.
  void SetRetryAfterFailure(bool on) { retryAfterFailure_ = on; }
  bool RetryAfterFailure() const { return retryAfterFailure_; }
  // How old each site's live values are.
  const LiveDataAge& DataAge() const { return age_; }
  // Wall-clock milliseconds since the epoch (the times shown and recorded); tests may set
  // their own.
  void SetWallClock(std::function<std::int64_t()> clock) { wallClock_ = std::move(clock); }

  // Waits, dispatching events, until the link is idle or the poll timer is stopped (before an
  // exchange pauses polling: ExchangeScope).
  void WaitForLinkOrStoppedPoll();

  // The refresh of one site: its clock and its protection state.
  void ShowControllerClock(int site);
  void ShowProtectionState(int site);
  // "no reply since hh:mm:ss" and greyed values while the site's live values are stale.
  void ShowDataAge(int site);
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

  // The poll step's own bookkeeping of what it sent and how the sweeps go.
  void PollSent(int site, bool probe);
  void PollAnswered(int site);
  void PollFailed(int site);
  void SweepBegins();
  // Whether a site in state 299 is due for its probe now (the first one is planned when the
  // poller first finds it there).
  bool ProbeDue(int site);
  std::uint64_t MinimumSweepMs() const;

  bool retryAfterFailure_ = true;
  LiveDataAge age_;
  std::function<std::int64_t()> wallClock_ = SystemWallClockMs;
  int polledSite_ = 0;    // the site whose live values are awaited (0: none)
  bool probing_ = false;  // that request is a probe of a site in state 299
  std::array<std::uint64_t, kSiteCount> nextProbeMs_{};  // 0: none planned
  bool pollingStarted_ = false;
  std::uint64_t sweepStartMs_ = 0;
  bool sweepTimed_ = false;  // the sweep under way ran without a pause or a box so far
};

}  // namespace vorel
