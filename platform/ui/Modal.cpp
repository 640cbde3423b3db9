// The modal loop of dialogs.
#include "platform/ui/Modal.h"

#include "platform/ui/Input.h"
#include "platform/ui/Queue.h"
#include "platform/ui/Window.h"
#include "platform/ui/detail/WindowSystem.h"

using namespace platform::detail;

BOOL EndDialog(HWND dialog, INT_PTR result) {
  Lock lock(Global().mutex);
  Window* window = FindLive(dialog);
  if (!window) return FALSE;
  window->dialogResult = result;
  window->dialogEnded = true;
  // Wakes the loop, which looks at the flag after each message.
  PostEntry(window->thread, QueueEntry{false, MSG{dialog, WM_NULL, 0, 0, 0, {}}, {}});
  return TRUE;
}

namespace platform {

namespace {

// The loop's bookkeeping, undone on every way out (a script failure included).
class ModalScope {
 public:
  ModalScope(HWND dialog, HWND owner) : dialog_(dialog), owner_(owner), queue_(CurrentQueue()) {
    Lock lock(Global().mutex);
    ++queue_->modalDepth;
  }
  ~ModalScope() {
    {
      Lock lock(Global().mutex);
      --queue_->modalDepth;
    }
    if (owner_) EnableWindow(owner_, TRUE);
    if (IsWindow(dialog_)) {
      SetWindowPos(dialog_, nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (owner_ && IsWindow(owner_)) SetActiveWindow(owner_);
  }
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;

 private:
  HWND dialog_;
  HWND owner_;
  std::shared_ptr<ThreadQueue> queue_;
};

// Answers whether the loop is over, with the result.
bool Ended(HWND dialog, INT_PTR* result) {
  Lock lock(Global().mutex);
  Window* window = FindLive(dialog);
  if (!window) {
    *result = -1;
    return true;
  }
  if (!window->dialogEnded) return false;
  *result = window->dialogResult;
  window->dialogEnded = false;
  return true;
}

}  // namespace

INT_PTR RunModalLoop(HWND dialog, const ModalHooks& hooks) {
  if (!IsWindow(dialog)) return -1;
  HWND owner = GetWindow(dialog, GW_OWNER);
  if (owner && !IsWindowEnabled(owner)) owner = nullptr;  // someone else's loop disabled it
  ModalScope scope(dialog, owner);
  if (owner) EnableWindow(owner, FALSE);
  ShowWindow(dialog, SW_SHOW);
  INT_PTR result = -1;
  MSG msg;
  bool idleDue = true;
  while (!Ended(dialog, &result)) {
    if (hooks.idle && idleDue && !PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      idleDue = false;
      hooks.idle();
      continue;
    }
    if (!GetMessage(&msg, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return -1;
    }
    idleDue = true;
    if (hooks.preTranslate && hooks.preTranslate(&msg)) continue;
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  return result;
}

}  // namespace platform
