#include "core/conversions.h"

#include <charconv>
#include <cmath>
#include <ctime>

#include "core/alarm_codes.h"
#include "core/cp936.h"
#include "core/register_table.h"
#include "core/site_images.h"
#include "core/vocabulary.h"

namespace vorel {
namespace {

std::int16_t Signed(std::uint16_t w) {
  return static_cast<std::int16_t>(w);
}

// A decimal number as sign, digits and a power of ten: value = digits x 10^exponent.
struct Decimal {
  bool negative = false;
  std::string digits;  // without leading zeros; empty for zero
  long exponent = 0;
};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Parses [sign] digits [. digits] [e [sign] digits]; at least one mantissa digit.
std::optional<Decimal> ParseDecimal(std::string_view text) {
  text = Trim(text);
  Decimal d;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) d.negative = text[i++] == '-';
  bool any = false;
  long fraction = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    any = true;
    if (!d.digits.empty() || text[i] != '0') d.digits.push_back(text[i]);
  }
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && IsDigit(text[i]); ++i) {
      any = true;
      ++fraction;
      if (!d.digits.empty() || text[i] != '0') d.digits.push_back(text[i]);
    }
  }
  if (!any) return std::nullopt;
  long exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
    bool expDigits = false;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
      expDigits = true;
      if (exponent < 1000000) exponent = exponent * 10 + (text[i] - '0');
    }
    if (!expDigits) return std::nullopt;
    if (negativeExponent) exponent = -exponent;
  }
  if (i != text.size()) return std::nullopt;
  d.exponent = exponent - fraction;
  return d;
}

// The power of ten a factor is, or -1.
int PowerOfTen(int factor) {
  int p = 0;
  for (int f = 1; f <= 1000000; f *= 10, ++p) {
    if (f == factor) return p;
  }
  return -1;
}

// digits x 10^exponent truncated toward zero, signed, modulo 2^16.
std::uint16_t TruncatedLow16(const Decimal& d) {
  std::uint32_t low = 0;
  const long keep = static_cast<long>(d.digits.size()) + d.exponent;  // integer digits
  for (long i = 0; i < keep && i < static_cast<long>(d.digits.size()); ++i) {
    low = (low * 10 + static_cast<std::uint32_t>(d.digits[static_cast<std::size_t>(i)] - '0')) &
          0xFFFF;
  }
  // Trailing zeros of a positive exponent; 10^16 is a multiple of 2^16, so 16 are enough.
  for (long z = 0; z < d.exponent && z < 16; ++z) low = (low * 10) & 0xFFFF;
  if (d.negative) low = (0x10000 - low) & 0xFFFF;
  return static_cast<std::uint16_t>(low);
}

std::optional<std::uint16_t> ScaledFromDecimal(Decimal d, int factor) {
  const int p = PowerOfTen(factor);
  if (p >= 0) {
    d.exponent += p;
    return TruncatedLow16(d);
  }
  // Not a power of ten (no editor has one): extended precision product.
  long double v = 0;
  for (char c : d.digits) v = v * 10 + (c - '0');
  v *= std::pow(10.0L, static_cast<long double>(d.exponent));
  if (d.negative) v = -v;
  v = std::trunc(v * factor);
  if (!std::isfinite(v) || std::fabs(v) > 9.0e18L) return std::nullopt;
  return static_cast<std::uint16_t>(static_cast<std::int64_t>(v) & 0xFFFF);
}

int Bcd(int value) {
  return ((value / 10) % 10) * 16 + value % 10;
}

int ParseTwoDigits(std::string_view s, std::size_t at) {
  if (at + 2 > s.size() || !IsDigit(s[at]) || !IsDigit(s[at + 1])) return -1;
  return (s[at] - '0') * 10 + (s[at + 1] - '0');
}

constexpr std::uint16_t kFuelValveCodes[] = {137, 138};
constexpr std::uint16_t kRetFromTestCodes[] = {198, 199, 200};
constexpr std::uint16_t kAtsTypeCodes[] = {186, 187, 188};
constexpr std::uint16_t kAtsLogicCodes[] = {184, 185};
constexpr std::uint16_t kLanguageCodes[] = {116, 117};

// clang-format off
constexpr EnumeratedRegister kEnumerated[] = {
    {0x00DC, "FUEL_VALVE", "cbFuelValve", kFuelValveCodes},
    {0x0103, "RET_FROM_TEST", "cbRetFromTest", kRetFromTestCodes},
    {0x0104, "ATS_TYPE", "cbATSType", kAtsTypeCodes},
    {0x0105, "ATS_LOG", "cbATSLogic", kAtsLogicCodes},
    {0x0074, "LANGUAGE", "cbLanguage", kLanguageCodes},
};
// clang-format on

}  // namespace

