// The dialog layer that ties a command's render thread to the user interface: it shows the
// render's progress, restarts the render when the settings change, and makes a finished render
// the image the continue step hands back to the host.
#pragma once
#include "framework/FilterDialog.h"
#include "framework/GenericCommand.h"

namespace framework {

class PreviewDialog : public FilterDialog {
 public:
  // The item progressId is a placeholder that the progress bar replaces.
  PreviewDialog(UINT templateId, UINT titleId, UINT acceleratorId, UINT toolBarId,
                const CRuntimeClass* viewClass, UINT progressId, CWnd* parent = nullptr)
      : FilterDialog(templateId, titleId, acceleratorId, toolBarId, viewClass, parent),
        progressId_(progressId) {}

  void SetCommand(GenericCommand* command) { command_ = command; }
  GenericCommand* GetCommand() const { return command_; }
  CProgressCtrl& GetProgressBar() { return progress_; }

  // Stops a running render and starts a new one at once.
  void RestartRender();
  // Drops the queued progress messages and empties the bar.
  void ResetProgress();

  // Makes the progress bar; keeps a copy of the host's source as the unchanged image and hands
  // it, with the host's selection, to the command, whose messages come here.
  BOOL OnInitDialog() override;
  // During a render only stops it; else closes the dialog.
  void OnCancel() override;

 protected:
  virtual void AfterRender() {}
  virtual void AfterCancel() {}

  afx_msg LRESULT OnProgressMessage(WPARAM, LPARAM percent);
  afx_msg LRESULT OnRenderDoneMessage(WPARAM, LPARAM generation);
  afx_msg LRESULT OnRenderCancelMessage(WPARAM, LPARAM generation);
  afx_msg void OnDestroy();
  DECLARE_MESSAGE_MAP()

 private:
  // A message of a render that a newer start has replaced.
  bool IsStale(LPARAM generation) const;

  UINT progressId_;
  CProgressCtrl progress_;
  GenericCommand* command_ = nullptr;
};

}  // namespace framework
