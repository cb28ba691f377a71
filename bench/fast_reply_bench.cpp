// The windows' exchanges against vorel-sim's line pacing, with replies collected in 100 ms
// steps (paced) and completed at their last byte (fast): identification of one site, parameter
// read, full parameter write, event-log read and Connect of 32 sites, at 9600 and 115200 baud
// (VOREL_FAST_BAUDS, e.g. "9600"). Each is printed with the time on the wire (from the
// simulator's trace), the pauses the exchange makes between requests (4 ms before a request,
// 2000 ms after the value configuration request, 40 ms before each event-log block, the write's
// pauses; not the collection steps nor the 4 ms after each reply), and elapsed / (wire + pauses).
// The goal for fast: 1.05 or less.
#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "control/session.h"
#include "core/language.h"
#include "link/posix_serial_port.h"
#include "link/qt_event_pump.h"
#include "sim_bench_support.h"

namespace {

using namespace vorel::bench;

constexpr std::uint16_t kValueConfigAddress = 0x8053;
constexpr double kValueConfigPauseMs = 2000;
constexpr double kRequestPause = 4;
constexpr double kEventLogPause = 40;
constexpr int kEventLogBlocks = 56;

// Wire time of the exchanges whose request starts in [fromMs, toMs), without those of the value
// configuration request (its reply comes in during the 2000 ms pause after it).
struct WireCount {
  double ms = 0;
  int requests = 0;
  int valueConfigs = 0;
};
WireCount WireBetween(const std::string& trace, double fromMs, double toMs, double charMs) {
  const std::vector<TraceLine> lines = ReadTrace(trace);
  WireCount w;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const TraceLine& rx = lines[i];
    if (!rx.rx || rx.startMs < fromMs || rx.startMs >= toMs) continue;
    ++w.requests;
    if (rx.function == 3 && rx.address == kValueConfigAddress) {
      ++w.valueConfigs;
      continue;
    }
    double t = rx.bytes * charMs;  // a request without a reply
    if (i + 1 < lines.size() && !lines[i + 1].rx) t = lines[i + 1].endMs - rx.startMs;
    w.ms += t;
  }
  return w;
}

void Report(int baud, bool fast, const char* what, double elapsed, double wire, double pauses) {
  std::printf(
      "%6d baud  %-6s  %-16s elapsed %9.1f ms  wire+pauses %9.1f ms (wire %8.1f)  ratio %.3f\n",
      baud, fast ? "fast" : "paced", what, elapsed, wire + pauses, wire, elapsed / (wire + pauses));
  std::fflush(stdout);
}

class Run {
 public:
  Run(int baud, bool fast, int sites) : baud_(baud), fast_(fast), sites_(sites) {}

  bool Measure() {
    QTemporaryDir dir;
    const QString link = dir.filePath("line");
    trace_ = dir.filePath("trace").toStdString();
    QStringList args{"--link",  link,
                     "--baud",  QString::number(baud_),
                     "--trace", QString::fromStdString(trace_)};
    for (int n = 1; n <= sites_; ++n) args << "--site" << QString::number(n);
    QProcess sim;
    sim.start(VOREL_SIM_PATH, args);
    if (!sim.waitForReadyRead(10000)) {
      std::fprintf(stderr, "vorel-sim did not start\n");
      return false;
    }
    settings_.name = link.toStdString();
    settings_.baud = baud_;
    settings_.fastReplies = fast_;
    charMs_ = 10.0 * 1000.0 / baud_;
    const bool ok = OneSite() && Connect();
    sim.terminate();
    sim.waitForFinished(5000);
    return ok;
  }

 private:
  bool Open(vorel::Session& session) {
    session.SetPortFactory([] { return std::make_unique<vorel::PosixSerialPort>(); });
    std::string error;
    if (session.Connector().OpenPort(settings_, &error)) return true;
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
  }

  // Elapsed time of `exchange`; `wire` gets its time on the wire and its requests.
  template <typename Exchange>
  double Time(Exchange exchange, WireCount* wire) {
    const double t0 = MonotonicMs();
    exchange();
    const double t1 = MonotonicMs();
    *wire = WireBetween(trace_, t0, t1, charMs_);
    return t1 - t0;
  }

