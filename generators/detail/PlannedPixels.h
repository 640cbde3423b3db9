// The plan-in-doubles stage of a fold program's run: the pixels a row marked (1) are planned as
// the reference plans them, sampled, mixed and written over the row's fast samples, and their
// marks cleared. The planned pixels of several rows may wait to be finished together: a row's
// two or so on their own cost more in setting up than in work. One for each thread's rows.
#pragma once
#include <cstdint>
#include <vector>

#include "generators/detail/TileWorker.h"
#include "rowops/RowSampler.h"

namespace corvel::detail {

// The places of the count marks set to 1, eight marks looked at a time: most rows mark a few
// short runs.
int MarkedPlaces(const std::uint8_t* marks, int count, int* places);

class PlannedPixels {
 public:
  // Pixels x of output row y lie at the plane point (x0 + x, y0 + y); they are planned by
  // planPositions where given, else by planPixels into queue, and read from source by sample. out
  // has room for a row's pointers, positions for a row's positions.
  // waitingPlaces, where given, has room for two rows' places: planned by planPositions, the
  // pixels of rows that wait are planned when finished, all at once.
  PlannedPixels(const TileWorkerRows::PlanPixels& planPixels,
                const TileWorkerRows::PlanPositions& planPositions, BgraRows source, BgraSampler sample,
                POINT x0y0, int width, RowQueue& queue, std::uint8_t** out, std::int32_t* positions,
                int* waitingPlaces)
      : planPixels_(planPixels),
        planPositions_(planPositions),
        source_(source),
        sample_(sample),
        start_(x0y0),
        width_(width),
        queue_(queue),
        out_(out),
        positions_(positions),
        waitingPlaces_(waitingPlaces) {}
  PlannedPixels(const PlannedPixels&) = delete;
  PlannedPixels& operator=(const PlannedPixels&) = delete;

  // The marked pixels of row y planned into out, the row's pixels; where later and planned by
  // the queue or with room for waiting places, only kept with the earlier rows' until Finish; else
  // those kept are finished first. scratch holds a row's positions, which the row is done with.
  void Plan(int y, std::uint8_t* out, std::uint8_t* marks, std::int32_t* scratch, bool later = false);
  // The same for the pixels at places (planned of them, a row's at most), which may lie in scratch
  // past a row's positions' first half.
  void PlanPlaces(int y, std::uint8_t* out, const int* places, int planned, std::int32_t* scratch,
                  bool later = false);
  // The pixels kept planned, sampled, mixed into scratch (room for a row's positions) and written.
  void Finish(std::int32_t* scratch);
  // Row y's marked pixels' planned positions put in place of the row's own positions, so that the
  // row is sampled once; places has room for a row.
  void PlaceInRow(int y, std::uint8_t* marks, int* places, std::int32_t* rowPositions);

 private:
  const TileWorkerRows::PlanPixels& planPixels_;
  const TileWorkerRows::PlanPositions& planPositions_;
  const BgraRows source_;
  const BgraSampler sample_;
  POINT start_;
  int width_;
  RowQueue& queue_;
  std::uint8_t** out_;
  std::int32_t* positions_;
  // The pixels waiting to be planned by planPositions: their x and, a row's room on, their y. A
  // row's one or two would leave most lanes idle and wait out the plan's chain of divisions alone.
  int* waitingPlaces_;
  int queued_ = 0;
};

}  // namespace corvel::detail
