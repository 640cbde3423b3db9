// The base of a settings panel: a child dialog inside the plug-in dialog, told of the renders'
// ends, asked before OK closes the dialog, and asked for its controls' tool-tip texts.
#pragma once
#include "platform/classlib/ClassLib.h"

namespace framework {

class PluginDialog;

class PanelDialog : public CDialog {
 public:
  virtual int GetTemplateId() = 0;
  virtual void OnRenderFinished() {}
  virtual void OnRenderCancelled() {}
  virtual void ShowHelp() {}
  // Shows the parameters again after a preset was loaded.
  virtual void UpdateControls() {}
  virtual bool CanClose() { return true; }
  // The string resource of the control's id.
  virtual CString GetToolTipText(UINT id) {
    CString text;
    text.LoadString(id);
    return text;
  }
  virtual void OnPanelShown() {}

  // The plug-in dialog's accelerators come first, wherever the focus is in the panel.
  BOOL PreTranslateMessage(MSG* msg) override;

  void SetParentDialog(PluginDialog* dialog) { parentDialog_ = dialog; }
  PluginDialog* GetParentDialog() const { return parentDialog_; }

 private:
  PluginDialog* parentDialog_ = nullptr;
};

}  // namespace framework
