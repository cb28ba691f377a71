// The controller's register map: one RegisterBlock record per register block that the tool reads,
// writes, shows or keeps in a parameter file, in the controller's declared order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vorel {

// One register block. For the block-transfer areas (0x8031 and up) `count` is the number of
// descriptors or value entries, not of registers.
struct RegisterBlock {
  std::uint16_t address = 0;
  std::uint16_t count = 0;
  std::int32_t kind = 0;  // carried into every request, interpreted by nothing
  std::string_view section;

  friend constexpr bool operator==(const RegisterBlock& a, const RegisterBlock& b) {
    return a.address == b.address && a.count == b.count && a.kind == b.kind &&
           a.section == b.section;
  }
};

inline constexpr std::size_t kRegisterCount = 332;

// All records in declared order; two records share address 0x0169 (counts 29 and 1).
const std::array<RegisterBlock, kRegisterCount>& RegisterTable();

// The first record with this address (and count, when given).
std::optional<RegisterBlock> FindRegister(std::uint16_t address,
                                          std::optional<std::uint16_t> count = std::nullopt);

// Address spaces.
inline constexpr std::uint16_t kEventLogFirst = 0x0200;
inline constexpr std::uint16_t kEventLogLast = 0x0FFF;
inline constexpr std::uint16_t kBlockAreaFirst = 0x8000;
inline constexpr std::uint16_t kExtendedReplyFirst = 0x8031;

