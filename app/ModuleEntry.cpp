// The module WendleForge.8bf: its one exported entry and its application object. The object is
// made and initialised at the first call, when everything it uses has been constructed, and
// ended when the module is unloaded.
#include <cstdint>

#include "app/TilingApp.h"
#include "platform/host/PluginInterface.h"
#include "platform/win32/Module.h"
#include "resources/Resources.h"

namespace {

struct Module {
  Module() {
    resources::RegisterModuleResources(platform::ModuleOfAddress(this));
    initialised = app.InitInstance();
  }
  ~Module() {
    if (initialised) app.ExitInstance();
  }
  app::TilingApp app;
  bool initialised = false;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) void ENTRYPOINT(std::int16_t selector, host::FilterRecord* record,
                                                                   std::intptr_t* data, std::int16_t* result) {
  try {
    static Module module;
    if (!module.initialised) {
      if (result && selector >= host::filterSelectorAbout && selector <= host::filterSelectorFinish)
        *result = host::memFullErr;
      return;
    }
    framework::DispatchSelector(module.app, selector, record, data, result);
  } catch (...) {
    if (result) *result = host::filterFailedErr;
  }
}
