#include <string>
#include <vector>

#include "tests/platform/UiFixture.h"

namespace {

using wf_test::UiTest;

const MenuItemTemplate kContext[] = {
    {MF_POPUP | MF_END, 0, "Items"},
    {MF_STRING, 601, "Rename"},
    {MF_SEPARATOR, 0, nullptr},
    {MF_POPUP, 0, "Sort"},
    {MF_STRING, 611, "By name"},
    {MF_STRING | MF_END, 612, "By date"},
    {MF_STRING | MF_GRAYED | MF_END, 602, "Delete"},
};
const MenuResource kMenus[] = {{300, kContext}};

TEST(Menus, TemplatesBuildNestedLevels) {
  auto module = reinterpret_cast<HINSTANCE>(0x6100);
  platform::RegisterMenuTable(module, kMenus, 1);
  HMENU bar = LoadMenu(module, MAKEINTRESOURCE(300));
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(GetMenuItemCount(bar), 1);
  HMENU items = GetSubMenu(bar, 0);
  ASSERT_EQ(GetMenuItemCount(items), 4);
  EXPECT_EQ(GetMenuItemID(items, 0), 601u);
  EXPECT_EQ(GetMenuState(items, 1, MF_BYPOSITION) & MF_SEPARATOR, MF_SEPARATOR);
  HMENU sort = GetSubMenu(items, 2);
  EXPECT_EQ(GetMenuItemCount(sort), 2);
  EXPECT_EQ(GetMenuItemID(items, 3), 602u);
  EXPECT_EQ(GetMenuState(bar, 602, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);  // found in a submenu
  EXPECT_EQ(EnableMenuItem(bar, 602, MF_ENABLED), MF_GRAYED);
  EXPECT_EQ(CheckMenuItem(bar, 611, MF_CHECKED), 0u);
  EXPECT_EQ(GetMenuState(sort, 0, MF_BYPOSITION) & MF_CHECKED, MF_CHECKED);
  char text[16];
  EXPECT_EQ(GetMenuString(bar, 612, text, sizeof text, MF_BYCOMMAND), 7);
  EXPECT_STREQ(text, "By date");
  EXPECT_TRUE(DeleteMenu(items, 2, MF_BYPOSITION));
  EXPECT_FALSE(IsMenu(sort));  // went with its item
  EXPECT_EQ(LoadMenu(module, MAKEINTRESOURCE(301)), nullptr);
  DestroyMenu(bar);
  EXPECT_FALSE(IsMenu(items));
  platform::UnregisterMenuTables(module);
}

class MenuTest : public UiTest {};

TEST_F(MenuTest, ATrackedMenuPostsTheChosenCommandToItsOwner) {
  HWND owner = MakeTop({0, 0, 100, 100});
  HMENU menu = CreatePopupMenu();
  AppendMenu(menu, MF_STRING, 701, "Zoom in");
  platform::EventScript script;
  script.ChooseMenuItem(701);
  EXPECT_TRUE(TrackPopupMenu(menu, TPM_LEFTALIGN, 5, 6, 0, owner, nullptr));
  platform::PumpMessages();
  EXPECT_EQ(Messages(WM_INITMENUPOPUP).size(), 1u);
  ASSERT_EQ(Messages(WM_COMMAND).size(), 1u);
  EXPECT_EQ(Messages(WM_COMMAND)[0].wParam, 701u);
  EXPECT_EQ(script.Menus()[0].x, 5);
  DestroyMenu(menu);
}

TEST_F(MenuTest, AMenuWithoutAScriptedChoiceFailsClearly) {
  HMENU menu = CreatePopupMenu();
  AppendMenu(menu, MF_STRING, 701, "Zoom in");
  platform::EventScript script;
  script.AnswerMessageBox(IDOK);
  EXPECT_THROW(TrackPopupMenu(menu, TPM_RETURNCMD, 0, 0, 0, nullptr, nullptr), platform::ScriptFailure);
  DestroyMenu(menu);
}

TEST_F(MenuTest, AcceleratorsMatchKeysWithTheirModifiersAndCharacters) {
  HWND target = MakeTop({0, 0, 10, 10});
  const ACCEL entries[] = {{FVIRTKEY | FCONTROL, 'Z', 801}, {0, '-', 802}};
  HACCEL table = CreateAcceleratorTable(entries, 2);
  MSG keyZ{target, WM_KEYDOWN, 'Z', 0, 0, {}};
  EXPECT_EQ(TranslateAccelerator(target, table, &keyZ), 0);  // Ctrl is not down
  platform::KeyDown(VK_CONTROL);
  platform::PumpMessages();
  EXPECT_EQ(TranslateAccelerator(target, table, &keyZ), 1);
  platform::KeyUp(VK_CONTROL);
  platform::PumpMessages();
  MSG minus{target, WM_CHAR, '-', 0, 0, {}};
  MSG minusKey{target, WM_KEYDOWN, '-', 0, 0, {}};
  EXPECT_EQ(TranslateAccelerator(target, table, &minus), 1);
  EXPECT_EQ(TranslateAccelerator(target, table, &minusKey), 0);
  std::vector<WPARAM> commands;
  for (const auto& seen : Messages(WM_COMMAND)) commands.push_back(seen.wParam);
  EXPECT_EQ(commands, (std::vector<WPARAM>{MAKEWPARAM(801, 1), MAKEWPARAM(802, 1)}));
  EXPECT_TRUE(DestroyAcceleratorTable(table));
  EXPECT_FALSE(DestroyAcceleratorTable(table));
  EXPECT_EQ(TranslateAccelerator(target, table, &minus), 0);
}

// A child dialog (DS_CONTROL) inside a window, with a default button set at run time and
// numbers read back from an edit.
const DialogItemTemplate kPanelItems[] = {
    {WC_EDIT, "12", 11, 4, 4, 40, 12, WS_VISIBLE | WS_TABSTOP, 0},
    {WC_BUTTON, "First", 12, 4, 20, 40, 14, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0},
    {WC_BUTTON, "Second", 13, 50, 20, 40, 14, WS_VISIBLE | WS_TABSTOP, 0},
};
const DialogTemplate kPanel{DS_SETFONT | DS_CONTROL | WS_CHILD | WS_VISIBLE,
                            0,
                            10,
                            10,
                            100,
                            40,
                            nullptr,
                            "MS Shell Dlg",
                            8,
                            kPanelItems,
                            std::size(kPanelItems)};

TEST_F(MenuTest, ChildDialogsSitInTheirParentAndAnswerTheirDefaultButton) {
  HWND host = MakeTop({50, 50, 350, 250});
  HWND panel = CreateDialogIndirectParam(nullptr, &kPanel, host, nullptr, 0);
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(GetParent(panel), host);
  EXPECT_TRUE(GetWindowLongPtr(panel, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
  RECT base{10, 10, 0, 0};
  MapDialogRect(panel, &base);
  RECT placed;
  GetWindowRect(panel, &placed);
  EXPECT_EQ(placed.left, 50 + base.left);
  BOOL ok = FALSE;
  EXPECT_EQ(GetDlgItemInt(panel, 11, &ok, TRUE), 12u);
  EXPECT_TRUE(ok);
  SetDlgItemText(panel, 11, "12x");
  GetDlgItemInt(panel, 11, &ok, TRUE);
  EXPECT_FALSE(ok);
  EXPECT_EQ(LOWORD(SendMessage(panel, DM_GETDEFID, 0, 0)), 12);
  SendMessage(panel, DM_SETDEFID, 13, 0);
  EXPECT_EQ(LOWORD(SendMessage(panel, DM_GETDEFID, 0, 0)), 13);
  EXPECT_EQ(GetWindowLongPtr(GetDlgItem(panel, 12), GWL_STYLE) & BS_TYPEMASK,
            static_cast<LONG_PTR>(BS_PUSHBUTTON));
  EXPECT_EQ(GetWindowLongPtr(GetDlgItem(panel, 13), GWL_STYLE) & BS_TYPEMASK,
            static_cast<LONG_PTR>(BS_DEFPUSHBUTTON));
  SetFocus(GetDlgItem(panel, 11));
  MSG enter{GetDlgItem(panel, 11), WM_KEYDOWN, VK_RETURN, 0, 0, {}};
  EXPECT_TRUE(IsDialogMessage(panel, &enter));
  MSG elsewhere{host, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
  EXPECT_FALSE(IsDialogMessage(panel, &elsewhere));
  // Shift+Tab walks back and wraps.
  platform::KeyDown(VK_SHIFT);
  platform::PumpMessages();
  MSG tab{GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
  IsDialogMessage(panel, &tab);
  EXPECT_EQ(GetDlgCtrlID(GetFocus()), 13);
  platform::KeyUp(VK_SHIFT);
  platform::PumpMessages();
}

TEST_F(MenuTest, ComboAndTrackbarFollowKeysAndDrags) {
  HWND host = MakeTop({0, 0, 300, 200});
  HWND combo = CreateWindowEx(0, WC_COMBOBOX, "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 10, 10, 100, 80,
                              host, reinterpret_cast<HMENU>(1), nullptr, nullptr);
  for (const char* text : {"P1", "P2", "PM"})
    SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  RECT field;
  GetClientRect(combo, &field);
  EXPECT_LT(field.bottom, 40);  // the field keeps its own height; the list takes the rest
  SetFocus(combo);
  platform::Key(VK_DOWN);
  platform::Key(VK_DOWN);
  platform::Key(VK_END);
  platform::Key(VK_DOWN);
  platform::PumpMessages();
  EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 2);
  std::vector<int> changes;
  for (const auto& seen : Messages(WM_COMMAND)) {
    if (HIWORD(seen.wParam) == CBN_SELCHANGE) changes.push_back(1);
  }
  EXPECT_EQ(changes.size(), 3u);  // the last key changed nothing
  HWND track = CreateWindowEx(0, TRACKBAR_CLASS, "", WS_CHILD | WS_VISIBLE, 10, 60, 116, 30, host,
                              reinterpret_cast<HMENU>(2), nullptr, nullptr);
  SendMessage(track, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
  // The thumb sits at the channel's start; dragging it to the end moves to the maximum.
  platform::Drag({platform::ClientPoint(track, 8, 12), platform::ClientPoint(track, 60, 12),
                  platform::ClientPoint(track, 200, 12)});
  platform::PumpMessages();
  EXPECT_EQ(SendMessage(track, TBM_GETPOS, 0, 0), 100);
  std::vector<WORD> codes;
  for (const auto& seen : Messages(WM_HSCROLL)) codes.push_back(LOWORD(seen.wParam));
  ASSERT_GE(codes.size(), 3u);
  EXPECT_EQ(codes.front(), TB_THUMBTRACK);
  EXPECT_EQ(codes[codes.size() - 2], TB_THUMBPOSITION);
  EXPECT_EQ(codes.back(), TB_ENDTRACK);
}

}  // namespace
