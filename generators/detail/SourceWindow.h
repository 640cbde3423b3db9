// The part of the source a fold program reads, copied into one block whose pitch spreads its rows
// over the cache's sets: the source's own rows lie in bands of their own, and their pitches of a
// multiple of 512 bytes make a walk down a column evict itself. The buffer is kept for the next
// render, so that renders of one shape fault in no new pages.
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

// The columns [first, last) of row y that samples within a few pixels of reach may read.
void ReachedColumns(const SourceReach& reach, int y, int& first, int& last);

class SourceWindow {
 public:
  SourceWindow() = default;
  ~SourceWindow();
  SourceWindow(const SourceWindow&) = delete;
  SourceWindow& operator=(const SourceWindow&) = delete;

  // The rows with a window over part (right and bottom exclusive, clipped to the rows) where it
  // is not empty, its copy can be had and budgetPixels more pixels stay within the tile budget;
  // else the rows alone. Given reach, each row copies only what samples about it read: a turned
  // parallelogram fills about half its box.
  BgraRows Open(const ImageRows& rows, RECT part, long long budgetPixels, const SourceReach* reach = nullptr);

 private:
  std::vector<std::uint8_t> buffer_;
};

}  // namespace corvel::detail
