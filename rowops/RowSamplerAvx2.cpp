// Compiled with AVX2 enabled for this file alone, and run only where the processor record allows:
// everything here is its own (no shared inline code), so that no AVX2 copy of a shared function
// can stand in for the plain one elsewhere.
#include <immintrin.h>

#include "rowops/detail/RowSamplerKernels.h"

namespace corvel::detail {

namespace {

// (256 - f, f) in each 32-bit lane, as the SSE2 kernel weights.
__m128i WeightPair(std::uint32_t f) { return _mm_set1_epi32(int((f << 16) | (256 - f))); }

__m256i WeightPairs(std::uint32_t low, std::uint32_t high) {
  return _mm256_inserti128_si256(_mm256_castsi128_si256(WeightPair(low)), WeightPair(high), 1);
}

__m256i TwoRows(const std::uint8_t* const p[4], std::intptr_t offset) {
  const __m128i low = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p[0] + offset)),
                                         _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p[1] + offset)));
  const __m128i high = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p[2] + offset)),
                                          _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p[3] + offset)));
  return _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
}

// Four footprints by the plain rule, step for step as the SSE2 kernel takes two: pixels 0 and 1
// in the low half, 2 and 3 in the high one, each weighted by the pairs in its lanes of wx0 and wy0
// (pixels 0 and 2) or wx1 and wy1 (pixels 1 and 3). Answers the four pixels' bytes in order.
__m128i BlendFourFootprints(const std::uint8_t* const p[4], std::intptr_t stride, __m256i wx0, __m256i wx1,
                            __m256i wy0, __m256i wy1) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i row0 = TwoRows(p, 0), row1 = TwoRows(p, stride);
  const __m256i a0 = _mm256_unpacklo_epi8(row0, zero), a1 = _mm256_unpackhi_epi8(row0, zero);
  const __m256i c0 = _mm256_unpacklo_epi8(row1, zero), c1 = _mm256_unpackhi_epi8(row1, zero);
  const __m256i bias = _mm256_set1_epi32(32768);
  auto across = [&](__m256i t, __m256i w) {
    return _mm256_sub_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(t, _mm256_srli_si256(t, 8)), w), bias);
  };
  const __m256i tops = _mm256_packs_epi32(across(a0, wx0), across(a1, wx1));
  const __m256i bottoms = _mm256_packs_epi32(across(c0, wx0), across(c1, wx1));
  const __m256i offset = _mm256_set1_epi32(32768 * 256);
  const __m256i v0 = _mm256_srli_epi32(
      _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(tops, bottoms), wy0), offset), 16);
  const __m256i v1 = _mm256_srli_epi32(
      _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(tops, bottoms), wy1), offset), 16);
  const __m256i words = _mm256_packs_epi32(v0, v1);
  const __m256i bytes = _mm256_packus_epi16(words, words);
  return _mm_unpacklo_epi64(_mm256_castsi256_si128(bytes), _mm256_extracti128_si256(bytes, 1));
}

// Four footprints with their fractions as the plain rule takes them.
__m128i BilinearFourPixels(const std::uint8_t* const p[4], std::intptr_t stride, const std::uint32_t fx[4],
                           const std::uint32_t fy[4]) {
  return BlendFourFootprints(p, stride, WeightPairs(fx[0], fx[2]), WeightPairs(fx[1], fx[3]),
                             WeightPairs(fy[0], fy[2]), WeightPairs(fy[1], fy[3]));
}

// Eight positions whose footprints lie inside the window: the taps' byte offsets in it and the
// weight pairs of their fractions, in lanes; false where any footprint leaves it.
struct EightFootprints {
  alignas(32) std::int32_t offsets[8];
  __m256i wx, wy;
};

// Footprints on or past the image's edge along one axis moved onto its last two pixels with all the
// weight on the edge's: its taps, repeated, would weigh the same bytes to the same sums.
void ClampToEdge(__m256i& first, __m256i& fraction, int size) {
  const __m256i last = _mm256_set1_epi32(size - 2);
  const __m256i before = _mm256_cmpgt_epi32(_mm256_setzero_si256(), first);
  const __m256i past = _mm256_cmpgt_epi32(first, last);
  fraction = _mm256_blendv_epi8(_mm256_andnot_si256(before, fraction), _mm256_set1_epi32(256), past);
  first = _mm256_min_epi32(_mm256_max_epi32(first, _mm256_setzero_si256()), last);
}

