#include "app/Help.h"

#include <strings.h>

#include <algorithm>

#include "platform/classlib/ClassLib.h"
#include "platform/registry/Registry.h"
#include "platform/shell/Shell.h"
#include "platform/win32/Module.h"

namespace app {

bool ShowHelp() {
  const std::string name = std::string(AfxGetApp() ? AfxGetApp()->m_pszExeName : "") + ".8bf";
  char path[4096];
  const DWORD length = GetModuleFileNameA(GetModuleHandleA(name.c_str()), path, sizeof path);
  if (length == 0 || length >= sizeof path) return true;
  const std::string module(path, length);
  const std::string folder = module.substr(0, module.size() - std::min(module.size(), name.size()));
  OpenInBrowser("\"" + folder + "Help/wendleforge.html\"", true);
  return true;
}

void OpenInBrowser(const std::string& link, bool useBrowser) {
  if (link.size() >= 7 && strncasecmp(link.c_str(), "mailto:", 7) == 0) {
    ShellExecuteA(nullptr, "open", link.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return;
  }
  std::string cache;
  const std::string browser = useBrowser ? GetBrowserCommand(cache) : std::string();
  // Without a registered browser the shell's own choice for the page is the next best.
  if (browser.empty()) {
    ShellExecuteA(nullptr, nullptr, link.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  } else {
    ShellExecuteA(nullptr, nullptr, browser.c_str(), link.c_str(), nullptr, SW_SHOWNORMAL);
  }
}

std::string GetBrowserCommand(std::string& cache) {
  if (cache.empty()) {
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", 0, KEY_READ, &key) == ERROR_SUCCESS) {
      DWORD size = 0;
      if (RegQueryValueEx(key, nullptr, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS && size > 0) {
        std::string value(size, '\0');
        if (RegQueryValueEx(key, nullptr, nullptr, nullptr, reinterpret_cast<LPBYTE>(value.data()), &size) ==
            ERROR_SUCCESS) {
          value.resize(std::min<std::size_t>(size, value.find('\0')));
          cache = value;
        }
      }
      RegCloseKey(key);
    }
  }
  if (cache.empty()) return cache;
  cache.erase(0, cache.find_first_not_of(" \t\r\n"));
  if (!cache.empty() && cache[0] == '"') {
    // The program ends at its own closing quote; quoted arguments may follow.
    const std::size_t closing = cache.find('"', 1);
    if (closing != std::string::npos) cache = cache.substr(1, closing - 1);
    return cache;
  }
  const std::size_t backslash = cache.find_last_of('\\');
  if (backslash != std::string::npos && backslash > 0) {
    const std::size_t space = cache.find(' ', backslash);
    if (space != std::string::npos) cache.resize(space);
  }
  return cache;
}

}  // namespace app
