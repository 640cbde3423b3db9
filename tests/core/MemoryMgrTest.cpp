#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <thread>
#include <vector>

#include "core/CoreResult.h"
#include "core/CorvelMemoryMgr.h"
#include "core/detail/MemBlock.h"
#include "platform/win32/Win32.h"

namespace corvel {
namespace {

bool FileExists(const std::string& name) {
  struct stat status;
  return stat(name.c_str(), &status) == 0;
}

long long FileSize(const std::string& name) {
  struct stat status;
  return stat(name.c_str(), &status) == 0 ? status.st_size : -1;
}

int ThrownCode(void (*operation)(IMemoryBlock*), IMemoryBlock* block) {
  try {
    operation(block);
  } catch (const CJException& error) {
    return error.Code();
  }
  return 0;
}

TEST(MemAllocBlock, ChoosesTheKindBySizeWhenLeftOpen) {
  struct Case {
    SIZE_T size;
    ULONG kind;
    ULONG expected;
  };
  const Case cases[] = {
      {16777215, keMemoryAny, keMemoryVirtual}, {16777216, keMemoryAny, keMemoryMappedFile},
      {100, keMemoryGlobal, keMemoryGlobal},    {100, keMemoryHeap, keMemoryHeap},
      {16777216, keMemoryHeap, keMemoryHeap},   {100, keMemoryMappedFile, keMemoryMappedFile},
  };
  for (const Case& c : cases) {
    MemBlock* block = MemAllocBlock(c.size, false, c.kind);
    ASSERT_NE(block, nullptr) << c.size;
    EXPECT_EQ(block->kind, c.expected) << c.size << " kind " << c.kind;
    EXPECT_EQ(block->size, c.size);
    EXPECT_EQ(block->lockCount, 0u);
    EXPECT_TRUE(MemFreeBlock(block));
  }
  for (ULONG unknown : {5u, 9u, 11u}) EXPECT_EQ(MemAllocBlock(100, false, unknown), nullptr) << unknown;
}

TEST(MappedFileBlock, TheTemporaryFileLivesAsLongAsTheBlock) {
  struct Case {
    SIZE_T size;
    long long mapping;
  };
  for (const Case& c : {Case{16777216, 16777216}, Case{16777217, 16842752}, Case{1, 65536}}) {
    MemBlock* block = MemAllocBlock(c.size, true,
                                    c.size >= kMappedFileThreshold ? keMemoryAny : keMemoryMappedFile);
    ASSERT_NE(block, nullptr);
    const std::string name = static_cast<MappedFileMemBlock*>(block)->FileName();
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    EXPECT_EQ(name.rfind(std::string(folder) + "~WVK", 0), 0u) << name;
    EXPECT_TRUE(FileExists(name));
    EXPECT_EQ(FileSize(name), c.mapping);
    auto* bytes = static_cast<BYTE*>(MemLockBlock(block, 0, c.size));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes[c.size - 1], 0);
    MemUnlockBlock(block);
    EXPECT_TRUE(MemFreeBlock(block));
    EXPECT_FALSE(FileExists(name)) << name;
  }
}

TEST(MappedFileBlock, MapsOnTheFirstLockAndUnmapsOnTheLast) {
  auto* block = static_cast<MappedFileMemBlock*>(MemAllocBlock(100000, false, keMemoryMappedFile));
  ASSERT_NE(block, nullptr);
  EXPECT_FALSE(block->IsMapped());
  auto* first = static_cast<BYTE*>(MemLockBlock(block, 0, 0));
  auto* second = static_cast<BYTE*>(MemLockBlock(block, 10, 0));
  EXPECT_EQ(second, first + 10);
  EXPECT_EQ(block->lockCount, 2u);
  EXPECT_TRUE(MemUnlockBlock(block));
  EXPECT_TRUE(block->IsMapped());
  EXPECT_TRUE(MemUnlockBlock(block));
  EXPECT_FALSE(block->IsMapped());
  EXPECT_FALSE(MemUnlockBlock(block));
  MemFreeBlock(block);
}

TEST(MappedFileBlock, ReAllocKeepsTheContentsAndZeroesTheGrownPart) {
  auto* block = static_cast<MappedFileMemBlock*>(MemAllocBlock(70000, false, keMemoryMappedFile));
  ASSERT_NE(block, nullptr);
  auto* bytes = static_cast<BYTE*>(MemLockBlock(block, 0, 0));
  std::memset(bytes, 0xAB, 70000);
  MemLockBlock(block, 0, 0);  // locked twice: reallocation undoes both
  ASSERT_TRUE(MemReAllocBlock(block, 300000, true));
  EXPECT_EQ(block->lockCount, 0u);
  EXPECT_FALSE(block->IsMapped());
  EXPECT_EQ(FileSize(block->FileName()), 327680);
  bytes = static_cast<BYTE*>(MemLockBlock(block, 0, 0));
  EXPECT_EQ(bytes[0], 0xAB);
  EXPECT_EQ(bytes[69999], 0xAB);
  for (SIZE_T i = 70000; i < 300000; i += 4999) ASSERT_EQ(bytes[i], 0) << i;
  EXPECT_EQ(bytes[299999], 0);
  MemUnlockBlock(block);
  MemFreeBlock(block);
}

TEST(MappedFileBlock, AFailedReAllocLeavesTheBlockUsable) {
  MemBlock* block = MemAllocBlock(1000, false, keMemoryMappedFile);
  ASSERT_NE(block, nullptr);
  std::memcpy(MemLockBlock(block, 0, 0), "kept", 4);
  MemUnlockBlock(block);
  // No file system holds this much.
  EXPECT_FALSE(MemReAllocBlock(block, SIZE_T{1} << 60, false));
  EXPECT_EQ(block->size, 1000u);
  const void* bytes = MemLockBlock(block, 0, 0);
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(std::memcmp(bytes, "kept", 4), 0);
  MemUnlockBlock(block);
  EXPECT_TRUE(MemFreeBlock(block));
}

TEST(ExternalBlock, PointsAtTheCallersMemoryAndNeverOwnsIt) {
  BYTE memory[64];
  std::memset(memory, 7, sizeof memory);
  MemBlock* block = MemAllocBlock(reinterpret_cast<SIZE_T>(memory), false, keMemoryExternal);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(MemLockBlock(block, 16, 16), memory + 16);
  EXPECT_FALSE(MemReAllocBlock(block, 128, false));
  EXPECT_TRUE(MemFreeBlock(block));
  for (BYTE b : memory) EXPECT_EQ(b, 7);
}

TEST(MemoryBlock, LockRangesOutsideTheBlockAreRefused) {
  for (ULONG kind : {keMemoryGlobal, keMemoryHeap, keMemoryVirtual, keMemoryMappedFile}) {
    MemoryBlockPtr block = GetMemoryManager()->CreateBlock(100, true, kind);
    EXPECT_EQ(block->Kind(), kind);
    EXPECT_NE(block->Lock(nullptr, 99, 1), nullptr);
    block->Unlock(0, 0);
    for (SIZE_T offset : {SIZE_T{100}, SIZE_T{5000}, SIZE_T{1} << 40}) {
      try {
        block->Lock(nullptr, offset, 0);
        ADD_FAILURE() << "kind " << kind << " offset " << offset;
      } catch (const CJException& error) {
        EXPECT_EQ(error.Code(), keErrorBadArgument);
      }
    }
    EXPECT_EQ(block->LockCount(), 0u);
  }
}

TEST(MemoryBlock, FreeingALockedBlockUndoesItsLocks) {
  HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, 16);
  MemBlock* block = MemBlockFromHandle(&handle, keMemoryGlobal);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(handle, nullptr);
  MemLockBlock(block, 0, 0);
  MemLockBlock(block, 0, 0);
  HGLOBAL detached = MemDetachBlockToHandle(&block);
  EXPECT_EQ(block, nullptr);
  ASSERT_NE(detached, nullptr);
  EXPECT_EQ(GlobalFlags(detached), 0u);  // both locks undone, the handle itself handed back
  GlobalFree(detached);

