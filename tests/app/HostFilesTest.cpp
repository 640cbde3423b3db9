// The host's 16-bit files: a sample the filter leaves alone is saved with the value it was read
// with, though the host's range holds only half as many levels.
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

}  // namespace
}  // namespace apptest
