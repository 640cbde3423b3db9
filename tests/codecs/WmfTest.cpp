#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>

#include "codecs/ImageFileWMF.h"
#include "tests/codecs/TiffBlock.h"
#include "tests/platform/MetafileWriter.h"

namespace {

// A placeable Windows metafile: a red left half over a window of 100 x 50 logical units.
Bytes Placeable(int right, int bottom, int unitsPerInch) {
  WindowsMetafile wmf;
  wmf.Record(0x020C, {50, 100})  // window extent (y, x)
      .Record(0x02FC, {0, 0x00FF, 0x0000, 0})
      .Record(0x012D, {0})
      .Record(0x02FA, {5, 0, 0, 0, 0})  // null pen
      .Record(0x012D, {1})
      .Record(0x041B, {50, 50, 0, 0});  // rectangle (bottom, right, top, left)
  return wmf.Placeable(0, 0, right, bottom, unitsPerInch, 2, 7);
}

// An enhanced metafile whose bounds are 0..80 x 0..40 device pixels: a blue square in the top
// left corner.
Bytes Enhanced() {
  LittleEndianWriter records;
  auto record = [&](std::uint32_t type, std::initializer_list<std::int32_t> parameters) {
    records.U32(type).U32(static_cast<std::uint32_t>(8 + 4 * parameters.size())).Longs(parameters);
  };
  record(39, {1, 0, 0xFF0000, 0});  // blue brush
  record(37, {1});
  record(37, {static_cast<std::int32_t>(0x80000008u)});  // null pen
  record(43, {0, 0, 19, 19});
  record(14, {0, 16, 20});
  LittleEndianWriter file;
  file.U32(1).U32(108).Longs({0, 0, 80, 40}).Longs({0, 0, 2116, 1058}).U32(0x464D4520).U32(0x10000);
  file.U32(static_cast<std::uint32_t>(108 + records.bytes.size())).U32(5).U16(2).U16(0).U32(0).U32(0).U32(0);
  file.Longs({1280, 1024, 338, 270}).U32(0).U32(0).U32(0).Longs({338000, 270000});
  file.bytes.insert(file.bytes.end(), records.bytes.begin(), records.bytes.end());
  return file.bytes;
}

bool IsColour(CImageFile& image, long x, long topY, unsigned char r, unsigned char g, unsigned char b) {
  RGBQUAD c = image.GetPixelColor(x, static_cast<long>(image.GetHeight()) - 1 - topY);
  return c.rgbRed == r && c.rgbGreen == g && c.rgbBlue == b;
}

}  // namespace

TEST(Wmf, PlaceableMetafileRendersAtItsSizeOverTheWindowColour) {
  for (int unitsPerInch : {96, 48}) {
    CImageFileWMF image;
    ASSERT_TRUE(DecodeBytes(image, Placeable(100, 50, unitsPerInch))) << image.GetLastError();
    const long scale = 96 / unitsPerInch;
    ASSERT_EQ(image.GetWidth(), 100u * scale);
    ASSERT_EQ(image.GetHeight(), 50u * scale);
    EXPECT_EQ(image.GetBpp(), 24);
    EXPECT_EQ(image.GetType(), keImageFormatWMF);
    EXPECT_TRUE(IsColour(image, 2 * scale, 2 * scale, 255, 0, 0));
    EXPECT_TRUE(IsColour(image, 48 * scale, 47 * scale, 255, 0, 0));
    EXPECT_TRUE(IsColour(image, 52 * scale, 10 * scale, 255, 255, 255));
  }
}

TEST(Wmf, EnhancedMetafileIsFoundByTheDispatch) {
  CImageFile image;
  Bytes bytes = Enhanced();
  ASSERT_TRUE(image.Decode(bytes.data(), static_cast<unsigned long>(bytes.size()), keImageFormatUnknown))
      << image.GetLastError();
  ASSERT_EQ(image.GetWidth(), 80u);
  ASSERT_EQ(image.GetHeight(), 40u);
  EXPECT_EQ(image.GetType(), keImageFormatWMF);
  EXPECT_TRUE(IsColour(image, 1, 1, 0, 0, 255));
  EXPECT_TRUE(IsColour(image, 18, 18, 0, 0, 255));
  EXPECT_TRUE(IsColour(image, 25, 25, 255, 255, 255));
}

