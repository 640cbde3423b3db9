#include "generators/detail/CopyDown.h"

namespace corvel::detail {

RowRepeat RepeatDown(const POINT& a, const POINT& b, int width, int height) {
  // i a.y + j b.y = gcd(a.y, b.y) along Euclid's steps.
  std::int64_t r0 = a.y, r1 = b.y, i0 = 1, i1 = 0, j0 = 0, j1 = 1;
  while (r1 != 0) {
    const std::int64_t q = r0 / r1, r2 = r0 - q * r1, i2 = i0 - q * i1, j2 = j0 - q * j1;
    r0 = r1;
    r1 = r2;
    i0 = i1;
    i1 = i2;
    j0 = j1;
    j1 = j2;
  }
  if (r0 < 0) {
    r0 = -r0;
    i0 = -i0;
    j0 = -j0;
  }
  if (r0 == 0 || width <= 0 || r0 >= height || height % r0 != 0) return {};
  const std::int64_t shift = (i0 * a.x + j0 * b.x) % width;
  return {int(r0), int(shift < 0 ? shift + width : shift)};
}

}  // namespace corvel::detail
