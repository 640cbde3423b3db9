// JP2, code streams, PGX, PNM and Sun raster against the oracle: its files decode to its
// pixels, and what we write it reads back the same, as do we.
#include <gtest/gtest.h>

#include <string>

#include "codecs/ImageFile.h"
#include "tests/codecs/ImageMagick.h"
#include "tests/codecs/TempDir.h"

namespace {

struct JasperCase {
  const char* what;
  const char* options;  // convert options, applied to the test pattern
  const char* format;   // the oracle's name of the format
  unsigned long type;
  unsigned long bpp;                  // of our decoded picture
  const char* saveRefusal = nullptr;  // why we cannot write that picture in its format
};

constexpr char kNotGrey[] = "JasPer can save only RGB or GrayScale images";

class JasperOracle : public ::testing::TestWithParam<JasperCase> {};

// Ours go out at full quality, where the rate leaves the coding lossless; 16-bit samples are
// rounded to 8 bits, here and by the oracle.
constexpr int kTolerance = 2;

}  // namespace

TEST_P(JasperOracle, TheirFilesDecodeToTheirPixelsAndOursReadBackTheSame) {
  if (!HaveImageMagick()) GTEST_SKIP() << "no oracle";
  const JasperCase& c = GetParam();
  TempDir dir;
  const std::string source = dir.Path("source.ppm");
  const std::string file = dir.Path("oracle");
  WritePpm(source, TestPattern(37, 23));
  ASSERT_TRUE(Convert("'" + source + "' " + c.options + " '" + c.format + ":" + file + "'")) << c.what;
  CImageFile image;
  ASSERT_TRUE(image.Load(file.c_str(), c.type)) << c.what << ": " << image.GetLastError();
  EXPECT_EQ(image.GetBpp(), c.bpp) << c.what;
  const RgbPicture ours = FromImage(image);
  EXPECT_LE(MaxDifference(ours, ReadWithImageMagick(file)), kTolerance) << c.what;
  // Through the dispatch's search as well, which finds the family last.
  CImageFile found;
  ASSERT_TRUE(found.Load(file.c_str(), keImageFormatUnknown)) << c.what << ": " << found.GetLastError();
  EXPECT_EQ(MaxDifference(FromImage(found), ours), 0) << c.what;

  const std::string written = dir.Path("ours");
  image.SetJpegQuality(100);
  if (c.saveRefusal) {
    EXPECT_FALSE(image.Save(written.c_str(), c.type)) << c.what;
    EXPECT_STREQ(image.GetLastError(), c.saveRefusal);
    return;
  }
  ASSERT_TRUE(image.Save(written.c_str(), c.type)) << c.what << ": " << image.GetLastError();
  EXPECT_LE(MaxDifference(ReadWithImageMagick(std::string(c.format) + ":" + written), ours), kTolerance)
      << c.what;
  CImageFile back;
  ASSERT_TRUE(back.Load(written.c_str(), c.type)) << c.what << ": " << back.GetLastError();
  EXPECT_EQ(back.GetBpp(), image.GetBpp()) << c.what;
  EXPECT_LE(MaxDifference(FromImage(back), ours), kTolerance) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, JasperOracle,
    ::testing::Values(
        JasperCase{"jp2 colour", "-type TrueColor", "JP2", keImageFormatJP2, 24},
        JasperCase{"jp2 grey", "-colorspace Gray", "JP2", keImageFormatJP2, 8},
        JasperCase{"jp2 colour 16-bit", "-type TrueColor -depth 16", "JP2", keImageFormatJP2, 24},
        JasperCase{"code stream colour", "-type TrueColor", "J2K", keImageFormatJPC, 24},
        JasperCase{"code stream in tiles", "-type TrueColor -extract 8x8", "J2K", keImageFormatJPC, 24},
        JasperCase{"code stream grey", "-colorspace Gray", "J2K", keImageFormatJPC, 8},
        JasperCase{"pgx 8-bit", "-colorspace Gray -depth 8", "PGX", keImageFormatPGX, 8},
        JasperCase{"pgx 16-bit", "-colorspace Gray -depth 16", "PGX", keImageFormatPGX, 24,
                   "PGX can save only GrayScale images"},
        JasperCase{"plain bit map", "-monochrome -compress None", "PBM", keImageFormatPNM, 1, kNotGrey},
        JasperCase{"bit map", "-monochrome", "PBM", keImageFormatPNM, 1, kNotGrey},
        JasperCase{"plain grey map", "-compress None", "PGM", keImageFormatPNM, 8},
        JasperCase{"grey map", "", "PGM", keImageFormatPNM, 8},
        JasperCase{"grey map 16-bit", "-depth 16", "PGM", keImageFormatPNM, 24},
        JasperCase{"grey map 4-bit", "-depth 4", "PGM", keImageFormatPNM, 4, kNotGrey},
        JasperCase{"plain pixel map", "-compress None", "PPM", keImageFormatPNM, 24},
        JasperCase{"pixel map", "", "PPM", keImageFormatPNM, 24},
        JasperCase{"pixel map 16-bit", "-depth 16", "PPM", keImageFormatPNM, 24},
        JasperCase{"sun colour", "-type TrueColor", "SUN", keImageFormatRAS, 24},
        JasperCase{"sun alpha", "-alpha set", "SUN", keImageFormatRAS, 24},
        JasperCase{"sun palette", "-colors 20 -type Palette", "SUN", keImageFormatRAS, 24},
        JasperCase{"sun monochrome", "-monochrome", "SUN", keImageFormatRAS, 24}),
    NameByWhat());
