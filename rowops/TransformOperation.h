// TransformOperation: scales a rectangle of a source image into a rectangle of a destination
// image by one of five resample workers, chosen by the method, by whether the scale reduces and
// by the pixel formats. Workers report once per destination row and stop with 100 when the
// operation's meter asks them to.
#pragma once
#include <array>
#include <cstdint>

#include "core/RectHelpers.h"
#include "rowops/ImageOperation.h"

namespace corvel {

class CProgressMeter;
class CRowIteratorBands;

enum keTransformMethod : std::int32_t {
  keTransformNearest = 90,
  keTransformBilinear = 91,  // four taps at 1/32 of a pixel
  keTransformCubic = 92,     // cubic convolution
};

// Worker numbers, which the method also accepts as they stand.
enum keResampleWorker : int {
  keWorkerNearest = 0,
  keWorkerFourTap = 1,
  keWorkerCubic = 2,
  keWorkerReduce = 3,
};

class TransformOperation final : public ImageOperation {
 public:
  // A missing destination rectangle means the whole destination; a source rectangle with fewer
  // than two real axes the whole source. sampleCount > 0 asks for the sampled reduction.
  TransformOperation(std::int32_t method, const RECT* destination, const RectD* source,
                     std::int32_t sampleCount);
  int OperandCount() const override { return 1; }
  // 0, 100 (stopped), 101 (format or rectangle not supported), 102 (memory).
  int Execute(OperationRequest& request) override;

  // The worker Execute runs for these images, -1 for none.
  int ChooseWorker(const CRowIteratorBands& destination, const CRowIteratorBands& source) const;

 private:
  void Rectangles(const CRowIteratorBands& destination, const CRowIteratorBands& source, RECT* dstRect,
                  RectD* srcRect) const;

  RECT destination_{0, 0, 0, 0};
  RectD source_;
  std::int32_t method_;
  std::int32_t sampleCount_;
};

// Four weights (top-left, top-right, bottom-left, bottom-right) summing to 256, by row phase and
// column phase in 1/32 of a pixel.
using FourTapWeights = std::array<std::uint16_t, 4>;
const FourTapWeights& FourTapTable(int rowPhase, int columnPhase);
// Sixteen cubic-convolution weights (a = -1), row-major over the 4 x 4 footprint, summing to 16384.
using CubicConvolutionWeights = std::array<std::int16_t, 16>;
const CubicConvolutionWeights& CubicConvolutionTable(int rowPhase, int columnPhase);

// The workers: a source rectangle in doubles into a destination rectangle.
int ResampleNearest(CRowIteratorBands& dst, CRowIteratorBands& src, const RECT& dstRect, const RectD& srcRect,
                    CProgressMeter* meter);
int ResampleFourTap(CRowIteratorBands& dst, CRowIteratorBands& src, const RECT& dstRect, const RectD& srcRect,
                    CProgressMeter* meter);
int ResampleCubicConvolution(CRowIteratorBands& dst, CRowIteratorBands& src, const RECT& dstRect,
                             const RectD& srcRect, CProgressMeter* meter);
int ResampleReduce(CRowIteratorBands& dst, CRowIteratorBands& src, const RECT& dstRect, const RectD& srcRect,
                   CProgressMeter* meter);
int ResampleReduceSampled(CRowIteratorBands& dst, CRowIteratorBands& src, const RECT& dstRect,
                          const RectD& srcRect, int sampleCount, CProgressMeter* meter);

}  // namespace corvel
