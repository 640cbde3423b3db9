#include "framework/PluginDialog.h"

#include <algorithm>
#include <cstdio>

#include "framework/Presets.h"
#include "resources/ResourceIds.h"

namespace framework {

BEGIN_MESSAGE_MAP(PluginDialog, PreviewDialog)
  ON_WM_SIZE()
  ON_WM_GETMINMAXINFO()
  ON_COMMAND(kHelp, OnHelp)
  ON_COMMAND(kSavePreset, OnSavePreset)
  ON_COMMAND(kDeletePreset, OnDeletePreset)
  ON_CBN_SELCHANGE(kPresetList, OnPresetChosen)
  ON_NOTIFY_EX_RANGE(TTN_NEEDTEXTA, 0, 0xFFFF, OnToolTipText)
END_MESSAGE_MAP()

namespace {

// How an item follows a change of the client size by (dx, dy): its left and top move by
// (a, b) and its right and bottom by (a + c, b + d), each a multiple of dx or dy.
struct Anchor {
  int id;
  int a, b, c, d;
};
constexpr Anchor kAnchors[] = {
    {FilterDialog::kViewItem, 0, 0, 1, 1},
    {PluginDialog::kZoomText, 0, 1, 0, 0},
    {PluginDialog::kProgressItem, 0, 1, 0, 0},
    {1002, 0, 1, 1, 0},  // status text
    {IDOK, 1, 0, 0, 0},
    {IDCANCEL, 1, 0, 0, 0},
    {PluginDialog::kHelp, 1, 0, 0, 0},
    {PluginDialog::kPresetsLabel, 1, 0, 0, 0},
    {1021, 1, 0, 0, 0},  // the panel's top marker
    {PluginDialog::kPresetList, 1, 0, 0, 0},
    {PluginDialog::kSavePreset, 1, 0, 0, 0},
    {PluginDialog::kDeletePreset, 1, 0, 0, 0},
    {PluginDialog::kPanelItem, 1, 0, 0, 0},
};

CRect ClientRectOf(CWnd& dialog, CWnd& item) {
  CRect rect;
  item.GetWindowRect(&rect);
  dialog.ScreenToClient(&rect);
  return rect;
}

}  // namespace

PluginDialog::PluginDialog(UINT titleId, UINT toolBarId, const CRuntimeClass* viewClass, UINT templateId,
                           CWnd* parent)
    : PreviewDialog(templateId, titleId, kAccelerators, toolBarId, viewClass, kProgressItem, parent) {}

BOOL PluginDialog::OnInitDialog() {
  const BOOL result = PreviewDialog::OnInitDialog();
  grip_.Create();
  SetUpPresetControls();
  const int taller = panel_ ? PlacePanel() : 0;

  CRect window, client;
  GetWindowRect(&window);
  GetClientRect(&client);
  baseClient_ = client.Size();
  for (const Anchor& anchor : kAnchors)
    if (CWnd* item = GetDlgItem(anchor.id)) anchors_[anchor.id] = ClientRectOf(*this, *item);
  minimumSize_ = CSize(std::max<int>(window.Width(), defaultSize_.cx),
                       std::max<int>(window.Height() + taller, defaultSize_.cy));
  SetWindowPos(nullptr, 0, 0, minimumSize_.cx, minimumSize_.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  CentreOnWorkArea();

  if (panel_ && panel_->m_hWnd) {
    panel_->ShowWindow(SW_SHOW);
    panel_->OnPanelShown();
  }
  // The whole image, magnified when it is small; this also writes the caption.
  if (view_) view_->SetZoom(view_->FitZoom(), ZoomScrollView::kNoAnchor);
  EnableToolTips(TRUE);
  return result;
}

void PluginDialog::SetUpPresetControls() {
  if (saveButton_.SubclassDlgItem(kSavePreset, this))
    saveButton_.LoadImage(resources::kSavePresetPicture).GetCode();
  if (deleteButton_.SubclassDlgItem(kDeletePreset, this))
    deleteButton_.LoadImage(resources::kDeletePresetPicture).GetCode();
  if (presetList_.SubclassDlgItem(kPresetList, this)) FillPresetList(GetPresetState(), presetList_);
}

int PluginDialog::PlacePanel() {
  panel_->SetParentDialog(this);
  CRect place;
  CWnd* placeholder = GetDlgItem(kPanelItem);
  const HWND before = placeholder ? ::GetWindow(placeholder->m_hWnd, GW_HWNDPREV) : nullptr;
  if (!panel_->Create(static_cast<UINT>(panel_->GetTemplateId()), this) || !TakePlaceOf(kPanelItem, &place))
    return 0;
  // In the placeholder's place in the tab order: after the preset buttons, not ahead of OK.
  ::SetWindowPos(panel_->m_hWnd, before ? before : HWND_TOP, place.left, place.top, 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE);
  panel_->SetDlgCtrlID(kPanelItem);
  // The dialog widens by what the panel needs beyond the placeholder before the layout is made,
  // so the column stays where it is; the height it needs more is left to the layout, so that the
  // view grows with it instead of leaving a blank band under it.
  CRect panelRect, window;
  panel_->GetWindowRect(&panelRect);
  GetWindowRect(&window);
  const int wider = std::max(0, panelRect.Width() - place.Width());
  if (wider)
    SetWindowPos(nullptr, 0, 0, window.Width() + wider, window.Height(),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return std::max(0, panelRect.Height() - place.Height());
}

// The template centred the dialog before it grew to its size. Too large for the work area, it
// keeps its top left corner on the area's, where the caption stays in reach.
void PluginDialog::CentreOnWorkArea() {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!::GetMonitorInfo(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const CRect work(monitor.rcWork);
  CRect window;
  GetWindowRect(&window);
  const int left = work.left + std::max(0, (work.Width() - window.Width()) / 2);
  const int top = work.top + std::max(0, (work.Height() - window.Height()) / 2);
  SetWindowPos(nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void PluginDialog::OnSize(UINT type, int cx, int cy) {
  // Until the layout is made the items stay where the template and the panel put them.
  if (anchors_.empty()) return CDialog::OnSize(type, cx, cy);
  CDialog::OnSize(type, cx, cy);
  const int dx = cx - baseClient_.cx, dy = cy - baseClient_.cy;
  for (const Anchor& anchor : kAnchors) {
    auto found = anchors_.find(anchor.id);
    CWnd* item = GetDlgItem(anchor.id);
    if (found == anchors_.end() || !item) continue;
    const CRect& at = found->second;
    const int left = at.left + anchor.a * dx, top = at.top + anchor.b * dy;
    item->MoveWindow(left, top, at.Width() + anchor.c * dx, at.Height() + anchor.d * dy, TRUE);
  }
  grip_.Place();
  Invalidate(TRUE);
}

void PluginDialog::OnGetMinMaxInfo(MINMAXINFO* info) {
  info->ptMinTrackSize.x = std::max<LONG>(baseClient_.cx, minimumSize_.cx);
  info->ptMinTrackSize.y = std::max<LONG>(baseClient_.cy, minimumSize_.cy);
}

void PluginDialog::ShowZoom(double zoom) {
  PreviewDialog::ShowZoom(zoom);
  SetDlgItemText(kZoomText, ZoomPercentText(zoom));
}

void PluginDialog::EnableOK(bool enable) {
  if (CWnd* ok = GetDlgItem(IDOK)) ok->EnableWindow(enable);
}

int PluginDialog::GetPresetsTop() {
  CWnd* label = GetDlgItem(kPresetsLabel);
  return label ? ClientRectOf(*this, *label).top : 0;
}

void PluginDialog::OnOK() {
  if (panel_ && !panel_->CanClose()) return;
  PreviewDialog::OnOK();
}

void PluginDialog::AfterRender() {
  if (panel_) panel_->OnRenderFinished();
}

void PluginDialog::AfterCancel() {
  if (panel_) panel_->OnRenderCancelled();
}

void PluginDialog::OnHelp() {
  if (panel_) panel_->ShowHelp();
}

void PluginDialog::OnSavePreset() {
  if (GetCommand()) SavePreset(GetPresetState(), GetCommand()->GetParameters(), this);
  FillPresetList(GetPresetState(), presetList_);
}

void PluginDialog::OnDeletePreset() {
  DeletePreset(GetPresetState(), presetList_, false);
  FillPresetList(GetPresetState(), presetList_);
}

void PluginDialog::OnPresetChosen() {
  if (!GetCommand() || !SelectPreset(GetPresetState(), presetList_, GetCommand()->GetParameters())) return;
  if (panel_) panel_->UpdateControls();
  RestartRender();
}

BOOL PluginDialog::OnToolTipText(UINT, NMHDR* header, LRESULT* result) {
  if (!panel_) return FALSE;
  auto* info = reinterpret_cast<NMTTDISPINFO*>(header);
  UINT id = static_cast<UINT>(header->idFrom);
  if (info->uFlags & TTF_IDISHWND)
    id = static_cast<UINT>(::GetDlgCtrlID(reinterpret_cast<HWND>(header->idFrom)));
  std::snprintf(info->szText, sizeof info->szText, "%s", static_cast<LPCSTR>(panel_->GetToolTipText(id)));
  info->lpszText = info->szText;
  ::SetWindowPos(header->hwndFrom, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  *result = 0;
  return TRUE;
}

}  // namespace framework
