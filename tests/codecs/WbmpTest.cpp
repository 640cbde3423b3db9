#include <gtest/gtest.h>

#include <vector>

#include "codecs/ImageFileWBMP.h"
#include "codecs/MemoryStream.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Encoded(CImageFileWBMP& image, bool* ok = nullptr) {
  CMemoryStream stream;
  stream.Open();
  bool encoded = image.Encode(&stream);
  if (ok) *ok = encoded;
  const unsigned char* data = stream.GetBuffer(false);
  return Bytes(data, data + stream.Size());
}

bool DecodeBytes(CImageFileWBMP& image, Bytes bytes) {
  CMemoryStream stream(bytes.data(), bytes.size());
  return image.Decode(&stream);
}

}  // namespace

TEST(Wbmp, RoundTripsIndexesTopRowFirst) {
  CImageFileWBMP image;
  ASSERT_TRUE(image.Create(10, 3, 1, keImageFormatWBMP));
  image.SetPixelIndex(0, 2, 1);  // top left
  image.SetPixelIndex(9, 0, 1);  // bottom right
  image.SetPixelIndex(4, 1, 1);
  const Bytes file = Encoded(image);
  ASSERT_EQ(file.size(), 4u + 3 * 2);
  EXPECT_EQ(file, (Bytes{0, 0, 10, 3, 0x80, 0x00, 0x08, 0x00, 0x00, 0x40}));
  CImageFileWBMP decoded;
  ASSERT_TRUE(DecodeBytes(decoded, file));
  for (long y = 0; y < 3; ++y) {
    for (long x = 0; x < 10; ++x) EXPECT_EQ(decoded.GetPixelIndex(x, y), image.GetPixelIndex(x, y)) << x << "," << y;
  }
  EXPECT_EQ(decoded.GetPaletteColor(0).rgbRed, 0);
  EXPECT_EQ(decoded.GetPaletteColor(1).rgbRed, 255);
  EXPECT_EQ(decoded.GetType(), keImageFormatWBMP);
}

TEST(Wbmp, SidesFromOneTwentyEightOnTakeTwoBytes) {
  CImageFileWBMP image;
  ASSERT_TRUE(image.Create(200, 130, 1, keImageFormatWBMP));
  image.SetPixelIndex(199, 0, 1);
  const Bytes file = Encoded(image);
  ASSERT_EQ(file.size(), 6u + 130 * 25);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 6), (Bytes{0, 0, 0x81, 0x48, 0x81, 0x02}));
  CImageFileWBMP decoded;
  ASSERT_TRUE(DecodeBytes(decoded, file)) << decoded.GetLastError();
  EXPECT_EQ(decoded.GetWidth(), 200u);
  EXPECT_EQ(decoded.GetHeight(), 130u);
  EXPECT_EQ(decoded.GetPixelIndex(199, 0), 1);
}

TEST(Wbmp, EncodeRefusesWhatTheFormatCannotHold) {
  struct Case {
    unsigned long width, height, bpp;
  };
  for (const Case& c : {Case{256, 1, 1}, Case{1, 256, 1}, Case{4, 4, 4}, Case{4, 4, 24}}) {
    CImageFileWBMP image;
    image.Create(c.width, c.height, c.bpp, keImageFormatWBMP);
    bool ok = true;
    Encoded(image, &ok);
    EXPECT_FALSE(ok);
    EXPECT_STREQ(image.GetLastError(), "Can't save this image as WBMP");
  }
  CImageFileWBMP image;
  image.Create(4, 4, 1, keImageFormatWBMP);
  CMemoryStream closed;
  EXPECT_FALSE(image.Encode(&closed));
  EXPECT_STREQ(image.GetLastError(), "Error writing WBMP");
}

TEST(Wbmp, DecodeFailuresNameTheirCause) {
  struct Case {
    Bytes bytes;
    const char* error;
  };
  const Case cases[] = {
      {{0, 0}, "Not a WBMP"},
      {{0, 0, 0x81}, "Not a WBMP"},
      {{1, 0, 2, 2, 0, 0}, "Unsupported WBMP type"},
      {{0, 0, 0, 2, 0, 0}, "Corrupted WBMP"},
      {{0, 0, 2, 0}, "Corrupted WBMP"},
      {{0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 1}, "Corrupted WBMP"},  // wider than any image
      {{0, 0, 9, 2, 0xFF, 0xFF, 0xFF}, "Corrupted WBMP"},         // rows cut short
      {{0, 0, 0x87, 0xFF, 0xFF, 0xFF, 0x7F, 0x87, 0xFF, 0xFF, 0xFF, 0x7F, 0}, "Image too large to decode"},
      {{0, 0, 0x83, 0xB5, 0x04, 0x83, 0xB5, 0x04, 0}, "Image too large to decode"},  // 55940 x 55940
  };
  for (const Case& c : cases) {
    CImageFileWBMP image;
    EXPECT_FALSE(DecodeBytes(image, c.bytes));
    EXPECT_STREQ(image.GetLastError(), c.error) << c.bytes.size();
  }
  CImageFileWBMP image;
  EXPECT_FALSE(image.Decode(nullptr));
}
