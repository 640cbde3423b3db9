// ICO, TGA and PCX against the oracle: its files decode to its pixels and alpha, and what we
// write it reads back the same.
#include <gtest/gtest.h>

#include <string>

#include "codecs/ImageFile.h"
#include "tests/codecs/ImageMagick.h"
#include "tests/codecs/TempDir.h"

namespace {

struct FormatCase {
  const char* what;
  const char* options;  // convert options, applied to the test pattern
  unsigned long type;
  int bits = 8;    // top bits of each channel that must agree
  int frames = 1;  // directory entries of an icon file
};

// The oracle's name of a format, also the file's extension.
std::string FormatName(unsigned long type) {
  return type == keImageFormatICO ? "ico" : type == keImageFormatTGA ? "tga" : "pcx";
}

// The oracle reads the bits of a one-plane 1-bit PCX the other way round from the format's own
// convention (and ours): 1 black, 0 white.
unsigned char OracleFlip(unsigned long type, unsigned long bpp) {
  return type == keImageFormatPCX && bpp == 1 ? 255 : 0;
}

// The oracle keeps the rows of a bottom-up TGA in file order and only notes the orientation.
void ExpectSamePicture(const std::string& file, CImageFile& image, int bits, const std::string& what,
                       unsigned char flip) {
  ExpectSameAsOracle(file, "-auto-orient", image, {0, 0, bits, flip}, what);
}

class FormatOracle : public ::testing::TestWithParam<FormatCase> {};

}  // namespace

TEST_P(FormatOracle, TheirFilesDecodeToTheirPixelsAndOursReadBackTheSame) {
  if (!HaveImageMagick()) GTEST_SKIP() << "no oracle";
  const FormatCase& c = GetParam();
  TempDir dir;
  const std::string source = dir.Path("source.ppm");
  const std::string file = dir.Path("oracle." + FormatName(c.type));
  WritePpm(source, TestPattern(37, 23));
  ASSERT_TRUE(Convert("'" + source + "' " + c.options + " '" + file + "'")) << c.what;
  for (int frame = 0; frame < c.frames; ++frame) {
    const std::string what = std::string(c.what) + " frame " + std::to_string(frame);
    CImageFile image;
    image.SetFrame(frame);
    ASSERT_TRUE(image.Load(file.c_str(), c.type)) << what << ": " << image.GetLastError();
    EXPECT_EQ(image.GetType(), c.type);
    EXPECT_EQ(image.GetNumFrames(), c.type == keImageFormatICO ? c.frames : 0) << what;
    const unsigned char flip = OracleFlip(c.type, image.GetBpp());
    ExpectSamePicture(c.frames > 1 ? file + "[" + std::to_string(frame) + "]" : file, image, c.bits, what,
                      flip);
    const std::string ours = dir.Path("ours." + FormatName(c.type));
    ASSERT_TRUE(image.Save(ours.c_str(), c.type)) << what << ": " << image.GetLastError();
    ExpectSamePicture(ours, image, 8, what + " written by us", flip);
  }
  if (c.type != keImageFormatICO) return;
  // A frame past the directory fails, and still tells how many there are.
  CImageFile past;
  past.SetFrame(c.frames);
  EXPECT_FALSE(past.Load(file.c_str(), c.type));
  EXPECT_EQ(past.GetNumFrames(), c.frames);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FormatOracle,
    ::testing::Values(
        FormatCase{"icon sizes", "-alpha set -define icon:auto-resize=32,24,16", keImageFormatICO, 8, 3},
        FormatCase{"icon 32-bit alpha", "-alpha set -channel A -fx 'i/w' +channel", keImageFormatICO},
        FormatCase{"icon 4-bit mask",
                   "-fill yellow -draw 'rectangle 3,3 10,8' -transparent yellow -colors 16",
                   keImageFormatICO},
        FormatCase{"icon 8-bit mask",
                   "-fill yellow -draw 'rectangle 3,3 10,8' -transparent yellow -colors 99",
                   keImageFormatICO},
        FormatCase{"tga 24-bit", "-type TrueColor", keImageFormatTGA},
        FormatCase{"tga 24-bit run-length top-down", "-type TrueColor -orient TopLeft -compress RLE",
                   keImageFormatTGA},
        FormatCase{"tga 32-bit", "-alpha set -channel A -fx 'j/h' +channel", keImageFormatTGA},
        FormatCase{"tga 32-bit run-length top-down", "-alpha set -orient TopLeft -compress RLE",
                   keImageFormatTGA},
        FormatCase{"tga 16-bit", "-depth 5", keImageFormatTGA, 5},
        FormatCase{"tga 16-bit run-length", "-depth 5 -compress RLE", keImageFormatTGA, 5},
        FormatCase{"tga colour-mapped", "-colors 100 -type Palette", keImageFormatTGA},
        FormatCase{"tga colour-mapped run-length top-down",
                   "-colors 20 -type Palette -orient TopLeft -compress RLE", keImageFormatTGA},
        FormatCase{"tga grey run-length", "-colorspace Gray -compress RLE", keImageFormatTGA},
        FormatCase{"pcx 1-bit", "-colors 2 -type Palette -depth 1", keImageFormatPCX},
        FormatCase{"pcx 8-bit", "-colors 200 -type Palette", keImageFormatPCX},
        FormatCase{"pcx 24-bit", "-type TrueColor", keImageFormatPCX},
        FormatCase{"pcx 32-bit", "-alpha set -channel A -fx 'i/w' +channel", keImageFormatPCX}),
    NameByWhat());

