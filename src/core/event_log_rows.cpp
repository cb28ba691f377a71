#include "core/event_log_rows.h"

#include <array>
#include <optional>

namespace vorel {
namespace {

// "aa?bb?cc" with `separator` as the three two-digit decimal numbers, or nothing.
std::optional<std::array<int, 3>> ThreeNumbers(std::string_view text, char separator) {
  if (text.size() != 8 || text[2] != separator || text[5] != separator) return std::nullopt;
  std::array<int, 3> numbers{};
  for (std::size_t n = 0; n < 3; ++n) {
    const char high = text[n * 3];
    const char low = text[n * 3 + 1];
    if (high < '0' || high > '9' || low < '0' || low > '9') return std::nullopt;
    numbers[n] = (high - '0') * 10 + (low - '0');
  }
  return numbers;
}

}  // namespace

bool EmptyEventRecord(const EventLogRowTexts& row) {
  return row[2] == "00/00/00" && row[3] == "00:00:00";
}

std::string EventDateTime(std::string_view date, std::string_view time) {
  const auto d = ThreeNumbers(date, '/');
  const auto t = ThreeNumbers(time, ':');
  if (!d || !t) return {};
  const auto [year, month, day] = *d;
  const auto [hour, minute, second] = *t;
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59)
    return {};
  return "20" + std::string(date.substr(0, 2)) + "-" + std::string(date.substr(3, 2)) + "-" +
         std::string(date.substr(6, 2)) + " " + std::string(time);
}

}  // namespace vorel
