#include "core/register_table.h"

#include <gtest/gtest.h>

#include <map>

namespace vorel {
namespace {

TEST(RegisterTable, HoldsTheDeclaredRecordsInOrder) {
  const auto& t = RegisterTable();
  ASSERT_EQ(t.size(), 332u);
  EXPECT_EQ(t.front(), (RegisterBlock{0x8031, 35, 0, "CONFIG"}));
  EXPECT_EQ(t.back(), (RegisterBlock{0x8010, 1, 0, "Action"}));
  // The identification block and the single record share 0x0169, block first.
  std::size_t block = 0, single = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i].address == 0x0169 && t[i].count == 29) block = i;
    if (t[i].address == 0x0169 && t[i].count == 1) single = i;
  }
  EXPECT_EQ(single, block + 1);
  // 0x00C7 (STANDBY) is declared after the engine block, not in address order.
  std::map<std::uint16_t, std::size_t> index;
  for (std::size_t i = 0; i < t.size(); ++i) index.emplace(t[i].address, i);
  EXPECT_GT(index[0x00C7], index[0x00DE]);
  EXPECT_LT(index[0x00C7], index[0x00E0]);
}

TEST(RegisterTable, KindsAndSections) {
  struct Case {
    std::uint16_t address;
    std::uint16_t count;
    std::int32_t kind;
    std::string_view section;
  };
  const Case cases[] = {
      {0x009F, 2, 1, "GENERATOR"},     {0x00A7, 2, 1, "GENERATOR"},
      {0x00AE, 2, 1, "MAINS"},         {0x00B5, 2, 1, "MAINS"},
      {0x00C3, 1, 1, "GENERATOR"},     {0x0073, 1, 2, "SYSTEM"},
      {0x0075, 1, 2, "SYSTEM"},        {0x00C7, 1, 0, "ENG PROTECT"},
      {0x0117, 1, 0, "ENG_SETPOINT"},  {0x0167, 1, 0, "Sensor"},
      {0x0168, 1, 0, "History/Alarm"}, {0x0089, 1, 0, "CurrProperty"},
      {0x005F, 1, 0, "I/O"},           {0x0172, 20, 0, "Product Information"},
  };
  for (const Case& c : cases) {
    auto r = FindRegister(c.address, c.count);
    ASSERT_TRUE(r) << std::hex << c.address;
    EXPECT_EQ(r->kind, c.kind) << std::hex << c.address;
    EXPECT_EQ(r->section, c.section) << std::hex << c.address;
  }
  EXPECT_FALSE(FindRegister(0x0076));
  EXPECT_FALSE(FindRegister(0x009D));
}

TEST(RegisterTable, NamedBlocksAreRecordsOfTheTable) {
  const RegisterBlock named[] = {
      reg::kValueConfigA,
      reg::kValueConfigB,
      reg::kValueConfigC,
      reg::kLiveConfig,
      reg::kWriteCountConfig,
      reg::kParamConfig1,
      reg::kParamConfig2,
      reg::kParamConfig3,
      reg::kParamConfig4,
      reg::kLiveValues,
      reg::kParamValues1,
      reg::kParamValues2,
      reg::kParamValues3,
      reg::kParamValues4,
      reg::kSystem,
      reg::kProtection,
      reg::kNewPassword,
      reg::kSerialNumber,
      reg::kControllerTime,
      reg::kControllerDate,
      reg::kControllerAddress,
      reg::kGeneratorName,
      reg::kAlarmList,
      reg::kOperatingMode,
      reg::kEventLogPosition,
      reg::kIdentification,
      reg::kProductCode,
      reg::kDeviceName,
      reg::kCommand,
      reg::kInputPolarity,
      reg::kFirstInputProperty,
      reg::kOutputPolarity,
      reg::kFirstOutputProperty,
      reg::kCurrProperty,
      reg::kRunHours,
      reg::kPmTime,
      reg::kPowerSave,
      reg::kAnalogueProperty1,
      reg::kAnalogueProperty2,
      reg::kCurveValues,
      reg::kCurveResistances,
      reg::kEngineSpeed,
      reg::kFirstChannelValue,
      reg::kBatteryVoltage,
      reg::kFirstPhaseVoltage,
      reg::kGeneratorFrequency,
      reg::kFirstPhaseCurrent,
      reg::kTotalActivePower,
      reg::kLedState,
      reg::kMainsState,
      reg::kGenSetState,
      reg::kTransferSwitchState,
      reg::kStartFuelOutputs,
      reg::kInputStates,
      reg::kOutputStates,
      reg::kGenSetCounter,
      reg::kDebugValue,
      reg::kStartCount,
  };
  for (const RegisterBlock& n : named) {
    auto r = FindRegister(n.address, n.count);
    ASSERT_TRUE(r) << std::hex << n.address;
    EXPECT_EQ(*r, n);
  }
}

}  // namespace
}  // namespace vorel
