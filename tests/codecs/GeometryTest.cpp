#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "codecs/ImageFile.h"
#include "codecs/detail/Quad.h"

using Method = CImageFile::InterpolationMethod;
using Overflow = CImageFile::OverflowMethod;

namespace {

unsigned Rgb(CImageFile& image, long x, long y) {
  RGBQUAD c = image.GetPixelColor(x, y, false);
  return c.rgbRed << 16 | c.rgbGreen << 8 | c.rgbBlue;
}

// A picture whose every pixel differs, in the given depth, with an alpha plane that follows it.
CImageFile Pattern(long width, long height, unsigned long bpp) {
  CImageFile image(width, height, bpp, 0);
  if (bpp == 1) image.SetGrayPalette();
  if (bpp > 1 && bpp <= 8) image.SetStdPalette();
  image.AlphaCreate();
  for (long y = 0; y < height; ++y) {
    for (long x = 0; x < width; ++x) {
      if (bpp <= 8) {
        image.SetPixelIndex(x, y, static_cast<BYTE>(x * 7 + y * 3));
      } else {
        image.SetPixelColor(x, y, RGB(x * 9, y * 11, x * y));
      }
      image.AlphaSet(x, y, static_cast<BYTE>(x + 16 * y));
    }
  }
  return image;
}

bool IsFlat(CImageFile& image, unsigned rgb) {
  for (long y = 0; y < static_cast<long>(image.GetHeight()); ++y) {
    for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x) {
      if (Rgb(image, x, y) != rgb) return false;
    }
  }
  return true;
}

}  // namespace

TEST(ImageFileGeometry, QuarterAndHalfTurnsMapEveryPixel) {
  for (unsigned long bpp : {1ul, 4ul, 8ul, 24ul}) {
    CImageFile image = Pattern(70, 67, bpp);  // more than one 64-pixel block each way
    const long w = 70, h = 67;
    CImageFile left, right, half;
    ASSERT_TRUE(image.RotateLeft(&left));
    ASSERT_TRUE(image.RotateRight(&right));
    ASSERT_TRUE(image.Rotate180(&half));
    ASSERT_EQ(left.GetWidth(), 67u);
    ASSERT_EQ(left.GetHeight(), 70u);
    for (long y = 0; y < h; ++y) {
      for (long x = 0; x < w; ++x) {
        const unsigned c = Rgb(image, x, y);
        ASSERT_EQ(Rgb(left, h - 1 - y, x), c) << bpp << " " << x << "," << y;
        ASSERT_EQ(Rgb(right, y, w - 1 - x), c) << bpp << " " << x << "," << y;
        ASSERT_EQ(Rgb(half, w - 1 - x, h - 1 - y), c) << bpp << " " << x << "," << y;
        ASSERT_EQ(left.AlphaGet(h - 1 - y, x), image.AlphaGet(x, y));
        ASSERT_EQ(half.AlphaGet(w - 1 - x, h - 1 - y), image.AlphaGet(x, y));
      }
    }
    // Four quarter turns give the picture back; so does Rotate2 by 90 degrees and back.
    CImageFile turned(image);
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(turned.RotateLeft());
    ASSERT_TRUE(turned.Rotate2(90.001f));
    ASSERT_TRUE(turned.Rotate2(-90.001f));
    for (long y = 0; y < h; ++y) {
      for (long x = 0; x < w; ++x) ASSERT_EQ(Rgb(turned, x, y), Rgb(image, x, y));
    }
  }
}

TEST(ImageFileGeometry, RotateByZeroStillAddsItsMargins) {
  CImageFile image = Pattern(5, 4, 24);
  ASSERT_TRUE(image.Rotate(0));
  EXPECT_EQ(image.GetWidth(), 7u);
  EXPECT_EQ(image.GetHeight(), 6u);
  CImageFile keep = Pattern(5, 4, 24);
  const RGBQUAD black = Quad(0, 0, 0);
  ASSERT_TRUE(keep.Rotate2(33, nullptr, Method::Cubic, Overflow::Color, &black, false, true));
  EXPECT_EQ(keep.GetWidth(), 5u);
}

