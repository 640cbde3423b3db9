#include "generators/RectangularPeriod.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "core/Rounding.h"

namespace corvel {
namespace {

// Works on 64-bit magnitudes, so the most negative 32-bit integer is no special case.
std::int64_t Gcd64(std::int64_t a, std::int64_t b) {
  a = std::llabs(a);
  b = std::llabs(b);
  while (b != 0) {
    std::int64_t r = a % b;
    a = b;
    b = r;
  }
  return a;
}

LONG Saturate(std::int64_t value) {
  return static_cast<LONG>(std::min<std::int64_t>(value, std::numeric_limits<LONG>::max()));
}

// A side of a tile scaled, never below 1.
LONG ScaledSide(LONG side, int percent) {
  return Saturate(std::max<std::int64_t>(1, std::int64_t{side} * percent / 100));
}

}  // namespace

int GreatestCommonDivisor(int a, int b) { return Saturate(Gcd64(a, b)); }

POINT RectangularPeriod(POINT a, POINT b) {
  std::int64_t gy = Gcd64(b.y, a.y), gx = Gcd64(b.x, a.x);
  if (gy == 0 || gx == 0) return {0, 0};
  std::int64_t d = std::llabs(static_cast<std::int64_t>(a.x) * b.y - static_cast<std::int64_t>(a.y) * b.x);
  return {Saturate(d / gy), Saturate(d / gx)};
}

POINT ScaledHexagonalPeriod(POINT period, double factor) {
  const bool wide = period.x > period.y;
  const double shorter = (wide ? period.y : period.x) / 2 * factor;
  // Halves up to a quarter of the largest side, so that the longer side stays in range.
  constexpr LONG kLargestHalf = std::numeric_limits<LONG>::max() / 4;
  const LONG half = std::clamp<LONG>(RoundToInt(shorter), 1, kLargestHalf),
             longHalf = std::min(RoundToInt(std::sqrt(3.0) * half), kLargestHalf);
  return wide ? POINT{2 * longHalf, 2 * half} : POINT{2 * half, 2 * longHalf};
}

POINT ScaledTileSize(POINT period, int percent, bool hexagonal) {
  if (percent == 100) return period;
  if (hexagonal && period.x > 0 && period.y > 0 && period.x % 2 == 0 && period.y % 2 == 0)
    return ScaledHexagonalPeriod(period, percent / 100.0);
  return {ScaledSide(period.x, percent), ScaledSide(period.y, percent)};
}

}  // namespace corvel
