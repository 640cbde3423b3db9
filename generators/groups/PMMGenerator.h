// The tile generator of the group "PMM": mirrors across u = 0.5 and v = 0.5 of a rectangular
// cell. The picked area is the quarter at the lattice origin; the mirror lines need no blending,
// so the plain worker renders it and the feather is not read.
#pragma once
#include "generators/detail/FoldProgram.h"
#include "generators/detail/TileGenerator.h"
#include "generators/groups/CellMirrors.h"

namespace corvel {

class PMMGenerator : public TileGenerator {
 public:
  // "PM"'s mirror of the upper half onto the lower, then of the right half onto the left.
  static Point2D Fold(Point2D uv) { return MirrorAcrossHalfU(MirrorAcrossHalfV(uv)); }
  // The same as the program's steps.
  static void AddFoldSteps(detail::FoldProgram& program) {
    AddMirrorAcrossHalfV(program);
    AddMirrorAcrossHalfU(program);
  }
  Point2D MapPoint(const Point2D& p) const override;
  bool DescribeFold(detail::FoldProgram& program) const override;
  int Generate(CProgressMeter* meter) override;
  void ComputeOrigin() override { ComputeOriginFromLattice(); }
};

}  // namespace corvel
