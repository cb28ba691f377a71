#include "link/port_advice.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "core/language.h"
#include "link/posix_serial_port.h"

namespace vorel {
namespace {

std::string Text(std::string_view english, std::string_view chinese) {
  return std::string(PickText(english, chinese));
}

// "NAME (process PID)" of the first other process with `device` open, or empty.
std::string Holder(const std::filesystem::path& device) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path target = fs::canonical(device, ec);
  if (ec) return {};
  const std::string self = std::to_string(::getpid());
  for (fs::directory_iterator proc("/proc", ec), end; !ec && proc != end; proc.increment(ec)) {
    const std::string pid = proc->path().filename().string();
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos || pid == self)
      continue;
    std::error_code fdError;
    for (fs::directory_iterator fd(proc->path() / "fd", fdError), fdEnd; !fdError && fd != fdEnd;
         fd.increment(fdError)) {
      std::error_code linkError;
      if (fs::read_symlink(fd->path(), linkError) != target || linkError) continue;
      std::string name;
      std::getline(std::ifstream(proc->path() / "comm"), name);
      return "'" + (name.empty() ? std::string("?") : name) + "' (" + Text("process ", "进程 ") +
             pid + ")";
    }
  }
  return {};
}

// The groups that serial devices are given to; joining one of them is the usual way to reach
// a serial adapter. Any other group (root's own, a console's) is not advised.
constexpr std::string_view kSerialGroups[] = {"dialout", "uucp", "tty"};
// The group a udev rule gives a device to when its own group is not one of those.
constexpr std::string_view kRuleGroup = "dialout";

bool IsSerialGroup(std::string_view group) {
  for (std::string_view g : kSerialGroups)
    if (g == group) return true;
  return false;
}

std::string OctalMode(unsigned mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", mode & 07777u);
  return text;
}

}  // namespace

std::string PermissionAdvice(const DeviceOwnership& device, const std::string& user) {
  const std::string join = "sudo usermod -aG ";
  if (IsSerialGroup(device.group)) {
    return Text("Your user may not open ", "当前用户无权打开 ") + device.path +
           Text(". Add it to the group '", "。请将用户加入组 '") + device.group +
           Text("' with: ", "'：") + join + device.group + " " + user +
           Text(" and log in again.", "，然后重新登录。");
  }
  const std::string group(kRuleGroup);
  const std::string rule =
      "KERNEL==\"" + device.kernelName + "\", GROUP=\"" + group + "\", MODE=\"0660\"";
  return Text("Your user may not open ", "当前用户无权打开 ") + device.path +
         Text(": it belongs to ", "：该设备属于用户 ") + device.owner +
         Text(", group '", "、组 '") + device.group + Text("', mode ", "'，权限 ") +
         OctalMode(device.mode) +
         Text(", and joining that group would not help. Give the device to the group ",
              "，加入该组并无帮助。请用 udev 规则将设备交给组 ") +
         group + Text(" with a udev rule: the line ", "：将下面一行 ") + rule +
         Text(" in /etc/udev/rules.d/99-serial.rules, then sudo udevadm trigger, then ",
              " 写入 /etc/udev/rules.d/99-serial.rules，执行 sudo udevadm trigger，再执行 ") +
         join + group + " " + user + Text(" and log in again.", "，然后重新登录。");
}

std::string PortOpenAdvice(const std::string& portName) {
  if (portName.empty() || portName.rfind("tcp://", 0) == 0) return {};
  const std::string path = SerialPortPath(portName);
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return {};
  if (::access(path.c_str(), R_OK | W_OK) != 0) {
    DeviceOwnership device;
    device.path = path;
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::canonical(path, ec);
    device.kernelName = (ec ? std::filesystem::path(path) : target).filename().string();
    const group* g = ::getgrgid(st.st_gid);
    device.group = g && g->gr_name ? g->gr_name : std::to_string(st.st_gid);
    const passwd* owner = ::getpwuid(st.st_uid);
    device.owner = owner && owner->pw_name ? owner->pw_name : std::to_string(st.st_uid);
    device.mode = st.st_mode;
    const char* user = std::getenv("USER");
    return PermissionAdvice(device, user && *user ? user : "$USER");
  }
  const std::string holder = Holder(path);
  if (!holder.empty())
    return Text("The port ", "端口 ") + path + Text(" is in use by ", " 正被 ") + holder +
           Text(".", " 占用。");
  return {};
}

}  // namespace vorel
