// What one caller's renders keep from one to the next: the rows' buffers and address tables, the
// copy of the source's window, and what a render works out before its rows from its shape alone.
// Renders of one size then fault in no new pages, and a render of the same shape moved or resized
// takes the bands' reach and the blends' set-up as the last one left them. A render gives the same
// bytes with a cache, without one, or after Drop.
#pragma once
#include <memory>
#include <mutex>

namespace corvel {

namespace detail {
struct KeptBetweenRenders;
}

class TileRenderCache {
 public:
  TileRenderCache();
  ~TileRenderCache();
  TileRenderCache(const TileRenderCache&) = delete;
  TileRenderCache& operator=(const TileRenderCache&) = delete;

  // Frees what is kept.
  void Drop();
  // Whether a render left anything here since the last Drop.
  bool Holds();

  // For the render: what is kept, taken out for its length (renders at the same time each take
  // what is there, the second an empty set), then given back; the last to end leaves its own.
  std::unique_ptr<detail::KeptBetweenRenders> Take();
  void GiveBack(std::unique_ptr<detail::KeptBetweenRenders> kept);

 private:
  std::mutex lock_;
  std::unique_ptr<detail::KeptBetweenRenders> kept_;
};

}  // namespace corvel
