// The shape of "P3LM": a kite of 60, 90, 120 and 90 degrees with straight long sides; point 5
// bends the two short sides, related by the three-fold turn about corner 2.
#pragma once
#include "shapes/KiteShape.h"

namespace shapes {

class P3LMShape : public KiteShape {
 public:
  using KiteShape::KiteShape;

  void PlaceSplineHandles() override;
  void ConstrainCorners() override;

 protected:
  int SplineHandleCount() const override { return 1; }
  void Bend(int handle, Point2D at) override;
  int Sides(Side sides[kMaxSides]) override;
};

}  // namespace shapes
