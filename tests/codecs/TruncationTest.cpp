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
