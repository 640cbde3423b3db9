#include "core/PaletteCache.h"

#include <atomic>
#include <new>

#include "core/ColorUtils.h"

namespace corvel {
namespace {

constexpr int kSlots = 4;

struct InverseMap {
  const std::uint8_t* palette;
  int count;
  // Entries are written at most once per quantised colour, always with a nearest index; the
  // filled bit is set after the index so that a reader who sees the bit sees the index.
  std::atomic<std::uint8_t> index[65536];
  std::atomic<std::uint8_t> filled[8192];  // most significant bit first
};

std::atomic<InverseMap*> gSlots[kSlots];
std::atomic<int> gSlotsInUse{0};

InverseMap* FindMap(const std::uint8_t* palette) {
  for (auto& slot : gSlots) {
    InverseMap* map = slot.load(std::memory_order_acquire);
    if (map != nullptr && map->palette == palette) return map;
  }
  return nullptr;
}

}  // namespace

int FindPaletteSlot(const std::uint8_t* palette) {
  for (int i = 0; i < kSlots; ++i) {
    InverseMap* map = gSlots[i].load(std::memory_order_acquire);
    if (palette == nullptr ? map == nullptr : (map != nullptr && map->palette == palette)) return i;
  }
  return -1;
}

int RgbToPaletteIndex(int red, int green, int blue, const std::uint8_t* palette, int count) {
  if (palette == nullptr) return -1;
  InverseMap* map = gSlotsInUse.load(std::memory_order_relaxed) > 0 ? FindMap(palette) : nullptr;
  if (map == nullptr) return NearestPaletteIndex(red, green, blue, palette, count, 4);
  const unsigned q = static_cast<unsigned>((red & 0xFF) >> 3) << 11 |
                     static_cast<unsigned>((green & 0xFF) >> 2) << 5 |
                     static_cast<unsigned>((blue & 0xFF) >> 3);
  const std::uint8_t bit = static_cast<std::uint8_t>(0x80 >> (q & 7));
  if ((map->filled[q >> 3].load(std::memory_order_acquire) & bit) == 0) {
    map->index[q].store(
        static_cast<std::uint8_t>(NearestPaletteIndex(red, green, blue, palette, map->count, 4)),
        std::memory_order_relaxed);
    map->filled[q >> 3].fetch_or(bit, std::memory_order_release);
  }
  return map->index[q].load(std::memory_order_relaxed);
}

void AddPaletteInverseMap(const std::uint8_t* palette, int count) {
  if (palette == nullptr || FindMap(palette) != nullptr) return;
  const int slot = FindPaletteSlot(nullptr);
  if (slot < 0) return;
  InverseMap* map = new (std::nothrow) InverseMap();  // value-initialised: no bit filled
  if (map == nullptr) return;
  map->palette = palette;
  map->count = count;
  gSlots[slot].store(map, std::memory_order_release);
  gSlotsInUse.fetch_add(1, std::memory_order_relaxed);
}

void RemovePaletteInverseMap(const std::uint8_t* palette) {
  if (palette == nullptr) return;
  const int slot = FindPaletteSlot(palette);
  if (slot < 0) return;
  delete gSlots[slot].exchange(nullptr, std::memory_order_acq_rel);
  gSlotsInUse.fetch_sub(1, std::memory_order_relaxed);
}

}  // namespace corvel
