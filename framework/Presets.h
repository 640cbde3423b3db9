// Presets: named text files of a command's persistent parameters in the folder Presets beside
// the module, listed in the plug-in dialog's preset box, saved, chosen and deleted from there.
// A file holds the set's name on its first line, then one "<TAB>name : value" line each.
#pragma once
#include <istream>
#include <string>

#include "framework/ParameterSet.h"
#include "platform/classlib/ClassLib.h"
#include "platform/win32/ReplacementFile.h"

namespace framework {

constexpr char kPresetExtension[] = ".preset";
constexpr char kDefaultPreset[] = "Default";
// The name box takes no more, so that the file's name, and its temporary's, can be file names.
constexpr std::size_t kLongestPresetName = platform::kLongestReplaceableName - (sizeof kPresetExtension - 1);
// ParsePreset and LoadPreset: the file was read, but some of it was not understood.
constexpr int kPresetPartlyRead = 1;
// SavePreset.
constexpr int kPresetCancelled = -1;
constexpr int kPresetNotCreated = -2;

// The preset in use, for the whole module: a dialog opened again selects it.
struct PresetState {
  std::string folder;       // ends with a separator; empty when the module's folder is unknown
  std::string currentName;  // the file's name, with its extension; empty for none
  std::string currentPath;
};
// Made on first use with the presets folder, kept until the module is unloaded.
PresetState& GetPresetState();
// The module file's folder followed by "Presets/"; empty when the module has no file name.
std::string GetPresetsFolder();

// No separators, no "..", no control characters, not empty: a name stays inside the folder.
bool IsValidPresetName(const std::string& name);

// Persistent parameters go to their defaults first; lines of unknown names are passed over.
// 0, kPresetPartlyRead when the first line is not the set's name or a line of a parameter has no
// value or one the parameter refuses, -1 for a stream that has already failed.
int ParsePreset(std::istream& in, ParameterSet& set);
// -1 when the file cannot be read, else as ParsePreset.
int LoadPreset(const std::string& path, ParameterSet& set);
// Asks for a name and writes the file through a temporary, making the folder when it is missing;
// 0, kPresetCancelled, or kPresetNotCreated when the file cannot be written (after a message
// with the reason).
int SavePreset(PresetState& state, const ParameterSet& set, CWnd* parent = nullptr);
// "Default", then the folder's presets in its own order; selects the current preset.
void FillPresetList(const PresetState& state, CComboBox& list);
// The handler of a new choice in the list: "Default" resets the persistent parameters, another
// entry loads its file (a message when it cannot, and the list is filled again). True when the
// parameters changed, so the panel shows them again and a render starts.
bool SelectPreset(PresetState& state, CComboBox& list, ParameterSet& set);
// Deletes the file of the entry selected in the list after the user's confirmation; nothing for
// "Default" or no selection. True when a file was deleted.
bool DeletePreset(PresetState& state, CComboBox& list, bool allowUndo);

// The modal "Save Preset" box: the name, with the extension added, in GetName() after OK.
class PresetNameDialog : public CDialog {
 public:
  static constexpr UINT kTemplate = 102;
  static constexpr int kNameEdit = 1010;
  PresetNameDialog(std::string folder, CWnd* parent);
  const std::string& GetName() const { return name_; }
  BOOL OnInitDialog() override;
  void OnOK() override;

 private:
  std::string folder_;
  std::string name_;
};

}  // namespace framework
