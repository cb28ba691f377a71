// A site reached over TCP against the same site on a pseudo-terminal: vorel-sim serves one
// controller on both at 9600 baud with its line pacing, and the same plain read (the
// identification block) and the same identification run over each, in turns. Prints the time
// per operation on each (the median, so that a busy machine's stray delay does not count) and
// the ratio TCP / pseudo-terminal.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "control/session.h"
#include "core/language.h"
#include "link/named_port.h"
#include "link/qt_event_pump.h"
#include "link/quiet_host.h"
#include "sim_bench_support.h"

namespace {

using vorel::bench::NullView;

constexpr int kRounds = 3;
constexpr int kReadsPerRound = 20;
constexpr int kIdentificationsPerRound = 2;

class SilentHost : public vorel::QuietHost {
 public:
  void ShowMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
};

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

double NowMs() {
  return std::chrono::duration<double, std::milli>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

struct Timing {
  std::vector<double> readMs;
  std::vector<double> identifyMs;
  int failures = 0;
};

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// One round on the port `name`: the plain reads, then the identifications.
void Round(const std::string& name, Timing& total) {
  SilentHost host;
  NullView view;
  vorel::QtEventPump pump;
  vorel::Session session(host, pump, view);
  session.SetPortFactory([] { return std::make_unique<vorel::NamedPort>(); });
  vorel::PortSettings settings;
  settings.name = name;
  std::string error;
  if (!session.Connector().OpenPort(settings, &error)) {
    std::fprintf(stderr, "%s: %s\n", name.c_str(), error.c_str());
    ++total.failures;
    return;
  }
  for (int i = 0; i < kReadsPerRound; ++i) {
    const double t0 = NowMs();
    session.Link().DelayWithEvents(vorel::kRequestPauseMs);
    if (!session.ReadBlock<vorel::PlainRead>(1, vorel::reg::kIdentification)) ++total.failures;
    total.readMs.push_back(NowMs() - t0);
  }
  for (int i = 0; i < kIdentificationsPerRound; ++i) {
    session.FreeSlot(1);
    const double t0 = NowMs();
    if (!session.Connector().IdentifySite(1)) ++total.failures;
    total.identifyMs.push_back(NowMs() - t0);
  }
  session.Connector().CloseQuietly();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  vorel::SetLanguageSetting("english");
  QTemporaryDir dir;
  const QString link = dir.filePath("line");
  const int tcpPort = FreePort();
  QProcess sim;
  sim.start(VOREL_SIM_PATH,
            {"--link", link, "--tcp", QString::number(tcpPort), "--baud", "9600", "--site", "1"});
  if (!sim.waitForReadyRead(10000)) {
    std::fprintf(stderr, "vorel-sim did not start\n");
    return 1;
  }
  const std::string pty = link.toStdString();
  const std::string tcp = "tcp://127.0.0.1:" + std::to_string(tcpPort);
  Timing onPty;
  Timing onTcp;
  for (int round = 0; round < kRounds; ++round) {
    Round(pty, onPty);
    Round(tcp, onTcp);
  }
  sim.terminate();
  sim.waitForFinished(5000);

  const double readPty = Median(onPty.readMs);
  const double readTcp = Median(onTcp.readMs);
  const double identifyPty = Median(onPty.identifyMs);
  const double identifyTcp = Median(onTcp.identifyMs);
  std::printf("vorel-sim at 9600 baud with line pacing, one site; pseudo-terminal against %s\n",
              tcp.c_str());
  std::printf("  plain read of 29 registers  pty %8.1f ms   tcp %8.1f ms   ratio tcp/pty %.3f\n",
              readPty, readTcp, readTcp / readPty);
  std::printf("  identification              pty %8.1f ms   tcp %8.1f ms   ratio tcp/pty %.3f\n",
              identifyPty, identifyTcp, identifyTcp / identifyPty);
  std::printf("  budget: ratio at most 1.02; failures %d (pty) %d (tcp)\n", onPty.failures,
              onTcp.failures);
  return onPty.failures + onTcp.failures == 0 ? 0 : 1;
}
