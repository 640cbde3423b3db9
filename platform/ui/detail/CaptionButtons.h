// The classic caption's buttons: close for a window with a system menu, and minimise and
// maximise beside it when the style asks for either (the one it does not ask for is greyed).
#pragma once
#include "platform/ui/Messages.h"

namespace platform::detail {

struct CaptionButtons {
  RECT close{};  // an empty rectangle: no such button
  RECT maximize{};
  RECT minimize{};
};

// Where the buttons of a window `width` pixels wide lie, in its window coordinates.
CaptionButtons CaptionButtonsOf(DWORD style, DWORD exStyle, int width);
// The button under a point of window coordinates: HTCLOSE, HTMAXBUTTON, HTMINBUTTON or HTNOWHERE.
LRESULT CaptionButtonAt(DWORD style, DWORD exStyle, int width, POINT at);
// Draws the window's caption buttons, `pressed` (a hit code) drawn down.
void PaintCaptionButtons(HWND hwnd, HDC windowDc, LRESULT pressed);
// A press on a caption button: drawn down while the pointer stays on it; a release on it sends
// WM_SYSCOMMAND (SC_CLOSE, SC_MAXIMIZE, SC_MINIMIZE).
void TrackCaptionButton(HWND hwnd, LRESULT which);

}  // namespace platform::detail
