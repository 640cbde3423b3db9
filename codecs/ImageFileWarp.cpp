// Warping an image in place: skewing and the circular warps.
#include <algorithm>
#include <cmath>

#include "codecs/ImageFile.h"

namespace {

// Source coordinates far outside any image stay far outside, and a long holds them.
long TruncatedCoordinate(double v) {
  if (!(v == v)) return -1;  // NaN
  return static_cast<long>(std::clamp(v, -4e9, 4e9));
}

struct Box {
  long left, bottom, right, top;  // inclusive, clipped to the image
};

}  // namespace

// The pixels a warp visits: the selection's box, or the whole image, clipped to the image.
static Box WarpBox(CImageFile& image) {
  const long width = static_cast<long>(image.GetWidth());
  const long height = static_cast<long>(image.GetHeight());
  if (!image.SelectionIsValid()) return Box{0, 0, width - 1, height - 1};
  RECT r;
  image.SelectionGetBox(r);
  return Box{std::max(0L, static_cast<long>(r.left)), std::max(0L, static_cast<long>(r.bottom)),
             std::min(width - 1, static_cast<long>(r.right)), std::min(height - 1, static_cast<long>(r.top))};
}

bool CImageFile::Skew(float xgain, float ygain, long xpivot, long ypivot, bool interpolate) {
  if (!dib_) return false;
  const bool selected = selection_ != nullptr;
  // Without a selection every pixel is rewritten, so the copy's pixels need not be copied.
  CImageFile work(*this, selected, true, true);
  if (!work.IsValid()) return false;
  const Box box = WarpBox(*this);
  const bool indexed = GetPalette() != nullptr;
  for (long y = box.bottom; y <= box.top; ++y) {
    if (ReportRow(y - box.bottom, box.top - box.bottom + 1)) break;
    for (long x = box.left; x <= box.right; ++x) {
      if (selected && !SelectionIsInside(x, y)) continue;
      const double sx = x +
                        static_cast<double>(xgain) * (static_cast<double>(y) - static_cast<double>(ypivot));
      const double sy = y +
                        static_cast<double>(ygain) * (static_cast<double>(x) - static_cast<double>(xpivot));
      if (interpolate) {
        const RGBQUAD c = GetPixelColorInterpolated(static_cast<float>(sx), static_cast<float>(sy),
                                                    InterpolationMethod::Bilinear,
                                                    OverflowMethod::Background);
        work.SetPixelColor(x, y, c, true);
        if (indexed && alpha_) work.AlphaSet(x, y, c.rgbReserved);
      } else {
        const long ix = TruncatedCoordinate(sx);
        const long iy = TruncatedCoordinate(sy);
        if (indexed) {
          work.SetPixelIndex(x, y, GetPixelIndex(ix, iy));
        } else {
          work.SetPixelColor(x, y, GetPixelColor(ix, iy, false));
        }
        if (alpha_) work.AlphaSet(x, y, AlphaGet(ix, iy));
      }
    }
  }
  return Transfer(work);
}

bool CImageFile::CircleTransform(int type, long rmax, float coeff) {
  if (!dib_) return false;
  const bool selected = selection_ != nullptr;
  CImageFile work(*this, selected, true, true);
  if (!work.IsValid()) return false;
  const long cx = static_cast<long>(work.GetWidth()) / 2;
  const long cy = static_cast<long>(work.GetHeight()) / 2;
  const Box box = WarpBox(*this);
  double radius = static_cast<double>(rmax);
  if (rmax == 0) {
    radius = std::trunc(std::hypot(static_cast<double>(cx - box.left), static_cast<double>(cy - box.bottom)));
  }
  const double coefficient = coeff == 0 ? 1.0 : static_cast<double>(coeff);
  const bool indexed = GetPalette() != nullptr;
  for (long y = box.bottom; y <= box.top; ++y) {
    if (ReportRow(y - box.bottom, box.top - box.bottom + 1)) break;
    for (long x = box.left; x <= box.right; ++x) {
      if (selected && !SelectionIsInside(x, y)) continue;
      const double dx = static_cast<double>(cx - x);
      const double dy = static_cast<double>(cy - y);
      const double r = std::sqrt(dx * dx + dy * dy);
      long sx = -1, sy = -1;
      if (r < radius) {
        double angle = std::atan2(dy, dx);
        if (type <= 2) {
          double newRadius = r;
          if (type == 0) {
            newRadius = r * r / radius;
          } else if (type == 1) {
            newRadius = std::sqrt(radius * r);
          } else {
            angle += r / coefficient;
          }
          sx = cx + TruncatedCoordinate(std::cos(angle) * newRadius);
          sy = cy - TruncatedCoordinate(std::sin(angle) * newRadius);
        } else if (type == 3) {
          sx = TruncatedCoordinate(std::fabs((box.right + 1) * angle * 0.15915494580678602));
          sy = TruncatedCoordinate(std::fabs((box.top + 1) * r / radius));
        } else {
          sx = x + (x % 32) - 16;
          sy = y;
        }
      }
      if (indexed) {
        work.SetPixelIndex(x, y, GetPixelIndex(sx, sy));
      } else {
        work.SetPixelColor(x, y, GetPixelColor(sx, sy, false));
      }
      if (alpha_) work.AlphaSet(x, y, AlphaGet(sx, sy));
    }
  }
  return Transfer(work);
}
