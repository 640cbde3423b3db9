// Painting a window tree at once and saving the picture.
#include "platform/ui/Capture.h"

#include <png.h>

#include <cstdio>
#include <cstring>

#include "platform/gdi/DcState.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Text.h"
#include "platform/ui/Input.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/Paint.h"
#include "platform/ui/Presenter.h"
#include "platform/ui/Window.h"
#include "platform/ui/detail/CaptionButtons.h"
#include "platform/ui/detail/CapturedPixels.h"
#include "platform/ui/detail/Controls.h"
#include "platform/ui/detail/WindowSystem.h"
#include "platform/win32/Rect.h"
#include "platform/win32/ReplacementFile.h"

namespace platform {

namespace detail {

// The frame and caption of a window in the classic look.
void PaintFrame(HWND hwnd) {
  DWORD style = static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE));
  DWORD exStyle = static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_EXSTYLE));
  RECT insets = detail::FrameInsets(style, exStyle);
  if (insets.left == 0 && insets.top == 0 && insets.right == 0 && insets.bottom == 0) return;
  HDC dc = GetWindowDC(hwnd);
  RECT window;
  GetWindowRect(hwnd, &window);
  RECT r{0, 0, window.right - window.left, window.bottom - window.top};
  if ((style & WS_THICKFRAME) || (style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) {
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    int rest = GetSystemMetrics((style & WS_THICKFRAME) ? SM_CXFRAME : SM_CXDLGFRAME) - 2;
    for (int i = 0; i < rest; ++i) {
      FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
      InflateRect(&r, -1, -1);
    }
  } else if (style & WS_BORDER) {
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(&r, -1, -1);
  }
  if ((style & WS_CAPTION) == WS_CAPTION) {
    int height = GetSystemMetrics((exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
    bool active = GetActiveWindow() == hwnd;
    RECT bar{r.left, r.top, r.right, r.top + height - 1};
    FillRect(dc, &bar, GetSysColorBrush(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
    char title[256];
    GetWindowText(hwnd, title, sizeof title);
    HFONT font = CreateFont(-11, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "MS Shell Dlg");
    HGDIOBJ previous = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    RECT text = bar;
    text.left += 4;
    CaptionButtons buttons = CaptionButtonsOf(style, exStyle, window.right - window.left);
    for (const RECT& button : {buttons.close, buttons.minimize}) {
      if (!IsRectEmpty(&button)) text.right = button.left - 2;
    }
    DrawText(dc, title, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, previous);
    DeleteObject(font);
    PaintCaptionButtons(hwnd, dc, HTNOWHERE);
    r.top += height;
  }
  if (exStyle & WS_EX_CLIENTEDGE) DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  bool both = (style & WS_VSCROLL) && (style & WS_HSCROLL);
  int corner = both ? GetSystemMetrics(SM_CYHSCROLL) : 0;
  auto paintBar = [&](int which, RECT bar) {
    SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(hwnd, which, &info);
    detail::DrawScrollBar(dc, bar, which == SB_VERT, info.nMin, info.nMax, info.nPage, info.nPos,
                          IsWindowEnabled(hwnd) != FALSE);
  };
  if (style & WS_VSCROLL) {
    paintBar(SB_VERT, RECT{r.right - GetSystemMetrics(SM_CXVSCROLL), r.top, r.right, r.bottom - corner});
  }
  if (style & WS_HSCROLL) {
    paintBar(SB_HORZ, RECT{r.left, r.bottom - GetSystemMetrics(SM_CYHSCROLL),
                           r.right - (both ? GetSystemMetrics(SM_CXVSCROLL) : 0), r.bottom});
  }
  if (both) {
    RECT box{r.right - GetSystemMetrics(SM_CXVSCROLL), r.bottom - corner, r.right, r.bottom};
    FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
  }
  ReleaseDC(hwnd, dc);
}

CapturedImage CutWindow(const unsigned char* rows, std::ptrdiff_t stride, int width, int height, POINT offset,
                        SIZE size) {
  CapturedImage image;
  image.width = size.cx;
  image.height = size.cy;
  image.pixels.assign(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height),
                      0xFF000000u);
  for (int y = 0; y < image.height; ++y) {
    int sy = y + offset.y;
    if (sy < 0 || sy >= height) continue;
    const auto* row = reinterpret_cast<const std::uint32_t*>(rows + sy * stride);
    for (int x = 0; x < image.width; ++x) {
      int sx = x + offset.x;
      if (sx >= 0 && sx < width) {
        image.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                     static_cast<std::size_t>(x)] = row[sx] | 0xFF000000u;
      }
    }
  }
  return image;
}

}  // namespace detail

namespace {

BOOL PaintVisibleFrame(HWND hwnd, LPARAM) {
  if (IsWindowVisible(hwnd)) detail::PaintFrame(hwnd);
  return TRUE;
}

}  // namespace

CapturedImage Capture(HWND hwnd) {
  CapturedImage image;
  if (!IsWindowVisible(hwnd)) return image;
  HWND root = GetAncestor(hwnd, GA_ROOT);
  RedrawWindow(root, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  detail::PaintFrame(root);
  EnumChildWindows(root, PaintVisibleFrame, 0);
  RECT rootRect, rect;
  GetWindowRect(root, &rootRect);
  GetWindowRect(hwnd, &rect);
  HBITMAP surface;
  {
    detail::Lock lock(detail::Global().mutex);
    surface = detail::Find(root)->surface;
  }
  const Surface* pixels = surface ? GetBitmapSurface(surface) : nullptr;
  if (!pixels) return image;
  return detail::CutWindow(pixels->pixels, pixels->stride, pixels->width, pixels->height,
                           POINT{rect.left - rootRect.left, rect.top - rootRect.top},
                           SIZE{rect.right - rect.left, rect.bottom - rect.top});
}

namespace {

bool EncodePng(FILE* file, const CapturedImage& image, bool withAlpha) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(png ? &png : nullptr, nullptr);
    return false;
  }
  const std::size_t channels = withAlpha ? 4 : 3;
  std::vector<png_byte> row(static_cast<std::size_t>(image.width) * channels);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
               withAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      std::uint32_t pixel = image.At(x, y);
      png_byte* out = &row[channels * static_cast<std::size_t>(x)];
      out[0] = static_cast<png_byte>(pixel >> 16);
      out[1] = static_cast<png_byte>(pixel >> 8);
      out[2] = static_cast<png_byte>(pixel);
      if (withAlpha) out[3] = static_cast<png_byte>(pixel >> 24);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WritePng(const CapturedImage& image, const std::string& path, bool withAlpha) {
  if (image.width <= 0 || image.height <= 0) return false;
  ReplacementFile file(path);
  return file.Stream() && EncodePng(file.Stream(), image, withAlpha) && file.Commit();
}

bool Capture(HWND hwnd, const std::string& path) { return WritePng(Capture(hwnd), path); }

}  // namespace platform
