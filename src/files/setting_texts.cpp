#include "files/setting_texts.h"

#include "core/channel_tables.h"
#include "core/register_table.h"

namespace vorel {
namespace {

// "title text, title text, ..." of the columns from 1 that have a text.
std::string Joined(std::span<const BilingualText> titles, const std::vector<std::string>& cells) {
  std::string text;
  for (std::size_t c = 1; c < cells.size() && c < titles.size(); ++c) {
    if (cells[c].empty()) continue;
    if (!text.empty()) text += ", ";
    text += std::string(titles[c].Pick()) + " " + cells[c];
  }
  return text;
}

std::vector<std::string> InputCells(const InputSlotSettings& s) {
  return {"", ItemText(InputColumnItems(1), s.function), ItemText(InputColumnItems(2), s.action),
          ItemText(InputColumnItems(3), s.polarity), ItemText(InputColumnItems(4), s.activity)};
}

std::vector<std::string> OutputCells(const OutputSlotSettings& s) {
  return {"", ItemText(OutputColumnItems(1), s.function),
          ItemText(OutputColumnItems(2), s.polarity)};
}

}  // namespace

std::optional<std::string> SettingText(const ChannelSettings& settings, std::uint16_t reg) {
  for (int n = 0; n < kAnalogueChannels; ++n) {
    if (reg == reg::kAnalogueProperty1.address + n || reg == reg::kAnalogueProperty2.address + n) {
      const TextTable table = AnalogueChannelTable(settings);
      if (static_cast<std::size_t>(n) >= table.rows.size()) return std::nullopt;
      return Joined(AnalogueColumnTitles(), table.rows[static_cast<std::size_t>(n)]);
    }
  }
  for (int s = 0; s < kBinarySlots; ++s) {
    const auto slot = static_cast<std::size_t>(s);
    if (reg == reg::kFirstInputProperty.address + s)
      return Joined(InputColumnTitles(), InputCells(settings.inputs[slot]));
    if (reg == reg::kFirstOutputProperty.address + s)
      return Joined(OutputColumnTitles(), OutputCells(settings.outputs[slot]));
  }
  const bool inputs = reg == reg::kInputPolarity.address;
  if (inputs || reg == reg::kOutputPolarity.address) {
    std::string text;
    for (int s = 0; s < kBinarySlots; ++s) {
      const auto slot = static_cast<std::size_t>(s);
      const std::string choice =
          inputs ? ItemText(InputColumnItems(3), settings.inputs[slot].polarity)
                 : ItemText(OutputColumnItems(2), settings.outputs[slot].polarity);
      if (!text.empty()) text += ", ";
      text += (inputs ? "BI" : "BO") + std::to_string(s + 1) + " " + choice;
    }
    return text;
  }
  return std::nullopt;
}

}  // namespace vorel
