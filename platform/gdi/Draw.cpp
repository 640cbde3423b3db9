// Pens, brushes, lines, shapes, fills and edges.
#include "platform/gdi/Draw.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>

#include "platform/gdi/Display.h"
#include "platform/gdi/detail/Blit.h"
#include "platform/gdi/detail/Canvas.h"
#include "platform/gdi/detail/ClippedStroke.h"

using platform::gdi::Canvas;
using platform::gdi::DeviceContext;
using platform::gdi::DevicePath;
using platform::gdi::PixelWriter;

namespace {

constexpr double kPi = 3.14159265358979323846;

// On and off runs of the styled one-pixel pens, in pixels.
const std::vector<int>& DashPattern(int style) {
  static const std::vector<int> none;
  static const std::vector<int> dash{18, 6};
  static const std::vector<int> dot{3, 3};
  static const std::vector<int> dashDot{9, 6, 3, 6};
  static const std::vector<int> dashDotDot{9, 3, 3, 3, 3, 3};
  switch (style) {
    case PS_DASH:
      return dash;
    case PS_DOT:
      return dot;
    case PS_DASHDOT:
      return dashDot;
    case PS_DASHDOTDOT:
      return dashDotDot;
    default:
      return none;
  }
}

struct PenInfo {
  bool visible = false;
  int style = PS_SOLID;
  double width = 1;  // device pixels
  COLORREF color = 0;
  bool cosmetic() const { return width <= 1.0; }
};

PenInfo PenOf(const DeviceContext& dc) {
  PenInfo info;
  platform::gdi::Pen* pen = platform::gdi::FindPen(dc.state.pen);
  if (!pen || (pen->style & PS_STYLE_MASK) == PS_NULL) return info;
  info.visible = true;
  info.style = pen->style & PS_STYLE_MASK;
  info.color = pen->color;
  // Wider, a stroke would leave Cairo's coordinate range; this wide, it already covers any
  // surface its path comes near.
  constexpr double kWidest = 1 << 20;
  info.width = std::min(std::max(1.0, platform::gdi::ScaleLength(dc.state, pen->width)), kWidest);
  if (!info.cosmetic() && info.style != PS_INSIDEFRAME) info.style = PS_SOLID;
  return info;
}

// The pen's colour combined with a destination pixel by the binary raster operation.
std::uint32_t ApplyRop2(int rop2, std::uint32_t pen, std::uint32_t dest) {
  unsigned table = static_cast<unsigned>(rop2 - 1);
  std::uint32_t result = 0;
  for (unsigned i = 0; i < 4; ++i) {
    if (!(table & (1u << i))) continue;
    result |= ((i & 2) ? pen : ~pen) & ((i & 1) ? dest : ~dest);
  }
  return (result & 0x00FFFFFF) | 0xFF000000u;
}

// A one-pixel line by the platform's rule: from the start point up to, not including, the
// end point; styled pens walk their pattern pixel by pixel.
class LinePlotter {
 public:
  LinePlotter(DeviceContext& dc, const PenInfo& pen)
      : dc_(dc), writer_(dc), pen_(pen), pattern_(DashPattern(pen.style)) {
    for (int run : pattern_) period_ += run;
    period_ = std::max(period_, 1);
  }

