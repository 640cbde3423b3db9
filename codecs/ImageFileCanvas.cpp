// Changing an image's canvas: cropping (also a turned rectangle) and expanding with a colour.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "codecs/ImageFile.h"

bool CImageFile::Expand(long left, long top, long right, long bottom, RGBQUAD canvascolor, CImageFile* dest) {
  if (!dib_ || left < 0 || top < 0 || right < 0 || bottom < 0) return false;
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  CImageFile work;
  if (!CreateWorkingImage(work, static_cast<double>(width) + left + right,
                          static_cast<double>(height) + top + bottom)) {
    return false;
  }
  const long newWidth = static_cast<long>(work.GetWidth());
  const long newHeight = static_cast<long>(work.GetHeight());
  const BYTE canvasIndex = work.GetPalette() ? work.GetNearestIndex(canvascolor) : 0;
  const unsigned long bpp = GetBpp();
  // The source's bottom row lands `bottom` rows up; `left` columns in.
  for (long y = 0; y < newHeight; ++y) {
    SetProgress(static_cast<long>(100 * static_cast<long long>(y) / newHeight));
    BYTE* target = work.GetBits(static_cast<unsigned long>(y));
    const long sy = y - bottom;
    const bool sourceRow = sy >= 0 && sy < height;
    if (bpp == 8 || bpp == 24) {
      if (bpp == 8) {
        std::memset(target, canvasIndex, static_cast<std::size_t>(newWidth));
      } else {
        for (long x = 0; x < newWidth; ++x) {
          target[3 * x] = canvascolor.rgbBlue;
          target[3 * x + 1] = canvascolor.rgbGreen;
          target[3 * x + 2] = canvascolor.rgbRed;
        }
      }
      if (sourceRow) {
        const std::size_t bytes = static_cast<std::size_t>(width) * bpp / 8;
        std::memcpy(target + static_cast<std::size_t>(left) * bpp / 8,
                    GetBits(static_cast<unsigned long>(sy)), bytes);
      }
    } else {
      for (long x = 0; x < newWidth; ++x) {
        const long sx = x - left;
        const bool inside = sourceRow && sx >= 0 && sx < width;
        work.BlindSetPixelIndex(x, y, inside ? BlindGetPixelIndex(sx, sy) : canvasIndex);
      }
    }
    if (alpha_) {
      // The canvas is opaque; the picture keeps its own alpha.
      BYTE* alpha = work.alpha_ + y * newWidth;
      std::memset(alpha, 255, static_cast<std::size_t>(newWidth));
      if (sourceRow) std::memcpy(alpha + left, alpha_ + sy * width, static_cast<std::size_t>(width));
    }
  }
  return DeliverResult(work, dest);
}

bool CImageFile::Expand(long newx, long newy, RGBQUAD canvascolor, CImageFile* dest) {
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  if (!dib_ || newx < width || newy < height) return false;
  const long left = (newx - width) / 2;
  const long top = (newy - height) / 2;
  return Expand(left, top, newx - width - left, newy - height - top, canvascolor, dest);
}

bool CImageFile::Crop(long left, long top, long right, long bottom, CImageFile* dest) {
  if (!dib_) return false;
  const long width = static_cast<long>(GetWidth());
  const long height = static_cast<long>(GetHeight());
  left = std::clamp(left, 0L, width);
  right = std::clamp(right, 0L, width);
  // Top and bottom count from the top of the picture; rows count from the bottom.
  long upper = height - std::clamp(top, 0L, height);
  long lower = height - std::clamp(bottom, 0L, height);
  if (left == right || upper == lower) return false;
  if (right < left) std::swap(left, right);
  if (upper < lower) std::swap(upper, lower);
  CImageFile work;
  if (!CreateWorkingImage(work, right - left, upper - lower)) return false;
  const unsigned long bpp = GetBpp();
  const long rows = upper - lower;
  const long columns = right - left;
  for (long y = 0; y < rows; ++y) {
    SetProgress(static_cast<long>(100 * static_cast<long long>(y) / rows));
    const BYTE* source = GetBits(static_cast<unsigned long>(lower + y));
    BYTE* target = work.GetBits(static_cast<unsigned long>(y));
    if (bpp == 8 || bpp == 24) {
      std::memcpy(target, source + static_cast<std::size_t>(left) * bpp / 8,
                  static_cast<std::size_t>(columns) * bpp / 8);
    } else {
      for (long x = 0; x < columns; ++x)
        work.BlindSetPixelIndex(x, y, BlindGetPixelIndex(left + x, lower + y));
    }
    if (alpha_)
      std::memcpy(work.alpha_ + y * columns, alpha_ + (lower + y) * width + left,
                  static_cast<std::size_t>(columns));
  }
  return DeliverResult(work, dest);
}

bool CImageFile::Crop(const RECT& rect, CImageFile* dest) {
  return Crop(rect.left, rect.top, rect.right, rect.bottom, dest);
}

bool CImageFile::CropRotatedRectangle(long topx, long topy, long width, long height, float angle,
                                      CImageFile* dest) {
  // Every corner must lie inside the image, so a side or a corner past any image is refused
  // before the sums below could overflow.
  constexpr long kFar = 1L << 32;
  if (!dib_ || !std::isfinite(angle) || width <= 0 || height <= 0 || width > kFar || height > kFar ||
      std::labs(topx) > kFar || std::labs(topy) > kFar) {
    return false;
  }
  if (std::fabs(angle) < 0.0002f) return Crop(topx, topy, topx + width, topy + height, dest);
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  const double reachX = height * s;
  const double reachRight = width * c;
  const double reachDown = width * s + height * c;
  const long left = std::min(topx, topx - static_cast<long>(reachX));
  const long right = topx + static_cast<long>(reachRight);
  const long bottom = topy + static_cast<long>(reachDown);
  if (!IsInside(left, topy) || !IsInside(right, bottom)) return false;
  CImageFile work(*this, true, false, true);
  if (!work.IsValid() || !work.Crop(left, topy, right, bottom)) return false;
  if (!work.Rotate(static_cast<float>(-angle * 57.29577951308232))) return false;
  const long turnedWidth = static_cast<long>(work.GetWidth());
  const long turnedHeight = static_cast<long>(work.GetHeight());
  if (!work.Crop((turnedWidth - width) / 2, (turnedHeight + height) / 2, (turnedWidth + width) / 2,
                 (turnedHeight - height) / 2)) {
    return false;
  }
  return DeliverResult(work, dest);
}
