#include "app/TileWindow.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <tuple>

#include "core/PixelFormat.h"
#include "resources/ParameterTable.h"
#include "rowops/ImageOperation.h"
#include "rowops/TransformOperation.h"
#include "shapes/UiContext.h"

namespace app {

using corvel::CRowIteratorBands;

BEGIN_MESSAGE_MAP(TileWindow, CDialog)
  ON_BN_CLICKED(kZoomOutItem, OnZoomOut)
  ON_BN_CLICKED(kZoomInItem, OnZoomIn)
  ON_BN_CLICKED(kShowOriginalsItem, OnShowOriginals)
  ON_WM_LBUTTONDOWN()
  ON_WM_MOUSEMOVE()
  ON_WM_LBUTTONUP()
  ON_WM_SETCURSOR()
  ON_WM_SIZE()
  ON_WM_MOVE()
  ON_WM_GETMINMAXINFO()
  ON_WM_ACTIVATE()
  ON_WM_CLOSE()
  ON_WM_PAINT()
  ON_NOTIFY_EX_RANGE(TTN_NEEDTEXTA, 0, 0xFFFF, OnToolTipText)
END_MESSAGE_MAP()

namespace {

constexpr int kPanCursor = 3011;
constexpr double kSmallestZoom = 0.01;
constexpr double kLargestZoom = 50;

framework::Parameter* Param(int id) {
  shapes::UiContext* context = shapes::GetUiContext();
  return context->command ? context->command->GetParameters().GetParameter(id) : nullptr;
}

float GetFloat(int id, float fallback) {
  if (framework::Parameter* p = Param(id)) p->GetFloat(&fallback);
  return fallback;
}

void SetFloat(int id, float value) {
  if (framework::Parameter* p = Param(id)) p->SetFloat(value);
}

int Wrap(int value, int size) {
  const int rest = value % size;
  return rest < 0 ? rest + size : rest;
}

CPoint WrapPoint(CPoint point, CSize size) { return CPoint(Wrap(point.x, size.cx), Wrap(point.y, size.cy)); }

CSize SizeOf(const CRowIteratorBands& image) { return CSize(image.Width(), image.Height()); }

// One axis of the piece: [0, origin) shows the tile's far end, [origin, extent) its start.
struct Span {
  int destination, length;
  double source;  // in scaled source pixels
};

int Scale(CRowIteratorBands& destination, CRowIteratorBands& source, const RECT& to,
          const corvel::RectD* from) {
  corvel::TransformOperation transform(corvel::keTransformNearest, &to, from, 0);
  return transform.Run(destination, &source).GetCode();
}

// Transparent parts show as white, as on paper.
void FlattenOverWhite(CRowIteratorBands& image) {
  for (int y = 0; y < image.Height(); ++y) {
    BYTE* pixel = image.LockRowPointer(y, 0, -1);
    for (int x = 0; x < image.Width(); ++x, pixel += 4) {
      const int alpha = pixel[3];
      if (alpha == 255) continue;
      for (int c = 0; c < 3; ++c) {
        const double a = alpha / 255.0;
        pixel[c] = static_cast<BYTE>(alpha == 0 ? 255 : pixel[c] * a + (1 - a) * 255);
      }
      pixel[3] = 255;
    }
    image.UnlockRow(y);
  }
}

}  // namespace

TileWindow::TileWindow(CWnd* parentObject) : parentObject_(parentObject) { m_nIDTemplate = kTemplate; }

void TileWindow::DoDataExchange(CDataExchange* dx) { DDX_Check(dx, kShowOriginalsItem, showOriginals_); }

BOOL TileWindow::OnInitDialog() {
  CDialog::OnInitDialog();
  CRect client;
  GetClientRect(&client);
  clientSize_ = CSize(client.Width(), client.Height());
  CRect minus, plus;
  GetDlgItem(kZoomOutItem)->GetWindowRect(&minus);
  GetDlgItem(kZoomInItem)->GetWindowRect(&plus);
  zoomGroupHalfWidth_ = (plus.right - minus.left) >> 1;
  CRect window;
  GetWindowRect(&window);
  minTrackSize_ = CSize(window.Width(), window.Height());
  GetDlgItem(kViewItem)->GetWindowRect(&viewArea_);
  ScreenToClient(&viewArea_);
  viewArea_.DeflateRect(2, 2);
  // The frame would paint its inside over the tiling; its outline is drawn with the view.
  GetDlgItem(kViewItem)->ShowWindow(SW_HIDE);
  EnableToolTips(TRUE);
  return TRUE;
}

void TileWindow::Open(CRowIteratorBands& originals) {
  // Without room for a copy the originals are not shown.
  if (originals_.CreateCopy(originals).GetCode() != corvel::keErrorNone) originals_.Destroy();
  const float top = GetFloat(resources::kPreviewPlacmentTop, 0);
  const float left = GetFloat(resources::kPreviewPlacmentLeft, 0);
  const float bottom = GetFloat(resources::kPreviewPlacmentBottom, 0);
  const float right = GetFloat(resources::kPreviewPlacmentRight, 0);
  zoom_.value = GetFloat(resources::kZoomValue, 1);
  const CSize view(viewArea_.Width(), viewArea_.Height());
  if (!ZoomAllowed(SizeOf(originals_), zoom_.value, true) || !ZoomAllowed(view, zoom_.value, false))
    zoom_.value = 1.0;
  const CRect placement(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right),
                        static_cast<int>(bottom));
  if (!placement.IsRectEmpty()) {
    // Never below the size it opened at, where the controls would overlap.
    SetWindowPos(nullptr, placement.left, placement.top, std::max<int>(placement.Width(), minTrackSize_.cx),
                 std::max<int>(placement.Height(), minTrackSize_.cy), SWP_NOZORDER);
  }
  KeepOffTheDialog();
  int shown = 0;
  if (framework::Parameter* p = Param(resources::kShowOriginal)) p->GetInt(&shown);
  showOriginals_ = shown;
  UpdateData(FALSE);
  UpdateZoomControls();
  initialised_ = true;
}

