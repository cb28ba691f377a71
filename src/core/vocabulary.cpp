#include "core/vocabulary.h"

#include "core/language.h"

namespace vorel {
namespace {

using K = FunctionKind;

// clang-format off
constexpr FunctionCodeName kFunctions[] = {
    {34, {"Oil presure switch", "油压开关"}, K::Input},
    {35, {"Coolant temp. switch", "水温开关"}, K::Input},
    {36, {"Fuel level switch", "油位开关"}, K::Input},
    {77, {"Belt switch", "皮带开关"}, K::Input},
    {78, {"Coolant level switch", "水位开关"}, K::Input},
    {79, {"Body temp. switch", "缸温开关"}, K::Input},
    {84, {"Oil Pressure", "油压"}, K::AnalogueSensor},
    {85, {"Coolant Temp.", "水温"}, K::AnalogueSensor},
    {86, {"Fuel Level", "油位"}, K::AnalogueSensor},
    {87, {"Oil Temp.", "油温"}, K::AnalogueSensor},
    {88, {"Body Temp.", "缸温"}, K::AnalogueSensor},
    {144, {"Remote off", "遥控关闭"}, K::Input},
    {145, {"Mode input 0", "模式输入0"}, K::Input},
    {146, {"Mode input 1", "模式输入1"}, K::Input},
    {147, {"GCB0 feedback", "GCB0反馈"}, K::Input},
    {148, {"MCB0 feedback", "MCB0反馈"}, K::Input},
    {149, {"GCB1 feedback", "GCB1反馈"}, K::InputNameOnly},
    {150, {"MCB1 feedback", "MCB1反馈"}, K::InputNameOnly},
    {151, {"Emergency stop", "紧急停机"}, K::Input},
    {152, {"Pump feedback", "油泵开关"}, K::InputNameOnly},
    {153, {"Fan feedback", "风机开关"}, K::InputNameOnly},
    {154, {"Airdoor feedback", "风门开关"}, K::InputNameOnly},
    {155, {"Mode access lock", "模式锁定"}, K::Input},
    {156, {"Remote start/stop", "远端启动"}, K::Input},
    {157, {"Reserve 1", "自定义一"}, K::Input},
    {158, {"Reserve 2", "自定义二"}, K::Input},
    {159, {"Speed up feedback", "升速反馈"}, K::Input},
    {208, {"Speed down feedback", "降速反馈"}, K::Input},
    {209, {"Oil temp. switch", "油温开关"}, K::Input},
    {210, {"Airin door opened", "进风门开"}, K::Input},
    {211, {"Airin door closed", "进风门关"}, K::Input},
    {212, {"Airout door opened", "排风门开"}, K::Input},
    {213, {"Airout door closed", "排风门关"}, K::Input},
    {160, {"MCB control", "MCB0控制"}, K::Output},
    {161, {"GCB control", "GCB0控制"}, K::Output},
    {162, {"Generator set not ready", "机组故障"}, K::Output},
    {163, {"Mains failure", "市电故障"}, K::Output},
    {164, {"Idle control", "怠速输出"}, K::Output},
    {165, {"Pre-heat control", "预热输出"}, K::Output},
    {166, {"Generator set running", "机组运行"}, K::Output},
    {167, {"Alarm horn", "报警输出"}, K::Output},
    {168, {"Self test error", "自检故障"}, K::Output},
    {169, {"Standby at AUTO mode", "自动备机"}, K::Output},
    {170, {"Unload", "卸载输出"}, K::Output},
    {171, {"Speed up control", "升速输出"}, K::Output},
    {172, {"Speed down control", "降速输出"}, K::Output},
    {173, {"Pump control", "油泵输出"}, K::Output},
    {174, {"Inverse power", "逆功输出"}, K::Output},
    {175, {"Airdoor controler", "风门控制"}, K::Output},
};

constexpr std::uint16_t kAnalogueCodes[kAnalogueFunctionCount] = {84, 85, 86, 87, 88, 148, 147, 151, 144, 77, 78, 145, 146, 155, 156, 157, 158, 159, 208, 210, 211, 212, 213};
constexpr std::uint16_t kInputCodes[kInputFunctionCount] = {148, 147, 151, 144, 34, 35, 79, 36, 77, 78, 145, 146, 155, 156, 157, 158, 159, 208, 209, 210, 211, 212, 213};
constexpr std::uint16_t kOutputCodes[kOutputFunctionCount] = {160, 161, 162, 163, 164, 165, 166, 167, 168, 169, 170, 171, 172, 173, 174, 175};

constexpr AlarmAction kActions[kAlarmActionCount] = {
    {{"Mask", "屏蔽"}, 0x0},
    {{"Warning", "报警"}, 0x2},
    {{"Electrical log", "历史记录"}, 0x1},
    {{"Unload", "报警卸载"}, 0x8},
    {{"Cooling", "报警卸载冷却运行"}, 0xD},
    {{"Shutdown", "报警卸载停机"}, 0xC},
};
// clang-format on

// A sensor type list is built by placing each entry at the position its code gives.
template <std::size_t N>
constexpr std::array<SensorType, N> BuildSensorList(std::initializer_list<SensorType> entries) {
  std::array<SensorType, N> list{};
  for (const SensorType& e : entries) list[static_cast<std::size_t>(e.code)] = e;
  return list;
}

// Codes 0 to 3 are the same in every list.
// clang-format off
constexpr SensorType kUnused{0, {"Unused", "通道关闭"}};
constexpr SensorType kBinaryClose{1, {"Binary(Close to activate)", "开关(闭合-激活)"}};
constexpr SensorType kBinaryOpen{2, {"Binary(Open to activate)", "开关(断开-激活)"}};
constexpr SensorType kUserDefined{3, {"User defined", "自定义"}};

constexpr auto kPressure = BuildSensorList<11>({
    kUnused,
    kBinaryClose,
    kBinaryOpen,
    kUserDefined,
    {4, {"VDO 5 bar", "VDO 5 bar"}},
    {5, {"VDO 10 bar", "VDO 10 bar"}},
    {6, {"Datcon 5 bar", "Datcon 5 bar"}},
    {7, {"Datcon 7 bar", "Datcon 7 bar"}},
    {8, {"Datcon 10 bar", "Datcon 10 bar"}},
    {9, {"Murphy 7 bar", "Murphy 7 bar"}},
    {10, {"Chaodao 10 bar", "超导 10 bar"}},
});
constexpr auto kTemperature = BuildSensorList<13>({
    kUnused,
    kBinaryClose,
    kBinaryOpen,
    kUserDefined,
    {4, {"VDO 110", "VDO 110"}},
    {5, {"Datcon high", "Datcon high"}},
    {6, {"Datcon low", "Datcon low"}},
    {7, {"Murphy", "Murphy"}},
    {8, {"Cummins", "Cummins"}},
    {9, {"PT1000", "PT1000"}},
    {10, {"PT100 ", "PT100 "}},
    {11, {"Curtis TS002", "Curtis TS002"}},
    {12, {"Daewoo(ABZ)", "Daewoo(ABZ)"}},
});
constexpr auto kLevel = BuildSensorList<6>({
    kUnused,
    kBinaryClose,
    kBinaryOpen,
    kUserDefined,
    {4, {"4-20mA/100", "4-20mA/100"}},
    {5, {"VDO Ohm 10-180", "VDO Ohm 10-180"}},
});
constexpr auto kBinaryOnly = BuildSensorList<3>({kUnused, kBinaryClose, kBinaryOpen});

constexpr std::string_view kUnits[kUnitCount] = {
    "Bar",
    "℃",
    "%",
    "℉",
    "PSI",
    "MPa",
    "KPa",
    "[-]",
};
constexpr std::string_view kBracketedUnits[kUnitCount] = {
    "(Bar)",
    "(℃)",
    "(%)",
    "(℉)",
    "(PSI)",
    "(MPa)",
    "(KPa)",
    "([-])",
};
constexpr std::string_view kDecimals[kDecimalsCount] = {
    "0",
    "1",
    "2",
};

constexpr BilingualText kCondition[2] = {
    {"Under", "低于"},
    {"Above", "高于"},
};
constexpr BilingualText kActivity[2] = {
    {"Active from starting", "机组运行"},
    {"Always active", "所有状态"},
};
constexpr BilingualText kInputPolarity[2] = {
    {"Close to activate", "闭合-激活"},
    {"Open to activate", "断开-激活"},
};
constexpr BilingualText kOutputPolarity[2] = {
    {"Energise", "激活-导通"},
    {"De-energise", "激活-截止"},
};
// clang-format on

constexpr std::string_view kNoName = "------";

const FunctionCodeName* FindFunction(std::uint16_t code) {
  const std::uint16_t low = code & 0x07FF;
  for (const FunctionCodeName& f : kFunctions) {
    if (f.code == low) return &f;
  }
  return nullptr;
}

std::optional<int> PositionIn(std::span<const std::uint16_t> codes, std::uint16_t code) {
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (codes[i] == code) return static_cast<int>(i);
  }
  return std::nullopt;
}

std::string_view ListText(std::span<const std::uint16_t> codes, int position) {
  if (position < 0 || position >= static_cast<int>(codes.size())) return {};
  const FunctionCodeName* f = FindFunction(codes[static_cast<std::size_t>(position)]);
  return f ? f->name.Pick() : std::string_view{};
}

}  // namespace

