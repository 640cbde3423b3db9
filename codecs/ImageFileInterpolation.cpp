// Sampling an image between pixel centres and outside its borders: coordinate folding, the
// colour of an outside pixel, the interpolated pixel of every method, and area averages.
#include <algorithm>
#include <cmath>
#include <type_traits>
#include <vector>

#include "codecs/FloatGeometry.h"
#include "codecs/ImageFile.h"
#include "codecs/detail/BoundedBuffer.h"

using Interpolation = CImageFile::InterpolationMethod;
using Overflow = CImageFile::OverflowMethod;

namespace {

RGBQUAD Replacement(const RGBQUAD* replacement) {
  if (replacement) return *replacement;
  RGBQUAD white;
  white.rgbBlue = white.rgbGreen = white.rgbRed = 255;
  white.rgbReserved = 0;
  return white;
}

bool Folds(Overflow method) {
  return method == Overflow::Wrap || method == Overflow::Repeat || method == Overflow::Mirror;
}

// Coordinates far outside any image, kept where a long holds them and x + 12 does not overflow.
long ClampedFloor(float v) { return static_cast<long>(std::floor(std::clamp(v, -4e9f, 4e9f))); }

// Weighted sums land a hair under the exact byte when the weights add up to one in real
// arithmetic; the slack keeps such sums (a flat colour, above all) on their byte.
constexpr double kTruncSlack = 1e-4;

BYTE ClampedByte(double v) { return static_cast<BYTE>(std::clamp(v + kTruncSlack, 0.0, 255.0)); }

struct ColorSums {
  double b = 0, g = 0, r = 0, a = 0;
  void Add(const RGBQUAD& c, double w) {
    b += c.rgbBlue * w;
    g += c.rgbGreen * w;
    r += c.rgbRed * w;
    a += c.rgbReserved * w;
  }
  RGBQUAD Result(double scale, bool withAlpha) const {
    RGBQUAD c;
    c.rgbBlue = ClampedByte(b * scale);
    c.rgbGreen = ClampedByte(g * scale);
    c.rgbRed = ClampedByte(r * scale);
    c.rgbReserved = withAlpha ? ClampedByte(a * scale) : 0;
    return c;
  }
};

// The samples of one axis for a kTaps-wide kernel: the first position (kTaps/2 - 1 before the
// floor of the coordinate) and the weights.
template <int kTaps>
struct AxisTaps {
  long first;
  float weight[kTaps];
  double sum;
};

template <int kTaps, class Kernel>
void PlanAxis(float v, Kernel kernel, AxisTaps<kTaps>& taps) {
  taps.first = ClampedFloor(v) - (kTaps / 2 - 1);
  taps.sum = 0;
  for (int k = 0; k < kTaps; ++k) {
    taps.weight[k] = kernel(static_cast<float>(taps.first + k) - v);
    taps.sum += taps.weight[k];
  }
}

// One source row's sum along x for the taps of a column: B, G, R and alpha.
template <int kTaps>
void SumAlongRow(const BYTE* row, const BYTE* alpha, const AxisTaps<kTaps>& tx, float out[4]) {
  row += 3 * tx.first;
  float b = 0, g = 0, r = 0, a = 0;
  for (int k = 0; k < kTaps; ++k, row += 3) {
    b += tx.weight[k] * row[0];
    g += tx.weight[k] * row[1];
    r += tx.weight[k] * row[2];
  }
  if (alpha) {
    alpha += tx.first;
    for (int k = 0; k < kTaps; ++k) a += tx.weight[k] * alpha[k];
  }
  out[0] = b;
  out[1] = g;
  out[2] = r;
  out[3] = a;
}

void AddRowSum(ColorSums& sums, const float rowSum[4], double weight) {
  sums.b += rowSum[0] * weight;
  sums.g += rowSum[1] * weight;
  sums.r += rowSum[2] * weight;
  sums.a += rowSum[3] * weight;
}

// The sums divided by the sum of the weights: kernels that do not add up to one at every offset
// would otherwise brighten or darken a picture, and a flat colour would not stay flat.
template <int kTaps>
RGBQUAD Normalised(const ColorSums& sums, const AxisTaps<kTaps>& tx, const AxisTaps<kTaps>& ty,
                   bool withAlpha) {
  const double weightSum = tx.sum * ty.sum;
  return sums.Result(std::fabs(weightSum) > 1e-6 ? 1 / weightSum : 1, withAlpha);
}

template <int kTaps>
bool Inside(const AxisTaps<kTaps>& taps, long size) {
  return taps.first >= 0 && taps.first + kTaps <= size;
}

// The weighted sum over the kTaps x kTaps samples.
template <int kTaps>
RGBQUAD Gather(CImageFile& image, const AxisTaps<kTaps>& tx, const AxisTaps<kTaps>& ty, Overflow overflow,
               const RGBQUAD* replacement) {
  const bool withAlpha = image.AlphaIsValid();
  ColorSums sums;
  if (Inside(tx, static_cast<long>(image.GetWidth())) && Inside(ty, static_cast<long>(image.GetHeight())) &&
      !image.GetPalette()) {
    for (int j = 0; j < kTaps; ++j) {
      float rowSum[4];
      SumAlongRow(image.GetBits(static_cast<unsigned long>(ty.first + j)),
                  image.AlphaGetPointer(0, ty.first + j), tx, rowSum);
      AddRowSum(sums, rowSum, ty.weight[j]);
    }
  } else {
    for (int j = 0; j < kTaps; ++j) {
      for (int k = 0; k < kTaps; ++k) {
        sums.Add(image.GetPixelColorWithOverflow(tx.first + k, ty.first + j, overflow, replacement),
                 static_cast<double>(tx.weight[k]) * ty.weight[j]);
      }
    }
  }
  return Normalised(sums, tx, ty, withAlpha);
}

template <int kTaps, class Kernel>
RGBQUAD SampleKernel(CImageFile& image, float x, float y, Overflow overflow, const RGBQUAD* replacement,
                     Kernel kernel) {
  constexpr long kBefore = kTaps / 2 - 1;
  const long width = static_cast<long>(image.GetWidth());
  const long height = static_cast<long>(image.GetHeight());
  const long xi = ClampedFloor(x);
  const long yi = ClampedFloor(y);
  if (xi + kTaps / 2 < 0 || xi - kBefore >= width || yi + kTaps / 2 < 0 || yi - kBefore >= height) {
    if (!Folds(overflow)) return image.GetPixelColorWithOverflow(-999, -999, overflow, replacement);
    image.OverflowCoordinates(x, y, overflow);
  }
  AxisTaps<kTaps> tx, ty;
  PlanAxis(x, kernel, tx);
  PlanAxis(y, kernel, ty);
  return Gather(image, tx, ty, overflow, replacement);
}

// Calls visit(taps, kernel) with the method's tap count as a compile-time constant and its kernel
// as a type of its own, so that the per-pixel loops call the kernel directly; false for the
// methods that have no kernel (nearest, bilinear).
template <class Visit>
bool VisitKernel(Interpolation method, Visit&& visit) {
  using Four = std::integral_constant<int, 4>;
  switch (method) {
    case Interpolation::BSpline:
      visit(Four(), [](float t) { return CImageFile::KernelBSpline(t); });
      break;
    case Interpolation::Cubic:
      visit(Four(), [](float t) { return CImageFile::KernelCubic(t); });
      break;
    case Interpolation::GeneralizedCubic:
      visit(Four(), [](float t) { return CImageFile::KernelGeneralizedCubic(t, -0.5f); });
      break;
    case Interpolation::Lanczos:
      visit(std::integral_constant<int, 12>(), [](float t) { return CImageFile::KernelLanczosSinc(t, 6); });
      break;
    case Interpolation::Box:
      visit(Four(), [](float t) { return CImageFile::KernelBox(t); });
      break;
    case Interpolation::Hermite:
      visit(Four(), [](float t) { return CImageFile::KernelHermite(t); });
      break;
    case Interpolation::Hamming:
      visit(Four(), [](float t) { return CImageFile::KernelHamming(t); });
      break;
    case Interpolation::Sinc:
      visit(Four(), [](float t) { return CImageFile::KernelSinc(t); });
      break;
    case Interpolation::Blackman:
      visit(Four(), [](float t) { return CImageFile::KernelBlackman(t); });
      break;
    case Interpolation::Bessel:
      visit(Four(), [](float t) { return CImageFile::KernelBessel(t); });
      break;
    case Interpolation::Gaussian:
      visit(Four(), [](float t) { return CImageFile::KernelGaussian(t); });
      break;
    case Interpolation::Quadratic:
      visit(Four(), [](float t) { return CImageFile::KernelQuadratic(t); });
      break;
    case Interpolation::Mitchell:
      visit(Four(), [](float t) { return CImageFile::KernelMitchell(t); });
      break;
    case Interpolation::Catrom:
      visit(Four(), [](float t) { return CImageFile::KernelCatrom(t); });
      break;
    default:
      return false;
  }
  return true;
}

}  // namespace

