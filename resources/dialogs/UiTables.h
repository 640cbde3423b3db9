// The module's dialog templates, accelerator tables and tool bar, as a resource compiler
// would have linked them in; RegisterUiTables installs them for a module.
#pragma once
#include <cstddef>

#include "platform/classlib/CToolBar.h"
#include "platform/ui/DialogBox.h"
#include "platform/ui/Menu.h"

namespace wf_resources {

// Each template in a file of its own.
extern const DialogTemplate kPluginDialog101;
extern const DialogTemplate kPluginDialog109;
extern const DialogTemplate kPluginDialog111;
extern const DialogTemplate kPresetNameDialog102;
extern const DialogTemplate kAboutBox107;
extern const DialogTemplate kSettingsPanel3017;
extern const DialogTemplate kTileWindow3022;

void RegisterUiTables(HINSTANCE module);

}  // namespace wf_resources
