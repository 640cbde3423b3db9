// ICO, TGA and PCX on hand-made bytes: hostile files stop at the boundary with their texts,
// and the run-length writers' byte patterns.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "codecs/ImageFile.h"
#include "tests/codecs/TiffBlock.h"

namespace {

Bytes Tga(unsigned char type, unsigned mapLength, unsigned char depth, unsigned char width,
          unsigned char height, Bytes payload, unsigned char mapFirst = 0) {
  Bytes file{0,
             static_cast<unsigned char>(mapLength ? 1 : 0),
             type,
             mapFirst,
             0,
             static_cast<unsigned char>(mapLength),
             static_cast<unsigned char>(mapLength >> 8),
             24,
             0,
             0,
             0,
             0,
             width,
             0,
             height,
             0,
             depth,
             0};
  file.insert(file.end(), payload.begin(), payload.end());
  return file;
}

Bytes Pcx(unsigned char bits, unsigned char planes, unsigned char width, unsigned char height,
          unsigned char bpl, Bytes payload) {
  Bytes file(128, 0);
  file[0] = 10, file[1] = 5, file[2] = 1, file[3] = bits;
  file[8] = static_cast<unsigned char>(width - 1), file[10] = static_cast<unsigned char>(height - 1);
  for (unsigned i = 0; i < 16; ++i) file[16 + 3 * i] = static_cast<unsigned char>(16 * i);  // red ramp
  file[65] = planes, file[66] = bpl;
  file.insert(file.end(), payload.begin(), payload.end());
  return file;
}

void PutLE(Bytes& out, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

struct IconEntry {
  unsigned char dirWidth, dirHeight;  // what the directory says
  std::uint32_t width, height, bits;  // what the bitmap says
  Bytes pixels;                       // palette and colour rows
  Bytes mask;
  Bytes after;  // bytes past the entry's count, before the next entry
};

// The directory, then each entry's bitmap and the bytes after it.
Bytes IconFile(const std::vector<IconEntry>& entries) {
  Bytes file{0, 0, 1, 0};
  PutLE(file, static_cast<std::uint32_t>(entries.size()), 2);
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(entries.size());
  Bytes data;
  for (const IconEntry& e : entries) {
    const auto held = static_cast<std::uint32_t>(40 + e.pixels.size() + e.mask.size());
    file.insert(file.end(), {e.dirWidth, e.dirHeight, 0, 0, 1, 0});
    PutLE(file, e.bits, 2);
    PutLE(file, held, 4);
    PutLE(file, offset, 4);
    PutLE(data, 40, 4);
    PutLE(data, e.width, 4);
    PutLE(data, 2 * e.height, 4);
    PutLE(data, 1, 2);
    PutLE(data, e.bits, 2);
    data.resize(data.size() + 24, 0);
    for (const Bytes* part : {&e.pixels, &e.mask, &e.after})
      data.insert(data.end(), part->begin(), part->end());
    offset += held + static_cast<std::uint32_t>(e.after.size());
  }
  file.insert(file.end(), data.begin(), data.end());
  return file;
}

}  // namespace

TEST(IconTargaPcx, HostileFilesFailWithTheirText) {
  struct Hostile {
    const char* what;
    Bytes file;
    unsigned long type;
    const char* text;
  };
  for (const Hostile& h : {
           Hostile{"tga file ends inside a row", Tga(3, 0, 8, 4, 2, {1, 2, 3, 4, 5}), keImageFormatTGA,
                   "the file ends early"},
           Hostile{"tga index past a short map", Tga(1, 2, 8, 2, 1, Bytes{0, 0, 255, 0, 255, 0, 1, 5}),
                   keImageFormatTGA, "corrupted TGA"},
           Hostile{"tga map of 257 entries", Tga(1, 257, 8, 2, 1, {}), keImageFormatTGA, "bad TGA header"},
           Hostile{"pcx run past the picture", Pcx(8, 1, 2, 1, 2, {0xC5, 1}), keImageFormatPCX,
                   "repeat count spans end of image"},
           Hostile{"pcx palette without signature", Pcx(8, 1, 2, 1, 2, {1, 2, 11}), keImageFormatPCX,
                   "bad color map signature"},
           Hostile{"pcx file ends early", Pcx(8, 3, 2, 2, 2, {1, 2, 3}), keImageFormatPCX,
                   "the file ends early"},
           Hostile{"pcx two 4-bit planes", Pcx(4, 2, 2, 2, 2, {}), keImageFormatPCX,
                   "Can't handle packed pixels with more than 1 plane."},
       }) {
    CImageFile image;
    EXPECT_FALSE(DecodeBytes(image, h.file, h.type)) << h.what;
    EXPECT_STREQ(image.GetLastError(), h.text) << h.what;
  }
}

TEST(IconTargaPcx, TgaPacketsRunOnIntoTheNextRowAndStopAtThePictureEnd) {
  CImageFile image;
  // A run of 3 and a raw packet of 1 fill two rows of 2; the last run is cut at the end.
  ASSERT_TRUE(DecodeBytes(image, Tga(11, 0, 8, 2, 3, {0x82, 9, 0x00, 7, 0x85, 4}), keImageFormatTGA))
      << image.GetLastError();
  const unsigned char expected[3][2] = {{9, 9}, {9, 7}, {4, 4}};
  for (long y = 0; y < 3; ++y) {
    for (long x = 0; x < 2; ++x) EXPECT_EQ(image.GetPixelIndex(x, y), expected[y][x]) << x << "," << y;
  }
  // A run may cover the last rows with nothing after it in the file.
  EXPECT_TRUE(DecodeBytes(image, Tga(11, 0, 8, 2, 2, {0x83, 6}), keImageFormatTGA)) << image.GetLastError();
  // A 16-bit pixel of all ones widens to 248 in each channel.
  ASSERT_TRUE(DecodeBytes(image, Tga(2, 0, 16, 1, 1, {0xFF, 0x7F}), keImageFormatTGA));
  EXPECT_EQ(image.GetPixelColor(0, 0).rgbGreen, 248);
  CImageFile fourBits(2, 2, 4, 0);
  EXPECT_TRUE(EncodeToBytes(fourBits, keImageFormatTGA).empty());
  EXPECT_STREQ(fourBits.GetLastError(), "Bit depth must be 8 or 24");
}

TEST(IconTargaPcx, TgaGreyWithAlphaAndAMapStartingPastZero) {
  CImageFile image;
  ASSERT_TRUE(DecodeBytes(image, Tga(3, 0, 16, 2, 1, {100, 200, 50, 0}), keImageFormatTGA))
      << image.GetLastError();
  ASSERT_TRUE(image.AlphaIsValid());
  EXPECT_EQ(image.GetPixelColor(0, 0).rgbGreen, 100);
  EXPECT_EQ(image.AlphaGet(0, 0), 200);
  EXPECT_EQ(image.GetPixelColor(1, 0).rgbRed, 50);
  EXPECT_EQ(image.AlphaGet(1, 0), 0);
  // Entries 5 and 6 of the map; index 4 is outside it.
  const Bytes map{10, 20, 30, 40, 50, 60};
  Bytes payload = map;
  payload.insert(payload.end(), {6, 5});
  ASSERT_TRUE(DecodeBytes(image, Tga(1, 2, 8, 2, 1, payload, 5), keImageFormatTGA)) << image.GetLastError();
  EXPECT_EQ(image.GetPixelColor(0, 0).rgbRed, 60);
  EXPECT_EQ(image.GetPixelColor(1, 0).rgbBlue, 10);
  payload.back() = 4;
  EXPECT_FALSE(DecodeBytes(image, Tga(1, 2, 8, 2, 1, payload, 5), keImageFormatTGA));
  EXPECT_STREQ(image.GetLastError(), "corrupted TGA");
}

TEST(IconTargaPcx, TgaWritesGreyWithAlphaAsGreyAndAlpha) {
  CImageFile image(3, 2, 8, 0);
  image.SetGrayPalette();
  image.AlphaCreate();
  for (long x = 0; x < 3; ++x) {
    for (long y = 0; y < 2; ++y) {
      image.SetPixelIndex(x, y, static_cast<BYTE>(40 * x + y));
      image.AlphaSet(x, y, static_cast<BYTE>(100 * x + 7 * y));
    }
  }
  const Bytes written = EncodeToBytes(image, keImageFormatTGA);
  ASSERT_GT(written.size(), 18u);
  // Grey, 16 bits a pixel, 8 of them alpha: what other readers go by.
  EXPECT_EQ(written[2], 3);
  EXPECT_EQ(written[16], 16);
  EXPECT_EQ(written[17] & 0x0F, 8);
  CImageFile back;
  ASSERT_TRUE(DecodeBytes(back, written, keImageFormatTGA)) << back.GetLastError();
  EXPECT_EQ(back.GetBpp(), 8u);
  EXPECT_TRUE(back.IsGrayScale());
  ASSERT_TRUE(back.AlphaIsValid());
  for (long x = 0; x < 3; ++x) {
    for (long y = 0; y < 2; ++y) {
      EXPECT_EQ(back.GetPixelIndex(x, y), 40 * x + y) << x << "," << y;
      EXPECT_EQ(back.AlphaGet(x, y), 100 * x + 7 * y) << x << "," << y;
    }
  }
}

TEST(IconTargaPcx, TgaWritesColourWithAlphaAsThirtyTwoBitsEightOfThemAlpha) {
  CImageFile image(3, 2, 24, 0);
  image.AlphaCreate();
  image.AlphaSet(1, 1, 77);
  const Bytes written = EncodeToBytes(image, keImageFormatTGA);
  ASSERT_GT(written.size(), 18u);
  EXPECT_EQ(written[2], 2);
  EXPECT_EQ(written[16], 32);
  EXPECT_EQ(written[17] & 0x0F, 8);
}

TEST(IconTargaPcx, PcxLinesShorterThanTheRowLeaveTheRestClear) {
  // Bytes a line of 2 for a picture 5 wide: each plane gives two pixels.
  CImageFile image;
  ASSERT_TRUE(DecodeBytes(image, Pcx(8, 3, 5, 1, 2, {10, 11, 20, 21, 30, 31}), keImageFormatPCX));
  EXPECT_EQ(image.GetPixelColor(1, 0).rgbRed, 11);
  EXPECT_EQ(image.GetPixelColor(1, 0).rgbBlue, 31);
  EXPECT_EQ(image.GetPixelColor(4, 0).rgbRed, 0);
  // Three 1-bit planes make eight colours, not two.
  ASSERT_TRUE(DecodeBytes(image, Pcx(1, 3, 2, 1, 2, {0x80, 0, 0x80, 0, 0x40, 0}), keImageFormatPCX));
  EXPECT_EQ(image.GetBpp(), 4);
  EXPECT_EQ(image.GetPixelIndex(0, 0), 3);
  EXPECT_EQ(image.GetPixelColor(1, 0).rgbRed, 64);
}

TEST(IconTargaPcx, PcxWritersRunsAndPadding) {
  CImageFile eight(101, 1, 8, 0);
  for (long x = 0; x < 100; ++x) eight.SetPixelIndex(x, 0, 0xC5);
  eight.SetPixelIndex(100, 0, 0x41);
  Bytes file = EncodeToBytes(eight, keImageFormatPCX);
  ASSERT_GT(file.size(), 128u);
  EXPECT_EQ(file[66], 102);  // bytes a line rounded up to even
  EXPECT_EQ(Bytes(file.begin() + 128, file.begin() + 136),
            (Bytes{0xFF, 0xC5, 0xE5, 0xC5, 0x41, 0x00, 12, 0}));
  // A 1-bit picture with white first is written with its indices turned over.
  CImageFile one(3, 1, 1, 0);
  one.SetPaletteColor(0, 255, 255, 255);
  one.SetPaletteColor(1, 0, 0, 0);
  one.SetPixelIndex(1, 0, 1);
  file = EncodeToBytes(one, keImageFormatPCX);
  EXPECT_EQ(Bytes(file.begin() + 128, file.end()), (Bytes{0xA0, 0x00}));
  EXPECT_EQ(Bytes(file.begin() + 16, file.begin() + 22), (Bytes{0, 0, 0, 255, 255, 255}));
}

TEST(IconTargaPcx, IconDirectoryAndMaskAreCheckedAgainstTheFile) {
  CImageFile big(256, 1, 24, 0);
  EXPECT_TRUE(EncodeToBytes(big, keImageFormatICO).empty());
  EXPECT_STREQ(big.GetLastError(), "Can't save this image as icon");
  // Pixels of the transparent index are masked; decoding gives them the first unused index.
  CImageFile icon(255, 3, 8, 0);
  icon.SetPixelIndex(4, 1, 1);
  icon.SetPixelIndex(5, 1, 2);
  icon.SetTransIndex(2);
  const Bytes file = EncodeToBytes(icon, keImageFormatICO);
  ASSERT_FALSE(file.empty()) << icon.GetLastError();
  CImageFile decoded;
  ASSERT_TRUE(DecodeBytes(decoded, file, keImageFormatICO));
  EXPECT_EQ(decoded.GetTransIndex(), 3);
  EXPECT_EQ(decoded.GetPixelIndex(5, 1), 3);
  EXPECT_EQ(decoded.GetPixelIndex(4, 1), 1);
  EXPECT_FALSE(decoded.AlphaIsValid());
  // Every pixel masked: what shows is the inverse of the colours.
  CImageFile black(32, 1, 24, 0);
  black.SetTransIndex(0);
  CImageFile inverted;
  ASSERT_TRUE(DecodeBytes(inverted, EncodeToBytes(black, keImageFormatICO), keImageFormatICO));
  EXPECT_EQ(inverted.GetPixelColor(31, 0).rgbRed, 255);
  // A mask cut short is left out; the colours stay.
  CImageFile unmasked;
  ASSERT_TRUE(DecodeBytes(unmasked, Bytes(file.begin(), file.end() - 1), keImageFormatICO));
  EXPECT_EQ(unmasked.GetTransIndex(), -1);
  EXPECT_EQ(unmasked.GetPixelIndex(5, 1), 2);
  // An entry whose picture starts past the end of the file is refused; the frames still count.
  Bytes outside = file;
  outside[20] = 0x40;
  CImageFile refused;
  EXPECT_FALSE(DecodeBytes(refused, outside, keImageFormatICO));
  EXPECT_EQ(refused.GetNumFrames(), 1);
}

TEST(IconTargaPcx, IconAlphaMaskAndSizesComeFromTheEntryItself) {
  const Bytes noAlpha{1, 2, 3, 0, 4, 5, 6, 0};
  const Bytes someAlpha{1, 2, 3, 0, 4, 5, 6, 200};
  const Bytes secondMasked{0x40, 0, 0, 0};
  const IconEntry other{1, 1, 1, 1, 32, {9, 9, 9, 255}, {0, 0, 0, 0}, {}};
  CImageFile image;
  // A 32-bit entry without a mask: the bytes after it are not its mask.
  ASSERT_TRUE(DecodeBytes(image, IconFile({{2, 1, 2, 1, 32, noAlpha, {}, {0xFF, 0xFF, 0xFF, 0xFF}}, other}),
                          keImageFormatICO));
  EXPECT_EQ(image.GetPixelColor(1, 0).rgbBlue, 4);
  EXPECT_FALSE(image.AlphaIsValid());
  EXPECT_EQ(image.GetTransIndex(), -1);
  // Alpha rules where the entry has it; where it has none, the mask does.
  ASSERT_TRUE(
      DecodeBytes(image, IconFile({{2, 1, 2, 1, 32, someAlpha, secondMasked, {}}}), keImageFormatICO));
  EXPECT_EQ(image.AlphaGet(0, 0), 0);
  EXPECT_EQ(image.AlphaGet(1, 0), 200);
  ASSERT_TRUE(DecodeBytes(image, IconFile({{2, 1, 2, 1, 32, noAlpha, secondMasked, {}}}), keImageFormatICO));
  ASSERT_TRUE(image.AlphaIsValid());
  EXPECT_EQ(image.AlphaGet(0, 0), 255);
  EXPECT_EQ(image.AlphaGet(1, 0), 0);
  // The bitmap's sizes, not the directory's (0 there is 256).
  ASSERT_TRUE(DecodeBytes(image, IconFile({{0, 0, 2, 1, 32, someAlpha, {}, {}}}), keImageFormatICO));
  EXPECT_EQ(image.GetWidth(), 2u);
  EXPECT_EQ(image.GetHeight(), 1u);
}

TEST(IconTargaPcx, IconRefusalsSayWhy) {
  const IconEntry plain{2, 1, 2, 1, 32, Bytes(8, 7), {}, {}};
  Bytes png = IconFile({plain});
  const unsigned char signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::copy(std::begin(signature), std::end(signature), png.begin() + 22);
  Bytes cursorless = IconFile({plain});
  cursorless[2] = 3;
  Bytes deep = IconFile({plain});
  deep[22 + 14] = 16;
  Bytes huge = IconFile({plain});
  huge[22 + 5] = 0x10;  // 4098 wide
  struct Case {
    const char* what;
    Bytes file;
    int frame;
    const char* text;
  } cases[] = {{"png entry", png, 0, "PNG icons not supported"},
               {"neither icon nor cursor", cursorless, 0, "Not an icon"},
               {"16-bit entry", deep, 0, "Unsupported icon bit depth"},
               {"bitmap past the largest icon", huge, 0, "Corrupted icon"},
               {"frame past the entries", IconFile({plain}), 1, "Error: image not present in icon file"},
               {"directory cut short", Bytes(png.begin(), png.begin() + 12), 0, "Corrupted icon"}};
  for (const Case& c : cases) {
    CImageFile image;
    image.SetFrame(c.frame);
    EXPECT_FALSE(DecodeBytes(image, c.file, keImageFormatICO)) << c.what;
    EXPECT_STREQ(image.GetLastError(), c.text) << c.what;
  }
}
