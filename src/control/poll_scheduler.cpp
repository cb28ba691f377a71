#include "control/poll_scheduler.h"

#include <QDate>
#include <QTime>

#include "control/connection_view.h"
#include "control/site_slots.h"
#include "control/site_windows.h"
#include "control/trend_recorder.h"
#include "core/conversions.h"
#include "core/language.h"
#include "link/event_pump.h"
#include "link/exception_meaning.h"
#include "link/host.h"
#include "link/modbus_link.h"
#include "link/port_holder.h"
#include "link/request_worker.h"

namespace vorel {
namespace {

// Longest sleep of the wait for an idle link between two looks.
constexpr int kIdleWaitSliceMs = 5;

std::optional<QDate> ToQDate(const std::string& text) {
  const auto date = ParseControllerDate(text, QDate::currentDate().year());
  if (!date) return std::nullopt;
  return QDate(date->year, date->month, date->day);
}

std::optional<QTime> ToQTime(const std::string& text) {
  const auto time = ParseControllerTime(text);
  if (!time) return std::nullopt;
  return QTime(time->hour, time->minute, time->second);
}

}  // namespace

void PollScheduler::Reset() {
  pollSite_ = 1;
  pollPhase_ = 1;
  pollingStoppedShown_ = false;
  pollingStarted_ = false;
  sweepTimed_ = false;
  nextProbeMs_.fill(0);
}

void PollScheduler::StartPolling() {
  if (!pollingStarted_) {
    // Sites never polled since Connect count their age from here.
    pollingStarted_ = true;
    age_.PollingStarted(parts_.pump.NowMs(), wallClock_());
  }
  if (inPollStep_) {
    // The step that is running restarts the timer when it ends.
    pollStoppedInStep_ = false;
    return;
  }
  if (pollTimer_ == 0) {
    pollTimer_ = parts_.pump.StartTimer(kPollIntervalMs, [this] { PollStep(); });
  }
}

void PollScheduler::StopPolling() {
  if (inPollStep_) pollStoppedInStep_ = true;
  if (pollTimer_ != 0) parts_.pump.StopTimer(pollTimer_);
  pollTimer_ = 0;
  // An exchange takes the link: a reply still awaited is not a poll's any more, and the sweep
  // is not timed.
  polledSite_ = 0;
  probing_ = false;
  sweepTimed_ = false;
}

void PollScheduler::StartRefresh() {
  if (refreshTimer_ == 0) {
    refreshTimer_ = parts_.pump.StartTimer(kRefreshIntervalMs, [this] { RefreshStep(); });
  }
}

void PollScheduler::StopRefresh() {
  if (refreshTimer_ != 0) parts_.pump.StopTimer(refreshTimer_);
  refreshTimer_ = 0;
}

void PollScheduler::StopAll() {
  WaitForLinkOrStoppedPoll();
  StopPolling();
  StopRefresh();
}

void PollScheduler::PollStep() {
  // Steps never overlap, not even when a box shown by this step lets events run.
  if (inPollStep_) return;
  if (pollTimer_ != 0) parts_.pump.StopTimer(pollTimer_);
  pollTimer_ = 0;
  inPollStep_ = true;
  pollStoppedInStep_ = false;

  ModbusLink& link = parts_.link;
  if (link.LinkIdle()) {
    if (pollSite_ > kSiteCount) {
      pollSite_ = 1;
      SweepBegins();
    }
    if (parts_.siteSlots.IsOnline(pollSite_)) {
      switch (pollPhase_) {
        case 1: {
          const bool failed = link.CommState(pollSite_) == kCommNoResult;
          // A modem call that dropped is dialled again by the next Connect; until then
          // nothing could answer.
          if (!link.CallLost() && (!failed || ProbeDue(pollSite_))) {
            link.SetGroupIdle(RequestGroup::Value, false);
            link.ResetReplyTicks();
            PollSent(pollSite_, failed);
            new ValueRead(link, static_cast<std::uint8_t>(pollSite_), reg::kLiveValues, {}, true);
          }
          pollPhase_ = 2;
          break;
        }
        case 2:
          pollPhase_ = 3;
          break;
        default:
          ++pollSite_;
          pollPhase_ = 1;
          break;
      }
    } else {
      ++pollSite_;
    }
  }
  const bool gone = parts_.port.Gone();
  if (link.LinkIdle() || !link.RequestFailure()) {
    if (link.PollReply(pollSite_)) PollAnswered(pollSite_);
  } else if (probing_ && polledSite_ == pollSite_) {
    // A probe that fails changes nothing: no box, the site stays stopped.
    link.FailRequest(pollSite_);
    link.SetCommState(pollSite_, kCommNoResult);
    PollFailed(pollSite_);
  } else {
    ReportPollFailure(pollSite_);  // no box on a gone port
  }
  if (gone && link.LinkIdle()) parts_.closeIfPortGone();

  inPollStep_ = false;
  if (!pollStoppedInStep_) StartPolling();
}

void PollScheduler::ReportPollFailure(int site) {
  PollFailed(site);
  // The box (or the timeout before it) holds the sweep up.
  sweepTimed_ = false;
  ModbusLink& link = parts_.link;
  const RequestResult result = link.FailRequest(site);
  // Retry could never succeed on a port that has gone away: no box; the caller tells the user
  // once and closes the connection. The site's state stays.
  if (result.outcome == RequestOutcome::PortGone || parts_.port.Gone()) return;
  // Nor through a modem call that dropped: the modem's word is shown, polling waits for the
  // next Connect to dial again.
  if (link.CallLost()) {
    parts_.callLost();
    return;
  }
  const Answer answer =
      parts_.host.AskRetryCancel(site, CommunicationErrorCaption(), PollFailureText(result, site));
  if (answer == Answer::Retry) link.SetCommState(site, kCommRetry);
  if (answer == Answer::Cancel) link.SetCommState(site, kCommNoResult);
}

void PollScheduler::RefreshStep() {
  for (int n = 1; n <= kSiteCount; ++n) {
    if (!parts_.siteSlots.IsOnline(n) || !parts_.windows.Window(n)) continue;
    ShowControllerClock(n);
    ShowProtectionState(n);
    ShowDataAge(n);
    // The window may have been closed by a box shown meanwhile.
    if (SiteWindow* w = parts_.windows.Window(n)) w->RefreshMonitor();
  }
  // A port that goes away while nothing is sent (every site cancelled) is noticed here.
  if (!parts_.exchangeRunning() && parts_.link.LinkIdle() && parts_.closeIfPortGone()) return;
  ShowPollingState();
}

void PollScheduler::ShowPollingState() {
  bool online = false;
  bool polled = false;
  for (int n = 1; n <= kSiteCount; ++n) {
    if (!parts_.siteSlots.IsOnline(n)) continue;
    online = true;
    polled = polled || (parts_.link.CommState(n) != kCommNoResult);
  }
  const bool stopped = online && !polled;
  if (stopped == pollingStoppedShown_) return;
  pollingStoppedShown_ = stopped;
  parts_.view.SetMainStatus(
      0, std::string(stopped ? PickText("Polling stopped: Read in a site's window resumes it.",
                                        "已停止轮询：在设备窗口中按“读出”恢复。")
                             : PickText("Connected.", "连接.")));
}

void PollScheduler::ShowControllerClock(int site) {
  SiteWindow* w = parts_.windows.Window(site);
  if (!w) return;
  SiteImages& images = parts_.images;
  w->ShowControllerClock(ToQDate(images.ControllerDateText(site)),
                         ToQTime(images.ControllerTimeText(site)));
}

void PollScheduler::ShowProtectionState(int site) {
  SiteWindow* w = parts_.windows.Window(site);
  if (!w) return;
  const bool unlocked = parts_.images.Word(site, reg::kProtection.address) == kUnlockedMark;
  w->ShowProtectionState(unlocked);
  w->SetStatusPanel(1, std::string(unlocked ? PickText("unlocked", "参数保护已解锁")
                                            : PickText("locked", "参数保护未解锁")));
}

void PollScheduler::ShowDataAge(int site) {
  SiteWindow* w = parts_.windows.Window(site);
  if (!w) return;
  const bool stale = age_.Stale(site, parts_.pump.NowMs());
  w->ShowDataAge(stale, stale ? NoReplySinceText(age_.SinceWallMs(site)) : std::string());
}

void PollScheduler::PollSent(int site, bool probe) {
  polledSite_ = site;
  probing_ = probe;
  if (!probe) return;
  // The next probe is planned from this one's own time.
  nextProbeMs_[static_cast<std::size_t>(site - 1)] = parts_.pump.NowMs() + kFailedSiteProbeMs;
  // A probe may wait out the whole reply allowance: the other sites' values are no later for
  // it, and the sweep is not a measure of the poll period.
  // The reply allowance and the tick that notices it has run out.
  age_.ProbeSent(parts_.pump.NowMs(), static_cast<std::uint64_t>(parts_.link.ReplyAllowanceMs(
                                          RequestGroup::Value, site, reg::kLiveValues)) +
                                          kTickMs);
  sweepTimed_ = false;
}

void PollScheduler::PollAnswered(int site) {
  if (polledSite_ != site) return;  // a reply to a request that was not the poll's
  polledSite_ = 0;
  probing_ = false;
  nextProbeMs_[static_cast<std::size_t>(site - 1)] = 0;
  // The reply has just arrived: its values are the trend's next sample, stamped with now.
  const std::int64_t wallMs = wallClock_();
  age_.GoodPoll(site, parts_.pump.NowMs(), wallMs);
  parts_.trends.Sample(site, wallMs);
}

void PollScheduler::PollFailed(int site) {
  if (polledSite_ == site) {
    polledSite_ = 0;
    probing_ = false;
  }
  age_.FailedPoll(site);
  parts_.trends.Gap(site, wallClock_());
}

bool PollScheduler::ProbeDue(int site) {
  if (!retryAfterFailure_) return false;
  std::uint64_t& next = nextProbeMs_[static_cast<std::size_t>(site - 1)];
  const std::uint64_t now = parts_.pump.NowMs();
  if (next == 0) {
    next = now + kFailedSiteProbeMs;
    return false;
  }
  return now >= next;
}

void PollScheduler::SweepBegins() {
  const std::uint64_t now = parts_.pump.NowMs();
  if (sweepTimed_) age_.SweepTook(now - sweepStartMs_, MinimumSweepMs());
  sweepStartMs_ = now;
  sweepTimed_ = true;
}

std::uint64_t PollScheduler::MinimumSweepMs() const {
  // One step for the advance past site 32, three per online site, one for every other.
  std::uint64_t steps = 1;
  for (int n = 1; n <= kSiteCount; ++n) steps += parts_.siteSlots.IsOnline(n) ? 3 : 1;
  return steps * kPollIntervalMs;
}

void PollScheduler::WaitForLinkOrStoppedPoll() {
  while (!parts_.link.LinkIdle() && pollTimer_ != 0) parts_.pump.Pump(kIdleWaitSliceMs);
}

}  // namespace vorel
