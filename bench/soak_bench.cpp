// Soak of the desktop tool: the main window, session, widget host and parameter windows of
// vorel, offscreen in this process, polling 32 sites of vorel-sim whose live-value replies
// fail at random (1 % in all, spread over the fault kinds of the simulator). Every 30 s it
// prints the resident memory, the heap in use and the free heap the allocator keeps, the CPU time
// (user + system, worker threads included), the CPU share of the last interval and the polls,
// faults and boxes so far; at the end the growth of the resident memory after the first ten
// minutes, the CPU share of the whole run, and the faults accounted for: per kind of box, how many
// the faults should have raised and how many were shown, and how many faults the reply collection
// absorbed.
//
// A failed poll opens the real Retry/Cancel box from inside the poll step; nobody clicks it
// offscreen, so the host here arms a timer before the box runs its loop and presses Retry
// after --answer-ms, as a user would. The time from the box closing to the next poll request
// on the wire is measured (polling goes on after three poll steps), and the longest pause
// between two requests (a failed poll's timeout, the box, the resumption).
//
// usage: soak_bench [--minutes N] [--baud 9600|115200] [--answer-ms MS] [--seed N]
#include <malloc.h>
#include <sys/resource.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "control/session.h"
#include "link/named_port.h"
#include "sim_bench_support.h"
#include "ui/desktop.h"
#include "ui/widget_host.h"
#include "window_bench_support.h"

namespace {

using vorel::bench::CpuSeconds;
using vorel::bench::ResidentKiB;

using vorel::bench::MonotonicMs;

constexpr int kSampleSeconds = 30;
constexpr int kSettleSeconds = 600;  // growth counts from the sample at ten minutes
constexpr double kGrowthLimitMiB = 1.0;
constexpr double kCpuLimit = 0.02;
// After a box closes the poller rests and moves on for three 20 ms steps before the next
// site's request (60 ms); the rest of the bound is timer slack on a busy machine, a refresh
// step of the 32 windows falling in between and the worker thread's start.
constexpr double kResumeLimitMs = 150.0;
// A failed poll stops polling for its timeout (over 2 s: 21 ticks of 100 ms) and while the box
// is open; nothing else may hold it up.
constexpr double kTimeoutMs = 2200.0;

// The 1 % of faulted live-value replies, per kind. Pieces and extra byte end differently
// (the first is collected whole, the second times out), the others end in the box.
struct FaultShare {
  const char* option;
  double probability;
};
// clang-format off
constexpr FaultShare kFaults[] = {
    {"--fault-noreply",   0.002},
    {"--fault-crc",       0.002},
    {"--fault-exception", 0.002},
    {"--fault-pieces",    0.0015},
    {"--fault-extra",     0.0015},
    {"--fault-address",   0.0015},
};
// clang-format on

// What the poller puts on the wire: the number of requests and, after a box closed, how long
// until the next one left. Write runs on the request workers' threads.
struct WireWatch {
  std::atomic<long> requests{0};
  std::mutex mutex;
  double lastWriteMs = 0;
  double longestGapMs = 0;
  double boxClosedMs = -1;
  double longestResumeMs = 0;
  double totalResumeMs = 0;
  long resumes = 0;

  void Written() {
    const double now = MonotonicMs();
    ++requests;
    std::lock_guard lock(mutex);
    if (lastWriteMs > 0) longestGapMs = std::max(longestGapMs, now - lastWriteMs);
    lastWriteMs = now;
    if (boxClosedMs >= 0) {
      longestResumeMs = std::max(longestResumeMs, now - boxClosedMs);
      totalResumeMs += now - boxClosedMs;
      ++resumes;
      boxClosedMs = -1;
    }
  }
  // The pauses of Connect do not count.
  void StartPolling() {
    std::lock_guard lock(mutex);
    longestGapMs = 0;
  }
  void BoxClosed() {
    std::lock_guard lock(mutex);
    boxClosedMs = MonotonicMs();
  }
};

// The port vorel opens, counting what it writes.
class WatchedPort : public vorel::SerialPort {
 public:
  explicit WatchedPort(WireWatch& watch) : watch_(watch) {}
  bool Open(const vorel::PortSettings& settings, std::string* error) override {
    return port_.Open(settings, error);
  }
  void Close() override { port_.Close(); }
  bool IsOpen() const override { return port_.IsOpen(); }
  bool WriteText(std::string_view text) override { return port_.WriteText(text); }
  std::string ReadText(int n) override { return port_.ReadText(n); }
  bool SetDtr(bool on) override { return port_.SetDtr(on); }
  bool SetRts(bool on) override { return port_.SetRts(on); }
  bool CarrierDetect() override { return port_.CarrierDetect(); }
  std::string GoneReason() const override { return port_.GoneReason(); }
  bool Write(std::span<const std::uint8_t> bytes) override {
    const bool ok = port_.Write(bytes);
    watch_.Written();
    return ok;
  }
  int InputCount() override { return port_.InputCount(); }
  int Read(std::span<std::uint8_t> into) override { return port_.Read(into); }
  bool WaitForInput(int ms) override { return port_.WaitForInput(ms); }
  void PurgeInput() override { port_.PurgeInput(); }
  void PurgeOutput() override { port_.PurgeOutput(); }
  bool Gone() const override { return port_.Gone(); }

