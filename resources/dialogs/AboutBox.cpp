// The about box (107): four centred lines that the box fills from the version block.
#include "resources/dialogs/UiTables.h"

namespace wf_resources {
namespace {

constexpr DWORD kLine = WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX;

const DialogItemTemplate kItems[] = {
    {WC_STATIC, "Plugin name", 1014, 7, 10, 216, 10, kLine, 0},
    {WC_STATIC, "Plugin vendor", 1015, 7, 26, 216, 10, kLine, 0},
    {WC_STATIC, "Plugin authors", 1016, 7, 42, 216, 10, kLine, 0},
    {WC_STATIC, "Plugin description", 1017, 7, 58, 216, 18, kLine, 0},
};

}  // namespace

const DialogTemplate kAboutBox107{DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU,
                                  0,
                                  0,
                                  0,
                                  230,
                                  84,
                                  "About",
                                  "MS Shell Dlg",
                                  8,
                                  kItems,
                                  std::size(kItems)};

}  // namespace wf_resources
