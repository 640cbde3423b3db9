// The tile generator of the group "P3LM": a mirror across the line through A and B and
// three-fold turns about the centroid of the triangle 0, A, B. Every pixel lands on the kite of
// that triangle at the origin; the two kite edges that leave the centroid are seams, bent by
// the first seam curve and feathered, and the centroid and the corners where those edges meet
// the cell's edges blend the copies that meet there.
#pragma once
#include "generators/detail/TileGenerator.h"

namespace corvel {

class P3LMGenerator : public TileGenerator {
 public:
  // The centroid of the triangle 0, A, B of the current lattice.
  void SetAnchor() override;
  Point2D MapPoint(const Point2D& p) const override;
  int Generate(CProgressMeter* meter) override;
  // Past A + B when A points left.
  void ComputeOrigin() override;
  void SetFeather(double percentage) override { SetFeatherUV(percentage); }

 private:
  Point2D FoldLattice(Point2D uv) const;

  Point2D anchor_;
  Line2D mirror_;  // through A and B, in the plane
};

}  // namespace corvel
