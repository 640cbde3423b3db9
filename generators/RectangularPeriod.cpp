#include "generators/RectangularPeriod.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>

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

}  // namespace

int GreatestCommonDivisor(int a, int b) { return Saturate(Gcd64(a, b)); }

POINT RectangularPeriod(POINT a, POINT b) {
  std::int64_t gy = Gcd64(b.y, a.y), gx = Gcd64(b.x, a.x);
  if (gy == 0 || gx == 0) return {0, 0};
  std::int64_t d = std::llabs(static_cast<std::int64_t>(a.x) * b.y - static_cast<std::int64_t>(a.y) * b.x);
  return {Saturate(d / gy), Saturate(d / gx)};
}

}  // namespace corvel
