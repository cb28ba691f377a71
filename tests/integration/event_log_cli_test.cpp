// vorel-cli log against vorel-sim over a real pseudo-terminal: the CSV on standard output, the
// log file and the CSV file, and a read that fails at block 20.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <fstream>
#include <sstream>

#include "files/event_log_file.h"
#include "support/cli_run.h"
#include "support/sim_process.h"

namespace vorel::test {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

CliRun RunCli(const SimProcess& sim, const QStringList& args) {
  const QStringList all{"--port", QString::fromStdString(sim.LinkPath()), "--baud", "9600"};
  return RunProgram(VOREL_CLI_PATH, all + args);
}

TEST(EventLogCli, WritesCsvAndTheLogFileAndFailsOnAMissingBlock) {
  QTemporaryDir dir;
  SimProcess sim(VOREL_SIM_PATH);
  ASSERT_TRUE(sim.Start({"--baud", "0", "--site", "1:3105"})) << sim.error();

  const CliRun printed = RunCli(sim, {"log", "1"});
  ASSERT_EQ(printed.exitCode, 0);
  EXPECT_TRUE(printed.out.starts_with("Date-time,Event,Date,Time,Speed(RPM),"));
  EXPECT_NE(printed.out.find(",BInput(BI05...BI01),BOutput(BO03...BO01),\"ROutput(RO02,RO01)\","),
            std::string::npos);
  EXPECT_NE(printed.out.find(",power up,"), std::string::npos);
  EXPECT_EQ(std::count(printed.out.begin(), printed.out.end(), '\n'), 113);

  const std::string log = dir.filePath("a.log").toStdString();
  const std::string csv = dir.filePath("a.csv").toStdString();
  ASSERT_EQ(RunCli(sim, {"log", "1", "--log", QString::fromStdString(log), "--csv",
                         QString::fromStdString(csv)})
                .exitCode,
            0);
  EXPECT_EQ(ReadFile(csv), "\xEF\xBB\xBF" + printed.out);
  EventLogSheet sheet;
  OpenEventLogFile(log, sheet);
  EXPECT_EQ(sheet.Cell(1, 21).size(), 3u);  // outputs of type 3105: three digits
  const std::string bytes = ReadFile(log);
  EXPECT_TRUE(bytes.starts_with("[HisItem1]\r\nReason="));
  EXPECT_NE(bytes.find("[HisItem112]\r\n"), std::string::npos);

  // The event texts follow the language setting, and --language before it.
  QDir(dir.path()).mkpath("config/vorel");
  {
    QFile ini(dir.filePath("config/vorel/vport.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[System]\r\nLanguage=chinese\r\n");
  }
  const std::vector<std::pair<QString, QString>> chinese{
      {"XDG_CONFIG_HOME", dir.filePath("config")}};
  const QStringList port{"--port", QString::fromStdString(sim.LinkPath()), "--baud", "9600"};
  const struct {
    QStringList extra;
    const char* text;
  } languages[] = {{{}, ",系统通电,"}, {{"--language", "english"}, ",power up,"}};
  for (const auto& l : languages) {
    const CliRun run =
        RunProgram(VOREL_CLI_PATH, port + QStringList{"log", "1"} + l.extra, chinese);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find(l.text), std::string::npos) << l.text;
  }
  EXPECT_EQ(RunCli(sim, {"log", "1", "--language", "klingon"}).exitCode, 2);
  sim.Stop();

  SimProcess failing(VOREL_SIM_PATH);
  ASSERT_TRUE(failing.Start({"--baud", "0", "--site", "1:3105", "--fail-log-block", "20"}))
      << failing.error();
  const std::string none = dir.filePath("none.log").toStdString();
  EXPECT_EQ(RunCli(failing, {"log", "1", "--log", QString::fromStdString(none)}).exitCode, 1);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(none)));
  failing.Stop();
}

}  // namespace
}  // namespace vorel::test
