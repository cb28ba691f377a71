#include "app/cli_identify.h"

#include <string_view>

namespace vorel {
namespace {

// The beginnings of the log lines that say nothing about the controller: the tool's banner,
// the address already named by "Address N: ...", the progress line and the status word's
// lines for a healthy controller.
constexpr std::string_view kNoise[] = {
    "Korvane Interface ", "Communication Address ", "Initializing", "Register Init!", "Device OK!",
};

bool IsNoise(std::string_view line) {
  if (line.find_first_not_of(' ') == std::string_view::npos) return true;
  for (std::string_view start : kNoise)
    if (line.starts_with(start)) return true;
  return false;
}

}  // namespace

std::vector<std::string> IdentificationLines(const std::vector<std::string>& powerUpLog) {
  std::vector<std::string> lines;
  for (const std::string& line : powerUpLog) {
    // The device name fills its registers with blanks.
    if (!IsNoise(line)) lines.push_back(line.substr(0, line.find_last_not_of(' ') + 1));
  }
  return lines;
}

}  // namespace vorel
