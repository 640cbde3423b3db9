// The flat functions of the platform's 2-D drawing library that the shape overlays use, over
// Cairo: a graphics object on a device context, solid and hatch brushes, pens made from a
// colour or a brush, paths of lines and Beziers, regions combined with paths and rectangles,
// and the fills and strokes of those. Coordinates are the device context's, with pixel centres
// on whole numbers as the library has them. Regions fill without antialiasing, as there.
#pragma once
#include <cstddef>

#include "platform/win32/Types.h"

using REAL = float;
using ARGB = DWORD;
using GpStatus = int;
constexpr GpStatus Ok = 0;
constexpr GpStatus GenericError = 1;
constexpr GpStatus InvalidParameter = 2;
constexpr GpStatus OutOfMemory = 3;
constexpr GpStatus NotImplemented = 6;
constexpr GpStatus GdiplusNotInitialized = 18;

struct GdiplusStartupInput {
  UINT GdiplusVersion = 1;
  void* DebugEventCallback = nullptr;
  BOOL SuppressBackgroundThread = FALSE;
  BOOL SuppressExternalCodecs = FALSE;
};
struct GdiplusStartupOutput {
  void* NotificationHook;
  void* NotificationUnhook;
};
GpStatus GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output);
void GdiplusShutdown(ULONG_PTR token);
void* GdipAlloc(std::size_t size);
void GdipFree(void* pointer);

enum SmoothingMode {
  SmoothingModeInvalid = -1,
  SmoothingModeDefault = 0,
  SmoothingModeHighSpeed = 1,
  SmoothingModeHighQuality = 2,
  SmoothingModeNone = 3,
  SmoothingModeAntiAlias = 4
};
enum HatchStyle {
  HatchStyleHorizontal = 0,
  HatchStyleVertical = 1,
  HatchStyleForwardDiagonal = 2,
  HatchStyleBackwardDiagonal = 3,
  HatchStyleCross = 4,
  HatchStyleDiagonalCross = 5
};
enum Unit { UnitWorld = 0, UnitDisplay = 1, UnitPixel = 2 };
enum FillMode { FillModeAlternate = 0, FillModeWinding = 1 };
enum CombineMode {
  CombineModeReplace = 0,
  CombineModeIntersect = 1,
  CombineModeUnion = 2,
  CombineModeXor = 3,
  CombineModeExclude = 4,
  CombineModeComplement = 5
};
struct GpRectF {
  REAL X, Y, Width, Height;
};

struct GpGraphics;
struct GpBrush;
struct GpSolidFill;
struct GpHatch;
struct GpPen;
struct GpPath;
struct GpRegion;

GpStatus GdipCreateFromHDC(HDC dc, GpGraphics** graphics);
GpStatus GdipDeleteGraphics(GpGraphics* graphics);
GpStatus GdipSetSmoothingMode(GpGraphics* graphics, SmoothingMode mode);
GpStatus GdipGetSmoothingMode(GpGraphics* graphics, SmoothingMode* mode);

GpStatus GdipCreateSolidFill(ARGB color, GpSolidFill** brush);
GpStatus GdipCreateHatchBrush(HatchStyle style, ARGB foreground, ARGB background, GpHatch** brush);
GpStatus GdipDeleteBrush(GpBrush* brush);

GpStatus GdipCreatePen1(ARGB color, REAL width, Unit unit, GpPen** pen);
GpStatus GdipCreatePen2(GpBrush* brush, REAL width, Unit unit, GpPen** pen);
GpStatus GdipDeletePen(GpPen* pen);

// Segments added to a path join the current figure, connected to its last point.
GpStatus GdipCreatePath(FillMode fillMode, GpPath** path);
GpStatus GdipDeletePath(GpPath* path);
GpStatus GdipAddPathLine(GpPath* path, REAL x1, REAL y1, REAL x2, REAL y2);
GpStatus GdipAddPathLineI(GpPath* path, INT x1, INT y1, INT x2, INT y2);
GpStatus GdipAddPathBezier(GpPath* path, REAL x1, REAL y1, REAL x2, REAL y2, REAL x3, REAL y3, REAL x4,
                           REAL y4);
GpStatus GdipAddPathBezierI(GpPath* path, INT x1, INT y1, INT x2, INT y2, INT x3, INT y3, INT x4, INT y4);
GpStatus GdipClosePathFigure(GpPath* path);
GpStatus GdipStartPathFigure(GpPath* path);

GpStatus GdipCreateRegion(GpRegion** region);  // infinite
GpStatus GdipCreateRegionRect(const GpRectF* rect, GpRegion** region);
GpStatus GdipCreateRegionPath(GpPath* path, GpRegion** region);
GpStatus GdipCombineRegionPath(GpRegion* region, GpPath* path, CombineMode mode);
GpStatus GdipCombineRegionRect(GpRegion* region, const GpRectF* rect, CombineMode mode);
GpStatus GdipDeleteRegion(GpRegion* region);

GpStatus GdipFillRegion(GpGraphics* graphics, GpBrush* brush, GpRegion* region);
GpStatus GdipFillPath(GpGraphics* graphics, GpBrush* brush, GpPath* path);
GpStatus GdipDrawPath(GpGraphics* graphics, GpPen* pen, GpPath* path);
GpStatus GdipDrawLine(GpGraphics* graphics, GpPen* pen, REAL x1, REAL y1, REAL x2, REAL y2);
GpStatus GdipDrawLineI(GpGraphics* graphics, GpPen* pen, INT x1, INT y1, INT x2, INT y2);
GpStatus GdipDrawBezier(GpGraphics* graphics, GpPen* pen, REAL x1, REAL y1, REAL x2, REAL y2, REAL x3,
                        REAL y3, REAL x4, REAL y4);
GpStatus GdipDrawBezierI(GpGraphics* graphics, GpPen* pen, INT x1, INT y1, INT x2, INT y2, INT x3, INT y3,
                         INT x4, INT y4);
GpStatus GdipDrawRectangle(GpGraphics* graphics, GpPen* pen, REAL x, REAL y, REAL width, REAL height);
GpStatus GdipDrawRectangleI(GpGraphics* graphics, GpPen* pen, INT x, INT y, INT width, INT height);
GpStatus GdipDrawEllipse(GpGraphics* graphics, GpPen* pen, REAL x, REAL y, REAL width, REAL height);
GpStatus GdipDrawEllipseI(GpGraphics* graphics, GpPen* pen, INT x, INT y, INT width, INT height);
GpStatus GdipFillRectangle(GpGraphics* graphics, GpBrush* brush, REAL x, REAL y, REAL width, REAL height);
GpStatus GdipFillRectangleI(GpGraphics* graphics, GpBrush* brush, INT x, INT y, INT width, INT height);
GpStatus GdipFillEllipse(GpGraphics* graphics, GpBrush* brush, REAL x, REAL y, REAL width, REAL height);
GpStatus GdipFillEllipseI(GpGraphics* graphics, GpBrush* brush, INT x, INT y, INT width, INT height);
