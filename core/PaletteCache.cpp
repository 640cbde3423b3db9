#include "core/PaletteCache.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <new>

#include "core/ColorUtils.h"

namespace corvel {
namespace {

constexpr int kSlots = 4;

struct InverseMap {
  const std::uint8_t* palette;
  int count;
  int holders;  // registrations: the map lives until the last holder removes it
  std::uint8_t index[65536];
  std::uint8_t filled[8192];  // most significant bit first
};

// Threads draw at once (the render thread and the user-interface thread): the slots, the
// holder counts and the filling of a map are all guarded here, so that no map is freed or
// half written under another thread.
std::mutex gLock;
InverseMap* gSlots[kSlots];
std::atomic<int> gSlotsInUse{0};

int FindSlot(const std::uint8_t* palette) {
  for (int i = 0; i < kSlots; ++i) {
    if (palette == nullptr ? gSlots[i] == nullptr : (gSlots[i] != nullptr && gSlots[i]->palette == palette))
      return i;
  }
  return -1;
}

}  // namespace

int FindPaletteSlot(const std::uint8_t* palette) {
  std::lock_guard<std::mutex> hold(gLock);
  return FindSlot(palette);
}

int RgbToPaletteIndex(int red, int green, int blue, const std::uint8_t* palette, int count) {
  if (palette == nullptr) return -1;
  if (gSlotsInUse.load(std::memory_order_relaxed) > 0) {
    std::lock_guard<std::mutex> hold(gLock);
    const int slot = FindSlot(palette);
    if (slot >= 0) {
      InverseMap& map = *gSlots[slot];
      const unsigned q = static_cast<unsigned>((red & 0xFF) >> 3) << 11 |
                         static_cast<unsigned>((green & 0xFF) >> 2) << 5 |
                         static_cast<unsigned>((blue & 0xFF) >> 3);
      const std::uint8_t bit = static_cast<std::uint8_t>(0x80 >> (q & 7));
      if ((map.filled[q >> 3] & bit) == 0) {
        map.index[q] = static_cast<std::uint8_t>(
            NearestPaletteIndex(red, green, blue, palette, map.count, 4));
        map.filled[q >> 3] = static_cast<std::uint8_t>(map.filled[q >> 3] | bit);
      }
      return map.index[q];
    }
  }
  return NearestPaletteIndex(red, green, blue, palette, count, 4);
}

void AddPaletteInverseMap(const std::uint8_t* palette, int count) {
  if (palette == nullptr) return;
  std::lock_guard<std::mutex> hold(gLock);
  int slot = FindSlot(palette);
  if (slot >= 0) {
    ++gSlots[slot]->holders;
    return;
  }
  slot = FindSlot(nullptr);
  if (slot < 0) return;
  std::unique_ptr<InverseMap> map(new (std::nothrow) InverseMap);
  if (!map) return;
  map->palette = palette;
  map->count = count;
  map->holders = 1;
  std::fill(map->filled, map->filled + sizeof(map->filled), 0);  // the index map is read only where filled
  gSlots[slot] = map.release();
  gSlotsInUse.fetch_add(1, std::memory_order_relaxed);
}

void RemovePaletteInverseMap(const std::uint8_t* palette) {
  if (palette == nullptr) return;
  std::lock_guard<std::mutex> hold(gLock);
  const int slot = FindSlot(palette);
  if (slot < 0 || --gSlots[slot]->holders > 0) return;
  delete gSlots[slot];
  gSlots[slot] = nullptr;
  gSlotsInUse.fetch_sub(1, std::memory_order_relaxed);
}

}  // namespace corvel
