#include "files/file_error.h"

#include <locale.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "core/language.h"

namespace vorel {
namespace {

struct ChineseReason {
  int code;
  const char* text;
};

// The error numbers a save meets, in the words the system's own Chinese catalogue uses.
constexpr ChineseReason kChineseReasons[] = {
    {EACCES, "权限不够"},           {EPERM, "不允许的操作"}, {EROFS, "只读文件系统"},
    {ENOSPC, "设备上没有空间"},     {EFBIG, "文件过大"},     {EISDIR, "是一个目录"},
    {ENOENT, "没有那个文件或目录"}, {ENOTDIR, "不是目录"},   {ELOOP, "符号连接的层数过多"},
    {EEXIST, "文件已存在"},         {EIO, "输入/输出错误"},  {ENAMETOOLONG, "文件名过长"},
    {EDQUOT, "超出磁盘限额"},
};

// The system's text for an error number in the C locale: English even when the program runs
// under a locale whose catalogue would translate it.
std::string SystemText(int code) {
  static const locale_t c = ::newlocale(LC_ALL_MASK, "C", locale_t{});
  return c ? ::strerror_l(code, c) : std::strerror(code);
}

}  // namespace

std::string EnglishReason(const FileError& error) {
  switch (error.kind) {
    case FileError::Kind::System:
      return SystemText(error.code);
    case FileError::Kind::NotRegularFile:
      return "not a regular file";
    case FileError::Kind::TooLarge:
      return "file too large (more than " + std::to_string(error.limit) + " bytes)";
    case FileError::Kind::ShortWrite:
      return "short write";
  }
  return {};
}

std::string FileErrorReason(const FileError& error) {
  if (IsEnglish()) return EnglishReason(error);
  switch (error.kind) {
    case FileError::Kind::System:
      for (const ChineseReason& r : kChineseReasons)
        if (r.code == error.code) return r.text;
      return EnglishReason(error);
    case FileError::Kind::NotRegularFile:
      return "不是普通文件";
    case FileError::Kind::TooLarge:
      return "文件过大（超过 " + std::to_string(error.limit) + " 字节）";
    case FileError::Kind::ShortWrite:
      return "写入不完整";
  }
  return {};
}

std::string UnableToWriteMessage(const std::filesystem::path& path, const FileError& error) {
  std::string text(PickText("Unable to write to %s", "无法写入文件 %s"));
  text.replace(text.find("%s"), 2, path.string());
  text += PickText(": ", "：");
  text += FileErrorReason(error);
  return text;
}

}  // namespace vorel
