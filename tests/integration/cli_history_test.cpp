// vorel-cli keeps a history of what it did on the line and answers from it: two visits to one
// vorel-sim site with a parameter written between them; the changes since the last visit are
// exactly that parameter, and the write is in the timeline with its outcome.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "support/cli_run.h"
#include "support/sim_process.h"

namespace vorel::test {
namespace {

class CliHistory : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(sim.Start({"--baud", "0", "--site", "1"})) << sim.error(); }
  void TearDown() override { sim.Stop(); }

  CliRun Run(const QStringList& args) const {
    return RunProgram(VOREL_CLI_PATH,
                      QStringList{"--port", QString::fromStdString(sim.LinkPath())} + args,
                      {{"XDG_CONFIG_HOME", home.path()}, {"XDG_DATA_HOME", home.path()}});
  }

  SimProcess sim{VOREL_SIM_PATH};
  QTemporaryDir home;
};

TEST_F(CliHistory, TheChangesSinceTheLastVisitAreTheParameterWrittenBetween) {
  ASSERT_EQ(Run({"identify", "1"}).exitCode, 0);
  const CliRun write = Run({"write", "1", "0x00C8", "321", "--password", "1234"});
  ASSERT_EQ(write.exitCode, 0) << write.err;
  ASSERT_EQ(Run({"identify", "1"}).exitCode, 0);

  const CliRun changes = Run({"history", "1", "--changes", "--csv"});
  ASSERT_EQ(changes.exitCode, 0) << changes.err;
  EXPECT_EQ(changes.out, "key,parameter,before,now\nGNOMIN_PWR,Nomin Power (KW),200,321\n");

  const CliRun visits = Run({"history", "1", "--visits", "--csv"});
  ASSERT_EQ(visits.exitCode, 0) << visits.err;
  EXPECT_NE(visits.out.find(",write,1,"), std::string::npos) << visits.out;
  EXPECT_NE(visits.out.find("00C8:00C8>0141,done,"), std::string::npos) << visits.out;

  // The history goes with its file to another PC.
  const QString carried = home.filePath("carried.sqlite");
  ASSERT_EQ(Run({"history", "--export", carried, "1"}).exitCode, 0);
  const CliRun elsewhere = Run({"--history", carried, "history", "1", "--changes", "--csv"});
  EXPECT_EQ(elsewhere.out, changes.out) << elsewhere.err;
  EXPECT_EQ(Run({"history", "7", "--visits"}).exitCode, 1);
}

}  // namespace
}  // namespace vorel::test
