#include "core/monitor_format.h"

#include <cstdio>
#include <cstdlib>
#include <span>
#include <string_view>

#include "core/register_table.h"

#include "core/alarm_codes.h"
#include "core/binary_io_layout.h"
#include "core/language.h"
#include "core/site_images.h"
#include "core/vocabulary.h"

namespace vorel {
namespace {

constexpr std::uint16_t kFunctionMask = 0x07FF;
constexpr std::uint16_t kAcknowledgedBit = 0x0800;
constexpr std::uint16_t kAlarmHorn = 167;
constexpr int kSecondsPerTenthHour = 360;

struct StateText {
  std::int16_t value;
  BilingualText text;
};

// clang-format off
constexpr StateText kMainsStates[] = {
    {317, {"Mains Oper",   "正常"}},
    {318, {"Mains Flt",    "故障"}},
    {319, {"Valid Flt",    "故障确认"}},
    {320, {"Mains Ret",    "恢复"}},
    {347, {"MainsRet Del", "恢复延时"}},
};

// 289 depends on the controller type and is handled apart.
constexpr StateText kGenSetStates[] = {
    {290, {"Fail stop",    "故障停机"}},
    {291, {"Prep sail",    "准备失败"}},
    {292, {"MinStab",      "最短稳定"}},
    {293, {"MaxStab",      "最长稳定"}},
    {294, {"Prepare",      "启动准备"}},
    {295, {"Under SPD",    "低速运行"}},
    {296, {"Over SPD",     "超速运行"}},
    {297, {"Running",      "正在运行"}},
    {299, {"Error",        "错误"}},
    {300, {"Empty",        "停机"}},
    {301, {"Init",         "初始化"}},
    {302, {"Not ready",    "未待机"}},
    {303, {"PreStart",     "预热"}},
    {304, {"Cranking",     "正在启动"}},
    {305, {"Pause",        "启动间歇"}},
    {306, {"Starting",     "正在启动"}},
    {307, {"Idle",         "怠速"}},
    {308, {"Loaded",       "接负载"}},
    {309, {"Stop",         "手动停机"}},
    {310, {"Shutdown",     "紧急停机"}},
    {311, {"RPM fail",     "转速故障"}},
    {312, {"Ready",        "待机"}},
    {313, {"Cooling",      "冷却运行"}},
    {314, {"Unload alarm", "卸载警告"}},
    {315, {"AVR Fail",     "AVR失败"}},
    {316, {"Unloaded",     "正在卸载"}},
    {321, {"GCB open",     "机组分闸"}},
    {327, {"MCB open",     "正在接载"}},
};

constexpr StateText kTransferSwitchStates[] = {
    {299, {"Error",       "开关故障"}},
    {322, {"GCB close",   "接机组"}},
    {325, {"GCB_A close", "A接机组"}},
    {326, {"GCB_B close", "B接机组"}},
    {328, {"MCB close",   "接市电"}},
    {331, {"MCB_A close", "A接市电"}},
    {332, {"MCB_B close", "B接市电"}},
    {333, {"Open",        "断闸"}},
    {350, {"MCB_A close", "接市电A"}},
    {351, {"MCB_B close", "接市电B"}},
};

// Engine grid, rows 5 to 7 (rows 2 to 4 are the channels).
constexpr BilingualText kEngineTitles[] = {
    {"Battary(V)",   "电池电压(V)"},
    {"Run Hours(Hrs)", "运行时间(Hrs)"},
    {"Num Starts",   "启动次数"},
};
// Generator grid, rows 2 to 10; the mains rows 13 to 15 repeat the first three.
constexpr BilingualText kGeneratorTitles[] = {
    {"Ph-N(V)",         "相电压(V)"},
    {"Ph-Ph(V)",        "线电压(V)"},
    {"Freqency(Hz)",    "频率(Hz)"},
    {"Current(A)",      "相电流(A)"},
    {"N-Current(A)",    "中线电流(A)"},
    {"Cos",             "功率因数"},
    {"Appar. Pwr(kVA)", "视在功率(kVA)"},
    {"Act Pwr(kW)",     "有功功率(kW)"},
    {"React Pwr(kVAr)", "无功功率(kVAr)"},
};
constexpr const char* kPhaseTitles[] = {"L1(2)", "L2(3)", "L3(1)", "L123"};

// Generator grid values: row, first register of columns 2 to 4 (0: none), divisor, register
// of column 5 (0: none).
struct GeneratorRow {
  int row;
  int phases;
  int divisor;
  int total;
};
constexpr GeneratorRow kGeneratorRows[] = {
    {2,  0x00A1, 1,   0},
    {3,  0x00A4, 1,   0},
    {5,  0x00B6, 1,   0},
    {6,  0,      1,   0x00B9},
    {7,  0x0053, 100, 0x00C0},
    {8,  0x004A, 1,   0x00C6},
    {9,  0x0050, 1,   0x00C5},
    {10, 0x004D, 1,   0x00C4},
};
constexpr GeneratorRow kMainsRows[] = {
    {13, 0x00A8, 1, 0},
    {14, 0x00AB, 1, 0},
};
// clang-format on

// Binary rows of the page per group: title number and slot of each input and output row.
struct BinaryRow {
  int row;
  int number;  // in the title (BI<n> / BO<n>)
  int slot;    // 1 to 8: property register and state bit
};
struct BinaryRows {
  std::vector<BinaryRow> inputs;
  std::vector<BinaryRow> outputs;
  bool setMeansActiveInput = false;  // group C reads its input bits the other way round
  bool startFuelRows = true;
};

BinaryRows BinaryRowsOf(ControllerGroup group) {
  BinaryRows rows;
  int inputs = 0;
  int outputs = 0;
  switch (group) {
    case ControllerGroup::A:
      inputs = 8;
      outputs = 8;
      break;
    case ControllerGroup::B:
      inputs = 5;
      outputs = 3;
      break;
    case ControllerGroup::D:
      inputs = 8;
      outputs = 7;
      break;
    case ControllerGroup::C:
      // Inputs 6 to 8; outputs titled 5 to 8 come from the slots one below.
      for (int k = 0; k < 3; ++k) rows.inputs.push_back({1 + k, 6 + k, 6 + k});
      for (int k = 0; k < 4; ++k) rows.outputs.push_back({10 + k, 5 + k, 4 + k});
      rows.setMeansActiveInput = true;
      rows.startFuelRows = false;
      return rows;
    case ControllerGroup::Other:
      rows.startFuelRows = false;
      return rows;
  }
  for (int k = 1; k <= inputs; ++k) rows.inputs.push_back({k, k, k});
  for (int k = 1; k <= outputs; ++k) rows.outputs.push_back({9 + k, k, k});
  return rows;
}

std::string Pick(const char* english, const char* chinese) {
  return std::string(PickText(english, chinese));
}

std::string StateFrom(std::span<const StateText> table, std::int16_t value) {
  for (const StateText& s : table) {
    if (s.value == value) return std::string(s.text.Pick());
  }
  return SignedHexText(value);
}

std::int16_t Signed(const SiteImages& images, int site, int address) {
  return static_cast<std::int16_t>(images.Word(site, address));
}

std::string Decimal(const SiteImages& images, int site, int address) {
  return std::to_string(Signed(images, site, address));
}

std::string ActivityText(bool active) {
  return active ? Pick("activated", "激活") : Pick("deactivated", "未激活");
}

std::uint16_t TypeOf(const SiteImages& images, int site) {
  return images.Word(site, reg::kProductCode.address);
}

}  // namespace

std::string ScaledText(std::int16_t value, int divisor) {
  if (divisor <= 1) return std::to_string(value);
  const int magnitude = std::abs(static_cast<int>(value));
  int whole = magnitude / divisor;
  int fraction = magnitude % divisor;
  std::string text = value < 0 ? "-" : "";
  text += std::to_string(whole);
  if (fraction != 0) {
    int digits = divisor == 10 ? 1 : 2;
    while (fraction % 10 == 0) {
      fraction /= 10;
      --digits;
    }
    std::string part = std::to_string(fraction);
    text += '.' + std::string(static_cast<std::size_t>(digits) - part.size(), '0') + part;
  }
  return text;
}

std::string SignedHexText(std::int16_t value) {
  char text[12];
  std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(static_cast<std::int32_t>(value)));
  return text;
}

