#include "app/Help.h"

#include <strings.h>
#include <unistd.h>

#include <algorithm>

#include "framework/UserMessage.h"
#include "platform/classlib/ClassLib.h"
#include "platform/registry/Registry.h"
#include "platform/shell/Shell.h"
#include "platform/win32/Module.h"

namespace app {

namespace {

// The page in the folder Help beside the module; empty when the module's file is unknown.
std::string HelpPage() {
  const CWinApp* app = AfxGetApp();
  const std::string name = std::string(app && app->m_pszExeName ? app->m_pszExeName : "") + ".8bf";
  const HMODULE module = GetModuleHandleA(name.c_str());
  char path[4096];
  const DWORD length = module ? GetModuleFileNameA(module, path, sizeof path) : 0;
  if (length == 0 || length >= sizeof path) return std::string();
  const std::string file(path, length);
  return file.substr(0, file.size() - std::min(file.size(), name.size())) + "Help/wendleforge.html";
}

}  // namespace

bool ShowHelp() {
  const std::string page = HelpPage();
  if (access(page.c_str(), R_OK) != 0) {
    framework::ShowUserMessage(("The help page was not found:\n" + page).c_str(), "Help",
                               MB_OK | MB_ICONERROR);
  } else if (!OpenInBrowser("\"" + page + "\"", true)) {
    framework::ShowUserMessage(("No web browser was found to open the help page:\n" + page).c_str(), "Help",
                               MB_OK | MB_ICONINFORMATION);
  }
  return true;
}

bool OpenInBrowser(const std::string& link, bool useBrowser) {
  HINSTANCE started = nullptr;
  if (link.size() >= 7 && strncasecmp(link.c_str(), "mailto:", 7) == 0) {
    started = ShellExecuteA(nullptr, "open", link.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  } else {
    std::string cache;
    const std::string browser = useBrowser ? GetBrowserCommand(cache) : std::string();
    // Without a registered browser the shell's own choice for the page is the next best.
    if (browser.empty()) {
      started = ShellExecuteA(nullptr, nullptr, link.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    } else {
      started = ShellExecuteA(nullptr, nullptr, browser.c_str(), link.c_str(), nullptr, SW_SHOWNORMAL);
    }
  }
  return reinterpret_cast<INT_PTR>(started) > 32;
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
