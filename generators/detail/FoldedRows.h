// The rows of a render by a fold program, stage by stage over the road its record decided
// (FoldedRoad): fold, sample, mark, blend, plan in doubles, copy down.
#pragma once
#include "core/ProgressMeter.h"
#include "generators/detail/FoldProgram.h"
#include "generators/detail/ImageRows.h"
#include "generators/detail/TileWorker.h"

namespace corvel::detail {

struct KeptBetweenRenders;

// What the run's rows are read from and made into, as TileWorkerRows opened them: width x height
// pixels from the plane point start on, pixelStep apart.
struct FoldedFrame {
  const TileGenerator& generator;
  const ImageRows& sourceRows;
  const ImageRows& outputRows;
  KeptBetweenRenders& kept;
  POINT start;
  int width, height;
  Point2D pixelStep;
};

// The rows made by the program as described (its bands' reach worked out here), the marked
// pixels planned by planPositions where given, else by planPixels: 0, 100 when the meter asked
// to stop, or 102. rowsTurned: whether rows were turned from those made.
int RunFoldedRows(const FoldedFrame& frame, const FoldProgram& described,
                  const TileWorkerRows::PlanPixels& planPixels,
                  const TileWorkerRows::PlanPositions& planPositions, CProgressMeter& meter,
                  bool& rowsTurned);

}  // namespace corvel::detail
