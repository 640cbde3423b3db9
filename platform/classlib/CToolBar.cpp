#include "platform/classlib/CToolBar.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/classlib/CGdiObject.h"
#include "platform/classlib/CWinApp.h"
#include "platform/win32/ModuleResource.h"

IMPLEMENT_DYNAMIC(CToolBar, CWnd)

BEGIN_MESSAGE_MAP(CToolBar, CWnd)
  ON_WM_PAINT()
  ON_WM_ERASEBKGND()
  ON_WM_LBUTTONDOWN()
  ON_WM_LBUTTONUP()
  ON_WM_MOUSEMOVE()
  ON_WM_CAPTURECHANGED()
  ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdateCmdUI)
  ON_NOTIFY_EX_RANGE(TTN_NEEDTEXTA, 0, 0xFFFF, OnToolTipText)
END_MESSAGE_MAP()

namespace {

constexpr int kSeparatorWidth = 8;
const LPCSTR kBitmapType = MAKEINTRESOURCE(2);

std::mutex& TableMutex() {
  static std::mutex mutex;
  return mutex;
}
std::map<HINSTANCE, std::pair<const ToolBarResource*, std::size_t>>& Tables() {
  static auto* tables = new std::map<HINSTANCE, std::pair<const ToolBarResource*, std::size_t>>;
  return *tables;
}

const ToolBarResource* FindToolBar(HINSTANCE module, UINT id) {
  std::lock_guard<std::mutex> lock(TableMutex());
  auto found = Tables().find(module);
  if (found == Tables().end()) return nullptr;
  for (std::size_t i = 0; i < found->second.second; ++i) {
    if (found->second.first[i].id == id) return &found->second.first[i];
  }
  return nullptr;
}

}  // namespace

void platform::RegisterToolBarTable(HINSTANCE module, const ToolBarResource* entries, std::size_t count) {
  std::lock_guard<std::mutex> lock(TableMutex());
  Tables()[module] = {entries, count};
}

HBITMAP LoadBitmap(HINSTANCE instance, LPCSTR name) {
  HRSRC resource = FindResource(instance, name, kBitmapType);
  DWORD size = SizeofResource(instance, resource);
  auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(instance, resource)));
  if (!bytes || size < sizeof(BITMAPINFOHEADER)) return nullptr;
  BITMAPINFOHEADER header;
  std::memcpy(&header, bytes, sizeof header);
  if (header.biSize < sizeof header || header.biSize > size) return nullptr;
  DWORD colours = header.biClrUsed ? header.biClrUsed
                                   : (header.biBitCount <= 8 ? (1u << header.biBitCount) : 0);
  std::uint64_t bitsOffset = header.biSize + std::uint64_t{colours} * 4;
  std::uint64_t stride =
      (std::uint64_t{static_cast<std::uint32_t>(std::abs(header.biWidth))} * header.biBitCount + 31) / 32 * 4;
  std::uint64_t rows = static_cast<std::uint32_t>(std::abs(header.biHeight));
  if (header.biCompression != 0 || bitsOffset + stride * rows > size) return nullptr;
  std::vector<BYTE> info(bytes, bytes + bitsOffset);
  return CreateDIBitmap(nullptr, &header, CBM_INIT, bytes + bitsOffset,
                        reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS);
}

CToolBar::~CToolBar() {
  if (bitmap_) ::DeleteObject(bitmap_);
}

BOOL CToolBar::Create(CWnd* parent, DWORD style, UINT id) {
  return CreateEx(parent, TBSTYLE_FLAT, style, CRect(), id);
}

BOOL CToolBar::CreateEx(CWnd* parent, DWORD, DWORD style, CRect, UINT id) {
  CSize size = CalcFixedLayout(FALSE, TRUE);
  DWORD windowStyle = (style & (WS_VISIBLE | WS_CHILD | WS_DISABLED)) | WS_CHILD | WS_CLIPSIBLINGS;
  if (!CWnd::CreateEx(0, nullptr, nullptr, windowStyle, CRect(0, 0, size.cx, size.cy), parent, id))
    return FALSE;
  if (style & CBRS_TOOLTIPS && tips_.Create(this)) ResetTools({});
  return TRUE;
}

