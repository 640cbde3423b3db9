// The JPEG-2000 family's own rules: components as frames, what may be written, the rate, and
// hostile or embedded input.
#include <gtest/gtest.h>

#include <string>

#include "codecs/ImageFile.h"
#include "codecs/ImageFileJAS.h"
#include "codecs/MemoryStream.h"
#include "tests/codecs/ImageMagick.h"
#include "tests/codecs/TempDir.h"
#include "tests/codecs/TiffBlock.h"

namespace {

CImageFile Colour(long width, long height) {
  CImageFile image(static_cast<unsigned long>(width), static_cast<unsigned long>(height), 24, 0);
  for (long y = 0; y < height; ++y) {
    for (long x = 0; x < width; ++x) image.SetPixelColor(x, y, RGB(x * 7, y * 5, (x * y) & 255));
  }
  return image;
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

}  // namespace

TEST(Jasper, ComponentsThatAreNotOneColourPictureAreFrames) {
  if (!HaveImageMagick()) GTEST_SKIP() << "no oracle";
  TempDir dir;
  const std::string file = dir.Path("grey-alpha.jp2");
  ASSERT_TRUE(Convert(
      "-size 5x3 gradient: -colorspace Gray -alpha set -channel A -fx 'i/w' +channel -depth 8 'JP2:" + file +
      "'"));
  Bytes bytes = ReadFile(file);
  for (long frame = 0; frame < 3; ++frame) {
    CImageFileJAS image;
    image.SetFrame(frame);
    CMemoryStream stream(bytes.data(), bytes.size());
    const bool decoded = image.Decode(&stream, keImageFormatJP2);
    EXPECT_EQ(decoded, frame < 2) << frame;
    EXPECT_EQ(image.GetNumFrames(), 2) << frame;
    if (!decoded) {
      EXPECT_STREQ(image.GetLastError(), "wrong frame!");
      continue;
    }
    EXPECT_EQ(image.GetBpp(), 8u);
    EXPECT_TRUE(image.IsGrayScale());
    // Frame 0 is the grey, which darkens downwards; frame 1 the alpha, which grows to the right.
    if (frame == 0) {
      EXPECT_GT(image.GetPixelIndex(2, 2), image.GetPixelIndex(2, 0));
    } else {
      EXPECT_LT(image.GetPixelIndex(0, 1), image.GetPixelIndex(4, 1));
    }
  }
}

TEST(Jasper, WritesOnlyColourAndGreyAndPgxOnlyGrey) {
  CImageFile colour = Colour(4, 3);
  CMemoryStream stream;
  stream.Open();
  EXPECT_FALSE(colour.Encode(&stream, keImageFormatPGX));
  EXPECT_STREQ(colour.GetLastError(), "PGX can save only GrayScale images");
  CImageFile palette(4, 3, 8, 0);
  palette.SetGrayPalette();
  palette.SetPaletteColor(7, 200, 0, 0);
  for (unsigned long type : {keImageFormatJP2, keImageFormatPNM, keImageFormatRAS}) {
    EXPECT_FALSE(palette.Encode(&stream, type));
    EXPECT_STREQ(palette.GetLastError(), "JasPer can save only RGB or GrayScale images") << type;
  }
  palette.SetGrayPalette();
  palette.SetPixelIndex(1, 2, 77);
  Bytes pgx = EncodeToBytes(palette, keImageFormatPGX);
  CImageFile back;
  ASSERT_TRUE(DecodeBytes(back, pgx, keImageFormatPGX)) << back.GetLastError();
  EXPECT_EQ(back.GetPixelIndex(1, 2), 77);
}

TEST(Jasper, TheJpegQualityIsTheRateOfTheCodedPicture) {
  // Noise, which lossless coding cannot shrink.
  CImageFile image(64, 64, 24, 0);
  unsigned seed = 1;
  for (long y = 0; y < 64; ++y) {
    BYTE* row = image.GetBits(static_cast<unsigned long>(y));
    for (long i = 0; i < 64 * 3; ++i) row[i] = static_cast<BYTE>((seed = seed * 1103515245u + 12345u) >> 24);
  }
  const std::size_t raw = 64 * 64 * 3;
  image.SetJpegQuality(100);
  Bytes lossless = EncodeToBytes(image, keImageFormatJPC);
  CImageFile back;
  ASSERT_TRUE(DecodeBytes(back, lossless, keImageFormatJPC)) << back.GetLastError();
  EXPECT_EQ(MaxDifference(FromImage(back), FromImage(image)), 0);
  image.SetJpegQuality(50);
  Bytes half = EncodeToBytes(image, keImageFormatJPC);
  EXPECT_LE(half.size(), raw / 2 + 64);
  EXPECT_LT(half.size(), lossless.size());
  ASSERT_TRUE(DecodeBytes(back, half, keImageFormatJPC)) << back.GetLastError();
  EXPECT_EQ(back.GetWidth(), 64u);
}

TEST(Jasper, PnmSamplesAreScaledToTheirMaximum) {
  CImageFile image;
  // Plain bits need no separators; 1 is black.
  ASSERT_TRUE(DecodeBytes(image, Text("P1\n# comment\n4 1\n0101"), keImageFormatPNM)) << image.GetLastError();
  EXPECT_EQ(image.GetBpp(), 1u);
  EXPECT_EQ(image.GetPixelColor(0, 0).rgbRed, 255);
  EXPECT_EQ(image.GetPixelColor(1, 0).rgbRed, 0);
  // A maximum of 100 takes 7 bits, which go through sRGB; samples above it are clamped.
  ASSERT_TRUE(DecodeBytes(image, Text("P2 4 1 100 0 50 100 300 "), keImageFormatPNM)) << image.GetLastError();
  EXPECT_EQ(image.GetBpp(), 24u);
  EXPECT_EQ(image.GetPixelColor(0, 0).rgbGreen, 0);
  EXPECT_NEAR(image.GetPixelColor(1, 0).rgbGreen, 128, 1);
  EXPECT_EQ(image.GetPixelColor(2, 0).rgbGreen, 255);
  EXPECT_EQ(image.GetPixelColor(3, 0).rgbGreen, 255);
}

TEST(Jasper, SignedPgxSamplesAreCentredAtEveryDepth) {
  // Depths of 1, 4 and 8 bits decode to grey palettes of their own, the others through sRGB;
  // the most negative sample is black and the largest white either way. 12 bits come low byte first.
  for (int depth : {1, 2, 4, 5, 8, 9, 12, 16}) {
    const std::int32_t half = std::int32_t{1} << (depth - 1), top = 2 * half - 1;
    const std::int32_t values[] = {-half, -half + 1, -1, 0, half - 1};
    const bool lowFirst = depth == 12;
    Bytes pgx = Text(std::string(lowFirst ? "PG LM - " : "PG ML - ") + std::to_string(depth) + " 5 1\n");
    for (std::int32_t v : values) {
      const auto high = static_cast<unsigned char>(v >> 8 & (top >> 8));
      const auto low = static_cast<unsigned char>(v & top & 255);
      if (depth > 8) pgx.push_back(lowFirst ? low : high);
      pgx.push_back(depth > 8 && lowFirst ? high : low);
    }
    CImageFile image;
    ASSERT_TRUE(DecodeBytes(image, pgx, keImageFormatPGX)) << depth << ": " << image.GetLastError();
    for (long x = 0; x < 5; ++x) {
      const std::int32_t level = ((values[x] + half) * 255 + top / 2) / top;
      EXPECT_EQ(image.GetPixelColor(x, 0).rgbRed, level) << depth << " bits, sample " << values[x];
    }
  }
}

TEST(Jasper, HostileHeadersAreRefusedBeforeAllocating) {
  const std::string ras = std::string("\x59\xA6\x6A\x95\0\0\x75\x30\0\0\x75\x30\0\0\0\x18", 16) +
                          std::string(16, '\0') + "tiny";
  // 4096 x 4096 pixels coded by runs, of which four bytes stand for 257 at most.
  std::string rasRuns = ras;
  rasRuns[6] = rasRuns[10] = 0x10;
  rasRuns[7] = rasRuns[11] = 0;
  rasRuns[23] = 2;
  // Files shorter than the pictures they claim end early, unless the claim is past every cap.
  constexpr char kEndsEarly[] = "the file ends early";
  constexpr char kCannotLoad[] = "error: cannot load image data";
  const std::pair<std::string, const char*> cases[] = {
      {"P6 30000 30000 255\nabc", kCannotLoad},
      {"PG ML + 8 30000 30000\nab", kCannotLoad},
      {"P5 3 2 255\nabc", kEndsEarly},
      {"P3 1 1 255 1 2", kEndsEarly},
      {"P7 1 1 255\nabc", kCannotLoad},
      {"PG ML + 17 1 1\nab", kCannotLoad},
      {ras, kCannotLoad},
      {rasRuns, kEndsEarly},
      {std::string("\xFF\x4F\xFF\x51\0\x29\0\0", 8), kEndsEarly},
  };
  for (const auto& [text, reason] : cases) {
    CImageFile image;
    EXPECT_FALSE(DecodeBytes(image, Text(text), keImageFormatPNM)) << text;
    EXPECT_STREQ(image.GetLastError(), reason) << text;
  }
}

TEST(Jasper, CodeStreamsOfTinyTilesAreRefusedBeforeTheirHeaderIsRead) {
  // 5 x 131079 pixels in tiles of 1 x 7: tens of thousands of tiles in 139 bytes.
  Bytes bytes = ReadFile(std::string(WF_FUZZ_REGRESSIONS) + "/jpc/tiles-one-pixel-wide.jpc");
  ASSERT_FALSE(bytes.empty());
  CImageFile size;
  size.SetEscape(-1);
  EXPECT_FALSE(DecodeBytes(size, bytes, keImageFormatJPC));
  EXPECT_STREQ(size.GetLastError(), "error: cannot load image data");
}

TEST(Jasper, OffsetsCountFromWhereTheStreamStood) {
  CImageFile image = Colour(9, 7);
  image.SetJpegQuality(100);
  Bytes bytes = {1, 2, 3};
  Bytes jp2 = EncodeToBytes(image, keImageFormatJP2);
  bytes.insert(bytes.end(), jp2.begin(), jp2.end());
  CMemoryStream stream(bytes.data(), bytes.size());
  stream.Seek(3, 0);
  CImageFile decoded;
  ASSERT_TRUE(decoded.Decode(&stream, keImageFormatJP2)) << decoded.GetLastError();
  EXPECT_EQ(MaxDifference(FromImage(decoded), FromImage(image)), 0);
  // Asked for the size only, a decode reads no further than the header.
  CImageFile size;
  size.SetEscape(-1);
  ASSERT_TRUE(size.Decode(jp2.data(), static_cast<unsigned long>(jp2.size()), keImageFormatJP2));
  EXPECT_FALSE(size.IsValid());
  EXPECT_EQ(size.GetWidth(), 9u);
  EXPECT_EQ(size.GetHeight(), 7u);
}
