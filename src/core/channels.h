// The channel pages of the parameter window without widgets: the choices of the three
// analogue channels, the eight binary inputs and the eight binary outputs (list positions,
// -1 for no selection), decoded from and encoded into the packed property words.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "core/vocabulary.h"

namespace vorel {

class SiteImages;

inline constexpr int kAnalogueChannels = 3;
inline constexpr int kBinarySlots = 8;

struct AnalogueChannelSettings {
  int function = -1;   // analogue function list
  int type = -1;       // sensor type list of the function (SensorListForFunction)
  int condition = -1;  // "Under", "Above"
  int action = -1;     // alarm action list
  int activity = -1;   // "Active from starting", "Always active"
  int unit = -1;       // units
  int decimals = -1;   // "0", "1", "2"
  friend bool operator==(const AnalogueChannelSettings&, const AnalogueChannelSettings&) = default;
};

struct InputSlotSettings {
  int function = -1;  // input function list
  int action = -1;
  int polarity = -1;  // "Close to activate", "Open to activate"
  int activity = -1;
  friend bool operator==(const InputSlotSettings&, const InputSlotSettings&) = default;
};

struct OutputSlotSettings {
  int function = -1;  // output function list
  int polarity = -1;  // "Energise", "De-energise"
  friend bool operator==(const OutputSlotSettings&, const OutputSlotSettings&) = default;
};

struct ChannelSettings {
  std::array<AnalogueChannelSettings, kAnalogueChannels> analogue{};
  std::array<InputSlotSettings, kBinarySlots> inputs{};
  std::array<OutputSlotSettings, kBinarySlots> outputs{};
};

// Decoding: a code that a list does not hold selects nothing (-1).
AnalogueChannelSettings AnalogueChannelFromWords(std::uint16_t p1, std::uint16_t p2);
void AnalogueFromImage(const SiteImages& images, int site, ChannelSettings& settings);
void InputsFromImage(const SiteImages& images, int site, ChannelSettings& settings);
void OutputsFromImage(const SiteImages& images, int site, ChannelSettings& settings);

// Encoding: the first property words, the input words and the output words are rebuilt from
// the choices; the second property word by BuildTypeWord; polarity bits without a choice stay.
void AnalogueToImage(SiteImages& images, int site, const ChannelSettings& settings);
void InputsToImage(SiteImages& images, int site, const ChannelSettings& settings);
void OutputsToImage(SiteImages& images, int site, const ChannelSettings& settings);

// A new function for an analogue channel: the type list becomes the new function's list and
// the type code of the value image's second property word is selected in it.
void ChangeAnalogueFunction(const SiteImages& images, int site, int channel,
                            ChannelSettings& settings, int function);

// Which editors of an analogue channel are enabled (by its sensor type code).
struct AnalogueEnables {
  bool condition = false;
  bool action = false;
  bool activity = false;
  bool unit = false;
  bool decimals = false;
  bool curve = false;
  bool levels = false;  // Lev1, Lev2 and the delay of the channel
};
AnalogueEnables AnalogueChannelEnables(const AnalogueChannelSettings& channel);

// Decimals of the crank oil-pressure threshold: those of the first channel whose function is
// Oil Pressure (position 0) and whose decimals choice is 0 to 2; 0 when there is none.
int OilPressureDecimals(std::span<const AnalogueChannelSettings, kAnalogueChannels> channels);

}  // namespace vorel
