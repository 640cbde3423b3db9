#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "codecs/ImageFilePNG.h"
#include "codecs/MemoryStream.h"
#include "tests/codecs/ImageMagick.h"
#include "tests/codecs/TempDir.h"
#include "tests/codecs/TiffBlock.h"

namespace {

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool DecodeBytes(CImageFilePNG& image, Bytes bytes) {
  CMemoryStream stream(bytes.data(), bytes.size());
  return image.Decode(&stream);
}

// The oracle's reading with extra options (flattening, alpha extraction) as an RGB picture.
RgbPicture ImageMagickReads(const std::string& path, const std::string& options) {
  RgbPicture picture;
  const std::string command = "/usr/bin/convert '" + path + "' " + options + " -depth 8 -type TrueColor ppm:- 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  int maxValue = 0;
  if (!pipe || std::fscanf(pipe.get(), "P6 %ld %ld %d", &picture.width, &picture.height, &maxValue) != 3 ||
      maxValue != 255 || std::fgetc(pipe.get()) == EOF) {
    return RgbPicture();
  }
  picture.rgb.resize(static_cast<std::size_t>(picture.width * picture.height * 3));
  if (std::fread(picture.rgb.data(), 1, picture.rgb.size(), pipe.get()) != picture.rgb.size()) return RgbPicture();
  return picture;
}

int MaxDifference(const RgbPicture& a, const RgbPicture& b) {
  if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size() || a.rgb.empty()) return -1;
  int worst = 0;
  for (std::size_t i = 0; i < a.rgb.size(); ++i) worst = std::max(worst, std::abs(a.rgb[i] - b.rgb[i]));
  return worst;
}

// Our alpha plane as a grey picture.
RgbPicture AlphaOf(CImageFile& image) {
  RgbPicture picture{static_cast<long>(image.GetWidth()), static_cast<long>(image.GetHeight()), {}};
  for (long row = 0; row < picture.height; ++row) {
    for (long x = 0; x < picture.width; ++x) {
      const BYTE a = image.AlphaGet(x, picture.height - 1 - row);
      picture.rgb.insert(picture.rgb.end(), {a, a, a});
    }
  }
  return picture;
}

// Where a chunk of this type starts (its length field); -1 without one.
long FindChunk(const Bytes& png, const char* type) {
  for (std::size_t i = 8; i + 8 <= png.size();) {
    const std::size_t length = static_cast<std::size_t>(png[i]) << 24 | png[i + 1] << 16 | png[i + 2] << 8 | png[i + 3];
    if (std::equal(type, type + 4, png.begin() + static_cast<long>(i) + 4)) return static_cast<long>(i);
    i += 12 + length;
  }
  return -1;
}

unsigned ChunkLength(const Bytes& png, const char* type) {
  const long at = FindChunk(png, type);
  if (at < 0) return 0;
  const auto i = static_cast<std::size_t>(at);
  return static_cast<unsigned>(png[i] << 24 | png[i + 1] << 16 | png[i + 2] << 8 | png[i + 3]);
}

// Rewrites a chunk's CRC after its data was changed.
void FixCrc(Bytes& png, long at) {
  const auto i = static_cast<std::size_t>(at);
  const unsigned length = ChunkLength(png, reinterpret_cast<const char*>(&png[i + 4]));
  const uLong crc = crc32(0, &png[i + 4], 4 + length);
  for (int k = 0; k < 4; ++k) png[i + 8 + length + static_cast<std::size_t>(k)] = static_cast<unsigned char>(crc >> (24 - 8 * k));
}

struct WriterCase {
  const char* what;
  const char* options;  // convert options for writing the PNG
  const char* read;     // how the oracle must read it to show what we decode
  int bpp;
  bool alphaPlane;
  bool interlaced;
};