// Kinds the oracle's files do not decode to (it writes no 4-bit PCX, and no 1-bit, 4-bit or
// plain 24-bit icons) are checked in its reading of what we write.
TEST(FormatOracle, ReadsWhatWeWriteOfOtherDepths) {
  if (!HaveImageMagick()) GTEST_SKIP() << "no oracle";
  TempDir dir;
  const RgbPicture pattern = TestPattern(37, 23);
  struct Written {
    unsigned long type, bpp;
  };
  for (const Written& w : {Written{keImageFormatPCX, 4}, Written{keImageFormatICO, 1},
                           Written{keImageFormatICO, 4}, Written{keImageFormatICO, 24}}) {
    const std::string what = FormatName(w.type) + " " + std::to_string(w.bpp);
    CImageFile image(37, 23, w.bpp, 0);
    if (w.bpp == 1) image.SetGrayPalette();
    if (w.bpp > 1 && w.bpp <= 8) image.SetStdPalette();
    for (long y = 0; y < 23; ++y) {
      for (long x = 0; x < 37; ++x) {
        const unsigned char* p = pattern.At(x, 22 - y);
        image.SetPixelColor(x, y, RGBQUAD{p[2], p[1], p[0], 0});
      }
    }
    const std::string file = dir.Path("ours." + FormatName(w.type));
    ASSERT_TRUE(image.Save(file.c_str(), w.type)) << what << ": " << image.GetLastError();
    ExpectSamePicture(file, image, 8, what, OracleFlip(w.type, w.bpp));
  }
}

// A colour map has no room for alpha: a palette picture with an alpha plane is written as true
// colour (or, with the grey ramp, as grey and alpha, which the oracle does not read).
TEST(FormatOracle, TgaKeepsTheAlphaOfAPalettePicture) {
  if (!HaveImageMagick()) GTEST_SKIP() << "no oracle";
  TempDir dir;
  CImageFile image(37, 23, 8, 0);
  image.SetStdPalette();
  image.AlphaCreate();
  for (long y = 0; y < 23; ++y) {
    for (long x = 0; x < 37; ++x) {
      image.SetPixelIndex(x, y, static_cast<BYTE>(x * 7 + y));
      image.AlphaSet(x, y, static_cast<BYTE>(x * 255 / 36));
    }
  }
  const std::string file = dir.Path("ours.tga");
  ASSERT_TRUE(image.Save(file.c_str(), keImageFormatTGA)) << image.GetLastError();
  ExpectSameAsOracle(file, "-auto-orient", image, {0, 0, 8, 0}, "palette and alpha");
}
