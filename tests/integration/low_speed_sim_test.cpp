// vorel-cli identifies a controller at 2400 baud against vorel-sim pacing its replies at that
// speed: the 836-byte descriptor table takes about 3.5 s on the wire, longer than the plain
// 2 s reply timeout. The twelve reads of an identification take about 15 s at this speed,
// which is what the test is about.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "support/cli_run.h"
#include "support/sim_process.h"

namespace vorel::test {
namespace {

TEST(LowSpeedSim, CliIdentifiesAt2400Baud) {
  SimProcess sim(VOREL_SIM_PATH);
  ASSERT_TRUE(sim.Start({"--baud", "2400", "--site", "1:3101"})) << sim.error();
  const QTemporaryDir config;  // no settings of the machine's user
  const CliRun run = RunProgram(
      VOREL_CLI_PATH,
      {"--port", QString::fromStdString(sim.LinkPath()), "--baud", "2400", "identify", "1"},
      {{"XDG_CONFIG_HOME", config.path()}});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("Address 1: connected"), std::string::npos) << run.out << run.err;
}

}  // namespace
}  // namespace vorel::test
