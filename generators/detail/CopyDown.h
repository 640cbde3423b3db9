// The copy-down stage: a fold program's tile of several cells, rendered unscaled, repeats down
// itself, so its rows are rendered down to the lattice's least height and copied below, each
// moved along by that lattice vector; a tile that a half turn or a glide takes onto itself repeats
// its rows turned, so half of them are rendered and each turned, reversed or moved along, into the
// row it lands on.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

#include "generators/detail/ImageRows.h"
#include "platform/win32/Types.h"

namespace corvel::detail {

// Row y + rows is row y moved shift pixels right, around the row, by the lattice vector
// (shift, rows) of the least height; none where rows is 0.
struct RowRepeat {
  int rows = 0, shift = 0;
};

// The repeat of a tile width x height of one period of the lattice a, b; none where the least
// height does not divide the tile's.
RowRepeat RepeatDown(const POINT& a, const POINT& b, int width, int height);

// Row y, made at made, copied into each row below it that repeats it; copied(below, out, shift)
// is told of each, whose pixels lie at out.
template <class Copied>
void CopyRowDown(const ImageRows& rows, std::vector<std::uint8_t>& copyRow, const RowRepeat& repeat, int y,
                 const std::uint8_t* made, int width, Copied&& copied) {
  for (int below = y + repeat.rows, shift = repeat.shift; repeat.rows > 0 && below < rows.Height();
       below += repeat.rows, shift = (shift + repeat.shift) % width) {
    const OutputRow row(rows, copyRow, below);
    std::uint8_t* const out = row.Bgra();
    std::memcpy(out + 4 * std::size_t(shift), made, 4 * std::size_t(width - shift));
    std::memcpy(out, made + 4 * std::size_t(width - shift), 4 * std::size_t(shift));
    copied(below, out, shift);
  }
}

// A tile of width x height pixels from the plane point start, one period of a lattice, taken
// onto itself by the map of the plane (x, y) -> ((reverses ? -x : x) + to.x, to.y - y): pixel x
// of row y lands on pixel columnSum - x (or x + columnSum) of row rowSum - y, each around the
// tile. The rows from firstMade on, madeRows of them around the tile, hold one of every pair,
// and the rows that the map takes onto themselves.
struct RowTurn {
  bool any = false;
  bool reverses = false;
  int width = 0, height = 0;
  int rowSum = 0, columnSum = 0;
  int firstMade = 0, madeRows = 0;

  // The k-th row made.
  int MadeRow(int k) const { return (firstMade + k) % height; }
  // The row that row y lands on, and the image of its pixels there.
  int TurnedRow(int y) const { return (rowSum - y + height) % height; }
  void Turn(const std::uint8_t* made, std::uint8_t* out) const;
};

RowTurn TurnRows(const POINT& start, int width, int height, bool reverses, const POINT& to);

}  // namespace corvel::detail
