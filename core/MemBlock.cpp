// The five kinds of memory behind blocks.
#include <algorithm>
#include <cstring>
#include <new>

#include "core/detail/MemBlock.h"
#include "platform/win32/Win32.h"

namespace corvel {
namespace {

constexpr SIZE_T RoundUpToGranule(SIZE_T size) {
  return (size + kAllocationGranularity - 1) / kAllocationGranularity * kAllocationGranularity;
}

class GlobalMemBlock final : public MemBlock {
 public:
  GlobalMemBlock() : MemBlock(keMemoryGlobal) {}
  explicit GlobalMemBlock(HGLOBAL handle) : MemBlock(keMemoryGlobal), handle_(handle) {}
  ~GlobalMemBlock() override {
    if (handle_) GlobalFree(handle_);
  }
  bool Alloc(SIZE_T size, bool zeroFill) override {
    handle_ = GlobalAlloc(Flags(zeroFill), size);
    return handle_ != nullptr;
  }
  bool ReAlloc(SIZE_T, SIZE_T newSize, bool zeroFill) override {
    return GlobalReAlloc(handle_, newSize, Flags(zeroFill)) != nullptr;
  }
  bool Free() override {
    if (!handle_ || GlobalFree(handle_) == nullptr) {
      handle_ = nullptr;
      return true;
    }
    return false;
  }
  void* Lock(SIZE_T offset) override {
    auto* memory = static_cast<BYTE*>(GlobalLock(handle_));
    if (!memory) return nullptr;
    ++lockCount;
    return memory + offset;
  }
  bool Unlock() override {
    SetLastError(NO_ERROR);
    if (!GlobalUnlock(handle_) && GetLastError() != NO_ERROR) return false;
    --lockCount;
    return true;
  }
  // Hands the handle over; the block no longer owns memory.
  HGLOBAL Detach() { return std::exchange(handle_, nullptr); }

 private:
  static UINT Flags(bool zeroFill) { return zeroFill ? GMEM_MOVEABLE | GMEM_ZEROINIT : GMEM_MOVEABLE; }
  HGLOBAL handle_ = nullptr;
};

// The kinds whose memory is addressed directly: locking only counts.
class DirectMemBlock : public MemBlock {
 public:
  using MemBlock::MemBlock;
  void* Lock(SIZE_T offset) final {
    ++lockCount;
    return memory_ + offset;
  }
  bool Unlock() final {
    --lockCount;
    return true;
  }

