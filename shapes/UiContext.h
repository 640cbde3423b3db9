// The one record through which the shape editor, the tool view and the settings panel reach the
// running dialog, its settings panel and the filter's command.
#pragma once
#include "framework/GenericCommand.h"
#include "platform/classlib/ClassLib.h"

namespace shapes {

// What the editor asks of the settings panel, which lives above it.
class SettingsPanelLink {
 public:
  virtual ~SettingsPanelLink() = default;
  virtual bool HasWindow() const = 0;
  // A hand-made change of the shape deselects the preset.
  virtual void ClearPresetSelection() = 0;
  // The view shows the source while the shape is edited.
  virtual void ShowOriginal() = 0;
  // Renders the preview, as the Apply button does.
  virtual void OnApply() = 0;
};

struct UiContext {
  CDialog* dialog = nullptr;
  SettingsPanelLink* panel = nullptr;
  framework::GenericCommand* command = nullptr;
};

UiContext* GetUiContext();

// Fills the record for one run of the dialog. The dialog and the panel end with the run, so their
// pointers are cleared then; the command outlives it and stays.
class UiContextRun {
 public:
  UiContextRun(CDialog* dialog, SettingsPanelLink* panel, framework::GenericCommand* command);
  ~UiContextRun();
  UiContextRun(const UiContextRun&) = delete;
  UiContextRun& operator=(const UiContextRun&) = delete;
};

}  // namespace shapes
