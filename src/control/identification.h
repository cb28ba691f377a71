// The rules of controller identification that need no link: the firmware version taken from
// the device name, the table of supported controller types, the step percentages and the
// lines that describe the status word.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorel {

// Block reads of one identification; the percentage shown is steps * 100 / this.
inline constexpr int kIdentifySteps = 14;

constexpr int IdentifyPercent(int steps) {
  return steps * 100 / kIdentifySteps;
}

// The version text of a device name: the four characters from the digit before the first
// "." (fewer at the end of the text), or "0" when there is no ".".
std::string VersionText(std::string_view deviceName);

// The version as thousandths ("5.10" -> 5100, "4.1" -> 4100, "0" -> 0). "." is the decimal
// separator whatever the locale; blanks around the number are allowed. nullopt for anything
// else (a letter after the point, no digit at all, a sign).
std::optional<int> ParseVersion(std::string_view text);

// One row of the supported-type table.
struct ControllerType {
  std::uint16_t code;
  int minimumVersion;  // thousandths
  const char* chineseVersionMessage;
};

// The supported row of a product code; nullptr for a type that is not supported.
const ControllerType* FindControllerType(std::int16_t productCode);

// The message that refuses a controller, or nullopt when type and version are supported.
// `version` is nullopt when the version text did not convert.
std::optional<std::string> RefusalMessage(std::int16_t productCode, const std::string& versionText,
                                          std::optional<int> version);

// The power-up log lines that describe status word 0x0000, in their fixed order.
std::vector<std::string> StatusWordLines(std::uint16_t statusWord);

// Whether the monitor page and the event-log page are shown for this type and access level.
struct PageVisibility {
  bool statusPage;
  bool eventLogPage;
};
PageVisibility PagesFor(std::int16_t productCode, bool factoryLevel);

}  // namespace vorel
