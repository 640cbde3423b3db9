// The render's fill of a 12-megapixel output with a repeated 173 x 131 tile (FillWithTile, through
// the canvas's pattern paint) against memcpy of the same bytes: the fill should run at least at
// half memcpy's bandwidth, and as fast in the bands between which a render asks whether to stop.
#include <benchmark/benchmark.h>

#include "MemcpyPeer.h"
#include "app/TilingCommand.h"
#include "core/ProgressMeter.h"

namespace {

constexpr int kWidth = 4000, kHeight = 3000;

// With a meter, the fill asks it before each band of rows, as a render's does.
void BM_FillWithTile(benchmark::State& state) {
  const bool banded = state.range(0) != 0;
  corvel::CProgressMeter meter;
  meter.SetContinueCallback([](corvel::CProgressMeter*) { return std::int32_t{0}; });
  corvel::CRowIteratorBands output, tile;
  const corvel::CColorRef grey(128, 128, 128, 255);
  if (output.Create(kWidth, kHeight, corvel::keFormatBGR).GetCode() ||
      tile.Create(173, 131, corvel::keFormatBGR, &grey).GetCode()) {
    state.SkipWithError("images could not be created");
    return;
  }
  for (auto _ : state) {
    const int code = app::FillWithTile(output, tile, 0, banded ? &meter : nullptr).GetCode();
    benchmark::DoNotOptimize(code);
  }
  state.SetBytesProcessed(state.iterations() * std::int64_t{kWidth} * kHeight * 3);
}

void BM_Memcpy(benchmark::State& state) { CopyWithMemcpy(state, std::size_t{kWidth} * kHeight * 3); }

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillWithTile)->ArgName("banded")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
