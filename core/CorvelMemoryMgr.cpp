#include "core/CorvelMemoryMgr.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

#include "core/CoreResult.h"
#include "core/detail/MemBlock.h"
#include "platform/win32/Win32.h"

namespace corvel {

const IID IID_IMemoryMgr = {0x5E3A1C01, 0x7B42, 0x4F0D, {0x9A, 0x61, 0x2C, 0x4E, 0x8B, 0x10, 0x57, 0xD1}};
const IID IID_IMemoryBlock = {0x5E3A1C02, 0x7B42, 0x4F0D, {0x9A, 0x61, 0x2C, 0x4E, 0x8B, 0x10, 0x57, 0xD1}};
const IID IID_IMemoryHandleExchange = {
    0x5E3A1C03, 0x7B42, 0x4F0D, {0x9A, 0x61, 0x2C, 0x4E, 0x8B, 0x10, 0x57, 0xD1}};

namespace {

struct ManagerState {
  CRITICAL_SECTION section;
  ULONG defaultKind = keMemoryVirtual;
};

// Never destroyed: blocks held by other static objects may be released after this file's
// statics are gone.
ManagerState& State() {
  static ManagerState* const state = new ManagerState;
  return *state;
}

class ManagerLock {
 public:
  ManagerLock() { EnterCriticalSection(&State().section); }
  ~ManagerLock() { LeaveCriticalSection(&State().section); }
  ManagerLock(const ManagerLock&) = delete;
  ManagerLock& operator=(const ManagerLock&) = delete;
};

void UndoLocks(MemBlock* block) {
  for (ULONG n = block->lockCount; n > 0 && block->lockCount > 0; --n) block->Unlock();
}

// Copies count bytes from a global handle into a fresh block of a kind.
MemBlock* CopyHandleIntoNewBlock(HGLOBAL handle, SIZE_T count, ULONG kind) {
  MemBlock* block = MemAllocBlock(count, false, kind);
  if (!block) return nullptr;
  void* target = MemLockBlock(block, 0, count);
  const void* source = GlobalLock(handle);
  if (target && source) std::memcpy(target, source, count);
  if (source) GlobalUnlock(handle);
  if (target) MemUnlockBlock(block);
  if (!target || !source) {
    MemFreeBlock(block);
    return nullptr;
  }
  return block;
}

}  // namespace

MemBlock* MemAllocBlock(SIZE_T size, bool zeroFill, ULONG kind) {
  ManagerLock lock;
  if (kind == keMemoryAny) kind = size >= kMappedFileThreshold ? keMemoryMappedFile : State().defaultKind;
  MemBlock* block = NewMemBlock(kind);
  if (!block) return nullptr;
  if (!block->Alloc(size, zeroFill)) {
    delete block;
    return nullptr;
  }
  block->size = size;
  block->lockCount = 0;
  return block;
}

bool MemFreeBlock(MemBlock* block) {
  ManagerLock lock;
  UndoLocks(block);
  if (!block->Free()) return false;
  delete block;
  return true;
}

bool MemReAllocBlock(MemBlock* block, SIZE_T newSize, bool zeroFill) {
  ManagerLock lock;
  UndoLocks(block);
  if (!block->ReAlloc(block->size, newSize, zeroFill)) return false;
  block->size = newSize;
  block->lockCount = 0;
  return true;
}

void* MemLockBlock(MemBlock* block, SIZE_T offset, SIZE_T size) {
  ManagerLock lock;
  if (block->size == 0) return nullptr;
  // The caller's memory has no extent the manager knows; every other kind stays inside itself.
  if (block->kind != keMemoryExternal && (offset >= block->size || size > block->size - offset))
    return nullptr;
  return block->Lock(offset);
}

bool MemUnlockBlock(MemBlock* block) {
  ManagerLock lock;
  return block->lockCount > 0 && block->Unlock();
}

bool IsValidGlobalHandle(HGLOBAL handle) {
  return handle && (GlobalFlags(handle) & (GMEM_INVALID_HANDLE | GMEM_DISCARDED)) == 0;
}

MemBlock* MemBlockFromHandle(HGLOBAL* handle, ULONG kind) {
  ManagerLock lock;
  if (!handle || !IsValidGlobalHandle(*handle)) return nullptr;
  const SIZE_T size = GlobalSize(*handle);
  if (size == 0) return nullptr;
  MemBlock* block;
  if (kind == keMemoryGlobal) {
    block = NewGlobalMemBlock(*handle);
    if (!block) return nullptr;
    block->size = size;
    block->lockCount = GlobalFlags(*handle) & GMEM_LOCKCOUNT;
  } else {
    block = CopyHandleIntoNewBlock(*handle, size, kind == keMemoryAny ? State().defaultKind : kind);
    if (!block) return nullptr;
    GlobalFree(*handle);
  }
  *handle = nullptr;
  return block;
}

MemBlock* MemCopyBlockFromHandle(HGLOBAL handle, ULONG kind) {
  ManagerLock lock;
  if (!IsValidGlobalHandle(handle)) return nullptr;
  const SIZE_T size = GlobalSize(handle);
  return size ? CopyHandleIntoNewBlock(handle, size, kind) : nullptr;
}

HGLOBAL MemCopyBlockToHandle(MemBlock* block) {
  ManagerLock lock;
  HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, block->size);
  if (!handle) return nullptr;
  void* target = GlobalLock(handle);
  const void* source = MemLockBlock(block, 0, block->size);
  if (source) std::memcpy(target, source, block->size);
  if (source) MemUnlockBlock(block);
  GlobalUnlock(handle);
  if (!source) {
    GlobalFree(handle);
    return nullptr;
  }
  return handle;
}

