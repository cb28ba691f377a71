// vorel-cli status against vorel-sim: one row per site in the overview's columns, JSON, and
// the exit status that scripts act on (0 all well, 3 a site in alarm, 1 a site silent).
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "support/sim_process.h"

namespace vorel::test {
namespace {

class CliStatusSim : public ::testing::Test {
 protected:
  void StartSim(QStringList arguments) {
    ASSERT_TRUE(config.isValid());
    std::filesystem::create_directories(config.path().toStdString() + "/vorel");
    // Connect's selection: sites 1, 2 and 7 (no controller answers at 7).
    std::ofstream(config.path().toStdString() + "/vorel/vport.ini", std::ios::binary)
        << "[System]\r\nLanguage=english\r\n[Device]\r\nControlerAddr1=-1\r\n"
           "ControlerAddr2=-1\r\nControlerAddr7=-1\r\n";
    arguments << "--baud"
              << "0"
              << "--site"
              << "1"
              << "--site"
              << "2"
              << "--time-scale"
              << "50";
    ASSERT_TRUE(sim.Start(arguments)) << sim.error();
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
  QJsonObject Json(int site) {
    const auto [code, out] = Cli({"status", QString::number(site), "--json"});
    const QJsonArray sites = QJsonDocument::fromJson(QByteArray::fromStdString(out)).array();
    EXPECT_EQ(sites.size(), 1) << out;
    return sites.isEmpty() ? QJsonObject() : sites[0].toObject();
  }
  // Starts the engine of `site` in MANU.
  void Start(int site) {
    ASSERT_EQ(Cli({"command", QString::number(site), "manual"}).first, 0);
    ASSERT_EQ(Cli({"command", QString::number(site), "start", "--yes"}).first, 0);
  }

  QTemporaryDir config;
  SimProcess sim{VOREL_SIM_PATH};
};

TEST_F(CliStatusSim, TableOfTheSelectedSitesNamesTheSilentOneAndFailsForIt) {
  StartSim({});
  const auto [code, out] = Cli({"status"});
  EXPECT_EQ(code, 1) << "site 7 did not answer\n" << out;
  std::vector<std::string> lines;
  for (std::size_t at = 0, next; (next = out.find('\n', at)) != std::string::npos; at = next + 1)
    lines.push_back(out.substr(at, next - at));
  ASSERT_EQ(lines.size(), 4u) << out;
  EXPECT_TRUE(lines[0].starts_with("Site  Name       Device")) << lines[0];
  for (const char* column : {"Mode", "Engine", "kW", "V L1-L2", "Hz", "Battery V", "Alarms",
                             "Newest alarm", "Age", "Communication"})
    EXPECT_NE(lines[0].find(column), std::string::npos) << column;
  EXPECT_TRUE(lines[1].starts_with("1     GENSET-01  GENSET CONTROLLER 3101 V5.10")) << lines[1];
  EXPECT_NE(lines[1].find("  3101  OFF   Stopped  0 "), std::string::npos) << lines[1];
  EXPECT_TRUE(lines[1].ends_with(" ok")) << lines[1];
  EXPECT_TRUE(lines[2].starts_with("2     GENSET-02")) << lines[2];
  EXPECT_TRUE(lines[3].starts_with("7 ")) << lines[3];
  EXPECT_EQ(lines[3].find(" ok"), std::string::npos) << lines[3];

  EXPECT_EQ(Cli({"status", "1", "2"}).first, 0);
  EXPECT_EQ(Cli({"status", "33"}).first, 2);
}

TEST_F(CliStatusSim, JsonFollowsTheEngineToTheLoad) {
  StartSim({});
  QJsonObject site = Json(1);
  EXPECT_EQ(site["engine"].toString(), "stopped");
  EXPECT_EQ(site["mode"].toString(), "off");
  EXPECT_EQ(site["productCode"].toInt(), 3101);
  EXPECT_FALSE(site["inAlarm"].toBool());
  EXPECT_DOUBLE_EQ(site["batteryVolts"].toDouble(), 24.6);
  Start(1);
  bool loaded = false;
  for (int i = 0; i < 40 && !loaded; ++i) loaded = Json(1)["engine"].toString() == "on-load";
  ASSERT_TRUE(loaded);
  site = Json(1);
  EXPECT_EQ(site["mode"].toString(), "manual");
  EXPECT_GT(site["activePowerKw"].toDouble(), 0);
  EXPECT_NEAR(site["frequencyHz"].toDouble(), 50, 5);
  EXPECT_EQ(site["communication"].toString(), "ok");
}

TEST_F(CliStatusSim, ASiteInAlarmGivesExitThreeAndItsAlarm) {
  StartSim({"--start-fails"});
  Start(2);
  int code = 0;
  std::string out;
  for (int i = 0; i < 40 && code != 3; ++i) std::tie(code, out) = Cli({"status", "1", "2"});
  ASSERT_EQ(code, 3) << out;
  EXPECT_NE(out.find("start-fail stop"), std::string::npos) << out;
  const QJsonObject site = Json(2);
  EXPECT_TRUE(site["inAlarm"].toBool());
  const QJsonArray alarms = site["alarms"].toArray();
  ASSERT_FALSE(alarms.isEmpty());
  const QJsonObject alarm = alarms.last().toObject();
  EXPECT_EQ(alarm["text"].toString(), "start-fail stop");
  EXPECT_EQ(alarm["code"].toString(), "4842");
  EXPECT_EQ(alarm["severity"].toString(), "shutdown");
}

}  // namespace
}  // namespace vorel::test
