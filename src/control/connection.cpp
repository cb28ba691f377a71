#include "control/connection.h"

#include "control/identification.h"
#include "control/settings.h"
#include "control/version.h"
#include "core/cp936.h"
#include "core/language.h"
#include "link/request_worker.h"

namespace vorel {
namespace {

std::string Text(std::string_view english, std::string_view chinese) {
  return std::string(PickText(english, chinese));
}

std::string InitText(int site, int steps) {
  return Text("Address ", "地址 ") + std::to_string(site) + Text(" init ", " 已初始化 ") +
         std::to_string(IdentifyPercent(steps)) + "%.";
}

}  // namespace

Connection::Connection(Host& host, EventPump& pump, ConnectionView& view)
    : host_(host),
      pump_(pump),
      view_(view),
      images_(std::make_unique<SiteImages>()),
      link_(std::make_unique<ModbusLink>(holder_, host, pump, *images_)) {
  holder_.SetSendLock(&link_->SendLock());
  tickTimer_ = pump_.StartTimer(kTickMs, [this] { link_->Tick(); });
}

Connection::~Connection() {
  StopPolling();
  StopRefresh();
  if (tickTimer_ != 0) pump_.StopTimer(tickTimer_);
  for (auto& w : windows_) w.reset();
  link_.reset();  // waits for workers still writing
  holder_.Release();
}

SiteWindow* Connection::Window(int site) const {
  return SiteSlots::Valid(site) ? windows_[site - 1].get() : nullptr;
}

void Connection::SetWindow(int site, std::unique_ptr<SiteWindow> window, std::int16_t state) {
  if (!SiteSlots::Valid(site)) return;
  windows_[site - 1] = std::move(window);
  slots_.SetWindowState(site, state);
}

bool Connection::OpenPort(std::unique_ptr<SerialPort> port, const PortSettings& settings,
                          std::string* error) {
  if (!port) {
    if (error) *error = "no serial port";
    return false;
  }
  holder_.Attach(std::move(port));
  if (holder_.Open(settings, error)) return true;
  holder_.Release();
  return false;
}

void Connection::ResetPoll() {
  pollSite_ = 1;
  pollPhase_ = 1;
}

void Connection::PauseForReconnect() {
  WaitForLinkOrStoppedPoll();
  StopPolling();
  StopRefresh();
}

void Connection::ConnectSites(const std::array<bool, kSiteCount>& selected,
                              const std::function<bool(int)>& identify) {
  if (!BeginExchange()) return;
  link_->ResetReplyTicks();
  link_->SetAllIdle();
  StopPolling();
  StopRefresh();
  view_.SetConfigurationEnabled(false, false);
  view_.SetMainEnabled(false);
  for (int n = 1; n <= kSiteCount; ++n) {
    if (!selected[static_cast<std::size_t>(n - 1)] || slots_.WindowState(n) != kWindowNone) {
      continue;
    }
    const bool ok = identify ? identify(n) : IdentifySite(n);
    if (ok) {
      view_.BringToFront();
    } else {
      view_.SetMainStatus(
          0, Text("Adress", "地址") + std::to_string(n) + Text("Connect fail!", "连接失败!"));
      view_.Pause(kFailedSitePauseMs);
    }
  }
  view_.SetMainEnabled(true);
  view_.ShowPowerUpLog(false);
  for (int n = 1; n <= kSiteCount; ++n) {
    if (slots_.IsOnline(n) && Window(n)) Window(n)->SetWindowEnabled(true);
  }
  if (slots_.AnyOnline()) {
    StartPolling();
    StartRefresh();
    EndExchange();
    return;
  }
  view_.SetMainStatus(0, Text("connect fail!", "连接失败!"));
  view_.SetMainStatus(1, "");
  view_.Pause(kFailedSitePauseMs);
  Disconnect();
  EndExchange();
}

template <class Worker>
bool Connection::ReadBlock(int site, const RegisterBlock& block, int pauseBeforeReplyMs) {
  Worker(*link_, static_cast<std::uint8_t>(site), block).WaitFor();
  if (pauseBeforeReplyMs > 0) {
    link_->DelayWithEvents(pauseBeforeReplyMs);
    // The pause is ours, not the controller's: the reply gets its full allowance after it.
    link_->ResetReplyTicks();
  }
  link_->WaitForReply(site);
  return !SiteFailed(site);
}

// The request kinds the parameter exchange reads with, instantiated here where the template
// is defined.
template bool Connection::ReadBlock<ParameterRead>(int, const RegisterBlock&, int);

bool Connection::IdentifySite(int n) {
  if (!SiteSlots::Valid(n)) return false;
  view_.ClearPowerUpLog();
  view_.ShowPowerUpLog(true);
  view_.AppendPowerUpLine(std::string("Korvane Interface Vorel2000 ") + kVersionText);
  view_.AppendPowerUpLine("Communication Address " + std::to_string(n));
  view_.SetMainStatus(0, InitText(n, 0));

  if (!ReadBlock<PlainRead>(n, reg::kIdentification)) return false;
  if (!ReadBlock<PlainRead>(n, reg::kSerialNumber)) return false;
  const std::string deviceName = images_->DeviceNameText(n);
  const auto productCode = static_cast<std::int16_t>(images_->Word(n, reg::kProductCode.address));
  view_.AppendPowerUpLine(Cp936ToUtf8(deviceName));
  view_.AppendPowerUpLine("Product Code " + std::to_string(productCode));
  view_.AppendPowerUpLine("Serial Number: " + images_->SerialNumberText(n));

  const std::string versionText = VersionText(deviceName);
  if (auto refusal =
          RefusalMessage(productCode, Cp936ToUtf8(versionText), ParseVersion(versionText))) {
    host_.ShowMessage(*refusal);
    return false;
  }

  int steps = 0;
  link_->DelayWithEvents(kRequestPauseMs);
  if (!ReadBlock<ValueConfigRead>(n, reg::kLiveConfig, kValueConfigPauseMs)) return false;
  steps = 3;
  view_.SetMainStatus(0, InitText(n, steps));
  link_->DelayWithEvents(kRequestPauseMs);
  if (!ReadBlock<ValueRead>(n, reg::kLiveValues)) return false;
  steps = 6;
  view_.SetMainStatus(0, InitText(n, steps));

  for (const std::string& line : StatusWordLines(images_->Word(n, reg::kSystem.address))) {
    view_.AppendPowerUpLine(line);
  }
  view_.AppendPowerUpLine(" ");
  view_.AppendPowerUpLine("Initializing......");

  for (const RegisterBlock& block :
       {reg::kParamConfig1, reg::kParamConfig2, reg::kParamConfig3, reg::kParamConfig4}) {
    link_->DelayWithEvents(kRequestPauseMs);
    if (!ReadBlock<ParameterConfigRead>(n, block)) return false;
    view_.SetMainStatus(0, InitText(n, ++steps));
    view_.AppendPowerUpText(".");
  }
  view_.AppendPowerUpText(".");
  for (const RegisterBlock& block :
       {reg::kParamValues1, reg::kParamValues2, reg::kParamValues3, reg::kParamValues4}) {
    link_->DelayWithEvents(kRequestPauseMs);
    if (!ReadBlock<ParameterRead>(n, block)) return false;
    view_.SetMainStatus(0, InitText(n, ++steps));
    view_.AppendPowerUpText(".");
  }

  try {
    windows_[static_cast<std::size_t>(n - 1)] = factory_ ? factory_(n, *this) : nullptr;
    slots_.SetWindowState(n, kWindowOnline);
    slots_.SetFileLoaded(n, false);
    if (SiteWindow* w = Window(n)) {
      w->SetWindowEnabled(false);
      const PageVisibility pages = PagesFor(productCode, IsFactoryLevel());
      w->SetPageVisibility(pages.statusPage, pages.eventLogPage);
      w->ShowWindow();
    }
    ShowSiteCaption(n);
    view_.SetMainStatus(0, Text("Connected.", "连接."));
    if (SiteWindow* w = Window(n)) w->SetUpWindow();
  } catch (const std::exception& e) {
    slots_.SetWindowState(n, kWindowNone);
    host_.ShowMessage(e.what());
  }
  return slots_.WindowState(n) != kWindowNone;
}

void Connection::ShowSiteCaption(int site) {
  SiteWindow* w = Window(site);
  if (!w) return;
  const auto productCode =
      std::to_string(static_cast<std::int16_t>(images_->Word(site, reg::kProductCode.address)));
  w->SetCaption(productCode + Text(" address ", " 地址 ") + std::to_string(site));
  w->SetStatusPanel(0, Cp936ToUtf8(images_->DeviceNameText(site)));
  w->SetStatusPanel(2, productCode);
}

void Connection::Disconnect() {
  host_.SetProgress(0);
  host_.ShowProgress(false);
  WaitForLinkOrStoppedPoll();
  StopPolling();
  StopRefresh();
  holder_.Release();
  view_.SetMainStatus(0, Text("disconnected.", "未连接."));
  view_.SetConfigurationEnabled(true, true);
}

void Connection::CloseQuietly() {
  if (!PortOpen()) return;
  WaitForLinkOrStoppedPoll();
  StopPolling();
  StopRefresh();
  holder_.Release();
}

bool Connection::BeginExchange() {
  if (exchangeRunning_) return false;
  exchangeRunning_ = true;
  return true;
}

void Connection::EndExchange() {
  exchangeRunning_ = false;
  for (int n = 1; n <= kSiteCount; ++n) {
    if (closePending_[static_cast<std::size_t>(n - 1)]) {
      closePending_[static_cast<std::size_t>(n - 1)] = false;
      WindowClosed(n);
    }
  }
}

void Connection::WindowClosed(int site) {
  if (!SiteSlots::Valid(site)) return;
  if (exchangeRunning_) {
    closePending_[static_cast<std::size_t>(site - 1)] = true;
    return;
  }
  windows_[static_cast<std::size_t>(site - 1)].reset();
  slots_.SetWindowState(site, kWindowNone);
  for (int n = 1; n <= kSiteCount; ++n) {
    if (slots_.WindowState(n) != kWindowNone) return;
  }
  Disconnect();
  if (onLastWindowClosed) onLastWindowClosed();
}

}  // namespace vorel