  MemBlock* heap = MemAllocBlock(16, false, keMemoryHeap);
  MemLockBlock(heap, 0, 0);
  MemLockBlock(heap, 0, 0);
  EXPECT_TRUE(MemFreeBlock(heap));
}

TEST(HandleExchange, CopyTakeAndDetach) {
  HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, 5);
  std::memcpy(GlobalLock(handle), "hello", 5);
  GlobalUnlock(handle);

  IMemoryMgr* manager = GetMemoryManager();
  MemoryBlockPtr copy = manager->CreateBlockFromHandle(0, &handle, keMemoryHeap);
  EXPECT_NE(handle, nullptr);  // copied: the handle stays the caller's
  EXPECT_EQ(copy->Kind(), keMemoryHeap);
  EXPECT_EQ(copy->Size(), 5u);
  EXPECT_EQ(std::memcmp(copy->Lock(nullptr, 0, 0), "hello", 5), 0);
  copy->Unlock(0, 0);

  MemoryBlockPtr taken = manager->CreateBlockFromHandle(1, &handle, keMemoryAny);
  EXPECT_EQ(handle, nullptr);
  EXPECT_EQ(taken->Kind(), keMemoryVirtual);

  IMemoryHandleExchange* exchange = nullptr;
  ASSERT_EQ(taken->QueryInterface(IID_IMemoryHandleExchange, reinterpret_cast<void**>(&exchange)), S_OK);
  HGLOBAL back = exchange->DetachToHandle();
  EXPECT_EQ(taken->Size(), 0u);
  EXPECT_EQ(GlobalSize(back), 5u);
  EXPECT_EQ(std::memcmp(GlobalLock(back), "hello", 5), 0);
  GlobalUnlock(back);
  EXPECT_EQ(ThrownCode([](IMemoryBlock* b) { b->Lock(nullptr, 0, 0); }, taken.Get()), keErrorNotCreated);
  EXPECT_EQ(ThrownCode([](IMemoryBlock* b) { b->ReAlloc(10, false); }, taken.Get()), keErrorNotCreated);

  // A freed handle is refused with a bare code.
  GlobalFree(back);
  try {
    exchange->TakeHandle(&back, keMemoryHeap);
    ADD_FAILURE() << "a freed handle was taken";
  } catch (CorvelErrorCode code) {
    EXPECT_EQ(code, keErrorBadArgument);
  }
  exchange->Release();
}

