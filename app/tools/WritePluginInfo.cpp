// Writes the module's property list as a source file that places it in the ELF section
// ".pipl", where a host reads it from the module's file before loading the module, as it reads
// the resource of a module on the platform the filter was designed for.
#include <cstdio>

#include "platform/win32/ModuleResource.h"
#include "resources/Resources.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.cpp\n", argv[0]);
    return 2;
  }
  resources::RegisterModuleResources(nullptr);
  HRSRC found = FindResource(nullptr, MAKEINTRESOURCE(resources::kPluginInfo), "PiPL");
  const auto* bytes = static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, found)));
  const DWORD size = SizeofResource(nullptr, found);
  if (!bytes || size == 0) return 1;
  FILE* out = std::fopen(argv[1], "w");
  if (!out) return 1;
  std::fprintf(out, "// Generated from the module's resources.\n");
  std::fprintf(out, "__attribute__((section(\".pipl\"), used)) static const unsigned char kPluginInfo[] = {");
  for (DWORD i = 0; i < size; ++i) std::fprintf(out, "%s%u", i % 24 ? ", " : ",\n    " + (i == 0), bytes[i]);
  std::fprintf(out, "};\n");
  return std::fclose(out) == 0 ? 0 : 1;
}
