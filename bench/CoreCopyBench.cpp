// CopyPixels between two 4096 x 4096 BGRA images against memcpy of the same 64 MiB: the band
// walk and kernel choice should cost little over the bare copy.
#include <benchmark/benchmark.h>

#include "MemcpyPeer.h"
#include "core/CopyRect.h"
#include "core/RowIteratorBands.h"

namespace {

constexpr int kSide = 4096;

void BM_CopyPixels(benchmark::State& state) {
  corvel::CRowIteratorBands destination, source;
  const corvel::CColorRef grey(128, 128, 128, 255);
  if (destination.Create(kSide, kSide, corvel::keFormatBGRA, &grey).GetCode() ||
      source.Create(kSide, kSide, corvel::keFormatBGRA, &grey).GetCode()) {
    state.SkipWithError("images could not be created");
    return;
  }
  for (auto _ : state) {
    const int code = corvel::CRowIteratorBands::CopyPixels(destination, source).GetCode();
    benchmark::DoNotOptimize(code);
  }
  state.SetBytesProcessed(state.iterations() * std::int64_t{kSide} * kSide * 4);
}

void BM_Memcpy(benchmark::State& state) { CopyWithMemcpy(state, std::size_t{kSide} * kSide * 4); }

// Each kernel variant on the same images, forced as the tests force them.
void BM_CopyPixelsVariant(benchmark::State& state) {
  corvel::CpuFeatures features;
  features.mmx = state.range(0) >= 1;
  features.sse = state.range(0) >= 2;
  corvel::CpuFeaturesOverride forced(features);
  BM_CopyPixels(state);
}

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyPixels)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyPixelsVariant)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->ArgName("plain0_mmx1_sse2")
    ->Unit(benchmark::kMillisecond);

}  // namespace
