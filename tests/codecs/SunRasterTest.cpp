// Sun raster pictures coded by runs, which the oracle reads but does not write: coded here, with
// runs that go on across rows and a literal escape byte, and cut or broken off by hostile files.
#include <gtest/gtest.h>

#include <string>

#include "codecs/ImageFile.h"
#include "tests/codecs/ImageMagick.h"
#include "tests/codecs/TempDir.h"
#include "tests/codecs/TiffBlock.h"

namespace {

constexpr unsigned char kEscape = 0x80;
constexpr unsigned kStandardType = 1;
constexpr unsigned kRunType = 2;

// Three or more equal bytes, and every escape byte, as a run; the rest as they are.
Bytes RunCoded(const Bytes& raw) {
  Bytes coded;
  for (std::size_t i = 0; i < raw.size();) {
    const unsigned char value = raw[i];
    std::size_t n = 1;
    while (i + n < raw.size() && raw[i + n] == value && n < 256) ++n;
    if (value == kEscape && n == 1) {
      coded.insert(coded.end(), {kEscape, 0});
    } else if (n >= 3 || value == kEscape) {
      coded.insert(coded.end(), {kEscape, static_cast<unsigned char>(n - 1), value});
    } else {
      coded.insert(coded.end(), n, value);
    }
    i += n;
  }
  return coded;
}

void PutBE32(Bytes& bytes, unsigned value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<unsigned char>(value >> shift));
}

Bytes SunRaster(unsigned width, unsigned height, unsigned depth, const Bytes& map, const Bytes& data,
                unsigned type = kRunType) {
  Bytes file;
  for (unsigned field : {0x59A66A95u, width, height, depth, static_cast<unsigned>(data.size()), type,
                         map.empty() ? 0u : 1u, static_cast<unsigned>(map.size())}) {
    PutBE32(file, field);
  }
  file.insert(file.end(), map.begin(), map.end());
  file.insert(file.end(), data.begin(), data.end());
  return file;
}

// Rows padded to 16 bits: a first third of zeros, one long run across rows; then a pattern with
// escape bytes alone and in runs.
Bytes Picture(unsigned width, unsigned height, unsigned depth) {
  const std::size_t rowBytes = (std::size_t{width} * depth + 15) / 16 * 2;
  Bytes raw(rowBytes * height, 0);
  for (std::size_t i = raw.size() / 3; i < raw.size(); ++i)
    raw[i] = i % 11 == 0 ? kEscape : static_cast<unsigned char>(i / 5 * 7);
  return raw;
}

struct RunCase {
  const char* what;
  unsigned depth;
  bool map;
};

class SunRuns : public ::testing::TestWithParam<RunCase> {};

}  // namespace

TEST_P(SunRuns, DecodeToTheOraclesPixels) {
  if (!HaveImageMagick()) GTEST_SKIP() << "no oracle";
  const RunCase& c = GetParam();
  Bytes map;
  for (int i = 0; c.map && i < 3 * 256; ++i) map.push_back(static_cast<unsigned char>(i * 5));
  TempDir dir;
  // The oracle reads coded rows without their pads, and coded colour red first as if it were of
  // the RGB type: those it is shown uncoded.
  for (unsigned width : {37u, 38u}) {
    const Bytes raw = Picture(width, 23, c.depth);
    const Bytes coded = SunRaster(width, 23, c.depth, map, RunCoded(raw));
    const bool oracleReadsCoded = width % 2 == 0 && c.depth <= 8;
    const std::string path = dir.Path("picture.ras");
    WriteFile(path, oracleReadsCoded ? coded : SunRaster(width, 23, c.depth, map, raw, kStandardType));
    CImageFile image;
    ASSERT_TRUE(DecodeBytes(image, coded, keImageFormatRAS)) << width << ": " << image.GetLastError();
    EXPECT_EQ(MaxDifference(FromImage(image), ReadWithImageMagick("SUN:" + path)), 0) << width;
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, SunRuns,
                         ::testing::Values(RunCase{"bits", 1, false}, RunCase{"grey", 8, false},
                                           RunCase{"palette", 8, true}, RunCase{"colour", 24, false},
                                           RunCase{"colour and pad", 32, false}),
                         NameByWhat());

TEST(SunRuns, RunsPastThePictureAreCutAndShortDataFails) {
  // 9 x 4 pixels of 8 bits are 40 bytes with the rows' pads; a run of 256 is cut there.
  CImageFile cut;
  ASSERT_TRUE(DecodeBytes(cut, SunRaster(9, 4, 8, {}, {kEscape, 255, 7}), keImageFormatRAS))
      << cut.GetLastError();
  EXPECT_EQ(cut.GetPixelIndex(8, 0), 7);

  const Bytes coded = RunCoded(Picture(9, 4, 8));
  CImageFile whole;
  ASSERT_TRUE(DecodeBytes(whole, SunRaster(9, 4, 8, {}, coded), keImageFormatRAS)) << whole.GetLastError();
  for (std::size_t drop : {1, 2, 4}) {
    const Bytes shorter(coded.begin(), coded.end() - static_cast<long>(drop));
    CImageFile broken;
    EXPECT_FALSE(DecodeBytes(broken, SunRaster(9, 4, 8, {}, shorter), keImageFormatRAS)) << drop;
    EXPECT_STRNE(broken.GetLastError(), "") << drop;
  }
}