void CImageFile::OverflowCoordinates(long& x, long& y, OverflowMethod method) {
  if (IsInside(x, y)) return;
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  if (width == 0 || height == 0) return;
  auto fold = [method](long& v, long size) {
    switch (method) {
      case Overflow::Wrap:
        v %= size;
        if (v < 0) v += size;
        break;
      case Overflow::Repeat:
        v = std::clamp(v, 0L, size - 1);
        break;
      case Overflow::Mirror:
        if (v < 0) {
          v = static_cast<long>((0UL - static_cast<unsigned long>(v)) % static_cast<unsigned long>(size));
        } else if (v >= size) {
          v = size - v % size - 1;
        }
        break;
      default:
        break;
    }
  };
  fold(x, width);
  fold(y, height);
}

void CImageFile::OverflowCoordinates(float& x, float& y, OverflowMethod method) {
  const float width = static_cast<float>(GetWidth());
  const float height = static_cast<float>(GetHeight());
  if (x >= 0 && x < width && y >= 0 && y < height) return;
  if (width == 0 || height == 0) return;
  auto fold = [method](float& v, float size) {
    switch (method) {
      case Overflow::Wrap:
        v = std::fmod(v, size);
        if (v < 0) v += size;
        break;
      case Overflow::Repeat:
        v = std::clamp(v, 0.0f, size - 1);
        break;
      case Overflow::Mirror:
        if (v < 0) {
          v = std::fmod(-v, size);
        } else if (v >= size) {
          v = size - (std::fmod(v, size) + 1);
        }
        break;
      default:
        break;
    }
  };
  fold(x, width);
  fold(y, height);
}

