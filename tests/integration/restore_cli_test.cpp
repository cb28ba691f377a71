// vorel-cli restore against vorel-sim over a real pseudo-terminal: a wrong password writes no
// parameter, the right one writes the file and reads it back; either way the set goes back
// into the mode it was in, and no reply is lost on the way.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <fstream>
#include <sstream>

#include "support/cli_run.h"
#include "support/sim_process.h"

namespace vorel::test {
namespace {

// vorel-cli with its own settings and audit trail in `home`.
CliRun RunCli(const SimProcess& sim, const QTemporaryDir& home, const QStringList& args) {
  return RunProgram(VOREL_CLI_PATH,
                    QStringList{"--port", QString::fromStdString(sim.LinkPath())} + args,
                    {{"XDG_CONFIG_HOME", home.path()}, {"XDG_DATA_HOME", home.path()}});
}

std::string Word(const SimProcess& sim, const QTemporaryDir& home, const char* address) {
  return QString::fromStdString(RunCli(sim, home, {"read", "4", address, "1"}).out)
      .trimmed()
      .toStdString();
}

TEST(RestoreCli, AWrongPasswordWritesNothingAndTheRightOneRestores) {
  QTemporaryDir home;
  SimProcess sim(VOREL_SIM_PATH);
  ASSERT_TRUE(sim.Start({"--baud", "0", "--site", "4"})) << sim.error();
  const std::string base = sim.File("base.dat");
  ASSERT_EQ(RunCli(sim, home, {"backup", "4", "--file", QString::fromStdString(base)}).exitCode, 0);
  std::stringstream text;
  text << std::ifstream(base, std::ios::binary).rdbuf();
  std::string changed = text.str();
  const std::size_t at = changed.find("GNOMIN_FREQ=50.00");
  ASSERT_NE(at, std::string::npos);
  changed.replace(at, 17, "GNOMIN_FREQ=60.00");
  const std::string file = sim.File("changed.dat");
  std::ofstream(file, std::ios::binary) << changed;

  const struct {
    const char* password;
    int exitCode;
    bool written;
    const char* ending;
    const char* frequency;  // register 0x00CA afterwards, tenths of a hertz
  } cases[] = {
      {"9999", 1, false, "Address 4: the password was not accepted\n", "500"},
      {"1234", 0, true, "Address 4: restored, read-back matches\n", "600"},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(RunCli(sim, home, {"command", "4", "auto"}).exitCode, 0);
    const CliRun run =
        RunCli(sim, home, {"restore", "4", QString::fromStdString(file), "--password", c.password});
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(run.err.starts_with("Address 4: unlocking (the set goes into OFF mode)\n"))
        << run.err;
    EXPECT_EQ(run.err.find("Address 4: writing\n") != std::string::npos, c.written) << run.err;
    EXPECT_EQ(run.err.find("timeout"), std::string::npos) << run.err;
    EXPECT_TRUE(run.err.ends_with(c.ending)) << run.err;
    EXPECT_EQ(run.err.find("Modify sensor chart?"), std::string::npos) << run.err;
    EXPECT_EQ(Word(sim, home, "0x00CA"), c.frequency) << c.password;
    EXPECT_EQ(Word(sim, home, "0x0113"), "200") << c.password;  // AUTO again
  }
  sim.Stop();
}

}  // namespace
}  // namespace vorel::test
