// The dial-up modem against vorel-sim in modem mode over a real pseudo-terminal: Connect dials
// before any request, polls through the call and hangs up on Disconnect; vorel-cli identifies
// through the modem. A pty has no carrier line, so every second Connect dials again here;
// the carrier-dependent steps are tested on the in-memory port.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QElapsedTimer>
#include <QProcess>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "control/session.h"
#include "control/settings.h"
#include "core/language.h"
#include "core/register_table.h"
#include "link/posix_serial_port.h"
#include "link/qt_event_pump.h"
#include "support/pump_time.h"
#include "support/recording_windows.h"
#include "support/scripted_host.h"
#include "support/sim_process.h"
#include "support/sim_trace.h"

namespace vorel::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kAth0 = " 41 54 48 30";  // "ATH0"
constexpr const char* kAtdt = " 41 54 44 54";  // "ATDT"

class ModemSim : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLanguageSetting("english");
    std::string t = (fs::temp_directory_path() / "vorel-modem-sim-XXXXXX").string();
    dir_ = ::mkdtemp(t.data());
    ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    sim = std::make_unique<SimProcess>(VOREL_SIM_PATH);
    trace = sim->File("trace");
    ASSERT_TRUE(sim->Start({"--baud", "0", "--site", "1:3101", "--modem", "--dial-delay", "300",
                            "--connect-speed", "19200", "--trace", QString::fromStdString(trace)}))
        << sim->error();
    fs::create_directories(VportIniPath().parent_path());
    std::ofstream(VportIniPath(), std::ios::binary)
        << "[ComPort1]\r\nPort=" << sim->LinkPath()
        << "\r\nBaudRate=9600\r\n[Connect]\r\nModem=-1\r\n[Device]\r\nControlerAddr1=1\r\n";
  }
  void TearDown() override {
    session.reset();
    if (sim) sim->Stop();
    fs::remove_all(dir_);
    SetLanguageSetting("chinese");
  }
  std::string Trace() const {
    std::ifstream in(trace);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  // Value reads of site 1 that reached the simulator.
  int Polls() const {
    int n = 0;
    for (const TraceRequest& r : TraceRequests(trace))
      n += r.site == 1 && r.function == 3 && r.address == reg::kLiveValues.address ? 1 : 0;
    return n;
  }
  static int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }

  fs::path dir_;
  std::unique_ptr<SimProcess> sim;
  std::string trace;
  QtEventPump pump;
  ScriptedHost host;
  RecordingView view;
  std::unique_ptr<Session> session;
};

TEST_F(ModemSim, ConnectDialsPollsThroughTheCallAndDisconnectHangsUp) {
  view.dialNumber = "5551234";
  session = std::make_unique<Session>(host, pump, view);
  session->SetPortFactory([] { return std::make_unique<PosixSerialPort>(); });
  session->Connector().Connect();
  ASSERT_TRUE(session->IsOnline(1)) << (host.messages.empty() ? "" : host.messages.back());
  EXPECT_EQ(view.status1, "connected at 19200bps");
  EXPECT_TRUE(view.hangupEnabled);
  const std::string dialled = Trace();
  const auto dial = dialled.find(kAtdt);
  ASSERT_NE(dial, std::string::npos);
  EXPECT_EQ(dialled.rfind(" RX 01 03", dial), std::string::npos) << "a request before the dial";

  const int polls = Polls();
  RunFor(pump, 2500);
  EXPECT_GT(Polls(), polls);

  // A pty reads no carrier: a second Connect dials again on the open port, then goes on.
  session->Connector().Connect();
  EXPECT_EQ(Count(Trace(), kAtdt), 2);
  EXPECT_TRUE(session->IsOnline(1));

  session->Connector().Disconnect();
  EXPECT_EQ(Count(Trace(), kAth0), 1);
  EXPECT_FALSE(session->PortOpen());
  EXPECT_FALSE(view.hangupEnabled);
  EXPECT_EQ(view.status.back(), "disconnected.");
  RunFor(pump, 500);
  const int after = Polls();
  RunFor(pump, 1500);
  EXPECT_EQ(Polls(), after);
}