// ---- Scaled numbers -------------------------------------------------------------------------

double LoadScaled(const SiteImages& images, int site, std::uint16_t reg, int factor) {
  return static_cast<double>(Signed(images.Word(site, reg))) / (factor == 0 ? 1 : factor);
}

double LoadUnsigned(const SiteImages& images, int site, std::uint16_t reg) {
  return static_cast<double>(images.Word(site, reg));
}

std::string ShortestText(double value) {
  if (!std::isfinite(value)) return {};
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, r.ptr);
}

std::optional<std::uint16_t> ScaledWord(double value, int factor) {
  if (!std::isfinite(value)) return std::nullopt;
  return ScaledWordFromText(ShortestText(value), factor);
}

std::optional<std::uint16_t> ScaledWordFromText(std::string_view text, int factor) {
  std::optional<Decimal> d = ParseDecimal(text);
  if (!d) return std::nullopt;
  return ScaledFromDecimal(*d, factor);
}

std::optional<std::uint16_t> IntegerWordFromText(std::string_view text) {
  text = Trim(text);
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  if (i == text.size()) return std::nullopt;
  for (std::size_t j = i; j < text.size(); ++j) {
    if (!IsDigit(text[j])) return std::nullopt;
  }
  std::optional<Decimal> d = ParseDecimal(text);
  if (!d || d->digits.size() > 10) return std::nullopt;
  const long long magnitude = d->digits.empty() ? 0 : std::stoll(d->digits);
  const long long value = d->negative ? -magnitude : magnitude;
  if (value < -2147483648LL || value > 2147483647LL) return std::nullopt;
  return static_cast<std::uint16_t>(value & 0xFFFF);
}

std::optional<std::uint16_t> RoundedWordFromText(std::string_view text, int factor) {
  std::optional<Decimal> d = ParseDecimal(text);
  const int p = PowerOfTen(factor);
  if (!d || p < 0) return std::nullopt;
  d->exponent += p;
  // Split into the integer digits and the dropped fraction.
  const long keep = static_cast<long>(d->digits.size()) + d->exponent;
  Decimal whole = *d;
  bool roundUp = false;
  if (d->exponent < 0) {
    const std::size_t k = keep > 0 ? static_cast<std::size_t>(keep) : 0;
    const std::string fraction =
        keep >= 0 ? d->digits.substr(k)
                  : std::string(static_cast<std::size_t>(-keep), '0') + d->digits;
    whole.digits = d->digits.substr(0, k);
    whole.exponent = 0;
    const char first = fraction.empty() ? '0' : fraction[0];
    const bool rest = fraction.find_first_not_of('0', 1) != std::string::npos;
    const bool odd = !whole.digits.empty() && (whole.digits.back() - '0') % 2 == 1;
    roundUp = first > '5' || (first == '5' && (rest || odd));
  }
  std::uint16_t low = TruncatedLow16(Decimal{false, whole.digits, whole.exponent});
  if (roundUp) low = static_cast<std::uint16_t>(low + 1);
  if (d->negative) low = static_cast<std::uint16_t>(0x10000 - low);
  return low;
}

std::optional<double> DecimalNumberFromText(std::string_view text) {
  if (!ParseDecimal(text)) return std::nullopt;
  const std::string trimmed(Trim(text));
  double value = 0;
  const char* first = trimmed.data();
  const char* last = first + trimmed.size();
  if (first != last && *first == '+') ++first;
  const auto r = std::from_chars(first, last, value);
  if (r.ec != std::errc() || r.ptr != last || !std::isfinite(value)) return std::nullopt;
  return value;
}

void StoreScaled(SiteImages& images, int site, std::uint16_t reg, double value, int factor) {
  if (std::optional<std::uint16_t> w = ScaledWord(value, factor)) images.SetWord(site, reg, *w);
}

bool StoreScaledText(SiteImages& images, int site, std::uint16_t reg, std::string_view text,
                     int factor) {
  std::optional<std::uint16_t> w = ScaledWordFromText(text, factor);
  if (!w) return false;
  images.SetWord(site, reg, *w);
  return true;
}

