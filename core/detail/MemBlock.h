// The memory behind a block object, one class per kind, and the manager functions that work on
// it under the manager's critical section.
#pragma once
#include <string>

#include "core/CorvelMemoryMgr.h"

namespace corvel {

class MemBlock {
 public:
  explicit MemBlock(ULONG blockKind) : kind(blockKind) {}
  virtual ~MemBlock() = default;
  MemBlock(const MemBlock&) = delete;
  MemBlock& operator=(const MemBlock&) = delete;

  virtual bool Alloc(SIZE_T size, bool zeroFill) = 0;
  virtual bool ReAlloc(SIZE_T oldSize, SIZE_T newSize, bool zeroFill) = 0;
  virtual bool Free() = 0;
  virtual void* Lock(SIZE_T offset) = 0;
  virtual bool Unlock() = 0;

  SIZE_T size = 0;
  ULONG lockCount = 0;
  const ULONG kind;
};

// Kind 4: the file exists from Alloc until Free.
class MappedFileMemBlock final : public MemBlock {
 public:
  MappedFileMemBlock() : MemBlock(keMemoryMappedFile) {}
  ~MappedFileMemBlock() override;
  bool Alloc(SIZE_T size, bool zeroFill) override;
  bool ReAlloc(SIZE_T oldSize, SIZE_T newSize, bool zeroFill) override;
  bool Free() override;
  void* Lock(SIZE_T offset) override;
  bool Unlock() override;

  const std::string& FileName() const { return fileName_; }
  bool IsMapped() const { return view_ != nullptr; }

 private:
  // Zeroes bytes [from, to) through a writable view of the current mapping.
  bool ZeroRange(SIZE_T from, SIZE_T to);
  void CloseAll();

  std::string fileName_;
  HANDLE file_ = nullptr;
  HANDLE mapping_ = nullptr;
  BYTE* view_ = nullptr;
};

// A new, empty block of a kind (null for an unknown kind or without memory).
MemBlock* NewMemBlock(ULONG kind);
// A kind-1 block that owns an existing handle, and the handle taken back out of one.
MemBlock* NewGlobalMemBlock(HGLOBAL handle);
HGLOBAL DetachGlobalHandle(MemBlock* globalBlock);

// The manager functions. Each enters the manager's critical section for its whole run.
MemBlock* MemAllocBlock(SIZE_T size, bool zeroFill, ULONG kind);
bool MemFreeBlock(MemBlock* block);
bool MemReAllocBlock(MemBlock* block, SIZE_T newSize, bool zeroFill);
void* MemLockBlock(MemBlock* block, SIZE_T offset, SIZE_T size);
bool MemUnlockBlock(MemBlock* block);
MemBlock* MemBlockFromHandle(HGLOBAL* handle, ULONG kind);
MemBlock* MemCopyBlockFromHandle(HGLOBAL handle, ULONG kind);
HGLOBAL MemCopyBlockToHandle(MemBlock* block);
HGLOBAL MemDetachBlockToHandle(MemBlock** block);
bool IsValidGlobalHandle(HGLOBAL handle);

}  // namespace corvel
