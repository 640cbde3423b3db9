#include "shapes/ToolView.h"

#include <algorithm>
#include <cmath>

#include "resources/ResourceIds.h"
#include "shapes/TargetShapeFactory.h"
#include "shapes/UiContext.h"

namespace shapes {

IMPLEMENT_DYNCREATE(CToolView, PreviewView)

BEGIN_MESSAGE_MAP(CToolView, PreviewView)
  ON_COMMAND(CToolView::kZoomIn, OnZoomIn)
  ON_COMMAND(CToolView::kZoomOut, OnZoomOut)
  ON_COMMAND_RANGE(CToolView::kZoomTool, CToolView::kLastTool, OnTool)
  ON_UPDATE_COMMAND_UI_RANGE(CToolView::kZoomTool, CToolView::kLastTool, OnUpdateTool)
  ON_WM_LBUTTONDOWN()
  ON_WM_LBUTTONUP()
  ON_WM_LBUTTONDBLCLK()
  ON_WM_RBUTTONDOWN()
  ON_WM_RBUTTONUP()
  ON_WM_MOUSEWHEEL()
  ON_WM_KEYDOWN()
  ON_WM_SETCURSOR()
END_MESSAGE_MAP()

namespace {

HCURSOR ModuleCursor(int id) {
  return ::LoadCursor(AfxGetResourceHandle(), MAKEINTRESOURCE(static_cast<WORD>(id)));
}

const char* StatusHint(UINT tool) {
  switch (tool) {
    case CToolView::kZoomTool:
      return "Click to zoom in. Right-click to zoom out.  Use mouse wheel to zoom.";
    case CToolView::kPanTool:
      return "Click and drag to scroll image in desired direction.";
    case CToolView::kShapeTool:
      return "Drag a target shape to match object, then click Apply. Use Shift-click to reset shape.";
    default:
      return " ";
  }
}

}  // namespace

CToolView::CToolView()
    : zoomCursor(ModuleCursor(resources::kZoomCursor)), panCursor(ModuleCursor(resources::kPanCursor)) {}

CToolView::~CToolView() {
  RemoveAllOverlays();
  currentShape = nullptr;
}

bool CToolView::CreateTargetShape(Point2D centre) {
  std::unique_ptr<TargetShape> shape = shapes::CreateTargetShape(this, centre);
  RemoveAllOverlays();
  // The replaced shape must not stay current once it is freed.
  currentShape = nullptr;
  if (shape) AddOverlay(shape.get());
  shape_ = std::move(shape);
  UpdateHitTolerance();
  return true;
}

void CToolView::OnInitialUpdate() {
  CreateTargetShape(kKeepCentre);
  ZoomScrollView::OnInitialUpdate();
}

// The handles stay their size in window pixels; only their reach in the image follows the zoom.
void CToolView::OnZoomIn() { ZoomStep(false, kNoAnchor); }
void CToolView::OnZoomOut() { ZoomStep(true, kNoAnchor); }

void CToolView::OnTool(UINT id) {
  currentTool = id;
  CDialog* dialog = GetUiContext()->dialog;
  if (dialog && dialog->GetSafeHwnd()) dialog->SetDlgItemText(kStatusItem, StatusHint(id));
}

void CToolView::OnUpdateTool(CCmdUI* ui) { ui->SetCheck(ui->m_nID == currentTool ? 1 : 0); }

void CToolView::UpdateHitTolerance() {
  if (!shape_) return;
  const int base = shape_->GetBaseHandleSize();
  // At a high zoom the handles would shrink below an image pixel and no longer catch the mouse.
  shape_->SetHitTolerance(std::max(1, ClientToImageRect(CRect(0, 0, base, base)).Width()));
}

void CToolView::ZoomChanged() { UpdateHitTolerance(); }

void CToolView::OnLButtonDown(UINT flags, CPoint at) {
  // Out of an edit field, whose keys would else still be the field's rather than the zoom's.
  SetFocus();
  if (currentTool == kZoomTool) {
    ZoomStep(false, at);
  } else if (currentTool == kPanTool) {
    PanLoop(at);
  } else {
    PressShape(flags, at, false);
    if (SettingsPanelLink* panel = GetUiContext()->panel) panel->ShowOriginal();
  }
  Default();
}

void CToolView::OnLButtonUp(UINT flags, CPoint at) { ReleaseShape(flags, at, false); }

void CToolView::PressShape(UINT flags, CPoint at, bool right) {
  if (shape_) shape_->RememberDragStart();
  if (right)
    PreviewView::OnRButtonDown(flags, at);
  else if (currentShape)
    currentShape->OnLButtonDown(flags, at);
  if (shape_ && shape_->IsDragging()) SetCapture();
}

void CToolView::ReleaseShape(UINT flags, CPoint at, bool right) {
  if (right)
    PreviewView::OnRButtonUp(flags, at);
  else
    PreviewView::OnLButtonUp(flags, at);
  if (::GetCapture() == m_hWnd && !(shape_ && shape_->IsDragging())) ReleaseCapture();
}

void CToolView::OnKeyDown(UINT key, UINT, UINT) {
  if (key != VK_ESCAPE || !shape_ || !shape_->IsDragging()) {
    Default();
    return;
  }
  // The mouse stays held until the button comes up, which would else click whatever lies beneath.
  shape_->CancelDrag();
}

void CToolView::OnLButtonDblClk(UINT, CPoint) {
  if (currentTool == kShapeTool)
    if (SettingsPanelLink* panel = GetUiContext()->panel) panel->OnApply();
  Default();
}

void CToolView::OnRButtonDown(UINT flags, CPoint at) {
  SetFocus();
  if (currentTool == kZoomTool) ZoomStep(true, at);
  PressShape(flags, at, true);
}

void CToolView::OnRButtonUp(UINT flags, CPoint at) { ReleaseShape(flags, at, true); }

BOOL CToolView::OnMouseWheel(UINT, short delta, CPoint screenPoint) {
  CPoint at = screenPoint;
  ScreenToClient(&at);
  ZoomStep(delta < 0, at);
  return 0;
}

BOOL CToolView::OnSetCursor(CWnd* window, UINT hitTest, UINT message) {
  if (hitTest == HTCLIENT && (currentTool == kZoomTool || currentTool == kPanTool)) {
    ::SetCursor(currentTool == kZoomTool ? zoomCursor : panCursor);
    return TRUE;
  }
  return PreviewView::OnSetCursor(window, hitTest, message);
}

void CToolView::PanLoop(CPoint pressed) {
  corvel::CRowIteratorBands* image = GetImage();
  if (!image) return;
  const double zoom = GetZoom();
  CRect client;
  GetClientRect(&client);
  const CSize total(static_cast<LONG>(std::lround(image->Width() * zoom)),
                    static_cast<LONG>(std::lround(image->Height() * zoom)));
  const CPoint maximum(std::max<LONG>(0, total.cx - client.Width()),
                       std::max<LONG>(0, total.cy - client.Height()));
  CPoint last = pressed;
  const CPoint start = GetScrollPosition();
  SetCapture();
  bool calledOff = false;
  MSG message;
  while (::GetCapture() == m_hWnd && ::GetMessage(&message, nullptr, 0, 0)) {
    if (message.message == WM_MOUSEMOVE) {
      if (calledOff) continue;
      const CPoint p(static_cast<short>(LOWORD(message.lParam)), static_cast<short>(HIWORD(message.lParam)));
      const CPoint position = GetScrollPosition();
      ScrollToPosition(CPoint(std::clamp<LONG>(position.x - (p.x - last.x), 0, maximum.x),
                              std::clamp<LONG>(position.y - (p.y - last.y), 0, maximum.y)));
      last = p;
    } else if (message.message == WM_LBUTTONUP) {
      break;
    } else if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
      // Held on to until the button comes up, as a shape's drag called off is.
      ScrollToPosition(start);
      calledOff = true;
    } else {
      ::DispatchMessage(&message);
    }
  }
  ReleaseCapture();
}

}  // namespace shapes