BOOL CToolBar::LoadToolBar(UINT id) {
  const ToolBarResource* resource = FindToolBar(AfxGetResourceHandle(), id);
  if (!resource) return FALSE;
  SetSizes(CSize(resource->width + 7, resource->height + 7), CSize(resource->width, resource->height));
  if (!SetButtons(resource->items, static_cast<int>(resource->count))) return FALSE;
  LoadBitmap(id);  // a bar without pictures still works
  return TRUE;
}

BOOL CToolBar::LoadBitmap(UINT id) {
  HBITMAP bitmap = ::LoadBitmap(AfxGetResourceHandle(), MAKEINTRESOURCE(static_cast<WORD>(id)));
  if (!bitmap) return FALSE;
  if (bitmap_) ::DeleteObject(bitmap_);
  bitmap_ = bitmap;
  if (m_hWnd) Invalidate();
  return TRUE;
}

BOOL CToolBar::SetButtons(const UINT* ids, int count) {
  if (count < 0 || (count > 0 && !ids)) return FALSE;
  std::vector<Button> old = std::move(buttons_);
  buttons_.clear();
  int image = 0;
  for (int i = 0; i < count; ++i) {
    if (ids[i] == 0) {
      buttons_.push_back(Button{0, TBBS_SEPARATOR, -1});
    } else {
      buttons_.push_back(Button{ids[i], TBBS_BUTTON, image++});
    }
  }
  if (m_hWnd) {
    CSize size = CalcFixedLayout(FALSE, TRUE);
    SetWindowPos(nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ResetTools(old);
    Invalidate();
  }
  return TRUE;
}

void CToolBar::SetSizes(SIZE button, SIZE image) {
  button_ = button;
  image_ = image;
}

int CToolBar::CommandToIndex(UINT id) const {
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    if (buttons_[i].id == id && !(buttons_[i].style & TBBS_SEPARATOR)) return static_cast<int>(i);
  }
  return -1;
}

UINT CToolBar::GetItemID(int index) const {
  return index >= 0 && index < GetCount() ? buttons_[static_cast<std::size_t>(index)].id : 0;
}

void CToolBar::GetItemRect(int index, RECT* rect) const {
  int x = 0;
  for (int i = 0; i < index && i < GetCount(); ++i) {
    x += (buttons_[static_cast<std::size_t>(i)].style & TBBS_SEPARATOR) ? kSeparatorWidth : button_.cx;
  }
  bool separator = index < GetCount() && (buttons_[static_cast<std::size_t>(index)].style & TBBS_SEPARATOR);
  *rect = CRect(x, 0, x + (separator ? kSeparatorWidth : button_.cx), button_.cy);
}

UINT CToolBar::GetButtonStyle(int index) const {
  return index >= 0 && index < GetCount() ? buttons_[static_cast<std::size_t>(index)].style : 0;
}

void CToolBar::SetButtonStyle(int index, UINT style) {
  if (index < 0 || index >= GetCount() || buttons_[static_cast<std::size_t>(index)].style == style) return;
  buttons_[static_cast<std::size_t>(index)].style = style;
  if (m_hWnd) {
    CRect rect;
    GetItemRect(index, &rect);
    InvalidateRect(&rect);
  }
}

CSize CToolBar::CalcFixedLayout(BOOL, BOOL) const {
  CRect last;
  GetItemRect(GetCount(), &last);
  return CSize(last.left, button_.cy);
}

