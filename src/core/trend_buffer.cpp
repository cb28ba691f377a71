#include "core/trend_buffer.h"

#include "core/language.h"
#include "core/site_images.h"

namespace vorel {
namespace {

constexpr MonitorSource Register(const RegisterBlock& block, int offset = 0) {
  return {MonitorSourceKind::Register, block.address + offset, 1};
}
constexpr MonitorSource Channel(int channel) {
  return {MonitorSourceKind::Channel, channel, 1};
}

using enum TrendSeriesId;
// clang-format off
const std::array<TrendSeries, kTrendSeriesCount> kSeries{{
    {EngineSpeed,        "speed",     {"Engine speed",      "转速"},         "r/min", kEngineSpeedSource,                 true},
    {Channel1,           "ai1",       {"AI1",               "模拟量1"},      "",      Channel(0),                         false},
    {Channel2,           "ai2",       {"AI2",               "模拟量2"},      "",      Channel(1),                         false},
    {Channel3,           "ai3",       {"AI3",               "模拟量3"},      "",      Channel(2),                         false},
    {Battery,            "battery",   {"Battery voltage",   "电池电压"},     "V",     kBatterySource,                     true},
    {GeneratorFrequency, "frequency", {"Generator frequency", "发电机频率"}, "Hz",    kGeneratorFrequencySource,          true},
    {VoltageL1,          "u1",        {"Voltage L1-N",      "相电压L1"},     "V",     Register(reg::kFirstPhaseVoltage, 0), false},
    {VoltageL2,          "u2",        {"Voltage L2-N",      "相电压L2"},     "V",     Register(reg::kFirstPhaseVoltage, 1), false},
    {VoltageL3,          "u3",        {"Voltage L3-N",      "相电压L3"},     "V",     Register(reg::kFirstPhaseVoltage, 2), false},
    {CurrentL1,          "i1",        {"Current L1",        "相电流L1"},     "A",     Register(reg::kFirstPhaseCurrent, 0), false},
    {CurrentL2,          "i2",        {"Current L2",        "相电流L2"},     "A",     Register(reg::kFirstPhaseCurrent, 1), false},
    {CurrentL3,          "i3",        {"Current L3",        "相电流L3"},     "A",     Register(reg::kFirstPhaseCurrent, 2), false},
    {ActivePower,        "power",     {"Total active power", "总有功功率"},  "kW",    Register(reg::kTotalActivePower),   false},
}};
// clang-format on

}  // namespace

const std::array<TrendSeries, kTrendSeriesCount>& TrendSeriesTable() {
  return kSeries;
}

std::string TrendSeriesTitle(const SiteImages& images, int site, int series) {
  if (series < 0 || series >= kTrendSeriesCount) return {};
  const TrendSeries& s = kSeries[static_cast<std::size_t>(series)];
  std::string title(s.title.Pick());
  if (s.source.kind == MonitorSourceKind::Channel) {
    const std::string channel = ChannelTitle(images, site, s.source.index);
    if (!channel.empty()) title += " " + channel;
  } else if (*s.unit != '\0') {
    title += std::string(" (") + s.unit + ")";
  }
  return title;
}

std::optional<ScaledNumber> TrendSample::Number(int series) const {
  if (series < 0 || series >= kTrendSeriesCount) return std::nullopt;
  const auto i = static_cast<std::size_t>(series);
  if (divisors[i] == 0) return std::nullopt;
  return ScaledNumber{counts[i], divisors[i]};
}

TrendSample TakeTrendSample(const SiteImages& images, int site, std::int64_t timeMs) {
  TrendSample sample;
  sample.timeMs = timeMs;
  for (std::size_t i = 0; i < kSeries.size(); ++i) {
    if (const auto n = MonitorNumber(images, site, kSeries[i].source)) {
      sample.counts[i] = n->count;
      sample.divisors[i] = static_cast<std::uint8_t>(n->divisor);
    }
  }
  return sample;
}

TrendSample TrendGap(std::int64_t timeMs) {
  TrendSample sample;
  sample.timeMs = timeMs;
  sample.gap = true;
  return sample;
}

TrendBuffer::TrendBuffer(std::size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {
  ring_.reserve(capacity_);
}

void TrendBuffer::Add(const TrendSample& sample) {
  ++added_;
  if (size_ < capacity_) {
    const std::size_t slot = (first_ + size_) % capacity_;
    if (slot < ring_.size()) {
      ring_[slot] = sample;
    } else {
      ring_.push_back(sample);  // within the reserved room: no allocation
    }
    ++size_;
    return;
  }
  ring_[first_] = sample;
  first_ = (first_ + 1) % capacity_;
}

void TrendBuffer::Clear() {
  first_ = 0;
  size_ = 0;
  ++clears_;
}

const TrendSample& TrendBuffer::At(std::size_t index) const {
  static const TrendSample kNoSample{};
  if (size_ == 0) return kNoSample;  // nothing kept (yet, or since Clear)
  return ring_[(first_ + (index < size_ ? index : size_ - 1)) % capacity_];
}

}  // namespace vorel
