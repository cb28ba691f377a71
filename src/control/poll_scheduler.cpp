#include "control/poll_scheduler.h"

#include <QDate>
#include <QTime>

#include "control/session.h"
#include "core/conversions.h"
#include "core/language.h"
#include "link/exception_meaning.h"

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
}

void PollScheduler::StartPolling() {
  if (inPollStep_) {
    // The step that is running restarts the timer when it ends.
    pollStoppedInStep_ = false;
    return;
  }
  if (pollTimer_ == 0) {
    pollTimer_ = session_.pump().StartTimer(kPollIntervalMs, [this] { PollStep(); });
  }
}

void PollScheduler::StopPolling() {
  if (inPollStep_) pollStoppedInStep_ = true;
  if (pollTimer_ != 0) session_.pump().StopTimer(pollTimer_);
  pollTimer_ = 0;
}

void PollScheduler::StartRefresh() {
  if (refreshTimer_ == 0) {
    refreshTimer_ = session_.pump().StartTimer(kRefreshIntervalMs, [this] { RefreshStep(); });
  }
}

void PollScheduler::StopRefresh() {
  if (refreshTimer_ != 0) session_.pump().StopTimer(refreshTimer_);
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
  if (pollTimer_ != 0) session_.pump().StopTimer(pollTimer_);
  pollTimer_ = 0;
  inPollStep_ = true;
  pollStoppedInStep_ = false;

  ModbusLink& link = session_.Link();
  if (link.LinkIdle()) {
    if (pollSite_ > kSiteCount) pollSite_ = 1;
    if (session_.IsOnline(pollSite_)) {
      switch (pollPhase_) {
        case 1:
          if (link.CommState(pollSite_) != kCommNoResult) {
            link.SetGroupIdle(RequestGroup::Value, false);
            link.ResetReplyTicks();
            new ValueRead(link, static_cast<std::uint8_t>(pollSite_), reg::kLiveValues, {}, true);
          }
          pollPhase_ = 2;
          break;
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
  const bool gone = session_.Port().Gone();
  if (link.LinkIdle() || !link.RequestFailure()) {
    link.PollReply(pollSite_);
  } else {
    ReportPollFailure(pollSite_);  // no box on a gone port
  }
  if (gone && link.LinkIdle()) closeIfPortGone_();

  inPollStep_ = false;
  if (!pollStoppedInStep_) StartPolling();
}

void PollScheduler::ReportPollFailure(int site) {
  ModbusLink& link = session_.Link();
  const RequestResult result = link.FailRequest(site);
  // Retry could never succeed on a port that has gone away: no box; the caller tells the user
  // once and closes the connection. The site's state stays.
  if (result.outcome == RequestOutcome::PortGone || session_.Port().Gone()) return;
  const Answer answer =
      session_.host().AskRetryCancel(site, CommunicationErrorCaption(), PollFailureText(result));
  if (answer == Answer::Retry) link.SetCommState(site, kCommRetry);
  if (answer == Answer::Cancel) link.SetCommState(site, kCommNoResult);
}

void PollScheduler::RefreshStep() {
  // The trends fill at every tick, whatever page the windows show.
  for (int n = 1; n <= kSiteCount; ++n) {
    if (session_.IsOnline(n)) session_.Trends().Sample(n);
  }
  for (int n = 1; n <= kSiteCount; ++n) {
    if (!session_.IsOnline(n) || !session_.Window(n)) continue;
    ShowControllerClock(n);
    ShowProtectionState(n);
    // The window may have been closed by a box shown meanwhile.
    if (SiteWindow* w = session_.Window(n)) w->RefreshMonitor();
  }
  // A port that goes away while nothing is sent (every site cancelled) is noticed here.
  if (!session_.ExchangeRunning() && session_.Link().LinkIdle() && closeIfPortGone_()) return;
  ShowPollingState();
}

void PollScheduler::ShowPollingState() {
  bool online = false;
  bool polled = false;
  for (int n = 1; n <= kSiteCount; ++n) {
    if (!session_.IsOnline(n)) continue;
    online = true;
    polled = polled || !session_.SiteFailed(n);
  }
  const bool stopped = online && !polled;
  if (stopped == pollingStoppedShown_) return;
  pollingStoppedShown_ = stopped;
  session_.view().SetMainStatus(
      0, std::string(stopped ? PickText("Polling stopped: Read in a site's window resumes it.",
                                        "已停止轮询：在设备窗口中按“读出”恢复。")
                             : PickText("Connected.", "连接.")));
}

void PollScheduler::ShowControllerClock(int site) {
  SiteWindow* w = session_.Window(site);
  if (!w) return;
  SiteImages& images = session_.Images();
  w->ShowControllerClock(ToQDate(images.ControllerDateText(site)),
                         ToQTime(images.ControllerTimeText(site)));
}

void PollScheduler::ShowProtectionState(int site) {
  SiteWindow* w = session_.Window(site);
  if (!w) return;
  const bool unlocked = session_.Images().Word(site, reg::kProtection.address) == kUnlockedMark;
  w->ShowProtectionState(unlocked);
  w->SetStatusPanel(1, std::string(unlocked ? PickText("unlocked", "参数保护已解锁")
                                            : PickText("locked", "参数保护未解锁")));
}

void PollScheduler::WaitForLinkOrStoppedPoll() {
  while (!session_.Link().LinkIdle() && pollTimer_ != 0) session_.pump().Pump(kIdleWaitSliceMs);
}

}  // namespace vorel
