#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "codecs/ExifInfo.h"
#include "codecs/ImageFileJPG.h"
#include "codecs/MemoryStream.h"
#include "tests/codecs/ImageMagick.h"
#include "tests/codecs/TempDir.h"
#include "tests/codecs/TiffBlock.h"

// After our headers: the library's TRUE and FALSE must not replace the platform's.
#include <jpeglib.h>

namespace {

bool HaveLibjpegTools() { return access("/usr/bin/cjpeg", X_OK) == 0 && access("/usr/bin/djpeg", X_OK) == 0; }

bool RunTool(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()) == 0; }

double MeanDifference(const RgbPicture& a, const RgbPicture& b) {
  if (a.rgb.size() != b.rgb.size() || a.rgb.empty()) return 1e9;
  double sum = 0;
  for (std::size_t i = 0; i < a.rgb.size(); ++i) sum += std::abs(a.rgb[i] - b.rgb[i]);
  return sum / static_cast<double>(a.rgb.size());
}

// The libjpeg tools' own decoding of a file, or an empty picture.
RgbPicture Djpeg(const TempDir& dir, const std::string& jpeg) {
  const std::string pnm = dir.Path("djpeg.pnm");
  std::remove(pnm.c_str());
  // Exit status 2 means warnings, such as the early end of a truncated file.
  RunTool("/usr/bin/djpeg -pnm -outfile '" + pnm + "' '" + jpeg + "'");
  return ReadWithImageMagick(pnm);
}

struct WriterCase {
  const char* what;
  const char* command;  // %s: the source picture, %o: the JPEG to write
  int bpp;
};

std::string Fill(std::string command, const std::string& source, const std::string& output) {
  command.replace(command.find("%s"), 2, "'" + source + "'");
  command.replace(command.find("%o"), 2, "'" + output + "'");
  return command;
}

const WriterCase kWriters[] = {
    {"cjpeg baseline", "/usr/bin/cjpeg -quality 85 -outfile %o %s", 24},
    {"cjpeg grey", "/usr/bin/cjpeg -grayscale -outfile %o %s", 8},
    {"cjpeg progressive", "/usr/bin/cjpeg -progressive -outfile %o %s", 24},
    {"cjpeg restart markers", "/usr/bin/cjpeg -restart 1 -outfile %o %s", 24},
    {"cjpeg arithmetic coding", "/usr/bin/cjpeg -arithmetic -outfile %o %s", 24},
    {"cjpeg optimised 4:4:4", "/usr/bin/cjpeg -optimize -sample 1x1 -outfile %o %s", 24},
    {"convert 4:2:0", "/usr/bin/convert %s -sampling-factor 2x2 -quality 80 JPEG:%o", 24},
    {"convert progressive grey", "/usr/bin/convert %s -colorspace Gray -interlace JPEG JPEG:%o", 8},
};

class JpegFromOtherWriters : public ::testing::TestWithParam<WriterCase> {};

}  // namespace

TEST(JpegTools, AreInstalled) {
  ASSERT_TRUE(HaveLibjpegTools()) << "install the Debian package libjpeg-turbo-progs (make test does)";
}

TEST_P(JpegFromOtherWriters, DecodeAsTheLibraryToolsAndImageMagickDo) {
  if (!HaveLibjpegTools() || !HaveImageMagick()) GTEST_SKIP() << "no oracle";
  const WriterCase& c = GetParam();
  TempDir dir;
  const std::string source = dir.Path("source.ppm");
  const std::string jpeg = dir.Path("file.jpg");
  WritePpm(source, TestPattern(37, 23));
  ASSERT_TRUE(RunTool(Fill(c.command, source, jpeg))) << c.what;

  CImageFileJPG image;
  ASSERT_TRUE(DecodeBytes(image, ReadFile(jpeg))) << c.what << ": " << image.GetLastError();
  EXPECT_EQ(image.GetBpp(), c.bpp) << c.what;
  const RgbPicture ours = FromImage(image);
  EXPECT_LE(MaxDifference(Djpeg(dir, jpeg), ours), 1) << c.what;
  EXPECT_LE(MaxDifference(ReadWithImageMagick(jpeg), ours), 1) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Writers, JpegFromOtherWriters, ::testing::ValuesIn(kWriters), NameByWhat());

