// What message retrieval asks of input, painting, timers and the event script, and the
// default handling DefWindowProc hands to them.
#pragma once
#include "platform/ui/detail/WindowSystem.h"

namespace platform::detail {

// Input: where a raw event goes and which message it becomes, judged at retrieval.
struct InputTarget {
  HWND hwnd = nullptr;
  UINT message = 0;
};
InputTarget ResolveInputLocked(const InputEvent& input);
// The message as PeekMessage without removal shows it (no side effects).
MSG PreviewInputLocked(const InputEvent& input, const InputTarget& target);
// Turns a removed event into its message: updates the key-state table, sends the hit test
// and WM_SETCURSOR, activates on a press. Called without the lock; a null hwnd in the answer
// means the event produced no message.
MSG DeliverInput(const InputEvent& input);

// Painting: a window of this queue with a non-empty update area, parents before children.
HWND FindWindowToPaintLocked(const ThreadQueue& queue, HWND filter);

// Timers: the first due timer as a WM_TIMER message (re-armed when removed); the earliest due
// time, or -1 when the queue has no timer.
bool TakeDueTimerLocked(ThreadQueue& queue, HWND filter, bool remove, MSG* msg);
std::int64_t NextTimerDueLocked(const ThreadQueue& queue);

// The event script: runs the next step when the calling thread has a script (true), throws
// platform::ScriptRunDry when it has none left, or when a modal or tracking loop would wait
// for input that no script will give. False: the thread may simply wait.
bool RunScriptStep(Lock& lock, ThreadQueue& queue);

// Default handling of DefWindowProc.
void DefaultPaint(HWND hwnd);
LRESULT DefaultErase(HWND hwnd, HDC hdc);
LRESULT DefaultHitTest(HWND hwnd, LPARAM lParam);
LRESULT DefaultSetCursor(HWND hwnd, WPARAM wParam, LPARAM lParam);
void DefaultNonClientPress(HWND hwnd, WPARAM hitTest, LPARAM lParam);

}  // namespace platform::detail
