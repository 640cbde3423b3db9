// The settings panel (3017): a child dialog without caption beside the view of the plug-in
// dialog, 96 x 320 dialog units.
#include "resources/dialogs/UiTables.h"

namespace wf_resources {
namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kGroup = kChild | BS_GROUPBOX;
constexpr DWORD kPush = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kEdit = kChild | WS_TABSTOP | ES_AUTOHSCROLL;

const DialogItemTemplate kItems[] = {
    // The group picker grows to its 85 x 85 picture plus margins, about 60 x 56 units.
    {WC_BUTTON, "Tiling method", -1, 2, 2, 92, 98, kGroup, 0},
    {WC_BUTTON, "Method", 3033, 8, 12, 80, 58, kPush, 0},
    {WC_STATIC, "Edge Blending", -1, 8, 73, 80, 8, kChild, 0},
    {WC_EDIT, "", 3025, 8, 82, 80, 12, kEdit, WS_EX_CLIENTEDGE},
    {WC_BUTTON, "Apply", 3006, 2, 104, 92, 16, kPush, 0},
    {WC_BUTTON, "Seamless Tile", -1, 2, 124, 92, 124, kGroup, 0},
    {WC_STATIC, "", 3030, 8, 135, 80, 60, kChild | SS_BLACKFRAME, 0},
    {WC_STATIC, "Size: Width x Height", 3031, 8, 198, 80, 8, kChild | SS_LEFTNOWORDWRAP, 0},
    {WC_STATIC, "Tile size %:", -1, 8, 210, 80, 8, kChild, 0},
    {WC_EDIT, "", 3024, 8, 219, 80, 12, kEdit, WS_EX_CLIENTEDGE},
    {WC_BUTTON, "Save Tile", 3028, 8, 233, 80, 12, kPush, 0},
    {WC_BUTTON, "View", -1, 2, 252, 92, 64, kGroup, 0},
    {WC_BUTTON, "Show Preview", 3018, 8, 263, 80, 10, kChild | WS_TABSTOP | BS_AUTOCHECKBOX | BS_LEFTTEXT, 0},
    {WC_STATIC, "Display:", 3061, 8, 277, 80, 8, kChild, 0},
    {WC_LISTBOX, "", 3060, 8, 287, 80, 24,
     kChild | WS_TABSTOP | LBS_NOTIFY | LBS_SORT | WS_BORDER | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0},
};

}  // namespace

const DialogTemplate kSettingsPanel3017{DS_SETFONT | DS_CONTROL | WS_CHILD,
                                        0,
                                        0,
                                        0,
                                        96,
                                        320,
                                        nullptr,
                                        "Microsoft Sans Serif",
                                        8,
                                        kItems,
                                        std::size(kItems)};

}  // namespace wf_resources
