// Mapping, clipping, DIB synchronisation and the Cairo canvas of a device context.
#include "platform/gdi/detail/Canvas.h"

#include "platform/gdi/detail/Blit.h"
#include "platform/gdi/detail/ClippedFill.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gdi/Display.h"
#include "platform/gdi/Draw.h"

namespace platform::gdi {

namespace {

// Pixels per logical unit of the fixed mapping modes at 96 dots per inch.
double FixedScale(int mapMode) {
  switch (mapMode) {
    case MM_LOMETRIC:
      return 96.0 / 254.0;
    case MM_HIMETRIC:
      return 96.0 / 2540.0;
    case MM_LOENGLISH:
      return 96.0 / 100.0;
    case MM_HIENGLISH:
      return 96.0 / 1000.0;
    case MM_TWIPS:
      return 96.0 / 1440.0;
    default:
      return 1.0;
  }
}

}  // namespace

namespace {

// Logical page coordinates (after the world transform) to device coordinates.
Mapping PageMappingOf(const DcState& state) {
  Mapping m;
  double scaleX = 1, scaleY = 1;
  if (state.mapMode == MM_ISOTROPIC || state.mapMode == MM_ANISOTROPIC) {
    scaleX = state.windowExt.cx ? static_cast<double>(state.viewportExt.cx) / state.windowExt.cx : 1;
    scaleY = state.windowExt.cy ? static_cast<double>(state.viewportExt.cy) / state.windowExt.cy : 1;
    if (state.mapMode == MM_ISOTROPIC) {
      double common = std::min(std::fabs(scaleX), std::fabs(scaleY));
      scaleX = std::copysign(common, scaleX);
      scaleY = std::copysign(common, scaleY);
    }
  } else if (state.mapMode != MM_TEXT) {
    scaleX = FixedScale(state.mapMode);
    scaleY = -scaleX;  // y grows upwards in the metric and English modes
  }
  m.scaleX = scaleX;
  m.scaleY = scaleY;
  m.offsetX = (state.viewportOrg.x - state.windowOrg.x * scaleX) * state.placeScaleX + state.placeOffsetX;
  m.offsetY = (state.viewportOrg.y - state.windowOrg.y * scaleY) * state.placeScaleY + state.placeOffsetY;
  m.scaleX *= state.placeScaleX;
  m.scaleY *= state.placeScaleY;
  return m;
}

// Far beyond any surface, yet sums and differences of two stay within an int.
LONG DeviceCoordinate(double value) {
  constexpr double kLimit = 1 << 28;
  return static_cast<LONG>(std::lround(std::clamp(value, -kLimit, kLimit)));
}

}  // namespace

Mapping MappingOf(const DcState& state) {
  Mapping page = PageMappingOf(state);
  // The world transform's length along each axis, so a turned transform still scales widths.
  const XFORM& w = state.world;
  double worldX = std::copysign(std::hypot(w.eM11, w.eM12), w.eM11);
  double worldY = std::copysign(std::hypot(w.eM21, w.eM22), w.eM22);
  Mapping m;
  m.scaleX = page.scaleX * worldX;
  m.scaleY = page.scaleY * worldY;
  m.offsetX = page.X(w.eDx);
  m.offsetY = page.Y(w.eDy);
  return m;
}

POINT ToDevice(const DcState& state, POINT logical) {
  Mapping page = PageMappingOf(state);
  const XFORM& w = state.world;
  double x = logical.x * static_cast<double>(w.eM11) + logical.y * static_cast<double>(w.eM21) + w.eDx;
  double y = logical.x * static_cast<double>(w.eM12) + logical.y * static_cast<double>(w.eM22) + w.eDy;
  return POINT{DeviceCoordinate(page.X(x)), DeviceCoordinate(page.Y(y))};
}

RECT ToDevice(const DcState& state, const RECT& logical) {
  // A turned world transform gives the box around the turned corners.
  POINT corners[] = {ToDevice(state, POINT{logical.left, logical.top}),
                     ToDevice(state, POINT{logical.right, logical.bottom}),
                     ToDevice(state, POINT{logical.left, logical.bottom}),
                     ToDevice(state, POINT{logical.right, logical.top})};
  RECT box{corners[0].x, corners[0].y, corners[0].x, corners[0].y};
  for (const POINT& p : corners) {
    box.left = std::min(box.left, p.x);
    box.top = std::min(box.top, p.y);
    box.right = std::max(box.right, p.x);
    box.bottom = std::max(box.bottom, p.y);
  }
  return box;
}

double ScaleLength(const DcState& state, double length) {
  return length * std::fabs(MappingOf(state).scaleX);
}

RegionData EffectiveClip(const DeviceContext& dc) {
  const Surface& surface = dc.bitmap->surface;
  RegionData clip = RegionData::Combine(
      dc.windowDC ? dc.visible : RegionData(RECT{0, 0, surface.width, surface.height}),
      RegionData(RECT{0, 0, surface.width, surface.height}), RGN_AND);
  if (dc.state.hasClip) {
    RegionData own = dc.state.clip;
    own.Offset(dc.origin.x, dc.origin.y);
    clip = RegionData::Combine(clip, own, RGN_AND);
  }
  return clip;
}

void PullDib(Bitmap& bitmap) {
  if (!bitmap.dib) return;
  const DibBits& dib = *bitmap.dib;
  Surface& surface = bitmap.surface;
  for (int y = 0; y < surface.height; ++y) {
    auto* out = reinterpret_cast<std::uint32_t*>(surface.Row(y));
    for (int x = 0; x < surface.width; ++x) out[x] = DibPixel(dib.layout, dib.bits.get(), x, y);
  }
}

void PushDib(Bitmap& bitmap) {
  if (!bitmap.dib) return;
  DibBits& dib = *bitmap.dib;
  const Surface& surface = bitmap.surface;
  for (int y = 0; y < surface.height; ++y) {
    std::size_t row = static_cast<std::size_t>(dib.layout.bottomUp ? surface.height - 1 - y : y);
    EncodeDibRow(dib.layout, reinterpret_cast<const std::uint32_t*>(surface.Row(y)),
                 dib.bits.get() + dib.layout.rowBytes * row);
  }
}

SurfaceUse::SurfaceUse(Bitmap* bitmap, bool write) : bitmap_(bitmap), write_(write) {
  if (bitmap_) PullDib(*bitmap_);
}

SurfaceUse::~SurfaceUse() {
  if (bitmap_ && write_) PushDib(*bitmap_);
}

Canvas::Canvas(DeviceContext& dc) : dc_(dc), use_(dc.bitmap, true) {
  Surface& surface = dc.bitmap->surface;
  surface_ = cairo_image_surface_create_for_data(surface.pixels, CAIRO_FORMAT_ARGB32, surface.width,
                                                 surface.height, surface.stride);
  cr_ = cairo_create(surface_);
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
  const RegionData clip = EffectiveClip(dc);
  for (const RECT& rect : clip.Rects()) {
    cairo_rectangle(cr_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  }
  cairo_clip(cr_);  // an empty path clips everything away
  cairo_translate(cr_, dc.origin.x, dc.origin.y);
}

Canvas::~Canvas() {
  cairo_destroy(cr_);
  cairo_surface_flush(surface_);
  cairo_surface_destroy(surface_);
}

void Canvas::SetColor(COLORREF color) {
  cairo_set_source_rgb(cr_, GetRValue(color) / 255.0, GetGValue(color) / 255.0, GetBValue(color) / 255.0);
}

bool Canvas::SetBrush(HGDIOBJ handle) {
  Brush* brush = FindBrush(ResolveBrush(static_cast<HBRUSH>(handle)));
  if (!brush || brush->style == BS_NULL) return false;
  if (brush->style == BS_SOLID) {
    SetColor(brush->color);
    return true;
  }
  // Hatches and patterns are 8 x 8 (or the pattern's size) tiles anchored at the brush origin.
  int width = brush->style == BS_HATCHED ? 8 : brush->patternWidth;
  int height = brush->style == BS_HATCHED ? 8 : brush->patternHeight;
  if (width <= 0 || height <= 0) return false;
  cairo_surface_t* tile = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  auto* data = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(tile));
  int stride = cairo_image_surface_get_stride(tile) / 4;
  const DcState& state = dc_.state;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      data[y * stride + x] = BrushPixel(*brush, state, x + state.brushOrg.x, y + state.brushOrg.y,
                                        state.bkMode == TRANSPARENT);
    }
  }
  cairo_surface_mark_dirty(tile);
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(tile);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
  cairo_matrix_t matrix;
  // The tiles start at the brush origin (device coordinates).
  cairo_matrix_init_translate(&matrix, -dc_.state.brushOrg.x, -dc_.state.brushOrg.y);
  cairo_pattern_set_matrix(pattern, &matrix);
  cairo_set_source(cr_, pattern);
  cairo_pattern_destroy(pattern);
  cairo_surface_destroy(tile);
  return true;
}

