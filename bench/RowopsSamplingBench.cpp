// Bilinear sampling along an affine map (rotation by 30 degrees, scale 0.9 about the centre) of
// a 4096 x 4096 BGRA image into a 4096 x 4096 output through ImageSampler, row by row: the inner
// loop of every tile. The plain and the SSE2 kernels run side by side (Mpx/s of output).
// RowSampler: the tile render's sampler on the same map, 1024 x 1024 pixels of output read from a
// 2048 x 2048 source in one block, against the plain kernel in the same run ("vs_plain").
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <vector>

#include "PhotoLikeImage.h"
#include "core/CpuFeatures.h"
#include "core/RowIteratorBands.h"
#include "rowops/ImageSampler.h"
#include "rowops/RowOperation.h"
#include "rowops/RowSampler.h"

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

// The source in one block at a pitch of its own, read as the tile render reads it: through a window
// over the whole image, asking for the rows eight output rows down ahead of use.
class RowSamplerSource {
 public:
  static constexpr int kSide = 2048, kPitch = 4 * kSide + 64;
  RowSamplerSource() : bytes_(std::size_t(kPitch) * kSide), pointers_(kSide), below_(kSide, kPitch) {
    CRowIteratorBands& image = PhotoLikeImage<kSide>();
    for (int y = 0; y < kSide; ++y) {
      pointers_[std::size_t(y)] = bytes_.data() + std::size_t(kPitch) * std::size_t(y);
      const BYTE* row = image.LockRowPointer(y, 0, -1);
      std::copy(row, row + 4 * kSide, pointers_[std::size_t(y)]);
      image.ReleaseRow(y);
    }
    below_.back() = 0;
  }
  BgraRows Rows(std::intptr_t ahead) const {
    BgraRows rows{pointers_.data(), below_.data(), kSide, kSide, bytes_.data(), kPitch, 0, 0, kSide, kSide};
    rows.windowAhead = ahead;
    return rows;
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::vector<std::uint8_t*> pointers_;
  std::vector<std::intptr_t> below_;
};

// One output row's 24.8 positions along the map, stepped in 16.16 as a fold kernel steps them.
constexpr int kMapChunk = 64;

void MapRow(const Matrix3& map, int y, std::int32_t* positions, int width) {
  const std::int32_t x16 = std::int32_t(std::lround(65536 * (map.m01 * y + map.m02)));
  const std::int32_t y16 = std::int32_t(std::lround(65536 * (map.m11 * y + map.m12)));
  const std::int32_t dx = std::int32_t(std::lround(65536 * map.m00)),
                     dy = std::int32_t(std::lround(65536 * map.m10));
  std::int32_t xs[kMapChunk], ys[kMapChunk];
  for (int first = 0; first < width; first += kMapChunk) {
    for (int k = 0; k < kMapChunk; ++k) {
      xs[k] = (x16 + (first + k) * dx) >> 8;
      ys[k] = (y16 + (first + k) * dy) >> 8;
    }
    for (int k = 0; k < kMapChunk; ++k) {
      positions[2 * (first + k)] = xs[k];
      positions[2 * (first + k) + 1] = ys[k];
    }
  }
}

void RowSampler(benchmark::State& state) {
  static const RowSamplerSource source;
  constexpr int kOutput = 1024, kRowsAhead = 8;
  const double angle = 30 * 3.14159265358979323846 / 180, scale = 0.9;
  const double c = scale * std::cos(angle), s = scale * std::sin(angle);
  const Matrix3 map{c, -s, 700, s, c, 300, 0, 0, 1};
  const std::intptr_t ahead = std::intptr_t(std::lround(-s * kRowsAhead)) * 4 +
                              std::intptr_t(std::lround(c * kRowsAhead)) * RowSamplerSource::kPitch;
  const BgraRows view = source.Rows(ahead);
  std::vector<std::int32_t> positions(2 * kOutput);
  std::vector<std::uint8_t> out(4 * kOutput);
  auto render = [&] {
    const auto start = std::chrono::steady_clock::now();
    for (int y = 0; y < kOutput; ++y) {
      MapRow(map, y, positions.data(), kOutput);
      SampleBilinearBgra(view, out.data(), positions.data(), kOutput, SampleEdge::kClamp);
      benchmark::DoNotOptimize(out.data());
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  double ours = 0, plain = 0;
  for (auto _ : state) {
    ours += render();
    CpuFeaturesOverride none(CpuFeatures{});
    plain += render();
  }
  state.counters["Mpx/s"] = benchmark::Counter(double(kOutput) * kOutput * double(state.iterations()) / 1e6 /
                                               ours);
  state.counters["vs_plain"] = benchmark::Counter(plain / ours);
}

BENCHMARK(RowSampler)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SampleBilinearPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SampleBilinearSimd)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SampleBilinearSimdWholeRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SampleNearest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SampleBicubic)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvel
