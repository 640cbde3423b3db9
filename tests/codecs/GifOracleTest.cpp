// GIF against the oracle: its files decode frame by frame as it composes them, and what we write
// with each code emitter it reads back the same.
#include <gtest/gtest.h>

#include <string>

#include "codecs/ImageFile.h"
#include "codecs/ImageFileGIF.h"
#include "codecs/MemoryStream.h"
#include "tests/codecs/ImageMagick.h"
#include "tests/codecs/TempDir.h"

namespace {

struct GifCase {
  const char* what;
  const char*
      arguments;  // convert arguments before the output file; {src} is the test pattern, brackets are quoted
  int frames;
};

std::string WithSource(std::string arguments, const std::string& source) {
  for (std::size_t at; (at = arguments.find("{src}")) != std::string::npos;) {
    arguments.replace(at, 5, "'" + source + "'");
  }
  for (std::size_t at = 0; (at = arguments.find_first_of("()", at)) != std::string::npos; at += 3) {
    arguments.replace(at, 1, "'" + arguments.substr(at, 1) + "'");
  }
  return arguments;
}

// The oracle's composition of one frame: frame n first, then made a single picture.
std::string FrameOptions(int frame, const std::string& more = "") {
  std::string options = "-coalesce";
  if (frame > 0) options += " -delete 0-" + std::to_string(frame - 1);
  return options + " -delete 1--1 " + more;
}

void ExpectSamePicture(const std::string& file, const std::string& options, CImageFile& image, bool alpha,
                       const std::string& what) {
  ExpectSameAsOracle(file, options, image, {0, alpha ? 0 : kAlphaNotCompared}, what);
}

class GifOracle : public ::testing::TestWithParam<GifCase> {};

}  // namespace

TEST_P(GifOracle, TheirFramesDecodeAsTheyComposeThemAndOursReadBackTheSame) {
  if (!HaveImageMagick()) GTEST_SKIP() << "no oracle";
  const GifCase& c = GetParam();
  TempDir dir;
  const std::string source = dir.Path("source.ppm");
  const std::string file = dir.Path("oracle.gif");
  WritePpm(source, TestPattern(37, 23));
  ASSERT_TRUE(Convert(WithSource(c.arguments, source) + " '" + file + "'")) << c.what;
  for (int frame = 0; frame < c.frames; ++frame) {
    const std::string what = std::string(c.what) + " frame " + std::to_string(frame);
    CImageFile image;
    image.SetFrame(frame);
    ASSERT_TRUE(image.Load(file.c_str(), keImageFormatGIF)) << what << ": " << image.GetLastError();
    EXPECT_EQ(image.GetNumFrames(), c.frames) << what;
    ExpectSamePicture(file, FrameOptions(frame), image, true, what);
    for (unsigned long emitter : {0ul, 1ul, 2ul}) {
      const std::string ours = dir.Path("ours.gif");
      image.SetCodecOption(emitter, keImageFormatGIF);
      ASSERT_TRUE(image.Save(ours.c_str(), keImageFormatGIF)) << what << ": " << image.GetLastError();
      // A true-colour picture is written as tiles, which the oracle lays down one after another.
      ExpectSamePicture(ours, "-coalesce -reverse", image, image.GetPalette() != nullptr,
                        what + " written by us with emitter " + std::to_string(emitter));
    }
  }
  // Past the last frame: refused, and the number of frames still told.
  CImageFile past;
  past.SetFrame(c.frames);
  EXPECT_FALSE(past.Load(file.c_str(), keImageFormatGIF));
  EXPECT_EQ(past.GetNumFrames(), c.frames);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, GifOracle,
    ::testing::Values(
        GifCase{"8-bit", "{src} -colors 200", 1}, GifCase{"1-bit", "{src} -colors 2", 1},
        GifCase{"4-bit interlaced", "{src} -colors 16 -interlace GIF", 1},
        GifCase{"transparent", "{src} -fill yellow -draw 'rectangle 3,3 10,8' -transparent yellow -colors 50",
                1},
        GifCase{"kept frames with local tables",
                "-dispose None {src} -colors 64 ( {src} -negate -crop 12x9+4+5 -colors 32 ) "
                "( {src} -flop -crop 20x7+15+14 -colors 8 ) -loop 3",
                3},
        GifCase{
            "frames cleared to the background",
            "-dispose Background {src} -fill yellow -draw 'rectangle 0,0 5,5' -transparent yellow -colors 60 "
            "( {src} -negate -fill yellow -draw 'rectangle 3,3 20,15' -transparent yellow -colors 60 ) "
            "( {src} -fill yellow -draw 'rectangle 10,5 30,20' -transparent yellow -colors 60 )",
            3},
        GifCase{
            "frames restoring the previous picture",
            "-dispose None {src} -colors 64 -dispose Previous ( {src} -negate -crop 12x9+4+5 -colors 32 ) "
            "( {src} -flop -crop 20x7+15+14 -colors 8 )",
            3}),
    NameByWhat());

// An animation we write: the oracle reads each frame at its place; the loop count is kept.
TEST(GifOracle, OurAnimationsReadBackFrameByFrame) {
  if (!HaveImageMagick()) GTEST_SKIP() << "no oracle";
  TempDir dir;
  const std::string file = dir.Path("ours.gif");
  CImageFile frames[3];
  for (int n = 0; n < 3; ++n) {
    frames[n].Create(37, 23, 8, keImageFormatGIF);
    frames[n].SetStdPalette();
    for (long y = 0; y < 23; ++y) {
      for (long x = 0; x < 37; ++x) frames[n].SetPixelIndex(x, y, static_cast<unsigned char>(x * y + 40 * n));
    }
    frames[n].SetFrameDelay(10 * n);
  }
  CImageFile* images[3] = {&frames[0], &frames[1], &frames[2]};
  FILE* out = std::fopen(file.c_str(), "wb");
  ASSERT_TRUE(out);
  EXPECT_TRUE(frames[0].Encode(out, images, 3, keImageFormatGIF)) << frames[0].GetLastError();
  std::fclose(out);
  for (int n = 0; n < 3; ++n)
    ExpectSamePicture(file, FrameOptions(n), frames[n], true, "frame " + std::to_string(n));
}

