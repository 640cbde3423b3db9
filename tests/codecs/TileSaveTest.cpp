// A tile as the filter saves it, read back by the oracle.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "codecs/ImageFile.h"
#include "tests/codecs/ImageMagick.h"
#include "tests/codecs/TempDir.h"

namespace {

// Smooth like a photograph, with one hard edge.
CImageFile Tile() {
  CImageFile tile(97, 61, 24, keImageFormatUnknown);
  for (long y = 0; y < 61; ++y) {
    for (long x = 0; x < 97; ++x) {
      const BYTE edge = x > 48 ? 60 : 0;
      tile.SetPixelColor(
          x, y,
          RGBQUAD{static_cast<BYTE>(2 * x), static_cast<BYTE>(3 * y + edge), static_cast<BYTE>(x + y), 0});
    }
  }
  return tile;
}

}  // namespace

TEST(TileSave, ImageMagickReadsTheSavedTile) {
  if (!HaveImageMagick()) GTEST_SKIP() << "no oracle";
  struct Case {
    const char* name;
    unsigned long type;
    int tolerance;  // against the tile: JPEG keeps colour at half resolution, even at quality 99
  } cases[] = {{"tile.jpg", keImageFormatJPG, 16},
               {"tile.png", keImageFormatPNG, 0},
               {"tile.bmp", keImageFormatBMP, 0}};
  TempDir dir;
  for (const Case& c : cases) {
    CImageFile tile = Tile();
    tile.SetJpegQuality(99);
    const std::string path = dir.Path(c.name);
    ASSERT_TRUE(tile.Save(path.c_str(), c.type)) << c.name << ": " << tile.GetLastError();
    const RgbPicture oracle = ReadWithImageMagick(path);
    ASSERT_EQ(oracle.width, 97) << c.name;
    ASSERT_EQ(oracle.height, 61) << c.name;
    EXPECT_LE(MaxDifference(oracle, FromImage(tile)), c.tolerance) << c.name;
    CImageFile again;
    ASSERT_TRUE(again.Load(path.c_str(), c.type)) << c.name;
    EXPECT_LE(MaxDifference(oracle, FromImage(again)), 1) << c.name;
  }
}
