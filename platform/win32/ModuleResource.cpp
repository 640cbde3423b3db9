#include "platform/win32/ModuleResource.h"

#include <strings.h>

#include <map>
#include <mutex>
#include <vector>

#include "platform/win32/Error.h"
#include "platform/win32/Module.h"

namespace {

struct ResourceTable {
  const BinaryResource* entries;
  std::size_t count;
};

std::mutex& TablesLock() {
  static std::mutex lock;
  return lock;
}

std::map<HINSTANCE, std::vector<ResourceTable>>& Tables() {
  static std::map<HINSTANCE, std::vector<ResourceTable>> tables;
  return tables;
}

bool SameName(LPCSTR a, LPCSTR b) {
  if (IS_INTRESOURCE(a) || IS_INTRESOURCE(b)) return a == b;
  return strcasecmp(a, b) == 0;
}

}  // namespace

namespace platform {

void RegisterResourceTable(HINSTANCE module, const BinaryResource* entries, std::size_t count) {
  std::lock_guard<std::mutex> guard(TablesLock());
  auto& tables = Tables()[CanonicalModule(module)];
  for (const ResourceTable& table : tables) {
    if (table.entries == entries) return;
  }
  tables.push_back({entries, count});
}

void UnregisterResourceTable(HINSTANCE module) {
  std::lock_guard<std::mutex> guard(TablesLock());
  Tables().erase(CanonicalModule(module));
}

}  // namespace platform

// A resource handle points at its table entry; the loaded handle at the same entry's bytes.
HRSRC FindResource(HMODULE module, LPCSTR name, LPCSTR type) {
  if (!name || !type) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::lock_guard<std::mutex> guard(TablesLock());
  auto table = Tables().find(platform::CanonicalModule(module));
  if (table == Tables().end()) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  for (const ResourceTable& part : table->second) {
    for (std::size_t i = 0; i < part.count; ++i) {
      const BinaryResource& entry = part.entries[i];
      if (SameName(entry.type, type) && SameName(entry.name, name)) {
        return reinterpret_cast<HRSRC>(const_cast<BinaryResource*>(&entry));
      }
    }
  }
  SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  return nullptr;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
  if (!resource) return nullptr;
  const auto* entry = reinterpret_cast<const BinaryResource*>(resource);
  return const_cast<BYTE*>(entry->data);
}

DWORD SizeofResource(HMODULE, HRSRC resource) {
  if (!resource) return 0;
  return reinterpret_cast<const BinaryResource*>(resource)->size;
}

LPVOID LockResource(HGLOBAL loaded) { return loaded; }
