#include "core/channel_tables.h"

namespace vorel {

int* AnalogueChoiceField(AnalogueChannelSettings& c, int column) {
  switch (column) {
    case kAnlgName:
      return &c.function;
    case kAnlgType:
      return &c.type;
    case kAnlgCondition:
      return &c.condition;
    case kAnlgAlarm:
      return &c.action;
    case kAnlgActivity:
      return &c.activity;
    case kAnlgUnit:
      return &c.unit;
    case kAnlgDot:
      return &c.decimals;
    default:
      return nullptr;
  }
}

namespace {

// clang-format off
constexpr BilingualText kAnalogueTitles[] = {
    {"Channel", "通道"},
    {"Name", "名称"},
    {"Type", "类型"},
    {"Above/Under", "报警条件"},
    {"Alarm action", "报警保护"},
    {"Active when", "激活条件"},
    {"Unit", "单位"},
    {"Dec", "小数"},
    {"Chart", "曲线"},
};
constexpr BilingualText kInputTitles[] = {
    {"Channel", "通道"},
    {"Name", "名称"},
    {"Alarm action", "报警保护"},
    {"Polarity", "类型"},
    {"Active when", "激活条件"},
};
constexpr BilingualText kOutputTitles[] = {
    {"Channel", "通道"},
    {"Name", "名称"},
    {"Polarity", "类型"},
};
// clang-format on

std::vector<std::string> TwoEntryItems(TwoEntryList which) {
  std::vector<std::string> items;
  for (const BilingualText& t : TwoEntries(which)) items.emplace_back(t.Pick());
  return items;
}

std::vector<std::string> ActionItems() {
  std::vector<std::string> items;
  for (const AlarmAction& a : AlarmActionList()) items.emplace_back(a.text.Pick());
  return items;
}

int AnalogueChoice(const AnalogueChannelSettings& c, int column) {
  const int* field = AnalogueChoiceField(const_cast<AnalogueChannelSettings&>(c), column);
  return field ? *field : -1;
}

std::string SlotName(const char* prefix, int slot) {
  return prefix + std::to_string(slot);
}

}  // namespace

std::span<const BilingualText> AnalogueColumnTitles() {
  return kAnalogueTitles;
}
std::span<const BilingualText> InputColumnTitles() {
  return kInputTitles;
}
std::span<const BilingualText> OutputColumnTitles() {
  return kOutputTitles;
}

std::vector<std::string> AnalogueColumnItems(const AnalogueChannelSettings& channel, int column) {
  std::vector<std::string> items;
  switch (column) {
    case kAnlgName:
      for (int i = 0; i < kAnalogueFunctionCount; ++i) items.emplace_back(AnalogueFunctionText(i));
      break;
    case kAnlgType:
      for (const SensorType& t : SensorTypes(SensorListForFunction(channel.function)))
        items.emplace_back(t.text.Pick());
      break;
    case kAnlgCondition:
      return TwoEntryItems(TwoEntryList::AlarmCondition);
    case kAnlgAlarm:
      return ActionItems();
    case kAnlgActivity:
      return TwoEntryItems(TwoEntryList::Activity);
    case kAnlgUnit:
      for (std::string_view u : Units()) items.emplace_back(u);
      break;
    case kAnlgDot:
      for (std::string_view d : DecimalsList()) items.emplace_back(d);
      break;
    default:
      break;
  }
  return items;
}

std::vector<std::string> InputColumnItems(int column) {
  std::vector<std::string> items;
  switch (column) {
    case 1:
      for (int i = 0; i < kInputFunctionCount; ++i) items.emplace_back(InputFunctionText(i));
      return items;
    case 2:
      return ActionItems();
    case 3:
      return TwoEntryItems(TwoEntryList::InputPolarity);
    case 4:
      return TwoEntryItems(TwoEntryList::Activity);
    default:
      return items;
  }
}

std::vector<std::string> OutputColumnItems(int column) {
  std::vector<std::string> items;
  if (column == 1) {
    for (int i = 0; i < kOutputFunctionCount; ++i) items.emplace_back(OutputFunctionText(i));
  } else if (column == 2) {
    return TwoEntryItems(TwoEntryList::OutputPolarity);
  }
  return items;
}

std::string ItemText(const std::vector<std::string>& items, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < items.size()
             ? items[static_cast<std::size_t>(index)]
             : std::string();
}

std::string AnalogueCellText(const AnalogueChannelSettings& channel, int column) {
  const bool sensorColumn = column == kAnlgCondition || column == kAnlgUnit || column == kAnlgDot;
  if (sensorColumn && channel.type < 3) return "--";
  return ItemText(AnalogueColumnItems(channel, column), AnalogueChoice(channel, column));
}

TextTable AnalogueChannelTable(const ChannelSettings& settings) {
  TextTable table;
  for (int c = 0; c <= kAnlgDot; ++c)
    table.titles.emplace_back(kAnalogueTitles[static_cast<std::size_t>(c)].Pick());
  for (int n = 0; n < kAnalogueChannels; ++n) {
    std::vector<std::string> row{SlotName("AI", n + 1)};
    for (int c = kAnlgName; c <= kAnlgDot; ++c)
      row.push_back(AnalogueCellText(settings.analogue[static_cast<std::size_t>(n)], c));
    table.rows.push_back(std::move(row));
  }
  return table;
}

TextTable BinaryInputTable(const ChannelSettings& settings, const BinaryIoLayout& layout) {
  TextTable table;
  for (const BilingualText& t : kInputTitles) table.titles.emplace_back(t.Pick());
  if (!layout.titled) return table;
  for (int row = 1; row <= kBinarySlots; ++row) {
    const int slot = layout.InputSlot(row);
    if (!slot) continue;
    const InputSlotSettings& s = settings.inputs[static_cast<std::size_t>(slot - 1)];
    table.rows.push_back({SlotName("BI", slot), ItemText(InputColumnItems(1), s.function),
                          ItemText(InputColumnItems(2), s.action),
                          ItemText(InputColumnItems(3), s.polarity),
                          ItemText(InputColumnItems(4), s.activity)});
  }
  return table;
}

TextTable BinaryOutputTable(const ChannelSettings& settings, const BinaryIoLayout& layout) {
  TextTable table;
  for (const BilingualText& t : kOutputTitles) table.titles.emplace_back(t.Pick());
  if (!layout.titled) return table;
  for (int row = 1; row <= kBinarySlots; ++row) {
    const int slot = layout.OutputSlot(row);
    if (!slot) continue;
    const OutputSlotSettings& s = settings.outputs[static_cast<std::size_t>(slot - 1)];
    table.rows.push_back({SlotName("BO", slot), ItemText(OutputColumnItems(1), s.function),
                          ItemText(OutputColumnItems(2), s.polarity)});
  }
  return table;
}

}  // namespace vorel
