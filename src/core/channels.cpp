#include "core/channels.h"

#include "core/conversions.h"
#include "core/register_table.h"
#include "core/site_images.h"

namespace vorel {
namespace {

int SelectedOrNone(std::optional<int> position) {
  return position.value_or(-1);
}

int TypePosition(int function, int code) {
  const int size = static_cast<int>(SensorTypes(SensorListForFunction(function)).size());
  return code < size ? code : -1;
}

}  // namespace

AnalogueChannelSettings AnalogueChannelFromWords(std::uint16_t p1, std::uint16_t p2) {
  AnalogueChannelSettings c;
  c.function = SelectedOrNone(AnalogueFunctionPosition(p1));
  c.type = TypePosition(c.function, p2 >> 10);
  c.action = SelectedOrNone(AlarmActionPosition(static_cast<std::uint8_t>(p1 >> 12)));
  c.condition = (p2 >> 3) & 1;
  c.activity = (p1 >> 11) & 1;
  c.unit = (p2 >> 4) & 7;
  const int decimals = (p2 >> 8) & 3;
  c.decimals = decimals < kDecimalsCount ? decimals : -1;
  return c;
}

void AnalogueFromImage(const SiteImages& images, int site, ChannelSettings& settings) {
  for (int n = 0; n < kAnalogueChannels; ++n) {
    settings.analogue[static_cast<std::size_t>(n)] =
        AnalogueChannelFromWords(images.Word(site, reg::kAnalogueProperty1.address + n),
                                 images.Word(site, reg::kAnalogueProperty2.address + n));
  }
}

void InputsFromImage(const SiteImages& images, int site, ChannelSettings& settings) {
  const std::uint16_t polarity = images.Word(site, reg::kInputPolarity.address);
  for (int s = 0; s < kBinarySlots; ++s) {
    const std::uint16_t w = images.Word(site, reg::kFirstInputProperty.address + s);
    InputSlotSettings& slot = settings.inputs[static_cast<std::size_t>(s)];
    slot.function = SelectedOrNone(InputFunctionPosition(w));
    slot.action = SelectedOrNone(AlarmActionPosition(static_cast<std::uint8_t>(w >> 12)));
    slot.polarity = (polarity >> s) & 1;
    slot.activity = (w >> 11) & 1;
  }
}

void OutputsFromImage(const SiteImages& images, int site, ChannelSettings& settings) {
  const std::uint16_t polarity = images.Word(site, reg::kOutputPolarity.address);
  for (int s = 0; s < kBinarySlots; ++s) {
    const int index = OutputFunctionIndex(images.Word(site, reg::kFirstOutputProperty.address + s));
    OutputSlotSettings& slot = settings.outputs[static_cast<std::size_t>(s)];
    slot.function = index < kOutputFunctionCount ? index : -1;
    slot.polarity = (polarity >> s) & 1;
  }
}

void AnalogueToImage(SiteImages& images, int site, const ChannelSettings& settings) {
  for (int n = 0; n < kAnalogueChannels; ++n) {
    const AnalogueChannelSettings& c = settings.analogue[static_cast<std::size_t>(n)];
    images.SetWord(site, reg::kAnalogueProperty1.address + n,
                   BuildChannelWord(c.function, c.action, c.activity, ChannelKind::Analogue));
    const std::uint16_t old = images.Word(site, reg::kAnalogueProperty2.address + n);
    images.SetWord(site, reg::kAnalogueProperty2.address + n,
                   BuildTypeWord(old, c.type, c.condition, c.decimals, c.unit));
  }
}

void InputsToImage(SiteImages& images, int site, const ChannelSettings& settings) {
  std::uint16_t polarity = images.Word(site, reg::kInputPolarity.address);
  for (int s = 0; s < kBinarySlots; ++s) {
    const InputSlotSettings& slot = settings.inputs[static_cast<std::size_t>(s)];
    images.SetWord(
        site, reg::kFirstInputProperty.address + s,
        BuildChannelWord(slot.function, slot.action, slot.activity, ChannelKind::BinaryInput));
    polarity = WithPolarityBit(polarity, s, slot.polarity);
  }
  images.SetWord(site, reg::kInputPolarity.address, polarity);
}

void OutputsToImage(SiteImages& images, int site, const ChannelSettings& settings) {
  std::uint16_t polarity = images.Word(site, reg::kOutputPolarity.address);
  for (int s = 0; s < kBinarySlots; ++s) {
    const OutputSlotSettings& slot = settings.outputs[static_cast<std::size_t>(s)];
    images.SetWord(site, reg::kFirstOutputProperty.address + s, OutputFunctionCode(slot.function));
    polarity = WithPolarityBit(polarity, s, slot.polarity);
  }
  images.SetWord(site, reg::kOutputPolarity.address, polarity);
}

void ChangeAnalogueFunction(const SiteImages& images, int site, int channel,
                            ChannelSettings& settings, int function) {
  if (channel < 1 || channel > kAnalogueChannels) return;
  AnalogueChannelSettings& c = settings.analogue[static_cast<std::size_t>(channel - 1)];
  c.function = function >= 0 && function < kAnalogueFunctionCount ? function : -1;
  c.type = TypePosition(c.function,
                        images.Word(site, reg::kAnalogueProperty2.address + channel - 1) >> 10);
}

AnalogueEnables AnalogueChannelEnables(const AnalogueChannelSettings& channel) {
  AnalogueEnables e;
  if (channel.type <= 0) return e;  // unused, or no type chosen
  e.action = true;
  e.activity = true;
  if (channel.type <= 2) return e;  // binary use
  e.condition = e.unit = e.decimals = e.levels = true;
  e.curve = !(channel.function == 2 && channel.type == 4);  // 4-20mA level sensor: linear
  return e;
}

int OilPressureDecimals(std::span<const AnalogueChannelSettings, kAnalogueChannels> channels) {
  for (const AnalogueChannelSettings& c : channels) {
    if (c.function == 0 && c.decimals >= 0 && c.decimals <= 2) return c.decimals;
  }
  return 0;
}

}  // namespace vorel
