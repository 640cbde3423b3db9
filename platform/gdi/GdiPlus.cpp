// The 2-D drawing library's flat functions over Cairo.
#include "platform/gdi/GdiPlus.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

#include "platform/gdi/detail/Canvas.h"

struct GpBrush {
  virtual ~GpBrush() = default;
  // Sets the brush as Cairo's source.
  virtual void Apply(cairo_t* cr) const = 0;
};

struct GpSolidFill final : GpBrush {
  ARGB color;
  explicit GpSolidFill(ARGB c) : color(c) {}
  void Apply(cairo_t* cr) const override {
    cairo_set_source_rgba(cr, ((color >> 16) & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0,
                          (color & 0xFF) / 255.0, ((color >> 24) & 0xFF) / 255.0);
  }
};

struct GpHatch final : GpBrush {
  HatchStyle style;
  ARGB foreground, background;
  GpHatch(HatchStyle s, ARGB f, ARGB b) : style(s), foreground(f), background(b) {}
  void Apply(cairo_t* cr) const override {
    // An 8 x 8 tile anchored at the graphics origin.
    cairo_surface_t* tile = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
    auto* data = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(tile));
    int stride = cairo_image_surface_get_stride(tile) / 4;
    auto premultiplied = [](ARGB c) {
      std::uint32_t a = c >> 24;
      auto channel = [a](std::uint32_t v) { return (v * a + 127) / 255; };
      return (a << 24) | (channel((c >> 16) & 0xFF) << 16) | (channel((c >> 8) & 0xFF) << 8) |
             channel(c & 0xFF);
    };
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        bool line = false;
        switch (style) {
          case HatchStyleHorizontal:
            line = y == 0;
            break;
          case HatchStyleVertical:
            line = x == 0;
            break;
          case HatchStyleForwardDiagonal:
            line = x == y;
            break;
          case HatchStyleBackwardDiagonal:
            line = x == 7 - y;
            break;
          case HatchStyleCross:
            line = x == 0 || y == 0;
            break;
          default:
            line = x == y || x == 7 - y;
            break;
        }
        data[y * stride + x] = premultiplied(line ? foreground : background);
      }
    }
    cairo_surface_mark_dirty(tile);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(tile);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
    // User space is shifted by half a pixel (pixel centres on whole numbers); the tile is not.
    cairo_matrix_t matrix;
    cairo_matrix_init_translate(&matrix, 0.5, 0.5);
    cairo_pattern_set_matrix(pattern, &matrix);
    cairo_set_source(cr, pattern);
    cairo_pattern_destroy(pattern);
    cairo_surface_destroy(tile);
  }
};

struct GpPen {
  std::unique_ptr<GpBrush> ownBrush;  // pens made from a colour
  const GpBrush* brush;               // pens made from a brush share it; it must outlive the pen
  REAL width;
};

struct GpPath {
  struct Segment {
    bool bezier;
    REAL points[6];  // the line's end, or the Bezier's two controls and end
  };
  struct Figure {
    REAL startX = 0, startY = 0;
    REAL lastX = 0, lastY = 0;
    std::vector<Segment> segments;
    bool closed = false;
  };
  FillMode fillMode;
  std::vector<Figure> figures;
  bool startNew = true;

  // Continues the current figure from (x, y), joining it with a line to its last point.
  Figure& Continue(REAL x, REAL y) {
    if (startNew || figures.empty() || figures.back().closed) {
      figures.emplace_back();
      figures.back().startX = figures.back().lastX = x;
      figures.back().startY = figures.back().lastY = y;
      startNew = false;
    } else if (figures.back().lastX != x || figures.back().lastY != y) {
      figures.back().segments.push_back(Segment{false, {x, y, 0, 0, 0, 0}});
    }
    return figures.back();
  }

