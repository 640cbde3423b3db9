// Strings from a module's string table. Each module (the null handle is the main module)
// has one table of {id, text}; modules register theirs once at start-up.
#pragma once
#include <cstddef>

#include "platform/win32/Types.h"

struct StringResource {
  UINT id;
  const char* text;
};

namespace platform {
// Adds a string table to a module (a table given again is not added twice); a module may have
// several. The entries and their texts must outlive the module (static tables).
void RegisterStringTable(HINSTANCE module, const StringResource* entries, std::size_t count);
// Removes every string table of the module.
void UnregisterStringTable(HINSTANCE module);
}  // namespace platform

// Copies string `id` of `module` into buffer (at most size - 1 characters and a terminating
// zero) and answers the number of characters copied; 0 when the module has no such string.
int LoadString(HINSTANCE module, UINT id, char* buffer, int size);
