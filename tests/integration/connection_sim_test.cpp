// Connection, polling and the parameter exchanges against vorel-sim over a real
// pseudo-terminal.
#include <gtest/gtest.h>

#include <QProcess>
#include <fstream>
#include <vector>

#include "control/session.h"
#include "core/language.h"
#include "link/posix_serial_port.h"
#include "link/qt_event_pump.h"
#include "link/request_worker.h"
#include "support/pump_time.h"
#include "support/recording_windows.h"
#include "support/scripted_host.h"
#include "support/sim_process.h"
#include "support/sim_trace.h"

namespace vorel::test {
namespace {

class SimConnection : public ::testing::Test {
 protected:
  void SetUp() override { SetLanguageSetting("english"); }
  void TearDown() override {
    session.reset();
    if (sim) sim->Stop();
    SetLanguageSetting("chinese");
  }

  void Start(QStringList arguments) {
    sim = std::make_unique<SimProcess>(VOREL_SIM_PATH);
    trace = sim->File("trace");
    arguments << "--baud"
              << "0"
              << "--trace" << QString::fromStdString(trace);
    ASSERT_TRUE(sim->Start(arguments)) << sim->error();
    session = std::make_unique<Session>(host, pump, view);
    session->SetWindowFactory([this](int site, SiteCommands&) {
      auto w = std::make_unique<RecordingWindow>();
      windows[site] = w.get();
      return w;
    });
    PortSettings settings;
    settings.name = sim->LinkPath();
    std::string error;
    session->SetPortFactory([] { return std::make_unique<PosixSerialPort>(); });
    ASSERT_TRUE(session->Connector().OpenPort(settings, &error)) << error;
  }

  void Connect(std::initializer_list<int> sites) {
    std::array<bool, kSiteCount> selected{};
    for (int n : sites) selected[static_cast<std::size_t>(n - 1)] = true;
    session->Connector().ConnectSites(selected);
  }

  std::vector<int> PolledSites(std::size_t from = 0) const {
    std::vector<int> sites;
    const auto all = TraceRequests(trace);
    for (std::size_t i = from; i < all.size(); ++i) {
      if (all[i].function == 3 && all[i].address == 0x804F) sites.push_back(all[i].site);
    }
    return sites;
  }
  std::vector<std::uint16_t> WriteAddresses(std::size_t from = 0) const {
    std::vector<std::uint16_t> out;
    const auto all = TraceRequests(trace);
    for (std::size_t i = from; i < all.size(); ++i) {
      if (all[i].function == 16) out.push_back(all[i].address);
    }
    return out;
  }
  // A plain read of one register through the connection's own link.
  std::uint16_t ReadRegister(int site, std::uint16_t address) {
    session->Poll().WaitForLinkOrStoppedPoll();
    session->Poll().StopPolling();
    PlainRead(session->Link(), static_cast<std::uint8_t>(site), {address, 1, 0, {}}).WaitFor();
    EXPECT_TRUE(session->Link().WaitForReply(site));
    session->Poll().StartPolling();
    return session->Images().Word(site, address);
  }
  void Unlock(int site, const std::string& password) { session->UnlockParameters(site, password); }
  // The site window's editors on the site's image, as the real window has them.
  EditorModel& EditorsOnImage(int site) {
    RecordingWindow* w = windows.at(site);
    w->modelImages = &session->Images();
    w->site = site;
    w->LoadAllPages();
    return w->editors;
  }