  void Line(POINT from, POINT to, bool includeEnd) {
    const std::int64_t dx = std::abs(static_cast<std::int64_t>(to.x) - from.x);
    const std::int64_t dy = std::abs(static_cast<std::int64_t>(to.y) - from.y);
    const bool xMajor = dx >= dy;
    const std::int64_t major = xMajor ? dx : dy, minor = xMajor ? dy : dx;
    const int majorStep = (xMajor ? to.x >= from.x : to.y >= from.y) ? 1 : -1;
    const int minorStep = (xMajor ? to.y >= from.y : to.x >= from.x) ? 1 : -1;
    const std::int64_t majorStart = xMajor ? from.x : from.y, minorStart = xMajor ? from.y : from.x;
    const std::int64_t steps = major + (includeEnd ? 1 : 0);
    // Only the steps whose major coordinate lies over the clip box are walked; the pattern
    // still counts the ones before them.
    RECT box = writer_.Clip().Box();
    POINT origin = writer_.Origin();
    std::int64_t low = (xMajor ? box.left - origin.x : box.top - origin.y) - 1;
    std::int64_t high = (xMajor ? box.right - origin.x : box.bottom - origin.y) + 1;
    std::int64_t first = majorStep > 0 ? low - majorStart : majorStart - high;
    std::int64_t last = majorStep > 0 ? high - majorStart : majorStart - low;
    first = std::max<std::int64_t>(0, first);
    last = std::min<std::int64_t>(steps, last + 1);
    const int start = position_;
    position_ = static_cast<int>((start + first) % period_);
    for (std::int64_t i = first; i < last; ++i) {
      // The minor coordinate rounds the exact line, as the midpoint rule does.
      std::int64_t offset = major ? (2 * i * minor + major) / (2 * major) : 0;
      std::int64_t a = majorStart + i * majorStep, b = minorStart + offset * minorStep;
      Plot(static_cast<int>(xMajor ? a : b), static_cast<int>(xMajor ? b : a));
    }
    // The next line goes on with the pattern where this one's last step, shown or not, left it.
    position_ = static_cast<int>((start + steps) % period_);
  }

 private:
  void Plot(int x, int y) {
    bool on = true;
    if (!pattern_.empty()) {
      int at = position_, index = 0;
      position_ = (position_ + 1) % period_;
      while (at >= pattern_[static_cast<std::size_t>(index)])
        at -= pattern_[static_cast<std::size_t>(index++)];
      on = index % 2 == 0;
    }
    std::uint32_t* pixel = writer_.At(x, y);
    if (!pixel) return;
    if (on) {
      *pixel = ApplyRop2(dc_.state.rop2, platform::gdi::PixelOf(pen_.color), *pixel);
    } else if (dc_.state.bkMode == OPAQUE) {
      *pixel = platform::gdi::PixelOf(dc_.state.bkColor);
    }
  }

  DeviceContext& dc_;
  PixelWriter writer_;
  PenInfo pen_;
  const std::vector<int>& pattern_;
  int period_ = 0;
  int position_ = 0;
};

// Strokes a path with a pen (wide pens: round ends, and round joins unless asked otherwise;
// styled ones: their dashes, with the background colour between them in OPAQUE mode).
void StrokePath(Canvas& canvas, const DevicePath& path, const PenInfo& pen,
                cairo_line_join_t join = CAIRO_LINE_JOIN_ROUND) {
  cairo_t* cr = canvas.cr();
  cairo_set_line_width(cr, pen.width);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, join);
  const std::vector<int>& pattern = DashPattern(pen.style);
  const std::vector<double> dashes(pattern.begin(), pattern.end());
  const bool opaque = canvas.dc().state.bkMode == OPAQUE;
  // A path reaching past the surface (grown by the pen) is cut down to it before Cairo sees it.
  const platform::gdi::DeviceBox drawn = canvas.Bounds();
  const bool far = !platform::gdi::StrokeReach(drawn, pen.width).Holds(path.Extents());
  bool covered = false;  // a pen wider than the surface may paint it all
  cairo_new_path(cr);
  if (!far)
    path.Emit(cr);
  else if (dashes.empty() || opaque)
    covered = platform::gdi::SetClippedPath(cr, path, drawn, pen.width, {});
  if (!dashes.empty()) {
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    if (opaque) {
      canvas.SetColor(canvas.dc().state.bkColor);
      covered ? cairo_paint(cr) : cairo_stroke_preserve(cr);
    }
    if (far)
      platform::gdi::SetClippedPath(cr, path, drawn, pen.width, dashes);
    else
      cairo_set_dash(cr, dashes.data(), static_cast<int>(dashes.size()), 0);
  }
  canvas.SetColor(pen.color);
  covered&& dashes.empty() ? cairo_paint(cr) : cairo_stroke(cr);
  cairo_set_dash(cr, nullptr, 0, 0);
}

