// The tile generator of the group "P3": three-fold turns about the lattice points and the two
// anchors A/3 + 2B/3 and 2A/3 + B/3 of a hexagonal cell. The fundamental region is the rhombus
// 0, anchor2, A + B, anchor1, a third of the cell (P3Rhombus). The worker measures it in the
// centre frame, in which it is the unit square; its edges, bent in pairs by the two seam curves,
// are blended with two samples, the anchors with three and the corners 0 and A + B with six
// (P3Seams, P3Plan).
#pragma once
#include "generators/detail/TileGenerator.h"

namespace corvel {

class P3Generator : public TileGenerator {
 public:
  // The four triangles of the cell outside the rhombus turned onto it about the anchors.
  Point2D MapPoint(const Point2D& p) const override;
  int Generate(CProgressMeter* meter) override;
  // Past a negative A.x; otherwise where A points up.
  void ComputeOrigin() override;
  void SetFeather(double percentage) override { SetFeatherUV(percentage); }
};

}  // namespace corvel
