// Compositing a BGRA layer over a 2048 x 2048 BGRA image, as the canvas composes through the
// normal blend: the simple blend's mode 0 and the editor-compatible blend at full and half
// opacity, against the plain row copy of the same pixels (the floor: no blending at all).
// Also the solid blends, plain against their SIMD forms.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "core/CpuFeatures.h"
#include "rowops/CoreTables.h"
#include "rowops/RowBlendOp.h"
#include "rowops/RowBlendWvkOp.h"
#include "rowops/RowCopyOp.h"
#include "rowops/RowOpContext.h"

namespace {

constexpr int kSide = 2048;

struct Images {
  std::vector<std::uint8_t> layer, image;
  Images() : layer(static_cast<std::size_t>(kSide) * kSide * 4), image(layer.size()) {
    for (std::size_t i = 0; i < layer.size(); ++i) {
      // Alpha runs through every value so that no pixel path dominates.
      layer[i] = static_cast<std::uint8_t>(i % 4 == 3 ? (i / 4) % 256 : i * 131 + (i >> 9));
      image[i] = static_cast<std::uint8_t>(i * 17 + 5);
    }
  }
};

void Compose(benchmark::State& state, const corvel::RowOperation& op, corvel::keFormat src) {
  corvel::InitCoreTables(nullptr);
  Images images;
  corvel::RowOpExecutor executor(op, corvel::keFormatBGRA, src);
  if (!executor.IsBound()) state.SkipWithError("no kernel");
  for (auto _ : state) {
    for (int y = 0; y < kSide; ++y) {
      const std::size_t row = static_cast<std::size_t>(y) * kSide * 4;
      executor.Run(kSide, images.image.data() + row, images.layer.data() + row);
    }
    benchmark::ClobberMemory();
  }
  state.counters["Mpx/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kSide * kSide / 1e6,
                                               benchmark::Counter::kIsRate);
}

void BM_CopyBGRA(benchmark::State& state) { Compose(state, corvel::RowCopyOp(), corvel::keFormatBGRA); }
void BM_NormalBlendBGRA(benchmark::State& state) {
  Compose(state, corvel::DefaultRowBlendOp(), corvel::keFormatBGRA);
}
void BM_EditorNormalBlendBGRA(benchmark::State& state) {
  corvel::RowBlendWvkOp op(corvel::keWvkNormal);
  op.SetOpacity(static_cast<std::uint32_t>(state.range(0)));
  Compose(state, op, corvel::keFormatBGRA);
}

void Solid(benchmark::State& state, corvel::keFormat format, int variant) {
  const int bytes = corvel::CPixelFormat(format).GetBitsPerPixel() / 8;
  std::vector<std::uint8_t> image(static_cast<std::size_t>(kSide) * kSide * bytes, 90);
  corvel::CpuFeaturesOverride forced(corvel::ProbedOrNone(variant != 0));
  corvel::RowOpExecutor executor(corvel::RowBlendSolidOp(0x80336699), format, corvel::keFormatNone);
  for (auto _ : state) {
    for (int y = 0; y < kSide; ++y)
      executor.Run(kSide, image.data() + static_cast<std::size_t>(y) * kSide * bytes, nullptr);
    benchmark::ClobberMemory();
  }
  state.counters["Mpx/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kSide * kSide / 1e6,
                                               benchmark::Counter::kIsRate);
}

void BM_SolidBGR(benchmark::State& state) {
  Solid(state, corvel::keFormatBGR, static_cast<int>(state.range(0)));
}
void BM_SolidBGRxA(benchmark::State& state) {
  Solid(state, corvel::keFormatBGRxA, static_cast<int>(state.range(0)));
}

BENCHMARK(BM_CopyBGRA)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NormalBlendBGRA)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditorNormalBlendBGRA)->Arg(255)->Arg(128)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SolidBGR)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SolidBGRxA)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
