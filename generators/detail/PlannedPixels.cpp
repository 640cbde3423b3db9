#include "generators/detail/PlannedPixels.h"

#include <algorithm>
#include <cstring>

namespace corvel::detail {

int MarkedPlaces(const std::uint8_t* marks, int count, int* places) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u, kLow7 = 0x7F7F7F7F7F7F7F7Fu;
  int planned = 0, x = 0;
  for (std::uint64_t eight = 0; x + 8 <= count; x += 8) {
    std::memcpy(&eight, marks + x, 8);
    if (eight == 0) continue;
    // The marks that are 1 found without a branch on each: the top bit of every byte of
    // eight ^ kOnes that is 0 (no carry crosses a byte), in order on this little-endian processor.
    const std::uint64_t other = eight ^ kOnes;
    for (std::uint64_t ones = ~(((other & kLow7) + kLow7) | other | kLow7); ones != 0; ones &= ones - 1)
      places[planned++] = x + __builtin_ctzll(ones) / 8;
  }
  for (; x < count; ++x)
    if (marks[x] == 1) places[planned++] = x;
  return planned;
}

void PlannedPixels::Finish(std::int32_t* scratch) {
  if (queued_ == 0) return;
  std::uint8_t* mixed = reinterpret_cast<std::uint8_t*>(scratch);
  // Planned by positions, only pixels with waiting places are kept.
  if (planPositions_) {
    planPositions_(start_.x, 0, waitingPlaces_, waitingPlaces_ + width_, queued_, positions_);
    sample_(source_, mixed, positions_, queued_, SampleEdge::kClamp);
  } else {
    queue_.Finish(source_, mixed, queued_);
  }
  for (int i = 0; i < queued_; ++i) std::memcpy(out_[i], mixed + 4 * i, 4);
  queued_ = 0;
}

void PlannedPixels::Plan(int y, std::uint8_t* out, std::uint8_t* marks, std::int32_t* scratch, bool later) {
  // The marked pixels' places, in the row's positions past the last one read.
  int* const places = reinterpret_cast<int*>(scratch) + width_;
  const int planned = MarkedPlaces(marks, width_, places);
  for (int i = 0; i < planned; ++i) marks[places[i]] = 0;
  PlanPlaces(y, out, places, planned, scratch, later);
}

void PlannedPixels::PlanPlaces(int y, std::uint8_t* out, const int* places, int planned,
                               std::int32_t* scratch, bool later) {
  if (planned == 0) return;
  if (later && (!planPositions_ || waitingPlaces_)) {
    if (queued_ + planned > width_) Finish(scratch);
    if (planPositions_) {
      std::memcpy(waitingPlaces_ + queued_, places, sizeof(int) * std::size_t(planned));
      std::fill_n(waitingPlaces_ + width_ + queued_, planned, start_.y + y);
    } else {
      planPixels_(y, places, planned, queue_);
    }
    for (int i = 0; i < planned; ++i) out_[queued_++] = out + 4 * std::size_t(places[i]);
    return;
  }
  // The queue mixes all it holds.
  Finish(scratch);
  std::uint8_t* mixed = reinterpret_cast<std::uint8_t*>(scratch);
  if (planPositions_) {
    planPositions_(start_.x, start_.y + y, places, nullptr, planned, positions_);
    sample_(source_, mixed, positions_, planned, SampleEdge::kClamp);
  } else {
    planPixels_(y, places, planned, queue_);
    queue_.Finish(source_, mixed, planned);
  }
  for (int i = 0; i < planned; ++i) std::memcpy(out + 4 * std::size_t(places[i]), mixed + 4 * i, 4);
}

void PlannedPixels::PlaceInRow(int y, std::uint8_t* marks, int* places, std::int32_t* rowPositions) {
  const int planned = MarkedPlaces(marks, width_, places);
  if (planned == 0) return;
  planPositions_(start_.x, start_.y + y, places, nullptr, planned, positions_);
  for (int i = 0; i < planned; ++i) {
    const std::size_t x = std::size_t(places[i]);
    rowPositions[2 * x] = positions_[2 * i];
    rowPositions[2 * x + 1] = positions_[2 * i + 1];
    marks[x] = 0;
  }
}

}  // namespace corvel::detail