RGBQUAD CImageFile::GetPixelColorWithOverflow(long x, long y, OverflowMethod method,
                                              const RGBQUAD* replacement) {
  if (dib_ && IsInside(x, y)) return PixelWithAlpha(x, y);
  RGBQUAD color = Replacement(replacement);
  if (!dib_) return color;
  switch (method) {
    case Overflow::Transparent:
      if (alpha_) {
        color.rgbReserved = 0;
        return color;
      }
      [[fallthrough]];
    case Overflow::Background:
      if (info_.transparentIndex >= 0) {
        return GetPalette() ? GetPaletteColor(static_cast<BYTE>(info_.transparentIndex))
                            : info_.backgroundColor;
      }
      return color;
    case Overflow::Wrap:
    case Overflow::Repeat:
    case Overflow::Mirror:
      OverflowCoordinates(x, y, method);
      return PixelWithAlpha(x, y);
    default:
      return color;
  }
}

RGBQUAD CImageFile::GetPixelColorInterpolated(float x, float y, InterpolationMethod method,
                                              OverflowMethod overflow, const RGBQUAD* replacement) {
  if (!std::isfinite(x) || !std::isfinite(y)) {
    return GetPixelColorWithOverflow(-999, -999, Folds(overflow) ? Overflow::Color : overflow, replacement);
  }
  if (method == Interpolation::Nearest) {
    return GetPixelColorWithOverflow(ClampedFloor(std::trunc(x + 0.5f)), ClampedFloor(std::trunc(y + 0.5f)),
                                     overflow, replacement);
  }
  RGBQUAD sample;
  if (VisitKernel(method, [&](auto taps, auto kernel) {
        sample = SampleKernel<decltype(taps)::value>(*this, x, y, overflow, replacement, kernel);
      })) {
    return sample;
  }
  // Bilinear, also for 0 and unknown methods.
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  long xi = ClampedFloor(x);
  long yi = ClampedFloor(y);
  if (xi < -1 || xi >= width || yi < -1 || yi >= height) {
    if (!Folds(overflow)) return GetPixelColorWithOverflow(-999, -999, overflow, replacement);
    OverflowCoordinates(x, y, overflow);
    xi = ClampedFloor(x);
    yi = ClampedFloor(y);
  }
  if (xi >= 0 && xi + 1 < width && yi >= 0 && yi + 1 < height && !GetPalette()) {
    const unsigned fx = static_cast<unsigned>((x - static_cast<float>(xi)) * 256);
    const unsigned fy = static_cast<unsigned>((y - static_cast<float>(yi)) * 256);
    const unsigned d = (fx * fy) >> 8;
    const unsigned w00 = 256 - fx - fy + d, w10 = fx - d, w01 = fy - d, w11 = d;
    const BYTE* p00 = BlindGetPixelPointer(xi, yi);
    const BYTE* p01 = p00 + info_.effectiveWidth;
    RGBQUAD c;
    auto mix = [&](int i) {
      return static_cast<BYTE>((p00[i] * w00 + p00[i + 3] * w10 + p01[i] * w01 + p01[i + 3] * w11) >> 8);
    };
    c.rgbBlue = mix(0);
    c.rgbGreen = mix(1);
    c.rgbRed = mix(2);
    c.rgbReserved = 0;
    if (alpha_) {
      const BYTE* a00 = AlphaGetPointer(xi, yi);
      const BYTE* a01 = a00 + width;
      c.rgbReserved = static_cast<BYTE>((a00[0] * w00 + a00[1] * w10 + a01[0] * w01 + a01[1] * w11) >> 8);
    }
    return c;
  }
  const double dx = x - static_cast<float>(xi);
  const double dy = y - static_cast<float>(yi);
  const double d = dx * dy;
  const double w11 = d, w10 = dx - d, w01 = dy - d, w00 = 1 - dx - w01;
  ColorSums sums;
  sums.Add(GetPixelColorWithOverflow(xi, yi, overflow, replacement), w00);
  sums.Add(GetPixelColorWithOverflow(xi + 1, yi, overflow, replacement), w10);
  sums.Add(GetPixelColorWithOverflow(xi, yi + 1, overflow, replacement), w01);
  sums.Add(GetPixelColorWithOverflow(xi + 1, yi + 1, overflow, replacement), w11);
  return sums.Result(1, alpha_ != nullptr);
}

