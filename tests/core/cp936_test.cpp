#include "core/cp936.h"

#include <gtest/gtest.h>

namespace vorel {
namespace {

TEST(Cp936Test, RoundTripOfChineseAndAscii) {
  const std::string utf8 = "机组 A-1 油压";
  const std::string bytes = Utf8ToCp936(utf8);
  EXPECT_EQ(bytes, "\xBB\xFA\xD7\xE9 A-1 \xD3\xCD\xD1\xB9");
  EXPECT_EQ(Cp936ToUtf8(bytes), utf8);
  EXPECT_EQ(Cp936ToUtf8(""), "");
}

TEST(Cp936Test, BadInputIsReplacedNotFailed) {
  // A lone lead byte at the end, an invalid pair, invalid UTF-8 and an unmappable character:
  // unreadable bytes read as U+FFFD, unwritable characters write as "?".
  EXPECT_EQ(Cp936ToUtf8("AB\xBB"), "AB\xEF\xBF\xBD");
  EXPECT_EQ(Cp936ToUtf8(std::string("\xFF\xFF"
                                    "C",
                                    3)),
            "\xEF\xBF\xBD\xEF\xBF\xBD"
            "C");
  EXPECT_EQ(Utf8ToCp936("A\xC3"), "A?");
  EXPECT_EQ(Utf8ToCp936("x\xF0\x9F\x98\x80y"), "x?y");  // an emoji has no code page 936 form
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_FALSE(Cp936ToUtf8(all).empty());
  EXPECT_FALSE(Utf8ToCp936(all).empty());
}

}  // namespace
}  // namespace vorel
