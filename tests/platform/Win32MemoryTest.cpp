#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/win32/Win32.h"

namespace {

SIZE_T PagesOf(SIZE_T bytes) {
  const SIZE_T page = SIZE_T(sysconf(_SC_PAGESIZE));
  return (bytes + page - 1) / page * page;
}

TEST(GlobalMemory, LockCountsAndFlagsFollowLocks) {
  HGLOBAL handle = GlobalAlloc(GHND, 100);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(GlobalSize(handle), 100u);
  EXPECT_EQ(GlobalFlags(handle), 0u);

  auto* bytes = static_cast<BYTE*>(GlobalLock(handle));
  ASSERT_NE(bytes, nullptr);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(bytes[i], 0) << i;
  EXPECT_EQ(GlobalLock(handle), bytes);
  EXPECT_EQ(GlobalFlags(handle), 2u);

  EXPECT_TRUE(GlobalUnlock(handle));
  SetLastError(ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(GlobalUnlock(handle));
  EXPECT_EQ(GetLastError(), NO_ERROR);
  EXPECT_FALSE(GlobalUnlock(handle));
  EXPECT_EQ(GetLastError(), ERROR_NOT_LOCKED);
  EXPECT_EQ(GlobalFree(handle), nullptr);
}

TEST(GlobalMemory, FreedHandleStaysInvalidAfterItsSlotIsReused) {
  HGLOBAL first = GlobalAlloc(GMEM_MOVEABLE, 8);
  ASSERT_EQ(GlobalFree(first), nullptr);
  HGLOBAL second = GlobalAlloc(GMEM_MOVEABLE, 8);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);

  EXPECT_EQ(GlobalFlags(first), GMEM_INVALID_HANDLE);
  EXPECT_EQ(GlobalLock(first), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(GlobalSize(first), 0u);
  EXPECT_EQ(GlobalFree(first), first);
  EXPECT_EQ(GlobalFlags(second), 0u);
  EXPECT_EQ(GlobalFree(second), nullptr);
  EXPECT_EQ(GlobalFlags(nullptr), GMEM_INVALID_HANDLE);
}

TEST(GlobalMemory, ReAllocKeepsContentsAndZeroesTheGrownPart) {
  HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, 4);
  std::memcpy(GlobalLock(handle), "abcd", 4);
  GlobalUnlock(handle);
  ASSERT_EQ(GlobalReAlloc(handle, 4096, GMEM_MOVEABLE | GMEM_ZEROINIT), handle);
  auto* bytes = static_cast<BYTE*>(GlobalLock(handle));
  EXPECT_EQ(std::memcmp(bytes, "abcd", 4), 0);
  for (int i = 4; i < 4096; ++i) ASSERT_EQ(bytes[i], 0) << i;
  // A locked block may move only when the caller allows it.
  EXPECT_EQ(GlobalReAlloc(handle, 8192, 0), nullptr);
  EXPECT_EQ(GlobalSize(handle), 4096u);
  GlobalUnlock(handle);
  GlobalFree(handle);
}

TEST(VirtualMemory, CommitsZeroedPagesAndReleasesThem) {
  auto* pages = static_cast<BYTE*>(VirtualAlloc(nullptr, 200000, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  ASSERT_NE(pages, nullptr);
  for (int i = 0; i < 200000; i += 997) ASSERT_EQ(pages[i], 0) << i;
  pages[199999] = 1;
  EXPECT_FALSE(VirtualFree(pages + 4096, 0, MEM_RELEASE));
  EXPECT_TRUE(VirtualFree(pages, 0, MEM_RELEASE));
  EXPECT_FALSE(VirtualFree(pages, 0, MEM_RELEASE));
  EXPECT_EQ(VirtualAlloc(nullptr, 4096, MEM_COMMIT, PAGE_READWRITE), nullptr);
}

// A region of a large page and more lies on whole large pages, so that the system can back it by
// them; the use counts what is committed as asked, at its height too.
TEST(VirtualMemory, LargeRegionsStartOnALargePageAndAreCounted) {
  constexpr SIZE_T kLargePage = SIZE_T{2} << 20;
  ResetVirtualMemoryPeak();
  const VirtualMemoryUse before = GetVirtualMemoryUse();
  for (SIZE_T bytes : {kLargePage, 3 * kLargePage + 12345}) {
    auto* pages = static_cast<BYTE*>(VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(pages) % kLargePage, 0u) << bytes;
    EXPECT_EQ(GetVirtualMemoryUse().now, before.now + bytes);
    for (SIZE_T i = 0; i < bytes; i += 4096) ASSERT_EQ(pages[i], 0) << i;
    pages[bytes - 1] = 1;
    EXPECT_TRUE(VirtualFree(pages, 0, MEM_RELEASE));
    EXPECT_EQ(GetVirtualMemoryUse().now, before.now);
  }
  EXPECT_EQ(GetVirtualMemoryUse().peak, before.now + 3 * kLargePage + 12345);
  ResetVirtualMemoryPeak();
  EXPECT_EQ(GetVirtualMemoryUse().peak, before.now);
}

// Each page whose first byte lies in the range is mapped, and only those: threads that split a
// region's rows between them map every page once. The pages stay zero.
TEST(VirtualMemory, FaultInPagesMapsThePagesStartingInTheRange) {
  const SIZE_T page = SIZE_T(sysconf(_SC_PAGESIZE)), bytes = 10 * page + 100;
  ASSERT_FALSE(OnLargePages(bytes));
  struct Case {
    SIZE_T from, to;
    std::vector<unsigned char> mapped;  // page by page
  };
  const Case cases[] = {
      {0, bytes, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
      {1, 2 * page, {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {2 * page, 2 * page + 1, {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0}},
      {3 * page + 1, 4 * page - 1, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {9 * page + 1, 2 * bytes, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
  };
  // Held to the end: a region let go of may be kept mapped for the next.
  std::vector<BYTE*> held;
  for (const Case& c : cases) {
    auto* pages = static_cast<BYTE*>(VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(pages, nullptr);
    held.push_back(pages);
    FaultInPages(pages, bytes, c.from, c.to);
    std::vector<unsigned char> resident(c.mapped.size());
    ASSERT_EQ(mincore(pages, bytes, resident.data()), 0);
    for (unsigned char& r : resident) r &= 1;
    EXPECT_EQ(resident, c.mapped) << c.from << ".." << c.to;
    for (SIZE_T i = 0; i < bytes; i += 509) ASSERT_EQ(pages[i], 0) << i;
  }
  for (BYTE* pages : held) EXPECT_TRUE(VirtualFree(pages, 0, MEM_RELEASE));
  EXPECT_TRUE(OnLargePages(SIZE_T{2} << 20));
}

// On large pages, a large page at a time: threads whose rows hold a large page's start map it
// once between them. Where the system grants no large page, its first small page at least.
TEST(VirtualMemory, FaultInPagesMapsLargePagesWhole) {
  const SIZE_T page = SIZE_T(sysconf(_SC_PAGESIZE)), large = SIZE_T{2} << 20, bytes = 2 * large + 12345;
  ASSERT_TRUE(OnLargePages(bytes));
  struct Case {
    SIZE_T from, to;
    std::vector<bool> mapped;  // large page by large page
  };
  const Case cases[] = {
      {0, bytes, {true, true, true}},
      {1, large + 1, {false, true, false}},
      {large + 1, 2 * large, {false, false, false}},
      {2 * large, 2 * large + 1, {false, false, true}},
      {2 * large + 1, 2 * bytes, {false, false, false}},
  };
  for (const Case& c : cases) {
    auto* pages = static_cast<BYTE*>(VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(pages, nullptr);
    FaultInPages(pages, bytes, c.from, c.to);
    // The last part, short of a large page, is mapped to its last small page alone.
    std::vector<unsigned char> resident(PagesOf(bytes) / page);
    ASSERT_EQ(mincore(pages, PagesOf(bytes), resident.data()), 0);
    for (std::size_t i = 0; i < c.mapped.size(); ++i) {
      const auto first = resident.begin() + std::ptrdiff_t(i * large / page);
      const auto last = resident.begin() + std::ptrdiff_t(std::min(resident.size(), (i + 1) * large / page));
      const bool any = std::any_of(first, last, [](unsigned char r) { return r & 1; });
      EXPECT_EQ(any, c.mapped[i]) << c.from << ".." << c.to << " large page " << i;
      if (c.mapped[i]) {
        EXPECT_TRUE(*first & 1) << c.from << ".." << c.to << " large page " << i;
      }
    }
    for (SIZE_T i = 0; i < bytes; i += 4099) ASSERT_EQ(pages[i], 0) << i;
    EXPECT_TRUE(VirtualFree(pages, 0, MEM_RELEASE));
  }
}

// Whether the mapping holding address asks for large pages, from /proc/self/smaps.
bool AsksForLargePages(const BYTE* address) {
  std::FILE* smaps = std::fopen("/proc/self/smaps", "r");
  if (!smaps) return false;
  const auto at = reinterpret_cast<std::uintptr_t>(address);
  bool inside = false, asks = false;
  unsigned long long from = 0, to = 0;
  char line[512];
  while (std::fgets(line, sizeof line, smaps)) {
    if (std::sscanf(line, "%llx-%llx ", &from, &to) == 2 && std::strchr(line, '-') < std::strchr(line, ' '))
      inside = from <= at && at < to;
    else if (inside && std::strncmp(line, "VmFlags:", 8) == 0)
      asks = std::strstr(line, " hg") != nullptr;
  }
  std::fclose(smaps);
  return asks;
}

// A region's last part short of a large page takes a large page only where it fills an eighth of
// one at least: a megapixel tile running a few rows past two large pages had a third zeroed whole.
TEST(VirtualMemory, ALargeRegionsShortTailLiesOnSmallPages) {
  const SIZE_T large = SIZE_T{2} << 20;
  struct Case {
    SIZE_T bytes;
    bool largeTail;
  };
  for (const Case& c : {Case{2 * large + 65536, false}, Case{2 * large + 100, false},
                        Case{large + large / 8, true}, Case{3 * large, true}}) {
    auto* pages = static_cast<BYTE*>(
        VirtualAlloc(nullptr, c.bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(pages, nullptr);
    std::memset(pages, 0x5A, c.bytes);
    EXPECT_TRUE(AsksForLargePages(pages)) << c.bytes;
    EXPECT_EQ(AsksForLargePages(pages + c.bytes - 1), c.largeTail) << c.bytes;
    FaultInPages(pages, c.bytes, 0, c.bytes);
    EXPECT_EQ(pages[c.bytes - 1], 0x5A);
    EXPECT_TRUE(VirtualFree(pages, 0, MEM_RELEASE));
  }
}

// The process's mapped bytes, from /proc/self/statm.
SIZE_T MappedAddressSpace() {
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  unsigned long long pages = 0;
  if (statm) {
    if (std::fscanf(statm, "%llu", &pages) != 1) pages = 0;
    std::fclose(statm);
  }
  return SIZE_T(pages) * SIZE_T(sysconf(_SC_PAGESIZE));
}

// A large region let go of gives back all it mapped, the room around its start on a large page's
// boundary included: renders making a new tile each would otherwise leave up to 2 MB each behind.
TEST(VirtualMemory, ALargeRegionLetGoOfLeavesNothingMapped) {
  const SIZE_T large = SIZE_T{2} << 20, bytes = 2 * large + 65536;
  for (int round = 0; round < 2; ++round) {
    auto* pages = static_cast<BYTE*>(VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(pages, nullptr);
    EXPECT_TRUE(VirtualFree(pages, 0, MEM_RELEASE));
  }
  const SIZE_T before = MappedAddressSpace();
  for (int round = 0; round < 64; ++round) {
    auto* pages = static_cast<BYTE*>(VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(pages, nullptr);
    pages[0] = pages[bytes - 1] = 1;
    EXPECT_TRUE(VirtualFree(pages, 0, MEM_RELEASE));
  }
  EXPECT_LT(MappedAddressSpace(), before + large);
}

// A small region let go of may come back for the next of its size, zeroed again and counted as
// held, every page of it mapped in (so FaultInPages leaves it); a region of another size, or one
// the system cannot write, is new.
TEST(VirtualMemory, ASmallRegionLetGoOfComesBackZeroed) {
  const SIZE_T page = SIZE_T(sysconf(_SC_PAGESIZE)), bytes = 3 * page + 5;
  for (int round = 0; round < 3; ++round) {
    const VirtualMemoryUse before = GetVirtualMemoryUse();
    auto* pages = static_cast<BYTE*>(VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(GetVirtualMemoryUse().now, before.now + bytes);
    FaultInPages(pages, bytes, 0, bytes);
    std::vector<unsigned char> resident(PagesOf(bytes) / page);
    ASSERT_EQ(mincore(pages, bytes, resident.data()), 0);
    for (const unsigned char r : resident) EXPECT_TRUE(r & 1) << round;
    for (SIZE_T i = 0; i < PagesOf(bytes); ++i) ASSERT_EQ(pages[i], 0) << round << ": " << i;
    std::memset(pages, 0xA5, PagesOf(bytes));
    auto* other = static_cast<BYTE*>(
        VirtualAlloc(nullptr, bytes + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other, pages);
    EXPECT_TRUE(VirtualFree(other, 0, MEM_RELEASE));
    EXPECT_TRUE(VirtualFree(pages, 0, MEM_RELEASE));
    EXPECT_EQ(GetVirtualMemoryUse().now, before.now);
  }
  auto* readOnly = static_cast<BYTE*>(VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READONLY));
  ASSERT_NE(readOnly, nullptr);
  EXPECT_EQ(readOnly[bytes - 1], 0);
  EXPECT_TRUE(VirtualFree(readOnly, 0, MEM_RELEASE));
}

// How many of a region's small pages are mapped in.
SIZE_T MappedPageCount(const void* region, SIZE_T bytes) {
  std::vector<unsigned char> resident(PagesOf(bytes) / SIZE_T(sysconf(_SC_PAGESIZE)));
  if (mincore(const_cast<void*>(region), bytes, resident.data()) != 0) return 0;
  return SIZE_T(std::count_if(resident.begin(), resident.end(), [](unsigned char r) { return r & 1; }));
}

// The region let go of last is kept for the next of its size, room made by letting go of those
// kept longest, which are unmapped: kept first come first served, the sizes of earlier renders
// (another cell, another feather) held the room for good and every later tile was mapped and
// faulted anew. Kept regions let go of all at once leave the next new.
TEST(VirtualMemory, ARegionLetGoOfLastIsKeptBeforeEarlierSizes) {
  const SIZE_T page = SIZE_T(sysconf(_SC_PAGESIZE)), large = SIZE_T{2} << 20;
  const SIZE_T before = MappedAddressSpace();
  for (SIZE_T earlier = large / 2; earlier < large; earlier += large / 32) {
    void* pages = VirtualAlloc(nullptr, earlier, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    ASSERT_NE(pages, nullptr);
    EXPECT_TRUE(VirtualFree(pages, 0, MEM_RELEASE));
  }
  EXPECT_LE(MappedAddressSpace(), before + large);
  const SIZE_T bytes = large / 3 + 5;
  for (int round = 0; round < 2; ++round) {
    auto* pages = static_cast<BYTE*>(VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(pages, nullptr);
    if (round > 0) {
      EXPECT_EQ(MappedPageCount(pages, bytes), PagesOf(bytes) / page);
    }
    EXPECT_TRUE(VirtualFree(pages, 0, MEM_RELEASE));
  }
  // Let go of, none is kept: the next comes new, none of its pages mapped yet.
  LetGoOfKeptRegions();
  auto* fresh = static_cast<BYTE*>(VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(MappedPageCount(fresh, bytes), 0u);
  EXPECT_TRUE(VirtualFree(fresh, 0, MEM_RELEASE));
}

}  // namespace
