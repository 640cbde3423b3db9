#include "framework/Presets.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "framework/UserMessage.h"
#include "platform/shell/Shell.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/ReplacementFile.h"
#include "resources/ResourceIds.h"

namespace framework {
namespace {

constexpr std::size_t kExtensionLength = sizeof kPresetExtension - 1;
const char kBlanks[] = " \t";

bool EndsWithExtension(const std::string& name, bool ignoreCase) {
  if (name.size() < kExtensionLength) return false;
  return std::equal(name.end() - kExtensionLength, name.end(), kPresetExtension,
                    [ignoreCase](char a, char b) {
                      return ignoreCase ? std::tolower(static_cast<unsigned char>(a)) == b : a == b;
                    });
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// The regular files of the folder, in its own order; none for a missing folder.
std::vector<std::string> FilesOf(const std::string& folder) {
  std::vector<std::string> names;
  if (folder.empty()) return names;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::error_code kindError;
    if (it->is_regular_file(kindError)) names.push_back(it->path().filename().string());
  }
  return names;
}

// The built-in entry's name is its own, in any case, so that no file can be listed beside it.
bool IsDefaultName(const std::string& name) { return SameIgnoringCase(name, kDefaultPreset); }

// A preset's file and the name the list shows for it, in the text code page.
struct PresetFile {
  std::string entry;
  std::string fileName;
  bool utf8 = false;  // else named in the code page itself, as presets were once saved
};

// The folder's presets in its own order, each name once: a file named in UTF-8 is preferred to
// one of the same name in the code page.
std::vector<PresetFile> PresetFilesOf(const std::string& folder) {
  std::vector<PresetFile> presets;
  for (const std::string& name : FilesOf(folder)) {
    if (!EndsWithExtension(name, true)) continue;
    PresetFile preset;
    preset.fileName = name;
    preset.entry = name.substr(0, name.size() - kExtensionLength);
    preset.utf8 = platform::CodePageFromUtf8(preset.entry, &preset.entry);
    if (IsDefaultName(preset.entry)) continue;
    const auto same = std::find_if(presets.begin(), presets.end(), [&preset](const PresetFile& listed) {
      return listed.entry == preset.entry;
    });
    if (same == presets.end())
      presets.push_back(std::move(preset));
    else if (preset.utf8 && !same->utf8)
      *same = std::move(preset);
  }
  return presets;
}

// The preset of a name with its extension: of that very name, else of the name ignoring case, as
// file names do where presets came from, so "Test" finds "Test.PRESET" here too; null for none.
const PresetFile* FindPreset(const std::vector<PresetFile>& presets, const std::string& fileName) {
  if (!EndsWithExtension(fileName, true)) return nullptr;
  const std::string entry = fileName.substr(0, fileName.size() - kExtensionLength);
  for (const bool ignoringCase : {false, true}) {
    for (const PresetFile& preset : presets) {
      if (ignoringCase ? SameIgnoringCase(preset.entry, entry) : preset.entry == entry) return &preset;
    }
  }
  return nullptr;
}

std::string FindPresetFile(const std::string& folder, const std::string& fileName) {
  const std::vector<PresetFile> presets = PresetFilesOf(folder);
  const PresetFile* preset = FindPreset(presets, fileName);
  return preset ? folder + preset->fileName : std::string();
}

std::string SelectedText(CComboBox& list) {
  const int selected = list.GetCurSel();
  if (selected < 0) return std::string();
  CString text;
  list.GetLBText(selected, text);
  return std::string(static_cast<LPCSTR>(text));
}

}  // namespace

PresetState& GetPresetState() {
  static PresetState state{GetPresetsFolder(), {}, {}};
  return state;
}

std::string GetPresetsFolder() {
  char path[260];
  const DWORD length = GetModuleFileName(AfxGetInstanceHandle(), path, sizeof path);
  if (length == 0 || length >= sizeof path) return std::string();
  const std::string module(path, length);
  const std::size_t cut = module.find_last_of("/\\");
  if (cut == std::string::npos) return std::string();
  return module.substr(0, cut + 1) + "Presets" + module[cut];
}

bool IsValidPresetName(const std::string& name) {
  std::string base = name;
  if (EndsWithExtension(base, false)) base.resize(base.size() - kExtensionLength);
  if (base.empty() || name.find("..") != std::string::npos) return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    return c == '/' || c == '\\' || std::iscntrl(static_cast<unsigned char>(c));
  });
}