TEST(MemoryBlock, ChangeKindCopiesOnlyAnUnlockedBlock) {
  MemoryBlockPtr heap = GetMemoryManager()->CreateBlock(3, false, keMemoryHeap);
  std::memcpy(heap->Lock(nullptr, 0, 0), "abc", 3);
  EXPECT_FALSE(heap->ChangeKind(keMemoryVirtual));  // locked
  heap->Unlock(0, 0);
  EXPECT_EQ(heap->ChangeKind(keMemoryHeap).Get(), heap.Get());
  MemoryBlockPtr pages = heap->ChangeKind(keMemoryVirtual);
  ASSERT_TRUE(pages);
  EXPECT_EQ(pages->Kind(), keMemoryVirtual);
  EXPECT_EQ(std::memcmp(pages->Lock(nullptr, 0, 0), "abc", 3), 0);
  pages->Unlock(0, 0);
  EXPECT_FALSE(heap->ChangeKind(keMemoryExternal));
}

TEST(MemoryBlock, InterfacesAnswerForTheirIdentifiers) {
  MemoryBlockPtr block = GetMemoryManager()->CreateBlock(8, false, keMemoryHeap);
  void* object = nullptr;
  EXPECT_EQ(block->QueryInterface(IID_IUnknown, &object), S_OK);
  EXPECT_EQ(object, block.Get());
  static_cast<IMemoryBlock*>(object)->Release();
  EXPECT_EQ(block->QueryInterface(IID_IMemoryMgr, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(GetMemoryManager()->QueryInterface(IID_IMemoryMgr, &object), S_OK);
  EXPECT_EQ(object, GetMemoryManager());
  GetMemoryManager()->Release();
  EXPECT_NE(IID_IMemoryBlock, IID_IMemoryHandleExchange);
}

TEST(MemLockView, HoldsOneLockAndAReference) {
  IMemoryBlock* raw;
  {
    MemoryBlockPtr block = GetMemoryManager()->CreateBlock(100, true, keMemoryVirtual);
    raw = block.Get();
    raw->AddRef();
    MemLockView view;
    ASSERT_NE(view.Lock(block.Get(), 40, 0), nullptr);
    EXPECT_EQ(view.Size(), 60u);
    EXPECT_EQ(block->LockCount(), 1u);
    EXPECT_EQ(view.Lock(block.Get(), 0, 10), block->Lock(nullptr, 0, 0));
    block->Unlock(0, 0);
    EXPECT_EQ(block->LockCount(), 1u);
  }
  EXPECT_EQ(raw->LockCount(), 0u);
  EXPECT_EQ(raw->Release(), 0u);
}

TEST(MemoryManager, ThreadsShareItSafely) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < 200; ++i) {
        MemoryBlockPtr block = GetMemoryManager()->CreateBlock(256, true,
                                                               i % 2 ? keMemoryHeap : keMemoryGlobal);
        auto* bytes = static_cast<BYTE*>(block->Lock(nullptr, 0, 0));
        bytes[255] = static_cast<BYTE>(t);
        block->Unlock(0, 0);
      }
    });
  for (std::thread& thread : threads) thread.join();
}

}  // namespace
}  // namespace corvel
