#include "store/history_problem.h"

#include <array>

#include "core/language.h"

namespace vorel {

namespace {

// %1 the database, %2 the reason or the schema version.
constexpr std::array<BilingualText, 4> kProblemTexts{{
    {"The history database %1 cannot be opened: %2. The tool goes on without history.",
     "无法打开历史数据库 %1：%2。本工具不记录历史，继续运行。"},
    {"The history database %1 is in use by another program. What happens meanwhile is kept and "
     "written when it is free.",
     "历史数据库 %1 正被其他程序占用。期间的记录先保留，待其空闲后写入。"},
    {"The history database %1 is full. The tool goes on without history.",
     "历史数据库 %1 已满。本工具不记录历史，继续运行。"},
    {"The history database %1 was made by a newer version of this tool (schema %2). The tool "
     "goes on without history.",
     "历史数据库 %1 由更新版本的本工具建立（结构版本 %2）。本工具不记录历史，继续运行。"},
}};

void ReplaceAll(std::string& text, std::string_view mark, const std::string& by) {
  for (std::size_t at = text.find(mark); at != std::string::npos;
       at = text.find(mark, at + by.size()))
    text.replace(at, mark.size(), by);
}

}  // namespace

std::string HistoryProblemMessage(const HistoryProblem& problem) {
  std::string text(kProblemTexts[static_cast<std::size_t>(problem.kind)].Pick());
  ReplaceAll(text, "%1", problem.database);
  ReplaceAll(text, "%2", problem.reason);
  return text;
}

}  // namespace vorel
