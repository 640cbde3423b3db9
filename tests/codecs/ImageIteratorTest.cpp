#include <gtest/gtest.h>

#include <vector>

#include "codecs/ImageIterator.h"

TEST(ImageIterator, WalksFromThePicturesTopRowDown) {
  CImageFile image(5, 3, 8, keImageFormatUnknown);  // rows of 8 bytes
  CImageIterator rows(&image);
  rows.SeekTopRow();
  std::vector<BYTE> bytes(20, 0);
  for (BYTE value = 1; value <= 3; ++value, rows.NextRowDown()) {
    bytes.assign(20, value);
    rows.PutRow(bytes.data(), 20);  // more than a row: cut to the row
  }
  EXPECT_EQ(rows.RowPointer(), nullptr);  // past the bottom row: further rows go nowhere
  rows.PutRow(bytes.data(), -1);
  for (unsigned long y = 0; y < 3; ++y) {
    for (unsigned long x = 0; x < 8; ++x) EXPECT_EQ(image.GetBits(y)[x], 3 - y) << y;
  }
  EXPECT_EQ(rows.SeekRow(1), image.GetBits(1));
  EXPECT_EQ(rows.SeekRow(3), image.GetBits(1));  // outside: stays where it was
  std::vector<BYTE> out(20, 0xEE);
  rows.GetRow(out.data(), 20);
  EXPECT_EQ(out[7], 2);
  EXPECT_EQ(out[8], 0xEE);
}
