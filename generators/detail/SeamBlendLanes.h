// The blend kernel written once over the compiler's vector types; each instruction-set file
// instantiates it with its own tag (Isa::kWidth lanes), so the two never share a definition.
#pragma once
#include <cstdint>
#include <cstring>

#include "generators/detail/SeamBlends.h"

namespace corvel::detail {

template <int kWidth>
struct BlendVectors;
template <>
struct BlendVectors<4> {
  typedef float Floats __attribute__((vector_size(16)));
  typedef std::int32_t Ints __attribute__((vector_size(16)));
};
template <>
struct BlendVectors<8> {
  typedef float Floats __attribute__((vector_size(32)));
  typedef std::int32_t Ints __attribute__((vector_size(32)));
};

template <class Isa>
void SeamBlendWith(const SeamBlendArgs& a, const std::int32_t* positions, int count, std::uint8_t* planned,
                   std::int32_t* partners, float* weights) {
  constexpr int kWidth = Isa::kWidth;
  using F = typename BlendVectors<kWidth>::Floats;
  using I = typename BlendVectors<kWidth>::Ints;
  for (int k = 0; k < count; k += kWidth) {
    const int n = count - k < kWidth ? count - k : kWidth;
    // Lanes past the end repeat the last position; nothing of them is stored.
    alignas(32) std::int32_t xs[kWidth], ys[kWidth];
    for (int i = 0; i < kWidth; ++i) {
      const int j = k + (i < n ? i : n - 1);
      xs[i] = positions[2 * j];
      ys[i] = positions[2 * j + 1];
    }
    I ownX, ownY;
    std::memcpy(&ownX, xs, sizeof ownX);
    std::memcpy(&ownY, ys, sizeof ownY);
    const F x = __builtin_convertvector(ownX, F), y = __builtin_convertvector(ownY, F);
    const F zero = x - x, one = zero + 1.0f;
    I decided = ownX != ownX, blended = decided, left = decided;  // all false
    I bits = decided;
    F px = zero, py = zero, w = one;
    for (int k = 0; k < a.testCount; ++k) {
      const float* t = a.tests[k];
      bits |= (x * t[0] + y * t[1] + t[2] < zero) & (1 << k);
    }
    for (int r = 0; r < a.regionCount; ++r) {
      const SeamBlendArgs::Region& g = a.regions[r];
      const I inside = ((bits & g.care) == g.want) & ~decided;
      decided |= inside;
      left |= inside & g.planned;
      if (!g.blended) continue;
      blended |= inside;
      px = inside ? x * g.partner[0] + y * g.partner[1] + g.partner[2] : px;
      py = inside ? x * g.partner[3] + y * g.partner[4] + g.partner[5] : py;
      w = inside ? x * g.weight[0] + y * g.weight[1] + g.weight[2] : w;
    }
    w = w < zero ? zero : (w > one ? one : w);
    const I partnerX = blended ? __builtin_convertvector(px, I) : ownX;
    const I partnerY = blended ? __builtin_convertvector(py, I) : ownY;
    alignas(32) std::int32_t outX[kWidth], outY[kWidth], outDecided[kWidth];
    alignas(32) float outW[kWidth];
    std::memcpy(outX, &partnerX, sizeof partnerX);
    std::memcpy(outY, &partnerY, sizeof partnerY);
    const I finished = decided & ~left;
    std::memcpy(outDecided, &finished, sizeof finished);
    std::memcpy(outW, &w, sizeof w);
    for (int i = 0; i < n; ++i) {
      planned[k + i] = outDecided[i] ? 0 : 1;
      partners[2 * (k + i)] = outX[i];
      partners[2 * (k + i) + 1] = outY[i];
      weights[k + i] = outW[i];
    }
  }
}

}  // namespace corvel::detail
