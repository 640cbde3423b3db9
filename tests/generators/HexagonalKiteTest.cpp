// The kite "P3LM" and "P6" share once folded: its clamps, the carry across its second seam and
// the maps between cell and source.
#include <gtest/gtest.h>

#include "generators/groups/P3LMKite.h"
#include "generators/groups/P6Kite.h"

namespace corvel {
namespace {

void Prepare(TileGenerator& g, POINT a, POINT b, POINT c, POINT d) {
  g.basisA = a;
  g.basisB = b;
  g.basisC = c;
  g.basisD = d;
  g.PrepareLattice();
}

TEST(HexagonalKite, ClampsOntoItsEdges) {
  TileGenerator g;
  Prepare(g, {256, 0}, {128, 222}, {256, 0}, {128, 222});
  const P6Kite kite(g);
  const struct {
    Point2D folded, clamped;
  } cases[] = {
      {{0.1, 0.1}, {0.1, 0.1}},    // inside: unchanged
      {{0.6, -0.1}, {0.5, 0}},     // past the axes and (0.5, 0)
      {{-0.2, 0.7}, {0, 0.5}},     // past (0, 0.5)
      {{0.3, 0.45}, {0.3, 0.35}},  // above both edges from G: onto the lower, u + 2v = 1
      {{0.4, 0.3}, {0.4, 0.2}},    // above 2u + v = 1 only
  };
  for (const auto& c : cases) {
    const Point2D clamped = kite.Clamped(c.folded);
    EXPECT_NEAR(clamped.x, c.clamped.x, 1e-12) << c.folded.x << ", " << c.folded.y;
    EXPECT_NEAR(clamped.y, c.clamped.y, 1e-12) << c.folded.x << ", " << c.folded.y;
  }
}

// A position on the seam from G to (0, 0.5) is carried onto the seam from G to (0.5, 0), which the
// turn about G glues to it; one inside stays. On a source lattice turned and shifted by half a
// feather, ToCell undoes the source map.
TEST(HexagonalKite, CarriesAcrossTheSecondSeamOntoTheFirst) {
  TileGenerator g;
  Prepare(g, {256, 0}, {128, 222}, {222, 128}, {0, 256});
  const P6Kite p6(g, 0.02, 0.03);
  const P3LMKite p3lm(g, 0.02, 0.03);
  for (const HexagonalKite* kite :
       {static_cast<const HexagonalKite*>(&p6), static_cast<const HexagonalKite*>(&p3lm)}) {
    for (double t = 0.1; t < 1; t += 0.2) {
      const Point2D onM(1.0 / 3 - t / 3, 1.0 / 3 + t / 6), onK(1.0 / 3 + t / 6, 1.0 / 3 - t / 3);
      const Point2D carried = kite->Carried(onM);
      EXPECT_NEAR(carried.x, onK.x, 2e-3) << t;
      EXPECT_NEAR(carried.y, onK.y, 2e-3) << t;
      const Point2D inside(0.2 * t, 0.1 * t);
      EXPECT_EQ(kite->Carried(inside).x, inside.x);
      const Point2D back = kite->ToCell(kite->Source()(onK));
      EXPECT_NEAR(back.x, onK.x, 1e-12);
      EXPECT_NEAR(back.y, onK.y, 1e-12);
    }
  }
}

}  // namespace
}  // namespace corvel
