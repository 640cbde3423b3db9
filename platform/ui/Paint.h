// Invalidation and painting. Each window keeps an update area (the bounding rectangle of what
// was invalidated, in client coordinates); while it is not empty the window's thread gets
// WM_PAINT, parents before children, until the window validates it (BeginPaint or
// ValidateRect; DefWindowProc's WM_PAINT does).
#pragma once
#include "platform/ui/Messages.h"

// Window device contexts draw into the window's part of its top-level window's surface,
// clipped to what of the window is visible (less its children with WS_CLIPCHILDREN, less the
// siblings above it with WS_CLIPSIBLINGS). GetDC(null) is the screen's, which draws nowhere.
HDC GetDC(HWND hwnd);
HDC GetWindowDC(HWND hwnd);  // the whole window, frame included
int ReleaseDC(HWND hwnd, HDC dc);

struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;  // WM_ERASEBKGND left the background to the painter
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
};
// Sends WM_ERASEBKGND when due, validates the update area and answers a device context
// clipped to it.
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint);

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);  // null rect: the whole client area
BOOL ValidateRect(HWND hwnd, const RECT* rect);
// The update area's bounding rectangle (empty when there is none); answers whether it is
// not empty.
BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase);
// Sends WM_PAINT at once when the update area is not empty.
BOOL UpdateWindow(HWND hwnd);

constexpr UINT RDW_INVALIDATE = 0x0001;
constexpr UINT RDW_INTERNALPAINT = 0x0002;
constexpr UINT RDW_ERASE = 0x0004;
constexpr UINT RDW_VALIDATE = 0x0008;
constexpr UINT RDW_NOINTERNALPAINT = 0x0010;
constexpr UINT RDW_NOERASE = 0x0020;
constexpr UINT RDW_NOCHILDREN = 0x0040;
constexpr UINT RDW_ALLCHILDREN = 0x0080;
constexpr UINT RDW_UPDATENOW = 0x0100;
constexpr UINT RDW_ERASENOW = 0x0200;
constexpr UINT RDW_FRAME = 0x0400;
constexpr UINT RDW_NOFRAME = 0x0800;
// A region is taken by its bounding box (client coordinates): the update area is a rectangle.
BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags);

namespace platform {

// While one lives on a thread, what that thread paints reaches the display when the outermost
// ends, all at once, as a compositor shows a frame: a handler that changes many windows shows
// them changed in one step rather than one by one as each paints.
class PresentTogether {
 public:
  PresentTogether();
  ~PresentTogether();
  PresentTogether(const PresentTogether&) = delete;
  PresentTogether& operator=(const PresentTogether&) = delete;
};

}  // namespace platform
