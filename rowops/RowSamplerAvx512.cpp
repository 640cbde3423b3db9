// Compiled with AVX-512 enabled for this file alone, and run only where the processor record
// allows; everything here is its own, as in the AVX2 file.
//
// Rows that turn through the source, each pixel with fractions of its own: eight footprints'
// upper and lower pairs are gathered in two loads, where AVX2 puts sixteen pairs in place one by
// one, and weighed by AVX2's sums on bytes, so that the bytes are the same. Everything else (no
// window, rows of whole steps along rows or columns, footprints leaving the window, results not
// opaque) goes to the AVX2 kernel.
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

// What every run reads of the window.
struct Window {
  explicit Window(const BgraRows& rows)
      : left(_mm256_set1_epi32(rows.windowLeft)),
        top(_mm256_set1_epi32(rows.windowTop)),
        lastLeft(_mm256_set1_epi32(rows.windowWidth - 2)),
        lastTop(_mm256_set1_epi32(rows.windowHeight - 2)),
        pitch(_mm256_set1_epi32(int(rows.windowPitch))),
        base(rows.window),
        pitchBytes(rows.windowPitch),
        ahead(rows.windowAhead),
        aheadRows(rows.aheadRows),
        aheadBothWays(rows.aheadBothWays),
        left0(rows.windowLeft),
        top0(rows.windowTop) {}
  __m256i left, top, lastLeft, lastTop, pitch;
  const std::uint8_t* base;
  std::intptr_t pitchBytes, ahead, aheadRows;
  bool aheadBothWays;
  int left0, top0;
};

// Asks for the top and bottom rows of the footprint ahead bytes on; only a hint, never read.
void Prefetch(const std::uint8_t* footprint, std::intptr_t ahead, std::intptr_t pitch) {
  const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(footprint) + std::uintptr_t(ahead);
  _mm_prefetch(reinterpret_cast<const char*>(at), _MM_HINT_T0);
  _mm_prefetch(reinterpret_cast<const char*>(at + std::uintptr_t(pitch)), _MM_HINT_T0);
}

// What the run at these positions reads some rows on, asked for as the AVX2 kernel asks: the
// window's step, or a quarter turn of the run's own step along the row.
void ReadAhead(const Window& w, const std::int32_t* from) {
  if (w.aheadRows == 0 && w.ahead == 0) return;
  auto footprint = [&](int k) {
    return w.base + (std::intptr_t{from[2 * k + 1] >> 8} - w.top0) * w.pitchBytes +
           4 * (std::intptr_t{from[2 * k] >> 8} - w.left0);
  };
  std::intptr_t ahead = w.ahead;
  if (w.aheadRows != 0) {
    const std::intptr_t dx = -w.aheadRows * (from[9] - from[1]) >> 10,
                        dy = w.aheadRows * (from[8] - from[0]) >> 10;
    ahead = dy * w.pitchBytes + 4 * dx;
  }
  Prefetch(footprint(0), ahead, w.pitchBytes);
  Prefetch(footprint(4), ahead, w.pitchBytes);
  if (w.aheadRows != 0 && w.aheadBothWays) {
    Prefetch(footprint(0), -ahead, w.pitchBytes);
    Prefetch(footprint(4), -ahead, w.pitchBytes);
  }
}

// Eight pixels from their positions into out; false, with nothing stored, where a footprint
// leaves the window or a result is not opaque.
bool BlendEight(const Window& w, const std::int32_t* positions, std::uint8_t* out) {
  const __m512i pairs = _mm512_loadu_si512(positions);
  const __m256i x = _mm512_cvtepi64_epi32(pairs), y = _mm512_cvtepi64_epi32(_mm512_srli_epi64(pairs, 32));
  const __m256i mask = _mm256_set1_epi32(0xFF);
  const __m256i fx = _mm256_and_si256(x, mask), fy = _mm256_and_si256(y, mask);
  const __m256i x0 = _mm256_sub_epi32(_mm256_srai_epi32(x, 8), w.left);
  const __m256i y0 = _mm256_sub_epi32(_mm256_srai_epi32(y, 8), w.top);
  // Unsigned, what lies before the window's corner lies past its far side too.
  if ((_mm256_cmple_epu32_mask(x0, w.lastLeft) & _mm256_cmple_epu32_mask(y0, w.lastTop)) != 0xFF)
    return false;
  const __m256i upper = _mm256_add_epi32(_mm256_mullo_epi32(y0, w.pitch), _mm256_slli_epi32(x0, 2));
  // Where no weight goes down, the upper row again, weighed (255, 1).
  const __m256i lower = _mm256_mask_add_epi32(upper, _mm256_test_epi32_mask(fy, fy), upper, w.pitch);
  const __m512i uppers = _mm512_i32gather_epi64(upper, w.base, 1),
                lowers = _mm512_i32gather_epi64(lower, w.base, 1);
  // In each 32-bit lane, the byte pairs (256 - fy, fy) twice, fy raised to 1 where it is 0; and
  // the 16-bit pair (256 - fx, fx).
  const __m256i g = _mm256_max_epi32(fy, _mm256_set1_epi32(1));
  const __m256i columnWeights = _mm256_add_epi32(_mm256_mullo_epi32(g, _mm256_set1_epi32(0x00FF00FF)),
                                                 _mm256_set1_epi32(0x01000100));
  const __m256i rowWeights = _mm256_add_epi32(_mm256_mullo_epi32(fx, _mm256_set1_epi32(0xFFFF)),
                                              _mm256_set1_epi32(256));
  // The even pixels' footprints, a 128-bit lane each, then the odd ones': upper pair, lower pair.
  const __m512i even = _mm512_setr_epi32(0, 0, 0, 0, 2, 2, 2, 2, 4, 4, 4, 4, 6, 6, 6, 6);
  const __m512i odd = _mm512_add_epi32(even, _mm512_set1_epi32(1));
  const __m512i columns = _mm512_broadcast_i32x4(
      _mm_setr_epi8(0, 8, 4, 12, 1, 9, 5, 13, 2, 10, 6, 14, 3, 11, 7, 15));
  const __m512i flip = _mm512_set1_epi8(-128);
  // Each channel less 128, in 32 bits, as the AVX2 kernel sums it.
  auto mix = [&](__m512i footprints, __m512i pick) {
    const __m512i taps = _mm512_xor_si512(_mm512_shuffle_epi8(footprints, columns), flip);
    const __m512i mixed = _mm512_maddubs_epi16(
        _mm512_permutexvar_epi32(pick, _mm512_castsi256_si512(columnWeights)), taps);
    return _mm512_srai_epi32(
        _mm512_madd_epi16(mixed, _mm512_permutexvar_epi32(pick, _mm512_castsi256_si512(rowWeights))), 16);
  };
  const __m512i evens = mix(_mm512_unpacklo_epi64(uppers, lowers), even);
  const __m512i odds = mix(_mm512_unpackhi_epi64(uppers, lowers), odd);
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
    ReadAhead(w, positions + 2 * first);
    if (!BlendEight(w, positions + 2 * first, out + 4 * first))
      SampleBilinearBgraAvx2(rows, out + 4 * first, positions + 2 * first, 8, edge);
  }
}

}  // namespace corvel::detail
