// The line goes away under vorel-cli: the simulator is stopped while the monitor polls, the
// pseudo-terminal hangs up, and vorel-cli says so once and ends with status 1 instead of
// polling a dead port.
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <string>

#include <gtest/gtest.h>

#include "support/sim_process.h"

namespace vorel::test {
namespace {

TEST(PortLossSim, MonitorEndsWithTheMessageWhenTheLineGoes) {
  QTemporaryDir config;
  ASSERT_TRUE(config.isValid());
  SimProcess sim(VOREL_SIM_PATH);
  ASSERT_TRUE(sim.Start({"--baud", "0", "--site", "5"})) << sim.error();
  const std::string link = sim.LinkPath();

  QProcess cli;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_CONFIG_HOME", config.path());
  cli.setProcessEnvironment(env);
  cli.setStandardInputFile(QProcess::nullDevice());
  cli.start(VOREL_CLI_PATH,
            {"--port", QString::fromStdString(link), "monitor", "5", "--interval", "100"});
  // Wait for two snapshots: the monitor is polling.
  std::string out;
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 30000 && out.find("Alarms:", out.find("Alarms:") + 1) == out.npos) {
    cli.waitForReadyRead(200);
    out += cli.readAllStandardOutput().toStdString();
  }
  ASSERT_NE(out.find("Alarms:"), out.npos) << cli.readAllStandardError().toStdString();

  sim.Stop();
  clock.restart();
  ASSERT_TRUE(cli.waitForFinished(10000)) << "vorel-cli hangs on the dead line";
  EXPECT_LT(clock.elapsed(), 5000);
  EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(cli.exitCode(), 1);
  const std::string err = cli.readAllStandardError().toStdString();
  const std::string gone = "The serial port " + link + " is gone";
  const auto at = err.find(gone);
  EXPECT_NE(at, err.npos) << err;
  EXPECT_EQ(err.find(gone, at + 1), err.npos) << "told more than once:\n" << err;
}

}  // namespace
}  // namespace vorel::test
