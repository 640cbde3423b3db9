// The open and save dialogs as a dialog: the folder and its ancestors to go back to, the
// folder's entries (folders first, then the files of the chosen type), the file name, the type
// and the two buttons. A name typed is taken as the user means it: a folder opens, a pattern
// filters the list, a name without an extension takes that of the type, or the default one.
#include <fnmatch.h>
#include <strings.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/ui/DialogBox.h"
#include "platform/ui/Input.h"
#include "platform/ui/Modal.h"
#include "platform/ui/Queue.h"
#include "platform/ui/detail/CommonDialogs.h"

namespace platform::detail {

namespace {

namespace fs = std::filesystem;

struct Entry {
  std::string name;
  bool folder;
};

struct FileType {
  std::string description;
  std::string pattern;  // patterns separated by ';'
};

struct Chooser {
  const OPENFILENAME* ofn;
  bool save;
  std::vector<FileType> types;
  std::string folder;
  std::string pattern;
  std::vector<Entry> entries;
  std::string chosen;
  DWORD typeIndex = 1;
};

std::string Title(const Chooser& chooser) { return FileDialogTitle(*chooser.ofn, chooser.save); }

std::vector<FileType> TypesOf(LPCSTR filter) {
  std::vector<FileType> types;
  for (LPCSTR part = filter; part && *part;) {
    FileType type{part, ""};
    part += type.description.size() + 1;
    if (!*part) break;
    type.pattern = part;
    part += type.pattern.size() + 1;
    types.push_back(type);
  }
  return types;
}

bool HasWildcards(const std::string& text) { return text.find_first_of("*?") != std::string::npos; }

// A file name against patterns such as "*.jpg;*.jpeg", letter case aside; "*.*" is every name.
bool Matches(const std::string& name, const std::string& patterns) {
  std::size_t start = 0;
  while (start <= patterns.size()) {
    std::size_t end = std::min(patterns.find(';', start), patterns.size());
    std::string pattern = patterns.substr(start, end - start);
    pattern.erase(0, pattern.find_first_not_of(' '));
    pattern.erase(pattern.find_last_not_of(' ') + 1);
    if (pattern == "*.*") pattern = "*";
    if (!pattern.empty() && fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0) return true;
    start = end + 1;
  }
  return false;
}

// The extension a name without one takes: the type's, when it names one, else the default.
std::string ExtensionFor(const Chooser& chooser) {
  std::string first = chooser.pattern.substr(0, chooser.pattern.find(';'));
  if (first.rfind("*.", 0) == 0 && first.size() > 2 && !HasWildcards(first.substr(2))) return first.substr(2);
  return chooser.ofn->lpstrDefExt ? chooser.ofn->lpstrDefExt : "";
}

std::string Normal(const std::string& path) {
  std::string normal = fs::path(path).lexically_normal().string();
  while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
  return normal;
}

std::string Joined(const std::string& folder, const std::string& name) {
  if (!name.empty() && name[0] == '/') return Normal(name);
  return Normal(folder + "/" + name);
}

bool IsFolder(const std::string& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

int Tell(HWND dialog, const Chooser& chooser, const std::string& text, UINT type) {
  return ::MessageBox(dialog, text.c_str(), Title(chooser).c_str(), type);
}

// The folder's entries, or false when it cannot be read.
bool ReadFolder(const std::string& folder, const std::string& pattern, std::vector<Entry>* entries) {
  std::error_code error;
  fs::directory_iterator it(folder, error);
  if (error) return false;
  entries->clear();
  for (; it != fs::directory_iterator(); it.increment(error)) {
    std::string name = it->path().filename().string();
    if (name.empty() || name[0] == '.') continue;  // hidden, as a file manager has them
    std::error_code kind;
    bool folder = it->is_directory(kind);
    if (folder || Matches(name, pattern)) entries->push_back(Entry{name, folder});
  }
  std::sort(entries->begin(), entries->end(), [](const Entry& a, const Entry& b) {
    if (a.folder != b.folder) return a.folder;
    return strcasecmp(a.name.c_str(), b.name.c_str()) < 0;
  });
  return true;
}

void ShowEntries(HWND dialog, const Chooser& chooser) {
  HWND list = GetDlgItem(dialog, kFileListId);
  SendMessage(list, LB_RESETCONTENT, 0, 0);
  for (const Entry& entry : chooser.entries) {
    std::string shown = entry.folder ? entry.name + "/" : entry.name;
    SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
  }
  HWND folders = GetDlgItem(dialog, kFileFolderId);
  SendMessage(folders, CB_RESETCONTENT, 0, 0);
  std::vector<std::string> chain;
  for (fs::path at = chooser.folder;; at = at.parent_path()) {
    chain.push_back(at.string());
    if (at.empty() || at == at.parent_path()) break;
  }
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    SendMessage(folders, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(it->c_str()));
  SendMessage(folders, CB_SETCURSEL, chain.size() - 1, 0);
  EnableWindow(GetDlgItem(dialog, kFileUpId), chooser.folder != "/");
}

bool Open(HWND dialog, Chooser& chooser, const std::string& folder) {
  std::vector<Entry> entries;
  if (!ReadFolder(folder, chooser.pattern, &entries)) {
    Tell(dialog, chooser, "The folder \"" + folder + "\" cannot be opened.", MB_OK | MB_ICONWARNING);
    return false;
  }
  chooser.folder = folder;
  chooser.entries = std::move(entries);
  ShowEntries(dialog, chooser);
  return true;
}

void Filter(HWND dialog, Chooser& chooser, const std::string& pattern) {
  chooser.pattern = pattern;
  ReadFolder(chooser.folder, chooser.pattern, &chooser.entries);
  ShowEntries(dialog, chooser);
}

const Entry* Selected(HWND dialog, const Chooser& chooser) {
  auto index = static_cast<std::size_t>(SendDlgItemMessage(dialog, kFileListId, LB_GETCURSEL, 0, 0));
  return index < chooser.entries.size() ? &chooser.entries[index] : nullptr;
}

// OK: a folder selected in the list, or named, opens; a pattern filters; a file name ends the
// dialog once the questions its flags ask are answered.
void Accept(HWND dialog, Chooser& chooser) {
  const Entry* selected = Selected(dialog, chooser);
  if (GetFocus() == GetDlgItem(dialog, kFileListId) && selected && selected->folder) {
    Open(dialog, chooser, Joined(chooser.folder, selected->name));
    return;
  }
  char typed[4096];
  GetDlgItemText(dialog, kFileNameId, typed, sizeof typed);
  std::string text = typed;
  text.erase(0, text.find_first_not_of(' '));
  text.erase(text.find_last_not_of(' ') + 1);
  if (text.empty()) return;
  if (HasWildcards(text)) {
    std::size_t slash = text.find_last_of('/');
    if (slash != std::string::npos &&
        !Open(dialog, chooser, Joined(chooser.folder, text.substr(0, slash + 1))))
      return;
    Filter(dialog, chooser, text.substr(slash + 1));
    return;
  }
  std::string path = Joined(chooser.folder, text);
  if (IsFolder(path)) {
    if (Open(dialog, chooser, path)) SetDlgItemText(dialog, kFileNameId, "");
    return;
  }
  std::string name = fs::path(path).filename().string();
  std::string extension = ExtensionFor(chooser);
  if (name.find('.', 1) == std::string::npos && !extension.empty()) {
    path += "." + extension;
    name += "." + extension;
  }
  std::string parent = fs::path(path).parent_path().string();
  if (!IsFolder(parent)) {
    Tell(dialog, chooser, "The folder \"" + parent + "\" does not exist.", MB_OK | MB_ICONWARNING);
    return;
  }
  std::error_code error;
  bool exists = fs::exists(path, error);
  DWORD flags = chooser.ofn->Flags;
  if (!chooser.save && (flags & OFN_FILEMUSTEXIST) && !exists) {
    Tell(dialog, chooser, "\"" + name + "\" cannot be found.\nCheck the file name and try again.",
         MB_OK | MB_ICONWARNING);
    return;
  }
  if (chooser.save && exists && (flags & OFN_OVERWRITEPROMPT) && !ReplaceAsked(dialog, Title(chooser), name))
    return;
  chooser.chosen = path;
  chooser.typeIndex = static_cast<DWORD>(SendDlgItemMessage(dialog, kFileTypeId, CB_GETCURSEL, 0, 0) + 1);
  EndDialog(dialog, IDOK);
}

void Start(HWND dialog, Chooser& chooser) {
  const OPENFILENAME& ofn = *chooser.ofn;
  std::string file = ofn.lpstrFile;
  std::string name = file.substr(file.find_last_of('/') + 1);
  std::string folder = file.size() > name.size() ? file.substr(0, file.size() - name.size()) : std::string();
  if (folder.empty() && ofn.lpstrInitialDir) folder = ofn.lpstrInitialDir;
  std::error_code error;
  std::string current = fs::current_path(error).string();
  if (folder.empty()) folder = current;
  folder = Joined(current, folder);

  HWND types = GetDlgItem(dialog, kFileTypeId);
  for (const FileType& type : chooser.types)
    SendMessage(types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(type.description.c_str()));
  std::size_t index = ofn.nFilterIndex > 0 ? ofn.nFilterIndex - 1 : 0;
  if (index >= chooser.types.size()) index = 0;
  SendMessage(types, CB_SETCURSEL, index, 0);
  EnableWindow(types, !chooser.types.empty());
  chooser.pattern = HasWildcards(name) ? name : chooser.types.empty() ? "*" : chooser.types[index].pattern;

  SetDlgItemText(dialog, kFileNameId, name.c_str());
  if (!IsFolder(folder) || !Open(dialog, chooser, folder))
    Open(dialog, chooser, IsFolder(current) ? current : "/");
  HWND edit = GetDlgItem(dialog, kFileNameId);
  SendMessage(edit, EM_SETSEL, 0, -1);
  SetFocus(edit);
}

INT_PTR FileDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtr(dialog, DWLP_USER, lParam);
    Start(dialog, *reinterpret_cast<Chooser*>(lParam));
    return FALSE;
  }
  auto* chooser = reinterpret_cast<Chooser*>(GetWindowLongPtr(dialog, DWLP_USER));
  if (!chooser || message != WM_COMMAND) return FALSE;
  const int id = LOWORD(wParam), code = HIWORD(wParam);
  if (id == IDOK) {
    Accept(dialog, *chooser);
  } else if (id == IDCANCEL) {
    EndDialog(dialog, IDCANCEL);
  } else if (id == kFileUpId && code == BN_CLICKED) {
    Open(dialog, *chooser, fs::path(chooser->folder).parent_path().string());
  } else if (id == kFileFolderId && code == CBN_SELCHANGE) {
    char folder[4096];
    auto index = static_cast<WPARAM>(SendDlgItemMessage(dialog, kFileFolderId, CB_GETCURSEL, 0, 0));
    if (SendDlgItemMessage(dialog, kFileFolderId, CB_GETLBTEXTLEN, index, 0) <
        static_cast<LRESULT>(sizeof folder)) {
      SendDlgItemMessage(dialog, kFileFolderId, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(folder));
      if (!Open(dialog, *chooser, folder)) ShowEntries(dialog, *chooser);
    }
  } else if (id == kFileTypeId && code == CBN_SELCHANGE) {
    auto index = static_cast<std::size_t>(SendDlgItemMessage(dialog, kFileTypeId, CB_GETCURSEL, 0, 0));
    if (index < chooser->types.size()) Filter(dialog, *chooser, chooser->types[index].pattern);
  } else if (id == kFileListId && (code == LBN_SELCHANGE || code == LBN_DBLCLK)) {
    const Entry* selected = Selected(dialog, *chooser);
    if (!selected) return TRUE;
    if (!selected->folder) SetDlgItemText(dialog, kFileNameId, selected->name.c_str());
    if (code == LBN_DBLCLK) Accept(dialog, *chooser);
  }
  return TRUE;
}

}  // namespace