HGLOBAL MemDetachBlockToHandle(MemBlock** block) {
  ManagerLock lock;
  UndoLocks(*block);
  HGLOBAL handle = (*block)->kind == keMemoryGlobal ? DetachGlobalHandle(*block)
                                                    : MemCopyBlockToHandle(*block);
  if (!handle) return nullptr;
  MemFreeBlock(*block);
  *block = nullptr;
  return handle;
}

namespace {

// Manager and block objects count their references as the component model does.
class RefCounted {
 protected:
  ULONG AddReference() { return count_.fetch_add(1) + 1; }
  ULONG DropReference() { return count_.fetch_sub(1) - 1; }

 private:
  std::atomic<ULONG> count_{1};
};

class MemoryBlockObject final : public IMemoryBlock, public IMemoryHandleExchange, RefCounted {
 public:
  explicit MemoryBlockObject(MemBlock* block) : block_(block) {}
  virtual ~MemoryBlockObject() {
    if (block_) MemFreeBlock(block_);
  }

  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_IMemoryBlock) {
      *object = static_cast<IMemoryBlock*>(this);
    } else if (iid == IID_IMemoryHandleExchange) {
      *object = static_cast<IMemoryHandleExchange*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddReference();
    return S_OK;
  }
  ULONG AddRef() override { return AddReference(); }
  ULONG Release() override {
    const ULONG count = DropReference();
    if (count == 0) delete this;
    return count;
  }

  void ReAlloc(SIZE_T newSize, bool zeroFill) override {
    if (!MemReAllocBlock(Block(), newSize, zeroFill)) throw CJException(keErrorNoMemory);
  }
  void* Lock(void** pointer, SIZE_T offset, SIZE_T size) override {
    MemBlock* block = Block();
    if (block->kind != keMemoryExternal && (offset >= block->size || size > block->size - offset))
      throw CJException(keErrorBadArgument);
    void* address = MemLockBlock(block, offset, size);
    if (!address) throw CJException(keErrorNoMemory);
    if (pointer) *pointer = address;
    return address;
  }
  bool Unlock(SIZE_T, SIZE_T) override { return block_ && MemUnlockBlock(block_); }
  ULONG LockCount() override { return block_ ? block_->lockCount : 0; }
  SIZE_T Size() override { return block_ ? block_->size : 0; }
  ULONG Kind() override { return block_ ? block_->kind : 0; }

  MemoryBlockPtr ChangeKind(ULONG kind) override {
    if (block_ && block_->kind == kind) {
      AddReference();
      return MemoryBlockPtr::Adopt(this);
    }
    if (!block_ || block_->lockCount > 0 || block_->size == 0 || kind == keMemoryExternal) return nullptr;
    MemoryBlockPtr copy = GetMemoryManager()->CreateBlock(block_->size, false, kind);
    void* target = copy->Lock(nullptr, 0, block_->size);
    void* source = Lock(nullptr, 0, block_->size);
    std::memcpy(target, source, block_->size);
    Unlock(0, 0);
    copy->Unlock(0, 0);
    return copy;
  }