 private:
  WireWatch& watch_;
  vorel::NamedPort port_;
};

// The widget host of vorel. Its boxes are shown for real; a timer armed just before presses
// the box's button after the answer delay.
class AnsweringHost : public vorel::WidgetHost {
 public:
  AnsweringHost(WireWatch& watch, int answerMs) : watch_(watch), answerMs_(answerMs) {}
  int retries = 0;
  int messages = 0;
  std::map<std::string, int> boxTexts;  // what each box said, counted

  vorel::Answer AskRetryCancel(int site, const std::string& caption,
                               const std::string& text) override {
    ++boxTexts[text.substr(0, text.find('\n'))];
    PressLater(QMessageBox::Retry);
    const vorel::Answer answer = WidgetHost::AskRetryCancel(site, caption, text);
    watch_.BoxClosed();
    if (answer == vorel::Answer::Retry) ++retries;
    return answer;
  }
  // Polling shows no plain message; one that comes is counted and closed all the same.
  void ShowMessage(const std::string& text) override {
    std::fprintf(stderr, "message: %s\n", text.c_str());
    ++messages;
    PressLater(QMessageBox::Ok);
    WidgetHost::ShowMessage(text);
  }

 private:
  void PressLater(QMessageBox::StandardButton which) {
    QTimer::singleShot(answerMs_, [which] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box || !box->isVisible()) continue;
        if (QAbstractButton* button = box->button(which)) button->click();
      }
    });
  }

  WireWatch& watch_;
  int answerMs_;
};

// What the tool should show for a faulted reply: a timeout when nothing usable comes in time
// (no reply, another site's address, a byte too many, a late or cut reply), a CRC error, an
// exception, or nothing when the fault leaves the reply whole (pieces are collected).
enum class Expect { Timeout, Crc, Exception, Absorbed };

Expect ExpectedOutcome(const std::string& kinds) {
  auto has = [&](const char* kind) {
    std::istringstream in(kinds);
    std::string k;
    while (in >> k)
      if (k == kind) return true;
    return false;
  };
  if (has("noreply") || has("address") || has("extra") || has("late") || has("truncated"))
    return Expect::Timeout;
  if (has("crc")) return Expect::Crc;
  if (has("exception")) return Expect::Exception;
  return Expect::Absorbed;
}

// Counts the faults the simulator noted in its trace, reading on from where it stopped. The
// simulator notes a fault on the request it received and again on the reply it sends, so only
// the received line counts: one fault per faulted request.
class FaultCounter {
 public:
  explicit FaultCounter(std::string path) : path_(std::move(path)) {}
  long Count() {
    std::ifstream in(path_);
    in.seekg(offset_);
    std::string line;
    while (std::getline(in, line)) {
      if (in.eof()) break;  // a line still being written is read next time
      offset_ += static_cast<std::streamoff>(line.size()) + 1;
      const std::size_t note = line.find("# fault");
      if (note == std::string::npos || line.find(" RX ") == std::string::npos) continue;
      ++faults_;
      const std::string kinds = line.substr(note + 7);
      ++expected_[static_cast<int>(ExpectedOutcome(kinds))];
      std::istringstream words(kinds);
      std::string kind;
      while (words >> kind) ++byKind_[kind];
    }
    return faults_;
  }
  // Resets the counts; faults noted until now are not counted.
  void Restart() {
    Count();
    faults_ = 0;
    byKind_.clear();
    expected_ = {};
  }
  std::string Kinds() const {
    std::string out;
    for (const auto& [kind, count] : byKind_)
      out += (out.empty() ? "" : ", ") + kind + " " + std::to_string(count);
    return out.empty() ? "none" : out;
  }
  long Expected(Expect e) const { return expected_[static_cast<int>(e)]; }

