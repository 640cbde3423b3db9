#include "shapes/PGShape.h"

#include "shapes/detail/ShapeOverlay.h"

namespace shapes {

void PGShape::PlaceSplineHandles() {
  const Point2D acrossTop = edgeA * 0.5 + edgeB * splines[0], acrossLeft = edgeA * splines[1] + edgeB * 0.5;
  points[5] = points[0] + acrossTop;
  points[7] = points[0] + acrossLeft;
  points[6] = points[3] + acrossTop;
  points[8] = points[1] + acrossLeft;
  points[10] = points[9] = points[5];
}

void PGShape::PressControl(Point2D at) {
  if (HitTest(points[5], at))
    grabControl1 = true;
  else if (HitTest(points[7], at))
    grabControl2 = true;
}

void PGShape::DragControl(Point2D at) {
  if (grabControl1) {
    if (at != points[5]) SplineStep(0, ImageToLattice(edgeA, edgeB, at - points[0]).y);
  } else if (grabControl2) {
    if (at != points[7] && IsUsable()) SplineStep(1, ImageToLattice(edgeA, edgeB, at - points[0]).x);
  }
}

void PGShape::UpdateHovers(Point2D at) {
  UpdateHover({{&overCorner, HitTest(points[1], at), false},
               {&overCentre, HitTest(points[4], at), false},
               {&overControl, HitTest(points[5], at) || HitTest(points[7], at), true},
               {&overRotation, HitTest(points[11], at), true}});
}

std::vector<detail::Side> PGShape::Outline() const {
  const Point2D* p = points;
  return {detail::CurveThrough(p[0], p[5], p[1]), detail::CurveThrough(p[1], p[8], p[2]),
          detail::CurveThrough(p[2], p[6], p[3]), detail::CurveThrough(p[3], p[7], p[0])};
}

void PGShape::Draw(CDC* dc) {
  const detail::ClientFrame client(*this, edgeA, edgeB);
  detail::ShapeOverlay overlay(dc, handleSize);
  const Point2D* p = points;
  const std::vector<detail::Side> sides = Outline();
  overlay.ShadeOutside(sides);
  overlay.Stroke(sides);
  overlay.Square(p[1]);
  overlay.Square(p[4]);
  overlay.Circle(p[5]);
  overlay.Circle(p[7]);
  overlay.Circle(p[11]);
  overlay.Line(p[11], p[4]);
}

}  // namespace shapes
