#include "controls/ThumbnailView.h"

#include <algorithm>
#include <cstring>

#include "core/TransformColors.h"
#include "platform/win32/Clock.h"
#include "vector/CanvasRef.h"

const UINT TVM_SELCHANGE = RegisterWindowMessage("TVM_SELCHANGE");
const UINT TVM_SELDBLCLK = RegisterWindowMessage("TVM_SELDBLCLK");

IMPLEMENT_DYNCREATE(CThumbnailView, CScrollView)

BEGIN_MESSAGE_MAP(CThumbnailView, CScrollView)
  ON_MESSAGE(kThumbnailLoadedMessage, OnItemLoaded)
  ON_WM_CREATE()
  ON_WM_DESTROY()
  ON_WM_ERASEBKGND()
  ON_WM_SETFOCUS()
  ON_WM_KILLFOCUS()
  ON_WM_MOUSEMOVE()
  ON_WM_MOUSEWHEEL()
  ON_WM_TIMER()
  ON_WM_LBUTTONDOWN()
  ON_WM_LBUTTONDBLCLK()
  ON_WM_KEYDOWN()
  ON_WM_CONTEXTMENU()
END_MESSAGE_MAP()

namespace {

constexpr int kDragThreshold = 10;
constexpr COLORREF kInsertMarkColour = RGB(64, 64, 64);

std::uint32_t Argb(COLORREF colour) {
  return 0xFF000000u | (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

bool ReadPixel(const BYTE* row, corvel::keFormat format, int x, BYTE bgra[4]) {
  switch (format) {
    case corvel::keFormatGrey:
      bgra[0] = bgra[1] = bgra[2] = row[x], bgra[3] = 255;
      return true;
    case corvel::keFormatGreyA:
      bgra[0] = bgra[1] = bgra[2] = row[2 * x], bgra[3] = row[2 * x + 1];
      return true;
    case corvel::keFormatBGR:
      std::memcpy(bgra, row + 3 * x, 3), bgra[3] = 255;
      return true;
    case corvel::keFormatBGRA:
      std::memcpy(bgra, row + 4 * x, 4);
      return true;
    default:
      return false;
  }
}

// Lays the picture centred over the BGR cell, shrunk by nearest pixels when it is larger than
// `area`, blended where it has alpha.
void Compose(corvel::CRowIteratorBands& picture, corvel::CRowIteratorBands& cell, SIZE area) {
  const int width = picture.Width(), height = picture.Height();
  if (width <= 0 || height <= 0) return;
  const double scale = std::min(
      {1.0, static_cast<double>(area.cx) / width, static_cast<double>(area.cy) / height});
  const int shownWidth = std::max(1, static_cast<int>(width * scale)),
            shownHeight = std::max(1, static_cast<int>(height * scale));
  const int left = (cell.Width() - shownWidth) / 2, top = (cell.Height() - shownHeight) / 2;
  for (int y = 0; y < shownHeight; ++y) {
    const int cellY = top + y;
    if (cellY < 0 || cellY >= cell.Height()) continue;
    const int sourceY = std::min(height - 1, static_cast<int>(y / scale));
    const BYTE* source = picture.LockRowPointer(sourceY, 0, -1);
    BYTE* target = cell.LockRowPointer(cellY, 0, -1);
    if (source && target) {
      for (int x = 0; x < shownWidth; ++x) {
        const int cellX = left + x;
        BYTE bgra[4];
        if (cellX < 0 || cellX >= cell.Width() ||
            !ReadPixel(source, picture.GetFormat(), std::min(width - 1, static_cast<int>(x / scale)), bgra))
          continue;
        for (int c = 0; c < 3; ++c) {
          BYTE& out = target[3 * cellX + c];
          out = static_cast<BYTE>((bgra[c] * bgra[3] + out * (255 - bgra[3]) + 127) / 255);
        }
      }
    }
    if (target) cell.UnlockRow(cellY);
    if (source) picture.UnlockRow(sourceY);
  }
}

// A selected picture drawn through the colour transformation, its own alpha kept.
bool TintedCopy(corvel::CRowIteratorBands& picture, corvel::CRowIteratorBands& tinted) {
  corvel::CRowIteratorBands opaque;
  if (opaque.CreateBGR(picture.Width(), picture.Height()).GetCode() != 0) return false;
  const bool alpha = picture.GetFormat() == corvel::keFormatGreyA ||
                     picture.GetFormat() == corvel::keFormatBGRA;
  for (int y = 0; y < picture.Height(); ++y) {
    const BYTE* source = picture.LockRowPointer(y, 0, -1);
    BYTE* target = opaque.LockRowPointer(y, 0, -1);
    for (int x = 0; source && target && x < picture.Width(); ++x) {
      BYTE bgra[4] = {};
      ReadPixel(source, picture.GetFormat(), x, bgra);
      std::memcpy(target + 3 * x, bgra, 3);
    }
    if (target) opaque.UnlockRow(y);
    if (source) picture.UnlockRow(y);
  }
  corvel::ColorTransformParams params;
  params.curve = corvel::keCurvePower;
  params.gamma = 2.0;
  const double toXyz[3][3] = {
      {0.412453, 0.357580, 0.180423}, {0.212671, 0.715160, 0.072169}, {0.019334, 0.119193, 0.950227}};
  const double fromXyz[9] = {3.240479, -1.537150, -0.498535, -0.969256, 1.875991,
                             0.041556, 0.055648,  -0.204043, 1.057311};
  std::memcpy(params.matrix, toXyz, sizeof toXyz);
  std::memcpy(params.extra, fromXyz, sizeof fromXyz);
  corvel::CRowIteratorBands grey;
  if (corvel::TransformColors(nullptr, opaque, grey, params).GetCode() != 0) return false;
  if (!alpha) return tinted.CreateCopy(grey).GetCode() == 0;
  if (tinted.CreateGreyA(picture.Width(), picture.Height()).GetCode() != 0) return false;
  for (int y = 0; y < picture.Height(); ++y) {
    const BYTE* source = picture.LockRowPointer(y, 0, -1);
    const BYTE* level = grey.LockRowPointer(y, 0, -1);
    BYTE* target = tinted.LockRowPointer(y, 0, -1);
    for (int x = 0; source && level && target && x < picture.Width(); ++x) {
      BYTE bgra[4] = {};
      ReadPixel(source, picture.GetFormat(), x, bgra);
      target[2 * x] = level[x];
      target[2 * x + 1] = bgra[3];
    }
    if (target) tinted.UnlockRow(y);
    if (level) grey.UnlockRow(y);
    if (source) picture.UnlockRow(y);
  }
  return true;
}

// "..." + the text less k characters at each end + "...", k growing until it fits.
std::string ShortenCaption(HDC dc, const std::string& text, int available) {
  auto width = [&](const std::string& t) {
    SIZE size{};
    GetTextExtentPoint32(dc, t.c_str(), static_cast<int>(t.size()), &size);
    return static_cast<int>(size.cx);
  };
  if (text.size() < 3 || width(text) < available) return text;
  std::string shortened;
  for (std::size_t k = 1; 2 * k < text.size(); ++k) {
    shortened = "..." + text.substr(k, text.size() - 2 * k) + "...";
    if (width(shortened) < available) return shortened;
  }
  return "......";
}

}  // namespace

CThumbnailView::CThumbnailView() {
  HGDIOBJ stock = GetStockObject(DEFAULT_GUI_FONT);
  if (!stock) stock = GetStockObject(SYSTEM_FONT);
  LOGFONT logFont{};
  if (stock && ::GetObject(stock, sizeof logFont, &logFont)) font.CreateFontIndirect(&logFont);
  HDC screen = ::GetDC(nullptr);
  HGDIOBJ old = ::SelectObject(screen, font.GetSafeHandle());
  SIZE size{};
  GetTextExtentPoint32(screen, "####", 4, &size);
  lineHeight = size.cy;
  ::SelectObject(screen, old);
  ::ReleaseDC(nullptr, screen);
  // Tooltip texts break lines where they say.
  tooltip.Drawer().SetLineBreakChars(1);
}

CThumbnailView::~CThumbnailView() = default;

void CThumbnailView::SetSource(ThumbnailSource* newSource) {
  source = newSource;
  Layout();
}

void CThumbnailView::SelectItem(int index) {
  if (!source || index < 0 || index >= source->GetCount()) return;
  selection.insert(index);
  current = index;
}

int CThumbnailView::GetColumns() {
  CRect client;
  GetClientRect(&client);
  return itemSize.cx > 0 ? std::max(1, client.Width() / static_cast<int>(itemSize.cx)) : 1;
}

CRect CThumbnailView::GetItemRect(int index) {
  CRect client;
  GetClientRect(&client);
  if (client.IsRectEmpty() || index < 0) return CRect();
  const int columns = GetColumns(), column = index % columns, row = index / columns;
  return CRect(column * itemSize.cx, row * itemSize.cy, (column + 1) * itemSize.cx, (row + 1) * itemSize.cy);
}

int CThumbnailView::HitTest(POINT point) {
  CRect client;
  GetClientRect(&client);
  if (!source || !client.PtInRect(point) || itemSize.cx <= 0 || itemSize.cy <= 0) return -1;
  const CPoint scroll = GetScrollPosition();
  const int x = point.x + scroll.x, y = point.y + scroll.y, columns = GetColumns();
  // The last column's right edge belongs to no item.
  if (x >= columns * itemSize.cx) return -1;
  const int index = (y / itemSize.cy) * columns + x / itemSize.cx;
  return index < source->GetCount() ? index : -1;
}

int CThumbnailView::VisibleCount() {
  CRect client;
  GetClientRect(&client);
  if (itemSize.cx <= 0 || itemSize.cy <= 0) return 1;
  return std::max(1, (client.Width() / static_cast<int>(itemSize.cx)) *
                         (client.Height() / static_cast<int>(itemSize.cy)));
}

bool CThumbnailView::ItemVisible(int index) {
  CRect client, item = GetItemRect(index), shown;
  GetClientRect(&client);
  item.OffsetRect(-GetScrollPosition());
  return shown.IntersectRect(&client, &item);
}

void CThumbnailView::Layout() {
  if (!source || !m_hWnd) return;
  thumbSize = source->GetThumbnailSize();
  itemSize = SIZE{thumbSize.cx + 10, thumbSize.cy + 10 + (showCaptions ? 2 * lineHeight : 0)};
  CRect client;
  GetClientRect(&client);
  const int count = source->GetCount(), w = itemSize.cx, h = itemSize.cy;
  const int scrollBar = GetSystemMetrics(SM_CXVSCROLL);
  int columns = std::max(1, client.Width() / w);
  auto rowsFor = [&](int c) { return (count + c - 1) / c; };
  const bool hasBar = (GetStyle() & WS_VSCROLL) != 0;
  if (rowsFor(columns) * h > client.Height() && !hasBar && (client.Width() - scrollBar) / w < columns &&
      columns > 1)
    --columns;
  if (hasBar && (client.Width() + scrollBar) / w > columns && rowsFor(columns + 1) * h <= client.Height())
    ++columns;
  SetScrollSizes(MM_TEXT, CSize(columns * w, rowsFor(columns) * h), CSize(client.Width(), client.Height()),
                 CSize(w, h));
}

void CThumbnailView::OnInitialUpdate() {
  if (!source) {
    SetScrollSizes(MM_TEXT, CSize(0, 0));
    return;
  }
  Layout();
  CScrollView::OnInitialUpdate();
}

void CThumbnailView::ScrollToCurrentItem() {
  if (!source || current < 0) return;
  CRect client;
  GetClientRect(&client);
  const CRect item = GetItemRect(current);
  const CPoint scroll = GetScrollPosition();
  // An item the edge cuts counts as hidden: the popup's four rows leave a sliver of the fifth.
  if (item.top >= scroll.y && item.bottom <= scroll.y + client.Height()) return;
  const int y = item.top < scroll.y || item.Height() > client.Height() ? item.top
                                                                       : item.bottom - client.Height();
  ScrollToPosition(CPoint(scroll.x, y));
  RefreshHover();
}

BOOL CThumbnailView::OnScrollBy(CSize amount, BOOL doScroll) {
  const BOOL moved = CScrollView::OnScrollBy(amount, doScroll);
  RefreshHover();
  return moved;
}

BOOL CThumbnailView::OnEraseBkgnd(CDC* dc) {
  if (!source || source->GetCount() == 0) return CScrollView::OnEraseBkgnd(dc);
  CRect client;
  GetClientRect(&client);
  const CPoint scroll = GetScrollPosition();
  const int columns = GetColumns(), count = source->GetCount();
  const int rows = (count + columns - 1) / columns;
  HBRUSH window = GetSysColorBrush(COLOR_WINDOW);
  const int right = columns * itemSize.cx - scroll.x, bottom = rows * itemSize.cy - scroll.y;
  const RECT beside{right, client.top, client.right, client.bottom};
  const RECT below{client.left, bottom, std::min<LONG>(right, client.right), client.bottom};
  ::FillRect(dc->m_hDC, &beside, window);
  ::FillRect(dc->m_hDC, &below, window);
  if (count % columns != 0) {
    CRect last = GetItemRect(count);
    last.right = columns * itemSize.cx;
    last.OffsetRect(-scroll);
    ::FillRect(dc->m_hDC, &last, window);
  }
  return TRUE;
}

corvel::CRowIteratorBands* CThumbnailView::CellBackground(bool selected) {
  corvel::CRowIteratorBands& cache = selected ? selectedFrameCache : frameCache;
  if (cache.Width() == itemSize.cx && cache.Height() == itemSize.cy) return &cache;
  const corvel::CColorRef back(GetSysColor(COLOR_WINDOW));
  if (cache.CreateBGR(itemSize.cx, itemSize.cy, &back).GetCode() != 0) return nullptr;
  corvel::CanvasRef canvas(corvel::keFormatBGR);
  corvel::PaintRef fill;
  if (canvas.AttachImage(cache) == 0 && fill.SetColor(Argb(selected ? selectedBackColour : backColour)) &&
      canvas.SetFillPaint(fill)) {
    canvas.SetStrokeColor(Argb(selected ? RGB(170, 170, 170) : RGB(200, 200, 200)));
    canvas.SetLineWidth(0.5, false);
    canvas.DrawRoundRect(2, 2, itemSize.cx - 2, itemSize.cy - 2, 3, 3);
    canvas.DetachImage();
  }
  return &cache;
}

void CThumbnailView::DrawItem(CDC* dc, int index, bool selected, bool focused) {
  if (!source || index < 0 || index >= source->GetCount()) return;
  const CRect cellRect = GetItemRect(index);
  corvel::CRowIteratorBands* background = CellBackground(selected);
  corvel::CRowIteratorBands cell;
  if (!background || cell.CreateCopy(*background).GetCode() != 0) return;
  corvel::CRowIteratorBands* picture = source->GetThumbnail(index);
  if (!picture || picture->Width() <= 0) picture = source->GetLargePicture(index);
  const SIZE area{itemSize.cx - 10, itemSize.cy - 10 - (showCaptions ? 2 * lineHeight : 0)};
  HICON icon = nullptr;
  if (picture && picture->Width() > 0) {
    corvel::CRowIteratorBands tinted;
    if (selected && tintSelected && picture->GetFormat() != corvel::keFormatGrey &&
        TintedCopy(*picture, tinted))
      Compose(tinted, cell, area);
    else
      Compose(*picture, cell, area);
  } else {
    icon = source->GetIcon(index);
  }
  cell.DrawCopy(dc->m_hDC, cellRect.left, cellRect.top).GetCode();  // else the cell stays blank
  if (icon) {
    const int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
    DrawIconEx(dc->m_hDC, cellRect.left + (cellRect.Width() - cx) / 2,
               cellRect.top + (cellRect.Height() - cy) / 2, icon, cx, cy, 0, nullptr, DI_NORMAL);
    DestroyIcon(icon);
  }
  if (showCaptions) {
    CFont* old = dc->SelectObject(&font);
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(selected ? selectedTextColour : textColour);
    CRect label(cellRect.left + 4, cellRect.top + 4, cellRect.right - 4, cellRect.top + 4 + lineHeight);
    const std::string caption = ShortenCaption(dc->m_hDC, source->GetLabel(index).str(), label.Width());
    ::DrawText(dc->m_hDC, caption.c_str(), -1, &label, DT_CENTER | DT_VCENTER);
    const SIZE size = source->GetImageSize(index);
    CString sizeText;
    sizeText.Format("%d x %d", static_cast<int>(size.cx), static_cast<int>(size.cy));
    CRect sizeBox(cellRect.left + 4, cellRect.bottom - 4 - lineHeight, cellRect.right - 4,
                  cellRect.bottom - 4);
    ::DrawText(dc->m_hDC, sizeText, -1, &sizeBox, DT_CENTER | DT_VCENTER);
    dc->SelectObject(old);
  }
  if (focused) {
    CRect focus = cellRect;
    focus.DeflateRect(4, 4);
    ::DrawFocusRect(dc->m_hDC, &focus);
  }
}

void CThumbnailView::OnDraw(CDC* dc) {
  if (!source || source->GetCount() == 0) return;
  CRect clip, client;
  dc->GetClipBox(&clip);
  GetClientRect(&client);
  const int count = source->GetCount();
  const int first = HitTest(CPoint(0, 0));
  if (first < 0) return;
  int last = HitTest(CPoint((GetColumns() - 1) * itemSize.cx, client.bottom - 1));
  if (last < 0) last = count - 1;
  // Loading follows what is on screen.
  for (int index = first; index <= last; ++index) {
    if (!source->GetThumbnail(index)) {
      source->RequestItem(index);
      break;
    }
  }
  const bool focus = ::GetFocus() == m_hWnd;
  for (int index = first; index <= last; ++index) {
    CRect item = GetItemRect(index), meets;
    if (meets.IntersectRect(&item, &clip)) DrawItem(dc, index, IsSelected(index), focus && index == current);
  }
}

void CThumbnailView::RedrawItem(int index) {
  if (!source || index < 0 || index >= source->GetCount() || !ItemVisible(index)) return;
  CRect item = GetItemRect(index);
  item.OffsetRect(-GetScrollPosition());
  InvalidateRect(&item, FALSE);
  UpdateWindow();
}

void CThumbnailView::NotifyParent(UINT message) {
  if (CWnd* parent = GetParent())
    parent->SendMessage(message, reinterpret_cast<WPARAM>(this), static_cast<LPARAM>(current));
}

void CThumbnailView::UpdateSelection(bool ctrl, bool shift, bool keyboard, int previous) {
  if (!multiSelect) ctrl = shift = false;
  RedrawItem(previous);
  if (shift) {
    if (anchor == -1) anchor = current;
    const std::set<int> before = selection;
    selection.clear();
    for (int i = std::min(anchor, current); i <= std::max(anchor, current); ++i) selection.insert(i);
    for (int i : before)
      if (!selection.count(i)) RedrawItem(i);
    for (int i : selection)
      if (!before.count(i)) RedrawItem(i);
  } else if (ctrl && !keyboard) {
    if (!selection.erase(current)) selection.insert(current);
  } else {
    const std::set<int> before = selection;
    selection = {current};
    for (int i : before) RedrawItem(i);
  }
  RedrawItem(current);
  if (!shift) anchor = current;
}

void CThumbnailView::MoveSelectedItems(int target) {
  if (!source) return;
  std::vector<int> indices(selection.begin(), selection.end());
  const int firstSelected = indices.empty() ? -1 : indices.front();
  source->MoveItems(indices, target);
  selection.clear();
  if (target != -1) {
    selection.insert(indices.begin(), indices.end());
    current = anchor = indices.empty() ? -1 : indices.front();
  } else if (source->GetCount() > 0 && firstSelected >= 0) {
    current = anchor = std::min(firstSelected, source->GetCount() - 1);
    selection.insert(current);
  } else {
    current = anchor = -1;
  }
  Layout();
  Invalidate();
  UpdateWindow();
}

int CThumbnailView::OnCreate(CREATESTRUCT* cs) {
  if (CScrollView::OnCreate(cs) == -1) return -1;
  if (!tooltip.Create(this)) return -1;
  EnableToolTips(TRUE);
  return 0;
}

void CThumbnailView::OnDestroy() {
  KillTimer(kTipTimer);
  if (source) source->SetNotifyWindow(nullptr);
  CScrollView::OnDestroy();
}

void CThumbnailView::OnSetFocus(CWnd* old) {
  CScrollView::OnSetFocus(old);
  RedrawItem(current);
}

void CThumbnailView::OnKillFocus(CWnd* next) {
  CScrollView::OnKillFocus(next);
  RedrawItem(current);
}

LRESULT CThumbnailView::OnItemLoaded(WPARAM index, LPARAM relayout) {
  if (relayout) {
    Layout();
    Invalidate();
  }
  RedrawItem(static_cast<int>(index));
  return 0;
}

bool CThumbnailView::TipMayShow() {
  if (!source || !source->ToolTipsEnabled() || dragging) return false;
  POINT cursor{};
  GetCursorPos(&cursor);
  HWND under = ::WindowFromPoint(cursor);
  return under == m_hWnd || under == tooltip.m_hWnd;
}

void CThumbnailView::HideTip() {
  KillTimer(kTipTimer);
  tooltip.Hide();
  hoverItem = lastTipItem = -1;
  tipTicks = 0;
}

void CThumbnailView::RefreshHover() {
  if (!m_hWnd) return;
  POINT cursor{};
  GetCursorPos(&cursor);
  ScreenToClient(&cursor);
  const int hovered = HitTest(cursor);
  const bool mayShow = TipMayShow();
  if (hovered >= 0 && mayShow && hovered == hoverItem) return;
  HideTip();
  if (hovered >= 0 && mayShow) {
    hoverItem = hovered;
    SetTimer(kTipTimer, 800);
  }
}

void CThumbnailView::OnMouseMove(UINT flags, CPoint point) {
  CScrollView::OnMouseMove(flags, point);
  RefreshHover();
}

void CThumbnailView::OnTimer(UINT_PTR id) {
  if (id != kTipTimer) {
    CScrollView::OnTimer(id);
    return;
  }
  if (tooltip.IsWindowVisible()) {
    tipTicks += 100;
    if (!TipMayShow() || tipTicks >= 10000) {
      KillTimer(kTipTimer);
      tooltip.Hide();
    }
    return;
  }
  if (hoverItem < 0 || !source) return;
  POINT cursor{};
  GetCursorPos(&cursor);
  POINT client = cursor;
  ScreenToClient(&client);
  if (::WindowFromPoint(cursor) != m_hWnd || HitTest(client) != hoverItem || hoverItem == lastTipItem) return;
  const CString text = source->GetToolTipText(hoverItem);
  if (text.IsEmpty()) return;
  tipTicks = 0;
  tooltip.SetTip(cursor.x, cursor.y, text);
  tooltip.Show();
  lastTipItem = hoverItem;
  SetTimer(kTipTimer, 700);
}

int CThumbnailView::DropIndex(POINT point) {
  CRect client;
  GetClientRect(&client);
  if (!source || !client.PtInRect(point) || itemSize.cx <= 0) return -1;
  const CPoint scroll = GetScrollPosition();
  const int columns = GetColumns(), count = source->GetCount();
  const int x = point.x + scroll.x, y = point.y + scroll.y;
  const int row = y / itemSize.cy;
  const int column = std::min(columns - 1, x / static_cast<int>(itemSize.cx));
  int index = row * columns + column;
  // Beyond the last cell of a row or of the list: after that cell.
  if (x >= columns * itemSize.cx || index >= count) return std::min(count, (row + 1) * columns);
  if (x - column * itemSize.cx >= itemSize.cx / 2) ++index;
  return std::min(index, count);
}

void CThumbnailView::DrawInsertMark(int index, bool show) {
  if (index < 0 || !source) return;
  const int columns = GetColumns();
  // The mark sits on the left edge of the cell at index, or the right edge of the one before.
  const bool atRowEnd = index > 0 && (index % columns == 0 || index == source->GetCount());
  CRect cell = GetItemRect(atRowEnd ? index - 1 : index);
  cell.OffsetRect(-GetScrollPosition());
  const int x = atRowEnd ? cell.right - 1 : cell.left;
  if (!show) {
    CRect around(x - 4, cell.top, x + 5, cell.bottom);
    InvalidateRect(&around, TRUE);
    UpdateWindow();
    return;
  }
  CClientDC dc(this);
  HBRUSH brush = CreateSolidBrush(kInsertMarkColour);
  const RECT line{x - 1, cell.top, x + 1, cell.bottom};
  const RECT bars[] = {{x - 3, cell.top, x + 4, cell.top + 1},
                       {x - 2, cell.top + 1, x + 3, cell.top + 2},
                       {x - 2, cell.bottom - 2, x + 3, cell.bottom - 1},
                       {x - 3, cell.bottom - 1, x + 4, cell.bottom}};
  ::FillRect(dc.m_hDC, &line, brush);
  for (const RECT& bar : bars) ::FillRect(dc.m_hDC, &bar, brush);
  DeleteObject(brush);
}

bool CThumbnailView::DragLoop(CPoint start, int* dropIndex) {
  HCURSOR dragCursor = dragCursorId ? LoadCursor(AfxGetResourceHandle(), MAKEINTRESOURCE(dragCursorId))
                                    : nullptr;
  HCURSOR noDropCursor = noDropCursorId ? LoadCursor(AfxGetResourceHandle(), MAKEINTRESOURCE(noDropCursorId))
                                        : nullptr;
  SetCapture();
  int mark = -1;
  bool dropped = false;
  MSG msg{};
  while (::GetCapture() == m_hWnd && GetMessage(&msg, nullptr, 0, 0)) {
    if (msg.message == WM_LBUTTONUP) {
      dropped = dragging;
      break;
    }
    if (msg.message == WM_KEYDOWN) {
      if (msg.wParam == VK_ESCAPE) break;
      continue;
    }
    if (msg.message != WM_MOUSEMOVE || msg.hwnd != m_hWnd) {
      DispatchMessage(&msg);
      continue;
    }
    const CPoint point(GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam));
    if (!dragging && std::abs(point.x - start.x) <= kDragThreshold &&
        std::abs(point.y - start.y) <= kDragThreshold)
      continue;
    dragging = true;
    CRect client;
    GetClientRect(&client);
    if (point.y < 0) OnScrollBy(CSize(0, point.y / 3));
    if (point.y > client.bottom) OnScrollBy(CSize(0, (point.y - client.bottom) / 3));
    const int target = DropIndex(point);
    if (HCURSOR cursor = target >= 0 ? dragCursor : noDropCursor) SetCursor(cursor);
    if (target != mark) {
      DrawInsertMark(mark, false);
      mark = target;
      DrawInsertMark(mark, true);
    }
  }
  if (::GetCapture() == m_hWnd) ReleaseCapture();
  dragging = false;
  DrawInsertMark(mark, false);
  *dropIndex = mark;
  return dropped && mark >= 0;
}

void CThumbnailView::OnLButtonDown(UINT flags, CPoint point) {
  SetFocus();
  const int index = HitTest(point);
  if (index < 0) return;
  const int previousAnchor = anchor, previous = current;
  const bool ctrl = (flags & MK_CONTROL) != 0, shift = (flags & MK_SHIFT) != 0;
  bool handled = false;
  if (!ctrl) {
    if (!IsSelected(index)) {
      current = index;
      UpdateSelection(false, shift, false, previous);
      handled = true;
    }
    int drop = -1;
    if (source->CanReorder() && DragLoop(point, &drop)) {
      const auto firstSelected = selection.empty() ? -1 : *selection.begin();
      if (drop != firstSelected) {
        MoveSelectedItems(drop);
        NotifyParent(TVM_SELCHANGE);
        return;
      }
    }
  }
  if (!handled) {
    const int before = current;
    current = index;
    UpdateSelection(ctrl, shift, false, before);
  }
  if (index != previousAnchor) NotifyParent(TVM_SELCHANGE);
}

void CThumbnailView::OnLButtonDblClk(UINT, CPoint point) {
  const int index = HitTest(point);
  if (index < 0 || !source) return;
  source->OpenItem(index);
  NotifyParent(TVM_SELDBLCLK);
}

void CThumbnailView::OnKeyDown(UINT key, UINT repeat, UINT flags) {
  if (!source) {
    CScrollView::OnKeyDown(key, repeat, flags);
    return;
  }
  const bool ctrl = GetKeyState(VK_CONTROL) < 0, shift = GetKeyState(VK_SHIFT) < 0;
  const int count = source->GetCount(), previous = current;
  int moved = current;
  switch (key) {
    case VK_TAB:
      if (CWnd* parent = GetParent(); parent && parent->IsKindOf(RUNTIME_CLASS(CDialog)))
        if (HWND next = GetNextDlgTabItem(parent->m_hWnd, m_hWnd, shift)) ::SetFocus(next);
      return;
    case VK_ESCAPE:
      if (CWnd* parent = GetParent()) parent->SendMessage(WM_KEYDOWN, key, 0);
      return;
    case VK_SPACE:
      if (current >= 0) UpdateSelection(true, false, false, previous);
      return;
    case VK_PRIOR:
      moved -= VisibleCount();
      break;
    case VK_NEXT:
      moved += VisibleCount();
      break;
    case VK_END:
      moved = count - 1;
      break;
    case VK_HOME:
      moved = 0;
      break;
    case VK_LEFT:
      --moved;
      break;
    case VK_RIGHT:
      ++moved;
      break;
    case VK_UP:
      moved -= GetColumns();
      break;
    case VK_DOWN:
      moved += GetColumns();
      break;
    case VK_DELETE:
      if (!selection.empty() && source->CanReorder()) {
        MoveSelectedItems(-1);
        if (current >= source->GetCount()) current = source->GetCount() - 1;
        ScrollToCurrentItem();
        anchor = current > 0 ? current - 1 : current;
        if (current >= 0) UpdateSelection(false, false, true, previous);
        NotifyParent(TVM_SELCHANGE);
      }
      return;
    case 'A':
      if (ctrl && multiSelect) {
        for (int i = 0; i < count; ++i) selection.insert(i);
        Invalidate();
        UpdateWindow();
        return;
      }
      [[fallthrough]];
    default:
      CScrollView::OnKeyDown(key, repeat, flags);
      return;
  }
  if (count == 0) return;
  moved = std::clamp(moved, 0, count - 1);
  if (moved == current) return;
  current = moved;
  ScrollToCurrentItem();
  if (!shift) anchor = previous;
  UpdateSelection(ctrl, shift, true, previous);
  NotifyParent(TVM_SELCHANGE);
}

BOOL CThumbnailView::OnMouseWheel(UINT flags, short delta, CPoint point) {
  const bool scrollable = (GetStyle() & WS_VSCROLL) != 0;
  if (!scrollable || delta == 0) return CScrollView::OnMouseWheel(flags, delta, point);
  const int total = std::abs(static_cast<int>(delta));
  int step = itemSize.cy <= 100 ? 1 : itemSize.cy <= 200 ? 3 : 5;
  const DWORD started = GetTickCount();
  for (int done = 0; done < total;) {
    const int amount = std::min(step, total - done);
    if (!OnScrollBy(CSize(0, delta > 0 ? -amount : amount))) break;
    UpdateWindow();
    done += amount;
    MSG pending{};
    if (PeekMessage(&pending, nullptr, WM_LBUTTONDOWN, WM_MBUTTONDBLCLK, PM_NOREMOVE) ||
        PeekMessage(&pending, nullptr, WM_KEYDOWN, WM_KEYUP, PM_NOREMOVE))
      break;
    if (PeekMessage(&pending, m_hWnd, WM_MOUSEWHEEL, WM_MOUSEWHEEL, PM_NOREMOVE) &&
        (static_cast<short>(HIWORD(pending.wParam)) > 0) != (delta > 0))
      break;
    const DWORD elapsed = GetTickCount() - started;
    if (elapsed >= 31 && static_cast<double>(elapsed) * total / done > 1000) ++step;
  }
  return TRUE;
}

void CThumbnailView::OnContextMenu(CWnd*, CPoint point) {
  if (!contextMenu) return;
  CPoint client = point;
  ScreenToClient(&client);
  const int index = HitTest(client);
  if (index >= 0 && !IsSelected(index)) {
    const int previous = current, previousAnchor = anchor;
    current = index;
    UpdateSelection(false, false, false, previous);
    if (index != previousAnchor) NotifyParent(TVM_SELCHANGE);
  }
  if (CMenu* popup = contextMenu->GetSubMenu(0))
    popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x, point.y, GetParent());
}
