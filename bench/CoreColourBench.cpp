// The per-row cost of progress reporting and the palette search, against bare loops.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "core/ColorUtils.h"
#include "core/ProgressMeter.h"

namespace {

constexpr int kRows = 4096;

// Baseline: a row loop with nothing to report.
void BM_RowLoopAlone(benchmark::State& state) {
  for (auto _ : state) {
    for (int row = 0; row < kRows; ++row) benchmark::DoNotOptimize(row);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_RowLoopAlone);

void BM_RowLoopWithMeter(benchmark::State& state) {
  corvel::CProgressMeter root;
  for (auto _ : state) {
    corvel::CProgressMeter child(&root);
    child.SetUnitCount(kRows);
    for (int row = 0; row < kRows; ++row) benchmark::DoNotOptimize(child.StepAndTestAbort(1));
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_RowLoopWithMeter);

void BM_NearestPaletteIndex256(benchmark::State& state) {
  std::vector<std::uint8_t> palette(256 * 4);
  for (int i = 0; i < 256; ++i) {
    palette[i * 4] = static_cast<std::uint8_t>(i * 7);
    palette[i * 4 + 1] = static_cast<std::uint8_t>(i * 13);
    palette[i * 4 + 2] = static_cast<std::uint8_t>(i * 29);
  }
  int colour = 0;
  for (auto _ : state) {
    colour = (colour + 0x9E3779) & 0xFFFFFF;
    benchmark::DoNotOptimize(corvel::NearestPaletteIndex(colour & 0xFF, (colour >> 8) & 0xFF, colour >> 16,
                                                         palette.data(), 256, 4));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_NearestPaletteIndex256);

}  // namespace
