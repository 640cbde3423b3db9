// What the kites of "P3LM" and "P6" share: corners 0, 1 and 3 equilateral, corner 2 the centre
// of the triangle beyond side 1-3; corner 1 resizes along side 0-1 about a fixed corner 0.
#pragma once
#include "shapes/FramedShape.h"

namespace shapes {

class KiteShape : public FramedShape {
 public:
  using FramedShape::FramedShape;

  Point2D ComputeCentre() override;

 protected:
  // -pi/3 in single precision, as the kites turn side 0-1 onto side 0-3.
  static constexpr double kMinus60 = -1.0471975803375244;
  static constexpr double kFiveSixths = 0.8333333333333334, kThird = 0.3333333333333333,
                          kTwoThirds = 0.6666666666666666;

  int ResizeCorner() const override { return 1; }
  void BeginResize() override;
  bool Resize(Point2D at) override;
  // The middle of side 1-2.
  Point2D ShortSideMiddle() { return Along(points[0], kFiveSixths, kThird); }
};

}  // namespace shapes