std::string FormatChannelValue(std::uint16_t p, std::int16_t value) {
  const int type = p >> 10;
  if (type == 0) return {};
  if (type <= 2) {
    if (value == 0) return Pick("activated", "激活");
    if (value == 1) return Pick("deactivated", "未激活");
    return "error";
  }
  switch (value) {
    case -32768:
      return "OPEN";
    case -32767:
      return "SHORT";
    case -32766:
      return "FAILURE";
    case -32765:
      return "NONE";
    default:
      break;
  }
  if (const auto number = ChannelNumber(p, value)) return number->Text();
  return "****";
}

std::optional<ScaledNumber> ChannelNumber(std::uint16_t p, std::int16_t value) {
  // Unused and binary channels, and the four sensor fault codes, are texts.
  if ((p >> 10) < 3 || value <= -32765 || value > 9999) return std::nullopt;
  const int decimals = (p >> 8) & 3;
  if (decimals == 3) return std::nullopt;
  return ScaledNumber{value, decimals == 0 ? 1 : decimals == 1 ? 10 : 100};
}

std::optional<ScaledNumber> MonitorNumber(const SiteImages& images, int site,
                                          const MonitorSource& source) {
  switch (source.kind) {
    case MonitorSourceKind::Register:
      return ScaledNumber{Signed(images, site, source.index), source.divisor};
    case MonitorSourceKind::Channel:
      if (source.index < 0 || source.index > 2) return std::nullopt;
      return ChannelNumber(images.Word(site, reg::kAnalogueProperty2.address + source.index),
                           Signed(images, site, reg::kFirstChannelValue.address + source.index));
    case MonitorSourceKind::Battery: {
      const std::uint16_t type = TypeOf(images, site);
      if (type == 3106 || type == 3109) return ScaledNumber{0, 1};
      return ScaledNumber{Signed(images, site, source.index), source.divisor};
    }
  }
  return std::nullopt;
}

