// The plain forms of the vector primitives, shared with their SIMD forms for the tails.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "rowops/Primitives.h"

namespace corvel::detail {

// Wraps to 16 bits; arithmetic is done on unsigned 32-bit values so that it wraps without
// undefined behaviour.
template <typename T>
inline T Wrap(std::uint32_t v) {
  return static_cast<T>(static_cast<std::uint16_t>(v));
}

// A double truncated toward zero and kept to 16 bits; values no integer can hold give 0.
inline std::uint32_t TruncatedBits(double value) {
  if (!(std::fabs(value) < 9.2e18)) return 0;
  return static_cast<std::uint32_t>(static_cast<std::int64_t>(value)) & 0xFFFF;
}

template <typename T>
struct PlainPrimitives {
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
      if (src[i] < lo)
        lo = src[i];
      else if (src[i] > hi)
        hi = src[i];
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
  static void Convolve(T* dst, int dstCount, const T* src, int srcCount, const double* weights, int taps) {
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
      Set,         ToBytes,   FromBytes,        Clamp,       Copy,
      Add,         And,       Subtract,         AddConstant, Sum,
      MultiplyAdd, AddScaled, DivideByConstant, MinMax,      Or,
      ShiftRight,  ShiftLeft, Convolve,         Fill,        Extract};
};

template <>
inline void PlainPrimitives<std::uint16_t>::Clamp(std::uint16_t* dst, const std::uint16_t* src, int count) {
  Copy(dst, src, count);
}

}  // namespace corvel::detail
