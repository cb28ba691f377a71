#include "app/cli_dates.h"

#include <cstdio>
#include <ctime>
#include <string>

namespace vorel {

std::optional<std::int64_t> ParseLocalDate(std::string_view text) {
  std::tm tm{};
  int y = 0, mo = 0, d = 0, h = 0, mi = 0;
  char sep = 0;
  const std::string copy(text);
  int consumed = 0;
  const int got = std::sscanf(copy.c_str(), "%4d-%2d-%2d%n%c%2d:%2d%n", &y, &mo, &d, &consumed,
                              &sep, &h, &mi, &consumed);
  if (!(got == 3 || (got == 6 && (sep == 'T' || sep == ' '))) ||
      consumed != static_cast<int>(copy.size()) || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 ||
      mi > 59 || h < 0 || mi < 0)
    return std::nullopt;
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1)) return std::nullopt;
  return static_cast<std::int64_t>(t);
}

}  // namespace vorel
