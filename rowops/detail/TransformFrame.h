// What the resample workers share: rectangle checks and the per-row progress.
#pragma once
#include <cmath>
#include <optional>

#include "core/RectHelpers.h"

#include "core/ProgressMeter.h"
#include "core/RowIteratorBands.h"

namespace corvel::detail {

inline bool Inside(const RECT& r, const CRowIteratorBands& image) {
  return r.left >= 0 && r.top >= 0 && r.right <= image.Width() && r.bottom <= image.Height() &&
         r.left < r.right && r.top < r.bottom;
}

// A source rectangle the workers can map: finite edges only.
inline bool Finite(const RectD& r) {
  return std::isfinite(r.left) && std::isfinite(r.top) && std::isfinite(r.right) && std::isfinite(r.bottom);
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