// A true-colour picture goes out as 17 x 15 tiles and comes back whole.
TEST(Gif, TrueColourIsWrittenAsTilesAndReadBackWhole) {
  CImageFile image(20, 20, 24, 0);
  for (long y = 0; y < 20; ++y) {
    for (long x = 0; x < 20; ++x)
      image.SetPixelColor(x, y, RGBQUAD{BYTE(x * 9), BYTE(y * 7), BYTE(x + y), 0});
  }
  unsigned char* bytes = nullptr;
  long size = 0;
  ASSERT_TRUE(image.Encode(bytes, size, keImageFormatGIF));
  CImageFile back;
  ASSERT_TRUE(back.Decode(bytes, static_cast<unsigned long>(size), keImageFormatGIF));
  CImageFile::FreeMemory(bytes);
  EXPECT_EQ(back.GetNumFrames(), 4);
  EXPECT_EQ(MaxDifference(FromImage(back), FromImage(image)), 0);
}

TEST(Gif, LoopsCommentsAndHostileFiles) {
  // Loop counts 5 and 1 come back as 4 (written as the count less one) and 0 (none written).
  for (int loops : {5, 1}) {
    CImageFile frame(4, 4, 1, keImageFormatGIF);
    CImageFile* images[1] = {&frame};
    CImageFileGIF writer;
    writer.SetLoops(loops);
    std::string comment(300, 'c');
    writer.SetComment(comment.c_str());
    CMemoryStream memory;
    memory.Open();
    ASSERT_TRUE(writer.Encode(&memory, images, 1, false));
    memory.Seek(0, 0);
    CImageFileGIF reader;
    ASSERT_TRUE(reader.Decode(&memory));
    EXPECT_EQ(reader.GetLoops(), loops == 5 ? 4 : 0);
    char back[256];
    reader.GetComment(back);
    EXPECT_EQ(std::string(back), comment.substr(0, 255));
  }
  // Headers only: a code size past twelve bits, a frame larger than the screen (clipped), data cut
  // short.
  struct Hostile {
    const char* what;
    std::vector<unsigned char> bytes;
    int frames;
  };
  const std::vector<unsigned char> head = {'G',  'I', 'F', '8', '9', 'a', 2,   0,   1,  0,
                                           0x80, 0,   0,   0,   0,   0,   255, 255, 255};
  auto with = [&](std::vector<unsigned char> tail) {
    std::vector<unsigned char> all = head;
    all.insert(all.end(), tail.begin(), tail.end());
    return all;
  };
  const Hostile cases[] = {
      {"code size 12", with({0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0, 12, 2, 0xFF, 0xFF, 0, 0x3B}), 1},
      {"frame past the screen", with({0x2C, 0, 0, 0, 0, 3, 0, 1, 0, 0, 2, 1, 0x44, 0, 0x3B}), 1},
      {"cut short", with({0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0, 2, 9, 0x44}), 1},
      {"codes that loop", with({0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0x40, 2, 4, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0x3B}),
       1},
  };
  for (const Hostile& h : cases) {
    CImageFile image;
    const bool decoded = image.Decode(const_cast<unsigned char*>(h.bytes.data()),
                                      static_cast<unsigned long>(h.bytes.size()), keImageFormatGIF);
    EXPECT_EQ(decoded, h.frames > 0) << h.what;
    EXPECT_EQ(image.GetNumFrames(), h.frames) << h.what;
  }
}

// Alpha below half becomes the transparent index of every tile, for the oracle as for us; the
// picture saved is left as it was.
TEST(GifOracle, TrueColourAlphaBelowHalfIsWrittenTransparent) {
  if (!HaveImageMagick()) GTEST_SKIP() << "no oracle";
  CImageFile image(40, 20, 24, 0);
  image.AlphaCreate();
  for (long y = 0; y < 20; ++y) {
    for (long x = 0; x < 40; ++x) {
      image.SetPixelColor(x, y, RGBQUAD{BYTE(x * 6), BYTE(y * 12), 0, 0});
      image.AlphaSet(x, y, static_cast<BYTE>((x * 7 + y * 5) % 256));
    }
  }
  CImageFile before;
  before.Copy(image);
  TempDir dir;
  const std::string file = dir.Path("alpha.gif");
  ASSERT_TRUE(image.Save(file.c_str(), keImageFormatGIF)) << image.GetLastError();
  EXPECT_EQ(MaxDifference(FromImage(image), FromImage(before)), 0);
  for (long y = 0; y < 20; ++y) {
    for (long x = 0; x < 40; ++x) ASSERT_EQ(image.AlphaGet(x, y), before.AlphaGet(x, y));
  }
  CImageFile back;
  ASSERT_TRUE(back.Load(file.c_str(), keImageFormatGIF)) << back.GetLastError();
  for (long y = 0; y < 20; ++y) {
    for (long x = 0; x < 40; ++x) {
      ASSERT_EQ(back.IsTransparent(x, y), image.AlphaGet(x, y) < 128) << x << "," << y;
    }
  }
  ExpectSamePicture(file, "-coalesce -reverse", back, true, "alpha written as transparency");
}
