#include "platform/win32/Module.h"

#include <dlfcn.h>
#include <link.h>
#include <strings.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/win32/Error.h"

namespace {

struct LoadedModule {
  HMODULE handle = nullptr;
  std::string path;
};

std::string ProgramPath() {
  char buffer[4096];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
}

// Where the object's ELF header is mapped: its first loaded segment, the one at file offset 0.
HMODULE MappedAt(const dl_phdr_info& info) {
  for (int i = 0; i < info.dlpi_phnum; ++i) {
    const ElfW(Phdr)& header = info.dlpi_phdr[i];
    if (header.p_type == PT_LOAD && header.p_offset == 0) {
      return reinterpret_cast<HMODULE>(info.dlpi_addr + header.p_vaddr);
    }
  }
  return nullptr;
}

// The file mapped at the address as the kernel names it, a full path whatever name it was loaded
// by; empty when none is.
std::string FileMappedAt(HMODULE address) {
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) {
    if (std::strtoull(line.c_str(), nullptr, 16) != reinterpret_cast<std::uintptr_t>(address)) continue;
    const std::size_t slash = line.find('/');
    return slash == std::string::npos ? std::string() : line.substr(slash);
  }
  return std::string();
}

template <class Match>
LoadedModule FindModule(Match match) {
  struct Search {
    Match* match;
    LoadedModule found;
    bool first = true;
  } search{&match, {}};
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* data) {
        auto* s = static_cast<Search*>(data);
        // The first object listed is the program, whose name the list leaves empty.
        LoadedModule candidate{MappedAt(*info), s->first ? ProgramPath() : info->dlpi_name};
        s->first = false;
        if (!candidate.handle || candidate.path.empty() || !(*s->match)(candidate)) return 0;
        s->found = candidate;
        return 1;
      },
      &search);
  // A module loaded by a relative name keeps its file when the working folder changes.
  if (!search.found.path.empty() && search.found.path[0] != '/') {
    const std::string file = FileMappedAt(search.found.handle);
    if (!file.empty()) search.found.path = file;
  }
  return search.found;
}

LoadedModule Program() {
  return FindModule([](const LoadedModule&) { return true; });
}

std::string BaseName(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

HMODULE GetModuleHandle(LPCSTR name) {
  LoadedModule module = name ? FindModule([name](const LoadedModule& m) {
    return strcasecmp(BaseName(m.path).c_str(), name) == 0;
  })
                             : Program();
  if (!module.handle) SetLastError(ERROR_MOD_NOT_FOUND);
  return module.handle;
}

DWORD GetModuleFileName(HMODULE module, LPSTR fileName, DWORD size) {
  HMODULE wanted = platform::CanonicalModule(module);
  LoadedModule found = FindModule([wanted](const LoadedModule& m) { return m.handle == wanted; });
  if (!found.handle) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  if (!fileName || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  DWORD length = static_cast<DWORD>(found.path.size());
  bool cut = length >= size;
  if (cut) length = size - 1;
  found.path.copy(fileName, length);
  fileName[length] = '\0';
  SetLastError(cut ? ERROR_INSUFFICIENT_BUFFER : ERROR_SUCCESS);
  return cut ? size : length;
}

namespace platform {

HMODULE ModuleOfAddress(const void* address) {
  Dl_info info;
  if (!dladdr(address, &info) || !info.dli_fbase) return nullptr;
  return static_cast<HMODULE>(info.dli_fbase);
}

HMODULE CanonicalModule(HMODULE module) {
  static const HMODULE program = Program().handle;
  return module ? module : program;
}

}  // namespace platform
