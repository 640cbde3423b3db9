// Row conversions over a 4096 x 4096 image, plain kernels against their SIMD forms. "ToRow"
// converts every row of the image into one row buffer, as the samplers, paints and two-stage
// bindings use conversions; "ToImage" writes a second image and is bound by memory bandwidth
// (memcpy of the image shows the ceiling).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "core/CpuFeatures.h"
#include "rowops/RowCopyOp.h"
#include "rowops/RowOpContext.h"

namespace {

constexpr int kSide = 4096;

void Convert(benchmark::State& state, corvel::keFormat dst, corvel::keFormat src, int variant, bool toImage) {
  const int dstBytes = corvel::CPixelFormat(dst).GetBitsPerPixel() / 8;
  const int srcBytes = corvel::CPixelFormat(src).GetBitsPerPixel() / 8;
  std::vector<std::uint8_t> from(static_cast<std::size_t>(kSide) * kSide * srcBytes);
  std::vector<std::uint8_t> to(static_cast<std::size_t>(kSide) * (toImage ? kSide : 1) * dstBytes);
  for (std::size_t i = 0; i < from.size(); ++i) from[i] = static_cast<std::uint8_t>(i * 131 + (i >> 9));
  corvel::CpuFeaturesOverride forced(corvel::ProbedOrNone(variant != 0));
  corvel::RowOpExecutor executor(corvel::RowCopyOp(), dst, src);
  for (auto _ : state) {
    for (int y = 0; y < kSide; ++y) {
      executor.Run(kSide, to.data() + (toImage ? static_cast<std::size_t>(y) * kSide * dstBytes : 0),
                   from.data() + static_cast<std::size_t>(y) * kSide * srcBytes);
    }
    benchmark::ClobberMemory();
  }
  state.counters["Mpx/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kSide * kSide / 1e6,
                                               benchmark::Counter::kIsRate);
}

void BM_MemcpyBGRA(benchmark::State& state) {
  std::vector<std::uint8_t> from(static_cast<std::size_t>(kSide) * kSide * 4, 1), to(from.size());
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::ClobberMemory();
  }
  state.counters["Mpx/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kSide * kSide / 1e6,
                                               benchmark::Counter::kIsRate);
}

using corvel::keFormatBGR;
using corvel::keFormatBGRA;
using corvel::keFormatGrey;

BENCHMARK(BM_MemcpyBGRA)->Unit(benchmark::kMillisecond);
#define WF_CONVERT(name, dst, src)                                                                    \
  BENCHMARK_CAPTURE(Convert, name##_ToRow_plain, dst, src, 0, false)->Unit(benchmark::kMillisecond);  \
  BENCHMARK_CAPTURE(Convert, name##_ToRow_simd, dst, src, 1, false)->Unit(benchmark::kMillisecond);   \
  BENCHMARK_CAPTURE(Convert, name##_ToImage_plain, dst, src, 0, true)->Unit(benchmark::kMillisecond); \
  BENCHMARK_CAPTURE(Convert, name##_ToImage_simd, dst, src, 1, true)->Unit(benchmark::kMillisecond)
WF_CONVERT(BGR_to_BGRA, keFormatBGRA, keFormatBGR);
WF_CONVERT(BGRA_to_BGR, keFormatBGR, keFormatBGRA);
WF_CONVERT(BGRA_to_Grey, keFormatGrey, keFormatBGRA);

}  // namespace
