#include "files/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace vorel {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Runs `step` in a child process as an ordinary user (nobody when the tests run as root, whom
// no permission bit stops); true when it returned true.
bool AsOrdinaryUser(const std::function<bool()>& step) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) ::_exit(2);
    ::_exit(step() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A folder in /tmp owned by the ordinary user.
class UserDir {
 public:
  UserDir() {
    std::string pattern = (fs::temp_directory_path() / "vorel-atomic-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
    Own(path_);
  }
  ~UserDir() {
    fs::permissions(path_, fs::perms::owner_all);
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }
  static void Own(const fs::path& p) {
    if (::geteuid() == 0) {
      EXPECT_EQ(::chown(p.c_str(), kNobody, kNobody), 0);
    }
  }

 private:
  fs::path path_;
};

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

TEST(AtomicFile, ARefusedFileIsNamedWithTheReason) {
  UserDir dir;
  const fs::path file = dir.path() / "data.csv";
  std::ofstream(file) << "old";
  UserDir::Own(file);
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  EXPECT_TRUE(AsOrdinaryUser([&] {
    std::string error;
    return !WriteFileAtomically(file, "new", &error) &&
           error == file.string() + ": Permission denied";
  }));
}

}  // namespace
}  // namespace vorel