TEST(Wmf, SizesAreForcedAndLimited) {
  CImageFileWMF wide;
  ASSERT_TRUE(DecodeBytes(wide, Placeable(8000, 2000, 96)));
  EXPECT_EQ(wide.GetWidth(), 4000u);
  EXPECT_EQ(wide.GetHeight(), 1000u);
  CImageFileWMF sliver;  // a side that would round to nothing keeps one pixel
  ASSERT_TRUE(DecodeBytes(sliver, Placeable(30000, 1, 96)));
  EXPECT_EQ(sliver.GetWidth(), 4000u);
  EXPECT_EQ(sliver.GetHeight(), 1u);
  Bytes bytes = Placeable(100, 50, 96);
  CMemoryStream stream(bytes.data(), bytes.size());
  CImageFileWMF forced;
  ASSERT_TRUE(forced.Decode(&stream, 300, 0));
  EXPECT_EQ(forced.GetWidth(), 300u);
  EXPECT_EQ(forced.GetHeight(), 50u);
  EXPECT_TRUE(IsColour(forced, 140, 25, 255, 0, 0));  // stretched with the picture
  EXPECT_TRUE(IsColour(forced, 160, 25, 255, 255, 255));
}

TEST(Wmf, BadHeadersAndFilesAreRefused) {
  struct Case {
    Bytes bytes;
    const char* error;
  };
  Bytes checksum = Placeable(100, 50, 96);
  checksum[20] ^= 1;
  Bytes longer = Placeable(100, 50, 96);
  longer[22 + 6] = 0xFF;  // more words than the file holds
  Bytes shortEnhanced = Enhanced();
  shortEnhanced.resize(100);
  Bytes badHeader = Enhanced();
  badHeader[4] = 20;  // a header record shorter than a header
  Bytes inverted = Enhanced();
  inverted[8] = 0xFF;  // the bounds' left past their right
  const Case cases[] = {
      {Placeable(100, 50, 0), "corrupted WMF"},
      {Placeable(100, 50, 2541), "corrupted WMF"},
      {checksum, "corrupted WMF"},
      {longer, "the file ends early"},
      {shortEnhanced, "the file ends early"},
      {Bytes(shortEnhanced.begin(), shortEnhanced.begin() + 50), "the file ends early"},  // in its header
      {badHeader, "corrupted EMF"},
      {Bytes(), "corrupted WMF"},
      {Placeable(0, 50, 96), "empty WMF"},
      {Placeable(-100, 50, 96), "empty WMF"},
      {inverted, "empty EMF"},
  };
  for (const Case& c : cases) {
    CImageFileWMF image;
    EXPECT_FALSE(DecodeBytes(image, c.bytes));
    EXPECT_STREQ(image.GetLastError(), c.error);
    EXPECT_FALSE(image.IsValid());
  }
  CImageFile cancelled;
  cancelled.SetEscape(1);
  Bytes bytes = Enhanced();
  EXPECT_FALSE(cancelled.Decode(bytes.data(), static_cast<unsigned long>(bytes.size()), keImageFormatWMF));
  EXPECT_STREQ(cancelled.GetLastError(), "Cancelled");
}

TEST(Wmf, DamagedRecordsRenderWhatCameBefore) {
  // Every byte of the records set to patterns that stretch sizes and counts: decoded or
  // refused, never more.
  for (const Bytes& good : {Placeable(100, 50, 96), Enhanced()}) {
    const std::size_t first = good[0] == 0xD7 ? 40 : 108;
    for (std::size_t at = first; at < good.size(); ++at) {
      for (unsigned char value : {0x00, 0x7F, 0xFF}) {
        Bytes damaged = good;
        damaged[at] = value;
        CImageFileWMF image;
        if (DecodeBytes(image, damaged)) {
          EXPECT_LE(image.GetWidth(), 4000u);
        }
      }
    }
  }
}

TEST(Wmf, EveryRefusalSaysWhy) {
  // Every byte of the headers set to patterns that stretch or turn sizes and counts.
  for (const Bytes& good : {Placeable(100, 50, 96), Enhanced()}) {
    const std::size_t headers = good[0] == 0xD7 ? 40 : 108;
    for (std::size_t at = 0; at < headers; ++at) {
      for (unsigned char value : {0x00, 0x7F, 0x80, 0xFF}) {
        Bytes damaged = good;
        damaged[at] = value;
        CImageFileWMF image;
        if (!DecodeBytes(image, damaged)) {
          EXPECT_STRNE(image.GetLastError(), "") << at << " = " << int(value);
        }
      }
    }
  }
}
