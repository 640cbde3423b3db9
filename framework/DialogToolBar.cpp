#include "framework/DialogToolBar.h"

namespace framework {

BEGIN_MESSAGE_MAP(DialogToolBar, CToolBar)
  ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdateCmdUI)
END_MESSAGE_MAP()

LRESULT DialogToolBar::OnIdleUpdateCmdUI(WPARAM, LPARAM) {
  if (IsWindowVisible()) {
    if (CWnd* parent = GetParent()) OnUpdateCmdUI(parent, TRUE);
  }
  return 0;
}

}  // namespace framework
