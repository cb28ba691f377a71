// End-to-end timing of reading the whole event log (56 plain reads of 64 registers, each
// after a 40 ms pause) against vorel-sim at 9600 baud with its line-speed emulation, the wire
// time taken from the simulator's trace. Prints two ratios:
//   elapsed / (wire + 56 x 40 ms), the pauses of the log read alone, and
//   elapsed / (56 x (40 ms + plain-read collection + 4 ms)), where the collection of a
//   plain-read reply runs in steps that each begin with a 100 ms pause: at least two steps
//   (the header, then the rest), more while the reply is still on the wire; 4 ms finish it.
#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "control/session.h"
#include "core/language.h"
#include "link/modbus_link.h"
#include "link/posix_serial_port.h"
#include "link/qt_event_pump.h"
#include "link/quiet_host.h"
#include "sim_bench_support.h"

namespace {

using namespace vorel::bench;

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  vorel::SetLanguageSetting("english");
  QTemporaryDir dir;
  const QString link = dir.filePath("line");
  const std::string trace = dir.filePath("trace").toStdString();
  QProcess sim;
  sim.start(VOREL_SIM_PATH, {"--link", link, "--baud", "9600", "--trace",
                             QString::fromStdString(trace), "--site", "1:3105"});
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
  if (!session.Connector().IdentifySite(1)) return 1;
  session.Poll().StopPolling();

  const double t0 = MonotonicMs();
  const bool complete = session.EventLog().Read(1).Completed();
  const double t1 = MonotonicMs();
  session.Poll().StopPolling();
  const Wire wire = WireTime(ReadTrace(trace), t0, t1);
  if (wire.perRequest.size() != vorel::kEventLogBlocks)
    std::fprintf(stderr, "odd trace: %zu exchanges\n", wire.perRequest.size());

  const double elapsed = t1 - t0;
  const double logPauses = vorel::kEventLogBlocks * double(vorel::kEventLogPauseMs);
  double prescribed = 0;
  for (double w : wire.perRequest) {
    const double steps = std::max(2.0, std::ceil(w / vorel::kPlainReadStepMs));
    prescribed +=
        vorel::kEventLogPauseMs + steps * vorel::kPlainReadStepMs + vorel::kRequestPauseMs;
  }
  std::printf("event-log read, 56 x 64 registers at 9600 baud against vorel-sim (%s)\n",
              complete ? "complete" : "FAILED");
  std::printf("  elapsed                      %8.1f ms (%.1f ms per block)\n", elapsed,
              elapsed / vorel::kEventLogBlocks);
  std::printf("  wire                         %8.1f ms (%.1f ms per block)\n", wire.total,
              wire.total / std::max<std::size_t>(1, wire.perRequest.size()));
  std::printf("  wire + 56 x 40 ms            %8.1f ms   ratio %.3f\n", wire.total + logPauses,
              elapsed / (wire.total + logPauses));
  std::printf("  with the collection steps    %8.1f ms   ratio %.3f\n", prescribed,
              elapsed / prescribed);
  sim.terminate();
  sim.waitForFinished(5000);
  return complete ? 0 : 1;
}
