#include "files/file_error.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "core/language.h"

namespace vorel {
namespace {

// The reason in both languages: the system's number in the Chinese table, one it does not
// hold (English in both), and this program's own reasons.
TEST(FileError, TheReasonInBothLanguages) {
  const struct {
    FileError error;
    const char* english;
    const char* chinese;
  } cases[] = {
      {FileError::System(EACCES), "Permission denied", "权限不够"},
      {FileError::System(ENOSPC), "No space left on device", "设备上没有空间"},
      {FileError::System(EBUSY), "Device or resource busy", "Device or resource busy"},
      {FileError::NotRegularFile(), "not a regular file", "不是普通文件"},
      {FileError::TooLarge(1048576), "file too large (more than 1048576 bytes)",
       "文件过大（超过 1048576 字节）"},
      {FileError::ShortWrite(), "short write", "写入不完整"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.english);
    SetLanguageSetting("english");
    EXPECT_EQ(FileErrorReason(c.error), c.english);
    SetLanguageSetting("chinese");
    EXPECT_EQ(FileErrorReason(c.error), c.chinese);
    EXPECT_EQ(EnglishReason(c.error), c.english);
  }
  SetLanguageSetting("english");
}

TEST(FileError, TheMessageNamesTheFileAndTheReason) {
  SetLanguageSetting("english");
  EXPECT_EQ(UnableToWriteMessage("/x/y.dat", FileError::System(EACCES)),
            "Unable to write to /x/y.dat: Permission denied");
  SetLanguageSetting("chinese");
  EXPECT_EQ(UnableToWriteMessage("/x/y.dat", FileError::System(EACCES)),
            "无法写入文件 /x/y.dat：权限不够");
  SetLanguageSetting("english");
}

}  // namespace
}  // namespace vorel
