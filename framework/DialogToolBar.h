// A tool bar inside a dialog: its buttons follow the dialog's command-update handlers when the
// dialog's modal loop is idle, and a button without a handler is disabled.
#pragma once
#include "platform/classlib/ClassLib.h"

namespace framework {

class DialogToolBar : public CToolBar {
 protected:
  afx_msg LRESULT OnIdleUpdateCmdUI(WPARAM, LPARAM);
  DECLARE_MESSAGE_MAP()
};

}  // namespace framework
