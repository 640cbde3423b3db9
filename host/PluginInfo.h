// The stand-in host (namespace wfhost): what an image editor does with filter modules. Finds
// modules in a plug-ins folder, reads their property lists, loads one and runs it over an image
// buffer through the host interface (platform/host), with the handle and scripting-descriptor
// suites of a host. Uses the platform's host interface and the image-file library.
//
// Property lists: read from the ".pipl" section of a module's file without loading it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace wfhost {

struct PluginInfo {
  std::string path;
  std::string kind;  // "8BFM" for a filter
  std::string name;  // the menu entry
  std::string category;
  std::string entryPoint;
  std::uint16_t modes = 0;  // bits of the supported modes (grey 0x4000, RGB 0x1000)
  std::string enabling;     // the enabling condition
};

// False with a reason when the file is not a module with a readable property list.
bool ReadPluginInfo(const std::string& path, PluginInfo* info, std::string* error);
// Every module (*.8bf) of the folder whose property list reads, in name order.
std::vector<PluginInfo> FindPlugins(const std::string& folder);

}  // namespace wfhost
