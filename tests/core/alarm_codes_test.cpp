#include "core/alarm_codes.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/register_table.h"
#include "core/site_images.h"
#include "language_guard.h"

namespace vorel {
namespace {

TEST(AlarmCodesTest, TableHoldsOneHundredCodesWithBit11) {
  const std::span<const AlarmCodeEntry> table = AlarmCodeTable();
  ASSERT_EQ(table.size(), 100u);
  for (std::size_t i = 0; i < table.size(); ++i) {
    EXPECT_NE(table[i].code & 0x0800, 0) << table[i].code;
    if (i > 0) {
      EXPECT_LT(table[i - 1].code, table[i].code);
    }
  }
}

TEST(AlarmCodesTest, TextsInBothLanguages) {
  const struct {
    std::uint16_t type;
    std::uint16_t code;
    std::string_view english;
    std::string_view chinese;
  } cases[] = {
      {3101, 10325, "w.t. sen. alm", "!!水温传感器警告"},
      {3101, 10279, "", "!!风机报警"},
      {3101, 0x2813, "2813", "2813"},
      {3101, 0xF000, "Exception 0000", "Exception 0000"},
      {3101, 0xFFFF, "Exception 07FF", "Exception 07FF"},
      {3101, 0xF854, "Exception 0054", "Exception 0054"},
      {3101, 0xEFFF, "EFFF", "EFFF"},
      {3101, 0x0000, "0000", "0000"},
      {3101, 0x2054, "2054", "2054"},  // an event-log word is looked up unchanged
      {3101, 0x2854, "o.p. sen. alm", "!!油压传感器警告"},
      {3103, 18569, "mains A fail", "!!市电A故障"},
      {3103, 18571, "mains A return", "!!市电A恢复"},
      {3106, 18569, "mains fail", "!!市电故障"},
      {3113, 18571, "mains return", "!!市电恢复"},
      {3105, 18569, "", ""},
      {0, 18571, "", ""},
      {3101, 0xA857, "o.t. sen. pre-alm", "油温传感器预警"},
      {3101, 0x281C, "remote off", "!遥控关闭"},
  };
  auto images = std::make_unique<SiteImages>();
  for (const auto& c : cases) {
    images->SetWord(7, reg::kProductCode.address, c.type);
    {
      LanguageGuard english("english");
      EXPECT_EQ(AlarmCodeText(*images, 7, c.code), c.english) << c.code;
    }
    for (std::string_view other : {"chinese", "", "ENGLISH", "english "}) {
      LanguageGuard chinese(other);
      EXPECT_EQ(AlarmCodeText(*images, 7, c.code), c.chinese) << c.code << " " << other;
    }
  }
}

TEST(AlarmCodesTest, HexWordTextHasFourUpperCaseDigits) {
  EXPECT_EQ(HexWordText(0x00FF), "00FF");
  EXPECT_EQ(HexWordText(0x8000), "8000");
  EXPECT_EQ(HexWordText(0xabcd), "ABCD");
}

}  // namespace
}  // namespace vorel
