// vorel-cli monitor --csv against a vorel-sim site that leaves two polls unanswered: a row only
// for each poll that answered, timed by its reply; with --mark-stale the failed polls as rows of
// empty values with their status.
#include <QDateTime>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/sim_process.h"

namespace vorel::test {
namespace {

std::vector<std::string> Fields(const std::string& row) {
  std::vector<std::string> fields;
  std::string field;
  bool quoted = false;
  for (char c : row) {
    if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.push_back(field);
      field.clear();
    } else {
      field += c;
    }
  }
  fields.push_back(field);
  return fields;
}

// Runs `monitor 5 --csv --interval 100` plus `extra` until it has printed `rows` rows after
// the header (or 30 s passed), then stops it. Returns the lines printed.
std::vector<std::string> MonitorRows(const SimProcess& sim, const QString& config,
                                     const QStringList& extra, int rows) {
  QProcess cli;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_CONFIG_HOME", config);
  cli.setProcessEnvironment(env);
  cli.setStandardInputFile(QProcess::nullDevice());
  cli.start(VOREL_CLI_PATH, QStringList{"--port", QString::fromStdString(sim.LinkPath()), "monitor",
                                        "5", "--csv", "--interval", "100"} +
                                extra);
  std::string out;
  for (int waited = 0; waited < 30'000; waited += 100) {
    cli.waitForReadyRead(100);
    out += cli.readAllStandardOutput().toStdString();
    if (std::count(out.begin(), out.end(), '\n') > rows) break;
  }
  cli.terminate();
  cli.waitForFinished(5000);
  out += cli.readAllStandardOutput().toStdString();
  std::vector<std::string> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(CliMonitorStaleSim, OnlyAnsweredPollsAreRowsUnlessMarkedStale) {
  QTemporaryDir config;
  ASSERT_TRUE(config.isValid());
  std::filesystem::create_directories(config.path().toStdString() + "/vorel");
  std::ofstream(config.path().toStdString() + "/vorel/vport.ini", std::ios::binary)
      << "[System]\r\nLanguage=english\r\n";
  const struct {
    bool markStale;
    std::vector<std::string> statuses;  // of the rows in order; empty: no status column
  } cases[] = {
      {false, {"", "", "", "", ""}},
      {true, {"ok", "ok", "ok", "Communication timeout!", "Communication timeout!", "ok", "ok"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.markStale ? "--mark-stale" : "plain");
    SimProcess sim(VOREL_SIM_PATH);
    // The identification's read of the live values and three polls are answered, the next two
    // are not, every later one is.
    ASSERT_TRUE(sim.Start({"--baud", "0", "--site", "5", "--fault-noreply", "1", "--fault-register",
                           "0x804F", "--fault-after", "4", "--fault-count", "2"}))
        << sim.error();
    const int rows = static_cast<int>(c.statuses.size());
    const std::vector<std::string> lines = MonitorRows(
        sim, config.path(), c.markStale ? QStringList{"--mark-stale"} : QStringList{}, rows);
    ASSERT_GE(lines.size(), static_cast<std::size_t>(rows + 1));
    const std::vector<std::string> header = Fields(lines[0]);
    EXPECT_EQ(header.back() == "status", c.markStale) << lines[0];
    std::vector<std::string> times;
    for (int r = 0; r < rows; ++r) {
      const std::vector<std::string> row = Fields(lines[static_cast<std::size_t>(r + 1)]);
      ASSERT_EQ(row.size(), header.size()) << lines[static_cast<std::size_t>(r + 1)];
      const std::string& status = c.statuses[static_cast<std::size_t>(r)];
      if (c.markStale) {
        EXPECT_EQ(row.back(), status) << r;
      }
      const bool stale = !status.empty() && status != "ok";
      // Gen-set state, mains state, transfer switch, mode and speed: all there or none.
      for (std::size_t f = 1; f <= 5; ++f) {
        EXPECT_EQ(row[f].empty(), stale) << r << " " << f;
      }
      if (stale) {
        for (std::size_t f = 1; f + (c.markStale ? 1 : 0) < row.size(); ++f) {
          EXPECT_EQ(row[f], "") << r << " " << f;
        }
      }
      times.push_back(row[0]);
    }
    // Without --mark-stale the two timeouts (2 s each) lie between the third and fourth rows.
    if (!c.markStale) {
      const QDateTime third = QDateTime::fromString(QString::fromStdString(times[2]), Qt::ISODate);
      const QDateTime fourth = QDateTime::fromString(QString::fromStdString(times[3]), Qt::ISODate);
      EXPECT_GE(third.secsTo(fourth), 3) << times[2] << " " << times[3];
    }
    sim.Stop();
  }
}

}  // namespace
}  // namespace vorel::test
