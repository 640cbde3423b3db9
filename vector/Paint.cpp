#include "vector/Paint.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <new>

#include "core/PaletteCache.h"
#include "core/Rounding.h"
#include "core/RowThreads.h"
#include "rowops/ImageBufferOps.h"
#include "rowops/RowBlendOp.h"
#include "rowops/RowCopyOp.h"
#include "rowops/TransformOperation.h"
#include "vector/detail/PatternFill.h"
#include "vector/detail/SolidPaintSource.h"

namespace corvel {
namespace {

constexpr double kEpsilon = 1e-8;

bool Succeeded(CoreResult result) { return result.Ok(); }

// The clip as given, inside the target; the whole target when none is given.
RECT EffectiveClip(const RECT& clip, const CRowIteratorBands& target) {
  const bool none = clip.left == 0 && clip.top == 0 && clip.right == 0 && clip.bottom == 0;
  const RECT whole{0, 0, target.Width(), target.Height()};
  if (none) return whole;
  return RECT{std::max(clip.left, whole.left), std::max(clip.top, whole.top),
              std::min(clip.right, whole.right), std::min(clip.bottom, whole.bottom)};
}

void MultiplyAlpha(std::uint8_t* bgra, const std::uint8_t* factors, int count) {
  for (int i = 0; i < count; ++i)
    bgra[4 * i + 3] = static_cast<std::uint8_t>(Div255Exact(std::uint32_t{bgra[4 * i + 3]} * factors[i]));
}

}  // namespace

bool IsImageOpaque(CRowIteratorBands& image) {
  const CPixelFormat format(image.GetFormat());
  if (!format.HasAlpha()) return true;
  int channels = 0;
  switch (image.GetFormat()) {
    case keFormatIndex8A:
    case keFormatGreyA:
    case keFormatGreyA_u16:
      channels = 2;
      break;
    case keFormatBGRA:
    case keFormatBGRA_u16:
      channels = 4;
      break;
    default:
      return false;  // premultiplied and wider formats are not examined
  }
  const int sample = format.Is16Bit() ? 2 : 1, pixel = channels * sample;
  // Every pixel size here divides 8: a row is ANDed together 8 bytes at a time and its alpha
  // bytes read off the result, so the scan runs at memory speed.
  std::uint8_t alphaBytes[8] = {};
  for (int offset = 0; offset < 8; offset += pixel)
    std::memset(alphaBytes + offset + (channels - 1) * sample, 0xFF, std::size_t(sample));
  std::uint64_t alphaMask = 0;
  std::memcpy(&alphaMask, alphaBytes, 8);
  const std::size_t rowBytes = std::size_t(image.Width()) * std::size_t(pixel);
  std::atomic<bool> opaque{true};
  auto scan = [&](int first, int last, int) {
    for (int y = first; y < last && opaque.load(std::memory_order_relaxed); ++y) {
      BYTE* row = nullptr;
      if (!Succeeded(image.LockRow(y, &row))) {
        opaque = false;
        return;
      }
      std::uint64_t all = ~std::uint64_t{0};
      std::size_t i = 0;
      for (; i + 8 <= rowBytes; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, row + i, 8);
        all &= word;
      }
      std::uint64_t tail = ~std::uint64_t{0};
      std::memcpy(&tail, row + i, rowBytes - i);
      image.ReleaseRow(y);
      if (((all & tail) & alphaMask) != alphaMask) opaque = false;
    }
  };
  if (image.LocksRowsInPlace())
    RowThreads::Run(image.Height(), scan);
  else
    scan(0, image.Height(), 0);
  return opaque;
}

