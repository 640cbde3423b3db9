#include "platform/ui/DialogInput.h"

#include <cstdlib>

#include "platform/ui/ScriptFile.h"
#include "platform/ui/x11/LiveDisplay.h"

namespace platform {

DialogInput::DialogInput() {
  const char* path = std::getenv("WF_EVENT_SCRIPT");
  if (path && *path) {
    script_ = std::make_unique<EventScript>();
    ReadScriptFile(path, *script_);
  } else {
    display_ = x11::LiveDisplay::Open();
  }
}

DialogInput::~DialogInput() = default;

}  // namespace platform
