#include "framework/ZoomScrollView.h"

#include <algorithm>
#include <cmath>

#include "framework/detail/ScaledImage.h"

namespace framework {

// Registered under the name the filter's templates and callers know the view by.
CObject* ZoomScrollView::CreateObject() { return new ZoomScrollView; }
const CRuntimeClass ZoomScrollView::classZoomScrollView = {
    "CImageView", sizeof(ZoomScrollView), 0xFFFF, &ZoomScrollView::CreateObject, &CScrollView::GetThisClass};
static const AFX_CLASSINIT initZoomScrollView(&ZoomScrollView::classZoomScrollView);
const CRuntimeClass* ZoomScrollView::GetThisClass() { return &classZoomScrollView; }
const CRuntimeClass* ZoomScrollView::GetRuntimeClass() const { return &classZoomScrollView; }

namespace {

constexpr int kCheckerCell = 10;

bool HasPixels(corvel::CRowIteratorBands* image) {
  return corvel::CRowIteratorBands::IsValid(image) && image->Width() > 0 && image->Height() > 0;
}

}  // namespace

corvel::CRowIteratorBands* ZoomScrollView::GetImage() {
  if (!provider_) return nullptr;
  return showAlternative_ ? &provider_->GetAuxiliaryImage() : &provider_->GetSourceImage();
}

CRect ZoomScrollView::GetImageRect() {
  corvel::CRowIteratorBands* image = GetImage();
  return HasPixels(image) ? CRect(0, 0, image->Width(), image->Height()) : CRect(0, 0, 0, 0);
}

void ZoomScrollView::ZoomStep(bool out, POINT anchor) {
  // A zoom within a hair of a step counts as that step, so a fitted 2/3 steps on.
  constexpr double kSame = 1e-9;
  double step = zoom_;
  if (out) {
    for (double candidate : kZoomSteps)
      if (candidate < zoom_ - kSame) step = candidate;
  } else {
    for (auto it = std::rbegin(kZoomSteps); it != std::rend(kZoomSteps); ++it)
      if (*it > zoom_ + kSame) step = *it;
  }
  if (step != zoom_) SetZoom(step, anchor);
}

void ZoomScrollView::SetZoom(double zoom, POINT anchor) {
  const double oldZoom = zoom_;
  const CPoint oldOffset = CentringOffset();
  const CPoint oldScroll = GetScrollPosition();
  // Not a number fails every comparison, and goes to the minimum too.
  zoom_ = zoom >= kZoomSteps[0] ? zoom : kZoomSteps[0];

  corvel::CRowIteratorBands* image = GetImage();
  const bool shown = HasPixels(image);
  const CSize total = shown ? CSize(static_cast<LONG>(std::lround(image->Width() * zoom_)),
                                    static_cast<LONG>(std::lround(image->Height() * zoom_)))
                            : CSize(0, 0);
  SetScrollSizes(MM_TEXT, total);

  if (anchor.x != kNoAnchor.x || anchor.y != kNoAnchor.y) {
    const corvel::Point2D atImage((anchor.x - oldOffset.x + oldScroll.x) / oldZoom,
                                  (anchor.y - oldOffset.y + oldScroll.y) / oldZoom);
    const corvel::Point2D moved = ImageToClient(atImage);
    const CPoint newOffset = CentringOffset();
    CRect client;
    GetClientRect(&client);
    auto position = [](LONG scroll, double displacement, LONG centringChange, LONG size, LONG room) {
      if (size <= room) return LONG{0};
      return std::max<LONG>(0, static_cast<LONG>(scroll + displacement - centringChange / 2.0));
    };
    ScrollToPosition(CPoint(
        position(oldScroll.x, moved.x - anchor.x, newOffset.x - oldOffset.x, total.cx, client.Width()),
        position(oldScroll.y, moved.y - anchor.y, newOffset.y - oldOffset.y, total.cy, client.Height())));
  }
  Invalidate(TRUE);
  ZoomChanged();
  if (listener_) listener_->ShowZoom(zoom_);
}

double ZoomScrollView::FitZoom() {
  corvel::CRowIteratorBands* image = GetImage();
  CRect client;
  if (m_hWnd) GetClientRect(&client);
  if (!HasPixels(image) || client.Width() <= 0 || client.Height() <= 0) return 1.0;
  const double imageRatio = static_cast<double>(image->Width()) / image->Height();
  const double clientRatio = static_cast<double>(client.Width()) / client.Height();
  return imageRatio >= clientRatio ? static_cast<double>(client.Width()) / image->Width()
                                   : static_cast<double>(client.Height()) / image->Height();
}

CPoint ZoomScrollView::CentringOffset() {
  corvel::CRowIteratorBands* image = GetImage();
  if (!centred_ || !m_hWnd) return CPoint(0, 0);
  const int width = HasPixels(image) ? image->Width() : 0, height = HasPixels(image) ? image->Height() : 0;
  CRect client;
  GetClientRect(&client);
  const auto offset = [this](LONG room, int size) {
    const LONG free = room - static_cast<LONG>(std::ceil(size * zoom_));
    return free > 0 ? free / 2 : 0;
  };
  return CPoint(offset(client.Width(), width), offset(client.Height(), height));
}

corvel::Point2D ZoomScrollView::ClientToImage(const corvel::Point2D& point) {
  const CPoint offset = CentringOffset(), scroll = GetScrollPosition();
  return corvel::Point2D((point.x - offset.x + scroll.x) / zoom_, (point.y - offset.y + scroll.y) / zoom_);
}

corvel::Point2D ZoomScrollView::ImageToClient(const corvel::Point2D& point) {
  const CPoint offset = CentringOffset(), scroll = GetScrollPosition();
  return corvel::Point2D(point.x * zoom_ - scroll.x + offset.x, point.y * zoom_ - scroll.y + offset.y);
}

CPoint ZoomScrollView::ClientToImage(POINT point) {
  const CPoint offset = CentringOffset(), scroll = GetScrollPosition();
  const double scale = 1.0 / zoom_;
  return CPoint(static_cast<LONG>((point.x - offset.x + scroll.x) * scale),
                static_cast<LONG>((point.y - offset.y + scroll.y) * scale));
}

CPoint ZoomScrollView::ImageToClient(POINT point) {
  const CPoint offset = CentringOffset(), scroll = GetScrollPosition();
  return CPoint(static_cast<LONG>(point.x * zoom_) - scroll.x + offset.x,
                static_cast<LONG>(point.y * zoom_) - scroll.y + offset.y);
}

CRect ZoomScrollView::ClientToImageRect(const RECT& rect) {
  return CRect(ClientToImage(POINT{rect.left, rect.top}), ClientToImage(POINT{rect.right, rect.bottom}));
}

CRect ZoomScrollView::ImageToClientRect(const RECT& rect) {
  return CRect(ImageToClient(POINT{rect.left, rect.top}), ImageToClient(POINT{rect.right, rect.bottom}));
}

void ZoomScrollView::OnInitialUpdate() {
  CScrollView::OnInitialUpdate();
  corvel::CRowIteratorBands* image = GetImage();
  SetScrollSizes(MM_TEXT, HasPixels(image) ? CSize(image->Width(), image->Height()) : CSize(0, 0));
  if (listener_) listener_->ShowZoom(zoom_);
}

void ZoomScrollView::OnDraw(CDC* dc) {
  // Everything here is in client coordinates; the scroll position is applied by hand.
  dc->SetViewportOrg(0, 0);
  CRect client;
  GetClientRect(&client);
  if (client.IsRectEmpty()) return;
  CDC memory;
  CBitmap bitmap;
  if (!memory.CreateCompatibleDC(dc) || !bitmap.CreateCompatibleBitmap(dc, client.Width(), client.Height()))
    return;
  CBitmap* old = memory.SelectObject(&bitmap);
  memory.FillSolidRect(&client, GetSysColor(COLOR_APPWORKSPACE));

  corvel::CRowIteratorBands* image = GetImage();
  if (HasPixels(image)) {
    const CPoint offset = CentringOffset(), scroll = GetScrollPosition();
    const CPoint origin(offset.x - scroll.x, offset.y - scroll.y);
    const CRect scaledRect(origin, CSize(static_cast<LONG>(std::ceil(image->Width() * zoom_)),
                                         static_cast<LONG>(std::ceil(image->Height() * zoom_))));
    CRect clip, shown;
    dc->GetClipBox(&clip);
    if (shown.IntersectRect(&scaledRect, &clip)) {
      CRect visible = shown;
      visible.OffsetRect(-origin.x, -origin.y);
      corvel::CRowIteratorBands scaled;
      if (detail::ScaleVisiblePart(*image, zoom_, visible, {kCheckerLight, kCheckerDark, kCheckerCell},
                                   scaled))
        scaled.DrawCopy(memory.m_hDC, shown.left, shown.top).GetCode();  // else the background shows
    }
  }
  DrawOverlay(&memory);
  dc->BitBlt(0, 0, client.Width(), client.Height(), &memory, 0, 0, SRCCOPY);
  memory.SelectObject(old);
}

}  // namespace framework
