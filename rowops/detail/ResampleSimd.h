// SSE2 forms of the hottest bilinear kernels (four 8-bit channels), bit-exact with the plain
// ones. Chosen when a resampler is made, by the row engine's SIMD setting.
#pragma once
#include <cstdint>

#include "rowops/RowOperation.h"
#include "rowops/detail/ResampleKernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace corvel::detail {

#if defined(__SSE2__)

inline bool HasSimdResampling() { return HasMmx(); }

// The four channels of one BGRA/BGRxA footprint by the plain rule, as 32-bit lanes.
inline __m128i BilinearFourChannels(const std::uint8_t* p, std::intptr_t stride, std::uint32_t fx, std::uint32_t fy) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i r0 = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
  const __m128i r1 = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + stride)), zero);
  // (a, b) and (c, d) channel by channel, weighted (256 - fx, fx): a (256 - fx) + b fx is the
  // plain rule's (b - a) fx + 256 a.
  const __m128i ab = _mm_unpacklo_epi16(r0, _mm_srli_si128(r0, 8));
  const __m128i cd = _mm_unpacklo_epi16(r1, _mm_srli_si128(r1, 8));
  const __m128i wx = _mm_set1_epi32(static_cast<int>((fx << 16) | (256 - fx)));
  const __m128i bias = _mm_set1_epi32(32768);
  // top and bottom reach 65280: biased into signed 16 bits for the vertical multiply-add.
  const __m128i top = _mm_sub_epi32(_mm_madd_epi16(ab, wx), bias);
  const __m128i bottom = _mm_sub_epi32(_mm_madd_epi16(cd, wx), bias);
  const __m128i tb = _mm_unpacklo_epi16(_mm_packs_epi32(top, top), _mm_packs_epi32(bottom, bottom));
  const __m128i wy = _mm_set1_epi32(static_cast<int>((fy << 16) | (256 - fy)));
  const __m128i sum = _mm_add_epi32(_mm_madd_epi16(tb, wy), _mm_set1_epi32(32768 * 256));
  return _mm_srli_epi32(sum, 16);
}

inline std::uint32_t PackChannels(__m128i lanes) {
  const __m128i words = _mm_packs_epi32(lanes, lanes);
  return static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
}

struct BilinearPlain4Simd {
  static constexpr int kPixelBytes = 4;
  static void Run(std::uint8_t* out, const std::uint8_t* p, std::intptr_t stride, std::uint32_t fx, std::uint32_t fy) {
    const std::uint32_t pixel = PackChannels(BilinearFourChannels(p, stride, fx, fy));
    std::memcpy(out, &pixel, 4);
  }
};

// Opaque and transparent results are the common cases; partial alpha goes the plain way.
struct BilinearAlpha8Simd {
  static constexpr int kPixelBytes = 4;
  static void Run(std::uint8_t* out, const std::uint8_t* p, std::intptr_t stride, std::uint32_t fx, std::uint32_t fy) {
    std::uint32_t pixel = PackChannels(BilinearFourChannels(p, stride, fx, fy));
    const std::uint32_t alpha = pixel >> 24;
    if (alpha == 0) {
      pixel = 0;
    } else if (alpha != 255) {
      BilinearAlpha8<3>::Run(out, p, stride, fx, fy);
      return;
    }
    std::memcpy(out, &pixel, 4);
  }
};

#else

inline bool HasSimdResampling() { return false; }
using BilinearPlain4Simd = BilinearPlain<std::uint8_t, 4>;
using BilinearAlpha8Simd = BilinearAlpha8<3>;

#endif

}  // namespace corvel::detail
