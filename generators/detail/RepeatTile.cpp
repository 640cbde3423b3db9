#include "generators/detail/RepeatTile.h"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <new>
#include <vector>

#include "core/ProgressMeter.h"
#include "core/Rounding.h"
#include "core/RowThreads.h"
#include "generators/detail/ImageRows.h"

namespace corvel::detail {

LatticeStepper::LatticeStepper(long long start, long long step, long long det)
    : value_(start),
      step_(step),
      det_(det),
      stepRemainder_(FloorRemainder(step, det)),
      remainder_(FloorRemainder(start, det)) {}

long long LatticeStepper::FloorRemainder(long long a, long long det) {
  const long long r = a % det;
  return r != 0 && (r < 0) != (det < 0) ? r + det : r;
}

int RepeatCell(CProgressMeter* meter, const RepeatedCell& from, CRowIteratorBands& image, keFormat format,
               BgraSampler sample) {
  CProgressMeter rows(meter);
  const int width = image.Width(), height = image.Height();
  rows.SetUnitCount(height);
  if (width <= 0 || height <= 0) return 0;
  ImageRows cell, tile;
  if (const int code = cell.Lock(*from.image)) return code;
  if (const int code = tile.Lock(image, format)) return code;
  const POINT a = from.basisA, b = from.basisB;
  const long long det = static_cast<long long>(a.x) * b.y - static_cast<long long>(b.x) * a.y;
  if (det == 0) return keErrorBadArgument;
  const double ox = RoundToInt(256 * from.origin.x), oy = RoundToInt(256 * from.origin.y);
  const Point2D eA = Point2D(a) / double(det), eB = Point2D(b) / double(det);
  std::vector<std::vector<std::int32_t>> positions(std::size_t(RowThreads::Count()));
  std::vector<std::vector<std::uint8_t>> bgraRows(positions.size());
  std::atomic<bool> noMemory{false};

  const bool stopped = RowThreads::Run(
      height,
      [&](int first, int last, int slot) {
        std::vector<std::int32_t>& row = positions[std::size_t(slot)];
        std::vector<std::uint8_t>& bgraRow = bgraRows[std::size_t(slot)];
        try {
          row.resize(2 * std::size_t(width));
        } catch (const std::bad_alloc&) {
          noMemory = true;
          return;
        }
        if (!ReserveBgraRow(tile, bgraRow)) {
          noMemory = true;
          return;
        }
        for (int y = first; y < last; ++y) {
          // Lattice coordinates times det, stepped in integers along the row; the remainders
          // follow by one correction a step, as each step is below det once reduced.
          LatticeStepper u(-static_cast<long long>(y) * b.x, b.y, det),
              v(static_cast<long long>(y) * a.x, -a.y, det);
          for (int x = 0; x < width; ++x) {
            // A whole pixel's copy in the cell lies whole pixels from the origin: rounded, it is
            // copied rather than mixed a 256th with a neighbour, a level short.
            const double i = double(u.Next()), j = double(v.Next());
            row[2 * std::size_t(x)] = SaturatedTrunc(ox + 256 * std::round(i * eA.x + j * eB.x));
            row[2 * std::size_t(x) + 1] = SaturatedTrunc(oy + 256 * std::round(i * eA.y + j * eB.y));
          }
          const OutputRow out(tile, bgraRow, y);
          sample(cell.Rows(), out.Bgra(), row.data(), width, SampleEdge::kFill);
        }
      },
      [&](int finished) { return rows.StepAndTestAbort(finished) != 0; });
  if (noMemory) return keErrorNoMemory;
  return stopped ? keErrorStopped : 0;
}

}  // namespace corvel::detail
