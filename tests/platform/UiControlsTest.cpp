#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi/Dib.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Text.h"
#include "platform/ui/Capture.h"
#include "platform/ui/detail/Controls.h"
#include "platform/win32/Clock.h"
#include "tests/platform/ShownCheck.h"
#include "tests/platform/UiFixture.h"

namespace {

using wf_test::UiTest;

class ControlsTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    parent_ = MakeTop({100, 100, 400, 300});
  }
  HWND Control(LPCSTR className, DWORD style, RECT r = {10, 10, 110, 34}, int id = 7, LPCSTR text = "") {
    return CreateWindowEx(0, className, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                          r.bottom - r.top, parent_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          nullptr, nullptr);
  }
  // Notification codes of WM_COMMAND from the control with id 7, in order.
  std::vector<int> Codes() {
    std::vector<int> codes;
    for (const auto& seen : Messages(WM_COMMAND)) {
      if (LOWORD(seen.wParam) == 7) codes.push_back(HIWORD(seen.wParam));
    }
    return codes;
  }
  HWND parent_ = nullptr;
};

TEST_F(ControlsTest, EditReportsEveryChangeAndKeepsItsSelection) {
  HWND edit = Control(WC_EDIT, ES_AUTOHSCROLL);
  SetWindowText(edit, "tile");
  EXPECT_EQ(Codes(), (std::vector<int>{EN_UPDATE, EN_CHANGE}));
  SetFocus(edit);
  SendMessage(edit, EM_SETSEL, 1, 3);
  DWORD from = 0, to = 0;
  SendMessage(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(std::make_pair(from, to), std::make_pair(1u, 3u));
  platform::TypeText("X");
  platform::PumpMessages();
  EXPECT_EQ(WindowText(edit), "tXe");
  platform::Key(VK_HOME);
  platform::Key(VK_DELETE);
  platform::Key(VK_END);
  platform::Key(VK_BACK);
  platform::PumpMessages();
  EXPECT_EQ(WindowText(edit), "X");
  EXPECT_EQ(Codes().back(), EN_CHANGE);
  SendMessage(edit, EM_SETSEL, 0, -1);
  SendMessage(edit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("abc"));
  EXPECT_EQ(WindowText(edit), "abc");
}

TEST_F(ControlsTest, EditIsModifiedByTypingOnly) {
  HWND edit = Control(WC_EDIT, ES_AUTOHSCROLL);
  SetFocus(edit);
  platform::TypeText("7");
  platform::PumpMessages();
  EXPECT_TRUE(SendMessage(edit, EM_GETMODIFY, 0, 0));
  SetWindowText(edit, "12");
  EXPECT_FALSE(SendMessage(edit, EM_GETMODIFY, 0, 0));
}

// Each character typed costs the same however long the text already is: the text is not measured
// a beginning at a time, nor its glyphs loaded anew, for every character typed.
TEST_F(ControlsTest, TypingIntoALongTextCostsWhatTypingIntoAShortOneDoes) {
  HWND edit = Control(WC_EDIT, ES_AUTOHSCROLL);
  SetFocus(edit);
  auto typeHundred = [&](char c) {
    const platform::TextWork before = platform::TextWorkSoFar();
    for (int i = 0; i < 100; ++i) {
      const char typed[] = {c, '\0'};
      platform::TypeText(typed);
      platform::PumpMessages();
    }
    const platform::TextWork after = platform::TextWorkSoFar();
    return platform::TextWork{after.fontsRealized - before.fontsRealized,
                              after.glyphsLoaded - before.glyphsLoaded};
  };
  typeHundred('a');
  const platform::TextWork second = typeHundred('b'), third = typeHundred('c');
  EXPECT_EQ(GetWindowTextLength(edit), 300);
  // The hundred typed after 200 characters against those after 100.
  EXPECT_LE(third.fontsRealized, second.fontsRealized + second.fontsRealized / 2);
  EXPECT_LE(third.glyphsLoaded, second.glyphsLoaded + second.glyphsLoaded / 2);
}

TEST_F(ControlsTest, EditLimitsAndFiltersWhatIsTyped) {
  HWND edit = Control(WC_EDIT, ES_NUMBER);
  SendMessage(edit, EM_LIMITTEXT, 3, 0);
  SetFocus(edit);
  platform::TypeText("1a2345");
  platform::PumpMessages();
  EXPECT_EQ(WindowText(edit), "123");
}

TEST_F(ControlsTest, CheckBoxesToggleOnClickAndSpace) {
  HWND box = Control(WC_BUTTON, BS_AUTOCHECKBOX, {10, 10, 110, 30}, 7, "Show Preview");
  platform::Click(platform::CentreOf(box));
  platform::PumpMessages();
  EXPECT_EQ(SendMessage(box, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
  platform::Key(VK_SPACE);
  platform::PumpMessages();
  EXPECT_EQ(SendMessage(box, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_UNCHECKED));
  EXPECT_EQ(Codes(), (std::vector<int>{BN_CLICKED, BN_CLICKED}));
}

TEST_F(ControlsTest, ARadioClickUnchecksOnlyItsOwnGroup) {
  HWND a = Control(WC_BUTTON, BS_AUTORADIOBUTTON | WS_GROUP, {10, 10, 110, 30}, 7, "A");
  HWND b = Control(WC_BUTTON, BS_AUTORADIOBUTTON, {10, 30, 110, 50}, 8, "B");
  HWND c = Control(WC_BUTTON, BS_AUTORADIOBUTTON | WS_GROUP, {10, 50, 110, 70}, 9, "C");
  HWND d = Control(WC_BUTTON, BS_AUTORADIOBUTTON, {10, 70, 110, 90}, 10, "D");
  for (HWND button : {a, b, c, d})  // in their order, as a dialog lays out its controls
    SetWindowPos(button, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SendMessage(b, BM_SETCHECK, BST_CHECKED, 0);
  SendMessage(c, BM_SETCHECK, BST_CHECKED, 0);
  platform::Click(platform::CentreOf(a));
  platform::PumpMessages();
  const auto checked = [](HWND button) { return SendMessage(button, BM_GETCHECK, 0, 0) == BST_CHECKED; };
  EXPECT_EQ((std::vector<bool>{checked(a), checked(b), checked(c), checked(d)}),
            (std::vector<bool>{true, false, true, false}));
}

TEST_F(ControlsTest, ReleasingOutsideAPushButtonDoesNotClick) {
  HWND button = Control(WC_BUTTON, BS_PUSHBUTTON);
  platform::Drag({platform::CentreOf(button), POINT{5, 5}});
  platform::PumpMessages();
  EXPECT_TRUE(Codes().empty());
}

TEST_F(ControlsTest, OwnerDrawnButtonsAskTheirParentToDraw) {
  HWND button = Control(WC_BUTTON, BS_OWNERDRAW);
  UINT state = 0, id = 0;
  Handlers()[parent_] = [&](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT*) {
    if (message != WM_DRAWITEM) return false;
    auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    state = item->itemState;
    id = item->CtlID;
    return false;
  };
  SetFocus(button);
  SendMessage(button, BM_SETSTATE, TRUE, 0);
  platform::Capture(parent_);
  EXPECT_EQ(id, 7u);
  EXPECT_EQ(state, ODS_SELECTED | ODS_FOCUS);
}

TEST_F(ControlsTest, SortedListBoxReportsTheChosenRow) {
  HWND list = Control(WC_LISTBOX, LBS_NOTIFY | LBS_SORT, {10, 10, 110, 80});
  SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Result"));
  EXPECT_EQ(SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Original")), 0);
  int rowHeight = static_cast<int>(SendMessage(list, LB_GETITEMHEIGHT, 0, 0));
  platform::Click(platform::ClientPoint(list, 5, rowHeight + 2));
  platform::PumpMessages();
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 1);
  char text[32];
  SendMessage(list, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "Result");
  EXPECT_EQ(Codes(), (std::vector<int>{LBN_SELCHANGE}));
  EXPECT_EQ(SendMessage(list, LB_SETCURSEL, 5, 0), LB_ERR);
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), -1);
}

TEST_F(ControlsTest, DeletingARowAboveTheSelectionKeepsTheSelectedItem) {
  HWND list = Control(WC_LISTBOX, 0, {10, 10, 110, 80}, 7);
  HWND combo = Control(WC_COMBOBOX, CBS_DROPDOWNLIST, {120, 10, 220, 34}, 8);
  for (LPCSTR item : {"a", "b", "c"}) {
    SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  }
  SendMessage(list, LB_SETCURSEL, 2, 0);
  SendMessage(combo, CB_SETCURSEL, 2, 0);
  SendMessage(list, LB_DELETESTRING, 0, 0);
  SendMessage(combo, CB_DELETESTRING, 0, 0);
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 1);
}

TEST_F(ControlsTest, RangedControlsClampTheirPositions) {
  HWND progress = Control(PROGRESS_CLASS, 0);
  SendMessage(progress, PBM_SETRANGE32, 10, 20);
  SendMessage(progress, PBM_SETPOS, 50, 0);
  EXPECT_EQ(SendMessage(progress, PBM_GETPOS, 0, 0), 20);
  HWND track = Control(TRACKBAR_CLASS, 0);
  SendMessage(track, TBM_SETRANGE, TRUE, MAKELPARAM(0, 8));
  SendMessage(track, TBM_SETPOS, TRUE, -3);
  EXPECT_EQ(SendMessage(track, TBM_GETPOS, 0, 0), 0);
  SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 10, 200, 0};
  EXPECT_EQ(SetScrollInfo(parent_, SB_VERT, &info, FALSE), 90);  // the last page
  EXPECT_EQ(GetScrollPos(parent_, SB_VERT), 90);
}

