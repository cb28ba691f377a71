// vorel-cli --json against vorel-sim: every document parses as JSON and carries what the text
// output says; progress never reaches standard output; a command without a JSON form refuses
// the option.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>

#include "files/audit_log.h"
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

  static CliRun Run(const QStringList& args, const QString& dataHome = {}) {
    QTemporaryDir config;
    std::vector<std::pair<QString, QString>> environment{{"XDG_CONFIG_HOME", config.path()}};
    if (!dataHome.isEmpty()) environment.emplace_back("XDG_DATA_HOME", dataHome);
    return RunProgram(VOREL_CLI_PATH,
                      QStringList{"--port", QString::fromStdString(sim_->LinkPath())} + args,
                      environment);
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

TEST_F(CliJson, MonitorOnceGivesTheValuesOfTheTextOutput) {
  const CliRun text = Run({"monitor", "3", "--once"});
  ASSERT_EQ(text.exitCode, 0) << text.err;
  const CliRun run = Run({"monitor", "3", "--once", "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const QJsonObject o = Parsed(run);
  EXPECT_EQ(o["command"].toString(), "monitor");
  EXPECT_EQ(o["site"].toInt(), 3);
  EXPECT_TRUE(o["ok"].toBool());
  EXPECT_EQ(o["status"].toString(), "ok");
  EXPECT_TRUE(QDateTime::fromString(o["time"].toString(), Qt::ISODate).isValid());
  const QJsonArray state = o["state"].toArray();
  const QJsonArray values = o["values"].toArray();
  ASSERT_FALSE(state.isEmpty());
  ASSERT_GT(values.size(), 5);
  // The text prints the state lines, then "title: value" in the same order.
  const QStringList lines = QString::fromStdString(text.out).split('\n');
  ASSERT_GT(lines.size(), state.size() + values.size());
  for (qsizetype i = 0; i < state.size(); ++i) EXPECT_EQ(lines[i], state[i].toString());
  for (qsizetype i = 0; i < values.size(); ++i)
    EXPECT_TRUE(lines[state.size() + i].startsWith(values[i]["title"].toString() + ": "))
        << lines[state.size() + i].toStdString();
  EXPECT_TRUE(o["alarms"].isArray());
  EXPECT_EQ(Run({"monitor", "3", "--csv", "--json"}).exitCode, 2);
}

TEST_F(CliJson, LogGivesTheGridAsTheCsvHasIt) {
  QTemporaryDir dir;
  const QString csv = dir.filePath("log.csv");
  const CliRun run = Run({"log", "9", "--json", "--csv", csv});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const QJsonObject o = Parsed(run);
  EXPECT_EQ(o["command"].toString(), "log");
  EXPECT_EQ(o["site"].toInt(), 9);
  const QJsonArray columns = o["columns"].toArray();
  const QJsonArray rows = o["rows"].toArray();
  EXPECT_EQ(columns[0].toString(), "Date-time");
  ASSERT_EQ(rows.size(), 112);
  for (const auto& row : rows) ASSERT_EQ(row.toArray().size(), columns.size());
  // The CSV file written beside it has the same header and the same first date-time.
  QFile file(csv);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QStringList csvLines = QString::fromUtf8(file.readAll()).split("\r\n");
  ASSERT_GT(csvLines.size(), 2);
  QString titles;
  for (qsizetype c = 1; c < columns.size(); ++c) {
    const QString title = columns[c].toString();  // quoted in the CSV when it holds a comma
    titles += "," + (title.contains(',') ? '"' + title + '"' : title);
  }
  EXPECT_TRUE(csvLines[0].endsWith(titles)) << csvLines[0].toStdString();
  EXPECT_TRUE(csvLines[1].startsWith(rows[0].toArray()[0].toString() + ","))
      << csvLines[1].toStdString();
  EXPECT_EQ(Run({"log", "9", "--json", "--csv", "-"}).exitCode, 2);
}

TEST_F(CliJson, DiffListsTheDifferencesOfTheTextOutput) {
  const CliRun text = Run({"diff", "site:3", "site:9"});
  ASSERT_EQ(text.exitCode, 1) << text.err;  // a 3105 and a 3101 differ
  const CliRun run = Run({"--json", "diff", "site:3", "site:9"});
  ASSERT_EQ(run.exitCode, 1) << run.err;
  const QJsonObject o = Parsed(run);
  EXPECT_EQ(o["command"].toString(), "diff");
  EXPECT_EQ(o["a"].toString(), "site:3");
  EXPECT_EQ(o["b"].toString(), "site:9");
  EXPECT_FALSE(o["equal"].toBool());
  // The text again, from the document: a heading per group, a line per difference.
  std::string again;
  for (const QJsonValue group : o["groups"].toArray()) {
    const QJsonObject g = group.toObject();
    again += g["heading"].toString().toStdString() + ":\n";
    for (const QJsonValue difference : g["differences"].toArray()) {
      const QJsonObject d = difference.toObject();
      again += "  " + d["title"].toString().toStdString() + ": " + d["a"].toString().toStdString() +
               " -> " + d["b"].toString().toStdString() + " (" + d["key"].toString().toStdString() +
               ")\n";
    }
  }
  EXPECT_EQ(again, text.out);
}

TEST_F(CliJson, AuditListsTheTrailAndVerifiesItsChain) {
  QTemporaryDir data;
  ::setenv("XDG_DATA_HOME", data.path().toLocal8Bit().constData(), 1);
  for (int site : {3, 9}) {
    AuditRecord record;
    record.action = "write";
    record.port = "/dev/ttyUSB0";
    record.site = site;
    record.productCode = 3105;
    record.changes = {{0x8000, 1, 2}};
    ASSERT_TRUE(AppendAuditRecord(record, nullptr));
  }
  ::unsetenv("XDG_DATA_HOME");
  const CliRun run = Run({"audit", "--site", "9", "--json"}, data.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const QJsonObject o = Parsed(run);
  EXPECT_EQ(o["command"].toString(), "audit");
  EXPECT_TRUE(o["path"].toString().endsWith("vorel/audit.log"));
  const QJsonArray entries = o["entries"].toArray();
  ASSERT_EQ(entries.size(), 1);
  EXPECT_EQ(entries[0]["site"].toInt(), 9);
  EXPECT_EQ(entries[0]["action"].toString(), "write");
  EXPECT_TRUE(QRegularExpression(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d [+-]\d{4}$)")
                  .match(entries[0]["time"].toString())
                  .hasMatch())
      << entries[0]["time"].toString().toStdString();
  EXPECT_TRUE(entries[0]["line"].toString().contains(" 8000:0001>0002 "));

  const CliRun verify = Run({"audit", "--verify", "--json"}, data.path());
  ASSERT_EQ(verify.exitCode, 0) << verify.err;
  const QJsonObject v = Parsed(verify);
  EXPECT_TRUE(v["whole"].toBool());
  EXPECT_EQ(v["checked"].toInt(), 2);
  EXPECT_EQ(v["brokenLine"].toInt(), 0);
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
