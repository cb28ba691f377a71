#include "app/cli_modem.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>

#include "app/cli_trace.h"
#include "control/modem_dialer.h"
#include "control/settings.h"
#include "link/named_port.h"

namespace vorel {
namespace {

bool modemOn = false;
std::string dialNumber;

// Prints the modem's status texts (panel 1 of the main window) on standard error.
class ModemProgress : public ConnectionView {
 public:
  void ClearPowerUpLog() override {}
  void AppendPowerUpLine(const std::string&) override {}
  void AppendPowerUpText(const std::string&) override {}
  void ShowPowerUpLog(bool) override {}
  void SetMainStatus(int panel, const std::string& text) override {
    if (panel != kModemStatusPanel || text.empty()) return;
    std::fprintf(stderr, "modem: %s\n", text.c_str());
    std::fflush(stderr);
  }
  void SetMainEnabled(bool) override {}
  void BringToFront() override {}
  void SetConfigurationButtonsEnabled(bool) override {}
  void SetConfigurationMenuEnabled(bool) override {}
  void ShowCommunicationProperties(const CommunicationProperties&) override {}
  std::string DialNumber() const override { return dialNumber; }
};

// The port whose call is up (or being dialled), for the Ctrl-C hang-up.
std::mutex activeMutex;
SerialPort* activePort = nullptr;

// A serial port that dials when it opens and hangs up when it closes.
class DialingPort : public SerialPort {
 public:
  explicit DialingPort(EventPump& pump) : dialer_(port_, progress_, pump) {}
  ~DialingPort() override { Close(); }

  bool Open(const PortSettings& settings, std::string* error) override {
    dialFailed_ = false;
    if (!port_.Open(settings, error)) return false;
    SetActive(&port_);
    if (dialer_.Dial(progress_.DialNumber())) return true;
    SetActive(nullptr);
    dialer_.ReleaseModem();
    port_.Close();
    // The port was fine: the message is the dial's, not the port's.
    dialFailed_ = true;
    if (error) *error = DialFailedText(dialer_.FailureText());
    return false;
  }
  bool OpenErrorIsMessage() const override { return dialFailed_ || port_.OpenErrorIsMessage(); }
  void Close() override {
    if (!port_.IsOpen()) return;
    std::lock_guard lock(activeMutex);
    if (activePort) {
      dialer_.HangUp();
      dialer_.ReleaseModem();
      std::fputs("modem: hung up\n", stderr);
      activePort = nullptr;
    }
    port_.Close();
  }
  bool IsOpen() const override { return port_.IsOpen(); }
  void PurgeInput() override { port_.PurgeInput(); }
  void PurgeOutput() override { port_.PurgeOutput(); }
  bool Write(std::span<const std::uint8_t> bytes) override { return port_.Write(bytes); }
  bool WriteText(std::string_view text) override { return port_.WriteText(text); }
  int InputCount() override { return port_.InputCount(); }
  int Read(std::span<std::uint8_t> into) override { return port_.Read(into); }
  std::string ReadText(int n) override { return port_.ReadText(n); }
  bool WaitForInput(int ms) override { return port_.WaitForInput(ms); }
  bool SetDtr(bool on) override { return port_.SetDtr(on); }
  bool SetRts(bool on) override { return port_.SetRts(on); }
  bool CarrierDetect() override { return port_.CarrierDetect(); }
  bool Gone() const override { return port_.Gone(); }
  std::string GoneReason() const override { return port_.GoneReason(); }

 private:
  static void SetActive(SerialPort* port) {
    std::lock_guard lock(activeMutex);
    activePort = port;
  }

  NamedPort port_;
  bool dialFailed_ = false;
  ModemProgress progress_;
  ModemDialer dialer_;
};

// Waits for Ctrl-C or SIGTERM; hangs up a call that is up and ends the program.
void WatchSignals(sigset_t wanted) {
  int signal = 0;
  sigwait(&wanted, &signal);
  {
    std::lock_guard lock(activeMutex);
    if (activePort) {
      // The same texts and pause as the dialer's hang-up, without the event loop.
      activePort->WriteText("+++\r\n");
      std::this_thread::sleep_for(std::chrono::milliseconds(kHangUpPauseMs));
      activePort->WriteText("ATH0\r\n");
      std::this_thread::sleep_for(std::chrono::milliseconds(kHangUpDrainMs));
      activePort->SetDtr(false);
      activePort->SetRts(false);
      std::fputs("modem: hung up\n", stderr);
    }
  }
  _exit(128 + signal);
}

}  // namespace

bool TakeModemOptions(std::vector<std::string_view>& args, std::string* problem) {
  bool modem = false;
  bool dial = false;
  std::vector<std::string_view> rest;
  std::size_t i = 0;
  // Only among the options before the command: a command's own arguments stay its own.
  for (; i < args.size() && args[i].starts_with("--"); ++i) {
    if (args[i] == "--modem") {
      modem = true;
    } else if (args[i] == "--dial") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        *problem = "--dial needs a NUMBER";
        return false;
      }
      dialNumber = std::string(args[++i]);
      dial = true;
    } else {
      rest.push_back(args[i]);
      if ((args[i] == "--port" || args[i] == "--baud") && i + 1 < args.size())
        rest.push_back(args[++i]);
    }
  }
  rest.insert(rest.end(), args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
  args = std::move(rest);
  if (!modem) {
    try {
      modem = LoadCommunicationProperties(CommunicationProperties{}).modem;
    } catch (const SettingsError& e) {
      *problem = e.what();
      return false;
    }
  }
  if (modem && !dial) {
    *problem = "the modem needs --dial NUMBER";
    return false;
  }
  modemOn = modem;
  return true;
}

bool CliModemOn() {
  return modemOn;
}

void StartCliModem() {
  if (!modemOn) return;
  sigset_t wanted;
  sigemptyset(&wanted);
  sigaddset(&wanted, SIGINT);
  sigaddset(&wanted, SIGTERM);
  // Blocked here, in every thread started later too; only the watcher takes them.
  pthread_sigmask(SIG_BLOCK, &wanted, nullptr);
  std::thread(WatchSignals, wanted).detach();
}

std::unique_ptr<SerialPort> MakeCliPort(EventPump& pump) {
  if (modemOn) return std::make_unique<DialingPort>(pump);
  return std::make_unique<NamedPort>();
}

void UseCliPorts(Session& session, EventPump& pump) {
  session.SetPortFactory([&pump] { return MakeCliPort(pump); });
  session.Link().SetModem(modemOn);
  AttachCliTrace(session.Traffic());
}

}  // namespace vorel
