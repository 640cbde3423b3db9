// Compiled with AVX-512 enabled for this file alone; run only where the processor record allows.
// The blend kernel in sixteen lanes: the same operations lane by lane as AVX2's (no product fused
// into a sum), so the same decisions.
// GCC 12 takes the intrinsics' own undefined starting values for uninitialised reads.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

#include "generators/detail/SeamBlendLanes.h"

namespace corvel::detail {

namespace {
struct Avx512 {
  static constexpr int kWidth = 16;
  using Mask = BlendVectors<kWidth>::Ints;
  using Floats = BlendVectors<kWidth>::Floats;
  static int Bits(Mask mask) { return _mm512_movepi32_mask(__m512i(mask)); }
  static bool Any(Mask mask) { return Bits(mask) != 0; }
  static bool All(Mask mask) { return Bits(mask) == 0xFFFF; }
  // The first count lanes, none read or written past them.
  static constexpr bool kPartial = true;
  static __mmask16 FirstLanes(int count) {
    return count >= kWidth ? __mmask16(0xFFFF) : count <= 0 ? __mmask16(0) : __mmask16((1u << count) - 1);
  }
  static Mask LoadInts(const std::int32_t* from, int count) {
    return Mask(_mm512_maskz_loadu_epi32(FirstLanes(count), from));
  }
  static Floats LoadFloats(const float* from, int count) {
    return Floats(_mm512_maskz_loadu_ps(FirstLanes(count), from));
  }
  static void StoreInts(std::int32_t* to, Mask lanes, int count) {
    _mm512_mask_storeu_epi32(to, FirstLanes(count), __m512i(lanes));
  }
  static void StoreFloats(float* to, Floats lanes, int count) {
    _mm512_mask_storeu_ps(to, FirstLanes(count), __m512(lanes));
  }
  // Each lane, 0 to 3, as a byte, the lanes in order.
  static __m128i FlagBytes(Mask lanes) { return _mm512_cvtepi32_epi8(__m512i(lanes)); }
  // The first count flags; whole, the rest stored as 0.
  static void StoreFlags(std::uint8_t* to, __m128i flags, int count, bool whole) {
    if (whole)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_maskz_mov_epi8(FirstLanes(count), flags));
    else
      _mm_mask_storeu_epi8(to, FirstLanes(count), flags);
  }
  // Lane sets in mask registers: the bits set by masked ors of each test's lanes below nought,
  // and the regions' lanes.
  static constexpr bool kMaskRegisters = true;
  static __mmask16 LanesBelow(Floats sum, Floats zero) {
    return _mm512_cmp_ps_mask(__m512(sum), __m512(zero), _CMP_LT_OQ);
  }
  static Mask OrWhere(Mask bits, __mmask16 lanes, std::int32_t bit) {
    return Mask(_mm512_mask_or_epi32(__m512i(bits), lanes, __m512i(bits), _mm512_set1_epi32(bit)));
  }
  static __mmask16 Zeros(Mask lanes) { return _mm512_testn_epi32_mask(__m512i(lanes), __m512i(lanes)); }
  // Of the lanes given, those where lanes == value.
  static __mmask16 Equal(Mask lanes, std::int32_t value, __mmask16 of) {
    return _mm512_mask_cmpeq_epi32_mask(of, __m512i(lanes), _mm512_set1_epi32(value));
  }
  static Mask Vector(__mmask16 lanes) { return Mask(_mm512_movm_epi32(lanes)); }
  static constexpr bool kLookUp = true;
  // The table's entries of 6-bit indices, widened, each half of them one two-table permute.
  static Mask LookUp(const std::uint8_t* table, Mask index) {
    static_assert(SeamBlendArgs::kTableTests == 6);
    auto sixteenth = [table](int k) {
      return _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(table + 16 * k)));
    };
    const __m512i i = __m512i(index);
    const __m512i low = _mm512_permutex2var_epi32(sixteenth(0), i, sixteenth(1));
    const __m512i high = _mm512_permutex2var_epi32(sixteenth(2), i, sixteenth(3));
    return Mask(_mm512_mask_blend_epi32(_mm512_test_epi32_mask(i, _mm512_set1_epi32(32)), low, high));
  }
  // Each lane's entry of eight.
  static Floats Permute(const float* eight, Mask index) {
    return Floats(_mm512_permutexvar_ps(__m512i(index), _mm512_broadcast_f32x8(_mm256_loadu_ps(eight))));
  }
  static Mask Permute(const std::int32_t* eight, Mask index) {
    const __m256i entries = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(eight));
    return Mask(_mm512_permutexvar_epi32(__m512i(index), _mm512_broadcast_i32x8(entries)));
  }
};
}  // namespace

void SeamBlendAvx512(const SeamBlendArgs& args, const std::int32_t* positions, const float* exactX,
                     const float* exactY, BlendRun* runs, int runCount, BlendDecisions& decisions) {
  SeamBlendWith<Avx512>(args, positions, exactX, exactY, runs, runCount, decisions);
}

}  // namespace corvel::detail
