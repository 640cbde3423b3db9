// Turning an image: quarter and half turns, and turns by any angle with or without interpolation.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "codecs/ImageFile.h"

namespace {

constexpr long kBlock = 64;

// Walks a destination of width x height in square blocks, so that the reads of a quarter-turn,
// which cross the source's rows, stay within a few cache lines.
template <class CopyPixel>
void WalkBlocks(long width, long height, CopyPixel copy, CImageFile& progress) {
  for (long by = 0; by < height; by += kBlock) {
    progress.SetProgress(static_cast<long>(100 * static_cast<long long>(by) / height));
    const long yEnd = std::min(by + kBlock, height);
    for (long bx = 0; bx < width; bx += kBlock) {
      const long xEnd = std::min(bx + kBlock, width);
      for (long y = by; y < yEnd; ++y) {
        for (long x = bx; x < xEnd; ++x) copy(x, y);
      }
    }
  }
}

double Radians(double degrees) { return -degrees * M_PI / 180.0; }

}  // namespace

// Destination (x, y) takes source (sourceX(x, y), sourceY(x, y)); width and height are exchanged.
template <class SourceX, class SourceY>
static bool QuarterTurn(CImageFile& image, CImageFile& work, SourceX sourceX, SourceY sourceY) {
  const long width = static_cast<long>(work.GetWidth());
  const long height = static_cast<long>(work.GetHeight());
  const long sourceWidth = static_cast<long>(image.GetWidth());
  const unsigned long sourcePitch = image.GetEffWidth();
  const unsigned long pitch = work.GetEffWidth();
  const BYTE* source = image.GetBits(0);
  BYTE* target = work.GetBits(0);
  switch (image.GetBpp()) {
    case 24:
      WalkBlocks(
          width, height,
          [&](long x, long y) {
            std::memcpy(target + y * pitch + 3 * x, source + sourceY(x, y) * sourcePitch + 3 * sourceX(x, y),
                        3);
          },
          image);
      break;
    case 8:
      WalkBlocks(
          width, height,
          [&](long x, long y) {
            target[y * pitch + x] = source[sourceY(x, y) * sourcePitch + sourceX(x, y)];
          },
          image);
      break;
    default:
      WalkBlocks(
          width, height,
          [&](long x, long y) {
            work.SetPixelIndex(x, y, image.GetPixelIndex(sourceX(x, y), sourceY(x, y)));
          },
          image);
      break;
  }
  if (const BYTE* alpha = image.AlphaGetPointer()) {
    BYTE* targetAlpha = work.AlphaGetPointer();
    WalkBlocks(
        width, height,
        [&](long x, long y) {
          targetAlpha[y * width + x] = alpha[sourceY(x, y) * sourceWidth + sourceX(x, y)];
        },
        image);
  }
  return true;
}

bool CImageFile::RotateLeft(CImageFile* dest) {
  CImageFile work;
  if (!CreateWorkingImage(work, GetHeight(), GetWidth())) return false;
  const long lastRow = static_cast<long>(GetHeight()) - 1;
  QuarterTurn(
      *this, work, [](long, long y) { return y; }, [lastRow](long x, long) { return lastRow - x; });
  return DeliverResult(work, dest);
}

bool CImageFile::RotateRight(CImageFile* dest) {
  CImageFile work;
  if (!CreateWorkingImage(work, GetHeight(), GetWidth())) return false;
  const long lastColumn = static_cast<long>(GetWidth()) - 1;
  QuarterTurn(
      *this, work, [lastColumn](long, long y) { return lastColumn - y; }, [](long x, long) { return x; });
  return DeliverResult(work, dest);
}

bool CImageFile::Rotate180(CImageFile* dest) {
  CImageFile work;
  if (!CreateWorkingImage(work, GetWidth(), GetHeight())) return false;
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  for (long y = 0; y < height; ++y) {
    SetProgress(static_cast<long>(100 * static_cast<long long>(y) / height));
    const BYTE* source = GetBits(static_cast<unsigned long>(y));
    BYTE* target = work.GetBits(static_cast<unsigned long>(height - 1 - y));
    switch (GetBpp()) {
      case 24:
        for (long x = 0; x < width; ++x) std::memcpy(target + 3 * (width - 1 - x), source + 3 * x, 3);
        break;
      case 8:
        std::reverse_copy(source, source + width, target);
        break;
      default:
        for (long x = 0; x < width; ++x)
          work.BlindSetPixelIndex(width - 1 - x, height - 1 - y, BlindGetPixelIndex(x, y));
        break;
    }
    if (alpha_) {
      const BYTE* alpha = alpha_ + y * width;
      std::reverse_copy(alpha, alpha + width, work.alpha_ + (height - 1 - y) * width);
    }
  }
  return DeliverResult(work, dest);
}

