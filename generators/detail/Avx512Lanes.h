// The AVX-512 lanes the fold kernels and the bent bands' marks run on: the same operations lane by lane as
// AVX2's, so the same positions, the lanes' tests in mask registers, their selects each one masked move, a
// floor and its conversion one rounded conversion. Include it only from files built for AVX-512 (F and DQ)
// with contraction off: its code, in an unnamed namespace, stays each file's own.
#pragma once
#include <immintrin.h>

#include <cstdint>

namespace corvel::detail {

namespace {

struct Avx512Lanes {
  using Floats = __m512;
  using Ints = __m512i;
  static constexpr int kWidth = 16;
  static Ints Ramp(std::uint32_t start, std::uint32_t step) {
    return _mm512_add_epi32(
        _mm512_set1_epi32(int(start)),
        _mm512_mullo_epi32(_mm512_set1_epi32(int(step)),
                           _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15)));
  }
  static Ints Splat(std::uint32_t t) { return _mm512_set1_epi32(int(t)); }
  static Floats Splat(float t) { return _mm512_set1_ps(t); }
  static Ints Add(Ints a, Ints b) { return _mm512_add_epi32(a, b); }
  // An unsigned 0.32 coordinate, half a 2^24th added already, rounded down to 24 bits: whole
  // 2^24ths, as a float.
  static Floats Whole24ths(Ints t) { return _mm512_cvtepi32_ps(_mm512_srli_epi32(t, 8)); }
  // An unsigned 0.32 coordinate rounded to 24 bits, as a float in [0, 1); the top rounds to 0.
  static Floats Unit(Ints t) {
    return _mm512_mul_ps(Whole24ths(_mm512_add_epi32(t, _mm512_set1_epi32(128))), _mm512_set1_ps(0x1p-24f));
  }
  static Floats ToFloats(Ints t) { return _mm512_cvtepi32_ps(t); }
  static Floats Add(Floats a, Floats b) { return _mm512_add_ps(a, b); }
  static Floats Sub(Floats a, Floats b) { return _mm512_sub_ps(a, b); }
  static Floats Mul(Floats a, Floats b) { return _mm512_mul_ps(a, b); }
  static Floats Max(Floats a, Floats b) { return _mm512_max_ps(a, b); }
  static Floats Min(Floats a, Floats b) { return _mm512_min_ps(a, b); }
  static Floats Xor(Floats a, Floats b) { return _mm512_xor_ps(a, b); }
  // A lane's mask a bit.
  using Masks = __mmask16;
  static Masks Less(Floats a, Floats b) { return _mm512_cmp_ps_mask(a, b, _CMP_LT_OQ); }
  static Masks Mask(std::uint32_t bits) { return bits != 0 ? 0xFFFF : 0; }
  static Masks And(Masks a, Masks b) { return Masks(a & b); }
  static Masks AndNot(Masks a, Masks b) { return Masks(~a & b); }
  static Masks Or(Masks a, Masks b) { return Masks(a | b); }
  static Masks Xor(Masks a, Masks b) { return Masks(a ^ b); }
  static int Bits(Masks mask) { return mask; }
  static bool Any(Masks mask) { return mask != 0; }
  static Floats Select(Masks mask, Floats yes, Floats no) { return _mm512_mask_blend_ps(mask, no, yes); }
  static void Store(float* out, Floats t) { _mm512_storeu_ps(out, t); }
  // Rounded down; NaN and what lies past the integers to the lowest, as a floor then a truncation
  // gives them.
  static Ints Floor(Floats t) {
    return _mm512_cvt_roundps_epi32(t, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
  }
  static void StorePairs(std::int32_t* out, Ints x, Ints y) {
    const __m512i first = _mm512_setr_epi32(0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23);
    const __m512i second = _mm512_setr_epi32(8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15, 31);
    _mm512_storeu_si512(out, _mm512_permutex2var_epi32(x, first, y));
    _mm512_storeu_si512(out + 16, _mm512_permutex2var_epi32(x, second, y));
  }
  // Sets (to 1) the first n of the bytes at out whose lanes are set in mask, in one masked
  // store; leaves the others.
  static void MarkOnes(Masks mask, std::uint8_t* out, int n) {
    const Masks within = n >= kWidth ? Masks(0xFFFF) : Masks((1u << n) - 1);
    _mm512_mask_cvtepi32_storeu_epi8(out, Masks(mask & within), _mm512_set1_epi32(1));
  }
};

}  // namespace

}  // namespace corvel::detail
