// The repeat stage: a tile whose period is much longer than the cell's box is filled from the cell
// the render made, each pixel the cell's copy of it at whole pixels.
#pragma once
#include "core/PixelFormat.h"
#include "core/RowIteratorBands.h"
#include "generators/Geometry.h"
#include "platform/win32/Types.h"
#include "rowops/RowSampler.h"

namespace corvel {

class CProgressMeter;

namespace detail {

// The remainders of start + k step (k = 1, 2, ...) modulo det, with the sign of det, one per
// call and without a division. An exact multiple of det of the other sign than det gives det,
// one whole period, rather than 0. det must not be 0.
class LatticeStepper {
 public:
  LatticeStepper(long long start, long long step, long long det);

  long long Next() {
    value_ += step_;
    remainder_ += stepRemainder_;
    if (det_ > 0 ? remainder_ >= det_ : remainder_ <= det_) remainder_ -= det_;
    if (remainder_ == 0 && value_ != 0 && (value_ < 0) != (det_ < 0)) return det_;
    return remainder_;
  }

 private:
  static long long FloorRemainder(long long a, long long det);

  long long value_, step_, det_, stepRemainder_, remainder_;
};

// The cell a render made and the lattice it repeats along: the lattice's point (0, 0) lies at
// origin in the cell.
struct RepeatedCell {
  CRowIteratorBands* image = nullptr;
  Point2D origin;
  POINT basisA{0, 0}, basisB{0, 0};
};

// Fills tile, an image of the tile's size and format (grey or BGRA), row by row from the cell by
// sample, the rows shared among threads: 0, 100 when the meter asked to stop, 101 for a degenerate
// lattice, or the core code of a failed lock.
int RepeatCell(CProgressMeter* meter, const RepeatedCell& cell, CRowIteratorBands& tile, keFormat format,
               BgraSampler sample);

}  // namespace detail
}  // namespace corvel
