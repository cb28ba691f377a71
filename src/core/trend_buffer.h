// The live trend of a site: a fixed-capacity ring of samples taken from the value image when a
// poll brought new values (and gaps where one failed), each holding the time and the numbers the
// monitor page shows for the watched series. The buffer is sized once at construction and never
// allocates afterwards; when full, a new sample replaces the oldest.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/language.h"
#include "core/monitor_format.h"

namespace vorel {

class SiteImages;

// The shortest time between two polls of a site is longer than this (a sweep over the line
// takes at least 34 steps of 20 ms), so a buffer of one hour at this rate holds at least an
// hour of polls.
inline constexpr int kTrendSampleIntervalMs = 500;
inline constexpr std::size_t kTrendCapacity = 3600 * 1000 / kTrendSampleIntervalMs;

enum class TrendSeriesId {
  EngineSpeed,
  Channel1,
  Channel2,
  Channel3,
  Battery,
  GeneratorFrequency,
  VoltageL1,
  VoltageL2,
  VoltageL3,
  CurrentL1,
  CurrentL2,
  CurrentL3,
  ActivePower,
};
inline constexpr int kTrendSeriesCount = 13;

// One watched series: its id, a stable key (control names, CSV tests), titles in both
// languages, the unit (empty for the channels, whose unit is part of their configured name),
// where the monitor takes its number, and whether the view shows it before the user chooses.
struct TrendSeries {
  TrendSeriesId id;
  const char* key;
  BilingualText title;
  const char* unit;
  MonitorSource source;
  bool shownByDefault;
};
const std::array<TrendSeries, kTrendSeriesCount>& TrendSeriesTable();

// The series' title in the current language with its unit: "Engine speed (r/min)"; a channel
// adds its configured name and unit as the monitor's engine grid shows them.
std::string TrendSeriesTitle(const SiteImages& images, int site, int series);

struct TrendSample {
  std::int64_t timeMs = 0;  // wall-clock milliseconds since the epoch
  std::array<std::int16_t, kTrendSeriesCount> counts{};
  std::array<std::uint8_t, kTrendSeriesCount> divisors{};  // 1, 10, 100; 0 where no number
  // A poll failed here: no numbers, and the lines break.
  bool gap = false;

  std::optional<ScaledNumber> Number(int series) const;
};

// The numbers the monitor page shows for every series, now.
TrendSample TakeTrendSample(const SiteImages& images, int site, std::int64_t timeMs);
// A sample without numbers where a poll failed.
TrendSample TrendGap(std::int64_t timeMs);

class TrendBuffer {
 public:
  explicit TrendBuffer(std::size_t capacity = kTrendCapacity);

  void Add(const TrendSample& sample);
  void Clear();
  std::size_t Size() const { return size_; }
  std::size_t Capacity() const { return capacity_; }
  // Sample 0 is the oldest kept, Size() - 1 the newest.
  const TrendSample& At(std::size_t index) const;
  // Samples ever added since construction (not reset by Clear): a view redraws only when it
  // moved.
  std::uint64_t Added() const { return added_; }
  // Clear() calls since construction: a view that moves its points on starts over when it
  // changed.
  std::uint64_t Clears() const { return clears_; }

 private:
  // Room for the whole capacity is reserved at once but filled as samples arrive, so that an
  // hour's ring occupies memory only as its hour passes (and adding never allocates).
  std::size_t capacity_;
  std::vector<TrendSample> ring_;
  std::size_t first_ = 0;
  std::size_t size_ = 0;
  std::uint64_t added_ = 0;
  std::uint64_t clears_ = 0;
};

}  // namespace vorel
