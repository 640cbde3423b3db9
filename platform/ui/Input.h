// Keyboard focus, mouse capture, activation, the key-state table and the cursor; and the input
// API through which tests (and a presenter for a real display) feed mouse and keyboard events.
#pragma once
#include <vector>

#include "platform/ui/Messages.h"
#include "platform/win32/ModuleResource.h"

// Virtual keys.
constexpr int VK_LBUTTON = 0x01;
constexpr int VK_RBUTTON = 0x02;
constexpr int VK_CANCEL = 0x03;
constexpr int VK_MBUTTON = 0x04;
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_PRIOR = 0x21;
constexpr int VK_NEXT = 0x22;
constexpr int VK_END = 0x23;
constexpr int VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_INSERT = 0x2D;
constexpr int VK_DELETE = 0x2E;
constexpr int VK_ADD = 0x6B;
constexpr int VK_SUBTRACT = 0x6D;
constexpr int VK_F1 = 0x70;
constexpr int VK_F4 = 0x73;

// Focus: WM_KILLFOCUS to the old window carries the new one, WM_SETFOCUS to the new one
// carries the old one. Focusing a window of another top-level window activates that one.
HWND SetFocus(HWND hwnd);
HWND GetFocus();
// Capture: every mouse message goes to the capturing window; the window that loses the
// capture gets WM_CAPTURECHANGED with the new owner.
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();
// Activation of top-level windows: WM_NCACTIVATE and WM_ACTIVATE to both sides.
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow();
BOOL SetForegroundWindow(HWND hwnd);
HWND GetForegroundWindow();

// Key state: the high bit (negative answer) while the key is down, the low bit toggles on
// each press.
SHORT GetKeyState(int virtualKey);
SHORT GetAsyncKeyState(int virtualKey);

BOOL GetCursorPos(POINT* point);
BOOL SetCursorPos(int x, int y);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
// Standard cursors, by their integer names.
inline const LPCSTR IDC_ARROW = MAKEINTRESOURCE(32512);
inline const LPCSTR IDC_IBEAM = MAKEINTRESOURCE(32513);
inline const LPCSTR IDC_WAIT = MAKEINTRESOURCE(32514);
inline const LPCSTR IDC_CROSS = MAKEINTRESOURCE(32515);
inline const LPCSTR IDC_SIZENWSE = MAKEINTRESOURCE(32642);
inline const LPCSTR IDC_SIZEALL = MAKEINTRESOURCE(32646);
inline const LPCSTR IDC_NO = MAKEINTRESOURCE(32648);
inline const LPCSTR IDC_HAND = MAKEINTRESOURCE(32649);
// A cursor handle per (module, name); the window system only remembers which one is set. A
// module's own cursor must be among its resources (RT_CURSOR): null otherwise, with
// ERROR_RESOURCE_NAME_NOT_FOUND. The null module also answers the platform's standard cursors.
HCURSOR LoadCursor(HINSTANCE instance, LPCSTR name);

namespace platform {

// Mouse and keyboard events as the hardware would deliver them: each one updates the cursor
// position and key-state table and posts the messages the platform generates (WM_NCHITTEST
// and WM_SETCURSOR are sent, button and key messages posted to the window under the cursor,
// the capturing window or the focus). Points are in screen coordinates. A press on a window
// activates its top-level window and, for a focusable window, does not move the focus itself:
// windows take the focus in their own button handlers, as on the platform.
enum class MouseButton { Left, Right, Middle };

void MouseMove(POINT screen);
// `doubleClick`: the press is the second of a double click (the presenter times real presses).
void MouseDown(MouseButton button, POINT screen, bool doubleClick = false);
void MouseUp(MouseButton button, POINT screen);
void Click(POINT screen, MouseButton button = MouseButton::Left);
// Two clicks with the second press reported as a double click to windows whose class has
// CS_DBLCLKS.
void DoubleClick(POINT screen, MouseButton button = MouseButton::Left);
// Press at the first point, move through every following one, release at the last.
void Drag(const std::vector<POINT>& path, MouseButton button = MouseButton::Left);
void Wheel(POINT screen, int delta);
void KeyDown(int virtualKey);
void KeyUp(int virtualKey);
void Char(char character);  // WM_CHAR to the focus
void Key(int virtualKey);   // down and up; TranslateMessage adds the character
void TypeText(const char* text);

// A point of a window's client area in screen coordinates (tests aim with it).
POINT ClientPoint(HWND hwnd, int x, int y);
// The middle of a window's client area in screen coordinates.
POINT CentreOf(HWND hwnd);

// Forgets cursor position, key states, focus, capture and activation (between tests).
void ResetInputState();

}  // namespace platform