TEST(ImageFileGeometry, ResampleAndThumbnailSizes) {
  CImageFile image = Pattern(40, 30, 24);
  EXPECT_FALSE(CImageFile(image).Resample(0, 5));
  EXPECT_FALSE(CImageFile(image).Resample(-4, 5));
  CImageFile same(image);
  EXPECT_TRUE(same.Resample(40, 30));
  EXPECT_EQ(Rgb(same, 7, 9), Rgb(image, 7, 9));
  for (int mode : {0, 1, 2}) {
    CImageFile down, up;
    ASSERT_TRUE(image.Resample(13, 7, mode, &down));
    ASSERT_TRUE(image.Resample(81, 61, mode, &up));
    EXPECT_EQ(down.GetWidth() * 1000 + down.GetHeight(), 13007u) << mode;
    EXPECT_EQ(up.GetWidth() * 1000 + up.GetHeight(), 81061u) << mode;
    EXPECT_TRUE(up.AlphaIsValid());
  }
  struct Box {
    long boxWidth, boxHeight, width, height;
  };
  // The picture is fitted inside the box, then centred on a canvas of the box's size.
  for (const Box& box : {Box{20, 20, 20, 15}, Box{10, 30, 10, 7}, Box{100, 100, 40, 30}, Box{8, 1, 1, 1}}) {
    CImageFile thumbnail;
    ASSERT_TRUE(image.Thumbnail(box.boxWidth, box.boxHeight, Quad(1, 2, 3), &thumbnail));
    EXPECT_EQ(thumbnail.GetWidth(), static_cast<unsigned long>(box.boxWidth));
    EXPECT_EQ(thumbnail.GetHeight(), static_cast<unsigned long>(box.boxHeight));
    const long left = (box.boxWidth - box.width) / 2;
    const long bottom = box.boxHeight - box.height - (box.boxHeight - box.height) / 2;
    EXPECT_EQ(Rgb(thumbnail, left, 0) == 0x010203u, bottom > 0) << box.boxWidth;
    EXPECT_EQ(Rgb(thumbnail, box.boxWidth - 1, bottom) == 0x010203u, box.width < box.boxWidth)
        << box.boxWidth;
  }
}

// Outputs past the image cap are refused before anything is allocated, whatever the geometry.
TEST(ImageFileGeometry, OutputsPastTheCapAreRefused) {
  CImageFile wide(60000, 1, 24, 0);
  EXPECT_FALSE(wide.Rotate(45));
  EXPECT_FALSE(wide.Rotate2(45));
  EXPECT_FALSE(wide.Resample(60000, 60000));
  EXPECT_FALSE(wide.Resample2(60000, 60000));
  EXPECT_FALSE(wide.Expand(0, 0x7FFFFFFF, 0, 0x7FFFFFFF, Quad(0, 0, 0)));
  EXPECT_FALSE(wide.Rotate(NAN));
  EXPECT_EQ(wide.GetWidth(), 60000u);
  // A 1-bit row of 2^31 - 1 pixels fits the cap, but a table of its columns would not.
  CImageFile bits(8, 1, 1, 0);
  EXPECT_FALSE(bits.Resample(0x7FFFFFFF, 1, 1));
  EXPECT_EQ(bits.GetWidth(), 8u);
}

TEST(ImageFileGeometry, FlatColourStaysFlatUnderEveryResample) {
  CImageFile image(23, 17, 24, 0);
  const unsigned flat = 0xC82875;
  for (long y = 0; y < 17; ++y) {
    for (long x = 0; x < 23; ++x) image.SetPixelColor(x, y, RGB(0xC8, 0x28, 0x75));
  }
  for (long size : {7L, 10L, 50L}) {
    for (int mode : {0, 1, 2}) {
      CImageFile out;
      ASSERT_TRUE(image.Resample(size, size + 3, mode, &out));
      EXPECT_TRUE(IsFlat(out, flat)) << "mode " << mode << " size " << size;
    }
    CImageFile shrunk;
    if (size < 17) {
      ASSERT_TRUE(image.QIShrink(size, size + 3, &shrunk));
      EXPECT_TRUE(IsFlat(shrunk, flat)) << size;
    }
    for (int method = 1; method <= 16; ++method) {
      for (Overflow overflow : {Overflow::Wrap, Overflow::Repeat, Overflow::Mirror}) {
        for (bool noAveraging : {false, true}) {
          CImageFile out;
          ASSERT_TRUE(
              image.Resample2(size, size + 3, static_cast<Method>(method), overflow, &out, noAveraging));
          EXPECT_TRUE(IsFlat(out, flat)) << "method " << method << " size " << size;
        }
      }
    }
  }
}

// Resample2 plans its kernel weights per column and row; each pixel must still be the sample.
TEST(ImageFileGeometry, Resample2IsTheInterpolatedSampleOfEachPixel) {
  CImageFile image = Pattern(31, 23, 24);
  for (int method = 1; method <= 16; ++method) {
    CImageFile out;
    ASSERT_TRUE(image.Resample2(29, 5, static_cast<Method>(method), Overflow::Mirror, &out, true));
    for (long y = 0; y < 5; ++y) {
      for (long x = 0; x < 29; ++x) {
        const RGBQUAD c = image.GetPixelColorInterpolated((x + 0.5f) * (31.0f / 29) - 0.5f,
                                                          (y + 0.5f) * (23.0f / 5) - 0.5f,
                                                          static_cast<Method>(method), Overflow::Mirror);
        ASSERT_EQ(Rgb(out, x, y), static_cast<unsigned>(c.rgbRed << 16 | c.rgbGreen << 8 | c.rgbBlue))
            << method;
        ASSERT_EQ(out.AlphaGet(x, y), c.rgbReserved) << method;
      }
    }
  }
}

