// Where top-level windows show besides their surfaces. Headless by default: nothing is
// installed and windows live only in their surfaces. A presenter (the X11 one in x11/) shows
// each top-level window on a real display and feeds the display's input back through the
// input API. The window system calls it without holding its own lock.
#pragma once
#include "platform/gdi/Surface.h"
#include "platform/ui/Messages.h"

namespace platform {

class Presenter {
 public:
  virtual ~Presenter() = default;
  // A top-level window was shown, hidden, moved, sized or retitled; its state is read back
  // through the window API.
  virtual void WindowPlaced(HWND top) = 0;
  virtual void WindowDestroyed(HWND top) = 0;
  // The pixels of `top` inside `area` (its window coordinates) changed in `pixels`, its surface.
  virtual void WindowPainted(HWND top, const Surface& pixels, const RECT& area) = 0;
  virtual void CursorSet(HCURSOR cursor) = 0;
  // The program moved the pointer (screen coordinates).
  virtual void CursorMoved(POINT screen) = 0;
  // The window holding the mouse now lies in `top`; null when none holds it.
  virtual void CaptureChanged(HWND top) = 0;
};

// Installs a presenter, or none (null). Install and remove it while no other thread uses
// windows; the caller keeps it alive while it is installed.
void SetPresenter(Presenter* presenter);
Presenter* GetPresenter();

}  // namespace platform

namespace platform::detail {
// Paints the frame and caption of a window into its surface (presenters show frames live).
void PaintFrame(HWND hwnd);
// The integer name of a standard cursor (IDC_ARROW ...) behind a handle; 0 for others.
int StandardCursorName(HCURSOR cursor);
}  // namespace platform::detail
