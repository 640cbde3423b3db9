#include "app/SettingsPanel.h"

#include <algorithm>
#include <clocale>

#include "app/Help.h"
#include "app/TileSave.h"

#include "controls/ThumbnailPopup.h"
#include "core/Rounding.h"
#include "framework/PluginDialog.h"
#include "resources/ParameterTable.h"
#include "resources/ResourceIds.h"
#include "rowops/TransformOperation.h"
#include "shapes/TargetShapeFactory.h"
#include "shapes/ToolView.h"

namespace app {

using namespace corvel;
using namespace resources;

BEGIN_MESSAGE_MAP(SettingsPanel, framework::PanelDialog)
  ON_BN_CLICKED(kApply, OnApply)
  ON_EN_CHANGE(kFeatherEdit, OnFeatherChanged)
  ON_EN_CHANGE(kTileSizeEdit, OnTileSizeChanged)
  ON_BN_CLICKED(kShowPreview, ShowTileWindow)
  ON_MESSAGE(TileWindow::kCloseRequest, OnTileWindowClosed)
  ON_LBN_SELCHANGE(kDisplayList, OnDisplayChanged)
  ON_BN_CLICKED(kSaveTile, SaveTile)
  ON_BN_CLICKED(kMethodButton, ShowGroupPicker)
  ON_REGISTERED_MESSAGE(TVM_ENDPOPUP, OnGroupPicked)
  ON_WM_DESTROY()
END_MESSAGE_MAP()

namespace {

constexpr int kHintItem = 1002;
constexpr int kOriginalEntry = 0, kResultEntry = 1;

bool HasEdgeBlending(int method) { return method != 4 && method != 10 && method != 13 && method != 16; }

int GetIntParameter(framework::GenericCommand& command, int id) {
  int value = 0;
  if (framework::Parameter* parameter = command.GetParameters().GetParameter(id)) parameter->GetInt(&value);
  return value;
}

void SetIntParameter(framework::GenericCommand& command, int id, int value) {
  if (framework::Parameter* parameter = command.GetParameters().GetParameter(id)) parameter->SetInt(value);
}

float GetFloatParameter(framework::GenericCommand& command, int id) {
  float value = 0;
  if (framework::Parameter* parameter = command.GetParameters().GetParameter(id)) parameter->GetFloat(&value);
  return value;
}

CString SizeText(CRowIteratorBands& image) {
  CString text;
  text.Format("Size: %d x %d", image.Width(), image.Height());
  return text;
}

}  // namespace

void PutOnWhite(CRowIteratorBands& bgra) {
  for (int y = 0; y < bgra.Height(); ++y) {
    BYTE* row = bgra.LockRowPointer(y, 0, -1);
    for (int x = 0; x < bgra.Width(); ++x) {
      BYTE* pixel = row + 4 * x;
      const int alpha = pixel[3];
      if (alpha == 255) continue;
      for (int c = 0; c < 3; ++c)
        pixel[c] = alpha == 0 ? 255 : static_cast<BYTE>(pixel[c] * alpha / 255.0 + (255 - alpha));
      pixel[3] = 255;
    }
    bgra.UnlockRow(y);
  }
}

ThumbnailCut CutThumbnail(CSize tile, CSize control) {
  const double width = std::max<LONG>(tile.cx, 1), height = std::max<LONG>(tile.cy, 1);
  double scale = std::min(control.cx / width, control.cy / height);
  if (width * scale < control.cx / 4.0)
    scale = control.cx / 4.0 / width;
  else if (height * scale < control.cy / 4.0)
    scale = control.cy / 4.0 / height;
  const CSize size(std::clamp<int>(RoundToInt(width * scale), 1, std::max<LONG>(control.cx, 1)),
                   std::clamp<int>(RoundToInt(height * scale), 1, std::max<LONG>(control.cy, 1)));
  // Only the long side is cut; the other is shown whole, whatever the rounding of its size.
  return {size, RectD{0, 0, width * scale > control.cx ? control.cx / scale : width,
                      height * scale > control.cy ? control.cy / scale : height}};
}

SettingsPanel::SettingsPanel(TilingCommand& command) : command_(command) {}

SettingsPanel::~SettingsPanel() = default;

void SettingsPanel::DoDataExchange(CDataExchange* dx) {
  framework::PanelDialog::DoDataExchange(dx);
  DDX_Check(dx, kShowPreview, showTileWindow_);
}

BOOL SettingsPanel::OnInitDialog() {
  framework::PanelDialog::OnInitDialog();
  // Numbers in the edits are written with a point.
  std::setlocale(LC_NUMERIC, "C");
  method_ = GetIntParameter(command_, kTilingMethod);
  feather_ = GetIntParameter(command_, kFeathering);
  featherEdit_.Create(kFeatherEdit, this, 0, 100, feather_, 3, 0, -1, 500, true, true);
  EnableFeatherEdit();
  tileSize_ = GetIntParameter(command_, kTileSize);
  tileSizeEdit_.Create(kTileSizeEdit, this, 10, 250, tileSize_, 3, 0, -1, 500, true, true);
  tileSizeEdit_.EnableWindow(TRUE);
  if (!thumbnail_.CreateOverItem(this, kThumbnail, WS_BORDER)) return FALSE;
  UpdatePreview();

  SendDlgItemMessage(kDisplayList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Original"));
  SendDlgItemMessage(kDisplayList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Result"));
  SelectDisplay(kOriginalEntry);
  EnableItems({kDisplayList, kDisplayLabel}, false);
  EnableOK(false);
  command_.GetPreviewImage(originals_);

  SetWindowText("Editing profiles");
  if (CDialog* dialog = shapes::GetUiContext()->dialog)
    dialog->SetDlgItemText(
        kHintItem, "Drag a target shape to match object, then click Apply. Use Shift-click to reset shape.");
  methodButton_.LoadImage(kGroupPictureFirst).GetCode();
  if (methodButton_.SubclassDlgItem(kMethodButton, this)) methodButton_.SizeToImage(true);
  SetMethodPicture();
  if (CRowIteratorBands::IsValid(&previewImage_)) SetDlgItemText(kSizeText, SizeText(previewImage_));
  return TRUE;
}

void SettingsPanel::OnDestroy() {
  CloseTileWindow();
  framework::PanelDialog::OnDestroy();
}

void SettingsPanel::ClearPresetSelection() {
  framework::PluginDialog* dialog = GetParentDialog();
  if (dialog && dialog->GetDlgItem(framework::PluginDialog::kPresetList))
    dialog->GetPresetList().SetCurSel(-1);
}

void SettingsPanel::ShowOriginal() {
  SelectDisplay(kOriginalEntry);
  // OK would hand back the unchanged image.
  EnableOK(false);
  if (framework::PluginDialog* dialog = GetParentDialog(); dialog && dialog->GetHostImage()) {
    framework::HostImage& host = *dialog->GetHostImage();
    // Shared, not copied, as the render's result is: the press that calls this answers at once.
    host.GetSourceImage().Assign(host.GetAuxiliaryImage()).GetCode();
  }
  RepaintView();
}

void SettingsPanel::SetMethodPicture() {
  const bool known = method_ >= 0 && method_ < kGroupCount;
  methodButton_.LoadImage(static_cast<UINT>(kGroupPictureFirst + (known ? method_ : 0))).GetCode();
  if (methodButton_.m_hWnd) methodButton_.Invalidate(TRUE);
}

void SettingsPanel::UpdatePreview() {
  if (!command_.GetPreviewImage(previewImage_) || !thumbnail_.m_hWnd) return;
  CRect client;
  thumbnail_.GetClientRect(&client);
  const ThumbnailCut cut = CutThumbnail(CSize(previewImage_.Width(), previewImage_.Height()),
                                        CSize(client.Width(), client.Height()));
  SetDlgItemText(kSizeText, SizeText(previewImage_));

  const keFormat stored = previewImage_.GetStorageFormat();
  const bool grey = previewImage_.GetFormat() == keFormatGreyA;
  if (grey && !previewImage_.SetViewFormat(keFormatBGRA, keAccessReadWrite).Ok()) return;
  CRowIteratorBands small;
  if (small.Create(cut.size.cx, cut.size.cy, previewImage_.GetFormat()).Ok()) {
    TransformOperation resample(keWorkerFourTap, nullptr, &cut.part, 0);
    resample.Run(small, &previewImage_).GetCode();
    if (small.GetFormat() == keFormatBGRA) PutOnWhite(small);
    thumbnail_.SetImage(small).GetCode();
  }
  if (grey) previewImage_.SetViewFormat(stored, keAccessReadWrite).GetCode();  // its own format: no view
}

void SettingsPanel::EnableItems(std::initializer_list<int> ids, bool enable) {
  for (int id : ids)
    if (CWnd* item = GetDlgItem(id)) item->EnableWindow(enable);
}

void SettingsPanel::EnableFeatherEdit() {
  if (featherEdit_.m_hWnd) featherEdit_.EnableWindow(HasEdgeBlending(method_));
}

void SettingsPanel::EnableOK(bool enable) {
  if (framework::PluginDialog* dialog = GetParentDialog()) dialog->EnableOK(enable);
}

void SettingsPanel::SelectDisplay(int entry) {
  SendDlgItemMessage(kDisplayList, LB_SETCURSEL, static_cast<WPARAM>(entry), 0);
}

shapes::CToolView* SettingsPanel::GetToolView() {
  framework::PluginDialog* dialog = GetParentDialog();
  return dialog ? dynamic_cast<shapes::CToolView*>(dialog->GetView()) : nullptr;
}

void SettingsPanel::RepaintView() {
  framework::PluginDialog* dialog = GetParentDialog();
  if (dialog && dialog->GetView() && dialog->GetView()->m_hWnd) dialog->GetView()->Invalidate(TRUE);
}

void SettingsPanel::OnApply() {
  framework::PluginDialog* dialog = GetParentDialog();
  // The controls go to their rendering state first: a start that is refused reports its cancel
  // at once, and that cancel must find them to bring back.
  EnableOK(false);
  EnableItems({kFeatherEdit, kTileSizeEdit, kSaveTile, kShowPreview, kMethodButton, kDisplayList}, false);
  EnableItems({kDisplayLabel}, true);
  SelectDisplay(kResultEntry);
  if (command_.IsRendering()) {
    command_.StopRender();
    if (dialog) dialog->ResetProgress();
    SetDlgItemText(kApply, "Apply");
  } else {
    SetDlgItemText(kApply, "Abort");
    if (dialog) dialog->RestartRender();
  }
}

void SettingsPanel::OnRenderFinished() {
  EnableFeatherEdit();
  EnableItems({kTileSizeEdit, kSaveTile, kShowPreview, kMethodButton, kDisplayList}, true);
  SetDlgItemText(kApply, "Apply");
  // A press on the shape during the render went back to the unchanged image: the view and OK
  // stay with "Original", and "Result" shows the render.
  if (SendDlgItemMessage(kDisplayList, LB_GETCURSEL, 0, 0) == kOriginalEntry)
    ShowOriginal();
  else
    EnableOK(true);
  UpdatePreview();
  CRowIteratorBands preview;
  if (tileWindow_ && command_.GetPreviewImage(preview)) tileWindow_->SetTile(preview);
}

void SettingsPanel::OnRenderCancelled() {
  SetDlgItemText(kApply, "Apply");
  ShowOriginal();
  EnableFeatherEdit();
  EnableItems({kTileSizeEdit, kSaveTile, kShowPreview, kMethodButton}, true);
}

void SettingsPanel::UpdateControls() {
  OnApply();
  method_ = GetIntParameter(command_, kTilingMethod);
  SetMethodPicture();
  feather_ = GetIntParameter(command_, kFeathering);
  featherEdit_.SetIntValue(feather_, false, false);
  EnableFeatherEdit();
  tileSize_ = GetIntParameter(command_, kTileSize);
  tileSizeEdit_.SetIntValue(tileSize_, false, false);
  UpdatePreview();
  framework::PluginDialog* dialog = GetParentDialog();
  shapes::CToolView* view = GetToolView();
  if (!dialog || !view || !dialog->GetHostImage()) return;
  CRowIteratorBands& unchanged = dialog->GetHostImage()->GetAuxiliaryImage();
  const Point2D centre(RoundToInt(GetFloatParameter(command_, kPointCenterX) * unchanged.Width()),
                       RoundToInt(GetFloatParameter(command_, kPointCenterY) * unchanged.Height()));
  view->CreateTargetShape(centre);
}

void SettingsPanel::OnFeatherChanged() {
  ClearPresetSelection();
  feather_ = featherEdit_.GetIntValue();
  SetIntParameter(command_, kFeathering, feather_);
}

void SettingsPanel::OnTileSizeChanged() {
  ClearPresetSelection();
  tileSize_ = tileSizeEdit_.GetIntValue();
  SetIntParameter(command_, kTileSize, tileSize_);
}

void SettingsPanel::OnDisplayChanged() {
  framework::PluginDialog* dialog = GetParentDialog();
  if (!dialog || !dialog->GetHostImage()) return;
  framework::HostImage& host = *dialog->GetHostImage();
  if (SendDlgItemMessage(kDisplayList, LB_GETCURSEL, 0, 0) == kOriginalEntry) {
    EnableOK(false);
    host.GetSourceImage().Assign(host.GetAuxiliaryImage()).GetCode();
  } else {
    CRowIteratorBands& output = command_.GetOutputImage();
    if (CRowIteratorBands::IsValid(&output)) host.GetSourceImage().Assign(output).GetCode();
    EnableOK(true);
  }
  RepaintView();
}

void SettingsPanel::SaveTile() { app::SaveTile(this, command_); }

void SettingsPanel::ShowHelp() { app::ShowHelp(); }

void SettingsPanel::ShowGroupPicker() {
  ClearPresetSelection();
  GroupList& groups = command_.GetGroupList();
  groups.AddGroups();
  groups.StartLoader();
  CRect anchor;
  if (CWnd* button = GetDlgItem(kMethodButton)) button->GetWindowRect(&anchor);
  anchor.InflateRect(5, 5);
  const RECT none{0, 0, 0, 0};
  CThumbnailPopup* popup = CThumbnailPopup::CreatePopup("Pick Up an Image", this, &groups, kGroupPopupId,
                                                        &anchor, &none, false, nullptr);
  if (!popup || !popup->m_hWnd) {
    groups.StopLoader();
    return;
  }
  groups.SetNotifyWindow(popup->m_hWnd);
  popup->SetMultiSelect(false);
  if (method_ != -1) {
    popup->SelectItem(method_);
    popup->ScrollToCurrentItem();
  }
  popup->ShowPopup();
}

LRESULT SettingsPanel::OnGroupPicked(WPARAM, LPARAM picked) {
  // Only the popup's own items are groups; anything else leaves the group as it is.
  if (picked < 0 || picked >= kGroupCount) return 0;
  method_ = static_cast<int>(picked);
  SetIntParameter(command_, kTilingMethod, method_);
  EnableFeatherEdit();
  if (shapes::CToolView* view = GetToolView()) {
    shapes::TargetShape* shape = view->GetShape();
    view->CreateTargetShape(shape ? shape->GetPoints()[4] : shapes::kKeepCentre);
  }
  SetMethodPicture();
  ShowOriginal();
  return 0;
}

void SettingsPanel::ShowTileWindow() {
  UpdateData(TRUE);
  if (!showTileWindow_) return CloseTileWindow();
  if (tileWindow_) return;
  tileWindow_ = std::make_unique<TileWindow>(this);
  if (!tileWindow_->Create()) return CloseTileWindow();
  tileWindow_->Open(originals_);
  CRowIteratorBands preview;
  if (command_.GetPreviewImage(preview)) tileWindow_->SetTile(preview);
  tileWindow_->ShowWindow(SW_SHOW);
}

void SettingsPanel::CloseTileWindow() {
  if (tileWindow_) {
    if (tileWindow_->m_hWnd) tileWindow_->DestroyWindow();
    tileWindow_.reset();
  }
  if (showTileWindow_ && m_hWnd) {
    showTileWindow_ = FALSE;
    UpdateData(FALSE);
  }
}

LRESULT SettingsPanel::OnTileWindowClosed(WPARAM, LPARAM) {
  CloseTileWindow();
  return 0;
}

}  // namespace app
