// The message box as a dialog: the type's icon with the text beside it, the buttons centred
// below, the default button focused. Its size follows the text, wrapped at a width a reader
// can follow.
#include <algorithm>
#include <cstring>

#include "platform/gdi/Text.h"
#include "platform/ui/DialogBox.h"
#include "platform/ui/Icons.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/Modal.h"
#include "platform/ui/Paint.h"
#include "platform/ui/Queue.h"
#include "platform/ui/detail/CommonDialogs.h"

namespace platform::detail {

namespace {

constexpr int kWidestText = 420;  // pixels

struct Box {
  UINT type;
  std::vector<MessageBoxButton> buttons;
  int defaultId;
};

LPCSTR IconOf(UINT type) {
  switch (type & 0xF0) {
    case MB_ICONHAND:
      return IDI_ERROR;
    case MB_ICONQUESTION:
      return IDI_QUESTION;
    case MB_ICONEXCLAMATION:
      return IDI_WARNING;
    case MB_ICONASTERISK:
      return IDI_INFORMATION;
    default:
      return nullptr;
  }
}

int DefaultButtonOf(UINT type) {
  std::vector<MessageBoxButton> buttons = MessageBoxButtons(type);
  std::size_t index = (type >> 8) & 0xF;
  return buttons[index < buttons.size() ? index : 0].id;
}

SIZE DialogPixels(HWND dialog, int x, int y) {
  RECT rect{0, 0, x, y};
  MapDialogRect(dialog, &rect);
  return SIZE{rect.right, rect.bottom};
}

// Sizes the text, places the controls and centres the box over its owner (or the screen).
void LayOut(HWND dialog, const Box& box) {
  const SIZE margin = DialogPixels(dialog, 7, 7);
  const SIZE button = DialogPixels(dialog, 50, 14);
  const int gap = DialogPixels(dialog, 4, 0).cx;
  HWND icon = GetDlgItem(dialog, kMessageBoxIconId);
  HWND text = GetDlgItem(dialog, kMessageBoxTextId);
  const int iconSize = icon ? GetSystemMetrics(SM_CXICON) : 0;

  HDC dc = GetDC(dialog);
  HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessage(dialog, WM_GETFONT, 0, 0)));
  char shown[4096];
  GetWindowText(text, shown, sizeof shown);
  RECT textSize{0, 0, kWidestText, 0};
  DrawText(dc, shown, -1, &textSize, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  textSize.right += 2;  // the static wraps at the same width, whatever the rounding
  std::vector<int> widths;
  int buttonsWidth = 0;
  for (const MessageBoxButton& each : box.buttons) {
    RECT label{0, 0, 0, 0};
    DrawText(dc, each.text, -1, &label, DT_CALCRECT | DT_SINGLELINE);
    widths.push_back(std::max<int>(button.cx, label.right + 2 * margin.cx));
    buttonsWidth += widths.back() + (widths.size() > 1 ? gap : 0);
  }
  char caption[256];
  GetWindowText(dialog, caption, sizeof caption);
  SIZE captionSize{};
  GetTextExtentPoint32(dc, caption, static_cast<int>(std::strlen(caption)), &captionSize);
  SelectObject(dc, oldFont);
  ReleaseDC(dialog, dc);

  const int textLeft = margin.cx + (icon ? iconSize + margin.cx : 0);
  const int bodyHeight = std::max<int>(iconSize, textSize.bottom);
  RECT work;
  SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtr(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtr(dialog, GWL_EXSTYLE)));
  const int width = std::min<int>(
      {std::max<int>({textLeft + textSize.right + margin.cx, buttonsWidth + 2 * margin.cx,
                      captionSize.cx * 11 / 10 + GetSystemMetrics(SM_CXSIZE) + 2 * margin.cx}),
       work.right - work.left - (frame.right - frame.left)});
  const int buttonsTop = margin.cy + bodyHeight + margin.cy * 3 / 2;
  const int height = buttonsTop + button.cy + margin.cy;

  if (icon) MoveWindow(icon, margin.cx, margin.cy, iconSize, iconSize, FALSE);
  MoveWindow(text, textLeft, margin.cy + (bodyHeight - textSize.bottom) / 2, width - textLeft - margin.cx,
             textSize.bottom, FALSE);
  int x = (width - buttonsWidth) / 2;
  for (std::size_t i = 0; i < box.buttons.size(); ++i) {
    MoveWindow(GetDlgItem(dialog, box.buttons[i].id), x, buttonsTop, widths[i], button.cy, FALSE);
    x += widths[i] + gap;
  }

