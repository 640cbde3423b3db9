#include "generators/groups/P6MTriangle.h"

namespace corvel {

namespace {

// The steps' sides in lattice coordinates.
const Line2D kShortDiagonal({0, 1}, {1, 0}), kDiagonal({0, 0}, {1, 1}), kSteep({0, 0}, {0.5, 1}),
    kFlat({0, 0.5}, {1, 1});

}  // namespace

P6MTriangle::P6MTriangle(const TileGenerator& generator)
    : generator_(generator),
      anchor_(generator.LatticeToPlane(0.5, 0.5)),
      diagonalMirror_(generator.LatticeToPlane(0, 0), generator.LatticeToPlane(1, 1)),
      steepMirror_(generator.LatticeToPlane(0, 0), generator.LatticeToPlane(0.5, 1)),
      flatMirror_(generator.LatticeToPlane(0, 0.5), generator.LatticeToPlane(1, 1)) {}

template <class Take>
void P6MTriangle::ForEachStep(Take&& take) const {
  take(kShortDiagonal, true, [this](const Point2D& q) { return q.HalfTurn(anchor_); });
  take(kDiagonal, false, [this](const Point2D& q) { return q.Reflect(diagonalMirror_); });
  take(kSteep, false, [this](const Point2D& q) { return q.Reflect(steepMirror_); });
  take(kFlat, false, [this](const Point2D& q) { return q.Reflect(flatMirror_); });
}

Point2D P6MTriangle::Fold(const Point2D& p) const {
  Point2D q = p, uv = generator_.PlaneToLattice(q.x, q.y);
  ForEachStep([&](const Line2D& side, bool above, auto&& planeMap) {
    const bool below = CompareWithTolerance(uv.y, side.YAt(uv.x)) == -1;
    if (below == above) return;
    q = planeMap(q);
    uv = generator_.PlaneToLattice(q.x, q.y);
  });
  return q;
}

Point2D P6MTriangle::PixelOnTriangle(int x, int y) const {
  const Point2D q = Fold(generator_.WrapToCell(x, y));
  return generator_.PlaneToLattice(q.x, q.y);
}

void P6MTriangle::AddSteps(detail::FoldProgram& program) const {
  ForEachStep([&](const Line2D& side, bool above, auto&& planeMap) {
    program.AddByLine(side, above, detail::InLattice(generator_, planeMap));
  });
}

detail::P6MPlanLanes P6MTriangle::Lanes() const {
  using detail::LaneLineOf;
  return {detail::LaneLatticeOf(generator_),
          LaneLineOf(kShortDiagonal),
          LaneLineOf(kDiagonal),
          LaneLineOf(kSteep),
          LaneLineOf(kFlat),
          LaneLineOf(diagonalMirror_),
          LaneLineOf(steepMirror_),
          LaneLineOf(flatMirror_),
          anchor_};
}

}  // namespace corvel
