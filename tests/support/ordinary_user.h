// Permission checks that hold when the tests run as root: a step runs in a forked child as an
// ordinary user (nobody, whom permission bits do stop), in folders that user owns.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace vorel::test {

inline constexpr uid_t kNobody = 65534;

inline bool RunningAsRoot() {
  return ::geteuid() == 0;
}

// Runs `step` as an ordinary user and returns what it returned: in a child process that drops
// to nobody when the tests run as root, in this process otherwise. nullopt when the child could
// not change user or died.
inline std::optional<std::string> AsOrdinaryUserOutput(const std::function<std::string()>& step) {
  if (!RunningAsRoot()) return step();
  int fds[2];
  if (::pipe(fds) != 0) return std::nullopt;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(2);
    const std::string out = step();
    for (std::size_t done = 0; done < out.size();) {
      const ssize_t n = ::write(fds[1], out.data() + done, out.size() - done);
      if (n <= 0) ::_exit(3);
      done += static_cast<std::size_t>(n);
    }
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string out;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
    out.append(buffer, static_cast<std::size_t>(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return out;
}

// Runs `step` as an ordinary user; true when it returned true.
inline bool AsOrdinaryUser(const std::function<bool()>& step) {
  return AsOrdinaryUserOutput([&] { return std::string(step() ? "1" : "0"); }) == "1";
}

// A folder in /tmp owned by the ordinary user, removed with its contents.
class UserDir {
 public:
  UserDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vorel-user-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
    Own(path_);
  }
  ~UserDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  UserDir(const UserDir&) = delete;
  UserDir& operator=(const UserDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  // Gives `p` to the ordinary user (when running as root; otherwise it is the user's already).
  static void Own(const std::filesystem::path& p) {
    if (RunningAsRoot()) {
      EXPECT_EQ(::lchown(p.c_str(), kNobody, kNobody), 0) << p;
    }
  }

 private:
  std::filesystem::path path_;
};

}  // namespace vorel::test
