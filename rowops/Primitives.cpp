#include "rowops/Primitives.h"

#include <emmintrin.h>

#include <cmath>
#include <cstring>
#include <type_traits>

#include "rowops/RowOperation.h"

namespace corvel {
namespace {

// Wraps to 16 bits; arithmetic is done on unsigned 32-bit values so that it wraps without
// undefined behaviour.
template <typename T>
T Wrap(std::uint32_t v) {
  return static_cast<T>(static_cast<std::uint16_t>(v));
}

// A double truncated toward zero and kept to 16 bits; values no integer can hold give 0.
std::uint32_t TruncatedBits(double value) {
  if (!(std::fabs(value) < 9.2e18)) return 0;
  return static_cast<std::uint32_t>(static_cast<std::int64_t>(value)) & 0xFFFF;
}

template <typename T>
struct Plain {
  static constexpr bool kSigned = std::is_signed<T>::value;
  static std::uint32_t U(T v) { return static_cast<std::uint32_t>(static_cast<std::int32_t>(v)); }

  static void Set(T* dst, double value, int count) {
    T v = Wrap<T>(TruncatedBits(value));
    for (int i = 0; i < count; ++i) dst[i] = v;
  }
  static void ToBytes(std::uint8_t* dst, const T* src, int count) {
    for (int i = 0; i < count; ++i) {
      int v = src[i];
      dst[i] = static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
    }
  }
  static void FromBytes(T* dst, const std::uint8_t* src, int count) {
    for (int i = 0; i < count; ++i) dst[i] = static_cast<T>(src[i]);
  }
  static void Clamp(T* dst, const T* src, int count) {
    for (int i = 0; i < count; ++i) dst[i] = src[i] < 0 ? T(0) : src[i];
  }
  static void Copy(T* dst, const T* src, int count) {
    if (count > 0) std::memmove(dst, src, sizeof(T) * static_cast<std::size_t>(count));
  }
  static void Add(T* dst, const T* src, int count) {
    for (int i = 0; i < count; ++i) dst[i] = Wrap<T>(U(dst[i]) + U(src[i]));
  }
  static void And(T* dst, const T* src, int count) {
    for (int i = 0; i < count; ++i) dst[i] = static_cast<T>(dst[i] & src[i]);
  }
  static void Subtract(T* dst, const T* src, int count) {
    for (int i = 0; i < count; ++i) dst[i] = Wrap<T>(U(dst[i]) - U(src[i]));
  }
  static void AddConstant(T* dst, double value, int count) {
    std::uint32_t v = TruncatedBits(value);
    if (v == 0) return;
    for (int i = 0; i < count; ++i) dst[i] = Wrap<T>(U(dst[i]) + v);
  }
  static void Sum(T* dst, const T* a, const T* b, int count) {
    for (int i = 0; i < count; ++i) dst[i] = Wrap<T>(U(a[i]) + U(b[i]));
  }
  static void MultiplyAdd(T* dst, const T* a, const T* b, int count) {
    for (int i = 0; i < count; ++i) dst[i] = Wrap<T>(U(dst[i]) + U(a[i]) * U(b[i]));
  }
  static void AddScaled(T* dst, const T* src, double factor, int count) {
    std::uint32_t f = TruncatedBits(factor);
    if (f == 0) return;
    if (f == 1) return Add(dst, src, count);
    std::uint32_t scale = U(Wrap<T>(f));
    for (int i = 0; i < count; ++i) dst[i] = Wrap<T>(U(dst[i]) + U(src[i]) * scale);
  }
  static void DivideByConstant(T* dst, double divisor, int count) {
    const int d = Wrap<T>(TruncatedBits(divisor));
    if (d == 0 || d == 1) return;
    if (d > 1 && (d & (d - 1)) == 0) {
      int shift = 0;
      while ((1 << shift) < d) ++shift;
      return ShiftRight(dst, shift, count);
    }
    for (int i = 0; i < count; ++i) dst[i] = Wrap<T>(static_cast<std::uint32_t>(dst[i] / d));
  }
  static void MinMax(T* minimum, T* maximum, const T* src, int count) {
    if (count <= 0) return;
    T lo = src[0], hi = src[0];
    for (int i = 1; i < count; ++i) {
      if (src[i] < lo) lo = src[i];
      else if (src[i] > hi) hi = src[i];
    }
    *minimum = lo;
    *maximum = hi;
  }
  static void Or(T* dst, const T* a, const T* b, int count) {
    for (int i = 0; i < count; ++i) dst[i] = static_cast<T>(a[i] | b[i]);
  }
  static void ShiftRight(T* dst, int n, int count) {
    if (n <= 0) return;
    // Beyond the width a signed element fills with its sign, an unsigned one becomes 0.
    const bool clear = !kSigned && n > 15;
    const int shift = n > 15 ? 15 : n;
    for (int i = 0; i < count; ++i) dst[i] = clear ? T(0) : static_cast<T>(dst[i] >> shift);
  }
  static void ShiftLeft(T* dst, int n, int count) {
    if (n <= 0) return;
    for (int i = 0; i < count; ++i) dst[i] = n > 15 ? T(0) : Wrap<T>(U(dst[i]) << n);
  }
  static void Convolve(T* dst, int dstCount, const T* src, int srcCount, const double* weights,
                       int taps) {
    if (taps < 1 || dstCount != srcCount - taps + 1) return;
    for (int i = 0; i < dstCount; ++i) dst[i] = 0;
    for (int k = 0; k < taps; ++k) {
      std::uint32_t w = U(Wrap<T>(TruncatedBits(std::nearbyint(weights[k]))));
      for (int i = 0; i < dstCount; ++i) dst[i] = Wrap<T>(U(dst[i]) + U(src[i + k]) * w);
    }
  }
  static void Fill(T* dst, std::uint16_t value, int count) {
    for (int i = 0; i < count; ++i) dst[i] = static_cast<T>(value);
  }
  static void Extract(std::uint32_t* dst13, const std::uint32_t* src18) {
    std::memcpy(dst13, src18, 6 * sizeof(std::uint32_t));
    std::memcpy(dst13 + 6, src18 + 7, 6 * sizeof(std::uint32_t));
    dst13[12] = src18[17];
  }

