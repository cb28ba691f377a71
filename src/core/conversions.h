// Conversions between the words of a site's value image and the values that the parameter
// editors show: scaled numbers, run hours, channel decimals, generator name, serial number,
// controller clock, enumerated registers, bit fields and the packed channel words. None of
// them sends anything; the value image is the only source and target.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vorel {

class SiteImages;

// ---- Scaled numbers -------------------------------------------------------------------------

// Signed word divided by the factor.
double LoadScaled(const SiteImages& images, int site, std::uint16_t reg, int factor);
// The word read unsigned (0 to 65535).
double LoadUnsigned(const SiteImages& images, int site, std::uint16_t reg);

// The word for value x factor, truncated toward zero, low 16 bits. The product is the exact
// decimal product of the value's shortest decimal text (0.57 x 100 gives 57, 1.15 x 100 gives
// 115): the value is taken as the number its editor shows, not as a binary fraction. Nothing
// for a value that is not finite.
std::optional<std::uint16_t> ScaledWord(double value, int factor);
// The same from a decimal text ("12.34", "-0.5", "1e2"; "." as separator, blanks around it
// allowed). Nothing for a text that is not a number.
std::optional<std::uint16_t> ScaledWordFromText(std::string_view text, int factor);

// Stores ScaledWord into the register; a value that is not finite leaves it unchanged.
void StoreScaled(SiteImages& images, int site, std::uint16_t reg, double value, int factor);
// Stores from the editor's text; false (nothing stored) when the text is not a number.
bool StoreScaledText(SiteImages& images, int site, std::uint16_t reg, std::string_view text,
                     int factor);

// Parameter-file texts. A decimal integer with optional sign (no point, no exponent) within
// the signed 32-bit range, low 16 bits; nothing otherwise.
std::optional<std::uint16_t> IntegerWordFromText(std::string_view text);
// A decimal number x factor rounded to the nearest integer, a half to the even neighbour
// (exactly, on the decimal digits: "1.25" x 10 gives 12, "1.35" x 10 gives 14), low 16 bits.
std::optional<std::uint16_t> RoundedWordFromText(std::string_view text, int factor);
// A decimal number ("." separator, optional sign and exponent); nothing for anything else.
std::optional<double> DecimalNumberFromText(std::string_view text);

// Fixed notation with exactly `decimals` digits after ".", no thousands separators
// ("12.50", "-3.0", "7"). Rounds half away from zero on the value's shortest decimal text.
std::string FixedText(double value, int decimals);
// The shortest decimal text that reads back as the same value ("50", "-7", "0.85").
std::string ShortestText(double value);

// ---- Run hours (0x009F whole hours, 0x00A0 seconds of the running hour) ---------------------

// Both words read unsigned (0 to 65535 hours).
double RunHoursValue(const SiteImages& images, int site);
// word0 = value truncated toward zero, word1 = (value - word0) x 3600 rounded to nearest.
void StoreRunHours(SiteImages& images, int site, double value);

// ---- Decimals and factors of the analogue channels ------------------------------------------

// Bits 8 and 9 of the channel's second property word (channel 1 to 3; 0 for another channel).
int ChannelDecimals(const SiteImages& images, int site, int channel);
int LevelDivisor(int decimals);     // 10 to the power d: 1, 10, 100, 1000 (1 outside 0 to 3)
int LevelMultiplier(int decimals);  // 1, 10, 100 for d = 0, 1, 2; 1 for any other d
int CurveFactor(int decimals);      // 10 for d = 1, 100 for d = 2; 1 for any other d

// ---- Generator name (0x0012 to 0x0019) and serial number (0x0006 to 0x0008) -----------------

// Bytes 0x20 to 0x7D of the eight words (low byte first), blanks at both ends removed.
std::string GeneratorNameText(const SiteImages& images, int site);
// The editor's text (UTF-8) in code page 936, padded with blanks or cut to 16 bytes (never
// inside a double-byte character), every blank made "_", two bytes per word, low byte first.
void StoreGeneratorName(SiteImages& images, int site, std::string_view text);

// Twelve characters, four hexadecimal digits per word, most significant first; a character
// other than "0" to "9" and "A" to "F" (or missing) counts as 0.
void StoreSerialNumber(SiteImages& images, int site, std::string_view text);

// ---- Controller clock ------------------------------------------------------------------------

struct CivilDate {
  int year = 2000;
  int month = 1;
  int day = 1;
  friend bool operator==(const CivilDate&, const CivilDate&) = default;
};
struct TimeOfDay {
  int hour = 0;
  int minute = 0;
  int second = 0;
  friend bool operator==(const TimeOfDay&, const TimeOfDay&) = default;
};

// Today's date in local time.
CivilDate Today();
bool IsValidDate(const CivilDate& date);
bool IsValidTime(const TimeOfDay& time);

