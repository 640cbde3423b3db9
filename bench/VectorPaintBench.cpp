// The filter's render fills its whole output with the finished tile as a repeating image
// pattern: that fill against memcpy of the same bytes, timed side by side in each iteration and
// printed as vs_memcpy (1 = as fast as memcpy). And the rasteriser: a 1000-vertex star filled
// anti-aliased through a solid paint, in megapixels of its bounds per second.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/RowIteratorBands.h"
#include "vector/CoreStartup.h"
#include "vector/Paint.h"
#include "vector/detail/Coverage.h"
#include "vector/detail/PathReader.h"

namespace {

using Clock = std::chrono::steady_clock;

void BM_ImagePatternFill(benchmark::State& state) {
  constexpr int kSide = 4096;
  corvel::CoreStartup(nullptr);
  corvel::CRowIteratorBands target, tile;
  const corvel::CColorRef grey(128, 128, 128, 255), colour(30, 90, 200, 255);
  if (target.Create(kSide, kSide, corvel::keFormatBGRA, &grey).GetCode() ||
      tile.Create(300, 200, corvel::keFormatBGRA, &colour).GetCode()) {
    state.SkipWithError("images could not be created");
    return;
  }
  corvel::RefPtr<corvel::Paint> paint = corvel::RefPtr<corvel::Paint>::Adopt(
      corvel::CreateImagePaint(tile, false, nullptr, nullptr));
  const std::size_t bytes = std::size_t{kSide} * kSide * 4;
  std::vector<std::uint8_t> destination(bytes, 1), source(bytes, 2);
  double fillSeconds = 0, copySeconds = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    paint->Attach(corvel::PaintAttachRecord(&target));
    paint->FillRect(0, 0, kSide, kSide, 255);
    paint->Detach();
    const auto filled = Clock::now();
    std::memcpy(destination.data(), source.data(), bytes);
    benchmark::ClobberMemory();
    const auto copied = Clock::now();
    fillSeconds += std::chrono::duration<double>(filled - start).count();
    copySeconds += std::chrono::duration<double>(copied - filled).count();
    state.SetIterationTime(std::chrono::duration<double>(filled - start).count());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
  state.counters["vs_memcpy"] = copySeconds / fillSeconds;
}

void BM_StarAntiAliased(benchmark::State& state) {
  constexpr int kSide = 1024, kVertices = 1000;
  corvel::CoreStartup(nullptr);
  corvel::CRowIteratorBands target;
  if (target.Create(kSide, kSide, corvel::keFormatBGRA).GetCode()) {
    state.SkipWithError("image could not be created");
    return;
  }
  corvel::RefPtr<corvel::VectorPath> star = corvel::RefPtr<corvel::VectorPath>::Adopt(
      corvel::CreateVectorPath());
  for (int i = 0; i < kVertices; ++i) {
    const double angle = i * 2 * 3.14159265358979 / kVertices, r = i % 2 ? 300 : 500;
    const corvel::PathPoint p{512 + r * std::cos(angle), 512 + r * std::sin(angle)};
    if (i == 0) {
      star->MoveTo(p, nullptr);
    } else {
      star->LineTo(p, nullptr);
    }
  }
  star->Close(nullptr);
  corvel::PathReader reader(*star);
  corvel::RefPtr<corvel::Paint> paint = corvel::RefPtr<corvel::Paint>::Adopt(
      corvel::CreateSolidPaint(0xFF2060C0));
  double pixels = 0;
  for (auto _ : state) {
    paint->Attach(corvel::PaintAttachRecord(&target));
    RECT bounds;
    corvel::RefPtr<corvel::RegionBase> region = corvel::RefPtr<corvel::RegionBase>::Adopt(
        corvel::CreatePathCoverage(reader, 0, nullptr, nullptr, nullptr, &bounds, true));
    region->Draw(*paint, corvel::keQualityBox);
    paint->Detach();
    pixels += double(bounds.right - bounds.left) * (bounds.bottom - bounds.top);
  }
  state.counters["Mpx/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsRate);
}

BENCHMARK(BM_ImagePatternFill)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StarAntiAliased)->Unit(benchmark::kMillisecond);

}  // namespace
