#include "shapes/detail/ShapeOverlay.h"

#include <algorithm>

namespace shapes::detail {

namespace {

constexpr ARGB kOutlineDark = 0xFF191919, kOutlineLight = 0xFFE6E6E6, kOutsideShade = 0x40202020;
constexpr REAL kOutlineWidth = 0.5f;

GdiPoint Gdi(Point2D p) { return {static_cast<REAL>(p.x), static_cast<REAL>(p.y)}; }

}  // namespace

Side CurveThrough(Point2D from, Point2D at, Point2D to) {
  // 0.125 (from + to) + 0.75 bend = at.
  return {from, to, (at - (from + to) * 0.125) * (1 / 0.75)};
}

ShapeOverlay::ShapeOverlay(CDC* dc, int handleSize)
    : handleSize(handleSize),
      graphics(dc->GetSafeHdc()),
      hatch(Brush::Hatch(HatchStyleForwardDiagonal, kOutlineDark, kOutlineLight)),
      pen(hatch, kOutlineWidth) {
  OverlayGdiplus().SetSmoothingMode(graphics.get(), SmoothingModeHighQuality);
  path.emplace(FillModeAlternate);
}

ShapeOverlay::~ShapeOverlay() {
  if (outside) outside->Release();
  if (shade) shade->Release();
  hatch.Release();
  path->Release();
  pen.Release();
  graphics.Release();
}

void ShapeOverlay::ShadeOutside(const std::vector<Side>& sides) {
  for (const Side& side : sides) {
    if (side.bend) {
      const GdiPoint curve[4] = {Gdi(side.from), Gdi(*side.bend), Gdi(*side.bend), Gdi(side.to)};
      path->AddBezier(curve);
    } else {
      path->AddLine(Gdi(side.from), Gdi(side.to));
    }
  }
  outside.emplace();
  outside->CombineXor(*path);
  shade.emplace(Brush::Solid(kOutsideShade));
  OverlayGdiplus().FillRegion(graphics.get(), shade->get(), outside->get());
}

void ShapeOverlay::Stroke(const std::vector<Side>& sides) {
  for (const Side& side : sides) {
    const GdiPoint a = Gdi(side.from), b = Gdi(side.to);
    if (side.bend) {
      const GdiPoint q = Gdi(*side.bend);
      OverlayGdiplus().DrawBezier(graphics.get(), pen.get(), a.x, a.y, q.x, q.y, q.x, q.y, b.x, b.y);
    } else {
      OverlayGdiplus().DrawLine(graphics.get(), pen.get(), a.x, a.y, b.x, b.y);
    }
  }
}

void ShapeOverlay::Square(Point2D at) {
  OverlayGdiplus().DrawRectangleI(graphics.get(), pen.get(), static_cast<int>(at.x) - handleSize,
                                  static_cast<int>(at.y) - handleSize, 2 * handleSize, 2 * handleSize);
}

void ShapeOverlay::Circle(Point2D at) {
  OverlayGdiplus().DrawEllipseI(graphics.get(), pen.get(), static_cast<int>(at.x) - handleSize,
                                static_cast<int>(at.y) - handleSize, 2 * handleSize, 2 * handleSize);
}

void ShapeOverlay::Line(Point2D from, Point2D to) {
  const GdiPoint a = Gdi(from), b = Gdi(to);
  OverlayGdiplus().DrawLine(graphics.get(), pen.get(), a.x, a.y, b.x, b.y);
}

ClientFrame::ClientFrame(TargetShape& shape, Point2D& edgeA, Point2D& edgeB)
    : shape(shape), edgeA(edgeA), edgeB(edgeB), keptA(edgeA), keptB(edgeB) {
  Point2D* points = shape.GetPoints();
  std::copy(points, points + kShapePointCount, keptPoints);
  for (int i = 0; i < kShapePointCount; ++i) points[i] = shape.GetView()->ImageToClient(points[i]);
  shape.ComputeEdgesFromPoints();
  shape.PlaceSplineHandles();
}

ClientFrame::~ClientFrame() {
  std::copy(keptPoints, keptPoints + kShapePointCount, shape.GetPoints());
  edgeA = keptA;
  edgeB = keptB;
}

}  // namespace shapes::detail
