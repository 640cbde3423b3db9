#include "vector/detail/ImageCanvas.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>

#include "core/RectHelpers.h"
#include "core/Rounding.h"
#include "platform/win32/Rect.h"
#include "rowops/HeapBuffer.h"
#include "rowops/ImageBufferOps.h"
#include "rowops/ImageSampler.h"
#include "rowops/RowBlendOp.h"
#include "rowops/RowCopyOp.h"
#include "rowops/RowOpContext.h"
#include "rowops/TiledImage.h"
#include "vector/detail/Coverage.h"
#include "vector/detail/RowHelpers.h"

namespace corvel {
namespace {

constexpr double kEpsilon = 1e-8;

bool IsEmptyRect(const RECT& rect) { return rect.right <= rect.left || rect.bottom <= rect.top; }

// Rows of an 8-bit coverage image handed to a paint as coverage spans.
class CoverageWriter : public RowWriter {
 public:
  explicit CoverageWriter(Paint& paint) : paint_(paint) {}
  void WriteRow(int x, int y, const void* row, int width) override {
    paint_.FillSpanCoverage(x, y, static_cast<const std::uint8_t*>(row), width);
  }

 private:
  Paint& paint_;
};

// Attached for one drawing call; the result is the detach's.
class Attached {
 public:
  Attached(Paint& paint, const PaintAttachRecord& record) : paint_(paint), ok_(paint.Attach(record)) {}
  ~Attached() {
    if (ok_) paint_.Detach();
  }
  bool Ok() const { return ok_; }
  bool Detach() {
    ok_ = false;
    return paint_.Detach();
  }