void FillPath(Canvas& canvas, const DevicePath& path, bool winding = false) {
  cairo_t* cr = canvas.cr();
  if (!canvas.SetBrush(canvas.dc().state.brush)) return;
  canvas.SetFillPath(path);
  cairo_set_fill_rule(cr, winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
  cairo_fill(cr);
}

std::vector<POINT> DevicePoints(const DeviceContext& dc, const POINT* points, int count) {
  std::vector<POINT> device;
  for (int i = 0; i < count; ++i) device.push_back(platform::gdi::ToDevice(dc.state, points[i]));
  return device;
}

// Through the pixels' centres.
void AddPolygonPath(DevicePath& path, const std::vector<POINT>& points, bool closed) {
  for (std::size_t i = 0; i < points.size(); ++i) {
    double x = points[i].x + 0.5, y = points[i].y + 0.5;
    if (i == 0)
      path.MoveTo(x, y);
    else
      path.LineTo(x, y);
  }
  if (closed) path.Close();
}

void OutlinePolygon(DeviceContext& dc, const PenInfo& pen, const std::vector<POINT>& points, bool closed) {
  if (!pen.visible || points.size() < 2) return;
  if (pen.cosmetic()) {
    LinePlotter plotter(dc, pen);
    for (std::size_t i = 0; i + 1 < points.size(); ++i) plotter.Line(points[i], points[i + 1], false);
    if (closed) plotter.Line(points.back(), points.front(), false);
    return;
  }
  Canvas canvas(dc);
  DevicePath path;
  AddPolygonPath(path, points, closed);
  StrokePath(canvas, path, pen);
}

// The ellipse inscribed in a device rectangle, inset for a pen of `width`.
DevicePath EllipsePath(const RECT& r, double inset) {
  DevicePath path;
  double rx = (r.right - r.left) / 2.0 - inset, ry = (r.bottom - r.top) / 2.0 - inset;
  if (rx > 0 && ry > 0) path.Arc((r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0, rx, ry, 0, 2 * kPi);
  return path;
}

enum class ArcKind { kArc, kPie, kChord };

BOOL DrawArc(HDC handle, ArcKind kind, int left, int top, int right, int bottom, int xStart, int yStart,
             int xEnd, int yEnd) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc) return FALSE;
  RECT r = platform::gdi::ToDevice(dc->state, RECT{left, top, right, bottom});
  POINT start = platform::gdi::ToDevice(dc->state, POINT{xStart, yStart});
  POINT end = platform::gdi::ToDevice(dc->state, POINT{xEnd, yEnd});
  double cx = (r.left + r.right) / 2.0, cy = (r.top + r.bottom) / 2.0;
  double rx = (r.right - r.left) / 2.0 - 0.5, ry = (r.bottom - r.top) / 2.0 - 0.5;
  if (rx <= 0 || ry <= 0) return TRUE;
  // Angles on the unit circle the ellipse is scaled from; the platform runs counter-clockwise
  // on the screen, which is Cairo's negative direction with y pointing down.
  double a0 = std::atan2((start.y - cy) / ry, (start.x - cx) / rx);
  double a1 = std::atan2((end.y - cy) / ry, (end.x - cx) / rx);
  PenInfo pen = PenOf(*dc);
  Canvas canvas(*dc);
  DevicePath path;
  if (kind == ArcKind::kPie) path.MoveTo(cx, cy);
  path.Arc(cx, cy, rx, ry, a0, a1 >= a0 ? a1 - 2 * kPi : a1);
  if (kind != ArcKind::kArc) {
    path.Close();
    FillPath(canvas, path, true);
  }
  if (pen.visible) StrokePath(canvas, path, pen);
  return TRUE;
}

}  // namespace

HPEN CreatePen(int style, int width, COLORREF color) {
  if ((style & PS_STYLE_MASK) > PS_INSIDEFRAME) return nullptr;
  auto pen = std::make_unique<platform::gdi::Pen>();
  pen->style = style;
  pen->width = std::max(0, width);
  pen->color = color & 0xFFFFFF;
  return static_cast<HPEN>(platform::gdi::RegisterObject(std::move(pen)));
}

