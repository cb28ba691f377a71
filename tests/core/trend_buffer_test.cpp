#include "core/trend_buffer.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/site_images.h"
#include "language_guard.h"

namespace vorel {
namespace {

constexpr int kSite = 3;

TrendSample SampleAt(std::int64_t timeMs) {
  TrendSample s;
  s.timeMs = timeMs;
  s.counts[0] = static_cast<std::int16_t>(timeMs);
  s.divisors[0] = 1;
  return s;
}

TEST(TrendBuffer, KeepsTheNewestSamplesOldestFirstWithinItsCapacity) {
  TrendBuffer buffer(4);
  EXPECT_EQ(buffer.Size(), 0u);
  EXPECT_EQ(buffer.Capacity(), 4u);   // before any sample fills its room
  EXPECT_EQ(buffer.At(0).timeMs, 0);  // nothing kept: an empty sample, never out of bounds
  for (int t = 1; t <= 3; ++t) buffer.Add(SampleAt(t));
  ASSERT_EQ(buffer.Size(), 3u);
  EXPECT_EQ(buffer.At(0).timeMs, 1);
  EXPECT_EQ(buffer.At(2).timeMs, 3);

  // Past the capacity each sample replaces the oldest; twice round the ring.
  for (int t = 4; t <= 10; ++t) buffer.Add(SampleAt(t));
  ASSERT_EQ(buffer.Size(), 4u);
  EXPECT_EQ(buffer.Capacity(), 4u);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(buffer.At(i).timeMs, 7 + static_cast<int>(i));
  EXPECT_EQ(buffer.Added(), 10u);

  buffer.Clear();
  EXPECT_EQ(buffer.Size(), 0u);
  EXPECT_EQ(buffer.At(0).timeMs, 0);
  buffer.Add(SampleAt(11));
  ASSERT_EQ(buffer.Size(), 1u);
  EXPECT_EQ(buffer.At(0).timeMs, 11);
  EXPECT_EQ(buffer.Added(), 11u);  // a view still sees that something new came
}

TEST(TrendBuffer, HoldsOneHourOfRefreshTicks) {
  TrendBuffer buffer;
  EXPECT_EQ(buffer.Capacity(), 7200u);
  for (int t = 0; t < 7300; ++t) buffer.Add(SampleAt(t * kTrendSampleIntervalMs));
  EXPECT_EQ(buffer.Size(), 7200u);
  EXPECT_EQ(buffer.At(0).timeMs, 100 * kTrendSampleIntervalMs);
}

// The series take the very numbers the monitor page shows.
TEST(TrendSeries, TakeTheMonitorNumbersFromTheValueImage) {
  auto images = std::make_unique<SiteImages>();
  images->SetWord(kSite, reg::kProductCode.address, 3101);
  images->SetWord(kSite, 0x0099, 1500);                                              // speed
  images->SetWord(kSite, 0x0129, static_cast<std::uint16_t>((5 << 10) | (1 << 8)));  // AI1: D=1
  images->SetWord(kSite, 0x009A, 1234);
  images->SetWord(kSite, 0x012A, static_cast<std::uint16_t>(5 << 10));  // AI2: D=0
  images->SetWord(kSite, 0x009B, 0x8001);                               // SHORT
  images->SetWord(kSite, 0x012B, static_cast<std::uint16_t>(1 << 10));  // AI3: binary
  images->SetWord(kSite, 0x009E, 245);
  images->SetWord(kSite, 0x00A7, 499);
  images->SetWord(kSite, 0x00A1, 230);
  images->SetWord(kSite, 0x00A3, 231);
  images->SetWord(kSite, 0x00B6, 0xFFFB);  // -5
  images->SetWord(kSite, 0x00B8, 17);
  images->SetWord(kSite, 0x00C5, 120);
  const TrendSample s = TakeTrendSample(*images, kSite, 42);
  EXPECT_EQ(s.timeMs, 42);

  struct Case {
    TrendSeriesId id;
    const char* text;  // "" where the page shows a text, not a number
    double value;
  };
  // clang-format off
  const Case cases[] = {
      {TrendSeriesId::EngineSpeed,        "1500",  1500},
      {TrendSeriesId::Channel1,           "123.4", 123.4},
      {TrendSeriesId::Channel2,           "",      0},
      {TrendSeriesId::Channel3,           "",      0},
      {TrendSeriesId::Battery,            "24.5",  24.5},
      {TrendSeriesId::GeneratorFrequency, "49.9",  49.9},
      {TrendSeriesId::VoltageL1,          "230",   230},
      {TrendSeriesId::VoltageL2,          "0",     0},
      {TrendSeriesId::VoltageL3,          "231",   231},
      {TrendSeriesId::CurrentL1,          "-5",    -5},
      {TrendSeriesId::CurrentL3,          "17",    17},
      {TrendSeriesId::ActivePower,        "120",   120},
  };
  // clang-format on
  for (const Case& c : cases) {
    const int series = static_cast<int>(c.id);
    ASSERT_EQ(TrendSeriesTable()[static_cast<std::size_t>(series)].id, c.id);
    const auto n = s.Number(series);
    if (*c.text == '\0') {
      EXPECT_FALSE(n) << series;
      continue;
    }
    ASSERT_TRUE(n) << series;
    EXPECT_EQ(n->Text(), c.text) << series;
    EXPECT_DOUBLE_EQ(n->Value(), c.value) << series;
  }

  // Types 3106 and 3109 show a battery of 0 whatever the register holds, and so does the trend.
  images->SetWord(kSite, reg::kProductCode.address, 3109);
  EXPECT_EQ(TakeTrendSample(*images, kSite, 0).Number(int(TrendSeriesId::Battery))->Text(), "0");
}

TEST(TrendSeries, TitlesCarryTheUnitOrTheChannelName) {
  auto images = std::make_unique<SiteImages>();
  images->SetWord(kSite, 0x0126, 84);
  images->SetWord(kSite, 0x0129, static_cast<std::uint16_t>((5 << 10) | (1 << 8)));
  LanguageGuard english("english");
  EXPECT_EQ(TrendSeriesTitle(*images, kSite, 0), "Engine speed (r/min)");
  EXPECT_EQ(TrendSeriesTitle(*images, kSite, 1), "AI1 Oil Pressure(Bar)");
  LanguageGuard chinese("chinese");
  EXPECT_EQ(TrendSeriesTitle(*images, kSite, 4), "电池电压 (V)");
  EXPECT_EQ(TrendSeriesTitle(*images, kSite, kTrendSeriesCount), "");
}

}  // namespace
}  // namespace vorel
