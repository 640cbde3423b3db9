// Images for the generator tests, and pixel access by (x, y).
#pragma once
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "core/RowIteratorBands.h"

namespace corvel {
namespace testing_images {

using Bgra = std::array<int, 4>;

// How far two images of one format and size lie apart, byte by byte.
struct ByteDifference {
  int largest = 0;
  double mean = 0;
};

inline ByteDifference DifferenceOf(CRowIteratorBands& a, CRowIteratorBands& b) {
  const int rowBytes = (a.GetFormat() == keFormatGrey ? 1 : 4) * a.Width();
  long long total = 0;
  ByteDifference difference;
  for (int y = 0; y < a.Height(); ++y) {
    const BYTE* ours = a.LockRowPointer(y, 0, -1);
    const BYTE* theirs = b.LockRowPointer(y, 0, -1);
    for (int i = 0; i < rowBytes; ++i) {
      const int apart = std::abs(int(ours[i]) - int(theirs[i]));
      total += apart;
      difference.largest = std::max(difference.largest, apart);
    }
    a.UnlockRow(y);
    b.UnlockRow(y);
  }
  difference.mean = double(total) / (double(rowBytes) * a.Height());
  return difference;
}

// A BGRA image whose red is x and green is y (both mod 256), blue 7, alpha 255.
inline void MakeGradient(CRowIteratorBands& image, int width, int height) {
  image.CreateBGRA(width, height).GetCode();
  for (int y = 0; y < height; ++y) {
    BYTE* row = image.LockRowPointer(y, 0, -1);
    for (int x = 0; x < width; ++x) {
      row[4 * x + 0] = 7;
      row[4 * x + 1] = BYTE(y);
      row[4 * x + 2] = BYTE(x);
      row[4 * x + 3] = 255;
    }
    image.UnlockRow(y);
  }
}

// A BGRA image of smooth waves of about 100 levels in each channel, some 150 pixels long, in
// different directions: a picture whose copies differ across every seam.
inline void MakeWaves(CRowIteratorBands& image, int width, int height) {
  image.CreateBGRA(width, height).GetCode();
  const double step = 2 * 3.141592653589793;
  for (int y = 0; y < height; ++y) {
    BYTE* row = image.LockRowPointer(y, 0, -1);
    for (int x = 0; x < width; ++x) {
      row[4 * x + 0] = BYTE(128 + 100 * std::sin((x + y) * step / 190));
      row[4 * x + 1] = BYTE(128 + 100 * std::sin(y * step / 130));
      row[4 * x + 2] = BYTE(128 + 100 * std::sin(x * step / 170));
      row[4 * x + 3] = 255;
    }
    image.UnlockRow(y);
  }
}

inline Bgra PixelAt(CRowIteratorBands& image, int x, int y) {
  const BYTE* row = image.LockRowPointer(y, x, 1);
  Bgra pixel{row[0], row[1], row[2], row[3]};
  image.UnlockRow(y);
  return pixel;
}

}  // namespace testing_images
}  // namespace corvel
