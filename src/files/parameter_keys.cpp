#include "files/parameter_keys.h"

#include <deque>
#include <string>
#include <vector>

#include "core/parameter_table.h"
#include "core/register_table.h"

namespace vorel {
namespace {

// clang-format off
constexpr std::string_view kSections[] = {
    "SYSTEM",
    "Product Information",
    "GENERATOR",
    "BASIC SETPOINT",
    "ENGINE",
    "ENG PROTECT",
    "GEN PROTECT",
    "CurrProperty",
    "MAINS PROTECT",
    "ENG_SETPOINT",
    "Sensor",
    "IOProperty",
};
// clang-format on

// A value key of the file. What it holds (section, register, form, editor and limit keys) is
// what the parameter table row that carries the key says; the other columns are the file's own
// oddities.
struct FileKey {
  std::string_view key;
  std::string_view loadDefault = "0";  // read when the key or its section is missing
  bool loadOnly = false;               // read by a load, never written by a save
  KeyRole role = KeyRole::Value;
  // A key that no row carries: its section and register.
  std::string_view section{};
  std::uint16_t reg = 0;
  std::optional<ValueForm> form{};  // where the file does not follow the row's scaling
  std::optional<LoadRule> rule{};   // where a load does not read the form back
  // Limit keys that follow the key although its row has none, and the editor they belong to.
  std::string_view minKey{};
  std::string_view maxKey{};
  std::string_view limitsOf{};
  bool limitsOfflineOnly = false;  // read only when a file opens a new offline window
};

constexpr FileKey Key(std::string_view key, std::string_view loadDefault = "0") {
  return {.key = key, .loadDefault = loadDefault};
}
// A key only a load reads, set to its default when missing.
constexpr FileKey LoadOnly(std::string_view key, std::string_view section = {},
                           std::uint16_t reg = 0, std::string_view loadDefault = "0") {
  return {.key = key, .loadDefault = loadDefault, .loadOnly = true, .section = section, .reg = reg};
}
// Keys whose file form is not the row's scaling.
constexpr FileKey Form(std::string_view key, ValueForm form) {
  return {.key = key, .form = form};
}

// The value keys in the order a save writes them, each followed at once by its limit keys (a
// new file holds them section by section in this order), and a load reads them: the limits of
// all keys first, then the values, the device name last.
// clang-format off
constexpr FileKey kValueKeys[] = {
    Key("LANGUAGE"),
    {.key = "DEV_NAME", .loadDefault = "No Device Information", .role = KeyRole::DeviceName,
     .section = "Product Information", .form = ValueForm::Text},
    {.key = "PRODUCT_CODE", .section = "Product Information", .reg = reg::kProductCode.address},
    Key("LCOMPENSATION"), Key("CRANK_COUNT"), Key("RUN_HOURS"), Key("DC_DROP"), Key("RPM_RATE"),
    Key("CONTROLER_ADDR"),
    Key("GNOMIN_PWR", "1"), Key("GNOMIN_CUR", "1"), Key("GNOMIN_FREQ", "45"),
    Key("GNOMIN_VOL", "1"), Key("GEAR_TEETH"), Key("GNOMIN_RPM", "1"),
    LoadOnly("L1NOMIN_PWR", "BASIC SETPOINT", 0x00CE, "1"),
    LoadOnly("L1NOMIN_CUR", "BASIC SETPOINT", 0x00CF, "1"),
    LoadOnly("L2NOMIN_PWR", "BASIC SETPOINT", 0x00D0, "1"),
    LoadOnly("L2NOMIN_CUR", "BASIC SETPOINT", 0x00D1, "1"),
    Key("CT_RATIO", "1"), Key("NEU_CT_RATIO", "1"), Key("VOLTAGE_RATIO", "1"),
    Key("PRE_START_TIME"), Key("START_RPM"),
    // The pre-lubrication limits are the pre-start editor's.
    {.key = "PRE_LUBR_TIME", .minKey = "PRE_LUBR_TIME_MIN", .maxKey = "PRE_LUBR_TIME_MAX",
     .limitsOf = "sePreStartTime"},
    Key("MAX_CRANK_TIME"), Key("IDLE_TIME"), Key("CRANK_ATTEMP"), Key("CRANK_FAIL_PAUSE"),
    Key("MIN_STAB_TIME_"), Key("FUEL_VALVE"), Key("MAX_STAB_TIME_"), Key("COOLING_TIME"),
    // In tenths whatever decimals the oil pressure channel shows.
    Form("CRANK_OIL_PRE", ValueForm::Tenths),
    LoadOnly("STANDBY", "ENG PROTECT", 0x00C7),
    Key("PM_TIME"), Key("HORN_TIMEOUT"), Key("LOW_SPEED"), Key("UNDER_SPEED_DEL"),
    Key("OVER_SPEED"), Key("OVER_SPEED_DEL"), Key("PROTECTION_DEL"),
    Key("ANLG1_LEV1"), Key("ANLG1_LEV2"), Key("ANLG1_DEL"),
    Key("ANLG2_LEV1"), Key("ANLG2_LEV2"), Key("ANLG2_DEL"),
    Key("ANLG3_LEV1"), Key("ANLG3_LEV2"), Key("ANLG3_DEL"),
    // A first reading of the battery keys, all three in tenths; the second one below wins.
    LoadOnly("START_BAT_LEV1"), LoadOnly("START_BAT_LEV2"),
    {.key = "START_BAT_DEL", .loadOnly = true, .rule = LoadRule::Times10},
    Key("OV_LD"),
    LoadOnly("L1_OV_LD", "GEN PROTECT", 0x00F1), LoadOnly("L2_OV_LD", "GEN PROTECT", 0x00F2),
    Key("OV_LD_DEL"), Key("OV_CURR"), Key("OV_CURR_DEL"), Key("GNEUTRAL_CURRENT"),
    Key("GNEUTRAL_CURRENT_DEL"), Key("GCURR_UNBAL"), Key("GCURR_UNBAL_DEL"), Key("VG_UNBAL"),
    Key("VG_UNBAL_DEL"), Key("VG_LEV1"), Key("VG_LEV2"), Key("VG_DEL"), Key("GFREQ_LEV1"),
    Key("GFREQ_LEV2"), Key("GFREQ_DEL"),
    Key("INVERSE_PWR"), Key("INVERSE_PWR_DEL"),
    Key("CURR_PROPERTY"),
    Key("MAINS_FAIL_VALID_DEL"), Key("RET_FROM_TEST"), Key("ATS_TYPE"), Key("ATS_LOG"),
    Key("ATS1_OPEN_DEL"), Key("ATS1_CLOSE_DEL"), LoadOnly("ATS2_OPEN_DEL"),
    LoadOnly("ATS2_CLOSE_DEL"),
    // The file holds the raw words of the three mains delays and the frequency limits in their
    // shortest form.
    Key("VM_UNBAL"), Form("VM_UNBAL_DEL", ValueForm::Integer), Key("VM_LEV1"), Key("VM_LEV2"),
    Form("VM_DEL", ValueForm::Integer), Form("MFREQ_LEV1", ValueForm::General),
    Form("MFREQ_LEV2", ValueForm::General), Form("MFREQ_DEL", ValueForm::Integer),
    Key("START_BAT_LEV1"), Key("START_BAT_LEV2"), Key("START_BAT_DEL"),
    {.key = "EMERG_START_DEL", .limitsOfflineOnly = true},
};
// clang-format on

// The row that carries a value key. Several rows that share one key (the current protection
// lists share one word) name no single editor.
struct KeyRow {
  const ParameterRow* row = nullptr;
  bool shared = false;
};
KeyRow FindKeyRow(std::string_view key) {
  KeyRow found;
  for (const ParameterRow& r : ParameterTable()) {
    if (r.key != key) continue;
    if (found.row)
      found.shared = true;
    else
      found.row = &r;
  }
  return found;
}

// A scaled editor's word divided by its factor; any other register as its raw word.
ValueForm FormOf(const ParameterRow& row) {
  if (row.conversion == Conversion::RunHours) return ValueForm::RunHours;
  if (row.conversion != Conversion::Scaled) return ValueForm::Integer;
  if (row.factor == 10) return ValueForm::Tenths;
  if (row.factor == 100) return ValueForm::Hundredths;
  return ValueForm::Integer;
}

LoadRule RuleOf(ValueForm form) {
  switch (form) {
    case ValueForm::Integer:
      return LoadRule::Integer;
    case ValueForm::Tenths:
      return LoadRule::Times10;
    case ValueForm::Hundredths:
      return LoadRule::Times100;
    case ValueForm::General:
      return LoadRule::Number;
    case ValueForm::RunHours:
      return LoadRule::RunHours;
    case ValueForm::Fixed:
      return LoadRule::Decimal;
    case ValueForm::Text:
      return LoadRule::Text;
  }
  return LoadRule::Integer;
}

struct Layout {
  std::deque<std::string> names;  // the [Sensor] and [IOProperty] keys (stable addresses)
  std::vector<ParameterKey> keys;
  std::vector<ParameterLoadStep> steps;
};

Layout Build() {
  Layout layout;
  std::vector<ParameterKey> written;  // in writing order
  std::vector<ParameterLoadStep> limits;
  std::vector<ParameterLoadStep> values;
  std::vector<ParameterLoadStep> deviceName;

  auto addLimit = [&](const ParameterKey& value, KeyRole role, std::string_view key,
                      std::string_view editor, bool offlineOnly) {
    if (key.empty()) return;
    written.push_back({value.section, key, role, 0, ValueForm::Fixed, editor});
    limits.push_back({value.section, key, role, 0, LoadRule::Decimal, "0", editor, offlineOnly});
  };
  for (const FileKey& f : kValueKeys) {
    const KeyRow found = FindKeyRow(f.key);
    const ParameterRow* row = found.row;
    const ParameterKey value{
        .section = row ? row->section : f.section,
        .key = f.key,
        .role = f.role,
        .reg = row ? row->reg : f.reg,
        .form = f.form.value_or(row ? FormOf(*row) : ValueForm::Integer),
        .editor = row && !found.shared ? row->name : std::string_view{},
    };
    (f.role == KeyRole::DeviceName ? deviceName : values)
        .push_back({value.section, value.key, value.role, value.reg,
                    f.rule.value_or(RuleOf(value.form)), f.loadDefault, value.editor});
    if (f.loadOnly) continue;
    written.push_back(value);
    const std::string_view editor = f.limitsOf.empty() ? value.editor : f.limitsOf;
    addLimit(value, KeyRole::Minimum, row && f.minKey.empty() ? row->minKey : f.minKey, editor,
             f.limitsOfflineOnly);
    addLimit(value, KeyRole::Maximum, row && f.maxKey.empty() ? row->maxKey : f.maxKey, editor,
             f.limitsOfflineOnly);
  }

  // One [Sensor] or [IOProperty] key per register, saved and loaded as the plain word.
  auto addWord = [&](std::string_view section, std::string name, std::uint16_t reg) {
    const std::string_view key = layout.names.emplace_back(std::move(name));
    written.push_back({section, key, KeyRole::Value, reg, ValueForm::Integer, {}});
    values.push_back({section, key, KeyRole::Value, reg, LoadRule::Integer, "0", {}});
  };
  for (const RegisterBlock& first : {reg::kAnalogueProperty1, reg::kAnalogueProperty2}) {
    const char property = first == reg::kAnalogueProperty1 ? '1' : '2';
    for (int channel = 1; channel <= 3; ++channel) {
      addWord("Sensor", "ANLG" + std::to_string(channel) + "_PROPERTY" + property,
              static_cast<std::uint16_t>(first.address + channel - 1));
    }
  }
  for (const RegisterBlock& first : {reg::kCurveValues, reg::kCurveResistances}) {
    const std::string kind = first == reg::kCurveValues ? "_VAL" : "_RES";
    for (int chart = 0; chart < 3; ++chart) {
      for (int point = 1; point <= 10; ++point) {
        addWord("Sensor",
                "CHART_" + std::string(1, static_cast<char>('A' + chart)) + kind +
                    std::to_string(point),
                static_cast<std::uint16_t>(first.address + 10 * chart + point - 1));
      }
    }
  }
  const struct {
    std::string_view prefix;
    std::string_view polarityKey;
    RegisterBlock polarity;
    RegisterBlock first;
  } kIo[] = {{"BI", "BIN_POLARITY", reg::kInputPolarity, reg::kFirstInputProperty},
             {"BO", "BO_POLARITY", reg::kOutputPolarity, reg::kFirstOutputProperty}};
  for (const auto& io : kIo) {
    addWord("IOProperty", std::string(io.polarityKey), io.polarity.address);
    for (int group = 0; group < 2; ++group) {
      for (int slot = 1; slot <= 8; ++slot) {
        addWord("IOProperty",
                std::string(io.prefix) + std::to_string(group) + std::to_string(slot) + "_PROPERTY",
                static_cast<std::uint16_t>(io.first.address + 8 * group + slot - 1));
      }
    }
  }

  // A new file holds the sections in their order, each with its keys in writing order.
  for (std::string_view section : kSections) {
    for (const ParameterKey& key : written) {
      if (key.section == section) layout.keys.push_back(key);
    }
  }
  layout.steps = std::move(limits);
  layout.steps.insert(layout.steps.end(), values.begin(), values.end());
  layout.steps.insert(layout.steps.end(), deviceName.begin(), deviceName.end());
  return layout;
}

const Layout& TheLayout() {
  static const Layout layout = Build();
  return layout;
}

}  // namespace

std::span<const std::string_view> ParameterFileSections() {
  return kSections;
}

std::span<const ParameterKey> ParameterFileKeys() {
  return TheLayout().keys;
}

std::optional<std::size_t> FindParameterKey(std::string_view key) {
  const std::vector<ParameterKey>& keys = TheLayout().keys;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (keys[i].key == key) return i;
  }
  return std::nullopt;
}

std::span<const ParameterLoadStep> ParameterLoadSteps() {
  return TheLayout().steps;
}

}  // namespace vorel
