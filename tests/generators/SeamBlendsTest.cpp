// The band kernel in lanes: which region each pixel's own position falls in, its partner and its
// weight, in runs whose length is no multiple of the lanes, for SSE2, AVX2 and AVX-512 alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <limits>
#include <random>
#include <vector>

#include "core/CpuFeatures.h"
#include "generators/Geometry.h"
#include "generators/detail/DoublesRule.h"
#include "generators/detail/SeamBlends.h"
#include "generators/detail/SeamFeathering.h"
#include "generators/detail/TileGenerator.h"
#include "tests/generators/TestLattices.h"

namespace corvel {
namespace {

using testing_lattices::SetLattice;

// A plan's samples in order: each one's source point and weight.
struct PlannedSample {
  Point2D point;
  double weight;
};
void ExpectPlan(const SamplePlan& plan, std::initializer_list<PlannedSample> expected) {
  ASSERT_EQ(plan.count, int(expected.size()));
  int i = 0;
  for (const PlannedSample& sample : expected) {
    EXPECT_NEAR(plan.points[i].x, sample.point.x, 1e-9) << i;
    EXPECT_NEAR(plan.points[i].y, sample.point.y, 1e-9) << i;
    EXPECT_NEAR(plan.weights[i], sample.weight, 1e-12) << i;
    ++i;
  }
}

// The kernels this processor runs: SSE2 always, AVX2 and AVX-512 where it has them.
std::vector<detail::SeamBlendKernel> BlendKernels() {
  std::vector<detail::SeamBlendKernel> kernels = {detail::SeamBlendSse2};
  if (ProbeCpuFeatures().avx2) kernels.push_back(detail::SeamBlendAvx2);
  if (ProbeCpuFeatures().avx2 && ProbeCpuFeatures().avx512) kernels.push_back(detail::SeamBlendAvx512);
  return kernels;
}

// Points of the 100-pixel square lattice as the kernels take them: x and y in 256ths of a pixel.
template <std::size_t N>
std::vector<std::int32_t> LatticePositions(const Point2D (&points)[N]) {
  std::vector<std::int32_t> positions;
  for (const Point2D& p : points) {
    positions.push_back(std::int32_t(256 * 100 * p.x));
    positions.push_back(std::int32_t(256 * 100 * p.y));
  }
  return positions;
}

// The kernel over one run of count pixels from the first.
void DecideRun(detail::SeamBlendKernel kernel, const detail::SeamBlendArgs& args,
               const std::int32_t* positions, const float* exactX, const float* exactY, int count,
               std::uint8_t* planned, std::int32_t* partners, float* weights) {
  detail::BlendRun run{0, count};
  std::vector<int> nearMiddles(static_cast<std::size_t>(count));
  detail::BlendDecisions decided;
  decided.planned = planned;
  decided.partners = partners;
  decided.weights = weights;
  decided.nearMiddles = nearMiddles.data();
  kernel(args, positions, exactX, exactY, &run, 1, decided);
}

// Past a line that misses the origin (2u + v = 1 here), and within reach of it before: planned.
TEST(SeamBlends, PlannedBeyondALineReachesBackOnlyOnItsNearSide) {
  TileGenerator generator;
  SetLattice(generator, {100, 0}, {0, 100});
  const detail::FoldProgram program;
  detail::SeamBlends blends;
  blends.AddPlannedBeyond(Line2D({0.5, 0}, {0, 1}), 0.05);  // 0.05 of the normal: 2u + v > 0.888
  blends.AddOwn({});
  detail::SeamBlendArgs args;
  ASSERT_TRUE(detail::MakeSeamBlendArgs(blends, program, generator, args));
  const double us[] = {0.2, 0.3, 0.4, 0.45, 0.6, 0.05}, vs[] = {0.2, 0.25, 0.1, 0.1, 0.5, 0.95};
  const bool planned[] = {false, false, true, true, true, true};
  std::vector<std::int32_t> positions;
  for (int i = 0; i < 6; ++i) {
    positions.push_back(std::int32_t(256 * 100 * us[i]));
    positions.push_back(std::int32_t(256 * 100 * vs[i]));
  }
  std::uint8_t marks[6];
  std::int32_t partners[12];
  float weights[6];
  DecideRun(detail::SeamBlendSse2, args, positions.data(), nullptr, nullptr, 6, marks, partners, weights);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(marks[i], planned[i] ? 1 : 0) << i;
}

TEST(SeamBlends, KernelsPlanBlendOrKeepEachPixelByItsRegion) {
  // The source lattice is 100-pixel squares from the origin (10, 20): (u, v) lies at
  // (10 + 100 u, 20 + 100 v).
  TileGenerator generator;
  SetLattice(generator, {100, 0}, {0, 100});
  generator.origin = {10, 20};
  const detail::FoldProgram program;
  detail::SeamBlends blends;
  blends.AddPlanned({detail::UBelow(0.1)});
  // Below v = 0.5 a pixel blends with the point a cell on along v, its own weight 2 v.
  blends.AddBlend({detail::VBelow(0.5)}, {100, 0, 0, 0, 100, 100}, {0, 2, 0});
  blends.AddOwn({detail::VAbove(0.5)});
  detail::SeamBlendArgs args;
  ASSERT_TRUE(detail::MakeSeamBlendArgs(blends, program, generator, args));
  EXPECT_EQ(args.testCount, 2);  // v < 0.5 and v > 0.5 share one

  // planned: 1 by the plan, 2 near the seam's middle (v = 0.25, a 16th of a pixel either way) or
  // where its weight reaches 0 (v = 0), as the plan keeps the partner whole there.
  struct Case {
    double u, v;
    int planned;
    double weight;
  };
  const Case cases[] = {
      {0.05, 0.2, 1, 0},       {0.3, 0.2, 0, 0.4},      {0.3, 0.7, 0, 1},        {0.6, 0.1, 0, 0.2},
      {0.6, 0.45, 0, 0.9},     {0.9, 0.9, 0, 1},        {0.02, 0.9, 1, 0},       {0.5, 0.0, 2, 0},
      {0.7, 0.3, 0, 0.6},      {0.4, 0.6, 0, 1},        {0.2, 0.4, 0, 0.8},      {0.6, 0.25, 2, 0.5},
      {0.3, 0.2505, 2, 0.501}, {0.3, 0.2495, 2, 0.499}, {0.3, 0.2485, 0, 0.497}, {0.5, 0.002, 0, 0.004}};
  const int count = int(sizeof cases / sizeof cases[0]);
  std::vector<std::int32_t> positions;
  for (const Case& c : cases) {
    positions.push_back(std::int32_t(256 * (10 + 100 * c.u)));
    positions.push_back(std::int32_t(256 * (20 + 100 * c.v)));
  }
  const std::vector<detail::SeamBlendKernel> kernels = BlendKernels();
  for (const detail::SeamBlendKernel kernel : kernels) {
    std::vector<std::uint8_t> planned(count + 1, 7);
    std::vector<std::int32_t> partners(2 * count + 2, -7);
    std::vector<float> weights(count + 1, -7);
    DecideRun(kernel, args, positions.data(), nullptr, nullptr, count, planned.data(), partners.data(),
              weights.data());
    for (int i = 0; i < count; ++i) {
      const Case& c = cases[i];
      EXPECT_EQ(planned[i], c.planned) << i;
      if (c.planned == 1) continue;
      EXPECT_NEAR(weights[i], c.weight, 1e-4) << i;
      // A pixel that keeps its own sample reads its own position again.
      const bool blended = c.v < 0.5;
      EXPECT_NEAR(partners[2 * i], positions[2 * i], 1) << i;
      EXPECT_NEAR(partners[2 * i + 1], positions[2 * i + 1] + (blended ? 25600 : 0), 1) << i;
    }
    // Nothing past the run is written.
    EXPECT_EQ(planned[count], 7);
    EXPECT_EQ(partners[2 * count], -7);
    EXPECT_EQ(weights[count], -7);

    // Runs of every length from every start, the positions before truncation given too, decide
    // each pixel as the whole run does and write nothing past their ends.
    std::vector<float> exact(2 * count);
    for (int i = 0; i < count; ++i) {
      exact[i] = float(positions[2 * i]) + 0.25f;
      exact[count + i] = float(positions[2 * i + 1]) + 0.75f;
    }
    DecideRun(kernel, args, positions.data(), exact.data(), exact.data() + count, count, planned.data(),
              partners.data(), weights.data());
    // Weights taken before truncation are off by far less than a 256th of a pixel: only the
    // pixels that near the seam's middle or its ends mix in doubles.
    EXPECT_EQ(planned[7], 2);
    EXPECT_EQ(planned[11], 2);
    EXPECT_EQ(planned[12], 0);
    EXPECT_EQ(planned[13], 0);
    for (int from = 0; from < count; ++from)
      for (int length = 1; from + length <= count; ++length) {
        std::vector<std::uint8_t> runPlanned(length + 1, 7);
        std::vector<std::int32_t> runPartners(2 * length + 2, -7);
        std::vector<float> runWeights(length + 1, -7);
        DecideRun(kernel, args, positions.data() + 2 * from, exact.data() + from, exact.data() + count + from,
                  length, runPlanned.data(), runPartners.data(), runWeights.data());
        for (int i = 0; i < length; ++i) {
          const int at = from + i;
          EXPECT_EQ(runPlanned[i], planned[at]) << from << " " << length << " " << i;
          if (planned[at] == 1) continue;
          EXPECT_EQ(runWeights[i], weights[at]) << from << " " << length << " " << i;
          EXPECT_EQ(runPartners[2 * i], partners[2 * at]) << from << " " << length << " " << i;
          EXPECT_EQ(runPartners[2 * i + 1], partners[2 * at + 1]) << from << " " << length << " " << i;
        }
        EXPECT_EQ(runPlanned[length], 7);
        EXPECT_EQ(runPartners[2 * length], -7);
        EXPECT_EQ(runWeights[length], -7);
      }

    // Runs with 0s between them, in one call: each pixel decided as in the whole run, the partners
    // and weights one run after another, the 0s left; the planned counted, those near a middle
    // listed in order, and each run's part from the first to the last pixel that mixes found.
    // Nothing is written past the room several runs are given: the widest kernel's lanes past
    // the runs' partners and weights. A short run followed by one that ends within the lanes
    // stores its flags whole, those of the 0s between as 0 (the pixel between planned, had it been
    // marked).
    struct Layout {
      std::vector<detail::BlendRun> runs;
      std::vector<int> gaps;
    };
    const Layout layouts[] = {{{{0, 1}, {2, 2}, {5, 8}, {14, 2}}, {1, 4, 13}}, {{{0, 6}, {7, 9}}, {6}}};
    for (const Layout& layout : layouts)
      for (const bool roomPast : {false, true}) {
        std::vector<detail::BlendRun> runs = layout.runs;
        int total = 0;
        for (const detail::BlendRun& run : runs) total += run.count;
        std::vector<std::uint8_t> rowPlanned(count, 0);
        for (const detail::BlendRun& run : runs) std::fill_n(rowPlanned.begin() + run.x, run.count, 7);
        std::vector<std::int32_t> runPartners(2 * (total + detail::kMostBlendLanes + 1), -7);
        std::vector<float> runWeights(total + detail::kMostBlendLanes + 1, -7);
        std::vector<int> nearMiddles(count, -1);
        detail::BlendDecisions decided;
        decided.planned = rowPlanned.data();
        decided.partners = runPartners.data();
        decided.weights = runWeights.data();
        decided.nearMiddles = nearMiddles.data();
        decided.roomPast = roomPast;
        kernel(args, positions.data(), exact.data(), exact.data() + count, runs.data(), int(runs.size()),
               decided);
        int at = 0, plannedCount = 0;
        std::vector<int> expectedNearMiddles;
        for (const detail::BlendRun& run : runs) {
          int first = run.count, last = 0;
          for (int i = run.x; i < run.x + run.count; ++i, ++at) {
            EXPECT_EQ(rowPlanned[i], planned[i]) << i;
            plannedCount += planned[i] == 1;
            if (planned[i] == 2) expectedNearMiddles.push_back(i);
            if (weights[i] != 1) {
              first = std::min(first, i - run.x);
              last = i - run.x + 1;
            }
            if (planned[i] == 1) continue;
            EXPECT_EQ(runWeights[at], weights[i]) << i;
            EXPECT_EQ(runPartners[2 * at], partners[2 * i]) << i;
            EXPECT_EQ(runPartners[2 * at + 1], partners[2 * i + 1]) << i;
          }
          EXPECT_EQ(run.first, first < last ? first : 0) << run.x;
          EXPECT_EQ(run.last, first < last ? last : 0) << run.x;
        }
        for (const int gap : layout.gaps) EXPECT_EQ(rowPlanned[gap], 0) << gap;
        EXPECT_EQ(decided.plannedCount, plannedCount);
        ASSERT_EQ(decided.nearMiddleCount, int(expectedNearMiddles.size()));
        EXPECT_TRUE(std::equal(expectedNearMiddles.begin(), expectedNearMiddles.end(), nearMiddles.begin()));
        const int end = total + detail::kMostBlendLanes;
        EXPECT_EQ(runPartners[2 * std::size_t(end)], -7) << roomPast;
        EXPECT_EQ(runWeights[std::size_t(end)], -7) << roomPast;
      }
  }

  // In doubles, a pixel in the blended region takes its own point and its partner as the plan in
  // doubles would, and one in the own region its own point alone; in the planned one the plan
  // decides.
  const detail::SeamBlendsInDoubles inDoubles(blends, program, generator);
  SamplePlan plan;
  ASSERT_TRUE(inDoubles.Plan({60, 25}, plan));
  ExpectPlan(plan, {{{60, 25}, 0.5}, {{60, 125}, 0.5}});
  // The cell wraps: a point a cell on is the same pixel.
  ASSERT_TRUE(inDoubles.Plan({160, 125}, plan));
  EXPECT_NEAR(plan.points[1].y, 125, 1e-9);
  EXPECT_FALSE(inDoubles.Plan({5, 25}, plan));  // planned
  ASSERT_TRUE(inDoubles.Plan({60, 75}, plan));
  ExpectPlan(plan, {{{60, 75}, 1}});
}

// A description that fills its room is made; one that runs past it, by a region, a side, a copy or
// a fold line more, writes nothing past it (nor into the last region it holds) and is not made, so
// that its pixels are planned.
TEST(SeamBlends, DescriptionsPastTheirRoomAreNotMade) {
  TileGenerator generator;
  SetLattice(generator, {100, 0}, {0, 100});
  const detail::FoldProgram program;
  const auto filled = [](detail::SeamBlends& blends) {
    for (int r = 0; r < detail::SeamBlends::kMaxRegions; ++r) blends.AddOwn({detail::UAbove(0.01 * r)});
  };
  const detail::HalfPlane side = detail::VAbove(0.5);
  const detail::BlendCopy copy{};
  const std::function<void(detail::SeamBlends&)> pastTheRoom[] = {
      [&](detail::SeamBlends& blends) {
        filled(blends);
        blends.AddOwn({side});
        blends.BendSide(0, detail::BlendBends{{1}});
        blends.BendWeights(detail::BlendBends{{1}});
      },
      [&](detail::SeamBlends& blends) {
        blends.AddOwn({side, side, side, side, side});
      },
      [&](detail::SeamBlends& blends) {
        blends.AddCopies({side}, {copy, copy, copy, copy, copy, copy, copy});
      },
      [&](detail::SeamBlends& blends) {
        for (int i = 0; i <= detail::SeamBlends::kMaxFoldLines; ++i) blends.AddFoldLines(1, i);
      },
  };
  detail::SeamBlends full;
  filled(full);
  detail::SeamBlendArgs args;
  EXPECT_TRUE(detail::MakeSeamBlendArgs(full, program, generator, args));
  int which = 0;
  for (const auto& describe : pastTheRoom) {
    detail::SeamBlends blends;
    describe(blends);
    EXPECT_TRUE(blends.overran) << which;
    EXPECT_LE(blends.regionCount, detail::SeamBlends::kMaxRegions) << which;
    EXPECT_LE(blends.foldLineCount, detail::SeamBlends::kMaxFoldLines) << which;
    for (int r = 0; r < blends.regionCount; ++r) {
      EXPECT_LE(blends.regions[r].sideCount, detail::BlendRegion::kMaxSides) << which;
      EXPECT_LE(blends.regions[r].copyCount, detail::BlendRegion::kMaxCopies) << which;
    }
    if (which == 0) {
      const detail::BlendRegion& last = blends.regions[detail::SeamBlends::kMaxRegions - 1];
      EXPECT_EQ(last.sides[0].n1, full.regions[detail::SeamBlends::kMaxRegions - 1].sides[0].n1);
      EXPECT_EQ(last.sideBends[0].times[0], 0);
      EXPECT_EQ(last.weightBends.times[0], 0);
    }
    EXPECT_FALSE(detail::MakeSeamBlendArgs(blends, program, generator, args)) << which;
    ++which;
  }
}

// A seam bent by bumps: the lanes test a region's bent sides and ramp its weight on the bent
// sum, as the blends in doubles do, for SSE2 and AVX2 alike; past the bulge the straight side would
// say otherwise.
TEST(SeamBlends, BentBandsFollowTheirBumpsInLanesAsInDoubles) {
  TileGenerator generator;
  SetLattice(generator, {100, 0}, {0, 100});
  const detail::FoldProgram program;
  detail::SeamBlends blends;
  // The seam v = 0.5 bent by 0.2 u (1 - u), and its ramp by half of an S of u besides: below it a
  // pixel blends with the point a cell on along v.
  blends.bends[0] = {0.2, 1, 0, 0, true};
  blends.bends[1] = {0.1, 1, 0, 0, true, detail::SideBend::kS};
  blends.bendCount = 2;
  const detail::BlendBends bump{{1, 0}};
  blends.AddBlend({detail::VBelow(0.5)}, {100, 0, 0, 0, 100, 100}, {0, 2, 0});
  blends.BendSide(0, bump);
  blends.BendWeights({{2, 1}});
  blends.AddOwn({detail::VAbove(0.5)});
  blends.BendSide(0, -bump);
  detail::SeamBlendArgs args;
  ASSERT_TRUE(detail::MakeSeamBlendArgs(blends, program, generator, args));
  EXPECT_EQ(args.testCount, 1);  // the bent sides share one test
  const Point2D points[] = {{0.5, 0.4}, {0.5, 0.47}, {0.1, 0.47}, {0.8, 0.1}, {0.3, 0.6}, {0.9, 0.47}};
  const std::vector<std::int32_t> positions = LatticePositions(points);
  std::vector<float> exact(2 * std::size(points));
  for (std::size_t i = 0; i < std::size(points); ++i) {
    exact[i] = float(positions[2 * i]) + 0.5f;
    exact[std::size(points) + i] = float(positions[2 * i + 1]) + 0.5f;
  }
  const int count = int(std::size(points));
  const std::vector<detail::SeamBlendKernel> kernels = BlendKernels();
  const detail::SeamBlendsInDoubles inDoubles(blends, program, generator);
  for (const detail::SeamBlendKernel kernel : kernels) {
    std::uint8_t planned[std::size(points)];
    std::int32_t partners[2 * std::size(points)];
    float weights[std::size(points)];
    DecideRun(kernel, args, positions.data(), exact.data(), exact.data() + count, count, planned, partners,
              weights);
    for (int i = 0; i < count; ++i) {
      const double u = points[i].x, v = points[i].y, s = std::min(u, 1 - u);
      const double bent = v + 0.2 * u * (1 - u);
      const bool blended = bent < 0.5;
      EXPECT_EQ(planned[i], 0) << i;
      EXPECT_NEAR(weights[i], blended ? std::clamp(2 * bent + 0.1 * (1 - 2 * u) * s, 0.0, 1.0) : 1, 1e-4)
          << i;
      EXPECT_NEAR(partners[2 * i + 1], positions[2 * i + 1] + (blended ? 25600 : 0), 1) << i;
      SamplePlan plan;
      ASSERT_TRUE(inDoubles.Plan({100 * u, 100 * v}, plan)) << i;
      ASSERT_EQ(plan.count, blended ? 2 : 1) << i;
      EXPECT_NEAR(plan.weights[0], weights[i], 1e-4) << i;
    }
  }
}

// Each test adds the one bump its side is bent by, whichever of the blends' bumps that is, and an
// unbent test none; a side bent by two bumps at once has no test in the kernels' form.
TEST(SeamBlends, EachTestIsBentByItsOwnBumpAlone) {
  TileGenerator generator;
  SetLattice(generator, {100, 0}, {0, 100});
  const detail::FoldProgram program;
  detail::SeamBlends blends;
  blends.bends[0] = {0.3, 0, 1, 0, true};
  blends.bends[1] = {-0.2, 1, 0, 0, true};
  blends.bends[2] = {0.2, 1, 0, 0, true};
  blends.bendCount = 3;
  const detail::BlendBends third{{0, 0, 1}};
  blends.AddPlanned({detail::UAbove(0.9)});
  blends.AddBlend({detail::VBelow(0.5)}, {100, 0, 0, 0, 100, 100}, {0, 2, 0});
  blends.BendSide(0, third);
  blends.BendWeights(third * 2);
  blends.AddOwn({detail::VAbove(0.5)});
  blends.BendSide(0, -third);
  detail::SeamBlendArgs args;
  ASSERT_TRUE(detail::MakeSeamBlendArgs(blends, program, generator, args));
  // The first bump would keep (0.5, 0.44) and (0.3, 0.45) and the second blend (0.5, 0.47).
  const Point2D points[] = {{0.5, 0.44}, {0.5, 0.47}, {0.1, 0.47}, {0.3, 0.45}, {0.95, 0.3}, {0.7, 0.6}};
  const int count = int(std::size(points));
  const std::vector<std::int32_t> positions = LatticePositions(points);
  const std::vector<detail::SeamBlendKernel> kernels = BlendKernels();
  for (const detail::SeamBlendKernel kernel : kernels) {
    std::uint8_t planned[std::size(points)];
    std::int32_t partners[2 * std::size(points)];
    float weights[std::size(points)];
    DecideRun(kernel, args, positions.data(), nullptr, nullptr, count, planned, partners, weights);
    for (int i = 0; i < count; ++i) {
      const double u = points[i].x, v = points[i].y, bent = v + 0.2 * u * (1 - u);
      EXPECT_EQ(planned[i], u > 0.9 ? 1 : 0) << i;
      if (u > 0.9) continue;
      EXPECT_NEAR(weights[i], std::min(2 * bent, 1.0), 1e-3) << i;
      EXPECT_NEAR(partners[2 * i + 1], positions[2 * i + 1] + (bent < 0.5 ? 25600 : 0), 1) << i;
    }
  }
  blends.BendSide(0, detail::BlendBends{{1, 0, 1}});
  EXPECT_FALSE(detail::MakeSeamBlendArgs(blends, program, generator, args));
}

// Bent, a partner is mapped from the own point before truncation where that is given, as the
// weight is: across a bulge it can weigh all of a mix, and a truncated unit, stretched by the
// partner's map, would move it by levels. Here the partner lies twice as far from the origin.
TEST(SeamBlends, BentPartnersAreMappedFromThePointBeforeTruncation) {
  TileGenerator generator;
  SetLattice(generator, {100, 0}, {0, 100});
  const detail::FoldProgram program;
  detail::SeamBlends blends;
  blends.bends[0] = {0.2, 1, 0, 0, true};
  blends.bendCount = 1;
  blends.AddBlend({}, {200, 0, 0, 0, 200, 0}, {0, 0, 0.5});
  blends.BendWeights({{1}});
  detail::SeamBlendArgs args;
  ASSERT_TRUE(detail::MakeSeamBlendArgs(blends, program, generator, args));
  const std::int32_t positions[] = {7936, 10752, 14080, 5888, 3072, 20480};
  const int count = int(std::size(positions)) / 2;
  // A unit's fractions past the truncated positions: 0.9 along x, 0.6 along y.
  std::vector<float> exact(2 * std::size_t(count));
  for (int i = 0; i < count; ++i) {
    exact[std::size_t(i)] = float(positions[2 * i]) + 0.9f;
    exact[std::size_t(count + i)] = float(positions[2 * i + 1]) + 0.6f;
  }
  const std::vector<detail::SeamBlendKernel> kernels = BlendKernels();
  for (const detail::SeamBlendKernel kernel : kernels) {
    std::uint8_t planned[3];
    std::int32_t partners[6];
    float weights[3];
    DecideRun(kernel, args, positions, exact.data(), exact.data() + count, count, planned, partners, weights);
    for (int i = 0; i < count; ++i) {
      for (int c = 0; c < 2; ++c) {
        // The point the weight is taken on lies half a unit below the given one, which holds the
        // slack added before truncation; the partner's has it added again.
        const double own = (exact[std::size_t(c * count + i)] - 0.5 + detail::kFixedPointSlack) / 256;
        const double origin = c == 0 ? generator.origin.x : generator.origin.y;
        EXPECT_EQ(partners[2 * i + c],
                  std::int32_t(std::floor(256 * (2 * (own - origin) + origin) + detail::kFixedPointSlack)))
            << i << " " << c;
      }
    }
  }
}

// A region planned only for want of the plan's own fold sends its pixels to doubles where that
// fold is given, and holds none there; the first leading region that holds a pixel decides.
TEST(SeamBlends, RegionsPlannedInLanesOnlyLeaveTheirPixelsToThePlansFold) {
  TileGenerator generator;
  SetLattice(generator, {100, 0}, {0, 100});
  const detail::FoldProgram program;
  detail::SeamBlends blends;
  blends.AddPlanned({detail::UBelow(0.1)}, true);
  blends.AddPlanned({detail::VBelow(0.1)});
  blends.AddBlend({detail::VBelow(0.5)}, {100, 0, 0, 0, 100, 100}, {0, 2, 0});
  blends.AddOwn({});
  const double us[] = {0.05, 0.05, 0.3, 0.3, 0.6}, vs[] = {0.3, 0.05, 0.05, 0.3, 0.7};
  const int count = 5;
  std::vector<std::int32_t> positions;
  for (int i = 0; i < count; ++i) {
    positions.push_back(std::int32_t(256 * 100 * us[i]) + 64);
    positions.push_back(std::int32_t(256 * 100 * vs[i]) + 64);
  }
  const std::vector<detail::SeamBlendKernel> kernels = BlendKernels();
  for (const bool foldGiven : {false, true}) {
    if (foldGiven) blends.planFold = [](Point2D cell) { return cell; };
    detail::SeamBlendArgs args;
    ASSERT_TRUE(detail::MakeSeamBlendArgs(blends, program, generator, args));
    const std::uint8_t expected[] = {std::uint8_t(foldGiven ? 2 : 1), std::uint8_t(foldGiven ? 2 : 1), 1, 0,
                                     0};
    for (const detail::SeamBlendKernel kernel : kernels) {
      std::uint8_t marks[count];
      std::int32_t partners[2 * count];
      float weights[count];
      DecideRun(kernel, args, positions.data(), nullptr, nullptr, count, marks, partners, weights);
      for (int i = 0; i < count; ++i)
        EXPECT_EQ(marks[i], expected[i]) << i << (foldGiven ? " fold given" : "");
    }
    SamplePlan plan;
    EXPECT_EQ(detail::SeamBlendsInDoubles(blends, program, generator).Plan({5, 30}, plan), foldGiven);
  }
}

TEST(SeamBlends, LeadingPlannedRegionsHoldTheirPixelsWhicheverSideOfATestTheyTake) {
  // u < 0.3, v > 0.7 and a strip about u = v planned ahead of the own sample; with u > 0.3 too,
  // the opposite side of a test another region takes, every pixel.
  TileGenerator generator;
  SetLattice(generator, {100, 0}, {0, 100});
  const detail::FoldProgram program;
  const std::vector<detail::SeamBlendKernel> kernels = BlendKernels();
  for (const bool bothSides : {false, true}) {
    detail::SeamBlends blends;
    blends.AddPlanned({detail::UBelow(0.3)});
    blends.AddPlanned({detail::VAbove(0.7)});
    blends.AddPlannedNear(Line2D({0, 0}, {1, 1}), 0.05);
    if (bothSides) blends.AddPlanned({detail::UAbove(0.3)});
    blends.AddOwn({});
    detail::SeamBlendArgs args;
    ASSERT_TRUE(detail::MakeSeamBlendArgs(blends, program, generator, args));
    std::vector<std::int32_t> positions;
    std::vector<bool> expected;
    for (int v = 5; v < 100; v += 10)
      for (int u = 5; u < 100; u += 10) {
        positions.push_back(256 * u);
        positions.push_back(256 * v);
        expected.push_back(bothSides || u < 30 || v > 70 || std::abs(u - v) < 7);
      }
    const int count = int(expected.size());
    for (const detail::SeamBlendKernel kernel : kernels) {
      std::vector<std::uint8_t> marks(std::size_t(count), 7);
      std::vector<std::int32_t> partners(2 * std::size_t(count));
      std::vector<float> weights(marks.size());
      DecideRun(kernel, args, positions.data(), nullptr, nullptr, count, marks.data(), partners.data(),
                weights.data());
      for (int i = 0; i < count; ++i) ASSERT_EQ(marks[i], expected[i] ? 1 : 0) << bothSides << " " << i;
    }
  }
}

TEST(SeamBlends, KernelsDecideAlikeWhereThePlannedRegionsTestsAreMany) {
  // Eight tests of thin planned strips ahead of three blended regions on three tests of their own:
  // the AVX2 and AVX-512 kernels look the latter up and test the strips in turn, as SSE2 tests
  // them all.
  TileGenerator generator;
  SetLattice(generator, {100, 0}, {0, 100});
  const detail::FoldProgram program;
  detail::SeamBlends blends;
  blends.AddPlannedNear(Line2D({0.3, 0}, {0.3, 1}), 0.01);
  blends.AddPlannedNear(Line2D({0, 0.6}, {1, 0.6}), 0.01);
  blends.AddPlannedNear(Line2D({0, 0}, {1, 1}), 0.01);
  blends.AddPlanned({detail::UBelow(0.02)});
  blends.AddPlanned({detail::VBelow(0.02)});
  blends.AddBlend({detail::UBelow(0.5), detail::VBelow(0.5)}, {100, 0, 0, 0, 100, 100}, {0, 2, 0});
  blends.AddBlend({detail::VBelow(0.5)}, {100, 0, 100, 0, 100, 0}, {2, 0, 0});
  blends.AddPlanned({detail::VBelow(0.55)});
  blends.AddOwn({});
  detail::SeamBlendArgs args;
  ASSERT_TRUE(detail::MakeSeamBlendArgs(blends, program, generator, args));
  EXPECT_EQ(args.testCount, 11);
  if (!ProbeCpuFeatures().avx2) GTEST_SKIP() << "no AVX2";
  EXPECT_GT(args.slotCount, 0);
  std::vector<std::int32_t> positions;
  for (int v = 0; v < 100; ++v)
    for (int u = 0; u < 100; ++u) {
      positions.push_back(u * 256 + 64 + v % 7);
      positions.push_back(v * 256 + 128 - u % 5);
    }
  const int count = int(positions.size() / 2);
  const std::vector<detail::SeamBlendKernel> kernels = BlendKernels();
  const std::size_t kernelCount = kernels.size();
  std::vector<std::uint8_t> planned[3];
  std::vector<std::int32_t> partners[3];
  std::vector<float> weights[3];
  for (std::size_t k = 0; k < kernelCount; ++k) {
    planned[k].assign(count, 7);
    partners[k].assign(2 * std::size_t(count), -7);
    weights[k].assign(count, -7);
    DecideRun(kernels[k], args, positions.data(), nullptr, nullptr, count, planned[k].data(),
              partners[k].data(), weights[k].data());
  }
  int byPlan = 0;
  for (int i = 0; i < count; ++i) {
    byPlan += planned[0][i] == 1;
    for (std::size_t k = 1; k < kernelCount; ++k) {
      ASSERT_EQ(planned[0][i], planned[k][i]) << i << " kernel " << k;
      if (planned[0][i] == 1) continue;
      ASSERT_EQ(weights[0][i], weights[k][i]) << i << " kernel " << k;
      ASSERT_EQ(partners[0][2 * i], partners[k][2 * i]) << i << " kernel " << k;
      ASSERT_EQ(partners[0][2 * i + 1], partners[k][2 * i + 1]) << i << " kernel " << k;
    }
  }
  EXPECT_GT(byPlan, count / 20);
  EXPECT_LT(byPlan, count / 2);
}

// Where two bands cross, the pixel is left to the blends in doubles, which weigh its four
// samples as the plan weighs a corner: each band's ramp clamped, their products.
TEST(SeamBlends, CornersMixInDoublesAsThePlanWeighsThem) {
  TileGenerator generator;
  SetLattice(generator, {100, 0}, {0, 100});
  const detail::FoldProgram program;
  detail::SeamBlends blends;
  // Across u = 0 the partner lies a cell on along u, across v = 0 along v; ramps a fifth wide.
  blends.AddCorner({detail::UBelow(0.2), detail::VBelow(0.2)}, {100, 0, 100, 0, 100, 0}, {5, 0, 0.5},
                   {100, 0, 0, 0, 100, 100}, {0, 5, 0.5}, {100, 0, 100, 0, 100, 100});
  detail::SeamBlendArgs args;
  ASSERT_TRUE(detail::MakeSeamBlendArgs(blends, program, generator, args));
  const std::int32_t positions[] = {256 * 5, 256 * 2, 256 * 50, 256 * 2, 256 * 19, 256 * 19};
  const std::vector<detail::SeamBlendKernel> kernels = BlendKernels();
  for (const detail::SeamBlendKernel kernel : kernels) {
    std::uint8_t planned[3];
    std::int32_t partners[6];
    float weights[3];
    DecideRun(kernel, args, positions, nullptr, nullptr, 3, planned, partners, weights);
    EXPECT_EQ(planned[0], 2);
    EXPECT_EQ(planned[1], 1);  // in no region
    EXPECT_EQ(planned[2], 2);
  }

  const detail::SeamBlendsInDoubles inDoubles(blends, program, generator);
  SamplePlan plan;
  ASSERT_TRUE(inDoubles.Plan({5, 2}, plan));
  // Ramps 0.75 across u and 0.6 across v.
  ExpectPlan(plan, {{{5, 2}, 0.45}, {{105, 102}, 0.1}, {{105, 2}, 0.15}, {{5, 102}, 0.3}});
  // Past the ramp's end the weight stays whole.
  ASSERT_TRUE(inDoubles.Plan({15, 2}, plan));
  EXPECT_NEAR(plan.weights[0], 0.6, 1e-12);
  EXPECT_NEAR(plan.weights[2], 0, 1e-12);
  EXPECT_FALSE(inDoubles.Plan({50, 2}, plan));
}

// Where three copies meet, the partners weigh their ramps and the pixel what they leave, each
// clamped and all cut back to a sum of 1, as the plan weighs three copies.
TEST(SeamBlends, ThreeCopiesMixInDoublesAsThePlanWeighsThem) {
  TileGenerator generator;
  SetLattice(generator, {100, 0}, {0, 100});
  const detail::FoldProgram program;
  detail::SeamBlends blends;
  blends.AddThreeCopies({detail::UBelow(0.2), detail::VBelow(0.2)}, {100, 0, 100, 0, 100, 0}, {-5, 0, 0.5},
                        {100, 0, 0, 0, 100, 100}, {0, -5, 0.5});
  detail::SeamBlendArgs args;
  ASSERT_TRUE(detail::MakeSeamBlendArgs(blends, program, generator, args));
  const std::int32_t positions[] = {256 * 5, 256 * 2};
  std::uint8_t planned = 0;
  std::int32_t partners[2];
  float weights[1];
  DecideRun(detail::SeamBlendSse2, args, positions, nullptr, nullptr, 1, &planned, partners, weights);
  EXPECT_EQ(planned, 2);

  const detail::SeamBlendsInDoubles inDoubles(blends, program, generator);
  struct Case {
    Point2D plane;
    double weights[3];  // across u, across v, own
  };
  // Ramps 0.25 and 0.4; then -0.25, clamped to 0, and 0.4, the own 0.85: 1.25 in all.
  const Case cases[] = {{{5, 2}, {0.25, 0.4, 0.35}}, {{15, 2}, {0, 0.4 / 1.25, 0.85 / 1.25}}};
  for (const Case& c : cases) {
    SamplePlan plan;
    ASSERT_TRUE(inDoubles.Plan(c.plane, plan));
    ExpectPlan(plan, {{c.plane + Point2D(100, 0), c.weights[0]},
                      {c.plane + Point2D(0, 100), c.weights[1]},
                      {c.plane, c.weights[2]}});
  }
}

// Where copies meet in a corner, the lanes see only the region over them, and the pixel mixes its
// copies in doubles: each weighing its ramps' product, clamped, all cut back to a sum of 1, and
// a barycentric weight affine past its triangle's edges too.
TEST(SeamBlends, CopiesMixInDoublesByTheirOwnRegions) {
  TileGenerator generator;
  SetLattice(generator, {100, 0}, {0, 100});
  const detail::FoldProgram program;
  detail::SeamBlends blends;
  const detail::LatticeLinear inU{5, 0, 0.5}, inV{0, 5, 0.5};
  const detail::LatticeAffine alongU{100, 0, 100, 0, 100, 0};
  blends.AddCopies(
      {detail::UBelow(0.2), detail::VBelow(0.1)},
      {detail::BlendCopy::Own(inU, inV),
       detail::BlendCopy::Mapped(alongU, detail::BarycentricWeight({0, 0}, {1, 0}, {0, 1}, 0, 1, 0))});
  blends.AddCopies({detail::UBelow(0.2)}, {detail::BlendCopy::Mapped(alongU, {0, 0, 0.25})});
  blends.AddInDoubles({detail::UBelow(0.2)});
  blends.AddOwn({});
  detail::SeamBlendArgs args;
  ASSERT_TRUE(detail::MakeSeamBlendArgs(blends, program, generator, args));
  EXPECT_EQ(args.regionCount, 2);
  const std::int32_t positions[] = {256 * 5, 256 * 2, 256 * 50, 256 * 2};
  std::uint8_t planned[2];
  std::int32_t partners[4];
  float weights[2];
  DecideRun(detail::SeamBlendSse2, args, positions, nullptr, nullptr, 2, planned, partners, weights);
  EXPECT_EQ(planned[0], 2);
  EXPECT_EQ(planned[1], 0);

  const detail::SeamBlendsInDoubles inDoubles(blends, program, generator);
  SamplePlan plan;
  // Own ramps 0.75 and 0.6; the partner's weight is u, 0.05: 0.5 in all.
  ASSERT_TRUE(inDoubles.Plan({5, 2}, plan));
  ExpectPlan(plan, {{{5, 2}, 0.45}, {{105, 2}, 0.05}});
  // Own ramps 1.25, clamped to 1, and 0.9, the partner's 0.15: 1.05 in all, cut back.
  ASSERT_TRUE(inDoubles.Plan({15, 8}, plan));
  EXPECT_NEAR(plan.weights[0], 0.9 / 1.05, 1e-12);
  EXPECT_NEAR(plan.weights[1], 0.15 / 1.05, 1e-12);
  ASSERT_TRUE(inDoubles.Plan({5, 50}, plan));
  ASSERT_EQ(plan.count, 1);
  EXPECT_NEAR(plan.weights[0], 0.25, 1e-12);
  // Past the triangle's edge the barycentric weight goes on falling.
  const detail::LatticeLinear beyond = detail::BarycentricWeight({0, 0}, {1, 0}, {0, 1}, 0, 1, 0);
  EXPECT_NEAR(beyond.wu * -0.5 + beyond.wv * 0.2 + beyond.w1, -0.5, 1e-12);
}

// The row's pixels located in AVX2 lanes, bit for bit as one by one: a turned lattice, a fold
// that mirrors half the cell and a turn that tests its unmoved position in a corner.
TEST(SeamBlends, PixelsLocatedInLanesAsOneByOne) {
  if (!ProbeCpuFeatures().avx2) GTEST_SKIP() << "no AVX2";
  TileGenerator generator;
  SetLattice(generator, {87, 50}, {-50, 87});
  generator.origin = {10.5, 20.25};
  detail::FoldProgram program;
  program.wrapBias = 1e-6;
  program.AddByU(0.5, true, detail::kMirrorU);
  program.AddInCorner({0, 1, -0.5}, false, {1, 0, -0.25}, detail::kSwap);
  detail::SeamBlends blends;
  blends.AddPlanned({detail::UBelow(0.05)});
  blends.AddBlend({detail::VBelow(0.25)}, {100, 0, 0, 0, 100, 100}, {0, 4, 0});
  blends.AddCorner({detail::UAbove(0.4), detail::VAbove(0.6)}, {}, {}, {}, {}, {});
  constexpr int kCount = 61;  // no multiple of the lanes
  // Pixels of three rows at once.
  double x[kCount], y[kCount], row17[kCount];
  for (int i = 0; i < kCount; ++i) {
    x[i] = -40 + 3.5 * i;
    y[i] = 16.5 + i % 3;
    row17[i] = 17;
  }
  double u[2][kCount], v[2][kCount];
  int regions[2][kCount];
  // Few tests find the region by their bits at once, more region by region; sides past the cell
  // add tests that hold no pixel.
  for (int extraTests : {0, 3}) {
    for (int i = 0; i < extraTests; ++i) blends.AddPlanned({detail::UAbove(2 + i)});
    for (int lanes = 0; lanes < 2; ++lanes) {
      generator.render.cpu.avx2 = lanes == 1;
      const detail::SeamBlendsInDoubles inDoubles(blends, program, generator);
      inDoubles.Locate(x, y, kCount, u[lanes], v[lanes], regions[lanes]);
    }
    int held = 0;
    for (int i = 0; i < kCount; ++i) {
      EXPECT_EQ(u[0][i], u[1][i]) << i;
      EXPECT_EQ(v[0][i], v[1][i]) << i;
      EXPECT_EQ(regions[0][i], regions[1][i]) << i;
      held += regions[0][i] >= 0;
    }
    EXPECT_GT(held, 0);
    EXPECT_LT(held, kCount);
  }

  // The plan's own fold, where given, stands in for the program's, one pixel at a time.
  blends.planFold = [](Point2D cell) { return Point2D(1 - cell.x, cell.y); };
  const detail::SeamBlendsInDoubles asPlanned(blends, program, generator);
  EXPECT_TRUE(asPlanned.FoldsAsPlan());
  asPlanned.Locate(x, row17, kCount, u[1], v[1], regions[1]);
  for (int i = 0; i < kCount; i += 2) {  // whole pixels
    const Point2D cell = CellPosition(generator, int(x[i]), 17);
    EXPECT_EQ(u[1][i], 1 - cell.x) << i;
    EXPECT_EQ(v[1][i], cell.y) << i;
  }
}

// A square BGRA source of noise, its rows one after another.
struct NoiseSource {
  NoiseSource(int size, std::uint32_t seed) : bytes(4 * std::size_t(size) * size), strides(size, 4 * size) {
    for (std::uint8_t& byte : bytes) byte = std::uint8_t((seed = seed * 1664525u + 1013904223u) >> 24);
    for (int y = 0; y < size; ++y) starts.push_back(bytes.data() + 4 * std::size_t(size) * y);
    rows = {starts.data(), strides.data(), size, size};
  }
  NoiseSource(const NoiseSource&) = delete;
  NoiseSource& operator=(const NoiseSource&) = delete;

