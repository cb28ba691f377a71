// Number texts of the event-log grid: the measured value of an analogue channel, tenths in
// four significant digits and hundredths in full. "." is the decimal separator in every
// locale, so a grid, a log file and a CSV export hold the same text.
#pragma once

#include <cstdint>
#include <string>

namespace vorel {

// The display text of an analogue channel's measured value. The channel's second property
// word decides: bits 10 to 15 zero, the channel is unused (empty text); 1 or 2, it is used as a
// binary input ("activated" for 0, "deactivated" for 1, "error" otherwise); 3 and up, a sensor:
// the fault marks "OPEN", "SHORT", "FAILURE", "NONE" for -32768 to -32765, "****" above 9999,
// otherwise the value with the decimals of bits 8 and 9 ("****" for 3 decimals).
std::string FormatChannelValue(std::uint16_t secondPropertyWord, std::int16_t value);

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