std::string ChannelTitle(const SiteImages& images, int site, int channel) {
  if (channel < 0 || channel > 2) return {};
  const std::uint16_t function = images.Word(site, reg::kAnalogueProperty1.address + channel);
  const std::uint16_t p2 = images.Word(site, reg::kAnalogueProperty2.address + channel);
  return std::string(FunctionName(function & kFunctionMask)) + std::string(UnitSuffix(p2));
}

std::string FormatChannelValue(const SiteImages& images, int site, int channel,
                               std::int16_t value) {
  if (channel < 0 || channel > 2) return {};
  return FormatChannelValue(images.Word(site, reg::kAnalogueProperty2.address + channel), value);
}

std::string GenSetStateText(std::uint16_t controllerType, std::int16_t state) {
  if (state == 289) {
    return controllerType == 3102 ? Pick("Loaded A", "接负载A") : Pick("Over load", "过载");
  }
  return StateFrom(kGenSetStates, state);
}

std::string MainsStateText(std::int16_t state) {
  return StateFrom(kMainsStates, state);
}

std::string TransferSwitchStateText(std::int16_t state) {
  return StateFrom(kTransferSwitchStates, state);
}

std::string GenSetStateLabel(const SiteImages& images, int site) {
  std::string label =
      Pick("Gen-Set ", "机组") +
      GenSetStateText(TypeOf(images, site), Signed(images, site, reg::kGenSetState.address));
  const std::int16_t counter = Signed(images, site, reg::kGenSetCounter.address);
  if (counter != 0) label += "  " + std::to_string(counter);
  return label;
}

std::string MainsStateLabel(const SiteImages& images, int site) {
  const std::string state = MainsStateText(Signed(images, site, reg::kMainsState.address));
  if (!IsEnglish()) return "市电" + state;
  // Most English texts already begin with the prefix; it is not said twice.
  return state.starts_with("Mains") ? state : "Mains " + state;
}

std::string TransferSwitchStateLabel(const SiteImages& images, int site) {
  const std::string state =
      TransferSwitchStateText(Signed(images, site, reg::kTransferSwitchState.address));
  return IsEnglish() ? "ATS " + state : "负载" + state;
}

Rgb LedColour(std::uint16_t ledWord) {
  switch (ledWord) {
    case 127:
    case 131:
      return kRed;
    case 128:
    case 132:
      return kGreen;
    case 129:
      return kYellow;
    default:
      return kGrey;
  }
}

