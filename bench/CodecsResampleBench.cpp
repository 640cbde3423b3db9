// Resampling a 4000 x 3000 picture to half size by every method, beside ImageMagick's
// `convert -resize 50%` of the same picture timed in the same run (one thread, its start-up and
// file reading subtracted). The counter "xIM" is our time over ImageMagick's.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "codecs/ImageFile.h"

namespace {

constexpr long kWidth = 4000;
constexpr long kHeight = 3000;

using Clock = std::chrono::steady_clock;

CImageFile& Picture() {
  static CImageFile picture = [] {
    CImageFile image(kWidth, kHeight, 24, 0);
    for (long y = 0; y < kHeight; ++y) {
      BYTE* row = image.GetBits(static_cast<unsigned long>(y));
      for (long x = 0; x < kWidth; ++x) {
        row[3 * x] = static_cast<BYTE>(x * 255 / kWidth);
        row[3 * x + 1] = static_cast<BYTE>(y * 255 / kHeight);
        row[3 * x + 2] = static_cast<BYTE>((x * 7 + y * 13) ^ (x >> 3));
      }
    }
    return image;
  }();
  return picture;
}

double SecondsOf(const std::string& command) {
  const Clock::time_point start = Clock::now();
  if (std::system(command.c_str()) != 0) return -1;
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// ImageMagick's resize alone: the best of three runs, less the best of three plain reads.
double ImageMagickSeconds() {
  static const double seconds = [] {
    const std::string path = "/tmp/wf_bench_resample_" + std::to_string(getpid()) + ".bmp";
    if (!Picture().Save(path.c_str(), keImageFormatBMP)) return -1.0;
    const std::string convert = "convert -limit thread 1 bmp:" + path;
    double resize = 1e9, read = 1e9;
    for (int i = 0; i < 3; ++i) {
      resize = std::min(resize, SecondsOf(convert + " -resize 50% null: 2>/dev/null"));
      read = std::min(read, SecondsOf(convert + " null: 2>/dev/null"));
    }
    std::remove(path.c_str());
    return resize > 0 && read > 0 ? resize - read : -1.0;
  }();
  return seconds;
}

template <class Run>
void Measure(benchmark::State& state, Run run) {
  double seconds = 0;
  for (auto _ : state) {
    CImageFile half;
    const Clock::time_point start = Clock::now();
    run(half);
    seconds += std::chrono::duration<double>(Clock::now() - start).count();
    benchmark::DoNotOptimize(half.GetBits(0));
  }
  const double ours = seconds / static_cast<double>(state.iterations());
  state.counters["xIM"] = ImageMagickSeconds() > 0 ? ours / ImageMagickSeconds() : 0;
  state.counters["Mpx/s"] = benchmark::Counter(kWidth / 2.0 * kHeight / 2 / 1e6 / ours);
}

void ImageMagickResize(benchmark::State& state) {
  for (auto _ : state) state.SetIterationTime(ImageMagickSeconds());
  state.counters["xIM"] = 1;
}
BENCHMARK(ImageMagickResize)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// Resample: 1 nearest, 2 bicubic, 0 area averaging.
void Resample(benchmark::State& state) {
  Measure(state, [&](CImageFile& half) {
    Picture().Resample(kWidth / 2, kHeight / 2, static_cast<int>(state.range(0)), &half);
  });
}
BENCHMARK(Resample)->ArgName("mode")->Arg(1)->Arg(2)->Arg(0)->Iterations(2)->Unit(benchmark::kMillisecond);

// Resample2 with averaging off, so that each interpolation method does the work.
void Resample2(benchmark::State& state) {
  const auto method = static_cast<CImageFile::InterpolationMethod>(state.range(0));
  Measure(state, [&](CImageFile& half) {
    Picture().Resample2(kWidth / 2, kHeight / 2, method, CImageFile::OverflowMethod::Repeat, &half, true);
  });
}
BENCHMARK(Resample2)->ArgName("method")->DenseRange(1, 16)->Iterations(1)->Unit(benchmark::kMillisecond);

// Resample2 with its area averaging, as a shrink runs by default.
void Resample2Averaging(benchmark::State& state) {
  Measure(state, [](CImageFile& half) {
    Picture().Resample2(kWidth / 2, kHeight / 2, CImageFile::InterpolationMethod::Bilinear,
                        CImageFile::OverflowMethod::Repeat, &half, false);
  });
}
BENCHMARK(Resample2Averaging)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
