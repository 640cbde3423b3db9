// The exact numbers of the groups: each fold and each lattice built from a pick.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "generators/GenerateTile.h"
#include "generators/TileLattice.h"
#include "generators/detail/FoldProgram.h"
#include "generators/detail/SeamFeathering.h"
#include "generators/groups/CMGenerator.h"
#include "generators/groups/CMMGenerator.h"
#include "generators/groups/CMMSeams.h"
#include "generators/groups/GroupGenerators.h"
#include "generators/groups/P2Seams.h"
#include "generators/groups/P3Rhombus.h"
#include "generators/groups/P3Seams.h"
#include "generators/groups/P4MGenerator.h"
#include "generators/groups/P6Kite.h"
#include "generators/groups/P6MTriangle.h"
#include "generators/groups/PGGGenerator.h"
#include "generators/groups/PGGenerator.h"
#include "generators/groups/PMGGenerator.h"
#include "generators/groups/PMGenerator.h"
#include "generators/groups/PMMGenerator.h"
#include "generators/groups/QuarterTurn.h"
#include "tests/generators/TestLattices.h"
#include "tests/generators/TileTestImages.h"

namespace corvel {
namespace {

using testing_lattices::SetLattice;

void ExpectNear(const Point2D& p, double x, double y, double tolerance = 1e-12) {
  EXPECT_NEAR(p.x, x, tolerance);
  EXPECT_NEAR(p.y, y, tolerance);
}

bool Same(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }

// The fold of the generator of `method` on the lattice A, B, in lattice coordinates.
Point2D Fold(int method, POINT a, POINT b, double u, double v) {
  std::unique_ptr<TileGenerator> g = detail::CreateTileGenerator(method);
  SetLattice(*g, a, b);
  const Point2D p = g->LatticeToPlane(u, v);
  const Point2D q = g->MapPoint(p);
  return g->PlaneToLattice(q.x, q.y);
}

TEST(GroupFolds, RectangularAndSquareLattices) {
  const POINT a{1, 0}, b{0, 1}, a100{100, 0}, b100{0, 100};
  struct Case {
    int method;
    double u, v, foldedU, foldedV;
  } cases[] = {
      {keTilingPM, 0.3, 0.5, 0.3, 0.5},
      {keTilingPM, 0.3, 0.75, 0.3, 0.25},
      {keTilingPG, 0.75, 0.2, 0.25, 0.8},
      {keTilingPG, 0.3, 0.3, 0.3, 0.3},
      {keTilingPG, 0.5 + 5e-9, 0.3, 0.5 + 5e-9, 0.3},
      {keTilingPG, 0.5 + 2e-8, 0.3, 2e-8, 0.7},
      {keTilingPMM, 0.75, 0.25, 0.25, 0.25},
      {keTilingPMM, 0.75, 0.75, 0.25, 0.25},
      {keTilingPMM, 0.5, 0.3, 0.5, 0.3},
      {keTilingPMM, 0.3, 0.5, 0.3, 0.5},
      {keTilingPMG, 0.3, 0.5, 0.7, 0},
      {keTilingPMG, 0.3, 0.6, 0.7, 0.1},
      {keTilingPMG, 0.3, 0.3, 0.3, 0.2},
      {keTilingPMG, 0.3, 0.1, 0.3, 0.1},
      {keTilingPGG, 0.3, 0.6, 0.2, 0.1},
      {keTilingPGG, 0.75, 0.25, 0.25, 0.25},
      {keTilingPGG, 0.75, 0.9, 0.25, 0.1},
      {keTilingPGG, 0.2, 0.3, 0.2, 0.3},
      {keTilingCM, 0.3, 0.6, 0.6, 0.3},
      {keTilingCM, 0.4, 0.4, 0.4, 0.4},
      {keTilingCMM, 0.3, 0.6, 0.6, 0.3},
      {keTilingCMM, 0.5, 0.5, 0.5, 0.5},
      {keTilingCMM, 0.2, 0.1, 0.2, 0.1},
      {keTilingCMM, 0.9, 0.3, 0.7, 0.1},
      {keTilingP4, 0.75, 0.75, 0.25, 0.25},
      {keTilingP4, 0.75, 0.25, 0.25, 0.25},
      {keTilingP4, 0.25, 0.75, 0.25, 0.25},
      {keTilingP4, 0.5, 0.2, 0.2, 0.5},
      {keTilingP4, 0.2, 0.5, 0.5, 0.2},
      {keTilingP4, 0.5, 0.5, 0.5, 0.5},
      {keTilingP4, 0.1, 0.3, 0.1, 0.3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.method << ": " << c.u << ", " << c.v);
    ExpectNear(Fold(c.method, a, b, c.u, c.v), c.foldedU, c.foldedV, 1e-15);
    if (c.method != keTilingPG) ExpectNear(Fold(c.method, a100, b100, c.u, c.v), c.foldedU, c.foldedV);
  }
}

// A program's steps taken in doubles, as the lanes take them.
Point2D TakeSteps(const detail::FoldProgram& program, Point2D uv) {
  const Point2D start = uv;
  for (int i = 0; i < program.stepCount; ++i) {
    const detail::FoldStep& step = program.steps[i];
    const Point2D at = step.fromStart ? start : uv;
    auto inside = [&](const detail::HalfPlane& h) { return h.nu * at.x + h.nv * at.y + h.n1 < 0; };
    if (inside(step.side) == step.above || !inside(step.also)) continue;
    const detail::LatticeAffine& m = step.map;
    uv = {m.uu * uv.x + m.uv * uv.y + m.u1, m.vu * uv.x + m.vv * uv.y + m.v1};
  }
  return uv;
}

// The groups whose fold is written in doubles and as the program's steps side by side: both take
// every cell position, on the mirror lines too, to the same point, to the bit.
TEST(GroupFolds, FoldsInDoublesAndAsStepsAgree) {
  struct Case {
    const char* group;
    Point2D (*fold)(Point2D);
    void (*addSteps)(detail::FoldProgram&);
  } cases[] = {
      {"PM", PMGenerator::Fold, PMGenerator::AddFoldSteps},
      {"PMM", PMMGenerator::Fold, PMMGenerator::AddFoldSteps},
      {"P4M", P4MGenerator::Fold, P4MGenerator::AddFoldSteps},
      {"CM", CMGenerator::Fold, CMGenerator::AddFoldStep},
      {"CMM", CMMGenerator::Fold, CMMGenerator::AddFoldSteps},
  };
  std::mt19937 random(48);
  std::uniform_real_distribution<double> cell(0, 1);
  std::vector<Point2D> points{{0.5, 0.5},   {0.25, 0.5}, {0.5, 0.25}, {0.25, 0.75},
                              {0.75, 0.25}, {0, 0},      {0.3, 0.3}};
  for (int i = 0; i < 10000; ++i) points.emplace_back(cell(random), cell(random));
  for (const Case& c : cases) {
    detail::FoldProgram program;
    c.addSteps(program);
    for (const Point2D& uv : points) {
      const Point2D folded = c.fold(uv), stepped = TakeSteps(program, uv);
      ASSERT_TRUE(folded.x == stepped.x && folded.y == stepped.y)
          << c.group << " at " << uv.x << ", " << uv.y;
    }
  }
}

// Unfeathered and unbent, a pixel right on a hard seam shows the side every copy of it shows: the
// program's last steps take a cell position there whichever side the fold took it to, as the plan
// does, a hair off the seam too (the plan's fold keeps such a position, the steps may not).
TEST(GroupFolds, StepsTakeAPixelOnAHardSeamToTheSideThePlanShows) {
  struct Case {
    const char* group;
    Point2D (*fold)(Point2D);
    Point2D (*ontoSide)(Point2D);
    void (*addSteps)(detail::FoldProgram&);
    void (*addSideSteps)(detail::FoldProgram&);
  } cases[] = {
      {"PG", PGGenerator::Fold, PGGenerator::OntoGlideStart, PGGenerator::AddFoldStep,
       PGGenerator::AddGlideStartSteps},
      {"PGG", PGGGenerator::Fold, PGGGenerator::OntoLowEdges, PGGGenerator::AddFoldSteps,
       PGGGenerator::AddLowEdgeSteps},
      {"PMG", PMGGenerator::Fold, PMGGenerator::OntoFirstCopy, PMGGenerator::AddFoldSteps,
       PMGGenerator::AddFirstCopySteps},
      {"P4", QuarterTurn::Fold, QuarterTurn::OntoUEdges, QuarterTurn::AddSteps,
       [](detail::FoldProgram& program) { QuarterTurn::AddSeamSides(program, true); }},
      {"P4G", QuarterTurn::FoldMirrored, QuarterTurn::OntoUEdges,
       [](detail::FoldProgram& program) {
         QuarterTurn::AddSteps(program);
         QuarterTurn::AddMirrorStep(program);
       },
       [](detail::FoldProgram& program) { QuarterTurn::AddSeamSides(program, false); }},
      {"CMM", CMMGenerator::Fold, CMMGenerator::OntoFirstHalf, CMMGenerator::AddFoldSteps,
       CMMGenerator::AddFirstHalfStep},
  };
  for (const Case& c : cases) {
    detail::FoldProgram program;
    c.addSteps(program);
    c.addSideSteps(program);
    auto check = [&](double u, double v) {
      const Point2D planned = c.ontoSide(c.fold({u, v})), stepped = TakeSteps(program, {u, v});
      // The plan takes a position a hair off a seam right onto it.
      EXPECT_NEAR(stepped.x, planned.x, 1e-9) << c.group << " at " << u << ", " << v;
      EXPECT_NEAR(stepped.y, planned.y, 1e-9) << c.group << " at " << u << ", " << v;
    };
    for (int i = 0; i < 13; ++i) {
      const double t = (i + 0.3) / 13;
      for (int j = 0; j < 11; ++j) check(t, (j + 0.6) / 11);
      for (const double line : {0.0, 0.25, 0.5, 0.75, 1.0}) {
        for (const double at : {line - 1e-10, line, line + 1e-10}) {
          if (at < 0 || at >= 1) continue;
          check(t, at);
          check(at, t);
        }
      }
    }
  }
}

// The quarter turns as steps are two plain turns the lanes take cheaply, not the doubles' turns:
// both land every cell position on the same point but for the last bits, and right on a
// quarter's border the steps land on the quarter's edge too.
TEST(GroupFolds, QuarterTurnsAsStepsLandWhereTheDoublesFold) {
  struct Case {
    const char* group;
    Point2D (*fold)(Point2D);
    bool mirrored;
  } cases[] = {{"P4", QuarterTurn::OntoQuarter, false}, {"P4G", QuarterTurn::OntoQuarterMirrored, true}};
  std::mt19937 random(48);
  std::uniform_real_distribution<double> cell(0, 1);
  for (const Case& c : cases) {
    detail::FoldProgram program;
    QuarterTurn::AddSteps(program);
    if (c.mirrored) QuarterTurn::AddMirrorStep(program);
    for (int i = 0; i < 10000; ++i) {
      const Point2D uv(cell(random), cell(random)), stepped = TakeSteps(program, uv);
      const Point2D folded = c.fold(uv);
      ASSERT_NEAR(stepped.x, folded.x, 1e-15) << c.group << " at " << uv.x << ", " << uv.y;
      ASSERT_NEAR(stepped.y, folded.y, 1e-15) << c.group << " at " << uv.x << ", " << uv.y;
    }
    for (double t : {0.0, 0.1, 0.25, 0.4, 0.5, 0.6, 0.9}) {
      for (const Point2D& onBorder : {Point2D(0.5, t), Point2D(t, 0.5)}) {
        const Point2D stepped = TakeSteps(program, onBorder);
        EXPECT_TRUE(stepped.x >= 0 && stepped.x <= 0.5 && stepped.y >= 0 && stepped.y <= 0.5)
            << c.group << " at " << onBorder.x << ", " << onBorder.y;
      }
    }
  }
}

TEST(GroupFolds, HexagonalLattices) {
  const POINT a{90, -52}, b{0, 104};
  // "P3": the rhombus 0, anchor2, A + B, anchor1 stays; the lattice points A and B lie on the
  // line between the anchors and turn onto A + B.
  for (const Point2D uv : {Point2D(0, 0), Point2D(2.0 / 3, 1.0 / 3), Point2D(1, 1), Point2D(1.0 / 3, 2.0 / 3),
                           Point2D(0.5, 0.5), Point2D(0.4, 0.3)})
    ExpectNear(Fold(keTilingP3, a, b, uv.x, uv.y), uv.x, uv.y, 1e-12);
  ExpectNear(Fold(keTilingP3, a, b, 0, 1), 1, 1, 2e-3);
  ExpectNear(Fold(keTilingP3, a, b, 1, 0), 1, 1, 2e-3);
  // Every point of the cell lands in the rhombus: v between u / 2 and 2 u, and between
  // (u + 1) / 2 and 2 u - 1.
  for (int i = 0; i < 20; ++i) {
    for (int j = 0; j < 20; ++j) {
      const Point2D f = Fold(keTilingP3, a, b, i / 20.0 + 0.01, j / 20.0 + 0.02);
      EXPECT_GE(f.y, 0.5 * f.x - 2e-3);
      EXPECT_LE(f.y, 2 * f.x + 2e-3);
      EXPECT_LE(f.y, 0.5 + 0.5 * f.x + 2e-3);
      EXPECT_GE(f.y, 2 * f.x - 1 - 2e-3);
      // "P3ML" mirrors that onto the triangle 0, anchor2, anchor1.
      const Point2D m = Fold(keTilingP3ML, a, b, i / 20.0 + 0.01, j / 20.0 + 0.02);
      EXPECT_LE(m.x + m.y, 1 + 2e-3);
    }
  }
  // "P3LM" on A = (6, 0), B = (3, 5): the kite at the origin stays, its copies turn about the
  // centroid A / 3 + B / 3 = (3, 5 / 3).
  const POINT a3{6, 0}, b3{3, 5};
  const Point2D centroid(3, 5.0 / 3);
  auto turned = [&](double u, double v, bool plus) {
    const Point2D p(u * 6 + v * 3, v * 5);
    const Point2D q = plus ? p.RotatePlus120(centroid) : p.RotateMinus120(centroid);
    const double det = 30;
    return Point2D((q.x * 5 - q.y * 3) / det, (q.y * 6) / det);
  };
  ExpectNear(Fold(keTilingP3LM, a3, b3, 0.1, 0.1), 0.1, 0.1);
  const Point2D plus = turned(0.6, 0.1, true), minus = turned(0.3, 0.6, false),
                minus2 = turned(0.05, 0.6, false);
  ExpectNear(Fold(keTilingP3LM, a3, b3, 0.6, 0.1), plus.x, plus.y);
  ExpectNear(Fold(keTilingP3LM, a3, b3, 0.3, 0.6), minus.x, minus.y);
  ExpectNear(Fold(keTilingP3LM, a3, b3, 0.05, 0.6), minus2.x, minus2.y);
}

// "P3" takes the most steps of any group, bent either way or one pair of edges left straight,
// feathered or not: its program fits the steps' room, so that it renders rather than the plan.
TEST(GroupFolds, P3ProgramFitsItsRoom) {
  for (const double k0 : {-0.4, 0.0, 0.4})
    for (const double k1 : {-0.4, 0.0, 0.4})
      for (const double feather : {0.0, 0.2}) {
        TileGenerator g;
        SetLattice(g, {90, -52}, {0, 104});
        g.feather1 = g.feather2 = feather;
        g.seamK0 = k0;
        g.seamK1 = k1;
        ShrinkLatticeXY(g, 1 - 2 * feather, 1 - 2 * feather);
        const P3Rhombus rhombus(g);
        const P3Seams seams(g);
        detail::FoldProgram program;
        DescribeP3Fold(g, rhombus, seams, program, k0 == 0 || k1 == 0);
        if (k0 != 0 || k1 != 0) AddP3BentSteps(g, seams, program);
        EXPECT_FALSE(program.overran) << k0 << ", " << k1 << ", " << feather;
      }
}

// Bent, "P2"'s and "CMM"'s seams stay what a half turn about the cell's corners takes onto
// themselves, and their feathered tiles make half their rows and turn each into the other half.
TEST(GroupFolds, BentHalfTurnsLeaveHalfTheRowsToBeTurned) {
  for (const double feather : {0.0, 0.05}) {
    TileGenerator g;
    SetLattice(g, {96, 0}, {20, 90});
    g.feather1 = g.feather2 = feather;
    g.seamK0 = g.seamK2 = 0.1;
    g.seamK1 = -0.1;
    detail::FoldProgram p2, cmm;
    DescribeP2BentFold(P2Seams(g), p2);
    DescribeCMMFold(CMMSeams(g), cmm);
    for (const detail::FoldProgram* program : {&p2, &cmm}) {
      EXPECT_TRUE(program->rowsImage.any) << feather;
      EXPECT_FALSE(program->rowsImage.keepsU) << feather;  // a half turn, not a glide
    }
  }
}

// "P6M"'s fold, written once for the doubles and the lanes: on random cell positions of lattices
// on and a little off the hexagon the program's steps land where the fold in doubles does, on the
// triangle v >= 2u, v >= 0.5 + 0.5u, u + v <= 1.
TEST(GroupFolds, P6MProgramTakesEachPositionWhereTheFoldDoes) {
  const double e = 2e-3;
  std::mt19937 random(48);
  std::uniform_real_distribution<double> unit(0, 1);
  for (const std::pair<POINT, POINT>& lattice :
       {std::pair<POINT, POINT>{{120, -69}, {0, 139}}, std::pair<POINT, POINT>{{61, -35}, {1, 71}}}) {
    TileGenerator g;
    SetLattice(g, lattice.first, lattice.second);
    const P6MTriangle triangle(g);
    detail::FoldProgram program;
    triangle.AddSteps(program);
    for (int i = 0; i < 2000; ++i) {
      const Point2D uv(unit(random), unit(random)), q = triangle.Fold(g.LatticeToPlane(uv.x, uv.y));
      const Point2D folded = g.PlaneToLattice(q.x, q.y);
      SCOPED_TRACE(::testing::Message() << lattice.first.x << " at " << uv.x << ", " << uv.y);
      ExpectNear(TakeSteps(program, uv), folded.x, folded.y, 1e-9);
      EXPECT_TRUE(folded.y >= 2 * folded.x - e && folded.y >= 0.5 + 0.5 * folded.x - e &&
                  folded.x + folded.y <= 1 + e)
          << folded.x << ", " << folded.y;
    }
  }
}

// "P6"'s fold, the same: the program's steps, whose corners about the three-fold centre share
// their turns, take each position onto the kite 2u + v <= 1, u + 2v <= 1, where the fold does.
TEST(GroupFolds, P6ProgramTakesEachPositionWhereTheFoldDoes) {
  const double e = 2e-3;
  std::mt19937 random(49);
  std::uniform_real_distribution<double> unit(0, 1);
  for (const std::pair<POINT, POINT>& lattice :
       {std::pair<POINT, POINT>{{120, -69}, {0, 139}}, std::pair<POINT, POINT>{{61, -35}, {1, 71}}}) {
    TileGenerator g;
    SetLattice(g, lattice.first, lattice.second);
    const P6Kite kite(g);
    detail::FoldProgram program;
    kite.AddSteps(program);
    for (int i = 0; i < 2000; ++i) {
      const Point2D uv(unit(random), unit(random)), folded = kite.Fold(uv);
      SCOPED_TRACE(::testing::Message() << lattice.first.x << " at " << uv.x << ", " << uv.y);
      ExpectNear(TakeSteps(program, uv), folded.x, folded.y, 1e-9);
      EXPECT_TRUE(2 * folded.x + folded.y <= 1 + e && folded.x + 2 * folded.y <= 1 + e)
          << folded.x << ", " << folded.y;
    }
  }
}

TEST(BuildTileLattice, EveryMethodFromOnePick) {
  const POINT p0{100, 100}, p1{110, 160}, p2{180, 105}, centre{100, 100};
  struct Case {
    int method;
    POINT v1, v2, anchor;
    bool repeats;
  } cases[] = {
      {keTilingP1, {80, 0}, {10, 60}, p0, true},
      {keTilingP2, {80, 0}, {0, 60}, p0, false},
      {keTilingPM, {80, 0}, {0, 120}, p0, false},
      {keTilingPG, {160, 0}, {0, 60}, p0, false},
      {keTilingPMM, {160, 0}, {0, 120}, p0, false},
      {keTilingPMG, {80, 0}, {0, 240}, p0, false},
      {keTilingPGG, {160, 0}, {0, 120}, p0, false},
      {keTilingCM, {-60, 0}, {0, 60}, p2, false},
      {keTilingCMM, {-90, 55}, {-90, -55}, p2, false},
      {keTilingP4, {120, 0}, {0, 120}, p0, false},
      {keTilingP4M, {-120, 0}, {0, 120}, p2, false},
      {keTilingP4G, {120, 0}, {0, 120}, p0, false},
      {keTilingP3, {100, -58}, {0, 116}, p0, true},
      {keTilingP3ML, {99, -57}, {0, 114}, p0, true},  // the pick's odd height made even
      {keTilingP3LM, {160, 0}, {80, 139}, p0, true},
      {keTilingP6, {160, 0}, {80, 139}, p0, true},
      {keTilingP6M, {240, -139}, {0, 278}, {100, 239}, true},
  };
  for (const Case& c : cases) {
    TileLattice t = BuildTileLattice(c.method, p0, p1, p2, centre);
    EXPECT_TRUE(Same(t.basisA, c.v1)) << c.method << ": " << t.basisA.x << "," << t.basisA.y;
    EXPECT_TRUE(Same(t.basisB, c.v2)) << c.method << ": " << t.basisB.x << "," << t.basisB.y;
    EXPECT_TRUE(Same(t.anchor, c.anchor)) << c.method << ": " << t.anchor.x << "," << t.anchor.y;
    EXPECT_EQ(t.repeats, c.repeats) << c.method;
    EXPECT_EQ(t.anchorBelowD, c.method == keTilingP6M) << c.method;
    EXPECT_EQ(t.hexagonal, c.method >= keTilingP3) << c.method;
  }
}

// "P3ML"'s upright vector is even, a pixel short of an odd pick's, so that V1 takes half of it:
// the half cut to whole pixels sheared the lattice, its period 115 times its cell's width.
TEST(BuildTileLattice, P3MLTakesAnEvenHeight) {
  const POINT p0{100, 100}, centre{100, 100};
  struct Case {
    LONG p2y, p1y, height;  // the height 2 P1.y - P0.y - P2.y made even (turned to point A right)
  } cases[] = {{101, 158, 114}, {100, 158, 116}, {101, 43, 114}, {99, 43, 112}};
  for (const Case& c : cases) {
    const TileLattice t = BuildTileLattice(keTilingP3ML, p0, {110, c.p1y}, {180, c.p2y}, centre);
    EXPECT_TRUE(Same(t.basisB, {0, c.height})) << c.p1y << " " << c.p2y;
    EXPECT_TRUE(Same(t.basisA, {LONG(std::lround(std::sqrt(3.0) * c.height / 2)), -c.height / 2}))
        << c.p1y << " " << c.p2y << ": " << t.basisA.x << ", " << t.basisA.y;
  }
}

// The square groups' cells are square whatever the pick's edges: both as long as the shorter,
// each keeping its direction.
TEST(BuildTileLattice, SquareGroupsTakeTheShorterEdgeBothWays) {
  const POINT p0{100, 100};
  struct Case {
    POINT p1, p2;
    LONG dx, dy;  // the edges P2 - P0 across and P1 - P0 down, made square
  } cases[] = {{{100, 160}, {159, 100}, 59, 59},
               {{100, 159}, {160, 100}, 59, 59},
               {{100, 40}, {39, 100}, -60, -60},
               {{100, 41}, {40, 100}, -59, -59},
               {{100, 40}, {170, 100}, 60, -60}};
  for (const Case& c : cases) {
    const std::string what = std::to_string(c.p1.y) + " " + std::to_string(c.p2.x);
    const TileLattice cm = BuildTileLattice(keTilingCM, p0, c.p1, c.p2, p0),
                      p4m = BuildTileLattice(keTilingP4M, p0, c.p1, c.p2, p0);
    EXPECT_TRUE(Same(cm.basisA, {-c.dx, 0}) && Same(cm.basisB, {0, c.dy})) << what;
    EXPECT_TRUE(Same(p4m.basisA, {-2 * c.dx, 0}) && Same(p4m.basisB, {0, 2 * c.dy})) << what;
    for (int method : {keTilingP4, keTilingP4G}) {
      const TileLattice t = BuildTileLattice(method, p0, c.p1, c.p2, p0);
      EXPECT_TRUE(Same(t.basisA, {2 * c.dx, 0}) && Same(t.basisB, {0, 2 * c.dy})) << what << " " << method;
    }
  }
}

TEST(BuildTileLattice, P1FlipsItsVectorsToPointRightAndDown) {
  struct Case {
    POINT p0, p1, p2;
    POINT v1, v2, anchor;
    bool negateK0, negateK1;
  } cases[] = {
      // Both flipped: the anchor moves to P1 + V1 as first built.
      {{100, 100}, {120, 40}, {60, 100}, {40, 0}, {-20, 60}, {80, 40}, true, true},
      {{100, 100}, {120, 40}, {160, 100}, {60, 0}, {-20, 60}, {120, 40}, true, false},
      {{100, 100}, {120, 160}, {60, 100}, {40, 0}, {20, 60}, {60, 100}, false, true},
      {{100, 100}, {120, 160}, {160, 100}, {60, 0}, {20, 60}, {100, 100}, false, false},
  };
  for (const Case& c : cases) {
    TileLattice t = BuildTileLattice(keTilingP1, c.p0, c.p1, c.p2, {0, 0});
    EXPECT_TRUE(Same(t.basisA, c.v1)) << t.basisA.x << "," << t.basisA.y;
    EXPECT_TRUE(Same(t.basisB, c.v2)) << t.basisB.x << "," << t.basisB.y;
    EXPECT_TRUE(Same(t.anchor, c.anchor)) << t.anchor.x << "," << t.anchor.y;
    EXPECT_EQ(t.negateK0, c.negateK0);
    EXPECT_EQ(t.negateK1, c.negateK1);
  }
}

// A scripted pick may lie either way round; the hexagonal lattices are built with a positive
// determinant, so that every pick renders an opaque tile.
TEST(BuildTileLattice, HexagonalPicksOfEitherOrientationRender) {
  CRowIteratorBands source, tile;
  testing_images::MakeGradient(source, 240, 240);
  for (int method : {keTilingP3, keTilingP3LM, keTilingP6}) {
    for (POINT p2 : {POINT{190, 120}, POINT{50, 120}}) {
      for (POINT p1 : {POINT{155, 180}, POINT{155, 60}, POINT{85, 60}}) {
        TileShape shape;
        shape.method = method;
        shape.p0 = shape.centre = {120, 120};
        shape.p1 = p1;
        shape.p2 = p2;
        shape.area = {0, 0, 239, 239};
        ASSERT_EQ(GenerateTile(nullptr, source, shape, tile).GetCode(), keErrorNone) << method;
        const TileLattice t = BuildTileLattice(method, shape.p0, p1, p2, shape.centre);
        EXPECT_GT(double(t.basisA.x) * t.basisB.y - double(t.basisB.x) * t.basisA.y, 0) << method;
        int transparent = 0;
        for (int y = 0; y < tile.Height(); y += 3)
          for (int x = 0; x < tile.Width(); x += 3)
            transparent += testing_images::PixelAt(tile, x, y)[3] != 255;
        EXPECT_EQ(transparent, 0) << method << " p1 " << p1.x << "," << p1.y << " p2 " << p2.x;
      }
    }
  }
}

}  // namespace
}  // namespace corvel
