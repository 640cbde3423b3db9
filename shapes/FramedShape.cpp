#include "shapes/FramedShape.h"

#include <algorithm>

#include "shapes/detail/OverlayGdiplus.h"

namespace shapes {

namespace {

constexpr ARGB kOutlineDark = 0xFF191919, kOutlineLight = 0xFFE6E6E6, kOutsideShade = 0x40202020;
constexpr REAL kOutlineWidth = 0.5f;
constexpr int kSplineHandles[] = {5, 7};

detail::GdiPoint Gdi(Point2D p) { return {static_cast<REAL>(p.x), static_cast<REAL>(p.y)}; }

}  // namespace

double FramedShape::HeldSpline(double value) {
  if (value >= kSplineLimit) return kSplineLimit;
  if (value <= -kSplineLimit) return -kSplineLimit;
  return value;
}

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
  for (bool* grab : {&grabCorner, &grabCentre, &grabRotation, &grabControl1, &grabControl2}) {
    if (*grab) {
      *grab = false;
      WriteParameters(true);
    }
  }
}

void FramedShape::OnRButtonDown(UINT, CPoint at) {
  rightDown = true;
  const int corner = ScaleCorner();
  if (HitTest(points[corner], MouseToImage(at))) {
    grabCorner = true;
    RememberCornerOffsets();
    BeginScale(points[corner]);
  }
}

void FramedShape::OnRButtonUp(UINT, CPoint) {
  rightDown = false;
  if (grabCorner) {
    grabCorner = false;
    WriteParameters(true);
  }
}

void FramedShape::EndMove() {
  if (IsUsable())
    InvalidateView();
  else
    RestoreState();
}

void FramedShape::OnMouseMove(UINT flags, CPoint at) {
  if (leftDown && !(flags & MK_LBUTTON)) {
    OnLButtonUp(flags, at);
    return;
  }
  if (rightDown && !(flags & MK_RBUTTON)) {
    OnRButtonUp(flags, at);
    return;
  }
  const Point2D m = MouseToImage(at);
  if (!leftDown) {
    if (rightDown && grabCorner) {
      SaveState();
      ScaleTowards(m);
      ComputeEdgesFromPoints();
      ApplyRotatedFrame();
      PlaceSplineHandles();
      EndMove();
    }
  } else if (grabCorner) {
    if (m != points[ResizeCorner()]) {
      SaveState();
      if (Resize(m)) {
        ComputeCentre();
        ComputeEdgesFromPoints();
        ApplyRotatedFrame();
        PlaceSplineHandles();
        EndMove();
      } else {
        RestoreState();
      }
    }
  } else if (grabRotation) {
    if (m != points[11]) {
      SaveState();
      RotateTowards(m);
      EndMove();
    }
  } else if (grabCentre) {
    if (m != points[4]) {
      SaveState();
      const Point2D d = m - points[4];
      for (int i : {0, 1, 3, 2, 12, 13, 15, 14}) points[i] += d;
      ComputeCentre();
      ComputeEdgesFromPoints();
      PlaceRotationHandle();
      PlaceSplineHandles();
      EndMove();
    }
  } else if (grabControl1 || grabControl2) {
    const int handle = grabControl1 ? 0 : 1;
    if (m != points[kSplineHandles[handle]]) {
      SaveState();
      Bend(handle, m);
      PlaceSplineHandles();
      EndMove();
    }
  }
  UpdateHover(m);
}

bool FramedShape::OnSplineHandle(Point2D m) {
  for (int i = 0; i < SplineHandleCount(); ++i)
    if (HitTest(points[kSplineHandles[i]], m)) return true;
  return false;
}

void FramedShape::UpdateHover(Point2D m) {
  overCorner = HitTest(points[ResizeCorner()], m) && !(overCentre && overControl && overRotation);
  overCentre = HitTest(points[4], m) && !(overCorner && overControl && overRotation);
  if (OnSplineHandle(m) && !(overCorner && overCentre && overRotation))
    overControl = true;
  else if (!leftDown)
    overControl = false;
  if (HitTest(points[11], m) && !(overCorner && overCentre && overControl))
    overRotation = true;
  else if (!leftDown)
    overRotation = false;
}

void FramedShape::Draw(CDC* dc) {
  using namespace detail;
  Graphics graphics(dc->GetSafeHdc());
  Brush hatch = Brush::Hatch(HatchStyleForwardDiagonal, kOutlineDark, kOutlineLight);
  Pen pen(hatch, kOutlineWidth);
  OverlayGdiplus().SetSmoothingMode(graphics.get(), SmoothingModeHighQuality);
  Path path(FillModeAlternate);

  // The drawing works in client coordinates on a copy; the shape itself stays in the image's.
  Point2D kept[kShapePointCount];
  std::copy(points, points + kShapePointCount, kept);
  const Point2D keptA = edgeA, keptB = edgeB;
  for (Point2D& p : points) p = view->ImageToClient(p);
  ComputeEdgesFromPoints();
  PlaceSplineHandles();

  Side sides[kMaxSides];
  const int count = Sides(sides);
  GdiPoint curves[kMaxSides][4];
  for (int i = 0; i < count; ++i) {
    curves[i][0] = Gdi(SideEnd(sides[i].from));
    curves[i][1] = curves[i][2] = Gdi(sides[i].q);
    curves[i][3] = Gdi(SideEnd(sides[i].to));
    if (sides[i].curved)
      path.AddBezier(curves[i]);
    else
      path.AddLine(curves[i][0], curves[i][3]);
  }
  Region outside;
  outside.CombineXor(path);
  Brush shade = Brush::Solid(kOutsideShade);
  OverlayGdiplus().FillRegion(graphics.get(), shade.get(), outside.get());
  for (int i = 0; i < count; ++i) {
    const GdiPoint(&c)[4] = curves[i];
    if (sides[i].curved)
      OverlayGdiplus().DrawBezier(graphics.get(), pen.get(), c[0].x, c[0].y, c[1].x, c[1].y, c[2].x, c[2].y,
                                  c[3].x, c[3].y);
    else
      OverlayGdiplus().DrawLine(graphics.get(), pen.get(), c[0].x, c[0].y, c[3].x, c[3].y);
  }

  const int h = handleSize;
  auto corner = [h](Point2D p) { return POINT{static_cast<int>(p.x) - h, static_cast<int>(p.y) - h}; };
  for (int i : {ResizeCorner(), 4}) {
    const POINT c = corner(points[i]);
    OverlayGdiplus().DrawRectangleI(graphics.get(), pen.get(), c.x, c.y, 2 * h, 2 * h);
  }
  for (int i = 0; i < SplineHandleCount(); ++i) {
    const POINT c = corner(points[kSplineHandles[i]]);
    OverlayGdiplus().DrawEllipseI(graphics.get(), pen.get(), c.x, c.y, 2 * h, 2 * h);
  }
  const POINT r = corner(points[11]);
  OverlayGdiplus().DrawEllipseI(graphics.get(), pen.get(), r.x, r.y, 2 * h, 2 * h);
  const GdiPoint rotation = Gdi(points[11]), centre = Gdi(points[4]);
  OverlayGdiplus().DrawLine(graphics.get(), pen.get(), rotation.x, rotation.y, centre.x, centre.y);

  std::copy(kept, kept + kShapePointCount, points);
  edgeA = keptA;
  edgeB = keptB;
  outside.Release();
  shade.Release();
  hatch.Release();
  path.Release();
  pen.Release();
  graphics.Release();
}

}  // namespace shapes
