// The tile generator of the group "CMM": mirrors across both diagonals of the cell and half
// turns about the midpoints of its edges. The fundamental region is the triangle (0, 0), (1, 0),
// (0.5, 0.5); its one seam, the bottom edge, is mapped onto itself end for end by the half turn
// about (0.5, 0), bent by an S-shaped curve and feathered (CMMSeams, CMMPlan).
#pragma once
#include "generators/detail/FoldProgram.h"
#include "generators/detail/TileGenerator.h"
#include "generators/groups/CellMirrors.h"

namespace corvel {

class CMMGenerator : public TileGenerator {
 public:
  // Mirrored across u = v as "CM" is, then across u + v = 1.
  static Point2D Fold(Point2D uv) {
    uv = MirrorAcrossDiagonal(uv);
    if (1 - uv.x <= uv.y) uv = {1 - uv.y, 1 - uv.x};
    return uv;
  }
  // The same as the program's steps.
  static void AddFoldSteps(detail::FoldProgram& program);
  // The half turn about the seam's middle (0.5, 0), which maps the seam onto itself end for end.
  static constexpr detail::LatticeAffine kSeamHalfTurn{-1, 0, 1, 0, -1, 0};
  // Glued to itself by that half turn, the seam shows its first half in every copy of a pixel
  // right on it.
  static Point2D OntoFirstHalf(Point2D uv);
  // The same as the program's last step, which takes such a pixel there whichever side the fold
  // took it to.
  static void AddFirstHalfStep(detail::FoldProgram& program);
  Point2D MapPoint(const Point2D& p) const override;
  int Generate(CProgressMeter* meter) override;
  // The lattice origin in the box of the rhombus 0, A, B, A + B.
  void ComputeOrigin() override;
  void SetFeather(double percentage) override { SetFeatherUniform(percentage); }
};

}  // namespace corvel
