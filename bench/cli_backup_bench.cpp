// End-to-end timing of `vorel-cli backup` against vorel-sim at 9600 baud with its line-speed
// emulation: the whole program run (start to exit) and its exchanges (first request to last
// reply) as the ratio to (time on the wire + the pauses the exchanges prescribe), the budget
// computed from the frames in the simulator's trace. One site, then eight sites in one run
// with the elapsed and CPU time of the program.
#include <sys/resource.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "link/qt_event_pump.h"
#include "sim_bench_support.h"

namespace {

using namespace vorel::bench;

constexpr double kPlainStepMs = 100.0;     // each collection step of a plain read
constexpr double kValueConfigMs = 2000.0;  // pause before the value configuration's reply
constexpr double kRequestPauseMs = 4.0;    // before a block read of the identification/read
constexpr double kFinishMs = 4.0;          // after every decoded reply

// The budget of the exchanges in the trace: per request its wire time (first request byte to
// last reply byte at the emulated speed) and the pauses its kind prescribes.
//   plain read (function 3 below 0x8000): 100 ms before each collection step; the header is
//     taken in the first step after it has arrived, the rest in a later one, so the reply
//     travels inside the steps; 4 ms after the reply.
//   value configuration 0x8053: 4 ms before; its reply is collected after a 2000 ms pause
//     (it arrives inside it); 4 ms after.
//   every other block read: 4 ms before, 4 ms after the reply.
struct Budget {
  int requests = 0;
  int plainReads = 0;
  double wire = 0;    // all wire time
  double hidden = 0;  // wire time that passes inside a prescribed pause
  double pauses = 0;
  double firstMs = 0;
  double lastMs = 0;
  double Total() const { return wire - hidden + pauses; }
  // Per request after the first: the time from the previous request's first byte to its own,
  // and what the budget allows for that stretch (the previous exchange with its pauses after,
  // then its own pause before).
  struct Step {
    int function;
    std::uint16_t address;
    double took, allowed;
  };
  std::vector<Step> steps;
};

bool IsPlainRead(const TraceLine& rx) {
  return rx.function == 3 && rx.address < 0x8000;
}

Budget BudgetOf(const std::vector<TraceLine>& trace) {
  Budget b;
  double previousStart = -1;
  double previousAfter = 0;  // the previous exchange's time from its first byte, with the pause
                             // after it
  for (std::size_t i = 0; i < trace.size(); ++i) {
    const TraceLine& rx = trace[i];
    if (!rx.rx) continue;
    const bool replied = i + 1 < trace.size() && !trace[i + 1].rx;
    const double wire = replied ? trace[i + 1].endMs - rx.startMs : rx.bytes * kCharMs;
    if (b.requests == 0) b.firstMs = rx.startMs;
    b.lastMs = replied ? trace[i + 1].endMs : rx.endMs;
    ++b.requests;
    b.wire += wire;
    double before = kRequestPauseMs;
    double exchange = wire;
    bool insidePause = true;  // the reply travels inside a prescribed pause
    if (IsPlainRead(rx)) {
      ++b.plainReads;
      before = 0;
      const double header = rx.endMs - rx.startMs + (replied ? 3 * kCharMs : 0);
      const double steps = std::max(1.0, std::ceil(header / kPlainStepMs)) + 1.0;
      exchange = std::max(steps, std::ceil(wire / kPlainStepMs)) * kPlainStepMs;
      b.hidden += wire;
    } else if (rx.function == 3 && rx.address == 0x8053) {
      exchange = std::max(kValueConfigMs, wire);
      b.hidden += wire;
    } else {
      insidePause = false;
    }
    b.pauses += before + kFinishMs + (insidePause ? exchange : 0);
    if (previousStart >= 0)
      b.steps.push_back(
          {rx.function, rx.address, rx.startMs - previousStart, previousAfter + before});
    previousStart = rx.startMs;
    previousAfter = exchange + kFinishMs;
  }
  return b;
}

double MonotonicMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

// CPU time of the children waited for so far (vorel-cli runs; the simulator still runs).
double ChildrenCpuMs() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
         (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

// Lines of the trace written from `from` on.
std::vector<TraceLine> Since(const std::string& path, std::size_t from) {
  std::vector<TraceLine> all = ReadTrace(path);
  return {all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end()};
}

bool RunBackup(const QString& link, const QStringList& sites, const QString& out,
               const QProcessEnvironment& env, const std::string& trace, const char* what,
               bool detail) {
  const std::size_t traced = ReadTrace(trace).size();
  QProcess cli;
  cli.setProcessEnvironment(env);
  cli.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  const double cpu0 = ChildrenCpuMs();
  const double t0 = MonotonicMs();
  cli.start(VOREL_CLI_PATH, QStringList{"--port", link, "--baud", "9600", "backup"} + sites +
                                QStringList{"--out", out});
  if (!cli.waitForFinished(600000) || cli.exitCode() != 0) {
    std::fprintf(stderr, "%s: vorel-cli backup failed\n", what);
    return false;
  }
  const double t1 = MonotonicMs();
  const double cpu = ChildrenCpuMs() - cpu0;
  const Budget b = BudgetOf(Since(trace, traced));
  const double exchanges = b.lastMs - b.firstMs;
  std::printf("%s: %d requests (%d plain reads)\n", what, b.requests, b.plainReads);
  std::printf(
      "  program   elapsed %8.1f ms  wire %8.1f ms (%.1f inside pauses)  pauses %7.1f ms"
      "  ratio %.3f\n",
      t1 - t0, b.wire, b.hidden, b.pauses, (t1 - t0) / b.Total());
  std::printf("  exchanges elapsed %8.1f ms  (first request to last reply)         ratio %.3f\n",
              exchanges, exchanges / b.Total());
  std::printf("  start-up before the first request %.1f ms, after the last reply %.1f ms\n",
              b.firstMs - t0, t1 - b.lastMs);
  std::printf("  CPU time of vorel-cli %.1f ms\n", cpu);
  if (detail) {
    // Where the time beyond the budget went: the stretches that overran by more than 5 ms.
    double over = 0;
    for (const Budget::Step& s : b.steps) over += s.took - s.allowed;
    std::printf("  between requests %.1f ms over the budget in all; stretches over 5 ms:\n", over);
    for (const Budget::Step& s : b.steps)
      if (s.took - s.allowed > 5.0)
        std::printf("    to fn %d 0x%04X: took %.1f ms, allowed %.1f ms\n", s.function, s.address,
                    s.took, s.allowed);
  }
  std::fflush(stdout);
  return true;
}

// How late this machine wakes a process from a timed wait right now: the mean and worst
// overshoot of 4 ms pauses made as the program makes them (event loop with a precise timer).
void ReportWakeUpLatency() {
  vorel::QtEventPump pump;
  double total = 0;
  double worst = 0;
  constexpr int kPauses = 100;
  for (int i = 0; i < kPauses; ++i) {
    const double t0 = MonotonicMs();
    while (MonotonicMs() - t0 < 4.0)
      pump.Pump(static_cast<int>(std::ceil(4.0 - (MonotonicMs() - t0))));
    const double late = MonotonicMs() - t0 - 4.0;
    total += late;
    worst = std::max(worst, late);
  }
  std::printf("wake-up latency of 4 ms pauses now: mean %.2f ms, worst %.2f ms\n", total / kPauses,
              worst);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  const QString link = dir.filePath("line");
  const std::string trace = dir.filePath("trace").toStdString();
  QStringList args{"--link", link, "--baud", "9600", "--trace", QString::fromStdString(trace)};
  for (int n = 1; n <= 8; ++n) args << "--site" << QString::number(n);
  QProcess sim;
  sim.start(VOREL_SIM_PATH, args);
  if (!sim.waitForReadyRead(10000)) {
    std::fprintf(stderr, "vorel-sim did not start\n");
    return 1;
  }
  // The program's own settings and audit trail, never the user's.
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
  env.insert("XDG_DATA_HOME", dir.filePath("data"));

  ReportWakeUpLatency();
  // The machine may be shared: several runs of the one-site backup show the spread.
  const char* runsText = std::getenv("VOREL_BACKUP_RUNS");
  const int runs = runsText ? std::max(1, std::atoi(runsText)) : 3;
  bool ok = true;
  for (int run = 0; run < runs; ++run)
    ok = RunBackup(link, {"1"}, dir.filePath("one"), env, trace, "backup of 1 site", true) && ok;
  QStringList eight;
  for (int n = 1; n <= 8; ++n) eight << QString::number(n);
  ok = RunBackup(link, eight, dir.filePath("eight"), env, trace, "backup of 8 sites", false) && ok;
  sim.terminate();
  sim.waitForFinished(5000);
  return ok ? 0 : 1;
}
