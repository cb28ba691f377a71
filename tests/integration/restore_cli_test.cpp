// vorel-cli restore against vorel-sim over a real pseudo-terminal: only the registers that
// differ are written; a wrong password, another product, another unit, values out of limits,
// missing keys and a running engine send nothing; a failed block rolls back what was written;
// a signal ends the restore the same way; every time the set is left in the mode and the
// protection it was found in.
#include <gtest/gtest.h>
#include <signal.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/cli_run.h"
#include "support/sim_process.h"
#include "support/sim_trace.h"

namespace vorel::test {
namespace {

constexpr int kWriteFunction = 16;

// vorel-cli with its own settings, audit trail and snapshots in `home`.
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

std::string ReadText(const std::string& path) {
  std::stringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

// `text` with each (old, new) replaced once; an empty new removes the line.
std::string Edited(std::string text,
                   const std::vector<std::pair<std::string, std::string>>& edits) {
  for (const auto& [from, to] : edits) {
    const std::size_t at = text.find(from);
    if (at == std::string::npos) return {};
    if (to.empty()) {
      text.erase(at, text.find('\n', at) + 1 - at);
    } else {
      text.replace(at, from.size(), to);
    }
  }
  return text;
}

std::string Write(const SimProcess& sim, const std::string& name, const std::string& text) {
  const std::string path = sim.File(name);
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

// The function-16 requests to site 4 in the trace.
std::vector<std::uint16_t> Writes(const std::string& trace) {
  std::vector<std::uint16_t> writes;
  for (const TraceRequest& r : TraceRequests(trace))
    if (r.site == 4 && r.function == kWriteFunction) writes.push_back(r.address);
  return writes;
}

class RestoreCli : public ::testing::Test {
 protected:
  bool StartSim(const QStringList& extra = {}) {
    trace = sim.File("trace.log");
    if (!sim.Start(
            QStringList{"--baud", "0", "--site", "4", "--trace", QString::fromStdString(trace)} +
            extra))
      return false;
    base = sim.File("base.dat");
    if (RunCli(sim, home, {"backup", "4", "--file", QString::fromStdString(base)}).exitCode != 0)
      return false;
    return RunCli(sim, home, {"command", "4", "auto"}).exitCode == 0;
  }
  // Mode AUTO and protection locked, as the set was found.
  void ExpectAsFound(const char* name) {
    EXPECT_EQ(Word(sim, home, "0x0113"), "200") << name;
    EXPECT_EQ(Word(sim, home, "0x0004"), "0") << name;
  }

  QTemporaryDir home;
  SimProcess sim{VOREL_SIM_PATH};
  std::string trace;
  std::string base;
};

TEST_F(RestoreCli, OnlyWhatDiffersIsWrittenAndTheSetIsLeftAsFound) {
  ASSERT_TRUE(StartSim()) << sim.error();
  const std::string file =
      Write(sim, "changed.dat",
            Edited(ReadText(base), {{"GNOMIN_FREQ=50.00", "GNOMIN_FREQ=60.00"},
                                    {"CONTROLER_ADDR=4", "CONTROLER_ADDR=7"}}));
  const QString path = QString::fromStdString(file);

  // A dry run lists the change and writes nothing.
  std::size_t before = Writes(trace).size();
  CliRun run = RunCli(sim, home, {"restore", "4", path, "--dry-run"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "Nomin Freq: 50.0 -> 60.0 Hz (GNOMIN_FREQ)\n");
  EXPECT_EQ(Writes(trace).size(), before);

  const struct {
    const char* password;
    int exitCode;
    const char* ending;
    const char* frequency;  // register 0x00CA afterwards, tenths of a hertz
  } cases[] = {
      {"9999", 1,
       "Address 4: the password was not accepted: the controller stays locked, nothing written\n",
       "500"},
      {"1234", 0, "Address 4: written, read-back matches\n", "600"},
  };
  for (const auto& c : cases) {
    before = Writes(trace).size();
    run = RunCli(sim, home, {"restore", "4", path, "--password", c.password});
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
    EXPECT_TRUE(run.err.ends_with(c.ending)) << run.err;
    EXPECT_NE(run.err.find("Address 4: snapshot "), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("timeout"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("Modify sensor chart?"), std::string::npos) << run.err;
    EXPECT_EQ(Word(sim, home, "0x00CA"), c.frequency) << c.password;
    EXPECT_EQ(Word(sim, home, "0x0011"), "4") << c.password;  // the address left alone
    ExpectAsFound(c.password);
    const std::vector<std::uint16_t> all = Writes(trace);
    const std::vector<std::uint16_t> writes(all.begin() + static_cast<std::ptrdiff_t>(before),
                                            all.end());
    // Mode OFF, password, [the one changed register], mode back, lock.
    const std::vector<std::uint16_t> expected =
        c.exitCode == 0 ? std::vector<std::uint16_t>{0x0113, 0x0004, 0x00CA, 0x0113, 0x0004}
                        : std::vector<std::uint16_t>{0x0113, 0x0004, 0x0113, 0x0004};
    EXPECT_EQ(writes, expected) << c.password;
  }
  sim.Stop();
}

// Every refusal sends no parameter: another product, another unit, values out of limits,
// missing keys, a locked controller (a wrong password: only the mode and the password attempt
// go out, then the mode and the lock as found; no password: a usage error) and a running engine.
TEST_F(RestoreCli, EveryRefusalSendsNothing) {
  ASSERT_TRUE(StartSim({"--time-scale", "20"})) << sim.error();
  const std::string text = ReadText(base);
  const std::string changed = Edited(text, {{"GNOMIN_FREQ=50.00", "GNOMIN_FREQ=60.00"}});
  const QStringList password{"--password", "1234"};
  const QStringList wrong{"--password", "9999"};
  const std::vector<std::uint16_t> none;
  const std::vector<std::uint16_t> attempt{0x0113, 0x0004, 0x0113, 0x0004};
  const struct {
    const char* name;
    std::string file;
    QStringList options;
    bool running;
    const char* says;
    int exitCode;
    const std::vector<std::uint16_t>& writes;
    const char* language;  // of the settings, "" as they are
  } cases[] = {
      {"other product code", Edited(changed, {{"PRODUCT_CODE=3101", "PRODUCT_CODE=3105"}}),
       password, false, "the controller at site 4 is a 3101", 1, none, ""},
      {"other unit", Edited(changed, {{"V5.10", "V5.00"}}), password, false, "--allow-other-unit",
       1, none, ""},
      {"out of limits", Edited(changed, {{"GNOMIN_PWR=200", "GNOMIN_PWR=99999"}}), password, false,
       "GNOMIN_PWR = ", 1, none, ""},
      {"missing keys", Edited(changed, {{"VG_LEV2=", ""}}), password, false,
       "lacks 1 keys: VG_LEV2", 1, none, ""},
      {"locked, wrong password", changed, wrong, false,
       "Address 4: the password was not accepted: the controller stays locked, nothing "
       "written\n",
       1, attempt, ""},
      {"locked, wrong password, in Chinese", changed, wrong, false,
       "Address 4: 密码错误：控制器保持锁定，未写入任何参数\n", 1, attempt, "chinese"},
      {"locked, no password",
       changed,
       {},
       false,
       "restore needs SITE FILE --password PW",
       2,
       none,
       ""},
      {"engine running", changed, password, true,
       "The engine of site 4 is running. Stop it to write?", 1, none, ""},
  };
  const std::string settings = home.filePath("vorel/vport.ini").toStdString();
  for (const auto& c : cases) {
    ASSERT_FALSE(c.file.empty()) << c.name;
    const QString path = QString::fromStdString(Write(sim, "refused.dat", c.file));
    if (c.running) {
      ASSERT_EQ(RunCli(sim, home, {"command", "4", "manual"}).exitCode, 0);
      ASSERT_EQ(RunCli(sim, home, {"command", "4", "start", "--yes"}).exitCode, 0);
    }
    const std::size_t before = Writes(trace).size();
    if (*c.language) {
      std::filesystem::create_directories(home.filePath("vorel").toStdString());
      std::ofstream(settings, std::ios::binary) << "[System]\r\nLanguage=" << c.language << "\r\n";
    }
    const CliRun run = RunCli(sim, home, QStringList{"restore", "4", path} + c.options);
    if (*c.language) std::filesystem::remove(settings);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.name << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << c.name << run.err;
    const std::vector<std::uint16_t> all = Writes(trace);
    EXPECT_EQ(
        std::vector<std::uint16_t>(all.begin() + static_cast<std::ptrdiff_t>(before), all.end()),
        c.writes)
        << c.name;
    EXPECT_EQ(Word(sim, home, "0x00CA"), "500") << c.name;
    EXPECT_EQ(Word(sim, home, "0x0004"), "0") << c.name;
    EXPECT_EQ(Word(sim, home, "0x0113"), c.running ? "199" : "200") << c.name;
  }
  sim.Stop();
}

TEST_F(RestoreCli, ARawWriteToAParameterIsCheckedLikeARestore) {
  ASSERT_TRUE(StartSim({"--time-scale", "20"})) << sim.error();
  const struct {
    const char* name;
    QStringList args;
    bool start;  // the engine runs first
    int exitCode;
    const char* says;
    const char* frequency;  // register 0x00CA afterwards
    bool unlockTried;       // the mode and the password went out, then the mode and the lock
  } cases[] = {
      {"start command",
       {"0x8010", "0xFE01", "--password", "1234"},
       false,
       2,
       "'command'",
       "500",
       false},
      {"mode register",
       {"0x0113", "198", "--password", "1234"},
       false,
       2,
       "'command'",
       "500",
       false},
      {"no password", {"0x00CA", "600"}, false, 2, "needs --password", "500", false},
      {"out of limits",
       {"0x00C8", "34463", "--password", "1234"},
       false,
       1,
       "GNOMIN_PWR = ",
       "500",
       false},
      {"written",
       {"0x00CA", "600", "--password", "1234"},
       false,
       0,
       "Address 4: written, read-back matches\n",
       "600",
       false},
      {"locked, wrong password",
       {"0x00CA", "550", "--password", "9999"},
       false,
       1,
       "the password was not accepted: the controller stays locked, nothing written",
       "600",
       true},
      {"engine running",
       {"0x00CA", "550", "--password", "1234"},
       true,
       1,
       "The engine of site 4 is running. Stop it to write?",
       "600",
       false},
  };
  for (const auto& c : cases) {
    if (c.start) {
      ASSERT_EQ(RunCli(sim, home, {"command", "4", "manual"}).exitCode, 0);
      ASSERT_EQ(RunCli(sim, home, {"command", "4", "start", "--yes"}).exitCode, 0);
    }
    const std::size_t before = Writes(trace).size();
    const CliRun run = RunCli(sim, home, QStringList{"write", "4"} + c.args);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.name << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << c.name << run.err;
    const std::vector<std::uint16_t> all = Writes(trace);
    const std::vector<std::uint16_t> writes(all.begin() + static_cast<std::ptrdiff_t>(before),
                                            all.end());
    const std::vector<std::uint16_t> expected =
        c.exitCode == 0 ? std::vector<std::uint16_t>{0x0113, 0x0004, 0x00CA, 0x0113, 0x0004}
        : c.unlockTried ? std::vector<std::uint16_t>{0x0113, 0x0004, 0x0113, 0x0004}
                        : std::vector<std::uint16_t>{};
    EXPECT_EQ(writes, expected) << c.name;
    EXPECT_EQ(Word(sim, home, "0x00CA"), c.frequency) << c.name;
    EXPECT_EQ(Word(sim, home, "0x0004"), "0") << c.name;
    EXPECT_EQ(Word(sim, home, "0x0113"), c.start ? "199" : "200") << c.name;
  }
  sim.Stop();
}

// The read-back compares with what the controller returns now, not with what was sent: a
// controller that acknowledges a write and keeps its old value fails the restore.
TEST_F(RestoreCli, AWriteTheControllerAcknowledgedButDidNotStoreFailsTheReadBack) {
  ASSERT_TRUE(StartSim({"--fault-forget-write", "0x00CA"})) << sim.error();
  const std::string file = Write(
      sim, "forgotten.dat", Edited(ReadText(base), {{"GNOMIN_FREQ=50.00", "GNOMIN_FREQ=60.00"}}));
  const CliRun run =
      RunCli(sim, home, {"restore", "4", QString::fromStdString(file), "--password", "1234"});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_TRUE(run.err.ends_with("Address 4: read-back differs\n")) << run.err;
  EXPECT_EQ(run.err.find("read-back matches"), std::string::npos) << run.err;
  EXPECT_EQ(Word(sim, home, "0x00CA"), "500");
  ExpectAsFound("forgotten");
  sim.Stop();
}

TEST_F(RestoreCli, ACurveThatDiffersIsWrittenAfterTheParametersAndCheckedBack) {
  ASSERT_TRUE(StartSim()) << sim.error();
  const std::string file =
      Write(sim, "curve.dat",
            Edited(ReadText(base), {{"CHART_A_VAL2=10\r", "CHART_A_VAL2=11\r"},
                                    {"GNOMIN_FREQ=50.00", "GNOMIN_FREQ=60.00"}}));
  const std::size_t before = Writes(trace).size();
  const CliRun run =
      RunCli(sim, home, {"restore", "4", QString::fromStdString(file), "--password", "1234"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out,
            "Nomin Freq: 50.0 -> 60.0 Hz (GNOMIN_FREQ)\n"
            "AI1 curve: differs, written after the parameters\n");
  EXPECT_TRUE(run.err.ends_with("Address 4: written, read-back matches\n")) << run.err;
  const std::vector<std::uint16_t> all = Writes(trace);
  const std::vector<std::uint16_t> writes(all.begin() + static_cast<std::ptrdiff_t>(before),
                                          all.end());
  // Mode OFF, password, the parameter, the curve writer's type, resistances and values, then
  // the mode and the lock.
  EXPECT_EQ(writes, (std::vector<std::uint16_t>{0x0113, 0x0004, 0x00CA, 0x0129, 0x014A, 0x012C,
                                                0x0113, 0x0004}));
  EXPECT_EQ(Word(sim, home, "0x012D"), "11");
  ExpectAsFound("curve");
  sim.Stop();
}

// The curve writer's resistances are refused after the parameter went in: the parameter and the
// curve's blocks are written back from the snapshot, and the message names them.
TEST_F(RestoreCli, AFailedCurveRollsBackTheParametersWrittenBeforeIt) {
  // The writes to site 4: "command auto", mode OFF, password, 0x00CA, the type word, then the
  // resistances fail.
  ASSERT_TRUE(StartSim({"--fault-exception", "1", "--fault-function", "16", "--fault-after", "5",
                        "--fault-count", "1"}))
      << sim.error();
  const std::string file =
      Write(sim, "curve.dat",
            Edited(ReadText(base), {{"CHART_A_VAL2=10\r", "CHART_A_VAL2=11\r"},
                                    {"GNOMIN_FREQ=50.00", "GNOMIN_FREQ=60.00"}}));
  const CliRun run =
      RunCli(sim, home, {"restore", "4", QString::fromStdString(file), "--password", "1234"});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  for (const char* line : {"Address 4: restored 0x00CA+1 from the snapshot\n",
                           "Address 4: restored 0x0129+1 from the snapshot\n",
                           "Address 4: restored 0x014A+10 from the snapshot\n",
                           "Address 4: restored 0x012C+10 from the snapshot\n"})
    EXPECT_NE(run.err.find(line), std::string::npos) << line << run.err;
  EXPECT_TRUE(run.err.ends_with("Address 4: the write failed\n")) << run.err;
  EXPECT_EQ(Word(sim, home, "0x00CA"), "500");
  EXPECT_EQ(Word(sim, home, "0x012D"), "10");
  ExpectAsFound("curve fault");
  sim.Stop();
}

// Four changed registers, each a block of its own.
std::string FourChanges(const std::string& base) {
  return Edited(base, {{"GNOMIN_FREQ=50.00", "GNOMIN_FREQ=60.00"},
                       {"GNOMIN_PWR=200", "GNOMIN_PWR=250"},
                       {"VG_LEV2=110", "VG_LEV2=112"},
                       {"LCOMPENSATION=0.92", "LCOMPENSATION=1.50"}});
}

TEST_F(RestoreCli, AFailedThirdBlockRollsBackWhatWasWritten) {
  // The writes to site 4: "command auto", mode OFF, password, two blocks, then the third fails.
  ASSERT_TRUE(StartSim({"--fault-exception", "1", "--fault-function", "16", "--fault-after", "5",
                        "--fault-count", "1"}))
      << sim.error();
  const std::string file = Write(sim, "four.dat", FourChanges(ReadText(base)));
  const CliRun run =
      RunCli(sim, home, {"restore", "4", QString::fromStdString(file), "--password", "1234"});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_NE(run.err.find("Address 4: restored 0x0073+1 from the snapshot\n"), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("Address 4: restored 0x00C8+1 from the snapshot\n"), std::string::npos)
      << run.err;
  EXPECT_TRUE(run.err.ends_with("Address 4: the write failed\n")) << run.err;
  EXPECT_EQ(Word(sim, home, "0x0073"), "92");
  EXPECT_EQ(Word(sim, home, "0x00C8"), "200");
  EXPECT_EQ(Word(sim, home, "0x00CA"), "500");  // the failed block, stored all the same
  EXPECT_EQ(Word(sim, home, "0x00FD"), "110");  // never sent
  ExpectAsFound("fault");
  sim.Stop();
}

TEST_F(RestoreCli, ASignalMidRestoreLeavesTheSetAsFound) {
  // Every write reply comes in pieces with long gaps: the writes take seconds.
  ASSERT_TRUE(StartSim(
      {"--fault-pieces", "1", "--piece-gap", "150", "--fault-function", "16", "--fault-site", "4"}))
      << sim.error();
  const QString file = QString::fromStdString(Write(sim, "four.dat", FourChanges(ReadText(base))));
  for (int signal : {SIGTERM, SIGHUP}) {
    ASSERT_EQ(RunCli(sim, home, {"command", "4", "auto"}).exitCode, 0);
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.path());
    env.insert("XDG_DATA_HOME", home.path());
    cli.setProcessEnvironment(env);
    cli.start(VOREL_CLI_PATH, {"--port", QString::fromStdString(sim.LinkPath()), "restore", "4",
                               file, "--password", "1234"});
    ASSERT_TRUE(cli.waitForStarted());
    // The change list is printed just before the first write.
    QByteArray out;
    while (!out.contains("VG_LEV2") && cli.waitForReadyRead(5000))
      out += cli.readAllStandardOutput();
    ASSERT_TRUE(out.contains("VG_LEV2")) << out.toStdString();
    QThread::msleep(1000);  // mode OFF, password, a block or two
    ::kill(static_cast<pid_t>(cli.processId()), signal);
    ASSERT_TRUE(cli.waitForFinished(30000));
    const std::string err = cli.readAllStandardError().toStdString();
    EXPECT_EQ(cli.exitCode(), 1) << err;
    EXPECT_TRUE(err.ends_with("Address 4: interrupted\n")) << err;
    EXPECT_EQ(Word(sim, home, "0x00C8"), "200") << signal;
    EXPECT_EQ(Word(sim, home, "0x00FD"), "110") << signal;
    ExpectAsFound(signal == SIGTERM ? "SIGTERM" : "SIGHUP");
  }
  sim.Stop();
}

}  // namespace
}  // namespace vorel::test
