// What the user is told about a serial port that would not open: a device their user may not
// open, and a device another process holds.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "core/language.h"
#include "link/port_advice.h"

namespace vorel::test {
namespace {

// A pseudo-terminal whose slave stands in for a serial device.
struct Pty {
  Pty() {
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ::grantpt(master);
    ::unlockpt(master);
    slave = ::ptsname(master);
  }
  ~Pty() { ::close(master); }
  int master = -1;
  std::string slave;
};

// PortOpenAdvice as another user would get it (uid 65534), read back through a pipe.
std::string AdviceAsNobody(const std::string& path) {
  int fds[2];
  if (::pipe(fds) != 0) return "pipe failed";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(fds[0]);
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) _exit(1);
    const std::string advice = PortOpenAdvice(path);
    (void)!::write(fds[1], advice.data(), advice.size());
    _exit(0);
  }
  ::close(fds[1]);
  std::string text;
  char buf[512];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) text.append(buf, n);
  ::close(fds[0]);
  ::waitpid(child, nullptr, 0);
  return text;
}

TEST(PortAdvice, APortTheUserMayNotOpenNamesItsGroupAndTheCommand) {
  if (::geteuid() != 0) {
    GTEST_SKIP() << "needs root to run the check as another user";
  }
  SetLanguageSetting("english");
  Pty pty;
  ASSERT_EQ(::chmod(pty.slave.c_str(), 0), 0);
  const std::string advice = AdviceAsNobody(pty.slave);
  EXPECT_NE(advice.find("Your user may not open " + pty.slave), std::string::npos) << advice;
  EXPECT_NE(advice.find("sudo usermod -aG "), std::string::npos) << advice;
  EXPECT_NE(advice.find("log in again"), std::string::npos) << advice;
  SetLanguageSetting("chinese");
  EXPECT_NE(AdviceAsNobody(pty.slave).find("当前用户无权打开"), std::string::npos);
}

TEST(PortAdvice, APortInUseNamesTheProcessHoldingIt) {
  SetLanguageSetting("english");
  Pty pty;
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t holder = ::fork();
  if (holder == 0) {
    const int fd = ::open(pty.slave.c_str(), O_RDWR | O_NOCTTY);
    (void)!::write(ready[1], "x", 1);
    ::pause();
    ::close(fd);
    _exit(0);
  }
  char c;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  const std::string advice = PortOpenAdvice(pty.slave);
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  EXPECT_NE(advice.find("The port " + pty.slave + " is in use by '"), std::string::npos) << advice;
  EXPECT_NE(advice.find("(process " + std::to_string(holder) + ")"), std::string::npos) << advice;
  // Nothing to add for a port nobody holds, a missing device or a network name.
  EXPECT_EQ(PortOpenAdvice(pty.slave), "");
  EXPECT_EQ(PortOpenAdvice("/dev/no-such-port"), "");
  EXPECT_EQ(PortOpenAdvice("tcp://localhost:1"), "");
  SetLanguageSetting("chinese");
}

}  // namespace
}  // namespace vorel::test