std::string_view FunctionName(std::uint16_t code) {
  const FunctionCodeName* f = FindFunction(code);
  if (!f || f->kind == FunctionKind::Output) return kNoName;
  return f->name.Pick();
}

std::string_view InputFunctionName(std::uint16_t code) {
  const FunctionCodeName* f = FindFunction(code);
  if (!f || f->kind == FunctionKind::Output || f->kind == FunctionKind::AnalogueSensor) {
    return kNoName;
  }
  return f->name.Pick();
}

std::string_view OutputFunctionName(std::uint16_t code) {
  const FunctionCodeName* f = FindFunction(code);
  if (!f || f->kind != FunctionKind::Output) return PickText("Undefined", "未定义");
  return f->name.Pick();
}

std::span<const std::uint16_t> AnalogueFunctionCodes() {
  return kAnalogueCodes;
}
std::span<const std::uint16_t> InputFunctionCodes() {
  return kInputCodes;
}
std::span<const std::uint16_t> OutputFunctionCodes() {
  return kOutputCodes;
}

std::optional<int> AnalogueFunctionPosition(std::uint16_t code) {
  return PositionIn(kAnalogueCodes, code & 0x07FF);
}
std::optional<int> InputFunctionPosition(std::uint16_t code) {
  return PositionIn(kInputCodes, code & 0x07FF);
}
std::optional<int> OutputFunctionPosition(std::uint16_t code) {
  return PositionIn(kOutputCodes, code & 0x07FF);
}

