#include "core/site_summary.h"

#include <algorithm>

#include "core/alarm_codes.h"
#include "core/conversions.h"
#include "core/cp936.h"
#include "core/language.h"
#include "core/register_table.h"
#include "core/site_images.h"

namespace vorel {
namespace {

constexpr std::uint16_t kHighlightBit = 0x0800;
constexpr int kVoltageL1L2 = 0x00A4;  // the monitor's Ph-Ph row, first column

struct EngineStep {
  std::int16_t genSetState;
  EngineState engine;
};

// Every state of the gen-set state table, by what the engine does in it.
// clang-format off
constexpr EngineStep kEngineSteps[] = {
    {289, EngineState::OnLoad},    // loaded A / over load
    {290, EngineState::Stopped},   // fail stop
    {291, EngineState::Stopped},   // preparation failed
    {292, EngineState::Running},   // minimum stabilisation
    {293, EngineState::Running},   // maximum stabilisation
    {294, EngineState::Cranking},  // prepare
    {295, EngineState::Running},   // under speed
    {296, EngineState::Running},   // over speed
    {297, EngineState::Running},
    {299, EngineState::Stopped},   // error
    {300, EngineState::Stopped},   // empty
    {301, EngineState::Stopped},   // init
    {302, EngineState::Stopped},   // not ready
    {303, EngineState::Cranking},  // pre-start
    {304, EngineState::Cranking},
    {305, EngineState::Cranking},  // pause between attempts
    {306, EngineState::Cranking},  // starting
    {307, EngineState::Running},   // idle
    {308, EngineState::OnLoad},
    {309, EngineState::Stopped},   // manual stop
    {310, EngineState::Stopped},   // shutdown
    {311, EngineState::Stopped},   // speed sensing failed
    {312, EngineState::Stopped},   // ready
    {313, EngineState::Running},   // cooling
    {314, EngineState::Running},   // unload alarm
    {315, EngineState::Running},   // regulator failed
    {316, EngineState::Running},   // unloading
    {321, EngineState::Running},   // generator breaker open
    {327, EngineState::OnLoad},    // taking the load
};

struct EngineWords {
  std::string_view name;
  BilingualText text;
};
constexpr EngineWords kEngineWords[] = {
    {"stopped",  {"Stopped",  "停机"}},
    {"cranking", {"Cranking", "正在启动"}},
    {"running",  {"Running",  "正在运行"}},
    {"on-load",  {"On load",  "接负载"}},
    {"unknown",  {"",         ""}},
};

constexpr EngineWords kSeverityWords[] = {
    {"warning",  {"Warning",  "警告"}},
    {"unload",   {"Unload",   "卸载"}},
    {"shutdown", {"Shutdown", "停机"}},
};
// clang-format on

std::size_t Index(auto value) {
  return static_cast<std::size_t>(value);
}

std::int16_t Signed(const SiteImages& images, int site, int address) {
  return static_cast<std::int16_t>(images.Word(site, address));
}

ScaledNumber Number(const SiteImages& images, int site, const MonitorSource& source) {
  return MonitorNumber(images, site, source).value_or(ScaledNumber{});
}

// Removes from `from` one line of each code in `taken`, keeping the order of the rest.
std::vector<SiteAlarm> Without(std::span<const SiteAlarm> from, std::span<const SiteAlarm> taken) {
  std::vector<std::uint16_t> left;
  left.reserve(taken.size());
  for (const SiteAlarm& a : taken) left.push_back(a.code);
  std::vector<SiteAlarm> rest;
  for (const SiteAlarm& a : from) {
    const auto it = std::find(left.begin(), left.end(), a.code);
    if (it != left.end()) {
      left.erase(it);
    } else {
      rest.push_back(a);
    }
  }
  return rest;
}

}  // namespace

EngineState EngineStateOf(std::int16_t genSetState) {
  for (const EngineStep& s : kEngineSteps) {
    if (s.genSetState == genSetState) return s.engine;
  }
  return EngineState::Unknown;
}

std::string EngineStateText(EngineState state) {
  return std::string(kEngineWords[Index(state)].text.Pick());
}

std::string_view EngineStateName(EngineState state) {
  return kEngineWords[Index(state)].name;
}

AlarmSeverity AlarmSeverityOf(std::uint16_t code) {
  switch (code >> 12) {
    case 0x4:
      return AlarmSeverity::Shutdown;
    case 0x8:
      return AlarmSeverity::Unload;
    default:
      return AlarmSeverity::Warning;
  }
}

std::string_view AlarmSeverityName(AlarmSeverity severity) {
  return kSeverityWords[Index(severity)].name;
}

std::string AlarmSeverityText(AlarmSeverity severity) {
  return std::string(kSeverityWords[Index(severity)].text.Pick());
}

std::vector<SiteAlarm> SiteAlarms(const SiteImages& images, int site) {
  std::vector<SiteAlarm> alarms;
  const std::uint16_t type = images.Word(site, reg::kProductCode.address);
  for (int i = 0; i < kAlarmLines; ++i) {
    const std::uint16_t word = images.Word(site, reg::kAlarmList.address + i);
    const AlarmLine line = AlarmLineOf(type, word);
    if (!line.shown) continue;
    const auto code = static_cast<std::uint16_t>(word | kHighlightBit);
    alarms.push_back({code, line.highlighted, line.text, AlarmSeverityOf(code)});
  }
  return alarms;
}

SiteSummary SummarizeSite(const SiteImages& images, int site) {
  SiteSummary s;
  s.site = site;
  s.productCode = images.Word(site, reg::kProductCode.address);
  s.deviceName = Cp936ToUtf8(images.DeviceNameText(site));
  s.generatorName = GeneratorNameText(images, site);
  const std::uint16_t mode = images.Word(site, reg::kOperatingMode.address);
  s.mode = OperatingModeOf(mode);
  s.modeText = s.mode ? OperatingModeText(*s.mode) : SignedHexText(static_cast<std::int16_t>(mode));
  s.genSetState = Signed(images, site, reg::kGenSetState.address);
  s.engine = EngineStateOf(s.genSetState);
  s.engineText = s.engine == EngineState::Unknown ? GenSetStateText(s.productCode, s.genSetState)
                                                  : EngineStateText(s.engine);
  s.activePowerKw =
      Number(images, site, {MonitorSourceKind::Register, reg::kTotalActivePower.address, 1});
  s.voltageL1L2 = Number(images, site, {MonitorSourceKind::Register, kVoltageL1L2, 1});
  s.frequencyHz = Number(images, site, kGeneratorFrequencySource);
  s.batteryVolts = Number(images, site, kBatterySource);
  s.alarms = SiteAlarms(images, site);
  return s;
}

AlarmChanges CompareAlarms(std::span<const SiteAlarm> previous,
                           std::span<const SiteAlarm> current) {
  return {Without(current, previous), Without(previous, current)};
}

}  // namespace vorel
