// Vector primitives on 16-bit elements for filters and resamplers that accumulate in 16-bit
// working rows, reached through tables so that SIMD forms replace the hot loops at run time.
// Arithmetic wraps to 16 bits unless a slot says otherwise.
#pragma once
#include <cstdint>

namespace corvel {

template <typename T>
struct PrimitiveTable {
  void (*set)(T* dst, double value, int count);                       // 0: value truncated
  void (*toBytes)(std::uint8_t* dst, const T* src, int count);        // 1: clamped to 0..255
  void (*fromBytes)(T* dst, const std::uint8_t* src, int count);      // 2
  void (*clamp)(T* dst, const T* src, int count);                     // 3: negatives to 0
  void (*copy)(T* dst, const T* src, int count);                      // 4
  void (*add)(T* dst, const T* src, int count);                       // 5
  void (*bitAnd)(T* dst, const T* src, int count);                    // 6
  void (*subtract)(T* dst, const T* src, int count);                  // 7
  void (*addConstant)(T* dst, double value, int count);               // 8
  void (*sum)(T* dst, const T* a, const T* b, int count);             // 9
  void (*multiplyAdd)(T* dst, const T* a, const T* b, int count);     // 10: dst += a b
  void (*addScaled)(T* dst, const T* src, double factor, int count);  // 11
  // 12: shifts for powers of two, nothing for 1 or for a divisor that truncates to 0.
  void (*divideByConstant)(T* dst, double divisor, int count);
  void (*minMax)(T* minimum, T* maximum, const T* src, int count);  // 13
  void (*bitOr)(T* dst, const T* a, const T* b, int count);         // 14
  void (*shiftRight)(T* dst, int n, int count);                     // 15
  void (*shiftLeft)(T* dst, int n, int count);                      // 16
  // 17: only when dstCount = srcCount - taps + 1; weights rounded half to even.
  void (*convolve)(T* dst, int dstCount, const T* src, int srcCount, const double* weights, int taps);
  void (*fill)(T* dst, std::uint16_t value, int count);  // 18
  // 19: words 0..5 to 0..5, 7..12 to 6..11, 17 to 12.
  void (*extract)(std::uint32_t* dst13, const std::uint32_t* src18);
};

using RowPrimitiveTable = PrimitiveTable<std::int16_t>;
using FillPrimitiveTable = PrimitiveTable<std::uint16_t>;

// The SIMD table when HasMmx answers yes, else the plain one.
const RowPrimitiveTable& GetRowPrimitiveTable();
const FillPrimitiveTable& GetFillPrimitiveTable();

}  // namespace corvel