 private:
  std::string path_;
  std::streamoff offset_ = 0;
  long faults_ = 0;
  std::map<std::string, long> byKind_;
  std::array<long, 4> expected_{};
};

struct Sample {
  double seconds;
  long rssKiB;
  double cpu;
};

// The heap in use (what the program holds) and the free heap the allocator keeps (holes left
// by freed blocks): resident memory that grows with the first is held, with the second is
// fragmentation.
double HeapInUseMiB() {
  const struct mallinfo2 m = mallinfo2();
  return double(m.uordblks + m.hblkhd) / (1024.0 * 1024.0);
}
double HeapFreeMiB() {
  const struct mallinfo2 m = mallinfo2();
  return double(m.fordblks) / (1024.0 * 1024.0);
}

int Option(int argc, char** argv, const char* name, int fallback) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], name) == 0) return std::atoi(argv[i + 1]);
  return fallback;
}

}  // namespace

int main(int argc, char** argv) {
  QTemporaryDir dir;
  vorel::bench::UseTemporaryHome(dir);
  QApplication app(argc, argv);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  const int minutes = Option(argc, argv, "--minutes", 60);
  const int baud = Option(argc, argv, "--baud", 9600);
  const int answerMs = Option(argc, argv, "--answer-ms", 1000);
  const int seed = Option(argc, argv, "--seed", 1);

  const QString link = dir.filePath("line");
  const QString trace = dir.filePath("trace.txt");
  QStringList faultOptions{"--trace",          trace,   "--seed", QString::number(seed),
                           "--fault-register", "0x804F"};
  // The first read of each site's live values is Connect's, which is not faulted.
  faultOptions << "--fault-after" << QString::number(vorel::kSiteCount);
  for (const FaultShare& f : kFaults) faultOptions << f.option << QString::number(f.probability);
  QProcess sim;
  if (!vorel::bench::StartSimSites(sim, link, baud, faultOptions)) return 1;
  vorel::bench::WriteVport(QDir(dir.path()), link, baud, false);

  // Wired as vorel's main() wires it.
  WireWatch watch;
  AnsweringHost host(watch, answerMs);
  const std::unique_ptr<vorel::MainWindow> desktop = vorel::OpenDesktop(
      host, vorel::bench::WindowServices([&watch]() -> std::unique_ptr<vorel::SerialPort> {
        return std::make_unique<WatchedPort>(watch);
      }));
  vorel::MainWindow& main = *desktop;
  main.show();

  const double c0 = MonotonicMs();
  main.Connect();
  int online = 0;
  for (int n = 1; n <= vorel::kSiteCount; ++n) online += main.IsOnline(n) ? 1 : 0;
  std::printf(
      "soak: %d minutes, %d baud, %d sites online after %.1f s, boxes answered after %d ms\n",
      minutes, baud, online, (MonotonicMs() - c0) / 1000.0, answerMs);
  if (online != vorel::kSiteCount) return 1;

  FaultCounter faults(trace.toStdString());
  const long requests0 = watch.requests.load();
  watch.StartPolling();
  faults.Restart();
  std::vector<Sample> samples;
  const double t0 = MonotonicMs();
  samples.push_back({0, ResidentKiB(), CpuSeconds()});
  std::printf("%7s %9s %9s %9s %9s %7s %8s %7s %6s\n", "time", "RSS MiB", "heap MiB", "free MiB",
              "CPU s", "CPU %", "polls", "faults", "boxes");
  auto print = [&](const Sample& s, double cpuShare) {
    std::printf("%4d:%02d %9.2f %9.2f %9.2f %9.2f %7.2f %8ld %7ld %6d\n", int(s.seconds) / 60,
                int(s.seconds) % 60, s.rssKiB / 1024.0, HeapInUseMiB(), HeapFreeMiB(),
                s.cpu - samples.front().cpu, 100.0 * cpuShare, watch.requests.load() - requests0,
                faults.Count(), host.retries);
    std::fflush(stdout);
  };
  print(samples.front(), 0);

  QTimer sampler;
  sampler.setTimerType(Qt::PreciseTimer);
  QObject::connect(&sampler, &QTimer::timeout, [&] {
    const Sample s{(MonotonicMs() - t0) / 1000.0, ResidentKiB(), CpuSeconds()};
    const Sample& last = samples.back();
    samples.push_back(s);
    print(s, (s.cpu - last.cpu) / (s.seconds - last.seconds));
    if (s.seconds >= minutes * 60.0 - 1.0) app.quit();
  });
  sampler.start(kSampleSeconds * 1000);
  app.exec();

  const Sample& end = samples.back();
  const double share = (end.cpu - samples.front().cpu) / end.seconds;
  auto settled = std::find_if(samples.begin(), samples.end(),
                              [](const Sample& s) { return s.seconds >= kSettleSeconds - 1.0; });
  std::printf("\npolls %ld, faults %ld (%s), boxes answered Retry %d, other messages %d\n",
              watch.requests.load() - requests0, faults.Count(), faults.Kinds().c_str(),
              host.retries, host.messages);
  // Every fault accounted for: each kind of box as often as the faults that should raise it,
  // and the faults left whole absorbed. A box still open at the end may be one short.
  auto boxes = [&](const char* prefix) {
    int n = 0;
    for (const auto& [text, count] : host.boxTexts)
      if (text.rfind(prefix, 0) == 0) n += count;
    return n;
  };
  struct Row {
    const char* what;
    long expected;
    int seen;
  };
  const Row rows[] = {
      {"Communication timeout!", faults.Expected(Expect::Timeout), boxes("Communication timeout!")},
      {"CRC error", faults.Expected(Expect::Crc), boxes("CRC error")},
      {"Exception response!", faults.Expected(Expect::Exception), boxes("Exception response!")},
  };
  bool accounted = true;
  int listed = 0;
  for (const Row& r : rows) {
    std::printf("  box %-24s expected %5ld, shown %5d\n", r.what, r.expected, r.seen);
    accounted = accounted && r.seen <= r.expected && r.seen + 1 >= r.expected;
    listed += r.seen;
  }
  std::printf("  absorbed (reply collected whole): expected %ld, seen %ld\n",
              faults.Expected(Expect::Absorbed), faults.Count() - listed);
  for (const auto& [text, count] : host.boxTexts) {
    bool known = false;
    for (const Row& r : rows) known = known || text.rfind(r.what, 0) == 0;
    if (!known) std::printf("  box %5d  %s (not from a fault)\n", count, text.c_str());
  }
  accounted = accounted && listed == host.retries;
  std::printf("every fault accounted for: %s\n", accounted ? "met" : "NOT met");
  if (settled != samples.end()) {
    long peak = settled->rssKiB;
    for (auto s = settled; s != samples.end(); ++s) peak = std::max(peak, s->rssKiB);
    const double growth = (end.rssKiB - settled->rssKiB) / 1024.0;
    const double peakGrowth = (peak - settled->rssKiB) / 1024.0;
    std::printf(
        "RSS after ten minutes %.2f MiB, at the end %.2f MiB: growth %.2f MiB (peak +%.2f MiB); "
        "goal under %.0f MiB: %s\n",
        settled->rssKiB / 1024.0, end.rssKiB / 1024.0, growth, peakGrowth, kGrowthLimitMiB,
        std::max(growth, peakGrowth) < kGrowthLimitMiB ? "met" : "NOT met");
  } else {
    std::printf("RSS growth: run shorter than ten minutes, not judged\n");
  }
  std::printf("CPU %.2f s in %.0f s = %.2f %% of one core; goal under %.0f %%: %s\n",
              end.cpu - samples.front().cpu, end.seconds, 100.0 * share, 100.0 * kCpuLimit,
              share < kCpuLimit ? "met" : "NOT met");
  {
    std::lock_guard lock(watch.mutex);
    const double resumeMean = watch.resumes ? watch.totalResumeMs / watch.resumes : 0;
    std::printf(
        "polling after a box closed: next request after %.1f ms on average, %.1f ms at most "
        "(%ld boxes); goal under %.0f ms: %s\n",
        resumeMean, watch.longestResumeMs, watch.resumes, kResumeLimitMs,
        watch.longestResumeMs < kResumeLimitMs ? "met" : "NOT met");
    const double stallLimit = kTimeoutMs + answerMs + kResumeLimitMs;
    std::printf(
        "longest pause between two requests %.2f s; goal under %.2f s (timeout, box open, "
        "resume): %s\n",
        watch.longestGapMs / 1000.0, stallLimit / 1000.0,
        watch.longestGapMs < stallLimit ? "met" : "NOT met");
  }
  main.close();
  sim.terminate();
  sim.waitForFinished(5000);
  return 0;
}
