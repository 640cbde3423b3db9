// The filter's whole step as wf-host drives it (the built module loaded with dlopen; prepare to
// finish, the selectors' own time as wf-host --time counts it) on a 12-megapixel RGB image,
// against OpenCV's bilinear warpAffine of the same image on one thread, timed call by call in one
// run: "vs_warp" is the peer's time over ours, so at 1 or above the filter keeps up. "P1", "P4M",
// "P6" and "P6M" at feather 0 and 20, small and large tiles (TileSize 25 and 100); "P1" and "P6"
// with their seams bent as the shape editor's curve handles bend them (0.1, -0.1, 0.1) too.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "host/FilterHost.h"
#include "resources/ParameterTable.h"

namespace {

constexpr int kWidth = 4000, kHeight = 3000;

// Smooth shading with fine noise, as in a photo.
const wfhost::HostImageBuffer& Photo() {
  static const wfhost::HostImageBuffer image = [] {
    wfhost::HostImageBuffer made;
    made.width = kWidth, made.height = kHeight, made.planes = 3, made.mode = host::kModeRGB;
    made.pixels.resize(std::size_t(made.RowBytes()) * kHeight);
    std::uint32_t noise = 12345;
    std::size_t i = 0;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        noise = noise * 1664525u + 1013904223u;
        const double shade = 0.5 + 0.25 * std::sin(x * 0.011) * std::cos(y * 0.007) +
                             0.2 * std::sin((x + y) * 0.003);
        for (int c = 0; c < 3; ++c) {
          const int value = int(255 * shade * (0.8 + 0.1 * c)) + int(noise >> 28) - 8;
          made.pixels[i++] = std::uint8_t(value < 0 ? 0 : value > 255 ? 255 : value);
        }
      }
    }
    return made;
  }();
  return image;
}

// Null when the module cannot be loaded.
const wfhost::FilterModule* Module() {
  static wfhost::FilterModule module;
  static const bool loaded = [] {
    // The module keeps its settings in a registry of the benchmark's own.
    if (!std::getenv("WF_REGISTRY")) setenv("WF_REGISTRY", "/tmp/wf-bench-filter-registry", 1);
    std::string error;
    return module.Load(WF_MODULE_PATH, "ENTRYPOINT", &error);
  }();
  return loaded ? &module : nullptr;
}

wfhost::Descriptor Recorded(int method, int feather, int tileSize, bool bent) {
  wfhost::Descriptor descriptor;
  for (int row : resources::kDescriptorReadOrder) {
    const resources::ParameterRow& p = resources::kParameterTable[row];
    const bool seam = p.id == resources::kSpline1 || p.id == resources::kSpline2 ||
                      p.id == resources::kSpline3;
    double value = p.id == resources::kTilingMethod ? method
                   : p.id == resources::kFeathering ? feather
                   : p.id == resources::kTileSize   ? tileSize
                   : seam && bent                   ? (p.id == resources::kSpline2 ? -0.1 : 0.1)
                                                    : p.defaultValue;
    wfhost::DescriptorValue v;
    v.key = p.key;
    v.type = p.kind == resources::ParameterKind::Integer ? host::typeInteger
             : p.kind == resources::ParameterKind::Float ? host::typeFloat
                                                         : host::typeBoolean;
    v.integer = std::int32_t(value), v.real = value, v.flag = value != 0;
    descriptor.push_back(v);
  }
  return descriptor;
}

// The same image turned 30 degrees and scaled 0.9, bilinear, one thread, into a reused output.
class WarpPeer {
 public:
  WarpPeer() : source_(kHeight, kWidth, CV_8UC3), output_(kHeight, kWidth, CV_8UC3) {
    cv::setNumThreads(1);
    std::memcpy(source_.data, Photo().pixels.data(), Photo().pixels.size());
  }
  void Warp() {
    const cv::Mat turn = cv::getRotationMatrix2D(cv::Point2f(kWidth / 2.f, kHeight / 2.f), 30, 0.9);
    cv::warpAffine(source_, output_, turn, output_.size(), cv::INTER_LINEAR);
  }

 private:
  cv::Mat source_, output_;
};

void Filter(benchmark::State& state) {
  static WarpPeer peer;
  const wfhost::FilterModule* module = Module();
  if (!module) return state.SkipWithError("the module cannot be loaded");
  const int method = int(state.range(0)), feather = int(state.range(1)), tileSize = int(state.range(2));
  const bool bent = state.range(3) != 0;
  wfhost::HostImageBuffer image = Photo();
  double ours = 0, theirs = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(image.pixels.data(), Photo().pixels.data(), image.pixels.size());
    wfhost::FilterRun run;
    run.descriptor = Recorded(method, feather, tileSize, bent);
    state.ResumeTiming();
    if (wfhost::RunFilter(*module, image, run) != host::noErr) state.SkipWithError("the filter failed");
    const auto start = std::chrono::steady_clock::now();
    peer.Warp();
    theirs += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (const wfhost::StepTime& step : run.times) ours += step.seconds;
  }
  state.counters["filter_ms"] = benchmark::Counter(1e3 * ours / double(state.iterations()));
  state.counters["warp_ms"] = benchmark::Counter(1e3 * theirs / double(state.iterations()));
  state.counters["vs_warp"] = benchmark::Counter(theirs / ours);
}
BENCHMARK(Filter)
    ->ArgNames({"method", "feather", "size", "bent"})
    ->ArgsProduct({{0, 10, 15, 16}, {0, 20}, {25, 100}, {0}})
    ->ArgsProduct({{0, 15}, {0, 20}, {25, 100}, {1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
