// Stroking and filling 10 000 random cubic paths through the whole chain down to coverage spans,
// side by side in one run, in paths per second (the fill is the stroke's peer).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "vector/SpanFiller.h"
#include "vector/VectorPath.h"
#include "vector/detail/AntiAlias.h"
#include "vector/detail/Coverage.h"
#include "vector/detail/PathReader.h"
#include "vector/detail/StrokeStage.h"

namespace corvel {
namespace {

constexpr int kPaths = 10000;

class NullFiller : public SpanFiller {
 public:
  void FillSpan(int, int, std::uint8_t coverage, int count) override { sum += coverage * count; }
  long long sum = 0;
};

const std::vector<RefPtr<VectorPath>>& Paths() {
  static const std::vector<RefPtr<VectorPath>> paths = [] {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> at(0, 256);
    std::vector<RefPtr<VectorPath>> made;
    for (int i = 0; i < kPaths; ++i) {
      RefPtr<VectorPath> path = RefPtr<VectorPath>::Adopt(CreateVectorPath());
      path->MoveTo({at(random), at(random)}, nullptr);
      for (int k = 0; k < 3; ++k)
        path->CurveTo3({at(random), at(random)}, {at(random), at(random)}, {at(random), at(random)}, nullptr);
      made.push_back(path);
    }
    return made;
  }();
  return paths;
}

void Draw(benchmark::State& state, int kind) {
  PenStyle pen;
  pen.width = 3;
  pen.join = keJoinRound;
  RenderSettings settings;
  const RECT clip{0, 0, 256, 256};
  NullFiller sink;
  for (auto _ : state) {
    for (const RefPtr<VectorPath>& path : Paths()) {
      PathStage* stage = CreateStrokeOrFill(*CreatePathReader(*path), kind, pen, nullptr, 0.05, 8, true);
      RefPtr<RegionBase> region = RefPtr<RegionBase>::Adopt(
          CreatePathCoverage(*stage, 0, &settings, &clip, nullptr, nullptr, true));
      if (region) region->Draw(sink, keQualityBox);
      PathStage::Release(stage);
    }
  }
  benchmark::DoNotOptimize(sink.sum);
  state.SetItemsProcessed(state.iterations() * kPaths);
}

void BM_FillPaths(benchmark::State& state) { Draw(state, keStrokeFill); }
void BM_StrokePaths(benchmark::State& state) { Draw(state, keStrokeOutline); }
BENCHMARK(BM_FillPaths)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StrokePaths)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvel
