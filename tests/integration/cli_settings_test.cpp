// vorel-cli with a vport.ini it cannot read: it names the file and the reason instead of
// falling back to the default port.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <filesystem>

namespace vorel::test {
namespace {

TEST(CliSettings, AnUnreadableVportIniIsNamedWithTheReason) {
  QTemporaryDir config;
  ASSERT_TRUE(config.isValid());
  const std::filesystem::path vport =
      std::filesystem::path(config.path().toStdString()) / "vorel" / "vport.ini";
  std::filesystem::create_directories(vport);  // a folder in the file's place
  QProcess cli;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_CONFIG_HOME", config.path());
  cli.setProcessEnvironment(env);
  cli.setStandardInputFile(QProcess::nullDevice());
  cli.start(VOREL_CLI_PATH, {"monitor", "5", "--once"});
  ASSERT_TRUE(cli.waitForFinished(60000));
  EXPECT_EQ(cli.exitCode(), 1);
  EXPECT_EQ(cli.readAllStandardError().toStdString(),
            "Unable to read " + vport.string() + ": not a regular file\n");
  EXPECT_EQ(cli.readAllStandardOutput().toStdString(), "");
}

}  // namespace
}  // namespace vorel::test
