// Message boxes and file dialogs answered from the event script.
#include "platform/ui/Dialogs.h"

#include <cstring>
#include <initializer_list>

#include "platform/ui/Script.h"

namespace {

using platform::EventScript;
using platform::ScriptFailure;

bool AllowedAnswer(UINT type, int answer) {
  auto among = [answer](std::initializer_list<int> buttons) {
    for (int button : buttons) {
      if (button == answer) return true;
    }
    return false;
  };
  switch (type & 0xF) {
    case MB_OK:
      return among({IDOK});
    case MB_OKCANCEL:
      return among({IDOK, IDCANCEL});
    case MB_ABORTRETRYIGNORE:
      return among({IDABORT, IDRETRY, IDIGNORE});
    case MB_YESNOCANCEL:
      return among({IDYES, IDNO, IDCANCEL});
    case MB_YESNO:
      return among({IDYES, IDNO});
    case MB_RETRYCANCEL:
      return among({IDRETRY, IDCANCEL});
    default:
      return false;
  }
}

EventScript& RequireScript(const std::string& what) {
  EventScript* script = EventScript::Current();
  if (!script) throw ScriptFailure(what + " shown, but no event script is installed");
  return *script;
}

std::string JoinFilter(LPCSTR filter) {
  std::string joined;
  for (LPCSTR part = filter; part && *part; part += std::strlen(part) + 1) {
    if (!joined.empty()) joined += '|';
    joined += part;
  }
  return joined;
}

BOOL RunFileDialog(OPENFILENAME* ofn, bool save) {
  if (!ofn || !ofn->lpstrFile || ofn->nMaxFile == 0) return FALSE;
  std::string what = std::string(save ? "a save" : "an open") + " file dialog";
  EventScript& script = RequireScript(what);
  platform::FileDialogRecord record{save,
                                    ofn->lpstrTitle ? ofn->lpstrTitle : "",
                                    JoinFilter(ofn->lpstrFilter),
                                    ofn->lpstrDefExt ? ofn->lpstrDefExt : "",
                                    ofn->lpstrFile,
                                    ""};
  EventScript::Step step = script.TakeStep(what + " waited for an answer");
  if (step.kind == EventScript::StepKind::FileCancel) {
    script.RecordFileDialog(record);
    return FALSE;
  }
  if (step.kind != EventScript::StepKind::FileAnswer) {
    throw ScriptFailure(what + " waits for an answer, but the script's next step is to " + step.description);
  }
  std::string path = step.path;
  std::size_t nameStart = path.find_last_of('/') + 1;  // npos + 1 == 0
  std::size_t dot = path.find_last_of('.');
  bool hasExtension = dot != std::string::npos && dot > nameStart;
  if (!hasExtension && ofn->lpstrDefExt && *ofn->lpstrDefExt) {
    dot = path.size();
    path += std::string(".") + ofn->lpstrDefExt;
    hasExtension = true;
  }
  record.answer = path;
  script.RecordFileDialog(record);
  if (path.size() + 1 > ofn->nMaxFile) return FALSE;
  std::memcpy(ofn->lpstrFile, path.c_str(), path.size() + 1);
  ofn->nFileOffset = static_cast<WORD>(nameStart);
  ofn->nFileExtension = static_cast<WORD>(hasExtension ? dot + 1 : 0);
  if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0) {
    std::string title = path.substr(nameStart).substr(0, ofn->nMaxFileTitle - 1);
    std::memcpy(ofn->lpstrFileTitle, title.c_str(), title.size() + 1);
  }
  return TRUE;
}

}  // namespace

int MessageBox(HWND, LPCSTR text, LPCSTR caption, UINT type) {
  std::string shown = text ? text : "";
  std::string what = "the message box \"" + shown + "\"";
  EventScript& script = RequireScript(what);
  EventScript::Step step = script.TakeStep(what + " waited for an answer");
  if (step.kind != EventScript::StepKind::MessageBoxAnswer) {
    throw ScriptFailure(what + " waits for an answer, but the script's next step is to " + step.description);
  }
  if (!AllowedAnswer(type, step.answer)) {
    throw ScriptFailure(what + " has no button for the answer " + std::to_string(step.answer));
  }
  script.RecordMessageBox(platform::MessageBoxRecord{shown, caption ? caption : "Error", type, step.answer});
  return step.answer;
}

BOOL GetOpenFileName(OPENFILENAME* ofn) { return RunFileDialog(ofn, false); }

BOOL GetSaveFileName(OPENFILENAME* ofn) { return RunFileDialog(ofn, true); }
