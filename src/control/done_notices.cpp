#include "control/done_notices.h"

#include "core/language.h"

namespace vorel {
namespace {

// The pattern with %S replaced by the site and %W by what was done (a count, a file), in
// whichever order the language puts them.
std::string Format(std::string_view pattern, int site, const std::string& what) {
  std::string out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
    if (pattern[i] == '%' && (next == 'S' || next == 'W')) {
      out += next == 'S' ? std::to_string(site) : what;
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

}  // namespace

std::string WriteDoneNotice(int site, const SafeWriteResult& result) {
  switch (result.end) {
    case SafeWriteEnd::Written:
    case SafeWriteEnd::Unrecorded: {
      const std::size_t count = result.preview.size();
      const std::string_view pattern =
          count == 1
              ? PickText("Written: 1 parameter to site %S.", "已写入: 1 个参数到站点 %S。")
              : PickText("Written: %W parameters to site %S.", "已写入: %W 个参数到站点 %S。");
      return Format(pattern, site, std::to_string(count));
    }
    case SafeWriteEnd::Unchanged:
      return Format(PickText("Nothing to write: site %S already holds these values.",
                             "无需写入: 站点 %S 已是这些数值。"),
                    site, {});
    default:
      return {};
  }
}

std::string FileDoneNotice(DoneAction action, int site, const std::optional<std::string>& path) {
  if (!path) return {};
  std::string_view pattern;
  switch (action) {
    case DoneAction::Backup:
      pattern = PickText("Backup of site %S saved: %W.", "站点 %S 的参数已备份: %W。");
      break;
    case DoneAction::Load:
      pattern = PickText("Loaded into site %S: %W.", "已载入站点 %S: %W。");
      break;
    case DoneAction::Report:
      pattern =
          PickText("Service report of site %S written: %W.", "站点 %S 的维护报告已写入: %W。");
      break;
  }
  return Format(pattern, site, *path);
}

void TellDone(Host& host, DoneAction action, int site, const std::string& path) {
  host.SetMainStatus(kDoneStatusPanel, FileDoneNotice(action, site, path));
}

void TellWriteDone(Host& host, int site, const SafeWriteResult& result) {
  const std::string text = WriteDoneNotice(site, result);
  if (!text.empty()) host.SetMainStatus(kDoneStatusPanel, text);
}

}  // namespace vorel
