// vorel-cli monitor and command against vorel-sim: the snapshot, the CSV rows, the commands
// and the confirmation START, and STOP or OFF on load, need.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <tuple>

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
    const auto [code, out, err] = CliOn(QProcess::nullDevice(), std::move(arguments));
    return {code, out};
  }
  // Runs vorel-cli with `input` as its standard input: exit code, stdout and stderr.
  std::tuple<int, std::string, std::string> CliOn(const QString& input, QStringList arguments) {
    arguments.prepend(QString::fromStdString(sim.LinkPath()));
    arguments.prepend("--port");
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", config.path());
    cli.setProcessEnvironment(env);
    cli.setStandardInputFile(input);
    cli.start(VOREL_CLI_PATH, arguments);
    EXPECT_TRUE(cli.waitForFinished(60000));
    return {cli.exitCode(), cli.readAllStandardOutput().toStdString(),
            cli.readAllStandardError().toStdString()};
  }
  // Runs vorel-cli on a terminal whose user has typed `answer` and Enter.
  std::tuple<int, std::string, std::string> CliOnTerminal(const std::string& answer,
                                                          QStringList arguments) {
    const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    EXPECT_GE(terminal, 0);
    if (terminal < 0) return {-1, "", ""};
    EXPECT_EQ(grantpt(terminal), 0);
    EXPECT_EQ(unlockpt(terminal), 0);
    const std::string typed = answer + "\n";
    EXPECT_EQ(write(terminal, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
    auto result = CliOn(QString::fromLocal8Bit(ptsname(terminal)), std::move(arguments));
    close(terminal);
    return result;
  }
  // Whether the set reaches (or leaves) the loaded state within ten seconds.
  bool WaitForLoaded(bool loaded = true) {
    for (int i = 0; i < 40; ++i) {
      if (Has(Cli({"monitor", "5", "--once"}).second, "Gen-Set Loaded") == loaded) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    return false;
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
  EXPECT_EQ(Cli({"command", "5", "stop", "--yes"}).first, 0);
  std::tie(code, out) = Cli({"monitor", "5", "--once"});
  EXPECT_FALSE(Has(out, "Gen-Set Loaded")) << out;
}

// STOP and OFF on a set that carries a load ask the page's question on a terminal (No unless
// the answer is yes) and, without a terminal, send nothing unless --yes is given.
TEST_F(CliMonitorSim, StopOrOffOnLoadAsksFirst) {
  ASSERT_EQ(Cli({"command", "5", "manual"}).first, 0);
  ASSERT_EQ(Cli({"command", "5", "start", "--yes"}).first, 0);
  ASSERT_TRUE(WaitForLoaded());

  for (const char* command : {"stop", "off"}) {
    const auto [code, out, err] = CliOn(QProcess::nullDevice(), {"command", "5", command});
    EXPECT_EQ(code, 2) << command;
    EXPECT_NE(err.find("site 5 is on load: " + std::string(command) + " needs --yes"),
              std::string::npos)
        << err;
  }
  const struct {
    const char* language;
    const char* command;
    const char* answer;
    const char* question;
    int code;
  } cases[] = {
      {"english", "stop", "", "Site 5 is on load. Stop it? [y/N] ", 1},
      {"chinese", "stop", "n", "地址5正在带载运行。停机吗？ [y/N] ", 1},
      {"chinese", "off", "y", "地址5正在带载运行。停机吗？ [y/N] ", 0},
  };
  for (const auto& c : cases) {
    SetLanguage(c.language);
    const auto [code, out, err] = CliOnTerminal(c.answer, {"command", "5", c.command});
    EXPECT_EQ(code, c.code) << c.language << " " << c.answer << "\n" << err;
    EXPECT_NE(err.find(c.question), std::string::npos) << err;
    SetLanguage("english");
    EXPECT_TRUE(WaitForLoaded(c.code != 0)) << c.command << " " << c.answer;
  }
  // Stopped, the set is no longer on load: stop goes without a question.
  const auto [code, out, err] = CliOn(QProcess::nullDevice(), {"command", "5", "stop"});
  EXPECT_EQ(code, 0) << err;
  EXPECT_EQ(err.find("on load"), std::string::npos) << err;
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