// Grey sources for the grey types; colour with an alpha gradient for the types with alpha.
const WriterCase kWriters[] = {
    {"grey 1 bit", "-colorspace Gray -define png:color-type=0 -define png:bit-depth=1", "", 1, false, false},
    {"grey 2 bits", "-colorspace Gray -define png:color-type=0 -define png:bit-depth=2", "", 4, false, false},
    {"grey 4 bits", "-colorspace Gray -define png:color-type=0 -define png:bit-depth=4", "", 4, false, false},
    {"grey 8 bits", "-colorspace Gray -define png:color-type=0 -define png:bit-depth=8", "", 8, false, false},
    {"grey 16 bits", "-colorspace Gray -define png:color-type=0 -define png:bit-depth=16", "", 8, false, false},
    {"RGB 8 bits", "-define png:color-type=2 -define png:bit-depth=8", "", 24, false, false},
    {"RGB 16 bits", "-define png:color-type=2 -define png:bit-depth=16", "", 24, false, false},
    {"RGB interlaced", "-define png:color-type=2 -interlace PNG", "", 24, false, true},
    {"palette 8 bits", "-colors 200 -define png:color-type=3", "", 8, false, false},
    {"palette interlaced", "-colors 16 -define png:color-type=3 -interlace PNG", "", 8, false, true},
    {"RGB with tRNS and bKGD", "-transparent '#000000' -background '#204080' -define png:color-type=2",
     "-background '#204080' -alpha remove", 24, false, false},
    {"grey with tRNS", "-colorspace Gray -transparent '#000000' -background '#404040' -define png:color-type=0",
     "-background '#404040' -alpha remove", 8, false, false},
    {"grey alpha 8 bits over bKGD", "ALPHA -colorspace Gray -background '#606060' -define png:color-type=4 -define png:bit-depth=8",
     "-background '#606060' -alpha remove", 8, false, false},
    {"grey alpha 16 bits", "ALPHA -colorspace Gray -define png:color-type=4 -define png:bit-depth=16", "-alpha off", 24, true, false},
    {"RGBA 8 bits", "ALPHA -define png:color-type=6 -define png:bit-depth=8", "-alpha off", 24, true, false},
    {"RGBA 8 bits interlaced", "ALPHA -define png:color-type=6 -interlace PNG", "-alpha off", 24, true, true},
    {"RGBA 16 bits over bKGD", "ALPHA -background '#c08040' -define png:color-type=6 -define png:bit-depth=16",
     "-background '#c08040' -alpha remove", 24, true, false},
};

class PngFromImageMagick : public ::testing::TestWithParam<WriterCase> {};

}  // namespace

TEST_P(PngFromImageMagick, DecodesAsTheOracleReadsIt) {
  if (!HaveImageMagick()) GTEST_SKIP() << "no oracle";
  const WriterCase& c = GetParam();
  TempDir dir;
  const std::string source = dir.Path("source.ppm");
  const std::string png = dir.Path("file.png");
  WritePpm(source, TestPattern(37, 23));
  std::string options = c.options;
  const bool withAlpha = options.rfind("ALPHA", 0) == 0;
  if (withAlpha) {
    options = "\\( -size 37x23 gradient:white-black \\) -alpha off -compose CopyOpacity -composite" + options.substr(5);
  }
  // Without a gamma chunk the library composites in the file's own values, as the oracle does.
  options += " -define png:exclude-chunks=gAMA,cHRM,sRGB";
  ASSERT_TRUE(Convert("'" + source + "' " + options + " PNG:'" + png + "'")) << c.what;

  CImageFilePNG image;
  ASSERT_TRUE(DecodeBytes(image, ReadFile(png))) << c.what << ": " << image.GetLastError();
  EXPECT_EQ(image.GetBpp(), c.bpp) << c.what;
  EXPECT_EQ(image.AlphaIsValid(), c.alphaPlane) << c.what;
  EXPECT_EQ(image.GetCodecOption(keImageFormatPNG), c.interlaced ? 1u : 0u) << c.what;
  // Compositing is the library's, in linear light when the file says how: within a step or two.
  const int tolerance = std::string(c.read).find("remove") != std::string::npos ? 2 : 0;
  EXPECT_LE(MaxDifference(ImageMagickReads(png, c.read), FromImage(image)), tolerance) << c.what;
  if (withAlpha && c.alphaPlane && std::string(c.read) == "-alpha off") {
    EXPECT_LE(MaxDifference(ImageMagickReads(png, "-alpha extract"), AlphaOf(image)), 0) << c.what;
  }
}

INSTANTIATE_TEST_SUITE_P(Writers, PngFromImageMagick, ::testing::ValuesIn(kWriters), NameByWhat());

