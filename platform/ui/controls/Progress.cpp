// The progress bar: a sunken well filled with blocks of the highlight colour.
#include <algorithm>

#include "platform/gdi/Draw.h"
#include "platform/ui/Input.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/detail/Controls.h"

namespace platform::detail {
namespace {

struct ProgressState {
  int low = 0;
  int high = 100;
  int pos = 0;
  int step = 10;
};

int SetPos(ProgressState& state, HWND hwnd, int pos) {
  int previous = state.pos;
  state.pos = std::clamp(pos, state.low, std::max(state.low, state.high));
  if (state.pos != previous) InvalidateRect(hwnd, nullptr, TRUE);
  return previous;
}

void Paint(ProgressState& state, HWND hwnd) {
  ControlPaint paint(hwnd, nullptr);
  HDC dc = paint.dc();
  RECT well = paint.client();
  FillRect(dc, &well, GetSysColorBrush(COLOR_BTNFACE));
  DrawEdge(dc, &well, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  InflateRect(&well, -1, -1);
  int range = state.high - state.low;
  if (range <= 0 || well.right <= well.left) return;
  int width = well.right - well.left;
  int filled = static_cast<int>(static_cast<long long>(width) * (state.pos - state.low) / range);
  HBRUSH brush = GetSysColorBrush(COLOR_HIGHLIGHT);
  if (GetWindowLongPtr(hwnd, GWL_STYLE) & PBS_SMOOTH) {
    RECT bar{well.left, well.top, well.left + filled, well.bottom};
    FillRect(dc, &bar, brush);
    return;
  }
  int block = std::max(2, (well.bottom - well.top) * 2 / 3);
  for (int x = 0; x < filled; x += block + 2) {
    RECT piece{well.left + x, well.top, std::min<LONG>(well.left + x + block, well.right), well.bottom};
    FillRect(dc, &piece, brush);
  }
}

LRESULT Handle(ProgressState& state, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint(state, hwnd);
      return 0;
    case PBM_SETRANGE:
    case PBM_SETRANGE32: {
      LRESULT previous = MAKELRESULT(static_cast<WORD>(state.low), static_cast<WORD>(state.high));
      state.low = message == PBM_SETRANGE ? LOWORD(lParam) : static_cast<int>(wParam);
      state.high = message == PBM_SETRANGE ? HIWORD(lParam) : static_cast<int>(lParam);
      SetPos(state, hwnd, state.pos);
      InvalidateRect(hwnd, nullptr, TRUE);
      return previous;
    }
    case PBM_GETRANGE:
      return wParam ? state.low : state.high;
    case PBM_SETPOS:
      return SetPos(state, hwnd, static_cast<int>(wParam));
    case PBM_DELTAPOS:
      return SetPos(state, hwnd, state.pos + static_cast<int>(wParam));
    case PBM_SETSTEP: {
      int previous = state.step;
      state.step = static_cast<int>(wParam);
      return previous;
    }
    case PBM_STEPIT: {
      int next = state.pos + state.step;
      if (next > state.high) next = state.low + (next - state.high);  // wraps, as the platform does
      return SetPos(state, hwnd, next);
    }
    case PBM_GETPOS:
      return state.pos;
    default:
      return DefWindowProc(hwnd, message, wParam, lParam);
  }
}

LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return ControlProc<ProgressState>(hwnd, message, wParam, lParam, Handle);
}

}  // namespace

void RegisterProgressClass() { RegisterControlClass(PROGRESS_CLASS, Proc, 0, IDC_ARROW); }

}  // namespace platform::detail
