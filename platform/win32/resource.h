// Strings from a module's string table. Each module (the null handle is the main module)
// has one table of {id, text}; modules register theirs once at start-up.
#pragma once
#include <cstddef>

#include "platform/win32/types.h"

struct StringResource {
  UINT id;
  const char* text;
};

namespace platform {
// Installs the string table of a module, replacing any earlier one. The entries and their
// texts must outlive the module (static tables).
void RegisterStringTable(HINSTANCE module, const StringResource* entries, std::size_t count);
void UnregisterStringTable(HINSTANCE module);
}  // namespace platform

// Copies string `id` of `module` into buffer (at most size - 1 characters and a terminating
// zero) and answers the number of characters copied; 0 when the module has no such string.
int LoadString(HINSTANCE module, UINT id, char* buffer, int size);