 private:
  Paint& paint_;
  bool ok_;
};

}  // namespace

ImageCanvas::~ImageCanvas() {
  SetMask(nullptr, nullptr, nullptr);
  target_.Destroy();
}

int ImageCanvas::AttachImage(CRowIteratorBands& image) {
  target_.Destroy();
  if (!CRowIteratorBands::IsValid(&image) || !target_.ShareFrom(image).Ok()) {
    target_.Destroy();
    return keErrorBadArgument;
  }
  format_ = image.GetFormat();
  DrawContext::SetView(0, 0, image.Width(), image.Height(), 1.0);
  SetMatrix(kIdentityMatrix3);
  return keErrorNone;
}

int ImageCanvas::DetachImage() {
  if (!CRowIteratorBands::IsValid(&target_)) return keErrorBadArgument;
  target_.Destroy();
  return keErrorNone;
}

PaletteRecord ImageCanvas::GetPalette() const {
  if (format_ == keFormatGrey || format_ == keFormatGreyA) return PaletteRecord{256, GreyRampPalette()};
  return PaletteRecord{target_.GetPaletteSize(), target_.GetPalette()};
}

int ImageCanvas::SetView(int left, int top, int right, int bottom, double zoom) {
  DrawContext::SetView(left, top, right, bottom, zoom);
  SetMatrix(kIdentityMatrix3);
  const int width = device_.right - device_.left, height = device_.bottom - device_.top;
  if (CRowIteratorBands::IsValid(&target_) && width == target_.Width() && height == target_.Height())
    return 0;
  if (width <= 0 || height <= 0) {
    target_.Destroy();
    return 0;
  }
  return target_.Create(width, height, format_).GetCode();
}

bool ImageCanvas::Fill(const RECT* rect) {
  if (!CountDrawCall()) return true;
  Paint* paint = GetFillPaint();
  if (paint == nullptr) return false;
  Attached attached(*paint, AttachRecord(false));
  if (!attached.Ok()) return false;
  RECT area = GetDeviceClip();
  if (rect != nullptr) {
    RECT device = OffsetScaleRect(*rect);
    OffsetRect(&device, -device_.left, -device_.top);
    const RECT clip = area;
    if (!IntersectRectOpt(&area, &device, &clip)) area = RECT{0, 0, 0, 0};
  }
  if (!IsEmptyRect(area))
    paint->FillRect(area.left, area.top, area.right - area.left, area.bottom - area.top, 255);
  return attached.Detach();
}

bool ImageCanvas::FillRegion(RegionBase* region) {
  if (!CountDrawCall() || region == nullptr) return true;
  region->Offset(-view_.left, -view_.top);
  const bool painted = PaintRegion(GetFillPaint(), region);
  region->Offset(view_.left, view_.top);
  return painted;
}

bool ImageCanvas::StrokeRegion(RegionBase* region) {
  if (!CountDrawCall() || region == nullptr) return true;
  region->Offset(-view_.left, -view_.top);
  const bool painted = PaintRegion(GetStrokePaint(), region);
  region->Offset(view_.left, view_.top);
  return painted;
}

bool ImageCanvas::PaintRegion(Paint* paint, RegionBase* region) {
  if (paint == nullptr || region == nullptr) return true;
  Attached attached(*paint, AttachRecord(paint == GetStrokePaint() && paint != GetFillPaint()));
  if (!attached.Ok()) return false;
  region->Draw(*paint, GetRenderSettings().renderMode);
  return attached.Detach();
}

bool ImageCanvas::Render(PathStage& stage, int mode, Paint* paint, std::int32_t fillRule,
                         const Matrix3* matrix) {
  if (!CountDrawCall()) return true;
  if (paint == nullptr) return true;
  Matrix3 full = CurrentTransform();
  if (matrix != nullptr) Matrix3Multiply(&full, &CurrentTransform(), matrix);
  RenderSettings settings = GetRenderSettings();
  settings.fillRule = fillRule;
  const RECT clip = GetDeviceClip();
  if (IsEmptyRect(clip)) return true;
  RegionBase* region = CreatePathCoverage(stage, mode, &settings, &clip, Matrix3UnlessIdentity(&full),
                                          nullptr, false);
  // Nothing to cover (an empty or unmappable path) draws nothing.
  if (region == nullptr) return true;
  const bool painted = PaintRegion(paint, region);
  region->Release();
  return painted;
}

bool ImageCanvas::DrawCoverageImage(Paint* paint, CRowIteratorBands& coverage, const POINT* offset) {
  if (!Matrix3IsTranslation(&CurrentTransform())) return false;
  if (paint == nullptr) return true;
  Attached attached(*paint, AttachRecord(paint != GetFillPaint()));
  if (!attached.Ok()) return false;
  const int x = RoundToInt(CurrentTransform().m02 + (offset != nullptr ? offset->x : 0));
  const int y = RoundToInt(CurrentTransform().m12 + (offset != nullptr ? offset->y : 0));
  CoverageWriter writer(*paint);
  const RECT clip = GetDeviceClip();
  WriteImageRows(writer, coverage, x, y, &clip);
  return attached.Detach();
}

bool ImageCanvas::FillImageCoverage(CRowIteratorBands& coverage, const POINT* offset) {
  return DrawCoverageImage(GetFillPaint(), coverage, offset);
}

bool ImageCanvas::StrokeImageCoverage(CRowIteratorBands& coverage, const POINT* offset) {
  return DrawCoverageImage(GetStrokePaint(), coverage, offset);
}

bool ImageCanvas::DrawGlyphBitmap(CRowIteratorBands& coverage, double x, double y) {
  Paint* paint = GetFillPaint();
  if (paint == nullptr) return true;
  Attached attached(*paint, AttachRecord(false));
  if (!attached.Ok()) return false;
  CoverageWriter writer(*paint);
  const RECT clip = GetDeviceClip();
  WriteImageRows(writer, coverage, RoundToInt(x), RoundToInt(y), &clip);
  return attached.Detach();
}

bool ImageCanvas::CanDrawGlyphBitmaps() {
  if (GetStrokePaint() != nullptr && !(GetPen().width < kEpsilon)) return false;
  bool pairFlag = false;
  GetSettingsPair(&pairFlag);
  if (Matrix3IsAffine(&CurrentTransform()) && GetAntialiasLevel() == 1 && GetRenderSettings().flag &&
      pairFlag)
    return true;
  return GetFont() != nullptr && GetFont()->CanDrawGlyphBitmaps();
}

int ImageCanvas::PutImage(CRowIteratorBands& image, const RECT* rect) {
  if (!CRowIteratorBands::IsValid(&target_) || !CRowIteratorBands::IsValid(&image)) return keErrorBadArgument;
  RECT place = rect != nullptr
                   ? *rect
                   : RECT{view_.left, view_.top, view_.left + image.Width(), view_.top + image.Height()};
  OffsetRect(&place, -view_.left, -view_.top);
  // The image's own area, placed, against the target's.
  const RECT placed{place.left, place.top, place.left + image.Width(), place.top + image.Height()};
  const RECT whole{0, 0, target_.Width(), target_.Height()};
  RECT to{0, 0, 0, 0}, within{0, 0, 0, 0};
  if (!IntersectRectOpt(&within, &place, &placed) || !IntersectRectOpt(&to, &within, &whole)) return 0;
  const RECT from{to.left - place.left, to.top - place.top, to.right - place.left, to.bottom - place.top};
  return CopyImageRect(target_, to, image, from) ? 0 : keErrorBadArgument;
}

int ImageCanvas::GetImage(CRowIteratorBands& out, const RECT* rect) {
  if (!CRowIteratorBands::IsValid(&target_)) return keErrorBadArgument;
  const RECT whole{0, 0, target_.Width(), target_.Height()};
  RECT area = whole;
  if (rect != nullptr) {
    RECT moved = *rect;
    OffsetRect(&moved, -view_.left, -view_.top);
    if (!IntersectRectOpt(&area, &moved, &whole)) return 0;
  }
  const int created =
      out.Create(area.right - area.left, area.bottom - area.top, target_.GetFormat()).GetCode();
  if (created != keErrorNone) return created;
  const RECT to{0, 0, area.right - area.left, area.bottom - area.top};
  return CopyImageRect(out, to, target_, area) ? 0 : keErrorBadArgument;
}

bool ImageCanvas::ApplyRowOperation(RowOperation& op, const RECT* rect, CRowIteratorBands* source,
                                    const RECT* sourceRect) {
  if (!CountDrawCall()) return true;
  if (!CRowIteratorBands::IsValid(&target_)) return false;
  if (rect != nullptr && sourceRect != nullptr && !SameRectSize(*rect, *sourceRect)) return false;
  RECT wanted, area;
  if (!ClipDestination(rect, &wanted, &area)) return true;
  int sourceX = (sourceRect != nullptr ? sourceRect->left : 0) + (area.left - wanted.left);
  int sourceY = (sourceRect != nullptr ? sourceRect->top : 0) + (area.top - wanted.top);
  if (source != nullptr) {
    // Only where the source has pixels: its top-left lands at (area.left - sourceX, ...).
    auto clamp = [](long long v) { return static_cast<int>(std::clamp<long long>(v, INT32_MIN, INT32_MAX)); };
    const long long left = static_cast<long long>(area.left) - sourceX,
                    top = static_cast<long long>(area.top) - sourceY;
    const RECT extent{clamp(left), clamp(top), clamp(left + source->Width()), clamp(top + source->Height())};
    const RECT clipped = area;
    if (!IntersectRectOpt(&area, &clipped, &extent) || IsEmptyRect(area)) return true;
    sourceX += area.left - clipped.left;
    sourceY += area.top - clipped.top;
  }
  RowOpArgs args;
  args.SetDestination(target_, area.left, area.top);
  if (source != nullptr) args.SetSource(*source, sourceX, sourceY);
  RowOpContext context;
  if (!context.Bind(op, args, 2, 0)) return false;
  const int width = area.right - area.left;
  for (int y = area.top; y < area.bottom; ++y) {
    BYTE* to = nullptr;
    if (!target_.LockRowSpan(y, area.left, width, &to).Ok()) break;
    BYTE* from = nullptr;
    const int sourceRow = sourceY + (y - area.top);
    if (source != nullptr && !source->LockRowSpan(sourceRow, sourceX, width, &from).Ok()) {
      target_.ReleaseRow(y);
      break;
    }
    args.dst.row = to;
    args.src.row = from;
    args.dst.count = args.src.count = width;
    args.dst.y = y;
    args.src.y = sourceRow;
    context.Execute(args);
    if (source != nullptr) source->ReleaseRow(sourceRow);
    target_.ReleaseRow(y);
  }
  return true;
}

bool ImageCanvas::ClipDestination(const RECT* rect, RECT* wanted, RECT* area) const {
  *wanted = OffsetScaleRect(rect != nullptr ? *rect : view_);
  const RECT clip = GetDeviceClip();
  return IntersectRectOpt(area, wanted, &clip) && !IsEmptyRect(*area);
}

bool ImageCanvas::ApplySampled(RowOperation& op, const RECT& area, CRowIteratorBands& source,
                               const Matrix3& inverse, const SamplerOptions& options) {
  ImageSampler sampler(source, &options);
  HeapBuffer row;
  const int width = area.right - area.left;
  if (!sampler.IsReady() || row.Allocate(std::size_t(width) * sampler.BytesPerPixel()) != 0) return false;
  RowOpArgs args;
  args.SetDestination(target_, area.left, area.top);
  args.SetSource(source, 0, 0);
  RowOpContext context;
  if (!context.Bind(op, args, 2, 0)) return false;
  const std::uint32_t kind = Matrix3Classify(&inverse);
  for (int y = area.top; y < area.bottom; ++y) {
    if (sampler.SampleSpan(row.Data(), area.left, y, width, &inverse, kind) != 0) return false;
    BYTE* to = nullptr;
    if (!target_.LockRowSpan(y, area.left, width, &to).Ok()) return false;
    args.dst.row = to;
    args.src.row = row.Data();
    args.dst.count = args.src.count = width;
    args.dst.y = args.src.y = y;
    context.Execute(args);
    target_.ReleaseRow(y);
  }
  return true;
}

bool ImageCanvas::ApplyRowOperationSampled(RowOperation& op, const RECT* rect, CRowIteratorBands& source,
                                           const RECT* sourceRect, const SamplerOptions& options) {
  if (!CountDrawCall()) return true;
  if (!CRowIteratorBands::IsValid(&target_)) return false;
  if (rect != nullptr && sourceRect != nullptr && !SameRectSize(*rect, *sourceRect)) return false;
  RECT wanted, area;
  if (!ClipDestination(rect, &wanted, &area)) return true;
  Matrix3 inverse = kIdentityMatrix3;
  Matrix3Translate(&inverse, (sourceRect != nullptr ? sourceRect->left : 0) - wanted.left,
                   (sourceRect != nullptr ? sourceRect->top : 0) - wanted.top);
  return ApplySampled(op, area, source, inverse, options);
}

bool ImageCanvas::ApplyRowOperationTransformed(RowOperation& op, const RECT* rect, CRowIteratorBands& source,
                                               const Matrix3& matrix, const SamplerOptions* options) {
  Matrix3 full;
  Matrix3Multiply(&full, &CurrentTransform(), &matrix);
  const double tx = full.m02, ty = full.m12;
  if (Matrix3IsTranslation(&full) && std::fabs(tx - std::round(tx)) < kEpsilon &&
      std::fabs(ty - std::round(ty)) < kEpsilon && std::fabs(tx) < 1e9 && std::fabs(ty) < 1e9) {
    // Whole pixels: the source rectangle is the destination's, moved back.
    RECT from = OffsetScaleRect(rect != nullptr ? *rect : view_);
    OffsetRect(&from, -RoundToInt(tx), -RoundToInt(ty));
    const RECT to = rect != nullptr ? *rect : view_;
    return options != nullptr ? ApplyRowOperationSampled(op, &to, source, &from, *options)
                              : ApplyRowOperation(op, &to, &source, &from);
  }
  if (!CountDrawCall()) return true;
  Matrix3 inverse;
  if (!CRowIteratorBands::IsValid(&target_) || !Matrix3Invert(&full, &inverse)) return false;
  RECT wanted, area;
  if (!ClipDestination(rect, &wanted, &area)) return true;
  const bool indexed = CPixelFormat(source.GetFormat()).IsIndexed();
  const SamplerOptions fallback{indexed ? keInterpolationNearest : keInterpolationBilinear, keEdgeFill, 0,
                                false};
  return ApplySampled(op, area, source, inverse, options != nullptr ? *options : fallback);
}

bool ImageCanvas::DrawImageOnChecker(CRowIteratorBands& image, int cell, std::uint32_t colorRefA,
                                     std::uint32_t colorRefB, const RECT* destination) {
  RefPtr<Paint> checker = RefPtr<Paint>::Adopt(CreateCheckerPaint(cell, colorRefA, colorRefB));
  if (!checker || !CRowIteratorBands::IsValid(&image)) return true;
  const RECT at = destination != nullptr ? *destination : view_;
  const RECT place{at.left, at.top, at.left + image.Width(), at.top + image.Height()};
  RefPtr<Paint> kept(GetFillPaint());
  SetFillPaint(checker.Get());
  Fill(&place);
  SetFillPaint(kept.Get());
  return ApplyRowOperation(DefaultRowBlendOp(), &place, &image, nullptr);
}

int ImageCanvas::DrawImage(CRowIteratorBands& image, double left, double top, double right, double bottom,
                           int method, int edgeMode, const RowOperation* blend) {
  // An empty image, or a destination that is no number, has nothing to draw.
  if (!CRowIteratorBands::IsValid(&image) || image.Width() <= 0 || image.Height() <= 0) return 0;
  if (!std::isfinite(left) || !std::isfinite(top) || !std::isfinite(right) || !std::isfinite(bottom))
    return 0;
  const double sx = (right - left) / image.Width(), sy = (bottom - top) / image.Height();
  const bool unscaled = std::fabs(sx - 1) < kEpsilon && std::fabs(sy - 1) < kEpsilon;
  if (unscaled && Matrix3IsIdentity(&GetMatrix()) && std::fabs(left - std::round(left)) < kEpsilon &&
      std::fabs(top - std::round(top)) < kEpsilon && std::fabs(left) < 1e9 && std::fabs(top) < 1e9) {
    const RECT to{RoundToInt(left), RoundToInt(top), RoundToInt(left) + image.Width(),
                  RoundToInt(top) + image.Height()};
    const RECT from{0, 0, image.Width(), image.Height()};
    std::unique_ptr<RowOperation> owned;
    RowOperation* op = nullptr;
    RowCopyOp copy;
    if (blend != nullptr) {
      owned = blend->Clone();
      op = owned.get();
    } else {
      op = CPixelFormat(image.GetFormat()).HasAlpha() ? static_cast<RowOperation*>(&DefaultRowBlendOp())
                                                      : &copy;
    }
    if (op == nullptr) return keErrorNoMemory;
    return ApplyRowOperation(*op, &to, &image, &from) ? 0 : keErrorBadArgument;
  }
  if (!(std::fabs(sx) >= kEpsilon) || !(std::fabs(sy) >= kEpsilon)) return 0;
  Matrix3 place = kIdentityMatrix3;
  Matrix3Scale(&place, sx, sy);
  Matrix3Translate(&place, left, top);
  if (!SaveState()) return keErrorNoMemory;
  SetStrokePaint(nullptr);
  const SamplerOptions options{method >= 3 ? 0 : method, edgeMode, 0, false};
  Paint* paint = CreateImagePaint(image, false, &place, &options);
  int code = keErrorNoMemory;
  if (paint != nullptr && SetFillBlend(blend)) {
    SetFillPaint(paint);
    const double rect[4] = {left, top, right, bottom};
    const RECT clip = GetDeviceClip();
    RenderSettings settings = GetRenderSettings();
    if (RegionBase* region = CreateRectCoverage(rect, &settings, &clip, &CurrentTransform(), false)) {
      code = PaintRegion(paint, region) ? 0 : keErrorNoMemory;
      region->Release();
    }
    SetFillPaint(nullptr);
  }
  SafeRelease(paint);
  RestoreState();
  return code;
}

bool ImageCanvas::RunRectCopy(int dx, int dy, const RECT& rect) {
  if (!CRowIteratorBands::IsValid(&target_)) return false;
  const RECT whole{0, 0, target_.Width(), target_.Height()};
  RECT area{0, 0, 0, 0};
  if (!IntersectRectOpt(&area, &rect, &whole)) return true;
  return ScrollImageRect(target_, dx, dy, area) == 0;
}

ImageCanvas* CreateImageCanvas(keFormat format) { return new (std::nothrow) ImageCanvas(format); }

}  // namespace corvel
