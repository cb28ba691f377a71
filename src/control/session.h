// What lives from the start of the tool to its end on one line of controllers: the site
// images, the port and the link, the site slots with their parameter windows, and the use
// cases that work on them (connecting, polling, parameter transfers). The main window and
// vorel-cli each hold one Session; a parameter window reaches it through SiteCommands.
//
// The port is created at Connect and destroyed at Disconnect; without a port every request
// fails by the timeout path.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "control/busy_notice.h"
#include "control/command_sender.h"
#include "control/connect_sequence.h"
#include "control/connection_view.h"
#include "control/curve_writer.h"
#include "control/event_log_transfer.h"
#include "control/exchange_scope.h"
#include "control/history_recorder.h"
#include "control/modem_dialer.h"
#include "control/parameter_file_transfer.h"
#include "control/parameter_transfer.h"
#include "control/poll_scheduler.h"
#include "control/register_requests.h"
#include "control/service_report_writer.h"
#include "control/site_slots.h"
#include "control/site_window.h"
#include "control/site_windows.h"
#include "control/trend_recorder.h"
#include "control/window_write.h"
#include "core/site_images.h"
#include "link/event_pump.h"
#include "link/host.h"
#include "link/modbus_link.h"
#include "link/port_holder.h"
#include "link/request_worker.h"
#include "link/traffic_log.h"