TEST_F(ControlsTest, RadioButtonsAreRoundAndDisabledTextIsEtched) {
  HWND radio = Control(WC_BUTTON, BS_AUTORADIOBUTTON, {10, 10, 110, 30}, 7, "Round");
  HWND check = Control(WC_BUTTON, BS_AUTOCHECKBOX, {10, 40, 110, 60}, 8, "Square");
  HWND label = Control(WC_STATIC, SS_LEFT | WS_DISABLED, {10, 70, 110, 90}, 9, "Etched");
  SendMessage(radio, BM_SETCHECK, BST_CHECKED, 0);
  platform::CapturedImage image = platform::Capture(parent_);
  if (const char* dir = std::getenv("WF_TEST_TMPDIR"))
    platform::WritePng(image, std::string(dir) + "/radio-check-etched.png");
  const std::uint32_t face = 0xFF000000u | 0xD4D0C8, white = 0xFFFFFFFF, black = 0xFF000000;
  auto at = [&](HWND control, int x, int y) {
    POINT point = platform::ClientPoint(control, x, y);
    return image.At(point.x - 100, point.y - 100);
  };
  // The radio's box leaves its corners to the face; the check box fills its own; the dot is in the middle.
  EXPECT_EQ(at(radio, 0, 4), face);
  EXPECT_NE(at(check, 0, 4), face);
  EXPECT_EQ(at(radio, 5, 10), black);
  // Disabled text: a white highlight under grey strokes, nothing black.
  int highlights = 0, shadows = 0, blacks = 0;
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 100; ++x) {
      std::uint32_t pixel = at(label, x, y);
      highlights += pixel == white;
      shadows += pixel == 0xFF808080u;
      blacks += pixel == black;
    }
  }
  EXPECT_GT(highlights, 10);
  EXPECT_GT(shadows, 10);
  EXPECT_EQ(blacks, 0);
}

