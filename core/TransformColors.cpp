#include "core/TransformColors.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/VTetra.h"

namespace corvel {
namespace {

double CieLightnessDecode(double x) {
  const double t = 100.0 * x;
  return t > 8.0 ? (t * ((48.0 + t) * t + 768.0) + 4096.0) * 6.406576735413506e-7 : t * 27.0 / 24389.0;
}

double DecodeMagnitude(const ColorTransformParams& p, double x) {
  switch (p.curve) {
    case keCurveLightness:
      return CieLightnessDecode(x);
    case keCurveRec709:
      return x > 0.081 ? std::pow((x + 0.099) / 1.099, 1.0 / 0.45) : x / 4.5;
    case keCurvePower:
      if (p.gamma > 0.0) return std::pow(x, p.gamma);
      [[fallthrough]];
    default:
      return x > 0.04045 ? std::pow((x + 0.055) / 1.055, 2.4) : x / 12.92;
  }
}

double EncodeMagnitude(const ColorTransformParams& p, double y) {
  switch (p.curve) {
    case keCurveLightness:
      return y > 0.008856451679035631 ? (116.0 * std::cbrt(y) - 16.0) / 100.0 : y * 24389.0 / 27.0 / 100.0;
    case keCurveRec709:
      return y > 0.018 ? 1.099 * std::pow(y, 0.45) - 0.099 : 4.5 * y;
    case keCurvePower:
      if (p.gamma > 0.0) return std::pow(y, 1.0 / p.gamma);
      [[fallthrough]];
    default:
      return y > 0.0031308 ? 1.055 * std::pow(y, 1.0 / 2.4) - 0.055 : 12.92 * y;
  }
}

// Grey of one colour, channels scaled to 0..1 and back to 0..max.
template <typename T>
T GreyOf(const ColorTransformParams& p, std::uint32_t blue, std::uint32_t green, std::uint32_t red) {
  constexpr double kMax = VTetraTraits<T>::kMax;
  const double y = DecodeTransfer(p, red / kMax) * p.matrix[0][1] +
                   DecodeTransfer(p, green / kMax) * p.matrix[1][1] +
                   DecodeTransfer(p, blue / kMax) * p.matrix[2][1];
  const double grey = EncodeTransfer(p, y) * (kMax + 0.9999);
  return static_cast<T>(std::clamp(static_cast<double>(static_cast<std::int64_t>(grey)), 0.0, kMax));
}

template <typename T>
class GreyFromColourFunction : public VTetraFunctionT<T> {
 public:
  explicit GreyFromColourFunction(const ColorTransformParams& params) : params_(params) {}
  // Inputs in memory order: blue, green, red.
  void Evaluate(const T* inputs, T* outputs) override {
    outputs[0] = GreyOf<T>(params_, inputs[0], inputs[1], inputs[2]);
  }