void CImageFile::AddAveragingCont(const RGBQUAD& color, float weight, float& r, float& g, float& b,
                                  float& a) {
  r += color.rgbRed * weight;
  g += color.rgbGreen * weight;
  b += color.rgbBlue * weight;
  a += color.rgbReserved * weight;
}

RGBQUAD CImageFile::GetAreaColorInterpolated(float x, float y, float width, float height,
                                             InterpolationMethod method, OverflowMethod overflow,
                                             const RGBQUAD* replacement) {
  if (width <= 1 && height <= 1) return GetPixelColorInterpolated(x, y, method, overflow, replacement);
  // An area far larger than the image would take ages to add up cell by cell, and is all
  // outside colour anyway.
  const double cells = (static_cast<double>(width) + 2) * (static_cast<double>(height) + 2);
  const double imageCells = (GetWidth() + 2.0) * (GetHeight() + 2.0);
  if (!std::isfinite(x) || !std::isfinite(y) || !(cells <= 4 * imageCells + 1e6)) {
    return GetPixelColorWithOverflow(-999, -999, Folds(overflow) ? Overflow::Color : overflow, replacement);
  }
  const CFloatRect2 area(x - width / 2, y - height / 2, x + width / 2, y + height / 2);
  // Rounded down rather than toward zero: left of the origin the cell is the one that holds the edge.
  const long xmin = ClampedFloor(area.botLeft.x + 0.5f);
  const long ymin = ClampedFloor(area.botLeft.y + 0.5f);
  const long xmax = ClampedFloor(area.topRight.x + 0.5f);
  const long ymax = ClampedFloor(area.topRight.y + 0.5f);
  float r = 0, g = 0, b = 0, a = 0;
  if (width <= 1 || height <= 1) {
    for (long yy = ymin; yy <= ymax; ++yy) {
      for (long xx = xmin; xx <= xmax; ++xx) {
        const CFloatRect2 cell(xx - 0.5f, yy - 0.5f, xx + 0.5f, yy + 0.5f);
        const CFloatRect2 common = area.CrossSection(cell);
        const float surface = common.Surface();
        if (surface <= 0) continue;
        const CFloatPoint2 centre = common.Center();
        AddAveragingCont(GetPixelColorInterpolated(centre.x, centre.y, method, overflow, replacement),
                         surface, r, g, b, a);
      }
    }
  } else {
    // Edge cells are covered in part: they weigh by the covered width and height. Inside an
    // image without palette the bytes are read directly.
    const bool direct = !GetPalette() && IsInside(xmin, ymin) && IsInside(xmax, ymax);
    for (long yy = ymin; yy <= ymax; ++yy) {
      const float rowHeight = std::min(yy + 0.5f, area.topRight.y) - std::max(yy - 0.5f, area.botLeft.y);
      const BYTE* pixel = direct ? BlindGetPixelPointer(xmin, yy) : nullptr;
      const BYTE* alpha = direct && alpha_ ? AlphaGetPointer(xmin, yy) : nullptr;
      for (long xx = xmin; xx <= xmax; ++xx) {
        const float columnWidth = std::min(xx + 0.5f, area.topRight.x) - std::max(xx - 0.5f, area.botLeft.x);
        const float weight = columnWidth * rowHeight;
        if (!direct) {
          AddAveragingCont(GetPixelColorWithOverflow(xx, yy, overflow, replacement), weight, r, g, b, a);
          continue;
        }
        b += pixel[0] * weight;
        g += pixel[1] * weight;
        r += pixel[2] * weight;
        pixel += 3;
        if (alpha) a += *alpha++ * weight;
      }
    }
  }
  return ColorSums{b, g, r, a}.Result(1.0 / static_cast<double>(area.Surface()), alpha_ != nullptr);
}

