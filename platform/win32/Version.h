// Version information of modules: the version resource (RT_VERSION, id 1) of a loaded module,
// read by its file name, and the queries into it. The block keeps the platform's tree of
// {length, value length, type, key, value, children} records aligned to four bytes, with 8-bit
// keys and texts.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/Types.h"

struct VS_FIXEDFILEINFO {
  DWORD dwSignature;  // 0xFEEF04BD
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;
  DWORD dwFileVersionLS;
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;
  DWORD dwFileOS;
  DWORD dwFileType;
  DWORD dwFileSubtype;
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
};

constexpr DWORD ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;

// The size of the version block of the loaded module with that file name (compared without
// folder and case), 0 when there is none. `handle` is set to 0.
DWORD GetFileVersionInfoSize(LPCSTR fileName, DWORD* handle);
// Copies the block into data; FALSE when there is none or it does not fit in `size`.
BOOL GetFileVersionInfo(LPCSTR fileName, DWORD handle, DWORD size, LPVOID data);
// "\" answers the VS_FIXEDFILEINFO; "\VarFileInfo\Translation" the {language, code page} pairs
// as 16-bit words; "\StringFileInfo\<language><code page>\<name>" a zero-terminated text, with
// `length` counting its characters and the zero. Keys ignore case. Only blocks that
// GetFileVersionInfo filled are read, and only within what it copied; FALSE for anything else.
BOOL VerQueryValue(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* length);
inline BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* length) {
  return VerQueryValue(block, subBlock, buffer, length);
}

namespace platform {

struct VersionStrings {
  WORD language;
  WORD codePage;
  std::vector<std::pair<std::string, std::string>> values;  // name, text
};
// A version block as a resource compiler would build it; the translation list names the
// string tables in order.
std::vector<BYTE> MakeVersionBlock(const VS_FIXEDFILEINFO& fixed, const std::vector<VersionStrings>& tables);

}  // namespace platform