std::optional<StartStopColours> StartStopColoursOf(std::uint16_t ledWord) {
  const Rgb led = LedColour(ledWord);
  if (led == kGreen) return StartStopColours{kGreen, kSkyBlue};
  if (led == kRed) return StartStopColours{kSkyBlue, kRed};
  return std::nullopt;
}

AlarmLine AlarmLineOf(std::uint16_t controllerType, std::uint16_t word) {
  if (word == 0) return {};
  return {true, AlarmCodeText(controllerType, word | kAcknowledgedBit),
          (word & kAcknowledgedBit) != 0};
}

std::optional<Rgb> MuteTextColour(const SiteImages& images, int site) {
  for (int slot = 1; slot <= 8; ++slot) {
    if ((images.Word(site, reg::kFirstOutputProperty.address + slot - 1) & kFunctionMask) !=
        kAlarmHorn)
      continue;
    const bool on = (images.Word(site, reg::kOutputStates.address) >> (slot - 1)) & 1;
    return on ? kRed : kWhite;
  }
  return std::nullopt;
}

Rgb ResetTextColour(const SiteImages& images, int site) {
  for (int i = 0; i < kAlarmLines; ++i) {
    if (images.Word(site, reg::kAlarmList.address + i) & ~kAcknowledgedBit) return kRed;
  }
  return kWhite;
}

bool MeasuresMains(std::uint16_t controllerType) {
  const ControllerGroup group = ControllerGroupOf(controllerType);
  return group == ControllerGroup::A || group == ControllerGroup::C || group == ControllerGroup::D;
}

std::vector<MonitorCell> MonitorTitles(const SiteImages& images, int site) {
  std::vector<MonitorCell> cells;
  const std::uint16_t type = TypeOf(images, site);
  auto add = [&](MonitorGrid grid, int row, int column, std::string text) {
    cells.push_back({grid, row, column, std::move(text)});
  };

  add(MonitorGrid::Engine, 1, 1, Pick("Speed", "转速") + "(r/min)");
  for (int ch = 0; ch < 3; ++ch)
    add(MonitorGrid::Engine, 2 + ch, 1, ChannelTitle(images, site, ch));
  for (std::size_t i = 0; i < std::size(kEngineTitles); ++i)
    add(MonitorGrid::Engine, 5 + static_cast<int>(i), 1, std::string(kEngineTitles[i].Pick()));

  for (int c = 0; c < 4; ++c) add(MonitorGrid::Generator, 1, 2 + c, kPhaseTitles[c]);
  for (std::size_t i = 0; i < std::size(kGeneratorTitles); ++i)
    add(MonitorGrid::Generator, 2 + static_cast<int>(i), 1,
        std::string(kGeneratorTitles[i].Pick()));
  if (MeasuresMains(type)) {
    for (int c = 0; c < 4; ++c) add(MonitorGrid::Generator, 12, 2 + c, kPhaseTitles[c]);
    for (int i = 0; i < 3; ++i)
      add(MonitorGrid::Generator, 13 + i, 1, std::string(kGeneratorTitles[i].Pick()));
  }

  const BinaryRows rows = BinaryRowsOf(ControllerGroupOf(type));
  for (const BinaryRow& r : rows.inputs) {
    const std::uint16_t code =
        images.Word(site, reg::kFirstInputProperty.address + r.slot - 1) & kFunctionMask;
    add(MonitorGrid::BinaryIo, r.row, 1,
        "BI" + std::to_string(r.number) + " (" + std::string(InputFunctionName(code)) + ")");
  }
  for (const BinaryRow& r : rows.outputs) {
    const std::uint16_t code =
        images.Word(site, reg::kFirstOutputProperty.address + r.slot - 1) & kFunctionMask;
    add(MonitorGrid::BinaryIo, r.row, 1,
        "BO" + std::to_string(r.number) + " (" + std::string(OutputFunctionName(code)) + ")");
  }
  add(MonitorGrid::BinaryIo, 18, 1, "START");
  add(MonitorGrid::BinaryIo, 19, 1, "FUEL");
  return cells;
}

MonitorValues MonitorValuesOf(const SiteImages& images, int site, bool factoryLevel) {
  MonitorValues v;
  FillMonitorValues(images, site, factoryLevel, v);
  return v;
}

