// The connection over TCP: vorel-sim serving its sites on a loopback TCP port, reached by the
// port name tcp://127.0.0.1:PORT as a serial device server would be. Identification, a
// parameter read and write, a connection dropped in the middle of a read, and port names that
// cannot work.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include "control/connect_sequence.h"
#include "control/session.h"
#include "core/language.h"
#include "link/named_port.h"
#include "link/qt_event_pump.h"
#include "link/request_worker.h"
#include "support/pump_time.h"
#include "support/recording_windows.h"
#include "support/scripted_host.h"
#include "support/sim_process.h"

namespace vorel::test {
namespace {

// A port of the loopback interface that nobody listens on just now.
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

struct CliRun {
  int code;
  std::string out;
  std::string err;
  qint64 ms;
};

CliRun RunCli(const QStringList& arguments) {
  QTemporaryDir config;
  QProcess cli;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_CONFIG_HOME", config.path());
  cli.setProcessEnvironment(env);
  QElapsedTimer clock;
  clock.start();
  cli.start(VOREL_CLI_PATH, arguments);
  EXPECT_TRUE(cli.waitForFinished(30000));
  return {cli.exitCode(), cli.readAllStandardOutput().toStdString(),
          cli.readAllStandardError().toStdString(), clock.elapsed()};
}

class TcpSim : public ::testing::Test {
 protected:
  void SetUp() override { SetLanguageSetting("english"); }
  void TearDown() override {
    session.reset();
    sim.Stop();
    SetLanguageSetting("chinese");
  }

  void Start(QStringList arguments) {
    tcpPort = FreePort();
    name = "tcp://127.0.0.1:" + std::to_string(tcpPort);
    arguments << "--tcp" << QString::number(tcpPort);
    ASSERT_TRUE(sim.Start(arguments)) << sim.error();
    session = std::make_unique<Session>(host, pump, view);
    session->SetWindowFactory(
        [](int, SiteCommands&) { return std::make_unique<RecordingWindow>(); });
    session->SetPortFactory([] { return std::make_unique<NamedPort>(); });
    PortSettings settings;
    settings.name = name;
    std::string error;
    ASSERT_TRUE(session->Connector().OpenPort(settings, &error)) << error;
  }
  std::uint16_t ReadRegister(int site, std::uint16_t address) {
    session->Poll().WaitForLinkOrStoppedPoll();
    session->Poll().StopPolling();
    PlainRead(session->Link(), static_cast<std::uint8_t>(site), {address, 1, 0, {}}).WaitFor();
    EXPECT_TRUE(session->Link().WaitForReply(site));
    session->Poll().StartPolling();
    return session->Images().Word(site, address);
  }

