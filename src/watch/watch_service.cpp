#include "watch/watch_service.h"

#include <mosquitto.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "control/live_data_age.h"
#include "watch/line_watcher.h"
#include "watch/metrics_board.h"
#include "watch/metrics_server.h"
#include "watch/mqtt_publisher.h"

namespace vorel {
namespace {

// How long, from the signal, the line threads get to finish the request under way; what is
// left of the 2 s budget is for tidying up.
constexpr int kThreadGraceMs = 1200;
constexpr int kOfflineWaitMs = 500;

}  // namespace

int RunWatchService(const WatchConfig& config) {
  // Every thread started from here on leaves the two signals to sigwait below.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  mosquitto_lib_init();
  MetricsBoard board;
  std::vector<std::unique_ptr<MqttPublisher>> publishers;
  std::string error;
  if (!config.mqtt.host.empty()) {
    for (const WatchLine& line : config.lines) {
      publishers.push_back(std::make_unique<MqttPublisher>(config.mqtt, line.name));
      if (!publishers.back()->Start(&error)) {
        std::fprintf(stderr, "vorel-cli watch: %s\n", error.c_str());
        publishers.clear();
        mosquitto_lib_cleanup();
        return 1;
      }
    }
  }
  std::unique_ptr<MetricsServer> server;
  if (config.metrics) {
    server = std::make_unique<MetricsServer>([&board, &publishers, &config] {
      for (std::size_t i = 0; i < publishers.size(); ++i)
        board.SetMqtt(config.lines[i].name, publishers[i]->Snapshot());
      return board.Render(SystemWallClockMs());
    });
    if (!server->Start(*config.metrics, &error)) {
      std::fprintf(stderr, "vorel-cli watch: %s\n", error.c_str());
      for (auto& p : publishers) p->Stop(0);
      publishers.clear();
      mosquitto_lib_cleanup();
      return 1;
    }
  }
  std::vector<std::unique_ptr<LineWatcher>> watchers;
  for (std::size_t i = 0; i < config.lines.size(); ++i) {
    watchers.push_back(std::make_unique<LineWatcher>(
        config.lines[i], publishers.empty() ? nullptr : publishers[i].get(), board));
    watchers.back()->start();
  }
  std::fprintf(stderr, "vorel-cli watch: watching %zu line(s)%s\n", config.lines.size(),
               server ? (", metrics on port " + std::to_string(server->Port())).c_str() : "");

  int signal = 0;
  sigwait(&stopSignals, &signal);
  const auto stopStart = std::chrono::steady_clock::now();
  for (auto& w : watchers) w->RequestStop();
  // "offline" goes out first: a line still finishing its request must not delay it.
  for (auto& p : publishers) p->Stop(kOfflineWaitMs);
  bool allEnded = true;
  for (auto& w : watchers) {
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - stopStart)
                           .count();
    const auto left = std::max<long long>(0, kThreadGraceMs - spent);
    if (!w->wait(QDeadlineTimer(left))) allEnded = false;
  }
  if (server) server->Stop();
  if (!allEnded) {
    // A line held by a request of its own (a TCP connect, a reply timeout) is not waited for:
    // nothing of it is left to save, and the stop must not overrun its budget.
    std::fflush(stderr);
    ::_exit(0);
  }
  watchers.clear();
  publishers.clear();
  mosquitto_lib_cleanup();
  return 0;
}

}  // namespace vorel