void FillMonitorValues(const SiteImages& images, int site, bool factoryLevel, MonitorValues& v) {
  v.cells.clear();  // the capacity stays for the next fill
  const std::uint16_t type = TypeOf(images, site);
  auto add = [&](MonitorGrid grid, int row, int column, std::string text) {
    v.cells.push_back({grid, row, column, std::move(text)});
  };

  // Engine.
  add(MonitorGrid::Engine, 1, 2, MonitorNumber(images, site, kEngineSpeedSource)->Text());
  for (int ch = 0; ch < 3; ++ch)
    add(MonitorGrid::Engine, 2 + ch, 2,
        FormatChannelValue(images, site, ch,
                           Signed(images, site, reg::kFirstChannelValue.address + ch)));
  add(MonitorGrid::Engine, 5, 2, MonitorNumber(images, site, kBatterySource)->Text());
  add(MonitorGrid::Engine, 6, 2,
      std::to_string(images.Word(site, reg::kRunHours.address)) + "." +
          std::to_string(images.Word(site, reg::kRunHours.address + 1) / kSecondsPerTenthHour));
  add(MonitorGrid::Engine, 7, 2, Decimal(images, site, reg::kStartCount.address));
  if (factoryLevel) {
    add(MonitorGrid::Engine, 8, 1, "DEBUG");
    add(MonitorGrid::Engine, 8, 2, Decimal(images, site, reg::kDebugValue.address));
  }

  // Generator and mains.
  auto number = [&](int address, int divisor) {
    return MonitorNumber(images, site, {MonitorSourceKind::Register, address, divisor})->Text();
  };
  auto addRow = [&](const GeneratorRow& r) {
    if (r.phases != 0) {
      for (int c = 0; c < 3; ++c)
        add(MonitorGrid::Generator, r.row, 2 + c, number(r.phases + c, r.divisor));
    }
    if (r.total != 0) add(MonitorGrid::Generator, r.row, 5, number(r.total, r.divisor));
  };
  for (const GeneratorRow& r : kGeneratorRows) {
    addRow(r);
    if (r.row == 3)
      add(MonitorGrid::Generator, 4, 2,
          MonitorNumber(images, site, kGeneratorFrequencySource)->Text());
  }
  if (MeasuresMains(type)) {
    for (const GeneratorRow& r : kMainsRows) addRow(r);
    add(MonitorGrid::Generator, 15, 2, ScaledText(Signed(images, site, 0x00AE), 10));
  }

  // Binary inputs and outputs.
  const BinaryRows rows = BinaryRowsOf(ControllerGroupOf(type));
  const std::uint16_t inputBits = images.Word(site, reg::kInputStates.address);
  const std::uint16_t outputBits = images.Word(site, reg::kOutputStates.address);
  for (const BinaryRow& r : rows.inputs) {
    const bool set = (inputBits >> (r.slot - 1)) & 1;
    add(MonitorGrid::BinaryIo, r.row, 2, ActivityText(rows.setMeansActiveInput ? set : !set));
  }
  for (const BinaryRow& r : rows.outputs)
    add(MonitorGrid::BinaryIo, r.row, 2, ActivityText((outputBits >> (r.slot - 1)) & 1));
  if (rows.startFuelRows) {
    const std::uint16_t startFuel = images.Word(site, reg::kStartFuelOutputs.address);
    add(MonitorGrid::BinaryIo, 18, 2, ActivityText(startFuel & 1));
    add(MonitorGrid::BinaryIo, 19, 2, ActivityText((startFuel >> 1) & 1));
  }

  v.mode = OperatingModeOf(images.Word(site, reg::kOperatingMode.address));
  v.mainsLabel = MainsStateLabel(images, site);
  v.genSetLabel = GenSetStateLabel(images, site);
  v.transferSwitchLabel = TransferSwitchStateLabel(images, site);
  for (int i = 0; i < kAlarmLines; ++i)
    v.alarms[static_cast<std::size_t>(i)] =
        AlarmLineOf(type, images.Word(site, reg::kAlarmList.address + i));
  v.startStop = StartStopColoursOf(images.Word(site, reg::kLedState.address));
  v.muteText = MuteTextColour(images, site);
  v.resetText = ResetTextColour(images, site);
}

}  // namespace vorel
