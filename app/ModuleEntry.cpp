// The module WendleForge.8bf: its one exported entry and its application object. The object is
// made and initialised at the first call, when everything it uses has been constructed, and
// ended when the module is unloaded.
#include <cstdint>
#include <cstdio>
#include <optional>

#include "app/TilingApp.h"
#include "platform/classlib/ClassLib.h"
#include "platform/host/PluginInterface.h"
#include "platform/ui/DialogInput.h"
#include "platform/win32/File.h"
#include "platform/win32/Memory.h"
#include "platform/win32/Module.h"
#include "resources/Resources.h"
#include "resources/dialogs/UiTables.h"

namespace {

// The platform's tables of memory blocks, regions and files are made at their first use; made
// before the application object, they outlive it, and its images can still be freed (and their
// temporary files deleted) when the module ends.
void MakePlatformTables() {
  GlobalFree(GlobalAlloc(GMEM_MOVEABLE, 1));
  VirtualFree(VirtualAlloc(nullptr, 1, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE), 0, MEM_RELEASE);
  HANDLE file = CreateFileA("/dev/null", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

struct Module {
  Module() : tablesMade((MakePlatformTables(), true)) {
    const HMODULE self = platform::ModuleOfAddress(this);
    resources::RegisterModuleResources(self);
    wf_resources::RegisterUiTables(self);
    // The class library's application stands for this module, not the host's program: its
    // instance and file name find the templates, and the presets, help page and version block
    // beside the module.
    char path[4096] = "";
    GetModuleFileName(self, path, sizeof path);
    initialised = AfxWinInit(self, path) && app.InitInstance();
  }
  ~Module() {
    if (initialised) app.ExitInstance();
  }
  bool tablesMade;
  CWinApp classLibraryApp;
  app::TilingApp app;
  bool initialised = false;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) void ENTRYPOINT(std::int16_t selector,
                                                                  host::FilterRecord* record,
                                                                  std::intptr_t* data, std::int16_t* result) {
  try {
    static Module module;
    if (!module.initialised) {
      if (result && selector >= host::filterSelectorAbout && selector <= host::filterSelectorFinish)
        *result = host::memFullErr;
      return;
    }
    std::optional<platform::DialogInput> input;
    if (selector == host::filterSelectorAbout ||
        (selector == host::filterSelectorContinue && module.app.GetShowDialog()))
      input.emplace();
    framework::DispatchSelector(module.app, selector, record, data, result);
  } catch (const platform::ScriptFailure& failure) {
    // The host sees only a failed step; whoever wrote the script needs the reason.
    std::fprintf(stderr, "Wendle Forge: %s\n", failure.what());
    if (result) *result = host::filterFailedErr;
  } catch (...) {
    if (result) *result = host::filterFailedErr;
  }
}
