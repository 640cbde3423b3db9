// TIFF files the oracle does not make, or makes only on request: hostile sizes, alpha of every
// kind, the kinds we refuse.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "codecs/ImageFile.h"
#include "codecs/ImageFileTIF.h"
#include "tests/codecs/ImageMagick.h"
#include "tests/codecs/TempDir.h"
#include "tests/codecs/TiffBlock.h"

namespace {

struct Field {
  std::uint16_t tag;
  std::uint16_t type;  // 3 short, 4 long, 5 rational
  std::vector<std::uint32_t> values;
};

void Put(Bytes& out, std::uint64_t value, int size) {
  for (int i = 0; i < size; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// A little-endian file: header, the pixel data at offset 8, one directory of the fields (in
// tag order), then the values that do not fit an entry.
Bytes TiffFile(const std::vector<Field>& fields, const Bytes& data) {
  Bytes file = {'I', 'I', 42, 0};
  const std::size_t directory = 8 + data.size() + data.size() % 2;
  Put(file, directory, 4);
  file.insert(file.end(), data.begin(), data.end());
  file.resize(directory);
  Put(file, fields.size(), 2);
  std::size_t outside = directory + 2 + 12 * fields.size() + 4;
  Bytes values;
  for (const Field& f : fields) {
    const int size = f.type == 3 ? 2 : f.type == 4 ? 4 : 8;
    Bytes bytes;
    for (std::uint32_t v : f.values) Put(bytes, f.type == 5 ? v | std::uint64_t{1} << 32 : v, size);
    Put(file, f.tag, 2);
    Put(file, f.type, 2);
    Put(file, f.values.size(), 4);
    if (bytes.size() <= 4) {
      bytes.resize(4);
      file.insert(file.end(), bytes.begin(), bytes.end());
    } else {
      Put(file, outside + values.size(), 4);
      values.insert(values.end(), bytes.begin(), bytes.end());
    }
  }
  Put(file, 0, 4);
  file.insert(file.end(), values.begin(), values.end());
  return file;
}

// The largest resident size since the last reset, in MiB.
long PeakMiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6)) / 1024;
  }
  return -1;
}

bool ResetPeak() { return static_cast<bool>(std::ofstream("/proc/self/clear_refs") << "5"); }

}  // namespace

TEST(Tiff, ASmallFileClaimingAHugePictureIsRefusedBeforeItsBuffersAreMade) {
  const std::uint32_t side = 16384;
  const Bytes data(6, 0);
  const std::uint32_t none = 1, lzw = 5, fax4 = 4;
  struct Case {
    const char* what;
    std::uint32_t compression;
    std::uint32_t samples;
    std::uint32_t bytes;  // the strip's byte count
    const char* text;
  } cases[] = {
      {"strip past the end", none, 3, side * side * 3, "the file ends early"},
      {"too little data for its compression", lzw, 3, 6, "Corrupted TIFF file!"},
      {"too little data for its rows", fax4, 1, 6, "Corrupted TIFF file!"},
  };
  for (const Case& c : cases) {
    const Bytes file = TiffFile({{256, 4, {side}},
                                 {257, 4, {side}},
                                 {258, 3, {c.samples == 1 ? 1u : 8u}},
                                 {259, 3, {c.compression}},
                                 {262, 3, {c.samples == 1 ? 0u : 2u}},
                                 {273, 4, {8}},
                                 {277, 3, {c.samples}},
                                 {278, 4, {side}},
                                 {279, 4, {c.bytes}}},
                                data);
    CImageFileTIF image;
    const bool reset = ResetPeak();
    const long before = PeakMiB();
    EXPECT_FALSE(DecodeBytes(image, file)) << c.what;
    EXPECT_STREQ(image.GetLastError(), c.text) << c.what;
    if (reset) {
      EXPECT_LT(PeakMiB() - before, 64) << c.what;
    }
  }
}

TEST(Tiff, CmykHasNoAlpha) {
  if (!HaveImageMagick()) GTEST_SKIP() << "no oracle";
  TempDir dir;
  const std::string source = dir.Path("source.ppm");
  const std::string file = dir.Path("cmyk.tif");
  WritePpm(source, TestPattern(17, 9));
  ASSERT_TRUE(Convert("'" + source + "' -colorspace CMYK '" + file + "'"));
  CImageFile image;
  ASSERT_TRUE(image.Load(file.c_str(), keImageFormatTIF)) << image.GetLastError();
  EXPECT_FALSE(image.AlphaIsValid());
  EXPECT_LE(MaxDifference(FromImage(image), ReadWithImageMagick(file)), 2);
}

TEST(Tiff, AResolutionPastTheRangeSaturates) {
  const Bytes file = TiffFile({{256, 4, {1}},
                               {257, 4, {1}},
                               {258, 3, {8}},
                               {259, 3, {1}},
                               {262, 3, {1}},
                               {273, 4, {8}},
                               {277, 3, {1}},
                               {278, 4, {1}},
                               {279, 4, {1}},
                               {282, 5, {4290000000u}},
                               {283, 5, {4290000000u}}},
                              Bytes{0x80});
  CImageFileTIF image;
  ASSERT_TRUE(DecodeBytes(image, file)) << image.GetLastError();
  EXPECT_EQ(image.GetXDPI(), 2147483647);
  EXPECT_EQ(image.GetYDPI(), 2147483647);
}

TEST(Tiff, KindsNotReadAreRefusedAsNotSupported) {
  struct Case {
    std::uint32_t photometric, samples, bits, format;  // format 1 integer, 3 floating point
    const char* text;
  } cases[] = {
      {1, 1, 32, 3, "Floating point TIFF samples not supported"},
      {2, 3, 16, 3, "Floating point TIFF samples not supported"},
      {1, 1, 32, 1, "TIFF samples of more than 16 bits not supported"},
      {5, 4, 16, 1, "16-bit CMYK TIFF not supported"},
      {3, 1, 16, 1, "16-bit palette TIFF not supported"},
  };
  for (const Case& c : cases) {
    const std::vector<std::uint32_t> bits(c.samples, c.bits);
    std::vector<Field> fields = {{256, 4, {1}},
                                 {257, 4, {1}},
                                 {258, 3, bits},
                                 {259, 3, {1}},
                                 {262, 3, {c.photometric}},
                                 {273, 4, {8}},
                                 {277, 3, {c.samples}},
                                 {278, 4, {1}},
                                 {279, 4, {c.samples * c.bits / 8}}};
    // A palette has three tables of an entry for every value a sample can take.
    if (c.photometric == 3) fields.push_back({320, 3, std::vector<std::uint32_t>(3u << c.bits, 0x4000)});
    fields.push_back({339, 3, std::vector<std::uint32_t>(c.samples, c.format)});
    const Bytes file = TiffFile(fields, Bytes(16, 0x40));
    CImageFileTIF image;
    EXPECT_FALSE(DecodeBytes(image, file)) << c.text;
    EXPECT_STREQ(image.GetLastError(), c.text);
  }
}
