// The SIMD render against the plan in doubles, the reference it stands in for: every group at
// feather 0 and 20, upright and turned, within a level a channel and 0.05 of a level on average.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "core/CpuFeatures.h"
#include "core/RowThreads.h"
#include "generators/GenerateTile.h"
#include "generators/TileGroups.h"
#include "generators/TileRenderCache.h"
#include "generators/detail/KeptBetweenRenders.h"
#include "generators/detail/SourceWindow.h"
#include "tests/generators/TileSymmetry.h"
#include "tests/generators/TileTestImages.h"

namespace corvel {
namespace {

// Smooth waves with a grain of a few levels, so that the bilinear taps see photo-like steps.
void MakeGrainyWaves(CRowIteratorBands& image, int size) {
  testing_images::MakeWaves(image, size, size);
  std::uint32_t noise = 7;
  for (int y = 0; y < size; ++y) {
    BYTE* row = image.LockRowPointer(y, 0, -1);
    for (int i = 0; i < 4 * size; ++i) {
      noise = noise * 1664525u + 1013904223u;
      if (i % 4 != 3) row[i] = BYTE(std::clamp(int(row[i]) + int(noise >> 29) - 4, 0, 255));
    }
    image.UnlockRow(y);
  }
}

// P1 from P0 at d1 and P2 at d2, about 64 to 128 pixels a side.
TileShape Pick(int method, double feather, int angle) {
  static const POINT picks[keTilingMethodCount][2] = {
      {{0, 128}, {128, 0}}, {{0, 128}, {128, 0}}, {{0, 64}, {128, 0}}, {{0, 128}, {64, 0}},
      {{0, 64}, {64, 0}},   {{0, 32}, {128, 0}},  {{0, 64}, {64, 0}},  {{0, 128}, {-128, 0}},
      {{0, 64}, {-64, 0}},  {{0, 64}, {64, 0}},   {{0, 64}, {-64, 0}}, {{0, 64}, {64, 0}},
      {{32, 55}, {64, 0}},  {{32, 55}, {64, 0}},  {{32, 55}, {64, 0}}, {{32, 55}, {64, 0}},
      {{0, 111}, {64, 0}},
  };
  TileShape shape;
  shape.method = method;
  shape.p0 = shape.centre = {200 + (picks[method][1].x < 0 ? 128 : 0), 150};
  shape.p1 = {shape.p0.x + picks[method][0].x, shape.p0.y + picks[method][0].y};
  shape.p2 = {shape.p0.x + picks[method][1].x, shape.p0.y + picks[method][1].y};
  shape.seamK0 = shape.seamK2 = 0.1;
  shape.seamK1 = -0.1;
  shape.feather = feather;
  shape.angle = angle;
  shape.area = {0, 0, 479, 479};
  return shape;
}

void Render(CRowIteratorBands& source, const TileShape& pick, const CpuFeatures& features,
            CRowIteratorBands& tile, TileRenderCache* cache = nullptr) {
  const CpuFeaturesOverride forced(features);
  TileShape shape = pick;
  ASSERT_EQ(GenerateTile(nullptr, source, shape, tile, cache).GetCode(), keErrorNone);
}

void ExpectWithinALevel(CRowIteratorBands& fast, CRowIteratorBands& reference, const std::string& what) {
  ASSERT_EQ(fast.Width(), reference.Width()) << what;
  ASSERT_EQ(fast.Height(), reference.Height()) << what;
  ASSERT_EQ(fast.GetFormat(), reference.GetFormat()) << what;
  const testing_images::ByteDifference difference = testing_images::DifferenceOf(fast, reference);
  EXPECT_LE(difference.largest, 1) << what;
  EXPECT_LE(difference.mean, 0.05) << what;
}

// The plan in doubles and the fast render of pick, within a level of each other.
void ExpectFastMatchesReference(CRowIteratorBands& source, const TileShape& pick, const std::string& what) {
  CRowIteratorBands reference, fast;
  Render(source, pick, CpuFeatures{}, reference);
  Render(source, pick, ProbeCpuFeatures(), fast);
  ExpectWithinALevel(fast, reference, what);
}

// Pick with its seams bent by bend (none at 0): some groups render fast only unbent.
TileShape BentPick(int method, double feather, int angle, double bend) {
  TileShape pick = Pick(method, feather, angle);
  pick.seamK0 = pick.seamK2 = bend;
  pick.seamK1 = -bend;
  return pick;
}

// The pick with straight seams.
TileShape Unbent(TileShape pick) {
  pick.seamK0 = pick.seamK1 = pick.seamK2 = 0;
  return pick;
}

// Pick's group moved to unbent corners d1 and d2 from its p0.
TileShape UnbentPick(int method, POINT d1, POINT d2, int angle, double feather) {
  TileShape pick = Unbent(Pick(method, feather, angle));
  pick.p1 = {pick.p0.x + d1.x, pick.p0.y + d1.y};
  pick.p2 = {pick.p0.x + d2.x, pick.p0.y + d2.y};
  return pick;
}

std::string Described(const TileShape& pick) {
  auto at = [&](const POINT& p) {
    return std::to_string(p.x - pick.p0.x) + "," + std::to_string(p.y - pick.p0.y);
  };
  return std::string(FindTileGroup(pick.method)->name) + " " + at(pick.p1) + " " + at(pick.p2) + " angle " +
         std::to_string(pick.angle) + " feather " + std::to_string(int(pick.feather));
}

// Unbent picks of one lattice each, rendered fast and by the plan.
struct LatticeCase {
  int method;
  POINT d1, d2;
  int angle;
  double feather;
};

template <std::size_t N>
void ExpectCasesMatchTheReference(CRowIteratorBands& source, const LatticeCase (&cases)[N]) {
  for (const LatticeCase& c : cases) {
    const TileShape pick = UnbentPick(c.method, c.d1, c.d2, c.angle, c.feather);
    ExpectFastMatchesReference(source, pick, Described(pick));
  }
}

void ExpectSameBytes(CRowIteratorBands& a, CRowIteratorBands& b, const std::string& what) {
  ASSERT_EQ(a.Width(), b.Width()) << what;
  ASSERT_EQ(a.Height(), b.Height()) << what;
  for (int y = 0; y < a.Height(); ++y) {
    ASSERT_EQ(std::memcmp(a.LockRowPointer(y, 0, -1), b.LockRowPointer(y, 0, -1), 4 * std::size_t(a.Width())),
              0)
        << what << " row " << y;
    a.UnlockRow(y);
    b.UnlockRow(y);
  }
}

// Unbent seams as well: some groups render fast only without them.
TEST(TileRenderPaths, FastRendersStayWithinALevelOfTheReference) {
  CRowIteratorBands source;
  MakeGrainyWaves(source, 480);
  CpuFeatures sse2 = ProbeCpuFeatures();
  sse2.avx2 = false;
  for (int method = 0; method < keTilingMethodCount; ++method) {
    for (double feather : {0.0, 20.0}) {
      for (int angle : {0, 30}) {
        for (double bend : {0.1, 0.0}) {
          TileShape pick = BentPick(method, feather, angle, bend);
          const std::string what = std::string(FindTileGroup(method)->name) + " feather " +
                                   std::to_string(int(feather)) + " angle " + std::to_string(angle) +
                                   " bend " + std::to_string(bend);
          CRowIteratorBands reference;
          Render(source, pick, CpuFeatures{}, reference);
          for (const CpuFeatures& features : {sse2, ProbeCpuFeatures()}) {
            CRowIteratorBands fast;
            Render(source, pick, features, fast);
            ExpectWithinALevel(fast, reference, what + (features.avx2 ? " AVX2" : " SSE2"));
          }
        }
      }
    }
  }
}

// Cells at the source's corner: the partners across their seams lie past its edges, where the
// lanes read the edge pixels again as the plan in doubles does.
TEST(TileRenderPaths, BandsWhosePartnersLieOffTheSourceMatchTheReference) {
  CRowIteratorBands source;
  MakeGrainyWaves(source, 480);
  for (int method : {keTilingPM, keTilingP2, keTilingP4, keTilingP6}) {
    for (int angle : {0, 30}) {
      TileShape pick = Unbent(Pick(method, 20, angle));
      for (POINT* p : {&pick.p0, &pick.p1, &pick.p2, &pick.centre}) {
        p->x -= 200;
        p->y -= 150;
      }
      ExpectFastMatchesReference(source, pick, Described(pick));
    }
  }
}

// Lattices well off the hexagon: the three-fold groups' plans fold by frames and turns rounded to
// whole pixels, their seams some way from the fast render's, which plans the pixels between.
TEST(TileRenderPaths, ThreeFoldLatticesOffTheHexagonMatchTheReference) {
  CRowIteratorBands source;
  MakeGrainyWaves(source, 480);
  for (int method : {keTilingP3, keTilingP3LM, keTilingP6}) {
    for (POINT d1 : {POINT{29, 53}, POINT{37, 61}, POINT{23, 49}, POINT{41, 50}, POINT{19, 58}}) {
      for (int angle : {0, 30}) {
        const TileShape pick = UnbentPick(method, d1, {2 * d1.x + 3, 1}, angle, 0);
        ExpectFastMatchesReference(source, pick, Described(pick));
      }
    }
  }
}

// Unfeathered, where the steps decide the pixels right on hard seams, only pixels near a seam are
// planned: small lattices upright, turned by 45 degrees and by quarter turns, with many pixels on
// their seams, and larger odd ones whose pixels also come within a hair of a seam.
TEST(TileRenderPaths, PixelsRightOnHardSeamsMatchTheReference) {
  CRowIteratorBands source;
  MakeGrainyWaves(source, 480);
  const struct { int angle, scale; } cases[] = {{0, 1}, {45, 1}, {90, 1}, {0, 2}, {45, 2}, {210, 2}};
  for (int method : {keTilingP2, keTilingPM, keTilingPG, keTilingPMG, keTilingPGG, keTilingCM, keTilingCMM,
                     keTilingP4, keTilingP4G}) {
    for (const auto& c : cases) {
      TileShape pick = Unbent(Pick(method, 0, c.angle));
      const POINT d1 = {pick.p1.x - pick.p0.x, pick.p1.y - pick.p0.y}, d2 = {pick.p2.x - pick.p0.x, 0};
      pick.p1 = {pick.p0.x + c.scale * d1.x, pick.p0.y + c.scale * d1.y};
      pick.p2 = {pick.p0.x + c.scale * d2.x + c.scale / 2, pick.p0.y};
      ExpectFastMatchesReference(source, pick, Described(pick));
    }
  }
}

// Feathered, the turns of a lattice a little off the hexagon carry some positions past the
// kites' and rhombi's edges, where the plan clamps them, and a pixel right on a line the fold
// turns about, or on a cell's edge, may go to copies some way apart: such pixels are planned too.
TEST(TileRenderPaths, FeatheredNearlyHexagonalLatticesMatchTheReference) {
  CRowIteratorBands source;
  MakeGrainyWaves(source, 480);
  struct Case {
    int method;
    POINT d1;
    int angle;
    double feather;
  };
  for (const Case& c : {Case{keTilingP3, {128, 222}, 0, 20}, Case{keTilingP3, {77, 135}, 0, 20},
                        Case{keTilingP3, {100, 170}, 30, 20}, Case{keTilingP3LM, {45, 80}, 30, 20},
                        Case{keTilingP3LM, {29, 50}, 0, 50}, Case{keTilingP3LM, {29, 50}, 30, 50},
                        Case{keTilingP6, {64, 111}, 0, 20}, Case{keTilingP6, {29, 53}, 0, 5},
                        Case{keTilingP6, {29, 53}, 30, 5}}) {
    const TileShape pick = UnbentPick(c.method, c.d1, {2 * c.d1.x, 0}, c.angle, c.feather);
    ExpectFastMatchesReference(source, pick, Described(pick));
  }
}

// Lattices found off by more than a level in a scan of every group: uneven and small cells, odd
// sizes, turned by odd angles, at narrow and wide feathers.
TEST(TileRenderPaths, UnevenLatticesMatchTheReference) {
  CRowIteratorBands source;
  MakeGrainyWaves(source, 480);
  const LatticeCase cases[] = {
      // Pixels right on a quarter's edge, folded onto one neighbour or the other.
      {keTilingP4, {0, 61}, {37, 0}, 0, 20},
      {keTilingP4, {0, 17}, {23, 0}, 30, 50},
      {keTilingP4, {0, 128}, {128, 0}, 0, 50},
      {keTilingP4G, {0, 61}, {37, 0}, 45, 20},
      {keTilingP4G, {0, 17}, {23, 0}, 90, 5},
      // Narrow feathers off the hexagon: pixels right on a cell's edge in no band, which the wrap
      // may take to either side, where the turns put copies some way apart.
      {keTilingP3, {37, 61}, {77, 1}, 0, 5},
      {keTilingP3, {19, 58}, {41, 1}, 45, 5},
      {keTilingP3LM, {29, 53}, {61, 1}, 30, 5},
      {keTilingP3LM, {29, 53}, {61, 1}, 90, 5},
      // Rows right on the lines where the turns meet, which the plan keeps unturned.
      {keTilingP3ML, {150, 255}, {300, 0}, 0, 0},
      {keTilingP3ML, {150, 255}, {300, 0}, 30, 0},
      // Whole or half-pixel source positions, which doubles may put a hair short of themselves:
      // read as the lanes read them.
      {keTilingCMM, {0, 150}, {-101, 0}, 0, 20},
      {keTilingCMM, {0, 23}, {-17, 0}, 0, 20},
      {keTilingP3, {150, 255}, {300, 0}, 90, 0},
      // Unfeathered, pixels right on a cell's edge where no band keeps them planned.
      {keTilingP3LM, {128, 222}, {256, 0}, 0, 0},
      {keTilingP3LM, {128, 222}, {256, 0}, 90, 0},
      {keTilingP3LM, {48, 82}, {95, 0}, 0, 0},
      {keTilingP3LM, {48, 82}, {95, 0}, 270, 0},
      // The same on small cells where the steps decide the seams: no band there at all.
      {keTilingP3, {14, 24}, {28, 0}, 0, 0},
      {keTilingP3, {12, 21}, {24, 0}, 30, 0},
      {keTilingP3ML, {14, 24}, {28, 0}, 0, 0},
      {keTilingP3ML, {15, 25}, {30, 1}, 45, 0},
      {keTilingP3ML, {31, 52}, {61, 1}, 0, 0},
      // Periods far longer than the cell, repeated from it at whole pixels.
      {keTilingP3ML, {29, 53}, {61, 1}, 0, 0},
      {keTilingP1, {57, 203}, {251, 0}, 30, 0},
      // Rows right on a band's outer edge, where the plan keeps the own sample whole.
      {keTilingP4, {0, 40}, {40, 0}, 90, 100},
      {keTilingP4G, {0, 40}, {40, 0}, 90, 100},
      // Feathered, rows right on a large cell's edge, where the lanes' positions lie further off
      // the edge than the bands' margin.
      {keTilingP1, {3, 164}, {150, 0}, 30, 50},
      {keTilingP1, {48, 150}, {254, 0}, 45, 50},
      // Feathered, own and partner positions both a unit off the plan's, where the weight taken
      // half a unit off put the mix on the far side of a whole level.
      {keTilingP1, {21, 220}, {163, 0}, 45, 50},
      {keTilingP1, {66, 248}, {202, 0}, 0, 50},
      // Feathers about a three-fold centre, where the corner's blends reach past the ends of the
      // seams that meet there.
      {keTilingP6, {150, 255}, {300, 0}, 0, 50},
      {keTilingP6, {100, 170}, {203, 1}, 30, 20},
      {keTilingP3LM, {150, 255}, {300, 0}, 0, 50},
      {keTilingP3LM, {100, 170}, {203, 1}, 0, 20},
      {keTilingP3, {150, 255}, {300, 0}, 0, 50},
      // A small lattice some 4 % off the hexagon: its corner at an edge's midpoint, turned there
      // from the next one, lies beyond a band reaching only a pixel past the hexagon's seams.
      {keTilingP3LM, {8, 14}, {17, 0}, 30, 5},
      {keTilingP3LM, {8, 14}, {17, 0}, 0, 5},
      // Cell edges right on pixels within a row's blends near a seam's middle: those left to the
      // plan once are not looked up again.
      {keTilingP3LM, {0, 68}, {89, 1}, 0, 5},
      // Pixels right on a cell's edge of a small lattice off the hexagon, whose copies across the
      // edge differ: the wrap takes them to one side or the other.
      {keTilingP6M, {0, 24}, {14, 0}, 0, 0},
      {keTilingP6M, {0, 82}, {47, 0}, 17, 0},
      // Unfeathered "P6" whose pixels lie right at a third of a pixel from its seam along a row,
      // where the plan takes a pixel to one side: a pixel and its copy a cell below fell apart.
      {keTilingP6, {0, 75}, {69, 1}, 0, 0},
      {keTilingP6, {0, 75}, {69, 1}, 17, 0},
      // The same for "P3", whose plan tests the distance on its frame, the rhombus rounded to whole
      // pixels, and for "P3LM" on its kite's.
      {keTilingP3, {0, 240}, {60, 0}, 0, 0},
      {keTilingP3, {0, 240}, {60, 0}, 17, 0},
      {keTilingP3LM, {0, 480}, {277, 0}, 0, 0},
  };
  ExpectCasesMatchTheReference(source, cases);
}

// Blocks of 5 x 7 pixels in random colours, a third of them clear where `holes`: a layer with holes.
void MakeBlocks(CRowIteratorBands& image, int size, bool holes) {
  ASSERT_TRUE(image.CreateBGRA(size, size).Ok());
  for (int y = 0; y < size; ++y) {
    BYTE* row = image.LockRowPointer(y, 0, -1);
    for (int x = 0; x < size; ++x) {
      std::uint32_t block = std::uint32_t(x / 5) * 7919u + std::uint32_t(y / 7) * 104729u;
      block = (block ^ (block >> 13)) * 2654435761u;
      for (int c = 0; c < 3; ++c) row[4 * x + c] = BYTE(block >> (8 * c));
      row[4 * x + 3] = holes && (block >> 24) % 3 == 0 ? 0 : 255;
    }
    image.UnlockRow(y);
  }
}

// Where a pixel is nearly clear its colour shows little and may differ a lot between two roads
// whose positions differ by a 256th of a pixel: what shows is the colour times alpha.
void ExpectWithinALevelAsShown(CRowIteratorBands& fast, CRowIteratorBands& reference,
                               const std::string& what) {
  ASSERT_EQ(fast.Width(), reference.Width()) << what;
  ASSERT_EQ(fast.Height(), reference.Height()) << what;
  int largest = 0;
  for (int y = 0; y < fast.Height(); ++y) {
    const BYTE* ours = fast.LockRowPointer(y, 0, -1);
    const BYTE* theirs = reference.LockRowPointer(y, 0, -1);
    for (int x = 0; x < fast.Width(); ++x) {
      const BYTE* a = ours + 4 * x;
      const BYTE* b = theirs + 4 * x;
      largest = std::max(largest, std::abs(int(a[3]) - int(b[3])));
      for (int c = 0; c < 3; ++c) largest = std::max(largest, std::abs(a[c] * a[3] - b[c] * b[3]) / 255);
    }
    fast.UnlockRow(y);
    reference.UnlockRow(y);
  }
  EXPECT_LE(largest, 1) << what;
}

// A sharp source, whose neighbouring pixels differ by up to 255 levels, shows a sample read from
// another copy or a partner left out.
TEST(TileRenderPaths, SkewedAndLargeLatticesOnASharpSourceMatchTheReference) {
  CRowIteratorBands source;
  MakeBlocks(source, 480, false);
  const LatticeCase cases[] = {
      // So skewed that a 256th of a pixel moves a lattice coordinate by some 5e-4: a pixel a hair
      // inside a feather's band, whose partner weighs a hundredth, still blends with it.
      {keTilingP1, {51, 19}, {17, 1}, 1, 5},
      {keTilingP1, {51, 19}, {17, 1}, 101, 5},
      {keTilingP1, {51, 19}, {17, 1}, 200, 20},
      // Lattices of several hundred thousand pixels, whose pixels lie as near the lines where the
      // turns meet as the steps' hair: beyond the bands' margin, they are turned as the plan turns
      // them.
      {keTilingP3ML, {451, 780}, {901, 1}, 0, 0},
      {keTilingP3ML, {300, 520}, {599, 1}, 0, 0},
  };
  ExpectCasesMatchTheReference(source, cases);
}

// Feathered P1 on sheared lattices of whole pixels: a pixel right on a cell's edge, its lattice
// coordinate a hair below the whole number or on or a hair past it, shows the source a cell on,
// however its fast position rounds; the bands' pixels there blend in lanes.
TEST(TileRenderPaths, FeatheredP1PixelsRightOnShearedCellEdgesMatchTheReference) {
  CRowIteratorBands source;
  MakeBlocks(source, 480, false);
  const LatticeCase cases[] = {
      {keTilingP1, {37, 101}, {113, 7}, 0, 20}, {keTilingP1, {-29, 97}, {89, 13}, 0, 5},
      {keTilingP1, {51, 19}, {17, 1}, 0, 20},   {keTilingP1, {61, 83}, {107, -11}, 30, 50},
      {keTilingP1, {3, 131}, {127, 5}, 45, 20}, {keTilingP1, {0, 128}, {128, 0}, 0, 20},
  };
  ExpectCasesMatchTheReference(source, cases);
}

// Seams bent either way and by more than the editor's usual handles, on skewed and turned
// lattices of a sharp source: a wrap bent one way or the other, its bands in bent coordinates, and
// a seam bent past the folds, feathered bands blended about bent seams; and just past and well past
// the amplitudes some groups' steps follow (0.26, 0.45, 0.6), which those groups leave to the plan,
// at and past the most PG's blends follow (0.4, 0.45) and at the most its steps follow (0.5), and
// at the most PGG's and PMG's follow (0.25) either way, and at and past the most P6's feathered
// blends follow (0.1, 0.125), and at the most P3LM's follow (0.2).
TEST(TileRenderPaths, SeamsBentEitherWayMatchTheReference) {
  CRowIteratorBands source;
  MakeBlocks(source, 480, false);
  const struct {
    int method;
    POINT d1, d2;
    int angle;
  } lattices[] = {{keTilingP1, {0, 128}, {128, 0}, 30},  {keTilingP1, {37, 121}, {131, 0}, 17},
                  {keTilingP1, {-23, 97}, {89, 0}, 0},   {keTilingCMM, {0, 64}, {-64, 0}, 30},
                  {keTilingCMM, {0, 61}, {-37, 0}, 17},  {keTilingPM, {0, 64}, {128, 0}, 30},
                  {keTilingPM, {0, 47}, {161, 0}, 17},   {keTilingPG, {0, 128}, {64, 0}, 30},
                  {keTilingPG, {0, 97}, {53, 0}, 17},    {keTilingCM, {0, 128}, {-128, 0}, 30},
                  {keTilingCM, {0, 101}, {-150, 0}, 17}, {keTilingPMG, {0, 32}, {128, 0}, 30},
                  {keTilingPMG, {0, 29}, {97, 0}, 17},   {keTilingP4, {0, 64}, {64, 0}, 30},
                  {keTilingP4, {0, 101}, {97, 0}, 17},   {keTilingPGG, {0, 64}, {64, 0}, 30},
                  {keTilingPGG, {0, 61}, {37, 0}, 17},   {keTilingP4G, {0, 64}, {64, 0}, 30},
                  {keTilingP4G, {0, 101}, {97, 0}, 17},  {keTilingP2, {0, 128}, {128, 0}, 30},
                  {keTilingP2, {0, 101}, {97, 0}, 17},   {keTilingP6, {48, 82}, {95, 0}, 30},
                  {keTilingP6, {32, 55}, {64, 0}, 17},   {keTilingP3, {48, 82}, {95, 0}, 30},
                  {keTilingP3, {37, 61}, {77, 1}, 0},    {keTilingP3LM, {48, 82}, {95, 0}, 30},
                  {keTilingP3LM, {32, 55}, {64, 0}, 17}};
  for (const auto& lattice : lattices) {
    for (double feather : {0.0, 20.0}) {
      for (const auto& [k0, k1] :
           {std::pair{0.3, 0.2}, std::pair{-0.25, -0.3}, std::pair{0.0, 0.4}, std::pair{-0.3, 0.25},
            std::pair{0.2, -0.125}, std::pair{0.26, 0.1}, std::pair{0.45, -0.7}, std::pair{-0.6, 0.0},
            std::pair{0.25, -0.25}, std::pair{-0.25, 0.25}, std::pair{0.4, -0.4}, std::pair{-0.4, 0.4},
            std::pair{0.45, 0.45}, std::pair{0.5, -0.5}, std::pair{0.1, -0.1}, std::pair{-0.1, 0.1},
            std::pair{0.125, -0.125}, std::pair{0.2, 0.0}, std::pair{-0.2, 0.0}}) {
        TileShape pick = UnbentPick(lattice.method, lattice.d1, lattice.d2, lattice.angle, feather);
        pick.seamK0 = pick.seamK2 = k0;
        pick.seamK1 = k1;
        ExpectFastMatchesReference(
            source, pick, Described(pick) + " bent " + std::to_string(k0) + "," + std::to_string(k1));
      }
    }
  }
  // P2's seams each bent its own way or left straight, unfeathered, narrow and wide feathered: the
  // plan tests a position turned across the left seam against the diagonal's and the bottom's
  // bands, by the offsets of the position before the turn, far from where the seam's own band
  // lay; its steps follow any bend. Its feathered bands blend in lanes up to 0.15 each way, each
  // seam alone too, and are planned just past it.
  for (const auto& lattice : lattices) {
    if (lattice.method != keTilingP2) continue;
    for (double feather : {0.0, 5.0, 20.0}) {
      for (const auto& [k0, k1, k2] :
           {std::tuple{0.25, 0.05, 0.1}, std::tuple{0.25, -0.25, 0.25}, std::tuple{1.5, -2.0, 0.8},
            std::tuple{0.3, 0.0, -0.25}, std::tuple{0.0, 0.0, 0.2}, std::tuple{0.15, -0.15, 0.15},
            std::tuple{-0.15, 0.15, -0.15}, std::tuple{0.15, 0.15, -0.15}, std::tuple{0.15, 0.0, 0.0},
            std::tuple{0.0, -0.15, 0.0}, std::tuple{0.0, 0.0, 0.15}, std::tuple{-0.15, 0.0, 0.0},
            std::tuple{0.0, 0.15, 0.0}, std::tuple{0.0, 0.0, -0.15}, std::tuple{0.16, -0.16, 0.16}}) {
        TileShape pick = UnbentPick(lattice.method, lattice.d1, lattice.d2, lattice.angle, feather);
        pick.seamK0 = k0;
        pick.seamK1 = k1;
        pick.seamK2 = k2;
        ExpectFastMatchesReference(source, pick,
                                   Described(pick) + " bent " + std::to_string(k0) + "," +
                                       std::to_string(k1) + "," + std::to_string(k2));
      }
    }
  }
  // P6's bulge of the axes, blended in lanes by the copy the plan's turn lands on, on lattices off
  // the hexagon, narrow and wide feathered, bulging either way, up to and past the editor's most
  // bend, the medians alike or not: its partner weighs up to all of a mix, and its pixels near an
  // exact weight, mixed in doubles, must not be weighed past the turn, nor those the plan turns
  // across a median from beside it.
  const LatticeCase offTheHexagon[] = {{keTilingP6, {29, 53}, {61, 1}, 45, 5},
                                       {keTilingP6, {48, 82}, {95, 0}, 17, 20},
                                       {keTilingP6, {48, 82}, {95, 0}, 30, 20},
                                       {keTilingP6, {29, 53}, {61, 1}, 30, 20}};
  for (const LatticeCase& c : offTheHexagon) {
    for (const auto& [k0, k1] : {std::pair{0.1, -0.1}, std::pair{-0.1, 0.1}, std::pair{0.125, 0.125},
                                 std::pair{-0.125, -0.125}, std::pair{0.13, -0.13}}) {
      TileShape pick = UnbentPick(c.method, c.d1, c.d2, c.angle, c.feather);
      pick.seamK0 = pick.seamK2 = k0;
      pick.seamK1 = k1;
      ExpectFastMatchesReference(source, pick,
                                 Described(pick) + " bent " + std::to_string(k0) + "," + std::to_string(k1));
    }
  }
}

// P3's steps carry a position across its bent edges as the plan does however far they bend,
// either way, one pair or both: the plan clamps onto the rhombus before it bends them, so that
// no bend takes a position across a line the steps do not test.
TEST(TileRenderPaths, P3EdgesBentFarMatchTheReference) {
  CRowIteratorBands source;
  MakeBlocks(source, 480, false);
  for (double feather : {0.0, 3.0, 20.0}) {
    for (const auto& [k0, k1] : {std::pair{2.0, -1.5}, std::pair{-3.0, 0.0}, std::pair{0.0, -7.0},
                                 std::pair{-1.2, 4.0}, std::pair{20.0, 50.0}}) {
      TileShape pick = UnbentPick(keTilingP3, {48, 82}, {95, 0}, 30, feather);
      pick.seamK0 = k0;
      pick.seamK1 = k1;
      ExpectFastMatchesReference(source, pick,
                                 Described(pick) + " bent " + std::to_string(k0) + "," + std::to_string(k1));
    }
  }
}

// P3's feathered bands blend in lanes about its bent edges; on a lattice of a few pixels, a
// carry's turn lands the edge it carries across a part of a pixel inside the rhombus, where the
// plan blends by the bends of the position it carried.
TEST(TileRenderPaths, P3BandsBentOnSmallLatticesMatchTheReference) {
  CRowIteratorBands source;
  MakeBlocks(source, 480, false);
  for (const auto& [d1, d2, angle] :
       {std::tuple{POINT{14, 24}, POINT{28, 0}, 17}, std::tuple{POINT{29, 53}, POINT{61, 1}, 45},
        std::tuple{POINT{8, 14}, POINT{17, 0}, 30}}) {
    for (double feather : {20.0, 50.0}) {
      for (const auto& [k0, k1] : {std::pair{0.1, -0.1}, std::pair{-0.3, 0.2}, std::pair{0.0, -0.5}}) {
        TileShape pick = UnbentPick(keTilingP3, d1, d2, angle, feather);
        pick.seamK0 = k0;
        pick.seamK1 = k1;
        ExpectFastMatchesReference(
            source, pick, Described(pick) + " bent " + std::to_string(k0) + "," + std::to_string(k1));
      }
    }
  }
}

// P3's carried positions blend in lanes; on lattices a little off the hexagon the program and the
// plan carry apart right on a bent edge, where the plan's weights jump, and what the turns leave
// past the rhombus the plan clamps before it carries: such pixels are planned.
TEST(TileRenderPaths, P3CarriedOffTheHexagonMatchTheReference) {
  CRowIteratorBands source;
  MakeBlocks(source, 480, false);
  for (const auto& [d1, d2, angle] :
       {std::tuple{POINT{0, 150}, POINT{34, 0}, 17}, std::tuple{POINT{100, 170}, POINT{203, 1}, 17},
        std::tuple{POINT{0, 94}, POINT{117, 1}, 45}}) {
    for (const auto& [k0, k1] : {std::pair{0.1, -0.1}, std::pair{-0.1, 0.1}}) {
      TileShape pick = UnbentPick(keTilingP3, d1, d2, angle, 5);
      pick.seamK0 = k0;
      pick.seamK1 = k1;
      ExpectFastMatchesReference(source, pick,
                                 Described(pick) + " bent " + std::to_string(k0) + "," + std::to_string(k1));
    }
  }
}

// Feathered "P3LM" bent either way blends the seam's bulge, which the plan turns about G into the
// band across the other seam, by the turned position's ramp: on lattices off the hexagon, where
// the ramp before the turn lies some way off, on a sharp source; and on a hexagon turned so that
// its diagonal fold line runs through whole pixels, which mix in doubles on the plan's fold.
TEST(TileRenderPaths, P3LMBulgeOffTheHexagonMatchesTheReference) {
  CRowIteratorBands source;
  MakeBlocks(source, 480, false);
  for (const auto& [d1, d2, angle] :
       {std::tuple{POINT{0, 150}, POINT{34, 0}, 17}, std::tuple{POINT{100, 170}, POINT{203, 1}, 17},
        std::tuple{POINT{0, 94}, POINT{117, 1}, 45}, std::tuple{POINT{64, 111}, POINT{128, 0}, 30}}) {
    for (const double feather : {5.0, 20.0}) {
      for (const double k0 : {0.1, -0.15}) {
        TileShape pick = UnbentPick(keTilingP3LM, d1, d2, angle, feather);
        pick.seamK0 = k0;
        ExpectFastMatchesReference(source, pick, Described(pick) + " bent " + std::to_string(k0));
      }
    }
  }
}

// Feathered "P3LM" bent far within its fast road: the plan's cut across one seam runs on past G
// along its line, bent by the other seam's bump, onto the side of the other seam's line that its
// own bump leaves, where the bands narrowed to the bulge's side must still reach.
TEST(TileRenderPaths, P3LMCutPastGMatchesTheReference) {
  CRowIteratorBands source;
  MakeBlocks(source, 480, false);
  for (const auto& [d1, d2] :
       {std::pair{POINT{48, 82}, POINT{95, 0}}, std::pair{POINT{0, 94}, POINT{117, 1}}}) {
    for (const double k0 : {0.25, 0.29, -0.29}) {
      TileShape pick = UnbentPick(keTilingP3LM, d1, d2, 0, 20);
      pick.seamK0 = k0;
      ExpectFastMatchesReference(source, pick, Described(pick) + " bent " + std::to_string(k0));
    }
  }
}

// Bent further than the fast road follows: P6's turn across a bent axis can take a position past
// the line of the median the next step tests, where the plan does not test it; feathered, the
// plan's bands about a median bent far reach past the fold's widened bands.
TEST(TileRenderPaths, SeamsBentPastTheFastRoadMatchTheReference) {
  CRowIteratorBands source;
  MakeBlocks(source, 480, false);
  for (const auto& [feather, k0, k1] : {std::tuple{0.0, -0.5, -0.3}, std::tuple{0.0, 0.6, 0.5},
                                        std::tuple{20.0, 0.1, -0.6}, std::tuple{3.0, -0.3, -0.6}}) {
    TileShape pick = UnbentPick(keTilingP6, {100, 170}, {203, 1}, 0, feather);
    pick.seamK0 = k0;
    pick.seamK1 = k1;
    ExpectFastMatchesReference(source, pick, Described(pick) + " bent " + std::to_string(k0));
  }
}

// A feathered tile that a glide along its rows takes onto itself makes half its rows and copies
// each, moved half a period along, into the row it lands on: even widths, odd and even heights,
// straight and bent either way, on a sharp source, where a row or a pixel off shows.
TEST(TileRenderPaths, GlidedRowsMatchTheReference) {
  CRowIteratorBands source;
  MakeBlocks(source, 480, false);
  const LatticeCase cases[] = {
      {keTilingPG, {0, 128}, {64, 0}, 0, 50}, {keTilingPG, {0, 128}, {64, 0}, 17, 50},
      {keTilingPG, {0, 97}, {53, 0}, 30, 50}, {keTilingPG, {0, 97}, {54, 0}, 0, 20},
      {keTilingPG, {0, 61}, {38, 0}, 17, 5},  {keTilingPG, {0, 40}, {21, 0}, 0, 20}};
  for (const LatticeCase& c : cases) {
    for (const double k0 : {0.0, 0.25, -0.3}) {
      TileShape pick = UnbentPick(c.method, c.d1, c.d2, c.angle, c.feather);
      pick.seamK0 = pick.seamK2 = k0;
      pick.seamK1 = -k0;
      ExpectFastMatchesReference(source, pick, Described(pick) + " bent " + std::to_string(k0));
    }
  }
}

// An unfeathered tile with straight seams that a half turn or a glide takes onto itself makes half
// its rows and turns each into the row it lands on: picks off the axes whose sides hold several
// pixel centres, so that pixels lie right on the cell's edges and seams, turned by odd angles, on
// a sharp source, where a pixel reading another copy than its image's shows. Bent, it makes them
// all: the plan took a pixel right on a bent seam of "PG" and "PMG" to another copy than its image.
TEST(TileRenderPaths, UnfeatheredTurnedRowsMatchTheReference) {
  CRowIteratorBands source;
  MakeBlocks(source, 480, false);
  for (int method :
       {keTilingP2, keTilingPG, keTilingPMG, keTilingPGG, keTilingCMM, keTilingP4, keTilingP4G}) {
    const int across = method == keTilingCMM ? -1 : 1;
    for (const LatticeCase& c : {LatticeCase{method, {8, 56}, {across * 48, -6}, 0, 0},
                                 LatticeCase{method, {-6, 45}, {across * 36, 4}, 17, 0},
                                 LatticeCase{method, {0, 64}, {across * 48, 0}, 30, 0}}) {
      for (const double bend : {0.0, 0.1}) {
        TileShape pick = UnbentPick(c.method, c.d1, c.d2, c.angle, c.feather);
        pick.seamK0 = pick.seamK2 = bend;
        pick.seamK1 = -bend;
        ExpectFastMatchesReference(source, pick, Described(pick) + " bent " + std::to_string(bend));
      }
    }
  }
}

// A grey tile whose rows are half made and half turned or glided from them: each row made is
// turned from the thread's own BGRA row, not from the grey one it was written to ("P6"'s into the
// rows repeating down too, the pixels on its cells' edges and diagonals planned into grey rows).
TEST(TileRenderPaths, GreyTilesTurnedFromTheRowsMadeMatchTheReference) {
  CRowIteratorBands blocks, source;
  MakeBlocks(blocks, 480, false);
  ASSERT_EQ(source.Create(480, 480, keFormatGrey).GetCode(), keErrorNone);
  for (int y = 0; y < 480; ++y) {
    const BYTE* row = blocks.LockRowPointer(y, 0, -1);
    for (int x = 0; x < 480; ++x)
      ASSERT_TRUE(
          source.SetPixel(x, y, CColorRef(row[4 * x + 1], row[4 * x + 1], row[4 * x + 1], 255, 0, 0)).Ok());
    blocks.UnlockRow(y);
  }
  const LatticeCase cases[] = {
      {keTilingP2, {0, 47}, {33, 0}, 17, 20},   {keTilingPG, {0, 48}, {34, 0}, 0, 5},
      {keTilingCMM, {0, 47}, {-33, 0}, 17, 20}, {keTilingP4G, {0, 48}, {34, 0}, 45, 50},
      {keTilingP6, {29, 53}, {58, 0}, 0, 5},    {keTilingP6, {29, 53}, {61, 1}, 30, 20}};
  for (const LatticeCase& c : cases) {
    const TileShape pick = UnbentPick(c.method, c.d1, c.d2, c.angle, c.feather);
    CRowIteratorBands reference, fast;
    Render(source, pick, CpuFeatures{}, reference);
    Render(source, pick, ProbeCpuFeatures(), fast);
    ASSERT_EQ(fast.GetFormat(), keFormatGrey) << Described(pick);
    ExpectWithinALevel(fast, reference, Described(pick));
  }
}

// The glide groups' two seams bent far both ways at narrow feathers, where their bulges come near
// each other: past a fifth each way (PMG, PGG) or three tenths (PG), and past them one way alone.
TEST(TileRenderPaths, GlideGroupsBentFarBothWaysAtNarrowFeathersMatchTheReference) {
  CRowIteratorBands source;
  MakeBlocks(source, 480, false);
  const struct {
    LatticeCase lattice;
    std::pair<double, double> bends[4];
  } cases[] = {
      {{keTilingPG, {0, 61}, {38, 0}, 0, 3}, {{0.4, 0.4}, {-0.36, 0.36}, {0.38, -0.35}, {0.3, 0.4}}},
      {{keTilingPG, {0, 61}, {97, 0}, 17, 0.5}, {{-0.4, -0.38}, {0.4, -0.3}, {0.4, 0.4}, {0.36, 0.36}}},
      {{keTilingPMG, {0, 29}, {97, 0}, 17, 0.5}, {{0.25, 0.25}, {-0.25, 0.25}, {0.2, 0.25}, {0.25, -0.22}}},
      {{keTilingPMG, {0, 32}, {128, 0}, 0, 3}, {{-0.25, -0.25}, {0.22, 0.24}, {0.25, 0.2}, {-0.23, 0.23}}},
      {{keTilingPGG, {0, 64}, {64, 0}, 0, 0.5}, {{0.25, 0.25}, {-0.25, 0.25}, {0.25, -0.2}, {-0.23, -0.25}}},
  };
  for (const auto& c : cases) {
    for (const auto& [k0, k1] : c.bends) {
      const LatticeCase& l = c.lattice;
      TileShape pick = UnbentPick(l.method, l.d1, l.d2, l.angle, l.feather);
      pick.seamK0 = pick.seamK2 = k0;
      pick.seamK1 = k1;
      ExpectFastMatchesReference(source, pick,
                                 Described(pick) + " bent " + std::to_string(k0) + "," + std::to_string(k1));
    }
  }
}

// A float sum errs by some part of the last place of its largest term: some thousands of pixels
// into the source, or on a seam turned by 45 degrees, whose pixels read a diagonal of the source
// with the same fraction in both coordinates, a position crossed a 256th of a pixel in both at
// once where the plan's did not, 2 levels off where every pixel has a colour of its own.
TEST(TileRenderPaths, PositionsFarIntoTheSourceAndOnDiagonalSeamsMatchTheReference) {
  struct Case {
    int method, size;
    std::uint32_t seed;
    POINT p0, d1, d2;
    int angle;
  } const cases[] = {
      {keTilingP4, 512, 1, {186, 185}, {0, 142}, {140, 0}, 45},
      {keTilingP4G, 512, 1, {186, 185}, {0, 142}, {140, 0}, 45},
      {keTilingP4, 4096, 3, {3796, 3796}, {0, 101}, {97, 0}, 17},
      {keTilingP4, 4096, 3, {3796, 3796}, {0, 101}, {97, 0}, 30},
  };
  CRowIteratorBands source;
  const Case* made = nullptr;
  for (const Case& c : cases) {
    if (!made || made->size != c.size || made->seed != c.seed) {
      ASSERT_TRUE(source.CreateBGRA(c.size, c.size).Ok());
      std::uint32_t noise = c.seed;
      for (int y = 0; y < c.size; ++y) {
        BYTE* row = source.LockRowPointer(y, 0, -1);
        for (int i = 0; i < 4 * c.size; ++i) {
          noise = noise * 1664525u + 1013904223u;
          row[i] = i % 4 == 3 ? 255 : BYTE(noise >> 24);
        }
        source.UnlockRow(y);
      }
      made = &c;
    }
    TileShape pick = UnbentPick(c.method, c.d1, c.d2, c.angle, 0);
    pick.p0 = pick.centre = c.p0;
    pick.p1 = {c.p0.x + c.d1.x, c.p0.y + c.d1.y};
    pick.p2 = {c.p0.x + c.d2.x, c.p0.y + c.d2.y};
    pick.area = {0, 0, c.size - 1, c.size - 1};
    ExpectFastMatchesReference(source, pick, Described(pick));
  }
}

// A source with clear parts: where a feather mixes two samples, one of them a hair from clear, the
// plan mixes its colour at full weight whatever its alpha, so that a partner cleared in one road
// and of alpha 1 in the other moved the mix by tens of levels.
TEST(TileRenderPaths, SourcesWithClearPartsMatchTheReferenceAsShown) {
  CRowIteratorBands source;
  MakeBlocks(source, 480, true);
  struct Case {
    int method;
    POINT d1, d2;
    int angle;
  };
  const Case cases[] = {
      {keTilingPMG, {0, 33}, {97, 0}, 17}, {keTilingP4, {0, 61}, {37, 0}, 30},
      {keTilingP3, {48, 82}, {95, 0}, 30}, {keTilingP3LM, {48, 82}, {95, 0}, 30},
      {keTilingP6, {48, 82}, {95, 0}, 30}, {keTilingPGG, {0, 64}, {64, 0}, 30},
  };
  for (const Case& c : cases) {
    const TileShape pick = UnbentPick(c.method, c.d1, c.d2, c.angle, 20);
    for (bool avx2 : {false, true}) {
      CpuFeatures features = ProbeCpuFeatures();
      features.avx2 = features.avx2 && avx2;
      CRowIteratorBands reference, fast;
      Render(source, pick, CpuFeatures{}, reference);
      Render(source, pick, features, fast);
      ExpectWithinALevelAsShown(fast, reference, Described(pick) + (avx2 ? " AVX2" : " SSE2"));
    }
  }
}

// The three-fold groups' unfeathered seam pixels are planned in AVX2 lanes by the plan's own
// operations: the AVX2 render gives the bytes of the SSE2 one, which plans them one by one.
TEST(TileRenderPaths, SeamPlansInLanesGiveThePlansBytes) {
  if (!ProbeCpuFeatures().avx2) GTEST_SKIP() << "no AVX2";
  CRowIteratorBands source;
  MakeGrainyWaves(source, 480);
  CpuFeatures sse2 = ProbeCpuFeatures();
  sse2.avx2 = false;
  for (int method : {keTilingP3, keTilingP3LM, keTilingP6}) {
    for (POINT d1 : {POINT{32, 55}, POINT{29, 53}, POINT{41, 50}, POINT{19, 58}}) {
      for (int angle : {0, 30, 211}) {
        TileShape pick = Unbent(Pick(method, 0, angle));
        pick.p1 = {pick.p0.x + d1.x, pick.p0.y + d1.y};
        pick.p2 = {pick.p0.x + 2 * d1.x + 3, pick.p0.y + 1};
        CRowIteratorBands tiles[2];
        Render(source, pick, sse2, tiles[0]);
        Render(source, pick, ProbeCpuFeatures(), tiles[1]);
        ExpectSameBytes(tiles[0], tiles[1],
                        std::string(FindTileGroup(method)->name) + " " + std::to_string(d1.x) + "," +
                            std::to_string(d1.y) + " angle " + std::to_string(angle));
      }
    }
  }
}

// The fold in sixteen lanes gives the positions and marks of eight, and the blend kernel in
// sixteen lanes the decisions of eight: the same bytes for every group at feathers 0 and 20 and
// turned, straight and bent either way.
TEST(TileRenderPaths, TheFoldInSixteenLanesGivesTheBytesOfEight) {
  if (!ProbeCpuFeatures().avx512) GTEST_SKIP() << "no AVX-512";
  CRowIteratorBands source;
  MakeGrainyWaves(source, 480);
  CpuFeatures eight = ProbeCpuFeatures();
  eight.avx512 = false;
  for (int method = 0; method < keTilingMethodCount; ++method) {
    for (double feather : {0.0, 20.0}) {
      for (int angle : {0, 30, 211}) {
        for (double bend : {0.0, 0.1, -0.1}) {
          const TileShape pick = BentPick(method, feather, angle, bend);
          CRowIteratorBands tiles[2];
          Render(source, pick, eight, tiles[0]);
          Render(source, pick, ProbeCpuFeatures(), tiles[1]);
          ExpectSameBytes(tiles[0], tiles[1], Described(pick) + " bent " + std::to_string(bend));
        }
      }
    }
  }
}

// The reference repeats a cell into a period many cells long; the fast render renders the period
// in one pass, and at the size the tile is used at, where the reference scales what it rendered.
TEST(TileRenderPaths, LongPeriodsAndTileSizesMatchTheReference) {
  CRowIteratorBands source;
  MakeGrainyWaves(source, 480);
  TileShape pick = Pick(keTilingP6M, 0, 30);
  pick.p1 = {pick.p0.x, pick.p0.y + 71};
  pick.p2 = {pick.p0.x + 41, pick.p0.y};
  CRowIteratorBands reference, fast;
  Render(source, pick, CpuFeatures{}, reference);
  Render(source, pick, ProbeCpuFeatures(), fast);
  EXPECT_GT(reference.Width() * reference.Height(), 8 * 41 * 71);
  ExpectWithinALevel(fast, reference, "long period");

  // Scaled by a whole factor, the scaled render samples where the reduced one averages.
  pick = Pick(keTilingP4M, 0, 0);
  for (int size : {50, 200}) {
    pick.tileSize = size;
    Render(source, pick, CpuFeatures{}, reference);
    Render(source, pick, ProbeCpuFeatures(), fast);
    EXPECT_EQ(fast.Width(), reference.Width()) << size;
    EXPECT_EQ(fast.Height(), reference.Height()) << size;
    // Still one period: it wraps as smoothly as it runs inside.
    const tile_symmetry::Steps steps = tile_symmetry::NeighbourSteps(fast);
    EXPECT_LE(steps.acrossEdges, steps.inside) << size;
  }
}

// Rows go to threads in runs; the fast render's rows, and the planned pixels of its bands and
// those mixed in doubles, depend on nothing else: not on the count of threads, nor on what the
// buffers the threads keep from render to render held for the render before, of another group,
// size or place in the source.
TEST(TileRenderPaths, OneTwoAndEightThreadsGiveTheSameBytes) {
  CRowIteratorBands source;
  MakeGrainyWaves(source, 480);
  std::vector<TileShape> picks;
  for (int method : {keTilingP1, keTilingP4, keTilingP6M, keTilingP6})
    picks.push_back(Unbent(Pick(method, 20, 30)));
  picks.push_back(Unbent(Pick(keTilingP3, 0, 0)));  // marks the pixels on its cell's edges alone
  picks.push_back(UnbentPick(keTilingP3LM, {128, 222}, {256, 0}, 90, 0));
  // Small, upright and picked elsewhere in the source: it mixes pixels in doubles about another
  // origin.
  TileShape small = UnbentPick(keTilingP4G, {0, 40}, {40, 0}, 0, 20);
  for (POINT* p : {&small.p0, &small.p1, &small.p2, &small.centre}) {
    p->x += 61;
    p->y += 83;
  }
  picks.push_back(small);
  // Each pick's bytes after a render of itself, on one thread, true to the plan: a buffer never
  // set up again would make them the same wrong bytes every time. Every render keeps what it
  // keeps in one cache, as the dialog's do.
  TileRenderCache cache;
  std::vector<CRowIteratorBands> settled(picks.size());
  {
    const RowThreads::ScopedCount one(1);
    for (std::size_t i = 0; i < picks.size(); ++i) {
      CRowIteratorBands first, reference;
      Render(source, picks[i], ProbeCpuFeatures(), first, &cache);
      Render(source, picks[i], ProbeCpuFeatures(), settled[i], &cache);
      Render(source, picks[i], CpuFeatures{}, reference);
      ExpectWithinALevel(settled[i], reference, Described(picks[i]));
    }
  }
  // Stepping through a prime count of picks by each step in turn puts each after every other.
  ASSERT_EQ(picks.size(), 7u);
  for (int count : {1, 2, 8}) {
    const RowThreads::ScopedCount threads(count);
    std::size_t before = picks.size() - 1;
    for (std::size_t step = 1; step < picks.size(); ++step) {
      for (std::size_t n = 0, i = 0; n < picks.size(); ++n, before = i, i = (i + step) % picks.size()) {
        CRowIteratorBands tile;
        Render(source, picks[i], ProbeCpuFeatures(), tile, &cache);
        ExpectSameBytes(tile, settled[i],
                        Described(picks[i]) + " after " + Described(picks[before]) + " on " +
                            std::to_string(count) + " threads");
      }
    }
  }
}

// What a render sets up before its rows is kept for the next render of the same inputs only: a
// shape after itself at another feather or angle, moved or from another picked area, gives the
// bytes it gives after another group.
TEST(TileRenderPaths, ARenderAfterItsShapeChangedGivesItsOwnBytes) {
  CRowIteratorBands source;
  MakeGrainyWaves(source, 480);
  const TileShape other = Unbent(Pick(keTilingP3, 20, 0));
  TileRenderCache cache;
  for (int method : {keTilingP6, keTilingP4G, keTilingP3LM}) {
    const TileShape pick = Unbent(Pick(method, 20, 30));
    std::vector<TileShape> changed(4, pick);
    changed[0].feather = 35;
    changed[1].angle = 17;
    for (POINT* p : {&changed[2].p0, &changed[2].p1, &changed[2].p2, &changed[2].centre}) {
      p->x += 7;
      p->y += 5;
    }
    changed[3].area = {9, 13, 479, 479};
    for (const TileShape& shape : changed) {
      CRowIteratorBands tile, pickAlone, shapeAlone, pickAfter, shapeAfter;
      Render(source, other, ProbeCpuFeatures(), tile, &cache);
      Render(source, pick, ProbeCpuFeatures(), pickAlone, &cache);
      Render(source, other, ProbeCpuFeatures(), tile, &cache);
      Render(source, shape, ProbeCpuFeatures(), shapeAlone, &cache);
      Render(source, pick, ProbeCpuFeatures(), pickAfter, &cache);
      Render(source, shape, ProbeCpuFeatures(), shapeAfter, &cache);
      ExpectSameBytes(pickAfter, pickAlone, Described(pick) + " after " + Described(shape));
      ExpectSameBytes(shapeAfter, shapeAlone, Described(shape) + " after " + Described(pick));
    }
  }
}

// The caller's cache only spares work: a render that takes what the same shape's render left
// there, one without a cache, one after the cache is dropped and two at once on one cache give
// the same bytes.
TEST(TileRenderPaths, ACacheChangesNoByte) {
  // Two renders at once read sources of their own: an image's bands are locked by one thread.
  CRowIteratorBands source, sameSource;
  MakeGrainyWaves(source, 480);
  MakeGrainyWaves(sameSource, 480);
  TileRenderCache cache;
  for (const TileShape& pick : {Unbent(Pick(keTilingP6, 20, 30)), Unbent(Pick(keTilingP3, 20, 17)),
                                Unbent(Pick(keTilingP3LM, 0, 0)), Pick(keTilingP2, 20, 30)}) {
    CRowIteratorBands first, again, alone, dropped, atOnce[2];
    Render(source, pick, ProbeCpuFeatures(), first, &cache);
    Render(source, pick, ProbeCpuFeatures(), again, &cache);
    Render(source, pick, ProbeCpuFeatures(), alone);
    EXPECT_TRUE(cache.Holds());
    cache.Drop();
    EXPECT_FALSE(cache.Holds());
    Render(source, pick, ProbeCpuFeatures(), dropped, &cache);
    {
      // The processor's own record: an override is the process's, not a thread's.
      TileShape shapes[2] = {pick, pick};
      CoreResult made[2];
      std::thread other([&] { made[1] = GenerateTile(nullptr, sameSource, shapes[1], atOnce[1], &cache); });
      made[0] = GenerateTile(nullptr, source, shapes[0], atOnce[0], &cache);
      other.join();
      for (CoreResult& result : made) ASSERT_EQ(result.GetCode(), keErrorNone);
    }
    const std::string what = Described(pick);
    ExpectSameBytes(again, first, what + " again");
    ExpectSameBytes(alone, first, what + " without a cache");
    ExpectSameBytes(dropped, first, what + " after a drop");
    for (CRowIteratorBands& tile : atOnce) ExpectSameBytes(tile, first, what + " two at once");
  }
}

// Renders whose caller gives no cache share one the module keeps: the buffers the rows' threads
// made are not let go of at the end of every render, and the next render finds them.
TEST(TileRenderPaths, RendersWithoutACacheKeepTheirBuffersForTheNext) {
  CRowIteratorBands source;
  MakeGrainyWaves(source, 480);
  TileRenderCache& kept = detail::CacheOfRendersWithoutOne();
  kept.Drop();
  const RowThreads::ScopedCount threads(4);
  const TileShape pick = Unbent(Pick(keTilingP1, 20, 30));
  auto keptRows = [&] {
    std::unique_ptr<detail::KeptBetweenRenders> set = kept.Take();
    const void* rows = set->threadRows.empty() ? nullptr : set->threadRows[0].positions.data();
    kept.GiveBack(std::move(set));
    return rows;
  };
  CRowIteratorBands first, second;
  Render(source, pick, ProbeCpuFeatures(), first);
  const void* rows = keptRows();
  ASSERT_NE(rows, nullptr);
  Render(source, pick, ProbeCpuFeatures(), second);
  EXPECT_EQ(keptRows(), rows);
  ExpectSameBytes(second, first, Described(pick) + " again");
}

// A picked area copied from a source of another format, and a source whose rows lie as the render
// reads them, are read in place: the same bytes as the window's copy of our own banded rows.
TEST(TileRenderPaths, AreasReadInPlaceGiveTheBytesOfTheCopiedWindow) {
  const int size = 480;
  CRowIteratorBands banded, bgr, spread;
  MakeGrainyWaves(banded, size);
  ASSERT_TRUE(bgr.CreateBGR(size, size).Ok());
  for (int y = 0; y < size; ++y) {
    const BYTE* from = banded.LockRowPointer(y, 0, -1);
    BYTE* to = bgr.LockRowPointer(y, 0, -1);
    for (int x = 0; x < size; ++x) std::memcpy(to + 3 * x, from + 4 * x, 3);
    banded.UnlockRow(y);
    bgr.UnlockRow(y);
  }
  const std::intptr_t pitch = SpreadPitch(std::int64_t{size} * 4);
  std::vector<BYTE> pixels(std::size_t(pitch) * size);
  ASSERT_TRUE(spread.CreateView(size, size, pixels.data(), pitch, keFormatBGRA).Ok());
  ASSERT_TRUE(CRowIteratorBands::CopyPixels(spread, banded).Ok());
  for (const auto& [method, feather] :
       {std::pair{keTilingP1, 0}, {keTilingP4, 20}, {keTilingP6, 20}, {keTilingP3, 0}, {keTilingP6, 0}}) {
    TileShape pick = Unbent(Pick(method, feather, 30));
    CRowIteratorBands tiles[3];
    Render(banded, pick, ProbeCpuFeatures(), tiles[0]);
    Render(bgr, pick, ProbeCpuFeatures(), tiles[1]);
    Render(spread, pick, ProbeCpuFeatures(), tiles[2]);
    for (int i = 1; i < 3; ++i) {
      ASSERT_EQ(tiles[i].Width(), tiles[0].Width());
      ASSERT_EQ(tiles[i].Height(), tiles[0].Height());
      for (int y = 0; y < tiles[0].Height(); ++y) {
        ASSERT_EQ(std::memcmp(tiles[i].LockRowPointer(y, 0, -1), tiles[0].LockRowPointer(y, 0, -1),
                              4 * std::size_t(tiles[0].Width())),
                  0)
            << method << " source " << i << " row " << y;
        tiles[0].UnlockRow(y);
        tiles[i].UnlockRow(y);
      }
    }
  }
}

// A grey source gives a grey tile: the BGRA tile of the same picture made grey, which loses
// nothing, as that tile's pixels are grey and opaque. Along every road a tile takes: fast or
// planned, bent, feathered, turned, scaled, repeated from a cell, on one thread or eight.
TEST(TileRenderPaths, AGreySourceGivesTheBgraTileMadeGrey) {
  CRowIteratorBands colour, grey, bgra;
  MakeGrainyWaves(colour, 480);
  ASSERT_EQ(grey.CreateGrey(480, 480).GetCode(), keErrorNone);
  ASSERT_EQ(bgra.CreateBGRA(480, 480).GetCode(), keErrorNone);
  for (int y = 0; y < 480; ++y) {
    const BYTE* from = colour.LockRowPointer(y, 0, -1);
    BYTE* level = grey.LockRowPointer(y, 0, -1);
    BYTE* pixel = bgra.LockRowPointer(y, 0, -1);
    for (int x = 0; x < 480; ++x) {
      level[x] = from[4 * x + 1];
      std::memset(pixel + 4 * x, level[x], 3);
      pixel[4 * x + 3] = 255;
    }
    colour.UnlockRow(y);
    grey.UnlockRow(y);
    bgra.UnlockRow(y);
  }
  std::vector<std::pair<TileShape, std::string>> picks;
  for (int method : {keTilingP1, keTilingPG, keTilingP4M, keTilingP3, keTilingP6M}) {
    for (double feather : {0.0, 20.0}) {
      for (int angle : {0, 30}) {
        for (double bend : {0.1, 0.0}) {
          TileShape pick = BentPick(method, feather, angle, bend);
          pick.tileSize = angle == 0 ? 100 : feather == 0 ? 60 : 150;
          picks.emplace_back(pick, std::string(FindTileGroup(method)->name) + " feather " +
                                       std::to_string(int(feather)) + " angle " + std::to_string(angle) +
                                       " bend " + std::to_string(bend));
        }
      }
    }
  }
  TileShape longPeriod = Pick(keTilingP6M, 0, 30);  // repeated from its cell by the plan in doubles
  longPeriod.p1 = {longPeriod.p0.x, longPeriod.p0.y + 71};
  longPeriod.p2 = {longPeriod.p0.x + 41, longPeriod.p0.y};
  picks.emplace_back(longPeriod, "long period");
  for (const auto& [pick, name] : picks) {
    for (const CpuFeatures& features : {CpuFeatures{}, ProbeCpuFeatures()}) {
      const std::string what = name + (features.sse2 ? " fast" : " planned");
      CRowIteratorBands fromBgra, fromGrey[2];
      Render(bgra, pick, features, fromBgra);
      for (int i = 0; i < 2; ++i) {
        const RowThreads::ScopedCount threads(i == 0 ? 1 : 8);
        Render(grey, pick, features, fromGrey[i]);
        ASSERT_EQ(fromGrey[i].GetFormat(), keFormatGrey) << what;
      }
      ASSERT_EQ(fromBgra.GetFormat(), keFormatBGRA) << what;
      ASSERT_EQ(fromGrey[0].Width(), fromBgra.Width()) << what;
      ASSERT_EQ(fromGrey[0].Height(), fromBgra.Height()) << what;
      for (int y = 0; y < fromBgra.Height(); ++y) {
        const BYTE* expected = fromBgra.LockRowPointer(y, 0, -1);
        for (CRowIteratorBands& tile : fromGrey) {
          const BYTE* row = tile.LockRowPointer(y, 0, -1);
          for (int x = 0; x < fromBgra.Width(); ++x) {
            const BYTE* pixel = expected + 4 * x;
            ASSERT_TRUE(pixel[0] == pixel[1] && pixel[1] == pixel[2] && pixel[3] == 255) << what;
            ASSERT_EQ(row[x], pixel[0]) << what << " at " << x << "," << y;
          }
          tile.UnlockRow(y);
        }
        fromBgra.UnlockRow(y);
      }
    }
  }
}

}  // namespace
}  // namespace corvel
