#include "platform/win32/Resource.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/win32/Module.h"

namespace {

struct StringTable {
  const StringResource* entries;
  std::size_t count;
};

std::mutex& TablesLock() {
  static std::mutex lock;
  return lock;
}

std::map<HINSTANCE, std::vector<StringTable>>& Tables() {
  static std::map<HINSTANCE, std::vector<StringTable>> tables;
  return tables;
}

const char* FindString(HINSTANCE module, UINT id) {
  std::lock_guard<std::mutex> guard(TablesLock());
  auto table = Tables().find(platform::CanonicalModule(module));
  if (table == Tables().end()) return nullptr;
  for (const StringTable& part : table->second) {
    const StringResource* end = part.entries + part.count;
    const StringResource* entry = std::find_if(part.entries, end,
                                               [id](const StringResource& e) { return e.id == id; });
    if (entry != end) return entry->text;
  }
  return nullptr;
}

}  // namespace

namespace platform {

void RegisterStringTable(HINSTANCE module, const StringResource* entries, std::size_t count) {
  std::lock_guard<std::mutex> guard(TablesLock());
  auto& tables = Tables()[CanonicalModule(module)];
  for (const StringTable& table : tables) {
    if (table.entries == entries) return;
  }
  tables.push_back({entries, count});
}

void UnregisterStringTable(HINSTANCE module) {
  std::lock_guard<std::mutex> guard(TablesLock());
  Tables().erase(CanonicalModule(module));
}

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
