// The shape of "P6": the kite of "P3LM" with all four sides bent: point 5 bends the long sides,
// related by the six-fold turn about corner 0, point 7 the short ones, related by the
// three-fold turn about corner 2.
#pragma once
#include "shapes/KiteShape.h"

namespace shapes {

class P6Shape : public KiteShape {
 public:
  using KiteShape::KiteShape;

  void PlaceSplineHandles() override;
  void ConstrainCorners() override;

 protected:
  int SplineHandleCount() const override { return 2; }
  void Bend(int handle, Point2D at) override;
  int Sides(Side sides[kMaxSides]) override;
};

}  // namespace shapes
