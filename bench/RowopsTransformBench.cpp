// TransformOperation on a 2048 x 2048 BGRA image: enlarging by 1.5 with four taps and with cubic
// convolution, reducing to a half by area averaging and by sampling (Mpx/s of output), beside
// the equal-size copy that moves the same rows without resampling.
#include <benchmark/benchmark.h>

#include "PhotoLikeImage.h"
#include "core/RowIteratorBands.h"
#include "rowops/TransformOperation.h"

namespace corvel {
namespace {

constexpr int kSize = 2048;

void Transform(benchmark::State& state, std::int32_t method, int size, int samples) {
  CRowIteratorBands destination;
  destination.Create(size, size, keFormatBGRA).GetCode();
  for (auto _ : state) {
    TransformOperation transform(method, nullptr, nullptr, samples);
    benchmark::DoNotOptimize(transform.Run(destination, &PhotoLikeImage<kSize>()).GetCode());
  }
  state.counters["Mpx/s"] = benchmark::Counter(double(size) * size * state.iterations() / 1e6,
                                               benchmark::Counter::kIsRate);
}

void BM_TransformCopy(benchmark::State& state) { Transform(state, 92, kSize, 0); }
void BM_TransformFourTap(benchmark::State& state) { Transform(state, 91, kSize * 3 / 2, 0); }
void BM_TransformCubic(benchmark::State& state) { Transform(state, 92, kSize * 3 / 2, 0); }
void BM_TransformNearest(benchmark::State& state) { Transform(state, 90, kSize * 3 / 2, 0); }
void BM_TransformReduce(benchmark::State& state) { Transform(state, 92, kSize / 2, 0); }
void BM_TransformReduceSampled(benchmark::State& state) { Transform(state, 92, kSize / 4, 4); }

BENCHMARK(BM_TransformCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TransformNearest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TransformFourTap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TransformCubic)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TransformReduce)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TransformReduceSampled)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvel
