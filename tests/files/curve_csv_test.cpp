#include "files/curve_csv.h"

#include <gtest/gtest.h>

#include <string>

#include "core/language.h"

namespace vorel {
namespace {

// A falling oil-pressure curve of five points, ended by a negative resistance; the points after
// the end hold leftovers that must survive the round trip unchanged.
SensorCurve FivePointCurve() {
  return {{{10, 235},
           {50, 75},
           {90, 50},
           {130, 25},
           {170, -5},
           {-1, 0},
           {300, 12},
           {20, -32768},
           {-32768, 32767},
           {32767, 1}}};
}

TEST(CurveCsv, ExportsTheHeaderAndTenRowsAndReadsThemBack) {
  const SensorCurve curve = FivePointCurve();
  const std::string csv = CurveCsv(curve, 1);
  EXPECT_EQ(csv,
            "point,ohm,value\r\n1,10,23.5\r\n2,50,7.5\r\n3,90,5.0\r\n4,130,2.5\r\n5,170,-0.5\r\n"
            "6,-1,0.0\r\n7,300,1.2\r\n8,20,-3276.8\r\n9,-32768,3276.7\r\n10,32767,0.1\r\n");
  for (int decimals : {-1, 0, 1, 2}) {
    SensorCurve read{};
    std::string error;
    ASSERT_TRUE(ReadCurveCsv(CurveCsv(curve, decimals), decimals, &read, &error)) << error;
    EXPECT_EQ(read, curve) << decimals;
  }
}

TEST(CurveCsv, AcceptsAByteOrderMarkPlainLineEndsBlanksAndATrailingBlankLine) {
  SensorCurve read{};
  std::string error;
  const std::string text =
      "\xEF\xBB\xBFpoint,ohm,value\n1, 10 ,23.5\n2,50,7.5\n3,90,5\n4,130,2.5\n5,170,-0.5\n"
      "6,-1,0\n7,300,1.2\n8,20,-3276.8\n9,-32768,3276.7\n10,32767,.1\n\n";
  ASSERT_TRUE(ReadCurveCsv(text, 1, &read, &error)) << error;
  EXPECT_EQ(read, FivePointCurve());
}

// Each bad file is refused with a message naming its line, and the curve is left as it was.
TEST(CurveCsv, RefusesABadFileNamingTheLineAndChangingNothing) {
  const std::string good = CurveCsv(FivePointCurve(), 1);
  auto replaceLine = [&](int line, const std::string& with) {
    std::string text = good;
    std::size_t start = 0;
    for (int l = 1; l < line; ++l) start = text.find("\r\n", start) + 2;
    const std::size_t end = text.find("\r\n", start);
    return text.replace(start, end - start, with);
  };
  struct Case {
    std::string text;
    std::string english;
    std::string chinese;
  };
  // clang-format off
  const std::vector<Case> cases = {
    {"",                          "Line 1: the header row must be \"point,ohm,value\".", "第1行: 标题行应为 \"point,ohm,value\"。"},
    {replaceLine(1, "p,o,v"),     "Line 1: the header row must be \"point,ohm,value\".", "第1行: 标题行应为 \"point,ohm,value\"。"},
    {replaceLine(11, "") ,        "The file holds 9 points; a curve has 10.",            "文件含 9 个点, 曲线应有 10 个点。"},
    {good + "11,400,1.0\r\n",     "The file holds 11 points; a curve has 10.",           "文件含 11 个点, 曲线应有 10 个点。"},
    {replaceLine(3, "2,50"),      "Line 3: three fields expected (point,ohm,value).",    "第3行: 应有三个字段 (point,ohm,value)。"},
    {replaceLine(3, "2,50,7.5,"), "Line 3: three fields expected (point,ohm,value).",    "第3行: 应有三个字段 (point,ohm,value)。"},
    {replaceLine(4, "4,90,5.0"),  "Line 4: point 3 expected.",                           "第4行: 应为第 3 点。"},
    {replaceLine(5, "4,130.5,2"), "Line 5: the resistance must be whole ohms from -32768 to 32767.", "第5行: 阻值应为 -32768 至 32767 的整数欧姆。"},
    {replaceLine(5, "4,32768,2"), "Line 5: the resistance must be whole ohms from -32768 to 32767.", "第5行: 阻值应为 -32768 至 32767 的整数欧姆。"},
    {replaceLine(5, "4,,2"),      "Line 5: the resistance must be whole ohms from -32768 to 32767.", "第5行: 阻值应为 -32768 至 32767 的整数欧姆。"},
    {replaceLine(6, "5,170,0.05"),"Line 6: the value must be a number from -3276.8 to 3276.7 with at most 1 decimal places.", "第6行: 测量值应为 -3276.8 至 3276.7 的数, 最多 1 位小数。"},
    {replaceLine(6, "5,170,3276.8"),"Line 6: the value must be a number from -3276.8 to 3276.7 with at most 1 decimal places.", "第6行: 测量值应为 -3276.8 至 3276.7 的数, 最多 1 位小数。"},
    {replaceLine(6, "5,170,2,5"), "Line 6: three fields expected (point,ohm,value).",    "第6行: 应有三个字段 (point,ohm,value)。"},
    {replaceLine(6, "5,170,abc"), "Line 6: the value must be a number from -3276.8 to 3276.7 with at most 1 decimal places.", "第6行: 测量值应为 -3276.8 至 3276.7 的数, 最多 1 位小数。"},
  };
  // clang-format on
  for (const Case& c : cases) {
    for (const char* language : {"english", "chinese"}) {
      SetLanguageSetting(language);
      SensorCurve read{};
      read[0] = {7, 7};
      const SensorCurve before = read;
      std::string error;
      EXPECT_FALSE(ReadCurveCsv(c.text, 1, &read, &error)) << c.text;
      EXPECT_EQ(error, std::string(language) == "english" ? c.english : c.chinese) << c.text;
      EXPECT_EQ(read, before);
    }
  }
  SetLanguageSetting("english");
}

// Resistances may rise or fall from point to point; a curve whose order turns or repeats a
// resistance is read all the same, with a warning naming the point. Points after the end of the
// curve (a negative resistance) are not looked at.
TEST(CurveCsv, ReadsRisingAndFallingCurvesAndWarnsWhereTheOrderTurns) {
  const SensorCurve rising = FivePointCurve();
  // A coolant sender: 287 ohm cold down to 17 ohm hot, then the end.
  const SensorCurve falling = {{{287, 200},
                                {150, 400},
                                {80, 600},
                                {40, 800},
                                {17, 1000},
                                {-1, 0},
                                {5, 0},
                                {500, 0},
                                {5, 0},
                                {0, 0}}};
  SensorCurve turning = falling;
  turning[3].ohms = 90;
  SensorCurve repeated = rising;
  repeated[2].ohms = 50;
  SensorCurve full{};
  for (int k = 0; k < kCurvePoints; ++k)
    full[static_cast<std::size_t>(k)] = {static_cast<std::int16_t>(1000 - 100 * k), 0};
  const struct {
    const char* name;
    SensorCurve curve;
    const char* english;
    const char* chinese;
  } cases[] = {
      {"rising", rising, "", ""},
      {"falling", falling, "", ""},
      {"falling through all ten points", full, "", ""},
      {"turning", turning,
       "Point 4: the resistances neither only rise nor only fall; the channel may read wrongly "
       "between these points.",
       "第4点: 阻值既非一直升高也非一直降低, 通道在这些点之间可能读数错误。"},
      {"repeating", repeated,
       "Point 3: the resistances neither only rise nor only fall; the channel may read wrongly "
       "between these points.",
       "第3点: 阻值既非一直升高也非一直降低, 通道在这些点之间可能读数错误。"},
  };
  for (const auto& c : cases) {
    for (const char* language : {"english", "chinese"}) {
      SetLanguageSetting(language);
      SensorCurve read{};
      std::string error;
      std::string warning = "left from before";
      ASSERT_TRUE(ReadCurveCsv(CurveCsv(c.curve, 1), 1, &read, &error, &warning)) << error;
      EXPECT_EQ(read, c.curve) << c.name;
      EXPECT_EQ(warning, std::string(language) == "english" ? c.english : c.chinese) << c.name;
    }
  }
  SetLanguageSetting("english");
}

}  // namespace
}  // namespace vorel
