// Reading and writing whole images as flat byte vectors, for tests that check every value.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "core/RowIteratorBands.h"

namespace corvel {

inline std::vector<std::uint8_t> ImageBytes(CRowIteratorBands& image) {
  const int rowBytes = image.GetRowBytes();
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(rowBytes) * image.Height());
  for (int y = 0; y < image.Height(); ++y) {
    BYTE* row = nullptr;
    CoreResult result = image.LockRow(y, &row);
    EXPECT_EQ(result.GetCode(), 0);
    if (!row) continue;
    std::memcpy(&bytes[static_cast<std::size_t>(y) * rowBytes], row, rowBytes);
    image.ReleaseRow(y);
  }
  return bytes;
}

inline std::vector<std::uint8_t> RowBytes(CRowIteratorBands& image, int y) {
  BYTE* row = nullptr;
  EXPECT_EQ(image.LockRow(y, &row).GetCode(), 0);
  if (!row) return {};
  std::vector<std::uint8_t> bytes(row, row + image.GetRowBytes());
  image.ReleaseRow(y);
  return bytes;
}

inline void SetImageBytes(CRowIteratorBands& image, const std::vector<std::uint8_t>& bytes) {
  const int rowBytes = image.GetRowBytes();
  for (int y = 0; y < image.Height(); ++y) {
    BYTE* row = nullptr;
    CoreResult result = image.LockRow(y, &row);
    EXPECT_EQ(result.GetCode(), 0);
    if (!row) continue;
    std::memcpy(row, &bytes[static_cast<std::size_t>(y) * rowBytes], rowBytes);
    image.ReleaseRow(y);
  }
}

// An image of random bytes; random values for the extremes 0 and max are likely enough with
// the bias towards them.
inline std::vector<std::uint8_t> RandomImage(CRowIteratorBands& image, int width, int height, keFormat format,
                                             std::mt19937& random) {
  CoreResult result = image.Create(width, height, format);
  EXPECT_EQ(result.GetCode(), 0);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(image.GetRowBytes()) * height);
  for (auto& b : bytes) {
    const unsigned r = random() % 300;
    b = static_cast<std::uint8_t>(r < 20 ? 0 : r < 40 ? 255 : r & 0xFF);
  }
  SetImageBytes(image, bytes);
  return bytes;
}

inline std::uint32_t Word(const std::vector<std::uint8_t>& bytes, std::size_t index) {
  std::uint16_t v;
  std::memcpy(&v, &bytes[index * 2], 2);
  return v;
}

}  // namespace corvel