bool ImagePaintSource::Init(CRowIteratorBands& image, bool copy, const Matrix3* matrix,
                            const SamplerOptions* options) {
  options_ = OptionsOrDefault(options);
  matrix_ = matrix != nullptr ? *matrix : kIdentityMatrix3;
  opaque_ = false;
  const CPixelFormat format(image.GetFormat());
  if (!CRowIteratorBands::IsValid(&image)) return false;
  if (format.IsIndexed()) {
    return Succeeded(image_.Create(image.Width(), image.Height(), keFormatBGR)) && CopyImage(image_, image);
  }
  const std::uint32_t kind = Matrix3Classify(&matrix_);
  const double sx = matrix_.m00, sy = matrix_.m11;
  const bool reduces = kind != 0 && !HasAnyFlag(kind, keM01 | keM10 | keM20 | keM21 | keM22) && sx > 0 &&
                       sx <= 1 && sy > 0 && sy <= 1 && (sx < 1 - kEpsilon || sy < 1 - kEpsilon);
  if (!format.Is16Bit() && reduces) {
    const int width = std::max(1, RoundToInt(image.Width() * sx));
    const int height = std::max(1, RoundToInt(image.Height() * sy));
    CRowIteratorBands reduced;
    if (Succeeded(reduced.Create(width, height, image.GetFormat()))) {
      TransformOperation cubic(keTransformCubic, nullptr, nullptr, 0);
      if (Succeeded(cubic.Run(reduced, &image))) {
        matrix_.m00 *= static_cast<double>(image.Width()) / width;
        matrix_.m11 *= static_cast<double>(image.Height()) / height;
        image_.TakeFrom(reduced);
        return true;
      }
    }
  }
  if (!Succeeded(copy ? image_.CreateCopy(image) : image_.ShareFrom(image))) return false;
  opaque_ = IsImageOpaque(image_);
  return true;
}

bool ImagePaintSource::Prepare(const PaintAttachRecord& record) {
  if (!PaintSource::Prepare(record)) return false;
  sampler_.reset(new (std::nothrow) ImageSampler(image_, &options_));
  if (!sampler_ || !sampler_->IsReady()) return false;
  Matrix3 toTarget;
  Matrix3Multiply(&toTarget, &record.matrix, &matrix_);
  if (!Matrix3Invert(&toTarget, &inverse_)) return false;
  kind_ = Matrix3Classify(&inverse_);
  return true;
}

bool ImagePaintSource::Unprepare() {
  sampler_.reset();
  return PaintSource::Unprepare();
}

void ImagePaintSource::GenerateSpan(RowOpRow& request) {
  if (!sampler_ || request.count <= 0) return;
  if (request.format == keFormatNone) request.format = keFormatBGRA;
  if (request.row == nullptr) {
    if (static_cast<std::size_t>(request.count) * 4 > rowBuffer_.Size()) return;
    request.row = rowBuffer_.Data();
  }
  SampleSpanRequest span;
  span.format = request.format;
  span.count = request.count;
  span.buffer = request.row;
  span.paletteSize = request.paletteSize;
  span.palette = reinterpret_cast<const RGBQUAD*>(request.palette);
  span.x = request.x;
  span.y = request.y;
  sampler_->SampleSpanAs(span, &inverse_, kind_);
}

void ImagePaintSource::FillImage(CRowIteratorBands& image, const RECT* rect, int x, int y) {
  const RECT area = rect != nullptr ? *rect : RECT{0, 0, image.Width(), image.Height()};
  const double tx = inverse_.m02, ty = inverse_.m12;
  const bool wholeShift = !HasAnyFlag(kind_, ~std::uint32_t{keTranslationBits}) && std::fabs(tx) < 1e9 &&
                          std::fabs(ty) < 1e9 && std::fabs(tx - std::round(tx)) < kEpsilon &&
                          std::fabs(ty - std::round(ty)) < kEpsilon;
  // The rectangle's top-left takes pattern position (x, y).
  if (sampler_ && wholeShift && options_.edgeMode == keEdgeWrap &&
      FillPatternRepeated(image, area, image_, static_cast<int>(std::round(tx)) + x - area.left,
                          static_cast<int>(std::round(ty)) + y - area.top))
    return;
  PaintSource::FillImage(image, rect, x, y);
}

