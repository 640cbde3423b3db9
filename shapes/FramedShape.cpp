#include "shapes/FramedShape.h"

#include <optional>
#include <vector>

#include "shapes/detail/ShapeOverlay.h"

namespace shapes {

namespace {

constexpr int kSplineHandles[] = {5, 7};

}  // namespace

void FramedShape::OnLButtonDown(UINT flags, CPoint at) {
  if (ResetOnShift(flags)) return;
  leftDown = true;
  const Point2D m = MouseToImage(at);
  if (HitTest(points[ResizeCorner()], m)) {
    grabCorner = true;
    BeginResize();
  } else if (HitTest(points[4], m)) {
    grabCentre = true;
  } else if (HitTest(points[11], m)) {
    grabRotation = true;
  } else if (SplineHandleCount() > 0 && HitTest(points[5], m)) {
    grabControl1 = true;
  } else if (SplineHandleCount() > 1 && HitTest(points[7], m)) {
    grabControl2 = true;
  }
}

void FramedShape::OnLButtonUp(UINT, CPoint) {
  leftDown = false;
  Release({&grabCorner, &grabCentre, &grabRotation, &grabControl1, &grabControl2});
}

void FramedShape::OnRButtonDown(UINT, CPoint at) { PressToScale(ScaleCorner(), at); }

void FramedShape::OnRButtonUp(UINT, CPoint) { ReleaseScale(); }

void FramedShape::OnMouseMove(UINT flags, CPoint at) {
  if (EndLostDrag(flags, at)) return;
  const Point2D m = MouseToImage(at);
  if (!leftDown) {
    if (rightDown && grabCorner) ScaleStep(m);
  } else if (grabCorner) {
    if (m != points[ResizeCorner()]) {
      SaveState();
      if (Resize(m)) {
        EndCornerMove();
      } else {
        RestoreState();
      }
    }
  } else if (grabRotation) {
    if (m != points[11]) RotateStep(m);
  } else if (grabCentre) {
    if (m != points[4]) MoveStep(m);
  } else if (grabControl1 || grabControl2) {
    const int handle = grabControl1 ? 0 : 1;
    if (m != points[kSplineHandles[handle]]) {
      SaveState();
      Bend(handle, m);
      PlaceSplineHandles();
      EndMove();
    }
  }
  UpdateHover({{&overCorner, HitTest(points[ResizeCorner()], m), false},
               {&overCentre, HitTest(points[4], m), false},
               {&overControl, OnSplineHandle(m), true},
               {&overRotation, HitTest(points[11], m), true}});
}

bool FramedShape::OnSplineHandle(Point2D m) {
  for (int i = 0; i < SplineHandleCount(); ++i)
    if (HitTest(points[kSplineHandles[i]], m)) return true;
  return false;
}

void FramedShape::Draw(CDC* dc) {
  const detail::ClientFrame client(*this, edgeA, edgeB);
  detail::ShapeOverlay overlay(dc, handleSize);
  Side sides[kMaxSides];
  const int count = Sides(sides);
  std::vector<detail::Side> outline;
  for (int i = 0; i < count; ++i) {
    const Side& side = sides[i];
    outline.push_back(
        {SideEnd(side.from), SideEnd(side.to), side.curved ? std::optional(side.q) : std::nullopt});
  }
  overlay.ShadeOutside(outline);
  overlay.Stroke(outline);
  overlay.Square(points[ResizeCorner()]);
  overlay.Square(points[4]);
  for (int i = 0; i < SplineHandleCount(); ++i) overlay.Circle(points[kSplineHandles[i]]);
  overlay.Circle(points[11]);
  overlay.Line(points[11], points[4]);
}

int FramedShape::StraightTriangle(Side sides[kMaxSides]) {
  sides[0] = {3, 0, false, {}};
  sides[1] = {0, 1, false, {}};
  sides[2] = {1, 3, false, {}};
  return 3;
}

void FramedShape::RestSparePointsOnCorner0() {
  for (int i = 5; i <= 10; ++i) points[i] = points[0];
  points[2] = points[0];
}

}  // namespace shapes