  bool OneSite() {
    SilentHost host;
    NullView view;
    vorel::QtEventPump pump;
    vorel::Session session(host, pump, view);
    if (!Open(session)) return false;
    WireCount wire;
    bool identified = false;
    double elapsed = Time([&] { identified = session.Connector().IdentifySite(1); }, &wire);
    if (!identified) return false;
    // 4 ms before each of the ten requests after the two plain reads, 2000 ms after 0x8053.
    Report(baud_, fast_, "identification", elapsed, wire.ms,
           10 * kRequestPause + kValueConfigPauseMs);
    session.Poll().StopPolling();

    elapsed = Time([&] { session.ReadParameters(1); }, &wire);
    session.Poll().StopPolling();
    Report(baud_, fast_, "parameter read", elapsed, wire.ms, wire.requests * kRequestPause);

    // Full parameter write, unlocked, mode OFF.
    const std::uint16_t off = vorel::kModeOff, password = 1234;
    session.WriteBlock(1, 0x0113, {&off, 1});
    session.WriteBlock(1, 0x0004, {&password, 1});
    session.Images().SetWord(1, 0x0004, vorel::kUnlockedMark);
    session.Images().SetWord(1, 0x0113, vorel::kModeOff);
    const auto descriptors =
        session.Images().ParameterDescriptors(1, vorel::reg::kParamConfig1).size();
    elapsed = Time([&] { session.WriteParameters(1); }, &wire);
    session.Poll().StopPolling();
    // Fixed steps 4 ms each (seven are sent); descriptor steps 4 + 8 ms (8 ms for the skipped
    // password); channel steps 8+4, 4+4, 4, 4; 4 ms before the end.
    const double writePauses =
        7 * 4.0 + (descriptors - 1) * 12.0 + 8.0 + (12.0 + 8.0 + 4.0 + 4.0) + 4.0;
    Report(baud_, fast_, "parameter write", elapsed, wire.ms, writePauses);

    elapsed = Time([&] { session.ReadEventLog(1); }, &wire);
    session.Poll().StopPolling();
    if (wire.requests != kEventLogBlocks) std::fprintf(stderr, "event log: odd trace\n");
    Report(baud_, fast_, "event-log read", elapsed, wire.ms, kEventLogBlocks * kEventLogPause);
    session.Connector().Disconnect();
    return true;
  }

  bool Connect() {
    SilentHost host;
    NullView view;
    vorel::QtEventPump pump;
    vorel::Session session(host, pump, view);
    if (!Open(session)) return false;
    std::array<bool, vorel::kSiteCount> selected{};
    for (int n = 1; n <= sites_; ++n) selected[static_cast<std::size_t>(n - 1)] = true;
    WireCount wire;
    const double elapsed = Time([&] { session.Connector().ConnectSites(selected); }, &wire);
    int online = 0;
    for (int n = 1; n <= sites_; ++n) online += session.IsOnline(n) ? 1 : 0;
    if (online != sites_) std::fprintf(stderr, "connect: %d of %d sites online\n", online, sites_);
    const std::string what = "connect " + std::to_string(sites_);
    Report(baud_, fast_, what.c_str(), elapsed, wire.ms,
           wire.valueConfigs * (10 * kRequestPause + kValueConfigPauseMs));
    session.Connector().Disconnect();
    return online == sites_;
  }

  int baud_;
  bool fast_;
  int sites_;
  double charMs_ = 0;
  std::string trace_;
  vorel::PortSettings settings_;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  vorel::SetLanguageSetting("english");
  std::vector<int> bauds{9600, 115200};
  if (const char* env = std::getenv("VOREL_FAST_BAUDS")) bauds = {std::atoi(env)};
  const char* sitesEnv = std::getenv("VOREL_CONNECT_SITES");
  const int sites = sitesEnv ? std::atoi(sitesEnv) : vorel::kSiteCount;
  bool ok = true;
  for (int baud : bauds) {
    for (bool fast : {false, true}) ok = Run(baud, fast, sites).Measure() && ok;
  }
  return ok ? 0 : 1;
}
