#include "control/connect_sequence.h"

#include "control/busy_notice.h"
#include "control/exchange_scope.h"
#include "control/identification.h"
#include "control/session.h"
#include "control/version.h"
#include "core/cp936.h"
#include "core/language.h"
#include "link/port_advice.h"
#include "link/tcp_port.h"

namespace vorel {
namespace {

std::string Text(std::string_view english, std::string_view chinese) {
  return std::string(PickText(english, chinese));
}

std::string InitText(int site, int steps) {
  return Text("Address ", "地址 ") + std::to_string(site) + Text(" init ", " 已初始化 ") +
         std::to_string(IdentifyPercent(steps)) + "%.";
}

bool AnySelected(const std::array<bool, kSiteCount>& sites) {
  for (bool s : sites)
    if (s) return true;
  return false;
}

}  // namespace

std::string PortErrorText() {
  return Text("Com port openning error！Please select right port.",
              "通讯端口打开错误！请选择正确的通讯端口。");
}

std::string PortErrorText(const std::string& portName) {
  const std::string advice = PortOpenAdvice(portName);
  return advice.empty() ? PortErrorText() : PortErrorText() + "\n" + advice;
}

std::string SiteConnectFailText(int site) {
  return Text("Adress", "地址") + std::to_string(site) + Text("Connect fail!", "连接失败!");
}

std::string PortGoneText(const std::string& portName, const std::string& reason) {
  if (IsTcpPortName(portName)) {
    const std::string where = portName.substr(6);  // after tcp://
    return Text("The connection to ", "与 ") + where + Text(" was lost (", " 的连接已断开（") +
           (reason.empty() ? Text("a network error", "网络错误") : reason) +
           Text("). Connect again when the server is back.", "）。服务器恢复后请重新连接。");
  }
  return Text("The serial port ", "通讯端口 ") + portName +
         Text(" is gone (unplugged or closed). Connect again when it is back.",
              " 已断开（被拔出或关闭）。恢复后请重新连接。");
}

void ConnectSequence::Connect() {
  ConnectionView& view = session_.view();
  // The window stays live while the modem dials: a second Connect then has nothing to do.
  if (session_.Modem().Dialing()) return;
  session_.Poll().Reset();
  const bool resuming = portLost_ && !session_.PortOpen() && session_.Slots().AnyOnline();
  try {
    properties_ = LoadCommunicationProperties(properties_);
  } catch (const SettingsFileError&) {
    // Settings that cannot be loaded at all are a port that cannot be opened.
    session_.host().ShowMessage(PortErrorText());
    return;
  } catch (const SettingsError& e) {
    session_.host().ShowMessage(e.what());
    return;
  }
  view.ShowCommunicationProperties(properties_);
  ReadAccessLevel();
  if (!AnySelected(properties_.sites)) {
    session_.host().ShowMessage(Text("Please select address!", "请选择地址!"));
    return;
  }
  view.SetConfigurationButtonsEnabled(false);
  session_.Link().SetModem(properties_.modem);
  if (session_.PortOpen()) {
    PauseForReconnect();
    // The port stays; a modem call whose carrier was lost is dialled again.
    if (properties_.modem && !session_.Port().CarrierDetect() &&
        !session_.Modem().Dial(view.DialNumber())) {
      session_.Modem().ReleaseModem();
      return;
    }
  } else {
    bool opened = false;
    try {
      portSettings_ = LoadPortSettings(portSettings_);
      opened = OpenPort(portSettings_);
    } catch (const SettingsError&) {
      session_.host().ShowMessage(PortErrorText());
    }
    if (!opened) {
      view.SetConfigurationButtonsEnabled(true);
      return;
    }
    view.SetMainStatus(0, Text("connecting...", "正在连接..."));
    if (properties_.modem && !session_.Modem().Dial(view.DialNumber())) {
      session_.Modem().ReleaseModem();
      view.SetMainStatus(0, Text("disconnected", "未连接."));
      session_.Port().Release();
      view.SetConfigurationButtonsEnabled(true);
      return;
    }
  }
  ConnectSites(properties_.sites);
  // The windows kept from the lost connection are polled again on the port opened anew.
  if (resuming && session_.PortOpen() && session_.Poll().PollTimerRunning()) {
    view.SetMainStatus(0, Text("Connected.", "连接."));
  }
}

bool ConnectSequence::OpenPort(const PortSettings& settings, std::string* error) {
  std::string detail;
  std::unique_ptr<SerialPort> port = session_.MakePort();
  bool opened = false;
  if (port) {
    session_.Port().Attach(std::move(port));
    opened = session_.Port().Open(settings, &detail);
    if (opened) session_.Traffic().Restart(session_.pump().NowMs());
    if (!opened) session_.Port().Release();
    session_.Link().SetEchoDiscard(settings.discardEcho);
    session_.Link().SetLineSpeed(settings);
    if (opened) portLost_ = false;
  } else {
    detail = "no serial port";
  }
  // A TCP port says which host and why, in both languages; a serial port has the usual text.
  if (!opened && IsTcpPortName(settings.name)) {
    session_.host().ShowMessage(detail);
    detail.clear();  // said in full
  } else if (!opened) {
    session_.host().ShowMessage(PortErrorText(settings.name));
  }
  if (error) *error = detail;
  return opened;
}

void ConnectSequence::PauseForReconnect() {
  session_.Poll().StopAll();
}

void ConnectSequence::ConnectSites(const std::array<bool, kSiteCount>& selected) {
  // Ends the exchange on every way out, which closes a connection whose port was lost.
  const ExchangeScope scope(session_, ExchangeScope::Pause::Nothing);
  if (!scope.Taken()) {
    session_.host().ShowMessage(BusyText());
    return;
  }
  ConnectionView& view = session_.view();
  PollScheduler& poll = session_.Poll();
  session_.Link().ResetReplyTicks();
  session_.Link().SetAllIdle();
  poll.StopPolling();
  poll.StopRefresh();
  // A new connection starts every site's trend afresh.
  session_.Trends().Clear();
  view.SetConfigurationButtonsEnabled(false);
  view.SetConfigurationMenuEnabled(false);
  view.SetMainEnabled(false);
  for (int n = 1; n <= kSiteCount; ++n) {
    if (session_.Port().Gone()) break;  // no further site can answer
    if (!selected[static_cast<std::size_t>(n - 1)] ||
        session_.Slots().WindowState(n) != kWindowNone) {
      continue;
    }
    if (identify_ ? identify_(n) : IdentifySite(n)) {
      view.BringToFront();
    } else {
      view.SetMainStatus(0, SiteConnectFailText(n));
      session_.Link().DelayWithEvents(kFailedSitePauseMs);
    }
  }
  view.SetMainEnabled(true);
  view.ShowPowerUpLog(false);
  for (int n = 1; n <= kSiteCount; ++n) {
    if (session_.IsOnline(n) && session_.Window(n)) session_.Window(n)->SetWindowEnabled(true);
  }
  if (session_.Port().Gone()) return;
  if (session_.Slots().AnyOnline()) {
    poll.StartPolling();
    poll.StartRefresh();
    return;
  }
  view.SetMainStatus(0, Text("connect fail!", "连接失败!"));
  view.SetMainStatus(1, "");
  session_.Link().DelayWithEvents(kFailedSitePauseMs);
  Disconnect();
}

bool ConnectSequence::IdentifySite(int n) {
  if (!SiteSlots::Valid(n)) return false;
  ConnectionView& view = session_.view();
  ModbusLink& link = session_.Link();
  SiteImages& images = session_.Images();
  view.ClearPowerUpLog();
  view.ShowPowerUpLog(true);
  view.AppendPowerUpLine(std::string("Korvane Interface Vorel2000 ") + kVersionText);
  view.AppendPowerUpLine("Communication Address " + std::to_string(n));
  view.SetMainStatus(0, InitText(n, 0));

  if (!session_.ReadBlock<PlainRead>(n, reg::kIdentification)) return false;
  if (!session_.ReadBlock<PlainRead>(n, reg::kSerialNumber)) return false;
  const std::string deviceName = images.DeviceNameText(n);
  const auto productCode = static_cast<std::int16_t>(images.Word(n, reg::kProductCode.address));
  view.AppendPowerUpLine(Cp936ToUtf8(deviceName));
  view.AppendPowerUpLine("Product Code " + std::to_string(productCode));
  view.AppendPowerUpLine("Serial Number: " + images.SerialNumberText(n));

  const std::string versionText = VersionText(deviceName);
  if (auto refusal =
          RefusalMessage(productCode, Cp936ToUtf8(versionText), ParseVersion(versionText))) {
    session_.host().ShowMessage(*refusal);
    return false;
  }

  int steps = 0;
  link.DelayWithEvents(kRequestPauseMs);
  if (!session_.ReadBlock<ValueConfigRead>(n, reg::kLiveConfig, kValueConfigPauseMs)) return false;
  steps = 3;
  view.SetMainStatus(0, InitText(n, steps));
  link.DelayWithEvents(kRequestPauseMs);
  if (!session_.ReadBlock<ValueRead>(n, reg::kLiveValues)) return false;
  steps = 6;
  view.SetMainStatus(0, InitText(n, steps));

  for (const std::string& line : StatusWordLines(images.Word(n, reg::kSystem.address))) {
    view.AppendPowerUpLine(line);
  }
  view.AppendPowerUpLine(" ");
  view.AppendPowerUpLine("Initializing......");

  for (const RegisterBlock& block :
       {reg::kParamConfig1, reg::kParamConfig2, reg::kParamConfig3, reg::kParamConfig4}) {
    link.DelayWithEvents(kRequestPauseMs);
    if (!session_.ReadBlock<ParameterConfigRead>(n, block)) return false;
    view.SetMainStatus(0, InitText(n, ++steps));
    view.AppendPowerUpText(".");
  }
  view.AppendPowerUpText(".");
  for (const RegisterBlock& block :
       {reg::kParamValues1, reg::kParamValues2, reg::kParamValues3, reg::kParamValues4}) {
    link.DelayWithEvents(kRequestPauseMs);
    if (!session_.ReadBlock<ParameterRead>(n, block)) return false;
    view.SetMainStatus(0, InitText(n, ++steps));
    view.AppendPowerUpText(".");
  }

  try {
    session_.SetWindow(n, session_.MakeWindow(n), kWindowOnline);
    session_.Slots().SetFileLoaded(n, false);
    if (SiteWindow* w = session_.Window(n)) {
      w->SetWindowEnabled(false);
      const PageVisibility pages = PagesFor(productCode, IsFactoryLevel());
      w->SetPageVisibility(pages.statusPage, pages.eventLogPage);
      w->ShowWindow();
    }
    session_.ShowSiteCaption(n);
    view.SetMainStatus(0, Text("Connected.", "连接."));
    if (SiteWindow* w = session_.Window(n)) w->SetUpWindow();
  } catch (const std::exception& e) {
    session_.Slots().SetWindowState(n, kWindowNone);
    session_.host().ShowMessage(e.what());
  }
  return session_.Slots().WindowState(n) != kWindowNone;
}

void ConnectSequence::Disconnect() {
  session_.host().SetProgress(0);
  session_.host().ShowProgress(false);
  session_.Poll().StopAll();
  if (properties_.modem) {
    if (session_.PortOpen() && !session_.Port().Gone()) session_.Modem().HangUp();
    session_.Modem().ReleaseModem();
    session_.Modem().ClearHangupRequest();
  }
  session_.Port().Release();
  session_.view().SetMainStatus(0, Text("disconnected.", "未连接."));
  session_.view().SetConfigurationButtonsEnabled(true);
  session_.view().SetConfigurationMenuEnabled(true);
}

bool ConnectSequence::CheckPort() {
  if (checkingPort_ || !session_.PortOpen() || !session_.Port().Gone()) return false;
  checkingPort_ = true;
  portLost_ = true;
  const std::string name = session_.Port().Name();
  const std::string reason = session_.Port().GoneReason();
  for (int n = 1; n <= kSiteCount; ++n) {
    if (!session_.IsOnline(n)) continue;
    // Polled again once the next Connect has the port back.
    session_.Link().SetCommState(n, kCommRetry);
    session_.host().SetSiteStatus(n, kLinkStatusPanel, Text("disconnected.", "未连接."));
  }
  // Polling stops before the message: a box lets events run.
  Disconnect();
  session_.host().ShowMessage(PortGoneText(name, reason));
  checkingPort_ = false;
  return true;
}

void ConnectSequence::CloseQuietly() {
  if (!session_.PortOpen()) return;
  session_.Poll().StopAll();
  session_.Port().Release();
}

void ConnectSequence::WindowClosed(int site) {
  if (!session_.FreeSlot(site) || session_.AnyWindow()) return;
  Disconnect();
  session_.view().ClearPowerUpLog();
}

}  // namespace vorel