bool CImageFile::Rotate(float angle, CImageFile* dest) {
  if (!dib_ || !std::isfinite(angle)) return false;
  const double r = Radians(angle);
  const double c = std::cos(r);
  const double s = std::sin(r);
  const double w = GetWidth();
  const double h = GetHeight();
  const double xs[4] = {0, std::floor(w * c), std::floor(-h * s), std::floor((w - 1) * c - h * s)};
  const double ys[4] = {0, std::floor(w * s), std::floor(h * c), std::floor((w - 1) * s + h * c)};
  const long minX = static_cast<long>(*std::min_element(xs, xs + 4));
  const long minY = static_cast<long>(*std::min_element(ys, ys + 4));
  const long maxX = static_cast<long>(*std::max_element(xs, xs + 4)) + 2;
  const long maxY = static_cast<long>(*std::max_element(ys, ys + 4)) + 2;
  CImageFile work;
  if (!CreateWorkingImage(work, maxX - minX, maxY - minY)) return false;
  if (alpha_) work.AlphaClear();
  const bool indexed = GetPalette() != nullptr;
  for (long y = minY; y <= maxY; ++y) {
    if (ReportRow(y - minY, maxY - minY)) break;
    for (long x = minX; x <= maxX; ++x) {
      const long sx = static_cast<long>(c * x + s * y - 0.5);
      const long sy = static_cast<long>(c * y - s * x - 0.5);
      if (indexed) {
        work.SetPixelIndex(x - minX, y - minY, GetPixelIndex(sx, sy));
      } else {
        work.SetPixelColor(x - minX, y - minY, GetPixelColor(sx, sy, false));
      }
      if (alpha_) work.AlphaSet(x - minX, y - minY, AlphaGet(sx, sy));
    }
  }
  return DeliverResult(work, dest);
}

bool CImageFile::Rotate2(float angle, CImageFile* dest, InterpolationMethod method, OverflowMethod overflow,
                         const RGBQUAD* replacement, bool optimizeRightAngles, bool keepSize) {
  if (!dib_ || !std::isfinite(angle)) return false;
  const double w = GetWidth();
  const double h = GetHeight();
  auto turned = [](double degrees, double x, double y, double& tx, double& ty) {
    const double r = Radians(degrees);
    tx = x * std::cos(r) - y * std::sin(r);
    ty = x * std::sin(r) + y * std::cos(r);
  };
  if (optimizeRightAngles && !keepSize) {
    // The far corner moves the most with the angle: within a quarter pixel of a right-angle
    // turn's, the exact turn is taken.
    double x, y;
    turned(angle, w - 0.5, h - 0.5, x, y);
    for (int right : {90, 270, 180, 0}) {
      double rx, ry;
      turned(right, w - 0.5, h - 0.5, rx, ry);
      if (std::hypot(x - rx, y - ry) >= 0.25) continue;
      switch (right) {
        case 90:
          return RotateRight(dest);
        case 270:
          return RotateLeft(dest);
        case 180:
          return Rotate180(dest);
        default:
          if (dest) dest->Copy(*this, true, true, true);
          return true;
      }
    }
  }
  const double cornersX[4] = {-0.5, w - 0.5, -0.5, w - 0.5};
  const double cornersY[4] = {-0.5, -0.5, h - 0.5, h - 0.5};
  double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
  for (int i = 0; i < 4; ++i) {
    double x = cornersX[i], y = cornersY[i];
    if (!keepSize) turned(angle, cornersX[i], cornersY[i], x, y);
    minX = std::min(minX, x);
    maxX = std::max(maxX, x);
    minY = std::min(minY, y);
    maxY = std::max(maxY, y);
  }
  const double width = keepSize ? w : std::floor(maxX - minX + 0.5);
  const double height = keepSize ? h : std::floor(maxY - minY + 0.5);
  CImageFile work;
  if (!CreateWorkingImage(work, width, height)) return false;
  double startX = (minX + maxX - (width - 1)) * 0.5;
  double startY = (minY + maxY - (height - 1)) * 0.5;
  double centreX = 0, centreY = 0;
  if (keepSize) {
    startX -= w / 2;
    startY -= h / 2;
    centreX = width / 2;
    centreY = height / 2;
  }
  const double r = Radians(angle);
  const double c = std::cos(r);
  const double s = std::sin(r);
  const long rows = static_cast<long>(height);
  const long columns = static_cast<long>(width);
  for (long y = 0; y < rows; ++y) {
    if (ReportRow(y, rows)) break;
    const double Y = startY + y;
    for (long x = 0; x < columns; ++x) {
      const double X = startX + x;
      work.StoreSample(x, y,
                       GetPixelColorInterpolated(static_cast<float>(X * c + Y * s + centreX),
                                                 static_cast<float>(Y * c - X * s + centreY), method,
                                                 overflow, replacement));
    }
  }
  return DeliverResult(work, dest);
}