DeviceBox Canvas::Bounds() const {
  const Surface& surface = dc_.bitmap->surface;
  const double x = -dc_.origin.x, y = -dc_.origin.y;
  return {x, y, x + surface.width, y + surface.height};
}

void Canvas::SetFillPath(const DevicePath& path) { platform::gdi::SetFillPath(cr_, path, Bounds()); }

PixelWriter::PixelWriter(DeviceContext& dc) : dc_(dc), use_(dc.bitmap, true), clip_(EffectiveClip(dc)) {}

std::uint32_t* PixelWriter::At(int x, int y) {
  int sx = x + dc_.origin.x, sy = y + dc_.origin.y;
  if (!clip_.Contains(sx, sy)) return nullptr;
  return reinterpret_cast<std::uint32_t*>(dc_.bitmap->surface.Row(sy)) + sx;
}

std::uint32_t PixelOf(COLORREF color) {
  return 0xFF000000u | (static_cast<std::uint32_t>(GetRValue(color)) << 16) |
         (static_cast<std::uint32_t>(GetGValue(color)) << 8) | GetBValue(color);
}

COLORREF ColorOf(std::uint32_t pixel) {
  return RGB(static_cast<BYTE>(pixel >> 16), static_cast<BYTE>(pixel >> 8), static_cast<BYTE>(pixel));
}

HBRUSH ResolveBrush(HBRUSH brush) {
  auto value = reinterpret_cast<std::uintptr_t>(brush);
  if (value >= 1 && value <= 31) return GetSysColorBrush(static_cast<int>(value - 1));
  return brush;
}

}  // namespace platform::gdi