  std::vector<std::uint8_t> bytes;
  std::vector<std::intptr_t> strides;
  std::vector<std::uint8_t*> starts;
  BgraRows rows{};
};

// Random lattices, folds, frames and regions, "nice" ones (turns and mirrors of small whole
// coefficients, lines and points on quarters and eighths, so that many points fall right on a line
// or a cell's edge) or any.
class RandomBlends {
 public:
  explicit RandomBlends(unsigned seed) : random_(seed) {}

  double Uniform(double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(random_);
  }
  int Whole(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  bool Coin() { return Whole(0, 1) == 1; }
  // A multiple of step within [-reach, reach].
  double On(double step, double reach) { return step * Whole(int(-reach / step), int(reach / step)); }

  detail::HalfPlane Side(bool nice) {
    if (!nice) return {Uniform(-2, 2), Uniform(-2, 2), Uniform(-1, 1)};
    int nu = 0, nv = 0;
    while (nu == 0 && nv == 0) nu = Whole(-2, 2), nv = Whole(-2, 2);
    return {double(nu), double(nv), On(0.25, 1)};
  }
  detail::LatticeAffine Map(bool nice) {
    if (!nice)
      return {Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1)};
    // Turns and mirrors of square and hexagonal lattices in lattice coordinates.
    static const double kLinear[][4] = {{1, 0, 0, 1}, {-1, 0, 0, -1}, {0, -1, 1, -1}, {-1, 1, -1, 0},
                                        {0, 1, 1, 0}, {-1, 0, 0, 1},  {0, -1, 1, 0},  {1, -1, 0, -1}};
    const double* m = kLinear[Whole(0, 7)];
    return {m[0], m[1], On(0.5, 1), m[2], m[3], On(0.5, 1)};
  }
  void Lattice(TileGenerator& generator) {
    // Each way round, so that the plane's -0 meets products of either sign.
    auto side = [this] { return LONG(Whole(20, 300) * (Coin() ? 1 : -1)); };
    const LONG ax = side(), ay = Whole(-80, 80), bx = Whole(-150, 150), by = side();
    // Now and then degenerate: a plane point is then its own lattice point.
    SetLattice(generator, {ax, ay}, Whole(0, 15) == 0 ? POINT{2 * ax, 2 * ay} : POINT{bx, by});
    generator.origin = {Uniform(-50, 50), Uniform(-50, 50)};
  }
  detail::FoldProgram Program(bool nice) {
    detail::FoldProgram program;
    program.wrapBias = Coin() ? 1e-6 : 0;
    program.stepCount = Whole(0, detail::FoldProgram::kMaxSteps);
    for (int i = 0; i < program.stepCount; ++i) {
      detail::FoldStep& step = program.steps[i];
      step.side = Side(nice);
      step.above = Coin();
      if (Coin()) step.also = Side(nice);
      step.fromStart = Coin();
      step.map = Map(nice);
    }
    if (Coin()) program.readThrough = Map(nice);
    return program;
  }
  // A bump of every shape: clamped or not, one or the larger or smaller of two.
  detail::SideBend Bend() {
    detail::SideBend bend{Uniform(-1, 1), Uniform(-2, 2),
                          Uniform(-2, 2), Uniform(-1, 1),
                          Coin(),         Coin() ? detail::SideBend::kS : detail::SideBend::kBump};
    if (Coin()) {
      bend.twoBumps = true;
      bend.t2u = Uniform(-2, 2);
      bend.t2v = Uniform(-2, 2);
      bend.t21 = Uniform(-1, 1);
      bend.smaller = Coin();
    }
    return bend;
  }
  // Each bump's factor, some none.
  detail::BlendBends Bends(int count) {
    detail::BlendBends by;
    for (int b = 0; b < count; ++b) by.times[b] = Coin() ? 0 : Uniform(-2, 2);
    return by;
  }
  // Regions of every kind, of up to four sides each: their tests few enough for the table, or
  // more; half of the time with bumps bending their sides and weights.
  detail::SeamBlends Blends(bool nice) {
    detail::SeamBlends blends;
    if (Coin()) blends.frame = Map(nice);
    if (Coin()) {
      blends.bendCount = Whole(1, detail::kMaxBlendBends);
      for (int b = 0; b < blends.bendCount; ++b) blends.bends[b] = Bend();
    }
    blends.regionCount = Whole(1, 8);
    for (int r = 0; r < blends.regionCount; ++r) {
      detail::BlendRegion& region = blends.regions[r];
      region.kind = detail::BlendKind(Whole(0, int(detail::BlendKind::kPlannedInLanes)));
      region.sideCount = Whole(0, detail::BlendRegion::kMaxSides);
      for (int i = 0; i < region.sideCount; ++i) {
        region.sides[i] = i > 0 && Coin() ? -region.sides[i - 1] : Side(nice);
        if (Coin()) region.sideBends[i] = Bends(blends.bendCount);
      }
    }
    return blends;
  }
  // Anywhere, within a pixel of the origin (whose whole pixel may be -0), at whole and half
  // pixels, or at lattice points of eighths.
  Point2D Point(const TileGenerator& generator) {
    switch (Whole(0, 3)) {
      case 0:
        return {Uniform(-400, 400), Uniform(-400, 400)};
      case 1:
        return {Uniform(-1, 1), Uniform(-1, 1)};
      case 2:
        return {On(0.5, 400), On(0.5, 400)};
      default:
        return generator.LatticeToPlane(On(0.125, 3), On(0.125, 3));
    }
  }