 private:
  ColorTransformParams params_;
};

// n positions between low and high, evenly spaced in perceived lightness as the image's curve
// maps it.
template <typename T>
void PlaceSamples(VTetraGridT<T>& grid, int axis, const ColorTransformParams& params, std::uint32_t low,
                  std::uint32_t high) {
  constexpr std::uint32_t kMax = VTetraTraits<T>::kMax;
  if (low > high) std::swap(low, high);
  const int n = grid.GetSampleCount(axis);
  std::vector<std::uint32_t> positions;
  auto add = [&](std::uint32_t v) {
    auto at = std::lower_bound(positions.begin(), positions.end(), v);
    if (at != positions.end() && *at == v) return;
    positions.insert(at, v);
  };
  add(0), add(kMax), add(low), add(high);
  const int missing = n - static_cast<int>(positions.size());
  for (int i = 1; i <= missing; ++i) {
    const double t = static_cast<double>(i) / (missing + 1);
    const double v = EncodeTransfer(params, CieLightnessDecode(t));
    const double position = (v * (high - low) / kMax + static_cast<double>(low) / kMax) * (kMax + 0.9999);
    add(static_cast<std::uint32_t>(std::clamp(position, 0.0, static_cast<double>(kMax))));
  }
  for (std::uint32_t v = low + 1; v < high && static_cast<int>(positions.size()) < n; ++v) add(v);
  while (static_cast<int>(positions.size()) < n) {
    std::size_t widest = 0;
    std::uint32_t width = 1;
    for (std::size_t i = 0; i + 1 < positions.size(); ++i) {
      if (positions[i + 1] - positions[i] > width) width = positions[i + 1] - positions[i], widest = i + 1;
    }
    if (width < 2) break;
    add((positions[widest - 1] + positions[widest]) / 2);
  }
  for (int i = 0; i < n && i < static_cast<int>(positions.size()); ++i)
    grid.SetPosition(axis, i, static_cast<T>(positions[i]));
}

template <typename T>
CoreResult InterpolateImage(CProgressMeter& meter, CRowIteratorBands& source, CRowIteratorBands& destination,
                            const ColorTransformParams& params, bool alpha) {
  constexpr std::uint32_t kMax = VTetraTraits<T>::kMax;
  const int counts[kVTetraMaxChannels] = {30, 30, 30, 1, 1};
  VTetraGridT<T> grid(counts);
  for (int axis = 0; axis < 3; ++axis) PlaceSamples(grid, axis, params, 0, kMax);
  GreyFromColourFunction<T> function(params);
  const VTetraT<T> lattice(3, 1, grid, &function);
  const int srcStep = alpha ? 4 : 3, dstStep = alpha ? 2 : 1;
  const int width = source.Width();
  meter.SetUnitCount(source.Height());
  for (int y = 0; y < source.Height(); ++y) {
    if (meter.Report(y)) {
      destination.Destroy();
      return keErrorStopped;
    }
    BYTE* in = nullptr;
    BYTE* out = nullptr;
    CoreResult result = source.LockRow(y, &in);
    if (result.Ok()) result = destination.LockRow(y, &out);
    if (result.Ok()) {
      const T* src = reinterpret_cast<const T*>(in);
      T* dst = reinterpret_cast<T*>(out);
      lattice.InterpolateRow(src, dst, width, srcStep, dstStep);
      if (alpha)
        for (int x = 0; x < width; ++x) dst[2 * x + 1] = src[4 * x + 3];
    }
    if (out) destination.ReleaseRow(y);
    if (in) source.ReleaseRow(y);
    if (!result.Ok()) return result;
  }
  return CoreResult();
}

// Indexed images become grey through the greys of their palette entries, packed indices
// expanded to a byte a pixel.
CoreResult GreyFromIndexed(CRowIteratorBands& source, CRowIteratorBands& destination,
                           const ColorTransformParams& params) {
  const keFormat format = source.GetFormat();
  const bool alpha = format == keFormatIndex8A;
  std::uint8_t greys[256] = {};
  const RGBQUAD* palette = source.GetPalette();
  const int entries = std::min(source.GetPaletteSize(), 256);
  for (int i = 0; palette && i < entries; ++i)
    greys[i] = GreyOf<std::uint8_t>(params, palette[i].rgbBlue, palette[i].rgbGreen, palette[i].rgbRed);
  CoreResult result = destination.Create(source.Width(), source.Height(),
                                         alpha ? keFormatGreyA : keFormatGrey);
  if (!result.Ok()) return keErrorNoMemory;
  const int bits = CPixelFormat(format).GetBitsPerPixel();
  for (int y = 0; y < source.Height(); ++y) {
    BYTE* in = nullptr;
    BYTE* out = nullptr;
    int first = 0;
    result = source.LockRowSpan(y, 0, -1, &in, &first);
    if (result.Ok()) result = destination.LockRow(y, &out);
    if (result.Ok()) {
      for (int x = 0; x < source.Width(); ++x) {
        const int p = first + x;
        std::uint32_t index;
        if (bits == 1)
          index = (in[p >> 3] >> (7 - (p & 7))) & 1;
        else if (bits == 4)
          index = (in[p >> 1] >> ((p & 1) ? 0 : 4)) & 15;
        else
          index = in[alpha ? 2 * x : x];
        if (alpha) {
          out[2 * x] = greys[index];
          out[2 * x + 1] = in[2 * x + 1];
        } else {
          out[x] = greys[index];
        }
      }
    }
    if (out) destination.ReleaseRow(y);
    if (in) source.ReleaseRow(y);
    if (!result.Ok()) return result;
  }
  return CoreResult();
}

}  // namespace

double DecodeTransfer(const ColorTransformParams& params, double x) {
  return x < 0 ? -DecodeMagnitude(params, -x) : DecodeMagnitude(params, x);
}

double EncodeTransfer(const ColorTransformParams& params, double y) {
  return y < 0 ? -EncodeMagnitude(params, -y) : EncodeMagnitude(params, y);
}

CoreResult TransformColors(CProgressMeter* meter, CRowIteratorBands& source, CRowIteratorBands& destination,
                           const ColorTransformParams& params) {
  CProgressMeter child(meter);
  if (!CRowIteratorBands::IsValid(&source)) return keErrorBadArgument;
  const keFormat format = source.GetFormat();
  if (format < keFormatIndex1 || format > keFormatBGRA_u16) return keErrorFormatNotSupported;
  switch (format) {
    case keFormatIndex1:
    case keFormatIndex4:
    case keFormatIndex8:
    case keFormatIndex8A:
      return GreyFromIndexed(source, destination, params);
    case keFormatGrey:
    case keFormatGreyA:
    case keFormatGrey_u16:
    case keFormatGreyA_u16:
      return destination.CreateCopy(source);
    case keFormatBGR:
    case keFormatBGRA:
    case keFormatBGR_u16:
    case keFormatBGRA_u16:
      break;
    default:
      return keErrorFormatNotSupported;
  }
  const bool alpha = CPixelFormat(format).HasAlpha();
  const bool wide = CPixelFormat(format).Is16Bit();
  const keFormat target = wide ? (alpha ? keFormatGreyA_u16 : keFormatGrey_u16)
                               : (alpha ? keFormatGreyA : keFormatGrey);
  CoreResult created = destination.Create(source.Width(), source.Height(), target);
  if (!created.Ok()) return keErrorNoMemory;
  return wide ? InterpolateImage<std::uint16_t>(child, source, destination, params, alpha)
              : InterpolateImage<std::uint8_t>(child, source, destination, params, alpha);
}

}  // namespace corvel