std::string FixedText(double value, int decimals) {
  if (!std::isfinite(value)) return {};
  if (decimals < 0) decimals = 0;
  // Round half away from zero on the exact decimal digits of the shortest text.
  std::optional<Decimal> d = ParseDecimal(ShortestText(value));
  if (!d) return {};
  std::string digits = d->digits;
  long exponent = d->exponent;
  // Bring to exactly `decimals` fractional digits.
  const long shift = exponent + decimals;  // >= 0: append zeros; < 0: drop digits
  if (shift >= 0) {
    digits.append(static_cast<std::size_t>(shift), '0');
  } else {
    const long drop = -shift;
    bool roundUp = false;
    if (drop <= static_cast<long>(digits.size())) {
      roundUp = digits[digits.size() - static_cast<std::size_t>(drop)] >= '5';
      digits.resize(digits.size() - static_cast<std::size_t>(drop));
    } else {
      digits.clear();
    }
    if (roundUp) {
      int i = static_cast<int>(digits.size()) - 1;
      while (i >= 0 && digits[static_cast<std::size_t>(i)] == '9') {
        digits[static_cast<std::size_t>(i)] = '0';
        --i;
      }
      if (i < 0) {
        digits.insert(digits.begin(), '1');
      } else {
        ++digits[static_cast<std::size_t>(i)];
      }
    }
  }
  while (digits.size() < static_cast<std::size_t>(decimals) + 1) digits.insert(digits.begin(), '0');
  std::string text;
  const bool zero = digits.find_first_not_of('0') == std::string::npos;
  if (d->negative && !zero) text.push_back('-');
  text.append(digits, 0, digits.size() - static_cast<std::size_t>(decimals));
  if (decimals > 0) {
    text.push_back('.');
    text.append(digits, digits.size() - static_cast<std::size_t>(decimals), std::string::npos);
  }
  return text;
}

// ---- Run hours ----------------------------------------------------------------------------------

double RunHoursValue(const SiteImages& images, int site) {
  // Both words unsigned: a prime-power set passes 32767 hours.
  return images.Word(site, reg::kRunHours.address) +
         images.Word(site, reg::kRunHours.address + 1) / 3600.0;
}

void StoreRunHours(SiteImages& images, int site, double value) {
  if (!std::isfinite(value)) return;
  const double whole = std::trunc(value);
  const double seconds = std::round((value - whole) * 3600.0);
  // Low 16 bits of the whole hours (the editor limits keep them in range).
  const auto low16 = [](double v) {
    const double m = std::fmod(v, 65536.0);
    return static_cast<std::uint16_t>(static_cast<std::int64_t>(m) & 0xFFFF);
  };
  images.SetWord(site, reg::kRunHours.address, low16(whole));
  images.SetWord(site, reg::kRunHours.address + 1, low16(seconds));
}

// ---- Decimals and factors -------------------------------------------------------------------

int ChannelDecimals(const SiteImages& images, int site, int channel) {
  if (channel < 1 || channel > 3) return 0;
  return (images.Word(site, 0x0129 + channel - 1) >> 8) & 3;
}

int LevelDivisor(int decimals) {
  switch (decimals) {
    case 1:
      return 10;
    case 2:
      return 100;
    case 3:
      return 1000;
    default:
      return 1;
  }
}

int LevelMultiplier(int decimals) {
  switch (decimals) {
    case 1:
      return 10;
    case 2:
      return 100;
    default:
      return 1;
  }
}

int CurveFactor(int decimals) {
  return LevelMultiplier(decimals);
}

// ---- Generator name and serial number -------------------------------------------------------

