// The quarter turns' folds in AVX2 lanes against the doubles they stand for, on random cell
// positions and on and about the lines where the doubles take a point to one copy or another,
// bit for bit.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "core/CpuFeatures.h"
#include "generators/groups/QuarterTurn.h"

namespace corvel {
namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::vector<Point2D> CellPositions() {
  std::mt19937 random(48);
  std::uniform_real_distribution<double> unit(0, 1);
  std::vector<Point2D> cells;
  for (int i = 0; i < 4000; ++i) cells.push_back({unit(random), unit(random)});
  // Within the tolerance of a quarter's border and beyond it, and at the cell's edges.
  const double near[] = {0,   1e-9,       0.1,        0.25,       0.5 - 2e-8, 0.5 - 5e-9,
                         0.5, 0.5 + 5e-9, 0.5 + 1e-8, 0.5 + 2e-8, 0.75,       1 - 1e-12};
  for (double u : near) {
    for (double v : near) cells.push_back({u, v});
    for (double off : {-2e-8, -5e-9, 0.0, 5e-9, 2e-8}) cells.push_back({u, 0.5 - u + off});  // the diagonal
  }
  return cells;
}

TEST(QuarterTurnLanes, FoldOntoTheQuarterAsTheDoublesDo) {
  if (!ProbeCpuFeatures().avx2) GTEST_SKIP() << "no AVX2";
  const std::vector<Point2D> cells = CellPositions();
  const struct {
    const char* name;
    void (*lanes)(double*, double*);
    Point2D (*doubles)(Point2D);
  } folds[] = {{"turned", FoldQuartersAvx2, QuarterTurn::OntoQuarter},
               {"mirrored", FoldQuartersMirroredAvx2, QuarterTurn::OntoQuarterMirrored}};
  for (const auto& fold : folds) {
    for (std::size_t i = 0; i + 4 <= cells.size(); i += 4) {
      double u[4], v[4];
      for (int k = 0; k < 4; ++k) u[k] = cells[i + k].x, v[k] = cells[i + k].y;
      fold.lanes(u, v);
      for (int k = 0; k < 4; ++k) {
        const Point2D expected = fold.doubles(cells[i + k]);
        ASSERT_TRUE(SameBits(u[k], expected.x) && SameBits(v[k], expected.y))
            << fold.name << " at " << cells[i + k].x << "," << cells[i + k].y << ": " << u[k] << "," << v[k]
            << " against " << expected.x << "," << expected.y;
      }
    }
  }
}

}  // namespace
}  // namespace corvel
