// Number texts of the event-log grid: tenths in four significant digits and hundredths in
// full (channel values use FormatChannelValue of the monitor). "." is the decimal separator in
// every locale, so a grid, a log file and a CSV export hold the same text.
#pragma once

#include <cstdint>
#include <string>

namespace vorel {

// An unsigned count of tenths with at most four significant digits, rounded half away from
// zero, without trailing zeros: 245 gives "24.5", 120 "12", 0 "0", 12345 "1235".
std::string TenthsText4(std::uint16_t tenths);

// A signed count of hundredths in full, without trailing zeros: 85 gives "0.85", 100 "1",
// -50 "-0.5".
std::string HundredthsText(std::int16_t hundredths);

// The lowest `bits` binary digits of a word, most significant first ("0" or "1" each).
std::string BinaryDigits(std::uint16_t word, int bits);

// Two upper-case hexadecimal digits of a byte, as a binary-coded decimal byte reads ("24",
// and "1A" for a byte that is not binary-coded decimal).
std::string HexByteText(std::uint8_t byte);

}  // namespace vorel
