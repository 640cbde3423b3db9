#include <emmintrin.h>

#include "generators/detail/SeamBlendLanes.h"

namespace corvel::detail {

namespace {
struct Sse2 {
  static constexpr int kWidth = 4;
  using Mask = BlendVectors<kWidth>::Ints;
  static int Bits(Mask mask) { return _mm_movemask_ps(_mm_castsi128_ps(__m128i(mask))); }
  static bool Any(Mask mask) { return Bits(mask) != 0; }
  static bool All(Mask mask) { return Bits(mask) == 0xF; }
  // Each lane, 0 to 3, as a byte, the lanes in order.
  static std::uint64_t FlagBytes(Mask lanes) {
    const __m128i words = _mm_packs_epi32(__m128i(lanes), __m128i(lanes));
    return std::uint32_t(_mm_cvtsi128_si32(_mm_packs_epi16(words, words)));
  }
  static constexpr bool kPartial = false;
  // Regions are tested in turn.
  static constexpr bool kMaskRegisters = false;
  static constexpr bool kLookUp = false;
};
}  // namespace

void SeamBlendSse2(const SeamBlendArgs& args, const std::int32_t* positions, const float* exactX,
                   const float* exactY, BlendRun* runs, int runCount, BlendDecisions& decisions) {
  SeamBlendWith<Sse2>(args, positions, exactX, exactY, runs, runCount, decisions);
}

}  // namespace corvel::detail
