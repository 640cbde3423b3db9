// Modal loops. A dialog's loop runs on the thread's own queue, so timers, paints and posts
// from other threads keep arriving while it runs; message boxes and tracking loops likewise.
#pragma once
#include <functional>

#include "platform/ui/Messages.h"

// Ends the modal loop of `dialog` with `result` once the current message is handled.
BOOL EndDialog(HWND dialog, INT_PTR result);

namespace platform {
struct ModalHooks {
  // Sees each message first; true when it has handled (dispatched) it.
  std::function<bool(MSG*)> preTranslate;
  // Runs when the queue has run empty, once until the next message arrives.
  std::function<void()> idle;
};
// Disables the owner of `dialog`, shows and activates the dialog and dispatches messages until
// EndDialog is called for it; then enables the owner again (and activates it) and hides the
// dialog. Answers EndDialog's result; -1 for a window that is not valid or is destroyed
// during the loop. A WM_QUIT ends the loop with -1 and is posted again for the outer loop.
INT_PTR RunModalLoop(HWND dialog, const ModalHooks& hooks = {});
}  // namespace platform
