// The shape of "PG" and "PGG": a rectangle whose top and bottom sides bend alike by point 5 and
// whose left and right sides bend alike by point 7. Corner 1 resizes it about corner 3, the
// centre moves it, point 11 turns it and a right drag on corner 1 scales it.
#pragma once
#include <vector>

#include "shapes/RectangleShape.h"

namespace shapes {
namespace detail {
struct Side;
}

class PGShape : public detail::RectangleShape {
 public:
  using RectangleShape::RectangleShape;

  void Draw(CDC* dc) override;
  void PlaceSplineHandles() override;

 protected:
  bool CornerNeedsHover() const override { return false; }
  bool HoldsCorner3() const override { return false; }
  void PressControl(Point2D at) override;
  void DragControl(Point2D at) override;
  void UpdateHovers(Point2D at) override;
  // The sides as drawn, in the view's client coordinates.
  virtual std::vector<detail::Side> Outline() const;
};

}  // namespace shapes