void CToolBar::ResetTools(const std::vector<Button>& old) {
  if (!tips_.m_hWnd) return;
  for (const Button& button : old) {
    if (!(button.style & TBBS_SEPARATOR)) tips_.DelTool(this, button.id);
  }
  for (int i = 0; i < GetCount(); ++i) {
    if (buttons_[static_cast<std::size_t>(i)].style & TBBS_SEPARATOR) continue;
    CRect rect;
    GetItemRect(i, &rect);
    tips_.AddTool(this, LPSTR_TEXTCALLBACK, &rect, buttons_[static_cast<std::size_t>(i)].id);
  }
}

int CToolBar::HitTest(CPoint point) const {
  for (int i = 0; i < GetCount(); ++i) {
    CRect rect;
    GetItemRect(i, &rect);
    if (rect.PtInRect(point) && !(buttons_[static_cast<std::size_t>(i)].style & TBBS_SEPARATOR)) return i;
  }
  return -1;
}

void CToolBar::DrawButton(CDC& dc, int index) const {
  const Button& button = buttons_[static_cast<std::size_t>(index)];
  CRect rect;
  GetItemRect(index, &rect);
  if (button.style & TBBS_SEPARATOR) {
    CRect line(rect.CenterPoint().x - 1, rect.top + 2, rect.CenterPoint().x + 1, rect.bottom - 2);
    dc.DrawEdge(&line, EDGE_ETCHED, BF_LEFT);
    return;
  }
  bool disabled = (button.style & TBBS_DISABLED) != 0;
  bool down = (button.style & (TBBS_CHECKED | TBBS_PRESSED)) != 0;
  if (down) {
    dc.Draw3dRect(&rect, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
  } else if (index == hot_ && !disabled) {
    dc.Draw3dRect(&rect, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW));
  }
  if (!bitmap_ || button.image < 0) return;
  int x = rect.left + (rect.Width() - image_.cx) / 2 + (down ? 1 : 0);
  int y = rect.top + (rect.Height() - image_.cy) / 2 + (down ? 1 : 0);
  // Tool-bar pictures are drawn on silver, which shows the button's face.
  constexpr COLORREF kBackground = RGB(192, 192, 192);
  HIMAGELIST list = ImageList_Create(image_.cx, image_.cy, ILC_COLOR32 | ILC_MASK, 1, 0);
  CDC memory;
  memory.CreateCompatibleDC(&dc);
  HGDIOBJ old = ::SelectObject(memory, bitmap_);
  HBITMAP cell = ::CreateCompatibleBitmap(dc, image_.cx, image_.cy);
  CDC cellDc;
  cellDc.CreateCompatibleDC(&dc);
  HGDIOBJ oldCell = ::SelectObject(cellDc, cell);
  cellDc.BitBlt(0, 0, image_.cx, image_.cy, &memory, button.image * image_.cx, 0, SRCCOPY);
  ::SelectObject(cellDc, oldCell);
  ::SelectObject(memory, old);
  ImageList_AddMasked(list, cell, kBackground);
  if (disabled) {
    // Embossed: the picture's shape in highlight, then in shadow one pixel up and left.
    HICON icon = ImageList_GetIcon(list, 0, ILD_NORMAL);
    ICONINFO info{};
    GetIconInfo(icon, &info);
    CDC maskDc;
    maskDc.CreateCompatibleDC(&dc);
    HGDIOBJ oldMask = ::SelectObject(maskDc, info.hbmMask);
    for (int pass = 0; pass < 2; ++pass) {
      COLORREF colour = GetSysColor(pass == 0 ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW);
      int offset = pass == 0 ? 1 : 0;
      for (int row = 0; row < image_.cy; ++row) {
        for (int column = 0; column < image_.cx; ++column) {
          if (maskDc.GetPixel(column, row) == RGB(0, 0, 0))
            dc.SetPixel(x + column + offset, y + row + offset, colour);
        }
      }
    }
    ::SelectObject(maskDc, oldMask);
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  } else {
    ImageList_Draw(list, 0, dc, x, y, ILD_TRANSPARENT);
  }
  ImageList_Destroy(list);
  ::DeleteObject(cell);
}

