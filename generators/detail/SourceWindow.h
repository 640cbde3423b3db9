// The part of the source a fold program reads, in one block whose pitch spreads its rows over the
// cache's sets: our own images' rows lie in bands of their own, and their pitches of a multiple
// of 512 bytes make a walk down a column evict itself, so such rows are copied; rows laid out so
// already are read in place.
#pragma once
#include <cstdint>
#include <vector>

#include "generators/Geometry.h"
#include "generators/detail/ImageRows.h"
#include "platform/win32/Types.h"

namespace corvel::detail {

// The parallelogram corner + s alongU + t alongV (0 <= s, t <= 1) in the source.
struct SourceReach {
  Point2D corner, alongU, alongV;
};

// The columns [first, last) of rows topRow to bottomRow that samples within a few pixels of reach
// may read.
void ReachedColumns(const SourceReach& reach, int topRow, int bottomRow, int& first, int& last);

class SourceWindow {
 public:
  // The copy goes into buffer, which is kept for the next render.
  explicit SourceWindow(std::vector<std::uint8_t>& buffer) : buffer_(buffer) {}
  SourceWindow(const SourceWindow&) = delete;
  SourceWindow& operator=(const SourceWindow&) = delete;

  // The rows with a window over part (right and bottom exclusive, clipped to the rows) where it
  // is not empty: the rows themselves where they lie at one positive pitch that spreads them,
  // else a copy where it can be had and budgetPixels more pixels stay within the tile budget;
  // else the rows alone. Given reaches, each row copies only what samples about them read: a
  // turned parallelogram fills about half its box.
  BgraRows Open(const ImageRows& rows, RECT part, long long budgetPixels,
                const std::vector<SourceReach>& reaches = {});

 private:
  std::vector<std::uint8_t>& buffer_;
};

}  // namespace corvel::detail
