#include "files/trend_csv.h"

#include <cstdio>
#include <ctime>

#include "core/language.h"
#include "files/event_log_csv.h"

namespace vorel {

std::string TrendTimeText(std::int64_t timeMs) {
  const std::time_t seconds = static_cast<std::time_t>(timeMs / 1000);
  const int millis = static_cast<int>(timeMs % 1000);
  std::tm local{};
  if (!localtime_r(&seconds, &local)) return {};
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                millis < 0 ? 0 : millis);
  return text;
}

std::string TrendCsv(const TrendBuffer& buffer, const std::vector<std::string>& titles) {
  std::string csv = "\xEF\xBB\xBF";
  csv += CsvField(PickText("Time", "时间"));
  for (int s = 0; s < kTrendSeriesCount; ++s) {
    csv += ',';
    if (static_cast<std::size_t>(s) < titles.size())
      csv += CsvField(titles[static_cast<std::size_t>(s)]);
  }
  csv += "\r\n";
  for (std::size_t i = 0; i < buffer.Size(); ++i) {
    const TrendSample& sample = buffer.At(i);
    csv += TrendTimeText(sample.timeMs);
    for (int s = 0; s < kTrendSeriesCount; ++s) {
      csv += ',';
      if (const auto n = sample.Number(s)) csv += n->Text();
    }
    csv += "\r\n";
  }
  return csv;
}

}  // namespace vorel
