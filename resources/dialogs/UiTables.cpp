// The tables' registration, the accelerators of the plug-in dialog and its tool bar.
#include "resources/dialogs/UiTables.h"

namespace wf_resources {
namespace {

const DialogResource kDialogs[] = {
    {101, &kPluginDialog101}, {102, &kPresetNameDialog102}, {107, &kAboutBox107},
    {109, &kPluginDialog109}, {111, &kPluginDialog111},     {3017, &kSettingsPanel3017},
    {3022, &kTileWindow3022},
};

// "+" zooms in and "-" zooms out, typed as characters.
const ACCEL kZoomKeys[] = {{0, '+', 32773}, {0, '-', 32775}};
const AcceleratorResource kAccelerators[] = {
    {3001, kZoomKeys, std::size(kZoomKeys)},
    {3041, kZoomKeys, std::size(kZoomKeys)},
};

// Zoom, pan and the shape tool.
const UINT kTools[] = {32776, 32778, 32779};
const ToolBarResource kToolBars[] = {{128, 16, 15, kTools, std::size(kTools)}};

}  // namespace

void RegisterUiTables(HINSTANCE module) {
  platform::RegisterDialogTable(module, kDialogs, std::size(kDialogs));
  platform::RegisterAcceleratorTable(module, kAccelerators, std::size(kAccelerators));
  platform::RegisterToolBarTable(module, kToolBars, std::size(kToolBars));
}

}  // namespace wf_resources