std::string FileDialogTitle(const OPENFILENAME& ofn, bool save) {
  if (ofn.lpstrTitle && *ofn.lpstrTitle) return ofn.lpstrTitle;
  return save ? "Save As" : "Open";
}

bool ReplaceAsked(HWND dialog, const std::string& title, const std::string& name) {
  return ::MessageBox(dialog, ("\"" + name + "\" already exists.\nDo you want to replace it?").c_str(),
                      title.c_str(), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

bool RunFileDialogWindow(const OPENFILENAME& ofn, bool save, std::string* path, DWORD* filterIndex) {
  Chooser chooser{&ofn, save, TypesOf(ofn.lpstrFilter), "", "", {}, "", 1};
  const std::string title = Title(chooser);
  constexpr DWORD kLabel = SS_LEFT | WS_VISIBLE;
  constexpr DWORD kCombo = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_VISIBLE;
  constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE;
  const DialogItemTemplate items[] = {
      {WC_STATIC, save ? "Save &in:" : "Look &in:", -1, 7, 9, 42, 8, kLabel, 0},
      {WC_COMBOBOX, "", kFileFolderId, 52, 7, 176, 150, kCombo, 0},
      {WC_BUTTON, "&Up", kFileUpId, 233, 6, 40, 14, kButton, 0},
      {WC_LISTBOX, "", kFileListId, 7, 25, 266, 94,
       LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP | WS_VISIBLE, WS_EX_CLIENTEDGE},
      {WC_STATIC, "File &name:", -1, 7, 128, 50, 8, kLabel, 0},
      {WC_EDIT, "", kFileNameId, 60, 126, 158, 12, ES_AUTOHSCROLL | WS_TABSTOP | WS_VISIBLE,
       WS_EX_CLIENTEDGE},
      {WC_BUTTON, save ? "&Save" : "&Open", IDOK, 223, 125, 50, 14, kButton | BS_DEFPUSHBUTTON, 0},
      {WC_STATIC, save ? "Save as &type:" : "Files of &type:", -1, 7, 146, 52, 8, kLabel, 0},
      {WC_COMBOBOX, "", kFileTypeId, 60, 144, 158, 100, kCombo, 0},
      {WC_BUTTON, "Cancel", IDCANCEL, 223, 143, 50, 14, kButton, 0},
  };
  const DialogTemplate dialog{DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU,
                              0,
                              0,
                              0,
                              280,
                              164,
                              title.c_str(),
                              nullptr,
                              0,
                              items,
                              std::size(items)};
  HWND owner = ofn.hwndOwner ? ofn.hwndOwner : GetActiveWindow();
  if (DialogBoxIndirectParam(nullptr, &dialog, owner, FileDialogProc, reinterpret_cast<LPARAM>(&chooser)) !=
      IDOK)
    return false;
  *path = chooser.chosen;
  *filterIndex = chooser.typeIndex;
  return true;
}

}  // namespace platform::detail