// 0x000F = two BCD digits of year mod 100 in the high byte; 0x000E = BCD month + BCD day x 256.
void StoreControllerDate(SiteImages& images, int site, const CivilDate& date);
// 0x000C = BCD hours x 256 + BCD minutes; 0x000D = BCD seconds x 256.
void StoreControllerTime(SiteImages& images, int site, const TimeOfDay& time);

// "yy-mm-dd" to a date. The two-digit year is completed to the year within 50 years of
// `currentYear`: the one year from (currentYear - 50) to (currentYear + 49) that ends in those
// digits. The load of the date picker and the refresh of the clock both use this one rule.
// Nothing for a text that is not a valid date.
std::optional<CivilDate> ParseControllerDate(std::string_view text, int currentYear);
// "hh:mm:ss" to a time of day; nothing for a text that is not a valid time.
std::optional<TimeOfDay> ParseControllerTime(std::string_view text);
// The loads of the date and time pickers (from ControllerDateText / ControllerTimeText).
std::optional<CivilDate> ControllerDateValue(const SiteImages& images, int site, int currentYear);
std::optional<TimeOfDay> ControllerTimeValue(const SiteImages& images, int site);

// ---- Enumerated registers ---------------------------------------------------------------------

struct EnumeratedRegister {
  std::uint16_t reg;
  std::string_view key;
  std::string_view editor;
  std::span<const std::uint16_t> codes;  // in list order
};
std::span<const EnumeratedRegister> EnumeratedRegisters();
const EnumeratedRegister* FindEnumeratedRegister(std::uint16_t reg);
// List index of a code; nothing for a code outside the table (the list keeps its selection).
std::optional<int> EnumIndex(const EnumeratedRegister& e, std::uint16_t word);
// Code of a list index; nothing for no selection or an index outside the list (the register
// keeps its word).
std::optional<std::uint16_t> EnumCode(const EnumeratedRegister& e, int index);

// ---- Bit fields -------------------------------------------------------------------------------

// Register 0x0118 (reg::kPowerSave).
bool PowerSaveChecked(std::uint16_t word);                      // bit 15
std::uint16_t WithPowerSave(std::uint16_t word, bool checked);  // bits 0 to 14 kept

// Register 0x0089 (reg::kCurrProperty).
// The 4-bit field at `shift` (0, 4, 8 or 12) and the word with that field replaced.
int FieldOf(std::uint16_t word, int shift);
std::uint16_t WithField(std::uint16_t word, int shift, int value);

// Current-protection actions (0x0089 bits 0 to 11): 13 -> 0, 12 -> 1, other -> 2; store 0 ->
// 13, 1 and 2 -> 12, no selection -> nothing.
int CurrentActionIndex(int field);
std::optional<int> CurrentActionCode(int index);

// Alarm actions (bits 12 to 15): nibble -> index 0 to 5, an unlisted nibble -> 6 ("Other");
// index -> nibble, 6 / no selection / out of range -> 0.
inline constexpr int kOtherActionIndex = 6;
int ActionIndex(int nibble);
int ActionNibble(int index);

// ---- Function code maps -----------------------------------------------------------------------

// Analogue and binary-input lists: code (low 11 bits) -> index 0 to 22, any other code -> 23;
// index -> code, 0 for any index outside 0 to 22.
inline constexpr int kUnknownFunctionIndex = 23;
int AnalogueFunctionIndex(std::uint16_t code);
std::uint16_t AnalogueFunctionCode(int index);
int InputFunctionIndex(std::uint16_t code);
std::uint16_t InputFunctionCode(int index);
// Binary outputs: word 160 to 175 -> index 0 to 15, any other word -> 16; index -> 160 + index,
// 0 outside 0 to 15.
inline constexpr int kUnknownOutputIndex = 16;
int OutputFunctionIndex(std::uint16_t word);
std::uint16_t OutputFunctionCode(int index);

// ---- Channel words -----------------------------------------------------------------------------

enum class ChannelKind { Analogue, BinaryInput };
// Function code (from the index) | 0x0800 for activity index 1 | the action's nibble << 12.
std::uint16_t BuildChannelWord(int functionIndex, int actionIndex, int activityIndex,
                               ChannelKind kind);
// Analogue second property word. Type index 3 and up: condition x 8 + unit x 16 + decimals x
// 256 + type x 1024 (bits 0 to 2 and 7 become 0); a field without selection (-1) keeps the old
// word's field. Type 0 to 2: only bits 10 to 15 become the type. No type selected: the old word.
std::uint16_t BuildTypeWord(std::uint16_t oldWord, int typeIndex, int conditionIndex,
                            int decimalsIndex, int unitIndex);
// Polarity bit `bit` (0 to 15): index 0 clears, 1 sets, anything else leaves it.
std::uint16_t WithPolarityBit(std::uint16_t word, int bit, int polarityIndex);

// ---- Factory diagnostic values ------------------------------------------------------------------

// The register's word in exactly four upper-case hexadecimal digits.
std::string FactoryHexText(const SiteImages& images, int site, std::uint16_t reg);

}  // namespace vorel
