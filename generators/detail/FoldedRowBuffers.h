// A thread's buffers for the rows of a fold program's run, sized at the thread's first rows and
// kept from render to render.
#pragma once
#include <cstdint>
#include <vector>

#include "generators/detail/SeamBlends.h"
#include "generators/detail/TileWorker.h"

namespace corvel::detail {

struct FoldedRowBuffers {
  std::vector<std::int32_t> positions, plannedPositions;
  std::vector<float> exactPositions;  // before truncation, for the blends' weights
  std::vector<int> places, waitingPlaces;
  std::vector<std::uint8_t> marks, bgraRow, copyRow;
  RowQueue queue;
  std::vector<std::uint8_t*> plannedOut;  // where the planned pixels queued for several rows go
  SeamBlendRow blendRow;
};

}  // namespace corvel::detail
