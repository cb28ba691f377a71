// Side by side: one read of the identification block (29 registers from 0x0169 of site 1) by
// vorel-cli in its fast mode, by vorel-cli --paced (the desktop tool's collection steps) and by
// mbpoll, against vorel-sim with its line pacing at 9600 and 115200 baud. Each exchange is
// timed from the moment the simulator receives the request (its trace) to the moment the tool
// prints the values, and shown as the ratio to the pure wire time: request, turnaround and
// reply at the line's speed. The start-up of each program is not counted.
// Goal: vorel-cli fast within 1.2 x the wire time and no slower than mbpoll.
// VOREL_BENCH_RUNS sets the reads per tool and speed (default 15); the programs take turns, and
// the median and the best run are shown (the simulator's pacing is late on a busy machine).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kRequestBytes = 8;
constexpr int kReplyBytes = 3 + 2 * 29 + 2;

double NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// The simulator's own rule: 3.5 character times, at least 1.75 ms.
double WireMs(int baud) {
  const double charMs = 10.0 * 1000.0 / baud;
  return (kRequestBytes + kReplyBytes) * charMs + std::max(3.5 * charMs, 1.75);
}

bool Exists(const char* path) {
  return access(path, X_OK) == 0;
}

std::string FindMbpoll() {
  for (const char* p : {"/usr/bin/mbpoll", "/usr/local/bin/mbpoll"}) {
    if (Exists(p)) return p;
  }
  return {};
}

// Runs `argv` with its standard output on a pipe; the time its first output arrived, or a
// negative value when it failed or printed nothing.
double RunUntilOutput(const std::vector<std::string>& argv) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    dup2(pipeFds[1], 1);
    close(pipeFds[0]);
    close(pipeFds[1]);
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(pipeFds[1]);
  double firstOutput = -1;
  pollfd p{pipeFds[0], POLLIN, 0};
  char buffer[512];
  while (poll(&p, 1, 10000) > 0) {
    const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    if (firstOutput < 0) firstOutput = NowMs();
  }
  close(pipeFds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return firstOutput;
}

// The start of the last request the simulator received and answered, from its trace.
double LastRequestMs(const std::string& trace) {
  std::ifstream in(trace);
  std::string line;
  double last = -1;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    long long startUs = 0, endUs = 0;
    std::string direction;
    fields >> startUs >> endUs >> direction;
    if (direction == "RX" && line.find('#') == std::string::npos) last = startUs / 1e3;
  }
  return last;
}

struct Sim {
  pid_t pid = -1;
  std::string link;
  std::string trace;
  bool Start(const std::string& simPath, const std::string& dir, int baud) {
    link = dir + "/line" + std::to_string(baud);
    trace = dir + "/trace" + std::to_string(baud);
    const std::string out = dir + "/sim-out" + std::to_string(baud);
    pid = fork();
    if (pid == 0) {
      const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (fd >= 0) dup2(fd, 1);
      const std::string b = std::to_string(baud);
      execl(simPath.c_str(), simPath.c_str(), "--link", link.c_str(), "--baud", b.c_str(),
            "--trace", trace.c_str(), "--site", "1", static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int i = 0; i < 200; ++i) {
      std::ifstream in(out);
      std::string word;
      if (in >> word && word == "ready") return true;
      usleep(25000);
    }
    return false;
  }
  ~Sim() {
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
  }
};

struct Tool {
  Tool(const char* n, std::vector<std::string> a) : name(n), argv(std::move(a)) {}
  const char* name;
  std::vector<std::string> argv;
  std::vector<double> times;
  int failures = 0;
};

// One exchange of the tool; the programs take turns, so that a busy machine weighs on each
// of them alike.
void MeasureOnce(Tool& tool, const Sim& sim) {
  const double printed = RunUntilOutput(tool.argv);
  const double request = LastRequestMs(sim.trace);
  if (printed < 0 || request < 0 || printed < request) {
    ++tool.failures;
  } else {
    tool.times.push_back(printed - request);
  }
  usleep(20000);  // a quiet line between programs
}

}  // namespace

int main() {
  const char* runsText = std::getenv("VOREL_BENCH_RUNS");
  const int runs = runsText ? std::max(1, std::atoi(runsText)) : 15;
  char dirTemplate[] = "/tmp/vorel-cli-bench-XXXXXX";
  if (mkdtemp(dirTemplate) == nullptr) return 1;
  const std::string dir = dirTemplate;
  // vorel-cli reads its settings here; a user's real settings are never used.
  setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
  const std::string mbpoll = FindMbpoll();

  std::printf("read of 29 registers from 0x0169 of site 1 against vorel-sim with line pacing\n");
  std::printf("time from the request reaching the simulator to the values printed, %d runs\n",
              runs);
  std::printf("wire time: request, turnaround (3.5 characters, at least 1.75 ms) and reply\n");
  std::printf("%-8s %-20s %10s %10s %10s %8s %8s\n", "baud", "tool", "median", "best", "wire",
              "ratio", "best");
  bool ok = true;
  for (int baud : {9600, 115200}) {
    Sim sim;
    if (!sim.Start(VOREL_SIM_PATH, dir, baud)) {
      std::fprintf(stderr, "vorel-sim did not start\n");
      return 1;
    }
    const std::string b = std::to_string(baud);
    std::vector<Tool> tools;
    tools.push_back(Tool("vorel-cli (fast)", {VOREL_CLI_PATH, "--port", sim.link, "--baud", b,
                                              "read", "1", "0x0169", "29"}));
    tools.push_back(Tool("vorel-cli --paced", {VOREL_CLI_PATH, "--paced", "--port", sim.link,
                                               "--baud", b, "read", "1", "0x0169", "29"}));
    if (!mbpoll.empty()) {
      tools.push_back(Tool("mbpoll", {mbpoll, "-m", "rtu", "-b", b, "-P", "none", "-0", "-1", "-q",
                                      "-a", "1", "-r", "361", "-c", "29", sim.link}));
    }
    for (int i = 0; i < runs; ++i) {
      for (Tool& tool : tools) MeasureOnce(tool, sim);
    }
    const double wire = WireMs(baud);
    for (Tool& t : tools) {
      if (t.times.empty()) {
        std::printf("%-8d %-20s %10s %10s %9.2fms %8s %8s  (%d failed)\n", baud, t.name, "failed",
                    "-", wire, "-", "-", t.failures);
        ok = false;
        continue;
      }
      std::sort(t.times.begin(), t.times.end());
      const double median = t.times[t.times.size() / 2];
      const double best = t.times.front();
      std::printf("%-8d %-20s %8.2fms %8.2fms %8.2fms %8.3f %8.3f%s\n", baud, t.name, median, best,
                  wire, median / wire, best / wire, t.failures ? "  (some runs failed)" : "");
    }
    if (mbpoll.empty()) std::printf("%-8d %-20s not installed\n", baud, "mbpoll");
  }
  std::string cleanup = "rm -rf '" + dir + "'";
  if (std::system(cleanup.c_str()) != 0) ok = false;
  return ok ? 0 : 1;
}
