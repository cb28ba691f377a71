#include "control/connect_sequence.h"

#include "control/busy_notice.h"
#include "control/connection_view.h"
#include "control/exchange_scope.h"
#include "control/history_recorder.h"
#include "control/identification.h"
#include "control/modem_dialer.h"
#include "control/poll_scheduler.h"
#include "control/register_requests.h"
#include "control/site_slots.h"
#include "control/site_windows.h"
#include "control/taken_slot.h"
#include "control/trend_recorder.h"
#include "control/version.h"
#include "core/cp936.h"
#include "core/language.h"
#include "files/ini_document.h"
#include "link/event_pump.h"
#include "link/host.h"
#include "link/modbus_link.h"
#include "link/port_advice.h"
#include "link/port_holder.h"
#include "link/tcp_port.h"
#include "link/traffic_log.h"

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

// Whether vport.ini holds the selection of any site: not on a fresh install. A file that
// cannot be read may hold them.
bool SiteSelectionsStored() {
  IniDocument doc;
  if (!doc.Load(VportIniPath(), nullptr)) return true;
  for (int n = 1; n <= kSiteCount; ++n)
    if (doc.HasKey("Device", "ControlerAddr" + std::to_string(n))) return true;
  return false;
}

// What Connect says when it chooses address 1 because no address was ever chosen.
std::string FirstConnectNote() {
  return Text(
      "No address has been chosen yet: connecting to address 1, where a controller leaves the "
      "factory. Other addresses are chosen under Configurations > Address.",
      "尚未选择地址：连接出厂地址 1。其他地址请在\"设置 > 设备地址\"中选择。");
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
  ConnectionView& view = parts_.view;
  // The window stays live while the modem dials or a port opens: a second Connect then has
  // nothing to do.
  if (parts_.modem.Dialing() || opening_) return;
  parts_.poll.Reset();
  const bool resuming =
      (portLost_ || windowsKept_) && !parts_.port.IsOpen() && parts_.siteSlots.AnyOnline();
  try {
    properties_ = LoadCommunicationProperties(properties_);
    parts_.poll.SetRetryAfterFailure(LoadRetryAfterFailure(true));
  } catch (const SettingsFileError&) {
    // Settings that cannot be loaded at all are a port that cannot be opened.
    parts_.host.ShowMessage(PortErrorText());
    return;
  } catch (const SettingsError& e) {
    parts_.host.ShowMessage(e.what());
    return;
  }
  view.ShowCommunicationProperties(properties_);
  ReadAccessLevel();
  if (!AnySelected(properties_.sites)) {
    // A fresh install has never chosen an address: a controller leaves the factory at
    // address 1, so that is chosen and tried, saying so once, instead of refusing the first
    // Connect. The choice is kept, as if made in the site list.
    if (SiteSelectionsStored()) {
      parts_.host.ShowMessage(Text("Please select address!", "请选择地址!"));
      return;
    }
    properties_.sites[0] = true;
    view.ShowCommunicationProperties(properties_);
    try {
      SaveSiteSelections(properties_.sites);
    } catch (const SettingsError&) {
      // Not kept: the next Connect says the same again.
    }
    parts_.host.ShowMessage(FirstConnectNote());
  }
  view.SetConfigurationButtonsEnabled(false);
  parts_.link.SetModem(properties_.modem);
  parts_.port.WatchModemCall(properties_.modem);
  if (parts_.port.IsOpen()) {
    PauseForReconnect();
    // The port stays; a modem call whose carrier was lost is dialled again.
    if (properties_.modem && (!parts_.port.CarrierDetect() || parts_.port.Call().Lost())) {
      if (!parts_.modem.Dial(view.DialNumber())) {
        parts_.modem.ReleaseModem();
        parts_.modem.ShowRefusal();
        return;
      }
      // The call is back: every online site is polled again, also one whose polling stopped
      // while the call was down.
      for (int n = 1; n <= kSiteCount; ++n) {
        if (parts_.siteSlots.IsOnline(n) && parts_.link.CommState(n) == kCommNoResult)
          parts_.link.SetCommState(n, kCommRetry);
      }
    }
  } else {
    bool opened = false;
    try {
      portSettings_ = LoadPortSettings(portSettings_);
      opened = OpenPort(portSettings_);
    } catch (const SettingsError&) {
      parts_.host.ShowMessage(PortErrorText());
    }
    if (!opened) {
      view.SetConfigurationButtonsEnabled(true);
      return;
    }
    view.SetMainStatus(0, Text("connecting...", "正在连接..."));
    if (properties_.modem && !parts_.modem.Dial(view.DialNumber())) {
      parts_.modem.ReleaseModem();
      // The modem's word for why the call was not made stays in sight.
      parts_.modem.ShowRefusal();
      view.SetMainStatus(0, Text("disconnected", "未连接."));
      parts_.port.Release();
      view.SetConfigurationButtonsEnabled(true);
      return;
    }
  }
  ConnectSites(properties_.sites);
  // The windows kept from the lost connection are polled again on the port opened anew.
  if (resuming && parts_.port.IsOpen() && parts_.poll.PollTimerRunning()) {
    view.SetMainStatus(0, Text("Connected.", "连接."));
  }
}

