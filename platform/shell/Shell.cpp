#include "platform/shell/Shell.h"

#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "platform/gdi/Dib.h"
#include "platform/gdi/Draw.h"
#include "platform/ui/Icons.h"
#include "platform/ui/Metrics.h"

namespace {

std::mutex& RequestsLock() {
  static std::mutex lock;
  return lock;
}

std::vector<platform::ShellRequest>& Requests() {
  static std::vector<platform::ShellRequest> requests;
  return requests;
}

HINSTANCE Answer(INT_PTR code) { return reinterpret_cast<HINSTANCE>(code); }

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

bool IsExecutableFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The program's path when `name` names one (a path, or a name found on PATH); empty otherwise.
std::string FindProgram(const std::string& name) {
  if (name.find('/') != std::string::npos) return IsExecutableFile(name) ? name : "";
  const char* search = std::getenv("PATH");
  std::string folders = search ? search : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    std::string candidate = folders.substr(start, end - start) + "/" + name;
    if (end > start && IsExecutableFile(candidate)) return candidate;
    start = end + 1;
  }
  return "";
}

std::vector<std::string> SplitParameters(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, inWord = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

// Runs the program detached: the intermediate child ends at once, so nothing is left to reap.
bool Start(const std::vector<std::string>& arguments, const std::string& directory) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    if (fork() == 0) {
      if (!directory.empty() && chdir(directory.c_str()) != 0) _exit(127);
      execv(argv[0], argv.data());
      _exit(127);
    }
    _exit(0);
  }
  int status = 0;
  return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int DeleteConfirmed(const SHFILEOPSTRUCT& operation, const std::vector<std::string>& paths) {
  if (operation.fFlags & FOF_NOCONFIRMATION) return IDYES;
  std::string text, caption;
  if (paths.size() == 1) {
    std::string name = std::filesystem::path(paths[0]).filename().string();
    text = "Are you sure you want to delete '" + name + "'?";
    caption = "Confirm File Delete";
  } else {
    text = "Are you sure you want to delete these " + std::to_string(paths.size()) + " items?";
    caption = "Confirm Multiple File Delete";
  }
  return MessageBox(operation.hwnd, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION);
}

// The generic document (a page with a turned corner) or folder, drawn on a transparent square.
HICON GenericIcon(bool folder, int size) {
  BYTE* bits = nullptr;
  HBITMAP picture = platform::CreateTopDownSection(size, size, &bits);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ oldBitmap = SelectObject(dc, picture);
  auto scaled = [size](std::initializer_list<POINT> points) {
    std::vector<POINT> out;
    for (POINT p : points) out.push_back({p.x * size / 32, p.y * size / 32});
    return out;
  };
  auto shape = [dc](const std::vector<POINT>& points, COLORREF fill, COLORREF edge) {
    HPEN pen = CreatePen(PS_SOLID, 1, edge);
    HBRUSH brush = CreateSolidBrush(fill);
    HGDIOBJ oldPen = SelectObject(dc, pen), oldBrush = SelectObject(dc, brush);
    Polygon(dc, points.data(), static_cast<int>(points.size()));
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
  };
  if (folder) {
    shape(scaled({{2, 6}, {12, 6}, {15, 9}, {29, 9}, {29, 27}, {2, 27}}), RGB(0xE8, 0xB8, 0x3C),
          RGB(0x8A, 0x64, 0x10));
    shape(scaled({{2, 12}, {29, 12}, {29, 27}, {2, 27}}), RGB(0xF6, 0xD3, 0x6B), RGB(0x8A, 0x64, 0x10));
  } else {
    shape(scaled({{6, 2}, {20, 2}, {26, 8}, {26, 30}, {6, 30}}), RGB(0xFF, 0xFF, 0xFF),
          RGB(0x60, 0x60, 0x60));
    shape(scaled({{20, 2}, {20, 8}, {26, 8}}), RGB(0xD8, 0xD8, 0xD8), RGB(0x60, 0x60, 0x60));
  }
  SelectObject(dc, oldBitmap);
  DeleteDC(dc);
  ICONINFO iconInfo{TRUE, 0, 0, nullptr, picture};
  HICON icon = CreateIconIndirect(&iconInfo);
  DeleteObject(picture);
  return icon;
}

