// vorel-cli --json against vorel-sim: every document parses as JSON and carries what the text
// output says; progress never reaches standard output; a command without a JSON form refuses
// the option.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>

#include "support/cli_run.h"
#include "support/sim_process.h"

namespace vorel::test {
namespace {

class CliJson : public ::testing::Test {
 protected:
  // One simulator for every case: sites 3 (3105) and 9 (3101).
  static void SetUpTestSuite() {
    sim_ = new SimProcess(VOREL_SIM_PATH);
    ASSERT_TRUE(sim_->Start({"--site", "3:3105", "--site", "9:3101"})) << sim_->error();
  }
  static void TearDownTestSuite() {
    delete sim_;
    sim_ = nullptr;
  }

  static CliRun Run(const QStringList& args) {
    QTemporaryDir config;
    return RunProgram(VOREL_CLI_PATH,
                      QStringList{"--port", QString::fromStdString(sim_->LinkPath())} + args,
                      {{"XDG_CONFIG_HOME", config.path()}});
  }
  // The one line of standard output as a JSON object; a failure when it is anything else.
  static QJsonObject Parsed(const CliRun& run) {
    EXPECT_TRUE(run.out.ends_with("\n")) << run.out;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
    QJsonParseError error;
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromStdString(run.out), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError)
        << error.errorString().toStdString() << ": " << run.out;
    EXPECT_TRUE(document.isObject()) << run.out;
    return document.object();
  }

  static SimProcess* sim_;
};

SimProcess* CliJson::sim_ = nullptr;

TEST_F(CliJson, ReadGivesTheWordsOfTheTextOutput) {
  const CliRun text = Run({"read", "3", "0x0169", "29"});
  ASSERT_EQ(text.exitCode, 0) << text.err;
  const CliRun run = Run({"read", "3", "0x0169", "29", "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const QJsonObject o = Parsed(run);
  EXPECT_EQ(o["command"].toString(), "read");
  EXPECT_EQ(o["site"].toInt(), 3);
  EXPECT_EQ(o["address"].toInt(), 0x0169);
  const QJsonArray words = o["words"].toArray();
  ASSERT_EQ(words.size(), 29);
  std::string joined;
  for (const auto& w : words) joined += (joined.empty() ? "" : " ") + std::to_string(w.toInt());
  EXPECT_EQ(joined + "\n", text.out);
  EXPECT_EQ(words[2].toInt(), 3105);  // the product code
}

TEST_F(CliJson, IdentifyListsEachSiteWithItsIdentificationOrItsFailure) {
  const CliRun run = Run({"--json", "identify", "9", "4"});
  EXPECT_EQ(run.exitCode, 1) << run.err;  // site 4 does not answer
  const QJsonArray sites = Parsed(run)["sites"].toArray();
  ASSERT_EQ(sites.size(), 2);
  const QJsonObject found = sites[0].toObject();
  EXPECT_EQ(found["site"].toInt(), 9);
  EXPECT_TRUE(found["connected"].toBool());
  EXPECT_EQ(found["message"].toString(), "");
  bool productCode = false;
  for (const auto& line : found["identification"].toArray())
    productCode = productCode || line.toString() == "Product Code 3101";
  EXPECT_TRUE(productCode) << QJsonDocument(found).toJson().toStdString();
  const QJsonObject silent = sites[1].toObject();
  EXPECT_EQ(silent["site"].toInt(), 4);
  EXPECT_FALSE(silent["connected"].toBool());
  EXPECT_FALSE(silent["message"].toString().isEmpty());
}

TEST_F(CliJson, ScanListsTheSitesThatAnswerPerSpeed) {
  const CliRun run = Run({"scan", "--json"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const QJsonArray speeds = Parsed(run)["speeds"].toArray();
  ASSERT_EQ(speeds.size(), 1);
  EXPECT_EQ(speeds[0]["baud"].toInt(), 9600);
  const QJsonArray sites = speeds[0]["sites"].toArray();
  ASSERT_EQ(sites.size(), 2);
  EXPECT_EQ(sites[0]["site"].toInt(), 3);
  EXPECT_EQ(sites[0]["productCode"].toInt(), 3105);
  EXPECT_EQ(sites[1]["site"].toInt(), 9);
  EXPECT_EQ(sites[1]["productCode"].toInt(), 3101);
  // Standard error is no terminal here: no progress is written to it.
  EXPECT_EQ(run.err.find("Scanning"), std::string::npos) << run.err;
}

// Not JSON, but on the same simulator: a read nobody answers says on which port and site.
TEST_F(CliJson, ATimeoutNamesThePortAndTheSite) {
  const CliRun run = Run({"read", "4", "0x0169", "1"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "Communication timeout!\nNo reply from site 4 on " + sim_->LinkPath() + ".\n");
}

TEST_F(CliJson, CommandsWithoutAJsonFormRefuseTheOption) {
  const CliRun run = Run({"--json", "write", "3", "0x0011", "5"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("--json is for"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace vorel::test
