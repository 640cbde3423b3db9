// The shape of "PM": a rectangle whose sides 0-3 and 1-2 bend alike by point 5. Corner 1
// resizes it about corner 3, the centre moves it, point 11 turns it and a right drag on corner 1
// scales it.
#pragma once
#include "shapes/RectangleShape.h"

namespace shapes {

class PMShape : public detail::RectangleShape {
 public:
  using RectangleShape::RectangleShape;

  void Draw(CDC* dc) override;
  void PlaceSplineHandles() override;

 protected:
  bool CornerNeedsHover() const override { return true; }
  bool HoldsCorner3() const override { return true; }
  void PressControl(Point2D at) override;
  void DragControl(Point2D at) override;
  void UpdateHovers(Point2D at) override;
};

}  // namespace shapes
