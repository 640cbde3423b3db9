// The tile generator of the group "P3ML": the turns of "P3" and a mirror across the line
// through A and B, so that every pixel lands on one triangle of the P3 rhombus. Mirrors need no
// blending: the plain worker renders it, and the feather is not read.
#pragma once
#include "generators/groups/P3Generator.h"
#include "generators/groups/P3Rhombus.h"

namespace corvel {

class P3MLGenerator : public P3Generator {
 public:
  // The mirror of the current lattice.
  void SetAnchor() override;
  // The area grown by a pixel on every side, so that the bilinear taps at its edges read the
  // source beyond them; outside the source the nearest edge pixel stands in.
  CoreResult TakeSourceArea(CRowIteratorBands& source, int anchorX, int anchorY, double featherPercent,
                            const RECT& area) override;
  // P3's turns, then the mirror onto the side of the line through A and B with smaller y.
  Point2D MapPoint(const Point2D& p) const override { return Fold(P3Rhombus(*this), p); }
  bool DescribeFold(detail::FoldProgram& program) const override;
  int Generate(CProgressMeter* meter) override;
  void SetFeather(double percentage) override { TileGenerator::SetFeather(percentage); }

 private:
  Point2D Fold(const P3Rhombus& rhombus, const Point2D& p) const;

  Line2D mirror_;
};

}  // namespace corvel