// The window is there to be compared with the dialog's view, so it never covers the dialog; a
// stored place from a larger screen is brought back onto this one.
void TileWindow::KeepOffTheDialog() {
  CRect window, dialog;
  GetWindowRect(&window);
  CDialog* plugin = shapes::GetUiContext()->dialog;
  if (plugin && plugin->m_hWnd) plugin->GetWindowRect(&dialog);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!::GetMonitorInfo(::MonitorFromRect(&window, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const CRect placed = PlaceBeside(window, dialog, CRect(monitor.rcWork));
  if (placed != window) SetWindowPos(nullptr, placed.left, placed.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

CRect TileWindow::PlaceBeside(CRect window, const CRect& keepClear, const CRect& work) {
  const int width = window.Width(), height = window.Height();
  auto onWork = [&](int left, int top) {
    left = std::max<int>(work.left, std::min<int>(left, work.right - width));
    top = std::max<int>(work.top, std::min<int>(top, work.bottom - height));
    return CRect(left, top, left + width, top + height);
  };
  window = onWork(window.left, window.top);
  CRect overlap;
  if (!overlap.IntersectRect(&window, &keepClear)) return window;
  const CRect sides[] = {
      CRect(CPoint(keepClear.right, keepClear.top), window.Size()),
      CRect(CPoint(keepClear.left - width, keepClear.top), window.Size()),
      CRect(CPoint(keepClear.left, keepClear.bottom), window.Size()),
      CRect(CPoint(keepClear.left, keepClear.top - height), window.Size()),
  };
  for (const CRect& side : sides) {
    const CRect held = onWork(side.left, side.top);
    if (!overlap.IntersectRect(&held, &keepClear)) return held;
  }
  const bool right = work.right - keepClear.right >= keepClear.left - work.left;
  return onWork(right ? work.right - width : work.left, keepClear.top);
}

void TileWindow::SetTile(CRowIteratorBands& tile) {
  if (!CRowIteratorBands::IsValid(&tile) || tile_.CreateCopy(tile).GetCode() != corvel::keErrorNone)
    tile_.Destroy();
  const bool haveTile = CRowIteratorBands::IsValid(&tile_);
  if (!haveTile) showOriginals_ = TRUE;
  GetDlgItem(kShowOriginalsItem)->EnableWindow(haveTile);
  UpdateData(FALSE);
  EnableZoomButtons();
  Render(false);
}

bool TileWindow::ZoomAllowed(SIZE size, double zoom, bool multiply) {
  if (multiply) return size.cx * zoom > 5 && size.cy * zoom > 5;
  return size.cx / zoom > 5 && size.cy / zoom > 5;
}

CRowIteratorBands* TileWindow::ShownSource() {
  CRowIteratorBands* shown = showOriginals_ ? &originals_ : &tile_;
  return CRowIteratorBands::IsValid(shown) ? shown : nullptr;
}

void TileWindow::UpdateZoomControls() {
  char text[64];
  std::snprintf(text, sizeof text, "%s %%", shapes::FormatZoom(zoom_).c_str());
  SetDlgItemText(kZoomTextItem, text);
  EnableZoomButtons();
  SetFloat(resources::kZoomValue, static_cast<float>(zoom_.value));
  Render(true);
}

// Checked against what is shown, which may be a tile far smaller than the originals.
void TileWindow::EnableZoomButtons() {
  CRowIteratorBands* source = ShownSource();
  const CSize sourceSize = source ? SizeOf(*source) : SizeOf(originals_);
  shapes::ZoomFactor probe = zoom_;
  GetDlgItem(kZoomOutItem)
      ->EnableWindow(zoom_.value != kSmallestZoom &&
                     ZoomAllowed(sourceSize, probe.PreviousZoomLevel(false), true));
  const CSize view(viewArea_.Width(), viewArea_.Height());
  GetDlgItem(kZoomInItem)
      ->EnableWindow(zoom_.value != kLargestZoom && ZoomAllowed(view, probe.NextZoomLevel(false), false));
}

void TileWindow::SavePlacement() {
  if (!initialised_) return;
  CRect window;
  GetWindowRect(&window);
  SetFloat(resources::kPreviewPlacmentTop, static_cast<float>(window.top));
  SetFloat(resources::kPreviewPlacmentLeft, static_cast<float>(window.left));
  SetFloat(resources::kPreviewPlacmentBottom, static_cast<float>(window.bottom));
  SetFloat(resources::kPreviewPlacmentRight, static_cast<float>(window.right));
}

void TileWindow::RememberZoomAnchor() {
  CPoint anchor = scrollOffset_;
  if (!wholeTiles_) {
    anchor -= CSize(tileOrigin_);
    if (anchor.x < 0) anchor.x += scaledTileSize_.cx;
    if (anchor.y < 0) anchor.y += scaledTileSize_.cy;
  }
  zoomAnchor_ = corvel::Point2D(anchor.x / zoom_.value, anchor.y / zoom_.value);
}

void TileWindow::OnZoomOut() {
  RememberZoomAnchor();
  zoom_.PreviousZoomLevel(true);
  UpdateZoomControls();
}

void TileWindow::OnZoomIn() {
  RememberZoomAnchor();
  zoom_.NextZoomLevel(true);
  UpdateZoomControls();
}

void TileWindow::OnShowOriginals() {
  UpdateData(TRUE);
  if (framework::Parameter* p = Param(resources::kShowOriginal)) p->SetInt(showOriginals_ != 0);
  EnableZoomButtons();
  Render(false);
}

void TileWindow::Render(bool recentre) {
  CRowIteratorBands* source = ShownSource();
  if (!source) return;
  display_.Destroy();
  // At least one pixel: a small tile zoomed far out would otherwise have no size to wrap in.
  scaledTileSize_ = CSize(std::max(1, static_cast<int>(source->Width() * zoom_.value)),
                          std::max(1, static_cast<int>(source->Height() * zoom_.value)));
  const CSize twice(2 * viewArea_.Width(), 2 * viewArea_.Height());
  CSize piece;
  wholeTiles_ = true;
  for (auto [a, s, p, d] : {std::tie(twice.cx, scaledTileSize_.cx, piece.cx, displaySize_.cx),
                            std::tie(twice.cy, scaledTileSize_.cy, piece.cy, displaySize_.cy)}) {
    if (a < s) {
      wholeTiles_ = false;
      p = d = a;
    } else {
      p = s;
      d = (a / s + 1) * s;
    }
  }
  CRowIteratorBands pieceImage;
  if (pieceImage.Create(piece.cx, piece.cy, source->GetFormat()).GetCode() != corvel::keErrorNone) return;
  if (!FillPiece(pieceImage, *source, recentre)) return;
  const corvel::keFormat pieceFormat = pieceImage.GetFormat();
  const bool greyAlpha = pieceFormat == corvel::keFormatGreyA;
  const corvel::keFormat displayFormat = greyAlpha ? corvel::keFormatBGRA : pieceFormat;
  if (display_.Create(displaySize_.cx, displaySize_.cy, displayFormat).GetCode() != corvel::keErrorNone)
    return;
  int code = greyAlpha ? pieceImage.SetViewFormat(corvel::keFormatBGRA, corvel::keAccessRead).GetCode()
                       : corvel::keErrorNone;
  corvel::ScaleOperation repeat(1.0);
  if (code == corvel::keErrorNone) code = repeat.Run(display_, &pieceImage).GetCode();
  if (code != corvel::keErrorNone) {
    display_.Destroy();
    return;
  }
  if (display_.GetFormat() == corvel::keFormatBGRA) FlattenOverWhite(display_);
  Invalidate(FALSE);
}

bool TileWindow::FillPiece(CRowIteratorBands& piece, CRowIteratorBands& source, bool recentre) {
  const CPoint anchor(static_cast<int>(zoom_.value * zoomAnchor_.x + 0.5),
                      static_cast<int>(zoom_.value * zoomAnchor_.y + 0.5));
  if (wholeTiles_) {
    if (recentre) scrollOffset_ = anchor;
    return Scale(piece, source, RECT{0, 0, piece.Width(), piece.Height()}, nullptr) == corvel::keErrorNone;
  }
  const CPoint centre(viewArea_.Width() / 2, viewArea_.Height() / 2);
  if (recentre) {
    scrollOffset_ = centre;
    tileOrigin_ = centre - anchor;
  } else {
    tileOrigin_ += centre - scrollOffset_;
    scrollOffset_ = centre;
  }
  tileOrigin_ = WrapPoint(tileOrigin_, scaledTileSize_);
  auto spans = [](int origin, int scaled, int extent) {
    return std::array<Span, 2>{Span{0, std::min(origin, extent), double(scaled - origin)},
                               Span{origin, std::min(extent, origin + scaled) - origin, 0.0}};
  };
  const auto columns = spans(tileOrigin_.x, scaledTileSize_.cx, piece.Width());
  const auto rows = spans(tileOrigin_.y, scaledTileSize_.cy, piece.Height());
  // Whole scaled tiles map onto the whole source, so the quadrants meet without a step.
  const double toSourceX = double(source.Width()) / scaledTileSize_.cx;
  const double toSourceY = double(source.Height()) / scaledTileSize_.cy;
  for (const Span& row : rows) {
    for (const Span& column : columns) {
      if (row.length <= 0 || column.length <= 0) continue;
      const RECT to{column.destination, row.destination, column.destination + column.length,
                    row.destination + row.length};
      const corvel::RectD from{column.source * toSourceX, row.source * toSourceY,
                               std::min<double>(source.Width(), (column.source + column.length) * toSourceX),
                               std::min<double>(source.Height(), (row.source + row.length) * toSourceY)};
      if (Scale(piece, source, to, &from) != corvel::keErrorNone) return false;
    }
  }
  return true;
}

void TileWindow::OnLButtonDown(UINT, CPoint point) {
  if (viewArea_.PtInRect(point)) {
    SetCapture();
    dragging_ = true;
    dragLast_ = point;
  }
  Default();
}

void TileWindow::OnMouseMove(UINT, CPoint point) {
  if (dragging_) {
    scrollOffset_ += dragLast_ - point;
    dragLast_ = point;
    if (wholeTiles_) {
      scrollOffset_ = WrapPoint(scrollOffset_, scaledTileSize_);
      Invalidate(FALSE);
    } else if (scrollOffset_.x >= 0 && scrollOffset_.y >= 0 &&
               scrollOffset_.x + viewArea_.Width() <= displaySize_.cx &&
               scrollOffset_.y + viewArea_.Height() <= displaySize_.cy) {
      Invalidate(FALSE);
    } else {
      Render(false);
    }
  }
  Default();
}

void TileWindow::OnLButtonUp(UINT, CPoint) {
  if (dragging_) {
    ReleaseCapture();
    dragging_ = false;
  }
  Default();
}

BOOL TileWindow::OnSetCursor(CWnd*, UINT hitTest, UINT) {
  CPoint cursor;
  GetCursorPos(&cursor);
  ScreenToClient(&cursor);
  if (hitTest == HTCLIENT && viewArea_.PtInRect(cursor)) {
    ::SetCursor(::LoadCursor(AfxGetResourceHandle(), MAKEINTRESOURCE(kPanCursor)));
    return TRUE;
  }
  return static_cast<BOOL>(Default());
}

void TileWindow::OnSize(UINT type, int width, int height) {
  Default();
  if (type != SIZE_RESTORED || !GetDlgItem(kViewItem)) return;
  const int dx = width - clientSize_.cx, dy = height - clientSize_.cy;
  viewArea_.InflateRect(2, 2);
  viewArea_.right += dx;
  viewArea_.bottom += dy;
  InvalidateRect(&viewArea_, TRUE);
  viewArea_.DeflateRect(2, 2);
  auto moveBy = [this](int id, int mx, int my) {
    CWnd* item = GetDlgItem(id);
    CRect rect;
    item->GetWindowRect(&rect);
    ScreenToClient(&rect);
    item->SetWindowPos(nullptr, rect.left + mx, rect.top + my, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    return rect.left;
  };
  moveBy(kShowOriginalsItem, 0, dy);
  CRect minus;
  GetDlgItem(kZoomOutItem)->GetWindowRect(&minus);
  ScreenToClient(&minus);
  const int shift = width / 2 - zoomGroupHalfWidth_ - minus.left;
  for (int id : {kZoomOutItem, kZoomTextItem, kZoomInItem}) moveBy(id, shift, dy);
  clientSize_ = CSize(width, height);
  if (CRowIteratorBands::IsValid(&display_) &&
      (display_.Width() - scrollOffset_.x < width || display_.Height() - scrollOffset_.y < height)) {
    Render(false);
  } else {
    Invalidate();
  }
  SavePlacement();
}

void TileWindow::OnMove(int, int) {
  Default();
  SavePlacement();
}

void TileWindow::OnGetMinMaxInfo(MINMAXINFO* info) {
  if (minTrackSize_.cx && minTrackSize_.cy)
    info->ptMinTrackSize = CPoint(minTrackSize_);
  else
    Default();
}

void TileWindow::OnActivate(UINT state, CWnd* other, BOOL) {
  Default();
  if (state != WA_ACTIVE) return;
  CWnd* parent = GetParent();
  if (parent && parent != other) parent->SetFocus();
}

void TileWindow::OnClose() {
  if (parentObject_) parentObject_->SendMessage(kCloseRequest, 0, 0);
}

void TileWindow::OnPaint() {
  CPaintDC dc(this);
  CRect frame = viewArea_;
  frame.InflateRect(2, 2);
  ::FrameRect(dc.m_hDC, &frame, ::GetSysColorBrush(COLOR_WINDOWFRAME));
  if (!CRowIteratorBands::IsValid(&display_)) return;
  const RECT from{scrollOffset_.x, scrollOffset_.y, scrollOffset_.x + viewArea_.Width(),
                  scrollOffset_.y + viewArea_.Height()};
  display_.Draw(dc.m_hDC, viewArea_, from, SRCCOPY).GetCode();  // else the view stays blank
}

BOOL TileWindow::OnToolTipText(UINT, NMHDR* header, LRESULT* result) {
  auto* info = reinterpret_cast<NMTTDISPINFO*>(header);
  if (!(info->uFlags & TTF_IDISHWND)) return FALSE;
  info->szText[0] = '\0';
  info->lpszText = info->szText;
  *result = 0;
  return TRUE;
}

}  // namespace app
