#include "core/event_log_format.h"

#include <cstdlib>

#include "core/language.h"

namespace vorel {
namespace {

// `value` / 10^decimals as an exact decimal text without trailing zeros.
std::string ScaledText(long value, int decimals) {
  long divisor = 1;
  for (int k = 0; k < decimals; ++k) divisor *= 10;
  const bool negative = value < 0;
  const long magnitude = std::labs(value);
  std::string text = (negative ? "-" : "") + std::to_string(magnitude / divisor);
  long fraction = magnitude % divisor;
  if (fraction == 0) return text;
  std::string digits = std::to_string(fraction);
  digits.insert(0, static_cast<std::size_t>(decimals) - digits.size(), '0');
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  return text + "." + digits;
}

}  // namespace

std::string TenthsText4(std::uint16_t tenths) {
  // Up to 999.9 four digits hold the tenth; from 1000 on only the whole number is left.
  if (tenths < 10000) return ScaledText(tenths, 1);
  return std::to_string((tenths + 5) / 10);
}

std::string HundredthsText(std::int16_t hundredths) {
  return ScaledText(hundredths, 2);
}

std::string BinaryDigits(std::uint16_t word, int bits) {
  std::string text;
  for (int bit = bits - 1; bit >= 0; --bit) text += (bit < 16 && (word >> bit) & 1) ? '1' : '0';
  return text;
}

std::string HexByteText(std::uint8_t byte) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

}  // namespace vorel