  QtEventPump pump;
  ScriptedHost host;
  RecordingView view;
  std::map<int, RecordingWindow*> windows;
  std::unique_ptr<SimProcess> sim;
  std::unique_ptr<Session> session;
  std::string trace;
};

TEST_F(SimConnection, OnlyTheAnsweringSiteOfTwoConnects) {
  Start({"--site", "7"});
  Connect({3, 7});
  EXPECT_EQ(host.messages, std::vector<std::string>{"Communication timeout!"});
  EXPECT_NE(std::find(view.status.begin(), view.status.end(), "Adress3Connect fail!"),
            view.status.end());
  EXPECT_FALSE(session->IsOnline(3));
  ASSERT_TRUE(session->IsOnline(7));
  EXPECT_EQ(windows.at(7)->caption, "3101 address 7");
  EXPECT_EQ(view.log.front(), "Korvane Interface Vorel2000 Version 1.40c");
  EXPECT_EQ(view.log.back(), "Initializing" + std::string(15, '.'));
  EXPECT_TRUE(session->Poll().PollTimerRunning());
}

TEST_F(SimConnection, TypesAndVersions) {
  Start({"--site", "1:3107", "--site", "2:3104:V5.05", "--site", "3:3104:V5.10"});
  EXPECT_FALSE(session->Connector().IdentifySite(1));
  EXPECT_FALSE(session->Connector().IdentifySite(2));
  EXPECT_TRUE(session->Connector().IdentifySite(3));
  EXPECT_EQ(host.messages,
            (std::vector<std::string>{"Unsupported controller!",
                                      "Controller version wrong! Please upgrade the software."}));
}

TEST_F(SimConnection, TwoSitesArePolledInTurn) {
  Start({"--site", "2", "--site", "5"});
  Connect({2, 5});
  const std::size_t from = TraceRequests(trace).size();
  RunFor(pump, 3000);
  const auto sites = PolledSites(from);
  ASSERT_GE(sites.size(), 6u);
  for (std::size_t i = 1; i < sites.size(); ++i) EXPECT_NE(sites[i], sites[i - 1]) << i;
  EXPECT_TRUE(host.questions.empty());
}

TEST_F(SimConnection, CancelStopsPollingOfTheSiteUntilARead) {
  Start({"--site", "2", "--site", "5", "--fault-noreply", "1", "--fault-site", "2",
         "--fault-register", "0x804F", "--fault-after", "1", "--fault-count", "1"});
  Connect({2, 5});
  host.defaultAnswer = Answer::Cancel;
  ASSERT_TRUE(RunUntil(
      pump, [&] { return !host.questions.empty(); }, 6000));
  EXPECT_EQ(host.questions[0].site, 2);
  std::size_t from = TraceRequests(trace).size();
  RunFor(pump, 2000);
  auto sites = PolledSites(from);
  ASSERT_FALSE(sites.empty());
  for (int s : sites) EXPECT_EQ(s, 5);

  session->ReadParameters(2);
  from = TraceRequests(trace).size();
  RunFor(pump, 2000);
  sites = PolledSites(from);
  EXPECT_NE(std::find(sites.begin(), sites.end(), 2), sites.end());
}

TEST_F(SimConnection, ReadWriteUnlockAndPassword) {
  Start({"--site", "1"});
  Connect({1});
  ASSERT_TRUE(session->IsOnline(1));
  RecordingWindow* w = windows.at(1);

  session->ReadParameters(1);
  EXPECT_EQ(host.progress, (std::vector<int>{25, 50, 75, 100, 0}));
  EXPECT_EQ(w->caption, "3101 address 1");

  // Locked: refused, nothing sent.
  RunFor(pump, 800);
  std::size_t from = TraceRequests(trace).size();
  session->WriteParameters(1);
  EXPECT_EQ(host.messages.back(), "Please unlock the write protection!");
  EXPECT_TRUE(WriteAddresses(from).empty());

  // Unlock sends OFF and the password, then puts back the mode it found (AUTO) and leaves
  // protection open.
  const std::uint16_t autoMode = kModeAuto;
  session->Poll().StopPolling();
  ASSERT_TRUE(session->WriteBlock(1, 0x0113, {&autoMode, 1}));
  session->Poll().StartPolling();
  ASSERT_TRUE(RunUntil(
      pump, [&] { return session->Images().Word(1, 0x0113) == kModeAuto; }, 3000));
  from = TraceRequests(trace).size();
  Unlock(1, "1234");
  ASSERT_TRUE(RunUntil(
      pump, [&] { return session->Images().Word(1, 0x0004) == kUnlockedMark; }, 3000));
  RunFor(pump, 600);
  EXPECT_TRUE(w->unlockedShown);
  EXPECT_EQ(w->panels[1], "unlocked");
  const auto unlockWrites = WriteAddresses(from);
  EXPECT_EQ(std::count(unlockWrites.begin(), unlockWrites.end(), 0x0113), 2);
  EXPECT_EQ(std::count(unlockWrites.begin(), unlockWrites.end(), 0x0004), 1);
  ASSERT_TRUE(RunUntil(
      pump, [&] { return session->Images().Word(1, 0x0113) == kModeAuto; }, 3000));

  // In AUTO, an edited value reaches the controller between mode OFF and AUTO again; nothing
  // else is sent (neither the password nor the clock).
  const std::uint16_t before = ReadRegister(1, 0x0073);
  EditorsOnImage(1).Find("seLCompensation")->number += 0.01;
  host.answers = {Answer::No};
  from = TraceRequests(trace).size();
  host.messages.clear();
  session->WriteParameters(1);
  EXPECT_TRUE(host.messages.empty()) << host.messages.front();
  EXPECT_EQ(WriteAddresses(from), (std::vector<std::uint16_t>{0x0113, 0x0073, 0x0113}));
  EXPECT_EQ(host.questions.back().text, "Modify sensor chart?");
  EXPECT_EQ(ReadRegister(1, 0x0073), before + 1);
  EXPECT_EQ(ReadRegister(1, 0x0113), kModeAuto);

  // A new password; the old one no longer unlocks, the new one does.
  session->ChangePassword(1, "4321");
  const std::uint16_t lockWord = 0;
  session->Poll().StopPolling();
  session->WriteBlock(1, 0x0004, {&lockWord, 1});
  session->Poll().StartPolling();
  Unlock(1, "1234");
  RunFor(pump, 1500);
  EXPECT_NE(session->Images().Word(1, 0x0004), kUnlockedMark);
  Unlock(1, "4321");
  EXPECT_TRUE(RunUntil(
      pump, [&] { return session->Images().Word(1, 0x0004) == kUnlockedMark; }, 3000));
}

// The controller refuses the third edited register: the two before it are written back, the
// failure and the rollback are shown, and no curve question follows.
TEST_F(SimConnection, AFailedWriteRollsBackWhatWentBefore) {
  Start({"--site", "1", "--fault-exception", "1", "--fault-function", "16", "--fault-register",
         "0x011A", "--fault-count", "1"});
  Connect({1});
  ASSERT_TRUE(session->IsOnline(1));
  Unlock(1, "1234");  // two writes: mode and password
  ASSERT_TRUE(RunUntil(
      pump, [&] { return session->Images().Word(1, 0x0004) == kUnlockedMark; }, 3000));
  const std::uint16_t before[] = {ReadRegister(1, 0x0073), ReadRegister(1, 0x0075),
                                  ReadRegister(1, 0x011A)};
  EditorModel& editors = EditorsOnImage(1);
  editors.Find("seLCompensation")->number += 0.01;
  editors.Find("seDCDrop")->number += 0.1;
  editors.Find("seRPMRate")->number += 1;
  const std::size_t from = TraceRequests(trace).size();
  session->WriteParameters(1);
  EXPECT_EQ(WriteAddresses(from),
            (std::vector<std::uint16_t>{0x0073, 0x0075, 0x011A, 0x0073, 0x0075, 0x011A}));
  ASSERT_FALSE(host.messages.empty());
  EXPECT_EQ(host.messages.front(),
            "Exception response! (code 04: the controller refused the request)");
  EXPECT_EQ(host.messages.back(),
            "0x0073+1 restored from the snapshot\n0x0075+1 restored from the snapshot\n"
            "0x011A+1 restored from the snapshot\nthe write failed");
  EXPECT_TRUE(host.questions.empty());
  EXPECT_EQ(ReadRegister(1, 0x0073), before[0]);
  EXPECT_EQ(ReadRegister(1, 0x0075), before[1]);
  EXPECT_EQ(ReadRegister(1, 0x011A), before[2]);
  EXPECT_TRUE(session->Poll().PollTimerRunning());
}

std::pair<int, std::string> RunCli(const QStringList& arguments) {
  QProcess cli;
  cli.start(VOREL_CLI_PATH, arguments);
  EXPECT_TRUE(cli.waitForFinished(60000));
  return {cli.exitCode(), cli.readAllStandardOutput().toStdString()};
}

TEST(CliSim, IdentifyAndScan) {
  SimProcess sim(VOREL_SIM_PATH);
  ASSERT_TRUE(sim.Start({"--baud", "0", "--site", "7", "--site", "9:3107"})) << sim.error();
  const QString port = QString::fromStdString(sim.LinkPath());
  auto [code, out] = RunCli({"--port", port, "identify", "7"});
  EXPECT_EQ(code, 0);
  // The controller's identification only: no banner, progress, status noise or blank lines.
  const std::string serial = "Serial Number: ";
  const std::size_t at = out.find(serial);
  ASSERT_NE(at, std::string::npos) << out;
  EXPECT_EQ(out.substr(0, at), "GENSET CONTROLLER 3101 V5.10\nProduct Code 3101\n");
  const std::size_t end = out.find('\n', at);
  EXPECT_EQ(end - at, serial.size() + 12) << out;
  EXPECT_EQ(out.substr(end + 1), "Address 7: connected\n");

  std::tie(code, out) = RunCli({"--port", port, "identify", "7", "9"});
  EXPECT_EQ(code, 1);
  EXPECT_NE(out.find("\nAddress 9: Unsupported controller!\n"), std::string::npos);

  std::tie(code, out) = RunCli({"--port", port, "scan"});
  EXPECT_EQ(code, 0);
  EXPECT_EQ(out, "Address 7: product code 3101\nAddress 9: product code 3107\n");
  sim.Stop();
}

// --trace FILE: the frames of the command, a request and its outcome per line.
TEST(CliSim, TraceWritesEveryFrame) {
  SimProcess sim(VOREL_SIM_PATH);
  ASSERT_TRUE(sim.Start({"--baud", "0", "--site", "7"})) << sim.error();
  const QString port = QString::fromStdString(sim.LinkPath());
  const std::string trace = sim.File("trace.txt");
  auto [code, out] = RunCli(
      {"--port", port, "--trace", QString::fromStdString(trace), "read", "7", "0x0169", "4"});
  EXPECT_EQ(code, 0);
  std::ifstream in(trace);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find(" TX   7  03  0169+4      8  07 03 01 69 00 04 "), std::string::npos)
      << lines[0];
  EXPECT_NE(lines[1].find(" RX   7  03  0169+4     13  07 03 08 "), std::string::npos) << lines[1];
  EXPECT_TRUE(lines[1].ends_with("  reply")) << lines[1];

  std::tie(code, out) = RunCli({"--port", port, "--trace", "/nonexistent/dir/t.txt", "scan"});
  EXPECT_EQ(code, 2);
  sim.Stop();
}

}  // namespace
}  // namespace vorel::test
