// Movable global memory (handles with lock counts) and virtual memory (whole pages, zeroed).
#pragma once
#include "platform/win32/Types.h"

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GMEM_DISCARDED = 0x4000;
constexpr UINT GMEM_INVALID_HANDLE = 0x8000;
constexpr UINT GMEM_LOCKCOUNT = 0x00FF;

// Every global block is reached through a handle that names a slot and its generation, so a
// freed handle stays recognisably invalid after its slot is reused.
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
// Grows or shrinks the block; it may move unless it is locked and GMEM_MOVEABLE is missing.
// The handle stays the same; null on failure, the block untouched.
HGLOBAL GlobalReAlloc(HGLOBAL memory, SIZE_T bytes, UINT flags);
// Null on success, the handle itself when it is not a valid handle.
HGLOBAL GlobalFree(HGLOBAL memory);
LPVOID GlobalLock(HGLOBAL memory);
// TRUE while the block stays locked; FALSE with last error NO_ERROR when this unlock was its
// last, FALSE with ERROR_NOT_LOCKED when it was not locked.
BOOL GlobalUnlock(HGLOBAL memory);
SIZE_T GlobalSize(HGLOBAL memory);
// The lock count in the low byte; GMEM_INVALID_HANDLE for a handle that is not (or no longer)
// valid.
UINT GlobalFlags(HGLOBAL memory);

constexpr DWORD MEM_COMMIT = 0x1000;
constexpr DWORD MEM_RESERVE = 0x2000;
constexpr DWORD MEM_RELEASE = 0x8000;
constexpr DWORD PAGE_NOACCESS = 0x01;
constexpr DWORD PAGE_READONLY = 0x02;
constexpr DWORD PAGE_READWRITE = 0x04;

// Reserves and commits zeroed pages at an address of the system's choosing (address must be
// null); only MEM_RESERVE | MEM_COMMIT is supported. Regions of 2 MB and more start on a large page
// and lie on large pages where the system grants them, but for a last part well short of one.
LPVOID VirtualAlloc(LPVOID address, SIZE_T bytes, DWORD allocationType, DWORD protect);
// Releases a whole region that VirtualAlloc returned (size 0, MEM_RELEASE).
BOOL VirtualFree(LPVOID address, SIZE_T bytes, DWORD freeType);
// Whether a region VirtualAlloc makes of bytes lies on large pages (which a fault maps 512 at once).
bool OnLargePages(SIZE_T bytes);
// Maps in, for writing, the pages of a region VirtualAlloc made (regionBytes at region) whose first
// byte lies at an offset in [from, to), none of them written yet, its large pages where it lies on
// them: in one call rather than a fault a page, so that threads splitting a new region's rows map
// it for half the cost, and each large page once (threads whose first writes meet in one would
// each have a copy of it zeroed, of which one is kept). A kept region handed out again has every
// page mapped already, by its zeroing, and is left.
void FaultInPages(LPVOID region, SIZE_T regionBytes, SIZE_T from, SIZE_T to);

// The bytes VirtualAlloc committed that are not yet released, and the most at once since the last
// reset: what a task held at its height.
struct VirtualMemoryUse {
  SIZE_T now = 0, peak = 0;
};
VirtualMemoryUse GetVirtualMemoryUse();
void ResetVirtualMemoryPeak();
// Unmaps the small regions let go of that VirtualAlloc keeps mapped for the next of their size:
// a region asked for after is new, as in a new process.
void LetGoOfKeptRegions();
