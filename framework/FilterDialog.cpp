#include "framework/FilterDialog.h"

namespace framework {

BEGIN_MESSAGE_MAP(FilterDialog, CDialog)
  ON_WM_SIZE()
END_MESSAGE_MAP()

namespace {

bool IsKey(const MSG& msg) {
  return msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN || msg.message == WM_CHAR;
}

// An edit field: the keys typed into it are its own, "-" a minus rather than a zoom out.
bool TakesText(HWND window) {
  return window && (::SendMessage(window, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0;
}

}  // namespace

CString ZoomPercentText(double zoom) {
  CString text;
  text.Format("%d%%", static_cast<int>(zoom * 100));
  return text;
}

FilterDialog::FilterDialog(UINT templateId, UINT titleId, UINT acceleratorId, UINT toolBarId,
                           const CRuntimeClass* viewClass, CWnd* parent)
    : CDialog(templateId, parent),
      viewClass_(viewClass),
      titleId_(titleId),
      acceleratorId_(acceleratorId),
      toolBarId_(toolBarId) {}

FilterDialog::~FilterDialog() {
  if (accelerators_) DestroyAcceleratorTable(accelerators_);
  if (smallIcon_) DestroyIcon(smallIcon_);
}

bool FilterDialog::TakePlaceOf(int item, CRect* place) {
  CWnd* placeholder = GetDlgItem(item);
  if (!placeholder) return false;
  placeholder->GetWindowRect(place);
  ScreenToClient(place);
  placeholder->DestroyWindow();
  return true;
}

BOOL FilterDialog::OnInitDialog() {
  const BOOL result = CDialog::OnInitDialog();
  const HINSTANCE module = AfxGetResourceHandle();
  if (titleId_) title_.LoadString(titleId_);
  if (acceleratorId_)
    accelerators_ = LoadAccelerators(module, MAKEINTRESOURCE(static_cast<WORD>(acceleratorId_)));
  smallIcon_ = static_cast<HICON>(
      LoadImage(module, MAKEINTRESOURCE(static_cast<WORD>(kIconId)), IMAGE_ICON, 16, 16, 0));
  SetIcon(smallIcon_, FALSE);
  SetIcon(LoadIcon(module, MAKEINTRESOURCE(static_cast<WORD>(kIconId))), TRUE);

  CRect place;
  if (viewClass_ && viewClass_->IsDerivedFrom(RUNTIME_CLASS(ZoomScrollView)) &&
      TakePlaceOf(kViewItem, &place)) {
    view_ = static_cast<ZoomScrollView*>(viewClass_->CreateObject());
    view_->SetImageProvider(hostImage_);
    view_->SetZoomListener(&zoomDisplay_);
    if (view_->Create(nullptr, "", WS_CHILD | WS_VISIBLE | WS_BORDER, place, this, kViewItem)) {
      CRect client;
      GetClientRect(&client);
      viewMargins_ = CRect(place.left, place.top, client.right - place.right, client.bottom - place.bottom);
      view_->OnInitialUpdate();
    } else {
      delete view_;
      view_ = nullptr;
    }
  }
  if (toolBarId_ && TakePlaceOf(kToolBarItem, &place) &&
      toolBar_.CreateEx(this, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_TOOLTIPS | CBRS_FLYBY) &&
      toolBar_.LoadToolBar(toolBarId_)) {
    const CSize size = toolBar_.CalcFixedLayout(FALSE, TRUE);
    toolBar_.MoveWindow(place.left, place.top, size.cx, size.cy);
  }
  return result;
}

void FilterDialog::ShowZoom(double zoom) {
  CString caption;
  caption.Format("%s [%s]", static_cast<LPCSTR>(title_), static_cast<LPCSTR>(ZoomPercentText(zoom)));
  SetWindowText(caption);
}

void FilterDialog::OnSize(UINT type, int cx, int cy) {
  CDialog::OnSize(type, cx, cy);
  if (view_ && view_->m_hWnd)
    view_->MoveWindow(viewMargins_.left, viewMargins_.top, cx - viewMargins_.left - viewMargins_.right,
                      cy - viewMargins_.top - viewMargins_.bottom);
}

bool FilterDialog::TranslateAccelerators(MSG* msg) {
  if (!accelerators_ || !m_hWnd || (IsKey(*msg) && TakesText(msg->hwnd))) return false;
  return TranslateAccelerator(m_hWnd, accelerators_, msg);
}

BOOL FilterDialog::PreTranslateMessage(MSG* msg) {
  if (TranslateAccelerators(msg)) return TRUE;
  // The view follows the Ctrl key (its zoom cursor) and the wheel while the pointer is over it.
  const bool ctrlKey = (msg->message == WM_KEYDOWN || msg->message == WM_KEYUP) && msg->wParam == VK_CONTROL;
  if (view_ && view_->m_hWnd && msg->hwnd != view_->m_hWnd && (ctrlKey || msg->message == WM_MOUSEWHEEL)) {
    POINT cursor;
    GetCursorPos(&cursor);
    CRect viewRect;
    view_->GetWindowRect(&viewRect);
    if (viewRect.PtInRect(cursor)) {
      view_->SendMessage(msg->message, msg->wParam, msg->lParam);
      return TRUE;
    }
  }
  return CDialog::PreTranslateMessage(msg);
}

BOOL FilterDialog::OnCmdMsg(UINT id, int code, void* extra, AFX_CMDHANDLERINFO* handlerInfo) {
  if (view_ && view_->m_hWnd && view_->OnCmdMsg(id, code, extra, handlerInfo)) return TRUE;
  return CDialog::OnCmdMsg(id, code, extra, handlerInfo);
}

}  // namespace framework
