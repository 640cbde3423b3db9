// The tile window (3022): a resizable modeless dialog with the viewing frame, the
// "Show originals" check box and the zoom buttons with their label between them.
#include "resources/dialogs/UiTables.h"

namespace wf_resources {
namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

const DialogItemTemplate kItems[] = {
    {WC_STATIC, "", 3033, 7, 7, 196, 104, kChild | SS_BLACKFRAME, 0},
    {WC_BUTTON, "Show originals", 3019, 7, 117, 80, 10, kChild | WS_TABSTOP | BS_AUTOCHECKBOX, 0},
    {WC_BUTTON, "-", 3032, 131, 115, 14, 14, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0},
    {WC_STATIC, "5000%", 3036, 147, 118, 40, 8, kChild | SS_CENTER, 0},
    {WC_BUTTON, "+", 3035, 189, 115, 14, 14, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0},
};

}  // namespace

const DialogTemplate kTileWindow3022{DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME,
                                     0,
                                     0,
                                     0,
                                     210,
                                     134,
                                     "Wendle Forge Preview",
                                     "MS Shell Dlg",
                                     8,
                                     kItems,
                                     std::size(kItems)};

}  // namespace wf_resources
