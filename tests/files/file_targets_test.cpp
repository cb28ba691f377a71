// What a save may write over: a device, pipe or socket in the file's place is refused (run as
// root, `--out /dev/null` must not replace the device with a file), and a new file is never
// written over one that exists.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "files/atomic_file.h"
#include "support/temp_files.h"

namespace vorel {
namespace {

namespace fs = std::filesystem;

using test::ReadFile;

TEST(FileTargets, ADevicePipeOrSocketIsNeverReplaced) {
  test::TempDir dir;
  const fs::path fifo = dir.path() / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const fs::path socketPath = dir.path() / "socket";
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  const fs::path deviceLink = dir.path() / "null";
  fs::create_symlink("/dev/null", deviceLink);

  const struct {
    const char* what;
    fs::path path;
    std::function<bool(const struct stat&)> stillThere;
  } cases[] = {
      {"/dev/null", "/dev/null", [](const struct stat& st) { return S_ISCHR(st.st_mode); }},
      {"a link to /dev/null", deviceLink,
       [](const struct stat& st) { return S_ISCHR(st.st_mode); }},
      {"a named pipe", fifo, [](const struct stat& st) { return S_ISFIFO(st.st_mode); }},
      {"a socket", socketPath, [](const struct stat& st) { return S_ISSOCK(st.st_mode); }},
  };
  for (const auto& c : cases) {
    for (const bool newFile : {false, true}) {
      FileError error;
      const bool written = newFile ? WriteNewFile(c.path, "data", &error)
                                   : WriteFileAtomically(c.path, "data", &error);
      EXPECT_FALSE(written) << c.what;
      if (!newFile) {
        EXPECT_EQ(EnglishReason(error), "not a regular file") << c.what;
      }
      struct stat st {};
      ASSERT_EQ(::stat(c.path.c_str(), &st), 0) << c.what;
      EXPECT_TRUE(c.stillThere(st)) << c.what;
    }
  }
  ::close(sock);
}

TEST(FileTargets, ANewFileNeverReplacesOneThatExists) {
  test::TempDir dir;
  const fs::path file = dir.path() / "3101-00A1-S01-20261211-062700.dat";
  FileError error;
  ASSERT_TRUE(WriteNewFile(file, "first", &error));
  EXPECT_EQ(ReadFile(file), "first");
  EXPECT_FALSE(WriteNewFile(file, "second", &error));
  EXPECT_EQ(EnglishReason(error), "File exists");
  EXPECT_EQ(ReadFile(file), "first");

  // Nor the file a dangling link points to, nor the link itself.
  const fs::path link = dir.path() / "link.dat";
  fs::create_symlink(dir.path() / "target.dat", link);
  EXPECT_FALSE(WriteNewFile(link, "data", &error));
  EXPECT_FALSE(fs::exists(dir.path() / "target.dat"));
  EXPECT_TRUE(fs::is_symlink(link));

  // A failed write gives the name back.
  const fs::path full = dir.path() / "full.dat";
  {
    test::FileSizeLimit limit(2);
    ASSERT_TRUE(limit.set());
    EXPECT_FALSE(WriteNewFile(full, "more than two bytes", &error));
  }
  EXPECT_FALSE(fs::exists(full));
}

}  // namespace
}  // namespace vorel
