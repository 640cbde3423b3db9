// The shape of "P3ML": an equilateral triangle with straight sides. Corner 1 resizes it along
// side 3-1 with corner 3 fixed and scales it under the right button; no splines.
#pragma once
#include "shapes/FramedShape.h"

namespace shapes {

class P3MLShape : public FramedShape {
 public:
  using FramedShape::FramedShape;

  Point2D ComputeCentre() override;
  void PlaceSplineHandles() override;
  void ConstrainCorners() override;

 protected:
  int ResizeCorner() const override { return 1; }
  int SplineHandleCount() const override { return 0; }
  void BeginResize() override;
  bool Resize(Point2D at) override;
  void Bend(int, Point2D) override {}
  int Sides(Side sides[kMaxSides]) override;
};

}  // namespace shapes
