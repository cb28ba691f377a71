// vorel-cli monitor and command against vorel-sim: the snapshot, the CSV rows, the commands
// and the confirmation START needs.
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "support/sim_process.h"

namespace vorel::test {
namespace {

class CliMonitorSim : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(config.isValid());
    SetLanguage("english");
    ASSERT_TRUE(sim.Start({"--baud", "0", "--site", "5", "--time-scale", "50"})) << sim.error();
  }
  void SetLanguage(const std::string& language) {
    std::filesystem::create_directories(config.path().toStdString() + "/vorel");
    std::ofstream(config.path().toStdString() + "/vorel/vport.ini", std::ios::binary)
        << "[System]\r\nLanguage=" << language << "\r\n";
  }
  std::pair<int, std::string> Cli(QStringList arguments) {
    arguments.prepend(QString::fromStdString(sim.LinkPath()));
    arguments.prepend("--port");
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", config.path());
    cli.setProcessEnvironment(env);
    cli.setStandardInputFile(QProcess::nullDevice());
    cli.start(VOREL_CLI_PATH, arguments);
    EXPECT_TRUE(cli.waitForFinished(60000));
    return {cli.exitCode(), cli.readAllStandardOutput().toStdString()};
  }
  static bool Has(const std::string& out, const std::string& line) {
    return ("\n" + out).find("\n" + line + "\n") != std::string::npos;
  }

  QTemporaryDir config;
  SimProcess sim{VOREL_SIM_PATH};
};

TEST_F(CliMonitorSim, SnapshotOfAStoppedSet) {
  const auto [code, out] = Cli({"monitor", "5", "--once"});
  EXPECT_EQ(code, 0);
  for (const char* line :
       {"Gen-Set Empty", "Mains Oper", "ATS MCB close", "Mode: OFF", "Speed(r/min): 0",
        "Run Hours(Hrs): 1234.5", "Mains Freqency(Hz): 50", "START: deactivated", "Alarms: none"})
    EXPECT_TRUE(Has(out, line)) << line << "\n" << out;
  EXPECT_EQ(out.substr(0, out.find('\n')), "Gen-Set Empty");
}

TEST_F(CliMonitorSim, CsvHeaderAndRowsMatch) {
  const auto [code, out] = Cli({"monitor", "5", "--once", "--csv"});
  EXPECT_EQ(code, 0);
  const std::string header = out.substr(0, out.find('\n'));
  const std::string row = out.substr(header.size() + 1);
  EXPECT_TRUE(header.starts_with("time,Gen-Set,Mains,ATS,Mode,Speed(r/min),")) << header;
  EXPECT_EQ(std::count(row.begin(), row.end(), '\n'), 1);
  EXPECT_EQ(std::count(header.begin(), header.end(), ','), std::count(row.begin(), row.end(), ','));
  EXPECT_NE(row.find(",Gen-Set Empty,Mains Oper,ATS MCB close,OFF,0,"), std::string::npos);
}

TEST_F(CliMonitorSim, StartNeedsConfirmationThenRunsTheSetUp) {
  auto [code, out] = Cli({"command", "5", "start"});
  EXPECT_EQ(code, 2) << "not on a terminal and no --yes";
  EXPECT_EQ(Cli({"command", "5", "manual"}).first, 0);
  EXPECT_EQ(Cli({"command", "5", "start", "--yes"}).first, 0);
  bool loaded = false;
  for (int i = 0; i < 40 && !loaded; ++i) {
    std::tie(code, out) = Cli({"monitor", "5", "--once"});
    loaded = Has(out, "Gen-Set Loaded");
    if (!loaded) std::this_thread::sleep_for(std::chrono::milliseconds(250));
  }
  EXPECT_TRUE(loaded) << out;
  EXPECT_TRUE(Has(out, "Mode: MANU"));
  EXPECT_TRUE(Has(out, "ATS GCB close"));
  EXPECT_EQ(Cli({"command", "5", "stop"}).first, 0);
  std::tie(code, out) = Cli({"monitor", "5", "--once"});
  EXPECT_FALSE(Has(out, "Gen-Set Loaded")) << out;
}

TEST_F(CliMonitorSim, TitlesFollowTheLanguageSetting) {
  SetLanguage("chinese");
  const auto [code, out] = Cli({"monitor", "5", "--once"});
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(Has(out, "机组停机")) << out;
  EXPECT_TRUE(Has(out, "市电正常")) << out;
  EXPECT_TRUE(Has(out, "转速(r/min): 0")) << out;
}

}  // namespace
}  // namespace vorel::test
