// SettingsPanel: the filter's part of the plug-in dialog, beside the view. It holds the group
// picker, the edge-blending and tile-size edits, Apply/Abort, the tile's thumbnail and size,
// "Save Tile", "Show Preview" and the Original/Result list that decides what the view shows and
// whether OK may be pressed; it keeps the command's parameters in step with its controls.
#pragma once
#include <memory>

#include "app/TileWindow.h"
#include "app/TilingCommand.h"
#include "controls/CEditNum.h"
#include "controls/ImageButton.h"
#include "core/RectHelpers.h"
#include "core/RowIteratorBands.h"
#include "framework/ImageControl.h"
#include "framework/PanelDialog.h"
#include "shapes/UiContext.h"

namespace shapes {
class CToolView;
}

namespace app {

class SettingsPanel : public framework::PanelDialog, public shapes::SettingsPanelLink {
 public:
  static constexpr int kTemplate = 3017;
  static constexpr int kApply = 3006;
  static constexpr int kShowPreview = 3018;
  static constexpr int kTileSizeEdit = 3024;
  static constexpr int kFeatherEdit = 3025;
  static constexpr int kSaveTile = 3028;
  static constexpr int kThumbnail = 3030;
  static constexpr int kSizeText = 3031;
  static constexpr int kMethodButton = 3033;
  static constexpr int kDisplayList = 3060;
  static constexpr int kDisplayLabel = 3061;
  static constexpr int kGroupPopupId = 888;

  explicit SettingsPanel(TilingCommand& command);
  ~SettingsPanel() override;

  int GetTemplateId() override { return kTemplate; }
  void OnRenderFinished() override;
  void OnRenderCancelled() override;
  void UpdateControls() override;
  void ShowHelp() override;
  BOOL OnInitDialog() override;

  bool HasWindow() const override { return m_hWnd != nullptr; }
  void ClearPresetSelection() override;
  void ShowOriginal() override;
  void OnApply() override;

  void UpdatePreview();
  int GetMethod() const { return method_; }
  CEditNum& GetFeatherEdit() { return featherEdit_; }
  CEditNum& GetTileSizeEdit() { return tileSizeEdit_; }
  framework::ImageControl& GetThumbnail() { return thumbnail_; }
  ImageButton& GetMethodButton() { return methodButton_; }
  TileWindow* GetTileWindow() const { return tileWindow_.get(); }

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  afx_msg void OnFeatherChanged();
  afx_msg void OnTileSizeChanged();
  afx_msg void ShowTileWindow();
  afx_msg LRESULT OnTileWindowClosed(WPARAM, LPARAM);
  afx_msg void OnDisplayChanged();
  afx_msg void SaveTile();
  afx_msg void ShowGroupPicker();
  afx_msg LRESULT OnGroupPicked(WPARAM, LPARAM picked);
  afx_msg void OnDestroy();
  DECLARE_MESSAGE_MAP()

 private:
  void CloseTileWindow();
  void SetMethodPicture();
  // The four groups without edge blending leave its edit disabled.
  void EnableFeatherEdit();
  void EnableItems(std::initializer_list<int> ids, bool enable);
  void EnableOK(bool enable);
  void SelectDisplay(int entry);
  void RepaintView();
  shapes::CToolView* GetToolView();

  TilingCommand& command_;
  int feather_ = 0;
  int tileSize_ = 100;
  int method_ = 0;
  ImageButton methodButton_;
  CEditNum featherEdit_;
  CEditNum tileSizeEdit_;
  framework::ImageControl thumbnail_;
  corvel::CRowIteratorBands previewImage_;
  corvel::CRowIteratorBands originals_;
  int showTileWindow_ = FALSE;
  std::unique_ptr<TileWindow> tileWindow_;
};

// The picture on white: clear pixels become white, partly clear ones are blended over white.
void PutOnWhite(corvel::CRowIteratorBands& bgra);

// What the thumbnail shows of a tile: its size, and the part of the tile it is made from.
struct ThumbnailCut {
  CSize size;
  corvel::RectD part;
};
// The whole tile fitted into the control, keeping its aspect; a tile so long that it would shrink
// to a sliver shows a strip from its top or left end instead, a quarter of the control across.
ThumbnailCut CutThumbnail(CSize tile, CSize control);

}  // namespace app
