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

// A tile of width x height pixels from the plane point start, one period of a lattice, or a strip
// of it whose rows wrapping across the strip's edge move along by wrapShift (the least height's
// RowRepeat), taken onto itself by the map of the plane (x, y) -> ((reverses ? -x : x) + to.x,
// to.y - y): pixel x of row y lands on pixel ColumnSum(y) - x (or x + ColumnSum(y)) of row
// rowSum - y, each around the tile. The rows from firstMade on, madeRows of them around the tile,
// hold one of every pair, and the rows that the map takes onto themselves.
struct RowTurn {
  bool any = false;
  bool reverses = false;
  int width = 0, height = 0;
  int rowSum = 0, columnSum = 0, wrapShift = 0;
  int firstMade = 0, madeRows = 0;

  // The k-th row made.
  int MadeRow(int k) const { return (firstMade + k) % height; }
  // The row that row y lands on, and where its pixels land there: columnSum for the rows up to
  // rowSum, moved along by the wrap for those landing across the edge.
  int TurnedRow(int y) const { return (rowSum - y + height) % height; }
  int ColumnSum(int y) const {
    return y > rowSum ? int((std::int64_t{columnSum} + wrapShift) % width) : columnSum;
  }
  // A row's pixels turned onto out, landing about the column sum given.
  void Turn(const std::uint8_t* made, std::uint8_t* out, int columns) const;
};

RowTurn TurnRows(const POINT& start, int width, int height, bool reverses, const POINT& to,
                 int wrapShift = 0);

}  // namespace corvel::detail
