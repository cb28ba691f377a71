// The load and store passes of one parameter window, and the exact scaled store.
#include <benchmark/benchmark.h>

#include <memory>

#include "core/alarm_codes.h"
#include "core/conversions.h"
#include "core/editor_model.h"
#include "core/site_images.h"

namespace {

std::unique_ptr<vorel::SiteImages> FilledImages() {
  auto images = std::make_unique<vorel::SiteImages>();
  for (int a = 0; a < vorel::kImageWords; ++a) {
    images->SetWord(1, a, static_cast<std::uint16_t>(a * 40503 + 0x5A5A));
  }
  return images;
}

void BM_LoadPass(benchmark::State& state) {
  const auto images = FilledImages();
  vorel::EditorModel model;
  for (auto _ : state) {
    model.Load(*images, 1, 2026);
    benchmark::DoNotOptimize(model[0]);
  }
}
BENCHMARK(BM_LoadPass);

void BM_StorePass(benchmark::State& state) {
  auto images = FilledImages();
  vorel::EditorModel model;
  model.Load(*images, 1, 2026);
  for (auto _ : state) {
    model.Store(*images, 1);
    benchmark::DoNotOptimize(images->Word(1, 0x0073));
  }
}
BENCHMARK(BM_StorePass);

void BM_ScaledWord(benchmark::State& state) {
  double v = 0.57;
  for (auto _ : state) {
    benchmark::DoNotOptimize(vorel::ScaledWord(v, 100));
    v += 0.01;
    if (v > 300) v = -300;
  }
}
BENCHMARK(BM_ScaledWord);

void BM_AlarmCodeText(benchmark::State& state) {
  std::uint16_t code = 0x2800;
  for (auto _ : state) {
    benchmark::DoNotOptimize(vorel::AlarmCodeText(3101, code));
    code = static_cast<std::uint16_t>(code + 1);
  }
}
BENCHMARK(BM_AlarmCodeText);

}  // namespace

BENCHMARK_MAIN();
