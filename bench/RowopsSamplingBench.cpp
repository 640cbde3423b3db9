// Bilinear sampling along an affine map (rotation by 30 degrees, scale 0.9 about the centre) of
// a 4096 x 4096 BGRA image into a 4096 x 4096 output through ImageSampler, row by row: the inner
// loop of every tile. The plain and the SSE2 kernels run side by side (Mpx/s of output).
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "PhotoLikeImage.h"
#include "core/CpuFeatures.h"
#include "core/RowIteratorBands.h"
#include "rowops/ImageSampler.h"
#include "rowops/RowOperation.h"

namespace corvel {
namespace {

constexpr int kSize = 4096;

Matrix3 RotateAndScale() {
  const double angle = 30 * 3.14159265358979323846 / 180, scale = 0.9, c = kSize / 2.0;
  const double a = scale * std::cos(angle), b = scale * std::sin(angle);
  // source = centre + S R (destination - centre)
  return Matrix3{a, -b, c - a * c + b * c, b, a, c - b * c - a * c, 0, 0, 1};
}

// strip: output columns per span; the output is walked strip by strip, as a tile renderer walks
// it, so that the source rows a strip touches stay in the caches and the TLB.
void SampleAffine(benchmark::State& state, int interpolation, int simd, int strip = 256) {
  CRowIteratorBands& image = PhotoLikeImage<kSize>();
  ImageSampler sampler;
  {
    CpuFeaturesOverride forced(ProbedOrNone(simd != 0));
    sampler.Init(image, interpolation, keEdgeClamp, 0, false);
  }
  const Matrix3 map = RotateAndScale();
  std::vector<BYTE> row(kSize * 4);
  for (auto _ : state) {
    for (int x = 0; x < kSize; x += strip) {
      for (int y = 0; y < kSize; ++y) {
        sampler.SampleSpan(row.data() + 4 * x, x, y, strip, &map, kClassifyHere);
        benchmark::DoNotOptimize(row.data());
      }
    }
  }
  state.counters["Mpx/s"] = benchmark::Counter(double(kSize) * kSize * state.iterations() / 1e6,
                                               benchmark::Counter::kIsRate);
}

void BM_SampleBilinearPlain(benchmark::State& state) { SampleAffine(state, keInterpolationBilinear, 0); }
void BM_SampleBilinearSimd(benchmark::State& state) { SampleAffine(state, keInterpolationBilinear, 1); }
void BM_SampleBilinearSimdWholeRows(benchmark::State& state) {
  SampleAffine(state, keInterpolationBilinear, 1, kSize);
}
void BM_SampleNearest(benchmark::State& state) { SampleAffine(state, keInterpolationNearest, 0); }
void BM_SampleBicubic(benchmark::State& state) { SampleAffine(state, keInterpolationBicubic, 0); }

BENCHMARK(BM_SampleBilinearPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SampleBilinearSimd)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SampleBilinearSimdWholeRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SampleNearest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SampleBicubic)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvel
