// What the end-to-end benchmarks against vorel-sim share: a host and a view that show
// nothing, the simulator's trace read back, and the wire time of its exchanges at 9600 baud.
#pragma once

#include <sys/resource.h>
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "control/connection_view.h"
#include "link/quiet_host.h"

namespace vorel::bench {

constexpr double kCharMs = 10.0 * 1000.0 / 9600.0;

class SilentHost : public vorel::QuietHost {
 public:
  void ShowMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
  vorel::Answer AskRetryCancel(int, const std::string&, const std::string& t) override {
    std::fprintf(stderr, "poll failure: %s\n", t.c_str());
    return vorel::Answer::Retry;
  }
  vorel::Answer AskQuestion(int, const std::string&, const std::string&) override {
    return vorel::Answer::No;
  }
};

class NullView : public vorel::ConnectionView {
 public:
  void ClearPowerUpLog() override {}
  void AppendPowerUpLine(const std::string&) override {}
  void AppendPowerUpText(const std::string&) override {}
  void ShowPowerUpLog(bool) override {}
  void SetMainStatus(int, const std::string&) override {}
  void SetMainEnabled(bool) override {}
  void BringToFront() override {}
  void SetConfigurationButtonsEnabled(bool) override {}
  void SetConfigurationMenuEnabled(bool) override {}
  void ShowCommunicationProperties(const vorel::CommunicationProperties&) override {}
};

struct TraceLine {
  double startMs, endMs;
  bool rx;
  int bytes;
  int function;
  std::uint16_t address;
};

inline std::vector<TraceLine> ReadTrace(const std::string& path) {
  std::vector<TraceLine> out;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    double start = 0, end = 0;
    std::string dir, hex;
    words >> start >> end >> dir;
    std::vector<int> bytes;
    while (words >> hex && hex != "#") bytes.push_back(std::stoi(hex, nullptr, 16));
    if (bytes.size() < 4) continue;
    out.push_back({start / 1000.0, end / 1000.0, dir == "RX", static_cast<int>(bytes.size()),
                   bytes[1], static_cast<std::uint16_t>((bytes[2] << 8) | bytes[3])});
  }
  return out;
}

// The line time of the exchanges whose request starts in [fromMs, toMs): from the request's
// first byte to the reply's last at the emulated line speed (request bytes, turnaround, reply).
struct Wire {
  double total = 0;
  std::vector<double> perRequest;
};
inline Wire WireTime(const std::vector<TraceLine>& trace, double fromMs, double toMs) {
  Wire w;
  for (std::size_t i = 0; i < trace.size(); ++i) {
    const TraceLine& rx = trace[i];
    if (!rx.rx || rx.startMs < fromMs || rx.startMs >= toMs) continue;
    double t = rx.bytes * kCharMs;  // a request without a reply
    if (i + 1 < trace.size() && !trace[i + 1].rx) t = trace[i + 1].endMs - rx.startMs;
    w.perRequest.push_back(t);
    w.total += t;
  }
  return w;
}

inline double MonotonicMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

// CPU time of this process (user and system, every thread), in seconds.
inline double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec) + double(u.ru_utime.tv_usec) / 1e6 + double(u.ru_stime.tv_sec) +
         double(u.ru_stime.tv_usec) / 1e6;
}

// Resident memory of this process in KiB, -1 when the system does not say.
inline long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

}  // namespace vorel::bench
