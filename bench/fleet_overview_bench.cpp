// CPU time and memory of the fleet overview: the desktop tool with 32 online sites polled
// from vorel-sim at 9600 baud (the same main window and session as vorel, offscreen in this
// process). It measures this process's CPU share of one core over VOREL_FLEET_SECONDS (default
// 120) with the overview hidden (View -> Fleet overview off) and again with it shown and
// refreshing, and the resident memory before and after the overview was first shown.
#include <sys/resource.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "control/session.h"
#include "link/quiet_host.h"
#include "sim_bench_support.h"
#include "ui/desktop.h"
#include "ui/fleet_features.h"
#include "ui/fleet_overview.h"
#include "window_bench_support.h"

namespace {

using vorel::bench::CpuSeconds;
using vorel::bench::ResidentKiB;

double MonotonicSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Runs the event loop for `seconds`; the CPU share of one core.
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
  const char* env = std::getenv("VOREL_FLEET_SECONDS");
  const double seconds = env ? std::atof(env) : 120.0;

  const QString link = dir.filePath("line");
  QProcess sim;
  if (!vorel::bench::StartSimSites(sim, link, 9600)) return 1;
  vorel::bench::WriteVport(QDir(dir.path()), link, 9600, false);

  vorel::bench::SilentHost host;
  const std::unique_ptr<vorel::MainWindow> desktop =
      vorel::OpenDesktop(host, vorel::bench::WindowServices());
  vorel::MainWindow& main = *desktop;
  main.show();
  vorel::FleetFeatures& fleet = main.Fleet();
  fleet.OverviewAction()->setChecked(false);
  const double c0 = MonotonicSeconds();
  main.Connect();
  int online = 0;
  for (int n = 1; n <= vorel::kSiteCount; ++n) online += main.IsOnline(n) ? 1 : 0;
  std::printf("connected %d sites in %.1f s\n", online, MonotonicSeconds() - c0);
  std::fflush(stdout);
  if (online != vorel::kSiteCount) return 1;

  const double hidden = Measure("32 sites polled, overview hidden", seconds);
  const long rssHidden = ResidentKiB();
  fleet.OverviewAction()->trigger();  // on: the overview takes the panel
  QCoreApplication::processEvents();
  if (!fleet.Overview().isVisible()) return 1;
  const double shown = Measure("32 sites polled, overview shown", seconds);
  const long rssShown = ResidentKiB();
  std::printf("overview rows: %d\n", fleet.Overview().Model().rowCount());
  std::printf("resident: %.1f MiB with the overview hidden, %.1f MiB shown (+%.1f MiB)\n",
              rssHidden / 1024.0, rssShown / 1024.0, (rssShown - rssHidden) / 1024.0);
  std::printf("overview adds %.2f %% of one core\n", 100.0 * (shown - hidden));
  std::printf("goal: whole program under 3 %% of one core and under 5 MB added: %s\n",
              shown < 0.03 && rssShown - rssHidden < 5 * 1024 ? "met" : "NOT met");
  main.close();
  sim.terminate();
  sim.waitForFinished(5000);
  return 0;
}
