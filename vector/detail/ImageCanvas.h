// The drawing context whose surface is a core image: an attached image shares its buffers, so
// what the canvas draws is the caller's pixels.
#pragma once
#include "vector/detail/DrawContext.h"

namespace corvel {

struct PaletteRecord {
  int size = 0;
  const RGBQUAD* entries = nullptr;
};

class ImageCanvas : public DrawContext {
 public:
  explicit ImageCanvas(keFormat format) : DrawContext(format) {}
  ~ImageCanvas() override;

  // 101 when the image cannot be shared; view, device and clip become the image's rectangle.
  int AttachImage(CRowIteratorBands& image) override;
  // 101 when nothing is attached.
  int DetachImage() override;
  CRowIteratorBands* GetTargetImage() override { return &target_; }
  PaletteRecord GetPalette() const;
  // Makes a target of the device's size in the canvas's format when the size changes.
  int SetView(int left, int top, int right, int bottom, double zoom) override;

  // Rectangles in view coordinates; null: the whole clip.
  bool Fill(const RECT* rect) override;
  bool FillRegion(RegionBase* region) override;
  bool StrokeRegion(RegionBase* region) override;
  bool PaintRegion(Paint* paint, RegionBase* region);
  bool Render(PathStage& stage, int mode, Paint* paint, std::int32_t fillRule,
              const Matrix3* matrix) override;
  // Coverage images drawn under a pure translation only; false under any other matrix.
  bool FillImageCoverage(CRowIteratorBands& coverage, const POINT* offset);
  bool StrokeImageCoverage(CRowIteratorBands& coverage, const POINT* offset);

  bool DrawGlyphBitmap(CRowIteratorBands& coverage, double x, double y) override;
  bool CanDrawGlyphBitmaps() override;

  // Copies with format conversion; 0 when the areas do not meet, 101 when the copy fails.
  int PutImage(CRowIteratorBands& image, const RECT* rect);
  int GetImage(CRowIteratorBands& out, const RECT* rect);
  // The image scaled onto the destination (view coordinates). A null blend copies, or blends
  // an image with alpha. 102 when its paint or region cannot be made.
  int DrawImage(CRowIteratorBands& image, double left, double top, double right, double bottom, int method,
                int edgeMode, const RowOperation* blend);
  // The operation from the source rectangle (or the source's top-left) onto the destination
  // rectangle (null: the view), clipped. False when the rectangles differ in size or the
  // operation cannot bind.
  bool ApplyRowOperation(RowOperation& op, const RECT* rect, CRowIteratorBands* source,
                         const RECT* sourceRect);
  // The same with the source read through a sampler, so that its edge mode answers outside it.
  bool ApplyRowOperationSampled(RowOperation& op, const RECT* rect, CRowIteratorBands& source,
                                const RECT* sourceRect, const SamplerOptions& options);
  // The source mapped by the current transformation times the matrix; null options sample
  // bilinearly (nearest for indexed sources) with the edge filled.
  bool ApplyRowOperationTransformed(RowOperation& op, const RECT* rect, CRowIteratorBands& source,
                                    const Matrix3& matrix, const SamplerOptions* options);
  // A checkerboard of the two colours (platform colour references) under the destination, then
  // the image blended over it 1 : 1 from the destination's top-left (null: the view's).
  bool DrawImageOnChecker(CRowIteratorBands& image, int cell, std::uint32_t colorRefA,
                          std::uint32_t colorRefB, const RECT* destination);
  // Scrolls the pixels inside the rectangle by (dx, dy).
  bool RunRectCopy(int dx, int dy, const RECT& rect);

  // Operations whose arguments nothing has settled: always 101.
  int FillFromSource() { return keErrorBadArgument; }
  int CompositeContext() { return keErrorBadArgument; }
  int CopyScaledRect() { return keErrorBadArgument; }

 private:
  bool DrawCoverageImage(Paint* paint, CRowIteratorBands& coverage, const POINT* offset);
  // The rectangle in device pixels (wanted) and its part inside the clip (area); false when empty.
  bool ClipDestination(const RECT* rect, RECT* wanted, RECT* area) const;
  // Device pixels of the area from the source through inverse (device to source).
  bool ApplySampled(RowOperation& op, const RECT& area, CRowIteratorBands& source, const Matrix3& inverse,
                    const SamplerOptions& options);

  CRowIteratorBands target_;
};

// Null when it cannot be allocated.
ImageCanvas* CreateImageCanvas(keFormat format);

}  // namespace corvel
