// TIFF against the oracle: its files of every compression, layout and orientation decode to its
// pixels, and what we write it reads back the same.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "codecs/ImageFile.h"
#include "tests/codecs/ImageMagick.h"
#include "tests/codecs/TempDir.h"

namespace {

struct TiffCase {
  const char* what;
  const char* options;  // convert options, applied to the test pattern
  int tolerance = 0;    // the largest channel difference allowed
};

void ExpectSamePicture(const std::string& file, CImageFile& image, int tolerance, const std::string& what) {
  ExpectSameAsOracle(file, "-auto-orient", image, {tolerance, 1}, what);
}

class TiffOracle : public ::testing::TestWithParam<TiffCase> {};

}  // namespace

TEST_P(TiffOracle, TheirFilesDecodeToTheirPixelsAndOursReadBackTheSame) {
  if (!HaveImageMagick()) GTEST_SKIP() << "no oracle";
  const TiffCase& c = GetParam();
  TempDir dir;
  const std::string source = dir.Path("source.ppm");
  const std::string file = dir.Path("oracle.tif");
  WritePpm(source, TestPattern(37, 23));
  ASSERT_TRUE(Convert("'" + source + "' " + c.options + " '" + file + "'")) << c.what;
  CImageFile image;
  ASSERT_TRUE(image.Load(file.c_str(), keImageFormatTIF)) << c.what << ": " << image.GetLastError();
  EXPECT_EQ(image.GetNumFrames(), 1);
  ExpectSamePicture(file, image, c.tolerance, c.what);
  // Written again with the file's compression, and with the one chosen by depth (JPEG for colour).
  const std::string ours = dir.Path("ours.tif");
  ASSERT_TRUE(image.Save(ours.c_str(), keImageFormatTIF)) << c.what << ": " << image.GetLastError();
  ExpectSamePicture(ours, image, c.tolerance, std::string(c.what) + " written by us");
  image.SetCodecOption(0, keImageFormatTIF);
  ASSERT_TRUE(image.Save(ours.c_str(), keImageFormatTIF)) << c.what << ": " << image.GetLastError();
  const std::string byDepth = std::string(c.what) + " written by us by depth";
  if (!image.AlphaIsValid())
    return ExpectSamePicture(ours, image, image.GetBpp() == 24 ? 48 : c.tolerance, byDepth);
  // The oracle's reading of a four-channel JPEG page strays beyond JPEG's loss: we read it back.
  CImageFile back;
  ASSERT_TRUE(back.Load(ours.c_str(), keImageFormatTIF)) << byDepth;
  EXPECT_LE(MaxDifference(FromImage(back), FromImage(image)), 48) << byDepth;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, TiffOracle,
    ::testing::Values(TiffCase{"none", "-type TrueColor -compress None"},
                      TiffCase{"lzw", "-type TrueColor -compress LZW"},
                      TiffCase{"deflate", "-type TrueColor -compress Zip"},
                      TiffCase{"jpeg", "-compress JPEG -quality 95", 16},
                      TiffCase{"group 4", "-monochrome -compress Group4"},
                      TiffCase{"palette", "-colors 50 -type Palette -compress LZW"},
                      TiffCase{"min-is-white", "-monochrome -define quantum:polarity=min-is-white"},
                      TiffCase{"grey 4-bit", "-colorspace Gray -depth 4"},
                      TiffCase{"grey 16-bit", "-colorspace Gray -depth 16", 1},
                      TiffCase{"colour 16-bit", "-type TrueColor -depth 16", 1},
                      TiffCase{"alpha", "-alpha set -channel A -fx 'i/w' +channel"},
                      TiffCase{"associated alpha",
                               "-alpha set -channel A -fx 'i/w' +channel -define tiff:alpha=associated", 1},
                      TiffCase{"planar alpha", "-alpha set -channel A -fx 'i/w' +channel -interlace plane"},
                      TiffCase{"planar associated alpha 16-bit",
                               "-alpha set -channel A -fx 'i/w' +channel -interlace plane -depth 16 "
                               "-define tiff:alpha=associated",
                               1},
                      TiffCase{"alpha 16-bit", "-alpha set -channel A -fx 'i/w' +channel -depth 16", 1},
                      TiffCase{"grey alpha 16-bit",
                               "-colorspace Gray -alpha set -channel A -fx 'i/w' +channel -depth 16", 1},
                      TiffCase{"tiled", "-type TrueColor -define tiff:tile-geometry=16x16"},
                      TiffCase{"tiled planar alpha",
                               "-alpha set -channel A -fx 'i/w' +channel -interlace plane "
                               "-define tiff:tile-geometry=16x16"},
                      TiffCase{"tiled palette", "-colors 20 -type Palette -define tiff:tile-geometry=16x16"},
                      TiffCase{"top right", "-type TrueColor -orient TopRight"},
                      TiffCase{"bottom right", "-type TrueColor -orient BottomRight"},
                      TiffCase{"bottom left", "-colors 30 -type Palette -orient BottomLeft"},
                      TiffCase{"left top", "-type TrueColor -orient LeftTop"},
                      TiffCase{"right top", "-colors 30 -type Palette -orient RightTop"},
                      TiffCase{"right bottom", "-type TrueColor -orient RightBottom"},
                      TiffCase{"left bottom", "-colorspace Gray -orient LeftBottom"}),
    NameByWhat());

// Each page of a multi-page file; ours carry the pages through the oracle too.
TEST(TiffOracle, PagesAreReadAndWrittenOneByOne) {
  if (!HaveImageMagick()) GTEST_SKIP() << "no oracle";
  TempDir dir;
  const std::string source = dir.Path("source.ppm");
  const std::string file = dir.Path("pages.tif");
  WritePpm(source, TestPattern(37, 23));
  ASSERT_TRUE(Convert("'" + source + "' '(' '" + source + "' -negate ')' '(' '" + source +
                      "' -colors 9 -type Palette ')' -compress LZW '" + file + "'"));
  CImageFile pages[3];
  CImageFile* images[3];
  for (int n = 0; n < 3; ++n) {
    pages[n].SetFrame(n);
    ASSERT_TRUE(pages[n].Load(file.c_str(), keImageFormatTIF)) << n << ": " << pages[n].GetLastError();
    EXPECT_EQ(pages[n].GetNumFrames(), 3);
    ExpectSamePicture(file + "[" + std::to_string(n) + "]", pages[n], 0, "page " + std::to_string(n));
    images[n] = &pages[n];
  }
  CImageFile past;
  past.SetFrame(3);
  EXPECT_FALSE(past.Load(file.c_str(), keImageFormatTIF));
  EXPECT_STREQ(past.GetLastError(), "Error: page not present in TIFF file");
  const std::string ours = dir.Path("ours.tif");
  FILE* out = std::fopen(ours.c_str(), "w+b");
  ASSERT_TRUE(out);
  EXPECT_TRUE(pages[0].Encode(out, images, 3, keImageFormatTIF)) << pages[0].GetLastError();
  std::fclose(out);
  for (int n = 0; n < 3; ++n) {
    ExpectSamePicture(ours + "[" + std::to_string(n) + "]", pages[n], n == 2 ? 0 : 48,
                      "our page " + std::to_string(n));
  }
}
