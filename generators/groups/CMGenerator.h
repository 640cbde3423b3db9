// The tile generator of the group "CM": the mirror across the cell's diagonal u = v. The
// fundamental region is the triangle (0, 0), (1, 0), (1, 1); its bottom edge and right edge are
// one seam, which the first seam curve bends and the feather blends, and its three corners, one
// lattice point, blend the three copies that meet there (CMSeams, CMPlan).
#pragma once
#include "generators/detail/FoldProgram.h"
#include "generators/detail/TileGenerator.h"
#include "generators/groups/CellMirrors.h"

namespace corvel {

class CMGenerator : public TileGenerator {
 public:
  // (u, v) with v >= u becomes (v, u).
  static Point2D Fold(Point2D uv) { return MirrorAcrossDiagonal(uv); }
  // The same as the program's step.
  static void AddFoldStep(detail::FoldProgram& program) { AddMirrorAcrossDiagonal(program); }
  // Folds the cell onto its half below the diagonal from (0, 0) to (1, 1). The result is a
  // plane point without origin.
  Point2D MapPoint(const Point2D& p) const override;
  int Generate(CProgressMeter* meter) override;
  void ComputeOrigin() override { ComputeOriginFromLattice(); }
  void SetFeather(double percentage) override { SetFeatherUniform(percentage); }
};

}  // namespace corvel
