// What a save does to the image saved (nothing) and to two-colour pictures (their colours kept).
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "codecs/ImageFile.h"
#include "codecs/MemoryStream.h"
#include "tests/codecs/ImageMagick.h"
#include "tests/codecs/TempDir.h"
#include "tests/codecs/TiffBlock.h"

namespace {

struct Kind {
  const char* what;
  unsigned long bpp;
  RGBQUAD first, second;  // palette entries 0 and 1 below 24 bits
  bool alpha;
};

const RGBQUAD kBlack{0, 0, 0, 0}, kWhite{255, 255, 255, 0}, kRed{0, 0, 255, 0}, kTeal{128, 128, 0, 0};

const Kind kKinds[] = {
    {"black first", 1, kBlack, kWhite, false}, {"white first", 1, kWhite, kBlack, false},
    {"two colours", 1, kRed, kTeal, false},    {"16 colours", 4, kRed, kTeal, false},
    {"256 colours", 8, kTeal, kRed, false},    {"true colour", 24, {}, {}, false},
    {"with alpha", 24, {}, {}, true},
};

CImageFile Picture(const Kind& kind) {
  CImageFile image(11, 7, kind.bpp, keImageFormatUnknown);
  if (kind.bpp <= 8) {
    RGBQUAD palette[256] = {kind.first, kind.second};
    for (unsigned i = 2; i < 256; ++i) palette[i] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i * 7), 0};
    image.SetPalette(palette, 1u << kind.bpp);
  }
  for (long y = 0; y < 7; ++y) {
    for (long x = 0; x < 11; ++x) {
      if (kind.bpp <= 8) {
        image.SetPixelIndex(x, y, static_cast<BYTE>((x * 3 + y) % (1 << kind.bpp)));
      } else {
        image.SetPixelColor(x, y, RGBQUAD{BYTE(20 * x), BYTE(30 * y), BYTE(x + y), 0});
      }
    }
  }
  if (kind.alpha) {
    image.AlphaCreate();
    for (long y = 0; y < 7; ++y) {
      for (long x = 0; x < 11; ++x) image.AlphaSet(x, y, static_cast<BYTE>(23 * x));
    }
  }
  return image;
}

// Every byte of the image: its block (header, palette, pixels) and its alpha plane.
Bytes Snapshot(CImageFile& image) {
  const auto* block = static_cast<const unsigned char*>(image.GetDIB());
  Bytes bytes(block, block + image.GetSize());
  for (long y = 0; image.AlphaIsValid() && y < static_cast<long>(image.GetHeight()); ++y) {
    for (long x = 0; x < static_cast<long>(image.GetWidth()); ++x) bytes.push_back(image.AlphaGet(x, y));
  }
  return bytes;
}

}  // namespace

TEST(SavedImage, NoEncoderChangesTheImageItSaves) {
  const unsigned long types[] = {keImageFormatBMP, keImageFormatGIF, keImageFormatJPG,
                                 keImageFormatPNG, keImageFormatICO, keImageFormatTIF,
                                 keImageFormatTGA, keImageFormatPCX, keImageFormatWBMP};
  for (const Kind& kind : kKinds) {
    for (unsigned long type : types) {
      CImageFile image = Picture(kind);
      const Bytes before = Snapshot(image);
      CMemoryStream stream;
      stream.Open();
      image.Encode(&stream, type);  // some formats refuse some depths: only the image matters
      EXPECT_EQ(Snapshot(image), before) << kind.what << " as format " << type;
    }
  }
}

TEST(SavedImage, TwoColourPicturesKeepTheirColours) {
  if (!HaveImageMagick()) GTEST_SKIP() << "no oracle";
  TempDir dir;
  const std::pair<const char*, unsigned long> files[] = {{"two.tif", keImageFormatTIF},
                                                         {"two.pcx", keImageFormatPCX}};
  for (const auto& [name, type] : files) {
    for (const Kind* kind = kKinds; kind != kKinds + 3; ++kind) {
      const std::string what = std::string(name) + " " + kind->what;
      CImageFile image = Picture(*kind);
      const std::string path = dir.Path(name);
      ASSERT_TRUE(image.Save(path.c_str(), type)) << what << ": " << image.GetLastError();
      // The oracle reads one-plane 1-bit PCX (black and white) with 1 as black.
      if (type != keImageFormatPCX || kind == &kKinds[2]) {
        EXPECT_EQ(MaxDifference(ReadWithImageMagick(path), FromImage(image)), 0) << what;
      }
      CImageFile back;
      ASSERT_TRUE(back.Load(path.c_str())) << what;
      EXPECT_EQ(MaxDifference(FromImage(back), FromImage(image)), 0) << what;
    }
  }
}
