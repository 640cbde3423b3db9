// Binary resources of a module (pictures, raw data). Each module (the null handle is the main
// module) has one table of {type, name, bytes}; modules register theirs once at start-up, as a
// resource compiler would have linked them in. Names and types are either integers made with
// MAKEINTRESOURCE or strings, compared without regard to case as the platform does.
#pragma once
#include <cstddef>

#include "platform/win32/Types.h"

WF_DECLARE_HANDLE(HRSRC);

#define MAKEINTRESOURCE(id) (reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(id))))
#define IS_INTRESOURCE(name) ((reinterpret_cast<ULONG_PTR>(name) >> 16) == 0)

#define RT_CURSOR MAKEINTRESOURCE(1)
#define RT_BITMAP MAKEINTRESOURCE(2)
#define RT_RCDATA MAKEINTRESOURCE(10)
#define RT_GROUP_ICON MAKEINTRESOURCE(14)
#define RT_VERSION MAKEINTRESOURCE(16)

struct BinaryResource {
  LPCSTR type;
  LPCSTR name;
  const BYTE* data;
  DWORD size;
};

namespace platform {
// Adds a resource table to a module (a table given again is not added twice); a module may have
// several. Entries, their names and their bytes must outlive the module (static tables).
void RegisterResourceTable(HINSTANCE module, const BinaryResource* entries, std::size_t count);
// Removes every table of the module.
void UnregisterResourceTable(HINSTANCE module);
}  // namespace platform

constexpr DWORD ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;

// The resource of that type and name in module, or null with ERROR_RESOURCE_NAME_NOT_FOUND
// (ERROR_RESOURCE_DATA_NOT_FOUND when the module has no resources at all).
HRSRC FindResource(HMODULE module, LPCSTR name, LPCSTR type);
// A handle on the resource's bytes, or null for a null resource.
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
// The resource's size in bytes, 0 for a null resource.
DWORD SizeofResource(HMODULE module, HRSRC resource);
// The first byte of a loaded resource, or null.
LPVOID LockResource(HGLOBAL loaded);
