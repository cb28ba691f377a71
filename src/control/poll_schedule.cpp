// The timers of the connection: the poll step that reads the live values of one online site
// after another, the refresh step that redraws every online window from the value image, and
// the pausing of polling around other exchanges.
#include <QDate>
#include <QTime>

#include "control/connection.h"
#include "core/language.h"
#include "link/request_worker.h"

namespace vorel {
namespace {

// Longest sleep of the wait for an idle link between two looks.
constexpr int kIdleWaitSliceMs = 5;

std::optional<int> TwoDigits(const std::string& text, std::size_t at) {
  if (at + 2 > text.size()) return std::nullopt;
  const char a = text[at];
  const char b = text[at + 1];
  if (a < '0' || a > '9' || b < '0' || b > '9') return std::nullopt;
  return (a - '0') * 10 + (b - '0');
}

// "yy-mm-dd" and "hh:mm:ss" of the value image.
std::optional<QDate> ParseControllerDate(const std::string& text) {
  const auto y = TwoDigits(text, 0), m = TwoDigits(text, 3), d = TwoDigits(text, 6);
  if (text.size() != 8 || text[2] != '-' || text[5] != '-' || !y || !m || !d) return std::nullopt;
  // The two-digit year is taken within 50 years of today.
  const int today = QDate::currentDate().year();
  int year = today - today % 100 + *y;
  if (year > today + 50) year -= 100;
  if (year < today - 50) year += 100;
  const QDate date(year, *m, *d);
  if (!date.isValid()) return std::nullopt;
  return date;
}

std::optional<QTime> ParseControllerTime(const std::string& text) {
  const auto h = TwoDigits(text, 0), m = TwoDigits(text, 3), s = TwoDigits(text, 6);
  if (text.size() != 8 || text[2] != ':' || text[5] != ':' || !h || !m || !s) return std::nullopt;
  if (!QTime::isValid(*h, *m, *s)) return std::nullopt;
  return QTime(*h, *m, *s);
}

}  // namespace

void Connection::StartPolling() {
  if (inPollStep_) {
    // The step that is running restarts the timer when it ends.
    pollStoppedInStep_ = false;
    return;
  }
  if (pollTimer_ == 0) pollTimer_ = pump_.StartTimer(kPollIntervalMs, [this] { PollStep(); });
}

void Connection::StopPolling() {
  if (inPollStep_) pollStoppedInStep_ = true;
  if (pollTimer_ != 0) pump_.StopTimer(pollTimer_);
  pollTimer_ = 0;
}

void Connection::StartRefresh() {
  if (refreshTimer_ == 0) {
    refreshTimer_ = pump_.StartTimer(kRefreshIntervalMs, [this] { RefreshStep(); });
  }
}

void Connection::StopRefresh() {
  if (refreshTimer_ != 0) pump_.StopTimer(refreshTimer_);
  refreshTimer_ = 0;
}

void Connection::PollStep() {
  // Steps never overlap, not even when a box shown by this step lets events run.
  if (inPollStep_) return;
  if (pollTimer_ != 0) pump_.StopTimer(pollTimer_);
  pollTimer_ = 0;
  inPollStep_ = true;
  pollStoppedInStep_ = false;

  ModbusLink& link = *link_;
  if (link.LinkIdle()) {
    if (pollSite_ > kSiteCount) pollSite_ = 1;
    if (slots_.IsOnline(pollSite_)) {
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
  const std::int16_t state = link.CommState(pollSite_);  // 299 for site 33
  if (!link.ReplyTimedOut() && state != kCommCrcError && state != kCommException) {
    link.PollReply(pollSite_);
  } else if (!link.LinkIdle()) {
    link.ReportPollFailure(pollSite_);
  }

  inPollStep_ = false;
  if (!pollStoppedInStep_) StartPolling();
}

void Connection::RefreshStep() {
  for (int n = 1; n <= kSiteCount; ++n) {
    if (!slots_.IsOnline(n) || !Window(n)) continue;
    ShowControllerClock(n);
    ShowProtectionState(n);
    // The window may have been closed by a box shown meanwhile.
    if (SiteWindow* w = Window(n)) w->RefreshMonitor();
  }
}

void Connection::ShowControllerClock(int site) {
  SiteWindow* w = Window(site);
  if (!w) return;
  w->ShowControllerClock(ParseControllerDate(images_->ControllerDateText(site)),
                         ParseControllerTime(images_->ControllerTimeText(site)));
}

void Connection::ShowProtectionState(int site) {
  SiteWindow* w = Window(site);
  if (!w) return;
  const bool unlocked = images_->Word(site, reg::kProtection.address) == kUnlockedMark;
  w->ShowProtectionState(unlocked);
  w->SetStatusPanel(1, std::string(unlocked ? PickText("unlocked", "参数保护已解锁")
                                            : PickText("locked", "参数保护未解锁")));
}

void Connection::WaitForLinkOrStoppedPoll() {
  while (!link_->LinkIdle() && pollTimer_ != 0) pump_.Pump(kIdleWaitSliceMs);
}

void Connection::SetWindowsEnabled(bool enabled) {
  for (int n = 1; n <= kSiteCount; ++n) {
    if (slots_.WindowState(n) != kWindowNone && Window(n)) Window(n)->SetWindowEnabled(enabled);
  }
}

bool Connection::RunSingleCommand(const std::function<void()>& exchange) {
  if (!BeginExchange()) return false;
  WaitForLinkOrStoppedPoll();
  StopPolling();
  exchange();
  StartPolling();
  EndExchange();
  return true;
}

void Connection::BeginTransfer() {
  SetWindowsEnabled(false);
  WaitForLinkOrStoppedPoll();
  StopPolling();
  view_.SetMainEnabled(false);
  host_.ShowProgress(true);
}

void Connection::EndTransfer() {
  SetWindowsEnabled(true);
  view_.SetMainEnabled(true);
  StartPolling();
  host_.SetProgress(0);
  host_.ShowProgress(false);
}

}  // namespace vorel
