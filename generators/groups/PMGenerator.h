// The tile generator of the group "PM": mirrors across v = 0 and v = 0.5 of a rectangular cell.
// The picked area is the half cell next to the lattice origin; copies of the cell meet along A
// at u = 0 and u = 1, a seam that the first seam curve bends and the feather blends (PMSeams,
// PMPlan).
#pragma once
#include "generators/detail/FoldProgram.h"
#include "generators/detail/TileGenerator.h"
#include "generators/groups/CellMirrors.h"

namespace corvel {

class PMGenerator : public TileGenerator {
 public:
  // The upper half of the cell mirrored onto the lower: v >= 0.5 becomes 1 - v.
  static Point2D Fold(Point2D uv) { return MirrorAcrossHalfV(uv); }
  // The same as the program's step.
  static void AddFoldSteps(detail::FoldProgram& program) { AddMirrorAcrossHalfV(program); }
  Point2D MapPoint(const Point2D& p) const override;
  int Generate(CProgressMeter* meter) override;
  void ComputeOrigin() override;
  void SetFeather(double percentage) override { SetFeatherUV(percentage); }
};

}  // namespace corvel
