// Dates typed on the command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vorel {

// "YYYY-MM-DD", or with a time "YYYY-MM-DDTHH:MM" / "YYYY-MM-DD HH:MM", in local time, as
// seconds since the epoch; nothing for anything else (trailing characters included).
std::optional<std::int64_t> ParseLocalDate(std::string_view text);

}  // namespace vorel
