#include "shapes/P2Shape.h"

#include "shapes/detail/ShapeOverlay.h"

namespace shapes {

void P2Shape::OnLButtonDown(UINT flags, CPoint at) {
  if (ResetOnShift(flags)) return;
  leftDown = true;
  const Point2D m = MouseToImage(at);
  const std::pair<int, bool*> handles[] = {{3, &grabCorner},   {4, &grabCentre},   {11, &grabRotation},
                                           {5, &grabControl1}, {7, &grabControl2}, {9, &grabControl3}};
  for (const auto& [index, grab] : handles) {
    if (HitTest(points[index], m)) {
      *grab = true;
      return;
    }
  }
}

void P2Shape::OnLButtonUp(UINT, CPoint) {
  leftDown = false;
  Release({&grabCorner, &grabCentre, &grabRotation, &grabControl1, &grabControl2, &grabControl3});
}

void P2Shape::OnRButtonDown(UINT, CPoint at) { PressToScale(3, at); }

void P2Shape::OnRButtonUp(UINT, CPoint) { ReleaseScale(); }

void P2Shape::DragCorner3(Point2D at) {
  SaveState();
  points[3] = at;
  // Corner 0 is the foot of corner 3 on leg A's line through corner 1, found in the frame turned
  // back about corner 1.
  const Point2D& fixed = points[1];
  const Point2D q = ToLevelFrame(fixed, at);
  points[0] = FromLevelFrame(fixed, Point2D(q.x, fixed.y));
  EndCornerMove();
}

void P2Shape::DragControl(Point2D at) {
  const Point2D uv = ImageToLattice(edgeA, edgeB, at - points[0]);
  if (grabControl1) {
    if (at != points[5]) SplineStep(0, uv.x - 0.25);
  } else if (grabControl2) {
    if (at != points[7] && IsUsable()) SplineStep(1, uv.x);
  } else if (grabControl3) {
    if (at != points[9] && IsUsable()) SplineStep(2, uv.y);
  }
}

void P2Shape::OnMouseMove(UINT flags, CPoint at) {
  if (EndLostDrag(flags, at)) return;
  const Point2D m = MouseToImage(at);
  if (!(flags & MK_LBUTTON)) {
    if (rightDown && grabCorner) ScaleStep(m);
  } else if (grabCorner) {
    if (m != points[3]) DragCorner3(m);
  } else if (grabRotation) {
    if (m != points[11]) RotateStep(m);
  } else if (grabCentre) {
    if (m != points[4]) MoveStep(m);
  } else {
    DragControl(m);
  }
  UpdateHover({{&overCorner, HitTest(points[3], m), false},
               {&overCentre, HitTest(points[4], m), false},
               {&overControl, HitTest(points[5], m) || HitTest(points[7], m) || HitTest(points[9], m), true},
               {&overRotation, HitTest(points[11], m), true}});
}

Point2D P2Shape::ComputeCentre() { return CentreOfThreeCorners(); }

void P2Shape::ConstrainCorners() {
  points[13].y = points[12].y;
  points[15].x = points[12].x;
  points[14] = points[15];
}

void P2Shape::PlaceSplineHandles() {
  // Each partner is its handle turned half a turn about the middle of the side.
  const double s1 = splines[0], s2 = splines[1], s3 = splines[2];
  const struct {
    int index;
    double u, v;
  } handles[] = {{5, 0.25 + s1, 0.75}, {6, 0.75 - s1, 0.25}, {7, s2, 0.25},
                 {8, -s2, 0.75},       {9, 0.25, s3},        {10, 0.75, -s3}};
  for (const auto& h : handles) points[h.index] = points[0] + LatticeToImage(edgeA, edgeB, Point2D(h.u, h.v));
  points[2] = points[0];
}

void P2Shape::Draw(CDC* dc) {
  const detail::ClientFrame client(*this, edgeA, edgeB);
  detail::ShapeOverlay overlay(dc, handleSize);
  const Point2D* p = points;
  const Point2D midA = p[0] + edgeA * 0.5, midHypotenuse = p[0] + (edgeA + edgeB) * 0.5,
                midB = p[0] + edgeB * 0.5;
  const auto sides = {
      detail::CurveThrough(p[0], p[9], midA),          detail::CurveThrough(midA, p[10], p[1]),
      detail::CurveThrough(p[1], p[6], midHypotenuse), detail::CurveThrough(midHypotenuse, p[5], p[3]),
      detail::CurveThrough(p[3], p[8], midB),          detail::CurveThrough(midB, p[7], p[0])};
  overlay.ShadeOutside(sides);
  overlay.Stroke(sides);
  overlay.Square(p[3]);
  overlay.Square(p[4]);
  for (int i : {5, 7, 9, 11}) overlay.Circle(p[i]);
  overlay.Line(p[11], p[4]);
}

}  // namespace shapes
