// The parts of the module's resources, each built once.
#pragma once
#include <cstddef>
#include <vector>

#include "platform/win32/ModuleResource.h"
#include "platform/win32/Resource.h"

namespace resources::detail {

// The pictures and cursors drawn at build time (generated source).
extern const BinaryResource kEmbedded[];
extern const std::size_t kEmbeddedCount;

extern const StringResource kStrings[];
extern const std::size_t kStringCount;

const std::vector<BYTE>& VersionBlock();
const std::vector<BYTE>& PropertyList();
const std::vector<BYTE>& Terminology();

// The icon loader of the window system: the module's icon resources at the size asked.
HICON LoadModuleIcon(HINSTANCE instance, LPCSTR name, int width, int height);

}  // namespace resources::detail