std::unique_ptr<ImagePaintSource> CreateImagePaintSource(CRowIteratorBands& image, bool copy,
                                                         const Matrix3* matrix,
                                                         const SamplerOptions* options) {
  std::unique_ptr<ImagePaintSource> source(new (std::nothrow) ImagePaintSource());
  if (!source || !source->Init(image, copy, matrix, options)) return nullptr;
  return source;
}

bool CheckerPaintSource::Prepare(const PaintAttachRecord& record) {
  if (!PaintSource::Prepare(record)) return false;
  CRowIteratorBands& target = *record.target;
  originX_ = record.view.left;
  originY_ = record.view.top;
  const CPixelFormat format(target.GetFormat());
  prepared_ = format.IsIndexed() ? keFormatBGRA : target.GetFormat();
  bytesPerPixel_ = std::max(1, format.GetBitsPerPixel() / 8);
  width_ = target.Width();
  const RECT clip = EffectiveClip(record.clip, target);
  for (int parity = 0; parity < 2; ++parity) {
    if (bgraRows_[parity].Allocate(std::size_t(width_) * 4) != 0) return false;
    std::memset(bgraRows_[parity].Data(), 0, bgraRows_[parity].Size());
    for (int i = std::max(0, static_cast<int>(clip.left)); i < std::min(width_, static_cast<int>(clip.right));
         ++i) {
      const int k = (i + originX_) / cell_;
      std::memcpy(bgraRows_[parity].Data() + 4 * i, &colors_[(k & 1) ^ parity], 4);
    }
  }
  if (prepared_ == keFormatBGRA) return true;
  RowOpArgs args;
  args.SetDestination(target, 0, 0);
  args.src.format = keFormatBGRA;
  args.dst.count = args.src.count = width_;
  RowCopyOp copy;
  RowOpContext context;
  if (!context.Bind(copy, args, 2, 0)) return false;
  for (int parity = 0; parity < 2; ++parity) {
    if (preparedRows_[parity].Allocate(std::size_t(width_) * bytesPerPixel_) != 0) return false;
    args.dst.row = preparedRows_[parity].Data();
    args.src.row = bgraRows_[parity].Data();
    context.Execute(args);
  }
  return true;
}

bool CheckerPaintSource::Unprepare() {
  for (int parity = 0; parity < 2; ++parity) {
    bgraRows_[parity].Free();
    preparedRows_[parity].Free();
  }
  return PaintSource::Unprepare();
}

void CheckerPaintSource::GenerateSpan(RowOpRow& request) {
  if (request.format == keFormatNone) request.format = keFormatBGRA;
  if (request.row == nullptr) request.row = rowBuffer_.Data();
  if (request.row == nullptr || request.x < 0 || request.count <= 0 || request.x + request.count > width_)
    return;
  const int parity = ((originY_ + request.y) / cell_) & 1;
  if (request.format == keFormatBGRA && bgraRows_[parity].Data() != nullptr) {
    std::memcpy(request.row, bgraRows_[parity].Data() + 4 * request.x, std::size_t(request.count) * 4);
  } else if (request.format == prepared_ && preparedRows_[parity].Data() != nullptr) {
    std::memcpy(request.row, preparedRows_[parity].Data() + std::size_t(request.x) * bytesPerPixel_,
                std::size_t(request.count) * bytesPerPixel_);
  }
}

Paint::~Paint() {
  if (attached_) Detach();
}

