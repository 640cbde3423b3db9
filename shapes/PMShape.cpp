#include "shapes/PMShape.h"

#include "shapes/detail/ShapeOverlay.h"

namespace shapes {

void PMShape::PlaceSplineHandles() {
  const Point2D across = edgeA * splines[0] + edgeB * 0.5;
  points[5] = points[0] + across;
  points[6] = points[1] + across;
  for (int i : {10, 9, 8, 7}) points[i] = points[5];
}

void PMShape::PressControl(Point2D at) {
  if (HitTest(points[5], at)) grabControl1 = true;
}

void PMShape::DragControl(Point2D at) {
  if (grabControl1 && at != points[5]) SplineStep(0, ImageToLattice(edgeA, edgeB, at - points[0]).x);
}

void PMShape::UpdateHovers(Point2D at) {
  UpdateHover({{&overCorner, HitTest(points[1], at), false},
               {&overCentre, HitTest(points[4], at), false},
               {&overControl, HitTest(points[5], at), true},
               {&overRotation, HitTest(points[11], at), true}});
}

void PMShape::Draw(CDC* dc) {
  const detail::ClientFrame client(*this, edgeA, edgeB);
  detail::ShapeOverlay overlay(dc, handleSize);
  const Point2D* p = points;
  const detail::Side left = detail::CurveThrough(p[0], p[5], p[3]), bottom{p[3], p[2], {}},
                     right = detail::CurveThrough(p[2], p[6], p[1]), top{p[1], p[0], {}};
  overlay.ShadeOutside({left, bottom, right, top});
  overlay.Stroke({bottom, top, left, right});
  overlay.Square(p[1]);
  overlay.Square(p[4]);
  overlay.Circle(p[5]);
  overlay.Circle(p[11]);
  overlay.Line(p[11], p[4]);
}

}  // namespace shapes
