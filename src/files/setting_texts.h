// A channel or I/O register of a comparison as the channel grids show it: the analogue
// channel's choices for its two property words, a binary input's or output's choices for its
// property word, the open/close choice of every slot for a polarity word.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/channels.h"

namespace vorel {

// "Function Oil pressure, Type VDO, ..." in the current language; nullopt for a register that
// is none of these.
std::optional<std::string> SettingText(const ChannelSettings& settings, std::uint16_t reg);

}  // namespace vorel
