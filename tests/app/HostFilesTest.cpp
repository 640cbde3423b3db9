// The host's 16-bit files: a sample the filter leaves alone is saved with the value it was read
// with, though the host's range holds only half as many levels; TIFF is read at 16 bits as PNG is.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "AppFixture.h"
#include "host/ImageFiles.h"

namespace apptest {
namespace {

// Every 16-bit value once, as raw big-endian grey samples of a 256 x 256 image.
std::vector<char> EveryValue() {
  std::vector<char> raw;
  for (unsigned v = 0; v < 65536; ++v) raw.insert(raw.end(), {char(v >> 8), char(v & 255)});
  return raw;
}

std::vector<char> ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST(HostFiles, SixteenBitSamplesLeftAloneSaveAsRead) {
  const std::string raw = TempPath("every-value.gray"), png = TempPath("every-value.png"),
                    saved = TempPath("every-value-saved.png"), back = TempPath("every-value-back.gray");
  {
    const std::vector<char> values = EveryValue();
    std::ofstream(raw, std::ios::binary).write(values.data(), std::streamsize(values.size()));
  }
  ASSERT_EQ(std::system(("convert -size 256x256 -depth 16 -endian MSB gray:" + raw + " " + png).c_str()), 0);
  wfhost::HostImageBuffer image;
  std::string error;
  ASSERT_TRUE(wfhost::LoadHostImage(png, &image, &error)) << error;
  ASSERT_EQ(image.sampleBytes, 2);
  // One sample changed by the filter: saved as a value that reads back as its host sample.
  const std::uint16_t changed = 20000;
  std::memcpy(&image.pixels[2 * 1000], &changed, 2);
  ASSERT_TRUE(wfhost::SaveHostImage(saved, image, &error)) << error;
  ASSERT_EQ(std::system(("convert " + saved + " -depth 16 -endian MSB gray:" + back).c_str()), 0);

  std::vector<char> expected = EveryValue();
  const std::vector<char> got = ReadFile(back);
  ASSERT_EQ(got.size(), expected.size());
  const unsigned changedFileValue = unsigned(std::uint8_t(got[2000])) << 8 | std::uint8_t(got[2001]);
  EXPECT_EQ((changedFileValue * 32768u + 32767u) / 65535u, changed);
  expected[2000] = got[2000], expected[2001] = got[2001];
  EXPECT_TRUE(got == expected) << "samples left alone changed";
}

// Each kind of 16-bit grey or RGB TIFF loads as the 16-bit PNG the oracle makes of it (shown the
// right way up, without its alpha), sample for sample and with the same residues.
TEST(HostFiles, SixteenBitTiffLoadsAsSixteenBitPngDoes) {
  const std::string source = TempPath("tiff16-source.png"), tiff = TempPath("tiff16.tif"),
                    png = TempPath("tiff16.png");
  ASSERT_EQ(std::system(("convert -size 37x23 xc: -seed 1 +noise Random -depth 16 " + source).c_str()), 0);
  const char* kinds[] = {
      "-colorspace Gray -compress None",
      "-colorspace Gray -define quantum:polarity=min-is-white",
      "-compress LZW",
      "-compress Zip -define tiff:tile-geometry=16x16",
      "-interlace Plane",
      "-alpha set -channel A -fx 0.5 +channel",
      "-orient TopRight",
      "-orient BottomRight",
      "-orient BottomLeft -colorspace Gray",
      "-orient LeftTop",
      "-orient RightTop",
      "-orient RightBottom -compress LZW",
      "-orient LeftBottom -interlace Plane -define tiff:tile-geometry=16x16",
  };
  for (const char* kind : kinds) {
    SCOPED_TRACE(kind);
    ASSERT_EQ(std::system(("convert " + source + " " + kind + " -depth 16 TIFF:" + tiff).c_str()), 0);
    ASSERT_EQ(std::system(("convert " + tiff + " -auto-orient -alpha off -depth 16 PNG:" + png).c_str()), 0);
    wfhost::HostImageBuffer fromTiff, fromPng;
    std::string error;
    ASSERT_TRUE(wfhost::LoadHostImage(tiff, &fromTiff, &error)) << error;
    ASSERT_TRUE(wfhost::LoadHostImage(png, &fromPng, &error)) << error;
    EXPECT_EQ(fromTiff.sampleBytes, 2);
    EXPECT_EQ(fromTiff.mode, fromPng.mode);
    EXPECT_EQ(fromTiff.width, fromPng.width);
    EXPECT_EQ(fromTiff.height, fromPng.height);
    EXPECT_TRUE(fromTiff.pixels == fromPng.pixels);
    EXPECT_TRUE(fromTiff.fileResidue == fromPng.fileResidue);
  }
  // Kinds the host does not hold at 16 bits are refused, not read with 8.
  ASSERT_EQ(std::system(("convert " + source + " -colorspace CMYK -depth 16 TIFF:" + tiff).c_str()), 0);
  wfhost::HostImageBuffer image;
  std::string error;
  EXPECT_FALSE(wfhost::LoadHostImage(tiff, &image, &error));
  EXPECT_NE(error.find("16-bit TIFF"), std::string::npos) << error;
}

}  // namespace
}  // namespace apptest