HPEN CreatePenIndirect(const LOGPEN* pen) {
  return pen ? CreatePen(static_cast<int>(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor) : nullptr;
}

HBRUSH CreateSolidBrush(COLORREF color) {
  LOGBRUSH brush{BS_SOLID, color, 0};
  return CreateBrushIndirect(&brush);
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
  if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return nullptr;
  LOGBRUSH brush{BS_HATCHED, color, static_cast<ULONG_PTR>(hatch)};
  return CreateBrushIndirect(&brush);
}

HBRUSH CreatePatternBrush(HBITMAP handle) {
  platform::gdi::Bitmap* bitmap = platform::gdi::FindBitmap(handle);
  if (!bitmap) return nullptr;
  platform::gdi::SurfaceUse use(bitmap, false);
  auto brush = std::make_unique<platform::gdi::Brush>();
  brush->style = BS_PATTERN;
  brush->patternWidth = bitmap->surface.width;
  brush->patternHeight = bitmap->surface.height;
  for (int y = 0; y < bitmap->surface.height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(bitmap->surface.Row(y));
    brush->pattern.insert(brush->pattern.end(), row, row + bitmap->surface.width);
  }
  for (auto& pixel : brush->pattern) pixel &= 0x00FFFFFF;
  return static_cast<HBRUSH>(platform::gdi::RegisterObject(std::move(brush)));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* logBrush) {
  if (!logBrush ||
      (logBrush->lbStyle != BS_SOLID && logBrush->lbStyle != BS_NULL && logBrush->lbStyle != BS_HATCHED)) {
    return nullptr;
  }
  auto brush = std::make_unique<platform::gdi::Brush>();
  brush->style = static_cast<int>(logBrush->lbStyle);
  brush->color = logBrush->lbColor & 0xFFFFFF;
  brush->hatch = static_cast<int>(logBrush->lbHatch);
  return static_cast<HBRUSH>(platform::gdi::RegisterObject(std::move(brush)));
}

HBRUSH GetSysColorBrush(int index) {
  // One shared brush per system colour, as on the platform.
  static HBRUSH brushes[31] = {};
  static std::once_flag made;
  std::call_once(made, [] {
    for (int i = 0; i < 31; ++i) {
      auto brush = std::make_unique<platform::gdi::Brush>();
      brush->style = BS_SOLID;
      brush->color = GetSysColor(i);
      brush->stock = true;
      brushes[i] = static_cast<HBRUSH>(platform::gdi::RegisterObject(std::move(brush)));
    }
  });
  return index >= 0 && index < 31 ? brushes[index] : nullptr;
}

BOOL MoveToEx(HDC handle, int x, int y, POINT* previous) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc) return FALSE;
  if (previous) *previous = dc->state.current;
  dc->state.current = POINT{x, y};
  return TRUE;
}

BOOL GetCurrentPositionEx(HDC handle, POINT* position) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc || !position) return FALSE;
  *position = dc->state.current;
  return TRUE;
}

BOOL LineTo(HDC handle, int x, int y) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc) return FALSE;
  POINT from = dc->state.current;
  dc->state.current = POINT{x, y};
  POINT points[2] = {from, POINT{x, y}};
  OutlinePolygon(*dc, PenOf(*dc), DevicePoints(*dc, points, 2), false);
  return TRUE;
}

BOOL Polyline(HDC handle, const POINT* points, int count) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc || !points || count < 2) return FALSE;
  OutlinePolygon(*dc, PenOf(*dc), DevicePoints(*dc, points, count), false);
  return TRUE;
}

BOOL Polygon(HDC handle, const POINT* points, int count) {
  INT counts[1] = {count};
  return PolyPolygon(handle, points, counts, 1);
}

BOOL PolyPolygon(HDC handle, const POINT* points, const INT* counts, int polygons) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc || !points || !counts || polygons < 1) return FALSE;
  std::vector<std::vector<POINT>> shapes;
  const POINT* next = points;
  for (int i = 0; i < polygons; ++i) {
    if (counts[i] < 2) return FALSE;
    shapes.push_back(DevicePoints(*dc, next, counts[i]));
    next += counts[i];
  }
  {
    Canvas canvas(*dc);
    DevicePath path;
    for (const auto& shape : shapes) AddPolygonPath(path, shape, true);
    FillPath(canvas, path, dc->state.polyFillMode == WINDING);
  }
  PenInfo pen = PenOf(*dc);
  for (const auto& shape : shapes) OutlinePolygon(*dc, pen, shape, true);
  return TRUE;
}

