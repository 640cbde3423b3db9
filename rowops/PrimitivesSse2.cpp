#include "rowops/detail/PrimitivesSse2.h"

#include <emmintrin.h>

#include <cmath>
#include <type_traits>

#include "rowops/detail/PrimitivesPlain.h"

namespace corvel::detail {
namespace {

// SSE2 forms: eight elements a step, then the plain loop for the rest.
template <typename T>
struct Simd {
  using P = PlainPrimitives<T>;
  static __m128i Load(const T* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
  static void Store(T* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

  static void ToBytes(std::uint8_t* dst, const T* src, int count) {
    int i = 0;
    for (; i + 8 <= count; i += 8) {
      __m128i v = Load(src + i);
      // Unsigned elements above 255 saturate first; signed ones clamp in the pack itself.
      if constexpr (!std::is_signed<T>::value) {
        v = _mm_sub_epi16(v, _mm_subs_epu16(v, _mm_set1_epi16(255)));
      }
      _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(v, v));
    }
    P::ToBytes(dst + i, src + i, count - i);
  }
  static void FromBytes(T* dst, const std::uint8_t* src, int count) {
    int i = 0;
    for (; i + 8 <= count; i += 8) {
      __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + i));
      Store(dst + i, _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
    }
    P::FromBytes(dst + i, src + i, count - i);
  }
  static void Add(T* dst, const T* src, int count) {
    int i = 0;
    for (; i + 8 <= count; i += 8) Store(dst + i, _mm_add_epi16(Load(dst + i), Load(src + i)));
    P::Add(dst + i, src + i, count - i);
  }
  static void And(T* dst, const T* src, int count) {
    int i = 0;
    for (; i + 8 <= count; i += 8) Store(dst + i, _mm_and_si128(Load(dst + i), Load(src + i)));
    P::And(dst + i, src + i, count - i);
  }
  static void MultiplyAdd(T* dst, const T* a, const T* b, int count) {
    int i = 0;
    for (; i + 8 <= count; i += 8) {
      Store(dst + i, _mm_add_epi16(Load(dst + i), _mm_mullo_epi16(Load(a + i), Load(b + i))));
    }
    P::MultiplyAdd(dst + i, a + i, b + i, count - i);
  }
  static void AddScaled(T* dst, const T* src, double factor, int count) {
    std::uint32_t f = TruncatedBits(factor);
    if (f == 0) return;
    if (f == 1) return Add(dst, src, count);
    const __m128i scale = _mm_set1_epi16(static_cast<short>(f));
    int i = 0;
    for (; i + 8 <= count; i += 8) {
      Store(dst + i, _mm_add_epi16(Load(dst + i), _mm_mullo_epi16(Load(src + i), scale)));
    }
    P::AddScaled(dst + i, src + i, factor, count - i);
  }
  static void Or(T* dst, const T* a, const T* b, int count) {
    int i = 0;
    for (; i + 8 <= count; i += 8) Store(dst + i, _mm_or_si128(Load(a + i), Load(b + i)));
    P::Or(dst + i, a + i, b + i, count - i);
  }
  static void Convolve(T* dst, int dstCount, const T* src, int srcCount, const double* weights, int taps) {
    if (taps < 1 || dstCount != srcCount - taps + 1) return;
    for (int i = 0; i < dstCount; ++i) dst[i] = 0;
    for (int k = 0; k < taps; ++k) {
      std::uint32_t w = TruncatedBits(std::nearbyint(weights[k]));
      const __m128i wv = _mm_set1_epi16(static_cast<short>(w));
      int i = 0;
      for (; i + 8 <= dstCount; i += 8) {
        Store(dst + i, _mm_add_epi16(Load(dst + i), _mm_mullo_epi16(Load(src + i + k), wv)));
      }
      for (; i < dstCount; ++i) {
        dst[i] = Wrap<T>(P::U(dst[i]) + P::U(src[i + k]) * P::U(Wrap<T>(w)));
      }
    }
  }
};

}  // namespace

PrimitiveTable<std::int16_t> MakeSignedSimdTable() {
  using S = Simd<std::int16_t>;
  PrimitiveTable<std::int16_t> table = PlainPrimitives<std::int16_t>::kTable;
  table.toBytes = S::ToBytes;
  table.fromBytes = S::FromBytes;
  table.add = S::Add;
  table.multiplyAdd = S::MultiplyAdd;
  table.addScaled = S::AddScaled;
  table.bitOr = S::Or;
  table.convolve = S::Convolve;
  return table;
}

PrimitiveTable<std::uint16_t> MakeUnsignedSimdTable() {
  using S = Simd<std::uint16_t>;
  PrimitiveTable<std::uint16_t> table = PlainPrimitives<std::uint16_t>::kTable;
  table.toBytes = S::ToBytes;
  table.fromBytes = S::FromBytes;
  table.add = S::Add;
  table.bitAnd = S::And;
  table.multiplyAdd = S::MultiplyAdd;
  table.bitOr = S::Or;
  table.convolve = S::Convolve;
  return table;
}

}  // namespace corvel::detail
