// The message box and the file dialogs as modal windows of the window system, built from a
// dialog template and the standard controls, for a display's user to answer.
#pragma once
#include <string>
#include <vector>

#include "platform/ui/Dialogs.h"

namespace platform::detail {

// The controls of a message box beside its buttons, which have the ids of their answers.
constexpr int kMessageBoxIconId = 20;
constexpr int kMessageBoxTextId = 21;

struct MessageBoxButton {
  int id;
  LPCSTR text;
};

// The buttons of a box's type, in their order on the box.
std::vector<MessageBoxButton> MessageBoxButtons(UINT type);
// The answer of a box nobody can press a button of: Cancel or No where it has them, else its
// default button.
int UnansweredChoice(UINT type);
// Shows the box modally over `owner`'s top-level window (the active window when null) and
// answers the button pressed.
int RunMessageBoxWindow(HWND owner, const std::string& text, const std::string& caption, UINT type);

// The controls of a file dialog beside OK and Cancel.
constexpr int kFileFolderId = 1101;  // the folder and its ancestors
constexpr int kFileUpId = 1102;
constexpr int kFileListId = 1103;
constexpr int kFileNameId = 1104;
constexpr int kFileTypeId = 1105;

// The dialog's title, or the one of its kind.
std::string FileDialogTitle(const OPENFILENAME& ofn, bool save);
// Asks, over the save dialog titled `title`, whether the file `name` that exists is replaced:
// Yes or No, No by default. True for Yes.
bool ReplaceAsked(HWND dialog, const std::string& title, const std::string& name);
// Shows the dialog modally; true with the chosen path (absolute) and the 1-based index of the
// file type chosen.
bool RunFileDialogWindow(const OPENFILENAME& ofn, bool save, std::string* path, DWORD* filterIndex);

}  // namespace platform::detail
