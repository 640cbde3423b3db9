// Images with known pixels for the sampling tests.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "core/RowIteratorBands.h"

namespace corvel::testing {

// Pixel (x, y), byte c of a pixel, as the test wants it.
using PixelRule = std::function<std::uint8_t(int x, int y, int c)>;

inline void FillImage(CRowIteratorBands& image, const PixelRule& rule) {
  const int bytes = image.GetBitsPerPixel() / 8;
  for (int y = 0; y < image.Height(); ++y) {
    BYTE* row = nullptr;
    ASSERT_EQ(image.LockRow(y, &row).GetCode(), 0);
    for (int x = 0; x < image.Width(); ++x)
      for (int c = 0; c < bytes; ++c) row[x * bytes + c] = rule(x, y, c);
    image.ReleaseRow(y);
  }
}

inline void MakeImage(CRowIteratorBands& image, int width, int height, keFormat format,
                      const PixelRule& rule) {
  ASSERT_EQ(image.Create(width, height, format).GetCode(), 0);
  FillImage(image, rule);
}

inline std::vector<std::uint8_t> ReadPixel(CRowIteratorBands& image, int x, int y) {
  const int bytes = image.GetBitsPerPixel() / 8;
  BYTE* row = nullptr;
  EXPECT_EQ(image.LockRow(y, &row).GetCode(), 0);
  std::vector<std::uint8_t> pixel(row + x * bytes, row + (x + 1) * bytes);
  image.ReleaseRow(y);
  return pixel;
}

// Every byte of two images alike.
inline ::testing::AssertionResult SamePixels(CRowIteratorBands& a, CRowIteratorBands& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.GetFormat() != b.GetFormat())
    return ::testing::AssertionFailure() << "shapes differ";
  const int rowBytes = a.GetRowBytes();
  for (int y = 0; y < a.Height(); ++y) {
    BYTE *ra = nullptr, *rb = nullptr;
    a.LockRow(y, &ra).GetCode();
    b.LockRow(y, &rb).GetCode();
    const int diff = std::memcmp(ra, rb, rowBytes);
    int x = 0;
    while (diff != 0 && ra[x] == rb[x]) ++x;
    a.ReleaseRow(y);
    b.ReleaseRow(y);
    if (diff != 0) return ::testing::AssertionFailure() << "row " << y << " byte " << x << " differs";
  }
  return ::testing::AssertionSuccess();
}

// A repeatable pseudo-random byte per position.
inline std::uint8_t Noise(int x, int y, int c) {
  std::uint32_t h = static_cast<std::uint32_t>(x) * 73856093u ^ static_cast<std::uint32_t>(y) * 19349663u ^
                    static_cast<std::uint32_t>(c) * 83492791u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  return static_cast<std::uint8_t>(h >> 24);
}

}  // namespace corvel::testing
