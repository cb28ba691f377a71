#include "core/parameter_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

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

}  // namespace
}  // namespace vorel
