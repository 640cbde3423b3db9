#include "platform/win32/ModuleResource.h"

#include <strings.h>

#include "platform/win32/Error.h"
#include "platform/win32/detail/ModuleTables.h"

namespace {

platform::detail::ModuleTables<BinaryResource>& Tables() {
  static platform::detail::ModuleTables<BinaryResource> tables;
  return tables;
}

bool SameName(LPCSTR a, LPCSTR b) {
  if (IS_INTRESOURCE(a) || IS_INTRESOURCE(b)) return a == b;
  return strcasecmp(a, b) == 0;
}

}  // namespace

namespace platform {

void RegisterResourceTable(HINSTANCE module, const BinaryResource* entries, std::size_t count) {
  Tables().Register(module, entries, count);
}

void UnregisterResourceTable(HINSTANCE module) { Tables().Unregister(module); }

}  // namespace platform

// A resource handle points at its table entry; the loaded handle at the same entry's bytes.
HRSRC FindResource(HMODULE module, LPCSTR name, LPCSTR type) {
  if (!name || !type) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  bool known = false;
  const BinaryResource* entry = Tables().Find(
      module, [&](const BinaryResource& e) { return SameName(e.type, type) && SameName(e.name, name); },
      &known);
  if (!entry) {
    SetLastError(known ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HRSRC>(const_cast<BinaryResource*>(entry));
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
