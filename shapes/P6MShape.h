// The shape of "P6M": a right triangle of 90, 60 and 30 degrees. Corner 3, the 30-degree
// corner, slides along the hypotenuse about the fixed 60-degree corner 1 and scales the
// triangle under the right button; no splines.
#pragma once
#include "shapes/FramedShape.h"

namespace shapes {

class P6MShape : public FramedShape {
 public:
  using FramedShape::FramedShape;

  Point2D ComputeCentre() override;
  void PlaceSplineHandles() override;
  void ConstrainCorners() override;

 protected:
  int ResizeCorner() const override { return 3; }
  int ScaleCorner() const override { return 3; }
  int SplineHandleCount() const override { return 0; }
  void BeginResize() override;
  bool Resize(Point2D at) override;
  void Bend(int, Point2D) override {}
  int Sides(Side sides[kMaxSides]) override;
};

}  // namespace shapes
