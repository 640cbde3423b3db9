// Changing an image's size: resampling by nearest pixel, bicubic, bilinear and area averaging,
// resampling with any interpolation method, the quick box shrink, and thumbnails.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "codecs/ImageFile.h"
#include "codecs/detail/BoundedBuffer.h"

namespace {

// Weighted channel sums land a hair under the exact byte when the weights add up to one; the
// slack keeps such sums (a flat colour, above all) on their byte.
BYTE TruncatedByte(float v) { return static_cast<BYTE>(std::clamp(v + 1e-3f, 0.0f, 255.0f)); }

// One source column or row of a bicubic destination pixel: four clamped positions and weights.
struct CubicTaps {
  long at[4];
  float weight[4];
};

bool BSplineTaps(long count, double scale, long sourceSize, std::vector<CubicTaps>& taps) {
  if (!ResizeWithinCap(taps, static_cast<std::size_t>(count))) return false;
  for (long i = 0; i < count; ++i) {
    const double f = i * scale - 0.5;
    const double fi = std::floor(f);
    const float d = static_cast<float>(f - fi);
    for (int n = -1; n <= 2; ++n) {
      taps[i].at[n + 1] = std::clamp(static_cast<long>(fi) + n, 0L, sourceSize - 1);
      taps[i].weight[n + 1] = CImageFile::KernelBSpline(d - static_cast<float>(n));
    }
  }
  return true;
}

}  // namespace

bool CImageFile::Resample(long newx, long newy, int mode, CImageFile* dest) {
  if (newx <= 0 || newy <= 0 || !dib_) return false;
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  if (newx == width && newy == height) {
    if (dest) dest->Copy(*this, true, true, true);
    return true;
  }
  CImageFile work;
  if (!CreateWorkingImage(work, newx, newy)) return false;
  const double xScale = static_cast<double>(width) / newx;
  const double yScale = static_cast<double>(height) / newy;
  const bool indexed = GetPalette() != nullptr;
  if (mode == 1) {
    std::vector<long> columns;
    if (!ResizeWithinCap(columns, static_cast<std::size_t>(newx))) return false;
    for (long x = 0; x < newx; ++x) columns[x] = static_cast<long>(x * xScale);
    for (long y = 0; y < newy; ++y) {
      if (ReportRow(y, newy)) break;
      const long sy = static_cast<long>(y * yScale);
      const BYTE* source = GetBits(static_cast<unsigned long>(sy));
      BYTE* target = work.GetBits(static_cast<unsigned long>(y));
      if (GetBpp() == 24) {
        for (long x = 0; x < newx; ++x) std::memcpy(target + 3 * x, source + 3 * columns[x], 3);
      } else if (GetBpp() == 8) {
        for (long x = 0; x < newx; ++x) target[x] = source[columns[x]];
      } else {
        // Same palette: the index carries the colour.
        for (long x = 0; x < newx; ++x) work.BlindSetPixelIndex(x, y, BlindGetPixelIndex(columns[x], sy));
      }
    }
  } else if (mode == 2) {
    std::vector<CubicTaps> xTaps, yTaps;
    if (!BSplineTaps(newx, xScale, width, xTaps) || !BSplineTaps(newy, yScale, height, yTaps)) return false;
    for (long y = 0; y < newy; ++y) {
      if (ReportRow(y, newy)) break;
      const CubicTaps& ty = yTaps[y];
      BYTE* target = work.GetBits(static_cast<unsigned long>(y));
      for (long x = 0; x < newx; ++x) {
        const CubicTaps& tx = xTaps[x];
        float b = 0, g = 0, r = 0;
        for (int m = 0; m < 4; ++m) {
          for (int n = 0; n < 4; ++n) {
            const float w = ty.weight[m] * tx.weight[n];
            if (indexed) {
              const RGBQUAD c = BlindGetPixelColor(tx.at[n], ty.at[m]);
              b += c.rgbBlue * w;
              g += c.rgbGreen * w;
              r += c.rgbRed * w;
            } else {
              const BYTE* p = BlindGetPixelPointer(tx.at[n], ty.at[m]);
              b += p[0] * w;
              g += p[1] * w;
              r += p[2] * w;
            }
          }
        }
        if (indexed) {
          RGBQUAD c;
          c.rgbBlue = TruncatedByte(b);
          c.rgbGreen = TruncatedByte(g);
          c.rgbRed = TruncatedByte(r);
          c.rgbReserved = 0;
          work.SetPixelColor(x, y, c);
        } else {
          target[3 * x] = TruncatedByte(b);
          target[3 * x + 1] = TruncatedByte(g);
          target[3 * x + 2] = TruncatedByte(r);
        }
      }
    }
  } else if (GetBpp() == 24 && width > newx && height > newy) {
    if (!ShrinkByAreas(work, xScale, yScale)) return false;
  } else {
    for (long y = 0; y < newy; ++y) {
      if (ReportRow(y, newy)) break;
      const double fy = y * yScale;
      const long iy = static_cast<long>(fy);
      const long iy2 = std::min(iy + 1, height - 1);
      const float dy = static_cast<float>(fy - iy);
      BYTE* target = work.GetBits(static_cast<unsigned long>(y));
      for (long x = 0; x < newx; ++x) {
        const double fx = x * xScale;
        const long ix = static_cast<long>(fx);
        const long ix2 = std::min(ix + 1, width - 1);
        const float dx = static_cast<float>(fx - ix);
        const RGBQUAD c00 = BlindGetPixelColor(ix, iy), c01 = BlindGetPixelColor(ix, iy2);
        const RGBQUAD c10 = BlindGetPixelColor(ix2, iy), c11 = BlindGetPixelColor(ix2, iy2);
        auto mix = [&](BYTE RGBQUAD::*channel) {
          return TruncatedByte((c00.*channel * (1 - dy) + c01.*channel * dy) * (1 - dx) +
                               (c10.*channel * (1 - dy) + c11.*channel * dy) * dx);
        };
        RGBQUAD c;
        c.rgbBlue = mix(&RGBQUAD::rgbBlue);
        c.rgbGreen = mix(&RGBQUAD::rgbGreen);
        c.rgbRed = mix(&RGBQUAD::rgbRed);
        c.rgbReserved = 0;
        if (indexed) {
          work.SetPixelColor(x, y, c);
        } else {
          target[3 * x] = c.rgbBlue;
          target[3 * x + 1] = c.rgbGreen;
          target[3 * x + 2] = c.rgbRed;
        }
      }
    }
  }
  if (alpha_) {
    for (long y = 0; y < newy; ++y) {
      const BYTE* source = alpha_ + static_cast<long>(y * yScale) * width;
      BYTE* target = work.alpha_ + y * newx;
      for (long x = 0; x < newx; ++x) target[x] = source[static_cast<long>(x * xScale)];
    }
  }
  return DeliverResult(work, dest);
}

