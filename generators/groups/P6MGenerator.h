// The tile generator of the group "P6M": the hexagonal cell folded by a half turn about its
// centre and three mirrors onto the triangle (0, 0.5), (0, 1), (1/3, 2/3), a twelfth of the
// cell. Every edge of it lies on a mirror, so the plain worker renders it without blending and
// the feather is not read.
#pragma once
#include "generators/detail/TileGenerator.h"

namespace corvel {

class P6MGenerator : public TileGenerator {
 public:
  P6MGenerator();

  // The cell centre and the three mirrors through it, in the plane of the prepared lattice.
  void SetAnchor() override;
  // The sides are tested in lattice coordinates; the turn and the mirrors act in the plane, so
  // that a lattice that is hexagonal only up to rounding still folds by true reflections.
  Point2D MapPoint(const Point2D& p) const override;
  bool DescribeFold(detail::FoldProgram& program) const override;
  int Generate(CProgressMeter* meter) override;
  // Where the tile starts in the box of the cell: below a rising A, or past a negative A.x.
  void ComputeOrigin() override;

 private:
  Point2D anchor_;
  Line2D diagonalMirror_, steepMirror_, flatMirror_;  // in the plane
  // Side tests in lattice coordinates: u + v = 1, v = u, v = 2u and v = 0.5 + 0.5u.
  Line2D shortDiagonal_, diagonal_, steep_, flat_;
};

}  // namespace corvel