// Named blocks used across the tool. Each equals a record of the table (checked by a test).
namespace reg {
// clang-format off
inline constexpr RegisterBlock kValueConfigA       {0x8031, 35, 0, "CONFIG"};
inline constexpr RegisterBlock kValueConfigB       {0x8032, 39, 0, "CONFIG"};
inline constexpr RegisterBlock kValueConfigC       {0x8033, 15, 0, "CONFIG"};
inline constexpr RegisterBlock kLiveConfig         {0x8053, 70, 0, "CONFIG"};
inline constexpr RegisterBlock kWriteCountConfig   {0x8034, 83, 0, "CONFIG"};
inline constexpr RegisterBlock kParamConfig2       {0x8035, 34, 0, "CONFIG"};
inline constexpr RegisterBlock kParamConfig3       {0x8036, 21, 0, "CONFIG"};
inline constexpr RegisterBlock kParamConfig4       {0x8037, 66, 0, "CONFIG"};
inline constexpr RegisterBlock kParamConfig1       {0x8052, 83, 0, "CONFIG"};
inline constexpr RegisterBlock kLiveValues         {0x804F, 70, 0, "VALUE"};
inline constexpr RegisterBlock kParamValues2       {0x8045, 34, 0, "VALUE"};
inline constexpr RegisterBlock kParamValues3       {0x8046, 21, 0, "VALUE"};
inline constexpr RegisterBlock kParamValues4       {0x8047, 66, 0, "VALUE"};
inline constexpr RegisterBlock kParamValues1       {0x804D, 83, 0, "VALUE"};

inline constexpr RegisterBlock kSystem             {0x0000, 4, 0, "System"};  // status word first
inline constexpr RegisterBlock kProtection         {0x0004, 1, 0, "System"};
inline constexpr RegisterBlock kNewPassword        {0x0005, 1, 0, "System"};
inline constexpr RegisterBlock kSerialNumber       {0x0006, 3, 0, "System"};
inline constexpr RegisterBlock kControllerTime     {0x000C, 2, 0, "DateTime"};
inline constexpr RegisterBlock kControllerDate     {0x000E, 2, 0, "DateTime"};
inline constexpr RegisterBlock kControllerAddress  {0x0011, 1, 0, "System"};
inline constexpr RegisterBlock kGeneratorName      {0x0012, 8, 0, "System"};
inline constexpr RegisterBlock kAlarmList          {0x001A, 16, 0, "Alarm"};
inline constexpr RegisterBlock kInputPolarity      {0x0039, 1, 0, "IOProperty"};
inline constexpr RegisterBlock kFirstInputProperty {0x003A, 1, 0, "IOProperty"};  // + slot - 1
inline constexpr RegisterBlock kOutputPolarity     {0x0078, 1, 0, "IOProperty"};
inline constexpr RegisterBlock kFirstOutputProperty{0x0079, 1, 0, "IOProperty"};  // + slot - 1
inline constexpr RegisterBlock kCurrProperty       {0x0089, 1, 0, "CurrProperty"};
inline constexpr RegisterBlock kRunHours           {0x009F, 2, 1, "GENERATOR"};  // hours, seconds
inline constexpr RegisterBlock kPmTime             {0x00E0, 1, 0, "ENG PROTECT"};
inline constexpr RegisterBlock kOperatingMode      {0x0113, 1, 0, "Menu"};
inline constexpr RegisterBlock kPowerSave          {0x0118, 1, 0, "SYSTEM"};
inline constexpr RegisterBlock kAnalogueProperty1  {0x0126, 1, 0, "Sensor"};  // + channel - 1
inline constexpr RegisterBlock kAnalogueProperty2  {0x0129, 1, 0, "Sensor"};  // + channel - 1
inline constexpr RegisterBlock kCurveValues        {0x012C, 1, 0, "Sensor"};  // + 10 channel + point
inline constexpr RegisterBlock kCurveResistances   {0x014A, 1, 0, "Sensor"};  // + 10 channel + point
inline constexpr RegisterBlock kEventLogPosition   {0x0168, 1, 0, "History/Alarm"};
inline constexpr RegisterBlock kIdentification     {0x0169, 29, 0, "Product Information"};
inline constexpr RegisterBlock kProductCode        {0x016B, 1, 0, "Product Information"};
inline constexpr RegisterBlock kDeviceName         {0x0172, 20, 0, "Product Information"};
inline constexpr RegisterBlock kCommand            {0x8010, 1, 0, "Action"};
inline constexpr RegisterBlock kEngineSpeed        {0x0099, 1, 0, "GENERATOR"};
inline constexpr RegisterBlock kFirstChannelValue  {0x009A, 1, 0, "GENERATOR"};  // + channel - 1
inline constexpr RegisterBlock kBatteryVoltage     {0x009E, 1, 0, "GENERATOR"};
inline constexpr RegisterBlock kFirstPhaseVoltage  {0x00A1, 1, 0, "GENERATOR"};  // + phase - 1
inline constexpr RegisterBlock kGeneratorFrequency {0x00A7, 2, 1, "GENERATOR"};
inline constexpr RegisterBlock kFirstPhaseCurrent  {0x00B6, 2, 0, "GENERATOR"};  // + phase - 1
inline constexpr RegisterBlock kTotalActivePower   {0x00C5, 2, 0, "GENERATOR"};
inline constexpr RegisterBlock kLedState           {0x0032, 1, 0, "Led"};
inline constexpr RegisterBlock kMainsState         {0x0057, 1, 0, "Status"};
inline constexpr RegisterBlock kGenSetState        {0x0059, 1, 0, "Status"};
inline constexpr RegisterBlock kTransferSwitchState{0x005A, 1, 0, "Status"};
inline constexpr RegisterBlock kStartFuelOutputs   {0x005F, 1, 0, "I/O"};
inline constexpr RegisterBlock kInputStates        {0x0060, 1, 0, "I/O"};
inline constexpr RegisterBlock kOutputStates       {0x0061, 1, 0, "I/O"};
inline constexpr RegisterBlock kGenSetCounter      {0x008F, 1, 0, "GENERATOR"};
inline constexpr RegisterBlock kDebugValue         {0x0090, 1, 0, "SYSTEM"};
inline constexpr RegisterBlock kStartCount         {0x0098, 1, 0, "GENERATOR"};
// clang-format on
}  // namespace reg

// Register 0x0004 reads this while parameter protection is unlocked.
inline constexpr std::uint16_t kUnlockedMark = 746;

// Operating modes of register 0x0113.
inline constexpr std::uint16_t kModeOff = 198;
inline constexpr std::uint16_t kModeManu = 199;
inline constexpr std::uint16_t kModeAuto = 200;
inline constexpr std::uint16_t kModeTest = 201;

}  // namespace vorel
