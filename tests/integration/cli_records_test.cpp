// vorel-cli's outputs against vorel-sim: every write to standard output is checked (a full
// device or file system ends with "Unable to write to standard output: REASON" and exit 1),
// backups are new files that never replace one, "-" is standard output, and the audit trail is
// a chain that `audit --verify` follows.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "support/cli_run.h"
#include "support/sim_process.h"

namespace vorel::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFull = "Unable to write to standard output: No space left on device\n";

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class CliRecords : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Start({"--baud", "0", "--site", "1", "--site", "2"})) << sim.error();
  }
  void TearDown() override { sim.Stop(); }

  QStringList WithPort(const QStringList& args) const {
    return QStringList{"--port", QString::fromStdString(sim.LinkPath())} + args;
  }
  CliRun Run(const QStringList& args) const {
    return RunProgram(VOREL_CLI_PATH, WithPort(args),
                      {{"XDG_CONFIG_HOME", home.path()}, {"XDG_DATA_HOME", home.path()}});
  }
  // Standard output into `path` (a device or a file).
  CliRun RunInto(const QStringList& args, const QString& path) const {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", home.path());
    env.insert("XDG_DATA_HOME", home.path());
    process.setProcessEnvironment(env);
    process.setStandardOutputFile(path);
    process.start(VOREL_CLI_PATH, WithPort(args));
    if (!process.waitForFinished(120000)) return {};
    return {process.exitCode(), "", process.readAllStandardError().toStdString()};
  }
  fs::path Trail() const { return fs::path(home.path().toStdString()) / "vorel" / "audit.log"; }

  QTemporaryDir home;
  SimProcess sim{VOREL_SIM_PATH};
};

TEST_F(CliRecords, AFullStandardOutputIsAFailure) {
  const QString file = QString::fromStdString(sim.File("a.dat"));
  ASSERT_EQ(Run({"backup", "1", "--file", file}).exitCode, 0);
  ASSERT_EQ(Run({"command", "1", "mute"}).exitCode, 0);  // a line in the audit trail
  const QStringList commands[] = {
      {"read", "1", "0x0000", "10"},
      {"identify", "1"},
      {"log", "1"},
      {"log", "1", "--csv", "-"},
      {"curve", "1", "AI1"},
      {"curve", "1", "AI1", "--export", "-"},
      {"diff", "site:1", "site:2"},
      {"monitor", "1", "--once"},
      {"backup", "1", "--file", "-"},
      {"audit"},
      {"help"},
  };
  for (const QStringList& args : commands) {
    const CliRun run = RunInto(args, "/dev/full");
    EXPECT_EQ(run.exitCode, 1) << args.join(' ').toStdString() << "\n" << run.err;
    EXPECT_TRUE(run.err.ends_with(kFull)) << args.join(' ').toStdString() << "\n" << run.err;
  }
  // What the same commands write into a file that has room: no message, exit as before.
  const CliRun read = Run({"read", "1", "0x0000", "10"});
  EXPECT_EQ(read.exitCode, 0);
  EXPECT_EQ(read.err, "");
}

// A file system that fills part-way (a tmpfs of 8 KiB in a mount namespace of its own): the
// event log's CSV does not fit, and vorel-cli says so.
TEST_F(CliRecords, AFileSystemThatFillsPartWayIsAFailure) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a tmpfs needs root";
  QProcess shell;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_CONFIG_HOME", home.path());
  env.insert("XDG_DATA_HOME", home.path());
  shell.setProcessEnvironment(env);
  const QString small = home.filePath("small");
  QDir().mkpath(small);
  const QString script = QString(
                             "mount -t tmpfs -o size=8k tmpfs '%1' || exit 77\n"
                             "'%2' --port '%3' log 1 > '%1/log.csv'\n")
                             .arg(small, VOREL_CLI_PATH, QString::fromStdString(sim.LinkPath()));
  shell.start("unshare", {"-m", "sh", "-c", script});
  ASSERT_TRUE(shell.waitForFinished(120000));
  if (shell.exitStatus() != QProcess::NormalExit || shell.exitCode() == 77 ||
      (shell.exitCode() != 0 && shell.exitCode() != 1))
    GTEST_SKIP() << "no mount namespace here: " << shell.readAllStandardError().toStdString();
  EXPECT_EQ(shell.exitCode(), 1);
  EXPECT_TRUE(shell.readAllStandardError().toStdString().ends_with(kFull));
}

