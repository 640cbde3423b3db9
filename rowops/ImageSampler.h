// ImageSampler: reads an image, wrapped in a TiledImageAdapter, at 24.8 fixed-point positions by
// the resampler it owns (nearest, bilinear or bicubic), for the canvas's image paint and its
// sampled row operations: rows of positions as given, or spans of destination pixels mapped by a
// 3 x 3 matrix and folded into the image by the edge mode, a whole-pixel translation copied
// through the tiled transfer. It can invert every sampled byte and hand a span over in another
// format. The tile it read last stays locked until the next Init, Setup, Reset or its destruction.
#pragma once
#include <cstdint>
#include <memory>

#include "core/Matrix3.h"
#include "core/PixelFormat.h"
#include "rowops/HeapBuffer.h"
#include "rowops/Resampler.h"
#include "rowops/RowCopyOp.h"
#include "rowops/RowOpContext.h"
#include "rowops/TiledImage.h"

namespace corvel {

class CRowIteratorBands;

struct SamplerOptions {
  int interpolation = keInterpolationBilinear;
  int edgeMode = keEdgeWrap;
  std::uint32_t fillColour = 0;  // red in bits 0..7, then green, blue, alpha
  bool invert = false;
};

// The passed options, or the defaults when none are passed.
const SamplerOptions& OptionsOrDefault(const SamplerOptions* options);

// A span wanted in another format than the image's.
struct SampleSpanRequest {
  keFormat format = keFormatNone;
  int count = 0;
  void* buffer = nullptr;
  int paletteSize = 0;
  const RGBQUAD* palette = nullptr;
  int x = 0;
  int y = 0;
};

// Matrix3Classify's mask computed by the sampler itself.
constexpr std::uint32_t kClassifyHere = 65535;

class ImageSampler {
 public:
  ImageSampler();
  // The image must outlive the sampler.
  ImageSampler(CRowIteratorBands& image, const SamplerOptions* options);
  ~ImageSampler();
  ImageSampler(const ImageSampler&) = delete;
  ImageSampler& operator=(const ImageSampler&) = delete;

  // Answers the source's bytes per pixel; 0 when the image cannot be sampled (packed 1- and
  // 4-bit formats, no memory), the sampler then staying empty.
  int Init(CRowIteratorBands& image, int interpolation, int edgeMode, std::uint32_t colour, bool invert);
  int Setup(std::unique_ptr<TiledImage> adapter, int interpolation, int edgeMode, std::uint32_t colour,
            bool invert);
  void Reset();
  bool IsReady() const { return resampler_ && adapter_; }

  // Stores the colour word only; answers the previous one.
  std::uint32_t SetFillColour(std::uint32_t colour);

  // count pixels in the source format from count positions (x, y pairs), taken as given; the
  // resampler applies the edge mode. 0, or 110 when the sampler is not ready.
  int SampleRow(void* dst, const std::int32_t* positions, int count);
  int SampleRaw(void* dst, const std::int32_t* positions, int count);
  // Destination pixels (x + i, y) mapped to the source by matrix (none: identity); kind is the
  // caller's Matrix3Classify mask of it, or kClassifyHere. 0, 102 or 110.
  int SampleSpan(void* dst, int x, int y, int count, const Matrix3* matrix, std::uint32_t kind);
  // SampleSpan converted to the request's format. 0, 101 when no conversion exists, 102, 110.
  int SampleSpanAs(const SampleSpanRequest& request, const Matrix3* matrix, std::uint32_t kind);
  int SampleTranslated(void* dst, int x, int y, int count, const Matrix3* matrix);

  keFormat SourceFormat() const { return adapter_ ? adapter_->GetFormat() : keFormatNone; }
  int BytesPerPixel() const { return bytesPerPixel_; }
  int ChannelCount() const { return channelCount_; }
  int Interpolation() const { return interpolation_; }
  int EdgeMode() const { return edgeMode_; }
  std::uint32_t FillColour() const { return fillColour_; }
  const std::uint8_t* FillPixel() const { return fillPixel_; }

 private:
  bool IntegerTranslation(const Matrix3* matrix, std::uint32_t kind) const;
  void FoldPositions(int count);
  void Invert(void* dst, int count) const;

  std::unique_ptr<Resampler> resampler_;
  std::unique_ptr<TiledImage> adapter_;
  // The tile last read stays locked here between calls, which may each sample one position.
  std::unique_ptr<TileCursor> cursor_;
  int channelCount_ = 0;
  int bytesPerPixel_ = 0;
  const RGBQUAD* palette_ = nullptr;
  int interpolation_ = -1;
  bool invert_ = false;
  int edgeMode_ = -1;
  std::uint32_t fillColour_ = 0;
  alignas(8) std::uint8_t fillPixel_[16] = {};
  std::unique_ptr<std::int32_t[]> positions_;
  int positionCapacity_ = 0;
  HeapBuffer conversion_;
  RowCopyOp copyOp_;
  RowOpContext copyContext_;
  keFormat copyFormat_ = keFormatNone;  // the destination format copyContext_ is bound for
};

// A 24.8 coordinate folded into [0, extent) by the edge mode (extent = image size x 256): wrap
// reduces it, clamp pins it to [0, extent - 1], mirror reflects it about 0 and extent - 1; fill
// and unknown modes leave it.
std::int32_t FoldSpanPosition(std::int64_t position, std::int64_t extent, int edgeMode);

// count 24.8 positions of destination pixels (x + i, y) under the matrix, rounded half to even.
void ProjectSpanToSource(std::int32_t* positions, int count, int x, int y, const Matrix3* matrix);

}  // namespace corvel