bool Paint::Attach(const PaintAttachRecord& record) {
  if (attached_) Detach();
  if (record.target == nullptr || !CRowIteratorBands::IsValid(record.target)) return false;
  record_ = record;
  CRowIteratorBands& target = *record.target;
  record_.clip = EffectiveClip(record.clip, target);
  const keFormat format = target.GetFormat();
  const bool grey = format == keFormatGrey || format == keFormatGreyA;
  if (CPixelFormat(format).IsIndexed() || grey) {
    registeredPalette_ = reinterpret_cast<const std::uint8_t*>(grey ? GreyRampPalette()
                                                                    : target.GetPalette());
    AddPaletteInverseMap(registeredPalette_, grey ? 256 : target.GetPaletteSize());
  }
  RowOperation& blend = record.blend != nullptr ? *record.blend : DefaultRowBlendOp();
  direct_ = record.blend == nullptr;
  effectiveOpacity_ = opacity_;
  args_ = RowOpArgs();
  args_.SetDestination(target, 0, 0);
  if (format == keFormatGrey) {
    args_.dst.paletteSize = 0;
    args_.dst.palette = nullptr;
  }
  args_.src.format = keFormatBGRA;
  attached_ = true;  // from here on Detach undoes what was done
  if (row_.Reserve(std::size_t(target.Width()) * 4) != 0 || !blend_.Bind(blend, args_, 2, 0) ||
      (mask_ && !mask_->Prepare(record_)) || !source_->Prepare(record_)) {
    Detach();
    return false;
  }
  if (!source_->IsOpaque()) direct_ = false;
  if (record.mask != nullptr && record.mask->Width() > 0 && record.mask->Height() > 0) {
    const double* place = record.maskPlacement;
    Matrix3 placement = kIdentityMatrix3;
    Matrix3Scale(&placement, (place[2] - place[0]) / record.mask->Width(),
                 (place[3] - place[1]) / record.mask->Height());
    Matrix3Translate(&placement, place[0], place[1]);
    contextMask_ = CreateImagePaintSource(*record.mask, false, &placement, &record.maskOptions);
    if (contextMask_ && !contextMask_->Prepare(record_)) contextMask_.reset();
  }
  return true;
}

bool Paint::Detach() {
  if (!attached_) return true;
  if (mask_) mask_->Unprepare();
  if (contextMask_) {
    contextMask_->Unprepare();
    contextMask_.reset();
  }
  const bool unprepared = source_->Unprepare();
  RemovePaletteInverseMap(registeredPalette_);
  registeredPalette_ = nullptr;
  record_.target = nullptr;
  record_.mask = nullptr;
  blend_.Unbind();
  direct_ = true;
  attached_ = false;
  return unprepared;
}

bool Paint::IsDirect() const {
  return direct_ && effectiveOpacity_ == 255 && !contextMask_ && !mask_ && source_->IsOpaque();
}

int Paint::SetMask(CRowIteratorBands& image, bool copy, const Matrix3* matrix,
                   const SamplerOptions* options) {
  std::unique_ptr<ImagePaintSource> mask = CreateImagePaintSource(image, copy, matrix, options);
  if (!mask) return keErrorNoMemory;
  mask_ = std::move(mask);
  return keErrorNone;
}

bool Paint::Clip(int* x, int y, int* count) const {
  const RECT& clip = record_.clip;
  if (!attached_ || y < clip.top || y >= clip.bottom) return false;
  const std::int64_t left = std::max<std::int64_t>(*x, clip.left);
  const std::int64_t right = std::min<std::int64_t>(std::int64_t{*x} + *count, clip.right);
  if (right - left < 1) return false;
  *x = static_cast<int>(left);
  *count = static_cast<int>(right - left);
  return true;
}

std::uint8_t* Paint::GenerateMasked(int x, int y, int count) {
  RowOpRow request;
  request.format = keFormatBGRA;
  request.count = count;
  request.row = row_.Data();
  request.x = x;
  request.y = y;
  source_->GenerateSpan(request);
  for (ImagePaintSource* mask : {mask_.get(), contextMask_.get()}) {
    if (mask == nullptr || maskRow_.Reserve(std::size_t(count)) != 0) continue;
    RowOpRow masked;
    masked.format = keFormatGrey;
    masked.count = count;
    masked.row = maskRow_.Data();
    masked.x = x;
    masked.y = y;
    mask->GenerateSpan(masked);
    MultiplyAlpha(row_.Data(), maskRow_.Data(), count);
  }
  return row_.Data();
}

