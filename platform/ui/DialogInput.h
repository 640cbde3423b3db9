// Where the dialogs of a module that a host loaded take their input: the event script file
// that WF_EVENT_SCRIPT names, else the user of the display that DISPLAY names.
#pragma once
#include <memory>

#include "platform/ui/Script.h"

namespace platform {

namespace x11 {
class LiveDisplay;
}

class DialogInput {
 public:
  // Throws ScriptFailure when the script file cannot be read or holds a line that is no step.
  DialogInput();
  ~DialogInput();
  DialogInput(const DialogInput&) = delete;
  DialogInput& operator=(const DialogInput&) = delete;

 private:
  std::unique_ptr<EventScript> script_;
  std::unique_ptr<x11::LiveDisplay> display_;
};

}  // namespace platform
