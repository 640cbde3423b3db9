// Windows live on an X server: the program starts its own Xvfb on a free display, drives a
// dialog with xdotool as a user would and stops the server at the end (also when a test fails;
// if the program dies, the server goes with its last client).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/gdi/Text.h"
#include "platform/ui/Capture.h"
#include "platform/ui/Ui.h"
#include "platform/ui/detail/CaptionButtons.h"
#include "platform/ui/x11/DoubleClicks.h"
#include "platform/ui/x11/Keys.h"
#include "platform/ui/x11/LiveDisplay.h"
#include "platform/ui/x11/WorkArea.h"
#include "platform/win32/CodePage.h"
#include "tests/platform/LiveTesting.h"

#include <X11/Xlib.h>

namespace {

using wf_test::ReadRgb;
using wf_test::Shell;
using wf_test::TempPath;

constexpr int kRecorder = 100, kEdit = 101, kCombo = 102, kDragger = 103;
constexpr UINT kCaptureNow = WM_APP + 1, kPaintNow = WM_APP + 2;
constexpr UINT_PTR kTick = 7;

// The record of a live run, written by the dialog's thread and read once the dialog is over.
// The dialog on the screen, for the driving thread.
std::atomic<HWND> shownDialog{nullptr};

struct LiveRecord {
  std::vector<UINT> buttons;  // button messages of the recorder, in order
  bool hovered = false, left = false;
  int ticks = 0;
  char typed[32] = {};
  int picked = -1, expected = -2;
  platform::CapturedImage captured;
  std::promise<void>* painted = nullptr;
} run;

// Hover tracking as the Parts' buttons do it: the capture from the first move in, released at
// the first move out.
LRESULT RecorderProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_MOUSEMOVE) {
    RECT client;
    GetClientRect(hwnd, &client);
    POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    bool inside = at.x >= 0 && at.y >= 0 && at.x < client.right && at.y < client.bottom;
    if (inside && GetCapture() != hwnd) {
      run.hovered = true;
      SetCapture(hwnd);
    } else if (!inside && GetCapture() == hwnd) {
      run.left = true;
      ReleaseCapture();
    }
  } else if (message >= WM_LBUTTONDOWN && message <= WM_LBUTTONDBLCLK) {
    run.buttons.push_back(message);
  }
  return DefWindowProc(hwnd, message, wParam, lParam);
}

// Written by the dialog's thread while the driving thread waits on them.
std::atomic<bool> dragHeld{false}, dragReleased{false};
std::atomic<WPARAM> keyWhileHeld{0};

// A drag as the shape editor makes one: the press holds the mouse until the release, and Esc
// meanwhile comes to the window holding it.
LRESULT DraggerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_LBUTTONDOWN) {
    SetCapture(hwnd);
    dragHeld.store(true);
  } else if (message == WM_KEYDOWN && GetCapture() == hwnd) {
    keyWhileHeld.store(wParam);
  } else if (message == WM_LBUTTONUP) {
    ReleaseCapture();
    dragReleased.store(true);
  }
  return DefWindowProc(hwnd, message, wParam, lParam);
}

INT_PTR LiveDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      for (const char* name : {"P1", "P2", "PM", "PG", "CM", "PMM", "PMG", "PGG", "CMM", "P4"})
        SendDlgItemMessage(dialog, kCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
      SendDlgItemMessage(dialog, kCombo, CB_SETCURSEL, 6, 0);
      shownDialog.store(dialog);
      SetTimer(dialog, kTick, 20, nullptr);
      return TRUE;
    case WM_TIMER:
      ++run.ticks;
      return TRUE;
    case kPaintNow:
      RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
      run.painted->set_value();
      return TRUE;
    case kCaptureNow:
      run.captured = platform::Capture(dialog);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        GetDlgItemText(dialog, kEdit, run.typed, sizeof run.typed);
        EndDialog(dialog, LOWORD(wParam));
      }
      return TRUE;
    default:
      return FALSE;
  }
}