  static constexpr PrimitiveTable<T> kTable = {
      Set, ToBytes, FromBytes, Clamp, Copy, Add, And, Subtract, AddConstant, Sum, MultiplyAdd,
      AddScaled, DivideByConstant, MinMax, Or, ShiftRight, ShiftLeft, Convolve, Fill, Extract};
};

template <>
void Plain<std::uint16_t>::Clamp(std::uint16_t* dst, const std::uint16_t* src, int count) {
  Copy(dst, src, count);
}

// SSE2 forms: eight elements a step, then the plain loop for the rest.
template <typename T>
struct Simd {
  using P = Plain<T>;
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
  static void Convolve(T* dst, int dstCount, const T* src, int srcCount, const double* weights,
                       int taps) {
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

PrimitiveTable<std::int16_t> MakeSignedSimdTable() {
  using S = Simd<std::int16_t>;
  PrimitiveTable<std::int16_t> table = Plain<std::int16_t>::kTable;
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
  PrimitiveTable<std::uint16_t> table = Plain<std::uint16_t>::kTable;
  table.toBytes = S::ToBytes;
  table.fromBytes = S::FromBytes;
  table.add = S::Add;
  table.bitAnd = S::And;
  table.multiplyAdd = S::MultiplyAdd;
  table.bitOr = S::Or;
  table.convolve = S::Convolve;
  return table;
}

}  // namespace

const RowPrimitiveTable& GetRowPrimitiveTable() {
  static const RowPrimitiveTable simd = MakeSignedSimdTable();
  return HasMmx() ? simd : Plain<std::int16_t>::kTable;
}

const FillPrimitiveTable& GetFillPrimitiveTable() {
  static const FillPrimitiveTable simd = MakeUnsignedSimdTable();
  return HasMmx() ? simd : Plain<std::uint16_t>::kTable;
}

}  // namespace corvel
