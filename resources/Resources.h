// The module's resources, as a resource compiler would have linked them in: string tables, the
// PNG pictures and cursors drawn at build time, the version block, the host's property list and
// scripting terminology, the tool bar and the module's icon. Uses platform/ only; the module
// registers them once at start-up, and everything above reaches them through FindResource,
// LoadResource, LoadString, LoadCursor, LoadIcon and GetFileVersionInfo.
#pragma once
#include "platform/win32/Types.h"
#include "resources/ResourceIds.h"

namespace resources {

// Makes every resource of this library a resource of `module` (null: the program).
void RegisterModuleResources(HINSTANCE module);
void UnregisterModuleResources(HINSTANCE module);

}  // namespace resources
