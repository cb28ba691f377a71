// Resident memory of the desktop tool with 32 online parameter windows against vorel-sim: the
// same main window, parameter windows and session as vorel, run in this process (offscreen
// unless QT_QPA_PLATFORM says otherwise). Run without arguments it measures the default mode
// (site windows as tabs of one window) and the separate-window mode, each in a fresh process,
// and prints the figures; `--mode tabs|separate` measures one mode.
//
// Per mode: VmRSS and heap in use before Connect, after Connect (32 online windows), with every
// window set to its monitor page and after 30 s of polling, then with a user paging through
// every window's monitor, event-log and configuration pages in turn; next to them the bytes the
// backing stores of the shown top-level windows hold, to tell drawn pixels from widget trees.
// The RESULT line, the figure for the mode's goal, is the highest resident figure from 32
// online windows on: pages out of view give back what they hold, so paging through them must
// not add up.
#include <malloc.h>

#include <QApplication>
#include <QBackingStore>
#include <QDir>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "control/session.h"
#include "link/posix_serial_port.h"
#include "sim_bench_support.h"
#include "ui/desktop.h"
#include "ui/parameter_window.h"
#include "window_bench_support.h"

namespace {

using vorel::bench::SilentHost;

// The goals for the whole program with 32 online windows: as tabs of the main window, and as
// separate windows (each shows a page and pays for its own drawn pixels).
constexpr double kTabsGoalMB = 80.0;
constexpr double kSeparateGoalMB = 100.0;

double ResidentMiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6)) / 1024.0;
  return -1;
}

double HeapInUseMiB() {
  const struct mallinfo2 m = mallinfo2();
  return double(m.uordblks + m.hblkhd) / (1024.0 * 1024.0);
}

// Bytes of the backing stores of the visible top-level windows (32-bit pixels).
double BackingStoreMiB(int* windows) {
  double bytes = 0;
  *windows = 0;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (!w->isVisible() || !w->backingStore()) continue;
    const QSize size = w->backingStore()->size() * w->devicePixelRatio();
    bytes += 4.0 * size.width() * size.height();
    ++*windows;
  }
  return bytes / (1024.0 * 1024.0);
}

void Settle() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

// Prints the figures of a stage and gives its resident memory.
double Report(const char* mode, const char* stage) {
  Settle();
  int windows = 0;
  const double stores = BackingStoreMiB(&windows);
  const double resident = ResidentMiB();
  std::printf(
      "%-9s %-34s resident %6.1f MiB, heap in use %6.1f MiB, %2d backing stores %6.1f MiB\n", mode,
      stage, resident, HeapInUseMiB(), windows, stores);
  std::fflush(stdout);
  return resident;
}

// The offscreen platform's notes on raise() and size hints say nothing about memory.
void QuietOffscreenNotes(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (text.startsWith("This plugin does not support")) return;
  std::fprintf(stderr, "%s\n", qPrintable(text));
  if (type == QtFatalMsg) std::abort();
}

int MeasureOneMode(int argc, char** argv, const std::string& mode) {
  qInstallMessageHandler(QuietOffscreenNotes);
  QTemporaryDir dir;
  vorel::bench::UseTemporaryHome(dir);
  QApplication app(argc, argv);
  const char* m = mode.c_str();

  const QString link = dir.filePath("line");
  QProcess sim;
  if (!vorel::bench::StartSimSites(sim, link, 0)) return 1;
  vorel::bench::WriteVport(QDir(dir.path()), link, 115200, mode == "separate");

  SilentHost host;
  const std::unique_ptr<vorel::MainWindow> desktop =
      vorel::OpenDesktop(host, vorel::bench::WindowServices());
  vorel::MainWindow& main = *desktop;
  main.show();
  Report(m, "before Connect");
  main.Connect();
  int online = 0;
  for (int n = 1; n <= vorel::kSiteCount; ++n) online += main.IsOnline(n) ? 1 : 0;
  if (online != vorel::kSiteCount) {
    std::fprintf(stderr, "only %d sites online\n", online);
    return 1;
  }
  double highest = Report(m, "after Connect (32 online)");
  // VOREL_WINDOW_BENCH_CONNECT_ONLY: stop here (for a heap profiler's peak).
  if (!qEnvironmentVariableIsEmpty("VOREL_WINDOW_BENCH_CONNECT_ONLY")) return 0;

  std::vector<vorel::ParameterWindow*> windows;
  for (int n = 1; n <= vorel::kSiteCount; ++n)
    windows.push_back(dynamic_cast<vorel::ParameterWindow*>(main.session().Window(n)));
  // Each window brought forward in turn with the given page shown, as a user paging through
  // them.
  auto showEach = [&windows](const char* page) {
    for (auto* w : windows) {
      auto* tabs = w->findChild<QTabWidget*>("pcParameter");
      tabs->setCurrentWidget(tabs->findChild<QWidget*>(page));
      w->ShowWindow();
      Settle();
    }
  };
  // Every window set to its monitor page, as on the screens the figures of today were taken
  // from: separate windows all show theirs; of tabs only the one in front is seen.
  for (auto* w : windows) {
    auto* tabs = w->findChild<QTabWidget*>("pcParameter");
    tabs->setCurrentWidget(tabs->findChild<QWidget*>("tsStatusDisplay"));
  }
  highest = std::max(highest, Report(m, "every window on its monitor page"));
  // Half a minute of polling and refreshing.
  const auto t0 = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - t0 < std::chrono::seconds(30))
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
  highest = std::max(highest, Report(m, "after 30 s of polling"));
  // A user paging through every window's pages in turn.
  showEach("tsStatusDisplay");
  highest = std::max(highest, Report(m, "then each monitor page brought forward"));
  showEach("tsHistoryDisplay");
  highest = std::max(highest, Report(m, "then each its event-log page"));
  showEach("tsConfiguration");
  highest = std::max(highest, Report(m, "then each its configuration page"));
  const double goal = mode == "separate" ? kSeparateGoalMB : kTabsGoalMB;
  std::printf(
      "%-9s RESULT whole program with 32 online windows, every page of every window seen: "
      "at most %.1f MiB resident = %.1f MB (goal under %.0f MB: %s)\n",
      m, highest, highest * 1.048576, goal, highest * 1.048576 < goal ? "met" : "NOT met");
  std::fflush(stdout);
  main.close();
  sim.terminate();
  sim.waitForFinished(5000);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--mode") == 0) return MeasureOneMode(argc, argv, argv[i + 1]);
  // Each mode in a process of its own: a process's resident set does not shrink back.
  QCoreApplication app(argc, argv);
  int failures = 0;
  for (const char* mode : {"tabs", "separate"}) {
    QProcess run;
    run.setProcessChannelMode(QProcess::ForwardedChannels);
    run.start(argv[0], {"--mode", mode});
    if (!run.waitForFinished(600000) || run.exitCode() != 0) ++failures;
  }
  return failures == 0 ? 0 : 1;
}
