// The timers of a session: the poll step that reads the live values of one online site after
// another, the refresh step that redraws every online window from the value image, and the
// pausing of polling around every other exchange.
#pragma once

#include <functional>

#include "core/site_images.h"

namespace vorel {

class Session;

inline constexpr int kPollIntervalMs = 20;
inline constexpr int kRefreshIntervalMs = 500;
inline constexpr int kPollSiteNone = kSiteCount + 1;  // 33: the advance past site 32

class PollScheduler {
 public:
  explicit PollScheduler(Session& session) : session_(session) {}

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

  // The refresh of one site: its clock and its protection state.
  void ShowControllerClock(int site);
  void ShowProtectionState(int site);
  // Main status panel 0 says when polling is stopped for every online site (each cancelled in
  // the Retry/Cancel box) and how it resumes, and "Connected." again once a site is polled.
  void ShowPollingState();

 private:
  Session& session_;
  int pollTimer_ = 0;
  int refreshTimer_ = 0;
  int pollSite_ = 1;
  int pollPhase_ = 1;
  bool inPollStep_ = false;
  bool pollStoppedInStep_ = false;
  bool pollingStoppedShown_ = false;
};

}  // namespace vorel
