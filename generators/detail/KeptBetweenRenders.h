// What a render takes over from the last one and leaves to the next, held by the caller's
// TileRenderCache (or the one the row pool keeps for callers without one): buffers, so that renders
// of one size fault in no new pages and the rows' threads hand no memory back to the system between
// renders (trimming their heaps costs every thread of the process a flush, some 0.2-0.4 ms a
// render), and what a render works out before its rows, for the next render with the same inputs.
// One render at a time holds a set.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#include "generators/TileRenderCache.h"
#include "generators/detail/FoldedRowBuffers.h"
#include "generators/detail/ImageRows.h"
#include "generators/detail/ScratchVector.h"

namespace corvel::detail {

// Every input of a piece of a render's set-up, bit for bit (so 0 and -0 differ): what is worked
// out from equal keys is equal.
class InputKey {
 public:
  // Room for expected values, grown where more are put: a render puts a thousand or so, one struct
  // at a time, into a new key.
  explicit InputKey(std::size_t expected = 0) : values_(std::max<std::size_t>(expected, 1)) {}
  void Put(double t) { *Room(1) = t; }
  // A struct of doubles alone, as they are.
  template <class Doubles>
  void PutAll(const Doubles& doubles) {
    static_assert(std::is_trivially_copyable_v<Doubles> && sizeof(Doubles) % sizeof(double) == 0);
    std::memcpy(Room(sizeof(Doubles) / sizeof(double)), &doubles, sizeof(Doubles));
  }
  bool operator==(const InputKey& other) const {
    return used_ == other.used_ &&
           std::memcmp(values_.data(), other.values_.data(), sizeof(double) * used_) == 0;
  }

 private:
  // Where the next count values go, counted as put.
  double* Room(std::size_t count) {
    if (used_ + count > values_.size()) values_.resize(std::max(2 * values_.size(), used_ + count));
    used_ += count;
    return values_.data() + (used_ - count);
  }

  ScratchVector<double> values_;
  std::size_t used_ = 0;
};

// What the last render worked out from its key, for a render with the same key (the same shape
// moved or resized, or rendered again) to take rather than work out.
template <class Value>
class KeptByKey {
 public:
  // The value kept for key, or none.
  std::shared_ptr<const Value> Find(const InputKey& key) const {
    return kept_ && kept_->first == key ? kept_->second : nullptr;
  }
  void Keep(InputKey key, std::shared_ptr<const Value> value) {
    kept_.emplace(std::move(key), std::move(value));
  }

 private:
  std::optional<std::pair<InputKey, std::shared_ptr<const Value>>> kept_;
};

class ReachFound;
struct BlendSetup;

struct KeptBetweenRenders {
  // Renders from one source find its rows where the last render found them, and renders into the
  // last render's tile find the tile's rows so too.
  ImageRows::RowTable sourceRows, outputRows;
  // Each thread's buffers for the rows of a fold program's run, and for rows planned in doubles.
  std::vector<FoldedRowBuffers> threadRows;
  std::vector<RowQueue> plannedQueues;
  std::vector<std::vector<std::uint8_t>> plannedBgraRows;
  // The copy of the part of the source a fold program reads.
  std::vector<std::uint8_t> window;
  // The bands' reach over the chains of steps, each way of working it out apart.
  KeptByKey<ReachFound> turnedReach, ownReach;
  KeptByKey<BlendSetup> blendSetup;
};

// What renders whose caller gives no cache keep, held by the row pool with its threads and ended
// with them: the threads' buffers, made on the pool's threads, would otherwise go back to the
// system at the end of every render on the calling thread, and each heap the pool's threads made
// them in, trimmed, interrupts every processor where those threads wait (some 0.5 ms a megapixel
// render on 8 threads, more than 4 threads gained over them).
TileRenderCache& CacheOfRendersWithoutOne();

}  // namespace corvel::detail