  int tcpPort = 0;
  std::string name;
  SimProcess sim{VOREL_SIM_PATH};
  QtEventPump pump;
  ScriptedHost host;
  RecordingView view;
  std::unique_ptr<Session> session;
};

TEST_F(TcpSim, IdentifyReadAndWriteAParameter) {
  Start({"--baud", "0", "--site", "1"});
  std::array<bool, kSiteCount> selected{};
  selected[0] = true;
  session->Connector().ConnectSites(selected);
  ASSERT_TRUE(session->IsOnline(1)) << (host.messages.empty() ? "" : host.messages.back());
  session->ReadParameters(1);
  EXPECT_EQ(host.progress, (std::vector<int>{25, 50, 75, 100, 0}));
  EXPECT_TRUE(host.messages.empty());

  session->UnlockParameters(1, "1234");
  ASSERT_TRUE(RunUntil(
      pump, [&] { return session->Images().Word(1, 0x0004) == kUnlockedMark; }, 3000));
  const ParameterDescriptor* pick = nullptr;
  const auto descriptors = session->Images().ParameterDescriptors(1, reg::kParamConfig1);
  for (const auto& d : descriptors) {
    if (d.address != 0x0004 && d.count == 1 && d.maximum > d.minimum) {
      pick = &d;
      break;
    }
  }
  ASSERT_NE(pick, nullptr);
  const auto value = static_cast<std::uint16_t>(
      static_cast<std::int16_t>(session->Images().Word(1, pick->address)) == pick->minimum
          ? pick->minimum + 1
          : pick->minimum);
  session->Poll().WaitForLinkOrStoppedPoll();
  session->Poll().StopPolling();
  ASSERT_TRUE(session->WriteBlock(1, pick->address, {&value, 1}));
  session->Poll().StartPolling();
  session->Images().SetWord(1, pick->address, 0);
  EXPECT_EQ(ReadRegister(1, pick->address), value);
  EXPECT_TRUE(host.messages.empty());

  // vorel-cli names the same port (the session lets go of it first: one client at a time).
  const std::uint16_t address = pick->address;
  session.reset();
  const CliRun identify = RunCli({"--port", QString::fromStdString(name), "identify", "1"});
  EXPECT_EQ(identify.code, 0) << identify.err;
  EXPECT_NE(identify.out.find("Address 1: connected"), std::string::npos) << identify.out;
  const CliRun read =
      RunCli({"--port", QString::fromStdString(name), "read", "1", QString::number(address), "1"});
  EXPECT_EQ(read.code, 0) << read.err;
  EXPECT_EQ(read.out, std::to_string(value) + "\n");
}

TEST_F(TcpSim, DroppedConnectionMidReadIsToldOnce) {
  // Line pacing makes the parameter read last long enough to be cut.
  Start({"--site", "1"});
  std::array<bool, kSiteCount> selected{};
  selected[0] = true;
  session->Connector().ConnectSites(selected);
  ASSERT_TRUE(session->IsOnline(1));
  host.messages.clear();
  QTimer::singleShot(400, [this] { sim.Stop(); });
  QElapsedTimer clock;
  clock.start();
  session->ReadParameters(1);
  RunUntil(
      pump, [&] { return !session->PortOpen(); }, 5000);
  EXPECT_LT(clock.elapsed(), 5000);
  ASSERT_EQ(host.messages.size(), 2u) << (host.messages.empty() ? "" : host.messages.back());
  EXPECT_EQ(host.messages[0], "Communication timeout!");
  EXPECT_EQ(host.messages[1], "The connection to 127.0.0.1:" + std::to_string(tcpPort) +
                                  " was lost (the server closed the connection). Connect "
                                  "again when the server is back.");
  EXPECT_FALSE(session->PortOpen());
  EXPECT_FALSE(session->Poll().PollTimerRunning());
  EXPECT_EQ(view.status.back(), "disconnected.");
  RunUntil(
      pump, [] { return false; }, 1000);  // and nothing more is said
  EXPECT_EQ(host.messages.size(), 2u);
}

TEST(TcpPortNames, BadNamesAreRefusedWithTheReason) {
  struct Case {
    const char* name;
    const char* why;
  };
  // clang-format off
  const Case cases[] = {
      {"tcp://",           "the host is missing"},
      {"tcp://host",       "the port number is missing"},
      {"tcp://host:",      "the port number is missing"},
      {"tcp://:502",       "the host is missing"},
      {"tcp://host:0",     "the port number must be 1 to 65535"},
      {"tcp://host:70000", "the port number must be 1 to 65535"},
      {"tcp://host:50x",   "the port number must be 1 to 65535"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CliRun run = RunCli({"--port", c.name, "read", "1", "0", "1"});
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find(std::string("Bad port name '") + c.name + "': " + c.why),
              std::string::npos)
        << run.err;
  }
  // A port nobody listens on: refused at once, naming the host.
  const int port = FreePort();
  const CliRun refused =
      RunCli({"--port", QString("tcp://127.0.0.1:%1").arg(port), "read", "1", "0", "1"});
  EXPECT_EQ(refused.code, 1);
  EXPECT_NE(refused.err.find("Cannot connect to 127.0.0.1:" + std::to_string(port) +
                             ": the connection was refused"),
            std::string::npos)
      << refused.err;
  EXPECT_LT(refused.ms, 3000);
}

}  // namespace
}  // namespace vorel::test
