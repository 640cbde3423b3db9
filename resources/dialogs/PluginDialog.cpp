// The plug-in dialog (101) and its two other arrangements (109: the side column on the left;
// 111: a larger view). The view, tool bar and settings panel are placeholders the framework
// replaces; the right column's controls follow the dialog's right edge when it is resized.
#include "resources/dialogs/UiTables.h"

namespace wf_resources {
namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kResizable = DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME |
                             WS_CLIPCHILDREN;

// Places of the parts in dialog units: the view, the column beside it, the status row under it.
struct Layout {
  short viewX, viewWidth, viewHeight, columnX;
};

// The status text reaches under the column, where the panel ends above it, so that the hint
// shows whole; the last units stay clear of the size grip.
constexpr short StatusRight(const Layout& l) {
  return static_cast<short>(
      (l.viewX + l.viewWidth > l.columnX + 100 ? l.viewX + l.viewWidth : l.columnX + 100) - 10);
}

#define WF_PLUGIN_DIALOG_ITEMS(L)                                                                              \
  {WC_STATIC, "", 3003, L.viewX, 4, 80, 14, WS_CHILD, 0},                                                      \
      {WC_STATIC, "", 3002, L.viewX, 20, L.viewWidth, L.viewHeight, kChild | SS_BLACKFRAME, 0},                \
      {WC_STATIC, "100%", 1001, L.viewX, static_cast<short>(L.viewHeight + 25), 30, 8, kChild, 0},             \
      {WC_STATIC, "",       3013, static_cast<short>(L.viewX + 32), static_cast<short>(L.viewHeight + 24), 80, \
       10,        WS_CHILD, 0},                                                                                \
      {WC_STATIC,                                                                                              \
       "",                                                                                                     \
       1002,                                                                                                   \
       static_cast<short>(L.viewX + 116),                                                                      \
       static_cast<short>(L.viewHeight + 25),                                                                  \
       static_cast<short>(StatusRight(L) - (L.viewX + 116)),                                                   \
       8,                                                                                                      \
       kChild | SS_LEFTNOWORDWRAP,                                                                             \
       0},                                                                                                     \
      {WC_BUTTON, "OK", IDOK, L.columnX, 7, 48, 14, kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 0},                \
      {WC_BUTTON, "Cancel", IDCANCEL, static_cast<short>(L.columnX + 52),                                      \
       7,         48,       14,       kChild | WS_TABSTOP | BS_PUSHBUTTON,                                     \
       0},                                                                                                     \
      {WC_BUTTON, "Help", 32651, L.columnX, 25, 48, 14, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0},               \
      {WC_STATIC, "Presets:", 1009, L.columnX, 46, 100, 8, kChild, 0},                                         \
      {WC_COMBOBOX, "", 1006, L.columnX, 56, 100, 90, kChild | WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, 0}, \
      {WC_BUTTON, "Save", 1007, L.columnX, 73, 48, 14, kChild | WS_TABSTOP | BS_PUSHBUTTON, 0},                \
      {WC_BUTTON, "Delete", 1008, static_cast<short>(L.columnX + 52),                                          \
       73,        48,       14,   kChild | WS_TABSTOP | BS_PUSHBUTTON,                                         \
       0},                                                                                                     \
      {WC_STATIC, "", 1021, L.columnX, 92, 100, 1, WS_CHILD, 0},                                               \
      {WC_STATIC, "", 1005, L.columnX, 94, 100, 140, WS_CHILD, 0},

constexpr Layout k101{7, 300, 214, 314};
constexpr Layout k109{114, 300, 214, 7};
constexpr Layout k111{7, 400, 290, 414};

const DialogItemTemplate kItems101[] = {WF_PLUGIN_DIALOG_ITEMS(k101)};
const DialogItemTemplate kItems109[] = {WF_PLUGIN_DIALOG_ITEMS(k109)};
const DialogItemTemplate kItems111[] = {WF_PLUGIN_DIALOG_ITEMS(k111)};

#undef WF_PLUGIN_DIALOG_ITEMS

}  // namespace

const DialogTemplate kPluginDialog101{
    kResizable, 0, 0, 0, 421, 252, "Wendle Forge", "MS Shell Dlg", 8, kItems101, std::size(kItems101)};
const DialogTemplate kPluginDialog109{
    kResizable, 0, 0, 0, 421, 252, "Wendle Forge", "MS Shell Dlg", 8, kItems109, std::size(kItems109)};
const DialogTemplate kPluginDialog111{
    kResizable, 0, 0, 0, 521, 328, "Wendle Forge", "MS Shell Dlg", 8, kItems111, std::size(kItems111)};

}  // namespace wf_resources