 protected:
  BYTE* memory_ = nullptr;
};

class HeapMemBlock final : public DirectMemBlock {
 public:
  HeapMemBlock() : DirectMemBlock(keMemoryHeap) {}
  ~HeapMemBlock() override { delete[] memory_; }
  bool Alloc(SIZE_T size, bool zeroFill) override {
    memory_ = zeroFill ? new (std::nothrow) BYTE[size]() : new (std::nothrow) BYTE[size];
    return memory_ != nullptr;
  }
  bool ReAlloc(SIZE_T oldSize, SIZE_T newSize, bool zeroFill) override {
    BYTE* memory = new (std::nothrow) BYTE[newSize];
    if (!memory) return false;
    std::memcpy(memory, memory_, std::min(oldSize, newSize));
    if (zeroFill && newSize > oldSize) std::memset(memory + oldSize, 0, newSize - oldSize);
    delete[] std::exchange(memory_, memory);
    return true;
  }
  bool Free() override {
    delete[] std::exchange(memory_, nullptr);
    return true;
  }
};

class VirtualMemBlock final : public DirectMemBlock {
 public:
  VirtualMemBlock() : DirectMemBlock(keMemoryVirtual) {}
  ~VirtualMemBlock() override {
    if (memory_) VirtualFree(memory_, 0, MEM_RELEASE);
  }
  // Fresh pages are zero already, so zero fill costs nothing here.
  bool Alloc(SIZE_T size, bool) override {
    memory_ = static_cast<BYTE*>(VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    return memory_ != nullptr;
  }
  bool ReAlloc(SIZE_T oldSize, SIZE_T newSize, bool) override {
    auto* memory = static_cast<BYTE*>(
        VirtualAlloc(nullptr, newSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!memory) return false;
    std::memcpy(memory, memory_, std::min(oldSize, newSize));
    if (!VirtualFree(memory_, 0, MEM_RELEASE)) {
      VirtualFree(memory, 0, MEM_RELEASE);
      return false;
    }
    memory_ = memory;
    return true;
  }
  bool Free() override {
    if (!VirtualFree(memory_, 0, MEM_RELEASE)) return false;
    memory_ = nullptr;
    return true;
  }
};

class ExternalMemBlock final : public DirectMemBlock {
 public:
  ExternalMemBlock() : DirectMemBlock(keMemoryExternal) {}
  bool Alloc(SIZE_T address, bool) override {
    memory_ = reinterpret_cast<BYTE*>(address);
    return true;
  }
  bool ReAlloc(SIZE_T, SIZE_T, bool) override { return false; }
  bool Free() override { return true; }  // the memory stays the caller's
};

}  // namespace

MemBlock* NewMemBlock(ULONG kind) {
  switch (kind) {
    case keMemoryGlobal:
      return new (std::nothrow) GlobalMemBlock;
    case keMemoryHeap:
      return new (std::nothrow) HeapMemBlock;
    case keMemoryVirtual:
      return new (std::nothrow) VirtualMemBlock;
    case keMemoryMappedFile:
      return new (std::nothrow) MappedFileMemBlock;
    case keMemoryExternal:
      return new (std::nothrow) ExternalMemBlock;
    default:
      return nullptr;
  }
}

MemBlock* NewGlobalMemBlock(HGLOBAL handle) { return new (std::nothrow) GlobalMemBlock(handle); }

HGLOBAL DetachGlobalHandle(MemBlock* block) { return static_cast<GlobalMemBlock*>(block)->Detach(); }

// Kind 4.

MappedFileMemBlock::~MappedFileMemBlock() {
  if (file_) CloseAll();
}

void MappedFileMemBlock::CloseAll() {
  if (view_) UnmapViewOfFile(view_);
  if (mapping_) CloseHandle(mapping_);
  if (file_) CloseHandle(file_);
  if (!fileName_.empty()) DeleteFileA(fileName_.c_str());
  view_ = nullptr;
  mapping_ = file_ = nullptr;
  fileName_.clear();
}

bool MappedFileMemBlock::Alloc(SIZE_T size, bool zeroFill) {
  const SIZE_T rounded = RoundUpToGranule(size);
  char folder[MAX_PATH], name[MAX_PATH];
  const DWORD length = GetTempPathA(MAX_PATH, folder);
  if (length == 0 || length >= MAX_PATH || !GetTempFileNameA(folder, "~WVK", 0, name)) return false;
  try {
    fileName_ = name;
  } catch (const std::bad_alloc&) {
    DeleteFileA(name);
    return false;
  }
  HANDLE file = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    CloseAll();
    return false;
  }
  file_ = file;
  mapping_ = CreateFileMappingA(file_, nullptr, PAGE_READWRITE, static_cast<DWORD>(ULONGLONG{rounded} >> 32),
                                static_cast<DWORD>(rounded), nullptr);
  if (!mapping_ || (zeroFill && !ZeroRange(0, size))) {
    CloseAll();
    return false;
  }
  return true;
}

bool MappedFileMemBlock::ZeroRange(SIZE_T from, SIZE_T to) {
  if (from >= to) return true;
  const SIZE_T start = from / kAllocationGranularity * kAllocationGranularity;
  auto* view = static_cast<BYTE*>(MapViewOfFile(mapping_, FILE_MAP_WRITE,
                                                static_cast<DWORD>(ULONGLONG{start} >> 32),
                                                static_cast<DWORD>(start), RoundUpToGranule(to) - start));
  if (!view) return false;
  std::memset(view + (from - start), 0, to - from);
  return UnmapViewOfFile(view) != FALSE;
}

bool MappedFileMemBlock::ReAlloc(SIZE_T oldSize, SIZE_T newSize, bool zeroFill) {
  const SIZE_T rounded = RoundUpToGranule(newSize);
  // The new mapping is made before the old one goes, so a failure leaves the block as it was.
  HANDLE mapping = CreateFileMappingA(file_, nullptr, PAGE_READWRITE,
                                      static_cast<DWORD>(ULONGLONG{rounded} >> 32),
                                      static_cast<DWORD>(rounded), nullptr);
  if (!mapping) return false;
  CloseHandle(std::exchange(mapping_, mapping));
  return !zeroFill || ZeroRange(oldSize, newSize);
}

bool MappedFileMemBlock::Free() {
  bool ok = true;
  if (view_ && !UnmapViewOfFile(view_)) ok = false;
  view_ = nullptr;
  if (mapping_ && !CloseHandle(mapping_)) ok = false;
  if (file_ && !CloseHandle(file_)) ok = false;
  mapping_ = file_ = nullptr;
  if (!fileName_.empty() && !DeleteFileA(fileName_.c_str())) ok = false;
  fileName_.clear();
  return ok;
}

void* MappedFileMemBlock::Lock(SIZE_T offset) {
  if (!view_) {
    view_ = static_cast<BYTE*>(MapViewOfFile(mapping_, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, size));
    if (!view_) return nullptr;
    lockCount = 0;
  }
  ++lockCount;
  return view_ + offset;
}

bool MappedFileMemBlock::Unlock() {
  if (lockCount > 1) {
    --lockCount;
    return true;
  }
  if (view_ && !UnmapViewOfFile(view_)) return false;
  view_ = nullptr;
  lockCount = 0;
  return true;
}

}  // namespace corvel
