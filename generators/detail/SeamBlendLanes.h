// The blend kernel written once over the compiler's vector types; each instruction-set file
// instantiates it with its own tag (Isa::kWidth lanes, Isa::Any and Isa::All of a lane mask), so
// the two never share a definition.
#pragma once
#include <cstdint>
#include <cstring>

#include "generators/detail/SeamBlends.h"

namespace corvel::detail {

template <int kWidth>
struct BlendVectors;
// The lane types, and the shuffles that take pairs (x, y) apart and put them back together.
template <>
struct BlendVectors<4> {
  typedef float Floats __attribute__((vector_size(16)));
  typedef std::int32_t Ints __attribute__((vector_size(16)));
  static constexpr std::int32_t kEvens[] = {0, 2, 4, 6};
  static constexpr std::int32_t kOdds[] = {1, 3, 5, 7};
  static constexpr std::int32_t kLowPairs[] = {0, 4, 1, 5};
  static constexpr std::int32_t kHighPairs[] = {2, 6, 3, 7};
};
template <>
struct BlendVectors<8> {
  typedef float Floats __attribute__((vector_size(32)));
  typedef std::int32_t Ints __attribute__((vector_size(32)));
  static constexpr std::int32_t kEvens[] = {0, 2, 4, 6, 8, 10, 12, 14};
  static constexpr std::int32_t kOdds[] = {1, 3, 5, 7, 9, 11, 13, 15};
  static constexpr std::int32_t kLowPairs[] = {0, 8, 1, 9, 2, 10, 3, 11};
  static constexpr std::int32_t kHighPairs[] = {4, 12, 5, 13, 6, 14, 7, 15};
};

// One byte a lane, 1 where the lane's bit is set: a lane mask's bits as the kernels' flags.
inline std::uint64_t LaneBytes(int bits) {
  const std::uint64_t spread = (std::uint64_t(bits) * 0x0101010101010101u) & 0x8040201008040201u;
  return ((spread + 0x7F7F7F7F7F7F7F7Fu) >> 7) & 0x0101010101010101u;
}

template <class Isa>
void SeamBlendWith(const SeamBlendArgs& a, const std::int32_t* positions, const float* exactX,
                   const float* exactY, int count, std::uint8_t* planned, std::int32_t* partners,
                   float* weights) {
  constexpr int kWidth = Isa::kWidth;
  using V = BlendVectors<kWidth>;
  using F = typename V::Floats;
  using I = typename V::Ints;
  // The shuffles' lanes as vectors; written as arrays, so that no vector crosses a call here.
  I evens, odds, lowPairs, highPairs;
  std::memcpy(&evens, V::kEvens, sizeof evens);
  std::memcpy(&odds, V::kOdds, sizeof odds);
  std::memcpy(&lowPairs, V::kLowPairs, sizeof lowPairs);
  std::memcpy(&highPairs, V::kHighPairs, sizeof highPairs);
  for (int k = 0; k < count; k += kWidth) {
    // A run's last few lanes are taken with those before them, where it has that many: each lane
    // is decided alone, so the lanes taken twice store the same twice.
    if (count - k < kWidth && count >= kWidth) k = count - kWidth;
    const int n = count - k < kWidth ? count - k : kWidth;
    const std::int32_t* pairs = positions + 2 * k;
    const float* xs = exactX ? exactX + k : nullptr;
    const float* ys = exactY ? exactY + k : nullptr;
    I ownX{}, ownY{};
    F givenX{}, givenY{};
    bool loaded = false;
    if constexpr (Isa::kPartial) {
      if (n < kWidth) {
        // Read no further than the run, then its last position repeated as below.
        I last = evens - evens + (n - 1), iota = odds >> 1;
        last = iota < last ? iota : last;
        const I first = Isa::LoadInts(pairs, 2 * n), second = Isa::LoadInts(pairs + kWidth, 2 * n - kWidth);
        ownX = __builtin_shuffle(__builtin_shuffle(first, second, evens), last);
        ownY = __builtin_shuffle(__builtin_shuffle(first, second, odds), last);
        if (exactX) {
          givenX = __builtin_shuffle(Isa::LoadFloats(xs, n), last);
          givenY = __builtin_shuffle(Isa::LoadFloats(ys, n), last);
        }
        loaded = true;
      }
    }
    if (!loaded) {
      // A short run's lanes past its end repeat its last position; nothing of them is stored.
      alignas(32) std::int32_t padded[2 * kWidth];
      alignas(32) float paddedX[kWidth], paddedY[kWidth];
      if (n < kWidth) {
        for (int i = 0; i < kWidth; ++i) {
          const int j = i < n ? i : n - 1;
          padded[2 * i] = pairs[2 * j];
          padded[2 * i + 1] = pairs[2 * j + 1];
          if (!exactX) continue;
          paddedX[i] = xs[j];
          paddedY[i] = ys[j];
        }
        pairs = padded;
        if (exactX) {
          xs = paddedX;
          ys = paddedY;
        }
      }
      I first, second;
      std::memcpy(&first, pairs, sizeof first);
      std::memcpy(&second, pairs + kWidth, sizeof second);
      ownX = __builtin_shuffle(first, second, evens);
      ownY = __builtin_shuffle(first, second, odds);
      if (exactX) {
        std::memcpy(&givenX, xs, sizeof givenX);
        std::memcpy(&givenY, ys, sizeof givenY);
      }
    }
    const F x = __builtin_convertvector(ownX, F), y = __builtin_convertvector(ownY, F);
    // The weight and the regions are stated on the truncated position, as if it lay half a unit
    // below the point it was truncated from (which lies anywhere in its unit): where that point is
    // given, it is taken itself, so that a weight that mixes to a whole level is not taken a hair
    // off it, and a pixel a hair inside a band still blends. On a skewed lattice a unit moves the
    // weight by some 0.05, and a partner of a sharp source weighing that much moves a mix by levels.
    F wx = x, wy = y;
    if (exactX) {
      wx = givenX - 0.5f;
      wy = givenY - 0.5f;
    }
    const F zero = x - x, one = zero + 1.0f;
    I decided = ownX != ownX, blended = decided, left = decided, inDoubles = decided;  // all false
    I bits = decided;
    F px = zero, py = zero, w = one, middle = zero;
    // Test t ends in bit t: a true test is -1, so each step shifts in its bit by subtracting it.
    for (int t = a.testCount - 1; t >= 0; --t) {
      const float* test = a.tests[t];
      bits = bits + bits - (wx * test[0] + wy * test[1] + test[2] < zero);
    }
    // The leading regions plan, or leave to doubles, the lanes they hold first: one pass over
    // them, no branches on lanes.
    I firstPlanned = decided, firstInDoubles = decided;
    auto leading = [&](int count) {
      // count is 0 or all of the leading regions.
      if (count > 0 && a.leadingAlike) {
        I inside = ((bits ^ a.leadingFlip) & a.leadingSingles) != 0;
        for (int i = 0; i < a.leadingMultiCount; ++i) {
          const SeamBlendArgs::Region& g = a.regions[a.leadingMulti[i]];
          inside |= (bits & g.care) == g.want;
        }
        (a.regions[0].inDoubles ? firstInDoubles : firstPlanned) = inside;
        return;
      }
      for (int r = 0; r < count; ++r) {
        const SeamBlendArgs::Region& g = a.regions[r];
        const I inside = (bits & g.care) == g.want;
        if (g.inDoubles)
          firstInDoubles |= inside & ~firstPlanned;
        else
          firstPlanned |= inside & ~firstInDoubles;
      }
    };
    bool lookedUp = false;
    if constexpr (Isa::kLookUp) {
      if (a.slotCount > 0) {
        // The same sums of the region's coefficients, taken from its slot.
        const SeamBlendArgs::Slots& s = a.slots;
        // The leading regions before the table's decide the lanes they hold whatever their slot.
        leading(a.tableFirst);
        const I first = firstPlanned | firstInDoubles;
        const I slot = Isa::LookUp(a.slotOf, bits);
        auto at = [&](const float* lanes) { return Isa::Permute(lanes, slot); };
        blended = Isa::Permute(s.blended, slot) & ~first;
        left = (Isa::Permute(s.byPlan, slot) & ~first) | firstPlanned;
        decided = left == left;  // every lane has a slot
        inDoubles = (Isa::Permute(s.inDoubles, slot) & ~first) | firstInDoubles;
        px = x * at(s.partner[0]) + y * at(s.partner[1]) + at(s.partner[2]);
        py = x * at(s.partner[3]) + y * at(s.partner[4]) + at(s.partner[5]);
        w = blended ? wx * at(s.weight[0]) + wy * at(s.weight[1]) + at(s.weight[2]) : one;
        middle = at(exactX ? s.middleExact : s.middle);
        lookedUp = true;
      }
    }
    if (!lookedUp) {
      leading(a.plannedFirst);
      decided = firstPlanned | firstInDoubles;
      left = firstPlanned;
      inDoubles = firstInDoubles;
      for (int r = a.plannedFirst; r < a.regionCount; ++r) {
        const SeamBlendArgs::Region& g = a.regions[r];
        const I inside = ((bits & g.care) == g.want) & ~decided;
        // Neighbours mostly lie in one or two regions: the others cost only their test.
        if (!Isa::Any(inside)) continue;
        decided |= inside;
        left |= inside & g.planned;
        inDoubles |= inside & g.inDoubles;
        if (!g.blended) continue;
        blended |= inside;
        px = inside ? x * g.partner[0] + y * g.partner[1] + g.partner[2] : px;
        py = inside ? x * g.partner[3] + y * g.partner[4] + g.partner[5] : py;
        w = inside ? wx * g.weight[0] + wy * g.weight[1] + g.weight[2] : w;
        middle = inside ? zero + (exactX ? g.middleExact : g.middle) : middle;
        if (Isa::All(decided)) break;
      }
    }
    const F offMiddle = w - 0.5f, fromMiddle = offMiddle < zero ? -offMiddle : offMiddle;
    const F offEnd = fromMiddle - 0.5f;
    // Where the weight reaches 0 or 1 the plan keeps one sample whole, which a weight a hair
    // inside would mix a level short.
    const I nearExactWeight = (fromMiddle < middle) | ((offEnd < zero ? -offEnd : offEnd) < middle);
    w = w < zero ? zero : (w > one ? one : w);
    const I partnerX = blended ? __builtin_convertvector(px, I) : ownX;
    const I partnerY = blended ? __builtin_convertvector(py, I) : ownY;
    const I outFirst = __builtin_shuffle(partnerX, partnerY, lowPairs),
            outSecond = __builtin_shuffle(partnerX, partnerY, highPairs);
    const I byPlan = (decided & ~left) == 0;
    const std::uint64_t flags = LaneBytes(Isa::Bits(byPlan)) |
                                LaneBytes(Isa::Bits((nearExactWeight | inDoubles) & ~byPlan)) << 1;
    if (n == kWidth) {
      std::memcpy(partners + 2 * k, &outFirst, sizeof outFirst);
      std::memcpy(partners + 2 * k + kWidth, &outSecond, sizeof outSecond);
      std::memcpy(weights + k, &w, sizeof w);
      std::memcpy(planned + k, &flags, kWidth);
      continue;
    }
    if constexpr (Isa::kPartial) {
      Isa::StoreInts(partners + 2 * k, outFirst, 2 * n);
      Isa::StoreInts(partners + 2 * k + kWidth, outSecond, 2 * n - kWidth);
      Isa::StoreFloats(weights + k, w, n);
      for (int i = 0; i < n; ++i) planned[k + i] = std::uint8_t(flags >> 8 * i);
      continue;
    }
    alignas(32) std::int32_t outPairs[2 * kWidth];
    alignas(32) float outW[kWidth];
    std::memcpy(outPairs, &outFirst, sizeof outFirst);
    std::memcpy(outPairs + kWidth, &outSecond, sizeof outSecond);
    std::memcpy(outW, &w, sizeof w);
    for (int i = 0; i < n; ++i) {
      partners[2 * (k + i)] = outPairs[2 * i];
      partners[2 * (k + i) + 1] = outPairs[2 * i + 1];
      weights[k + i] = outW[i];
      planned[k + i] = std::uint8_t(flags >> 8 * i);
    }
  }
}

}  // namespace corvel::detail