TEST_F(ControlsTest, AListsBarFollowsItsRowsAndAnswersTheMouse) {
  HWND list = Control(WC_LISTBOX, WS_VSCROLL | WS_BORDER, {10, 10, 110, 70});
  auto thumbAt = [list](int y) {
    // The colour on the bar's middle column, `y` pixels down its client height.
    RECT bar = platform::detail::WindowScrollBarRect(list, SB_VERT);
    platform::CapturedImage image = platform::Capture(list);
    RECT window;
    GetWindowRect(list, &window);
    return image.At((bar.left + bar.right) / 2 - window.left, bar.top + y - window.top);
  };
  const std::uint32_t track = 0xFFE0E0E0, face = 0xFFD4D0C8;
  RECT bar = platform::detail::WindowScrollBarRect(list, SB_VERT);
  const int length = bar.bottom - bar.top, arrow = bar.right - bar.left;
  EXPECT_EQ(thumbAt(arrow + 2), track) << "an empty list has no thumb";
  for (int i = 0; i < 12; ++i) SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("row"));
  EXPECT_EQ(thumbAt(arrow + 2), face);
  EXPECT_EQ(thumbAt(length - arrow - 4), track);
  SendMessage(list, LB_SETCURSEL, 11, 0);
  EXPECT_GT(SendMessage(list, LB_GETTOPINDEX, 0, 0), 0);
  EXPECT_EQ(GetScrollPos(list, SB_VERT), SendMessage(list, LB_GETTOPINDEX, 0, 0));
  EXPECT_EQ(thumbAt(arrow + 2), track);
  EXPECT_EQ(thumbAt(length - arrow - 4), face);
  wf_test::ShownCheck::Keep(platform::Capture(list), "list-bar-scrolled");
  // The up arrow scrolls a row, the track above the thumb a page.
  int top = static_cast<int>(SendMessage(list, LB_GETTOPINDEX, 0, 0));
  SCROLLINFO info{sizeof info, SIF_PAGE, 0, 0, 0, 0, 0};
  GetScrollInfo(list, SB_VERT, &info);
  platform::Click(POINT{(bar.left + bar.right) / 2, bar.top + 3});
  platform::PumpMessages();
  EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), top - 1);
  platform::Click(POINT{(bar.left + bar.right) / 2, bar.top + arrow + 2});
  platform::PumpMessages();
  EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), std::max(0, top - 1 - static_cast<int>(info.nPage)));
  EXPECT_EQ(GetScrollPos(list, SB_VERT), SendMessage(list, LB_GETTOPINDEX, 0, 0));
}

