#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "codecs/ImageFile.h"

namespace {

// Exposes the protected members a codec uses.
class CodecView : public CImageFile {
 public:
  using CImageFile::Bitfield2RGB;
  using CImageFile::CImageFile;
  using CImageFile::CompareColors;
  using CImageFile::CopyInfo;
  using CImageFile::Ghost;
  using CImageFile::RGBtoBGR;
};

RGBQUAD Quad(BYTE r, BYTE g, BYTE b, BYTE a = 0) { return RGBQUAD{b, g, r, a}; }

}  // namespace

TEST(ImageFileCreate, RoundsDepthAndPadsRows) {
  struct Case {
    unsigned long width, bpp;
    unsigned short depth;
    unsigned long colors, effWidth;
  };
  const Case cases[] = {
      {10, 0, 1, 2, 4},   {10, 1, 1, 2, 4},    {33, 1, 1, 2, 8},     {10, 2, 4, 16, 8},
      {10, 4, 4, 16, 8},  {10, 5, 8, 256, 12}, {10, 8, 8, 256, 12},  {10, 9, 24, 0, 32},
      {10, 16, 24, 0, 32}, {10, 24, 24, 0, 32}, {10, 32, 24, 0, 32}, {1, 24, 24, 0, 4},
  };
  for (const Case& c : cases) {
    CImageFile image;
    ASSERT_NE(image.Create(c.width, 10, c.bpp, keImageFormatBMP), nullptr) << c.bpp;
    EXPECT_EQ(image.GetBpp(), c.depth) << c.bpp;
    EXPECT_EQ(image.GetNumColors(), c.colors) << c.bpp;
    EXPECT_EQ(image.GetEffWidth(), c.effWidth) << c.width << "x" << c.bpp;
    EXPECT_EQ(image.GetType(), keImageFormatBMP);
    EXPECT_EQ(image.GetSize(), static_cast<long>(40 + c.colors * 4 + c.effWidth * 10));
  }
}

TEST(ImageFileCreate, ClearsPaletteAndPixels) {
  CImageFile image(7, 5, 8, 0);
  ASSERT_TRUE(image.IsValid());
  const BYTE* bits = image.GetBits(0);
  EXPECT_TRUE(std::all_of(bits, bits + image.GetEffWidth() * 5, [](BYTE b) { return b == 0; }));
  EXPECT_EQ(image.GetPaletteColor(255).rgbRed, 0);
}

