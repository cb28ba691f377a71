// End-to-end timings of the connection against vorel-sim at 9600 baud with its line-speed
// emulation: the identification of one site, a parameter read and a full parameter write,
// each as elapsed time / (time on the wire + the pauses the exchange prescribes), the wire
// time taken from the simulator's trace. Then the CPU time this process spends polling 32
// online sites (VOREL_POLL_SECONDS, default 60).
#include <sys/resource.h>

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "control/safe_write.h"
#include "control/session.h"
#include "core/language.h"
#include "link/posix_serial_port.h"
#include "link/qt_event_pump.h"
#include "link/quiet_host.h"
#include "sim_bench_support.h"

namespace {

using namespace vorel::bench;

double CpuMs() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
         (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

void Report(const char* what, double elapsed, double wire, double pauses) {
  std::printf("%-16s elapsed %8.1f ms  wire %8.1f ms  pauses %7.1f ms  ratio %.3f\n", what, elapsed,
              wire, pauses, elapsed / (wire + pauses));
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  vorel::SetLanguageSetting("english");
  QTemporaryDir dir;
  const QString link = dir.filePath("line");
  const std::string trace = dir.filePath("trace").toStdString();
  QStringList args{"--link", link, "--baud", "9600", "--trace", QString::fromStdString(trace)};
  for (int n = 1; n <= vorel::kSiteCount; ++n) args << "--site" << QString::number(n);
  QProcess sim;
  sim.start(VOREL_SIM_PATH, args);
  if (!sim.waitForReadyRead(10000)) {
    std::fprintf(stderr, "vorel-sim did not start\n");
    return 1;
  }

  SilentHost host;
  NullView view;
  vorel::QtEventPump pump;
  vorel::Session session(host, pump, view);
  session.SetPortFactory([] { return std::make_unique<vorel::PosixSerialPort>(); });
  vorel::PortSettings settings;
  settings.name = link.toStdString();
  std::string error;
  if (!session.Connector().OpenPort(settings, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }

  // Identification: 12 requests; the two plain reads wait in 100 ms steps (at least two: the
  // header, then the rest), the value configuration reply is collected after a 2000 ms pause
  // (the reply itself arrives during it); 4 ms before each of the last ten, 4 ms after each.
  double t0 = MonotonicMs();
  if (!session.Connector().IdentifySite(1)) return 1;
  double t1 = MonotonicMs();
  Wire wire = WireTime(ReadTrace(trace), t0, t1);
  if (wire.perRequest.size() != 12) std::fprintf(stderr, "identification: odd trace\n");
  double overlapped = 0;  // wire time hidden in a prescribed pause
  for (std::size_t i = 0; i < 3 && i < wire.perRequest.size(); ++i) {
    overlapped += wire.perRequest[i];
  }
  Report("identification", t1 - t0, wire.total - overlapped,
         2 * 200.0 + 2000.0 + 10 * 4.0 + 12 * 4.0);

  // Parameter read: four requests, 4 ms before and after each.
  session.Poll().StopPolling();
  t0 = MonotonicMs();
  session.ReadParameters(1);
  t1 = MonotonicMs();
  session.Poll().StopPolling();
  wire = WireTime(ReadTrace(trace), t0, t1);
  Report("parameter read", t1 - t0, wire.total, 4 * (4.0 + 4.0));

  // A checked parameter write of every single-word descriptor, each one step up (or down at
  // its maximum), on an unlocked controller in mode OFF; its snapshot and audit line go to the
  // temporary folder.
  setenv("XDG_DATA_HOME", dir.path().toLocal8Bit().constData(), 1);
  const std::uint16_t off = vorel::kModeOff, password = 1234;
  session.WriteBlock(1, 0x0113, {&off, 1});
  session.WriteBlock(1, 0x0004, {&password, 1});
  vorel::SafeWriteRequest request;
  for (const vorel::ParameterDescriptor& d :
       session.Images().ParameterDescriptors(1, vorel::reg::kParamConfig1)) {
    if (d.count != 1 || d.address == 0x0004 || !(d.minimum < d.maximum)) continue;
    const auto word = static_cast<std::int16_t>(session.Images().Word(1, d.address));
    request.wanted.push_back(
        {d.address, static_cast<std::uint16_t>(word < d.maximum ? word + 1 : word - 1), false});
  }
  vorel::SafeWrite sequence(host, session.Images(), session.Link(), session, session,
                            session.Parameters());
  t0 = MonotonicMs();
  const vorel::SafeWriteResult written = sequence.Run(1, request);
  t1 = MonotonicMs();
  session.Poll().StopPolling();
  if (written.end != vorel::SafeWriteEnd::Written)
    std::fprintf(stderr, "parameter write: %s\n", vorel::SafeWriteEndText(written.end).c_str());
  wire = WireTime(ReadTrace(trace), t0, t1);
  const std::size_t requests = wire.perRequest.size();
  // After each request 4 ms (the reply's finish) and 4 ms before it; 8 ms more after each
  // descriptor step.
  const double pauses = requests * 8.0 + written.preflight.changes.size() * 8.0;
  Report("parameter write", t1 - t0, wire.total, pauses);
  std::printf("  (%zu requests, %zu registers changed)\n", requests,
              written.preflight.changes.size());

  const char* env = std::getenv("VOREL_POLL_SECONDS");
  const int seconds = env ? std::atoi(env) : 60;
  // Polling 32 online sites: identify the rest, then measure.
  for (int n = 2; seconds > 0 && n <= vorel::kSiteCount; ++n) {
    if (!session.Connector().IdentifySite(n)) std::fprintf(stderr, "site %d failed\n", n);
  }
  session.Poll().StartPolling();
  const double c0 = CpuMs();
  t0 = MonotonicMs();
  const std::size_t traced0 = ReadTrace(trace).size();
  while (MonotonicMs() - t0 < seconds * 1000.0) pump.Pump(100);
  const double cpu = CpuMs() - c0;
  t1 = MonotonicMs();
  const std::size_t polls = (ReadTrace(trace).size() - traced0) / 2;
  std::printf("polling 32 sites: %.1f s, %zu polls, CPU %.1f ms = %.2f %% of one core\n",
              (t1 - t0) / 1000.0, polls, cpu, 100.0 * cpu / (t1 - t0));
  session.Connector().Disconnect();
  sim.terminate();
  sim.waitForFinished(5000);
  return 0;
}