TEST_F(ControlsTest, ADropDownListScrollsFollowsThePointerAndPicksOnRelease) {
  HWND combo = Control(WC_COMBOBOX, CBS_DROPDOWNLIST | WS_VSCROLL, {10, 10, 110, 100});
  for (const char* name : {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"})
    SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  SendMessage(combo, CB_SETCURSEL, 7, 0);
  // Press on the field, drag down the rows and let go on one.
  const POINT field = platform::CentreOf(combo);
  platform::MouseDown(platform::MouseButton::Left, field);
  platform::PumpMessages();
  HWND drop = GetCapture();
  ASSERT_NE(drop, nullptr);
  EXPECT_TRUE(GetWindowLongPtr(drop, GWL_STYLE) & WS_VSCROLL);
  const int height = static_cast<int>(SendMessage(drop, LB_GETITEMHEIGHT, 0, 0));
  const int top = static_cast<int>(SendMessage(drop, LB_GETTOPINDEX, 0, 0));
  platform::MouseMove(platform::ClientPoint(drop, 10, height / 2));
  platform::PumpMessages();
  EXPECT_EQ(SendMessage(drop, LB_GETCURSEL, 0, 0), top);
  platform::MouseMove(platform::ClientPoint(drop, 10, height + height / 2));
  platform::PumpMessages();
  EXPECT_EQ(SendMessage(drop, LB_GETCURSEL, 0, 0), top + 1);
  platform::MouseUp(platform::MouseButton::Left, platform::ClientPoint(drop, 10, height + height / 2));
  platform::PumpMessages();
  EXPECT_FALSE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), top + 1);
  // A click opens it; its bar brings the first rows into reach.
  platform::Click(field);
  platform::PumpMessages();
  drop = GetCapture();
  ASSERT_NE(drop, nullptr);
  wf_test::ShownCheck::Keep(platform::Capture(drop), "drop-down-open");
  RECT bar = platform::detail::WindowScrollBarRect(drop, SB_VERT);
  for (int i = 0; i < 10; ++i) platform::Click(POINT{(bar.left + bar.right) / 2, bar.top + 3});
  platform::PumpMessages();
  ASSERT_TRUE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(SendMessage(drop, LB_GETTOPINDEX, 0, 0), 0);
  platform::Click(platform::ClientPoint(drop, 10, height / 2));
  platform::PumpMessages();
  EXPECT_EQ(SendMessage(combo, CB_GETCURSEL, 0, 0), 0);
}

