// A site's live trend as CSV for spreadsheets: a header row "Time" then each series title with
// its unit, then one row per sample, oldest first. The time is local "yyyy-mm-dd hh:mm:ss.mmm";
// each value is written as the monitor page shows it, empty where the page showed a text.
// UTF-8 with a byte order mark, CR LF line ends, fields quoted as in RFC 4180.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/trend_buffer.h"

namespace vorel {

// `titles` holds one title per series, in table order.
std::string TrendCsv(const TrendBuffer& buffer, const std::vector<std::string>& titles);

// Local time of wall-clock milliseconds: "2026-12-10 16:04:00.500".
std::string TrendTimeText(std::int64_t timeMs);

}  // namespace vorel
