// The watch service at scale: 8 lines of 32 vorel-sim sites each over tcp:// at 9600 baud line
// pacing (256 sites), a real mosquitto broker, a scrape of /metrics every 15 s. Prints, over
// time, the service's CPU use (% of one core) and resident memory, the alarm messages counted
// at a subscriber (and any missing from each line's sequence), and each line's poll cycle
// against the same line watched alone. Alarms are made by failed engine starts sent through
// the simulators' terminals; midway the broker is stopped for a while and started again.
//
//   watch_bench [SECONDS] [OUTAGE_SECONDS]     (default 600 and 60)
#include <mosquitto.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kLines = 8;
constexpr int kSitesPerLine = 32;
constexpr int kScrapeMs = 15000;
constexpr int kAloneSeconds = 60;

int FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof a;
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
  ::close(fd);
  return ntohs(a.sin_port);
}

bool Listening(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(fd);
  return ok;
}

bool WaitListening(int port, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) {
    if (Listening(port)) return true;
    QThread::msleep(50);
  }
  return false;
}

std::string Scrape(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  std::string answer;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
    const std::string request = "GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n";
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    char buffer[65536];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
      answer.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return answer;
}

// line -> the last cycle's seconds.
std::map<std::string, double> Cycles(const std::string& metrics) {
  static const std::regex cycle(R"re(vorel_line_cycle_seconds\{line="([^"]+)"\} ([0-9.eE+-]+))re");
  std::map<std::string, double> out;
  for (auto it = std::sregex_iterator(metrics.begin(), metrics.end(), cycle);
       it != std::sregex_iterator(); ++it)
    out[(*it)[1].str()] = std::stod((*it)[2].str());
  return out;
}

double ProcessCpuSeconds(qint64 pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), {});
  const std::size_t close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(text.substr(close + 2));
  std::string f;
  unsigned long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> f; ++i) {
    if (i == 14) utime = std::stoull(f);
    if (i == 15) stime = std::stoull(f);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

double ResidentMb(qint64 pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  return 0;
}

// Counts alarm messages: per line, the sequence numbers seen (a message delivered twice counts
// once) and the highest.
class AlarmCounter {
 public:
  explicit AlarmCounter(int port) {
    client_ = mosquitto_new("vorel-watch-bench", false, this);
    mosquitto_connect_callback_set(client_, [](mosquitto* c, void*, int rc) {
      if (rc == 0) mosquitto_subscribe(c, nullptr, "vorel/+/+/alarm", 1);
    });
    mosquitto_message_callback_set(client_, [](mosquitto*, void* self, const mosquitto_message* m) {
      static_cast<AlarmCounter*>(self)->Take(m);
    });
    mosquitto_reconnect_delay_set(client_, 1, 1, false);
    mosquitto_loop_start(client_);
    mosquitto_connect_async(client_, "127.0.0.1", port, 10);
  }
  ~AlarmCounter() {
    mosquitto_disconnect(client_);
    mosquitto_loop_stop(client_, false);
    mosquitto_destroy(client_);
  }
  void Take(const mosquitto_message* m) {
    const QJsonObject o =
        QJsonDocument::fromJson(QByteArray(static_cast<const char*>(m->payload), m->payloadlen))
            .object();
    std::lock_guard lock(mutex_);
    ++delivered_;
    const std::string line = o["line"].toString().toStdString();
    const auto seq = static_cast<std::uint64_t>(o["seq"].toInteger());
    seen_[line].insert(seq);
  }
  // Unique messages, duplicates, and messages missing from the sequences.
  void Totals(std::size_t& unique, std::size_t& duplicates, std::size_t& missing) const {
    std::lock_guard lock(mutex_);
    unique = 0;
    missing = 0;
    for (const auto& [line, seqs] : seen_) {
      unique += seqs.size();
      if (!seqs.empty()) missing += *seqs.rbegin() - seqs.size();
    }
    duplicates = delivered_ - unique;
  }

 private:
  mosquitto* client_ = nullptr;
  mutable std::mutex mutex_;
  std::size_t delivered_ = 0;
  std::map<std::string, std::set<std::uint64_t>> seen_;
};

struct Sim {
  std::unique_ptr<QProcess> process;
  int port = 0;
  QString link;
};

QStringList SimArguments(int port, const QString& link) {
  QStringList args{"--tcp", QString::number(port), "--link",       link, "--baud",
                   "9600",  "--start-fails",       "--time-scale", "10"};
  for (int s = 1; s <= kSitesPerLine; ++s) args << "--site" << QString::number(s);
  return args;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 600;
  const int outage = argc > 2 ? std::atoi(argv[2]) : 60;
  mosquitto_lib_init();
  QTemporaryDir dir;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_CONFIG_HOME", dir.path());

  // The broker, keeping sessions across its restart.
  const int brokerPort = FreePort();
  {
    QFile conf(dir.filePath("mosquitto.conf"));
    conf.open(QIODevice::WriteOnly);
    conf.write(QString("listener %1 127.0.0.1\nallow_anonymous true\npersistence true\n"
                       "persistence_location %2/\nmax_queued_messages 100000\n")
                   .arg(brokerPort)
                   .arg(dir.path())
                   .toUtf8());
  }
  QProcess broker;
  const auto startBroker = [&] {
    broker.start("/usr/sbin/mosquitto", {"-c", dir.filePath("mosquitto.conf")});
    return broker.waitForStarted(5000) && WaitListening(brokerPort, 10000);
  };
  if (!startBroker()) {
    std::fprintf(stderr, "mosquitto did not start\n");
    return 1;
  }

  std::vector<Sim> sims(kLines);
  for (int i = 0; i < kLines; ++i) {
    Sim& s = sims[static_cast<std::size_t>(i)];
    s.port = FreePort();
    s.link = dir.filePath(QString("line%1").arg(i + 1));
    s.process = std::make_unique<QProcess>();
    s.process->start(VOREL_SIM_PATH, SimArguments(s.port, s.link));
    if (!s.process->waitForStarted(5000) || !WaitListening(s.port, 10000)) {
      std::fprintf(stderr, "vorel-sim %d did not start\n", i + 1);
      return 1;
    }
  }
  const auto writeConfig = [&](int lines, int metricsPort) {
    const QString path = dir.filePath(QString("watch%1.ini").arg(lines));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    QString text = QString("[Mqtt]\nHost=127.0.0.1\nPort=%1\n[Metrics]\nAddress=127.0.0.1:%2\n")
                       .arg(brokerPort)
                       .arg(metricsPort);
    for (int i = 0; i < lines; ++i)
      text += QString("[Line l%1]\nPort=tcp://127.0.0.1:%2\nSites=1-%3\n")
                  .arg(i + 1)
                  .arg(sims[static_cast<std::size_t>(i)].port)
                  .arg(kSitesPerLine);
    f.write(text.toUtf8());
    return path;
  };
  const auto startWatcher = [&](QProcess& w, int lines, int metricsPort) {
    w.setProcessEnvironment(env);
    w.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    w.start(VOREL_CLI_PATH, {"watch", "--config", writeConfig(lines, metricsPort)});
    return w.waitForStarted(5000) && WaitListening(metricsPort, 10000);
  };
  // The mean cycle of each line over `forSeconds`, after its first cycle (which holds the
  // identifications) has been seen; waits up to 5 minutes for that.
  const auto meanCycles = [&](int metricsPort, std::size_t lines, int forSeconds) {
    std::map<std::string, std::pair<double, int>> sums;
    std::map<std::string, double> last;
    QElapsedTimer clock;
    clock.start();
    while (last.size() < lines && clock.elapsed() < 300000) {
      last = Cycles(Scrape(metricsPort));
      QThread::msleep(500);
    }
    clock.restart();
    while (clock.elapsed() < forSeconds * 1000) {
      for (const auto& [line, c] : Cycles(Scrape(metricsPort))) {
        if (last[line] != c) {  // a new cycle
          sums[line].first += c;
          ++sums[line].second;
          last[line] = c;
        }
      }
      QThread::msleep(500);
    }
    std::map<std::string, double> mean;
    for (const auto& [line, s] : sums) mean[line] = s.second ? s.first / s.second : 0;
    return mean;
  };

  // One line alone first: its cycle is the yardstick.
  double alone = 0;
  {
    QProcess w;
    const int metricsPort = FreePort();
    if (!startWatcher(w, 1, metricsPort)) return 1;
    alone = meanCycles(metricsPort, 1, kAloneSeconds)["l1"];
    w.terminate();
    w.waitForFinished(5000);
  }
  std::printf("line l1 alone: cycle %.3f s over %d sites at 9600 baud\n", alone, kSitesPerLine);
  std::fflush(stdout);

  AlarmCounter counter(brokerPort);
  QProcess watcher;
  const int metricsPort = FreePort();
  if (!startWatcher(watcher, kLines, metricsPort)) return 1;
  const qint64 pid = watcher.processId();
  std::printf("%6s %7s %8s %7s %7s %7s %s\n", "t(s)", "CPU%", "RSS(MB)", "alarms", "dup", "missing",
              "cycle per line (s)");
  QElapsedTimer clock;
  clock.start();
  double lastCpu = ProcessCpuSeconds(pid);
  qint64 lastMs = 0;
  int commandSite = 1;
  int commandLine = 0;
  bool brokerDown = false;
  const qint64 outageStart = static_cast<qint64>(seconds) * 500;
  std::map<std::string, std::pair<double, int>> cycleSums;
  std::map<std::string, double> lastCycle;
  double cpuAfterMinute = 0;
  double rssAfterMinute = 0;
  double rssMax = 0;
  double cpuMax = 0;
  qint64 nextScrape = kScrapeMs;
  qint64 nextCommand = 5000;
  while (clock.elapsed() < seconds * 1000LL) {
    const qint64 now = clock.elapsed();
    if (now >= nextCommand) {
      // A failed start on one site, or a reset that clears its alarm, in turn over the lines.
      const Sim& s = sims[static_cast<std::size_t>(commandLine)];
      const QStringList base{"--port", s.link};
      const bool reset = (commandSite % 2) == 0;
      const int site = reset ? commandSite - 1 : commandSite;
      QStringList commands = reset ? QStringList{"reset", "off"} : QStringList{"manual", "start"};
      for (const QString& c : commands) {
        QProcess cli;
        cli.setProcessEnvironment(env);
        cli.start(VOREL_CLI_PATH, base + QStringList{"command", QString::number(site), c, "--yes"});
        cli.waitForFinished(30000);
      }
      commandLine = (commandLine + 1) % kLines;
      if (commandLine == 0) commandSite = commandSite % kSitesPerLine + 1;
      nextCommand = now + 10000;
    }
    if (!brokerDown && outage > 0 && now >= outageStart && now < outageStart + outage * 1000LL) {
      broker.terminate();
      broker.waitForFinished(5000);
      brokerDown = true;
      std::printf("broker stopped\n");
    }
    if (brokerDown && now >= outageStart + outage * 1000LL) {
      if (!startBroker()) std::fprintf(stderr, "mosquitto did not restart\n");
      brokerDown = false;
      std::printf("broker started again\n");
    }
    if (now >= nextScrape) {
      const std::string metrics = Scrape(metricsPort);
      const double cpu = ProcessCpuSeconds(pid);
      const double percent = 100.0 * (cpu - lastCpu) / (static_cast<double>(now - lastMs) / 1000.0);
      lastCpu = cpu;
      lastMs = now;
      const double rss = ResidentMb(pid);
      std::size_t unique = 0, duplicates = 0, missing = 0;
      counter.Totals(unique, duplicates, missing);
      std::string cycles;
      for (const auto& [line, c] : Cycles(metrics)) {
        char item[32];
        std::snprintf(item, sizeof item, " %.2f", c);
        cycles += item;
        if (lastCycle.count(line) && lastCycle[line] != c) {
          cycleSums[line].first += c;
          ++cycleSums[line].second;
        }
        lastCycle[line] = c;
      }
      std::printf("%6lld %7.2f %8.1f %7zu %7zu %7zu%s\n", static_cast<long long>(now / 1000),
                  percent, rss, unique, duplicates, missing, cycles.c_str());
      std::fflush(stdout);
      if (now > 60000) {
        if (rssAfterMinute == 0) rssAfterMinute = rss;
        rssMax = std::max(rssMax, rss);
        cpuMax = std::max(cpuMax, percent);
        if (cpuAfterMinute == 0) cpuAfterMinute = cpu;
      }
      nextScrape += kScrapeMs;
    }
    QThread::msleep(200);
  }
  const double cpuTotal = ProcessCpuSeconds(pid);
  watcher.terminate();
  watcher.waitForFinished(5000);
  // Messages still on their way after the stop are counted too.
  QThread::msleep(2000);
  std::size_t unique = 0, duplicates = 0, missing = 0;
  counter.Totals(unique, duplicates, missing);
  std::printf("\n%d lines x %d sites, %d s (broker down %d s midway)\n", kLines, kSitesPerLine,
              seconds, outage);
  const double measured = static_cast<double>(seconds) - 60.0;
  std::printf(
      "CPU after the first minute: %.2f %% of one core on average, %.2f %% at most per 15 s\n",
      measured > 0 ? 100.0 * (cpuTotal - cpuAfterMinute) / measured : 0.0, cpuMax);
  std::printf("resident memory: %.1f MB after the first minute, %.1f MB at most\n", rssAfterMinute,
              rssMax);
  std::printf(
      "alarm messages at the subscriber: %zu (duplicates %zu), missing from the sequences: %zu\n",
      unique, duplicates, missing);
  double worst = 0;
  for (const auto& [line, s] : cycleSums) {
    const double mean = s.second ? s.first / s.second : 0;
    worst = std::max(worst, alone > 0 ? mean / alone : 0);
    std::printf("line %s: mean cycle %.3f s = %.3f x alone\n", line.c_str(), mean,
                alone > 0 ? mean / alone : 0.0);
  }
  std::printf("worst cycle ratio: %.3f (budget 1.05)\n", worst);
  for (Sim& s : sims) {
    s.process->terminate();
    s.process->waitForFinished(5000);
  }
  broker.terminate();
  broker.waitForFinished(5000);
  mosquitto_lib_cleanup();
  return 0;
}