TEST_F(ControlsTest, AQuickSecondPressOnADropDownsFieldOpensItAsTheFirstDid) {
  HWND combo = Control(WC_COMBOBOX, CBS_DROPDOWNLIST, {10, 10, 110, 100});
  SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("One"));
  std::vector<bool> open;
  for (bool second : {false, true, true}) {  // the press after an Esc within the double-click time
    platform::MouseDown(platform::MouseButton::Left, platform::CentreOf(combo), second);
    platform::MouseUp(platform::MouseButton::Left, platform::CentreOf(combo));
    platform::PumpMessages();
    open.push_back(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0) != 0);
    if (open.back()) {
      platform::Key(VK_ESCAPE);
      platform::PumpMessages();
    }
  }
  EXPECT_EQ(open, (std::vector<bool>{true, true, true}));
}

TEST_F(ControlsTest, ATrackbarPagesByAFifthOfItsRangeUntilToldItsPage) {
  HWND track = Control(TRACKBAR_CLASS, 0, {10, 10, 210, 40});
  SendMessage(track, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
  EXPECT_EQ(SendMessage(track, TBM_GETPAGESIZE, 0, 0), 2);
  platform::Click(platform::ClientPoint(track, 190, 12));
  platform::PumpMessages();
  EXPECT_EQ(SendMessage(track, TBM_GETPOS, 0, 0), 2);
  EXPECT_EQ(SendMessage(track, TBM_SETPAGESIZE, 0, 3), 2);
  SetFocus(track);
  platform::Key(VK_NEXT);
  platform::PumpMessages();
  EXPECT_EQ(SendMessage(track, TBM_GETPOS, 0, 0), 5);
}

TEST_F(ControlsTest, UpDownStepsItsBuddyAndTheParentMayRefuse) {
  HWND buddy = Control(WC_EDIT, 0, {10, 10, 60, 30}, 8);
  HWND spin = Control(UPDOWN_CLASS, UDS_SETBUDDYINT | UDS_ALIGNRIGHT, {60, 10, 76, 30});
  SendMessage(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy), 0);
  SendMessage(spin, UDM_SETRANGE32, 0, 2);
  platform::Click(platform::ClientPoint(spin, 3, 2));
  platform::Click(platform::ClientPoint(spin, 3, 2));
  platform::Click(platform::ClientPoint(spin, 3, 2));
  platform::PumpMessages();
  EXPECT_EQ(SendMessage(spin, UDM_GETPOS32, 0, 0), 2);
  EXPECT_EQ(WindowText(buddy), "2");
  Handlers()[parent_] = [](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT* result) {
    if (message != WM_NOTIFY || reinterpret_cast<NMHDR*>(lParam)->code != UDN_DELTAPOS) return false;
    *result = TRUE;
    return true;
  };
  RECT client;
  GetClientRect(spin, &client);
  platform::Click(platform::ClientPoint(spin, 3, client.bottom - 2));
  platform::PumpMessages();
  EXPECT_EQ(SendMessage(spin, UDM_GETPOS32, 0, 0), 2);
}

