// BandMarks' lanes written once over the compiler's vector types; each instruction-set file
// instantiates them with its own tag (Isa::kWidth lanes of the types Isa::Unsigned and
// Isa::Signed; Isa::StoreMarks stores the first n lanes of a mask as bytes 1 and 0), so the two
// never share a definition.
#pragma once
#include <cstdint>
#include <cstring>

#include "generators/detail/BandMarks.h"
#include "generators/detail/FoldRow.h"

namespace corvel::detail {

template <class Isa>
void MarkBandLanesWith(const BandLanes& bands, const std::uint32_t* starts, std::uint32_t du,
                       std::uint32_t dv, int count, std::uint8_t* marks) {
  constexpr int kWidth = Isa::kWidth, kVectors = kFoldSpan / kWidth;
  using U = typename Isa::Unsigned;
  using I = typename Isa::Signed;
  static_assert(kFoldSpan % kWidth == 0, "spans hold whole runs of lanes");
  // Shifted by half the range, a signed compare of lanes tells the unsigned one.
  constexpr std::uint32_t kHalf = 0x80000000u;
  U iota{};
  for (int i = 0; i < kWidth; ++i) iota[i] = std::uint32_t(i);
  for (int first = 0; first < count; first += kFoldSpan, starts += 2) {
    // Whole spans' lanes, past the row's end too, so that the loops unroll and keep them in
    // registers.
    I marked[kVectors];
#pragma GCC unroll 16
    for (int k = 0; k < kVectors; ++k) marked[k] = I{};
    for (int l = 0; l < bands.count; ++l) {
      const BandLanes::Line& line = bands.lines[l];
      const std::uint32_t step = line.a * du + line.b * dv;
      U t = (line.a * starts[0] + line.b * starts[1] - line.from + kHalf) + iota * step;
      const I width = I{} + std::int32_t(line.width ^ kHalf);
      if (line.whole) {
#pragma GCC unroll 16
        for (int k = 0; k < kVectors; ++k, t += step * kWidth) marked[k] |= (I)t < width;
        continue;
      }
      const std::uint32_t partStep = line.alongA * du + line.alongB * dv;
      U r = (line.alongA * starts[0] + line.alongB * starts[1] - line.partFrom + kHalf) + iota * partStep;
      const I partWidth = I{} + std::int32_t(line.partWidth ^ kHalf);
#pragma GCC unroll 16
      for (int k = 0; k < kVectors; ++k, t += step * kWidth, r += partStep * kWidth)
        marked[k] |= ((I)t < width) & ((I)r < partWidth);
    }
#pragma GCC unroll 16
    for (int k = 0; k < kVectors; ++k) {
      const int x = first + k * kWidth;
      if (x < count) Isa::StoreMarks(marks + x, marked[k], count - x < kWidth ? count - x : kWidth);
    }
  }
}

}  // namespace corvel::detail