  void Trace(cairo_t* cr) const {
    for (const Figure& figure : figures) {
      cairo_move_to(cr, figure.startX, figure.startY);
      for (const Segment& s : figure.segments) {
        if (s.bezier)
          cairo_curve_to(cr, s.points[0], s.points[1], s.points[2], s.points[3], s.points[4], s.points[5]);
        else
          cairo_line_to(cr, s.points[0], s.points[1]);
      }
      if (figure.closed) cairo_close_path(cr);
    }
  }
};

struct GpRegion {
  // A start (everything, or a shape) and shapes combined with it in order.
  struct Part {
    CombineMode mode;
    std::unique_ptr<GpPath> path;  // null with `infinite`
    bool infinite;
  };
  std::vector<Part> parts;
};

struct GpGraphics {
  HDC dc;
  SmoothingMode smoothing = SmoothingModeNone;
};

namespace {

std::atomic<int> startups{0};

// Cairo for a graphics object: the device context's canvas, its offsets applied and pixel
// centres moved onto whole numbers.
class Drawing {
 public:
  explicit Drawing(GpGraphics* graphics) {
    dc_ = platform::gdi::FindDC(graphics->dc);
    if (!dc_) return;
    canvas_ = std::make_unique<platform::gdi::Canvas>(*dc_);
    cairo_t* cr = canvas_->cr();
    bool smooth = graphics->smoothing == SmoothingModeHighQuality ||
                  graphics->smoothing == SmoothingModeAntiAlias;
    cairo_set_antialias(cr, smooth ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    platform::gdi::Mapping m = platform::gdi::MappingOf(dc_->state);
    cairo_translate(cr, m.offsetX + 0.5, m.offsetY + 0.5);
  }
  bool ok() const { return canvas_ != nullptr; }
  cairo_t* cr() const { return canvas_->cr(); }

  void Stroke(const GpPen& pen) {
    cairo_t* cr = canvas_->cr();
    // Pens thinner than a pixel still draw one pixel wide, as the library does.
    cairo_set_line_width(cr, std::max<double>(1.0, pen.width));
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    pen.brush->Apply(cr);
    cairo_stroke(cr);
  }

 private:
  platform::gdi::DeviceContext* dc_ = nullptr;
  std::unique_ptr<platform::gdi::Canvas> canvas_;
};

// Strokes with the pen, or fills with the brush, what trace(cr) lays down on the graphics.
template <class Trace>
GpStatus StrokeTraced(GpGraphics* graphics, GpPen* pen, Trace trace) {
  if (!graphics || !pen) return InvalidParameter;
  Drawing drawing(graphics);
  if (!drawing.ok()) return InvalidParameter;
  trace(drawing.cr());
  drawing.Stroke(*pen);
  return Ok;
}

template <class Trace>
GpStatus FillTraced(GpGraphics* graphics, GpBrush* brush, Trace trace) {
  if (!graphics || !brush) return InvalidParameter;
  Drawing drawing(graphics);
  if (!drawing.ok()) return InvalidParameter;
  trace(drawing.cr());
  brush->Apply(drawing.cr());
  cairo_fill(drawing.cr());
  return Ok;
}

template <typename T, typename... Args>
GpStatus Make(T** out, Args&&... args) {
  if (!out) return InvalidParameter;
  if (startups.load() <= 0) return GdiplusNotInitialized;
  *out = new (std::nothrow) T(std::forward<Args>(args)...);
  return *out ? Ok : OutOfMemory;
}

template <typename T>
GpStatus Delete(T* object) {
  if (!object) return InvalidParameter;
  delete object;
  return Ok;
}

// The region as an A8 mask over the device context's surface (binary: regions are aliased).
std::vector<BYTE> RegionMask(const GpRegion& region, int width, int height, const cairo_matrix_t& toSurface) {
  std::vector<BYTE> mask(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
  std::vector<BYTE> shape(mask.size());
  int stride = cairo_format_stride_for_width(CAIRO_FORMAT_A8, width);
  std::vector<BYTE> scratch(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
  for (std::size_t index = 0; index < region.parts.size(); ++index) {
    const GpRegion::Part& part = region.parts[index];
    if (part.infinite) {
      std::fill(shape.begin(), shape.end(), BYTE{255});
    } else {
      std::fill(scratch.begin(), scratch.end(), BYTE{0});
      cairo_surface_t* surface = cairo_image_surface_create_for_data(scratch.data(), CAIRO_FORMAT_A8, width,
                                                                     height, stride);
      cairo_t* cr = cairo_create(surface);
      cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
      cairo_set_matrix(cr, &toSurface);
      cairo_set_fill_rule(
          cr, part.path->fillMode == FillModeWinding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
      part.path->Trace(cr);
      cairo_fill(cr);
      cairo_destroy(cr);
      cairo_surface_flush(surface);
      cairo_surface_destroy(surface);
      for (int y = 0; y < height; ++y) {
        std::copy_n(scratch.begin() + static_cast<std::ptrdiff_t>(y) * stride, width,
                    shape.begin() + static_cast<std::ptrdiff_t>(y) * width);
      }
    }
    for (std::size_t i = 0; i < mask.size(); ++i) {
      bool a = mask[i] != 0, b = shape[i] != 0;
      bool in = index == 0 ? b : false;
      if (index > 0) {
        switch (part.mode) {
          case CombineModeReplace:
            in = b;
            break;
          case CombineModeIntersect:
            in = a && b;
            break;
          case CombineModeUnion:
            in = a || b;
            break;
          case CombineModeXor:
            in = a != b;
            break;
          case CombineModeExclude:
            in = a && !b;
            break;
          case CombineModeComplement:
            in = b && !a;
            break;
        }
      }
      mask[i] = in ? 255 : 0;
    }
  }
  return mask;
}

}  // namespace

GpStatus GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput*) {
  if (!token || !input || input->GdiplusVersion != 1) return InvalidParameter;
  *token = static_cast<ULONG_PTR>(++startups);
  return Ok;
}

void GdiplusShutdown(ULONG_PTR) { --startups; }

void* GdipAlloc(std::size_t size) { return std::malloc(size); }

void GdipFree(void* pointer) { std::free(pointer); }

GpStatus GdipCreateFromHDC(HDC dc, GpGraphics** graphics) {
  if (!platform::gdi::FindDC(dc)) return InvalidParameter;
  GpStatus status = Make(graphics);
  if (status == Ok) (*graphics)->dc = dc;
  return status;
}

GpStatus GdipDeleteGraphics(GpGraphics* graphics) { return Delete(graphics); }

GpStatus GdipSetSmoothingMode(GpGraphics* graphics, SmoothingMode mode) {
  if (!graphics || mode < SmoothingModeDefault || mode > SmoothingModeAntiAlias) return InvalidParameter;
  graphics->smoothing = mode;
  return Ok;
}

GpStatus GdipGetSmoothingMode(GpGraphics* graphics, SmoothingMode* mode) {
  if (!graphics || !mode) return InvalidParameter;
  *mode = graphics->smoothing;
  return Ok;
}

GpStatus GdipCreateSolidFill(ARGB color, GpSolidFill** brush) { return Make(brush, color); }

GpStatus GdipCreateHatchBrush(HatchStyle style, ARGB foreground, ARGB background, GpHatch** brush) {
  if (style < HatchStyleHorizontal || style > HatchStyleDiagonalCross) return InvalidParameter;
  return Make(brush, style, foreground, background);
}

GpStatus GdipDeleteBrush(GpBrush* brush) { return Delete(brush); }

GpStatus GdipCreatePen1(ARGB color, REAL width, Unit, GpPen** pen) {
  GpStatus status = Make(pen);
  if (status != Ok) return status;
  (*pen)->ownBrush = std::make_unique<GpSolidFill>(color);
  (*pen)->brush = (*pen)->ownBrush.get();
  (*pen)->width = width;
  return Ok;
}

GpStatus GdipCreatePen2(GpBrush* brush, REAL width, Unit, GpPen** pen) {
  if (!brush) return InvalidParameter;
  GpStatus status = Make(pen);
  if (status != Ok) return status;
  (*pen)->brush = brush;
  (*pen)->width = width;
  return Ok;
}

GpStatus GdipDeletePen(GpPen* pen) { return Delete(pen); }

GpStatus GdipCreatePath(FillMode fillMode, GpPath** path) {
  GpStatus status = Make(path);
  if (status == Ok) (*path)->fillMode = fillMode;
  return status;
}

GpStatus GdipDeletePath(GpPath* path) { return Delete(path); }

GpStatus GdipAddPathLine(GpPath* path, REAL x1, REAL y1, REAL x2, REAL y2) {
  if (!path) return InvalidParameter;
  GpPath::Figure& figure = path->Continue(x1, y1);
  figure.segments.push_back(GpPath::Segment{false, {x2, y2, 0, 0, 0, 0}});
  figure.lastX = x2;
  figure.lastY = y2;
  return Ok;
}

GpStatus GdipAddPathLineI(GpPath* path, INT x1, INT y1, INT x2, INT y2) {
  return GdipAddPathLine(path, static_cast<REAL>(x1), static_cast<REAL>(y1), static_cast<REAL>(x2),
                         static_cast<REAL>(y2));
}

GpStatus GdipAddPathBezier(GpPath* path, REAL x1, REAL y1, REAL x2, REAL y2, REAL x3, REAL y3, REAL x4,
                           REAL y4) {
  if (!path) return InvalidParameter;
  GpPath::Figure& figure = path->Continue(x1, y1);
  figure.segments.push_back(GpPath::Segment{true, {x2, y2, x3, y3, x4, y4}});
  figure.lastX = x4;
  figure.lastY = y4;
  return Ok;
}

GpStatus GdipAddPathBezierI(GpPath* path, INT x1, INT y1, INT x2, INT y2, INT x3, INT y3, INT x4, INT y4) {
  auto r = [](INT v) { return static_cast<REAL>(v); };
  return GdipAddPathBezier(path, r(x1), r(y1), r(x2), r(y2), r(x3), r(y3), r(x4), r(y4));
}

GpStatus GdipClosePathFigure(GpPath* path) {
  if (!path) return InvalidParameter;
  if (!path->figures.empty()) path->figures.back().closed = true;
  path->startNew = true;
  return Ok;
}

GpStatus GdipStartPathFigure(GpPath* path) {
  if (!path) return InvalidParameter;
  path->startNew = true;
  return Ok;
}

GpStatus GdipCreateRegion(GpRegion** region) {
  GpStatus status = Make(region);
  if (status == Ok) (*region)->parts.push_back(GpRegion::Part{CombineModeReplace, nullptr, true});
  return status;
}

namespace {

std::unique_ptr<GpPath> RectPath(const GpRectF& rect) {
  auto path = std::make_unique<GpPath>();
  path->fillMode = FillModeAlternate;
  GdipAddPathLine(path.get(), rect.X, rect.Y, rect.X + rect.Width, rect.Y);
  GdipAddPathLine(path.get(), rect.X + rect.Width, rect.Y + rect.Height, rect.X, rect.Y + rect.Height);
  GdipClosePathFigure(path.get());
  return path;
}

}  // namespace

GpStatus GdipCreateRegionRect(const GpRectF* rect, GpRegion** region) {
  if (!rect) return InvalidParameter;
  GpStatus status = Make(region);
  if (status == Ok) (*region)->parts.push_back(GpRegion::Part{CombineModeReplace, RectPath(*rect), false});
  return status;
}

GpStatus GdipCreateRegionPath(GpPath* path, GpRegion** region) {
  if (!path) return InvalidParameter;
  GpStatus status = Make(region);
  if (status == Ok)
    (*region)->parts.push_back(GpRegion::Part{CombineModeReplace, std::make_unique<GpPath>(*path), false});
  return status;
}

GpStatus GdipCombineRegionPath(GpRegion* region, GpPath* path, CombineMode mode) {
  if (!region || !path || mode < CombineModeReplace || mode > CombineModeComplement) return InvalidParameter;
  region->parts.push_back(GpRegion::Part{mode, std::make_unique<GpPath>(*path), false});
  return Ok;
}

GpStatus GdipCombineRegionRect(GpRegion* region, const GpRectF* rect, CombineMode mode) {
  if (!region || !rect || mode < CombineModeReplace || mode > CombineModeComplement) return InvalidParameter;
  region->parts.push_back(GpRegion::Part{mode, RectPath(*rect), false});
  return Ok;
}

GpStatus GdipDeleteRegion(GpRegion* region) { return Delete(region); }

GpStatus GdipFillRegion(GpGraphics* graphics, GpBrush* brush, GpRegion* region) {
  if (!graphics || !brush || !region) return InvalidParameter;
  Drawing drawing(graphics);
  if (!drawing.ok()) return InvalidParameter;
  cairo_t* cr = drawing.cr();
  cairo_surface_t* target = cairo_get_target(cr);
  int width = cairo_image_surface_get_width(target), height = cairo_image_surface_get_height(target);
  cairo_matrix_t toSurface;
  cairo_get_matrix(cr, &toSurface);
  std::vector<BYTE> mask = RegionMask(*region, width, height, toSurface);
  int stride = cairo_format_stride_for_width(CAIRO_FORMAT_A8, width);
  std::vector<BYTE> padded(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    std::copy_n(mask.begin() + static_cast<std::ptrdiff_t>(y) * width, width,
                padded.begin() + static_cast<std::ptrdiff_t>(y) * stride);
  }
  cairo_surface_t* maskSurface = cairo_image_surface_create_for_data(padded.data(), CAIRO_FORMAT_A8, width,
                                                                     height, stride);
  brush->Apply(cr);
  // The mask lies in surface coordinates: identity for it, the brush keeps user space.
  cairo_pattern_t* source = cairo_get_source(cr);
  cairo_pattern_reference(source);
  cairo_matrix_t sourceMatrix;
  cairo_pattern_get_matrix(source, &sourceMatrix);
  cairo_matrix_t inverse = toSurface;
  cairo_matrix_invert(&inverse);
  cairo_matrix_multiply(&sourceMatrix, &inverse, &sourceMatrix);
  cairo_pattern_set_matrix(source, &sourceMatrix);
  cairo_identity_matrix(cr);
  cairo_set_source(cr, source);
  cairo_mask_surface(cr, maskSurface, 0, 0);
  cairo_pattern_destroy(source);
  cairo_surface_destroy(maskSurface);
  return Ok;
}

GpStatus GdipFillPath(GpGraphics* graphics, GpBrush* brush, GpPath* path) {
  if (!path) return InvalidParameter;
  return FillTraced(graphics, brush, [path](cairo_t* cr) {
    cairo_set_fill_rule(
        cr, path->fillMode == FillModeWinding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
    path->Trace(cr);
  });
}

GpStatus GdipDrawPath(GpGraphics* graphics, GpPen* pen, GpPath* path) {
  if (!path) return InvalidParameter;
  return StrokeTraced(graphics, pen, [path](cairo_t* cr) { path->Trace(cr); });
}

GpStatus GdipDrawLine(GpGraphics* graphics, GpPen* pen, REAL x1, REAL y1, REAL x2, REAL y2) {
  return StrokeTraced(graphics, pen, [&](cairo_t* cr) {
    cairo_move_to(cr, x1, y1);
    cairo_line_to(cr, x2, y2);
  });
}

GpStatus GdipDrawLineI(GpGraphics* graphics, GpPen* pen, INT x1, INT y1, INT x2, INT y2) {
  return GdipDrawLine(graphics, pen, static_cast<REAL>(x1), static_cast<REAL>(y1), static_cast<REAL>(x2),
                      static_cast<REAL>(y2));
}

GpStatus GdipDrawBezier(GpGraphics* graphics, GpPen* pen, REAL x1, REAL y1, REAL x2, REAL y2, REAL x3,
                        REAL y3, REAL x4, REAL y4) {
  return StrokeTraced(graphics, pen, [&](cairo_t* cr) {
    cairo_move_to(cr, x1, y1);
    cairo_curve_to(cr, x2, y2, x3, y3, x4, y4);
  });
}

GpStatus GdipDrawBezierI(GpGraphics* graphics, GpPen* pen, INT x1, INT y1, INT x2, INT y2, INT x3, INT y3,
                         INT x4, INT y4) {
  auto r = [](INT v) { return static_cast<REAL>(v); };
  return GdipDrawBezier(graphics, pen, r(x1), r(y1), r(x2), r(y2), r(x3), r(y3), r(x4), r(y4));
}

GpStatus GdipDrawRectangle(GpGraphics* graphics, GpPen* pen, REAL x, REAL y, REAL width, REAL height) {
  return StrokeTraced(graphics, pen, [&](cairo_t* cr) { cairo_rectangle(cr, x, y, width, height); });
}

GpStatus GdipDrawRectangleI(GpGraphics* graphics, GpPen* pen, INT x, INT y, INT width, INT height) {
  return GdipDrawRectangle(graphics, pen, static_cast<REAL>(x), static_cast<REAL>(y),
                           static_cast<REAL>(width), static_cast<REAL>(height));
}

namespace {

void EllipsePath(cairo_t* cr, REAL x, REAL y, REAL width, REAL height) {
  if (width <= 0 || height <= 0) return;
  cairo_save(cr);
  cairo_translate(cr, x + width / 2.0, y + height / 2.0);
  cairo_scale(cr, width / 2.0, height / 2.0);
  cairo_arc(cr, 0, 0, 1, 0, 2 * 3.14159265358979323846);
  cairo_restore(cr);
}

}  // namespace

GpStatus GdipDrawEllipse(GpGraphics* graphics, GpPen* pen, REAL x, REAL y, REAL width, REAL height) {
  return StrokeTraced(graphics, pen, [&](cairo_t* cr) { EllipsePath(cr, x, y, width, height); });
}

GpStatus GdipDrawEllipseI(GpGraphics* graphics, GpPen* pen, INT x, INT y, INT width, INT height) {
  return GdipDrawEllipse(graphics, pen, static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(width),
                         static_cast<REAL>(height));
}

GpStatus GdipFillRectangle(GpGraphics* graphics, GpBrush* brush, REAL x, REAL y, REAL width, REAL height) {
  return FillTraced(graphics, brush, [&](cairo_t* cr) { cairo_rectangle(cr, x, y, width, height); });
}

GpStatus GdipFillRectangleI(GpGraphics* graphics, GpBrush* brush, INT x, INT y, INT width, INT height) {
  return GdipFillRectangle(graphics, brush, static_cast<REAL>(x), static_cast<REAL>(y),
                           static_cast<REAL>(width), static_cast<REAL>(height));
}

GpStatus GdipFillEllipse(GpGraphics* graphics, GpBrush* brush, REAL x, REAL y, REAL width, REAL height) {
  return FillTraced(graphics, brush, [&](cairo_t* cr) { EllipsePath(cr, x, y, width, height); });
}

GpStatus GdipFillEllipseI(GpGraphics* graphics, GpBrush* brush, INT x, INT y, INT width, INT height) {
  return GdipFillEllipse(graphics, brush, static_cast<REAL>(x), static_cast<REAL>(y),
                         static_cast<REAL>(width), static_cast<REAL>(height));
}
