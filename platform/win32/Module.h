// Modules: the program and the shared objects loaded into it (the plug-in module among them).
// A module's handle is the address its file is mapped at, as on the platform; the null handle
// stands for the program itself wherever a module is asked for.
#pragma once
#include "platform/win32/Types.h"

constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_MOD_NOT_FOUND = 126;

// The loaded module whose file name (without its folder, compared without regard to case) is
// `name`; null `name` is the program. Null with ERROR_MOD_NOT_FOUND when none is loaded.
HMODULE GetModuleHandle(LPCSTR name);
inline HMODULE GetModuleHandleA(LPCSTR name) { return GetModuleHandle(name); }
// The full path of the module's file, cut to size - 1 characters and terminated; answers the
// characters copied, `size` with ERROR_INSUFFICIENT_BUFFER when cut, 0 for an unknown module.
DWORD GetModuleFileName(HMODULE module, LPSTR fileName, DWORD size);
inline DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
  return GetModuleFileName(module, fileName, size);
}

namespace platform {
// The module that holds the code or data at `address` (a module passes one of its own).
HMODULE ModuleOfAddress(const void* address);
// The handle a module is known by in tables: the program's own handle for null.
HMODULE CanonicalModule(HMODULE module);
}  // namespace platform