std::string_view AnalogueFunctionText(int position) {
  return ListText(kAnalogueCodes, position);
}
std::string_view InputFunctionText(int position) {
  return ListText(kInputCodes, position);
}
std::string_view OutputFunctionText(int position) {
  return ListText(kOutputCodes, position);
}

std::span<const AlarmAction> AlarmActionList() {
  return kActions;
}

std::optional<int> AlarmActionPosition(std::uint8_t nibble) {
  for (int i = 0; i < kAlarmActionCount; ++i) {
    if (kActions[i].nibble == nibble) return i;
  }
  return std::nullopt;
}

std::span<const SensorType> SensorTypes(SensorList list) {
  switch (list) {
    case SensorList::Pressure:
      return kPressure;
    case SensorList::Temperature:
      return kTemperature;
    case SensorList::Level:
      return kLevel;
    case SensorList::BinaryOnly:
      break;
  }
  return kBinaryOnly;
}

SensorList SensorListForFunction(int functionPosition) {
  switch (functionPosition) {
    case 0:
      return SensorList::Pressure;
    case 1:
    case 3:
    case 4:
      return SensorList::Temperature;
    case 2:
      return SensorList::Level;
    default:
      return SensorList::BinaryOnly;
  }
}

std::string_view SensorTypeText(SensorList list, int code) {
  const std::span<const SensorType> types = SensorTypes(list);
  if (code < 0 || code >= static_cast<int>(types.size())) return {};
  return types[static_cast<std::size_t>(code)].text.Pick();
}

std::span<const std::string_view> Units() {
  return kUnits;
}

std::string_view UnitText(int code) {
  return code >= 0 && code < kUnitCount ? kUnits[code] : std::string_view{};
}
std::string_view BracketedUnitText(int code) {
  return code >= 0 && code < kUnitCount ? kBracketedUnits[code] : std::string_view{};
}

std::string_view UnitSuffix(std::uint16_t secondPropertyWord) {
  if (secondPropertyWord < 3072) return {};
  return kBracketedUnits[(secondPropertyWord >> 4) & 7];
}

std::span<const std::string_view> DecimalsList() {
  return kDecimals;
}

std::span<const BilingualText> TwoEntries(TwoEntryList list) {
  switch (list) {
    case TwoEntryList::AlarmCondition:
      return kCondition;
    case TwoEntryList::Activity:
      return kActivity;
    case TwoEntryList::InputPolarity:
      return kInputPolarity;
    case TwoEntryList::OutputPolarity:
      break;
  }
  return kOutputPolarity;
}

std::string_view TwoEntryText(TwoEntryList list, int position) {
  if (position < 0 || position > 1) return {};
  return TwoEntries(list)[static_cast<std::size_t>(position)].Pick();
}

}  // namespace vorel