// Whether the footprints at these top-left pixels lie in the window.
bool InWindow(const BgraRows& rows, __m256i left, __m256i top) {
  const __m256i x0 = _mm256_sub_epi32(left, _mm256_set1_epi32(rows.windowLeft));
  const __m256i y0 = _mm256_sub_epi32(top, _mm256_set1_epi32(rows.windowTop));
  const __m256i none = _mm256_set1_epi32(-1);
  const __m256i insideX = _mm256_and_si256(_mm256_cmpgt_epi32(x0, none),
                                           _mm256_cmpgt_epi32(_mm256_set1_epi32(rows.windowWidth - 1), x0));
  const __m256i insideY = _mm256_and_si256(_mm256_cmpgt_epi32(y0, none),
                                           _mm256_cmpgt_epi32(_mm256_set1_epi32(rows.windowHeight - 1), y0));
  return _mm256_movemask_epi8(_mm256_and_si256(insideX, insideY)) == -1;
}

bool LocateEight(const BgraRows& rows, const std::int32_t* positions, SampleEdge edge, EightFootprints& f) {
  const __m256i pick = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
  const __m256i first = _mm256_permutevar8x32_epi32(
      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(positions)), pick);
  const __m256i second = _mm256_permutevar8x32_epi32(
      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(positions + 8)), pick);
  const __m256i x = _mm256_permute2x128_si256(first, second, 0x20),
                y = _mm256_permute2x128_si256(first, second, 0x31);
  const __m256i mask = _mm256_set1_epi32(0xFF), whole = _mm256_set1_epi32(256);
  __m256i left = _mm256_srai_epi32(x, 8), top = _mm256_srai_epi32(y, 8);
  __m256i fx = _mm256_and_si256(x, mask), fy = _mm256_and_si256(y, mask);
  if (!InWindow(rows, left, top)) {
    if (edge != SampleEdge::kClamp) return false;
    ClampToEdge(left, fx, rows.width);
    ClampToEdge(top, fy, rows.height);
    if (!InWindow(rows, left, top)) return false;
  }
  const __m256i x0 = _mm256_sub_epi32(left, _mm256_set1_epi32(rows.windowLeft));
  const __m256i y0 = _mm256_sub_epi32(top, _mm256_set1_epi32(rows.windowTop));
  const __m256i offsets = _mm256_add_epi32(_mm256_mullo_epi32(y0, _mm256_set1_epi32(int(rows.windowPitch))),
                                           _mm256_slli_epi32(x0, 2));
  _mm256_store_si256(reinterpret_cast<__m256i*>(f.offsets), offsets);
  f.wx = _mm256_or_si256(_mm256_slli_epi32(fx, 16), _mm256_sub_epi32(whole, fx));
  f.wy = _mm256_or_si256(_mm256_slli_epi32(fy, 16), _mm256_sub_epi32(whole, fy));
  return true;
}

// The footprints of pixels k and k + 4 of the eight, each lane its top pair then its bottom pair.
__m256i TwoFootprints(const std::uint8_t* base, std::intptr_t pitch, const EightFootprints& f, int k) {
  auto footprint = [&](int i) {
    const std::uint8_t* top = base + f.offsets[i];
    const __m128i pair = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(top));
    return _mm_castpd_si128(
        _mm_loadh_pd(_mm_castsi128_pd(pair), reinterpret_cast<const double*>(top + pitch)));
  };
  return _mm256_inserti128_si256(_mm256_castsi128_si256(footprint(k)), footprint(k + 4), 1);
}

// Pixels k and k + 4 by the plain rule, as BlendFourFootprints weighs them: each lane's channels
// as four 32-bit values.
template <int k>
__m256i BlendTwoFootprints(__m256i footprints, const EightFootprints& f) {
  // Each channel's left and right taps side by side as 16-bit values, of the top or bottom pair.
  const __m256i topTaps = _mm256_setr_epi8(0, -1, 4, -1, 1, -1, 5, -1, 2, -1, 6, -1, 3, -1, 7, -1, 0, -1, 4,
                                           -1, 1, -1, 5, -1, 2, -1, 6, -1, 3, -1, 7, -1);
  const __m256i bottomTaps = _mm256_setr_epi8(8, -1, 12, -1, 9, -1, 13, -1, 10, -1, 14, -1, 11, -1, 15, -1, 8,
                                              -1, 12, -1, 9, -1, 13, -1, 10, -1, 14, -1, 11, -1, 15, -1);
  // Top and bottom of each channel side by side.
  const __m256i columns = _mm256_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15, 0, 1, 8, 9,
                                           2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15);
  const __m256i wx = _mm256_shuffle_epi32(f.wx, k * 0x55), wy = _mm256_shuffle_epi32(f.wy, k * 0x55);
  const __m256i bias = _mm256_set1_epi32(32768);
  const __m256i tops = _mm256_sub_epi32(_mm256_madd_epi16(_mm256_shuffle_epi8(footprints, topTaps), wx),
                                        bias);
  const __m256i bottoms = _mm256_sub_epi32(_mm256_madd_epi16(_mm256_shuffle_epi8(footprints, bottomTaps), wx),
                                           bias);
  const __m256i pairs = _mm256_shuffle_epi8(_mm256_packs_epi32(tops, bottoms), columns);
  return _mm256_srli_epi32(_mm256_add_epi32(_mm256_madd_epi16(pairs, wy), _mm256_set1_epi32(32768 * 256)),
                           16);
}