int ParsePreset(std::istream& in, ParameterSet& set) {
  if (!in) return -1;
  set.ResetParameters(true);
  int result = 0;
  bool first = true;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();  // written where lines end in CR LF
    const std::size_t nameStart = line.find_first_not_of(kBlanks);
    if (nameStart == std::string::npos) continue;
    const std::size_t nameEnd = std::min(line.find_first_of(": \t", nameStart), line.size());
    const std::string name = line.substr(nameStart, nameEnd - nameStart);
    if (first) {
      first = false;
      if (line.substr(nameStart) != set.GetName()) result = kPresetPartlyRead;
      continue;
    }
    Parameter* parameter = set.FindParameterByName(name);
    if (!parameter) continue;
    const std::size_t valueStart = line.find_first_not_of(": \t", nameEnd);
    const std::size_t valueEnd = line.find_last_not_of(kBlanks);
    if (valueStart == std::string::npos || valueEnd < valueStart ||
        parameter->ParseText(line.substr(valueStart, valueEnd - valueStart + 1)) != 0)
      result = kPresetPartlyRead;
  }
  return result;
}

int LoadPreset(const std::string& path, ParameterSet& set) {
  std::ifstream in(path);
  if (!in) return -1;
  return ParsePreset(in, set);
}

int SavePreset(PresetState& state, const ParameterSet& set, CWnd* parent) {
  PresetNameDialog dialog(state.folder, parent);
  if (dialog.DoModal() != IDOK) return kPresetCancelled;
  const std::vector<PresetFile> presets = PresetFilesOf(state.folder);
  const PresetFile* existing = FindPreset(presets, dialog.GetName());
  // A preset named in the code page is replaced by one named in UTF-8.
  const bool inPlace = existing && existing->utf8;
  const std::string path = state.folder +
                           (inPlace ? existing->fileName : platform::Utf8FromCodePage(dialog.GetName()));
  std::ostringstream text;
  set.WriteCommand(text);
  const std::string bytes = text.str();
  std::string whyNot = "the folder of the module is not known";
  if (!state.folder.empty()) {
    std::error_code unmade;  // a folder that cannot be made fails the write below
    std::filesystem::create_directory(state.folder, unmade);
    platform::ReplacementFile file(path);
    errno = 0;
    if (!file.Stream())
      whyNot = platform::WhyNotReplaceable(path);
    else if (std::fwrite(bytes.data(), 1, bytes.size(), file.Stream()) != bytes.size() || !file.Commit())
      whyNot = errno ? std::strerror(errno) : "the system gave no reason";
    else
      whyNot.clear();
  }
  if (!whyNot.empty()) {
    ShowUserMessage(("Can't save the preset\n" + whyNot).c_str(), "Presets", MB_OK | MB_ICONERROR);
    return kPresetNotCreated;
  }
  std::error_code kept;  // a file left over is listed beneath the new one
  if (existing && !inPlace) std::filesystem::remove(state.folder + existing->fileName, kept);
  state.currentPath = path;
  state.currentName = inPlace ? existing->entry + kPresetExtension : dialog.GetName();
  return 0;
}

void FillPresetList(const PresetState& state, CComboBox& list) {
  list.ResetContent();
  list.AddString(kDefaultPreset);
  for (const PresetFile& preset : PresetFilesOf(state.folder)) list.AddString(preset.entry.c_str());
  if (state.currentName.size() < kExtensionLength) return;
  const std::string current = state.currentName.substr(0, state.currentName.size() - kExtensionLength);
  for (int i = 1; i < list.GetCount(); ++i) {
    CString text;
    list.GetLBText(i, text);
    if (current == static_cast<LPCSTR>(text)) {
      list.SetCurSel(i);
      return;
    }
  }
}