namespace vorel {

class Session : public SiteCommands,
                public SiteWindows,
                public ExchangeControl,
                public RegisterRequests {
 public:
  using WindowFactory = std::function<std::unique_ptr<SiteWindow>(int site, SiteCommands&)>;
  using PortFactory = std::function<std::unique_ptr<SerialPort>()>;

  // Starts the 100 ms reply tick at once; it runs for the life of the object.
  Session(Host& host, EventPump& pump, ConnectionView& view);
  ~Session() override;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Without a factory, identified sites get their slot but no window (vorel-cli).
  void SetWindowFactory(WindowFactory factory) { windowFactory_ = std::move(factory); }
  // Where Connect gets a new, closed port; without one Connect shows the port error.
  void SetPortFactory(PortFactory factory) { portFactory_ = std::move(factory); }
  std::unique_ptr<SerialPort> MakePort() const { return portFactory_ ? portFactory_() : nullptr; }

  Host& Frontend() { return host_; }
  EventPump& Pump() { return pump_; }
  ConnectionView& View() { return view_; }
  SiteImages& Images() { return *images_; }
  ModbusLink& Link() { return *link_; }
  // Every frame on the line since the port was opened (the traffic view, vorel-cli --trace).
  TrafficLog& Traffic() { return traffic_; }
  PortHolder& Port() { return port_; }
  bool PortOpen() const { return port_.IsOpen(); }
  SiteSlots& Slots() { return slots_; }
  const SiteSlots& Slots() const { return slots_; }
  bool IsOnline(int site) const { return slots_.IsOnline(site); }

  // The use cases.
  ConnectSequence& Connector() { return connect_; }
  PollScheduler& Poll() { return poll_; }
  ParameterTransfer& Parameters() { return parameters_; }
  EventLogTransfer& EventLog() { return eventLog_; }
  CommandSender& Commands() { return commands_; }
  CurveWriter& Curves() { return curves_; }
  ModemDialer& Modem() { return modem_; }
  ParameterFileTransfer& ParameterFiles() { return parameterFiles_; }
  ServiceReportWriter& Reports() { return reports_; }
  TrendRecorder& Trends() { return trends_; }
  // What happened, handed to the history (nothing is recorded until it is started).
  HistoryRecorder& History() { return history_; }

  // --- Windows: the slots are their only owner ---
  SiteWindow* Window(int site) const override;
  // Creates the window of a newly identified site through the factory (none without one).
  std::unique_ptr<SiteWindow> MakeWindow(int site) override;
  // Puts a window into a slot with its state (245 online, 246 opened from a file).
  void SetWindow(int site, std::unique_ptr<SiteWindow> window, std::int16_t state) override;
  // Destroys the site's window and frees its slot; deferred while an exchange runs (a window
  // must not go while its own exchange is under way). True when the slot was freed now.
  bool FreeSlot(int site) override;
  bool AnyWindow() const override;
  // Enables or disables every site window that exists.
  void SetWindowsEnabled(bool enabled);

  // --- One request at a time ---
  // One synchronous read through a worker of the given kind; `pauseBeforeReplyMs` is a pause
  // of ours between sending and collecting, after which the reply gets its full allowance.
  // A failure's message is shown through the host.
  template <class Worker>
  RequestResult ReadBlock(int site, const RegisterBlock& block, int pauseBeforeReplyMs = 0);
  // The same through the worker of `kind`.
  RequestResult Read(ReadKind kind, int site, const RegisterBlock& block,
                     int pauseBeforeReplyMs) override;
  using RegisterRequests::Read;
  // One synchronous function-16 request; a failure's message is shown through the host.
  RequestResult WriteBlock(int site, std::uint16_t address,
                           std::span<const std::uint16_t> words) override;
  // The site's communication state is 299: polling of the site was cancelled or its last
  // request failed.
  bool SiteFailed(int site) const { return link_->CommState(site) == kCommNoResult; }

  // Marks a user exchange as running; false when one already runs (the new one is dropped:
  // the link carries one request at a time). EndExchange frees the slots whose windows were
  // closed meanwhile and closes the connection when the port has gone away.
  bool BeginExchange() override;
  void EndExchange() override;
  // Polling paused (and, for a transfer, the windows disabled and the progress shown) while
  // an exchange runs, and back afterwards.
  void PauseForExchange(ExchangePause pause) override;
  void ResumeAfterExchange(ExchangePause pause) override;
  bool ExchangeRunning() const { return exchangeRunning_; }

  // The message of a failed request to `site` (nothing for one that succeeded); an incomplete
  // reply names the site, an exception its code.
  void ShowOutcome(const RequestResult& result, int site = 0);

  // Caption and status panels 0 and 2 of the site's window from the value image.
  void ShowSiteCaption(int site) override;

  // --- SiteCommands ---
  // A control whose exchange could not start because another runs says so (BusyText).
  void ReadParameters(int site) override { TellIfBusy(host_, parameters_.Read(site)); }
  void WriteParameters(int site) override { windowWriter_.Write(site); }
  // The window's Write and Undo show their own ending, Busy included.
  void WriteEditedParameters(int site) override { windowWriter_.Write(site); }
  void UndoLastWrite(int site) override { windowWriter_.Undo(site); }
  void UnlockParameters(int site, const std::string& password) override {
    TellIfBusy(host_, parameters_.Unlock(site, password));
  }
  void ChangePassword(int site, const std::string& password) override {
    windowWriter_.ChangePassword(site, password);
  }
  void ReadSensorBlock(int site) override { TellIfBusy(host_, parameters_.ReadSensorBlock(site)); }
  void ReadEventLog(int site) override { TellIfBusy(host_, eventLog_.Read(site)); }
  void SaveEventLog(int site) override { eventLog_.Save(site); }
  void OpenEventLog(int site) override { eventLog_.Open(site); }
  void ExportEventLogCsv(int site) override { eventLog_.ExportCsv(site); }
  void WindowClosed(int site) override { connect_.WindowClosed(site); }
  void SendCommand(int site, RemoteCommand command) override {
    TellIfBusy(host_, commands_.Send(site, command));
  }
  CurveWriteResult WriteCurve(int site, int channel, const SensorCurve& curve) override {
    return windowWriter_.WriteCurve(site, channel, curve);
  }
  void SaveParameterFile(int site) override { parameterFiles_.Save(site); }
  void LoadParameterFile(int site) override { parameterFiles_.Load(site); }
  std::optional<ParameterComparison> CompareParameterFile(int site) override {
    return parameterFiles_.Compare(site);
  }
  void WriteServiceReport(int site) override { reports_.Write(site); }
  const TrendBuffer* Trend(int site) const override { return trends_.Buffer(site); }
  void ExportTrendCsv(int site) override { trends_.ExportCsv(site); }

 private:
  Host& host_;
  EventPump& pump_;
  ConnectionView& view_;
  WindowFactory windowFactory_;
  PortFactory portFactory_;
  std::unique_ptr<SiteImages> images_;
  PortHolder port_;
  TrafficLog traffic_;
  std::unique_ptr<ModbusLink> link_;
  SiteSlots slots_;
  std::array<std::unique_ptr<SiteWindow>, kSiteCount> windows_;
  std::array<bool, kSiteCount> closePending_{};
  bool exchangeRunning_ = false;
  int tickTimer_ = 0;
  HistoryRecorder history_{*images_, [this] { return port_.Name(); }};

  PollScheduler poll_;
  ConnectSequence connect_;
  ParameterTransfer parameters_{host_, *images_, slots_, *link_, port_, *this, *this, *this};
  EventLogTransfer eventLog_{host_, *link_, *this, *this, *this};
  CommandSender commands_{host_, *images_, slots_, port_, *this, *this, parameters_};
  CurveWriter curves_{host_, *images_, slots_, *link_, *this, *this, parameters_};
  WindowWriter windowWriter_{host_, *images_, slots_,      *link_, *this,
                             *this, *this,    parameters_, curves_};
  ModemDialer modem_;
  ParameterFileTransfer parameterFiles_{host_, *images_, slots_, *this, parameters_};
  ServiceReportWriter reports_{host_, *images_, slots_, *this, eventLog_};
  TrendRecorder trends_{host_, *images_};
};

template <class Worker>
RequestResult Session::ReadBlock(int site, const RegisterBlock& block, int pauseBeforeReplyMs) {
  Worker(*link_, static_cast<std::uint8_t>(site), block).WaitFor();
  if (pauseBeforeReplyMs > 0) {
    link_->DelayWithEvents(pauseBeforeReplyMs);
    // The pause is ours, not the controller's: the reply gets its full allowance after it.
    link_->ResetReplyTicks();
  }
  const RequestResult result = link_->WaitForReply(site);
  ShowOutcome(result, site);
  // A request of its own (vorel-cli): a port that went away is dealt with now; inside an
  // exchange at its end.
  if (!exchangeRunning_) connect_.CheckPort();
  return result;
}

}  // namespace vorel
