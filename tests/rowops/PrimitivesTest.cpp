#include "rowops/Primitives.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/CpuFeatures.h"
#include "rowops/BitRuns.h"
#include "rowops/RowOperation.h"

namespace corvel {
namespace {

class Primitives : public ::testing::TestWithParam<int> {
 protected:
  CpuFeaturesOverride forced_{ProbedOrNone(GetParam() != 0)};
};

TEST_P(Primitives, ToBytesClamps) {
  const std::int16_t s[] = {-5, 100, 300, 255, 0, -32768, 32767, 256, -1};
  std::uint8_t out[9];
  GetRowPrimitiveTable().toBytes(out, s, 9);
  const std::uint8_t expected[] = {0, 100, 255, 255, 0, 0, 255, 255, 0};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(out[i], expected[i]) << "element " << i;
  const std::uint16_t u[] = {65531, 3, 255, 256, 40000, 1, 2, 300, 65535};
  GetFillPrimitiveTable().toBytes(out, u, 9);
  const std::uint8_t expectedU[] = {255, 3, 255, 255, 255, 1, 2, 255, 255};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(out[i], expectedU[i]) << "element " << i;
}

TEST_P(Primitives, DivideByConstant) {
  struct Case {
    double divisor;
    std::int16_t result;
  };
  const Case cases[] = {{4, -25}, {3, -33}, {1, -100}, {0.5, -100}, {0, -100}, {4.9, -25}};
  for (const Case& c : cases) {
    std::int16_t v[1] = {-100};
    GetRowPrimitiveTable().divideByConstant(v, c.divisor, 1);
    EXPECT_EQ(v[0], c.result) << "divisor " << c.divisor;
  }
  std::uint16_t u[1] = {65000};
  GetFillPrimitiveTable().divideByConstant(u, 4, 1);
  EXPECT_EQ(u[0], 16250);  // a logical shift
}

TEST_P(Primitives, ConvolveNeedsTheMatchingCount) {
  std::int16_t src[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  const double weights[3] = {1, 2.5, -1};  // 2.5 rounds half to even: 2
  std::int16_t dst[9];
  std::fill(dst, dst + 9, 77);
  GetRowPrimitiveTable().convolve(dst, 9, src, 10, weights, 3);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(dst[i], 77) << "untouched " << i;
  GetRowPrimitiveTable().convolve(dst, 8, src, 10, weights, 3);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(dst[i], src[i] + 2 * src[i + 1] - src[i + 2]) << i;
}

TEST_P(Primitives, MinMaxAndScalars) {
  const std::int16_t one[1] = {-7};
  std::int16_t lo = 0, hi = 0;
  GetRowPrimitiveTable().minMax(&lo, &hi, one, 1);
  EXPECT_EQ(lo, -7);
  EXPECT_EQ(hi, -7);
  const std::int16_t many[] = {3, -2, 9, 4};
  GetRowPrimitiveTable().minMax(&lo, &hi, many, 4);
  EXPECT_EQ(lo, -2);
  EXPECT_EQ(hi, 9);

  std::int16_t v[3] = {5, -5, 0};
  GetRowPrimitiveTable().set(v, -3.9, 2);
  EXPECT_EQ(v[0], -3);
  EXPECT_EQ(v[2], 0);
  GetRowPrimitiveTable().addConstant(v, 65536 + 2, 3);  // 2 once kept to 16 bits
  EXPECT_EQ(v[0], -1);
  GetRowPrimitiveTable().shiftRight(v, 1, 3);
  EXPECT_EQ(v[0], -1);  // arithmetic
  GetRowPrimitiveTable().clamp(v, v, 3);
  EXPECT_EQ(v[0], 0);
  std::uint16_t w[2] = {0x8001, 3};
  GetFillPrimitiveTable().shiftRight(w, 1, 2);
  EXPECT_EQ(w[0], 0x4000);  // logical
  GetFillPrimitiveTable().shiftLeft(w, 2, 2);
  EXPECT_EQ(w[0], 0x0000);
  EXPECT_EQ(w[1], 4);
}

// Every slot with a SIMD form gives the plain form's results on random vectors.
TEST(PrimitivesSimd, MatchPlainOnRandomVectors) {
  std::mt19937 random(99);
  for (int count : {0, 1, 7, 8, 9, 31, 64}) {
    std::vector<std::int16_t> a(count + 2), b(count + 2), d0(count + 2);
    std::vector<std::uint8_t> bytes(count + 2);
    for (int i = 0; i < count + 2; ++i) {
      a[i] = static_cast<std::int16_t>(random());
      b[i] = static_cast<std::int16_t>(random());
      d0[i] = static_cast<std::int16_t>(random());
      bytes[i] = static_cast<std::uint8_t>(random());
    }
    const double weights[3] = {3, -2, 7};
    auto run = [&](int setting, auto&& table, auto* dstInit) {
      CpuFeaturesOverride forced(ProbedOrNone(setting != 0));
      using T = std::remove_pointer_t<decltype(dstInit)>;
      std::vector<std::vector<T>> results;
      auto fresh = [&] { return std::vector<T>(dstInit, dstInit + count + 2); };
      const T* x = reinterpret_cast<const T*>(a.data());
      const T* y = reinterpret_cast<const T*>(b.data());
      std::vector<std::uint8_t> byteOut(count + 2, 0);
      table().toBytes(byteOut.data(), x, count);
      results.emplace_back(byteOut.begin(), byteOut.end());
      auto v = fresh();
      table().fromBytes(v.data(), bytes.data(), count);
      results.push_back(v);
      v = fresh();
      table().add(v.data(), x, count);
      results.push_back(v);
      v = fresh();
      table().bitAnd(v.data(), x, count);
      results.push_back(v);
      v = fresh();
      table().multiplyAdd(v.data(), x, y, count);
      results.push_back(v);
      v = fresh();
      table().addScaled(v.data(), x, 5.7, count);
      results.push_back(v);
      v = fresh();
      table().bitOr(v.data(), x, y, count);
      results.push_back(v);
      if (count >= 3) {
        v = fresh();
        table().convolve(v.data(), count - 2, x, count, weights, 3);
        results.push_back(v);
      }
      return results;
    };
    auto* signedInit = d0.data();
    auto* unsignedInit = reinterpret_cast<std::uint16_t*>(d0.data());
    EXPECT_EQ(run(0, GetRowPrimitiveTable, signedInit), run(1, GetRowPrimitiveTable, signedInit))
        << "signed, count " << count;
    EXPECT_EQ(run(0, GetFillPrimitiveTable, unsignedInit), run(1, GetFillPrimitiveTable, unsignedInit))
        << "unsigned, count " << count;
  }
}

INSTANTIATE_TEST_SUITE_P(Variants, Primitives, ::testing::Values(0, 1));

TEST(BitRuns, ClearAndSetLeaveNeighbouringBits) {
  std::uint8_t row[3] = {0xFF, 0xFF, 0xFF};
  ClearBitRun(row, 3, 3, 11);
  EXPECT_EQ(row[0], 0xE0);
  EXPECT_EQ(row[1], 0x03);
  EXPECT_EQ(row[2], 0xFF);
  SetBitRun(row, 0, 3, 24);
  EXPECT_EQ(row[1], 0xFF);
  ClearBitRun(row, 20, 3, 5);  // does not fit: nothing
  ClearBitRun(nullptr, 0, 3, 5);
  EXPECT_EQ(row[2], 0xFF);
}

TEST(BitRuns, CopyBitRunAlignedAndShifted) {
  std::mt19937 random(5);
  for (int srcFirst : {0, 3, 8}) {
    for (int dstFirst : {0, 5}) {
      for (int count : {1, 7, 8, 13, 30}) {
        std::uint8_t src[6], dst[6], expected[6];
        for (auto& b : src) b = static_cast<std::uint8_t>(random());
        for (int i = 0; i < 6; ++i) dst[i] = expected[i] = static_cast<std::uint8_t>(random());
        for (int i = 0; i < count; ++i) {
          int s = srcFirst + i, d = dstFirst + i;
          int bit = (src[s / 8] >> (7 - s % 8)) & 1;
          expected[d / 8] = static_cast<std::uint8_t>((expected[d / 8] & ~(0x80 >> (d % 8))) |
                                                      (bit << (7 - d % 8)));
        }
        CopyBitRun(dst, dstFirst, 6, src, srcFirst, 6, count);
        for (int i = 0; i < 6; ++i) {
          ASSERT_EQ(dst[i], expected[i])
              << srcFirst << " -> " << dstFirst << ", " << count << " bits, byte " << i;
        }
      }
    }
  }
}

TEST(BitRuns, FillNibbleRun) {
  std::uint8_t row[3] = {0x11, 0x11, 0x11};
  FillNibbleRun(0xFA, row, true, 3, 4);
  EXPECT_EQ(row[0], 0x1A);
  EXPECT_EQ(row[1], 0xAA);
  EXPECT_EQ(row[2], 0xA1);
  FillNibbleRun(0x5, row, false, 1, 3);  // does not fit: nothing
  EXPECT_EQ(row[0], 0x1A);
}

}  // namespace
}  // namespace corvel