TEST(ImageFileCreate, RefusesEmptyAndOversizedImages) {
  struct Case {
    unsigned long width, height, bpp;
    const char* error;
  };
  const Case cases[] = {
      {0, 5, 8, "CImageFile::Create : width and height must be greater than zero"},
      {5, 0, 8, "CImageFile::Create : width and height must be greater than zero"},
      {100000, 100000, 24, "IMAGEFILE_MAX_MEMORY exceeded"},
      {0x80000000UL, 1, 1, "IMAGEFILE_MAX_MEMORY exceeded"},
      {1, 0x80000000UL, 1, "IMAGEFILE_MAX_MEMORY exceeded"},
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

TEST(ImageFileCreate, StartsWithDefaults) {
  CImageFile image;
  EXPECT_EQ(image.GetJpegQuality(), 90);
  EXPECT_EQ(image.AlphaGetMax(), 255);
  EXPECT_EQ(image.GetTransIndex(), -1);
  EXPECT_EQ(image.GetXDPI(), 96);
  EXPECT_EQ(image.GetYDPI(), 96);
  EXPECT_TRUE(image.IsEnabled());
  ASSERT_TRUE(image.Create(2, 2, 24, 0));
  BITMAPINFOHEADER header;
  std::memcpy(&header, image.GetDIB(), sizeof(header));
  EXPECT_EQ(header.biXPelsPerMeter, 3780);
  EXPECT_EQ(header.biYPelsPerMeter, 3780);
  EXPECT_EQ(header.biSize, 40u);
}

TEST(ImageFile, GetBitsAddressesRowsFromTheBottom) {
  CImageFile image(4, 4, 8, 0);
  EXPECT_EQ(image.GetBits(1), image.GetBits(0) + 4);
  EXPECT_EQ(image.GetBits(3), image.GetBits(0) + 12);
  EXPECT_EQ(image.GetBits(4), nullptr);
  EXPECT_EQ(image.GetBits(0), static_cast<BYTE*>(image.GetDIB()) + 40 + 1024);
  EXPECT_EQ(image.GetSize(), 40 + 1024 + 16);
  CImageFile empty;
  EXPECT_EQ(empty.GetBits(0), nullptr);
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
    for (unsigned long i = 0; i < image.GetEffWidth() * 3; ++i) {
      ASSERT_EQ(bits[i], c.expected) << c.bpp << " byte " << i;
    }
  }
}

TEST(ImageFile, CopyTakesPixelsSelectionAndAlphaAsAsked) {
  CImageFile source(5, 4, 8, keImageFormatWBMP);
  source.SetStdPalette();
  source.SetPixelIndex(2, 3, 77);
  source.AlphaCreate();
  source.AlphaSet(1, 1, 9);
  source.SelectionAddPixel(4, 0);
  source.SetJpegQuality(33);
  source.SetXDPI(300);

  CImageFile full(source);
  EXPECT_EQ(full.GetPixelIndex(2, 3), 77);
  EXPECT_EQ(full.AlphaGet(1, 1), 9);
  EXPECT_TRUE(full.SelectionIsInside(4, 0));
  EXPECT_EQ(full.GetJpegQuality(), 33);
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

TEST(ImageFile, TransferMovesEverythingAndEmptiesTheSource) {
  CImageFile source(3, 3, 24, keImageFormatBMP);
  source.AlphaCreate();
  void* dib = source.GetDIB();
  CImageFile target(8, 8, 8, 0);
  ASSERT_TRUE(target.Transfer(source));
  EXPECT_EQ(target.GetDIB(), dib);
  EXPECT_TRUE(target.AlphaIsValid());
  EXPECT_EQ(target.GetWidth(), 3u);
  EXPECT_FALSE(source.IsValid());
  EXPECT_EQ(source.GetType(), 0u);
  EXPECT_EQ(source.GetJpegQuality(), 0);
  EXPECT_EQ(source.GetTransIndex(), 0);
}

TEST(ImageFile, AGhostOwnsNothing) {
  CImageFile owner(3, 3, 8, 0);
  {
    CodecView ghost;
    ghost.Ghost(&owner);
    EXPECT_EQ(ghost.GetDIB(), owner.GetDIB());
    EXPECT_FALSE(ghost.Destroy());
    CImageFile other(2, 2, 8, 0);
    EXPECT_FALSE(ghost.Transfer(other));  // nothing moved
    EXPECT_TRUE(other.IsValid());
    EXPECT_EQ(ghost.Create(2, 2, 8, 0), nullptr);
    EXPECT_EQ(ghost.GetDIB(), owner.GetDIB());
    CImageFile thief;
    EXPECT_FALSE(thief.Transfer(ghost));  // a ghost has nothing of its own to hand over
  }
  EXPECT_TRUE(owner.IsValid());  // the ghost's end freed nothing
}

TEST(ImageFile, CopyInfoOnlyIntoAnEmptyImage) {
  CImageFile source;
  source.SetFrame(4);
  CodecView empty;
  empty.CopyInfo(source);
  EXPECT_EQ(empty.GetFrame(), 4);
  CodecView created(2, 2, 8, 0);
  created.CopyInfo(source);
  EXPECT_EQ(created.GetFrame(), 0);
}

TEST(ImageFile, CreateFromMatrixKeepsAlphaWithItsColour) {
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
}

TEST(ImageFile, CreateFromArrayCopiesRowsAndSetsGreyPalette) {
  unsigned char pixels[2 * 3] = {10, 20, 30, 40, 50, 60};
  CImageFile image;
  ASSERT_TRUE(image.CreateFromArray(pixels, 3, 2, 8, 3, false));
  EXPECT_EQ(image.GetPixelIndex(2, 1), 60);
  EXPECT_TRUE(image.IsGrayScale());
  EXPECT_FALSE(image.CreateFromArray(pixels, 3, 2, 16, 3, false));
  EXPECT_FALSE(image.CreateFromArray(nullptr, 3, 2, 8, 3, false));
  unsigned char* none = nullptr;
  EXPECT_FALSE(image.CreateFromMatrix(&none, 1, 1, 5, 1, false));
}

TEST(ImageFile, BitfieldsScaleEachMaskToItsTopBit) {
  struct Case {
    unsigned short red, green, blue, pixel;
    BYTE r, g, b;
  };
  const Case cases[] = {
      {0x7C00, 0x03E0, 0x001F, 0x7FFF, 0xF8, 0xF8, 0xF8},  // 5-5-5
      {0xF800, 0x07E0, 0x001F, 0xFFFF, 0xF8, 0xFC, 0xF8},  // 5-6-5
      {0xF800, 0x07E0, 0x001F, 0x0821, 0x08, 0x04, 0x08},
      {0x0F00, 0x00F0, 0x000F, 0x0ABC, 0xA0, 0xB0, 0xC0},  // 4-4-4
      {0x0003, 0x000C, 0x0030, 0x003F, 0xC0, 0xC0, 0xC0},  // narrow masks shift left, never right by a negative count
      {0x0000, 0x0000, 0xFFFF, 0xFFFF, 0x00, 0x00, 0xFF},
  };
  for (const Case& c : cases) {
    CodecView image(1, 1, 24, 0);
    unsigned char source[4] = {static_cast<unsigned char>(c.pixel), static_cast<unsigned char>(c.pixel >> 8)};
    image.Bitfield2RGB(source, c.red, c.green, c.blue, 16);
    RGBQUAD color = image.GetPixelColor(0, 0);
    EXPECT_EQ(color.rgbRed, c.r) << std::hex << c.pixel;
    EXPECT_EQ(color.rgbGreen, c.g) << std::hex << c.pixel;
    EXPECT_EQ(color.rgbBlue, c.b) << std::hex << c.pixel;
  }
}

TEST(ImageFile, BitfieldsConvertInPlaceLastRowFirst) {
  // 3 x 2 pixels of 16 bits in the image's own rows: the source pitch is 8 bytes a row.
  CodecView image(3, 2, 24, 0);
  const unsigned short words[2][4] = {{0x001F, 0x03E0, 0x7C00, 0}, {0x7FFF, 0x0000, 0x4210, 0}};
  std::memcpy(image.GetBits(0), words, sizeof(words));
  image.Bitfield2RGB(image.GetBits(0), 0x7C00, 0x03E0, 0x001F, 16);
  const RGBQUAD expected[2][3] = {{Quad(0, 0, 0xF8), Quad(0, 0xF8, 0), Quad(0xF8, 0, 0)},
                                  {Quad(0xF8, 0xF8, 0xF8), Quad(0, 0, 0), Quad(0x80, 0x80, 0x80)}};
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      RGBQUAD c = image.GetPixelColor(x, y, false);
      EXPECT_EQ(c.rgbRed, expected[y][x].rgbRed) << x << "," << y;
      EXPECT_EQ(c.rgbGreen, expected[y][x].rgbGreen) << x << "," << y;
      EXPECT_EQ(c.rgbBlue, expected[y][x].rgbBlue) << x << "," << y;
    }
  }
}

TEST(ImageFile, RgbToBgrTouchesWholeGroupsInsideTheBuffer) {
  CodecView image(2, 1, 24, 0);
  unsigned char buffer[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  image.RGBtoBGR(buffer, 7);
  const unsigned char expected[8] = {3, 2, 1, 6, 5, 4, 7, 8};
  EXPECT_EQ(std::memcmp(buffer, expected, 8), 0);
}

TEST(ImageFile, CompareColorsOrdersByLuminance) {
  RGBQUAD dark = Quad(10, 10, 10);
  RGBQUAD bright = Quad(200, 200, 200);
  EXPECT_LT(CodecView::CompareColors(&dark, &bright), 0);
  EXPECT_GT(CodecView::CompareColors(&bright, &dark), 0);
  EXPECT_EQ(CodecView::CompareColors(&dark, &dark), 0);
}
