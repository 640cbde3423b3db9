#include "resources/Resources.h"

#include "platform/ui/Icons.h"
#include "platform/win32/ModuleResource.h"
#include "platform/win32/Resource.h"
#include "resources/detail/Tables.h"

namespace resources {
namespace {

const std::vector<BinaryResource>& Table() {
  static const std::vector<BinaryResource> table = [] {
    std::vector<BinaryResource> all(detail::kEmbedded, detail::kEmbedded + detail::kEmbeddedCount);
    auto add = [&all](LPCSTR type, int id, const std::vector<BYTE>& bytes) {
      all.push_back({type, MAKEINTRESOURCE(id), bytes.data(), static_cast<DWORD>(bytes.size())});
    };
    add(RT_VERSION, 1, detail::VersionBlock());
    add("PiPL", kPluginInfo, detail::PropertyList());
    add("AETE", kPluginInfo, detail::Terminology());
    return all;
  }();
  return table;
}

}  // namespace

void RegisterModuleResources(HINSTANCE module) {
  platform::RegisterResourceTable(module, Table().data(), Table().size());
  platform::RegisterStringTable(module, detail::kStrings, detail::kStringCount);
  platform::SetIconLoader(&detail::LoadModuleIcon);
}

void UnregisterModuleResources(HINSTANCE module) {
  platform::UnregisterResourceTable(module);
  platform::UnregisterStringTable(module);
}

}  // namespace resources
