// The tile generator of the group "P3": three-fold turns about the lattice points and the two
// anchors A/3 + 2B/3 and 2A/3 + B/3 of a hexagonal cell. The fundamental region is the rhombus
// 0, anchor2, A + B, anchor1, a third of the cell. The worker measures it in the centre frame, in
// which it is the unit square; its edges, bent in pairs by the two seam curves, are blended
// with two samples, the anchors with three and the corners 0 and A + B with six.
#pragma once
#include "generators/detail/TileGenerator.h"

namespace corvel {

class P3Generator : public TileGenerator {
 public:
  // The anchors of the current lattice.
  void SetAnchor() override;
  // The four triangles of the cell outside the rhombus turned onto it about the anchors.
  Point2D MapPoint(const Point2D& p) const override { return Fold(p); }
  int Generate(CProgressMeter* meter) override;
  // Past a negative A.x; otherwise where A points up.
  void ComputeOrigin() override;
  void SetFeather(double percentage) override { SetFeatherUV(percentage); }

 protected:
  Point2D Fold(const Point2D& p) const;
  // Fold's turns as fold program steps, each triangle tested where the position started.
  // Each turn taken only as far as `strict` past its lines, as the plan keeps a position within
  // its tolerance of one.
  void AddTurnSteps(detail::FoldProgram& program, double strict = 0) const;

  Point2D anchor1, anchor2;
};

}  // namespace corvel
