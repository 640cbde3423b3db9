#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "codecs/ImageFile.h"
#include "tests/codecs/ImageMagick.h"
#include "tests/codecs/TempDir.h"

namespace {

// Expects equal pictures; bits counts how many top bits of each channel must agree (files
// with fewer bits a channel are widened differently by the oracle and by us).
void ExpectSamePixels(const RgbPicture& expected, const RgbPicture& actual, const std::string& what,
                      const int bits[3] = nullptr) {
  ASSERT_EQ(actual.width, expected.width) << what;
  ASSERT_EQ(actual.height, expected.height) << what;
  for (long y = 0; y < expected.height; ++y) {
    for (long x = 0; x < expected.width; ++x) {
      for (int c = 0; c < 3; ++c) {
        const int keep = bits ? 8 - bits[c] : 0;
        const int want = expected.At(x, y)[c] >> keep;
        const int got = actual.At(x, y)[c] >> keep;
        ASSERT_EQ(got, want) << what << ": channel " << c << " at " << x << "," << y;
      }
    }
  }
}

struct OracleCase {
  const char* what;
  const char* options;  // convert options and output format
  int bits[3];
};

class ImageMagickWrites : public ::testing::TestWithParam<OracleCase> {};

}  // namespace

TEST(ImageMagickOracle, IsInstalled) {
  ASSERT_TRUE(HaveImageMagick()) << "install the Debian package imagemagick (make test does)";
}

TEST_P(ImageMagickWrites, AndWeDecodeTheSamePixels) {
  if (!HaveImageMagick()) GTEST_SKIP() << "no oracle";
  const OracleCase& c = GetParam();
  TempDir dir;
  const std::string source = dir.Path("source.ppm");
  const std::string options = c.options;
  const std::size_t split = options.rfind(' ');
  const std::string format = options.substr(split + 1);
  // The oracle tells a WBMP only by its name.
  const std::string file = dir.Path(format == "WBMP:" ? "oracle.wbmp" : "oracle.bmp");
  WritePpm(source, TestPattern(37, 23));
  ASSERT_TRUE(Convert("'" + source + "' " + options.substr(0, split) + " " + format + "'" + file + "'"))
      << c.what;
  const RgbPicture expected = ReadWithImageMagick(file);
  ASSERT_GT(expected.width, 0) << c.what;
  CImageFile image;
  ASSERT_TRUE(image.Load(file.c_str())) << c.what << ": " << image.GetLastError();
  EXPECT_EQ(image.GetType(), format == "WBMP:" ? keImageFormatWBMP : keImageFormatBMP);
  ExpectSamePixels(expected, FromImage(image), c.what, c.bits);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ImageMagickWrites,
    ::testing::Values(
        OracleCase{"1-bit", "-colors 2 -type Palette BMP3:", {8, 8, 8}},
        OracleCase{"4-bit", "-colors 16 -type Palette BMP3:", {8, 8, 8}},
        OracleCase{"8-bit", "-colors 200 -type Palette -compress None BMP3:", {8, 8, 8}},
        OracleCase{"8-bit run-length", "-colors 200 -type Palette -compress RLE BMP3:", {8, 8, 8}},
        OracleCase{"24-bit", "-type TrueColor BMP3:", {8, 8, 8}},
        OracleCase{"24-bit long header", "-type TrueColor BMP:", {8, 8, 8}},
        OracleCase{"8-bit run-length long header", "-colors 200 -type Palette BMP:", {8, 8, 8}},
        OracleCase{"32-bit with alpha", "-alpha set -channel A -evaluate set 50% +channel BMP:", {8, 8, 8}},
        OracleCase{"RGB565", "-define bmp:subtype=RGB565 BMP:", {5, 6, 5}},
        OracleCase{"RGB555", "-define bmp:subtype=RGB555 BMP:", {5, 5, 5}},
        OracleCase{"old header 24-bit", "-type TrueColor BMP2:", {8, 8, 8}},
        OracleCase{"old header 8-bit", "-colors 200 -type Palette BMP2:", {8, 8, 8}},
        OracleCase{"old header 4-bit", "-colors 16 -type Palette BMP2:", {8, 8, 8}},
        OracleCase{"old header 1-bit", "-colors 2 -type Palette BMP2:", {8, 8, 8}},
        OracleCase{"WBMP", "-monochrome WBMP:", {8, 8, 8}}),
    NameByWhat());

TEST(ImageMagickReads, OurBmpsOfEveryDepth) {
  if (!HaveImageMagick()) GTEST_SKIP() << "no oracle";
  TempDir dir;
  const RgbPicture pattern = TestPattern(37, 23);
  for (unsigned long bpp : {1ul, 4ul, 8ul, 24ul}) {
    CImageFile image(37, 23, bpp, 0);
    if (bpp <= 8) image.SetStdPalette();
    for (long y = 0; y < 23; ++y) {
      for (long x = 0; x < 37; ++x) {
        const unsigned char* p = pattern.At(x, 22 - y);
        image.SetPixelColor(x, y, RGBQUAD{p[2], p[1], p[0], 0});
      }
    }
    const std::string file = dir.Path("ours" + std::to_string(bpp) + ".bmp");
    ASSERT_TRUE(image.Save(file.c_str(), keImageFormatBMP)) << image.GetLastError();
    ExpectSamePixels(FromImage(image), ReadWithImageMagick(file), "our " + std::to_string(bpp) + "-bit BMP");
  }
}

TEST(ImageMagickReads, OurWbmps) {
  if (!HaveImageMagick()) GTEST_SKIP() << "no oracle";
  TempDir dir;
  for (long width : {37L, 200L}) {
    CImageFile image(static_cast<unsigned long>(width), 21, 1, 0);
    image.SetGrayPalette();
    for (long y = 0; y < 21; ++y) {
      for (long x = 0; x < width; ++x) image.SetPixelIndex(x, y, static_cast<BYTE>((x * y + x / 3) % 3 == 0));
    }
    const std::string file = dir.Path("ours" + std::to_string(width) + ".wbmp");
    ASSERT_TRUE(image.Save(file.c_str(), keImageFormatWBMP)) << image.GetLastError();
    ExpectSamePixels(FromImage(image), ReadWithImageMagick(file), "our WBMP " + std::to_string(width));
  }
}
