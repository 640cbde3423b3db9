#include "generators/TileRenderCache.h"

#include <utility>

#include "core/RowThreads.h"
#include "generators/detail/KeptBetweenRenders.h"

namespace corvel {

TileRenderCache::TileRenderCache() = default;

TileRenderCache::~TileRenderCache() = default;

void TileRenderCache::Drop() {
  std::unique_ptr<detail::KeptBetweenRenders> dropped;
  const std::lock_guard<std::mutex> hold(lock_);
  dropped = std::move(kept_);
}

bool TileRenderCache::Holds() {
  const std::lock_guard<std::mutex> hold(lock_);
  return kept_ != nullptr;
}

std::unique_ptr<detail::KeptBetweenRenders> TileRenderCache::Take() {
  {
    const std::lock_guard<std::mutex> hold(lock_);
    if (kept_) return std::move(kept_);
  }
  return std::make_unique<detail::KeptBetweenRenders>();
}

namespace detail {

TileRenderCache& CacheOfRendersWithoutOne() { return RowThreads::KeptWithThePool<TileRenderCache>(); }

}  // namespace detail

void TileRenderCache::GiveBack(std::unique_ptr<detail::KeptBetweenRenders> kept) {
  const std::lock_guard<std::mutex> hold(lock_);
  kept_ = std::move(kept);
}

}  // namespace corvel
