#include "platform/win32/Resource.h"

#include <algorithm>
#include <cstring>
#include "platform/win32/detail/ModuleTables.h"

namespace {

platform::detail::ModuleTables<StringResource>& Tables() {
  static platform::detail::ModuleTables<StringResource> tables;
  return tables;
}

const char* FindString(HINSTANCE module, UINT id) {
  const StringResource* entry = Tables().Find(module, [id](const StringResource& e) { return e.id == id; });
  return entry ? entry->text : nullptr;
}

}  // namespace

namespace platform {

void RegisterStringTable(HINSTANCE module, const StringResource* entries, std::size_t count) {
  Tables().Register(module, entries, count);
}

void UnregisterStringTable(HINSTANCE module) { Tables().Unregister(module); }

}  // namespace platform

int LoadString(HINSTANCE module, UINT id, char* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  const char* text = FindString(module, id);
  if (!text) {
    buffer[0] = '\0';
    return 0;
  }
  std::size_t length = std::min(std::strlen(text), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, text, length);
  buffer[length] = '\0';
  return static_cast<int>(length);
}
