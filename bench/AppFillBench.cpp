// The render's fill of a 12-megapixel output with a repeated 173 x 131 tile (FillWithTile, through
// the canvas's FillAll) against memcpy of the same bytes: the fill should run at least at half
// memcpy's bandwidth.
#include <benchmark/benchmark.h>

#include "MemcpyPeer.h"
#include "app/TilingCommand.h"

namespace {

constexpr int kWidth = 4000, kHeight = 3000;

void BM_FillWithTile(benchmark::State& state) {
  corvel::CRowIteratorBands output, tile;
  const corvel::CColorRef grey(128, 128, 128, 255);
  if (output.Create(kWidth, kHeight, corvel::keFormatBGR).GetCode() ||
      tile.Create(173, 131, corvel::keFormatBGR, &grey).GetCode()) {
    state.SkipWithError("images could not be created");
    return;
  }
  for (auto _ : state) {
    const int code = app::FillWithTile(output, tile).GetCode();
    benchmark::DoNotOptimize(code);
  }
  state.SetBytesProcessed(state.iterations() * std::int64_t{kWidth} * kHeight * 3);
}

void BM_Memcpy(benchmark::State& state) { CopyWithMemcpy(state, std::size_t{kWidth} * kHeight * 3); }

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillWithTile)->Unit(benchmark::kMillisecond);

}  // namespace
