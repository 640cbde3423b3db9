#include "framework/PreviewDialog.h"

namespace framework {

BEGIN_MESSAGE_MAP(PreviewDialog, FilterDialog)
  ON_MESSAGE(kRenderProgressMessage, OnProgressMessage)
  ON_MESSAGE(kRenderFinishedMessage, OnRenderDoneMessage)
  ON_MESSAGE(kRenderCancelledMessage, OnRenderCancelMessage)
  ON_WM_DESTROY()
END_MESSAGE_MAP()

BOOL PreviewDialog::OnInitDialog() {
  const BOOL result = FilterDialog::OnInitDialog();
  CRect place;
  if (TakePlaceOf(static_cast<int>(progressId_), &place))
    progress_.Create(WS_CHILD | WS_VISIBLE, place, this, progressId_);
  if (hostImage_ && corvel::CRowIteratorBands::IsValid(&hostImage_->GetSourceImage())) {
    // The renders read this copy: in one block at a spreading pitch, they read it in place.
    corvel::CRowIteratorBands& source = hostImage_->GetSourceImage();
    if (sourceCopy_.CreateSpread(source.Width(), source.Height(), source.GetFormat()).Ok())
      corvel::CRowIteratorBands::CopyPixels(sourceCopy_, source).GetCode();
    // The unchanged image is there from the start, not only after a first render.
    hostImage_->GetAuxiliaryImage().Assign(sourceCopy_).GetCode();
    if (command_) {
      command_->SetSourceImage(sourceCopy_);
      command_->GetMaskImage().Assign(hostImage_->GetMaskImage()).GetCode();
    }
  }
  if (command_) command_->SetOwner(m_hWnd);
  return result;
}

void PreviewDialog::OnDestroy() {
  if (command_) {
    command_->StopRender();
    command_->SetOwner(nullptr);
  }
  FilterDialog::OnDestroy();
}

void PreviewDialog::RestartRender() {
  if (!command_) return;
  command_->StopRender();
  // Only a source that cannot be copied refuses a start after the stop.
  if (command_->StartRender().GetCode() != corvel::keErrorNone) {
    ResetProgress();
    AfterCancel();
  }
}

void PreviewDialog::ResetProgress() {
  for (MSG msg{}; ::PeekMessage(&msg, m_hWnd, kRenderProgressMessage, kRenderProgressMessage, PM_REMOVE);) {
  }
  if (progress_.m_hWnd) progress_.SetPos(0);
}

void PreviewDialog::OnCancel() {
  // A render that has started but not yet reached its routine counts as running too.
  const bool rendering = command_ && command_->IsRendering();
  if (command_) command_->StopRender();
  ResetProgress();
  if (!rendering) EndDialog(IDCANCEL);
}

bool PreviewDialog::IsStale(LPARAM generation) const {
  return !command_ || static_cast<std::uint32_t>(generation) != command_->GetGeneration();
}

LRESULT PreviewDialog::OnProgressMessage(WPARAM, LPARAM percent) {
  // The bar never lags behind a burst: only the last of the queued percents is shown.
  for (MSG msg{}; ::PeekMessage(&msg, m_hWnd, kRenderProgressMessage, kRenderProgressMessage, PM_REMOVE);)
    percent = msg.lParam;
  if (progress_.m_hWnd) progress_.SetPos(static_cast<int>(percent));
  return 0;
}

LRESULT PreviewDialog::OnRenderDoneMessage(WPARAM, LPARAM generation) {
  if (IsStale(generation)) return 0;
  // The view, OK and the panel show the render's end in one step.
  platform::PresentTogether together;
  // Shared, not copied: nothing writes a finished output, the next render makes a new one, and
  // a copy of a large image would hold the dialog up for a good part of a second.
  if (hostImage_) hostImage_->GetSourceImage().Assign(command_->GetOutputImage()).GetCode();
  if (view_ && view_->m_hWnd) view_->Invalidate(TRUE);
  ResetProgress();
  AfterRender();
  RedrawWindow(nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  return 0;
}

LRESULT PreviewDialog::OnRenderCancelMessage(WPARAM, LPARAM generation) {
  if (IsStale(generation)) return 0;
  {
    platform::PresentTogether together;
    ResetProgress();
    AfterCancel();
    RedrawWindow(nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
  // Once the dialog shows the render's end: a message box while paints are held would not show.
  command_->ShowToldMessage();
  return 0;
}

}  // namespace framework