void CToolBar::OnPaint() {
  CPaintDC dc(this);
  CRect client;
  GetClientRect(&client);
  dc.FillSolidRect(&client, GetSysColor(COLOR_BTNFACE));
  for (int i = 0; i < GetCount(); ++i) DrawButton(dc, i);
}

void CToolBar::OnLButtonDown(UINT, CPoint point) {
  int index = HitTest(point);
  if (index < 0 || (buttons_[static_cast<std::size_t>(index)].style & TBBS_DISABLED)) return;
  pressed_ = index;
  SetButtonStyle(index, buttons_[static_cast<std::size_t>(index)].style | TBBS_PRESSED);
  SetCapture();
}

void CToolBar::OnLButtonUp(UINT, CPoint point) {
  if (pressed_ < 0) return;
  int index = pressed_;
  pressed_ = -1;
  SetButtonStyle(index, buttons_[static_cast<std::size_t>(index)].style & ~TBBS_PRESSED);
  ::ReleaseCapture();
  if (HitTest(point) != index) return;
  UINT id = buttons_[static_cast<std::size_t>(index)].id;
  if (CWnd* parent = GetParent()) {
    parent->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
                        reinterpret_cast<LPARAM>(m_hWnd));
  }
}

void CToolBar::OnMouseMove(UINT, CPoint point) {
  int index = HitTest(point);
  if (index == hot_) return;
  CRect rect;
  if (hot_ >= 0) {
    GetItemRect(hot_, &rect);
    InvalidateRect(&rect);
  }
  hot_ = index;
  if (hot_ >= 0) {
    GetItemRect(hot_, &rect);
    InvalidateRect(&rect);
  }
}

void CToolBar::OnCaptureChanged(CWnd*) {
  if (pressed_ >= 0) {
    SetButtonStyle(pressed_, buttons_[static_cast<std::size_t>(pressed_)].style & ~TBBS_PRESSED);
    pressed_ = -1;
  }
}

LRESULT CToolBar::OnIdleUpdateCmdUI(WPARAM wParam, LPARAM) {
  if (IsWindowVisible()) {
    if (CWnd* parent = GetParent()) OnUpdateCmdUI(parent, static_cast<BOOL>(wParam));
  }
  return 0;
}

void CToolBar::OnUpdateCmdUI(CCmdTarget* target, BOOL disableIfNoHandler) {
  CToolCmdUI state;
  state.m_pOther = this;
  for (int i = 0; i < GetCount(); ++i) {
    if (buttons_[static_cast<std::size_t>(i)].style & TBBS_SEPARATOR) continue;
    state.m_nIndex = static_cast<UINT>(i);
    state.m_nID = buttons_[static_cast<std::size_t>(i)].id;
    state.DoUpdate(target, disableIfNoHandler);
  }
}

BOOL CToolBar::OnToolTipText(UINT, NMHDR* header, LRESULT* result) {
  // The bar's owner says what each button does.
  CWnd* parent = GetParent();
  if (!parent) return FALSE;
  *result = parent->SendMessage(WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(header));
  return TRUE;
}

void CToolCmdUI::Enable(BOOL on) {
  auto* bar = static_cast<CToolBar*>(m_pOther);
  UINT style = bar->GetButtonStyle(static_cast<int>(m_nIndex)) & ~TBBS_DISABLED;
  if (!on) style = (style | TBBS_DISABLED) & ~TBBS_PRESSED;
  bar->SetButtonStyle(static_cast<int>(m_nIndex), style);
  m_bEnableChanged = TRUE;
}

void CToolCmdUI::SetCheck(int check) {
  auto* bar = static_cast<CToolBar*>(m_pOther);
  UINT style = bar->GetButtonStyle(static_cast<int>(m_nIndex)) & ~TBBS_CHECKED;
  if (check) style |= TBBS_CHECKED;
  bar->SetButtonStyle(static_cast<int>(m_nIndex), style);
}
