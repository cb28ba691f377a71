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

struct PermissionCase {
  DeviceOwnership device;
  const char* english;
  const char* chinese;
};

// A serial-device group is worth joining; root's own group or a console's is not: the advice
// names owner and mode and the udev rule that gives the device to dialout.
TEST(PortAdvice, AGroupIsAdvisedOnlyWhenItIsASerialDevicesGroup) {
  // clang-format off
  const PermissionCase cases[] = {
    {{"/dev/ttyUSB0", "ttyUSB0", "root", "dialout", 0660},
     "Your user may not open /dev/ttyUSB0. Add it to the group 'dialout' with: "
     "sudo usermod -aG dialout ann and log in again.",
     "当前用户无权打开 /dev/ttyUSB0。请将用户加入组 'dialout'：sudo usermod -aG dialout ann，"
     "然后重新登录。"},
    {{"/dev/ttyS1", "ttyS1", "uucp", "uucp", 0660},
     "Your user may not open /dev/ttyS1. Add it to the group 'uucp' with: "
     "sudo usermod -aG uucp ann and log in again.", nullptr},
    {{"/dev/ttyS2", "ttyS2", "root", "tty", 0620},
     "Your user may not open /dev/ttyS2. Add it to the group 'tty' with: "
     "sudo usermod -aG tty ann and log in again.", nullptr},
    {{"/dev/ttyS0", "ttyS0", "root", "root", 0600},
     "Your user may not open /dev/ttyS0: it belongs to root, group 'root', mode 0600, and "
     "joining that group would not help. Give the device to the group dialout with a udev rule: "
     "the line KERNEL==\"ttyS0\", GROUP=\"dialout\", MODE=\"0660\" in "
     "/etc/udev/rules.d/99-serial.rules, then sudo udevadm trigger, then "
     "sudo usermod -aG dialout ann and log in again.",
     "当前用户无权打开 /dev/ttyS0：该设备属于用户 root、组 'root'，权限 0600，加入该组并无帮助。"
     "请用 udev 规则将设备交给组 dialout：将下面一行 "
     "KERNEL==\"ttyS0\", GROUP=\"dialout\", MODE=\"0660\" 写入 /etc/udev/rules.d/99-serial.rules，"
     "执行 sudo udevadm trigger，再执行 sudo usermod -aG dialout ann，然后重新登录。"},
    {{"/dev/serial/by-id/usb-adapter", "ttyACM0", "ann", "plugdev", 0640},
     "Your user may not open /dev/serial/by-id/usb-adapter: it belongs to ann, group 'plugdev', "
     "mode 0640, and joining that group would not help. Give the device to the group dialout "
     "with a udev rule: the line KERNEL==\"ttyACM0\", GROUP=\"dialout\", MODE=\"0660\" in "
     "/etc/udev/rules.d/99-serial.rules, then sudo udevadm trigger, then "
     "sudo usermod -aG dialout ann and log in again.", nullptr},
  };
  // clang-format on
  for (const PermissionCase& c : cases) {
    SCOPED_TRACE(c.device.path);
    SetLanguageSetting("english");
    EXPECT_EQ(PermissionAdvice(c.device, "ann"), c.english);
    SetLanguageSetting("chinese");
    if (c.chinese) {
      EXPECT_EQ(PermissionAdvice(c.device, "ann"), c.chinese);
    }
    SetLanguageSetting("english");
  }
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
