#include "app/TilingApp.h"

#include <new>
#include <string>

#include "app/ScriptingDescriptor.h"
#include "app/SettingsPanel.h"
#include "framework/PluginDialog.h"
#include "framework/UserMessage.h"
#include "platform/ui/Dialogs.h"
#include "resources/ResourceIds.h"
#include "shapes/ToolView.h"
#include "shapes/UiContext.h"

namespace app {

using namespace corvel;

namespace {

const char kWrongFormatText[] =
    "Image has a wrong format.\nProgram requires RGB and GreyScale image with or without transparency (8 or "
    "16 "
    "bit\\chanel).";
const char kWrongFormatCaption[] = "Image has a wrong format !";
const char kTooSmallText[] = "Image size should be more then 15 x 15 .";
const char kTooSmallCaption[] = "! Input Data Error !";
constexpr int kSmallestSide = 15;
constexpr UINT kToolBar = 128;
constexpr UINT kDialogTemplate = 101;

void NoInit(framework::ParameterBlock*) {}

}  // namespace

TilingApp::~TilingApp() { command_.reset(); }

bool TilingApp::InitInstance() {
  if (!PluginApp::InitInstance()) return false;
  command_.reset(new (std::nothrow) TilingCommand());
  return command_ != nullptr;
}

host::OSErr TilingApp::OnPrepareParameters(host::FilterRecord* record, std::intptr_t* data) {
  std::int16_t result = 0;
  framework::ParameterBlock* block = framework::GetParameterBlock(
      &result, record, record->handleProcs, sizeof(framework::ParameterBlock), data, NoInit);
  if (!block) return framework::OnNothing(record, data);
  DescriptorBlock& values = GlobalDescriptorBlock();
  showDialog_ = ReadDescriptor(block, &values);
  if (command_ && CopyBlockToParameters(values, command_->GetParameters())) command_->SaveParameters();
  return framework::OnNothing(record, data);
}

host::OSErr TilingApp::OnFinish(host::FilterRecord* record, std::intptr_t* data) {
  const host::OSErr result = OnFinishParameters(record, data);
  // The host has the pixels: the run's images, the tile too, which may be larger than the image,
  // would only weigh on its save. The source may be a view over the host's buffer, which is about
  // to go.
  GetHostImage().GetSourceImage().Destroy();
  GetHostImage().GetMaskImage().Destroy();
  if (command_) command_->ReleaseImages();
  return result;
}

host::OSErr TilingApp::OnFinishParameters(host::FilterRecord* record, std::intptr_t* data) {
  std::int16_t result = 0;
  framework::ParameterBlock* block = framework::GetParameterBlock(
      &result, record, record->handleProcs, sizeof(framework::ParameterBlock), data, NoInit);
  if (!block || !command_) return host::noErr;
  command_->GetParameters().LoadParametersFromRegistry();
  DescriptorBlock& values = GlobalDescriptorBlock();
  CopyParametersToBlock(command_->GetParameters(), &values);
  WriteDescriptor(block, &values);
  return host::noErr;
}

bool TilingApp::CheckImageMode(host::FilterRecord* record, void*) {
  const int mode = record->imageMode;
  if (mode != host::kModeRGB && mode != host::kModeGrayScale && mode != host::kModeRGB48 &&
      mode != host::kModeGray16) {
    framework::ShowUserMessage(kWrongFormatText, kWrongFormatCaption, MB_OK);
    return false;
  }
  if (record->imageSize.h < kSmallestSide || record->imageSize.v < kSmallestSide) {
    framework::ShowUserMessage(kTooSmallText, kTooSmallCaption, MB_OK);
    return false;
  }
  return true;
}

bool TilingApp::CheckFilterSize() {
  if (!PluginApp::CanRun()) return false;
  CRowIteratorBands& source = GetHostImage().GetSourceImage();
  if (source.Width() < kSmallestSide || source.Height() < kSmallestSide) {
    // The image itself has passed: what is small is the selection, which the user can change.
    const std::string text = "The selection is too small: " + std::to_string(source.Width()) + " x " +
                             std::to_string(source.Height()) + " pixels. Select at least " +
                             std::to_string(kSmallestSide) + " x " + std::to_string(kSmallestSide) +
                             " pixels.";
    framework::ShowUserMessage(text.c_str(), kTooSmallCaption, MB_OK);
    return false;
  }
  return true;
}

bool TilingApp::ShowDialog() {
  if (!showDialog_) return RenderSilently();
  if (!command_) return false;
  // The panel points into the dialog, so it is declared after it and ends first.
  framework::PluginDialog dialog(resources::kProductNameString, kToolBar, RUNTIME_CLASS(shapes::CToolView),
                                 kDialogTemplate);
  SettingsPanel panel(*command_);
  shapes::UiContextRun context(&dialog, &panel, command_.get());
  dialog.SetDefaultSize(800, 600);
  dialog.SetHostImage(&GetHostImage());
  dialog.SetCommand(command_.get());
  dialog.SetPanel(&panel);
  INT_PTR answer = IDCANCEL;
  try {
    answer = dialog.DoModal();
  } catch (...) {
    // Closed while the whole dialog still handles it, so that its render stops.
    if (dialog.m_hWnd) dialog.DestroyWindow();
    throw;
  }
  if (answer != IDOK) return false;
  // Each finished render already became the host image's source, which continue writes back.
  command_->SaveParameters();
  return true;
}

bool TilingApp::RenderSilently() {
  if (!command_) return false;
  framework::HostImage& hostImage = GetHostImage();
  CRowIteratorBands& source = hostImage.GetSourceImage();
  CRowIteratorBands& mask = hostImage.GetMaskImage();
  const bool masked = CRowIteratorBands::IsValid(&mask) && CRowIteratorBands::IsValid(&source);
  command_->SetSourceImage(source);
  // The tile reads the source before the fill starts, so the fill may go straight over the
  // source's own pixels; over the host's buffer only where it is the output. A whole fill needs
  // only the source's layout, a combine within the selection its pixels too.
  CRowIteratorBands working;
  if (source.IsCallerMemory() && !hostImage.SourceIsHostOutput()) {
    const std::int32_t copied = (masked ? working.CreateCopy(source)
                                        : working.CreateCopyOfRect(source.Width(), source.Height(), source,
                                                                   keAccessReadWrite))
                                    .GetCode();
    if (copied != keErrorNone) throw CJException(copied);
  } else {
    working = source;
  }
  framework::RenderJob job;
  job.mask = &mask;
  if (masked) {
    // Outside the selection the source keeps its pixels.
    job.source = &working;
    command_->RunTilingIntoSelection(job);
  } else {
    job.source = &source;
    job.output = &working;
    command_->RunTiling(job);
  }
  command_->SaveParameters();
  source = working;
  return true;
}

}  // namespace app
