#include "site_layout.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "core/register_table.h"

namespace vorel::sim {
namespace {

constexpr std::int16_t kLow = -32768;
constexpr std::int16_t kHigh = 32767;

// A parameter with its factory value and range, or a plain register (full range).
constexpr RegisterDefault P(std::uint16_t address, std::uint16_t value, std::int16_t minimum,
                            std::int16_t maximum) {
  return {address, value, minimum, maximum};
}
constexpr RegisterDefault R(std::uint16_t address, std::uint16_t value) {
  return {address, value, kLow, kHigh};
}

// Factory values. Identity texts (serial number, generator and device name), the product code,
// the controller address, the clock and everything the engine drives are set per site.
// clang-format off
constexpr RegisterDefault kFactory[] = {
    R(0x0000, 0x0003),  // registers initialised, device in order
    R(0x0009, 0x0000),
    R(0x000A, 0x0000),
    R(0x000B, 0x0000),
    R(0x0010, 0x0000),
    P(0x0011, 1, 1, 32),  // CONTROLER_ADDR
    R(0x0039, 0x0001),  // BIN_POLARITY: BI1 (emergency stop) opens to activate
    R(0x003A, 0xC897),  // BI1 emergency stop, always active, shutdown
    R(0x003B, 0x0890),  // BI2 remote off, always active
    R(0x003C, 0xC022),  // BI3 oil pressure switch, shutdown
    R(0x003D, 0xC023),  // BI4 coolant temperature switch, shutdown
    R(0x003E, 0x2824),  // BI5 fuel level switch, always active, warning
    R(0x003F, 0xC04D),  // BI6 belt switch, shutdown
    R(0x0040, 0x0894),  // BI7 MCB feedback
    R(0x0041, 0x0893),  // BI8 GCB feedback
    R(0x0062, 0x1000),
    R(0x0063, 0x0FA0),
    R(0x0064, 0x0FA0),
    R(0x0065, 0x0FA0),
    R(0x006A, 0x2710),
    R(0x006B, 0x2710),
    R(0x006C, 0x2710),
    R(0x006D, 0x2710),
    R(0x006E, 0x2710),
    R(0x006F, 0x2710),
    P(0x0073, 92, 0, 200),     // LCOMPENSATION 0.92, 0.00 to 2.00
    P(0x0074, 117, 116, 117),  // LANGUAGE: English
    P(0x0075, 0, 0, 20),  // DC_DROP, 0.0 to 2.0 V
    R(0x0078, 0x0000),  // BO_POLARITY
    R(0x0079, 160),
    R(0x007A, 161),
    R(0x007B, 167),
    R(0x007C, 164),  // MCB, GCB, horn, idle
    R(0x007D, 165),
    R(0x007E, 166),
    R(0x007F, 162),
    R(0x0080, 169),  // pre-heat, run, not ready, standby
    P(0x0089, 0x2DCD, kLow, kHigh),  // CURR_PROPERTY: cooling, shutdown, cooling, warning
    P(0x0098, 27, 0, kHigh),  // CRANK_COUNT
    R(0x009F, 1234),
    R(0x00A0, 1800),  // RUN_HOURS 1234.5
    P(0x00C2, 10, 0, 50),  // INVERSE_PWR %
    P(0x00C3, 50, 0, 600),  // INVERSE_PWR_DEL 5.0 s
    P(0x00C7, 0, 0, 1),  // STANDBY
    P(0x00C8, 200, 1, 5000),  // GNOMIN_PWR kW
    P(0x00C9, 361, 1, 9999),  // GNOMIN_CUR A
    P(0x00CA, 500, 400, 700),  // GNOMIN_FREQ 50.0 Hz
    P(0x00CB, 400, 100, 1000),  // GNOMIN_VOL V
    P(0x00CC, 118, 1, 500),  // GEAR_TEETH
    P(0x00CD, 1500, 100, 4000),  // GNOMIN_RPM
    P(0x00CE, 1, 0, 9999),
    P(0x00CF, 1, 0, 9999),
    P(0x00D0, 1, 0, 9999),
    P(0x00D1, 1, 0, 9999),
    P(0x00D2, 400, 5, 8000),  // CT_RATIO /5A
    P(0x00D3, 400, 5, 8000),  // NEU_CT_RATIO /5A
    P(0x00D4, 5, 0, 600),  // PRE_START_TIME s
    P(0x00D5, 25, 5, 50),  // START_RPM %
    P(0x00D6, 0, 0, 600),  // PRE_LUBR_TIME s
    P(0x00D7, 8, 1, 60),  // MAX_CRANK_TIME s
    P(0x00D8, 10, 0, 600),  // IDLE_TIME s
    P(0x00D9, 10, 1, 60),  // CRANK_FAIL_PAUSE s
    P(0x00DA, 3, 1, 10),  // CRANK_ATTEMP
    P(0x00DB, 2, 1, 300),  // MIN_STAB_TIME_ s
    P(0x00DC, 137, 137, 138),  // FUEL_VALVE
    P(0x00DD, 10, 1, 300),  // MAX_STAB_TIME_ s
    P(0x00DE, 60, 0, 3600),  // COOLING_TIME s
    P(0x00E0, 250, 0, 30000),  // PM_TIME h
    P(0x00E1, 60, 0, 600),  // HORN_TIMEOUT s
    P(0x00E2, 115, 100, 150),  // OVER_SPEED %
    P(0x00E3, 10, 0, 300),  // PROTECTION_DEL s
    P(0x00E4, 20, 0, 10),  // ANLG1_LEV1 2.0 bar (levels: limits in shown units)
    P(0x00E5, 10, 0, 10),  // ANLG1_LEV2 1.0 bar
    P(0x00E6, 5, 0, 300),  // ANLG1_DEL s
    P(0x00E7, 95, 0, 150),  // ANLG2_LEV1 95 C
    P(0x00E8, 105, 0, 150),  // ANLG2_LEV2 105 C
    P(0x00E9, 5, 0, 300),  // ANLG2_DEL s
    P(0x00EA, 20, 0, 100),  // ANLG3_LEV1 20 %
    P(0x00EB, 10, 0, 100),  // ANLG3_LEV2 10 %
    P(0x00EC, 10, 0, 300),  // ANLG3_DEL s
    P(0x00ED, 180, 80, 400),  // START_BAT_LEV1 18.0 V
    P(0x00EE, 300, 80, 400),  // START_BAT_LEV2 30.0 V
    P(0x00EF, 10, 0, 300),  // START_BAT_DEL s
    P(0x00F0, 110, 50, 200),  // OV_LD %
    P(0x00F1, 0, 0, 200),
    P(0x00F2, 0, 0, 200),
    P(0x00F3, 50, 0, 600),  // OV_LD_DEL 5.0 s
    P(0x00F4, 110, 50, 200),  // OV_CURR %
    P(0x00F5, 30, 0, 600),  // OV_CURR_DEL 3.0 s
    P(0x00F6, 20, 0, 100),  // GNEUTRAL_CURRENT %
    P(0x00F7, 50, 0, 600),
    P(0x00F8, 20, 0, 100),  // GCURR_UNBAL %
    P(0x00F9, 50, 0, 600),
    P(0x00FA, 10, 0, 100),  // VG_UNBAL %
    P(0x00FB, 50, 0, 600),
    P(0x00FC, 85, 50, 100),    // VG_LEV1 % under-voltage
    P(0x00FD, 110, 100, 150),  // VG_LEV2 % over-voltage
    P(0x00FE, 30, 0, 600),     // VG_DEL 3.0 s
    P(0x00FF, 90, 50, 100),    // GFREQ_LEV1 % under-frequency
    P(0x0100, 110, 100, 150),  // GFREQ_LEV2 % over-frequency
    P(0x0101, 30, 0, 600),     // GFREQ_DEL 3.0 s
    P(0x0102, 3, 0, 600),      // MAINS_FAIL_VALID_DEL s
    P(0x0103, 200, 198, 200),  // RET_FROM_TEST: AUTO
    P(0x0104, 186, 186, 188),  // ATS_TYPE
    P(0x0105, 184, 184, 185),  // ATS_LOG
    P(0x0106, 1, 0, 600),  // ATS1_OPEN_DEL s
    P(0x0107, 1, 0, 600),  // ATS1_CLOSE_DEL s
    P(0x0108, 0, 0, 600),
    P(0x0109, 0, 0, 600),
    P(0x010A, 10, 0, 100),  // VM_UNBAL %
    P(0x010B, 50, 0, 600),
    P(0x010C, 85, 50, 100),    // VM_LEV1 % under-voltage
    P(0x010D, 110, 100, 150),  // VM_LEV2 % over-voltage
    P(0x010E, 30, 0, 600),
    P(0x010F, 95, 50, 100),    // MFREQ_LEV1 % under-frequency
    P(0x0110, 105, 100, 150),  // MFREQ_LEV2 % over-frequency
    P(0x0111, 30, 0, 600),
    R(reg::kOperatingMode.address, kModeOff),  // operating mode OFF
    P(0x0117, 5, 0, 600),  // EMERG_START_DEL s
    P(0x0118, 0x0000, kLow, kHigh),  // power save off
    P(0x011A, 1, 1, 1000),           // RPM_RATE
    P(0x011B, 1, 1, 500),            // VOLTAGE_RATIO /1V
    P(0x011C, 10, 0, 100),           // CRANK_OIL_PRE 1.0 bar
    P(0x011D, 90, 50, 100),          // LOW_SPEED %
    P(0x011E, 5, 0, 60),             // UNDER_SPEED_DEL s
    P(0x011F, 2, 0, 60),             // OVER_SPEED_DEL s
    P(0x0120, 1, kLow, kHigh),       // debug address
    // Analogue inputs: AI1 oil pressure (VDO 10 bar, Bar, 1 decimal, under, shutdown),
    // AI2 coolant temperature (VDO 110, C, above, shutdown), AI3 fuel level (VDO Ohm 10-180, %,
    // under, always active, warning).
    R(0x0126, 0xC054),
    R(0x0127, 0xC055),
    R(0x0128, 0x2856),
    R(0x0129, 0x1500),
    R(0x012A, 0x1018),
    R(0x012B, 0x1420),
    R(0x0169, 0x0001),
    R(0x016A, 0x0000),
    R(0x016C, 0x2026),
    R(0x016D, 0x0312),
    R(0x016E, 0x0100),
    R(0x016F, 0x0000),
    R(0x0170, 0x0000),
    R(0x0171, 0x0000),
};
// clang-format on

// Group C (3106, 3109) has inputs 6 to 8 and outputs 4 to 7: emergency stop, oil pressure and
// coolant temperature switches; horn, pre-heat, MCB and GCB.
// clang-format off
constexpr RegisterDefault kGroupC[] = {
    R(0x0039, 0x0020),  // BIN_POLARITY: BI6 (emergency stop) opens to activate
    R(0x003A, 0),
    R(0x003B, 0),
    R(0x003C, 0),
    R(0x003D, 0),
    R(0x003E, 0),
    R(0x003F, 0xC897),  // BI6 emergency stop, always active, shutdown
    R(0x0040, 0xC022),  // BI7 oil pressure switch, shutdown
    R(0x0041, 0xC023),  // BI8 coolant temperature switch, shutdown
    R(0x0079, 0),
    R(0x007A, 0),
    R(0x007B, 0),
    R(0x007C, 167),     // BO4 alarm horn
    R(0x007D, 165),     // BO5 pre-heat
    R(0x007E, 160),     // BO6 MCB
    R(0x007F, 161),     // BO7 GCB
    R(0x0080, 0),
};
// clang-format on
// Group D (3113) has seven outputs.
constexpr RegisterDefault kGroupD[] = {R(0x0080, 0)};

struct TypeBinaryLayout {
  std::uint16_t type;
  BinaryLayout layout;
};
// clang-format off
constexpr TypeBinaryLayout kBinaryLayouts[] = {
    {3101, {0xFF, 0xFF, false, 0, 0}},
    {3102, {0xFF, 0xFF, false, 0, 0}},
    {3103, {0xFF, 0xFF, false, 0, 0}},
    {3104, {0xFF, 0xFF, false, 0, 0}},
    {3105, {0x1F, 0x07, false, 0, 0}},
    {3108, {0x1F, 0x07, false, 0, 0}},
    {3110, {0x1F, 0x07, false, 0, 0}},
    {3111, {0x1F, 0x07, false, 0, 0}},
    {3112, {0x1F, 0x07, false, 0, 0}},
    {3106, {0xE0, 0x78, true,  5, 3}},
    {3109, {0xE0, 0x78, true,  5, 3}},
    {3113, {0xFF, 0x7F, false, 0, 0}},
};
// clang-format on
constexpr BinaryLayout kOtherBinaryLayout{0xFF, 0xFF, false, 0, 0};

constexpr Curve kCurves[3] = {
    // AI1 oil pressure in tenths of a bar against ohms.
    {{0, 10, 20, 30, 40, 50, 60, 70, 80, 100}, {10, 31, 52, 71, 90, 105, 124, 140, 155, 184}},
    // AI2 coolant temperature in C against ohms (falling).
    {{40, 50, 60, 70, 80, 90, 100, 110, 120, 130}, {287, 197, 134, 97, 70, 51, 38, 29, 22, 17}},
    // AI3 fuel level in % against ohms.
    {{0, 11, 22, 33, 44, 56, 67, 78, 89, 100}, {10, 29, 48, 67, 86, 104, 123, 142, 161, 180}},
};
// clang-format on

// A run of items: from `first` to `last`, each `each` registers long.
struct Run {
  std::uint16_t first;
  std::uint16_t last;
  std::uint8_t each;
};

template <std::size_t N, std::size_t R>
constexpr std::array<BlockItem, N> Expand(const Run (&runs)[R]) {
  std::array<BlockItem, N> out{};
  std::size_t n = 0;
  for (const Run& r : runs) {
    for (unsigned a = r.first; a <= r.last; a += r.each) {
      if (n < N) out[n] = {static_cast<std::uint16_t>(a), r.each};
      ++n;
    }
  }
  if (n != N) throw "item count differs from the block count";  // compile-time check
  return out;
}

// Live values: everything the monitor and the protection display show.
// clang-format off
constexpr Run kLiveRuns[] = {
    {0x0000, 0x0000, 4},
    {0x0004, 0x0004, 1},
    {0x000C, 0x000C, 2},
    {0x000E, 0x000E, 2},
    {0x001A, 0x001A, 16},
    {0x0032, 0x0032, 1},
    {0x004A, 0x0055, 1},
    {0x0056, 0x005E, 1},
    {0x005F, 0x0061, 1},
    {0x008F, 0x0090, 1},
    {0x0098, 0x009C, 1},
    {0x009E, 0x009E, 1},
    {0x009F, 0x009F, 2},
    {0x00A1, 0x00AE, 1},
    {0x00B6, 0x00B9, 1},
    {0x00BA, 0x00BF, 1},
    {0x00C0, 0x00C1, 1},
    {0x00C4, 0x00C6, 1},
    {0x0113, 0x0113, 1},
    {0x0168, 0x0168, 1},
};
// Parameter group 1: everything the parameter write sends by descriptor, that is every register
// the parameter window stores except those it writes in steps of their own (calibrations,
// counters, clock, power save, serial number, channel words). The four load-only nominal
// values of 0x00CE share one item so that the debug address and the second ATS delays fit.
constexpr Run kGroup1Runs[] = {
    {0x0004, 0x0004, 1},
    {0x0011, 0x0011, 1},
    {0x0012, 0x0012, 8},
    {0x0074, 0x0074, 1},
    {0x0089, 0x0089, 1},
    {0x00C2, 0x00C3, 1},
    {0x00C8, 0x00CD, 1},
    {0x00CE, 0x00CE, 4},
    {0x00D2, 0x00D3, 1},
    {0x00D4, 0x00DE, 1},
    {0x00E0, 0x00EF, 1},
    {0x00F0, 0x00F1, 1},
    {0x00F3, 0x0101, 1},
    {0x0102, 0x0109, 1},
    {0x010A, 0x0111, 1},
    {0x0117, 0x0117, 1},
    {0x011B, 0x011F, 1},
    {0x0120, 0x0120, 1},
};
// Group 2: system registers written by their own steps, factory and load-only values (the
// second ATS delays and the debug address again, as the controller lists them in both).
constexpr Run kGroup2Runs[] = {
    {0x0005, 0x0005, 1},
    {0x0006, 0x0006, 3},
    {0x0009, 0x000B, 1},
    {0x0010, 0x0010, 1},
    {0x0062, 0x0072, 1},
    {0x0073, 0x0073, 1},
    {0x0075, 0x0075, 1},
    {0x0098, 0x0098, 1},
    {0x009F, 0x009F, 2},
    {0x00C7, 0x00C7, 1},
    {0x00F2, 0x00F2, 1},
    {0x0108, 0x0109, 1},
    {0x0118, 0x0118, 1},
    {0x011A, 0x011A, 1},
    {0x0120, 0x0120, 1},
};
// clang-format on
// Group 3: binary inputs and outputs.
// clang-format off
constexpr Run kGroup3Runs[] = {
    {0x0039, 0x0041, 1},
    {0x0042, 0x0046, 4},
    {0x0078, 0x0080, 1},
    {0x0081, 0x0081, 8},
};
// clang-format on
// Group 4: the analogue channel words and the three sensor curves.
constexpr Run kGroup4Runs[] = {{0x0126, 0x0167, 1}};

constexpr auto kLive = Expand<reg::kLiveConfig.count>(kLiveRuns);
constexpr auto kGroup1 = Expand<reg::kParamConfig1.count>(kGroup1Runs);
constexpr auto kGroup2 = Expand<reg::kParamConfig2.count>(kGroup2Runs);
constexpr auto kGroup3 = Expand<reg::kParamConfig3.count>(kGroup3Runs);
constexpr auto kGroup4 = Expand<reg::kParamConfig4.count>(kGroup4Runs);

// The areas never asked for by the tool answer with parts of the live list (0x8031 to 0x8033)
// and with parameter group 1 (0x8034).
constexpr std::span<const BlockItem> kLiveSpan{kLive};
static_assert(reg::kValueConfigA.count <= kLive.size() && reg::kValueConfigB.count <= kLive.size());

const BlockLayout kLayouts[] = {
    {reg::kLiveConfig.address, reg::kLiveValues.address, false, kLive},
    {reg::kParamConfig1.address, reg::kParamValues1.address, true, kGroup1},
    {reg::kParamConfig2.address, reg::kParamValues2.address, true, kGroup2},
    {reg::kParamConfig3.address, reg::kParamValues3.address, true, kGroup3},
    {reg::kParamConfig4.address, reg::kParamValues4.address, true, kGroup4},
    {reg::kValueConfigA.address, 0x8041, false, kLiveSpan.first(reg::kValueConfigA.count)},
    {reg::kValueConfigB.address, 0x8042, false, kLiveSpan.last(reg::kValueConfigB.count)},
    {reg::kValueConfigC.address, 0x8043, false, kLiveSpan.last(reg::kValueConfigC.count)},
    {reg::kWriteCountConfig.address, 0x8044, true, kGroup1},
};

}  // namespace

std::span<const RegisterDefault> FactoryRegisters() {
  return kFactory;
}

std::optional<RegisterDefault> FindFactoryRegister(std::uint16_t address) {
  for (const RegisterDefault& r : kFactory) {
    if (r.address == address) return r;
  }
  return std::nullopt;
}

std::span<const RegisterDefault> TypeRegisters(std::uint16_t type) {
  if (type == 3106 || type == 3109) return kGroupC;
  if (type == 3113) return kGroupD;
  return {};
}

BinaryLayout BinaryLayoutOf(std::uint16_t type) {
  for (const TypeBinaryLayout& t : kBinaryLayouts) {
    if (t.type == type) return t.layout;
  }
  return kOtherBinaryLayout;
}

std::span<const Curve, 3> FactoryCurves() {
  return std::span<const Curve, 3>(kCurves);
}

std::span<const BlockLayout> BlockLayouts() {
  return kLayouts;
}

const BlockLayout* FindLayout(std::uint16_t address) {
  for (const BlockLayout& l : kLayouts) {
    if (l.config == address || l.value == address) return &l;
  }
  return nullptr;
}

bool IsParameterRegister(std::uint16_t address) {
  for (const BlockLayout& l : kLayouts) {
    if (!l.parameters) continue;
    for (const BlockItem& item : l.items) {
      if (address >= item.address && address < item.address + item.count) return true;
    }
  }
  return false;
}

}  // namespace vorel::sim
