// vorel-cli's usage errors: a wrong argument of a command shows that command's usage and no
// other's; an unknown option or command is named in one line that points to --help.
#include <gtest/gtest.h>

#include "support/cli_run.h"
#include "support/temp_files.h"

namespace vorel::test {
namespace {

constexpr const char* kUsageLead = "Usage: vorel-cli [--port PATH] [--baud N] ";
const char* const kCommands[] = {"read", "write",   "identify", "log",    "curve",
                                 "scan", "monitor", "command",  "backup", "restore",
                                 "diff", "audit",   "report",   "status"};

CliRun RunCli(const QStringList& args) {
  TempDir settings;
  return RunProgram(VOREL_CLI_PATH, args,
                    {{"XDG_CONFIG_HOME", QString::fromStdString(settings.path().string())}}, 15000);
}

struct UsageCase {
  QStringList args;
  const char* problem;  // the first line on standard error
  const char* command;  // whose usage follows
};

TEST(CliUsage, EachCommandShowsItsOwnUsage) {
  const UsageCase cases[] = {
      {{"read", "1", "0"}, "vorel-cli: wrong number of arguments", "read"},
      {{"read", "1", "0", "126"}, "vorel-cli: COUNT must be 1 to 125", "read"},
      {{"write", "1", "0", "65536"}, "vorel-cli: bad WORD", "write"},
      {{"identify"}, "vorel-cli: identify needs at least one SITE", "identify"},
      {{"identify", "33"}, "vorel-cli: SITE must be 1 to 32", "identify"},
      {{"scan", "1"}, "vorel-cli: scan takes no arguments but --baud auto", "scan"},
      {{"log", "1", "--pdf"}, "vorel-cli: unexpected argument", "log"},
      {{"curve", "1"}, "vorel-cli: curve needs a SITE and AI1, AI2 or AI3", "curve"},
      {{"monitor", "1", "--yes"}, "vorel-cli: unknown argument", "monitor"},
      {{"command", "1", "launch"}, "vorel-cli: unknown command name launch", "command"},
      {{"command", "1", "stop", "--once"}, "vorel-cli: unknown argument", "command"},
      {{"backup"}, "vorel-cli: backup needs at least one SITE", "backup"},
      {{"restore", "1", "x.dat"}, "vorel-cli: restore needs SITE FILE --password PW", "restore"},
      {{"diff", "a.dat"}, "vorel-cli: diff needs A and B", "diff"},
      {{"audit", "--site", "0"}, "vorel-cli: SITE must be 1 to 32", "audit"},
      {{"report", "1"}, "vorel-cli: report needs --out FILE", "report"},
      {{"status", "--csv"}, "vorel-cli: unknown argument --csv", "status"},
      {{"status", "0"}, "vorel-cli: SITE must be 1 to 32", "status"},
  };
  for (const UsageCase& c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    const CliRun run = RunCli(c.args);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    const std::string lead = std::string(c.problem) + "\n" + kUsageLead + c.command + " ";
    EXPECT_TRUE(run.err.starts_with(lead)) << run.err;
    for (const char* other : kCommands) {
      if (std::string_view(other) == c.command) continue;
      EXPECT_EQ(run.err.find(std::string("\n  ") + other + " "), std::string::npos)
          << "shows the usage of " << other << ":\n"
          << run.err;
      EXPECT_EQ(run.err.find(std::string("--baud N] ") + other + " "), std::string::npos)
          << "shows the usage of " << other << ":\n"
          << run.err;
    }
  }
}

TEST(CliUsage, UnknownOptionsAndCommandsAreNamedInOneLine) {
  const std::pair<QStringList, const char*> cases[] = {
      {{"--foo"}, "vorel-cli: unknown option --foo; see vorel-cli --help\n"},
      {{"--port", "/dev/null", "-x", "read", "1", "0", "1"},
       "vorel-cli: unknown option -x; see vorel-cli --help\n"},
      {{"frobnicate", "1"}, "vorel-cli: unknown command frobnicate; see vorel-cli --help\n"},
      {{"--baud", "fast", "read", "1", "0", "1"},
       "vorel-cli: bad baud rate; see vorel-cli --help\n"},
      {{"--port"}, "vorel-cli: missing value after --port; see vorel-cli --help\n"},
  };
  for (const auto& [args, expected] : cases) {
    SCOPED_TRACE(args.join(' ').toStdString());
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, expected);
    EXPECT_EQ(run.out, "");
  }
}

TEST(CliUsage, VersionAndHelpGoToStandardOutput) {
  const CliRun version = RunCli({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_TRUE(version.out.starts_with("vorel-cli ")) << version.out;
  EXPECT_EQ(version.out.find('\n'), version.out.size() - 1);
  EXPECT_EQ(version.err, "");

  const CliRun help = RunCli({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  for (const char* command : kCommands)
    EXPECT_NE(help.out.find(std::string("\n  ") + command + " "), std::string::npos) << command;
}

}  // namespace
}  // namespace vorel::test
