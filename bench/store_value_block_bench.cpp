// StoreValueBlock scattering the 83 parameters of group 1 (block 0x804D) by their descriptors,
// and proof that it allocates nothing: operator new is counted while the loop runs.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "core/site_images.h"

namespace {
std::atomic<long> g_allocations{0};
}  // namespace

void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace {

using vorel::SiteImages;

void BM_StoreValueBlock83Parameters(benchmark::State& state) {
  auto images = std::make_unique<SiteImages>();
  // 83 descriptors: one register each from 0x00C8, packed in order, maximum 500, minimum 0.
  std::vector<std::uint8_t> descriptors;
  for (int i = 0; i < 83; ++i) {
    const int address = 0x00C8 + i;
    const std::uint8_t d[10] = {static_cast<std::uint8_t>(address >> 8),
                                static_cast<std::uint8_t>(address),
                                1,
                                0,
                                0x01,
                                0xF4,
                                0,
                                0,
                                0,
                                static_cast<std::uint8_t>(i)};
    descriptors.insert(descriptors.end(), d, d + 10);
  }
  images->StoreDescriptors(1, vorel::reg::kParamConfig1, descriptors);
  std::vector<std::uint8_t> values(166);
  for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<std::uint8_t>(i);

  const long before = g_allocations.load();
  for (auto _ : state) {
    images->StoreValueBlock(1, vorel::reg::kParamValues1, values);
    benchmark::DoNotOptimize(images->Word(1, 0x00C8));
  }
  const long allocations = g_allocations.load() - before;
  state.counters["allocations"] = static_cast<double>(allocations);
  if (allocations != 0) state.SkipWithError("StoreValueBlock allocated");
  if (images->Word(1, 0x00C8 + 82) != ((164 << 8) | 165)) state.SkipWithError("wrong result");
}
BENCHMARK(BM_StoreValueBlock83Parameters);

}  // namespace

BENCHMARK_MAIN();
