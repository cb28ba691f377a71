#include "control/session.h"

#include "core/cp936.h"
#include "core/language.h"
#include "link/exception_meaning.h"

namespace vorel {

Session::Session(Host& host, EventPump& pump, ConnectionView& view)
    : host_(host),
      pump_(pump),
      view_(view),
      images_(std::make_unique<SiteImages>()),
      link_(std::make_unique<ModbusLink>(port_, host, pump, *images_)),
      poll_({host_, pump_, view_, *images_, *link_, port_, slots_, *this, trends_,
             [this] { return exchangeRunning_; }, [this] { return connect_.CheckPort(); },
             [this] { connect_.ModemCallLost(); }}),
      connect_({host_, view_, pump_, port_, [this] { return MakePort(); }, *link_, *this, *this,
                slots_, *this, *images_, modem_, poll_, trends_, traffic_}),
      modem_(port_, view, pump, &link_->SendLock(), &port_.Call()) {
  port_.SetSendLock(&link_->SendLock());
  // A slow open (a TCP name lookup) keeps the window's events running.
  port_.SetOpenWait([this](int ms) { pump_.Pump(ms); });
  link_->SetModemCall(&port_.Call());
  link_->SetTrafficLog(&traffic_);
  tickTimer_ = pump_.StartTimer(kTickMs, [this] { link_->Tick(); });
  connect_.SetHistory(&history_);
  parameters_.SetHistory(&history_);
  eventLog_.SetHistory(&history_);
  eventLog_.SetSlots(&slots_);
  reports_.SetDataAge(&poll_.DataAge());
  trends_.SetHistory(&history_);
}

Session::~Session() {
  poll_.StopPolling();
  poll_.StopRefresh();
  if (tickTimer_ != 0) pump_.StopTimer(tickTimer_);
  for (auto& w : windows_) w.reset();
  link_.reset();  // waits for workers still writing
  port_.Release();
}

SiteWindow* Session::Window(int site) const {
  return SiteSlots::Valid(site) ? windows_[static_cast<std::size_t>(site - 1)].get() : nullptr;
}

std::unique_ptr<SiteWindow> Session::MakeWindow(int site) {
  return windowFactory_ ? windowFactory_(site, *this) : nullptr;
}

void Session::SetWindow(int site, std::unique_ptr<SiteWindow> window, std::int16_t state) {
  if (!SiteSlots::Valid(site)) return;
  windows_[static_cast<std::size_t>(site - 1)] = std::move(window);
  slots_.SetWindowState(site, state);
  slots_.ForgetSources(site);
}

bool Session::FreeSlot(int site) {
  if (!SiteSlots::Valid(site)) return false;
  if (exchangeRunning_) {
    closePending_[static_cast<std::size_t>(site - 1)] = true;
    return false;
  }
  windows_[static_cast<std::size_t>(site - 1)].reset();
  slots_.SetWindowState(site, kWindowNone);
  return true;
}

bool Session::AnyWindow() const {
  for (int n = 1; n <= kSiteCount; ++n) {
    if (slots_.WindowState(n) != kWindowNone) return true;
  }
  return false;
}

void Session::SetWindowsEnabled(bool enabled) {
  for (int n = 1; n <= kSiteCount; ++n) {
    if (slots_.WindowState(n) != kWindowNone && Window(n)) Window(n)->SetWindowEnabled(enabled);
  }
}

RequestResult Session::Read(ReadKind kind, int site, const RegisterBlock& block,
                            int pauseBeforeReplyMs) {
  switch (kind) {
    case ReadKind::Plain:
      return ReadBlock<PlainRead>(site, block, pauseBeforeReplyMs);
    case ReadKind::EventLog:
      return ReadBlock<EventLogRead>(site, block, pauseBeforeReplyMs);
    case ReadKind::ValueConfig:
      return ReadBlock<ValueConfigRead>(site, block, pauseBeforeReplyMs);
    case ReadKind::Value:
      return ReadBlock<ValueRead>(site, block, pauseBeforeReplyMs);
    case ReadKind::ParameterConfig:
      return ReadBlock<ParameterConfigRead>(site, block, pauseBeforeReplyMs);
    case ReadKind::Parameter:
      break;
  }
  return ReadBlock<ParameterRead>(site, block, pauseBeforeReplyMs);
}

RequestResult Session::WriteBlock(int site, std::uint16_t address,
                                  std::span<const std::uint16_t> words) {
  const RegisterBlock block{address, static_cast<std::uint16_t>(words.size()), 0, {}};
  WriteRequest(*link_, static_cast<std::uint8_t>(site), block,
               RegisterWords(words.begin(), words.end()))
      .WaitFor();
  const RequestResult result = link_->WaitForReply(site);
  ShowOutcome(result, site);
  if (!exchangeRunning_) connect_.CheckPort();
  return result;
}

void Session::ShowOutcome(const RequestResult& result, int site) {
  if (!result) host_.ShowMessage(FailureMessage(result, site));
  // The message is the same for every line; the status bar says which port and site.
  if (result.outcome == RequestOutcome::Timeout && !port_.Name().empty())
    view_.SetMainStatus(1, TimeoutPlaceText(port_.Name(), site));
}

bool Session::BeginExchange() {
  if (exchangeRunning_) return false;
  exchangeRunning_ = true;
  return true;
}

void Session::EndExchange() {
  exchangeRunning_ = false;
  for (int n = 1; n <= kSiteCount; ++n) {
    if (closePending_[static_cast<std::size_t>(n - 1)]) {
      closePending_[static_cast<std::size_t>(n - 1)] = false;
      connect_.WindowClosed(n);
    }
  }
  connect_.CheckPort();
}

void Session::PauseForExchange(ExchangePause pause) {
  switch (pause) {
    case ExchangePause::Nothing:
      break;
    case ExchangePause::Polling:
      poll_.WaitForLinkOrStoppedPoll();
      poll_.StopPolling();
      break;
    case ExchangePause::Transfer:
      SetWindowsEnabled(false);
      poll_.WaitForLinkOrStoppedPoll();
      poll_.StopPolling();
      view_.SetMainEnabled(false);
      host_.ShowProgress(true);
      break;
  }
}

void Session::ResumeAfterExchange(ExchangePause pause) {
  switch (pause) {
    case ExchangePause::Nothing:
      break;
    case ExchangePause::Polling:
      poll_.StartPolling();
      break;
    case ExchangePause::Transfer:
      SetWindowsEnabled(true);
      view_.SetMainEnabled(true);
      poll_.StartPolling();
      host_.SetProgress(0);
      host_.ShowProgress(false);
      break;
  }
}

void Session::ShowSiteCaption(int site) {
  SiteWindow* w = Window(site);
  if (!w) return;
  const auto productCode =
      std::to_string(static_cast<std::int16_t>(images_->Word(site, reg::kProductCode.address)));
  w->SetCaption(productCode + std::string(PickText(" address ", " 地址 ")) + std::to_string(site));
  w->SetStatusPanel(0, Cp936ToUtf8(images_->DeviceNameText(site)));
  w->SetStatusPanel(2, productCode);
}

}  // namespace vorel
