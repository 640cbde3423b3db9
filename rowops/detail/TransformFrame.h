// What the resample workers share: rectangle checks and the per-row progress.
#pragma once
#include <optional>

#include "core/ProgressMeter.h"
#include "core/RowIteratorBands.h"

namespace corvel::detail {

inline bool Inside(const RECT& r, const CRowIteratorBands& image) {
  return r.left >= 0 && r.top >= 0 && r.right <= image.Width() && r.bottom <= image.Height() && r.left < r.right &&
         r.top < r.bottom;
}

// One step per destination row under a child of the operation's meter; without a meter nobody
// can ask to stop.
class RowProgress {
 public:
  RowProgress(CProgressMeter* meter, int rows) {
    if (!meter) return;
    child_.emplace(meter);
    child_->SetUnitCount(rows);
  }
  bool Stop(int row) { return child_ && child_->Report(row) != 0; }

 private:
  std::optional<CProgressMeter> child_;
};

}  // namespace corvel::detail
