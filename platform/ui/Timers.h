// Timers on the platform clock. A due timer posts nothing: WM_TIMER is made when the owning
// thread asks for messages and finds nothing else to do, at most one per timer at a time, and
// due timers come out in the order of their due times. Under the virtual clock a timer is due
// only after the clock has been advanced past it, so tests never sleep for one.
#pragma once
#include "platform/ui/Messages.h"

using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

// With a window, an existing timer of the same id is replaced and the id is the answer;
// without one, a new id is chosen. The elapse is clamped to 10 ms .. 0x7FFFFFFF ms.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);
