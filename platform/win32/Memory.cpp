#include "platform/win32/Memory.h"

#include <sys/mman.h>

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

// munmap needs the length that VirtualFree does not pass.
struct VirtualRegions {
  std::mutex mutex;
  std::unordered_map<void*, SIZE_T> sizes;
};

VirtualRegions& Regions() {
  static VirtualRegions regions;
  return regions;
}

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
  void* memory = mmap(nullptr, bytes, protection, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  VirtualRegions& regions = Regions();
  try {
    std::lock_guard<std::mutex> lock(regions.mutex);
    regions.sizes.emplace(memory, bytes);
  } catch (const std::bad_alloc&) {
    munmap(memory, bytes);
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
  auto region = regions.sizes.find(address);
  if (region == regions.sizes.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  munmap(region->first, region->second);
  regions.sizes.erase(region);
  return TRUE;
}
