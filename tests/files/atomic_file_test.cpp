#include "files/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>

#include "support/ordinary_user.h"
#include "support/temp_files.h"

namespace vorel {
namespace {

namespace fs = std::filesystem;

using test::AsOrdinaryUser;
using test::ReadFile;
using test::UserDir;

// Who may write the file and its folder decides: a file the user may not write is never
// replaced; a writable file in a folder that refuses a temporary file is written in place.
TEST(AtomicFile, TheUsersPermissionsOnFileAndFolderDecide) {
  const struct {
    const char* what;
    bool fileExists;
    mode_t fileMode;
    mode_t dirMode;
    bool saved;
  } cases[] = {
      {"writable file, writable folder", true, 0644, 0755, true},
      {"read-only file, writable folder", true, 0444, 0755, false},
      {"writable file, read-only folder", true, 0644, 0555, true},
      {"read-only file, read-only folder", true, 0444, 0555, false},
      {"no file, read-only folder", false, 0644, 0555, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    UserDir dir;
    const fs::path file = dir.path() / "vport.ini";
    const std::string old = "[System]\r\nLanguage=english\r\n";
    const std::string fresh = "[System]\r\nLanguage=chinese\r\n";
    if (c.fileExists) {
      std::ofstream(file, std::ios::binary) << old;
      UserDir::Own(file);
      ASSERT_EQ(::chmod(file.c_str(), c.fileMode), 0);
    }
    ASSERT_EQ(::chmod(dir.path().c_str(), c.dirMode), 0);
    EXPECT_EQ(AsOrdinaryUser([&] { return WriteFileAtomically(file, fresh, nullptr); }), c.saved);
    ::chmod(dir.path().c_str(), 0755);
    if (c.fileExists) {
      EXPECT_EQ(ReadFile(file), c.saved ? fresh : old);
      struct stat st {};
      ASSERT_EQ(::stat(file.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 07777, c.fileMode);
    } else {
      EXPECT_FALSE(fs::exists(file));
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()),
              c.fileExists ? 1 : 0)
        << "no temporary file is left";
  }
}

TEST(AtomicFile, ARefusedFileGivesTheSystemsReason) {
  UserDir dir;
  const fs::path file = dir.path() / "data.csv";
  std::ofstream(file) << "old";
  UserDir::Own(file);
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  EXPECT_TRUE(AsOrdinaryUser([&] {
    FileError error;
    return !WriteFileAtomically(file, "new", &error) && EnglishReason(error) == "Permission denied";
  }));
}

// Bytes that differ at every position from those of another `seed`, so that a file put back
// only in part shows.
std::string Pattern(char seed, std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(seed + i % 23);
  return bytes;
}

// A writable file in a folder that refuses a temporary file is rewritten in place. When the
// disk fills part-way (a file size limit here), what was overwritten and the old length are
// put back.
TEST(AtomicFile, AnInPlaceWriteThatFailsPartWayLeavesTheOldFile) {
  const struct {
    const char* what;
    std::size_t oldSize;
    std::size_t newSize;
    rlim_t limit;  // 0: none
    bool saved;
  } cases[] = {
      {"longer than the old file, fails past the limit", 100, 4096, 1000, false},
      {"shorter than the old file, fails past the limit", 3000, 2000, 1000, false},
      {"longer than the old file", 100, 4096, 0, true},
      {"shorter than the old file", 3000, 10, 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    UserDir dir;
    const fs::path file = dir.path() / "site.dat";
    const std::string old = Pattern('a', c.oldSize);
    const std::string fresh = Pattern('A', c.newSize);
    test::WriteFile(file, old);
    UserDir::Own(file);
    ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    const auto outcome = test::AsOrdinaryUserOutput([&] {
      std::optional<test::FileSizeLimit> full;
      if (c.limit && !full.emplace(c.limit).set()) return std::string("no limit");
      FileError error;
      return WriteFileAtomically(file, fresh, &error) ? std::string("saved") : EnglishReason(error);
    });
    ::chmod(dir.path().c_str(), 0755);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(*outcome, c.saved ? "saved" : "File too large");
    const std::string now = ReadFile(file);
    const std::string& expected = c.saved ? fresh : old;
    EXPECT_EQ(now.size(), expected.size());
    EXPECT_TRUE(now == expected) << "the file holds other bytes than the "
                                 << (c.saved ? "new" : "old") << " ones";
  }
}

}  // namespace
}  // namespace vorel
