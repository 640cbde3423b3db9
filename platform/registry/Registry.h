// The registry: HKEY_CURRENT_USER and HKEY_CLASSES_ROOT kept in one file, by default
// $XDG_CONFIG_HOME/Veltramoor/registry ($HOME/.config when XDG_CONFIG_HOME is unset); the
// environment variable WF_REGISTRY names another file. Every change rereads the file and
// rewrites it through a temporary and a rename under a lock between processes (on the file
// "<registry>.lock" beside it), so that no process's change is lost and a crash leaves the old
// file whole; every call rereads it when another process has replaced it. A file that cannot be parsed is
// never overwritten: every call answers ERROR_REGISTRY_CORRUPT until it is mended or removed, as
// for anything other than a regular file or a file larger than a registry, which is not read.
#pragma once
#include <string>

#include "platform/win32/Error.h"
#include "platform/win32/Types.h"

WF_DECLARE_HANDLE(HKEY);
using PHKEY = HKEY*;
using REGSAM = DWORD;
using LSTATUS = LONG;
using LPDWORD = DWORD*;
using LPBYTE = BYTE*;

inline const HKEY HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000000u));
inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001u));

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

constexpr DWORD ERROR_MORE_DATA = 234;
constexpr DWORD ERROR_NO_MORE_ITEMS = 259;
constexpr DWORD ERROR_CANTREAD = 1012;
constexpr DWORD ERROR_CANTWRITE = 1013;
constexpr DWORD ERROR_REGISTRY_CORRUPT = 1015;
constexpr DWORD ERROR_KEY_DELETED = 1018;

// Key names are compared without regard to case and hold no backslash; a sub key may name
// several levels ("Software\Veltramoor"). A null or empty value name is the key's default value.
LSTATUS RegCreateKeyEx(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM access,
                       void* security, PHKEY result, LPDWORD disposition);
LSTATUS RegOpenKeyEx(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
LSTATUS RegCloseKey(HKEY key);
// Fails with ERROR_ACCESS_DENIED while the key has sub keys, as the platform does.
LSTATUS RegDeleteKey(HKEY key, LPCSTR subKey);
// With null data only the size is answered; a buffer too small answers ERROR_MORE_DATA and
// the size needed.
LSTATUS RegQueryValueEx(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                        LPDWORD size);
LSTATUS RegSetValueEx(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
LSTATUS RegDeleteValue(HKEY key, LPCSTR valueName);
// Values in the order they were first set; `nameSize` is in characters, without the zero on
// the way out.
LSTATUS RegEnumValue(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPDWORD type,
                     LPBYTE data, LPDWORD dataSize);

namespace platform {
// The file the registry is kept in, as the environment names it now.
std::string RegistryPath();
// Changes made on this thread while a batch lives reach the file in one write when it ends,
// all under one hold of the lock between processes; other threads' registry calls wait.
// The calls inside answer success for changes that only Finish writes: its status counts.
class RegistryBatch {
 public:
  RegistryBatch();
  ~RegistryBatch();
  RegistryBatch(const RegistryBatch&) = delete;
  RegistryBatch& operator=(const RegistryBatch&) = delete;
  // Writes the changes (an inner batch leaves that to the outermost): the write's status, or
  // the error met taking the lock, in which case every change went to the file on its own.
  LSTATUS Finish();

 private:
  LSTATUS status_ = ERROR_SUCCESS;
  bool finished_ = false;
};

// Why the registry's file failed the last call it could not serve, in words for the user (its
// path and what stands in the way); empty once the file has been read or written since.
std::string RegistryFailureReason();

// For tests: called once in every write of the file, after part of it is written.
void SetRegistryWriteHook(void (*hook)());
}  // namespace platform
