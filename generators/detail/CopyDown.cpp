#include "generators/detail/CopyDown.h"

#include <emmintrin.h>

#include <cstring>

namespace corvel::detail {

namespace {

// count pixels from `from` on, stored from `to` down: the first at to, the next at to - 4 bytes.
// Four at a time, reversed in a register.
void CopyReversed(const std::uint8_t* from, std::uint8_t* to, std::size_t count) {
  std::size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 4 * i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to - 4 * (i + 3)), _mm_shuffle_epi32(four, 0x1B));
  }
  for (; i < count; ++i) std::memcpy(to - 4 * i, from + 4 * i, 4);
}

}  // namespace

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

RowTurn TurnRows(const POINT& start, int width, int height, bool reverses, const POINT& to, int wrapShift) {
  if (width <= 0 || height <= 0) return {};
  auto around = [](std::int64_t t, int n) { return int(((t % n) + n) % n); };
  RowTurn turn;
  turn.any = true;
  turn.reverses = reverses;
  turn.width = width;
  turn.height = height;
  // The plane point start + (x, y) lands on (reverses ? -start.x - x : start.x + x) + to.x and
  // to.y - start.y - y: row y on row rowSum - y, which lies `strips` heights below the tile's
  // row rowSum - y for the rows up to rowSum, a height fewer for the others, and each height
  // across the edge moves a row back by the wrap.
  const std::int64_t rowSum = std::int64_t{to.y} - 2 * std::int64_t{start.y};
  turn.rowSum = around(rowSum, height);
  const std::int64_t strips = (rowSum - turn.rowSum) / height;
  turn.columnSum = around(std::int64_t{to.x} - (reverses ? 2 * std::int64_t{start.x} : 0) -
                              strips % width * std::int64_t{wrapShift},
                          width);
  turn.wrapShift = around(wrapShift, width);
  // Rows y and rowSum - y pair up around the tile: made from the first row that lands on itself,
  // or from the pair that meets there, half of them and those that land on themselves.
  const int m = turn.rowSum;
  const bool oddSum = m % 2 != 0, oddHeight = height % 2 != 0;
  turn.firstMade = (m + (oddSum && oddHeight ? height : 0) + 1) / 2 % height;
  turn.madeRows = !oddSum && !oddHeight ? height / 2 + 1 : (height + 1) / 2;
  return turn;
}

void RowTurn::Turn(const std::uint8_t* made, std::uint8_t* out, int columns) const {
  const std::size_t shift = std::size_t(columns), all = std::size_t(width);
  if (!reverses) {
    std::memcpy(out + 4 * shift, made, 4 * (all - shift));
    std::memcpy(out, made + 4 * (all - shift), 4 * shift);
    return;
  }
  // Pixels 0 to shift land on shift down to 0, the rest on all - 1 down.
  CopyReversed(made, out + 4 * shift, shift + 1);
  CopyReversed(made + 4 * (shift + 1), out + 4 * (all - 1), all - shift - 1);
}

}  // namespace corvel::detail
