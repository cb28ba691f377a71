// The folder each kind of file dialog opens in, kept in the settings across runs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "control/file_folders.h"
#include "control/settings.h"

namespace vorel::test {
namespace {

namespace fs = std::filesystem;

class FileFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("vorel-folders-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("XDG_CONFIG_HOME");
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  fs::path dir;
};

TEST_F(FileFolders, EachKindOpensWhereItsLastFileWas) {
  EXPECT_EQ(LastFolder(FileKind::Parameters), "");
  EXPECT_EQ(InitialPath(FileKind::Parameters, "default"), "default");  // the name as before

  const struct {
    const char* extension;
    FileKind kind;
    std::string chosen;
  } cases[] = {
      {"dat", FileKind::Parameters, "/srv/sites/a.dat"},
      {"log", FileKind::Logs, "/srv/logs/unit1.log"},
      {"csv", FileKind::Exports, "/tmp/out/log.csv"},
      {"html", FileKind::Exports, "/home/eng/reports/r.html"},  // the last export wins
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileKindOf(c.extension), c.kind) << c.extension;
    RememberFolder(FileKindOf(c.extension), c.chosen);
  }
  EXPECT_EQ(LastFolder(FileKind::Parameters), "/srv/sites");
  EXPECT_EQ(LastFolder(FileKind::Logs), "/srv/logs");
  EXPECT_EQ(LastFolder(FileKind::Exports), "/home/eng/reports");
  EXPECT_EQ(InitialPath(FileKind::Parameters, "default"), "/srv/sites/default");

  // The other settings of the file stay.
  SaveLanguage("chinese");
  RememberFolder(FileKind::Logs, "/srv/other/b.log");
  EXPECT_EQ(LoadLanguage(), "chinese");
  EXPECT_EQ(LastFolder(FileKind::Logs), "/srv/other");
}

}  // namespace
}  // namespace vorel::test
