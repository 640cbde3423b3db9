// The record of a fold program's run: whether the program renders, which pixels leave the fast
// road, where they go, and which rows are copied rather than made, decided once from what the run
// knows before its rows.
#include "generators/detail/FoldedRoad.h"

#include <gtest/gtest.h>

#include "generators/detail/SeamBlends.h"

namespace corvel::detail {
namespace {

// A hard-seamed program (bands about u and v, cell edges planned) or a feathered one.
FoldProgram Program(bool feathered, bool stepsDecideSeams = false) {
  static const SeamBlends blends;
  FoldProgram program;
  program.bandU = program.bandV = {true, -0.01, 0.01, 1};
  program.planCellEdges = !feathered;
  program.stepsDecideSeams = stepsDecideSeams;
  if (feathered) program.blends = &blends;
  return program;
}

RoadFacts Facts(const FoldProgram& program) {
  RoadFacts facts;
  facts.program = &program;
  facts.bandsCanMark = true;
  facts.basisA = {60, 0};
  facts.basisB = {20, 30};
  facts.width = 60;
  facts.height = 30;
  return facts;
}

// The program renders where the record has SSE2, a program with bands only unscaled; one without
// any makes the tile in one pass. One that ran past its room of steps or bent bands, which holds
// what fitted, leaves the tile to the plan.
TEST(DecideOpening, RunsTheProgramWhereItsPixelsCanBeDecided) {
  const FoldProgram hard = Program(false), plain;
  FoldProgram pastSteps, pastBands;
  for (int i = 0; i <= FoldProgram::kMaxSteps; ++i) pastSteps.AddByU(0.5, false, {});
  for (int i = 0; i <= FoldProgram::kMaxBentBands; ++i) pastBands.AddBentBand({});
  EXPECT_EQ(pastSteps.stepCount, FoldProgram::kMaxSteps);
  EXPECT_EQ(pastBands.bentBandCount, FoldProgram::kMaxBentBands);
  CpuFeatures sse2;
  sse2.sse2 = true;
  struct Case {
    const char* what;
    const FoldProgram* program;
    bool simd;
    int percent;
    bool folded, onePass;
  } cases[] = {
      {"no program", nullptr, true, 100, false, false},
      {"no SSE2", &plain, false, 100, false, false},
      {"without bands", &plain, true, 100, true, true},
      {"without bands, scaled", &plain, true, 40, true, true},
      {"with bands", &hard, true, 100, true, false},
      {"with bands, scaled", &hard, true, 40, false, false},
      {"past its steps", &pastSteps, true, 100, false, false},
      {"past its bent bands", &pastBands, true, 100, false, false},
  };
  for (const Case& c : cases) {
    RenderRecord render;
    render.cpu = c.simd ? sse2 : CpuFeatures{};
    render.tilePercent = c.percent;
    const FoldedOpening opening = DecideOpening(c.program, render);
    EXPECT_EQ(opening.folded, c.folded) << c.what;
    EXPECT_EQ(opening.onePass, c.onePass) << c.what;
  }
}

TEST(DecideRoad, SendsEachKindOfPixelWhereItsProgramAsks) {
  const FoldProgram hard = Program(false), steps = Program(false, true), feathered = Program(true), plain;
  FoldProgram keeps = steps;
  keeps.copiesKeepCellEdges = true;
  struct Case {
    const char* what;
    const FoldProgram& program;
    void (*change)(RoadFacts&);
    bool markBands, markCellEdges, blend, blendCellEdges, planInPlace, finishTogether, copiesShowThePlan;
  } cases[] = {
      {"no bands", plain, [](RoadFacts&) {}, false, false, false, false, false, false, false},
      {"hard seams", hard, [](RoadFacts&) {}, true, true, false, false, false, false, true},
      {"hard seams no pixel can lie near", steps, [](RoadFacts& f) { f.bandsCanMark = false; }, false, true,
       false, false, false, false, false},
      {"hard seams the steps decide", steps, [](RoadFacts&) {}, true, true, false, false, false, false,
       false},
      {"hard seams the steps decide, copies keeping cell edges", keeps, [](RoadFacts&) {}, true, true, false,
       false, false, false, true},
      {"hard seams planned in place", hard,
       [](RoadFacts& f) {
         f.plansPositions = true;
         f.sourceInPlace = true;
       },
       true, true, false, false, true, false, true},
      {"hard seams from a copied window", hard, [](RoadFacts& f) { f.plansPositions = true; }, true, true,
       false, false, false, false, true},
      {"scaled", hard,
       [](RoadFacts& f) {
         f.pixelStep = {1.5, 1.5};
       },
       true, false, false, false, false, false, true},
      {"feathered", feathered,
       [](RoadFacts& f) {
         f.blendsMade = true;
         f.blendsHaveCellEdges = true;
       },
       true, false, true, true, false, true, true},
      {"feathered into grey rows", feathered,
       [](RoadFacts& f) {
         f.blendsMade = true;
         f.greyOutput = true;
       },
       true, false, true, false, false, false, false},
      {"feathered on a degenerate source lattice", feathered, [](RoadFacts&) {}, true, false, false, false,
       false, false, true},
  };
  for (const Case& c : cases) {
    RoadFacts facts = Facts(c.program);
    c.change(facts);
    const FoldedRoad road = DecideRoad(facts);
    EXPECT_EQ(road.markBands, c.markBands) << c.what;
    EXPECT_EQ(road.markCellEdges, c.markCellEdges) << c.what;
    EXPECT_EQ(road.blend, c.blend) << c.what;
    EXPECT_EQ(road.blendCellEdges, c.blendCellEdges) << c.what;
    EXPECT_EQ(road.planInPlace, c.planInPlace) << c.what;
    EXPECT_EQ(road.finishTogether, c.finishTogether) << c.what;
    EXPECT_EQ(road.copiesShowThePlan, c.copiesShowThePlan) << c.what;
  }
}

// A period of several cells, rendered unscaled, is made down to the lattice's least height and
// copied below; a cell's box, a scaled render or rows that are not the period are made whole.
TEST(DecideRoad, CopiesDownOnlyAWholeUnscaledPeriod) {
  const FoldProgram hard = Program(false), plain;
  const POINT upright[] = {{60, 0}, {0, 30}}, leaning[] = {{60, 30}, {-60, 30}};  // periods 60 x 30, 120 x 60
  struct Case {
    const char* what;
    const FoldProgram& program;
    const POINT* lattice;
    bool period;
    Point2D step;
    int width, height, madeRows;
    bool markCopiedEdges;
  } cases[] = {
      {"one cell high", hard, upright, true, {1, 1}, 60, 30, 30, false},
      {"two cells high", hard, leaning, true, {1, 1}, 120, 60, 30, true},
      {"without bands", plain, leaning, true, {1, 1}, 120, 60, 30, false},
      {"the cell's box", hard, leaning, false, {1, 1}, 120, 60, 60, false},
      {"scaled", hard, leaning, true, {2, 2}, 120, 60, 60, false},
      {"not the period", hard, leaning, true, {1, 1}, 120, 59, 59, false},
  };
  for (const Case& c : cases) {
    RoadFacts facts = Facts(c.program);
    facts.renderedPeriod = c.period;
    facts.pixelStep = c.step;
    facts.basisA = c.lattice[0];
    facts.basisB = c.lattice[1];
    facts.width = c.width;
    facts.height = c.height;
    const FoldedRoad road = DecideRoad(facts);
    EXPECT_EQ(road.madeRows, c.madeRows) << c.what;
    EXPECT_EQ(road.markCopiedEdges, c.markCopiedEdges) << c.what;
    EXPECT_EQ(road.repeat.rows > 0, c.madeRows < c.height) << c.what;
  }
}

// A program whose tile is its own half turn, or glide along rows, makes half the rows of one
// unscaled period (and the rows that land on themselves), feathered and blended, or unfeathered
// where its steps decide the pixels right on its seams and it marks no cell edges; blended, of the
// strip that repeats down it too. Else, and scaled, or glided across rows or by half a pixel, it
// makes them all (or those it repeats down).
TEST(DecideRoad, TurnsRowsOnlyOfAWholeUnscaledPeriodAlikeInItsImage) {
  FoldProgram turning = Program(true), hard = Program(false, true), glide = Program(true),
              hardSeams = Program(false, true), plannedBands = Program(false, true),
              bentSeams = Program(false);
  hardSeams.planCellEdges = plannedBands.planCellEdges = bentSeams.planCellEdges = false;
  for (FoldProgram* program : {&turning, &hard, &hardSeams, &plannedBands, &bentSeams})
    program->rowsImage.any = true;
  glide.rowsImage = {true, true, 0.5};
  const POINT upright[] = {{60, 0}, {0, 30}}, leaning[] = {{60, 30}, {-60, 30}}, odd[] = {{61, 0}, {0, 30}},
              across[] = {{0, 30}, {60, 0}};
  struct Case {
    const char* what;
    const FoldProgram& program;
    const POINT* lattice;
    Point2D step;
    int width, height, madeRows;
    bool turns;
  } cases[] = {
      {"one cell", turning, upright, {1, 1}, 60, 30, 16, true},
      {"unfeathered, its cell edges marked", hard, upright, {1, 1}, 60, 30, 30, false},
      {"unfeathered", hardSeams, upright, {1, 1}, 60, 30, 16, true},
      {"unfeathered, odd", hardSeams, odd, {1, 1}, 61, 30, 16, true},
      {"feathered, its bands planned", plannedBands, upright, {1, 1}, 60, 30, 30, false},
      {"unfeathered, its seams not left to the steps", bentSeams, upright, {1, 1}, 60, 30, 30, false},
      {"scaled", turning, upright, {2, 2}, 60, 30, 30, false},
      {"not the period", turning, upright, {1, 1}, 60, 29, 29, false},
      {"repeating down", turning, leaning, {1, 1}, 120, 60, 16, true},
      {"repeating down, unfeathered", hard, leaning, {1, 1}, 120, 60, 30, false},
      {"glided", glide, upright, {1, 1}, 60, 30, 16, true},
      {"glided by half a pixel", glide, odd, {1, 1}, 61, 30, 30, false},
      {"glided across the rows", glide, across, {1, 1}, 60, 30, 30, false},
  };
  for (const Case& c : cases) {
    RoadFacts facts = Facts(c.program);
    facts.feathered = c.program.blends != nullptr || &c.program == &plannedBands;
    facts.blendsMade = c.program.blends != nullptr;
    facts.renderedPeriod = true;
    facts.pixelStep = c.step;
    facts.basisA = c.lattice[0];
    facts.basisB = c.lattice[1];
    facts.width = c.width;
    facts.height = c.height;
    facts.start = {3, 4};
    const FoldedRoad road = DecideRoad(facts);
    EXPECT_EQ(road.madeRows, c.madeRows) << c.what;
    EXPECT_EQ(road.turn.any, c.turns) << c.what;
  }
}

}  // namespace
}  // namespace corvel::detail