TEST(Jpeg, CmykDecodesAsInvertedInkTimesBlack) {
  if (!HaveImageMagick()) GTEST_SKIP() << "no oracle";
  TempDir dir;
  const std::string source = dir.Path("source.ppm");
  const std::string jpeg = dir.Path("cmyk.jpg");
  WritePpm(source, TestPattern(20, 9));
  ASSERT_TRUE(Convert("'" + source + "' -colorspace CMYK -quality 95 JPEG:'" + jpeg + "'"));
  CImageFileJPG image;
  ASSERT_TRUE(DecodeBytes(image, ReadFile(jpeg))) << image.GetLastError();
  EXPECT_EQ(image.GetBpp(), 24);
  EXPECT_LE(MaxDifference(ReadWithImageMagick(jpeg), FromImage(image)), 2);
}

TEST(Jpeg, TruncatedStreamsDecodeWhatIsThere) {
  if (!HaveLibjpegTools()) GTEST_SKIP() << "no oracle";
  TempDir dir;
  const std::string source = dir.Path("source.ppm");
  WritePpm(source, TestPattern(64, 48));
  for (const char* options : {"", "-progressive"}) {
    const std::string jpeg = dir.Path("whole.jpg");
    const std::string cut = dir.Path("cut.jpg");
    ASSERT_TRUE(
        RunTool(std::string("/usr/bin/cjpeg ") + options + " -outfile '" + jpeg + "' '" + source + "'"));
    Bytes bytes = ReadFile(jpeg);
    bytes.resize(bytes.size() * 3 / 5);
    WriteFile(cut, bytes);
    CImageFileJPG image;
    ASSERT_TRUE(DecodeBytes(image, bytes)) << options << ": " << image.GetLastError();
    EXPECT_EQ(MaxDifference(Djpeg(dir, cut), FromImage(image)), 0) << options;
  }
}

TEST(Jpeg, StreamsThatAreNotJpegFailWithTheLibrarysText) {
  struct Case {
    const char* what;
    Bytes bytes;
    long escape;
    const char* text;
  } cases[] = {
      {"empty", Bytes{}, 0, "Empty input file"},
      {"PNG signature", Bytes{0x89, 'P', 'N', 'G', 13, 10, 26, 10}, 0,
       "Not a JPEG file: starts with 0x89 0x50"},
      {"no frame", Bytes{0xFF, 0xD8, 0xFF, 0xD9}, 0, "JPEG datastream contains no image"},
      {"cancelled", SmallJpeg(8, 8), 1, ""},
  };
  for (Case& c : cases) {
    CImageFileJPG image;
    image.SetEscape(c.escape);
    EXPECT_FALSE(DecodeBytes(image, c.bytes)) << c.what;
    EXPECT_STREQ(image.GetLastError(), c.text) << c.what;
    EXPECT_EQ(image.IsValid(), c.escape != 0) << c.what;  // a cancel comes after the picture was made
  }
}

TEST(Jpeg, ScaleMapsToEighths) {
  const Bytes jpeg = SmallJpeg(37, 23);
  struct Case {
    unsigned char scale;
    unsigned long width, height;
  } cases[] = {{0, 37, 23}, {1, 37, 23}, {2, 19, 12}, {3, 19, 12},
               {4, 10, 6},  {7, 10, 6},  {8, 5, 3},   {200, 5, 3}};
  for (const Case& c : cases) {
    for (bool sizeOnly : {true, false}) {
      CImageFileJPG image;
      image.SetJpegScale(c.scale);
      if (sizeOnly) image.SetEscape(-1);
      ASSERT_TRUE(DecodeBytes(image, jpeg)) << image.GetLastError();
      EXPECT_EQ(image.GetWidth(), c.width) << int{c.scale};
      EXPECT_EQ(image.GetHeight(), c.height) << int{c.scale};
      EXPECT_EQ(image.IsValid(), !sizeOnly);
    }
  }
}

TEST(Jpeg, DensityFromTheJfifSegment) {
  if (!HaveImageMagick()) GTEST_SKIP() << "no oracle";
  struct Case {
    const char* options;
    long dpi;
  } cases[] = {{"-units PixelsPerCentimeter -density 118", 300},
               {"-units PixelsPerInch -density 200", 200},
               {"-units Undefined -density 2", 96}};
  TempDir dir;
  const std::string source = dir.Path("source.ppm");
  WritePpm(source, TestPattern(8, 8));
  for (const Case& c : cases) {
    const std::string jpeg = dir.Path("dense.jpg");
    ASSERT_TRUE(Convert("'" + source + "' " + c.options + " JPEG:'" + jpeg + "'"));
    CImageFileJPG image;
    ASSERT_TRUE(DecodeBytes(image, ReadFile(jpeg))) << image.GetLastError();
    EXPECT_EQ(image.GetXDPI(), c.dpi) << c.options;
    EXPECT_EQ(image.GetYDPI(), c.dpi) << c.options;
  }
}