bool ConnectSequence::OpenPort(const PortSettings& settings, std::string* error) {
  std::string detail;
  std::unique_ptr<SerialPort> port = parts_.makePort();
  bool opened = false;
  bool saidInFull = IsTcpPortName(settings.name);
  if (port && opening_) {
    detail = "the port is being opened";
  } else if (port) {
    parts_.port.Attach(std::move(port));
    opening_ = true;
    closeAfterOpen_ = false;
    opened = parts_.port.Open(settings, &detail);
    opening_ = false;
    if (opened && closeAfterOpen_) {
      // Disconnect was pressed while the port opened: it ends here, quietly.
      parts_.port.Release();
      if (error) error->clear();
      return false;
    }
    if (opened) parts_.traffic.Restart(parts_.pump.NowMs());
    saidInFull = !opened && parts_.port.OpenErrorIsMessage();
    if (!opened) parts_.port.Release();
    parts_.link.SetEchoDiscard(settings.discardEcho);
    parts_.link.SetFastCollection(settings.fastReplies);
    parts_.link.SetLineSpeed(settings);
    if (opened) portLost_ = windowsKept_ = false;
  } else {
    detail = "no serial port";
  }
  // A TCP port says which host and why, in both languages, and a port that opened but could
  // not dial says why the dial failed; a serial port has the usual text.
  if (!opened && saidInFull) {
    parts_.host.ShowMessage(detail);
    detail.clear();  // said in full
  } else if (!opened) {
    parts_.host.ShowMessage(PortErrorText(settings.name));
  }
  if (error) *error = detail;
  return opened;
}

void ConnectSequence::PauseForReconnect() {
  parts_.poll.StopAll();
}

