// The memory manager: one process-wide object that hands out the memory of image bands and
// imported bitmaps as blocks of five kinds (global memory, heap, virtual memory, a mapped
// temporary file, caller memory). Blocks are reference-counted component objects; a block is
// locked to reach its bytes and unlocked again. Every manager call runs under one re-entrant
// process-wide critical section, so blocks may be used from any thread.
#pragma once
#include "platform/win32/Com.h"
#include "platform/win32/Types.h"

namespace corvel {

enum keMemoryKind : ULONG {
  keMemoryAny = 0,  // the manager chooses by size
  keMemoryGlobal = 1,
  keMemoryHeap = 2,
  keMemoryVirtual = 3,
  keMemoryMappedFile = 4,
  keMemoryExternal = 10,  // the caller's memory; the block's size is its address
};

// Requests of this size and more go to a mapped temporary file when the kind is left open.
constexpr SIZE_T kMappedFileThreshold = 16777216;

extern const IID IID_IMemoryMgr;
extern const IID IID_IMemoryBlock;
extern const IID IID_IMemoryHandleExchange;

struct IMemoryBlock;
using MemoryBlockPtr = platform::ComPtr<IMemoryBlock>;

// Block operations throw CJException 110 on a block without memory and 102 when memory cannot
// be had.
struct IMemoryBlock : IUnknown {
  virtual void ReAlloc(SIZE_T newSize, bool zeroFill) = 0;
  // Stores and answers the address of byte offset; CJException 101 for a range outside the block.
  virtual void* Lock(void** pointer, SIZE_T offset, SIZE_T size) = 0;
  virtual bool Unlock(SIZE_T offset, SIZE_T size) = 0;
  virtual ULONG LockCount() = 0;
  virtual SIZE_T Size() = 0;
  virtual ULONG Kind() = 0;
  // This block when it already is of that kind; else, when it is neither locked nor empty, a
  // new block of that kind with a copy of the contents; else none.
  virtual MemoryBlockPtr ChangeKind(ULONG kind) = 0;
};

// The exchange with movable global-memory handles, a second interface of every block.
struct IMemoryHandleExchange : IUnknown {
  // Hands the memory over as a handle; the block is empty afterwards.
  virtual HGLOBAL DetachToHandle() = 0;
  virtual HGLOBAL CopyToHandle() = 0;
  // Both throw a bare CorvelErrorCode 101 for a handle that is not a valid global handle.
  // TakeHandle takes the handle over (and sets the caller's to null); CopyFromHandle copies
  // its contents and leaves it with the caller. The block's previous memory goes on success.
  virtual void TakeHandle(HGLOBAL* handle, ULONG kind) = 0;
  virtual void CopyFromHandle(HGLOBAL* handle, ULONG kind) = 0;
};

struct IMemoryMgr : IUnknown {
  // copyFlag 0 copies the handle's contents; any other value takes the handle over.
  virtual MemoryBlockPtr CreateBlockFromHandle(int copyFlag, HGLOBAL* handle, ULONG kind) = 0;
  // For keMemoryExternal, size is the address of the caller's memory.
  virtual MemoryBlockPtr CreateBlock(SIZE_T size, bool zeroFill, ULONG kind) = 0;
};

// The process's manager.
IMemoryMgr* GetMemoryManager();

void AllocateMemoryBlock(MemoryBlockPtr& holder, SIZE_T size, bool zeroFill, ULONG kind);
// Kind left to the manager; zero fill from GMEM_ZEROINIT among the flags.
void AllocateMemoryBlockFlags(MemoryBlockPtr& holder, UINT globalFlags, SIZE_T size);
// The block operations with CJException caught and dropped.
void* LockNoThrow(IMemoryBlock* block, SIZE_T offset, SIZE_T size);
bool UnlockNoThrow(IMemoryBlock* block, SIZE_T offset, SIZE_T size);
void ReleaseNoThrow(MemoryBlockPtr& holder);

// One lock held on a block, with a reference to it, until Unlock or destruction.
class MemLockView {
 public:
  MemLockView() = default;
  MemLockView(const MemLockView&) = delete;
  MemLockView& operator=(const MemLockView&) = delete;
  ~MemLockView() { Unlock(); }

  // Drops a previous lock, then locks size bytes from offset (0: to the block's end).
  // Answers the address, null when the lock failed.
  void* Lock(IMemoryBlock* block, SIZE_T offset, SIZE_T size);
  void Unlock();
  void* Pointer() const { return pointer_; }
  SIZE_T Size() const { return size_; }

 private:
  MemoryBlockPtr block_;
  void* pointer_ = nullptr;
  SIZE_T offset_ = 0;
  SIZE_T size_ = 0;
};

}  // namespace corvel