void CopyText(const std::string& text, char* out, std::size_t size) {
  std::size_t length = std::min(text.size(), size - 1);
  text.copy(out, length);
  out[length] = '\0';
}

}  // namespace

HINSTANCE ShellExecute(HWND, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, int show) {
  if (verb && *verb && strcasecmp(verb, "open") != 0) return Answer(SE_ERR_NOASSOC);
  if (!file || !*file) return Answer(SE_ERR_FNF);
  platform::ShellRequest request{verb ? verb : "",           file, parameters ? parameters : "",
                                 directory ? directory : "", show, HasDisplay()};
  std::string program = FindProgram(file);
  std::vector<std::string> arguments;
  if (!program.empty()) {
    arguments = SplitParameters(request.parameters);
    arguments.insert(arguments.begin(), program);
  } else {
    if (file[0] == '/' && access(file, F_OK) != 0) return Answer(SE_ERR_FNF);
    arguments = {FindProgram("xdg-open"), file};
    if (request.started && arguments[0].empty()) return Answer(SE_ERR_NOASSOC);
  }
  if (request.started && !Start(arguments, request.directory)) return Answer(SE_ERR_FNF);
  std::lock_guard<std::mutex> guard(RequestsLock());
  Requests().push_back(std::move(request));
  return Answer(42);
}

int SHFileOperation(SHFILEOPSTRUCT* operation) {
  if (!operation || operation->wFunc != FO_DELETE || !operation->pFrom) {
    return ERROR_INVALID_PARAMETER;
  }
  operation->fAnyOperationsAborted = FALSE;
  std::vector<std::string> paths;
  for (LPCSTR path = operation->pFrom; *path; path += std::strlen(path) + 1) paths.push_back(path);
  if (paths.empty()) return ERROR_INVALID_PARAMETER;
  for (const std::string& path : paths) {
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, error))) {
      return ERROR_FILE_NOT_FOUND;
    }
  }
  if (DeleteConfirmed(*operation, paths) != IDYES) {
    operation->fAnyOperationsAborted = TRUE;
    return 0;
  }
  for (const std::string& path : paths) {
    std::error_code error;
    std::filesystem::remove_all(path, error);
    if (error) return static_cast<int>(platform::ErrorFromErrno(error.value()));
  }
  return 0;
}

DWORD_PTR SHGetFileInfo(LPCSTR path, DWORD attributes, SHFILEINFO* info, UINT size, UINT flags) {
  if (!path || !info || size < sizeof(SHFILEINFO)) return 0;
  bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (!(flags & SHGFI_USEFILEATTRIBUTES)) {
    struct stat status;
    if (stat(path, &status) != 0) return 0;
    folder = S_ISDIR(status.st_mode);
  }
  std::filesystem::path name(path);
  *info = SHFILEINFO{};
  info->iIcon = folder ? 1 : 0;
  info->dwAttributes = folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
  if (flags & SHGFI_ICON) {
    info->hIcon = GenericIcon(folder, GetSystemMetrics((flags & SHGFI_SMALLICON) ? SM_CXSMICON : SM_CXICON));
  }
  if (flags & SHGFI_DISPLAYNAME) {
    CopyText(name.filename().string(), info->szDisplayName, sizeof info->szDisplayName);
  }
  if (flags & SHGFI_TYPENAME) {
    std::string extension = name.extension().string();
    for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string type = folder ? "File folder" : extension.size() > 1 ? extension.substr(1) + " File" : "File";
    CopyText(type, info->szTypeName, sizeof info->szTypeName);
  }
  return 1;
}

namespace platform {

std::vector<ShellRequest> ShellRequests() {
  std::lock_guard<std::mutex> guard(RequestsLock());
  return Requests();
}

void ClearShellRequests() {
  std::lock_guard<std::mutex> guard(RequestsLock());
  Requests().clear();
}

}  // namespace platform