 private:
  std::mt19937 random_;
};

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The pixels mixed in doubles are located in AVX2 lanes operation for operation as one by one:
// their folded positions and regions bit for bit, on random lattices, folds and regions (their
// sides bent by bumps of every shape half of the time), by the
// program's steps or by the plan's own fold (a stand-in here, the same in lanes and in doubles;
// the lanes hand it each pixel's cell position as one by one, to the sign of a zero), in batches
// whose last lanes the row's end leaves empty.
TEST(SeamBlends, PixelsLocatedInLanesAsOneByOneOnRandomPoints) {
  if (!ProbeCpuFeatures().avx2) GTEST_SKIP() << "no AVX2";
  RandomBlends random(48);
  const auto planFold = [](Point2D cell) { return cell.x < 0.5 ? cell : Point2D(1 - cell.x, cell.y); };
  std::vector<Point2D> cells[2];  // handed to the plan's fold one by one and in lanes
  int held = 0, none = 0, tried = 0;
  for (int trial = 0; trial < 400; ++trial) {
    const bool nice = trial % 2 == 0;
    TileGenerator generator;
    random.Lattice(generator);
    const detail::FoldProgram program = random.Program(nice);
    detail::SeamBlends blends = random.Blends(nice);
    cells[0].clear();
    cells[1].clear();
    if (trial % 4 == 1) {
      blends.planFold = [&](Point2D cell) {
        cells[0].push_back(cell);
        return planFold(cell);
      };
      blends.planFoldLanes = [&](double* u, double* v) {
        for (int i = 0; i < 4; ++i) {
          cells[1].push_back({u[i], v[i]});
          const Point2D folded = planFold({u[i], v[i]});
          u[i] = folded.x;
          v[i] = folded.y;
        }
      };
    }
    constexpr int kMost = 37;
    const int count = random.Whole(1, kMost);
    double x[kMost], y[kMost], u[2][kMost], v[2][kMost];
    int regions[2][kMost];
    for (int i = 0; i < count; ++i) {
      const Point2D point = random.Point(generator);
      x[i] = point.x;
      y[i] = point.y;
    }
    for (int lanes = 0; lanes < 2; ++lanes) {
      generator.render.cpu.avx2 = lanes == 1;
      const detail::SeamBlendsInDoubles inDoubles(blends, program, generator);
      inDoubles.Locate(x, y, count, u[lanes], v[lanes], regions[lanes]);
    }
    for (int i = 0; i < count; ++i) {
      ASSERT_TRUE(SameBits(u[0][i], u[1][i]) && SameBits(v[0][i], v[1][i]) && regions[0][i] == regions[1][i])
          << "trial " << trial << " pixel " << i << " at " << x[i] << "," << y[i] << ": lanes " << u[1][i]
          << "," << v[1][i] << " in " << regions[1][i] << ", doubles " << u[0][i] << "," << v[0][i] << " in "
          << regions[0][i];
      (regions[0][i] >= 0 ? held : none) += 1;
      ++tried;
    }
    ASSERT_GE(cells[1].size(), cells[0].size());
    for (std::size_t i = 0; i < cells[0].size(); ++i)
      ASSERT_TRUE(SameBits(cells[0][i].x, cells[1][i].x) && SameBits(cells[0][i].y, cells[1][i].y))
          << "trial " << trial << " pixel " << i << " at " << x[i] << "," << y[i];
  }
  // Both sides of the regions tried, not one alone.
  EXPECT_GT(held, tried / 10);
  EXPECT_GT(none, tried / 10);
}

// The pixels mixed in doubles queue straight from their regions the samples and weights their
// plans give: a band, a corner, three copies and copies (two, and five whose clamped weights sum
// past 1), mixed to the same bytes.
TEST(SeamBlends, PixelsQueueAsTheyPlan) {
  TileGenerator generator;
  SetLattice(generator, {100, 0}, {0, 100});
  const detail::FoldProgram program;
  detail::SeamBlends blends;
  const detail::LatticeAffine across{-100, 0, 100, 0, 100, 10}, down{100, 0, 5, 0, -100, 100},
      both{-100, 0, 100, 0, -100, 100};
  const detail::LatticeLinear inU{2.5, 0, 0.5}, inV{0, 2.5, 0.5};
  blends.AddCorner({detail::UBelow(0.2), detail::VBelow(0.2)}, across, inU, down, inV, both);
  blends.AddThreeCopies({detail::UAbove(0.8), detail::VBelow(0.2)}, across, {-2, 0, 2}, down, {0, 2, 0.1});
  blends.AddBlend({detail::UBelow(0.2)}, across, inU);
  blends.AddCopies({detail::VAbove(0.8)},
                   {detail::BlendCopy::Own(inV), detail::BlendCopy::Mapped(down, {0, -2.5, 2.5})});
  blends.AddCopies(
      {detail::UBelow(0.4)},
      {detail::BlendCopy::Mapped(across, {-3, 1, 0.4}), detail::BlendCopy::Own(inU, {0, -1.5, 1.2}),
       detail::BlendCopy::Mapped(down, {2, 0, 0.1}), detail::BlendCopy::Mapped(both, {0, 4, -1.3}),
       detail::BlendCopy::Mapped(across, {1, 1, 0}, {-2, 0, 0.9})});
  blends.AddPlanned({detail::UAbove(0.8)});
  const detail::SeamBlendsInDoubles inDoubles(blends, program, generator);
  constexpr int kCount = 50;
  const NoiseSource noise(128, 5);
  const BgraRows& source = noise.rows;
  double x[kCount], ys[kCount], u[kCount], v[kCount];
  int regions[kCount];
  for (int i = 0; i < kCount; ++i) x[i] = 0.3 + 2 * i;
  int kinds[6] = {};
  for (double y : {3.5, 11.0, 50.25, 90.75}) {
    std::fill(ys, ys + kCount, y);
    inDoubles.Locate(x, ys, kCount, u, v, regions);
    detail::RowQueue planned, queued;
    ASSERT_TRUE(planned.Reserve(kCount, {}, SampleBilinearBgra) &&
                queued.Reserve(kCount, {}, SampleBilinearBgra));
    int count = 0;
    for (int i = 0; i < kCount; ++i) {
      SamplePlan plan;
      const bool plans = inDoubles.PlanAt(u[i], v[i], regions[i], plan);
      ASSERT_EQ(inDoubles.QueueAt(u[i], v[i], regions[i], queued), plans) << i;
      if (!plans) continue;
      planned.Append(plan);
      ++count;
      ++kinds[regions[i]];
    }
    std::vector<std::uint8_t> fromPlans(4 * kCount), fromQueue(4 * kCount);
    planned.Finish(source, fromPlans.data(), count);
    queued.Finish(source, fromQueue.data(), count);
    EXPECT_EQ(fromPlans, fromQueue) << y;
  }
  for (int r = 0; r < 5; ++r) EXPECT_GT(kinds[r], 0) << r;
}

// Every kind of region that gives samples queues in AVX2 lanes bit for bit as one by one: each
// pixel's 24.8 positions and weights, on random lattices, frames, maps and weights (clamped at
// either end, summing past 1, or NaN where a map is, bent by bumps of every shape or not), in
// batches whose last lanes are left empty; and through the queue to the same bytes.
TEST(SeamBlends, RegionsQueueInLanesAsOneByOne) {
  if (!ProbeCpuFeatures().avx2) GTEST_SKIP() << "no AVX2";
  RandomBlends random(77);
  constexpr int kSize = 64, kMost = 23, kKinds = 5;
  const NoiseSource noise(kSize, 9);
  const BgraRows& source = noise.rows;
  int tried[kKinds] = {};
  for (int trial = 0; trial < 500; ++trial) {
    TileGenerator generator;
    random.Lattice(generator);
    generator.render.cpu.avx2 = true;
    detail::FoldProgram program;
    program.sourceShift = {random.Uniform(-2, 2), random.Uniform(-2, 2)};
    detail::SeamBlends blends;
    if (random.Coin()) blends.frame = random.Map(false);
    auto weight = [&] {
      return detail::LatticeLinear{random.Uniform(-3, 3), random.Uniform(-3, 3), random.Uniform(-1, 2)};
    };
    detail::LatticeAffine partner = random.Map(false);
    if (trial % 50 == 7) partner.u1 = std::numeric_limits<double>::quiet_NaN();
    const int kind = trial % kKinds;
    if (kind == 0) blends.AddBlend({}, partner, weight());
    if (kind == 1) blends.AddCorner({}, partner, weight(), random.Map(false), weight(), random.Map(false));
    if (kind == 2)
      blends.AddThreeCopies({}, partner, weight(), random.Map(false), weight(),
                            random.Coin() ? detail::OwnSummed::kFirst : detail::OwnSummed::kLast);
    if (kind == 3) {
      detail::BlendRegion& region = blends.regions[blends.regionCount++];
      region.kind = detail::BlendKind::kCopies;
      region.copyCount = random.Whole(1, detail::BlendRegion::kMaxCopies);
      for (int i = 0; i < region.copyCount; ++i)
        region.copies[i] = random.Whole(0, 3) == 0
                               ? detail::BlendCopy::Own(weight(), weight())
                               : detail::BlendCopy::Mapped(random.Map(false), weight(), weight());
    }
    if (kind == 4) blends.AddOwn({});
    if (trial % 3 != 0) {
      blends.bendCount = random.Whole(1, detail::kMaxBlendBends);
      for (int b = 0; b < blends.bendCount; ++b) blends.bends[b] = random.Bend();
      blends.BendWeights(random.Bends(blends.bendCount), random.Bends(blends.bendCount));
    }
    const detail::SeamBlendsInDoubles inDoubles(blends, program, generator);
    ASSERT_TRUE(inDoubles.QueuesInLanes(0));
    const int count = random.Whole(1, kMost);
    double u[kMost], v[kMost];
    for (int i = 0; i < count; ++i) u[i] = random.Uniform(-0.5, 1.5), v[i] = random.Uniform(-0.5, 1.5);
    const Point2D origin(random.Uniform(0, kSize), random.Uniform(0, kSize));
    const detail::MixPlace place{blends.frame, generator.matN, generator.detN != 0, program.sourceShift,
                                 origin,       blends.bends,   blends.bendCount};
    std::int32_t positions[2 * detail::BlendRegion::kMaxCopies * kMost];
    double weights[detail::BlendRegion::kMaxCopies * kMost];
    detail::QueueMixesAvx2(blends.regions[0], place, u, v, count, positions, weights);
    const int samples = detail::QueuedSamples(blends.regions[0]);
    for (int i = 0; i < count; ++i) {
      SamplePlan plan;
      ASSERT_TRUE(inDoubles.PlanAt(u[i], v[i], 0, plan));
      ASSERT_EQ(plan.count, samples);
      for (int k = 0; k < samples; ++k) {
        std::int32_t fixed[2];
        detail::ToFixed(plan.points[k] + origin, fixed);
        const int at = samples * i + k;
        ASSERT_TRUE(fixed[0] == positions[2 * at] && fixed[1] == positions[2 * at + 1] &&
                    SameBits(plan.weights[k], weights[at]))
            << "trial " << trial << " pixel " << i << " sample " << k;
      }
    }
    detail::RowQueue oneByOne, inLanes;
    ASSERT_TRUE(oneByOne.Reserve(kMost, origin, SampleBilinearBgra) &&
                inLanes.Reserve(kMost, origin, SampleBilinearBgra));
    for (int i = 0; i < count; ++i) ASSERT_TRUE(inDoubles.QueueAt(u[i], v[i], 0, oneByOne));
    inDoubles.QueueInLanes(0, u, v, count, inLanes);
    std::vector<std::uint8_t> fromOneByOne(4 * kMost), fromLanes(4 * kMost);
    oneByOne.Finish(source, fromOneByOne.data(), count);
    inLanes.Finish(source, fromLanes.data(), count);
    ASSERT_EQ(fromOneByOne, fromLanes) << trial;
    tried[kind] += count;
  }
  for (int kind = 0; kind < kKinds; ++kind) EXPECT_GT(tried[kind], 1000) << kind;
}

// The runs' mix in AVX2 lanes gives, channel by channel and pixel by pixel in order, the truncated
// float mix the SSE2 lanes take; it mixes only whole groups of eight and says how many.
TEST(SeamBlends, RunsMixInAvx2AsInFloats) {
  if (!ProbeCpuFeatures().avx2) GTEST_SKIP() << "no AVX2";
  constexpr int kCount = 29;
  std::vector<std::uint8_t> own(4 * kCount), partner(4 * kCount);
  std::vector<float> weights(kCount);
  std::uint32_t noise = 11;
  auto next = [&noise] { return (noise = noise * 1664525u + 1013904223u) >> 24; };
  const float fixedWeights[] = {0, 1, 0.5f, 0.25f, 1.0f / 3, 0.999999f, 1e-7f};
  for (int i = 0; i < kCount; ++i) {
    weights[std::size_t(i)] = i < 7 ? fixedWeights[i] : float(next()) / 255;
    for (int c = 0; c < 4; ++c) {
      own[std::size_t(4 * i + c)] = std::uint8_t(i % 3 == 0 ? 255 * (c % 2) : next());
      partner[std::size_t(4 * i + c)] = std::uint8_t(i % 3 == 0 ? 255 * (1 - c % 2) : next());
    }
  }
  std::vector<std::uint8_t> out = own;
  ASSERT_EQ(detail::MixRunAvx2(out.data(), partner.data(), weights.data(), kCount), 24);
  for (int i = 0; i < kCount; ++i)
    for (int c = 0; c < 4; ++c) {
      const std::size_t k = std::size_t(4 * i + c);
      const float a = own[k], b = partner[k], w = weights[std::size_t(i)];
      const int mixed = i < 24 ? int(b + w * (a - b) + detail::kMixRoundingSlack) : own[k];
      EXPECT_EQ(out[k], mixed) << "pixel " << i << " channel " << c;
    }
}

}  // namespace
}  // namespace corvel
