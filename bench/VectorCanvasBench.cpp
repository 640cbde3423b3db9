// FillAll of a 12-megapixel BGRA output with a repeated 257 x 263 tile against memcpy of the same
// bytes: the fill should run at least at half memcpy's bandwidth.
#include <benchmark/benchmark.h>

#include "MemcpyPeer.h"
#include "core/RowIteratorBands.h"
#include "vector/CanvasRef.h"

namespace {

constexpr int kWidth = 4000, kHeight = 3000;

void BM_FillAll(benchmark::State& state) {
  corvel::CRowIteratorBands output, tile;
  const corvel::CColorRef grey(128, 128, 128, 255);
  if (output.Create(kWidth, kHeight, corvel::keFormatBGRA).GetCode() ||
      tile.Create(257, 263, corvel::keFormatBGRA, &grey).GetCode()) {
    state.SkipWithError("images could not be created");
    return;
  }
  for (auto _ : state) {
    corvel::CanvasRef canvas;
    corvel::PaintRef paint;
    const bool filled = canvas.AttachImage(output) == 0 && paint.SetImage(tile, false, nullptr, 1, 0, 0) &&
                        canvas.SetFillPaint(paint) && canvas.FillAll();
    if (!filled) state.SkipWithError("the fill failed");
    benchmark::DoNotOptimize(filled);
  }
  state.SetBytesProcessed(state.iterations() * std::int64_t{kWidth} * kHeight * 4);
}

void BM_Memcpy(benchmark::State& state) { CopyWithMemcpy(state, std::size_t{kWidth} * kHeight * 4); }

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillAll)->Unit(benchmark::kMillisecond);

}  // namespace
