// The shell: opening documents and links, deleting files with the user's confirmation, what the
// shell knows about a file, and the module's own file. Headless (no DISPLAY or WAYLAND_DISPLAY),
// ShellExecute only records what it was asked, so tests and scripted runs can read it back.
#pragma once
#include <string>
#include <vector>

#include "platform/ui/Dialogs.h"
#include "platform/win32/Error.h"
#include "platform/win32/Module.h"

// Answers a value above 32 on success, or one of these.
constexpr INT_PTR SE_ERR_FNF = 2;
constexpr INT_PTR SE_ERR_NOASSOC = 31;
// "open" (or null, the default verb) runs a program with the parameters, or hands a document or
// link to xdg-open. Parameters are split at blanks; double quotes group and are removed.
HINSTANCE ShellExecute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, int show);
inline HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                               int show) {
  return ShellExecute(owner, verb, file, parameters, directory, show);
}

constexpr UINT FO_DELETE = 3;
constexpr WORD FOF_SILENT = 0x0004;
constexpr WORD FOF_NOCONFIRMATION = 0x0010;
constexpr WORD FOF_ALLOWUNDO = 0x0040;
constexpr WORD FOF_NOERRORUI = 0x0400;

struct SHFILEOPSTRUCT {
  HWND hwnd;
  UINT wFunc;
  LPCSTR pFrom;  // paths, each zero-terminated, the list ended by an empty one
  LPCSTR pTo;
  WORD fFlags;
  BOOL fAnyOperationsAborted;
  LPVOID hNameMappings;
  LPCSTR lpszProgressTitle;
};
// Deletes files and folders (with what they hold) after a Yes to the confirmation message box,
// unless FOF_NOCONFIRMATION. A No answers 0 with fAnyOperationsAborted set; a path that cannot
// be deleted answers its error code and stops there. There is no waste bin: FOF_ALLOWUNDO
// deletes as well. Only FO_DELETE is offered (ERROR_INVALID_PARAMETER otherwise).
int SHFileOperation(SHFILEOPSTRUCT* operation);

constexpr UINT SHGFI_LARGEICON = 0x0000;
constexpr UINT SHGFI_SMALLICON = 0x0001;
constexpr UINT SHGFI_USEFILEATTRIBUTES = 0x0010;
constexpr UINT SHGFI_ICON = 0x0100;
constexpr UINT SHGFI_DISPLAYNAME = 0x0200;
constexpr UINT SHGFI_TYPENAME = 0x0400;
constexpr UINT SHGFI_SYSICONINDEX = 0x4000;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;

struct SHFILEINFO {
  HICON hIcon;
  int iIcon;
  DWORD dwAttributes;
  char szDisplayName[260];
  char szTypeName[80];
};
// The display name (the file's name), the type name ("PNG File", "File folder"), the index of
// the generic document (0) or folder (1) picture and, with SHGFI_ICON, that picture as an icon
// (small with SHGFI_SMALLICON) that the caller destroys. Without SHGFI_USEFILEATTRIBUTES the file
// must exist (0 otherwise).
DWORD_PTR SHGetFileInfo(LPCSTR path, DWORD attributes, SHFILEINFO* info, UINT size, UINT flags);

namespace platform {

struct ShellRequest {
  std::string verb;
  std::string file;
  std::string parameters;
  std::string directory;
  int show;
  bool started;  // handed to a program (a display was present)
};
// Every ShellExecute call that was answered with success, oldest first.
std::vector<ShellRequest> ShellRequests();
void ClearShellRequests();

}  // namespace platform
