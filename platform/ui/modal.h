// Modal loops. A dialog's loop runs on the thread's own queue, so timers, paints and posts
// from other threads keep arriving while it runs; message boxes and tracking loops likewise.
#pragma once
#include "platform/ui/messages.h"

// Ends the modal loop of `dialog` with `result` once the current message is handled.
BOOL EndDialog(HWND dialog, INT_PTR result);

namespace platform {
// Disables the owner of `dialog`, shows and activates the dialog and dispatches messages until
// EndDialog is called for it; then enables the owner again (and activates it) and hides the
// dialog. Answers EndDialog's result; -1 for a window that is not valid or is destroyed
// during the loop. A WM_QUIT ends the loop with -1 and is posted again for the outer loop.
INT_PTR RunModalLoop(HWND dialog);
}  // namespace platform