TEST(Png, OurFilesReadBackTheSame) {
  struct Case {
    const char* what;
    unsigned long bpp;
    bool alpha;
    bool interlaced;
  } cases[] = {{"1 bit", 1, false, false}, {"4 bits", 4, false, true}, {"8 bits", 8, false, false},
               {"24 bits", 24, false, false}, {"24 bits interlaced", 24, false, true},
               {"24 bits with alpha", 24, true, false}, {"8 bits with alpha", 8, true, true}};
  for (const Case& c : cases) {
    CImageFile image(29, 13, c.bpp, keImageFormatUnknown);
    if (c.bpp <= 8) image.SetStdPalette();
    if (c.alpha) image.AlphaCreate();
    for (long y = 0; y < 13; ++y) {
      for (long x = 0; x < 29; ++x) {
        if (c.bpp <= 8) {
          image.SetPixelIndex(x, y, static_cast<BYTE>((x + 3 * y) % image.GetNumColors()));
        } else {
          image.SetPixelColor(x, y, RGBQUAD{static_cast<BYTE>(x * 8), static_cast<BYTE>(y * 19), static_cast<BYTE>(x * y), 0});
        }
        if (c.alpha) image.AlphaSet(x, y, static_cast<BYTE>(x * 9));
      }
    }
    image.SetCodecOption(c.interlaced ? 1 : 0, keImageFormatPNG);
    const Bytes png = EncodeToBytes(image, keImageFormatPNG);
    CImageFilePNG again;
    ASSERT_TRUE(DecodeBytes(again, png)) << c.what << ": " << again.GetLastError();
    EXPECT_EQ(again.GetBpp(), c.alpha ? 24 : c.bpp) << c.what;
    EXPECT_EQ(again.GetCodecOption(keImageFormatPNG), c.interlaced ? 1u : 0u) << c.what;
    EXPECT_EQ(MaxDifference(FromImage(image), FromImage(again)), 0) << c.what;
    if (c.alpha) {
      EXPECT_EQ(MaxDifference(AlphaOf(image), AlphaOf(again)), 0) << c.what;
      // The background chunk we always write (white) becomes the image's background colour.
      const RGBQUAD background = again.GetTransColor();
      EXPECT_EQ(background.rgbRed + background.rgbGreen + background.rgbBlue, 3 * 255) << c.what;
    }
  }
}

TEST(Png, ResolutionTravelsInMetres) {
  CImageFile image(4, 4, 24, keImageFormatUnknown);
  image.SetXDPI(96);
  image.SetYDPI(300);
  CImageFilePNG again;
  ASSERT_TRUE(DecodeBytes(again, EncodeToBytes(image, keImageFormatPNG)));
  EXPECT_EQ(again.GetXDPI(), 96);  // 3780 pixels a metre
  EXPECT_EQ(again.GetYDPI(), 300);
}

TEST(Png, PaletteIsCutToTheIndicesUsedOnSmallImages) {
  struct Case {
    unsigned long side;
    unsigned entries;
  } cases[] = {{100, 10}, {300, 256}};
  for (const Case& c : cases) {
    CImageFile image(c.side, c.side, 8, keImageFormatUnknown);
    image.SetStdPalette();
    for (long y = 0; y < static_cast<long>(c.side); ++y) {
      for (long x = 0; x < static_cast<long>(c.side); ++x) image.SetPixelIndex(x, y, static_cast<BYTE>((x + y) % 10));
    }
    const Bytes png = EncodeToBytes(image, keImageFormatPNG);
    EXPECT_EQ(ChunkLength(png, "PLTE"), 3 * c.entries) << c.side;
    CImageFilePNG again;
    ASSERT_TRUE(DecodeBytes(again, png));
    EXPECT_EQ(MaxDifference(FromImage(image), FromImage(again)), 0);
  }
}

TEST(Png, TransparentIndexMovesToEntryZero) {
  CImageFile image(16, 16, 8, keImageFormatUnknown);
  image.SetStdPalette();
  for (long y = 0; y < 16; ++y) {
    for (long x = 0; x < 16; ++x) image.SetPixelIndex(x, y, static_cast<BYTE>(x));
  }
  const RGBQUAD entry0 = image.GetPaletteColor(0);
  const RGBQUAD entry5 = image.GetPaletteColor(5);
  const RgbPicture before = FromImage(image);
  image.SetTransIndex(5);
  const Bytes png = EncodeToBytes(image, keImageFormatPNG);
  EXPECT_EQ(ChunkLength(png, "tRNS"), 1u);
  // The image itself now has the swap, and the same picture.
  EXPECT_EQ(image.GetTransIndex(), 0);
  EXPECT_EQ(image.GetPaletteColor(0).rgbRed, entry5.rgbRed);
  EXPECT_EQ(image.GetPaletteColor(5).rgbRed, entry0.rgbRed);
  EXPECT_EQ(MaxDifference(before, FromImage(image)), 0);
  CImageFilePNG again;
  ASSERT_TRUE(DecodeBytes(again, png));
  EXPECT_EQ(again.GetTransIndex(), 0);
  EXPECT_FALSE(again.AlphaPaletteIsEnabled());
  EXPECT_EQ(again.GetPixelIndex(5, 0), 0);
}

