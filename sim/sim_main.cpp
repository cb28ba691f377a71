// vorel-sim: substitute generating-set controllers (and a modem) on a pseudo-terminal and/or
// a TCP port of the loopback interface.
#include <csignal>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

#include "line.h"
#include "options.h"
#include "state_file.h"

namespace {

volatile int gStop = 0;

void OnSignal(int) {
  gStop = 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vorel::sim;
  Options options;
  std::string error;
  if (!ParseOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "vorel-sim: %s\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(HelpText(), stdout);
    return 0;
  }

  // SIGINT and SIGTERM are only delivered inside the line's wait, so none is lost.
  sigset_t blocked;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGINT);
  sigaddset(&blocked, SIGTERM);
  sigprocmask(SIG_BLOCK, &blocked, nullptr);
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  Sites sites;
  for (const SiteConfig& config : options.sites) {
    sites.push_back(std::make_unique<SimSite>(config, static_cast<std::uint16_t>(options.password),
                                              options.engine));
  }
  if (!options.statePath.empty() && !LoadState(options.statePath, sites, error)) {
    std::fprintf(stderr, "vorel-sim: %s; starting from the factory set-up\n", error.c_str());
  }
  const std::time_t host = std::time(nullptr);
  for (auto& s : sites) s->engine.PowerUp(host);

  Line line(options, sites);
  if (!line.Open(error)) {
    std::fprintf(stderr, "vorel-sim: %s\n", error.c_str());
    return 1;
  }
  if (options.link.empty()) {
    std::printf("ready tcp://127.0.0.1:%d\n", options.tcpPort);
  } else {
    std::printf("ready %s\n", options.link.c_str());
  }
  std::fflush(stdout);
  line.Run(gStop);

  if (!options.statePath.empty() && !SaveState(options.statePath, sites, error)) {
    std::fprintf(stderr, "vorel-sim: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