// The eight pixels' bytes in order.
__m256i BlendEight(const std::uint8_t* base, std::intptr_t pitch, const EightFootprints& f) {
  const __m256i p04 = BlendTwoFootprints<0>(TwoFootprints(base, pitch, f, 0), f);
  const __m256i p15 = BlendTwoFootprints<1>(TwoFootprints(base, pitch, f, 1), f);
  const __m256i p26 = BlendTwoFootprints<2>(TwoFootprints(base, pitch, f, 2), f);
  const __m256i p37 = BlendTwoFootprints<3>(TwoFootprints(base, pitch, f, 3), f);
  return _mm256_packus_epi16(_mm256_packs_epi32(p04, p15), _mm256_packs_epi32(p26, p37));
}

// Asks for the top and bottom rows of the footprint ahead bytes from the given one; the address
// is only a hint, never read, so it is formed as a number.
void Prefetch(const std::uint8_t* footprint, std::intptr_t ahead, std::intptr_t pitch) {
  const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(footprint) + std::uintptr_t(ahead);
  _mm_prefetch(reinterpret_cast<const char*>(at), _MM_HINT_T0);
  _mm_prefetch(reinterpret_cast<const char*>(at + std::uintptr_t(pitch)), _MM_HINT_T0);
}

bool IsOpaque(__m256i pixels) {
  return (unsigned(_mm256_movemask_epi8(_mm256_cmpeq_epi8(pixels, _mm256_set1_epi8(-1)))) & 0x88888888u) ==
         0x88888888u;
}

bool IsOpaque(__m128i pixels) {
  return (_mm_movemask_epi8(_mm_cmpeq_epi8(pixels, _mm_set1_epi8(-1))) & 0x8888) == 0x8888;
}

}  // namespace

void SampleBilinearBgraAvx2(const BgraRows& rows, std::uint8_t* out, const std::int32_t* positions, int count,
                            SampleEdge edge) {
  const unsigned lastX = unsigned(rows.width - 1), lastY = unsigned(rows.height - 1);
  int i = 0;
  if (rows.window) {
    // Runs of eight inside the window go without a look at the row tables.
    const std::uint8_t* base = rows.window;
    EightFootprints f;
    for (; i + 7 < count; i += 8, out += 32, positions += 16) {
      if (!LocateEight(rows, positions, edge, f)) {
        SampleBilinearBgraPlain(rows, out, positions, 8, edge);
        continue;
      }
      if (rows.windowAhead != 0) {
        Prefetch(base + f.offsets[0], rows.windowAhead, rows.windowPitch);
        Prefetch(base + f.offsets[4], rows.windowAhead, rows.windowPitch);
      }
      const __m256i pixels = BlendEight(base, rows.windowPitch, f);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), pixels);
      if (!IsOpaque(pixels)) SampleBilinearBgraPlain(rows, out, positions, 8, edge);
    }
  }
  for (; i + 3 < count; i += 4, out += 16, positions += 8) {
    const std::uint8_t* p[4];
    std::uint32_t fx[4], fy[4];
    std::intptr_t stride = 0;
    bool inside = true;
    for (int k = 0; k < 4; ++k) {
      const std::int32_t x = positions[2 * k], y = positions[2 * k + 1];
      const int x0 = x >> 8, y0 = y >> 8;
      fx[k] = std::uint32_t(x) & 0xFF;
      fy[k] = std::uint32_t(y) & 0xFF;
      if (unsigned(x0) >= lastX || unsigned(y0) >= lastY) {
        inside = false;
        break;
      }
      const std::intptr_t below = rows.strideBelow[y0];
      if (below == 0 || (k > 0 && below != stride)) {
        inside = false;
        break;
      }
      stride = below;
      p[k] = rows.rows[y0] + 4 * std::size_t(x0);
    }
    if (!inside) {
      SampleBilinearBgraPlain(rows, out, positions, 4, edge);
      continue;
    }
    const __m128i pixels = BilinearFourPixels(p, stride, fx, fy);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), pixels);
    // Opaque results stand; the straight-alpha rule weights the colours of the others.
    if (!IsOpaque(pixels)) SampleBilinearBgraPlain(rows, out, positions, 4, edge);
  }
  if (i < count) SampleBilinearBgraPlain(rows, out, positions, count - i, edge);
}

}  // namespace corvel::detail