TEST(ImageFileGeometry, CropEdges) {
  CImageFile image = Pattern(10, 8, 8);
  EXPECT_FALSE(CImageFile(image).Crop(3, 0, 3, 8));
  EXPECT_FALSE(CImageFile(image).Crop(20, 0, 30, 8));  // clamped to an empty span
  // Top and bottom count from the top; reversed bounds are swapped.
  CImageFile cut;
  ASSERT_TRUE(image.Crop(7, 6, 2, 1, &cut));
  ASSERT_EQ(cut.GetWidth(), 5u);
  ASSERT_EQ(cut.GetHeight(), 5u);
  for (long y = 0; y < 5; ++y) {
    for (long x = 0; x < 5; ++x) {
      EXPECT_EQ(Rgb(cut, x, y), Rgb(image, x + 2, y + 2));
      EXPECT_EQ(cut.AlphaGet(x, y), image.AlphaGet(x + 2, y + 2));
    }
  }
  CImageFile whole;
  ASSERT_TRUE(image.Crop(-5, -5, 50, 50, &whole));
  EXPECT_EQ(whole.GetWidth() * 100 + whole.GetHeight(), 1008u);
}

TEST(ImageFileGeometry, ExpandEdges) {
  for (unsigned long bpp : {1ul, 4ul, 8ul, 24ul}) {
    CImageFile image = Pattern(5, 3, bpp);
    EXPECT_FALSE(CImageFile(image).Expand(-1, 0, 0, 0, Quad(0, 0, 0)));
    EXPECT_FALSE(CImageFile(image).Expand(4, 9, Quad(0, 0, 0)));
    CImageFile big;
    ASSERT_TRUE(image.Expand(2, 1, 3, 4, Quad(255, 255, 255), &big));
    ASSERT_EQ(big.GetWidth() * 100 + big.GetHeight(), 1008u);
    for (long y = 0; y < 8; ++y) {
      for (long x = 0; x < 10; ++x) {
        const bool inside = x >= 2 && x < 7 && y >= 4 && y < 7;
        EXPECT_EQ(Rgb(big, x, y), inside ? Rgb(image, x - 2, y - 4) : 0xFFFFFFu)
            << bpp << " " << x << "," << y;
      }
    }
    EXPECT_EQ(big.AlphaGet(2, 4), image.AlphaGet(0, 0));
    CImageFile centred;
    ASSERT_TRUE(image.Expand(8, 6, Quad(255, 255, 255), &centred));
    EXPECT_EQ(Rgb(centred, 1, 2), Rgb(image, 0, 0));
  }
}

TEST(ImageFileGeometry, WarpsAndTheEscapeFlag) {
  CImageFile image = Pattern(12, 9, 24);
  CImageFile still(image);
  ASSERT_TRUE(still.Skew(0, 0));
  EXPECT_EQ(Rgb(still, 5, 4), Rgb(image, 5, 4));
  CImageFile sheared(image);
  ASSERT_TRUE(sheared.Skew(1, 0, 0, 2));
  EXPECT_EQ(Rgb(sheared, 3, 4), Rgb(image, 5, 4));  // x + 1 * (4 - 2)
  // Pixels at or beyond the radius take what the getters give outside: here pixel (0, 0).
  CImageFile warped(image);
  ASSERT_TRUE(warped.CircleTransform(0, 3));
  EXPECT_EQ(Rgb(warped, 11, 8), Rgb(image, 0, 0));
  EXPECT_EQ(Rgb(warped, 6, 4), Rgb(image, 6, 4));  // the centre stays
  // A set escape flag stops after the first row and keeps what is done.
  image.SetEscape(1);
  CImageFile partial;
  EXPECT_TRUE(image.Resample2(24, 18, Method::Bilinear, Overflow::Repeat, &partial, true));
  EXPECT_EQ(partial.GetWidth(), 24u);
  EXPECT_EQ(image.GetProgress(), 0);
}

TEST(ImageFileGeometry, CropRotatedRectangle) {
  CImageFile image = Pattern(30, 20, 24);
  CImageFile straight, turned;
  ASSERT_TRUE(image.CropRotatedRectangle(3, 4, 6, 5, 0.0001f, &straight));
  EXPECT_EQ(Rgb(straight, 0, 0), Rgb(image, 3, 20 - 9));
  ASSERT_TRUE(image.CropRotatedRectangle(8, 2, 10, 6, 0.3f, &turned));
  EXPECT_EQ(turned.GetWidth() * 100 + turned.GetHeight(), 1006u);
  EXPECT_FALSE(image.CropRotatedRectangle(8, 2, 40, 6, 0.3f));  // reaches past the right edge
  EXPECT_FALSE(image.CropRotatedRectangle(8, 2, 0x7FFFFFFFFFFFFFFF, 6, 1.5707963f));
}
