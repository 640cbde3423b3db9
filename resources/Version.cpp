#include "platform/win32/Version.h"
#include "resources/detail/Tables.h"

namespace resources::detail {

const std::vector<BYTE>& VersionBlock() {
  static const std::vector<BYTE> block = [] {
    VS_FIXEDFILEINFO fixed{};
    fixed.dwSignature = 0xFEEF04BD;
    fixed.dwStrucVersion = 0x00010000;
    fixed.dwFileVersionMS = fixed.dwProductVersionMS = WF_VERSION_MAJOR << 16 | WF_VERSION_MINOR;
    fixed.dwFileVersionLS = fixed.dwProductVersionLS = WF_VERSION_PATCH << 16;
    fixed.dwFileFlagsMask = 0x3F;
    fixed.dwFileOS = 0x00040004;  // 32-bit Windows NT, as the host expects of its plug-ins
    fixed.dwFileType = 2;         // a library
    const std::string version = WF_VERSION_TEXT;
    return platform::MakeVersionBlock(
        fixed, {{0x0409,
                 0x04B0,
                 {{"Comments",
                   "Makes seamless tiles in the 17 plane symmetry groups; a filter plug-in "
                   "for image editors"},
                  {"CompanyName", "Veltra Moor"},
                  {"FileDescription", "Wendle Forge filter plug-in"},
                  {"FileVersion", version},
                  {"InternalName", "WendleForge"},
                  {"LegalCopyright", "Copyright (C) 2026 "},
                  {"LegalTrademarks", "Veltramoor Software"},
                  {"OriginalFilename", "WendleForge.8bf"},
                  {"ProductName", "Wendle Forge"},
                  {"ProductVersion", version}}}});
  }();
  return block;
}

}  // namespace resources::detail