BOOL Rectangle(HDC handle, int left, int top, int right, int bottom) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc) return FALSE;
  RECT r = platform::gdi::ToDevice(dc->state, RECT{left, top, right, bottom});
  PenInfo pen = PenOf(*dc);
  // Without a pen the platform fills one pixel less to the right and bottom.
  if (!pen.visible) {
    r.right -= 1;
    r.bottom -= 1;
  }
  if (r.right <= r.left || r.bottom <= r.top) return TRUE;
  {
    Canvas canvas(*dc);
    DevicePath path;
    path.Rectangle(r.left, r.top, r.right - r.left, r.bottom - r.top);
    FillPath(canvas, path);
  }
  if (!pen.visible) return TRUE;
  double inset = pen.style == PS_INSIDEFRAME ? pen.width / 2.0 : 0.5;
  if (pen.cosmetic()) {
    std::vector<POINT> corners{
        {r.left, r.top}, {r.right - 1, r.top}, {r.right - 1, r.bottom - 1}, {r.left, r.bottom - 1}};
    OutlinePolygon(*dc, pen, corners, true);
    return TRUE;
  }
  Canvas canvas(*dc);
  DevicePath path;
  path.Rectangle(r.left + inset, r.top + inset, r.right - r.left - 2 * inset, r.bottom - r.top - 2 * inset);
  // Square corners, as the platform draws a wide pen's rectangle.
  StrokePath(canvas, path, pen, CAIRO_LINE_JOIN_MITER);
  return TRUE;
}

BOOL RoundRect(HDC handle, int left, int top, int right, int bottom, int width, int height) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc) return FALSE;
  RECT r = platform::gdi::ToDevice(dc->state, RECT{left, top, right, bottom});
  double rx = std::min(std::fabs(platform::gdi::ScaleLength(dc->state, width)) / 2.0,
                       (r.right - r.left) / 2.0);
  double ry = std::min(std::fabs(platform::gdi::MappingOf(dc->state).scaleY * height) / 2.0,
                       (r.bottom - r.top) / 2.0);
  PenInfo pen = PenOf(*dc);
  Canvas canvas(*dc);
  auto path = [&](double inset) {
    double l = r.left + inset, t = r.top + inset, rr = r.right - inset, b = r.bottom - inset;
    DevicePath outline;
    if (rx <= 0 || ry <= 0) {
      outline.Rectangle(l, t, rr - l, b - t);
      return outline;
    }
    outline.Arc(rr - rx, t + ry, rx, ry, -kPi / 2, 0);
    outline.Arc(rr - rx, b - ry, rx, ry, 0, kPi / 2);
    outline.Arc(l + rx, b - ry, rx, ry, kPi / 2, kPi);
    outline.Arc(l + rx, t + ry, rx, ry, kPi, kPi + kPi / 2);
    outline.Close();
    return outline;
  };
  FillPath(canvas, path(0));
  if (pen.visible) StrokePath(canvas, path(pen.cosmetic() ? 0.5 : pen.width / 2.0), pen);
  return TRUE;
}

BOOL Ellipse(HDC handle, int left, int top, int right, int bottom) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc) return FALSE;
  RECT r = platform::gdi::ToDevice(dc->state, RECT{left, top, right, bottom});
  PenInfo pen = PenOf(*dc);
  Canvas canvas(*dc);
  FillPath(canvas, EllipsePath(r, 0));
  if (pen.visible) StrokePath(canvas, EllipsePath(r, pen.cosmetic() ? 0.5 : pen.width / 2.0), pen);
  return TRUE;
}

BOOL Arc(HDC dc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd) {
  return DrawArc(dc, ArcKind::kArc, left, top, right, bottom, xStart, yStart, xEnd, yEnd);
}

BOOL Pie(HDC dc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd) {
  return DrawArc(dc, ArcKind::kPie, left, top, right, bottom, xStart, yStart, xEnd, yEnd);
}

