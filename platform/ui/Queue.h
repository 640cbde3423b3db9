// Per-thread message queues. Every thread that creates a window or asks for messages gets
// one. Posting is thread-safe and wakes a waiting GetMessage; a send to another thread's
// window waits for that thread to answer (and answers sends to itself meanwhile). Retrieval
// order: sent messages are answered first, then posted messages in order, then WM_QUIT, then
// WM_PAINT for windows with an update region, then WM_TIMER for due timers.
#pragma once
#include "platform/ui/Messages.h"

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

// Answers FALSE on WM_QUIT, -1 for an invalid window filter, TRUE otherwise.
BOOL GetMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax);
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;
BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags);
// Posts WM_CHAR for a WM_KEYDOWN of a key that types a character.
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessage(const MSG* msg);
// Returns when the queue holds a message (or the event script has acted).
BOOL WaitMessage();
DWORD GetMessagePos();  // screen position of the last retrieved message, x low, y high
LONG GetMessageTime();  // tick count of the last retrieved message
BOOL InSendMessage();   // the current message came from another thread's SendMessage

// The same name gives the same number, from 0xC000 up, for the life of the process.
UINT RegisterWindowMessage(LPCSTR name);

namespace platform {
// Retrieves and dispatches everything the thread's queue holds now (posted messages, paints,
// due timers), without waiting; answers the number of messages dispatched. WM_QUIT stays.
int PumpMessages();
}  // namespace platform
