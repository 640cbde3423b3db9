#include "platform/win32/Memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

#include "platform/win32/Error.h"

namespace {

// Global memory: a table of slots; a handle is (generation << 24) | (slot + 1).
struct GlobalSlot {
  BYTE* memory = nullptr;
  SIZE_T size = 0;
  UINT lockCount = 0;
  std::uintptr_t generation = 0;
  bool used = false;
};

constexpr std::uintptr_t kSlotBits = 24;
constexpr std::uintptr_t kSlotMask = (std::uintptr_t{1} << kSlotBits) - 1;

struct GlobalTable {
  std::mutex mutex;
  std::vector<GlobalSlot> slots;
  std::vector<std::size_t> freeSlots;
};

GlobalTable& Globals() {
  static GlobalTable table;
  return table;
}

HGLOBAL MakeHandle(std::size_t slot, std::uintptr_t generation) {
  return reinterpret_cast<HGLOBAL>((generation << kSlotBits) | (slot + 1));
}

// The live slot a handle names, or null; the table's mutex must be held.
GlobalSlot* FindSlot(GlobalTable& table, HGLOBAL handle) {
  const auto value = reinterpret_cast<std::uintptr_t>(handle);
  const std::uintptr_t index = value & kSlotMask;
  if (index == 0 || index > table.slots.size()) return nullptr;
  GlobalSlot& slot = table.slots[index - 1];
  if (!slot.used || slot.generation != (value >> kSlotBits)) return nullptr;
  return &slot;
}

// Runs use(table, slot) on the live slot a handle names, under the table's lock; a handle that
// names none sets ERROR_INVALID_HANDLE and answers invalid.
template <class Result, class Use>
Result WithSlot(HGLOBAL handle, Result invalid, Use use) {
  GlobalTable& table = Globals();
  std::lock_guard<std::mutex> lock(table.mutex);
  GlobalSlot* slot = FindSlot(table, handle);
  if (!slot) {
    SetLastError(ERROR_INVALID_HANDLE);
    return invalid;
  }
  return use(table, *slot);
}

// malloc(0) may answer null; a zero-byte block still needs an address of its own.
BYTE* AllocateBytes(SIZE_T bytes, bool zero) {
  void* memory = zero ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1);
  return static_cast<BYTE*>(memory);
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  BYTE* memory = AllocateBytes(bytes, (flags & GMEM_ZEROINIT) != 0);
  if (!memory) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  GlobalTable& table = Globals();
  std::lock_guard<std::mutex> lock(table.mutex);
  std::size_t index;
  if (!table.freeSlots.empty()) {
    index = table.freeSlots.back();
    table.freeSlots.pop_back();
  } else if (table.slots.size() < kSlotMask) {
    index = table.slots.size();
    table.slots.emplace_back();
  } else {
    std::free(memory);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  GlobalSlot& slot = table.slots[index];
  slot.memory = memory;
  slot.size = bytes;
  slot.lockCount = 0;
  slot.used = true;
  return MakeHandle(index, slot.generation);
}

HGLOBAL GlobalReAlloc(HGLOBAL handle, SIZE_T bytes, UINT flags) {
  return WithSlot(handle, HGLOBAL{}, [&](GlobalTable&, GlobalSlot& slot) -> HGLOBAL {
    if (slot.lockCount > 0 && !(flags & GMEM_MOVEABLE)) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    BYTE* memory = static_cast<BYTE*>(std::realloc(slot.memory, bytes ? bytes : 1));
    if (!memory) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    if ((flags & GMEM_ZEROINIT) && bytes > slot.size) std::memset(memory + slot.size, 0, bytes - slot.size);
    slot.memory = memory;
    slot.size = bytes;
    return handle;
  });
}

HGLOBAL GlobalFree(HGLOBAL handle) {
  return WithSlot(handle, handle, [](GlobalTable& table, GlobalSlot& slot) -> HGLOBAL {
    std::free(slot.memory);
    slot = GlobalSlot{nullptr, 0, 0, slot.generation + 1, false};
    table.freeSlots.push_back(static_cast<std::size_t>(&slot - table.slots.data()));
    return nullptr;
  });
}

LPVOID GlobalLock(HGLOBAL handle) {
  return WithSlot(handle, LPVOID{}, [](GlobalTable&, GlobalSlot& slot) -> LPVOID {
    if (slot.lockCount < GMEM_LOCKCOUNT) ++slot.lockCount;
    return slot.memory;
  });
}

BOOL GlobalUnlock(HGLOBAL handle) {
  return WithSlot(handle, BOOL{FALSE}, [](GlobalTable&, GlobalSlot& slot) -> BOOL {
    if (slot.lockCount == 0) {
      SetLastError(ERROR_NOT_LOCKED);
      return FALSE;
    }
    if (--slot.lockCount > 0) return TRUE;
    SetLastError(NO_ERROR);
    return FALSE;
  });
}

SIZE_T GlobalSize(HGLOBAL handle) {
  return WithSlot(handle, SIZE_T{0}, [](GlobalTable&, GlobalSlot& slot) { return slot.size; });
}

UINT GlobalFlags(HGLOBAL handle) {
  GlobalTable& table = Globals();
  std::lock_guard<std::mutex> lock(table.mutex);
  GlobalSlot* slot = FindSlot(table, handle);
  return slot ? slot->lockCount : GMEM_INVALID_HANDLE;
}

namespace {

// What munmap takes back, which VirtualFree is not told.
struct Mapping {
  void* start;
  SIZE_T length;
};

struct VirtualRegion {
  SIZE_T bytes;  // as asked
  int protection;
  Mapping mapping;
  bool mappedIn = false;  // every page written: a kept region zeroed
};

// Small read-write regions let go of, still mapped, for the next region of their size: mapping a
// new one and unmapping it cost a fault and a release a page, some quarter of a small tile's render,
// where zeroing a kept one costs a tenth of that. At most a large page's worth is kept, outside the
// bytes counted as held.
struct KeptRegion {
  void* memory;
  SIZE_T mapped;
};

struct VirtualRegions {
  // A module unloaded gives back what it kept.
  ~VirtualRegions() { LetGoOfKeptBeyond(0); }
  // Unmaps the regions kept longest until at most room bytes are kept; under the lock.
  void LetGoOfKeptBeyond(SIZE_T room) {
    auto oldest = kept.begin();
    for (; oldest != kept.end() && keptBytes > room; ++oldest) {
      munmap(oldest->memory, oldest->mapped);
      keptBytes -= oldest->mapped;
    }
    kept.erase(kept.begin(), oldest);
  }
  std::mutex mutex;
  std::unordered_map<void*, VirtualRegion> regions;
  std::vector<KeptRegion> kept;
  SIZE_T keptBytes = 0;
  VirtualMemoryUse use;
};

VirtualRegions& Regions() {
  static VirtualRegions regions;
  return regions;
}

// Regions of a large page and more start on a large page and ask the system for large pages
// (transparent huge pages, where it grants them on request): a new image's pages then fault in 512
// at a time, and unmapping them drops a few entries rather than thousands.
constexpr SIZE_T kLargePage = SIZE_T{2} << 20;
// A region's last part short of a large page lies on small pages unless it fills at least this
// much of one: a megapixel tile's rows at a spread pitch run 64 KB into a third large page, whose
// 2 MB were zeroed for them (a small page's fault costs some 1 us, a large page's 40-60 us alone
// and several times that beside other threads' faults).
constexpr SIZE_T kLargeTail = kLargePage / 8;

SIZE_T SmallPage() {
  static const SIZE_T page = SIZE_T(sysconf(_SC_PAGESIZE));
  return page;
}

SIZE_T PagesOf(SIZE_T bytes) { return (bytes + SmallPage() - 1) / SmallPage() * SmallPage(); }

// The bytes of a region on large pages (its start and any whole large page), the rest on small.
SIZE_T OnLargePagesOf(SIZE_T bytes) {
  if (bytes < kLargePage) return 0;
  const SIZE_T whole = bytes / kLargePage * kLargePage;
  return bytes - whole >= kLargeTail ? whole + kLargePage : whole;
}

SIZE_T MappedBytes(SIZE_T bytes) { return std::max(OnLargePagesOf(bytes), PagesOf(bytes)); }

// A kept region of the size asked for, taken out of the kept ones, zeroed; null when none is kept.
void* TakeKept(VirtualRegions& regions, SIZE_T bytes, int protection) {
  if (protection != (PROT_READ | PROT_WRITE) || bytes >= kLargePage) return nullptr;
  void* memory = nullptr;
  {
    std::lock_guard<std::mutex> lock(regions.mutex);
    const auto kept = std::find_if(regions.kept.begin(), regions.kept.end(),
                                   [&](const KeptRegion& region) { return region.mapped == PagesOf(bytes); });
    if (kept != regions.kept.end()) {
      memory = kept->memory;
      regions.keptBytes -= kept->mapped;
      regions.kept.erase(kept);
    }
  }
  if (memory) std::memset(memory, 0, PagesOf(bytes));
  return memory;
}

// Under the regions' lock: keeps a small read-write region let go of, letting go of those kept
// longest where there is no room. Kept first come first served, the sizes let go of first held
// the room for good: a host rendering tiles of another size after (another cell, another feather)
// mapped and faulted every one anew.
bool Keep(VirtualRegions& regions, void* memory, const VirtualRegion& region) {
  const SIZE_T mapped = PagesOf(region.bytes);
  if (region.protection != (PROT_READ | PROT_WRITE) || region.bytes >= kLargePage) return false;
  try {
    regions.kept.push_back({memory, mapped});
  } catch (const std::bad_alloc&) {
    return false;
  }
  regions.keptBytes += mapped;
  regions.LetGoOfKeptBeyond(kLargePage);
  return true;
}

// The region's start, or MAP_FAILED; whole is what to unmap.
void* MapPages(SIZE_T bytes, int protection, Mapping& whole) {
  if (bytes < kLargePage) {
    whole = {mmap(nullptr, bytes, protection, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0), bytes};
    return whole.start;
  }
  const SIZE_T mapped = MappedBytes(bytes);
  // Room to move the start onto a large page's boundary. The room left either side is never
  // written, so holds no memory, and goes with the region: unmapping it at once cost 10-15 us of
  // a new tile's set-up on 8 threads (3 on one).
  if (mapped < bytes || mapped + kLargePage < mapped) return MAP_FAILED;
  whole = {mmap(nullptr, mapped + kLargePage, protection, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0),
           mapped + kLargePage};
  if (whole.start == MAP_FAILED) return MAP_FAILED;
  auto* aligned = reinterpret_cast<BYTE*>((reinterpret_cast<std::uintptr_t>(whole.start) + kLargePage - 1) &
                                          ~(std::uintptr_t{kLargePage} - 1));
  madvise(aligned, OnLargePagesOf(bytes), MADV_HUGEPAGE);
  return aligned;
}

// Older headers lack it; older systems answer EINVAL.
#ifndef MADV_POPULATE_WRITE
constexpr int MADV_POPULATE_WRITE = 23;
#endif

}  // namespace

LPVOID VirtualAlloc(LPVOID address, SIZE_T bytes, DWORD allocationType, DWORD protect) {
  if (address || bytes == 0 || allocationType != (MEM_RESERVE | MEM_COMMIT)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  int protection;
  switch (protect) {
    case PAGE_NOACCESS:
      protection = PROT_NONE;
      break;
    case PAGE_READONLY:
      protection = PROT_READ;
      break;
    case PAGE_READWRITE:
      protection = PROT_READ | PROT_WRITE;
      break;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
  VirtualRegions& regions = Regions();
  void* memory = TakeKept(regions, bytes, protection);
  const bool kept = memory != nullptr;
  Mapping whole{memory, PagesOf(bytes)};
  if (!memory) memory = MapPages(bytes, protection, whole);
  if (memory == MAP_FAILED) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  try {
    std::lock_guard<std::mutex> lock(regions.mutex);
    regions.regions.emplace(memory, VirtualRegion{bytes, protection, whole, kept});
    regions.use.now += bytes;
    regions.use.peak = std::max(regions.use.peak, regions.use.now);
  } catch (const std::bad_alloc&) {
    munmap(whole.start, whole.length);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return memory;
}

BOOL VirtualFree(LPVOID address, SIZE_T bytes, DWORD freeType) {
  if (freeType != MEM_RELEASE || bytes != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  VirtualRegions& regions = Regions();
  std::lock_guard<std::mutex> lock(regions.mutex);
  auto region = regions.regions.find(address);
  if (region == regions.regions.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const Mapping& whole = region->second.mapping;
  if (!Keep(regions, region->first, region->second)) munmap(whole.start, whole.length);
  regions.use.now -= region->second.bytes;
  regions.regions.erase(region);
  return TRUE;
}

bool OnLargePages(SIZE_T bytes) { return bytes >= kLargePage; }

void FaultInPages(LPVOID region, SIZE_T regionBytes, SIZE_T from, SIZE_T to) {
  {
    // A kept region's pages are all mapped in already, by its zeroing: asking again walks them.
    VirtualRegions& regions = Regions();
    std::lock_guard<std::mutex> lock(regions.mutex);
    const auto found = regions.regions.find(region);
    if (found != regions.regions.end() && found->second.mappedIn) return;
  }
  const SIZE_T page = OnLargePages(regionBytes) ? kLargePage : SmallPage();
  auto pagesOf = [page](SIZE_T bytes) { return (bytes + page - 1) / page * page; };
  const SIZE_T first = pagesOf(from), last = std::min(pagesOf(to), MappedBytes(regionBytes));
  if (first >= last) return;
  BYTE* const start = static_cast<BYTE*>(region) + first;
  if (madvise(start, last - first, MADV_POPULATE_WRITE) == 0) return;
  // A fault a page, writing the zero it holds.
  for (SIZE_T offset = 0; offset < last - first; offset += page)
    *reinterpret_cast<volatile BYTE*>(start + offset) = 0;
}

VirtualMemoryUse GetVirtualMemoryUse() {
  VirtualRegions& regions = Regions();
  std::lock_guard<std::mutex> lock(regions.mutex);
  return regions.use;
}

void LetGoOfKeptRegions() {
  VirtualRegions& regions = Regions();
  std::lock_guard<std::mutex> lock(regions.mutex);
  regions.LetGoOfKeptBeyond(0);
}

void ResetVirtualMemoryPeak() {
  VirtualRegions& regions = Regions();
  std::lock_guard<std::mutex> lock(regions.mutex);
  regions.use.peak = regions.use.now;
}
