#include "vector/CanvasRef.h"

#include "vector/Paint.h"
#include "vector/detail/ImageCanvas.h"
#include "vector/detail/PathReader.h"

namespace corvel {
namespace {

bool StrokeWith(ImageCanvas& canvas, const VectorPath& path) {
  PathReader* reader = CreatePathReader(path);
  if (reader == nullptr) return false;
  const bool stroked = canvas.StrokePath(reader, nullptr);
  reader->RefCounted::Release();
  return stroked;
}

}  // namespace

PaintRef::~PaintRef() { SafeRelease(paint_); }

bool PaintRef::Hold(Paint* created) {
  SafeRelease(paint_);
  paint_ = created;  // the creator's reference becomes ours
  return paint_ != nullptr;
}

bool PaintRef::SetColor(std::uint32_t color) { return Hold(CreateSolidPaint(color)); }

bool PaintRef::SetImage(CRowIteratorBands& image, bool copy, const Matrix3* matrix, int resampling,
                        int edgeMode, std::uint32_t edgeColor) {
  const SamplerOptions options{resampling, edgeMode, edgeColor, false};
  return Hold(CreateImagePaint(image, copy, matrix, &options));
}

bool PaintRef::SetCheckerboard(int cell, std::uint32_t colorRefA, std::uint32_t colorRefB) {
  return Hold(CreateCheckerPaint(cell, colorRefA, colorRefB));
}

CanvasRef::CanvasRef(keFormat format) : canvas_(CreateImageCanvas(format)) {}

CanvasRef::~CanvasRef() { delete canvas_; }

int CanvasRef::AttachImage(CRowIteratorBands& image) {
  return canvas_ != nullptr ? canvas_->AttachImage(image) : keErrorBadArgument;
}

int CanvasRef::DetachImage() { return canvas_ != nullptr ? canvas_->DetachImage() : keErrorBadArgument; }

bool CanvasRef::SetFillPaint(const PaintRef& paint) {
  return canvas_ != nullptr && canvas_->SetFillPaint(paint.Get());
}

bool CanvasRef::SetOpacity(std::uint8_t opacity) {
  return canvas_ != nullptr && canvas_->SetFillOpacity(opacity);
}

bool CanvasRef::SetStrokeColor(std::uint32_t color) {
  if (canvas_ == nullptr) return false;
  Paint* paint = CreateSolidPaint(color | 0xFF000000u);
  if (paint == nullptr) return false;
  const bool set = canvas_->SetStrokePaint(paint);
  paint->Release();
  return set;
}

double CanvasRef::SetLineWidth(double width, bool deviceWidth) {
  return canvas_ != nullptr ? canvas_->SetLineWidth(width, deviceWidth) : 0.0;
}

bool CanvasRef::Fill(const RECT* rect) { return canvas_ != nullptr && canvas_->Fill(rect); }

bool CanvasRef::StrokePath(const RefPtr<VectorPath>& path) {
  return canvas_ != nullptr && path && StrokeWith(*canvas_, *path);
}

int CanvasRef::DrawImage(CRowIteratorBands& image, double left, double top, double right, double bottom,
                         int method, int edgeMode, const RowOperation* blend) {
  if (canvas_ == nullptr) return keErrorBadArgument;
  return canvas_->DrawImage(image, left, top, right, bottom, method, edgeMode, blend);
}

bool CanvasRef::DrawRoundRect(double left, double top, double right, double bottom, double rx, double ry) {
  if (canvas_ == nullptr) return false;
  RefPtr<VectorPath> path = RefPtr<VectorPath>::Adopt(CreateRoundRectPath(left, top, right, bottom, rx, ry));
  if (!path) return false;
  PathReader* reader = CreatePathReader(*path);
  if (reader == nullptr) return false;
  const bool filled = canvas_->FillPath(reader, nullptr);
  reader->RefCounted::Release();
  return filled && StrokeWith(*canvas_, *path);
}

}  // namespace corvel