void CImageFile::StoreSample(long x, long y, const RGBQUAD& c) {
  if (GetPalette()) {
    SetPixelColor(x, y, c);
  } else {
    BYTE* pixel = BlindGetPixelPointer(x, y);
    pixel[0] = c.rgbBlue;
    pixel[1] = c.rgbGreen;
    pixel[2] = c.rgbRed;
  }
  if (alpha_) alpha_[static_cast<std::size_t>(y) * GetWidth() + static_cast<std::size_t>(x)] = c.rgbReserved;
}

bool CImageFile::SampleGrid(const float* xs, long columns, const float* ys, long rows,
                            InterpolationMethod method, OverflowMethod overflow, CImageFile& work) {
  bool planned = false;
  VisitKernel(method, [&](auto taps, auto kernel) {
    constexpr int kTaps = decltype(taps)::value;
    std::vector<AxisTaps<kTaps>> columnTaps, rowTaps;
    // The sums along x of the last kTaps source rows, for every column: each source row is
    // summed once, not once per destination row that reads it.
    std::vector<float> rowSums;
    long cachedRow[kTaps];
    std::fill(cachedRow, cachedRow + kTaps, -1L);
    if (!ResizeWithinCap(columnTaps, static_cast<std::size_t>(columns)) ||
        !ResizeWithinCap(rowTaps, static_cast<std::size_t>(rows)) ||
        !ResizeWithinCap(rowSums, static_cast<std::size_t>(columns) * 4 * kTaps)) {
      return;
    }
    planned = true;
    for (long i = 0; i < columns; ++i) PlanAxis(xs[i], kernel, columnTaps[i]);
    for (long j = 0; j < rows; ++j) PlanAxis(ys[j], kernel, rowTaps[j]);
    const long width = static_cast<long>(GetWidth());
    const long height = static_cast<long>(GetHeight());
    const bool direct = !GetPalette();
    auto sumsOf = [&](long sourceRow) {
      return &rowSums[static_cast<std::size_t>(sourceRow % kTaps * columns * 4)];
    };
    for (long y = 0; y < rows; ++y) {
      if (ReportRow(y, rows)) break;
      const AxisTaps<kTaps>& ty = rowTaps[y];
      const bool rowInside = direct && Inside(ty, height);
      for (int j = 0; rowInside && j < kTaps; ++j) {
        const long sourceRow = ty.first + j;
        if (cachedRow[sourceRow % kTaps] == sourceRow) continue;
        cachedRow[sourceRow % kTaps] = sourceRow;
        float* out = sumsOf(sourceRow);
        const BYTE* bits = GetBits(static_cast<unsigned long>(sourceRow));
        const BYTE* alpha = AlphaGetPointer(0, sourceRow);
        for (long x = 0; x < columns; ++x) {
          if (Inside(columnTaps[x], width)) SumAlongRow(bits, alpha, columnTaps[x], out + 4 * x);
        }
      }
      for (long x = 0; x < columns; ++x) {
        const AxisTaps<kTaps>& tx = columnTaps[x];
        if (!rowInside || !Inside(tx, width)) {
          work.StoreSample(x, y, Gather(*this, tx, ty, overflow, nullptr));
          continue;
        }
        ColorSums sums;
        for (int j = 0; j < kTaps; ++j) AddRowSum(sums, sumsOf(ty.first + j) + 4 * x, ty.weight[j]);
        work.StoreSample(x, y, Normalised(sums, tx, ty, alpha_ != nullptr));
      }
    }
  });
  return planned;
}
