// Which pixels of a row the fast render leaves to the plan in doubles: those near the lines its
// seams lie on, and for seams that cover only parts of their lines, near those parts alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "core/CpuFeatures.h"
#include "generators/detail/BandMarks.h"
#include "generators/detail/FoldProgram.h"
#include "generators/detail/KeptBetweenRenders.h"
#include "generators/detail/SeamBlends.h"
#include "generators/detail/TileGenerator.h"
#include "tests/generators/TestLattices.h"

namespace corvel {
namespace {

using testing_lattices::SetLattice;

// Whether pixel x of the row from (shift, y) is marked, on a lattice of 100-pixel squares:
// u = (x + shift) / 100, v = y / 100.
bool Marked(const detail::FoldProgram& program, double y, int x, double shift = 0) {
  TileGenerator generator;
  SetLattice(generator, {100, 0}, {0, 100});
  std::vector<std::uint8_t> marks(200, 7);
  detail::BandMarks(program, generator).Mark({shift, y}, 200, marks.data());
  return marks[std::size_t(x)] != 0;
}

TEST(FoldBands, SkewBandsLimitedToPartsOfTheirLinesMarkOnlyThose) {
  // About u + v whole, two pixels each way; limited, only where u lies in [0.25, 0.5] of a cell.
  detail::FoldProgram whole;
  whole.skewBands[0] = {1, 1, {true, -0.02, 0.02, 1}, 0, 0, {}};
  detail::FoldProgram limited = whole;
  limited.skewBands[0].alongA = 1;
  limited.skewBands[0].along = {true, 0.25, 0.5, 1};

  // v = 0.3: the lines cross at u = 0.7 and 1.7, outside the limit.
  for (int x : {68, 70, 72, 168, 170, 172}) {
    EXPECT_TRUE(Marked(whole, 30, x)) << x;
    EXPECT_FALSE(Marked(limited, 30, x)) << x;
  }
  for (int x : {40, 65, 75, 140}) EXPECT_FALSE(Marked(whole, 30, x)) << x;
  // v = 0.6: at u = 0.4 and 1.4, inside it.
  for (int x : {38, 40, 42, 138, 140, 142}) EXPECT_TRUE(Marked(limited, 60, x)) << x;
  for (int x : {35, 45, 70, 135, 145}) EXPECT_FALSE(Marked(limited, 60, x)) << x;
  // v = 0.74: at u = 0.26, where the band reaches past the limit's start.
  for (int x : {25, 26, 28, 125, 128}) EXPECT_TRUE(Marked(limited, 74, x)) << x;
  for (int x : {23, 24, 123, 124}) EXPECT_FALSE(Marked(limited, 74, x)) << x;

  // About v whole, limited alike: a row along a line marks only its parts too.
  detail::FoldProgram along;
  along.skewBands[0] = {0, 1, {true, -0.02, 0.02, 1}, 1, 0, {true, 0.25, 0.5, 1}};
  for (int x : {25, 40, 50, 125, 150}) EXPECT_TRUE(Marked(along, 100, x)) << x;
  for (int x : {0, 10, 23, 52, 70, 99, 110, 175}) EXPECT_FALSE(Marked(along, 100, x)) << x;
  for (int x : {25, 40, 125}) EXPECT_FALSE(Marked(along, 103, x)) << x;
}

// The runs across a part's end fill between its crossings what a test of each pixel marks: runs
// across one end and several, along the part's lines and nearly so, upward and downward, starting
// right on an end; parts of one period and of two, reaching past 0 and 1, and one the test finds
// only past whole numbers.
TEST(FoldBands, RunsAcrossAPartsEndMarkAsEachPixelTested) {
  auto inPart = [](double r, const detail::BandMarks::UnitBand& part) {
    const double s = r / part.every, f = s - std::floor(s);
    auto near = [&](double g) { return g >= part.from && g < part.to; };
    return near(f) || near(f - 1) || near(f + 1);
  };
  std::mt19937 random(59);
  std::uniform_real_distribution<double> unit(0, 1);
  const detail::BandMarks::UnitBand parts[] = {
      {0.3, 0.7, 1}, {-0.05, 0.42, 1}, {0.6, 1.1, 1}, {0.2, 0.5, 2}, {-1.1, -0.9, 1}};
  long long marked = 0;
  for (const detail::BandMarks::UnitBand& part : parts) {
    for (int i = 0; i < 4000; ++i) {
      const double scale = std::pow(10.0, -1 - 10 * unit(random));
      const double dr = (i % 2 == 0 ? scale : -scale) * (i % 7 == 0 ? 0 : 1);
      const double r0 = i % 5 == 0 ? part.from * part.every - 30 * dr : 3 * unit(random) - 1;
      const int first = int(40 * unit(random)), end = first + 1 + int(150 * unit(random));
      std::vector<std::uint8_t> got(200, 0), expected(200, 0);
      detail::MarkInPart(r0, dr, part, first, end, got.data());
      for (int x = first; x < end; ++x) expected[std::size_t(x)] = inPart(r0 + x * dr, part) ? 1 : 0;
      ASSERT_EQ(got, expected) << "r0 " << r0 << " dr " << dr << " from " << first << " to " << end;
      marked += std::count(got.begin(), got.end(), 1);
    }
  }
  EXPECT_GT(marked, 100000);
}

TEST(FoldBands, BandsReachFurtherByTheSeamReachAndAlongTheRowByTheSlack) {
  // About u whole, two and a half pixels each way: pixels 98 to 102 about u = 1.
  detail::FoldProgram program;
  program.bandU = {true, -0.025, 0.025, 1};
  program.slackPixels = 0;
  for (int x : {98, 102}) EXPECT_TRUE(Marked(program, 30, x)) << x;
  for (int x : {97, 103}) EXPECT_FALSE(Marked(program, 30, x)) << x;
  detail::FoldProgram slack = program;
  slack.slackPixels = 0.5;
  detail::FoldProgram reach = program;
  reach.seamReach = 0.01;
  for (const detail::FoldProgram& wider : {slack, reach}) {
    for (int x : {97, 103}) EXPECT_TRUE(Marked(wider, 30, x)) << x;
    for (int x : {96, 104}) EXPECT_FALSE(Marked(wider, 30, x)) << x;
  }
}

TEST(FoldBands, FeatheredBandsMarkedInLanesHoldEveryPixelTheDoublesMark) {
  // Bands as P6's about u, v, u + v and the medians' parts, feathered (in lanes, where a row
  // crosses them often) and not (in doubles): on small lattices of whole pixels, turned or not,
  // and one so small that each row is marked whole, in AVX2 and SSE2.
  detail::FoldProgram doubles;
  doubles.bandU = doubles.bandV = doubles.bandSum = {true, -0.11, 0.11, 1};
  const detail::FoldProgram::Band middle{true, 0.25, 0.75, 1};
  doubles.skewBands[0] = {2, 1, {true, -0.13, 0.13, 1}, 1, 0, middle};
  doubles.skewBands[1] = {1, 2, {true, -0.13, 0.13, 1}, 0, 1, middle};
  doubles.skewBands[2] = {1, -1, {true, -0.13, 0.13, 1}, 1, 0, middle};
  doubles.seamReach = 0.004;
  doubles.slackPixels = 0.25;
  detail::FoldProgram lanes = doubles;
  const detail::SeamBlends blends;
  lanes.blends = &blends;
  const std::pair<POINT, POINT> lattices[] = {{{116, 0}, {58, 100}},
                                              {{100, 58}, {0, 116}},
                                              {{61, 1}, {29, 53}},
                                              {{3, 1}, {1, 3}},
                                              // The rows along the lines u - v whole.
                                              {{50, -30}, {50, 30}}};
  for (const CpuFeatures& features : {CpuFeatures{}, ProbeCpuFeatures()}) {
    const CpuFeaturesOverride forced(features);
    for (const auto& [a, b] : lattices) {
      TileGenerator generator;
      SetLattice(generator, a, b);
      const detail::BandMarks inDoubles(doubles, generator), inLanes(lanes, generator);
      long long marked = 0, differing = 0;
      for (int y = -40; y < 160; ++y) {
        // Rows longer than a span, from whole pixels and from between them.
        for (const double x : {0.0, -17.0, 3.25}) {
          std::vector<std::uint8_t> expected(150, 7), got(150, 7);
          inDoubles.Mark({x, double(y)}, 150, expected.data());
          inLanes.Mark({x, double(y)}, 150, got.data());
          for (int i = 0; i < 150; ++i) {
            ASSERT_LE(got[i], 1);
            ASSERT_GE(got[i], expected[i])
                << a.x << "," << a.y << " row " << y << " from " << x << " pixel " << i;
            marked += expected[i];
            differing += got[i] != expected[i];
          }
        }
      }
      EXPECT_GT(marked, 0);
      // A pixel a hair beyond a band's edge at most now and then.
      EXPECT_LE(differing, marked / 10000) << a.x << "," << a.y;
    }
  }
}

TEST(FoldBands, PixelsRightOnAHardSeamAreLeftToStepsThatDecideThem) {
  // Hard seams about u and v whole.
  detail::FoldProgram planned;
  planned.bandU = planned.bandV = {true, 0, 0, 1};
  planned.slackPixels = 0;
  detail::FoldProgram decided = planned;
  decided.stepsDecideSeams = true;
  for (int x : {0, 100}) {
    EXPECT_TRUE(Marked(planned, 30, x)) << x;
    EXPECT_FALSE(Marked(decided, 30, x)) << x;
  }
  // A hair off the line, either way, along the row and across it: planned whichever.
  for (double shift : {1e-4, -1e-4}) {
    EXPECT_TRUE(Marked(decided, 30, 100, shift)) << shift;
    EXPECT_TRUE(Marked(decided, 100 + shift, 40)) << shift;
  }
  EXPECT_TRUE(Marked(planned, 100, 40));
  EXPECT_FALSE(Marked(decided, 100, 40));
  for (int x : {1, 99, 101}) EXPECT_FALSE(Marked(decided, 30, x)) << x;
}

TEST(FoldBands, NoPixelIsMarkedWhereTheStepsDecideSeamsOfASmallLattice) {
  detail::FoldProgram program;
  program.bandU = program.bandV = {true, 0, 0, 0.5};
  program.bandSum = {true, 0, 0, 1};
  program.LeaveSeamsToSteps();
  TileGenerator generator;
  SetLattice(generator, {100, 3}, {-7, 90});
  EXPECT_FALSE(detail::BandMarks(program, generator).CanMark());
  // Planned seams, bands with a width, or a lattice whose pixels come within the margin of a line.
  detail::FoldProgram planned = program, wide = program;
  planned.stepsDecideSeams = false;
  wide.bandV = {true, -0.01, 0.01, 0.5};
  EXPECT_TRUE(detail::BandMarks(planned, generator).CanMark());
  EXPECT_TRUE(detail::BandMarks(wide, generator).CanMark());
  SetLattice(generator, {700, 3}, {-7, 690});
  EXPECT_TRUE(detail::BandMarks(program, generator).CanMark());
}

// A turn by 120 degrees about the lattice point (1/3, 1/3) of the lattice spanned by a and b.
detail::FoldProgram TurnAboutCentroid(POINT a, POINT b) {
  TileGenerator generator;
  SetLattice(generator, a, b);
  const Point2D centre = generator.LatticeToPlane(1.0 / 3, 1.0 / 3);
  detail::FoldProgram program;
  program.AddBySide(detail::HalfPlane{1, 1, -1},
                    detail::InLattice(generator, [&](const Point2D& q) { return q.RotatePlus120(centre); }));
  return program;
}

TEST(FoldBands, TurnsOfALatticeOffTheHexagonWidenTheBandsByHowFarTheyStray) {
  // Whole mirrors and half turns stray nowhere.
  detail::FoldProgram exact;
  exact.AddByLine(Line2D({0, 1}, {1, 0}), true, detail::LatticeAffine{-1, 0, 1, 0, -1, 1});
  exact.AddByU(0.5, true, detail::kMirrorU);
  EXPECT_EQ(detail::HexagonalDrift(exact), 0);

  // Whole pixels put a lattice of 256 a little off the hexagon (221.7 high): its turn strays a
  // fraction of a pixel over the cell. One further off strays further.
  const double nearly = detail::HexagonalDrift(TurnAboutCentroid({256, 0}, {128, 222}));
  EXPECT_GT(nearly, 0);
  EXPECT_LT(nearly, 1.0 / 256);
  detail::FoldProgram off = TurnAboutCentroid({61, 1}, {29, 53});
  EXPECT_GT(detail::HexagonalDrift(off), 4 * nearly);
  detail::KeptBetweenRenders kept;
  off.ReachTurnedSeams(0.01);
  detail::WorkOutReach(off, kept);
  EXPECT_DOUBLE_EQ(off.seamReach, 0.01 + detail::HexagonalDrift(off));
  EXPECT_EQ(off.slackPixels, 0.25);

  // A step no hexagon takes leaves the drift untold: a pixel of slack along the row instead.
  detail::FoldProgram halved;
  halved.AddBySide(detail::HalfPlane{}, detail::LatticeAffine{0.5, 0, 0, 0, 0.5, 0});
  EXPECT_LT(detail::HexagonalDrift(halved), 0);
  halved.ReachTurnedSeams(0.01);
  detail::WorkOutReach(halved, kept);
  EXPECT_EQ(halved.seamReach, 0.01);
  EXPECT_EQ(halved.slackPixels, 1);
}

TEST(FoldBands, ReachOfTurnedSeamsFollowsEachProgramWhenRendersAlternate) {
  // The last reach found is taken again for the same program: one differing in a step, a band or
  // near gets its own, and the first again gets what it got before.
  detail::KeptBetweenRenders kept;
  auto banded = [](POINT a, POINT b, bool sum) {
    detail::FoldProgram program = TurnAboutCentroid(a, b);
    program.bandU = program.bandV = {true, 0, 0, 1};
    program.bandSum = {sum, 0, 0, 1};
    return program;
  };
  auto reaches = [&kept](detail::FoldProgram program, double near) {
    program.ReachTurnedSeams(near);
    detail::WorkOutReach(program, kept);
    return std::vector<double>{program.seamReach, program.slackPixels, program.bandU.ownReach,
                               program.bandV.ownReach, program.bandSum.ownReach};
  };
  const detail::FoldProgram first = banded({61, 1}, {29, 53}, true), turned = banded({61, 2}, {29, 53}, true),
                            fewer = banded({61, 1}, {29, 53}, false);
  const std::vector<double> once = reaches(first, 0.01);
  EXPECT_EQ(reaches(first, 0.01), once);
  const std::pair<detail::FoldProgram, double> others[] = {{turned, 0.01}, {fewer, 0.01}, {first, 0.02}};
  for (const auto& [other, near] : others) {
    EXPECT_NE(reaches(other, near), once);
    EXPECT_EQ(reaches(first, 0.01), once);
  }
  EXPECT_NE(reaches(turned, 0.01), reaches(fewer, 0.01));

  // Each band's own reach from a reach set beforehand, remembered apart from the turned seams'.
  auto ownReaches = [&kept](detail::FoldProgram program, double reach) {
    program.seamReach = reach;
    program.ReachOwnSeams();
    detail::WorkOutReach(program, kept);
    return std::vector<double>{program.bandU.ownReach, program.bandV.ownReach, program.bandSum.ownReach};
  };
  const std::vector<double> own = ownReaches(first, 0.03);
  EXPECT_NE(ownReaches(first, 0.04), own);
  EXPECT_EQ(reaches(first, 0.01), once);
  EXPECT_EQ(ownReaches(first, 0.03), own);
}

TEST(FoldBands, StepsPastThoseTheReachIsWorkedOutOverLeaveTheBandsReachAsItWas) {
  // A turn taken after the fold, as a carry across a bent seam is, strays from the hexagon's too:
  // counted with the fold's, it would shrink the reach the fold's own drift gave the bands.
  TileGenerator generator;
  SetLattice(generator, {61, 1}, {29, 53});
  const Point2D far = generator.LatticeToPlane(2.0 / 3, 2.0 / 3);
  auto ownReaches = [](detail::FoldProgram program) {
    program.bandU = program.bandV = program.bandSum = {true, 0, 0, 1};
    program.seamReach = 0.03;
    program.ReachOwnSeams();
    detail::KeptBetweenRenders kept;
    detail::WorkOutReach(program, kept);
    return std::vector<double>{program.bandU.ownReach, program.bandV.ownReach, program.bandSum.ownReach};
  };
  const detail::FoldProgram fold = TurnAboutCentroid({61, 1}, {29, 53});
  detail::FoldProgram carried = fold;
  carried.AddBySide(detail::HalfPlane{1, 0, -0.3},
                    detail::InLattice(generator, [&](const Point2D& q) { return q.RotateMinus120(far); }));
  EXPECT_NE(ownReaches(carried), ownReaches(fold));
  carried.reachSteps = 1;
  EXPECT_EQ(ownReaches(carried), ownReaches(fold));
}

TEST(FoldBands, EachBandReachesOnlyAsFarAsTheTurnsMoveItsOwnSeams) {
  // A lattice off the hexagon turned about its centroid where u + v < 1: the turn strays from the
  // hexagon's by a drift affine in the position, so each band's own seams stray by that drift
  // across the line the turn takes them to, sampled here near each band.
  TileGenerator generator;
  SetLattice(generator, {61, 1}, {29, 53});
  detail::FoldProgram program = TurnAboutCentroid({61, 1}, {29, 53});
  program.bandU = program.bandV = program.bandSum = {true, 0, 0, 1};
  program.skewBands[0] = {1, -1, {true, 0, 0, 1}, 1, 0, {true, -0.2, 0.2, 1}};
  const double near = 0.01;
  detail::KeptBetweenRenders kept;
  program.ReachTurnedSeams(near);
  detail::WorkOutReach(program, kept);
  const detail::LatticeAffine& turn = program.steps[0].map;
  // The hexagon's turn: whole coefficients, offsets in thirds.
  auto whole = [](double t, double unit) { return std::round(t / unit) * unit; };
  const detail::LatticeAffine hexagon{whole(turn.uu, 1), whole(turn.uv, 1), whole(turn.u1, 1.0 / 3),
                                      whole(turn.vu, 1), whole(turn.vv, 1), whole(turn.v1, 1.0 / 3)};
  struct Band {
    double a, b, reach;
    bool nearOrigin;  // limited to u within 0.2 of whole
  };
  const Band bands[] = {{1, 0, program.bandU.ownReach, false},
                        {0, 1, program.bandV.ownReach, false},
                        {1, 1, program.bandSum.ownReach, false},
                        {1, -1, program.skewBands[0].band.ownReach, true}};
  bool narrower = false;
  for (const Band& band : bands) {
    EXPECT_GE(band.reach, near);
    EXPECT_LE(band.reach, program.seamReach);
    narrower = narrower || band.reach < program.seamReach - 1e-9;
    // The line l with l H = (a, b) for the turn's hexagonal map H, whose det is 1.
    const double lu = band.a * hexagon.vv - band.b * hexagon.vu,
                 lv = band.b * hexagon.uu - band.a * hexagon.uv;
    double largest = 0;
    for (int i = 0; i <= 400; ++i)
      for (int j = 0; j <= 400; ++j) {
        const double u = i / 400.0, v = j / 400.0, t = band.a * u + band.b * v;
        const bool inBand = std::abs(t - std::round(t)) <= program.seamReach;
        const bool inPart = !band.nearOrigin || std::abs(u - std::round(u)) <= 0.2 + program.seamReach;
        if (u + v >= 1 || !inBand || !inPart) continue;
        const double du = turn.uu * u + turn.uv * v + turn.u1 -
                          (hexagon.uu * u + hexagon.uv * v + hexagon.u1),
                     dv = turn.vu * u + turn.vv * v + turn.v1 -
                          (hexagon.vu * u + hexagon.vv * v + hexagon.v1);
        largest = std::max(largest, std::abs(lu * du + lv * dv));
      }
    EXPECT_LE(largest, band.reach - near + 1e-12) << band.a << "," << band.b;
    EXPECT_GE(largest, 0.9 * (band.reach - near)) << band.a << "," << band.b;
  }
  EXPECT_TRUE(narrower);
}

// Bands about seams bent by bumps, a wide one past the seam by u and one of no width by v, on a
// turned lattice and a skewed one, in SSE2, AVX2 and AVX-512 where the processor has them: every
// pixel within the margin of a band is marked, and none further than a hair beyond it, the bent
// sum taken in doubles on the cell position as the fold wraps it.
TEST(FoldBands, BentBandsMarkThePixelsNearTheirBentSeams) {
  detail::FoldProgram program;
  program.wrapBias = 1e-6;
  program.AddBentBand({1, 0, {-0.4, 0, 1, 0}, 0, 0.03});
  program.AddBentBand({0, 1, {0.3, 1, 0, 0}, 0, 0});
  const std::pair<POINT, POINT> lattices[] = {{{97, 26}, {-26, 97}}, {{61, 1}, {29, 53}}};
  CpuFeatures eight = ProbeCpuFeatures();
  eight.avx512 = false;
  for (const CpuFeatures& features : {CpuFeatures{}, eight, ProbeCpuFeatures()}) {
    const CpuFeaturesOverride forced(features);
    for (const auto& [a, b] : lattices) {
      TileGenerator generator;
      SetLattice(generator, a, b);
      const detail::BandMarks bands(program, generator);
      long long marked = 0;
      for (int y = -30; y < 130; ++y) {
        for (const double x0 : {0.0, -17.0, 3.25}) {
          std::vector<std::uint8_t> marks(150, 7);
          bands.Mark({x0, double(y)}, 150, marks.data());
          for (int i = 0; i < 150; ++i) {
            const Point2D uv = generator.PlaneToLattice(x0 + i, y);
            const double u = uv.x + 1e-6 - std::floor(uv.x + 1e-6) - 1e-6,
                         v = uv.y + 1e-6 - std::floor(uv.y + 1e-6) - 1e-6;
            bool inside = false, beyond = true;
            for (int k = 0; k < program.bentBandCount; ++k) {
              const detail::FoldProgram::BentBand& band = program.bentBands[k];
              const double t = band.a * u + band.b * v + band.bend.At(u, v) - band.from;
              const double from = t - std::floor(t), to = band.to - band.from;
              auto within = [&](double margin) { return from < to + margin || from >= 1 - margin; };
              inside = inside || within(detail::kBandMargin);
              beyond = beyond && !within(2 * detail::kBandMargin);
            }
            const int mark = marks[std::size_t(i)];
            ASSERT_LE(mark, 1);
            EXPECT_TRUE(inside ? mark == 1 : !beyond || mark == 0)
                << a.x << "," << a.y << " row " << y << " pixel " << i;
            marked += mark;
          }
        }
      }
      EXPECT_GT(marked, 0);
    }
  }
}

// A coordinate in 0.32 fixed point, as the fold steps it.
std::uint32_t Fixed(double t) { return std::uint32_t(std::int64_t(std::floor(t * 0x1p32))); }

// One or two bent bands of the trial's kinds (bumps and S-shaped seams, clamped or not, along u or
// v or askew), their lines, bends and widths drawn from any, which gives numbers in [-1, 1].
detail::BentBandLanes RandomBentBands(std::mt19937& random, int trial) {
  std::uniform_real_distribution<double> any(-1, 1);
  detail::BentBandLanes lanes;
  lanes.bias = 1e-6f;
  lanes.count = 1 + trial % 2;
  for (int b = 0; b < lanes.count; ++b)
    lanes.bands[b] = {float(trial % 3 == 0 ? 1 : any(random)),
                      float(trial % 3 == 1 ? 1 : any(random)),
                      float(2 * any(random)),
                      float(any(random)),
                      float(any(random)),
                      float(any(random)),
                      trial % 4 < 2,
                      trial % 5 < 2,
                      float(any(random)),
                      float(0.2 * (any(random) + 1))};
  return lanes;
}

// A span of a row passed over as clear of the bent bands holds no position within a band, for bumps
// and S-shaped seams, clamped or not, bent either way, the spans stepped either way and wrapping or
// not; and spans far from the bands are passed over.
TEST(FoldBands, SpansPassedOverLieClearOfEveryBentBand) {
  std::mt19937 random(59);
  std::uniform_real_distribution<double> any(-1, 1);
  long long passed = 0;
  for (int trial = 0; trial < 20000; ++trial) {
    const detail::BentBandLanes lanes = RandomBentBands(random, trial);
    const std::uint32_t u0 = Fixed(any(random)), v0 = Fixed(any(random)),
                        du = Fixed(any(random) / (trial % 7 == 0 ? 10 : 2000)),
                        dv = Fixed(any(random) / 2000);
    const int count = detail::kFoldSpan;
    if (!detail::BentSpanTest(lanes, du, dv, count).Misses(u0, v0)) continue;
    ++passed;
    for (int k = 0; k < count; ++k) {
      const double u = std::uint32_t(u0 + std::uint32_t(k) * du) * 0x1p-32 - lanes.bias,
                   v = std::uint32_t(v0 + std::uint32_t(k) * dv) * 0x1p-32 - lanes.bias;
      for (int b = 0; b < lanes.count; ++b) {
        const detail::BentBandLanes::Band& band = lanes.bands[b];
        const detail::SideBend bend{
            band.bend, band.tu,      band.tv,
            band.t1,   band.clamped, band.sShape ? detail::SideBend::kS : detail::SideBend::kBump};
        const double sum = band.a * u + band.b * v + bend.At(u, v) - band.from;
        ASSERT_GE(sum - std::floor(sum), band.width + 1e-5) << "trial " << trial << " pixel " << k;
      }
    }
  }
  EXPECT_GT(passed, 2000);
}

// Sixteen lanes' test of 32 spans at once passes over the spans the test of one passes over, each
// in its bit: bands as above, spans that wrap or not, of a run of fewer than 32 too.
TEST(FoldBands, SpansInLanesArePassedOverAsOneByOne) {
  if (!ProbeCpuFeatures().avx512) GTEST_SKIP() << "no AVX-512";
  std::mt19937 random(61);
  std::uniform_real_distribution<double> any(-1, 1);
  long long passed = 0, tested = 0;
  for (int trial = 0; trial < 2000; ++trial) {
    const detail::BentBandLanes lanes = RandomBentBands(random, trial);
    const std::uint32_t du = Fixed(any(random) / (trial % 7 == 0 ? 10 : 2000)),
                        dv = Fixed(any(random) / 2000);
    const detail::BentSpanTest test(lanes, du, dv, detail::kFoldSpan);
    std::uint32_t starts[64];
    for (std::uint32_t& start : starts) start = Fixed(any(random));
    const int spans = trial % 3 == 0 ? 1 + trial % 32 : 32;
    const std::uint32_t missed = test.MissesEachAvx512(starts, spans);
    for (int s = 0; s < 32; ++s) {
      const bool one = s < spans && test.Misses(starts[2 * s], starts[2 * s + 1]);
      EXPECT_EQ((missed >> s & 1) != 0, one) << "trial " << trial << " span " << s;
      passed += one;
      tested += s < spans;
    }
  }
  EXPECT_GT(passed, tested / 10);
  EXPECT_LT(passed, tested * 9 / 10);
}

}  // namespace
}  // namespace corvel
