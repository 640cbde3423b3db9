// SSE2 forms of the hottest bilinear kernels (four 8-bit channels), bit-exact with the plain
// ones. Chosen when a resampler is made, by the row engine's SIMD setting.
#pragma once
#include <array>
#include <cstdint>
#include <cstring>

#include "rowops/RowOperation.h"
#include "rowops/detail/ResampleKernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace corvel::detail {

#if defined(__SSE2__)

inline bool HasSimdResampling() { return HasMmx(); }

// The weight pair (256 - f, f) of every fraction f, four times over: one load instead of
// building the broadcast for each footprint.
struct alignas(16) WeightPairs {
  std::uint32_t lanes[4];
};
constexpr std::array<WeightPairs, 256> MakeWeightPairs() {
  std::array<WeightPairs, 256> table{};
  for (std::uint32_t f = 0; f < 256; ++f)
    for (auto& lane : table[f].lanes) lane = (f << 16) | (256 - f);
  return table;
}
inline constexpr std::array<WeightPairs, 256> kWeightPairs = MakeWeightPairs();

inline __m128i WeightPair(std::uint32_t f) {
  return _mm_load_si128(reinterpret_cast<const __m128i*>(&kWeightPairs[f]));
}

// The four channels of one BGRA/BGRxA footprint by the plain rule, as 32-bit lanes.
inline __m128i BilinearFourChannels(const std::uint8_t* p, std::intptr_t stride, std::uint32_t fx,
                                    std::uint32_t fy) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i r0 = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
  const __m128i r1 = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + stride)), zero);
  // (a, b) and (c, d) channel by channel, weighted (256 - fx, fx): a (256 - fx) + b fx is the
  // plain rule's (b - a) fx + 256 a.
  const __m128i ab = _mm_unpacklo_epi16(r0, _mm_srli_si128(r0, 8));
  const __m128i cd = _mm_unpacklo_epi16(r1, _mm_srli_si128(r1, 8));
  const __m128i wx = WeightPair(fx);
  const __m128i bias = _mm_set1_epi32(32768);
  // top and bottom reach 65280: biased into signed 16 bits for the vertical multiply-add.
  const __m128i top = _mm_sub_epi32(_mm_madd_epi16(ab, wx), bias);
  const __m128i bottom = _mm_sub_epi32(_mm_madd_epi16(cd, wx), bias);
  const __m128i tb = _mm_unpacklo_epi16(_mm_packs_epi32(top, top), _mm_packs_epi32(bottom, bottom));
  const __m128i wy = WeightPair(fy);
  const __m128i sum = _mm_add_epi32(_mm_madd_epi16(tb, wy), _mm_set1_epi32(32768 * 256));
  return _mm_srli_epi32(sum, 16);
}

inline std::uint32_t PackChannels(__m128i lanes) {
  const __m128i words = _mm_packs_epi32(lanes, lanes);
  return static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
}

// Two footprints at once: their horizontal passes share the packing, the vertical pass and the
// store. Lanes as in BilinearFourChannels; answers both pixels' bytes.
inline __m128i BilinearTwoPixels(const std::uint8_t* p0, const std::uint8_t* p1, std::intptr_t stride,
                                 std::uint32_t fx0, std::uint32_t fy0, std::uint32_t fx1, std::uint32_t fy1) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i row0 = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p0)),
                                          _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p1)));
  const __m128i row1 = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p0 + stride)),
                                          _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p1 + stride)));
  const __m128i a0 = _mm_unpacklo_epi8(row0, zero), a1 = _mm_unpackhi_epi8(row0, zero);
  const __m128i c0 = _mm_unpacklo_epi8(row1, zero), c1 = _mm_unpackhi_epi8(row1, zero);
  const __m128i wx0 = WeightPair(fx0), wx1 = WeightPair(fx1);
  const __m128i bias = _mm_set1_epi32(32768);
  const __m128i top0 = _mm_sub_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(a0, _mm_srli_si128(a0, 8)), wx0),
                                     bias);
  const __m128i top1 = _mm_sub_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(a1, _mm_srli_si128(a1, 8)), wx1),
                                     bias);
  const __m128i bottom0 = _mm_sub_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(c0, _mm_srli_si128(c0, 8)), wx0),
                                        bias);
  const __m128i bottom1 = _mm_sub_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(c1, _mm_srli_si128(c1, 8)), wx1),
                                        bias);
  const __m128i tops = _mm_packs_epi32(top0, top1), bottoms = _mm_packs_epi32(bottom0, bottom1);
  const __m128i wy0 = WeightPair(fy0), wy1 = WeightPair(fy1);
  const __m128i offset = _mm_set1_epi32(32768 * 256);
  const __m128i v0 = _mm_srli_epi32(
      _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(tops, bottoms), wy0), offset), 16);
  const __m128i v1 = _mm_srli_epi32(
      _mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(tops, bottoms), wy1), offset), 16);
  const __m128i words = _mm_packs_epi32(v0, v1);
  return _mm_packus_epi16(words, words);
}

struct BilinearPlain4Simd {
  static constexpr int kPixelBytes = 4;
  static constexpr bool kPairs = true;
  static void RunPair(std::uint8_t* out, const std::uint8_t* p0, const std::uint8_t* p1, std::intptr_t stride,
                      std::uint32_t fx0, std::uint32_t fy0, std::uint32_t fx1, std::uint32_t fy1) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), BilinearTwoPixels(p0, p1, stride, fx0, fy0, fx1, fy1));
  }
  static void Run(std::uint8_t* out, const std::uint8_t* p, std::intptr_t stride, std::uint32_t fx,
                  std::uint32_t fy) {
    const std::uint32_t pixel = PackChannels(BilinearFourChannels(p, stride, fx, fy));
    std::memcpy(out, &pixel, 4);
  }
};

// Opaque and transparent results are the common cases; partial alpha goes the plain way.
struct BilinearAlpha8Simd {
  static constexpr int kPixelBytes = 4;
  static constexpr bool kPairs = true;
  static void RunPair(std::uint8_t* out, const std::uint8_t* p0, const std::uint8_t* p1, std::intptr_t stride,
                      std::uint32_t fx0, std::uint32_t fy0, std::uint32_t fx1, std::uint32_t fy1) {
    const __m128i pixels = BilinearTwoPixels(p0, p1, stride, fx0, fy0, fx1, fy1);
    const std::uint32_t first = static_cast<std::uint32_t>(_mm_cvtsi128_si32(pixels));
    const std::uint32_t second = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(pixels, 4)));
    if ((first & second) >> 24 == 255) {
      _mm_storel_epi64(reinterpret_cast<__m128i*>(out), pixels);
      return;
    }
    Finish(out, first, p0, stride, fx0, fy0);
    Finish(out + 4, second, p1, stride, fx1, fy1);
  }
  static void Run(std::uint8_t* out, const std::uint8_t* p, std::intptr_t stride, std::uint32_t fx,
                  std::uint32_t fy) {
    Finish(out, PackChannels(BilinearFourChannels(p, stride, fx, fy)), p, stride, fx, fy);
  }
  // The plain result stands when opaque; transparent clears; partial alpha goes the plain way.
  static void Finish(std::uint8_t* out, std::uint32_t pixel, const std::uint8_t* p, std::intptr_t stride,
                     std::uint32_t fx, std::uint32_t fy) {
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