void Paint::Blend(int x, int y, int count, const std::uint8_t* bgra) {
  BYTE* pixels = nullptr;
  if (!Succeeded(record_.target->LockRowSpan(y, x, count, &pixels))) return;
  RowOpArgs args = args_;
  args.dst.count = args.src.count = count;
  args.dst.row = pixels;
  args.dst.x = args.src.x = x;
  args.dst.y = args.src.y = y;
  args.src.row = const_cast<std::uint8_t*>(bgra);
  blend_.Execute(args);
  record_.target->ReleaseRow(y);
}

void Paint::FillSpan(int x, int y, std::uint8_t coverage, int count) {
  if (!Clip(&x, y, &count)) return;
  std::uint32_t c = coverage;
  if (effectiveOpacity_ < 255) c = Div255Exact(c * effectiveOpacity_);
  // Indexed targets have no partial coverage.
  if (args_.dst.paletteSize != 0 && args_.dst.format != keFormatGreyA) c = 255;
  if (direct_ && c == 255 && !contextMask_ && !mask_) {
    BYTE* pixels = nullptr;
    if (!Succeeded(record_.target->LockRowSpan(y, x, count, &pixels))) return;
    RowOpRow request = args_.dst;
    request.count = count;
    request.row = pixels;
    request.x = x;
    request.y = y;
    source_->GenerateSpan(request);
    record_.target->ReleaseRow(y);
    return;
  }
  std::uint8_t* bgra = GenerateMasked(x, y, count);
  if (c < 255 && scaleOpacity_ != nullptr) scaleOpacity_(bgra, count, c);
  Blend(x, y, count, bgra);
}

void Paint::FillSpanCoverage(int x, int y, const std::uint8_t* coverage, int count) {
  const int requested = x;
  if (!Clip(&x, y, &count)) return;
  std::uint8_t* bgra = GenerateMasked(x, y, count);
  MultiplyAlpha(bgra, coverage + (x - requested), count);
  Blend(x, y, count, bgra);
}

void Paint::FillRect(int x, int y, int width, int height, std::uint8_t coverage) {
  if (!attached_) return;
  const RECT& clip = record_.clip;
  const RECT area{std::max(x, static_cast<int>(clip.left)), std::max(y, static_cast<int>(clip.top)),
                  static_cast<int>(std::min<std::int64_t>(std::int64_t{x} + width, clip.right)),
                  static_cast<int>(std::min<std::int64_t>(std::int64_t{y} + height, clip.bottom))};
  if (area.right <= area.left || area.bottom <= area.top) return;
  std::uint32_t c = coverage;
  if (effectiveOpacity_ < 255) c = Div255Exact(c * effectiveOpacity_);
  if (args_.dst.paletteSize != 0 && args_.dst.format != keFormatGreyA) c = 255;
  if (direct_ && c == 255 && !contextMask_ && !mask_) {
    source_->FillImage(*record_.target, &area, area.left, area.top);
    return;
  }
  for (int row = area.top; row < area.bottom; ++row)
    FillSpan(area.left, row, coverage, area.right - area.left);
}

namespace {

Paint* MakePaint(PaintKind kind, std::unique_ptr<PaintSource> source) {
  if (!source) return nullptr;
  return new (std::nothrow) Paint(kind, std::move(source));
}

}  // namespace

Paint* CreateSolidPaint(std::uint32_t color) {
  // The solid source keeps the row operations' order, red in the low byte.
  return MakePaint(kePaintSolid,
                   std::unique_ptr<PaintSource>(new (std::nothrow) SolidPaintSource(SwapRedBlue(color))));
}

Paint* CreateImagePaint(CRowIteratorBands& image, bool copy, const Matrix3* matrix,
                        const SamplerOptions* options) {
  return MakePaint(kePaintImage, CreateImagePaintSource(image, copy, matrix, options));
}

Paint* CreateCheckerPaint(int cell, std::uint32_t colorRefA, std::uint32_t colorRefB) {
  return MakePaint(kePaintChecker, std::unique_ptr<PaintSource>(
                                       new (std::nothrow) CheckerPaintSource(cell, colorRefA, colorRefB)));
}

}  // namespace corvel
