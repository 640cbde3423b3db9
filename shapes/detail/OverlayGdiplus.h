// The flat drawing functions the overlays use, reached through one table so that a test can
// watch the calls, and small owners of the drawing objects, each keeping its last call's status.
#pragma once
#include "platform/gdi/GdiPlus.h"

namespace shapes::detail {

struct GdiplusFunctions {
  decltype(&GdipCreateFromHDC) CreateFromHDC = &GdipCreateFromHDC;
  decltype(&GdipDeleteGraphics) DeleteGraphics = &GdipDeleteGraphics;
  decltype(&GdipSetSmoothingMode) SetSmoothingMode = &GdipSetSmoothingMode;
  decltype(&GdipCreateSolidFill) CreateSolidFill = &GdipCreateSolidFill;
  decltype(&GdipCreateHatchBrush) CreateHatchBrush = &GdipCreateHatchBrush;
  decltype(&GdipDeleteBrush) DeleteBrush = &GdipDeleteBrush;
  decltype(&GdipCreatePen2) CreatePen2 = &GdipCreatePen2;
  decltype(&GdipDeletePen) DeletePen = &GdipDeletePen;
  decltype(&GdipCreatePath) CreatePath = &GdipCreatePath;
  decltype(&GdipDeletePath) DeletePath = &GdipDeletePath;
  decltype(&GdipAddPathBezier) AddPathBezier = &GdipAddPathBezier;
  decltype(&GdipAddPathLine) AddPathLine = &GdipAddPathLine;
  decltype(&GdipCreateRegion) CreateRegion = &GdipCreateRegion;
  decltype(&GdipCombineRegionPath) CombineRegionPath = &GdipCombineRegionPath;
  decltype(&GdipDeleteRegion) DeleteRegion = &GdipDeleteRegion;
  decltype(&GdipFillRegion) FillRegion = &GdipFillRegion;
  decltype(&GdipDrawBezier) DrawBezier = &GdipDrawBezier;
  decltype(&GdipDrawRectangleI) DrawRectangleI = &GdipDrawRectangleI;
  decltype(&GdipDrawEllipseI) DrawEllipseI = &GdipDrawEllipseI;
  decltype(&GdipDrawLine) DrawLine = &GdipDrawLine;
};

GdiplusFunctions& OverlayGdiplus();

struct GdiPoint {
  REAL x, y;
};

class Graphics {
 public:
  explicit Graphics(HDC dc) { status = OverlayGdiplus().CreateFromHDC(dc, &graphics); }
  ~Graphics() { Release(); }
  Graphics(const Graphics&) = delete;
  Graphics& operator=(const Graphics&) = delete;
  void Release();
  GpGraphics* get() const { return graphics; }
  GpStatus status;

 private:
  GpGraphics* graphics = nullptr;
};

class Brush {
 public:
  static Brush Solid(ARGB color);
  static Brush Hatch(HatchStyle style, ARGB foreground, ARGB background);
  ~Brush() { Release(); }
  Brush(Brush&& other) noexcept : status(other.status), brush(other.brush) { other.brush = nullptr; }
  Brush& operator=(Brush&&) = delete;
  void Release();
  GpBrush* get() const { return brush; }
  GpStatus status = Ok;

 private:
  Brush() = default;
  GpBrush* brush = nullptr;
};

class Pen {
 public:
  Pen(const Brush& brush, REAL width) {
    status = OverlayGdiplus().CreatePen2(brush.get(), width, UnitWorld, &pen);
  }
  ~Pen() { Release(); }
  Pen(const Pen&) = delete;
  Pen& operator=(const Pen&) = delete;
  void Release();
  GpPen* get() const { return pen; }
  GpStatus status;

 private:
  GpPen* pen = nullptr;
};

class Path {
 public:
  explicit Path(FillMode mode) { status = OverlayGdiplus().CreatePath(mode, &path); }
  ~Path() { Release(); }
  Path(const Path&) = delete;
  Path& operator=(const Path&) = delete;
  void AddBezier(const GdiPoint (&curve)[4]);
  void AddLine(GdiPoint from, GdiPoint to);
  void Release();
  GpPath* get() const { return path; }
  GpStatus status;

 private:
  GpPath* path = nullptr;
};

// Starts infinite; CombineXor with a path leaves everything outside it.
class Region {
 public:
  Region() { status = OverlayGdiplus().CreateRegion(&region); }
  ~Region() { Release(); }
  Region(const Region&) = delete;
  Region& operator=(const Region&) = delete;
  void CombineXor(const Path& path) {
    status = OverlayGdiplus().CombineRegionPath(region, path.get(), CombineModeXor);
  }
  void Release();
  GpRegion* get() const { return region; }
  GpStatus status;

 private:
  GpRegion* region = nullptr;
};

}  // namespace shapes::detail
