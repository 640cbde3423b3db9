// Files cut short say so, whatever their format. Pictures cut past their headers in BMP, icons,
// GIF and JPEG show what came before the cut, as viewers show them (JPEG says it in libjpeg's
// words): those are cut inside their headers here.
#include <gtest/gtest.h>

#include <string>

#include "codecs/ImageFile.h"
#include "tests/codecs/ImageMagick.h"
#include "tests/codecs/TempDir.h"
#include "tests/codecs/TiffBlock.h"

namespace {

struct CutCase {
  const char* what;
  const char* format;   // the oracle's name of the format
  const char* options;  // convert options, applied to the test pattern
  unsigned long type;
  double kept;  // the share of the file left
};

class Truncation : public ::testing::TestWithParam<CutCase> {};

}  // namespace

TEST_P(Truncation, AFileCutShortEndsEarly) {
  if (!HaveImageMagick()) GTEST_SKIP() << "no oracle";
  const CutCase& c = GetParam();
  TempDir dir;
  const std::string source = dir.Path("source.ppm"), file = dir.Path("whole");
  WritePpm(source, TestPattern(37, 23));
  ASSERT_TRUE(Convert("'" + source + "' " + c.options + " '" + c.format + ":" + file + "'"));
  Bytes bytes = ReadFile(file);
  CImageFile whole;
  ASSERT_TRUE(DecodeBytes(whole, bytes, c.type)) << whole.GetLastError();
  bytes.resize(static_cast<std::size_t>(static_cast<double>(bytes.size()) * c.kept));
  CImageFile cut;
  EXPECT_FALSE(DecodeBytes(cut, bytes, c.type));
  EXPECT_STREQ(cut.GetLastError(), "the file ends early");
}

INSTANTIATE_TEST_SUITE_P(
    Formats, Truncation,
    ::testing::Values(CutCase{"png", "PNG", "", keImageFormatPNG, 0.5},
                      CutCase{"png without its end", "PNG", "", keImageFormatPNG, 0.99},
                      CutCase{"bmp header", "BMP", "", keImageFormatBMP, 0.01},
                      CutCase{"gif colour table", "GIF", "", keImageFormatGIF, 0.1},
                      CutCase{"tiff", "TIFF", "-compress None", keImageFormatTIF, 0.5},
                      CutCase{"tiff lzw", "TIFF", "-compress LZW", keImageFormatTIF, 0.5},
                      CutCase{"tga", "TGA", "", keImageFormatTGA, 0.5},
                      CutCase{"tga run-length", "TGA", "-compress RLE", keImageFormatTGA, 0.5},
                      CutCase{"pcx", "PCX", "", keImageFormatPCX, 0.5},
                      CutCase{"pcx header", "PCX", "", keImageFormatPCX, 0.02},
                      CutCase{"wbmp", "WBMP", "", keImageFormatWBMP, 0.5},
                      CutCase{"jp2", "JP2", "", keImageFormatJP2, 0.5},
                      CutCase{"code stream", "J2K", "", keImageFormatJPC, 0.5},
                      CutCase{"pgx", "PGX", "-colorspace Gray -depth 8", keImageFormatPGX, 0.5},
                      CutCase{"pixel map", "PPM", "", keImageFormatPNM, 0.5},
                      CutCase{"plain grey map", "PGM", "-compress None", keImageFormatPNM, 0.5},
                      CutCase{"sun raster", "SUN", "", keImageFormatRAS, 0.5}),
    NameByWhat());

namespace {

// What fills the rows a cut file lacks.
enum class Fill { kBlack, kFirstColour, kGrey, kAsWhole };

struct ShortCase {
  const char* what;
  const char* format;
  const char* options;
  unsigned long type;
  double kept;
  bool lacksTop;  // rows are stored from the bottom: the cut takes the top
  Fill fill;
  const char* says;
};

class ShortFile : public ::testing::TestWithParam<ShortCase> {};

}  // namespace

