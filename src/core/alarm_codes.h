// Alarm and event codes of the controller (alarm list and event log) and their texts.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/vocabulary.h"

namespace vorel {

class SiteImages;

struct AlarmCodeEntry {
  std::uint16_t code;
  BilingualText text;
};

// The fixed entries, in code order (100 codes).
std::span<const AlarmCodeEntry> AlarmCodeTable();

// Text of a code in the current language. The controller type decides the two mains codes
// 18569 and 18571; codes 0xF000 and up are "Exception " and the low eleven bits in four
// upper-case hexadecimal digits; any other unknown code is its own four hexadecimal digits.
std::string AlarmCodeText(std::uint16_t controllerType, std::uint16_t code);
// The same with the controller type read from the site's value image.
std::string AlarmCodeText(const SiteImages& images, int site, std::uint16_t code);

// Exactly four upper-case hexadecimal digits of a 16-bit word ("00FF", "8000").
std::string HexWordText(std::uint16_t word);

}  // namespace vorel