TEST(Jpeg, EncodeOptionsChooseTheProcess) {
  struct Case {
    const char* what;
    unsigned long options;
    int process;
    int isColor;
  } cases[] = {{"baseline", 0x01, 0xC0, 1},         {"optimised", 0x08, 0xC0, 1},
               {"progressive", 0x10, 0xC2, 1},      {"arithmetic", 0x02, 0xC9, 1},
               {"grey from colour", 0x04, 0xC0, 0}, {"smoothed", 0x40, 0xC0, 1}};
  Bytes original = SmallJpeg(33, 17);
  CImageFile source;
  source.Decode(original.data(), static_cast<unsigned long>(original.size()), keImageFormatJPG);
  ASSERT_TRUE(source.IsValid());
  for (const Case& c : cases) {
    CImageFile image(source);
    image.SetCodecOption(c.options, keImageFormatJPG);
    image.SetJpegQuality(100);
    Bytes bytes = EncodeToBytes(image, keImageFormatJPG);
    CImageFileJPG again;
    ASSERT_TRUE(DecodeBytes(again, bytes)) << c.what << ": " << again.GetLastError();
    EXPECT_EQ(again.GetExifInfo().Process, c.process) << c.what;
    EXPECT_EQ(again.GetExifInfo().IsColor, c.isColor) << c.what;
    if (c.isColor) {
      // Colour is kept at half resolution: sharp colour edges cost more than grey ones.
      EXPECT_LE(MaxDifference(FromImage(source), FromImage(again)), 20) << c.what;
    }
  }
}

TEST(Jpeg, GreyPicturesAreThoseWithTheGreyRampAsPalette) {
  struct Case {
    const char* what;
    unsigned long bpp;
    bool ramp;  // entry i is grey i; otherwise the usual grey palette of the depth
    bool encodes;
  } cases[] = {{"8 bits, ramp", 8, true, true},
               {"4 bits, ramp", 4, true, true},
               {"4 bits, grey palette", 4, false, false},
               {"1 bit, grey palette", 1, false, false},
               {"8 bits, colour palette", 8, false, false}};
  for (const Case& c : cases) {
    CImageFile image(23, 7, c.bpp, keImageFormatUnknown);
    if (c.bpp == 8 && !c.ramp) {
      image.SetStdPalette();
    } else {
      image.SetGrayPalette();
    }
    const unsigned long colors = image.GetNumColors();
    for (unsigned long i = 0; c.ramp && i < colors; ++i) {
      const BYTE grey = static_cast<BYTE>(i);
      image.SetPaletteColor(static_cast<unsigned char>(i), grey, grey, grey);
    }
    for (long y = 0; y < 7; ++y) {
      for (long x = 0; x < 23; ++x) image.SetPixelIndex(x, y, static_cast<BYTE>((x / 4 + y) % colors));
    }
    image.SetJpegQuality(100);
    const Bytes bytes = EncodeToBytes(image, keImageFormatJPG);
    ASSERT_EQ(!bytes.empty(), c.encodes) << c.what << ": " << image.GetLastError();
    if (!c.encodes) {
      EXPECT_STREQ(image.GetLastError(), "JPEG can save only RGB or GreyScale images") << c.what;
      continue;
    }
    CImageFileJPG again;
    ASSERT_TRUE(DecodeBytes(again, bytes)) << again.GetLastError();
    EXPECT_EQ(again.GetBpp(), 8);
    int worst = 0;
    for (long y = 0; y < 7; ++y) {
      for (long x = 0; x < 23; ++x) {
        worst = std::max(worst, std::abs(image.GetPixelGray(x, y) - again.GetPixelGray(x, y)));
      }
    }
    EXPECT_LE(worst, 2) << c.what;
  }
}

