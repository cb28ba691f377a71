#include "core/conversions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "core/site_images.h"

namespace vorel {
namespace {

constexpr int kSite = 4;

class ConversionsTest : public ::testing::Test {
 protected:
  std::unique_ptr<SiteImages> images = std::make_unique<SiteImages>();
  std::uint16_t Word(int address) const { return images->Word(kSite, address); }
  void Set(int address, std::uint16_t w) { images->SetWord(kSite, address, w); }
};

// Every value with the editor's decimals gives the exact decimal product, whether it comes as
// the editor's text or as the number parsed from it.
TEST(ScaledWordTest, SweepOfEveryValueWithTheFactorsDecimals) {
  const struct {
    int factor;
    int decimals;
  } scales[] = {{100, 2}, {10, 1}, {1000, 3}, {1, 0}};
  for (const auto& s : scales) {
    int failures = 0;
    for (int word = -32768; word <= 32767 && failures < 5; ++word) {
      char text[32];
      const int whole = std::abs(word) / s.factor;
      const int part = std::abs(word) % s.factor;
      if (s.decimals == 0) {
        std::snprintf(text, sizeof text, "%s%d", word < 0 ? "-" : "", whole);
      } else {
        std::snprintf(text, sizeof text, "%s%d.%0*d", word < 0 ? "-" : "", whole, s.decimals, part);
      }
      const auto expected = static_cast<std::uint16_t>(word);
      const double parsed = std::strtod(text, nullptr);
      if (ScaledWord(parsed, s.factor) != expected ||
          ScaledWordFromText(text, s.factor) != expected) {
        ADD_FAILURE() << text << " x " << s.factor;
        ++failures;
      }
    }
  }
}

TEST(ScaledWordTest, TruncatesTowardZeroAndWraps) {
  const struct {
    std::string_view text;
    int factor;
    std::optional<std::uint16_t> word;
  } cases[] = {
      {"0.57", 100, 57},
      {"1.15", 100, 115},
      {"0.92", 100, 92},
      {"50.1", 10, 501},
      {"0.579", 100, 57},
      {"-0.579", 100, 0xFFC7},  // -57
      {"-0.1", 10, 0xFFFF},
      {"1e2", 10, 1000},
      {" 12.5 ", 10, 125},
      {"+3", 1, 3},
      {"65535", 1, 0xFFFF},
      {"70000", 1, 70000 & 0xFFFF},
      {"-32769", 1, 0x7FFF},
      {"1e30", 1, 0},
      {"", 10, std::nullopt},
      {"abc", 10, std::nullopt},
      {"1.2.3", 10, std::nullopt},
      {"1e", 10, std::nullopt},
      {".5", 10, 5},
      {"0.0001", 100, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ScaledWordFromText(c.text, c.factor), c.word) << c.text;
  EXPECT_EQ(ScaledWord(std::nan(""), 10), std::nullopt);
  EXPECT_EQ(ScaledWord(INFINITY, 10), std::nullopt);
}

TEST(FixedTextTest, ExactDigitsAfterThePoint) {
  const struct {
    double value;
    int decimals;
    std::string_view text;
  } cases[] = {{0.92, 2, "0.92"},     {12.5, 2, "12.50"}, {-3, 2, "-3.00"},    {-0.1, 1, "-0.1"},
               {1234.5, 1, "1234.5"}, {2.675, 2, "2.68"}, {-0.001, 2, "0.00"}, {9.96, 1, "10.0"},
               {65535, 0, "65535"},   {0.5, 0, "1"},      {1e-7, 2, "0.00"}};
  for (const auto& c : cases) EXPECT_EQ(FixedText(c.value, c.decimals), c.text) << c.value;
  EXPECT_EQ(ShortestText(50), "50");
  EXPECT_EQ(ShortestText(0.85), "0.85");
}

TEST_F(ConversionsTest, LoadScaledReadsSignedOrUnsigned) {
  Set(0x00CA, 0xFFFF);
  EXPECT_DOUBLE_EQ(LoadScaled(*images, kSite, 0x00CA, 10), -0.1);
  Set(0x0120, 0xFFFF);
  EXPECT_DOUBLE_EQ(LoadUnsigned(*images, kSite, 0x0120), 65535);
  StoreScaled(*images, kSite, 0x0073, 0.57, 100);
  EXPECT_EQ(Word(0x0073), 57);
  EXPECT_TRUE(StoreScaledText(*images, kSite, 0x0073, "1.15", 100));
  EXPECT_EQ(Word(0x0073), 115);
  EXPECT_FALSE(StoreScaledText(*images, kSite, 0x0073, "x", 100));
  EXPECT_EQ(Word(0x0073), 115);
}

TEST_F(ConversionsTest, RunHoursBothWays) {
  Set(0x009F, 1234);
  Set(0x00A0, 1800);
  EXPECT_DOUBLE_EQ(RunHoursValue(*images, kSite), 1234.5);
  Set(0x009F, 40000);
  EXPECT_DOUBLE_EQ(RunHoursValue(*images, kSite), 40000.5);
  const struct {
    double value;
    std::uint16_t word0;
    std::uint16_t word1;
  } cases[] = {
      {1234.5, 1234, 1800}, {0.1, 0, 360}, {-0.5, 0, 0xF8F8 /* -1800 */}, {32767.9, 32767, 3240}};
  for (const auto& c : cases) {
    StoreRunHours(*images, kSite, c.value);
    EXPECT_EQ(Word(0x009F), c.word0) << c.value;
    EXPECT_EQ(Word(0x00A0), c.word1) << c.value;
  }
}

TEST_F(ConversionsTest, ChannelDecimalsAndFactors) {
  Set(0x012A, 0x0200);
  EXPECT_EQ(ChannelDecimals(*images, kSite, 2), 2);
  EXPECT_EQ(ChannelDecimals(*images, kSite, 4), 0);
  const int d[] = {0, 1, 2, 3, 4};
  const int divisor[] = {1, 10, 100, 1000, 1};
  const int multiplier[] = {1, 10, 100, 1, 1};
  const int curve[] = {1, 10, 100, 1, 1};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(LevelDivisor(d[i]), divisor[i]);
    EXPECT_EQ(LevelMultiplier(d[i]), multiplier[i]);
    EXPECT_EQ(CurveFactor(d[i]), curve[i]);
  }
}

TEST_F(ConversionsTest, GeneratorNameBothWays) {
  StoreGeneratorName(*images, kSite, "GEN SET ONE     ");
  EXPECT_EQ(Word(0x0012), 'G' | ('E' << 8));
  EXPECT_EQ(Word(0x0019), '_' | ('_' << 8));
  EXPECT_EQ(GeneratorNameText(*images, kSite), "GEN_SET_ONE_____");
  // Short and long texts, Chinese characters never cut in half.
  StoreGeneratorName(*images, kSite, "AB");
  EXPECT_EQ(GeneratorNameText(*images, kSite), "AB______________");
  StoreGeneratorName(*images, kSite, "ABCDEFGHIJKLMNO机");  // 15 + 2 bytes
  EXPECT_EQ(Word(0x0019) >> 8, '_');
  EXPECT_EQ(Word(0x0019) & 0xFF, 'O');
  // Load: bytes outside 0x20 to 0x7D are skipped, blanks at both ends removed.
  Set(0x0012, 0x4120);  // " A"
  Set(0x0013, 0x7E42);  // "B~"
  Set(0x0014, 0x0043);  // "C", 0
  for (int a = 0x0015; a <= 0x0019; ++a) Set(a, 0x2020);
  EXPECT_EQ(GeneratorNameText(*images, kSite), "ABC");
}

TEST_F(ConversionsTest, SerialNumberStore) {
  StoreSerialNumber(*images, kSite, "0012AB34CD5F");
  EXPECT_EQ(Word(0x0006), 0x0012);
  EXPECT_EQ(Word(0x0007), 0xAB34);
  EXPECT_EQ(Word(0x0008), 0xCD5F);
  EXPECT_EQ(images->SerialNumberText(kSite), "0012AB34CD5F");
  StoreSerialNumber(*images, kSite, "0012ab34 D");
  EXPECT_EQ(Word(0x0006), 0x0012);
  EXPECT_EQ(Word(0x0007), 0x0034);
  EXPECT_EQ(Word(0x0008), 0x0D00);
}

TEST_F(ConversionsTest, ControllerClockBothWays) {
  StoreControllerDate(*images, kSite, {2024, 5, 7});
  EXPECT_EQ(Word(0x000E), 0x0705);
  EXPECT_EQ(Word(0x000F), 0x2400);
  EXPECT_EQ(ControllerDateValue(*images, kSite, 2026), (CivilDate{2024, 5, 7}));
  StoreControllerTime(*images, kSite, {9, 5, 30});
  EXPECT_EQ(Word(0x000C), 0x0905);
  EXPECT_EQ(Word(0x000D), 0x3000);
  EXPECT_EQ(ControllerTimeValue(*images, kSite), (TimeOfDay{9, 5, 30}));

  const struct {
    std::string_view text;
    int currentYear;
    std::optional<CivilDate> date;
  } dates[] = {
      {"24-05-07", 2026, CivilDate{2024, 5, 7}},
      {"76-01-01", 2026, CivilDate{1976, 1, 1}},
      {"75-12-31", 2026, CivilDate{2075, 12, 31}},
      // Exactly 50 years either side: the earlier year, whatever the century.
      {"75-06-15", 2025, CivilDate{1975, 6, 15}},
      {"74-06-15", 2025, CivilDate{2074, 6, 15}},
      {"49-01-01", 1999, CivilDate{1949, 1, 1}},
      {"48-01-01", 1999, CivilDate{2048, 1, 1}},
      {"99-01-01", 2049, CivilDate{1999, 1, 1}},
      {"98-01-01", 2049, CivilDate{2098, 1, 1}},
      {"00-02-29", 2026, CivilDate{2000, 2, 29}},
      {"01-02-29", 2026, std::nullopt},
      {"24-13-01", 2026, std::nullopt},
      {"24-04-31", 2026, std::nullopt},
      {"2A-01-01", 2026, std::nullopt},
      {"24-05-7", 2026, std::nullopt},
  };
  for (const auto& c : dates) {
    EXPECT_EQ(ParseControllerDate(c.text, c.currentYear), c.date) << c.text;
  }
  const struct {
    std::string_view text;
    std::optional<TimeOfDay> time;
  } times[] = {{"23:59:59", TimeOfDay{23, 59, 59}},
               {"24:00:00", std::nullopt},
               {"12:60:00", std::nullopt},
               {"1A:00:00", std::nullopt},
               {"00:00:00", TimeOfDay{0, 0, 0}}};
  for (const auto& c : times) EXPECT_EQ(ParseControllerTime(c.text), c.time) << c.text;
}

TEST(EnumeratedRegisterTest, CodesInListOrder) {
  const EnumeratedRegister* fuel = FindEnumeratedRegister(0x00DC);
  ASSERT_NE(fuel, nullptr);
  EXPECT_EQ(EnumIndex(*fuel, 138), 1);
  EXPECT_EQ(EnumIndex(*fuel, 139), std::nullopt);
  EXPECT_EQ(EnumCode(*fuel, -1), std::nullopt);
  EXPECT_EQ(EnumCode(*fuel, 2), std::nullopt);
  const EnumeratedRegister* test = FindEnumeratedRegister(0x0103);
  ASSERT_NE(test, nullptr);
  EXPECT_EQ(EnumIndex(*test, 200), 2);
  EXPECT_EQ(EnumCode(*test, 1), 199);
  EXPECT_EQ(EnumeratedRegisters().size(), 5u);
}

TEST(BitFieldTest, PowerSaveAndCurrentProperty) {
  EXPECT_TRUE(PowerSaveChecked(0x8001));
  EXPECT_EQ(WithPowerSave(0x1234, true), 0x9234);
  EXPECT_EQ(WithPowerSave(0xFFFF, false), 0x7FFF);
  // 0x1DCD: over-current 13 -> 0, short 12 -> 1, overload 13 -> 0, unbalance nibble 1 -> 2.
  const std::uint16_t w = 0x1DCD;
  EXPECT_EQ(CurrentActionIndex(FieldOf(w, 0)), 0);
  EXPECT_EQ(CurrentActionIndex(FieldOf(w, 4)), 1);
  EXPECT_EQ(CurrentActionIndex(FieldOf(w, 8)), 0);
  EXPECT_EQ(ActionIndex(FieldOf(w, 12)), 2);
  std::uint16_t stored = w;
  for (int shift : {0, 4, 8}) stored = WithField(stored, shift, *CurrentActionCode(2));
  stored = WithField(stored, 12, ActionNibble(kOtherActionIndex));
  EXPECT_EQ(stored, 0x0CCC);
  EXPECT_EQ(CurrentActionCode(-1), std::nullopt);
  EXPECT_EQ(ActionIndex(0x3), kOtherActionIndex);
  EXPECT_EQ(ActionNibble(4), 0xD);
  EXPECT_EQ(ActionNibble(-1), 0);
}

TEST(FunctionCodeMapTest, IndexesAndCodes) {
  EXPECT_EQ(AnalogueFunctionIndex(84), 0);
  EXPECT_EQ(AnalogueFunctionIndex(0x2054), 0);
  EXPECT_EQ(AnalogueFunctionIndex(34), kUnknownFunctionIndex);
  EXPECT_EQ(AnalogueFunctionCode(kUnknownFunctionIndex), 0);
  EXPECT_EQ(AnalogueFunctionCode(18), 208);
  EXPECT_EQ(InputFunctionIndex(209), 18);
  EXPECT_EQ(InputFunctionCode(4), 34);
  EXPECT_EQ(InputFunctionCode(-1), 0);
  EXPECT_EQ(OutputFunctionIndex(167), 7);
  EXPECT_EQ(OutputFunctionIndex(167 | 0x0800), kUnknownOutputIndex);  // the whole word
  EXPECT_EQ(OutputFunctionCode(15), 175);
  EXPECT_EQ(OutputFunctionCode(16), 0);
}

TEST(ChannelWordTest, BuildChannelWordAndTypeWord) {
  // Function index, action index, activity index -> word.
  EXPECT_EQ(BuildChannelWord(0, 1, 0, ChannelKind::Analogue), 0x2054);
  EXPECT_EQ(BuildChannelWord(18, 5, 1, ChannelKind::BinaryInput), 0xC8D1);
  EXPECT_EQ(BuildChannelWord(4, 4, 0, ChannelKind::BinaryInput), 0xD022);
  EXPECT_EQ(BuildChannelWord(-1, 6, -1, ChannelKind::Analogue), 0x0000);
  EXPECT_EQ(BuildChannelWord(kUnknownFunctionIndex, 3, 1, ChannelKind::Analogue), 0x8800);
  // 0x1E35: type 7, decimals 2, unit 3, condition 0, bits 0 and 2 set.
  EXPECT_EQ(BuildTypeWord(0x1E35, 7, 0, 2, 3), 0x1E30);
  EXPECT_EQ(BuildTypeWord(0x1E35, 1, 0, 2, 3), 0x0635);
  EXPECT_EQ(BuildTypeWord(0x03FF, 2, 0, 0, 0), 0x0BFF);
  EXPECT_EQ(BuildTypeWord(0x1E35, -1, 0, 0, 0), 0x1E35);
  // Fields without a choice keep the old word's: decimals 3, unit 3, condition 0.
  EXPECT_EQ(BuildTypeWord(0x1B35, 7, -1, -1, -1), 0x1F30);
  EXPECT_EQ(WithPolarityBit(0x00F0, 2, 1), 0x00F4);
  EXPECT_EQ(WithPolarityBit(0x00F4, 2, 0), 0x00F0);
  EXPECT_EQ(WithPolarityBit(0x00F4, 2, -1), 0x00F4);
}

TEST_F(ConversionsTest, FactoryHexText) {
  Set(0x0062, 0xFFFF);
  Set(0x0063, 0x00FF);
  EXPECT_EQ(FactoryHexText(*images, kSite, 0x0062), "FFFF");
  EXPECT_EQ(FactoryHexText(*images, kSite, 0x0063), "00FF");
}

}  // namespace
}  // namespace vorel
