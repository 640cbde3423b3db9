#include "framework/ImageControl.h"

namespace framework {

BEGIN_MESSAGE_MAP(ImageControl, CWnd)
  ON_WM_PAINT()
END_MESSAGE_MAP()

BOOL ImageControl::CreateOverItem(CWnd* parent, int itemId, DWORD extraStyle) {
  HWND item = parent ? ::GetDlgItem(*parent, itemId) : nullptr;
  if (!item) return FALSE;
  const auto style = static_cast<DWORD>(GetWindowLongPtr(item, GWL_STYLE));
  CRect rect;
  ::GetWindowRect(item, &rect);
  parent->ScreenToClient(&rect);
  ::DestroyWindow(item);
  // No background of its own: the parent's shows where the image does not reach.
  LPCSTR windowClass = AfxRegisterWndClass(CS_DBLCLKS);
  return CreateEx(0, windowClass, "", style | extraStyle | WS_CHILD, rect, parent, static_cast<UINT>(itemId));
}

corvel::CoreResult ImageControl::SetImage(corvel::CRowIteratorBands& image) {
  if (corvel::CRowIteratorBands::IsValid(&image)) {
    corvel::CoreResult shared = image_.Assign(image);
    if (shared.GetCode() != corvel::keErrorNone) return shared;
  } else {
    image_.Destroy();
  }
  if (m_hWnd) {
    if (CWnd* parent = GetParent()) {
      CDC* dc = GetDC();
      parent->SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc->m_hDC));
      ReleaseDC(dc);
    }
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  }
  return corvel::CoreResult();
}

void ImageControl::OnPaint() {
  CPaintDC dc(this);
  Draw(&dc);
}

void ImageControl::Draw(CDC* dc) {
  if (!corvel::CRowIteratorBands::IsValid(&image_) || image_.Width() <= 0 || image_.Height() <= 0) return;
  CRect client;
  GetClientRect(&client);
  // What the screen cannot show leaves the control blank.
  image_.DrawCopy(dc->m_hDC, (client.Width() - image_.Width()) / 2, (client.Height() - image_.Height()) / 2)
      .GetCode();
}

}  // namespace framework