TEST(Jpeg, TooManyProgressiveScansAreRefused) {
  if (!HaveLibjpegTools()) GTEST_SKIP() << "no oracle";
  TempDir dir;
  const std::string source = dir.Path("source.ppm");
  WritePpm(source, TestPattern(16, 16));
  // The DC scan, then one scan a coefficient and component: 100 scans, the most cjpeg writes.
  std::string script = "0,1,2: 0-0, 0, 0;\n";
  for (int c = 0; c < 3; ++c) {
    for (int k = 1; k <= 33; ++k) {
      script += std::to_string(c) + ": " + std::to_string(k) + "-" + std::to_string(k) + ", 0, 0;\n";
    }
  }
  const std::string scans = dir.Path("scans.txt");
  const std::string jpeg = dir.Path("scans.jpg");
  std::ofstream(scans) << script;
  ASSERT_TRUE(RunTool("/usr/bin/cjpeg -scans '" + scans + "' -outfile '" + jpeg + "' '" + source + "'"));
  Bytes bytes = ReadFile(jpeg);
  CImageFileJPG image;
  EXPECT_TRUE(DecodeBytes(image, bytes)) << image.GetLastError();

  // The last scan once more, before the end-of-image marker: scan 101.
  std::size_t last = bytes.size() - 2;
  while (last > 0 && !(bytes[last] == 0xFF && bytes[last + 1] == 0xDA)) --last;
  const Bytes scan(bytes.begin() + static_cast<long>(last), bytes.end() - 2);
  bytes.insert(bytes.end() - 2, scan.begin(), scan.end());
  CImageFileJPG refused;
  EXPECT_FALSE(DecodeBytes(refused, bytes));
  EXPECT_STREQ(refused.GetLastError(), "Too many progressive scans");
}

TEST(Jpeg, LoadThumbnailTakesAThumbnailThatFitsThePicture) {
  struct Case {
    const char* what;
    long thumbWidth, thumbHeight;
    unsigned long width, height;  // of the loaded image
  } cases[] = {{"landscape thumbnail", 8, 6, 8, 6},
               {"square thumbnail", 6, 6, 6, 6},
               {"portrait thumbnail of a landscape picture", 6, 8, 32, 16}};
  TempDir dir;
  for (const Case& c : cases) {
    TiffBlock block(false);
    const int ifd1 = block.AddDirectory();
    block.Next(0, ifd1);
    block.Thumbnail(ifd1, SmallJpeg(c.thumbWidth, c.thumbHeight));
    const std::string path = dir.Path("camera.jpg");
    WriteFile(path, InsertAfterStart(SmallJpeg(32, 16), Segment(0xE1, block.Build())));
    CImageFileJPG image;
    SIZE size{0, 0};
    ASSERT_TRUE(image.LoadThumbnail(path.c_str(), size, 50, 50)) << c.what << ": " << image.GetLastError();
    EXPECT_EQ(image.GetWidth(), c.width) << c.what;
    EXPECT_EQ(image.GetHeight(), c.height) << c.what;
    if (c.width != 32) {
      EXPECT_EQ(size.cx, 32) << c.what;
      EXPECT_EQ(size.cy, 16) << c.what;
    }
    // A copy has its own sections for the thumbnail to point into.
    CImageFileJPG copy(image);
    image = CImageFileJPG();
    if (copy.GetExifInfo().ThumbnailPointer) {
      CMemoryStream thumbnail(copy.GetExifInfo().ThumbnailPointer, copy.GetExifInfo().ThumbnailSize);
      CImageFileJPG decoded;
      EXPECT_TRUE(decoded.Decode(&thumbnail, false)) << c.what;
    }
  }
  CImageFileJPG image;
  SIZE size{0, 0};
  EXPECT_FALSE(image.LoadThumbnail(dir.Path("missing.jpg").c_str(), size, 50, 50));
}

TEST(Jpeg, DecodeOptionsShapeTheOutput) {
  const Bytes jpeg = SmallJpeg(40, 24);
  CImageFileJPG plain;
  ASSERT_TRUE(DecodeBytes(plain, jpeg));
  struct Case {
    const char* what;
    unsigned long options;
    unsigned char colours;  // the quantiser's number of colours comes from the quality
    int bpp;
    double tolerance;  // mean difference from the plain decode
  } cases[] = {{"grey", 0x80, 90, 8, 255},
               {"16 colours", 0x100, 16, 8, 16},
               {"16 colours in one pass from a colour cube", 0x100 | 0x200 | 0x400, 16, 8, 100},
               {"no fancy upsampling", 0x800, 90, 24, 5}};
  for (const Case& c : cases) {
    CImageFileJPG image;
    image.SetCodecOption(c.options, keImageFormatJPG);
    image.SetJpegQuality(c.colours);
    ASSERT_TRUE(DecodeBytes(image, jpeg)) << c.what << ": " << image.GetLastError();
    EXPECT_EQ(image.GetBpp(), c.bpp) << c.what;
    EXPECT_LE(MeanDifference(FromImage(plain), FromImage(image)), c.tolerance) << c.what;
    if (c.options & 0x100) {
      // Only the quantiser's colours are used.
      for (long y = 0; y < 24; ++y) {
        for (long x = 0; x < 40; ++x) ASSERT_LT(image.GetPixelIndex(x, y), c.colours) << c.what;
      }
    }
    if (c.options == 0x80) {
      EXPECT_TRUE(image.IsGrayScale());
      const RGBQUAD p = plain.GetPixelColor(7, 5, false);
      EXPECT_NEAR(image.GetPixelIndex(7, 5), (77 * p.rgbRed + 150 * p.rgbGreen + 29 * p.rgbBlue) / 256, 2);
    }
  }
}