TEST_F(CliRecords, BackupsAreNewFilesThatNeverReplaceOne) {
  const fs::path out = fs::path(home.path().toStdString()) / "backups";
  const CliRun first = Run({"backup", "1", "2", "--out", QString::fromStdString(out)});
  ASSERT_EQ(first.exitCode, 0) << first.err;
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(out)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  ASSERT_EQ(names.size(), 2u);
  const std::regex pattern("3101-([0-9A-Za-z_]+)-S0([12])-[0-9]{8}-[0-9]{6}\\.dat");
  std::smatch match;
  ASSERT_TRUE(std::regex_match(names[0], match, pattern)) << names[0];
  EXPECT_EQ(match[2], "1");
  ASSERT_TRUE(std::regex_match(names[1], match, pattern)) << names[1];
  EXPECT_EQ(match[2], "2");
  // The file's bytes are those of a named file and of standard output.
  const QString named = QString::fromStdString(sim.File("named.dat"));
  ASSERT_EQ(Run({"backup", "1", "--file", named}).exitCode, 0);
  EXPECT_EQ(Bytes(out / names[0]), Bytes(named.toStdString()));
  const CliRun printed = Run({"backup", "1", "--file", "-"});
  EXPECT_EQ(printed.exitCode, 0);
  EXPECT_EQ(printed.out, Bytes(named.toStdString()));

  // Every name the next backup of site 1 can take in the next minute is taken: it is refused
  // and the file there stays; --file replaces the file it names.
  const std::string prefix = names[0].substr(0, names[0].size() - 19);
  const std::time_t now = std::time(nullptr);
  for (int s = 0; s < 60; ++s) {
    const std::time_t t = now + s;
    std::tm local{};
    localtime_r(&t, &local);
    char stamp[24];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::ofstream(out / (prefix + stamp + ".dat")) << "kept";
  }
  const CliRun again = Run({"backup", "1", "--out", QString::fromStdString(out)});
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_NE(again.err.find(": File exists\n"), std::string::npos) << again.err;
  for (const auto& entry : fs::directory_iterator(out)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(prefix) && name != names[0]) {
      EXPECT_EQ(Bytes(entry.path()), "kept") << name;
    }
  }
  // (keeping a line of its own, as a save into an existing file does).
  std::ofstream(named.toStdString(), std::ios::binary) << "old\r\n[SYSTEM]\r\nLANGUAGE=1\r\n";
  EXPECT_EQ(Run({"backup", "1", "--file", named}).exitCode, 0);
  EXPECT_EQ(Bytes(named.toStdString()), "old\r\n" + Bytes(out / names[0]));
}

TEST_F(CliRecords, TheAuditTrailIsAChainThatVerifyFollows) {
  for (const char* command : {"mute", "manual", "off"})
    ASSERT_EQ(Run({"command", "1", command}).exitCode, 0);
  const CliRun whole = Run({"audit", "--verify"});
  EXPECT_EQ(whole.exitCode, 0) << whole.err;
  EXPECT_EQ(whole.out, Trail().string() + ": the chain is whole (3 lines)\n");
  const CliRun printed = Run({"audit", "--site", "1"});
  EXPECT_EQ(printed.exitCode, 0);
  EXPECT_EQ(printed.out, Bytes(Trail()));
  EXPECT_NE(printed.out.find(" command port="), std::string::npos) << printed.out;
  EXPECT_NE(printed.out.find(" site=1 product=3101 serial="), std::string::npos) << printed.out;

  // The second line's mode changed afterwards: the chain breaks at the third.
  std::string trail = Bytes(Trail());
  const std::size_t second = trail.find('\n') + 1;
  const std::size_t manual = trail.find(" manual prev=", second);
  ASSERT_NE(manual, std::string::npos) << trail;
  trail.replace(manual, 7, " auto  ");
  std::ofstream(Trail(), std::ios::binary) << trail;
  const CliRun broken = Run({"audit", "--verify"});
  EXPECT_EQ(broken.exitCode, 1);
  EXPECT_EQ(broken.err, Trail().string() +
                            ": the chain is broken at line 3: it does not carry the hash of "
                            "the line before it\n");

  // A trail that cannot be read is said to be so.
  fs::remove(Trail());
  fs::create_directories(Trail());
  for (const QStringList& args : {QStringList{"audit"}, QStringList{"audit", "--verify"}}) {
    const CliRun unreadable = Run(args);
    EXPECT_EQ(unreadable.exitCode, 1) << args.join(' ').toStdString();
    EXPECT_EQ(unreadable.err, "Unable to read " + Trail().string() + ": not a regular file\n");
  }
  // A command whose line cannot be appended is sent, told and a failure.
  const CliRun unrecorded = Run({"command", "1", "manual"});
  EXPECT_EQ(unrecorded.exitCode, 1);
  EXPECT_NE(unrecorded.err.find("Unable to write to " + Trail().string()), std::string::npos)
      << unrecorded.err;
  EXPECT_EQ(QString::fromStdString(Run({"read", "1", "0x0113", "1"}).out).trimmed(), "199");
}

}  // namespace
}  // namespace vorel::test
