#include "shapes/detail/OverlayGdiplus.h"

namespace shapes::detail {

GdiplusFunctions& OverlayGdiplus() {
  static GdiplusFunctions functions;
  return functions;
}

void Graphics::Release() {
  if (graphics) status = OverlayGdiplus().DeleteGraphics(graphics);
  graphics = nullptr;
}

Brush Brush::Solid(ARGB color) {
  Brush brush;
  GpSolidFill* fill = nullptr;
  brush.status = OverlayGdiplus().CreateSolidFill(color, &fill);
  brush.brush = reinterpret_cast<GpBrush*>(fill);
  return brush;
}

Brush Brush::Hatch(HatchStyle style, ARGB foreground, ARGB background) {
  Brush brush;
  GpHatch* hatch = nullptr;
  brush.status = OverlayGdiplus().CreateHatchBrush(style, foreground, background, &hatch);
  brush.brush = reinterpret_cast<GpBrush*>(hatch);
  return brush;
}

void Brush::Release() {
  if (brush) status = OverlayGdiplus().DeleteBrush(brush);
  brush = nullptr;
}

void Pen::Release() {
  if (pen) status = OverlayGdiplus().DeletePen(pen);
  pen = nullptr;
}

void Path::AddBezier(const GdiPoint (&c)[4]) {
  status = OverlayGdiplus().AddPathBezier(path, c[0].x, c[0].y, c[1].x, c[1].y, c[2].x, c[2].y, c[3].x,
                                          c[3].y);
}

void Path::AddLine(GdiPoint from, GdiPoint to) {
  status = OverlayGdiplus().AddPathLine(path, from.x, from.y, to.x, to.y);
}

void Path::Release() {
  if (path) status = OverlayGdiplus().DeletePath(path);
  path = nullptr;
}

void Region::Release() {
  if (region) status = OverlayGdiplus().DeleteRegion(region);
  region = nullptr;
}

}  // namespace shapes::detail