TEST(Png, TransparentColourOfAColourImageBecomesAlpha) {
  CImageFile image(8, 2, 24, keImageFormatUnknown);
  const RGBQUAD key{10, 20, 30, 0};
  image.SetPixelColor(3, 1, key);
  image.SetTransColor(key);
  image.SetTransIndex(0);
  CImageFilePNG again;
  ASSERT_TRUE(DecodeBytes(again, EncodeToBytes(image, keImageFormatPNG)));
  ASSERT_TRUE(again.AlphaIsValid());
  EXPECT_EQ(again.AlphaGet(3, 1), 0);
  EXPECT_EQ(again.AlphaGet(2, 1), 255);
  EXPECT_FALSE(image.AlphaIsValid());  // the plane was only for the file
}

TEST(Png, BrokenFilesAreRefused) {
  CImageFile picture(12, 9, 24, keImageFormatUnknown);
  const Bytes good = EncodeToBytes(picture, keImageFormatPNG);
  const long header = FindChunk(good, "IHDR");
  auto withHeaderByte = [&](std::size_t offset, unsigned char value, bool fixCrc) {
    Bytes png = good;
    png[static_cast<std::size_t>(header) + 8 + offset] = value;
    if (fixCrc) FixCrc(png, header);
    return png;
  };
  Bytes huge = good;
  for (std::size_t i = 0; i < 8; ++i) huge[static_cast<std::size_t>(header) + 8 + i] = i % 4 == 1 ? 0x01 : 0;  // 65536 x 65536
  FixCrc(huge, header);
  Bytes badSignature = good;
  badSignature[1] = 'Q';
  struct Case {
    const char* what;
    Bytes bytes;
    const char* text;
  } cases[] = {
      {"empty", Bytes{}, "Read Error"},
      {"signature", badSignature, "Not a PNG file"},
      {"header checksum", withHeaderByte(0, 0x7F, false), "IHDR: CRC error"},
      {"colour type 1", withHeaderByte(9, 1, true), "Invalid IHDR data"},
      {"bit depth 3", withHeaderByte(8, 3, true), "Invalid IHDR data"},
      {"cut in the image data", Bytes(good.begin(), good.begin() + FindChunk(good, "IDAT") + 12), "Read Error"},
      {"no end chunk", Bytes(good.begin(), good.end() - 12), "Read Error"},
      {"65536 x 65536 pixels", huge, "Image too large to decode"},
  };
  for (const Case& c : cases) {
    CImageFilePNG image;
    EXPECT_FALSE(DecodeBytes(image, c.bytes)) << c.what;
    EXPECT_STREQ(image.GetLastError(), c.text) << c.what;
  }
}

TEST(Png, CancelStopsTheDecode) {
  CImageFile picture(12, 9, 24, keImageFormatUnknown);
  CImageFilePNG image;
  image.SetEscape(1);
  EXPECT_FALSE(DecodeBytes(image, EncodeToBytes(picture, keImageFormatPNG)));
  EXPECT_STREQ(image.GetLastError(), "");
}

TEST(Png, WriteFailureIsReported) {
  TempDir dir;
  const std::string path = dir.Path("read-only.png");
  std::ofstream(path) << "x";
  FILE* file = std::fopen(path.c_str(), "rb");
  ASSERT_NE(file, nullptr);
  CImageFile image(64, 64, 24, keImageFormatUnknown);
  EXPECT_FALSE(image.Encode(file, keImageFormatPNG));
  EXPECT_STREQ(image.GetLastError(), "Error saving PNG file");
  std::fclose(file);
}

TEST(Png, ResourcePicturesDecodeThroughLoadResource) {
  CImageFile picture(17, 11, 24, keImageFormatUnknown);
  picture.SetPixelColor(3, 4, RGBQUAD{1, 2, 3, 0});
  static Bytes bytes;
  bytes = EncodeToBytes(picture, keImageFormatPNG);
  static BinaryResource table[1];
  table[0] = {"PNG", MAKEINTRESOURCE(3044), bytes.data(), static_cast<DWORD>(bytes.size())};
  HMODULE module = reinterpret_cast<HMODULE>(0x7124);
  platform::RegisterResourceTable(module, table, 1);
  HRSRC resource = FindResource(module, MAKEINTRESOURCE(3044), "PNG");
  CImageFile loaded;
  EXPECT_TRUE(loaded.LoadResource(resource, keImageFormatPNG, module)) << loaded.GetLastError();
  CImageFile fromMemory;
  EXPECT_TRUE(fromMemory.Decode(bytes.data(), static_cast<unsigned long>(bytes.size()), keImageFormatPNG));
  EXPECT_EQ(MaxDifference(FromImage(fromMemory), FromImage(loaded)), 0);
  EXPECT_EQ(MaxDifference(FromImage(picture), FromImage(loaded)), 0);
  platform::UnregisterResourceTable(module);
}
