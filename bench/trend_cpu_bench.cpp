// CPU time of the desktop tool with 32 online windows, each showing its monitor page with the
// trend view (default series) against vorel-sim at 9600 baud: the same main window, parameter
// windows and session as vorel, run offscreen in this process. After connecting all 32 sites
// it measures this process's CPU time (user + system, worker threads included) over
// VOREL_TREND_SECONDS (default 600) and prints it as a share of one core, next to the same
// measure with the live grids shown instead of the trends. The windows are tabs of one window
// (the default: the current tab is the one seen); with VOREL_SEPARATE_WINDOWS=1 they are 32
// separate windows, all seen at once. Goals: tabs under 2 % of one core, 32 trends in view at once
// in separate windows under 3 %.
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "control/session.h"
#include "link/posix_serial_port.h"
#include "link/quiet_host.h"
#include "sim_bench_support.h"
#include "ui/desktop.h"
#include "ui/monitor_page.h"
#include "ui/parameter_window.h"
#include "ui/trend_plot.h"
#include "ui/trend_view.h"
#include "window_bench_support.h"

namespace {

using vorel::bench::CpuSeconds;
using vorel::bench::ResidentKiB;

using vorel::bench::SilentHost;

double MonotonicSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Runs the event loop for `seconds` and prints the CPU share of one core. The loop sleeps
// between events as the application's own does (processEvents with a time limit would spin:
// it drops WaitForMoreEvents and so would measure its own polling).
double Measure(const char* what, double seconds) {
  const double cpu0 = CpuSeconds();
  const double t0 = MonotonicSeconds();
  QEventLoop loop;
  QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
  loop.exec();
  const double cpu = CpuSeconds() - cpu0;
  const double wall = MonotonicSeconds() - t0;
  std::printf("%s: %.2f s CPU in %.1f s = %.2f %% of one core\n", what, cpu, wall,
              100.0 * cpu / wall);
  std::fflush(stdout);
  return cpu / wall;
}

}  // namespace

int main(int argc, char** argv) {
  QTemporaryDir dir;
  vorel::bench::UseTemporaryHome(dir);
  QApplication app(argc, argv);
  const char* env = std::getenv("VOREL_TREND_SECONDS");
  const double seconds = env ? std::atof(env) : 600.0;

  const QString link = dir.filePath("line");
  QProcess sim;
  if (!vorel::bench::StartSimSites(sim, link, 9600)) return 1;
  const char* separate = std::getenv("VOREL_SEPARATE_WINDOWS");
  vorel::bench::WriteVport(QDir(dir.path()), link, 9600, separate && separate[0] == '1');

  SilentHost host;
  const std::unique_ptr<vorel::MainWindow> desktop =
      vorel::OpenDesktop(host, vorel::bench::WindowServices());
  vorel::MainWindow& main = *desktop;
  main.show();
  const long rss0 = ResidentKiB();
  const double c0 = MonotonicSeconds();
  main.Connect();
  int online = 0;
  for (int n = 1; n <= vorel::kSiteCount; ++n) online += main.IsOnline(n) ? 1 : 0;
  std::printf("connected %d sites in %.1f s\n", online, MonotonicSeconds() - c0);
  std::fflush(stdout);
  if (online != vorel::kSiteCount) return 1;

  std::vector<vorel::MonitorPage*> pages;
  for (int n = 1; n <= vorel::kSiteCount; ++n) {
    auto* w = dynamic_cast<vorel::ParameterWindow*>(main.session().Window(n));
    if (!w) return 1;
    w->findChild<QTabWidget*>("pcParameter")
        ->setCurrentWidget(w->findChild<QWidget*>("tsStatusDisplay"));
    pages.push_back(w->Monitor());
  }
  Measure("32 monitor pages, live grids (60 s)", std::min(60.0, seconds));
  const long rssGrids = ResidentKiB();
  for (auto* page : pages) page->ShowTrend(true);
  QCoreApplication::processEvents();
  const long rssTrend = ResidentKiB();
  const double share = Measure("32 monitor pages, trend view", seconds);
  int redraws = 0;
  int paints = 0;
  for (auto* page : pages) {
    redraws += page->Trend()->Redraws();
    for (int s = 0; s < vorel::kTrendSeriesCount; ++s)
      if (const vorel::TrendPlot* plot = page->Trend()->Plot(s)) paints += plot->Paints();
  }
  const vorel::TrendBuffer* buffer = main.session().Trends().Buffer(1);
  std::printf(
      "trend redraws: %d (%.1f per window per second), strips painted %d times; site 1 holds %zu "
      "samples\n",
      redraws, redraws / 32.0 / seconds, paints, buffer ? buffer->Size() : 0);
  std::printf(
      "resident: %.1f MiB before Connect, %.1f MiB with 32 monitor pages, %.1f MiB once the "
      "trends show, %.1f MiB now\n",
      rss0 / 1024.0, rssGrids / 1024.0, rssTrend / 1024.0, ResidentKiB() / 1024.0);
  // The cost of one paint of a strip, whatever the polling rate: every strip in view painted
  // again and again at once.
  std::vector<vorel::TrendPlot*> plots;
  for (auto* page : pages)
    for (int s = 0; s < vorel::kTrendSeriesCount; ++s)
      if (vorel::TrendPlot* plot = page->Trend()->Plot(s); plot && plot->isVisible())
        plots.push_back(plot);
  constexpr int kRepaints = 50;
  const double p0 = CpuSeconds();
  for (int i = 0; i < kRepaints; ++i)
    for (auto* plot : plots) plot->repaint();
  const double perPaint = (CpuSeconds() - p0) / kRepaints / static_cast<double>(plots.size());
  std::printf("one strip painted: %.3f ms CPU (%zu strips x %d paints)\n", perPaint * 1000,
              plots.size(), kRepaints);
  const bool separateWindows = separate && separate[0] == '1';
  const double goal = separateWindows ? 0.03 : 0.02;
  std::printf("goal (%s): under %.0f %% of one core: %s\n",
              separateWindows ? "32 separate windows in view" : "tabs", goal * 100,
              share < goal ? "met" : "NOT met");
  main.close();
  sim.terminate();
  sim.waitForFinished(5000);
  return 0;
}