TEST_F(ControlsTest, ToolTipAsksForItsTextAfterTheDelay) {
  platform::VirtualClockScope clock;
  HWND button = Control(WC_BUTTON, 0, {10, 10, 110, 34}, 3006);
  HWND tip = CreateWindowEx(0, TOOLTIPS_CLASS, nullptr, WS_POPUP, 0, 0, 0, 0, parent_, nullptr, nullptr,
                            nullptr);
  TOOLINFO tool{sizeof tool, TTF_IDISHWND | TTF_SUBCLASS, parent_, reinterpret_cast<UINT_PTR>(button), {},
                nullptr,     LPSTR_TEXTCALLBACK,          0};
  SendMessage(tip, TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&tool));
  Handlers()[parent_] = [](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT*) {
    auto* info = reinterpret_cast<NMTTDISPINFO*>(lParam);
    if (message == WM_NOTIFY && info->hdr.code == TTN_NEEDTEXTA)
      std::strcpy(info->szText, "Apply the settings");
    return false;
  };
  platform::MouseMove(platform::CentreOf(button));
  platform::PumpMessages();
  EXPECT_FALSE(IsWindowVisible(tip));
  platform::AdvanceVirtualClock(std::chrono::milliseconds(600));
  platform::PumpMessages();
  EXPECT_TRUE(IsWindowVisible(tip));
  platform::MouseMove(POINT{105, 290});
  platform::PumpMessages();
  platform::AdvanceVirtualClock(std::chrono::milliseconds(200));
  platform::PumpMessages();
  EXPECT_FALSE(IsWindowVisible(tip));

  // A drag passing over the button, begun elsewhere, shows no tip.
  platform::MouseDown(platform::MouseButton::Left, POINT{105, 290});
  platform::MouseMove(platform::CentreOf(button));
  platform::PumpMessages();
  platform::AdvanceVirtualClock(std::chrono::milliseconds(600));
  platform::PumpMessages();
  EXPECT_FALSE(IsWindowVisible(tip)) << "during a drag";
  platform::MouseUp(platform::MouseButton::Left, platform::CentreOf(button));
  platform::MouseMove(platform::CentreOf(button));
  platform::PumpMessages();
  platform::AdvanceVirtualClock(std::chrono::milliseconds(600));
  platform::PumpMessages();
  EXPECT_TRUE(IsWindowVisible(tip)) << "once the button is up";
}

TEST_F(ControlsTest, SizeGripSizesItsTopLevelWindow) {
  RECT client;
  GetClientRect(parent_, &client);
  HWND grip = Control(WC_SCROLLBAR, SBS_SIZEGRIP,
                      {client.right - 16, client.bottom - 16, client.right, client.bottom}, 0);
  POINT corner = platform::ClientPoint(grip, 10, 10);
  platform::Drag({corner, POINT{corner.x + 30, corner.y + 20}});
  platform::PumpMessages();
  RECT window;
  GetWindowRect(parent_, &window);
  EXPECT_EQ(window.right - window.left, 330);
  EXPECT_EQ(window.bottom - window.top, 220);
}

TEST_F(ControlsTest, ImageListsCutStripsAndKeepTheMaskColourTransparent) {
  HBITMAP strip = CreateCompatibleBitmap(nullptr, 32, 15);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, strip);
  RECT all{0, 0, 32, 15}, red{2, 2, 6, 6};
  HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255)), redBrush = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(dc, &all, magenta);
  FillRect(dc, &red, redBrush);
  SelectObject(dc, old);
  HIMAGELIST list = ImageList_Create(16, 15, ILC_COLOR32 | ILC_MASK, 2, 0);
  EXPECT_EQ(ImageList_AddMasked(list, strip, RGB(255, 0, 255)), 0);
  EXPECT_EQ(ImageList_GetImageCount(list), 2);
  HBITMAP target = CreateCompatibleBitmap(nullptr, 16, 15);
  SelectObject(dc, target);
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  RECT cell{0, 0, 16, 15};
  FillRect(dc, &cell, white);
  EXPECT_TRUE(ImageList_Draw(list, 0, dc, 0, 0, ILD_TRANSPARENT));
  EXPECT_EQ(GetPixel(dc, 3, 3), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 10, 10), RGB(255, 255, 255));
  EXPECT_FALSE(ImageList_Draw(list, 2, dc, 0, 0, ILD_NORMAL));
  SelectObject(dc, old);
  for (HGDIOBJ object :
       {static_cast<HGDIOBJ>(strip), static_cast<HGDIOBJ>(target), static_cast<HGDIOBJ>(magenta),
        static_cast<HGDIOBJ>(redBrush), static_cast<HGDIOBJ>(white)}) {
    DeleteObject(object);
  }
  DeleteDC(dc);
  ImageList_Destroy(list);
}

}  // namespace
