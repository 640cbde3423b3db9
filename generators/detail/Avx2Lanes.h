// The AVX2 lanes the fold kernels and the bent bands' marks run on. Include it only from files built
// for AVX2: its code, in an unnamed namespace, stays each file's own.
#pragma once
#include <immintrin.h>

#include <cstdint>

namespace corvel::detail {

namespace {

struct Avx2Lanes {
  using Floats = __m256;
  using Ints = __m256i;
  using Masks = __m256;  // all of a lane's bits set or clear
  static constexpr int kWidth = 8;
  static Ints Ramp(std::uint32_t start, std::uint32_t step) {
    return _mm256_add_epi32(
        _mm256_set1_epi32(int(start)),
        _mm256_mullo_epi32(_mm256_set1_epi32(int(step)), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7)));
  }
  static Ints Splat(std::uint32_t t) { return _mm256_set1_epi32(int(t)); }
  static Floats Splat(float t) { return _mm256_set1_ps(t); }
  static Ints Add(Ints a, Ints b) { return _mm256_add_epi32(a, b); }
  // An unsigned 0.32 coordinate, half a 2^24th added already, rounded down to 24 bits: whole
  // 2^24ths, as a float.
  static Floats Whole24ths(Ints t) { return _mm256_cvtepi32_ps(_mm256_srli_epi32(t, 8)); }
  static Floats Unit(Ints t) {
    return _mm256_mul_ps(Whole24ths(_mm256_add_epi32(t, _mm256_set1_epi32(128))), _mm256_set1_ps(0x1p-24f));
  }
  static Floats Add(Floats a, Floats b) { return _mm256_add_ps(a, b); }
  static Floats Sub(Floats a, Floats b) { return _mm256_sub_ps(a, b); }
  static Floats Mul(Floats a, Floats b) { return _mm256_mul_ps(a, b); }
  static Floats Max(Floats a, Floats b) { return _mm256_max_ps(a, b); }
  static Floats Min(Floats a, Floats b) { return _mm256_min_ps(a, b); }
  static Floats Less(Floats a, Floats b) { return _mm256_cmp_ps(a, b, _CMP_LT_OQ); }
  static Floats Mask(std::uint32_t bits) { return _mm256_castsi256_ps(_mm256_set1_epi32(int(bits))); }
  static Floats And(Floats a, Floats b) { return _mm256_and_ps(a, b); }
  static Floats AndNot(Floats a, Floats b) { return _mm256_andnot_ps(a, b); }
  static Floats Or(Floats a, Floats b) { return _mm256_or_ps(a, b); }
  static int Bits(Floats mask) { return _mm256_movemask_ps(mask); }
  static Floats ToFloats(Ints t) { return _mm256_cvtepi32_ps(t); }
  static bool Any(Floats mask) { return _mm256_movemask_ps(mask) != 0; }
  static Floats Xor(Floats a, Floats b) { return _mm256_xor_ps(a, b); }
  static Floats Select(Floats mask, Floats yes, Floats no) { return _mm256_blendv_ps(no, yes, mask); }
  static void Store(float* out, Floats t) { _mm256_storeu_ps(out, t); }
  // Rounded down; NaN and what lies past the integers to the lowest.
  static Ints Floor(Floats t) { return _mm256_cvttps_epi32(_mm256_floor_ps(t)); }
  static void StorePairs(std::int32_t* out, Ints x, Ints y) {
    const __m256i low = _mm256_unpacklo_epi32(x, y), high = _mm256_unpackhi_epi32(x, y);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_permute2x128_si256(low, high, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 8), _mm256_permute2x128_si256(low, high, 0x31));
  }
};

}  // namespace

}  // namespace corvel::detail
