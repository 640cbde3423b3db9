// Message boxes and file dialogs: answered from the event script where one is installed, by
// the user where a display shows the windows, else cancelled.
#include "platform/ui/Dialogs.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/ui/Presenter.h"
#include "platform/ui/Script.h"
#include "platform/ui/detail/CommonDialogs.h"
#include "platform/ui/detail/WindowSystem.h"

namespace {

using platform::EventScript;
using platform::ScriptFailure;

bool AllowedAnswer(UINT type, int answer) {
  for (const platform::detail::MessageBoxButton& button : platform::detail::MessageBoxButtons(type)) {
    if (button.id == answer) return true;
  }
  return false;
}

int ScriptedAnswer(EventScript& script, const std::string& text, const std::string& caption, UINT type) {
  std::string what = "the message box \"" + text + "\"";
  EventScript::Step step = script.TakeStep(what + " waited for an answer");
  if (step.kind != EventScript::StepKind::MessageBoxAnswer) {
    throw ScriptFailure(what + " waits for an answer, but the script's next step is to " + step.description);
  }
  if (!AllowedAnswer(type, step.answer)) {
    throw ScriptFailure(what + " has no button for the answer " + std::to_string(step.answer));
  }
  script.RecordMessageBox(platform::MessageBoxRecord{text, caption, type, step.answer});
  return step.answer;
}

// A display's user answers on the threads that show windows. A thread without windows of its
// own while another has them (a worker) does not show one: its modal loop would send to windows
// of a thread that may be waiting for it.
bool UserCanAnswer() {
  using namespace platform::detail;
  if (!platform::GetPresenter()) return false;
  std::shared_ptr<ThreadQueue> self = CurrentQueue();
  Lock lock(Global().mutex);
  bool others = false;
  for (HWND top : Global().topLevel) {
    const Window* window = Find(top);
    if (!window) continue;
    if (window->thread == self) return true;
    others = true;
  }
  return !others;
}

std::string JoinFilter(LPCSTR filter) {
  std::string joined;
  for (LPCSTR part = filter; part && *part; part += std::strlen(part) + 1) {
    if (!joined.empty()) joined += '|';
    joined += part;
  }
  return joined;
}

// The script's answer with the default extension added to a name without one; false for a
// cancel. A file that exists is replaced only after a Yes to the question, as on a display; a
// No takes the script's next answer.
bool ScriptedFile(EventScript& script, const OPENFILENAME& ofn, bool save, std::string* path) {
  std::string what = std::string(save ? "a save" : "an open") + " file dialog";
  platform::FileDialogRecord record{save,
                                    ofn.lpstrTitle ? ofn.lpstrTitle : "",
                                    JoinFilter(ofn.lpstrFilter),
                                    ofn.lpstrDefExt ? ofn.lpstrDefExt : "",
                                    ofn.lpstrFile,
                                    ofn.lpstrInitialDir ? ofn.lpstrInitialDir : "",
                                    ofn.nFilterIndex,
                                    ""};
  for (;;) {
    EventScript::Step step = script.TakeStep(what + " waited for an answer");
    if (step.kind == EventScript::StepKind::FileCancel) {
      script.RecordFileDialog(record);
      return false;
    }
    if (step.kind != EventScript::StepKind::FileAnswer) {
      throw ScriptFailure(what + " waits for an answer, but the script's next step is to " +
                          step.description);
    }
    *path = step.path;
    std::size_t nameStart = path->find_last_of('/') + 1;  // npos + 1 == 0
    std::size_t dot = path->find_last_of('.');
    if ((dot == std::string::npos || dot <= nameStart) && ofn.lpstrDefExt && *ofn.lpstrDefExt)
      *path += std::string(".") + ofn.lpstrDefExt;
    std::error_code error;
    if (save && (ofn.Flags & OFN_OVERWRITEPROMPT) && std::filesystem::exists(*path, error) &&
        !platform::detail::ReplaceAsked(ofn.hwndOwner, platform::detail::FileDialogTitle(ofn, save),
                                        path->substr(nameStart)))
      continue;
    record.answer = *path;
    script.RecordFileDialog(record);
    return true;
  }
}

// The chosen path into the caller's buffers; FALSE when it does not fit.
BOOL GiveAnswer(OPENFILENAME* ofn, const std::string& path) {
  if (path.size() + 1 > ofn->nMaxFile) return FALSE;
  std::size_t nameStart = path.find_last_of('/') + 1;
  std::size_t dot = path.find_last_of('.');
  bool hasExtension = dot != std::string::npos && dot > nameStart;
  std::memcpy(ofn->lpstrFile, path.c_str(), path.size() + 1);
  ofn->nFileOffset = static_cast<WORD>(nameStart);
  ofn->nFileExtension = static_cast<WORD>(hasExtension ? dot + 1 : 0);
  if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0) {
    std::string title = path.substr(nameStart).substr(0, ofn->nMaxFileTitle - 1);
    std::memcpy(ofn->lpstrFileTitle, title.c_str(), title.size() + 1);
  }
  return TRUE;
}

BOOL RunFileDialog(OPENFILENAME* ofn, bool save) {
  if (!ofn || !ofn->lpstrFile || ofn->nMaxFile == 0) return FALSE;
  std::string path;
  if (EventScript* script = EventScript::Current()) {
    if (!ScriptedFile(*script, *ofn, save, &path)) return FALSE;
  } else if (UserCanAnswer()) {
    DWORD filterIndex = 1;
    if (!platform::detail::RunFileDialogWindow(*ofn, save, &path, &filterIndex)) return FALSE;
    ofn->nFilterIndex = filterIndex;
  } else {
    // Nobody to ask: the caller goes on as after a cancel.
    std::fprintf(stderr, "%s: no display or event script to answer the file dialog; it is cancelled\n",
                 platform::detail::FileDialogTitle(*ofn, save).c_str());
    return FALSE;
  }
  return GiveAnswer(ofn, path);
}

}  // namespace

int MessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  std::string shown = text ? text : "", title = caption ? caption : "Error";
  if (EventScript* script = EventScript::Current()) return ScriptedAnswer(*script, shown, title, type);
  if (UserCanAnswer()) return platform::detail::RunMessageBoxWindow(owner, shown, title, type);
  // Nobody to ask: the box becomes one line on standard error and is answered as a cancel.
  for (char& c : shown) {
    if (c == '\n') c = ' ';
  }
  std::fprintf(stderr, "%s: %s\n", title.c_str(), shown.c_str());
  return platform::detail::UnansweredChoice(type);
}

BOOL GetOpenFileName(OPENFILENAME* ofn) { return RunFileDialog(ofn, false); }

BOOL GetSaveFileName(OPENFILENAME* ofn) { return RunFileDialog(ofn, true); }
