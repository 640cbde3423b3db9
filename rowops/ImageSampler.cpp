#include "rowops/ImageSampler.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "core/ColorUtils.h"
#include "core/Rounding.h"
#include "core/RowIteratorBands.h"
#include "rowops/CoreTables.h"
#include "rowops/detail/ImageSamplerSse2.h"

namespace corvel {

namespace {

constexpr double kTranslationTolerance = 1e-8;

bool IsPacked(keFormat format) { return CPixelFormat(format).GetBitsPerPixel() < 8; }

std::int32_t ClampToInt(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

const SamplerOptions& OptionsOrDefault(const SamplerOptions* options) {
  static const SamplerOptions defaults;
  return options ? *options : defaults;
}

ImageSampler::ImageSampler() = default;

ImageSampler::ImageSampler(CRowIteratorBands& image, const SamplerOptions* options) {
  const SamplerOptions& o = OptionsOrDefault(options);
  Init(image, o.interpolation, o.edgeMode, o.fillColour, o.invert);
}

ImageSampler::~ImageSampler() { Reset(); }

int ImageSampler::Init(CRowIteratorBands& image, int interpolation, int edgeMode, std::uint32_t colour,
                       bool invert) {
  Reset();
  std::unique_ptr<TiledImage> adapter = CreateTiledImageAdapter(image);
  if (!adapter) return 0;
  return Setup(std::move(adapter), interpolation, edgeMode, colour, invert);
}

int ImageSampler::Setup(std::unique_ptr<TiledImage> adapter, int interpolation, int edgeMode,
                        std::uint32_t colour, bool invert) {
  Reset();
  if (!adapter || IsPacked(adapter->GetFormat())) return 0;
  const keFormat format = adapter->GetFormat();
  fillColour_ = colour;
  edgeMode_ = edgeMode;
  std::uint32_t resamplerColour = colour;
  if (edgeMode == keEdgeFill) {
    const RGBQUAD* palette = adapter->GetPalette();
    const int paletteSize = adapter->GetPaletteSize();
    if (palette && paletteSize > 0) {
      const int index = NearestPaletteIndex(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF,
                                            reinterpret_cast<const std::uint8_t*>(palette), paletteSize, 4);
      fillPixel_[0] = static_cast<std::uint8_t>(index);
      fillPixel_[1] = static_cast<std::uint8_t>(colour >> 24);
      palette_ = palette;
      const RGBQUAD& entry = palette[index];
      resamplerColour = (colour & 0xFF000000u) | std::uint32_t{entry.rgbBlue} << 16 |
                        std::uint32_t{entry.rgbGreen} << 8 | entry.rgbRed;
      fillColour_ = resamplerColour;
    } else {
      CPixelFormat(format).SetPixelColor(fillPixel_, colour);
    }
  }
  resampler_ = CreateResampler(interpolation, format, edgeMode, resamplerColour);
  adapter_ = std::move(adapter);
  cursor_.reset(new (std::nothrow) TileCursor(*adapter_));
  if (!cursor_) {
    Reset();
    return 0;
  }
  interpolation_ = interpolation;
  invert_ = invert;
  channelCount_ = CPixelFormat(format).GetChannelCount();
  bytesPerPixel_ = CPixelFormat(format).GetBitsPerPixel() / 8;
  return bytesPerPixel_;
}

void ImageSampler::Reset() {
  copyContext_.Unbind();
  copyFormat_ = keFormatNone;
  resampler_.reset();
  cursor_.reset();  // unlocks its tile while the adapter is still there
  adapter_.reset();
  positions_.reset();
  positionCapacity_ = 0;
  fillColour_ = 0;
  std::memset(fillPixel_, 0, sizeof fillPixel_);
  invert_ = false;
  edgeMode_ = -1;
  interpolation_ = -1;
  channelCount_ = 0;
  bytesPerPixel_ = 0;
  palette_ = nullptr;
}

std::uint32_t ImageSampler::SetFillColour(std::uint32_t colour) {
  std::uint32_t previous = fillColour_;
  fillColour_ = colour;
  return previous;
}

void ImageSampler::Invert(void* dst, int count) const {
  if (invert_) InvertBytes(dst, std::size_t(count) * bytesPerPixel_);
}

int ImageSampler::SampleRaw(void* dst, const std::int32_t* positions, int count) {
  if (!IsReady()) return keErrorNotCreated;
  const PixelBlock block{adapter_->GetFormat(), count, 1, static_cast<BYTE*>(dst), 0};
  resampler_->SampleRow(block, positions, *adapter_, cursor_.get());
  return 0;
}

int ImageSampler::SampleRow(void* dst, const std::int32_t* positions, int count) {
  if (count <= 0) return 0;
  const int result = SampleRaw(dst, positions, count);
  if (result != 0) return result;
  Invert(dst, count);
  return 0;
}

bool ImageSampler::IntegerTranslation(const Matrix3* matrix, std::uint32_t kind) const {
  if (!matrix || kind == 0) return true;
  const std::uint32_t mask = kind == kClassifyHere ? Matrix3Classify(matrix) : kind;
  if (mask > keTranslationBits) return false;
  return std::fabs(matrix->m02 - std::trunc(matrix->m02)) < kTranslationTolerance &&
         std::fabs(matrix->m12 - std::trunc(matrix->m12)) < kTranslationTolerance;
}

void ProjectSpanToSource(std::int32_t* positions, int count, int x, int y, const Matrix3* matrix) {
  if (Matrix3IsIdentity(matrix)) {
    for (int i = 0; i < count; ++i) {
      positions[2 * i] = ClampToInt((std::int64_t{x} + i) * 256);
      positions[2 * i + 1] = ClampToInt(std::int64_t{y} * 256);
    }
    return;
  }
  const Matrix3& m = *matrix;
  double sx = (m.m00 * x + m.m01 * y + m.m02) * 256;
  double sy = (m.m10 * x + m.m11 * y + m.m12) * 256;
  const double dx = m.m00 * 256, dy = m.m10 * 256;
  if (Matrix3IsAffine(matrix)) {
#if defined(__SSE2__)
    if (detail::ProjectAffineSpanSse2(positions, count, sx, sy, dx, dy)) return;
#endif
    for (int i = 0; i < count; ++i, sx += dx, sy += dy) {
      positions[2 * i] = RoundToInt(sx);
      positions[2 * i + 1] = RoundToInt(sy);
    }
    return;
  }
  double w = m.m20 * x + m.m21 * y + m.m22;
  for (int i = 0; i < count; ++i, sx += dx, sy += dy, w += m.m20) {
    const double reciprocal = 1 / w;
    positions[2 * i] = RoundToInt(sx * reciprocal);
    positions[2 * i + 1] = RoundToInt(sy * reciprocal);
  }
}

std::int32_t FoldSpanPosition(std::int64_t position, std::int64_t extent, int edgeMode) {
  if (extent <= 0) return static_cast<std::int32_t>(position);
  switch (edgeMode) {
    case keEdgeWrap: {
      const std::int64_t r = position % extent;
      return static_cast<std::int32_t>(r < 0 ? r + extent : r);
    }
    case keEdgeClamp:
      return static_cast<std::int32_t>(std::clamp<std::int64_t>(position, 0, extent - 1));
    case keEdgeMirror: {
      const std::int64_t m = extent - 1;
      if (m == 0) return 0;
      return static_cast<std::int32_t>(m - std::llabs(std::llabs(position) % (2 * m) - m));
    }
    default:
      return static_cast<std::int32_t>(position);
  }
}

void ImageSampler::FoldPositions(int count) {
  const std::int64_t w = std::int64_t{adapter_->GetWidth()} * 256,
                     h = std::int64_t{adapter_->GetHeight()} * 256;
  std::int32_t* p = positions_.get();
  // A span's positions lie on a line: both ends inside means all inside.
  if (count >= 2 && p[0] >= 0 && p[1] >= 0 && p[2 * count - 2] <= w - 1 && p[2 * count - 1] <= h - 1) return;
  if (edgeMode_ < keEdgeWrap || edgeMode_ > keEdgeMirror || edgeMode_ == keEdgeFill) return;
  const int mode = edgeMode_;
  for (int i = 0; i < count; ++i) {
    // Inside positions are left by every fold.
    if (p[2 * i] < 0 || p[2 * i] > w - 1) p[2 * i] = FoldSpanPosition(p[2 * i], w, mode);
    if (p[2 * i + 1] < 0 || p[2 * i + 1] > h - 1) p[2 * i + 1] = FoldSpanPosition(p[2 * i + 1], h, mode);
  }
}

int ImageSampler::SampleSpan(void* dst, int x, int y, int count, const Matrix3* matrix, std::uint32_t kind) {
  if (count <= 0) return 0;
  if (!IsReady()) return keErrorNotCreated;
  if (IntegerTranslation(matrix, kind)) return SampleTranslated(dst, x, y, count, matrix);
  if (count > positionCapacity_) {
    positions_.reset();
    positionCapacity_ = 0;
    positions_.reset(new (std::nothrow) std::int32_t[std::size_t(count) * 2]);
    if (!positions_) return keErrorNoMemory;
    positionCapacity_ = count;
  }
  ProjectSpanToSource(positions_.get(), count, x, y, matrix);
  FoldPositions(count);
  SampleRaw(dst, positions_.get(), count);
  Invert(dst, count);
  return 0;
}

int ImageSampler::SampleTranslated(void* dst, int x, int y, int count, const Matrix3* matrix) {
  if (count <= 0) return 0;
  if (!IsReady()) return keErrorNotCreated;
  std::int64_t sx = x, sy = y;
  if (matrix) {
    sx += RoundToInt(matrix->m02);
    sy += RoundToInt(matrix->m12);
  }
  PixelBlock block{adapter_->GetFormat(), count, 1, static_cast<BYTE*>(dst), 0};
  TransferTiledRect(block, RECT{0, 0, count, 1}, *adapter_, ClampToInt(sx), ClampToInt(sy), edgeMode_,
                    fillPixel_);
  Invert(dst, count);
  return 0;
}

int ImageSampler::SampleSpanAs(const SampleSpanRequest& request, const Matrix3* matrix, std::uint32_t kind) {
  if (!IsReady()) return keErrorNotCreated;
  const keFormat source = adapter_->GetFormat();
  if (request.format == source)
    return SampleSpan(request.buffer, request.x, request.y, request.count, matrix, kind);
  if (request.count <= 0) return 0;
  // Sized by the source format, which is what is sampled into it.
  const std::size_t bytes = (std::size_t(CPixelFormat(source).GetBitsPerPixel()) * request.count + 7) / 8;
  if (conversion_.Reserve(bytes) != 0) return keErrorNoMemory;
  const int result = SampleSpan(conversion_.Data(), request.x, request.y, request.count, matrix, kind);
  if (result != 0) return result;

  RowOpArgs args;
  args.dst.format = request.format;
  args.dst.count = request.count;
  args.dst.row = request.buffer;
  args.dst.paletteSize = request.paletteSize;
  args.dst.palette = reinterpret_cast<const std::uint8_t*>(request.palette);
  args.src.format = source;
  args.src.count = request.count;
  args.src.row = conversion_.Data();
  args.src.paletteSize = adapter_->GetPaletteSize();
  args.src.palette = reinterpret_cast<const std::uint8_t*>(adapter_->GetPalette());
  if (copyFormat_ != request.format || !copyContext_.IsBound()) {
    copyContext_.Unbind();
    copyFormat_ = keFormatNone;
    if (!copyContext_.Bind(copyOp_, args, 2, 0)) return keErrorBadArgument;
    copyFormat_ = request.format;
  }
  copyContext_.Execute(args);
  return 0;
}

}  // namespace corvel
