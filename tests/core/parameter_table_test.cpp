#include "core/parameter_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/parameter_keys.h"
#include "language_guard.h"

namespace vorel {
namespace {

using G = SetpointGrid;

struct ExpectedEditor {
  G grid;
  int row;
  int half;
  std::string_view name;
  std::uint16_t reg;
};

// The editors of the setpoint grids, grid by grid and row by row.
constexpr ExpectedEditor kExpected[] = {
    {G::System, 1, 0, "medPSWUnlock", 0},
    {G::System, 2, 0, "medPSWChange", 0},
    {G::System, 3, 0, "seControlerAddr", 0x0011},
    {G::System, 4, 0, "cbProtocol", 0},
    {G::System, 5, 0, "medGenName", 0x0012},
    {G::System, 6, 0, "dtpDate", 0x000E},
    {G::System, 7, 0, "dtpTime", 0x000C},
    {G::System, 8, 0, "cbPowerSave", 0x0118},
    {G::System, 9, 0, "medMasterSN", 0x0006},
    {G::System, 10, 0, "cbLanguage", 0x0074},
    {G::System, 11, 0, "seDebugAddr", 0x0120},
    {G::Compensation, 1, 0, "seLCompensation", 0x0073},
    {G::Compensation, 2, 0, "seDCDrop", 0x0075},
    {G::Compensation, 3, 0, "seRPMRate", 0x011A},
    {G::Compensation, 4, 0, "seCrankCount", 0x0098},
    {G::Compensation, 5, 0, "seRunHours", 0x009F},
    {G::Basic, 1, 0, "seNominPower", 0x00C8},
    {G::Basic, 2, 0, "seNominVoltage", 0x00CB},
    {G::Basic, 3, 0, "seNominCurrent", 0x00C9},
    {G::Basic, 4, 0, "seNominFrequency", 0x00CA},
    {G::Basic, 5, 0, "seNominRPM", 0x00CD},
    {G::Basic, 6, 0, "seGearTeeth", 0x00CC},
    {G::Basic, 7, 0, "seCTRatio", 0x00D2},
    {G::Basic, 8, 0, "seNeutralCTRatio", 0x00D3},
    {G::Basic, 9, 0, "seVoltageRatio", 0x011B},
    {G::Basic, 10, 0, "cbRetFromTest", 0x0103},
    {G::Engine, 1, 0, "sePreStartTime", 0x00D4},
    {G::Engine, 2, 0, "sePreLubricateTime", 0x00D6},
    {G::Engine, 3, 0, "seIdleTime", 0x00D8},
    {G::Engine, 4, 0, "seEmergencyStartDel", 0x0117},
    {G::Engine, 5, 0, "seMaxCrankTime", 0x00D7},
    {G::Engine, 6, 0, "seCrankFailPause", 0x00D9},
    {G::Engine, 7, 0, "seMaxStabTime", 0x00DD},
    {G::Engine, 8, 0, "seMinStabTime", 0x00DB},
    {G::Engine, 9, 0, "seCoolingTime", 0x00DE},
    {G::Engine, 10, 0, "seStartRPM", 0x00D5},
    {G::Engine, 11, 0, "seCrankOilPre", 0x011C},
    {G::Engine, 12, 0, "seCrankAttemp", 0x00DA},
    {G::Engine, 13, 0, "cbFuelValve", 0x00DC},
    {G::EngineProtection, 1, 0, "seLowSpeed", 0x011D},
    {G::EngineProtection, 2, 0, "seOverSpeed", 0x00E2},
    {G::EngineProtection, 3, 0, "seProtectionDel", 0x00E3},
    {G::EngineProtection, 4, 0, "seHornTimeout", 0x00E1},
    {G::EngineProtection, 5, 0, "seStartBatLev2", 0x00EE},
    {G::EngineProtection, 6, 0, "seStartBatLev1", 0x00ED},
    {G::EngineProtection, 7, 0, "seStartBatDel", 0x00EF},
    {G::EngineProtection, 8, 0, "seAnlg1Lev1", 0x00E4},
    {G::EngineProtection, 9, 0, "seAnlg1Lev2", 0x00E5},
    {G::EngineProtection, 10, 0, "seAnlg1Del", 0x00E6},
    {G::EngineProtection, 11, 0, "seAnlg2Lev1", 0x00E7},
    {G::EngineProtection, 12, 0, "seAnlg2Lev2", 0x00E8},
    {G::EngineProtection, 13, 0, "seAnlg2Del", 0x00E9},
    {G::EngineProtection, 14, 0, "seAnlg3Lev1", 0x00EA},
    {G::EngineProtection, 15, 0, "seAnlg3Lev2", 0x00EB},
    {G::EngineProtection, 16, 0, "seAnlg3Del", 0x00EC},
    {G::EngineProtection, 1, 1, "seUnderSpeedDel", 0x011E},
    {G::EngineProtection, 2, 1, "seOverSpeedDel", 0x011F},
    {G::EngineProtection, 3, 1, "sePMTime", 0x00E0},
    {G::Generator, 1, 0, "seGenVoltageLev1", 0x00FC},
    {G::Generator, 2, 0, "seGenVoltageLev2", 0x00FD},
    {G::Generator, 3, 0, "seGenVoltageDel", 0x00FE},
    {G::Generator, 4, 0, "seGenVoltageUnbalance", 0x00FA},
    {G::Generator, 5, 0, "seGenVoltageUnbalanceDel", 0x00FB},
    {G::Generator, 6, 0, "seGenFrequencyLev1", 0x00FF},
    {G::Generator, 7, 0, "seGenFrequencyLev2", 0x0100},
    {G::Generator, 8, 0, "seGenFrequencyDel", 0x0101},
    {G::Generator, 9, 0, "seOverLoad", 0x00F0},
    {G::Generator, 10, 0, "seOverLoadDel", 0x00F3},
    {G::Generator, 11, 0, "seOverCurrent", 0x00F4},
    {G::Generator, 12, 0, "seOverCurrentDel", 0x00F5},
    {G::Generator, 13, 0, "seNeutralCurrent", 0x00F6},
    {G::Generator, 14, 0, "seNeutralCurrentDel", 0x00F7},
    {G::Generator, 15, 0, "seCurrentUnbalance", 0x00F8},
    {G::Generator, 16, 0, "seCurrentUnbalanceDel", 0x00F9},
    {G::Generator, 1, 1, "seInversePower", 0x00C2},
    {G::Generator, 2, 1, "seInversePowerDel", 0x00C3},
    {G::Generator, 3, 1, "cbOverCurrProtection", 0x0089},
    {G::Generator, 4, 1, "cbShortProtection", 0x0089},
    {G::Generator, 5, 1, "cbOverLoadProtection", 0x0089},
    {G::Generator, 6, 1, "cbUnbalCurrProtection", 0x0089},
    {G::Mains, 1, 0, "seMainsVoltageLev1", 0x010C},
    {G::Mains, 2, 0, "seMainsVoltageLev2", 0x010D},
    {G::Mains, 3, 0, "seMainsVoltageDel", 0x010E},
    {G::Mains, 4, 0, "seMainsVoltageUnbalance", 0x010A},
    {G::Mains, 5, 0, "seMainsVoltageUnbalanceDel", 0x010B},
    {G::Mains, 6, 0, "seMainsFrequencyLev1", 0x010F},
    {G::Mains, 7, 0, "seMainsFrequencyLev2", 0x0110},
    {G::Mains, 8, 0, "seMainsFrequencyDel", 0x0111},
    {G::Mains, 9, 0, "seMainsFailValidDel", 0x0102},
    {G::Mains, 10, 0, "cbATSType", 0x0104},
    {G::Mains, 11, 0, "cbATSLogic", 0x0105},
    {G::Mains, 12, 0, "seATS1OpenDel", 0x0106},
    {G::Mains, 13, 0, "seATS1CloseDel", 0x0107},
    {G::Mains, 0, 0, "seATS2OpenDel", 0x0108},
    {G::Mains, 0, 0, "seATS2CloseDel", 0x0109},
};

TEST(ParameterTableTest, HoldsExactlyTheEditorsOfTheGrids) {
  const std::span<const ParameterRow> rows = ParameterTable();
  ASSERT_EQ(rows.size(), std::size(kExpected));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const ExpectedEditor& e = kExpected[i];
    EXPECT_EQ(rows[i].name, e.name) << i;
    EXPECT_EQ(rows[i].grid, e.grid) << e.name;
    EXPECT_EQ(rows[i].row, e.row) << e.name;
    EXPECT_EQ(rows[i].half, e.half) << e.name;
    EXPECT_EQ(rows[i].reg, e.reg) << e.name;
    EXPECT_EQ(FindParameterRow(e.name), i);
    const SetpointGridInfo& grid = GridInfo(rows[i].grid);
    EXPECT_LT(rows[i].row, grid.rows) << e.name;
    EXPECT_TRUE(rows[i].half == 0 || grid.columns == 4) << e.name;
  }
}

TEST(ParameterTableTest, FactorsAndDecimals) {
  const std::set<std::string_view> tenths = {"seDCDrop",
                                             "seNominFrequency",
                                             "seStartBatLev2",
                                             "seStartBatLev1",
                                             "seGenVoltageDel",
                                             "seGenVoltageUnbalanceDel",
                                             "seGenFrequencyDel",
                                             "seOverLoadDel",
                                             "seOverCurrentDel",
                                             "seNeutralCurrentDel",
                                             "seCurrentUnbalanceDel",
                                             "seInversePowerDel",
                                             "seMainsVoltageDel",
                                             "seMainsVoltageUnbalanceDel",
                                             "seMainsFrequencyDel"};
  for (const ParameterRow& r : ParameterTable()) {
    if (r.conversion != Conversion::Scaled) continue;
    int factor = tenths.count(r.name) ? 10 : 1;
    if (r.name == "seLCompensation") factor = 100;
    EXPECT_EQ(r.factor, factor) << r.name;
    EXPECT_EQ(r.decimals, factor == 100 ? 2 : factor == 10 ? 1 : 0) << r.name;
    EXPECT_DOUBLE_EQ(r.step, 1.0 / factor) << r.name;
  }
}

TEST(ParameterTableTest, TitlesAndItems) {
  const struct {
    std::string_view name;
    std::string_view english;
    std::string_view chinese;
  } cases[] = {
      {"seNominPower", "Nomin Power (KW)", "额定功率 (KW)"},
      {"cbATSType", "ATS Tyep", "开关类型"},
      {"seDebugAddr", "Debug Addr", "Debug Addr"},
      {"seLowSpeed", "Underspeed", "低速比例 (%)"},
      {"sePMTime", "PM hours", "维护时间 (Hrs)"},
      {"cbUnbalCurrProtection", "Curr Unbal Shutdown", "电流不平衡保护"},
      {"seMainsFailValidDel", "Mains Flt Del (s)", "市电故障确认延时 (s)"},
  };
  for (const auto& c : cases) {
    const ParameterRow& r = ParameterTable()[*FindParameterRow(c.name)];
    EXPECT_EQ(r.title.english, c.english);
    EXPECT_EQ(r.title.chinese, c.chinese);
  }
  const ParameterRow& ats = ParameterTable()[*FindParameterRow("cbATSType")];
  ASSERT_EQ(ats.items.size(), 3u);
  EXPECT_EQ(ats.items[2].english, "I ");
  EXPECT_EQ(ParameterTable()[*FindParameterRow("cbUnbalCurrProtection")].items.size(), 7u);
  EXPECT_EQ(ParameterTable()[*FindParameterRow("cbOverLoadProtection")].items.size(), 3u);
  EXPECT_EQ(GridInfo(G::Mains).header.chinese, "市电保护");
  EXPECT_EQ(FactoryRows().size(), 10u);
  EXPECT_EQ(FactoryRows()[9].reg, 0x006F);
}

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
