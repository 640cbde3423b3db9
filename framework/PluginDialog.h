// The filter's resizable modal dialog: the preview dialog with its items anchored to the edges
// that they follow, a size grip, the preset controls and a settings panel beside the view.
#pragma once
#include <map>

#include "controls/ImageButton.h"
#include "framework/PanelDialog.h"
#include "framework/PreviewDialog.h"
#include "framework/ResizableGrip.h"

namespace framework {

class PluginDialog : public PreviewDialog {
 public:
  static constexpr UINT kProgressItem = 3013;
  static constexpr UINT kAccelerators = 3001;
  static constexpr int kZoomText = 1001;
  static constexpr int kPresetsLabel = 1009;
  static constexpr int kPresetList = 1006;
  static constexpr int kSavePreset = 1007;
  static constexpr int kDeletePreset = 1008;
  static constexpr int kPanelItem = 1005;
  static constexpr int kHelp = 32651;

  PluginDialog(UINT titleId, UINT toolBarId, const CRuntimeClass* viewClass, UINT templateId,
               CWnd* parent = nullptr);

  // Not owned; set before the dialog opens.
  void SetPanel(PanelDialog* panel) { panel_ = panel; }
  PanelDialog* GetPanel() const { return panel_; }
  void SetDefaultSize(int width, int height) { defaultSize_ = CSize(width, height); }
  CComboBox& GetPresetList() { return presetList_; }

  virtual void EnableOK(bool enable);
  // The top of the "Presets:" label in client coordinates.
  virtual int GetPresetsTop();

  // The caption and the zoom text show the zoom in percent.
  void ShowZoom(double zoom) override;
  BOOL OnInitDialog() override;
  // Closes only when the panel agrees.
  void OnOK() override;

 protected:
  void AfterRender() override;
  void AfterCancel() override;

  afx_msg void OnSize(UINT type, int cx, int cy);
  afx_msg void OnGetMinMaxInfo(MINMAXINFO* info);
  afx_msg void OnHelp();
  afx_msg void OnSavePreset();
  afx_msg void OnDeletePreset();
  afx_msg void OnPresetChosen();
  afx_msg BOOL OnToolTipText(UINT, NMHDR* header, LRESULT* result);
  DECLARE_MESSAGE_MAP()

 private:
  void SetUpPresetControls();
  // Puts the panel in its placeholder's place; answers how much taller than it the panel is.
  int PlacePanel();
  void CentreOnWorkArea();

  ImageButton saveButton_, deleteButton_;
  CComboBox presetList_;
  PanelDialog* panel_ = nullptr;
  CSize defaultSize_{800, 600};
  CSize minimumSize_;
  CSize baseClient_;
  // Each anchored item's place in the client area when the layout was made.
  std::map<int, CRect> anchors_;
  ResizableGrip grip_{*this};
};

}  // namespace framework
