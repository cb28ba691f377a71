// vorel-cli against vorel-sim on the line conditions of field work: an adapter that echoes
// every request (vorel-sim --echo), and a controller at another speed than the tool's
// (vorel-sim --check-speed hears any other speed as noise) found by scan --baud auto.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <fstream>

#include "support/cli_run.h"
#include "support/sim_process.h"

namespace vorel::test {
namespace {

// vorel-cli with its own settings directory, so that only `vportIni` (when given) applies.
CliRun RunCli(const SimProcess& sim, const QStringList& args, const std::string& vportIni = {}) {
  QTemporaryDir config;
  if (!vportIni.empty()) {
    QDir().mkpath(config.filePath("vorel"));
    std::ofstream(config.filePath("vorel/vport.ini").toStdString()) << vportIni;
  }
  return RunProgram(VOREL_CLI_PATH,
                    QStringList{"--port", QString::fromStdString(sim.LinkPath())} + args,
                    {{"XDG_CONFIG_HOME", config.path()}});
}

TEST(FieldCli, EchoingAdapterNeedsDiscardEcho) {
  SimProcess sim(VOREL_SIM_PATH);
  ASSERT_TRUE(sim.Start({"--baud", "19200", "--echo", "--site", "1:3105"})) << sim.error();
  const QStringList speed{"--baud", "19200"};

  struct Case {
    const char* name;
    QStringList args;
    std::string vportIni;
    int exitCode;
    std::string out;
  };
  const Case cases[] = {
      {"--echo, fast", speed + QStringList{"--echo", "read", "1", "0x016B", "1"}, "", 0, "3105\n"},
      {"--echo, paced", speed + QStringList{"--echo", "--paced", "read", "1", "0x016B", "1"}, "", 0,
       "3105\n"},
      {"DiscardEcho in vport.ini", speed + QStringList{"read", "1", "0x016B", "1"},
       "[ComPort1]\r\nDiscardEcho=-1\r\n", 0, "3105\n"},
      {"write with --echo", speed + QStringList{"--echo", "write", "1", "4", "1234"}, "", 0, ""},
      {"echo not discarded", speed + QStringList{"read", "1", "0x016B", "1"}, "", 1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CliRun run = RunCli(sim, c.args, c.vportIni);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    EXPECT_EQ(run.out, c.out);
  }
}

TEST(FieldCli, DiscardEchoOnALineWithoutEchoIsALineError) {
  SimProcess sim(VOREL_SIM_PATH);
  ASSERT_TRUE(sim.Start({"--baud", "0", "--site", "1"})) << sim.error();
  const CliRun run = RunCli(sim, {"--echo", "read", "1", "0x016B", "1"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("Line error: the echo of the request does not match!"), std::string::npos)
      << run.err;
}

TEST(FieldCli, ScanEverySpeedFindsTheSitesAtTheirSpeed) {
  SimProcess sim(VOREL_SIM_PATH);
  ASSERT_TRUE(
      sim.Start({"--baud", "38400", "--check-speed", "--site", "3:3105", "--site", "9:3101"}))
      << sim.error();
  const CliRun run = RunCli(sim, {"scan", "--baud", "auto"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out,
            "9600 baud:\n  no address answered\n"
            "19200 baud:\n  no address answered\n"
            "38400 baud:\n  Address 3: product code 3105\n  Address 9: product code 3101\n"
            "4800 baud:\n  no address answered\n"
            "2400 baud:\n  no address answered\n"
            "57600 baud:\n  no address answered\n"
            "115200 baud:\n  no address answered\n");
  // At its own speed only, the controller is not heard.
  const CliRun plain = RunCli(sim, {"--baud", "9600", "scan"});
  EXPECT_EQ(plain.exitCode, 1);
  EXPECT_EQ(plain.out, "");
}

}  // namespace
}  // namespace vorel::test
