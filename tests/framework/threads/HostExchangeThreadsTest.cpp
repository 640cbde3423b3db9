// The exchange with the host's buffers runs in row bands across the pool: the same bytes for any
// count of threads, and a selection's unselected pixels go back to the host untouched, also
// when the host hands one buffer for input and output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "core/RowThreads.h"
#include "framework/HostImage.h"

namespace framework {
namespace {

struct Mode {
  std::int16_t mode;
  int planes, sampleBytes;
};

// A ring: the box is (30, 20) .. (230, 180), with a hole of (90, 60) .. (170, 140).
bool Selected(int x, int y) {
  const bool box = x >= 30 && x < 230 && y >= 20 && y < 180;
  const bool hole = x >= 90 && x < 170 && y >= 60 && y < 140;
  return box && !hole;
}

struct Exchange {
  std::vector<std::uint8_t> out;
  std::vector<std::uint8_t> source;  // the core image as read
  RECT box{};
};

// Reads, turns every core byte to its complement, and writes back; into a buffer of its own, or,
// inPlace, over a copy of the input that is the input buffer too.
Exchange RunExchange(const Mode& m, const std::vector<std::uint8_t>& in,
                     const std::vector<std::uint8_t>& mask, int threads, bool inPlace = false,
                     bool channelsAlike = false) {
  constexpr int kWidth = 260, kHeight = 200;
  const corvel::RowThreads::ScopedCount count(threads);
  Exchange result;
  if (inPlace)
    result.out = in;
  else
    result.out.assign(in.size(), 0);
  host::FilterRecord record{};
  record.imageMode = m.mode;
  record.planes = static_cast<std::int16_t>(m.planes);
  record.imageSize = {kHeight, kWidth};
  record.inRect = record.outRect = record.maskRect = {0, 0, kHeight, kWidth};
  record.inData = inPlace ? result.out.data() : const_cast<std::uint8_t*>(in.data());
  record.outData = result.out.data();
  record.maskData = mask.empty() ? nullptr : const_cast<std::uint8_t*>(mask.data());
  record.haveMask = mask.empty() ? 0 : 1;
  record.inRowBytes = record.outRowBytes = kWidth * m.planes * m.sampleBytes;
  record.maskRowBytes = kWidth;
  HostImage exchange;
  exchange.SetRecord(&record);
  exchange.SetChannelsAlike(channelsAlike);
  EXPECT_TRUE(exchange.ReadHostImage());
  result.box = exchange.GetFilterRect();
  corvel::CRowIteratorBands& source = exchange.GetSourceImage();
  for (int y = 0; y < source.Height(); ++y) {
    BYTE* row = source.LockRowPointer(y, 0, -1);
    result.source.insert(result.source.end(), row, row + source.GetRowBytes());
    for (int i = 0; i < source.GetRowBytes(); ++i) row[i] = static_cast<BYTE>(~row[i]);
    source.ReleaseRow(y);
  }
  EXPECT_TRUE(exchange.WriteHostImage());
  return result;
}

TEST(HostExchange, SameBytesForAnyThreadsAndUnselectedSamplesUntouched) {
  constexpr int kWidth = 260, kHeight = 200;
  std::vector<std::uint8_t> mask(std::size_t(kWidth) * kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      mask[std::size_t(y) * kWidth + x] = Selected(x, y) ? 1 + (x + y) % 255 : 0;
  std::mt19937 random(3);
  for (const Mode& m : {Mode{host::kModeGrayScale, 1, 1}, Mode{host::kModeRGB, 3, 1},
                        Mode{host::kModeGray16, 1, 2}, Mode{host::kModeRGB48, 3, 2}}) {
    SCOPED_TRACE(m.mode);
    std::vector<std::uint8_t> in(std::size_t(kWidth) * kHeight * m.planes * m.sampleBytes);
    for (std::size_t i = 0; i < in.size(); i += m.sampleBytes) {
      const std::uint16_t value = static_cast<std::uint16_t>(random() % (m.sampleBytes == 1 ? 256 : 32769));
      std::memcpy(&in[i], &value, std::size_t(m.sampleBytes));
    }
    const Exchange one = RunExchange(m, in, mask, 1);
    const Exchange eight = RunExchange(m, in, mask, 8);
    EXPECT_EQ(one.source, eight.source);
    EXPECT_EQ(one.out, eight.out);
    EXPECT_EQ(one.box.left, 30);
    EXPECT_EQ(one.box.top, 20);
    EXPECT_EQ(one.box.right, 230);
    EXPECT_EQ(one.box.bottom, 180);
    const Exchange shared = RunExchange(m, in, mask, 8, true);
    EXPECT_EQ(shared.source, one.source);
    for (int y = 0; y < kHeight; ++y) {
      const std::size_t row = std::size_t(y) * kWidth * m.planes * m.sampleBytes;
      const std::size_t end = row + std::size_t(kWidth) * m.planes * m.sampleBytes;
      const bool rowInBox = y >= 20 && y < 180;
      // In the box the same bytes as into a buffer of its own; outside it the input stays.
      const auto& expected = rowInBox ? one.out : in;
      const std::size_t from = rowInBox ? row + std::size_t(30) * m.planes * m.sampleBytes : row;
      const std::size_t to = rowInBox ? row + std::size_t(230) * m.planes * m.sampleBytes : end;
      ASSERT_TRUE(std::equal(shared.out.begin() + from, shared.out.begin() + to, expected.begin() + from))
          << "row " << y;
    }

    const int pixelBytes = m.planes * m.sampleBytes;
    int wrong = 0;
    for (int y = 0; y < kHeight && wrong < 5; ++y) {
      for (int x = 0; x < kWidth && wrong < 5; ++x) {
        const std::size_t at = (std::size_t(y) * kWidth + x) * pixelBytes;
        const bool inBox = x >= 30 && x < 230 && y >= 20 && y < 180;
        const bool same = std::memcmp(&one.out[at], &in[at], std::size_t(pixelBytes)) == 0;
        // Outside the box the host's output buffer is not written; inside, the hole is the input.
        if (inBox && Selected(x, y) == same) {
          ++wrong;
          ADD_FAILURE() << "pixel (" << x << ", " << y << ") " << (same ? "unchanged" : "changed");
        }
        if (!inBox && one.out[at] != 0)
          ++wrong, ADD_FAILURE() << "outside the box (" << x << ", " << y << ")";
      }
    }
  }
}

TEST(HostExchange, OneBufferWithoutASelectionIsWorkedInPlaceAndGivenBackInTheHostsOrder) {
  constexpr int kWidth = 260, kHeight = 200;
  std::mt19937 random(5);
  for (const Mode& m :
       {Mode{host::kModeGrayScale, 1, 1}, Mode{host::kModeRGB, 3, 1}, Mode{host::kModeRGB48, 3, 2}}) {
    SCOPED_TRACE(m.mode);
    std::vector<std::uint8_t> in(std::size_t(kWidth) * kHeight * m.planes * m.sampleBytes);
    for (std::uint8_t& byte : in) byte = static_cast<std::uint8_t>(random() % 128);
    const Exchange apart = RunExchange(m, in, {}, 8);
    const Exchange shared = RunExchange(m, in, {}, 8, true);
    EXPECT_EQ(shared.source, apart.source) << "the core's order";
    EXPECT_EQ(shared.out, apart.out) << "the host's order";
    // A render that treats the channels alike sees the host's own bytes there and hands them
    // back as they are; apart, the core's order stays.
    const Exchange alike = RunExchange(m, in, {}, 8, true, true);
    EXPECT_EQ(alike.out, apart.out);
    EXPECT_EQ(alike.source == in, m.sampleBytes == 1);
    EXPECT_EQ(RunExchange(m, in, {}, 8, false, true).source, apart.source);

    // A run that ends without writing leaves the host's buffer as it was.
    std::vector<std::uint8_t> buffer = in;
    host::FilterRecord record{};
    record.imageMode = m.mode;
    record.planes = static_cast<std::int16_t>(m.planes);
    record.imageSize = {kHeight, kWidth};
    record.inRect = record.outRect = {0, 0, kHeight, kWidth};
    record.inData = record.outData = buffer.data();
    record.inRowBytes = record.outRowBytes = kWidth * m.planes * m.sampleBytes;
    HostImage exchange;
    exchange.SetRecord(&record);
    ASSERT_TRUE(exchange.ReadHostImage());
    EXPECT_EQ(exchange.SourceIsHostOutput(), m.sampleBytes == 1);
    exchange.GiveBackHostBuffer();
    EXPECT_FALSE(exchange.SourceIsHostOutput());
    EXPECT_TRUE(buffer == in);
  }
}

}  // namespace
}  // namespace framework