// Every source pixel adds its colour to the destination pixels its area overlaps, weighted in
// thousandths of a pixel per axis. Each sum is divided by the weight it gathered, so that a
// colour keeps its value however the thousandths were cut.
bool CImageFile::ShrinkByAreas(CImageFile& work, double xScale, double yScale) {
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  const long newx = static_cast<long>(work.GetWidth());
  const long newy = static_cast<long>(work.GetHeight());
  // Per source column: the destination column it starts in and the thousandths it gives there.
  std::vector<long> column;
  std::vector<std::int64_t> share;
  // Sums of B, G, R and the weight per destination pixel, two spare pixels at the end.
  const std::size_t rowSize = static_cast<std::size_t>(newx + 2) * 4;
  std::vector<std::int64_t> current, next;
  if (!ResizeWithinCap(column, static_cast<std::size_t>(width)) ||
      !ResizeWithinCap(share, static_cast<std::size_t>(width)) || !ResizeWithinCap(current, rowSize) ||
      !ResizeWithinCap(next, rowSize)) {
    return false;
  }
  double boundary = xScale - 1;
  for (long x = 0, dx = 0; x < width; ++x) {
    column[x] = std::min(dx, newx);
    share[x] = 1000;
    if (x >= boundary) {
      share[x] = 1000 - static_cast<std::int64_t>((x - boundary) * 1000);
      ++dx;
      boundary += xScale;
    }
  }
  auto add = [&](std::vector<std::int64_t>& row, const BYTE* source, std::int64_t yWeight) {
    for (long x = 0; x < width; ++x, source += 3) {
      const long dx = column[x];
      const std::int64_t here = share[x] * yWeight / 1000;
      const std::int64_t there = (1000 - share[x]) * yWeight / 1000;
      std::int64_t* sum = &row[static_cast<std::size_t>(dx) * 4];
      sum[0] += source[0] * here;
      sum[1] += source[1] * here;
      sum[2] += source[2] * here;
      sum[3] += here;
      if (there) {
        sum[4] += source[0] * there;
        sum[5] += source[1] * there;
        sum[6] += source[2] * there;
        sum[7] += there;
      }
    }
  };
  auto store = [&](long dy) {
    BYTE* target = work.GetBits(static_cast<unsigned long>(dy));
    for (long dx = 0; dx < newx; ++dx) {
      const std::int64_t* sum = &current[static_cast<std::size_t>(dx) * 4];
      for (int i = 0; i < 3; ++i) target[3 * dx + i] = static_cast<BYTE>(sum[3] ? sum[i] / sum[3] : 0);
    }
    current.swap(next);
    std::fill(next.begin(), next.end(), 0);
  };
  double rowBoundary = yScale - 1;
  long dy = 0;
  for (long y = 0; y < height && dy < newy; ++y) {
    if (ReportRow(y, height)) return true;
    const BYTE* source = GetBits(static_cast<unsigned long>(y));
    if (y < rowBoundary) {
      add(current, source, 1000);
      continue;
    }
    const std::int64_t g = static_cast<std::int64_t>((y - rowBoundary) * 1000);
    add(current, source, 1000 - g);
    add(next, source, g);
    store(dy++);
    rowBoundary += yScale;
  }
  if (dy < newy) store(dy);
  return true;
}

