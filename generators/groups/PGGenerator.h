// The tile generator of the group "PG": one family of glide reflections, half a cell along A
// while mirroring across v = 0.5. The picked area is the half cell u <= 0.5; the glide seams
// u = 0 and u = 0.5 (bent by the second seam curve) and the translation seams v = 0 and v = 1
// (bent by the first) are feathered (PGSeams, PGPlan).
#pragma once
#include "generators/detail/FoldProgram.h"
#include "generators/detail/TileGenerator.h"

namespace corvel {

class PGGenerator : public TileGenerator {
 public:
  // The far half of the cell glides back: u beyond 0.5 (by the tolerance) becomes u - 0.5 with v
  // mirrored.
  static Point2D Fold(Point2D uv) {
    if (CompareWithTolerance(uv.x, 0.5) == 1) uv = {uv.x - 0.5, 1 - uv.y};
    return uv;
  }
  // The same as the program's step.
  static void AddFoldStep(detail::FoldProgram& program);
  // A pixel right on a hard seam shows the side that every copy of it shows: the glide takes the
  // edge u = 0.5 to u = 0, the translation along B the edge v = 1 to v = 0.
  static Point2D OntoGlideStart(Point2D uv);
  // The same as the program's last steps, which take such a pixel there whichever side the step
  // took it to.
  static void AddGlideStartSteps(detail::FoldProgram& program);
  Point2D MapPoint(const Point2D& p) const override;
  int Generate(CProgressMeter* meter) override;
  void ComputeOrigin() override;
  void SetFeather(double percentage) override { SetFeatherUV(percentage); }
};

}  // namespace corvel
