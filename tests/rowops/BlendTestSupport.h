// Rows of random pixels, a run of a bound operation with a guard zone after each row, and the
// channel values of a row, for the blend tests.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "core/CpuFeatures.h"
#include "core/PixelFormat.h"
#include "rowops/RowOpContext.h"

namespace corvel::blendtest {

using Bytes = std::vector<std::uint8_t>;
constexpr int kGuard = 16;
constexpr std::uint8_t kGuardByte = 0xA5;

inline int PixelBytes(keFormat format) { return CPixelFormat(format).GetBitsPerPixel() / 8; }

// Random bytes, biased towards 0 and 255 so that the alpha edges come up often.
inline Bytes RandomRow(keFormat format, int count, std::mt19937& random) {
  Bytes row(static_cast<std::size_t>(PixelBytes(format)) * count);
  for (auto& b : row) {
    const unsigned r = random() % 320;
    b = static_cast<std::uint8_t>(r < 30 ? 0 : r < 60 ? 255 : r & 0xFF);
  }
  return row;
}

// Runs the operation bound directly for the pair over a copy of dst with a guard zone, checks
// the guard, and answers the written row.
inline Bytes RunBlend(RowOperation& op, keFormat dstFormat, const Bytes& dst, keFormat srcFormat,
                      const Bytes& src, int count, int x = 0, int y = 0,
                      const std::uint8_t* palette = nullptr, int paletteSize = 0) {
  Bytes row = dst;
  row.resize(dst.size() + kGuard, kGuardByte);
  Bytes source = src;
  RowOpArgs args;
  args.dst = {dstFormat, count, row.data(), paletteSize, palette, x, y};
  args.src = {srcFormat, count, source.empty() ? nullptr : source.data(), 0, nullptr, x, y};
  RowOpContext context;
  EXPECT_TRUE(context.Bind(op, args, 2, 1))
      << CPixelFormat(dstFormat).GetName() << " from " << CPixelFormat(srcFormat).GetName();
  EXPECT_FALSE(context.IsTwoStage());
  context.Execute(args);
  for (int i = 0; i < kGuard; ++i) EXPECT_EQ(row[dst.size() + i], kGuardByte) << "guard byte " << i;
  row.resize(dst.size());
  return row;
}

// RunBlend with the SIMD kernels allowed or not.
inline Bytes RunBlendForced(bool simd, RowOperation& op, keFormat dstFormat, const Bytes& dst,
                            keFormat srcFormat, const Bytes& src, int count) {
  CpuFeaturesOverride forced(ProbedOrNone(simd));
  return RunBlend(op, dstFormat, dst, srcFormat, src, count);
}

// Premultiplied rows hold colours no larger than their alpha.
inline void ClampPremultiplied(keFormat format, Bytes& row) {
  if (format != keFormatBGRxA) return;
  for (std::size_t i = 0; i + 3 < row.size(); i += 4)
    for (int c = 0; c < 3; ++c) row[i + c] = std::min(row[i + c], row[i + 3]);
}

using Pairs = std::vector<std::pair<keFormat, keFormat>>;

// What an operation writes over rows of random pixels of each (destination, source) pair, folded
// into the hash given. The kernels' rounding rules were checked value by value against references
// written from the mode formulas and the numbers pinned then: a changed rounding, weight or
// channel order changes them. Rows come from RandomRow with seed 7; a change there changes all.
inline std::uint64_t BlendDigest(RowOperation& op, const Pairs& pairs,
                                 std::uint64_t hash = 14695981039346656037ull, int count = 300) {
  std::mt19937 random(7);
  for (const auto& [dst, src] : pairs) {
    Bytes d = RandomRow(dst, count, random);
    Bytes s = src == keFormatNone ? Bytes{} : RandomRow(src, count, random);
    ClampPremultiplied(dst, d);
    ClampPremultiplied(src, s);
    for (std::uint8_t b : RunBlend(op, dst, d, src, s, count)) hash = (hash ^ b) * 1099511628211ull;
  }
  return hash;
}

// Channel i of a row of 8- or 16-bit channels.
inline std::uint32_t At(const Bytes& row, bool wide, std::size_t i) {
  if (!wide) return row[i];
  std::uint16_t v;
  std::memcpy(&v, &row[2 * i], 2);
  return v;
}

// Rounded products as the blends define them: x / 255 and x / 65535 to the nearest.
inline std::uint32_t R8(std::uint32_t x) { return static_cast<std::uint32_t>(x / 255.0 + 0.5); }
inline std::uint32_t R16(std::uint64_t x) {
  return static_cast<std::uint32_t>(static_cast<double>(x) / 65535.0 + 0.5);
}
// The divide-by-255 table's entry: (x + 128) / 255.
inline std::uint32_t P(std::uint32_t x) { return (x + 128) / 255; }
// x moved toward y by w / 65536, rounded alike in both directions.
inline std::uint32_t Toward(std::uint32_t x, std::uint32_t y, std::uint64_t w) {
  return y > x ? x + static_cast<std::uint32_t>(((y - x) * w + 32768) >> 16)
               : x - static_cast<std::uint32_t>(((x - y) * w + 32768) >> 16);
}

}  // namespace corvel::blendtest
