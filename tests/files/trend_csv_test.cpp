#include "files/trend_csv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/language.h"

namespace vorel {
namespace {

// RFC 4180 records of a CSV text (CR LF line ends, quoted fields with doubled quotes).
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    std::string& field = rows.back().back();
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      rows.back().emplace_back();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;
      rows.emplace_back(1);
    } else {
      field += c;
    }
  }
  if (rows.back().size() == 1 && rows.back()[0].empty()) rows.pop_back();
  return rows;
}

TEST(TrendCsv, WritesTheTitlesAndEverySampleAndReadsBack) {
  SetLanguageSetting("english");
  TrendBuffer buffer(2);
  // Three samples into two places: the oldest goes.
  for (int k = 0; k < 3; ++k) {
    TrendSample s;
    s.timeMs = 1'700'000'000'000 + 500 * k;
    s.counts[0] = static_cast<std::int16_t>(1500 + k);
    s.divisors[0] = 1;
    s.counts[4] = 245;
    s.divisors[4] = 10;
    s.counts[5] = -5;
    s.divisors[5] = 100;
    buffer.Add(s);  // the other series: no number
  }
  std::vector<std::string> titles(kTrendSeriesCount, "x");
  titles[0] = "Engine speed (r/min)";
  titles[1] = "AI1 Oil, \"Pressure\"(Bar)";
  const std::string csv = TrendCsv(buffer, titles);
  ASSERT_EQ(csv.rfind("\xEF\xBB\xBF", 0), 0u);

  const auto rows = ParseCsv(csv.substr(3));
  ASSERT_EQ(rows.size(), 3u);
  for (const auto& row : rows) ASSERT_EQ(row.size(), 1u + kTrendSeriesCount);
  EXPECT_EQ(rows[0][0], "Time");
  EXPECT_EQ(rows[0][1], "Engine speed (r/min)");
  EXPECT_EQ(rows[0][2], "AI1 Oil, \"Pressure\"(Bar)");
  EXPECT_EQ(rows[1][0], TrendTimeText(1'700'000'000'500));
  EXPECT_EQ(rows[1][0].substr(19), ".500");
  EXPECT_EQ(rows[2][0].substr(19), ".000");
  EXPECT_EQ(rows[1][1], "1501");
  EXPECT_EQ(rows[2][1], "1502");
  EXPECT_EQ(rows[1][2], "");
  EXPECT_EQ(rows[1][5], "24.5");
  EXPECT_EQ(rows[1][6], "-0.05");
}

TEST(TrendCsv, AnEmptyBufferIsTheHeaderAlone) {
  SetLanguageSetting("chinese");
  const std::string csv = TrendCsv(TrendBuffer(4), std::vector<std::string>(kTrendSeriesCount));
  EXPECT_EQ(csv, "\xEF\xBB\xBF时间" + std::string(kTrendSeriesCount, ',') + "\r\n");
}

}  // namespace
}  // namespace vorel
