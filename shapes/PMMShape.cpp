#include "shapes/PMMShape.h"

#include "shapes/detail/ShapeOverlay.h"

namespace shapes {

void PMMShape::PlaceSplineHandles() {
  // No spline handles: the spare points sit on corners so that they widen no bounds.
  points[5] = points[0];
  points[6] = points[1];
  for (int i : {10, 9, 8, 7}) points[i] = points[0];
}

void PMMShape::UpdateHovers(Point2D at) {
  UpdateHover({{&overCorner, HitTest(points[1], at), false},
               {&overCentre, HitTest(points[4], at), false},
               {&overRotation, HitTest(points[11], at), true}});
}

void PMMShape::Draw(CDC* dc) {
  const detail::ClientFrame client(*this, edgeA, edgeB);
  detail::ShapeOverlay overlay(dc, handleSize);
  const Point2D* p = points;
  const auto sides = {detail::Side{p[0], p[3], {}}, detail::Side{p[3], p[2], {}},
                      detail::Side{p[2], p[1], {}}, detail::Side{p[1], p[0], {}}};
  overlay.ShadeOutside(sides);
  overlay.Stroke(sides);
  overlay.Square(p[1]);
  overlay.Square(p[4]);
  overlay.Circle(p[11]);
  overlay.Line(p[11], p[4]);
}

}  // namespace shapes
