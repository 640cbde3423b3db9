#include "generators/groups/P6Kite.h"

namespace corvel {

namespace {

constexpr double kOneThird = 1.0 / 3;

}  // namespace

const Line2D P6Kite::kShortDiagonal({1, 0}, {0, 1}), P6Kite::kMedian1({0.5, 0}, {0, 1}),
    P6Kite::kThird({kOneThird, 0}, {kOneThird, 1}), P6Kite::kMedian2({1, 0}, {0, 0.5});

Point2D P6Kite::Fold(Point2D uv) const {
  if (CompareWithTolerance(uv.y, kShortDiagonal.YAt(uv.x)) != -1) uv = uv.HalfTurn({0.5, 0.5});
  const bool belowMedian1 = CompareWithTolerance(uv.y, kMedian1.YAt(uv.x)) == -1;
  if (belowMedian1 && CompareWithTolerance(uv.y, kMedian2.YAt(uv.x)) == -1) return uv;
  // B's kite lies on or above u + 2v = 1 below the first median, and above the diagonal (the
  // vertical third answers u) beyond it; the rest is A's.
  const bool kiteOfB = belowMedian1 || CompareWithTolerance(uv.y, kThird.YAt(uv.x)) == 1;
  return TurnedAboutG(uv, !kiteOfB);
}

void P6Kite::AddSteps(detail::FoldProgram& program) const {
  using detail::Beside;
  using detail::HalfPlane;
  const detail::LatticeAffine minus120 = TurnAboutG(false), plus120 = TurnAboutG(true);
  program.AddByLine(kShortDiagonal, true, detail::LatticeAffine{-1, 0, 1, 0, -1, 1});
  // Both corners about G that turn by -120 degrees, either side of 2u + v = 1, in one step: one
  // test fewer for every pixel.
  program.AddInCorner(Beside(kMedian2), true, HalfPlane{1, -1, 0}, minus120, false);
  program.AddInCorner(Beside(kMedian1), true, HalfPlane{-1, 1, 0}, plus120, false);
}

detail::P6PlanLanes P6Kite::Lanes(double near) const {
  return {HexagonalKite::Lanes(near), detail::LaneLineOf(kShortDiagonal), detail::LaneLineOf(kThird),
          sixFold_};
}

}  // namespace corvel
