#include "framework/PanelDialog.h"

#include "framework/PluginDialog.h"

namespace framework {

BOOL PanelDialog::PreTranslateMessage(MSG* msg) {
  // Else the panel's dialog keys would take the zoom keys' characters whenever one of its
  // controls has the focus.
  if (parentDialog_ && parentDialog_->TranslateAccelerators(msg)) return TRUE;
  return CDialog::PreTranslateMessage(msg);
}

}  // namespace framework
