// The shape of "CM" and "P4G": a right isosceles triangle, the right angle at point 0, whose legs
// bend together, one the counterpart of the other. Point 3 slides along the hypotenuse while
// point 1 stays, the right button scales it from point 3, point 5 bends the legs.
#pragma once
#include "shapes/FramedShape.h"

namespace shapes {

class CMShape : public FramedShape {
 public:
  using FramedShape::FramedShape;

  Point2D ComputeCentre() override;
  void PlaceSplineHandles() override;
  void ConstrainCorners() override;

 protected:
  int ResizeCorner() const override { return 3; }
  int ScaleCorner() const override { return 3; }
  int SplineHandleCount() const override { return 1; }
  void BeginResize() override;
  bool Resize(Point2D at) override;
  void Bend(int handle, Point2D at) override;
  int Sides(Side sides[kMaxSides]) override;
};

}  // namespace shapes
