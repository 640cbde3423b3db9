// The event script: what the user does, in order, for a test (or a scripted run of the host).
// A loop of the installing thread that would wait with an empty queue runs the next step
// instead; a message box or file dialog takes its answer from the next step. When a loop
// would wait and no step is left, or a modal or tracking loop waits on a thread without a
// script, ScriptFailure is thrown with a clear message: a test fails instead of hanging.
#pragma once
#include <chrono>
#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/ui/Input.h"

namespace platform {

class ScriptFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct MessageBoxRecord {
  std::string text;
  std::string caption;
  UINT type;
  int answer;
};

struct MenuRecord {
  int x;
  int y;
  std::vector<std::string> items;  // the texts of the menu's top level
  UINT chosen;                     // 0 when dismissed
};

struct FileDialogRecord {
  bool save;
  std::string title;
  std::string filter;  // the pairs joined by '|', as a class library writes them
  std::string defaultExtension;
  std::string initialName;
  std::string initialFolder;
  DWORD filterIndex;   // 1 for the first pair, as the dialog was opened with
  std::string answer;  // empty when cancelled
};

// The control with this id inside the active window, or null.
HWND FindControl(int id);

class EventScript {
 public:
  // Installs the script for the calling thread; one at a time per thread.
  EventScript();
  ~EventScript();
  EventScript(const EventScript&) = delete;
  EventScript& operator=(const EventScript&) = delete;

  // Any action; `description` names the step in failure messages.
  EventScript& Then(std::string description, std::function<void()> action);
  EventScript& MouseMove(POINT screen);
  EventScript& Click(POINT screen, MouseButton button = MouseButton::Left);
  // Aims when the step runs, at windows that do not exist yet when the script is written.
  EventScript& Click(std::string description, std::function<POINT()> where);
  // The middle of the control with this id inside the active window.
  EventScript& ClickControl(int id);
  EventScript& DoubleClick(POINT screen);
  EventScript& Drag(std::vector<POINT> path, MouseButton button = MouseButton::Left);
  EventScript& Wheel(POINT screen, int delta);
  EventScript& Key(int virtualKey);
  EventScript& KeyDown(int virtualKey);
  EventScript& KeyUp(int virtualKey);
  EventScript& TypeText(std::string text);
  // Moves the virtual clock, so that timers fall due.
  EventScript& Advance(UINT milliseconds);
  // Waits in real time for another thread to post to this thread's queue (a render that
  // reports back); fails when nothing arrives within the time.
  EventScript& WaitForPost(UINT timeoutMs = 10000);
  // Waits in real time, taking what other threads post, until `done` answers true; fails when
  // that takes longer than the time.
  EventScript& WaitUntil(std::string description, std::function<bool()> done, UINT timeoutMs = 60000);
  // The answer of the next message box (IDOK, IDYES, ...).
  EventScript& AnswerMessageBox(int answer);
  // The answer of the next file dialog: a path, or a cancel.
  EventScript& ChooseFile(std::string path);
  EventScript& CancelFileDialog();
  // The choice of the next tracked pop-up menu: an item's command id, or 0 to dismiss it.
  EventScript& ChooseMenuItem(UINT id);

  std::size_t Remaining() const;
  const std::vector<MessageBoxRecord>& MessageBoxes() const { return messageBoxes_; }
  const std::vector<FileDialogRecord>& FileDialogs() const { return fileDialogs_; }
  const std::vector<MenuRecord>& Menus() const { return menus_; }

  // The calling thread's script, or null.
  static EventScript* Current();

  enum class StepKind { Action, Wait, WaitUntil, MessageBoxAnswer, FileAnswer, FileCancel, MenuChoice };
  struct Step {
    Step() = default;
    Step(StepKind k, std::string d) : kind(k), description(std::move(d)) {}
    StepKind kind = StepKind::Action;
    std::string description;
    std::function<void()> action;
    int answer = 0;
    UINT timeoutMs = 0;
    std::string path;
    std::function<bool()> done;
    std::chrono::steady_clock::time_point deadline{};
  };
  // The next step, taken off the script; throws ScriptFailure naming `waiter` when none is
  // left.
  Step TakeStep(const std::string& waiter);
  // Makes a taken step the next one again.
  void PutBack(Step step);
  void RecordMessageBox(MessageBoxRecord record) { messageBoxes_.push_back(std::move(record)); }
  void RecordFileDialog(FileDialogRecord record) { fileDialogs_.push_back(std::move(record)); }
  void RecordMenu(MenuRecord record) { menus_.push_back(std::move(record)); }

 private:
  EventScript& Add(Step step);

  std::vector<Step> steps_;
  std::size_t next_ = 0;
  std::vector<MessageBoxRecord> messageBoxes_;
  std::vector<FileDialogRecord> fileDialogs_;
  std::vector<MenuRecord> menus_;
  EventScript* previous_;
};

}  // namespace platform
