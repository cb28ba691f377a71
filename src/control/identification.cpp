#include "control/identification.h"

#include <array>

#include "core/language.h"

namespace vorel {
namespace {

constexpr const char* kVersionWrong = "Controller version wrong! Please upgrade the software.";

constexpr std::array<ControllerType, 6> kControllerTypes{{
    {3101, 5100, "控制器版本不匹配！请升级到5.10以后的版本。"},
    {3104, 5100, "控制器版本不匹配！请升级到5.10以后的版本。"},
    {3105, 4100, "控制器版本不匹配！请升级到4.10以后的版本。"},
    {3108, 4100, "控制器版本不匹配！请升级到4.10以后的版本。"},
    {3110, 4100, "控制器版本不匹配！请升级到4.10以后的版本。"},
    {3111, 4100, "控制器版本不匹配！请升级到4.10以后的版本。"},
}};

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

std::string VersionText(std::string_view deviceName) {
  const std::size_t point = deviceName.find('.');
  if (point == std::string_view::npos) return "0";
  const std::size_t start = point == 0 ? 0 : point - 1;
  return std::string(deviceName.substr(start, 4));
}

std::optional<int> ParseVersion(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  int whole = 0;
  int fraction = 0;
  int fractionDigits = 0;
  int digits = 0;
  bool point = false;
  for (char c : text) {
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (!IsDigit(c)) return std::nullopt;
    ++digits;
    if (!point) {
      if (whole > 100000) return std::nullopt;
      whole = whole * 10 + (c - '0');
    } else if (fractionDigits < 3) {
      fraction = fraction * 10 + (c - '0');
      ++fractionDigits;
    }
  }
  if (digits == 0) return std::nullopt;
  for (int k = fractionDigits; k < 3; ++k) fraction *= 10;
  return whole * 1000 + fraction;
}

const ControllerType* FindControllerType(std::int16_t productCode) {
  for (const auto& row : kControllerTypes) {
    if (row.code == productCode) return &row;
  }
  return nullptr;
}

std::optional<std::string> RefusalMessage(std::int16_t productCode, const std::string& versionText,
                                          std::optional<int> version) {
  // The type decides first: a type outside the table is unsupported whatever its version says.
  const ControllerType* type = FindControllerType(productCode);
  if (!type) return std::string(PickText("Unsupported controller!", "本软件不支持该控制器！"));
  if (!version) {
    return std::string(PickText("Controller version \"", "控制器版本“")) + versionText +
           std::string(PickText("\" cannot be read!", "”无法识别！"));
  }
  if (*version < type->minimumVersion) {
    return std::string(PickText(kVersionWrong, type->chineseVersionMessage));
  }
  return std::nullopt;
}

std::vector<std::string> StatusWordLines(std::uint16_t word) {
  std::vector<std::string> lines;
  const unsigned init = word & 0x3u;
  if (init == 0x3u) {
    lines.emplace_back("Register Init!");
  } else if (init != 0x2u) {
    lines.emplace_back("Register Not Init!");
  }
  if ((word & 0x7Cu) == 0) lines.emplace_back("Device OK!");
  constexpr std::array<const char*, 6> kBits{"S/N Error!",     "CRC Error!",
                                             "Channel Error!", "Parameter Error!",
                                             "System Unlock!", "Product Code Error!"};
  for (unsigned bit = 2; bit <= 7; ++bit) {
    if (word & (1u << bit)) lines.emplace_back(kBits[bit - 2]);
  }
  return lines;
}

PageVisibility PagesFor(std::int16_t productCode, bool factoryLevel) {
  if (!factoryLevel && productCode == 3110) return {false, false};
  if (!factoryLevel && productCode == 3111) return {true, false};
  return {true, true};
}

}  // namespace vorel
