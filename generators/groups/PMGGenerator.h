// The tile generator of the group "PMG". A cell is one picked width across and four picked
// heights down: the strip v <= 0.25 is the picked area, the next strip its mirror image across
// v = 0.25, the other half the half turn of both about (0.5, 0.5). The translation seams u = 0
// and u = 1 bend by the second seam curve, the half-turn seam v = 0 by an S-shaped curve of the
// first; both are feathered. The mirror line is never blended (PMGSeams, PMGPlan).
#pragma once
#include "generators/detail/FoldProgram.h"
#include "generators/detail/TileGenerator.h"
#include "generators/groups/CellHalfTurn.h"

namespace corvel {

class PMGGenerator : public TileGenerator {
 public:
  // The upper half turned about (0.5, 0.5), then the second strip mirrored onto the first.
  static Point2D Fold(Point2D uv) {
    uv = TurnUpperHalf(uv);
    if (uv.y >= 0.25) uv.y = 0.5 - uv.y;
    return uv;
  }
  // The same as the program's steps.
  static void AddFoldSteps(detail::FoldProgram& program);
  // A pixel right on a hard seam of the strip shows the side that every copy of it shows: the
  // half turn about (0.5, 0) glues the bottom edge to itself, the translation along A u = 1 to 0.
  static Point2D OntoFirstCopy(Point2D uv);
  // The same as the program's last steps, which take such a pixel there whichever side the steps
  // took it to.
  static void AddFirstCopySteps(detail::FoldProgram& program);
  Point2D MapPoint(const Point2D& p) const override;
  // Quarters feather2 in place: from then on it is the width of each half-turn seam's band in
  // units of v.
  int Generate(CProgressMeter* meter) override;
  void ComputeOrigin() override { ComputeOriginFromLattice(); }
  void SetFeather(double percentage) override { SetFeatherUV(percentage); }
};

}  // namespace corvel
