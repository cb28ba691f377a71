// Memory of the live trends: 32 site buffers filled with one hour of samples each, as the
// refresh tick fills them; prints the computed size and the growth of the resident set. Then
// the cost of one sample (value image -> numbers -> ring), which every tick pays per site.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "core/site_images.h"
#include "core/trend_buffer.h"
#include "sim_bench_support.h"

namespace {

using vorel::bench::ResidentKiB;

void BM_TakeSample(benchmark::State& state) {
  auto images = std::make_unique<vorel::SiteImages>();
  images->SetWord(1, 0x0099, 1500);
  images->SetWord(1, 0x0129, (5 << 10) | (1 << 8));
  vorel::TrendBuffer buffer;
  std::int64_t t = 0;
  for (auto _ : state) buffer.Add(vorel::TakeTrendSample(*images, 1, t += 500));
  benchmark::DoNotOptimize(buffer.Size());
}
BENCHMARK(BM_TakeSample);

}  // namespace

int main(int argc, char** argv) {
  auto images = std::make_unique<vorel::SiteImages>();
  for (int site = 1; site <= vorel::kSiteCount; ++site) {
    images->SetWord(site, 0x0099, 1500);
    images->SetWord(site, 0x009E, 245);
  }
  const long before = ResidentKiB();
  std::array<std::unique_ptr<vorel::TrendBuffer>, vorel::kSiteCount> buffers;
  for (auto& b : buffers) b = std::make_unique<vorel::TrendBuffer>();
  // One hour at the refresh rate, every site at every tick, as the refresh step does it.
  for (std::size_t tick = 0; tick < vorel::kTrendCapacity; ++tick) {
    for (int site = 1; site <= vorel::kSiteCount; ++site) {
      images->SetWord(site, 0x0099, static_cast<std::uint16_t>(1500 + tick % 7));
      buffers[static_cast<std::size_t>(site - 1)]->Add(vorel::TakeTrendSample(
          *images, site, static_cast<std::int64_t>(tick) * vorel::kTrendSampleIntervalMs));
    }
  }
  const long after = ResidentKiB();
  const double computed =
      double(vorel::kSiteCount) * vorel::kTrendCapacity * sizeof(vorel::TrendSample);
  std::printf("trend buffers: 32 sites x %zu samples x %zu bytes = %.2f MiB computed\n",
              vorel::kTrendCapacity, sizeof(vorel::TrendSample), computed / (1024.0 * 1024.0));
  std::printf("trend buffers: resident set grew by %.2f MiB (%ld -> %ld KiB)\n",
              (after - before) / 1024.0, before, after);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