bool SelectPreset(PresetState& state, CComboBox& list, ParameterSet& set) {
  const int selected = list.GetCurSel();
  if (selected < 0) return false;
  if (selected == 0) {
    set.ResetParameters(true);
    state.currentName.clear();
    state.currentPath.clear();
    return true;
  }
  const std::string entry = SelectedText(list);
  const std::string path = FindPresetFile(state.folder, entry + kPresetExtension);
  const int loaded = path.empty() ? -1 : LoadPreset(path, set);
  if (loaded < 0) {
    ShowUserMessage("Can't load the selected preset", "Presets", MB_OK | MB_ICONERROR);
    FillPresetList(state, list);
    return false;
  }
  state.currentName = entry + kPresetExtension;
  state.currentPath = path;
  if (loaded == kPresetPartlyRead)
    ShowUserMessage("Parts of the selected preset could not be read; their parameters keep their defaults",
                    "Presets", MB_OK | MB_ICONWARNING);
  return true;
}

bool DeletePreset(PresetState& state, CComboBox& list, bool allowUndo) {
  if (list.GetCurSel() <= 0) return false;
  const std::string path = FindPresetFile(state.folder, SelectedText(list) + kPresetExtension);
  if (path.empty()) {
    ShowUserMessage("Can't delete preset", "Presets", MB_OK | MB_ICONERROR);
    return false;
  }
  std::string from = path;
  from.append(2, '\0');
  SHFILEOPSTRUCT operation{};
  CWnd* owner = AfxGetApp() ? AfxGetApp()->m_pMainWnd : nullptr;
  operation.hwnd = HwndOf(owner);
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = static_cast<WORD>(FOF_SILENT | (allowUndo ? FOF_ALLOWUNDO : 0));
  if (SHFileOperation(&operation) != 0) {
    ShowUserMessage("Can't delete preset", "Presets", MB_OK | MB_ICONERROR);
    return false;
  }
  if (operation.fAnyOperationsAborted) return false;
  if (path == state.currentPath) {
    state.currentName.clear();
    state.currentPath.clear();
  }
  return true;
}

PresetNameDialog::PresetNameDialog(std::string folder, CWnd* parent)
    : CDialog(kTemplate, parent), folder_(std::move(folder)) {}

BOOL PresetNameDialog::OnInitDialog() {
  const BOOL result = CDialog::OnInitDialog();
  SendDlgItemMessage(kNameEdit, EM_LIMITTEXT, kLongestPresetName);
  return result;
}

void PresetNameDialog::OnOK() {
  CString text;
  GetDlgItemText(kNameEdit, text);
  text.Trim();
  std::string name(static_cast<LPCSTR>(text));
  if (!IsValidPresetName(name)) {
    ShowUserMessage("A preset name cannot be empty or hold \"/\", \"\\\", \"..\" or control characters",
                    "Save Preset", MB_OK | MB_ICONWARNING);
    return;
  }
  if (!EndsWithExtension(name, false)) name += kPresetExtension;
  // The box holds as many characters as a file's name can, but an accented one takes two bytes there.
  if (platform::Utf8FromCodePage(name).size() > kLongestPresetName + kExtensionLength) {
    ShowUserMessage("The preset name is too long for a file name", "Save Preset", MB_OK | MB_ICONWARNING);
    return;
  }
  if (IsDefaultName(name.substr(0, name.size() - kExtensionLength))) {
    ShowUserMessage("\"Default\" is the name of the built-in preset; choose another name", "Save Preset",
                    MB_OK | MB_ICONWARNING);
    return;
  }
  if (!FindPresetFile(folder_, name).empty()) {
    CString question;
    question.LoadString(resources::kFileExistsString);
    if (ShowUserMessage(question, "Save Preset", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  }
  name_ = name;
  CDialog::OnOK();
}

}  // namespace framework
