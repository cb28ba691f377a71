#include "control/taken_slot.h"

#include "core/language.h"

namespace vorel {

std::string TakenSlotText(const std::vector<int>& sites) {
  if (sites.empty()) return {};
  std::string list;
  for (int site : sites) list += (list.empty() ? "" : ", ") + std::to_string(site);
  if (IsEnglish()) {
    const bool one = sites.size() == 1;
    return std::string(one ? "Site " : "Sites ") + list + (one ? " was" : " were") +
           " not connected: " + (one ? "its slot is" : "their slots are") +
           " taken by a window opened from a parameter file. Close that window (Exit) to "
           "connect to " +
           (one ? "site " : "sites ") + list + ".";
  }
  return "站点 " + list +
         " 未连接：其位置已被从参数文件打开的窗口占用。关闭该窗口（退出）后即可连接站点 " + list +
         "。";
}

}  // namespace vorel
