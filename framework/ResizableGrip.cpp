#include "framework/ResizableGrip.h"

namespace framework {
namespace {

const char kPreviousProcedure[] = "ResizableGrip";

LRESULT CALLBACK GripProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto previous = reinterpret_cast<WNDPROC>(GetProp(hwnd, kPreviousProcedure));
  if (!previous) return DefWindowProc(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_NCHITTEST:
      // A mirrored dialog grows to the left, so the grip is its lower-left corner.
      return (GetWindowLongPtr(hwnd, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) ? HTBOTTOMLEFT : HTBOTTOMRIGHT;
    case WM_DESTROY:
      RemoveProp(hwnd, kPreviousProcedure);
      SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
      break;
    default:
      break;
  }
  return CallWindowProc(previous, hwnd, message, wParam, lParam);
}

}  // namespace

ResizableGrip::ResizableGrip(CWnd& owner)
    : owner_(owner), width_(GetSystemMetrics(SM_CXVSCROLL)), height_(GetSystemMetrics(SM_CYHSCROLL)) {}

BOOL ResizableGrip::Create() {
  if (!grip_.Create(WS_CHILD | WS_CLIPSIBLINGS | SBS_SIZEGRIP, CRect(0, 0, width_, height_), &owner_, 0))
    return FALSE;
  const LONG_PTR previous = GetWindowLongPtr(grip_, GWLP_WNDPROC);
  SetProp(grip_, kPreviousProcedure, reinterpret_cast<HANDLE>(previous));
  SetWindowLongPtr(grip_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&GripProc));
  Place();
  grip_.ShowWindow(SW_SHOW);
  return TRUE;
}

void ResizableGrip::Place() {
  if (!grip_.m_hWnd) return;
  CRect client;
  owner_.GetClientRect(&client);
  grip_.SetWindowPos(&CWnd::wndBottom, client.right - width_, client.bottom - height_, 0, 0,
                     SWP_NOSIZE | SWP_NOACTIVATE);
  // A maximised owner cannot be resized.
  grip_.EnableWindow(!owner_.IsZoomed());
}

}  // namespace framework
