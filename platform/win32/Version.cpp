#include "platform/win32/Version.h"

#include <strings.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/win32/Error.h"
#include "platform/win32/Module.h"
#include "platform/win32/ModuleResource.h"

namespace {

constexpr std::size_t kHeaderSize = 6;  // length, value length, type

std::size_t Aligned(std::size_t offset) { return (offset + 3) & ~std::size_t{3}; }

void PutWord(std::vector<BYTE>& out, std::size_t at, std::size_t value) {
  out[at] = static_cast<BYTE>(value);
  out[at + 1] = static_cast<BYTE>(value >> 8);
}

// Appends one record; `children` adds the records below it. Answers the record's offset.
template <class Children>
std::size_t PutRecord(std::vector<BYTE>& out, const std::string& key, const void* value,
                      std::size_t valueSize, bool text, Children children) {
  std::size_t start = out.size();
  out.resize(start + kHeaderSize);
  PutWord(out, start + 2, valueSize);
  PutWord(out, start + 4, text ? 1 : 0);
  out.insert(out.end(), key.begin(), key.end());
  out.push_back(0);
  out.resize(Aligned(out.size()));
  const BYTE* bytes = static_cast<const BYTE*>(value);
  out.insert(out.end(), bytes, bytes + valueSize);
  out.resize(Aligned(out.size()));
  children();
  PutWord(out, start, out.size() - start);
  return start;
}

void NoChildren() {}

struct Record {
  std::size_t start, end;  // the record within the block
  std::string key;
  std::size_t value, valueSize;
  std::size_t children;
};

// Reads the record at `at` within [at, limit); false when it does not fit.
bool ReadRecord(const BYTE* block, std::size_t at, std::size_t limit, Record& record) {
  if (at + kHeaderSize > limit) return false;
  std::size_t length = block[at] | block[at + 1] << 8;
  std::size_t valueSize = block[at + 2] | block[at + 3] << 8;
  if (length < kHeaderSize || at + length > limit) return false;
  record.start = at;
  record.end = at + length;
  const BYTE* key = block + at + kHeaderSize;
  const void* zero = std::memchr(key, 0, record.end - (at + kHeaderSize));
  if (!zero) return false;
  record.key.assign(reinterpret_cast<const char*>(key), static_cast<const BYTE*>(zero) - key);
  record.value = Aligned(at + kHeaderSize + record.key.size() + 1);
  record.valueSize = valueSize;
  if (record.value + valueSize > record.end) return false;
  record.children = Aligned(record.value + valueSize);
  return true;
}

std::mutex& BlocksLock() {
  static std::mutex lock;
  return lock;
}

// The blocks GetFileVersionInfo filled, with the bytes it copied.
std::map<const void*, std::size_t>& FilledBlocks() {
  static std::map<const void*, std::size_t> blocks;
  return blocks;
}

HRSRC VersionResource(LPCSTR fileName, HMODULE& module) {
  if (!fileName) return nullptr;
  const char* slash = std::strrchr(fileName, '/');
  module = GetModuleHandle(slash ? slash + 1 : fileName);
  HRSRC resource = module ? FindResource(module, MAKEINTRESOURCE(1), RT_VERSION) : nullptr;
  if (!resource) SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
  return resource;
}

}  // namespace

DWORD GetFileVersionInfoSize(LPCSTR fileName, DWORD* handle) {
  if (handle) *handle = 0;
  HMODULE module = nullptr;
  HRSRC resource = VersionResource(fileName, module);
  return resource ? SizeofResource(module, resource) : 0;
}

BOOL GetFileVersionInfo(LPCSTR fileName, DWORD, DWORD size, LPVOID data) {
  HMODULE module = nullptr;
  HRSRC resource = VersionResource(fileName, module);
  if (!resource || !data) return FALSE;
  DWORD length = SizeofResource(module, resource);
  if (size < length) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(data, LockResource(LoadResource(module, resource)), length);
  std::lock_guard<std::mutex> guard(BlocksLock());
  FilledBlocks()[data] = length;
  return TRUE;
}

BOOL VerQueryValue(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* length) {
  if (buffer) *buffer = nullptr;
  if (length) *length = 0;
  if (!block || !subBlock || !buffer || !length) return FALSE;
  std::size_t limit;
  {
    std::lock_guard<std::mutex> guard(BlocksLock());
    auto filled = FilledBlocks().find(block);
    if (filled == FilledBlocks().end()) return FALSE;
    limit = filled->second;
  }
  const BYTE* bytes = static_cast<const BYTE*>(block);
  Record record;
  if (!ReadRecord(bytes, 0, limit, record)) return FALSE;
  std::string path(subBlock);
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    std::string key = path.substr(start, end - start);
    start = end + 1;
    if (key.empty()) continue;
    Record child;
    bool found = false;
    for (std::size_t at = record.children; at < record.end && !found; at = Aligned(child.end)) {
      if (!ReadRecord(bytes, at, record.end, child)) return FALSE;
      found = strcasecmp(child.key.c_str(), key.c_str()) == 0;
    }
    if (!found) return FALSE;
    record = child;
  }
  if (record.valueSize == 0) return FALSE;
  *buffer = const_cast<BYTE*>(bytes + record.value);
  *length = static_cast<UINT>(record.valueSize);
  return TRUE;
}

namespace platform {

std::vector<BYTE> MakeVersionBlock(const VS_FIXEDFILEINFO& fixed, const std::vector<VersionStrings>& tables) {
  std::vector<BYTE> out;
  PutRecord(out, "VS_VERSION_INFO", &fixed, sizeof fixed, false, [&] {
    PutRecord(out, "StringFileInfo", nullptr, 0, true, [&] {
      for (const VersionStrings& table : tables) {
        char key[9];
        std::snprintf(key, sizeof key, "%04x%04x", table.language, table.codePage);
        PutRecord(out, key, nullptr, 0, true, [&] {
          for (const auto& [name, text] : table.values) {
            PutRecord(out, name, text.c_str(), text.size() + 1, true, NoChildren);
          }
        });
      }
    });
    PutRecord(out, "VarFileInfo", nullptr, 0, true, [&] {
      std::vector<WORD> translations;
      for (const VersionStrings& table : tables) {
        translations.push_back(table.language);
        translations.push_back(table.codePage);
      }
      PutRecord(out, "Translation", translations.data(), translations.size() * sizeof(WORD), false,
                NoChildren);
    });
  });
  return out;
}

}  // namespace platform
