// The parts of the module's resources, each built once.
#pragma once
#include <cstddef>
#include <vector>

#include "platform/win32/module_resource.h"
#include "platform/win32/resource.h"

namespace resources::detail {

// The pictures and cursors drawn at build time (generated source).
extern const BinaryResource kEmbedded[];
extern const std::size_t kEmbeddedCount;

extern const StringResource kStrings[];
extern const std::size_t kStringCount;

const std::vector<BYTE>& VersionBlock();
const std::vector<BYTE>& PropertyList();
const std::vector<BYTE>& Terminology();

}  // namespace resources::detail
