#include "shapes/P1Shape.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

#include "core/Rounding.h"
#include "generators/RectangularPeriod.h"
#include "shapes/detail/ShapeOverlay.h"

namespace shapes {

namespace {

constexpr double kDegreesPerRadian = 57.29577791868205;
// Edge B of the unrotated cell leans at least this far from the horizontal.
constexpr double kMinLean = 30, kMaxLean = 150;
// Neither corner drag lets the cell get thinner than this across.
constexpr double kMinSpan = 20;

}  // namespace

void P1Shape::OnLButtonDown(UINT flags, CPoint at) {
  if (ResetOnShift(flags)) return;
  leftDown = true;
  const Point2D m = MouseToImage(at);
  if (HitTest(points[1], m)) {
    grabCorner = true;
  } else if (HitTest(points[3], m)) {
    grabCorner2 = true;
    dragLine = std::make_unique<corvel::Line2D>(points[3], points[2]);
  } else if (HitTest(points[4], m)) {
    grabCentre = true;
  } else if (HitTest(points[11], m)) {
    grabRotation = true;
  } else if (HitTest(points[5], m)) {
    grabControl1 = true;
  } else if (HitTest(points[7], m)) {
    grabControl2 = true;
  }
}

void P1Shape::EndCornerDrag() {
  if (CheckShape()) InvalidateView();
  WriteParameters(true);
}

void P1Shape::OnLButtonUp(UINT, CPoint) {
  leftDown = false;
  if (grabCorner || grabCorner2) {
    grabCorner = grabCorner2 = false;
    EndCornerDrag();
  }
  for (bool* grab : {&grabCentre, &grabRotation, &grabControl1, &grabControl2}) {
    if (*grab) {
      *grab = false;
      WriteParameters(true);
    }
  }
}

void P1Shape::OnRButtonDown(UINT, CPoint at) {
  rightDown = true;
  const Point2D m = MouseToImage(at);
  if (HitTest(points[1], m)) {
    grabCorner = true;
    RememberCornerOffsets();
    BeginScale(points[1]);
  } else if (HitTest(points[3], m)) {
    grabCorner2 = true;
    RememberCornerOffsets();
    BeginScale(points[3]);
  }
}

void P1Shape::OnRButtonUp(UINT, CPoint) {
  rightDown = false;
  for (bool* grab : {&grabCorner, &grabCorner2}) {
    if (*grab) {
      *grab = false;
      EndCornerDrag();
    }
  }
}

void P1Shape::DragCorner1(Point2D m) {
  SaveState();
  const Point2D d = m - points[1];
  points[1] = m;
  points[0] += d;
  const Point2D c = points[4];
  for (int i = 0; i < 4; ++i) {
    points[12 + i] = points[i];
    corvel::RotatePointDegrees(-angle, c.x, c.y, points[12 + i]);
  }
  ComputeEdgesFromCorners();
  double lean = std::atan2(edgeB.y, edgeB.x) * kDegreesPerRadian;
  if (lean < 0) lean += 180;
  ComputeEdgesFromPoints();
  if (lean > kMaxLean || lean < kMinLean) RestoreState();
  if (-kMinSpan < edgeB.y && edgeB.y < kMinSpan) RestoreState();
  EndCornerMove();
}

void P1Shape::DragCorner3(Point2D m) {
  SaveState();
  const Point2D p = dragLine ? dragLine->Project(m) : m;
  const Point2D d = p - points[3];
  points[3] = p;
  points[0] += d;
  points[2] = points[3] + points[1] - points[0];
  ComputeCentre();
  ComputeEdgesFromPoints();
  ApplyRotatedFrame();
  PlaceSplineHandles();
  ComputeEdgesFromCorners();
  if (-kMinSpan < edgeA.x && edgeA.x < kMinSpan) RestoreState();
  ComputeEdgesFromPoints();
  EndMove();
}

void P1Shape::DragCentre(Point2D m) {
  SaveState();
  const Point2D d = m - points[4];
  // The parked points go along with corner 13, or the bounds would keep where it was.
  for (int i : {0, 1, 3, 2, 12, 13, 15, 14, 9, 10}) points[i] += d;
  ComputeCentre();
  ComputeEdgesFromPoints();
  PlaceRotationHandle();
  PlaceSplineHandles();
  EndMove();
}

void P1Shape::OnMouseMove(UINT flags, CPoint at) {
  if (leftDown && !(flags & MK_LBUTTON)) {
    OnLButtonUp(flags, at);
    return;
  }
  if (rightDown && !(flags & MK_RBUTTON)) {
    OnRButtonUp(flags, at);
    return;
  }
  const Point2D m = MouseToImage(at);
  if (!(flags & MK_LBUTTON)) {
    if (rightDown && (grabCorner || grabCorner2)) {
      SaveState();
      ScaleTowards(m);
      ComputeEdgesFromPoints();
      ApplyRotatedFrame();
      PlaceSplineHandles();
      EndMove();
    }
  } else if (grabCorner) {
    if (m != points[1]) DragCorner1(m);
  } else if (grabCorner2) {
    if (m != points[3]) DragCorner3(m);
  } else if (grabRotation) {
    if (m != points[11]) {
      SaveState();
      RotateTowards(m);
      EndMove();
    }
  } else if (grabCentre) {
    if (m != points[4]) DragCentre(m);
  } else if (grabControl1) {
    if (m != points[5]) {
      SaveState();
      splines[0] = HeldSpline(ImageToLattice(edgeA, edgeB, m - points[0]).y);
      PlaceSplineHandles();
      EndMove();
    }
  } else if (grabControl2) {
    if (m != points[7] && IsUsable()) {
      SaveState();
      splines[1] = HeldSpline(ImageToLattice(edgeA, edgeB, m - points[0]).x);
      PlaceSplineHandles();
      EndMove();
    }
  }
  UpdateHover(flags, m);
}

void P1Shape::UpdateHover(UINT flags, Point2D m) {
  const bool held = (flags & MK_LBUTTON) != 0;
  const bool onCorner = HitTest(points[1], m) || HitTest(points[3], m);
  const bool onCurve = HitTest(points[5], m) || HitTest(points[7], m);
  if (!(overCentre && overControl && overRotation)) overCorner = onCorner;
  if (!(overCorner && overControl && overRotation)) overCentre = HitTest(points[4], m);
  if (onCurve && !(overCorner && overCentre && overRotation))
    overControl = true;
  else if (!held)
    overControl = false;
  if (HitTest(points[11], m) && !(overCorner && overCentre && overControl))
    overRotation = true;
  else if (!held)
    overRotation = false;
}

Point2D P1Shape::ComputeCentre() { return CentreOfFourCorners(); }

void P1Shape::ConstrainCorners() {
  points[13].y = points[12].y;
  points[14] = points[15] + points[13] - points[12];
  points[9] = points[10] = points[13];
}

void P1Shape::OnReset() {
  points[15].x = points[12].x;
  ConstrainCorners();
}

void P1Shape::PlaceSplineHandles() {
  ComputeEdgesFromCorners();
  const Point2D a = edgeA, b = edgeB;
  const double s1 = splines[0], s2 = splines[1];
  double j1 = 0.5, k1 = 0, j2 = 0.5, k2 = 0;
  // A flat cell (edge B along edge A) has no across direction: the handles stay mid-edge.
  if (b.y != 0) {
    const double r = b.y / b.x;
    const double s = std::sin(std::atan(r));
    const double t = std::atan2(b.y, b.x) * kDegreesPerRadian;
    if (b.y < 0) {
      const double sign = a.x >= 0 ? 1 : -1;
      j1 = 0.5 + sign * s1 / r;
      j2 = 0.5 + sign * s2 / r;
      k1 = -s1 / s;
      k2 = -s2 / s;
      if (t < -90) {
        k1 = s1 / s;
        k2 = s2 / s;
      }
    } else {
      const double sign = a.x <= 0 ? 1 : -1;
      j1 = 0.5 + sign * s1 / r;
      j2 = 0.5 + sign * s2 / r;
      k1 = s1 / s;
      k2 = s2 / s;
      if (t > 90) {
        k1 = -s1 / s;
        k2 = -s2 / s;
      }
    }
  }
  spare[0] = j1;
  spare[1] = k1;
  spare[2] = j2;
  spare[3] = k2;
  ComputeEdgesFromPoints();
  points[5] = points[0] + LatticeToImage(edgeA, edgeB, Point2D(j1, k1));
  points[7] = points[0] + LatticeToImage(edgeA, edgeB, Point2D(k2, j2));
  points[6] = points[3] + LatticeToImage(edgeA, edgeB, Point2D(j1, k1));
  points[8] = points[1] + LatticeToImage(edgeA, edgeB, Point2D(k2, j2));
}

bool P1Shape::CheckShape() {
  lastBounds = GetBounds();
  ComputeEdgesFromCorners();
  POINT a{corvel::RoundToInt(edgeA.x), corvel::RoundToInt(edgeA.y)};
  POINT b{corvel::RoundToInt(edgeB.x), corvel::RoundToInt(edgeB.y)};
  if (a.x * b.x + a.y * b.y != 0) {
    const auto reach = [](LONG x) {
      return std::max(3, corvel::RoundToInt(std::fabs(std::ceil(0.05 * x)))) + (x < 0 ? 1 : 0);
    };
    const int ra = reach(a.x);
    const int rb = std::max(reach(b.x), ra);
    const int ray = a.y < 0 ? 1 : 0, rby = b.y < 0 ? 1 : 0;
    double best = DBL_MAX;
    POINT bestA = a, bestB = b;
    for (LONG bx = b.x - rb; bx <= b.x + rb; ++bx)
      for (LONG by = b.y - rby; by <= b.y + rby; ++by)
        for (LONG ax = a.x - ra; ax <= a.x + ra; ++ax)
          for (LONG ay = a.y - ray; ay <= a.y + ray; ++ay) {
            const POINT period = corvel::RectangularPeriod(POINT{ax, ay}, POINT{bx, by});
            const double area = std::fabs(static_cast<double>(period.x) * period.y);
            // A flat candidate has no repeat at all, not the smallest one.
            if (area > 0 && area < best) {
              best = area;
              bestA = POINT{ax, ay};
              bestB = POINT{bx, by};
            }
          }
    a = bestA;
    b = bestB;
  }
  points[12] = Point2D(corvel::RoundToInt(points[12].x), corvel::RoundToInt(points[12].y));
  points[13] = points[12] + Point2D(a.x, a.y);
  points[15] = points[12] + Point2D(b.x, b.y);
  points[14] = points[12] + Point2D(a.x + b.x, a.y + b.y);
  ComputeCentre();
  SetAngle(angle);
  ComputeEdgesFromPoints();
  PlaceRotationHandle();
  PlaceSplineHandles();
  return true;
}

void P1Shape::Draw(CDC* dc) {
  const detail::ClientFrame client(*this, edgeA, edgeB);
  detail::ShapeOverlay overlay(dc, handleSize);
  const Point2D* p = points;
  // Each edge passes its curve handle, or the handle's copy, halfway.
  const std::vector<detail::Side> sides = {
      detail::CurveThrough(p[0], p[5], p[1]), detail::CurveThrough(p[1], p[8], p[2]),
      detail::CurveThrough(p[2], p[6], p[3]), detail::CurveThrough(p[3], p[7], p[0])};
  overlay.ShadeOutside(sides);
  overlay.Stroke(sides);
  for (int i : {1, 3, 4}) overlay.Square(p[i]);
  for (int i : {5, 7, 11}) overlay.Circle(p[i]);
  overlay.Line(p[11], p[4]);
}

}  // namespace shapes
