// System metrics and the one monitor.
#include "platform/ui/Metrics.h"

#include "platform/ui/Window.h"

namespace {

using platform::CurrentMonitor;
using platform::MonitorArea;

// The one monitor's handle.
HMONITOR const kMonitor = reinterpret_cast<HMONITOR>(0x1000);

bool Inside(const MonitorArea& m, POINT p) { return p.x >= 0 && p.y >= 0 && p.x < m.width && p.y < m.height; }

}  // namespace

int GetSystemMetrics(int index) {
  MonitorArea m = CurrentMonitor();
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXVIRTUALSCREEN:
      return m.width;
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN:
      return m.height;
    case SM_XVIRTUALSCREEN:
    case SM_YVIRTUALSCREEN:
      return 0;
    case SM_CXFULLSCREEN:
      return m.workArea.right - m.workArea.left;
    case SM_CYFULLSCREEN:
      return m.workArea.bottom - m.workArea.top - 19;
    case SM_CXMAXTRACK:
      return m.width + 12;
    case SM_CYMAXTRACK:
      return m.height + 12;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB:
      return 17;
    case SM_CYCAPTION:
    case SM_CYMENU:
      return 19;
    case SM_CYSMCAPTION:
      return 15;
    case SM_CXBORDER:
    case SM_CYBORDER:
      return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
      return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
      return 4;
    case SM_CXEDGE:
    case SM_CYEDGE:
      return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
      return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
      return 16;
    case SM_CXSIZE:
    case SM_CYSIZE:
      return 18;
    case SM_CXMIN:
    case SM_CXMINTRACK:
      return 112;
    case SM_CYMIN:
    case SM_CYMINTRACK:
      return 27;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG:
      return 4;
    case SM_CMONITORS:
      return 1;
    case SM_SWAPBUTTON:
      return 0;
    default:
      return 0;
  }
}

BOOL SystemParametersInfo(UINT action, UINT, LPVOID pvParam, UINT) {
  if (action == SPI_GETWORKAREA && pvParam) {
    *static_cast<RECT*>(pvParam) = CurrentMonitor().workArea;
    return TRUE;
  }
  return FALSE;
}

HMONITOR MonitorFromPoint(POINT point, DWORD flags) {
  if (flags == MONITOR_DEFAULTTONULL && !Inside(CurrentMonitor(), point)) return nullptr;
  return kMonitor;
}

HMONITOR MonitorFromRect(const RECT* rect, DWORD flags) {
  if (!rect) return nullptr;
  MonitorArea m = CurrentMonitor();
  bool overlaps = rect->right > 0 && rect->bottom > 0 && rect->left < m.width && rect->top < m.height;
  if (flags == MONITOR_DEFAULTTONULL && !overlaps) return nullptr;
  return kMonitor;
}

HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags) {
  RECT rect;
  if (!GetWindowRect(hwnd, &rect)) return flags == MONITOR_DEFAULTTONULL ? nullptr : kMonitor;
  return MonitorFromRect(&rect, flags);
}

BOOL GetMonitorInfo(HMONITOR handle, MONITORINFO* info) {
  if (handle != kMonitor || !info || info->cbSize < sizeof(MONITORINFO)) return FALSE;
  MonitorArea m = CurrentMonitor();
  info->rcMonitor = RECT{0, 0, m.width, m.height};
  info->rcWork = m.workArea;
  info->dwFlags = MONITORINFOF_PRIMARY;
  return TRUE;
}

UINT GetDoubleClickTime() { return 500; }