bool CImageFile::Resample2(long newx, long newy, InterpolationMethod method, OverflowMethod overflow,
                           CImageFile* dest, bool disableAveraging) {
  if (newx < 1 || newy < 1 || !dib_) return false;
  if (newx == static_cast<long>(GetWidth()) && newy == static_cast<long>(GetHeight())) {
    if (dest) dest->Copy(*this, true, true, true);
    return true;
  }
  CImageFile work;
  if (!CreateWorkingImage(work, newx, newy)) return false;
  const float xScale = static_cast<float>(GetWidth()) / static_cast<float>(newx);
  const float yScale = static_cast<float>(GetHeight()) / static_cast<float>(newy);
  std::vector<float> xs, ys;
  if (!ResizeWithinCap(xs, static_cast<std::size_t>(newx)) ||
      !ResizeWithinCap(ys, static_cast<std::size_t>(newy))) {
    return false;
  }
  for (long x = 0; x < newx; ++x) xs[x] = (static_cast<float>(x) + 0.5f) * xScale - 0.5f;
  for (long y = 0; y < newy; ++y) ys[y] = (static_cast<float>(y) + 0.5f) * yScale - 0.5f;
  const bool averaging = (xScale > 1 || yScale > 1) && !disableAveraging;
  if (!averaging && SampleGrid(xs.data(), newx, ys.data(), newy, method, overflow, work)) {
    return DeliverResult(work, dest);
  }
  for (long y = 0; y < newy; ++y) {
    if (ReportRow(y, newy)) break;
    for (long x = 0; x < newx; ++x) {
      work.StoreSample(x, y,
                       averaging ? GetAreaColorInterpolated(xs[x], ys[y], xScale, yScale, method, overflow)
                                 : GetPixelColorInterpolated(xs[x], ys[y], method, overflow));
    }
  }
  return DeliverResult(work, dest);
}

bool CImageFile::QIShrink(long newx, long newy, CImageFile* dest) {
  if (!dib_ || newx < 1 || newy < 1) return false;
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  if (newx > width || newy > height) return false;
  if (newx == width && newy == height) {
    if (dest) dest->Copy(*this, true, true, true);
    return true;
  }
  CImageFile work;
  if (!CreateWorkingImage(work, newx, newy)) return false;
  // Per destination pixel: B, G, R, alpha sums and the pixel count; one spare pixel at the end.
  std::vector<std::uint64_t> sums;
  if (!ResizeWithinCap(sums, static_cast<std::size_t>(newx + 1) * 5)) return false;
  long rowCounter = 0;
  long dy = 0;
  for (long y = 0; y < height && dy < newy; ++y) {
    if (ReportRow(y, height)) break;
    long columnCounter = 0;
    std::uint64_t* sum = sums.data();
    for (long x = 0; x < width; ++x) {
      const RGBQUAD c = PixelWithAlpha(x, y);
      sum[0] += c.rgbBlue;
      sum[1] += c.rgbGreen;
      sum[2] += c.rgbRed;
      sum[3] += c.rgbReserved;
      sum[4] += 1;
      columnCounter += newx;
      if (columnCounter >= width) {
        columnCounter -= width;
        sum += 5;
      }
    }
    rowCounter += newy;
    if (rowCounter < height) continue;
    rowCounter -= height;
    for (long x = 0; x < newx; ++x) {
      const std::uint64_t* s = &sums[static_cast<std::size_t>(x) * 5];
      RGBQUAD c;
      c.rgbBlue = static_cast<BYTE>(s[0] / s[4]);
      c.rgbGreen = static_cast<BYTE>(s[1] / s[4]);
      c.rgbRed = static_cast<BYTE>(s[2] / s[4]);
      c.rgbReserved = static_cast<BYTE>(s[3] / s[4]);
      work.SetPixelColor(x, dy, c, true);
      if (alpha_) work.AlphaSet(x, dy, c.rgbReserved);
    }
    std::fill(sums.begin(), sums.end(), 0);
    ++dy;
  }
  return DeliverResult(work, dest);
}

bool CImageFile::Thumbnail(long newx, long newy, RGBQUAD canvascolor, CImageFile* dest) {
  if (!dib_ || newx <= 0 || newy <= 0) return false;
  CImageFile thumbnail(*this, true, true, true);
  if (!thumbnail.IsValid()) return false;
  const double width = GetWidth();
  const double height = GetHeight();
  if (width > newx || height > newy) {
    const double boxRatio = static_cast<double>(newx) / newy;
    const double scale = height * boxRatio <= width ? newx / width : newy / height;
    // A sliver of a picture keeps at least one pixel across.
    const long fittedX = std::max(1L, static_cast<long>(width * scale));
    const long fittedY = std::max(1L, static_cast<long>(height * scale));
    if (!thumbnail.Resample(fittedX, fittedY, 0)) return false;
  }
  if (!thumbnail.Expand(newx, newy, canvascolor)) return false;
  return DeliverResult(thumbnail, dest);
}
