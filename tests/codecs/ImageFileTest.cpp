#include <gtest/gtest.h>

#include <cstring>

#include "codecs/ImageFile.h"

namespace {

// Exposes the protected members a codec uses.
class CodecView : public CImageFile {
 public:
  using CImageFile::CImageFile;
  using CImageFile::Ghost;
};

}  // namespace

TEST(ImageFileCreate, RoundsDepthAndPadsRows) {
  struct Case {
    unsigned long width, bpp;
    unsigned short depth;
    unsigned long colors, effWidth;
  };
  const Case cases[] = {
      {10, 0, 1, 2, 4},   {33, 1, 1, 2, 8},    {10, 2, 4, 16, 8}, {10, 5, 8, 256, 12},
      {10, 9, 24, 0, 32}, {10, 32, 24, 0, 32}, {1, 24, 24, 0, 4},
  };
  for (const Case& c : cases) {
    CImageFile image;
    ASSERT_NE(image.Create(c.width, 10, c.bpp, keImageFormatBMP), nullptr) << c.bpp;
    EXPECT_EQ(image.GetBpp(), c.depth) << c.bpp;
    EXPECT_EQ(image.GetNumColors(), c.colors) << c.bpp;
    EXPECT_EQ(image.GetEffWidth(), c.effWidth) << c.width << "x" << c.bpp;
    EXPECT_EQ(image.GetSize(), static_cast<long>(40 + c.colors * 4 + c.effWidth * 10));
    EXPECT_EQ(image.GetBits(9), image.GetBits(0) + 9 * c.effWidth);  // rows from the bottom
    EXPECT_EQ(image.GetBits(10), nullptr);
  }
}

TEST(ImageFileCreate, RefusesEmptyAndOversizedImages) {
  struct Case {
    unsigned long width, height, bpp;
    const char* error;
  };
  const Case cases[] = {
      {0, 5, 8, "CImageFile::Create : width and height must be greater than zero"},
      {100000, 100000, 24, "IMAGEFILE_MAX_MEMORY exceeded"},
      {0x80000000UL, 1, 1, "IMAGEFILE_MAX_MEMORY exceeded"},
      {0xFFFFFFFFFFFFUL, 0xFFFFFFFFFFFFUL, 24, "IMAGEFILE_MAX_MEMORY exceeded"},
      {30000, 30000, 24, "IMAGEFILE_MAX_MEMORY exceeded"},  // 2.7 GB: above the 2 GiB cap
  };
  for (const Case& c : cases) {
    CImageFile image(4, 4, 8, 0);
    EXPECT_EQ(image.Create(c.width, c.height, c.bpp, 0), nullptr);
    EXPECT_STREQ(image.GetLastError(), c.error);
    EXPECT_FALSE(image.IsValid());  // the old buffers went first
  }
}

TEST(ImageFile, ClearFillsByDepth) {
  struct Case {
    unsigned long bpp;
    unsigned char value, expected;
  };
  const Case cases[] = {{1, 1, 255}, {1, 0, 0}, {4, 0x1F, 0xFF}, {4, 0x02, 0x22}, {8, 0x1F, 0x1F}};
  for (const Case& c : cases) {
    CImageFile image(9, 3, c.bpp, 0);
    image.Clear(c.value);
    const BYTE* bits = image.GetBits(0);
    for (unsigned long i = 0; i < image.GetEffWidth() * 3; ++i) ASSERT_EQ(bits[i], c.expected) << c.bpp;
  }
}

TEST(ImageFile, CopyTakesPixelsSelectionAndAlphaAsAsked) {
  CImageFile source(5, 4, 8, keImageFormatWBMP);
  source.SetStdPalette();
  source.SetPixelIndex(2, 3, 77);
  source.AlphaCreate();
  source.AlphaSet(1, 1, 9);
  source.SelectionAddPixel(4, 0);
  source.SetXDPI(300);

  CImageFile full(source);
  EXPECT_EQ(full.GetPixelIndex(2, 3), 77);
  EXPECT_EQ(full.AlphaGet(1, 1), 9);
  EXPECT_TRUE(full.SelectionIsInside(4, 0));
  EXPECT_EQ(full.GetType(), keImageFormatWBMP);
  EXPECT_EQ(full.GetXDPI(), 300);
  EXPECT_NE(full.GetBits(0), source.GetBits(0));

  CImageFile bare(source, false, false, false);
  EXPECT_EQ(bare.GetPixelIndex(2, 3), 0);
  EXPECT_TRUE(bare.IsSamePalette(source));  // the palette comes along without the pixels
  EXPECT_FALSE(bare.AlphaIsValid());
  EXPECT_FALSE(bare.SelectionIsValid());

  CImageFile assigned;
  assigned = source;
  const CImageFile& itself = assigned;
  assigned = itself;  // self-assignment keeps the pixels
  EXPECT_EQ(assigned.GetPixelIndex(2, 3), 77);
}

TEST(ImageFile, TransferMovesEverythingAndAGhostOwnsNothing) {
  CImageFile source(3, 3, 24, keImageFormatBMP);
  source.AlphaCreate();
  void* dib = source.GetDIB();
  CImageFile target(8, 8, 8, 0);
  ASSERT_TRUE(target.Transfer(source));
  EXPECT_EQ(target.GetDIB(), dib);
  EXPECT_TRUE(target.AlphaIsValid());
  EXPECT_FALSE(source.IsValid());
  EXPECT_EQ(source.GetTransIndex(), 0);

  {
    CodecView ghost;
    ghost.Ghost(&target);
    EXPECT_EQ(ghost.GetDIB(), dib);
    EXPECT_FALSE(ghost.Destroy());
    CImageFile other(2, 2, 8, 0);
    EXPECT_FALSE(ghost.Transfer(other));  // nothing moved
    EXPECT_TRUE(other.IsValid());
    EXPECT_EQ(ghost.Create(2, 2, 8, 0), nullptr);
    CImageFile thief;
    EXPECT_FALSE(thief.Transfer(ghost));  // a ghost has nothing of its own to hand over
  }
  EXPECT_EQ(target.GetDIB(), dib);  // the ghost's end freed nothing
}

TEST(ImageFile, CreateFromRowsKeepsAlphaWithItsColour) {
  // Two rows of 32-bit pixels, handed over top row first and flipped into DIB order.
  unsigned char top[8] = {1, 2, 3, 40, 4, 5, 6, 50};
  unsigned char bottom[8] = {7, 8, 9, 60, 10, 11, 12, 70};
  unsigned char* rows[2] = {top, bottom};
  CImageFile image;
  ASSERT_TRUE(image.CreateFromMatrix(rows, 2, 2, 32, 8, true));
  EXPECT_EQ(image.GetBpp(), 24);
  EXPECT_EQ(image.GetPixelColor(1, 1).rgbBlue, 4);
  EXPECT_EQ(image.AlphaGet(1, 1), 50);
  EXPECT_EQ(image.GetPixelColor(0, 0).rgbRed, 9);
  EXPECT_EQ(image.AlphaGet(0, 0), 60);

  unsigned char pixels[2 * 3] = {10, 20, 30, 40, 50, 60};
  ASSERT_TRUE(image.CreateFromArray(pixels, 3, 2, 8, 3, false));
  EXPECT_EQ(image.GetPixelIndex(2, 1), 60);
  EXPECT_TRUE(image.IsGrayScale());
  EXPECT_FALSE(image.CreateFromArray(pixels, 3, 2, 16, 3, false));
  EXPECT_FALSE(image.CreateFromArray(nullptr, 3, 2, 8, 3, false));
}
