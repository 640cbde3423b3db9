// "P6M"'s fundamental region, the triangle (0, 0.5), (0, 1), (1/3, 2/3), a twelfth of the cell,
// and how a point of the cell comes onto it: a half turn about the cell's centre and three
// mirrors, each taken on one side of a line, listed once for the fold in doubles and the program's
// steps.
#pragma once
#include "generators/Geometry.h"
#include "generators/detail/FoldProgram.h"
#include "generators/detail/TileGenerator.h"
#include "generators/groups/HexagonalPlans.h"

namespace corvel {

class P6MTriangle {
 public:
  // On the generator's prepared lattice, which must outlive it.
  explicit P6MTriangle(const TileGenerator& generator);

  // A plane point of the cell onto the triangle. The sides are tested in lattice coordinates; the
  // turn and the mirrors act in the plane, so that a lattice that is hexagonal only up to rounding
  // still folds by true reflections. Within the tolerance of a line a point stays.
  Point2D Fold(const Point2D& p) const;
  // Pixel (x, y) folded, in lattice coordinates: where the plan takes its one sample.
  Point2D PixelOnTriangle(int x, int y) const;
  // The same as the program's steps.
  void AddSteps(detail::FoldProgram& program) const;
  // What PlanP6MAvx2 reads to plan as PixelOnTriangle does; the lattice must have a lane lattice.
  detail::P6MPlanLanes Lanes() const;

 private:
  // take(side, above, planeMap) for each step in order, taken above the side's line or below it:
  // the half turn beyond u + v = 1, then the mirrors below v = u, v = 2u and v = 0.5 + 0.5u.
  template <class Take>
  void ForEachStep(Take&& take) const;

  const TileGenerator& generator_;
  Point2D anchor_;                                    // the cell's centre, on the plane
  Line2D diagonalMirror_, steepMirror_, flatMirror_;  // on the plane
};

}  // namespace corvel
