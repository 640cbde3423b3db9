#include <emmintrin.h>

#include "generators/detail/BandMarkLanes.h"
#include "generators/detail/BentMarkLanes.h"
#include "generators/detail/FoldLanes.h"

namespace corvel::detail {

namespace {

struct Sse2Lanes {
  using Floats = __m128;
  using Ints = __m128i;
  using Masks = __m128;  // all of a lane's bits set or clear
  static constexpr int kWidth = 4;
  static Ints Ramp(std::uint32_t start, std::uint32_t step) {
    return _mm_setr_epi32(int(start), int(start + step), int(start + 2 * step), int(start + 3 * step));
  }
  static Ints Splat(std::uint32_t t) { return _mm_set1_epi32(int(t)); }
  static Floats Splat(float t) { return _mm_set1_ps(t); }
  static Ints Add(Ints a, Ints b) { return _mm_add_epi32(a, b); }
  // An unsigned 0.32 coordinate, half a 2^24th added already, rounded down to 24 bits: whole
  // 2^24ths, as a float.
  static Floats Whole24ths(Ints t) { return _mm_cvtepi32_ps(_mm_srli_epi32(t, 8)); }
  // An unsigned 0.32 coordinate rounded to 24 bits, as a float in [0, 1); the top rounds to 0.
  static Floats Unit(Ints t) {
    return _mm_mul_ps(Whole24ths(_mm_add_epi32(t, _mm_set1_epi32(128))), _mm_set1_ps(0x1p-24f));
  }
  static Floats Add(Floats a, Floats b) { return _mm_add_ps(a, b); }
  static Floats Sub(Floats a, Floats b) { return _mm_sub_ps(a, b); }
  static Floats Mul(Floats a, Floats b) { return _mm_mul_ps(a, b); }
  static Floats Max(Floats a, Floats b) { return _mm_max_ps(a, b); }
  static Floats Min(Floats a, Floats b) { return _mm_min_ps(a, b); }
  static Floats Less(Floats a, Floats b) { return _mm_cmplt_ps(a, b); }
  static Floats Mask(std::uint32_t bits) { return _mm_castsi128_ps(_mm_set1_epi32(int(bits))); }
  static Floats And(Floats a, Floats b) { return _mm_and_ps(a, b); }
  static Floats AndNot(Floats a, Floats b) { return _mm_andnot_ps(a, b); }
  static Floats Or(Floats a, Floats b) { return _mm_or_ps(a, b); }
  static int Bits(Floats mask) { return _mm_movemask_ps(mask); }
  static Floats ToFloats(Ints t) { return _mm_cvtepi32_ps(t); }
  static bool Any(Floats mask) { return _mm_movemask_ps(mask) != 0; }
  static Floats Xor(Floats a, Floats b) { return _mm_xor_ps(a, b); }
  static Floats Select(Floats mask, Floats yes, Floats no) {
    return _mm_or_ps(_mm_and_ps(mask, yes), _mm_andnot_ps(mask, no));
  }
  static void Store(float* out, Floats t) { _mm_storeu_ps(out, t); }
  // Rounded down; NaN and what lies past the integers to the lowest.
  static Ints Floor(Floats t) {
    const Ints truncated = _mm_cvttps_epi32(t);
    return _mm_add_epi32(truncated, _mm_castps_si128(_mm_cmpgt_ps(_mm_cvtepi32_ps(truncated), t)));
  }
  static void StorePairs(std::int32_t* out, Ints x, Ints y) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi32(x, y));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4), _mm_unpackhi_epi32(x, y));
  }
};

struct Sse2Marks {
  static constexpr int kWidth = 4;
  typedef std::uint32_t Unsigned __attribute__((vector_size(16)));
  typedef std::int32_t Signed __attribute__((vector_size(16)));
  static void StoreMarks(std::uint8_t* out, Signed mask, int n) {
    const __m128i ones = _mm_srli_epi32(__m128i(mask), 31), words = _mm_packs_epi32(ones, ones);
    const std::uint32_t four = std::uint32_t(_mm_cvtsi128_si32(_mm_packs_epi16(words, words)));
    for (int i = 0; i < n; ++i) out[i] = std::uint8_t(four >> 8 * i);
  }
};

}  // namespace

FoldPositionsKernel FoldKernelSse2(const FoldKernelArgs& args) { return FoldKernelFor<Sse2Lanes>(args); }

bool FoldKernelMadeFor(const FoldKernelArgs& args) { return KindsKnown(args); }

void MarkBandLanesSse2(const BandLanes& bands, const std::uint32_t* starts, std::uint32_t du,
                       std::uint32_t dv, int count, std::uint8_t* marks) {
  MarkBandLanesWith<Sse2Marks>(bands, starts, du, dv, count, marks);
}

void MarkBentBandsSse2(const BentBandLanes& bands, const std::uint32_t* starts, std::uint32_t du,
                       std::uint32_t dv, int count, std::uint8_t* marks) {
  MarkBentBandsWith<Sse2Lanes>(bands, starts, du, dv, count, marks);
}

}  // namespace corvel::detail
