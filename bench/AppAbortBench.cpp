// How soon a stop ends a preview render of an 8192 x 8192 image, as the dialog's Abort asks it
// (StopRender: from the raised stop flag until the render has ended), without and with a
// selection, beside the peer in the same run: the same render left to its end. One sweep of stops
// spread evenly across the render: the time is their mean, "worst_ms" the longest,
// "percent_of_render" the mean over the render's time; stops that came after the render had
// ended ("ended_first") count in neither.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "app/TilingCommand.h"
#include "resources/ParameterTable.h"

namespace {

using Clock = std::chrono::steady_clock;
using corvel::CRowIteratorBands;

constexpr int kSide = 8192;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// One command over a patterned source laid as the dialog lays it, as the dialog renders again and
// again, at a tile size that makes the tile about as large as the image; the selection is a
// disc with a soft edge.
class Preview {
 public:
  explicit Preview(bool selection) {
    // The command keeps its settings in a registry of the benchmark's own.
    if (!std::getenv("WF_REGISTRY")) setenv("WF_REGISTRY", "/tmp/wf-bench-abort-registry", 1);
    command_ = std::make_unique<app::TilingCommand>();
    command_->GetParameters().ResetParameters(false);
    command_->GetParameters().GetParameter(resources::kTileSize)->SetInt(250);
    if (!source_.CreateSpread(kSide, kSide, corvel::keFormatBGR).Ok()) return;
    for (int y = 0; y < kSide; ++y) {
      BYTE* row = source_.LockRowPointer(y, 0, -1);
      for (int i = 0; i < 3 * kSide; ++i) row[i] = BYTE(i * 7 + y * 3 + (i * y >> 9));
      source_.ReleaseRow(y);
    }
    command_->SetSourceImage(source_);
    if (!selection) return;
    CRowIteratorBands& mask = command_->GetMaskImage();
    if (!mask.Create(kSide, kSide, corvel::keFormatGrey).Ok()) return;
    const long long centre = kSide / 2, radius = kSide / 3;
    for (int y = 0; y < kSide; ++y) {
      BYTE* row = mask.LockRowPointer(y, 0, -1);
      for (int x = 0; x < kSide; ++x) {
        const long long d = (x - centre) * (x - centre) + (y - centre) * (y - centre) - radius * radius;
        row[x] = d < 0 ? 255 : d < 64 * radius ? BYTE(255 - d / (radius / 4)) : 0;
      }
      mask.ReleaseRow(y);
    }
  }
  bool Ready() { return CRowIteratorBands::IsValid(&source_); }
  // The milliseconds until the render ended, with the stop raised after stopAfterMs (negative: none).
  double Render(double stopAfterMs, bool* endedFirst = nullptr) {
    const auto start = Clock::now();
    if (!command_->StartRender().Ok()) return -1;
    while (command_->IsRendering() && (stopAfterMs < 0 || MsSince(start) < stopAfterMs))
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    if (endedFirst) *endedFirst = !command_->IsRendering();
    const auto stop = Clock::now();
    command_->StopRender();
    return stopAfterMs < 0 ? MsSince(start) : MsSince(stop);
  }
  // The render left to its end, the quicker of two: the stops' clock.
  double WholeRenderMs() {
    if (wholeMs_ < 0) wholeMs_ = std::min(Render(-1), Render(-1));
    return wholeMs_;
  }

 private:
  CRowIteratorBands source_;
  std::unique_ptr<app::TilingCommand> command_;
  double wholeMs_ = -1;
};

Preview& PreviewWith(bool selection) {
  static Preview plain(false);
  static Preview selected(true);
  return selection ? selected : plain;
}

void BM_RenderToItsEnd(benchmark::State& state) {
  Preview& preview = PreviewWith(state.range(0) != 0);
  if (!preview.Ready()) return state.SkipWithError("the source could not be made");
  for (auto _ : state) state.SetIterationTime(preview.Render(-1) / 1000);
}

void BM_StopDuringRender(benchmark::State& state) {
  constexpr int kStops = 30;
  Preview& preview = PreviewWith(state.range(0) != 0);
  if (!preview.Ready()) return state.SkipWithError("the source could not be made");
  const double whole = preview.WholeRenderMs();
  for (auto _ : state) {
    double total = 0, worst = 0;
    int during = 0;
    for (int i = 0; i < kStops; ++i) {
      bool endedFirst = false;
      const double ms = preview.Render(whole * (i + 0.5) / kStops, &endedFirst);
      if (endedFirst) continue;
      ++during;
      total += ms;
      worst = std::max(worst, ms);
    }
    const double mean = during ? total / during : 0;
    state.SetIterationTime(mean / 1000);
    state.counters["worst_ms"] = worst;
    state.counters["percent_of_render"] = 100 * mean / whole;
    state.counters["ended_first"] = kStops - during;
  }
}

BENCHMARK(BM_RenderToItsEnd)
    ->ArgName("selection")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StopDuringRender)
    ->ArgName("selection")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
