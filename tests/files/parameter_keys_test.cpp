#include "files/parameter_keys.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/parameter_table.h"

namespace vorel {
namespace {

struct ExpectedSection {
  std::string_view name;
  std::vector<std::string_view> valueKeys;  // keys ending in '+' have limit keys
};

// The value keys of the parameter file by section; '+' marks a key followed by its limits.
const std::vector<ExpectedSection>& ExpectedFile() {
  static const std::vector<ExpectedSection> file = {
      {"SYSTEM", {"LANGUAGE", "LCOMPENSATION+", "DC_DROP+", "RPM_RATE+", "CONTROLER_ADDR+"}},
      {"Product Information", {"DEV_NAME", "PRODUCT_CODE"}},
      {"GENERATOR",
       {"CRANK_COUNT+", "RUN_HOURS+", "CRANK_OIL_PRE+", "LOW_SPEED+", "UNDER_SPEED_DEL+",
        "OVER_SPEED_DEL+", "INVERSE_PWR+", "INVERSE_PWR_DEL+"}},
      {"BASIC SETPOINT",
       {"GNOMIN_PWR+", "GNOMIN_CUR+", "GNOMIN_FREQ+", "GNOMIN_VOL+", "GEAR_TEETH+", "GNOMIN_RPM+",
        "CT_RATIO+", "NEU_CT_RATIO+", "VOLTAGE_RATIO+"}},
      {"ENGINE",
       {"PRE_START_TIME+", "START_RPM+", "PRE_LUBR_TIME+", "MAX_CRANK_TIME+", "IDLE_TIME+",
        "CRANK_ATTEMP+", "CRANK_FAIL_PAUSE+", "MIN_STAB_TIME_+", "FUEL_VALVE", "MAX_STAB_TIME_+",
        "COOLING_TIME+"}},
      {"ENG PROTECT",
       {"PM_TIME+", "HORN_TIMEOUT+", "OVER_SPEED+", "PROTECTION_DEL+", "ANLG1_LEV1+", "ANLG1_LEV2+",
        "ANLG1_DEL+", "ANLG2_LEV1+", "ANLG2_LEV2+", "ANLG2_DEL+", "ANLG3_LEV1+", "ANLG3_LEV2+",
        "ANLG3_DEL+", "START_BAT_LEV1+", "START_BAT_LEV2+", "START_BAT_DEL+"}},
      {"GEN PROTECT",
       {"OV_LD+", "OV_LD_DEL+", "OV_CURR+", "OV_CURR_DEL+", "GNEUTRAL_CURRENT+",
        "GNEUTRAL_CURRENT_DEL+", "GCURR_UNBAL+", "GCURR_UNBAL_DEL+", "VG_UNBAL+", "VG_UNBAL_DEL+",
        "VG_LEV1+", "VG_LEV2+", "VG_DEL+", "GFREQ_LEV1+", "GFREQ_LEV2+", "GFREQ_DEL+"}},
      {"CurrProperty", {"CURR_PROPERTY"}},
      {"MAINS PROTECT",
       {"MAINS_FAIL_VALID_DEL+", "RET_FROM_TEST", "ATS_TYPE", "ATS_LOG", "ATS1_OPEN_DEL+",
        "ATS1_CLOSE_DEL+", "VM_UNBAL+", "VM_UNBAL_DEL+", "VM_LEV1+", "VM_LEV2+", "VM_DEL+",
        "MFREQ_LEV1+", "MFREQ_LEV2+", "MFREQ_DEL+"}},
      {"ENG_SETPOINT", {"EMERG_START_DEL+"}},
      {"Sensor", {}},
      {"IOProperty", {}},
  };
  return file;
}

std::vector<std::string> ExpectedKeys(const ExpectedSection& section) {
  std::vector<std::string> keys;
  for (std::string_view k : section.valueKeys) {
    const bool limits = k.back() == '+';
    const std::string key(limits ? k.substr(0, k.size() - 1) : k);
    keys.push_back(key);
    if (!limits) continue;
    // The odd names: a trailing underscore is not doubled, and HORN_TIMEOUTMAX.
    const std::string stem = key.back() == '_' ? key.substr(0, key.size() - 1) : key;
    keys.push_back(stem + "_MIN");
    keys.push_back(key == "HORN_TIMEOUT" ? "HORN_TIMEOUTMAX" : stem + "_MAX");
  }
  if (section.name == "Sensor") {
    for (std::string_view p : {"PROPERTY1", "PROPERTY2"}) {
      for (int n = 1; n <= 3; ++n)
        keys.push_back("ANLG" + std::to_string(n) + "_" + std::string(p));
    }
    for (std::string_view kind : {"VAL", "RES"}) {
      for (char chart : {'A', 'B', 'C'}) {
        for (int i = 1; i <= 10; ++i) {
          keys.push_back("CHART_" + std::string(1, chart) + "_" + std::string(kind) +
                         std::to_string(i));
        }
      }
    }
  }
  if (section.name == "IOProperty") {
    for (std::string_view io : {"BI", "BO"}) {
      keys.push_back(std::string(io) + (io == "BI" ? "N_POLARITY" : "_POLARITY"));
      for (int group : {0, 1}) {
        for (int n = 1; n <= 8; ++n) {
          keys.push_back(std::string(io) + std::to_string(group) + std::to_string(n) + "_PROPERTY");
        }
      }
    }
  }
  return keys;
}

TEST(ParameterKeysTest, TwelveSectionsAnd333KeysInFileOrder) {
  const std::span<const ParameterKey> keys = ParameterFileKeys();
  ASSERT_EQ(keys.size(), 333u);
  ASSERT_EQ(ParameterFileSections().size(), 12u);
  std::size_t at = 0;
  std::size_t s = 0;
  for (const ExpectedSection& section : ExpectedFile()) {
    EXPECT_EQ(ParameterFileSections()[s++], section.name);
    for (const std::string& key : ExpectedKeys(section)) {
      ASSERT_LT(at, keys.size());
      EXPECT_EQ(keys[at].key, key) << at;
      EXPECT_EQ(keys[at].section, section.name) << key;
      ++at;
    }
  }
  EXPECT_EQ(at, 333u);
  // Spot checks of registers and forms.
  const struct {
    std::string_view key;
    std::uint16_t reg;
    ValueForm form;
  } forms[] = {{"LCOMPENSATION", 0x0073, ValueForm::Hundredths},
               {"RUN_HOURS", 0x009F, ValueForm::RunHours},
               {"VM_DEL", 0x010E, ValueForm::Integer},
               {"MFREQ_LEV1", 0x010F, ValueForm::General},
               {"CRANK_OIL_PRE", 0x011C, ValueForm::Tenths},
               {"CHART_C_RES10", 0x0167, ValueForm::Integer},
               {"BO18_PROPERTY", 0x0088, ValueForm::Integer},
               {"PRODUCT_CODE", 0x016B, ValueForm::Integer},
               {"DEV_NAME", 0, ValueForm::Text}};
  for (const auto& f : forms) {
    const ParameterKey& k = keys[*FindParameterKey(f.key)];
    EXPECT_EQ(k.reg, f.reg) << f.key;
    EXPECT_EQ(k.form, f.form) << f.key;
  }
}

TEST(ParameterKeysTest, RowsAndKeysPointAtEachOther) {
  const std::span<const ParameterKey> keys = ParameterFileKeys();
  for (const ParameterRow& r : ParameterTable()) {
    for (std::string_view k : {r.minKey, r.maxKey}) {
      if (k.empty()) continue;
      const std::optional<std::size_t> i = FindParameterKey(k);
      ASSERT_TRUE(i) << k;
      EXPECT_EQ(keys[*i].editor, r.name) << k;
    }
    if (r.key.empty() || r.key.starts_with("ATS2_")) continue;  // ATS2 keys are read only
    const std::optional<std::size_t> i = FindParameterKey(r.key);
    ASSERT_TRUE(i) << r.key;
    EXPECT_EQ(keys[*i].reg, r.reg) << r.key;
    EXPECT_EQ(keys[*i].role, KeyRole::Value);
    if (r.key != "CURR_PROPERTY") {
      EXPECT_EQ(keys[*i].editor, r.name) << r.key;
    }
  }
  // Every limit key belongs to a spin editor of the table; the pre-lubrication limits to the
  // pre-start editor.
  for (const ParameterKey& k : keys) {
    if (k.role != KeyRole::Minimum && k.role != KeyRole::Maximum) continue;
    const std::optional<std::size_t> row = FindParameterRow(k.editor);
    ASSERT_TRUE(row) << k.key;
    EXPECT_EQ(ParameterTable()[*row].kind, EditorKind::Spin) << k.key;
  }
  EXPECT_EQ(keys[*FindParameterKey("PRE_LUBR_TIME_MIN")].editor, "sePreStartTime");
  EXPECT_EQ(keys[*FindParameterKey("HORN_TIMEOUTMAX")].editor, "seHornTimeout");
}

TEST(ParameterKeysTest, LoadStepsReadEveryKeyInItsOrder) {
  const std::span<const ParameterLoadStep> steps = ParameterLoadSteps();
  std::multiset<std::string_view> read;
  std::size_t limits = 0;
  for (const ParameterLoadStep& s : steps) {
    read.insert(s.key);
    if (s.role == KeyRole::Minimum || s.role == KeyRole::Maximum) ++limits;
  }
  EXPECT_EQ(limits, 150u);  // 75 pairs, the emergency-start pair only offline
  for (const ParameterKey& k : ParameterFileKeys()) {
    const bool battery = k.key == "START_BAT_LEV1" || k.key == "START_BAT_LEV2" ||
                         k.key == "START_BAT_DEL";  // read twice
    EXPECT_EQ(read.count(k.key), battery ? 2u : 1u) << k.key;
  }
  for (std::string_view k : {"L1NOMIN_PWR", "L1NOMIN_CUR", "L2NOMIN_PWR", "L2NOMIN_CUR", "STANDBY",
                             "L1_OV_LD", "L2_OV_LD", "ATS2_OPEN_DEL", "ATS2_CLOSE_DEL"}) {
    EXPECT_EQ(read.count(k), 1u) << k;
  }
  EXPECT_EQ(steps.size(), 333u + 3 + 9);
  // Limits first (each minimum before its maximum), the device name last.
  EXPECT_EQ(steps.front().key, "LCOMPENSATION_MIN");
  EXPECT_EQ(steps[1].key, "LCOMPENSATION_MAX");
  EXPECT_EQ(steps.back().key, "DEV_NAME");
  EXPECT_EQ(steps.back().defaultText, "No Device Information");
  EXPECT_EQ(steps[150].key, "LANGUAGE");
  EXPECT_EQ(steps[151].key, "PRODUCT_CODE");
  // The two readings of the battery delay: tenths first, then an integer.
  std::vector<LoadRule> batteryDelay;
  for (const ParameterLoadStep& s : steps) {
    if (s.key == "START_BAT_DEL") batteryDelay.push_back(s.rule);
    if (s.key.starts_with("EMERG_START_DEL_")) {
      EXPECT_TRUE(s.offlineOnly);
    }
    if (s.key == "PRE_LUBR_TIME_MIN") {
      EXPECT_EQ(s.editor, "sePreStartTime");
    }
  }
  EXPECT_EQ(batteryDelay, (std::vector<LoadRule>{LoadRule::Times10, LoadRule::Integer}));
  const struct {
    std::string_view key;
    LoadRule rule;
    std::string_view defaultText;
    std::uint16_t reg;
  } rules[] = {{"GNOMIN_FREQ", LoadRule::Times10, "45", 0x00CA},
               {"GNOMIN_PWR", LoadRule::Integer, "1", 0x00C8},
               {"L2NOMIN_CUR", LoadRule::Integer, "1", 0x00D1},
               {"STANDBY", LoadRule::Integer, "0", 0x00C7},
               {"LCOMPENSATION", LoadRule::Times100, "0", 0x0073},
               {"RUN_HOURS", LoadRule::RunHours, "0", 0x009F},
               {"MFREQ_LEV2", LoadRule::Number, "0", 0x0110},
               {"VM_DEL", LoadRule::Integer, "0", 0x010E},
               {"INVERSE_PWR_DEL", LoadRule::Times10, "0", 0x00C3},
               {"CRANK_OIL_PRE", LoadRule::Times10, "0", 0x011C}};
  for (const auto& r : rules) {
    for (const ParameterLoadStep& s : steps) {
      if (s.key != r.key) continue;
      EXPECT_EQ(s.rule, r.rule) << r.key;
      EXPECT_EQ(s.defaultText, r.defaultText) << r.key;
      EXPECT_EQ(s.reg, r.reg) << r.key;
    }
  }
}

}  // namespace
}  // namespace vorel
