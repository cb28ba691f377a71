#include "files/parameter_values.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "core/conversions.h"
#include "core/site_images.h"

namespace vorel {
namespace {

constexpr int kSite = 9;

const ParameterKey& Key(std::string_view name) {
  return ParameterFileKeys()[*FindParameterKey(name)];
}

TEST(ParameterValuesTest, ValueTextsByForm) {
  auto images = std::make_unique<SiteImages>();
  const struct {
    std::string_view key;
    std::uint16_t word;
    std::string_view text;
  } cases[] = {
      {"GNOMIN_PWR", 0xFFFF, "-1"},   {"GNOMIN_PWR", 0x8000, "-32768"},
      {"OV_LD_DEL", 0xFFF6, "-1.00"}, {"LCOMPENSATION", 92, "0.92"},
      {"DC_DROP", 5, "0.50"},         {"MFREQ_LEV1", 50, "50"},
      {"VM_DEL", 50, "50"},           {"CRANK_OIL_PRE", 0x8000, "-3276.80"},
      {"GNOMIN_FREQ", 501, "50.10"},
  };
  for (const auto& c : cases) {
    images->SetWord(kSite, Key(c.key).reg, c.word);
    EXPECT_EQ(ParameterValueText(Key(c.key), *images, kSite), c.text) << c.key;
  }
  images->SetWord(kSite, 0x009F, 1234);
  images->SetWord(kSite, 0x00A0, 1800);
  EXPECT_EQ(ParameterValueText(Key("RUN_HOURS"), *images, kSite), "1234.50");
  images->SetWord(kSite, 0x009F, 0);
  images->SetWord(kSite, 0x00A0, 360);
  EXPECT_EQ(ParameterValueText(Key("RUN_HOURS"), *images, kSite), "0.10");
  images->SetWord(kSite, 0x009F, 40000);
  images->SetWord(kSite, 0x00A0, 1800);
  EXPECT_EQ(ParameterValueText(Key("RUN_HOURS"), *images, kSite), "40000.50");
  EXPECT_EQ(ParameterLimitText(30), "30.00");
  EXPECT_EQ(ParameterLimitText(-0.5), "-0.50");
}

TEST(ParameterValuesTest, LoadRules) {
  auto images = std::make_unique<SiteImages>();
  const ParameterLoadStep integer{.rule = LoadRule::Integer};
  const ParameterLoadStep times10{.rule = LoadRule::Times10};
  const ParameterLoadStep times100{.rule = LoadRule::Times100};
  const ParameterLoadStep number{.rule = LoadRule::Number};
  const struct {
    const ParameterLoadStep* step;
    std::string_view text;
    std::optional<std::uint16_t> word;
  } cases[] = {
      {&times10, "1.25", 12},
      {&times10, "1.35", 14},
      {&times10, "-1.25", 0xFFF4},
      {&times10, "45", 450},
      {&times10, "2.5", 25},
      {&times10, "1.251", 13},
      {&times100, "0.92", 92},
      {&times100, "1e-2", 1},
      {&number, "50", 50},
      {&number, "0.5", 0},
      {&number, "1.5", 2},
      {&number, "49.999", 50},
      {&integer, "-1", 0xFFFF},
      {&integer, "70000", 4464},
      {&integer, "+7", 7},
      {&integer, "2.5", std::nullopt},
      {&integer, "", std::nullopt},
      {&integer, "1e3", std::nullopt},
      {&integer, "99999999999", std::nullopt},
      {&times10, "", std::nullopt},
      {&times10, "x", std::nullopt},
  };
  for (const auto& c : cases) {
    images->SetWord(kSite, 0, 0xABCD);
    EXPECT_EQ(ApplyLoadedValue(*c.step, c.text, *images, kSite), c.word.has_value()) << c.text;
    EXPECT_EQ(images->Word(kSite, 0), c.word.value_or(0xABCD)) << c.text;
  }
  const ParameterLoadStep& runHours = *LastLoadStepOf("RUN_HOURS");
  const struct {
    std::string_view text;
    std::uint16_t word0;
    std::uint16_t word1;
  } hours[] = {{"1234.50", 1234, 1800},
               {"1234.75", 1235, 64636},
               {"40000.50", 40000, 1800},
               // A file that wrote the count signed still loads the same words.
               {"-25535.50", 40000, 1800},
               {"0.10", 0, 360}};
  for (const auto& h : hours) {
    ASSERT_TRUE(ApplyLoadedValue(runHours, h.text, *images, kSite));
    EXPECT_EQ(images->Word(kSite, 0x009F), h.word0) << h.text;
    EXPECT_EQ(images->Word(kSite, 0x00A0), h.word1) << h.text;
  }
  EXPECT_DOUBLE_EQ(RunHoursValue(*images, kSite), 0.1);
  EXPECT_EQ(ParseLimitText("30.00"), 30.0);
  EXPECT_EQ(ParseLimitText("-1e1"), -10.0);
  EXPECT_EQ(ParseLimitText(""), std::nullopt);
  EXPECT_EQ(ParseLimitText("1,5"), std::nullopt);
}

// A file written from a value image and read back gives the same image for every register
// the file holds; the registers of the keys a save never writes take their defaults.
TEST(ParameterValuesTest, SaveThenLoadGivesTheSameImage) {
  auto images = std::make_unique<SiteImages>();
  for (int a = 0; a < kImageWords; ++a) {
    images->SetWord(kSite, a, static_cast<std::uint16_t>(a * 40503 + 0x5A5A));
  }
  images->SetWord(kSite, 0x009F, 1234);
  images->SetWord(kSite, 0x00A0, 1800);
  std::map<std::string_view, std::string> file;
  for (const ParameterKey& k : ParameterFileKeys()) {
    if (k.role == KeyRole::Value) file[k.key] = ParameterValueText(k, *images, kSite);
  }
  auto loaded = std::make_unique<SiteImages>();
  for (const ParameterLoadStep& s : ParameterLoadSteps()) {
    if (s.role != KeyRole::Value) continue;
    const auto it = file.find(s.key);
    const std::string text = it != file.end() ? it->second : std::string(s.defaultText);
    ASSERT_TRUE(ApplyLoadedValue(s, text, *loaded, kSite)) << s.key << " " << text;
  }
  for (const ParameterKey& k : ParameterFileKeys()) {
    if (k.role != KeyRole::Value || k.form == ValueForm::Text) continue;
    EXPECT_EQ(loaded->Word(kSite, k.reg), images->Word(kSite, k.reg)) << k.key;
  }
  EXPECT_EQ(loaded->Word(kSite, 0x00A0), 1800);
  for (std::uint16_t reg : {0x00CE, 0x00CF, 0x00D0, 0x00D1}) EXPECT_EQ(loaded->Word(kSite, reg), 1);
  for (std::uint16_t reg : {0x00C7, 0x00F1, 0x00F2, 0x0108, 0x0109}) {
    EXPECT_EQ(loaded->Word(kSite, reg), 0);
  }
}

TEST(ParameterValuesTest, RowsFindTheirKeysAndSteps) {
  const ParameterRow& freq = ParameterTable()[*FindParameterRow("seNominFrequency")];
  ASSERT_NE(FileKeyOf(freq), nullptr);
  EXPECT_EQ(FileKeyOf(freq)->section, "BASIC SETPOINT");
  EXPECT_EQ(FileKeyOf(freq)->form, ValueForm::Tenths);
  EXPECT_EQ(LastLoadStepOf("GNOMIN_FREQ")->defaultText, "45");
  EXPECT_EQ(LastLoadStepOf("START_BAT_DEL")->rule, LoadRule::Integer);
  EXPECT_EQ(FileKeyOf(ParameterTable()[*FindParameterRow("seDebugAddr")]), nullptr);
}

}  // namespace
}  // namespace vorel