void ConnectSequence::ConnectSites(const std::array<bool, kSiteCount>& selected) {
  // Ends the exchange on every way out, which closes a connection whose port was lost.
  const ExchangeScope scope(parts_.exchange, ExchangeScope::Pause::Nothing);
  if (!scope.Taken()) {
    parts_.host.ShowMessage(BusyText());
    return;
  }
  ConnectionView& view = parts_.view;
  PollScheduler& poll = parts_.poll;
  parts_.link.ResetReplyTicks();
  parts_.link.SetAllIdle();
  poll.StopPolling();
  poll.StopRefresh();
  // A new connection starts every site's trend afresh.
  parts_.trends.Clear();
  view.SetConfigurationButtonsEnabled(false);
  view.SetConfigurationMenuEnabled(false);
  view.SetMainEnabled(false);
  std::vector<int> takenByFiles;  // selected, but their slot holds a window opened from a file
  for (int n = 1; n <= kSiteCount; ++n) {
    if (parts_.port.Gone()) break;  // no further site can answer
    if (!selected[static_cast<std::size_t>(n - 1)]) continue;
    if (parts_.siteSlots.WindowState(n) == kWindowOffline) takenByFiles.push_back(n);
    if (parts_.siteSlots.WindowState(n) != kWindowNone) continue;
    if (identify_ ? identify_(n) : IdentifySite(n)) {
      view.BringToFront();
    } else {
      view.SetMainStatus(0, SiteConnectFailText(n));
      parts_.link.DelayWithEvents(kFailedSitePauseMs);
    }
  }
  view.SetMainEnabled(true);
  view.ShowPowerUpLog(false);
  if (!takenByFiles.empty()) parts_.host.ShowMessage(TakenSlotText(takenByFiles));
  for (int n = 1; n <= kSiteCount; ++n) {
    if (parts_.siteSlots.IsOnline(n) && parts_.windows.Window(n))
      parts_.windows.Window(n)->SetWindowEnabled(true);
  }
  if (parts_.port.Gone()) return;
  if (parts_.siteSlots.AnyOnline()) {
    poll.StartPolling();
    poll.StartRefresh();
    return;
  }
  view.SetMainStatus(0, Text("connect fail!", "连接失败!"));
  view.SetMainStatus(1, "");
  parts_.link.DelayWithEvents(kFailedSitePauseMs);
  Disconnect();
}

bool ConnectSequence::IdentifySite(int n) {
  if (!SiteSlots::Valid(n)) return false;
  ConnectionView& view = parts_.view;
  ModbusLink& link = parts_.link;
  SiteImages& images = parts_.images;
  view.ClearPowerUpLog();
  view.ShowPowerUpLog(true);
  view.AppendPowerUpLine(std::string("Korvane Interface Vorel2000 ") + kVersionText);
  view.AppendPowerUpLine("Communication Address " + std::to_string(n));
  view.SetMainStatus(0, InitText(n, 0));

  if (!parts_.requests.Read(ReadKind::Plain, n, reg::kIdentification)) return false;
  if (!parts_.requests.Read(ReadKind::Plain, n, reg::kSerialNumber)) return false;
  const std::string deviceName = images.DeviceNameText(n);
  const auto productCode = static_cast<std::int16_t>(images.Word(n, reg::kProductCode.address));
  view.AppendPowerUpLine(Cp936ToUtf8(deviceName));
  view.AppendPowerUpLine("Product Code " + std::to_string(productCode));
  view.AppendPowerUpLine("Serial Number: " + images.SerialNumberText(n));

  const std::string versionText = VersionText(deviceName);
  if (auto refusal =
          RefusalMessage(productCode, Cp936ToUtf8(versionText), ParseVersion(versionText))) {
    parts_.host.ShowMessage(*refusal);
    return false;
  }

  int steps = 0;
  link.DelayWithEvents(kRequestPauseMs);
  if (!parts_.requests.Read(ReadKind::ValueConfig, n, reg::kLiveConfig, kValueConfigPauseMs))
    return false;
  steps = 3;
  view.SetMainStatus(0, InitText(n, steps));
  link.DelayWithEvents(kRequestPauseMs);
  if (!parts_.requests.Read(ReadKind::Value, n, reg::kLiveValues)) return false;
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
    if (!parts_.requests.Read(ReadKind::ParameterConfig, n, block)) return false;
    view.SetMainStatus(0, InitText(n, ++steps));
    view.AppendPowerUpText(".");
  }
  view.AppendPowerUpText(".");
  for (const RegisterBlock& block :
       {reg::kParamValues1, reg::kParamValues2, reg::kParamValues3, reg::kParamValues4}) {
    link.DelayWithEvents(kRequestPauseMs);
    if (!parts_.requests.Read(ReadKind::Parameter, n, block)) return false;
    view.SetMainStatus(0, InitText(n, ++steps));
    view.AppendPowerUpText(".");
  }

  try {
    parts_.windows.SetWindow(n, parts_.windows.MakeWindow(n), kWindowOnline);
    parts_.siteSlots.SetFileLoaded(n, false);
    parts_.siteSlots.NoteParameters(n, {});
    if (SiteWindow* w = parts_.windows.Window(n)) {
      w->SetWindowEnabled(false);
      const PageVisibility pages = PagesFor(productCode, IsFactoryLevel());
      w->SetPageVisibility(pages.statusPage, pages.eventLogPage);
      w->ShowWindow();
    }
    parts_.windows.ShowSiteCaption(n);
    view.SetMainStatus(0, Text("Connected.", "连接."));
    if (SiteWindow* w = parts_.windows.Window(n)) w->SetUpWindow();
  } catch (const std::exception& e) {
    parts_.siteSlots.SetWindowState(n, kWindowNone);
    parts_.host.ShowMessage(e.what());
  }
  const bool identified = parts_.siteSlots.WindowState(n) != kWindowNone;
  if (identified && history_) history_->Identified(n);
  return identified;
}