BOOL Chord(HDC dc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd) {
  return DrawArc(dc, ArcKind::kChord, left, top, right, bottom, xStart, yStart, xEnd, yEnd);
}

BOOL PolyBezier(HDC handle, const POINT* points, DWORD count) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc || !points || count < 4 || (count - 1) % 3 != 0) return FALSE;
  std::vector<POINT> device = DevicePoints(*dc, points, static_cast<int>(count));
  PenInfo pen = PenOf(*dc);
  if (!pen.visible) return TRUE;
  Canvas canvas(*dc);
  DevicePath path;
  path.MoveTo(device[0].x + 0.5, device[0].y + 0.5);
  for (std::size_t i = 1; i + 2 < device.size(); i += 3) {
    path.CurveTo(device[i].x + 0.5, device[i].y + 0.5, device[i + 1].x + 0.5, device[i + 1].y + 0.5,
                 device[i + 2].x + 0.5, device[i + 2].y + 0.5);
  }
  StrokePath(canvas, path, pen);
  return TRUE;
}

COLORREF SetPixel(HDC handle, int x, int y, COLORREF color) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc) return CLR_INVALID;
  POINT device = platform::gdi::ToDevice(dc->state, POINT{x, y});
  PixelWriter writer(*dc);
  std::uint32_t* pixel = writer.At(device.x, device.y);
  if (!pixel) return CLR_INVALID;
  *pixel = platform::gdi::PixelOf(color);
  return color & 0xFFFFFF;
}

BOOL SetPixelV(HDC dc, int x, int y, COLORREF color) { return SetPixel(dc, x, y, color) != CLR_INVALID; }

int FillRect(HDC handle, const RECT* rect, HBRUSH brush) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc || !rect) return 0;
  RECT r = platform::gdi::ToDevice(dc->state, *rect);
  Canvas canvas(*dc);
  if (!canvas.SetBrush(brush)) return 0;
  DevicePath path;
  path.Rectangle(r.left, r.top, r.right - r.left, r.bottom - r.top);
  canvas.SetFillPath(path);
  cairo_fill(canvas.cr());
  return 1;
}

int FrameRect(HDC handle, const RECT* rect, HBRUSH brush) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc || !rect) return 0;
  RECT r = platform::gdi::ToDevice(dc->state, *rect);
  if (r.right <= r.left || r.bottom <= r.top) return 1;
  Canvas canvas(*dc);
  if (!canvas.SetBrush(brush)) return 0;
  cairo_t* cr = canvas.cr();
  DevicePath path;
  path.Rectangle(r.left, r.top, r.right - r.left, r.bottom - r.top);
  path.Rectangle(r.left + 1, r.top + 1, r.right - r.left - 2, r.bottom - r.top - 2);
  canvas.SetFillPath(path);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  cairo_fill(cr);
  return 1;
}

BOOL InvertRect(HDC dc, const RECT* rect) {
  return rect &&
         PatBlt(dc, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, DSTINVERT);
}

BOOL FillRgn(HDC handle, HRGN region, HBRUSH brush) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  platform::gdi::RegionObject* object = platform::gdi::FindRegion(region);
  if (!dc || !object) return FALSE;
  Canvas canvas(*dc);
  if (!canvas.SetBrush(brush)) return FALSE;
  DevicePath path;
  for (const RECT& rect : object->data.Rects()) {
    RECT r = platform::gdi::ToDevice(dc->state, rect);
    path.Rectangle(r.left, r.top, r.right - r.left, r.bottom - r.top);
  }
  canvas.SetFillPath(path);
  cairo_fill(canvas.cr());
  return TRUE;
}

BOOL PaintRgn(HDC handle, HRGN region) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  return dc && FillRgn(handle, region, static_cast<HBRUSH>(dc->state.brush));
}