  // The exchange interface forwards its IUnknown to the block's.
  HGLOBAL DetachToHandle() override {
    Block();
    HGLOBAL handle = MemDetachBlockToHandle(&block_);
    if (!handle) throw CJException(keErrorNoMemory);
    return handle;
  }
  HGLOBAL CopyToHandle() override {
    HGLOBAL handle = MemCopyBlockToHandle(Block());
    if (!handle) throw CJException(keErrorNoMemory);
    return handle;
  }
  void TakeHandle(HGLOBAL* handle, ULONG kind) override {
    if (!handle || !IsValidGlobalHandle(*handle)) throw keErrorBadArgument;
    Replace(MemBlockFromHandle(handle, kind));
  }
  void CopyFromHandle(HGLOBAL* handle, ULONG kind) override {
    if (!handle || !IsValidGlobalHandle(*handle)) throw keErrorBadArgument;
    Replace(MemCopyBlockFromHandle(*handle, kind));
  }

 private:
  MemBlock* Block() const {
    if (!block_) throw CJException(keErrorNotCreated);
    return block_;
  }
  // The new memory is made before the old goes, so a failure leaves the block as it was.
  void Replace(MemBlock* block) {
    if (!block) throw CJException(keErrorNoMemory);
    if (block_) MemFreeBlock(block_);
    block_ = block;
  }

  MemBlock* block_;
};

class MemoryManager final : public IMemoryMgr, RefCounted {
 public:
  virtual ~MemoryManager() = default;
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (iid != IID_IUnknown && iid != IID_IMemoryMgr) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = static_cast<IMemoryMgr*>(this);
    AddReference();
    return S_OK;
  }
  ULONG AddRef() override { return AddReference(); }
  ULONG Release() override {
    const ULONG count = DropReference();
    if (count == 0) delete this;
    return count;
  }

  MemoryBlockPtr CreateBlockFromHandle(int copyFlag, HGLOBAL* handle, ULONG kind) override {
    MemoryBlockPtr block = NewBlockObject(nullptr);
    auto* exchange = static_cast<MemoryBlockObject*>(block.Get());
    if (copyFlag == 0)
      exchange->CopyFromHandle(handle, kind);
    else
      exchange->TakeHandle(handle, kind);
    return block;
  }

  MemoryBlockPtr CreateBlock(SIZE_T size, bool zeroFill, ULONG kind) override {
    MemBlock* memory = MemAllocBlock(size, zeroFill, kind);
    if (!memory) throw CJException(keErrorNoMemory);
    return NewBlockObject(memory);
  }

 private:
  static MemoryBlockPtr NewBlockObject(MemBlock* memory) {
    auto* object = new (std::nothrow) MemoryBlockObject(memory);
    if (!object) {
      if (memory) MemFreeBlock(memory);
      throw CJException(keErrorNoMemory);
    }
    return MemoryBlockPtr::Adopt(object);
  }
};

}  // namespace

IMemoryMgr* GetMemoryManager() {
  // Held for the life of the process, like the state: images in static storage may outlive
  // this file's statics.
  static MemoryManager* const manager = new MemoryManager;
  return manager;
}

void AllocateMemoryBlock(MemoryBlockPtr& holder, SIZE_T size, bool zeroFill, ULONG kind) {
  holder = GetMemoryManager()->CreateBlock(size, zeroFill, kind);
}

void AllocateMemoryBlockFlags(MemoryBlockPtr& holder, UINT globalFlags, SIZE_T size) {
  AllocateMemoryBlock(holder, size, (globalFlags & GMEM_ZEROINIT) != 0, keMemoryAny);
}

void* LockNoThrow(IMemoryBlock* block, SIZE_T offset, SIZE_T size) {
  try {
    return block->Lock(nullptr, offset, size);
  } catch (const CJException&) {
    return nullptr;
  }
}

bool UnlockNoThrow(IMemoryBlock* block, SIZE_T offset, SIZE_T size) {
  try {
    return block->Unlock(offset, size);
  } catch (const CJException&) {
    return false;
  }
}

void ReleaseNoThrow(MemoryBlockPtr& holder) {
  try {
    holder.Reset();
  } catch (const CJException&) {
  }
}

void* MemLockView::Lock(IMemoryBlock* block, SIZE_T offset, SIZE_T size) {
  Unlock();
  if (!block) return nullptr;
  if (size == 0) {
    const SIZE_T blockSize = block->Size();
    size = block->Kind() == keMemoryExternal || offset > blockSize ? 0 : blockSize - offset;
  }
  void* pointer = LockNoThrow(block, offset, size);
  if (!pointer) return nullptr;
  block->AddRef();
  block_ = MemoryBlockPtr::Adopt(block);
  pointer_ = pointer;
  offset_ = offset;
  size_ = size;
  return pointer;
}

void MemLockView::Unlock() {
  if (!block_) return;
  UnlockNoThrow(block_.Get(), offset_, size_);
  block_.Reset();
  pointer_ = nullptr;
  offset_ = size_ = 0;
}

}  // namespace corvel
