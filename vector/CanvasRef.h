// The door through which the rest of the system draws: CanvasRef, a canvas over a core image,
// and PaintRef, one paint to fill with. Each holds one object and forwards to it; a canvas or
// paint that could not be made answers 101 or false instead of drawing.
#pragma once
#include <cstdint>

#include "core/Matrix3.h"
#include "core/PixelFormat.h"
#include "platform/win32/Types.h"
#include "vector/RefCounted.h"
#include "vector/VectorPath.h"

namespace corvel {

class CRowIteratorBands;
class ImageCanvas;
class Paint;
class RowOperation;

class PaintRef {
 public:
  PaintRef() = default;
  ~PaintRef();
  PaintRef(const PaintRef&) = delete;
  PaintRef& operator=(const PaintRef&) = delete;

  // Each replaces the paint held; false (and no paint) when the new one cannot be made.
  // 0xAARRGGBB, alpha kept.
  bool SetColor(std::uint32_t color);
  // The image as a repeating pattern through the matrix (null: 1 : 1 from the origin).
  bool SetImage(CRowIteratorBands& image, bool copy, const Matrix3* matrix, int resampling, int edgeMode,
                std::uint32_t edgeColor);
  // Colours are platform colour references (red in the low byte).
  bool SetCheckerboard(int cell, std::uint32_t colorRefA, std::uint32_t colorRefB);
  Paint* Get() const { return paint_; }

 private:
  bool Hold(Paint* created);

  Paint* paint_ = nullptr;
};

class CanvasRef {
 public:
  explicit CanvasRef(keFormat format = keFormatBGR);
  ~CanvasRef();
  CanvasRef(const CanvasRef&) = delete;
  CanvasRef& operator=(const CanvasRef&) = delete;

  // The canvas draws into the image's own pixels until detached. 101 when it cannot.
  int AttachImage(CRowIteratorBands& image);
  int DetachImage();
  // The canvas keeps its own reference; an empty PaintRef clears the fill paint.
  bool SetFillPaint(const PaintRef& paint);
  bool SetOpacity(std::uint8_t opacity);
  // Always opaque, whatever the colour's alpha byte says.
  bool SetStrokeColor(std::uint32_t color);
  // With deviceWidth the width is in device pixels. Answers the previous width.
  double SetLineWidth(double width, bool deviceWidth);
  // Rectangles in view coordinates, filled at full coverage; null: the whole clip.
  bool Fill(const RECT* rect);
  bool FillAll() { return Fill(nullptr); }
  bool StrokePath(const RefPtr<VectorPath>& path);
  int DrawImage(CRowIteratorBands& image, double left, double top, double right, double bottom, int method,
                int edgeMode, const RowOperation* blend);
  // Filled with the fill paint, then outlined with the stroke paint; no outline when the fill
  // fails.
  bool DrawRoundRect(double left, double top, double right, double bottom, double rx, double ry);

 private:
  ImageCanvas* canvas_;
};

}  // namespace corvel