const DialogItemTemplate kItems[] = {
    {"WfLiveRecorder", "", kRecorder, 7, 7, 80, 36, WS_VISIBLE, WS_EX_CLIENTEDGE},
    {WC_EDIT, "", kEdit, 7, 50, 80, 12, ES_AUTOHSCROLL | WS_TABSTOP | WS_VISIBLE, WS_EX_CLIENTEDGE},
    {WC_BUTTON, "OK", IDOK, 100, 7, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0},
    {WC_BUTTON, "Cancel", IDCANCEL, 100, 25, 50, 14, BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0},
    {WC_COMBOBOX, "", kCombo, 100, 45, 50, 50, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_VISIBLE, 0},
};
const DialogTemplate kDialog{DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU,
                             0,
                             40,
                             40,
                             160,
                             70,
                             "Live dialog",
                             "MS Shell Dlg",
                             8,
                             kItems,
                             std::size(kItems)};

const DialogItemTemplate kDragItems[] = {
    {"WfLiveDragger", "", kDragger, 7, 7, 60, 40, WS_VISIBLE, WS_EX_CLIENTEDGE},
    {WC_BUTTON, "OK", IDOK, 80, 7, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0},
};
const DialogTemplate kDragDialog{DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU,
                                 0,
                                 40,
                                 40,
                                 140,
                                 55,
                                 "Live dialog",
                                 "MS Shell Dlg",
                                 8,
                                 kDragItems,
                                 std::size(kDragItems)};

class LiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static const bool registered = [] {
      WNDCLASS windowClass{};
      windowClass.style = CS_DBLCLKS;
      windowClass.lpfnWndProc = RecorderProc;
      windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
      windowClass.lpszClassName = "WfLiveRecorder";
      if (RegisterClass(&windowClass) == 0) return false;
      windowClass.lpfnWndProc = DraggerProc;
      windowClass.lpszClassName = "WfLiveDragger";
      return RegisterClass(&windowClass) != 0;
    }();
    ASSERT_TRUE(registered);
    run = LiveRecord{};
    shownDialog.store(nullptr);
    display_ = platform::x11::LiveDisplay::Open();
    ASSERT_NE(display_, nullptr);
  }
  void TearDown() override {
    if (display_) {
      EXPECT_EQ(display_->ErrorCount(), 0);
    }
    display_.reset();
    platform::ResetInputState();
  }

  // Runs the dialog modally while `drive` acts from another thread once it is on the screen;
  // a drive that stops early closes the dialog so that the test ends.
  INT_PTR RunDialog(const std::function<bool()>& drive, const DialogTemplate& dialog = kDialog) {
    std::thread driver([&] {
      bool done = Shell("xdotool search --sync --onlyvisible --name 'Live dialog' > /dev/null") == 0 &&
                  drive();
      if (!done) PostMessage(shownDialog.load(), WM_CLOSE, 0, 0);
    });
    INT_PTR result = DialogBoxIndirectParam(nullptr, &dialog, nullptr, LiveDialogProc, 0);
    driver.join();
    return result;
  }

  // Waits for the edit to hold `text`, then for every paint due after it to reach the server.
  bool Settle(const char* text) {
    for (int i = 0; i < 500; ++i) {
      char now[32];
      GetDlgItemText(shownDialog.load(), kEdit, now, sizeof now);
      if (std::strcmp(now, text) == 0) {
        std::promise<void> painted;
        run.painted = &painted;
        PostMessage(shownDialog.load(), kPaintNow, 0, 0);
        painted.get_future().wait();
        display_->ErrorCount();  // a round trip: the server has every image
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  // Up to five seconds.
  static bool WaitFor(const std::atomic<bool>& flag) {
    for (int i = 0; i < 500 && !flag.load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return flag.load();
  }

  // The dialog ends by itself: the drive waits for it to go (else it would be closed).
  static bool WaitUntilGone() {
    for (int i = 0; i < 500; ++i) {
      if (!IsWindow(shownDialog.load())) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  static POINT Centre(int id) { return platform::CentreOf(GetDlgItem(shownDialog.load(), id)); }
  static std::string MoveTo(POINT at) {
    return "mousemove --sync " + std::to_string(at.x) + " " + std::to_string(at.y) + " ";
  }

  std::unique_ptr<platform::x11::LiveDisplay> display_;
};

TEST_F(LiveTest, AUserDrivesTheDialogToOk) {
  std::string shot = TempPath("live-dialog-x11.png");
  INT_PTR result = RunDialog([&] {
    POINT recorder = Centre(kRecorder);
    RECT frame;
    GetWindowRect(shownDialog.load(), &frame);
    std::string hoverAndClicks = "xdotool " + MoveTo(recorder) +
                                 MoveTo(POINT{frame.right + 30, frame.bottom + 30}) + MoveTo(recorder) +
                                 "click --repeat 2 --delay 60 1 click 1 sleep 1.5 click 1";
    std::string typing = "xdotool " + MoveTo(Centre(kEdit)) + "click 1 type 42x";
    if (Shell(hoverAndClicks) != 0 || Shell(typing) != 0) return false;
    // What the display shows once the typing is painted, then what Capture paints afresh.
    if (!Settle("42x")) return false;
    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", display_->XWindowOf(shownDialog.load()));
    if (Shell(std::string("import -window ") + id + " " + shot) != 0) return false;
    SendMessage(shownDialog.load(), kCaptureNow, 0, 0);
    return Shell("xdotool " + MoveTo(Centre(IDOK)) + "click 1") == 0;
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_STREQ(run.typed, "42x");
  EXPECT_TRUE(run.hovered);
  EXPECT_TRUE(run.left);
  EXPECT_GT(run.ticks, 0);
  // A quick second press is a double click; the press after it starts a new pair, and a press
  // later than the double-click time is a single one.
  std::vector<UINT> expected{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP,
                             WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN,   WM_LBUTTONUP};
  EXPECT_EQ(run.buttons, expected);

  ASSERT_GT(run.captured.width, 0);
  ASSERT_TRUE(platform::WritePng(run.captured, TempPath("live-dialog-capture.png")));
  std::vector<unsigned char> seen = ReadRgb(shot);
  std::vector<unsigned char> painted = ReadRgb(TempPath("live-dialog-capture.png"));
  ASSERT_EQ(seen.size(), static_cast<std::size_t>(run.captured.width) * run.captured.height * 3);
  ASSERT_EQ(seen.size(), painted.size());
  int worst = 0;
  for (std::size_t i = 0; i < seen.size(); ++i) worst = std::max(worst, std::abs(seen[i] - painted[i]));
  EXPECT_LE(worst, 3);
}

TEST_F(LiveTest, ClosingTheWindowCancels) {
  INT_PTR result = RunDialog([&] {
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = display_->XWindowOf(shownDialog.load());
    close.xclient.message_type = XInternAtom(wf_test::XServer::keeper, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(
        XInternAtom(wf_test::XServer::keeper, "WM_DELETE_WINDOW", False));
    XSendEvent(wf_test::XServer::keeper, close.xclient.window, False, NoEventMask, &close);
    XSync(wf_test::XServer::keeper, False);
    return true;
  });
  EXPECT_EQ(result, IDCANCEL);
}

TEST_F(LiveTest, AScriptStillDrivesTheDialog) {
  unsigned long shown = 0;
  platform::EventScript script;
  script.Then("look", [&] { shown = display_->XWindowOf(GetActiveWindow()); }).ClickControl(IDOK);
  EXPECT_EQ(DialogBoxIndirectParam(nullptr, &kDialog, nullptr, LiveDialogProc, 0), IDOK);
  EXPECT_NE(shown, 0u);
}

// Puts each keysym on a keycode the keyboard leaves empty, as a user's layout would have them.
// Without it xdotool rebinds one spare keycode per character while typing, and a client that
// reads the key a little late looks it up in the next character's binding.
class KeysOfTheirOwn {
 public:
  explicit KeysOfTheirOwn(const std::vector<KeySym>& symbols) {
    Display* display = wf_test::XServer::keeper;
    int first = 0, last = 0, perCode = 0;
    XDisplayKeycodes(display, &first, &last);
    KeySym* map = XGetKeyboardMapping(display, static_cast<KeyCode>(first), last - first + 1, &perCode);
    for (int code = last; code >= first && bound_.size() < symbols.size(); --code) {
      const KeySym* row = map + (code - first) * perCode;
      if (std::all_of(row, row + perCode, [](KeySym s) { return s == NoSymbol; })) bound_.push_back(code);
    }
    XFree(map);
    for (std::size_t i = 0; i < bound_.size(); ++i) {
      KeySym both[2] = {symbols[i], symbols[i]};
      XChangeKeyboardMapping(display, bound_[i], 2, both, 1);
    }
    XSync(display, False);
  }
  ~KeysOfTheirOwn() {
    KeySym none[2] = {NoSymbol, NoSymbol};
    for (int code : bound_) XChangeKeyboardMapping(wf_test::XServer::keeper, code, 2, none, 1);
    XSync(wf_test::XServer::keeper, False);
  }
  std::size_t Count() const { return bound_.size(); }

 private:
  std::vector<int> bound_;
};

TEST_F(LiveTest, TypingOutsideAsciiArrivesInTheTextCodePage) {
  // é ü ß ° as Latin-1 keysyms and the em dash as a Unicode one.
  KeysOfTheirOwn keys({0xE9, 0xFC, 0xDF, 0xB0, 0x1002014});
  ASSERT_EQ(keys.Count(), 5u);
  INT_PTR result = RunDialog([&] {
    // é ü ß ° and an em dash, as the UTF-8 xdotool reads.
    std::string typed = "\xC3\xA9\xC3\xBC\xC3\x9F\xC2\xB0\xE2\x80\x94";
    if (Shell("xdotool " + MoveTo(Centre(kEdit)) + "click 1 type '" + typed + "'") != 0) return false;
    if (!Settle("\xE9\xFC\xDF\xB0\x97")) return false;
    return Shell("xdotool " + MoveTo(Centre(IDOK)) + "click 1") == 0;
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_STREQ(run.typed, "\xE9\xFC\xDF\xB0\x97");
}

TEST_F(LiveTest, TheCaptionsCloseBoxAndAltF4Cancel) {
  INT_PTR byBox = RunDialog([&] {
    HWND dialog = shownDialog.load();
    RECT frame;
    GetWindowRect(dialog, &frame);
    RECT close = platform::detail::CaptionButtonsOf(GetWindowLong(dialog, GWL_STYLE),
                                                    GetWindowLong(dialog, GWL_EXSTYLE),
                                                    frame.right - frame.left)
                     .close;
    POINT at{frame.left + (close.left + close.right) / 2, frame.top + (close.top + close.bottom) / 2};
    return Shell("xdotool " + MoveTo(at) + "click 1") == 0 && WaitUntilGone();
  });
  EXPECT_EQ(byBox, IDCANCEL);
  INT_PTR byKeys = RunDialog([&] {
    return Shell("xdotool " + MoveTo(Centre(kEdit)) + "click 1 key alt+F4") == 0 && WaitUntilGone();
  });
  EXPECT_EQ(byKeys, IDCANCEL);
}

TEST_F(LiveTest, ADropDownPicksByPressDragRelease) {
  int highlighted = -1;
  INT_PTR result = RunDialog([&] {
    POINT field = Centre(kCombo);
    RECT box;
    GetWindowRect(GetDlgItem(shownDialog.load(), kCombo), &box);
    if (Shell("xdotool " + MoveTo(field) + "mousedown 1") != 0) return false;
    HWND drop = nullptr;
    for (int i = 0; i < 500 && !(drop = GetCapture()); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!drop) return false;
    int height = static_cast<int>(SendMessage(drop, LB_GETITEMHEIGHT, 0, 0));
    // Down through the rows to the second one, where the highlight must follow.
    POINT second{field.x, box.bottom + height + height / 2};
    if (Shell("xdotool " + MoveTo(POINT{field.x, box.bottom + height / 2}) + MoveTo(second)) != 0)
      return false;
    int top = static_cast<int>(SendMessage(drop, LB_GETTOPINDEX, 0, 0));
    for (int i = 0; i < 500 && highlighted != top + 1; ++i) {
      highlighted = static_cast<int>(SendMessage(drop, LB_GETCURSEL, 0, 0));
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (Shell("xdotool mouseup 1") != 0) return false;
    for (int i = 0; i < 500 && SendDlgItemMessage(shownDialog.load(), kCombo, CB_GETDROPPEDSTATE, 0, 0); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    run.picked = static_cast<int>(SendDlgItemMessage(shownDialog.load(), kCombo, CB_GETCURSEL, 0, 0));
    run.expected = top + 1;
    return Shell("xdotool " + MoveTo(Centre(IDOK)) + "click 1") == 0;
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(highlighted, run.expected);
  EXPECT_EQ(run.picked, run.expected);
}

TEST_F(LiveTest, EscOnAnOpenDropDownClosesOnlyTheList) {
  bool closedAlone = false;
  INT_PTR result = RunDialog([&] {
    auto dropped = [] {
      return SendDlgItemMessage(shownDialog.load(), kCombo, CB_GETDROPPEDSTATE, 0, 0) != 0;
    };
    auto waitFor = [&](bool open) {
      for (int i = 0; i < 500 && dropped() != open; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      return dropped() == open;
    };
    if (Shell("xdotool " + MoveTo(Centre(kCombo)) + "click 1") != 0 || !waitFor(true)) return false;
    if (Shell("xdotool key Escape") != 0 || !waitFor(false)) return false;
    // A moment for a wrongly taken Esc to end the dialog too.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    closedAlone = IsWindow(shownDialog.load());
    run.picked = static_cast<int>(SendDlgItemMessage(shownDialog.load(), kCombo, CB_GETCURSEL, 0, 0));
    return Shell("xdotool key Escape") == 0 && WaitUntilGone();
  });
  EXPECT_TRUE(closedAlone);
  EXPECT_EQ(result, IDCANCEL) << "Esc with the list closed cancels";
  EXPECT_EQ(run.picked, 6) << "the choice stays";
}

TEST_F(LiveTest, EscDuringADragCarriedOutOfTheWindowReachesTheDrag) {
  dragHeld.store(false);
  dragReleased.store(false);
  keyWhileHeld.store(0);
  int grabAfter = -1;
  INT_PTR result = RunDialog(
      [&] {
        RECT frame;
        GetWindowRect(shownDialog.load(), &frame);
        const POINT outside{frame.right + 60, frame.bottom + 60};
        if (Shell("xdotool " + MoveTo(Centre(kDragger)) + "mousedown 1") != 0 || !WaitFor(dragHeld))
          return false;
        // No window manager here: the keyboard would follow the pointer out.
        if (Shell("xdotool " + MoveTo(outside) + "key Escape mouseup 1") != 0 || !WaitFor(dragReleased))
          return false;
        display_->ErrorCount();  // a round trip: the server has whatever the release let go
        // The keyboard is free again once the mouse is.
        grabAfter = XGrabKeyboard(wf_test::XServer::keeper, DefaultRootWindow(wf_test::XServer::keeper),
                                  False, GrabModeAsync, GrabModeAsync, CurrentTime);
        XUngrabKeyboard(wf_test::XServer::keeper, CurrentTime);
        XSync(wf_test::XServer::keeper, False);
        return Shell("xdotool " + MoveTo(Centre(IDOK)) + "click 1") == 0;
      },
      kDragDialog);
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(keyWhileHeld.load(), static_cast<WPARAM>(VK_ESCAPE));
  EXPECT_EQ(grabAfter, GrabSuccess);
}

TEST(KeysTest, SymbolsTypeTheirCharactersInTheTextCodePage) {
  struct Case {
    unsigned long keysym;
    int byte;  // 0: types nothing; -1: a character the code page lacks
  } cases[] = {{0x61, 'a'},       {0xE9, 0xE9},    {0xAA9, 0x97} /* em dash */, {0x20AC, 0x80} /* euro */,
               {0x10020AC, 0x80}, {0x10003B1, -1}, {0xFF0D, 0} /* Return */,    {0x13BC, 0x8C} /* OE */};
  for (const Case& c : cases) {
    unsigned long unicode = platform::x11::UnicodeOfKeysym(c.keysym);
    EXPECT_EQ(unicode ? CodePageByteOf(unicode) : 0, c.byte) << std::hex << c.keysym;
  }
}

TEST(DoubleClicksTest, FollowThePlatformsTimeAndRectangle) {
  struct Case {
    const char* what;
    unsigned button;
    unsigned long timeMs;
    POINT at;
    bool second;
  } cases[] = {
      {"first press", 1, 1000, {100, 100}, false},
      {"within time and place", 1, 1500, {102, 98}, true},
      {"after a double click", 1, 1600, {100, 100}, false},
      {"too far", 1, 1700, {103, 100}, false},
      {"another button", 3, 1800, {103, 100}, false},
      {"too late", 3, 2301, {103, 100}, false},
      {"across the clock's wrap", 3, 0xFFFFFFF0ul, {103, 100}, false},
      {"", 3, 0x10, {103, 100}, true},
  };
  platform::x11::DoubleClicks clicks;
  for (const Case& c : cases) EXPECT_EQ(clicks.IsSecondPress(c.button, c.timeMs, c.at), c.second) << c.what;
}

TEST(WorkAreaTest, IsWhatTheWindowManagerLeavesFreeHeldToTheScreen) {
  const long twoDesktops[] = {0, 30, 1600, 970, 100, 0, 1500, 1000};
  const long beyond[] = {-50, 900, 2000, 400};
  const long outside[] = {1700, 0, 100, 100};
  struct Case {
    const char* what;
    const long* areas;
    unsigned long count;
    long desktop;
    RECT expected;
  } cases[] = {
      {"no property", nullptr, 0, 0, {0, 0, 1600, 1000}},
      {"a panel on top", twoDesktops, 8, 0, {0, 30, 1600, 1000}},
      {"the second desktop's", twoDesktops, 8, 1, {100, 0, 1600, 1000}},
      {"a desktop the property lacks", twoDesktops, 8, 2, {0, 0, 1600, 1000}},
      {"past the screen's edges", beyond, 4, 0, {0, 900, 1600, 1000}},
      {"wholly off the screen", outside, 4, 0, {0, 0, 1600, 1000}},
  };
  for (const Case& c : cases) {
    const RECT area = platform::x11::WorkAreaOf(1600, 1000, c.areas, c.count, c.desktop);
    EXPECT_TRUE(area.left == c.expected.left && area.top == c.expected.top &&
                area.right == c.expected.right && area.bottom == c.expected.bottom)
        << c.what << ": " << area.left << "," << area.top << "," << area.right << "," << area.bottom;
  }
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  wf_test::XServer server;
  std::string failure = server.Start();
  if (!failure.empty()) {
    std::fprintf(stderr, "wf_x11_tests: %s\n", failure.c_str());
    return 1;
  }
  return RUN_ALL_TESTS();
}