TEST_F(ModemSim, CliIdentifiesThroughTheModem) {
  QProcess cli;
  cli.start(VOREL_CLI_PATH, {"--modem", "--dial", "5551234", "--port",
                             QString::fromStdString(sim->LinkPath()), "identify", "1"});
  ASSERT_TRUE(cli.waitForFinished(60000));
  const std::string out = cli.readAllStandardOutput().toStdString();
  const std::string err = cli.readAllStandardError().toStdString();
  EXPECT_EQ(cli.exitCode(), 0) << err;
  EXPECT_NE(out.find("Address 1: connected"), std::string::npos) << out;
  EXPECT_NE(err.find("modem: dialing5551234...\nmodem: connected at 19200bps\n"), std::string::npos)
      << err;
  EXPECT_NE(err.find("modem: hung up"), std::string::npos) << err;
  EXPECT_EQ(Count(Trace(), kAth0), 1);

  // Without a number the modem cannot be used.
  QProcess bad;
  bad.start(VOREL_CLI_PATH, {"--modem", "identify", "1"});
  ASSERT_TRUE(bad.waitForFinished(10000));
  EXPECT_EQ(bad.exitCode(), 2);
}

}  // namespace
// A modem that sends its answer in two pieces, with a wait cycle between them: the dial still
// recognises "CONNECT 19200" across the cycles.
TEST_F(ModemSim, CliRecognisesAnAnswerSplitAcrossWaitCycles) {
  sim->Stop();
  sim = std::make_unique<SimProcess>(VOREL_SIM_PATH);
  ASSERT_TRUE(sim->Start({"--baud", "0", "--site", "1:3101", "--modem", "--dial-delay", "300",
                          "--connect-speed", "19200", "--split-answer", "700"}))
      << sim->error();
  QProcess cli;
  cli.start(VOREL_CLI_PATH, {"--modem", "--dial", "5551234", "--port",
                             QString::fromStdString(sim->LinkPath()), "identify", "1"});
  ASSERT_TRUE(cli.waitForFinished(60000));
  const std::string err = cli.readAllStandardError().toStdString();
  EXPECT_EQ(cli.exitCode(), 0) << err;
  EXPECT_NE(err.find("modem: connected at 19200bps\n"), std::string::npos) << err;
}

// A modem that refuses the dial: vorel-cli ends the dial at the modem's answer and says that
// the dial failed and why, not that the port could not be opened.
TEST_F(ModemSim, CliSaysWhyTheDialFailed) {
  sim->Stop();
  sim = std::make_unique<SimProcess>(VOREL_SIM_PATH);
  ASSERT_TRUE(sim->Start(
      {"--baud", "0", "--site", "1:3101", "--modem", "--dial-delay", "300", "--refuse", "BUSY"}))
      << sim->error();
  QElapsedTimer clock;
  clock.start();
  QProcess cli;
  cli.start(VOREL_CLI_PATH, {"--modem", "--dial", "5551234", "--port",
                             QString::fromStdString(sim->LinkPath()), "identify", "1"});
  ASSERT_TRUE(cli.waitForFinished(60000));
  const std::string err = cli.readAllStandardError().toStdString();
  EXPECT_EQ(cli.exitCode(), 1) << err;
  EXPECT_LT(clock.elapsed(), 15000) << "the dial waited out its minute";
  EXPECT_NE(err.find("modem: modem connect fail: The modem answered BUSY.\n"), std::string::npos)
      << err;
  EXPECT_NE(err.find("The dial failed: The modem answered BUSY."), std::string::npos) << err;
  EXPECT_EQ(err.find("Com port openning error"), std::string::npos) << err;
  EXPECT_EQ(err.find("in use by"), std::string::npos) << err;
}

}  // namespace vorel::test
