#include "core/vocabulary.h"

#include <gtest/gtest.h>

#include "language_guard.h"

namespace vorel {
namespace {

struct NameCase {
  std::uint16_t code;
  std::string_view english;
  std::string_view chinese;
};

TEST(VocabularyTest, FunctionNameNamesInputAndAnalogueCodesOnly) {
  const NameCase cases[] = {
      {0x0854, "Oil Pressure", "油压"},  // bit 11 does not count
      {0, "------", "------"},
      {160, "------", "------"},  // output codes have no input name
      {34, "Oil presure switch", "油压开关"},
      {149, "GCB1 feedback", "GCB1反馈"},  // named although in no list
      {213, "Airout door closed", "排风门关"},
      {0x7FF, "------", "------"},
  };
  for (const NameCase& c : cases) {
    {
      LanguageGuard english("english");
      EXPECT_EQ(FunctionName(c.code), c.english) << c.code;
    }
    LanguageGuard chinese("chinese");
    EXPECT_EQ(FunctionName(c.code), c.chinese) << c.code;
  }
}

TEST(VocabularyTest, InputFunctionNameLeavesOutTheAnalogueSensors) {
  LanguageGuard english("english");
  EXPECT_EQ(InputFunctionName(84), "------");
  EXPECT_EQ(InputFunctionName(88), "------");
  EXPECT_EQ(InputFunctionName(209), "Oil temp. switch");
}

TEST(VocabularyTest, OutputFunctionName) {
  const NameCase cases[] = {
      {167, "Alarm horn", "报警输出"},
      {84, "Undefined", "未定义"},
      {160 | 0x0800, "MCB control", "MCB0控制"},
      {176, "Undefined", "未定义"},
  };
  for (const NameCase& c : cases) {
    {
      LanguageGuard english("english");
      EXPECT_EQ(OutputFunctionName(c.code), c.english) << c.code;
    }
    LanguageGuard other("English");  // anything but exactly "english" is Chinese
    EXPECT_EQ(OutputFunctionName(c.code), c.chinese) << c.code;
  }
}

TEST(VocabularyTest, UnitSuffix) {
  const struct {
    std::uint16_t word;
    std::string_view suffix;
  } cases[] = {{0x0C10, "(℃)"}, {0x0810, ""}, {0xFC70, "([-])"}, {0x0BFF, ""}, {0x0C00, "(Bar)"}};
  for (const auto& c : cases) EXPECT_EQ(UnitSuffix(c.word), c.suffix) << c.word;
}

TEST(VocabularyTest, ListsHoldTheirCodesByPosition) {
  EXPECT_EQ(AnalogueFunctionCodes().size(), 23u);
  EXPECT_EQ(InputFunctionCodes().size(), 23u);
  EXPECT_EQ(OutputFunctionCodes().size(), 16u);
  const struct {
    std::optional<int> (*position)(std::uint16_t);
    std::uint16_t code;
    std::optional<int> expected;
  } cases[] = {
      {AnalogueFunctionPosition, 84, 0},
      {AnalogueFunctionPosition, 148, 5},
      {AnalogueFunctionPosition, 213, 22},
      {AnalogueFunctionPosition, 34, std::nullopt},
      {AnalogueFunctionPosition, 209, std::nullopt},
      {InputFunctionPosition, 148, 0},
      {InputFunctionPosition, 79, 6},
      {InputFunctionPosition, 209, 18},
      {InputFunctionPosition, 84, std::nullopt},
      {InputFunctionPosition, 0x0822, 4},
      {OutputFunctionPosition, 175, 15},
      {OutputFunctionPosition, 159, std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(c.position(c.code), c.expected) << c.code;
  LanguageGuard english("english");
  EXPECT_EQ(AnalogueFunctionText(9), "Belt switch");
  EXPECT_EQ(InputFunctionText(7), "Fuel level switch");
  EXPECT_EQ(OutputFunctionText(9), "Standby at AUTO mode");
  EXPECT_EQ(OutputFunctionText(16), "");
}

TEST(VocabularyTest, SensorTypeListsAreBuiltByCode) {
  const struct {
    SensorList list;
    std::size_t size;
  } sizes[] = {{SensorList::Pressure, 11},
               {SensorList::Temperature, 13},
               {SensorList::Level, 6},
               {SensorList::BinaryOnly, 3}};
  for (const auto& s : sizes) {
    const std::span<const SensorType> types = SensorTypes(s.list);
    ASSERT_EQ(types.size(), s.size);
    for (std::size_t i = 0; i < types.size(); ++i) EXPECT_EQ(types[i].code, int(i));
  }
  LanguageGuard english("english");
  EXPECT_EQ(SensorTypeText(SensorList::Temperature, 10), "PT100 ");  // trailing blank kept
  EXPECT_EQ(SensorTypeText(SensorList::Pressure, 10), "Chaodao 10 bar");
  EXPECT_EQ(SensorTypeText(SensorList::Level, 4), "4-20mA/100");
  EXPECT_EQ(SensorTypeText(SensorList::BinaryOnly, 3), "");
  {
    LanguageGuard chinese("chinese");
    EXPECT_EQ(SensorTypeText(SensorList::Pressure, 10), "超导 10 bar");
    EXPECT_EQ(SensorTypeText(SensorList::Level, 2), "开关(断开-激活)");
  }
  EXPECT_EQ(SensorListForFunction(0), SensorList::Pressure);
  EXPECT_EQ(SensorListForFunction(4), SensorList::Temperature);
  EXPECT_EQ(SensorListForFunction(2), SensorList::Level);
  EXPECT_EQ(SensorListForFunction(-1), SensorList::BinaryOnly);
}

TEST(VocabularyTest, ActionsUnitsAndTwoEntryLists) {
  const std::uint8_t nibbles[] = {0x0, 0x2, 0x1, 0x8, 0xD, 0xC};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(AlarmActionPosition(nibbles[i]), i);
  EXPECT_EQ(AlarmActionPosition(0x3), std::nullopt);
  EXPECT_EQ(UnitText(1), "℃");
  EXPECT_EQ(UnitText(3), "℉");
  EXPECT_EQ(BracketedUnitText(7), "([-])");
  EXPECT_EQ(UnitText(8), "");
  LanguageGuard chinese("chinese");
  EXPECT_EQ(AlarmActionList()[4].text.Pick(), "报警卸载冷却运行");
  EXPECT_EQ(TwoEntryText(TwoEntryList::OutputPolarity, 1), "激活-截止");
  EXPECT_EQ(TwoEntryText(TwoEntryList::Activity, 0), "机组运行");
  EXPECT_EQ(TwoEntryText(TwoEntryList::AlarmCondition, 2), "");
}

}  // namespace
}  // namespace vorel