TEST(Jpeg, TwoComponentFilesAreRefused) {
  // Written with the library itself: no tool writes such files.
  jpeg_compress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = 8;
  cinfo.image_height = 8;
  cinfo.input_components = 2;
  cinfo.in_color_space = JCS_UNKNOWN;
  jpeg_set_defaults(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  unsigned char row[16] = {};
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW rows[1] = {row};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  const Bytes jpeg(buffer, buffer + size);
  std::free(buffer);
  CImageFileJPG image;
  EXPECT_FALSE(DecodeBytes(image, jpeg));
  EXPECT_STREQ(image.GetLastError(), "JPEG color space not supported");
}

// The caller's rows, top first and apart by a pitch of their own or each where a list points,
// give the bytes a picture of the same pixels gives, colour, grey and blue-first with a fourth
// byte, with the encoder's settings.
TEST(Jpeg, CallersRowsEncodeAsAPictureOfTheSamePixels) {
  const unsigned width = 29, height = 13;
  using Order = CImageFileJPG::ColourOrder;
  const struct {
    bool grey;
    Order order;
    bool listed;
  } layouts[] = {{false, Order::kRgb, false},
                 {true, Order::kRgb, false},
                 {false, Order::kBgr, false},
                 {false, Order::kBgrx, true},
                 {true, Order::kBgrx, true}};
  for (const auto& layout : layouts) {
    const bool blueFirst = !layout.grey && layout.order != Order::kRgb;
    const unsigned components = layout.grey ? 1 : layout.order == Order::kBgrx ? 4 : 3;
    const long pitch = long(components * width) + 5;
    std::vector<BYTE> rows(std::size_t(pitch) * height, 0xEE);
    std::vector<const BYTE*> list(height);
    CImageFile picture(width, height, layout.grey ? 8 : 24, keImageFormatUnknown);
    if (layout.grey) picture.SetGrayPalette();
    for (unsigned y = 0; y < height; ++y) {
      BYTE* bitmapRow = picture.GetBits(height - 1 - y);
      // Listed rows lie bottom first: only the list finds them.
      BYTE* row = rows.data() + std::size_t(pitch) * (layout.listed ? height - 1 - y : y);
      list[y] = row;
      for (unsigned x = 0; x < width; ++x) {
        const BYTE rgb[3] = {BYTE(x * 8), BYTE(y * 19), BYTE((x * y) % 256)};
        for (unsigned c = 0; c < std::min(components, 3u); ++c) {
          row[components * x + (blueFirst ? 2 - c : c)] = rgb[c];
          bitmapRow[(layout.grey ? 1 : 3) * x + (layout.grey ? 0 : 2 - c)] = rgb[c];
        }
      }
    }
    picture.SetJpegQuality(75);
    const Bytes expected = EncodeToBytes(picture, keImageFormatJPG);
    ASSERT_FALSE(expected.empty()) << picture.GetLastError();

    CImageFileJPG encoder;
    encoder.SetJpegQuality(75);
    CMemoryStream stream;
    ASSERT_TRUE(stream.Open());
    CImageFileJPG::SourceRows source{
        layout.listed ? nullptr : rows.data(), pitch, width, height, layout.grey, layout.order,
        layout.listed ? list.data() : nullptr};
    ASSERT_TRUE(encoder.EncodeFrom(source, &stream)) << encoder.GetLastError();
    const BYTE* written = stream.GetBuffer(false);
    EXPECT_TRUE(Bytes(written, written + stream.Size()) == expected)
        << layout.grey << int(layout.order) << layout.listed;
  }
  CImageFileJPG encoder;
  CMemoryStream stream;
  ASSERT_TRUE(stream.Open());
  EXPECT_FALSE(encoder.EncodeFrom({nullptr, 3, 1, 1, false}, &stream));
  EXPECT_STREQ(encoder.GetLastError(), "no rows to encode");
}
