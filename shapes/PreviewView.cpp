#include "shapes/PreviewView.h"

#include "platform/gdi/GdiPlus.h"

namespace shapes {

BEGIN_MESSAGE_MAP(PreviewView, framework::ZoomScrollView)
  ON_WM_LBUTTONDOWN()
  ON_WM_LBUTTONUP()
  ON_WM_RBUTTONDOWN()
  ON_WM_RBUTTONUP()
  ON_WM_MOUSEMOVE()
  ON_WM_SETCURSOR()
END_MESSAGE_MAP()

PreviewView::PreviewView() {
  // A failed start only leaves the overlays undrawn; the image still paints.
  const GdiplusStartupInput input;
  GdiplusStartup(&gdiplusToken, &input, nullptr);
}

PreviewView::~PreviewView() {
  currentShape = nullptr;
  overlays.clear();
  GdiplusShutdown(gdiplusToken);
}

void PreviewView::AddOverlay(ShapeHandle* shape) {
  overlays.push_back(shape);
  if (overlays.size() == 1) currentShape = shape;
  if (GetSafeHwnd()) Invalidate(TRUE);
}

BOOL PreviewView::RemoveAllOverlays(int) {
  overlays.clear();
  overlays.shrink_to_fit();
  return TRUE;
}

void PreviewView::DrawOverlay(CDC* dc) {
  if (currentShape && !GetImageRect().IsRectEmpty()) currentShape->Show(dc);
}

void PreviewView::OnLButtonDown(UINT flags, CPoint at) {
  if (currentShape) currentShape->OnLButtonDown(flags, at);
  Default();
}

void PreviewView::OnLButtonUp(UINT flags, CPoint at) {
  if (currentShape) currentShape->OnLButtonUp(flags, at);
  Default();
}

void PreviewView::OnRButtonDown(UINT flags, CPoint at) {
  if (currentShape) currentShape->OnRButtonDown(flags, at);
  Default();
}

void PreviewView::OnRButtonUp(UINT flags, CPoint at) {
  if (currentShape) currentShape->OnRButtonUp(flags, at);
  Default();
}

void PreviewView::OnMouseMove(UINT flags, CPoint at) {
  if (currentShape) currentShape->OnMouseMove(flags, at);
  Default();
}

BOOL PreviewView::OnSetCursor(CWnd* window, UINT hitTest, UINT message) {
  if (currentShape && currentShape->OnSetCursor(window, hitTest, message)) return TRUE;
  return static_cast<BOOL>(Default());
}

}  // namespace shapes