BOOL FrameRgn(HDC handle, HRGN region, HBRUSH brush, int width, int height) {
  platform::gdi::RegionObject* object = platform::gdi::FindRegion(region);
  if (!object || width < 1 || height < 1) return FALSE;
  // The frame is the region less the region shrunk by the frame's size.
  platform::gdi::RegionData inner = object->data;
  for (int dx : {-width, width}) {
    platform::gdi::RegionData moved = object->data;
    moved.Offset(dx, 0);
    inner = platform::gdi::RegionData::Combine(inner, moved, RGN_AND);
  }
  for (int dy : {-height, height}) {
    platform::gdi::RegionData moved = object->data;
    moved.Offset(0, dy);
    inner = platform::gdi::RegionData::Combine(inner, moved, RGN_AND);
  }
  HRGN frame = CreateRectRgn(0, 0, 0, 0);
  platform::gdi::FindRegion(frame)->data = platform::gdi::RegionData::Combine(object->data, inner, RGN_DIFF);
  BOOL done = FillRgn(handle, frame, brush);
  DeleteObject(frame);
  return done;
}

BOOL DrawFocusRect(HDC handle, const RECT* rect) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc || !rect) return FALSE;
  RECT r = platform::gdi::ToDevice(dc->state, *rect);
  if (r.right <= r.left || r.bottom <= r.top) return TRUE;
  PixelWriter writer(*dc);
  auto invert = [&](int x, int y) {
    if ((x + y) & 1) return;  // every other pixel, so the frame reads dotted
    if (std::uint32_t* pixel = writer.At(x, y)) *pixel ^= 0x00FFFFFF;
  };
  for (int x = r.left; x < r.right; ++x) {
    invert(x, r.top);
    if (r.bottom - 1 > r.top) invert(x, r.bottom - 1);
  }
  for (int y = r.top + 1; y < r.bottom - 1; ++y) {
    invert(r.left, y);
    if (r.right - 1 > r.left) invert(r.right - 1, y);
  }
  return TRUE;
}

BOOL DrawEdge(HDC handle, RECT* rect, UINT edge, UINT flags) {
  DeviceContext* dc = platform::gdi::FindDC(handle);
  if (!dc || !rect) return FALSE;
  RECT r = *rect;
  auto line = [&](int left, int top, int right, int bottom, int colorIndex) {
    RECT part{left, top, right, bottom};
    FillRect(handle, &part, GetSysColorBrush(colorIndex));
  };
  // Outer then inner border: each is one pixel, light on the top-left, dark on the bottom-right.
  struct Border {
    UINT raised, sunken;
    int raisedLight, raisedDark, sunkenLight, sunkenDark;
  };
  const Border borders[2] = {{BDR_RAISEDOUTER, BDR_SUNKENOUTER, COLOR_3DLIGHT, COLOR_3DDKSHADOW,
                              COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT},
                             {BDR_RAISEDINNER, BDR_SUNKENINNER, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW,
                              COLOR_3DDKSHADOW, COLOR_3DLIGHT}};
  for (int i = 0; i < 2; ++i) {
    const Border& border = borders[i];
    if (!(edge & (border.raised | border.sunken))) continue;
    bool raised = (edge & border.raised) != 0;
    int light = raised ? border.raisedLight : border.sunkenLight;
    int dark = raised ? border.raisedDark : border.sunkenDark;
    if (flags & BF_MONO) {
      light = dark = i == 0 ? COLOR_WINDOWFRAME : COLOR_WINDOW;
    } else if (flags & BF_FLAT) {
      light = dark = i == 0 ? COLOR_BTNSHADOW : COLOR_BTNFACE;
    }
    if (flags & BF_TOP) line(r.left, r.top, r.right, r.top + 1, light);
    if (flags & BF_LEFT) line(r.left, r.top, r.left + 1, r.bottom, light);
    if (flags & BF_BOTTOM) line(r.left, r.bottom - 1, r.right, r.bottom, dark);
    if (flags & BF_RIGHT) line(r.right - 1, r.top, r.right, r.bottom, dark);
    if (flags & BF_TOP) ++r.top;
    if (flags & BF_LEFT) ++r.left;
    if (flags & BF_BOTTOM) --r.bottom;
    if (flags & BF_RIGHT) --r.right;
  }
  if (flags & BF_MIDDLE)
    FillRect(handle, &r, GetSysColorBrush((flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE));
  if (flags & BF_ADJUST) *rect = r;
  return TRUE;
}
