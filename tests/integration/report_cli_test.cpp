// vorel-cli report against vorel-sim over a real pseudo-terminal: the page holds the
// controller's identity, a parameter, the live values and the power-up event; a file that
// cannot be written fails with the message and leaves nothing behind.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <fstream>
#include <sstream>

#include "support/cli_run.h"
#include "support/sim_process.h"

namespace vorel::test {
namespace {

CliRun RunCli(const SimProcess& sim, const QTemporaryDir& config, const QStringList& args) {
  const QStringList all{"--port", QString::fromStdString(sim.LinkPath()), "--baud", "9600"};
  return RunProgram(VOREL_CLI_PATH, all + args, {{"XDG_CONFIG_HOME", config.path()}});
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

TEST(ReportCli, WritesTheServiceReportOfASimulatedController) {
  QTemporaryDir dir;
  QTemporaryDir config;
  SimProcess sim(VOREL_SIM_PATH);
  ASSERT_TRUE(sim.Start({"--baud", "0", "--site", "2:3105"})) << sim.error();

  const std::string path = dir.filePath("site2.html").toStdString();
  const CliRun run = RunCli(sim, config, {"report", "2", "--out", QString::fromStdString(path)});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::string html = ReadFile(path);
  const auto has = [&](const std::string& part) { return html.find(part) != std::string::npos; };
  EXPECT_TRUE(html.starts_with("<!DOCTYPE html>"));
  EXPECT_TRUE(has("<td>Product code</td><td>3105</td>"));
  EXPECT_TRUE(has("<td>Firmware</td><td>5.10</td>"));
  EXPECT_TRUE(has("<td>Address</td><td>2</td>"));
  EXPECT_TRUE(has("<td>Source</td><td>controller</td>"));
  EXPECT_TRUE(has("<td>Nomin Power</td><td>"));
  EXPECT_TRUE(has("<h2>Monitor</h2>"));
  EXPECT_TRUE(has("<tr><td>Mode</td><td>OFF</td></tr>"));
  EXPECT_TRUE(has("<th>BInput(BI05...BI01)</th>"));
  EXPECT_TRUE(has("<td>power up</td>"));

  const std::string bad = dir.filePath("missing/site2.html").toStdString();
  const CliRun failed = RunCli(sim, config, {"report", "2", "--out", QString::fromStdString(bad)});
  EXPECT_EQ(failed.exitCode, 1);
  EXPECT_NE(failed.err.find("Unable to write to " + bad), std::string::npos) << failed.err;
  EXPECT_EQ(RunCli(sim, config, {"report", "2"}).exitCode, 2);
  sim.Stop();
}

}  // namespace
}  // namespace vorel::test
