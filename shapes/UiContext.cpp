#include "shapes/UiContext.h"

namespace shapes {

UiContext* GetUiContext() {
  static UiContext context;
  return &context;
}

UiContextRun::UiContextRun(CDialog* dialog, SettingsPanelLink* panel, framework::GenericCommand* command) {
  *GetUiContext() = UiContext{dialog, panel, command};
}

UiContextRun::~UiContextRun() {
  GetUiContext()->dialog = nullptr;
  GetUiContext()->panel = nullptr;
}

}  // namespace shapes