std::string GeneratorNameText(const SiteImages& images, int site) {
  std::string text;
  for (int k = 0; k < reg::kGeneratorName.count; ++k) {
    const std::uint16_t w = images.Word(site, reg::kGeneratorName.address + k);
    for (int b : {w & 0xFF, w >> 8}) {
      if (b >= 0x20 && b <= 0x7D) text.push_back(static_cast<char>(b));
    }
  }
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void StoreGeneratorName(SiteImages& images, int site, std::string_view text) {
  const std::string bytes = Utf8ToCp936(text);
  std::string name;
  for (std::size_t i = 0; i < bytes.size() && name.size() < 16;) {
    const bool lead = static_cast<unsigned char>(bytes[i]) >= 0x81 && i + 1 < bytes.size();
    const std::size_t n = lead ? 2 : 1;
    if (name.size() + n > 16) break;
    name.append(bytes, i, n);
    i += n;
  }
  name.resize(16, ' ');
  for (char& c : name) {
    if (c == ' ') c = '_';
  }
  for (int k = 0; k < reg::kGeneratorName.count; ++k) {
    const auto lo = static_cast<unsigned char>(name[static_cast<std::size_t>(2 * k)]);
    const auto hi = static_cast<unsigned char>(name[static_cast<std::size_t>(2 * k + 1)]);
    images.SetWord(site, reg::kGeneratorName.address + k,
                   static_cast<std::uint16_t>(lo | (hi << 8)));
  }
}

void StoreSerialNumber(SiteImages& images, int site, std::string_view text) {
  for (int k = 0; k < 3; ++k) {
    int word = 0;
    for (int i = 0; i < 4; ++i) {
      const std::size_t at = static_cast<std::size_t>(4 * k + i);
      const char c = at < text.size() ? text[at] : '0';
      word = word * 16 + HexDigitValue(c == ' ' ? '_' : c);
    }
    images.SetWord(site, reg::kSerialNumber.address + k, static_cast<std::uint16_t>(word));
  }
}

// ---- Controller clock -------------------------------------------------------------------------

CivilDate Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

bool IsValidDate(const CivilDate& date) {
  if (date.month < 1 || date.month > 12 || date.day < 1) return false;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (date.year % 4 == 0 && date.year % 100 != 0) || date.year % 400 == 0;
  const int days = kDays[date.month - 1] + (date.month == 2 && leap ? 1 : 0);
  return date.day <= days;
}

bool IsValidTime(const TimeOfDay& time) {
  return time.hour >= 0 && time.hour <= 23 && time.minute >= 0 && time.minute <= 59 &&
         time.second >= 0 && time.second <= 59;
}

void StoreControllerDate(SiteImages& images, int site, const CivilDate& date) {
  const int yy = ((date.year % 100) + 100) % 100;
  images.SetWord(site, 0x000F, static_cast<std::uint16_t>(Bcd(yy) << 8));
  images.SetWord(site, 0x000E, static_cast<std::uint16_t>(Bcd(date.month) | (Bcd(date.day) << 8)));
}

void StoreControllerTime(SiteImages& images, int site, const TimeOfDay& time) {
  images.SetWord(site, 0x000C,
                 static_cast<std::uint16_t>((Bcd(time.hour) << 8) | Bcd(time.minute)));
  images.SetWord(site, 0x000D, static_cast<std::uint16_t>(Bcd(time.second) << 8));
}

std::optional<CivilDate> ParseControllerDate(std::string_view text, int currentYear) {
  if (text.size() != 8 || text[2] != '-' || text[5] != '-') return std::nullopt;
  const int yy = ParseTwoDigits(text, 0);
  const int mm = ParseTwoDigits(text, 3);
  const int dd = ParseTwoDigits(text, 6);
  if (yy < 0 || mm < 0 || dd < 0) return std::nullopt;
  // Window of 100 years starting 50 years before the current year.
  const int base = currentYear - 50;
  int year = (base / 100) * 100 + yy;
  if (year < base) year += 100;
  const CivilDate date{year, mm, dd};
  if (!IsValidDate(date)) return std::nullopt;
  return date;
}

std::optional<TimeOfDay> ParseControllerTime(std::string_view text) {
  if (text.size() != 8 || text[2] != ':' || text[5] != ':') return std::nullopt;
  const TimeOfDay time{ParseTwoDigits(text, 0), ParseTwoDigits(text, 3), ParseTwoDigits(text, 6)};
  if (!IsValidTime(time)) return std::nullopt;
  return time;
}

std::optional<CivilDate> ControllerDateValue(const SiteImages& images, int site, int currentYear) {
  return ParseControllerDate(images.ControllerDateText(site), currentYear);
}

std::optional<TimeOfDay> ControllerTimeValue(const SiteImages& images, int site) {
  return ParseControllerTime(images.ControllerTimeText(site));
}

// ---- Enumerated registers -------------------------------------------------------------------

std::span<const EnumeratedRegister> EnumeratedRegisters() {
  return kEnumerated;
}

const EnumeratedRegister* FindEnumeratedRegister(std::uint16_t reg) {
  for (const EnumeratedRegister& e : kEnumerated) {
    if (e.reg == reg) return &e;
  }
  return nullptr;
}

std::optional<int> EnumIndex(const EnumeratedRegister& e, std::uint16_t word) {
  for (std::size_t i = 0; i < e.codes.size(); ++i) {
    if (e.codes[i] == word) return static_cast<int>(i);
  }
  return std::nullopt;
}

std::optional<std::uint16_t> EnumCode(const EnumeratedRegister& e, int index) {
  if (index < 0 || index >= static_cast<int>(e.codes.size())) return std::nullopt;
  return e.codes[static_cast<std::size_t>(index)];
}

// ---- Bit fields -----------------------------------------------------------------------------

bool PowerSaveChecked(std::uint16_t word) {
  return (word & 0x8000) != 0;
}

std::uint16_t WithPowerSave(std::uint16_t word, bool checked) {
  return static_cast<std::uint16_t>(checked ? (word | 0x8000) : (word & 0x7FFF));
}

int FieldOf(std::uint16_t word, int shift) {
  return (word >> shift) & 0xF;
}

std::uint16_t WithField(std::uint16_t word, int shift, int value) {
  const int mask = 0xF << shift;
  return static_cast<std::uint16_t>((word & ~mask) | ((value & 0xF) << shift));
}

int CurrentActionIndex(int field) {
  if (field == 13) return 0;
  if (field == 12) return 1;
  return 2;
}

std::optional<int> CurrentActionCode(int index) {
  if (index == 0) return 13;
  if (index == 1 || index == 2) return 12;
  return std::nullopt;
}

int ActionIndex(int nibble) {
  std::optional<int> p = AlarmActionPosition(static_cast<std::uint8_t>(nibble & 0xF));
  return p ? *p : kOtherActionIndex;
}

int ActionNibble(int index) {
  if (index < 0 || index >= kAlarmActionCount) return 0;
  return AlarmActionList()[static_cast<std::size_t>(index)].nibble;
}

// ---- Function code maps -----------------------------------------------------------------------

int AnalogueFunctionIndex(std::uint16_t code) {
  return AnalogueFunctionPosition(code).value_or(kUnknownFunctionIndex);
}

std::uint16_t AnalogueFunctionCode(int index) {
  if (index < 0 || index >= kAnalogueFunctionCount) return 0;
  return AnalogueFunctionCodes()[static_cast<std::size_t>(index)];
}

int InputFunctionIndex(std::uint16_t code) {
  return InputFunctionPosition(code).value_or(kUnknownFunctionIndex);
}

std::uint16_t InputFunctionCode(int index) {
  if (index < 0 || index >= kInputFunctionCount) return 0;
  return InputFunctionCodes()[static_cast<std::size_t>(index)];
}

int OutputFunctionIndex(std::uint16_t word) {
  return word >= 160 && word <= 175 ? word - 160 : kUnknownOutputIndex;
}

std::uint16_t OutputFunctionCode(int index) {
  return index >= 0 && index < kOutputFunctionCount ? static_cast<std::uint16_t>(160 + index) : 0;
}

// ---- Channel words ------------------------------------------------------------------------------

std::uint16_t BuildChannelWord(int functionIndex, int actionIndex, int activityIndex,
                               ChannelKind kind) {
  const std::uint16_t code = kind == ChannelKind::Analogue ? AnalogueFunctionCode(functionIndex)
                                                           : InputFunctionCode(functionIndex);
  int word = code;
  if (activityIndex == 1) word |= 0x0800;
  word |= ActionNibble(actionIndex) << 12;
  return static_cast<std::uint16_t>(word);
}

std::uint16_t BuildTypeWord(std::uint16_t oldWord, int typeIndex, int conditionIndex,
                            int decimalsIndex, int unitIndex) {
  if (typeIndex < 0 || typeIndex > 63) return oldWord;
  if (typeIndex <= 2) return static_cast<std::uint16_t>((oldWord & 0x03FF) | (typeIndex << 10));
  const int condition = conditionIndex >= 0 ? (conditionIndex & 1) : (oldWord >> 3) & 1;
  const int unit = unitIndex >= 0 ? (unitIndex & 7) : (oldWord >> 4) & 7;
  const int decimals = decimalsIndex >= 0 ? (decimalsIndex & 3) : (oldWord >> 8) & 3;
  return static_cast<std::uint16_t>(condition * 8 + unit * 16 + decimals * 256 + typeIndex * 1024);
}

std::uint16_t WithPolarityBit(std::uint16_t word, int bit, int polarityIndex) {
  if (bit < 0 || bit > 15) return word;
  if (polarityIndex == 0) return static_cast<std::uint16_t>(word & ~(1u << bit));
  if (polarityIndex == 1) return static_cast<std::uint16_t>(word | (1u << bit));
  return word;
}

// ---- Factory diagnostic values ------------------------------------------------------------------

std::string FactoryHexText(const SiteImages& images, int site, std::uint16_t reg) {
  return HexWordText(images.Word(site, reg));
}

}  // namespace vorel
