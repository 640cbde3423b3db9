// Paints: what a drawing context fills with. Attached to a target for one drawing call, a paint
// turns spans of coverage into pixels: its source gives the colours (one colour, an image
// pattern through a matrix, a checkerboard), weakened by the paint's opacity, its mask and the
// context's mask, and laid over the target by a blend row operation. Colours are 0xAARRGGBB,
// the value of a BGRA pixel; entry points that take the platform's colour references
// (0x00BBGGRR) convert them.
#pragma once
#include <cstdint>
#include <memory>

#include "core/RowIteratorBands.h"
#include "rowops/PixelHelpers.h"
#include "rowops/RowOpContext.h"
#include "vector/PaintSource.h"
#include "vector/RefCounted.h"
#include "vector/SpanFiller.h"

namespace corvel {

enum PaintKind : std::int32_t { kePaintSolid = 1, kePaintImage = 6, kePaintChecker = 7 };

// A platform colour reference as an engine colour: red and blue exchanged, opaque.
constexpr std::uint32_t ColorRefToColor(std::uint32_t colorRef) {
  return SwapRedBlue(colorRef) | 0xFF000000u;
}

class ImagePaintSource : public PaintSource {
 public:
  // Indexed images are converted to BGR; patterns drawn smaller are reduced once beforehand;
  // others are copied or shared. False when that fails.
  bool Init(CRowIteratorBands& image, bool copy, const Matrix3* matrix, const SamplerOptions* options);
  bool Prepare(const PaintAttachRecord& record) override;
  bool Unprepare() override;
  bool IsOpaque() const override { return opaque_; }
  void GenerateSpan(RowOpRow& request) override;
  // A wrapped pattern under a whole-pixel translation is repeated row by row, converted once per
  // row; anything else is sampled.
  void FillImage(CRowIteratorBands& image, const RECT* rect, int x, int y) override;
  // The pattern as sampled (after any conversion or reduction).
  const CRowIteratorBands& Image() const { return image_; }

 private:
  CRowIteratorBands image_;
  Matrix3 matrix_ = kIdentityMatrix3;
  SamplerOptions options_;
  std::unique_ptr<ImageSampler> sampler_;
  Matrix3 inverse_ = kIdentityMatrix3;
  std::uint32_t kind_ = 0;
  bool opaque_ = false;
};

// Every pixel of an image in a format with alpha is fully opaque (formats without alpha are).
bool IsImageOpaque(CRowIteratorBands& image);

class CheckerPaintSource : public PaintSource {
 public:
  // Colours are platform colour references.
  CheckerPaintSource(int cell, std::uint32_t colorRefA, std::uint32_t colorRefB)
      : cell_(cell > 0 ? cell : 1), colors_{ColorRefToColor(colorRefA), ColorRefToColor(colorRefB)} {}
  bool Prepare(const PaintAttachRecord& record) override;
  bool Unprepare() override;
  bool IsOpaque() const override { return true; }
  void GenerateSpan(RowOpRow& request) override;

 private:
  int cell_;
  std::uint32_t colors_[2];
  HeapBuffer bgraRows_[2];
  HeapBuffer preparedRows_[2];
  keFormat prepared_ = keFormatBGRA;
  int bytesPerPixel_ = 4;
  int width_ = 0;
  int originX_ = 0;
  int originY_ = 0;
};

class Paint : public RefCounted, public SpanFiller {
 public:
  Paint(PaintKind kind, std::unique_ptr<PaintSource> source) : kind_(kind), source_(std::move(source)) {}
  ~Paint() override;

  // False when the row buffer or the source cannot be made ready; the call then draws nothing.
  bool Attach(const PaintAttachRecord& record);
  bool Detach();
  PaintKind GetKind() const { return kind_; }
  std::uint8_t SetOpacity(std::uint8_t opacity) { return opacity_ = effectiveOpacity_ = opacity; }
  // Opaque source, shared blend, full opacity and no masks: spans are written straight in.
  bool IsDirect() const;
  // 0, or 102 when the mask source cannot be made.
  int SetMask(CRowIteratorBands& image, bool copy, const Matrix3* matrix, const SamplerOptions* options);

  void FillSpan(int x, int y, std::uint8_t coverage, int count) override;
  void FillSpanCoverage(int x, int y, const std::uint8_t* coverage, int count) override;
  void FillRect(int x, int y, int width, int height, std::uint8_t coverage) override;

 private:
  // Clamps the span to the clip; false when nothing is left.
  bool Clip(int* x, int y, int* count) const;
  // The source's colours for the span in BGRA, with both masks multiplied into the alpha.
  std::uint8_t* GenerateMasked(int x, int y, int count);
  void Blend(int x, int y, int count, const std::uint8_t* bgra);

  PaintKind kind_;
  std::unique_ptr<PaintSource> source_;
  std::unique_ptr<ImagePaintSource> mask_;
  std::unique_ptr<ImagePaintSource> contextMask_;
  PaintAttachRecord record_;
  const std::uint8_t* registeredPalette_ = nullptr;
  RowOpArgs args_;
  RowOpContext blend_;
  OpacityScaler scaleOpacity_ = GetOpacityScaler(keFormatBGRA);
  HeapBuffer row_;
  HeapBuffer maskRow_;
  std::uint8_t opacity_ = 255;
  std::uint8_t effectiveOpacity_ = 255;
  bool direct_ = true;
  bool attached_ = false;
};

// Each answers a new paint with one reference, or null. The solid colour is 0xAARRGGBB; null
// options mean bilinear sampling with the pattern wrapped.
Paint* CreateSolidPaint(std::uint32_t color);
Paint* CreateImagePaint(CRowIteratorBands& image, bool copy, const Matrix3* matrix,
                        const SamplerOptions* options);
// Colours are platform colour references.
Paint* CreateCheckerPaint(int cell, std::uint32_t colorRefA, std::uint32_t colorRefB);
std::unique_ptr<ImagePaintSource> CreateImagePaintSource(CRowIteratorBands& image, bool copy,
                                                         const Matrix3* matrix,
                                                         const SamplerOptions* options);

}  // namespace corvel
