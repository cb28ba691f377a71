// vorel-cli report against vorel-sim over a real pseudo-terminal: the page holds the
// controller's identity, a parameter, the live values and the power-up event; a file that
// cannot be written fails with the message and leaves nothing behind. The technician's fields
// are kept per controller, this visit's writes come from the audit trail, and the clock drift
// is told.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "files/audit_log.h"

#include "support/cli_run.h"
#include "support/sim_process.h"

namespace vorel::test {
namespace {

CliRun RunCli(const SimProcess& sim, const QTemporaryDir& config, const QStringList& args) {
  const QStringList all{"--port", QString::fromStdString(sim.LinkPath()), "--baud", "9600"};
  // The settings and the audit trail of this test only.
  return RunProgram(VOREL_CLI_PATH, all + args,
                    {{"XDG_CONFIG_HOME", config.path()}, {"XDG_DATA_HOME", config.path()}});
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
  EXPECT_TRUE(has("<td>Identity and parameters</td><td>controller at address 2, read "));
  EXPECT_TRUE(has("<h2>Changes on this visit</h2>\n<p>none</p>"));
  // The simulated controller keeps the PC's time: no drift worth a word.
  const std::size_t drift = html.find("<td>Clock drift</td><td>");
  ASSERT_NE(drift, std::string::npos);
  const int seconds = std::stoi(html.substr(drift + 24, 4));
  EXPECT_LE(std::abs(seconds), 2) << html.substr(drift, 80);
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
  EXPECT_EQ(RunCli(sim, config, {"report", "2", "--out", "-", "--since", "yesterday"}).exitCode, 2);

  // A write to this controller today and one to another unit, in the trail.
  const std::filesystem::path trail = config.filePath("vorel/audit.log").toStdString();
  std::filesystem::create_directories(trail.parent_path());
  AuditRecord write;
  write.action = "write";
  write.port = "/dev/ttyUSB0";
  write.site = 2;
  write.productCode = 3105;
  write.serialNumber = "202612090002";
  write.changes = {{0x00C8, 200, 250}};
  const std::string first = AuditLine(write, std::time(nullptr), AuditChainStart());
  write.serialNumber = "202612090003";
  write.changes = {{0x00C8, 200, 999}};
  std::ofstream(trail) << first << "\n"
                       << AuditLine(write, std::time(nullptr), AuditChainStart()) << "\n";

  const CliRun chinese = RunCli(
      sim, config,
      {"report", "2", "--out", QString::fromStdString(path), "--language", "chinese", "--customer",
       "ACME <Water>", "--site-name", "3 号泵房", "--technician", "李伟", "--notes", "已更换电池"});
  ASSERT_EQ(chinese.exitCode, 0) << chinese.err;
  const std::string zh = ReadFile(path);
  EXPECT_NE(zh.find("<html lang=\"zh\">"), std::string::npos);
  EXPECT_NE(zh.find("<td>客户</td><td>ACME &lt;Water&gt;</td>"), std::string::npos);
  EXPECT_NE(zh.find("<td>技术员</td><td>李伟</td>"), std::string::npos);
  EXPECT_NE(zh.find("<td>write</td><td>00C8</td><td>额定功率</td><td>00C8</td><td>00FA</td>"),
            std::string::npos);
  EXPECT_EQ(zh.find("03E7"), std::string::npos);  // the other unit's write
  EXPECT_NE(zh.find("<td>时钟偏差</td>"), std::string::npos);

  // The fields are kept for the controller; --since after the write leaves it out.
  const CliRun kept =
      RunCli(sim, config,
             {"report", "2", "--out", QString::fromStdString(path), "--since", "2099-01-01T00:00"});
  ASSERT_EQ(kept.exitCode, 0) << kept.err;
  const std::string english = ReadFile(path);
  EXPECT_NE(english.find("<td>Customer</td><td>ACME &lt;Water&gt;</td>"), std::string::npos);
  EXPECT_NE(english.find("<td>Site</td><td>3 号泵房</td>"), std::string::npos);
  EXPECT_NE(english.find("<h2>Changes on this visit</h2>\n<p>none</p>"), std::string::npos);
  sim.Stop();
}

}  // namespace
}  // namespace vorel::test
