// Colour images to grey through a colour function sampled on a 30 x 30 x 30 lattice
// (core/VTetra.h): each channel is decoded through a transfer curve, weighted by its luminance
// coefficient and the sum encoded again.
#pragma once
#include <cstdint>

#include "core/CoreResult.h"
#include "core/ProgressMeter.h"
#include "core/RowIteratorBands.h"

namespace corvel {

enum TransferCurve : std::int32_t {
  keCurvePower = 0,  // x to the gamma; a gamma not above 0 acts as sRGB
  keCurveSRGB = 1,
  keCurveLightness = 2,  // CIE L*
  keCurveRec709 = 3,
};

struct ColorTransformParams {
  std::int32_t curve = keCurveSRGB;
  std::int32_t reserved = 0;
  double gamma = 0.0;
  // One row per channel, red, green, blue; the second value of each row is its luminance
  // coefficient.
  double matrix[3][3] = {};
  double extra[9] = {};
};
static_assert(sizeof(ColorTransformParams) == 160, "the parameter block is 160 bytes");

// One channel value 0..1 through the curve and back (signs kept).
double DecodeTransfer(const ColorTransformParams& params, double x);
double EncodeTransfer(const ColorTransformParams& params, double y);

// Grey (alpha kept) from keFormatBGR(A) and its 16-bit form; indexed sources become grey
// through their palette's greys, grey sources are copied. 101 without a source, 120 for the
// premultiplied and float formats, 102 when the destination cannot be made, 100 when stopped
// (the destination's pixels are freed).
CoreResult TransformColors(CProgressMeter* meter, CRowIteratorBands& source, CRowIteratorBands& destination,
                           const ColorTransformParams& params);

}  // namespace corvel
