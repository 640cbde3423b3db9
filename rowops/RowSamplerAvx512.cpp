// Compiled with AVX-512 enabled for this file alone, and run only where the processor record
// allows; everything here is its own, as in the AVX2 file.
//
// Rows that turn through the source, each pixel with fractions of its own: eight footprints'
// upper and lower pairs are gathered in two loads, where AVX2 puts sixteen pairs in place one by
// one, and weighed by AVX2's sums on bytes, so that the bytes are the same. Everything else (no
// window, rows of whole steps along rows or columns, footprints leaving the window, results not
// opaque) goes to the AVX2 kernel. No rows are asked for ahead, as AVX2 asks: with the gathers,
// the hints cost more than they gained.
// GCC 12 takes the intrinsics' own undefined starting values for uninitialised reads.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

#include <cstdint>

#include "rowops/detail/RowSamplerKernels.h"

namespace corvel::detail {

namespace {

// Whether a run of eight steps a whole pixel at a time along a row or a column, from its first
// two positions to its last: AVX2 reads such runs as blocks.
bool StepsWhole(const std::int32_t* positions) {
  const std::uint32_t dx = std::uint32_t(positions[2]) - std::uint32_t(positions[0]),
                      dy = std::uint32_t(positions[3]) - std::uint32_t(positions[1]);
  return (dx == 0) != (dy == 0) && ((dx | dy) == 256 || (dx | dy) == 0xFFFFFF00u) &&
         std::uint32_t(positions[14]) - std::uint32_t(positions[0]) == 7 * dx &&
         std::uint32_t(positions[15]) - std::uint32_t(positions[1]) == 7 * dy;
}

// What every run reads of the window; pairs of 32-bit lanes as positions lie, x then y.
struct Window {
  explicit Window(const BgraRows& rows)
      : corner(Pair(rows.windowLeft, rows.windowTop)),
        lastCorner(Pair(rows.windowWidth - 2, rows.windowHeight - 2)),
        strides(Pair(4, std::int32_t(rows.windowPitch))),
        pitch(_mm512_set1_epi64(rows.windowPitch)),
        base(rows.window) {}
  static __m512i Pair(std::int32_t x, std::int32_t y) {
    return _mm512_set1_epi64(std::int64_t(std::uint64_t(std::uint32_t(y)) << 32 | std::uint32_t(x)));
  }
  __m512i corner, lastCorner, strides, pitch;
  const std::uint8_t* base;
};

// Eight pixels from their positions into out; false, with nothing stored, where a footprint
// leaves the window or a result is not opaque. Each pixel's x and y stay side by side in a 64-bit
// lane, as positions lie.
bool BlendEight(const Window& w, const std::int32_t* positions, std::uint8_t* out) {
  const __m512i pairs = _mm512_loadu_si512(positions);
  const __m512i fractions = _mm512_and_si512(pairs, _mm512_set1_epi32(0xFF));
  const __m512i whole = _mm512_sub_epi32(_mm512_srai_epi32(pairs, 8), w.corner);
  // Unsigned, what lies before the window's corner lies past its far side too.
  if (_mm512_cmple_epu32_mask(whole, w.lastCorner) != 0xFFFF) return false;
  // The upper pair's offset, 4 x + pitch y; where no weight goes down, the upper row again for the
  // lower, weighed (255, 1).
  const __m512i scaled = _mm512_mullo_epi32(whole, w.strides);
  const __m512i upper = _mm512_add_epi64(_mm512_and_si512(scaled, _mm512_set1_epi64(0xFFFFFFFF)),
                                         _mm512_srli_epi64(scaled, 32));
  const __mmask8 down = _mm512_test_epi64_mask(fractions, _mm512_set1_epi64(std::int64_t{0xFF} << 32));
  const __m512i lower = _mm512_mask_add_epi64(upper, down, upper, w.pitch);
  const __m512i uppers = _mm512_i64gather_epi64(upper, w.base, 1),
                lowers = _mm512_i64gather_epi64(lower, w.base, 1);
  // Beside each x, the 16-bit pair (256 - fx, fx); beside each y, the byte pairs (256 - fy, fy)
  // twice, fy raised to 1 where it is 0.
  const __m512i raised = _mm512_max_epi32(fractions, _mm512_set1_epi64(std::int64_t{1} << 32));
  const __m512i weights = _mm512_add_epi32(_mm512_mullo_epi32(raised, _mm512_set1_epi64(0x00FF00FF0000FFFF)),
                                           _mm512_set1_epi64(0x0100010000000100));
  const __m512i columns = _mm512_broadcast_i32x4(
      _mm_setr_epi8(0, 8, 4, 12, 1, 9, 5, 13, 2, 10, 6, 14, 3, 11, 7, 15));
  const __m512i flip = _mm512_set1_epi8(-128);
  // Each channel less 128, in 32 bits, as the AVX2 kernel sums it: the even pixels' footprints, a
  // 128-bit lane each (upper pair, lower pair), weighed by their lanes' first pair of 32 bits, the
  // odd ones' by the second.
  auto mix = [&](__m512i footprints, __m512i columnWeights, __m512i rowWeights) {
    const __m512i taps = _mm512_xor_si512(_mm512_shuffle_epi8(footprints, columns), flip);
    return _mm512_srai_epi32(_mm512_madd_epi16(_mm512_maddubs_epi16(columnWeights, taps), rowWeights), 16);
  };
  const __m512i evens = mix(_mm512_unpacklo_epi64(uppers, lowers),
                            _mm512_shuffle_epi32(weights, _MM_PERM_BBBB),
                            _mm512_shuffle_epi32(weights, _MM_PERM_AAAA));
  const __m512i odds = mix(_mm512_unpackhi_epi64(uppers, lowers),
                           _mm512_shuffle_epi32(weights, _MM_PERM_DDDD),
                           _mm512_shuffle_epi32(weights, _MM_PERM_CCCC));
  // Each lane: an even pixel and the odd one after it, in bytes back to 0..255.
  const __m512i words = _mm512_packs_epi32(evens, odds);
  const __m512i bytes = _mm512_xor_si512(_mm512_packs_epi16(words, words), flip);
  const __m256i pixels = _mm512_castsi512_si256(
      _mm512_permutexvar_epi64(_mm512_setr_epi64(0, 2, 4, 6, 0, 2, 4, 6), bytes));
  if (!_mm256_testc_si256(pixels, _mm256_set1_epi32(int(0xFF000000u)))) return false;
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), pixels);
  return true;
}

}  // namespace

void SampleBilinearBgraAvx512(const BgraRows& rows, std::uint8_t* out, const std::int32_t* positions,
                              int count, SampleEdge edge) {
  // A row that steps whole pixels at its start, middle or end goes to AVX2, which reads them as
  // blocks; a row scaled by a hair, stepping 255 now and then among 256s, does not.
  if (!rows.window || count < 8 || StepsWhole(positions) || StepsWhole(positions + 2 * (count / 2 - 4)) ||
      StepsWhole(positions + 2 * (count - 8)))
    return SampleBilinearBgraAvx2(rows, out, positions, count, edge);
  const Window w(rows);
  // The few past the last run of eight go with the seven before them: those taken twice store
  // the same.
  for (int i = 0; i < count; i += 8) {
    const int first = i + 8 <= count ? i : count - 8;
    if (!BlendEight(w, positions + 2 * first, out + 4 * first))
      SampleBilinearBgraAvx2(rows, out + 4 * first, positions + 2 * first, 8, edge);
  }
}

}  // namespace corvel::detail