  const int outerWidth = width + frame.right - frame.left, outerHeight = height + frame.bottom - frame.top;
  RECT over = work;
  if (HWND owner = GetWindow(dialog, GW_OWNER)) GetWindowRect(owner, &over);
  const int left = std::clamp<int>((over.left + over.right - outerWidth) / 2, work.left,
                                   std::max<int>(work.left, work.right - outerWidth));
  const int top = std::clamp<int>((over.top + over.bottom - outerHeight) / 2, work.top,
                                  std::max<int>(work.top, work.bottom - outerHeight));
  SetWindowPos(dialog, nullptr, left, top, outerWidth, outerHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR MessageBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtr(dialog, DWLP_USER, lParam);
      const Box& box = *reinterpret_cast<const Box*>(lParam);
      if (LPCSTR icon = IconOf(box.type)) {
        SendDlgItemMessage(dialog, kMessageBoxIconId, STM_SETICON,
                           reinterpret_cast<WPARAM>(LoadIcon(nullptr, icon)), 0);
      }
      LayOut(dialog, box);
      SendMessage(dialog, DM_SETDEFID, static_cast<WPARAM>(box.defaultId), 0);
      SetFocus(GetDlgItem(dialog, box.defaultId));
      return FALSE;
    }
    case WM_COMMAND: {
      const auto* box = reinterpret_cast<const Box*>(GetWindowLongPtr(dialog, DWLP_USER));
      if (!box) return FALSE;
      const int id = LOWORD(wParam);
      for (const MessageBoxButton& button : box->buttons) {
        if (button.id == id) {
          EndDialog(dialog, id);
          return TRUE;
        }
      }
      // Esc and the close box without a Cancel button: the answer that does nothing, where the
      // box has one (No, or OK alone); else the box stays.
      if (id == IDCANCEL) {
        for (const MessageBoxButton& button : box->buttons) {
          if (button.id == IDNO || (button.id == IDOK && box->buttons.size() == 1)) {
            EndDialog(dialog, button.id);
            break;
          }
        }
      }
      return TRUE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

std::vector<MessageBoxButton> MessageBoxButtons(UINT type) {
  switch (type & 0xF) {
    case MB_OKCANCEL:
      return {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
    case MB_ABORTRETRYIGNORE:
      return {{IDABORT, "&Abort"}, {IDRETRY, "&Retry"}, {IDIGNORE, "&Ignore"}};
    case MB_YESNOCANCEL:
      return {{IDYES, "&Yes"}, {IDNO, "&No"}, {IDCANCEL, "Cancel"}};
    case MB_YESNO:
      return {{IDYES, "&Yes"}, {IDNO, "&No"}};
    case MB_RETRYCANCEL:
      return {{IDRETRY, "&Retry"}, {IDCANCEL, "Cancel"}};
    default:
      return {{IDOK, "OK"}};
  }
}

int UnansweredChoice(UINT type) {
  std::vector<MessageBoxButton> buttons = MessageBoxButtons(type);
  for (int refusal : {IDCANCEL, IDNO}) {
    for (const MessageBoxButton& button : buttons) {
      if (button.id == refusal) return refusal;
    }
  }
  return DefaultButtonOf(type);
}

int RunMessageBoxWindow(HWND owner, const std::string& text, const std::string& caption, UINT type) {
  Box box{type, MessageBoxButtons(type), DefaultButtonOf(type)};
  std::vector<DialogItemTemplate> items;
  // The controls are placed once the text is measured; template order is the tab order.
  if (IconOf(type)) items.push_back({WC_STATIC, "", kMessageBoxIconId, 0, 0, 0, 0, SS_ICON | WS_VISIBLE, 0});
  items.push_back(
      {WC_STATIC, text.c_str(), kMessageBoxTextId, 0, 0, 0, 0, SS_LEFT | SS_NOPREFIX | WS_VISIBLE, 0});
  for (const MessageBoxButton& button : box.buttons) {
    items.push_back(
        {WC_BUTTON, button.text, button.id, 0, 0, 0, 0,
         (button.id == box.defaultId ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP | WS_VISIBLE, 0});
  }
  const DialogTemplate dialog{DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU,
                              0,
                              0,
                              0,
                              0,
                              0,
                              caption.c_str(),
                              nullptr,
                              0,
                              items.data(),
                              items.size()};
  if (!owner) owner = GetActiveWindow();
  INT_PTR answer = DialogBoxIndirectParam(nullptr, &dialog, owner, MessageBoxProc,
                                          reinterpret_cast<LPARAM>(&box));
  return answer > 0 ? static_cast<int>(answer) : UnansweredChoice(type);
}

}  // namespace platform::detail
