#include "link/port_advice.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

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

}  // namespace

std::string PortOpenAdvice(const std::string& portName) {
  if (portName.empty() || portName.rfind("tcp://", 0) == 0) return {};
  const std::string path = SerialPortPath(portName);
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return {};
  if (::access(path.c_str(), R_OK | W_OK) != 0) {
    const group* g = ::getgrgid(st.st_gid);
    const std::string groupName = g && g->gr_name ? g->gr_name : "dialout";
    const char* user = std::getenv("USER");
    const std::string who = user && *user ? user : "$USER";
    return Text("Your user may not open ", "当前用户无权打开 ") + path +
           Text(". Add it to the group '", "。请将用户加入组 '") + groupName +
           Text("' with: sudo usermod -aG ", "'：sudo usermod -aG ") + groupName + " " + who +
           Text(" and log in again.", "，然后重新登录。");
  }
  const std::string holder = Holder(path);
  if (!holder.empty())
    return Text("The port ", "端口 ") + path + Text(" is in use by ", " 正被 ") + holder +
           Text(".", " 占用。");
  return {};
}

}  // namespace vorel
