// The preset name dialog (102): one edit for the name, OK and Cancel.
#include "resources/dialogs/UiTables.h"

namespace wf_resources {
namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

const DialogItemTemplate kItems[] = {
    {WC_STATIC, "Preset Name:", -1, 7, 10, 48, 8, kChild, 0},
    {WC_EDIT, "", 1010, 58, 8, 121, 12, kChild | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
    {WC_BUTTON, "OK", IDOK, 75, 30, 50, 14, kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 0},
    {WC_BUTTON, "Cancel", IDCANCEL, 129, 30, 50, 14, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0},
};

}  // namespace

const DialogTemplate kPresetNameDialog102{
    DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU,
    0,
    0,
    0,
    186,
    51,
    "Save Preset",
    "MS Shell Dlg",
    8,
    kItems,
    std::size(kItems)};

}  // namespace wf_resources