// A picture cut past its header shows what came before as the oracle reads the whole file, says
// what fills the rows it lacks, and shows that there; a whole file says nothing.
TEST_P(ShortFile, ShowsWhatCameBeforeAndSaysWhatFillsTheRest) {
  if (!HaveImageMagick()) GTEST_SKIP() << "no oracle";
  const ShortCase& c = GetParam();
  TempDir dir;
  const std::string source = dir.Path("source.ppm"), file = dir.Path("whole");
  WritePpm(source, TestPattern(96, 64));
  ASSERT_TRUE(Convert("'" + source + "' " + c.options + " '" + c.format + ":" + file + "'"));
  Bytes bytes = ReadFile(file);
  CImageFile whole;
  ASSERT_TRUE(DecodeBytes(whole, bytes, c.type)) << whole.GetLastError();
  EXPECT_EQ(whole.GetShortFileFill(), nullptr);
  bytes.resize(static_cast<std::size_t>(static_cast<double>(bytes.size()) * c.kept));
  CImageFile cut;
  ASSERT_TRUE(DecodeBytes(cut, bytes, c.type)) << cut.GetLastError();
  ASSERT_NE(cut.GetShortFileFill(), nullptr);
  EXPECT_STREQ(cut.GetShortFileFill(), c.says);

  const RgbPicture oracle = ReadWithImageMagick(std::string(c.format) + ":" + file), shown = FromImage(cut);
  ASSERT_EQ(shown.width, oracle.width);
  const long kept = c.lacksTop ? shown.height - 1 : 0, lacked = shown.height - 1 - kept;
  const int tolerance = c.type == keImageFormatJPG ? 3 : 0;
  const RGBQUAD first = cut.GetPaletteColor(0);
  for (long x = 0; x < shown.width; ++x) {
    for (int i = 0; i < 3; ++i) ASSERT_NEAR(shown.At(x, kept)[i], oracle.At(x, kept)[i], tolerance) << x;
    const unsigned char* at = shown.At(x, lacked);
    const long bottomUp = static_cast<long>(cut.GetHeight()) - 1 - lacked;
    switch (c.fill) {
      case Fill::kBlack:
        EXPECT_EQ(at[0] | at[1] | at[2], 0) << x;
        break;
      case Fill::kFirstColour:
        EXPECT_EQ(cut.GetPixelIndex(x, bottomUp), 0) << x;
        EXPECT_TRUE(at[0] == first.rgbRed && at[1] == first.rgbGreen && at[2] == first.rgbBlue) << x;
        break;
      case Fill::kGrey:
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(at[i], 128, 2) << x;
        break;
      case Fill::kAsWhole:
        for (int i = 0; i < 3; ++i) EXPECT_EQ(at[i], oracle.At(x, lacked)[i]) << x;
        break;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, ShortFile,
    ::testing::Values(
        ShortCase{"bmp", "BMP3", "-type TrueColor", keImageFormatBMP, 0.5, true, Fill::kBlack,
                  "the rows it lacks are black"},
        ShortCase{"bmp nine tenths", "BMP3", "-type TrueColor", keImageFormatBMP, 0.9, true, Fill::kBlack,
                  "the rows it lacks are black"},
        ShortCase{"bmp palette", "BMP3", "-colors 16 -type Palette", keImageFormatBMP, 0.5, true,
                  Fill::kFirstColour, "the rows it lacks are in its palette's first colour"},
        ShortCase{"bmp run-length", "BMP3", "-colors 200 -type Palette -compress RLE", keImageFormatBMP, 0.9,
                  true, Fill::kFirstColour, "the rows it lacks are in its palette's first colour"},
        ShortCase{"gif", "GIF", "", keImageFormatGIF, 0.5, false, Fill::kFirstColour,
                  "the rows it lacks are in colour 0 of its palette"},
        ShortCase{"jpeg", "JPEG", "-quality 90", keImageFormatJPG, 0.5, false, Fill::kGrey,
                  "the rows it lacks are grey"},
        ShortCase{"icon", "ICO", "", keImageFormatICO, 0.9, true, Fill::kBlack,
                  "the rows it lacks are black"},
        ShortCase{"icon palette", "ICO", "-colors 16 -type Palette", keImageFormatICO, 0.5, true,
                  Fill::kFirstColour, "the rows it lacks are in its palette's first colour"},
        ShortCase{"icon mask", "ICO", "-colors 16 -type Palette", keImageFormatICO, 0.99, true,
                  Fill::kAsWhole, "its mask is lacking: every pixel shows"}),
    NameByWhat());