void ConnectSequence::Disconnect() {
  if (opening_) {
    closeAfterOpen_ = true;
    return;
  }
  parts_.host.SetProgress(0);
  parts_.host.ShowProgress(false);
  parts_.poll.StopAll();
  if (properties_.modem) {
    if (parts_.port.IsOpen() && !parts_.port.Gone()) parts_.modem.HangUp();
    parts_.modem.ReleaseModem();
    parts_.modem.ClearHangupRequest();
  }
  parts_.port.Release();
  parts_.view.SetMainStatus(0, Text("disconnected.", "未连接."));
  parts_.view.SetConfigurationButtonsEnabled(true);
  parts_.view.SetConfigurationMenuEnabled(true);
}

bool ConnectSequence::CheckPort() {
  if (checkingPort_ || !parts_.port.IsOpen() || !parts_.port.Gone()) return false;
  checkingPort_ = true;
  portLost_ = true;
  const std::string name = parts_.port.Name();
  const std::string reason = parts_.port.GoneReason();
  MarkOnlineWindowsDisconnected();
  // Polling stops before the message: a box lets events run.
  Disconnect();
  parts_.host.ShowMessage(PortGoneText(name, reason));
  checkingPort_ = false;
  return true;
}

void ConnectSequence::MarkOnlineWindowsDisconnected() {
  for (int n = 1; n <= kSiteCount; ++n) {
    if (!parts_.siteSlots.IsOnline(n)) continue;
    // Polled again once the next Connect has the port back.
    parts_.link.SetCommState(n, kCommRetry);
    parts_.host.SetSiteStatus(n, kLinkStatusPanel, Text("disconnected.", "未连接."));
  }
}

void ConnectSequence::DisconnectKeepingWindows() {
  if (!parts_.port.IsOpen()) return;
  // Polling stops first: the request under way ends before the port closes.
  parts_.poll.StopAll();
  MarkOnlineWindowsDisconnected();
  windowsKept_ = parts_.siteSlots.AnyOnline();
  Disconnect();
}

void ConnectSequence::ModemCallLost() {
  // A call the user hung up has said so already.
  if (!parts_.port.Call().CarrierDropped()) return;
  parts_.modem.ReleaseModem();
  parts_.view.SetMainStatus(kModemStatusPanel, ModemAnswerText("NO CARRIER"));
}

void ConnectSequence::CloseQuietly() {
  if (opening_) closeAfterOpen_ = true;
  if (!parts_.port.IsOpen()) return;
  parts_.poll.StopAll();
  parts_.port.Release();
}

void ConnectSequence::WindowClosed(int site) {
  if (!parts_.windows.FreeSlot(site) || parts_.windows.AnyWindow()) return;
  Disconnect();
  parts_.view.ClearPowerUpLog();
}

}  // namespace vorel
