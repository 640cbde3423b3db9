// The fold kernels on a program of kinds no group has, which runs on the kernels for any kinds,
// and on bent wraps, against the steps in doubles.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "core/CpuFeatures.h"
#include "generators/detail/DoublesRule.h"
#include "generators/detail/FoldProgram.h"
#include "generators/detail/FoldRow.h"
#include "generators/detail/TileGenerator.h"
#include "tests/generators/TestLattices.h"

namespace corvel {
namespace {

using testing_lattices::SetLattice;

// The kernels made for args: SSE2's, and AVX2's and AVX-512's where the processor has them.
std::vector<detail::FoldPositionsKernel> KernelsFor(const detail::FoldKernelArgs& args) {
  std::vector<detail::FoldPositionsKernel> kernels{detail::FoldKernelSse2(args)};
  if (GetCpuFeatures().avx2) kernels.push_back(detail::FoldKernelAvx2(args));
  if (GetCpuFeatures().avx512) kernels.push_back(detail::FoldKernelAvx512(args));
  return kernels;
}

TEST(FoldKernels, ASpanStartsFromTheFractionRoundedAsByTheWholePartTakenOff) {
  // The one-conversion rounding against the whole part taken off: about halves of a 2^32nd, the
  // edges of where it is taken, and spread values either side of 0.
  std::vector<double> values = {0.0,
                                -0.0,
                                0.5,
                                -1.0,
                                -1.5,
                                0x1p-33,
                                -0x1p-33,
                                0x1p20,
                                -0x1p20,
                                0x1p20 - 0x1p-32,
                                -0x1p20 + 0x1p-32,
                                1 - 0x1p-33,
                                -1 + 0x1p-33,
                                1e-30,
                                -1e-30,
                                3 + 0x1p-33 + 0x1p-60,
                                -0x1p-33 - 0x1p-60};
  std::mt19937 random(7);
  std::uniform_real_distribution<double> spread(-3000, 3000);
  for (int i = 0; i < 100000; ++i) values.push_back(spread(random));
  // Left of the cell's origin, where t + 1 rounds: down to the least double below 0.
  std::uniform_real_distribution<double> belowZero(-1, 0);
  for (int i = 0; i < 100000; ++i) values.push_back(belowZero(random));
  for (const double t : {-0x1p-1074, -0x1p-54, -0x1p-53, -1 + 0x1p-53, -0.5 - 0x1p-54, -0x1p-32 - 0x1p-86})
    values.push_back(t);
  // Nought and above it, to a hair short of half a 2^32nd, where adding the half rounds up to a whole.
  for (const double t :
       {0x1.fffffffffffffp-34, -1 + 0x1.fffffffffffffp-34, 0x1p-33 - 0x1p-100, 0.0, -0.0, 0x1p-1074})
    values.push_back(t);
  for (int k = -40; k <= 40; ++k)
    for (const double near : {k + 0x1p-33, k - 0x1p-33, k + 0.5, k + 0x1p-33 * 3}) values.push_back(near);
  for (const double t : values) EXPECT_EQ(detail::FixedFraction(t), detail::FixedFractionOfAny(t)) << t;
}

TEST(FoldKernels, ARowsSpanStartsAreTheSameBitsInLanesAsOneByOne) {
  if (!GetCpuFeatures().avx512) GTEST_SKIP() << "no AVX-512";
  // Rows about the cell's origin, where a start falls just below 0 or right on a whole, and rows
  // far out, past the lanes' inline range, among them.
  std::mt19937 random(11);
  std::uniform_real_distribution<double> entry(-0.01, 0.01), place(-3000, 3000), far(-3e8, 3e8);
  struct Row {
    LatticeMatrix toLattice;
    double x, y, step, bias;
  };
  std::vector<Row> rows = {{{1, 0, 0, 1}, 0, 0, 1, 0},
                           {{1, 0, 0, 1}, -64, -0.0, 1, 0},
                           {{1.0 / 64, 0, 0, 1.0 / 64}, -1e-12, -64, 1, 1e-6},
                           {{1, 0, 0, 1}, -0x1p20 - 64, 0x1p20, 1, 0},
                           {{0x1p-32, 0, 0, 0x1p-34}, 0, 1, 0.5, 0}};
  // Starts right at the roundings' edges, each span the same.
  for (const double t : {-0x1p-1074, -0x1p-54, -0x1p-53, -1 + 0x1p-53, -0.5 - 0x1p-54, -0x1p-33 - 0x1p-80,
                         0x1.fffffffffffffp-34, -1 + 0x1.fffffffffffffp-34, 0x1p-33 - 0x1p-100})
    rows.push_back({{1, 0, 0, 1}, t, t, 0, 0});
  for (int i = 0; i < 3000; ++i) {
    const bool wide = i % 10 == 0;
    rows.push_back({{entry(random), entry(random), entry(random), entry(random)},
                    wide ? far(random) : place(random),
                    wide ? far(random) : place(random),
                    i % 3 == 0 ? 1 : 0.25 + entry(random) * 50,
                    i % 2 ? 1e-6 : 0});
  }
  for (const Row& row : rows) {
    for (const int spans : {1, 7, 8, 9, detail::kSpansPerCall}) {
      std::vector<std::uint32_t> plain(2 * detail::kSpansPerCall + 2, 7), lanes = plain;
      detail::SpanStartsPlain(row.toLattice, row.x, row.y, row.step, row.bias, 3 * detail::kFoldSpan, spans,
                              plain.data());
      detail::SpanStartsAvx512(row.toLattice, row.x, row.y, row.step, row.bias, 3 * detail::kFoldSpan, spans,
                               lanes.data());
      ASSERT_EQ(lanes, plain) << "row from " << row.x << ", " << row.y << ", " << spans << " spans";
    }
  }
}

TEST(FoldKernels, AKernelForAnyKindsTakesAStepOnlyWhereItsSideHoldsTheCellPosition) {
  // One step where -u + 0.5 < 0 (u > 0.5), carrying u by 10: x is 256 u, 2560 on where taken.
  for (const float bias : {0.0f, 0.25f}) {
    detail::FoldKernelArgs args;
    args.bias = bias;
    args.stepCount = 1;
    args.steps[0] = {-1, 0, 0.5f, 0, 1, 0, 10, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                     0,  0, 0,    0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    args.sxu = 256;
    args.syv = 256;
    const std::vector<detail::FoldPositionsKernel> kernels = KernelsFor(args);
    const std::uint32_t starts[2] = {0, 0x40000000u}, du = 1u << 26;
    for (const detail::FoldPositionsKernel kernel : kernels) {
      std::vector<std::int32_t> positions(2 * detail::kFoldSpan);
      kernel(args, starts, du, 0, detail::kFoldSpan, positions.data(), nullptr, nullptr, nullptr);
      for (int k = 0; k < detail::kFoldSpan; ++k) {
        const double u = k / 64.0 - bias;
        if (std::abs(u - 0.5) < 1e-3) continue;
        const double x = 256 * (u > 0.5 ? u + 10 : u);
        EXPECT_NEAR(positions[2 * std::size_t(k)], x, 1) << "bias " << bias << " at " << k;
        EXPECT_NEAR(positions[2 * std::size_t(k) + 1], 256 * (0.25 - bias), 1);
      }
    }
  }
}

// The program's steps in doubles on the cell position (u, v) as the kernels wrap it, the bumps of
// the position before the first bent step (or this one, where it reads them afresh); how near the position
// came to a bent side, and to the planned range of a step that marks.
Point2D FoldedInDoubles(const detail::FoldProgram& program, double u, double v, double& nearest,
                        double& toPlanned) {
  double bu = u, bv = v;
  bool bumpsTaken = false;
  nearest = toPlanned = 1;
  for (int i = 0; i < program.stepCount; ++i) {
    const detail::FoldStep& s = program.steps[i];
    if (s.bend.amount != 0 && (!bumpsTaken || s.bend.readHere)) {
      bu = u;
      bv = v;
      bumpsTaken = true;
    }
    const double side = s.side.nu * u + s.side.nv * v + s.side.n1 + s.bend.At(bu, bv);
    if (s.bend.amount != 0) nearest = std::min(nearest, std::abs(side));
    if (s.marksNear)
      toPlanned = std::min(toPlanned, std::max({0.0, s.plannedFrom - side, side - s.plannedTo}));
    if ((side < 0) == s.above) continue;
    const detail::LatticeAffine& m = s.map;
    const double mu = m.uu * u + m.uv * v + m.u1;
    v = m.vu * u + m.vv * v + m.v1;
    u = mu;
  }
  return {u, v};
}

// Bent wraps of either sign and bends by u and v on random cell positions, in the kernels made
// for their kinds and, with a third step of another kind, in those for any kinds: each position
// where the doubles take it, but for those within a hair of a bent side, which the marks plan.
TEST(FoldKernels, BentStepsAreTakenWhereTheirBentSidesHoldTheCellPosition) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> unit(0, 1), bend(-1.5, 1.5);
  for (int round = 0; round < 40; ++round) {
    const double bendU = bend(random), bendV = bend(random);
    detail::FoldProgram program;
    program.wrapBias = 1e-6;
    const detail::SideBend byV{-bendU, 0, 1, 0}, byU{-bendV, 1, 0, 0};
    program.AddBent({1, 0, bendU > 0 ? 1e-6 : -(1 - 1e-6)}, false, byV, {1, 0, 1, 0, 1, 0});
    program.AddBent({0, 1, bendV > 0 ? 1e-6 : -(1 - 1e-6)}, false, byU, {1, 0, 0, 0, 1, 1});
    if (round % 2) program.AddBent({0.5, 1, -0.75}, true, byV, {1, 0, 0.5, 0, 1, 0});
    TileGenerator generator;
    SetLattice(generator, {1000, 0}, {0, 1000});
    const detail::FoldKernelArgs args = detail::KernelArgs(program, generator);
    const std::vector<detail::FoldPositionsKernel> kernels = KernelsFor(args);
    const std::uint32_t starts[2] = {std::uint32_t(unit(random) * 0x1p32),
                                     std::uint32_t(unit(random) * 0x1p32)};
    const std::uint32_t du = std::uint32_t(unit(random) * 0x1p32), dv = std::uint32_t(unit(random) * 0x1p32);
    for (const detail::FoldPositionsKernel kernel : kernels) {
      std::vector<std::int32_t> positions(2 * detail::kFoldSpan);
      kernel(args, starts, du, dv, detail::kFoldSpan, positions.data(), nullptr, nullptr, nullptr);
      for (int k = 0; k < detail::kFoldSpan; ++k) {
        auto cell = [&](std::uint32_t start, std::uint32_t step) {
          return std::uint32_t(start + std::uint32_t(k) * step) * 0x1p-32 - 1e-6;
        };
        double nearest = 0, toPlanned = 0;
        const Point2D folded = FoldedInDoubles(program, cell(starts[0], du), cell(starts[1], dv), nearest,
                                               toPlanned);
        if (nearest < 1e-5) continue;
        const Point2D x = generator.LatticeToSource(folded.x, folded.y) + generator.origin;
        EXPECT_NEAR(positions[2 * std::size_t(k)], 256 * x.x, 1) << "round " << round << " at " << k;
        EXPECT_NEAR(positions[2 * std::size_t(k) + 1], 256 * x.y, 1) << "round " << round << " at " << k;
      }
    }
  }
}

// A seam bent by an S-shaped bump (or the larger or smaller of two bumps) of the position two mirrors left,
// clamped at its ends, taken across by a half turn, its pixels within a band about it marked: in the kernel
// for its kinds and, with a step of another kind after, in those for any kinds, against the doubles.
TEST(FoldKernels, ABentSeamPastOtherStepsMarksThePixelsNearIt) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> unit(0, 1), bend(-0.5, 0.5);
  long long total = 0;
  for (int round = 0; round < 40; ++round) {
    const double band = round % 4 == 0 ? 0 : 0.03 * unit(random);
    detail::FoldProgram program;
    program.AddByLine(Line2D({0, 0}, {1, 1}), true, detail::kSwap);
    program.AddByLine(Line2D({0, 1}, {1, 0}), true, detail::LatticeAffine{0, -1, 1, -1, 0, 1});
    // Every third round the larger of two bumps, along u and along v, every sixth the smaller.
    const bool two = round % 3 == 1;
    const detail::SideBend seam{6 * bend(random),
                                1.1,
                                0,
                                -0.05,
                                true,
                                two ? detail::SideBend::kBump : detail::SideBend::kS,
                                two,
                                0,
                                1.2,
                                -0.1,
                                round % 6 == 4};
    program.AddBentMarked({0, 1, -1e-8}, false, seam, detail::LatticeAffine{-1, 0, 1, 0, -1, 0}, -band, band);
    // Every fourth round a second bent seam, its bump read on the position the first left; every
    // fourth another, its bump the first's shape by another amount, which the kernels keep, or
    // every eighth, read a little further along.
    if (round % 4 == 3) {
      detail::SideBend second{4 * bend(random), 0, 1.3, -0.1, true};
      second.readHere = true;
      program.AddBentMarked({1, 0, -0.4}, false, second, detail::LatticeAffine{-1, 0, 0.8, 0, 1, 0}, -band,
                            band);
    }
    if (round % 4 == 1) {
      detail::SideBend again = seam;
      again.amount = 4 * bend(random);
      if (round % 8 == 5) again.t1 += 0.05;
      program.AddBentMarked({1, 0, -0.4}, false, again, detail::LatticeAffine{-1, 0, 0.8, 0, 1, 0}, -band,
                            band);
    }
    if (round % 2) program.AddBySide({0.5, 1, -0.75}, {1, 0, 0.5, 0, 1, 0});
    TileGenerator generator;
    SetLattice(generator, {1000, 0}, {0, 1000});
    const detail::FoldKernelArgs args = detail::KernelArgs(program, generator);
    EXPECT_EQ(args.steps[3].sameBumpMask != 0, round % 8 == 1) << "round " << round;
    const std::vector<detail::FoldPositionsKernel> kernels = KernelsFor(args);
    const std::uint32_t starts[2] = {std::uint32_t(unit(random) * 0x1p32),
                                     std::uint32_t(unit(random) * 0x1p32)};
    // Rows of up to a cell, crossing the seam's bands.
    const std::uint32_t du = std::uint32_t(unit(random) * 0x1p24), dv = std::uint32_t(unit(random) * 0x1p24);
    long long marked = 0;
    for (const detail::FoldPositionsKernel kernel : kernels) {
      std::vector<std::int32_t> positions(2 * 4 * detail::kFoldSpan);
      std::vector<std::uint8_t> marks(4 * detail::kFoldSpan, 0);
      const std::uint32_t spans[8] = {starts[0],
                                      starts[1],
                                      starts[0] + 64 * du,
                                      starts[1] + 64 * dv,
                                      starts[0] + 128 * du,
                                      starts[1] + 128 * dv,
                                      starts[0] + 192 * du,
                                      starts[1] + 192 * dv};
      kernel(args, spans, du, dv, 4 * detail::kFoldSpan, positions.data(), nullptr, nullptr, marks.data());
      for (int k = 0; k < 4 * detail::kFoldSpan; ++k) {
        auto cell = [&](std::uint32_t start, std::uint32_t step) {
          return std::uint32_t(start + std::uint32_t(k) * step) * 0x1p-32;
        };
        double nearest = 0, toPlanned = 0;
        const Point2D folded = FoldedInDoubles(program, cell(starts[0], du), cell(starts[1], dv), nearest,
                                               toPlanned);
        const int mark = marks[std::size_t(k)];
        marked += mark;
        EXPECT_TRUE(toPlanned < detail::kBandMargin ? mark == 1
                                                    : toPlanned <= 2 * detail::kBentMargin || mark == 0)
            << "round " << round << " at " << k;
        if (nearest < 1e-5) continue;
        const Point2D x = generator.LatticeToSource(folded.x, folded.y) + generator.origin;
        EXPECT_NEAR(positions[2 * std::size_t(k)], 256 * x.x, 1) << "round " << round << " at " << k;
        EXPECT_NEAR(positions[2 * std::size_t(k) + 1], 256 * x.y, 1) << "round " << round << " at " << k;
      }
    }
    total += marked;
  }
  EXPECT_GT(total, 0);
}

// Every kernel folds a row to the same positions, floats and marks, up to its last pixel short of
// a group of lanes, marking only within the row and leaving what was marked: a bent wrap, its
// seams marked near, read as any sides where a third step joins them.
TEST(FoldKernels, EveryKernelFoldsARowToTheSameBitsAndMarksUpToItsEnd) {
  std::mt19937 random(5);
  std::uniform_real_distribution<double> unit(0, 1), bend(-0.3, 0.3);
  int marked = 0, markedLast = 0;
  for (int round = 0; round < 24; ++round) {
    detail::FoldProgram program;
    program.wrapBias = 1e-6;
    const detail::SideBend byV{bend(random), 0, 1, 0}, byU{bend(random), 1, 0, 0};
    program.AddBentMarked({1, 0, -0.5}, false, byV, {1, 0, 1, 0, 1, 0}, -0.15, 0.15);
    program.AddBentMarked({0, 1, -0.5}, false, byU, {1, 0, 0, 0, 1, 1}, -0.15, 0.15);
    if (round % 2) program.AddBySide({0.5, 1, -0.75}, {1, 0, 0.5, 0, 1, 0});
    TileGenerator generator;
    SetLattice(generator, {1000, 0}, {0, 1000});
    const detail::FoldKernelArgs args = detail::KernelArgs(program, generator);
    const int count = 3 * detail::kFoldSpan - 1 - round % 16;
    std::uint32_t starts[6];
    for (std::uint32_t& start : starts) start = std::uint32_t(unit(random) * 0x1p32);
    const std::uint32_t du = std::uint32_t(unit(random) * 0x1p26), dv = std::uint32_t(unit(random) * 0x1p26);
    // Some pixels marked already, and bytes past the row that no kernel may touch.
    std::vector<std::uint8_t> marksBefore(std::size_t(count) + 32, 7);
    for (int k = 0; k < count; ++k) marksBefore[std::size_t(k)] = k % 37 == 0;
    std::vector<std::int32_t> firstPositions;
    std::vector<float> firstExact;
    std::vector<std::uint8_t> firstMarks;
    for (const detail::FoldPositionsKernel kernel : KernelsFor(args)) {
      std::vector<std::int32_t> positions(2 * std::size_t(count));
      std::vector<float> exact(2 * std::size_t(count));
      std::vector<std::uint8_t> marks = marksBefore;
      kernel(args, starts, du, dv, count, positions.data(), exact.data(), exact.data() + count, marks.data());
      for (int k = 0; k < count; ++k) EXPECT_GE(marks[std::size_t(k)], marksBefore[std::size_t(k)]) << k;
      for (std::size_t k = std::size_t(count); k < marks.size(); ++k) EXPECT_EQ(marks[k], 7) << k;
      if (firstMarks.empty()) {
        firstPositions = positions;
        firstExact = exact;
        firstMarks = marks;
        continue;
      }
      EXPECT_EQ(positions, firstPositions) << "round " << round;
      EXPECT_EQ(std::memcmp(exact.data(), firstExact.data(), exact.size() * sizeof(float)), 0)
          << "round " << round;
      EXPECT_EQ(marks, firstMarks) << "round " << round;
    }
    // Marks new to the kernels, some among the row's last lanes.
    for (int k = 0; k < count; ++k)
      (k < count - count % 16 ? marked : markedLast) += firstMarks[std::size_t(k)] >
                                                        marksBefore[std::size_t(k)];
  }
  EXPECT_GT(marked, 500);
  EXPECT_GT(markedLast, 20);
}

}  // namespace
}  // namespace corvel
