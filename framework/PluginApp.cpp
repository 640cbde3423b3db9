#include "framework/PluginApp.h"

#include <new>

#include "core/CoreResult.h"
#include "framework/AboutBox.h"
#include "platform/ui/Script.h"
#include "rowops/CoreTables.h"
#include "vector/CoreStartup.h"

namespace framework {

bool PluginApp::InitInstance() { return corvel::CoreStartup(nullptr) == 0; }

int PluginApp::ExitInstance() { return corvel::CoreShutdown(); }

host::OSErr PluginApp::OnAbout(host::FilterRecord*, std::intptr_t*) {
  ShowAboutBox();
  return host::noErr;
}

host::OSErr PluginApp::OnParameters(host::FilterRecord* record, std::intptr_t* data) {
  return RequestWholeImage(record, data);
}

host::OSErr PluginApp::OnPrepare(host::FilterRecord* record, std::intptr_t* data) {
  return OnNothing(record, data);
}

host::OSErr PluginApp::OnStart(host::FilterRecord* record, std::intptr_t* data) {
  return RequestWholeImage(record, data);
}

host::OSErr PluginApp::OnFinish(host::FilterRecord* record, std::intptr_t* data) {
  return OnNothing(record, data);
}

bool PluginApp::IsSupportedMode(host::FilterRecord* record, void*) {
  return record->imageMode == host::kModeRGB || record->imageMode == host::kModeGrayScale;
}

bool PluginApp::CanRun() {
  corvel::CRowIteratorBands& source = hostImage_.GetSourceImage();
  if (!corvel::CRowIteratorBands::IsValid(&source)) return false;
  if (hostImage_.HasMask() && !corvel::CRowIteratorBands::IsValid(&hostImage_.GetMaskImage())) return false;
  const RECT& box = hostImage_.GetFilterRect();
  return box.right > box.left && box.bottom > box.top;
}

host::OSErr PluginApp::OnContinue(host::FilterRecord* record, std::intptr_t*) {
  if (!IsSupportedMode(record, record->platformData)) return host::userCanceledErr;
  hostImage_.SetRecord(record);
  hostImage_.SetChannelsAlike(RendersChannelsAlike());
  hostImage_.ReadHostImage();
  bool ran = false;
  try {
    ran = CanRun() && Run();
  } catch (...) {
    hostImage_.GiveBackHostBuffer();
    throw;
  }
  if (!ran) {
    hostImage_.GiveBackHostBuffer();
    return host::userCanceledErr;
  }
  // A result that cannot reach the host is an error, not a success with the old pixels.
  if (!hostImage_.WriteHostImage()) {
    hostImage_.GiveBackHostBuffer();
    return host::paramErr;
  }
  record->inRect = record->outRect = record->maskRect = host::Rect16{0, 0, 0, 0};
  record->autoMask = 0;
  return host::noErr;
}

void DispatchSelector(PluginApp& app, std::int16_t selector, host::FilterRecord* record, std::intptr_t* data,
                      std::int16_t* result) {
  if (selector < host::filterSelectorAbout || selector > host::filterSelectorFinish || !result) return;
  if (!record && selector != host::filterSelectorAbout) {
    *result = host::paramErr;
    return;
  }
  try {
    switch (selector) {
      case host::filterSelectorAbout:
        *result = app.OnAbout(record, data);
        break;
      case host::filterSelectorParameters:
        *result = app.OnParameters(record, data);
        break;
      case host::filterSelectorPrepare:
        *result = app.OnPrepare(record, data);
        break;
      case host::filterSelectorStart:
        *result = app.OnStart(record, data);
        break;
      case host::filterSelectorContinue:
        *result = app.OnContinue(record, data);
        break;
      default:
        *result = app.OnFinish(record, data);
        break;
    }
  } catch (const platform::ScriptFailure&) {
    // Whoever drives the script needs the reason, not a host result.
    throw;
  } catch (const std::bad_alloc&) {
    *result = host::memFullErr;
  } catch (const corvel::CJException& error) {
    *result = error.Code() == corvel::keErrorNoMemory  ? host::memFullErr
              : error.Code() == corvel::keErrorStopped ? host::userCanceledErr
                                                       : host::filterFailedErr;
  } catch (...) {
    *result = host::filterFailedErr;
  }
}

host::OSErr RequestWholeImage(host::FilterRecord* record, std::intptr_t*) {
  const host::Rect16 whole{0, 0, record->imageSize.v, record->imageSize.h};
  record->inRect = record->outRect = record->maskRect = whole;
  record->inLoPlane = record->outLoPlane = 0;
  record->inHiPlane = record->outHiPlane = static_cast<std::int16_t>(record->planes - 1);
  record->autoMask = 0;
  return host::noErr;
}

host::OSErr OnNothing(host::FilterRecord*, std::intptr_t*) { return host::noErr; }

}  // namespace framework
