// The filter's dialog on an X screen of 1600 x 1000, used as a person uses it: xdotool moves the
// mouse, clicks, drags and presses keys, and the screen's pictures are read back (and kept in
// the test folder to look at). The dialog opens centred on the work area with the whole hint
// under its view and the tile window beside it; the group popup opens at the current group; the
// numeric edit's slider is framed, on the screen and on top; a tile far longer than wide shows a
// strip of itself rather than a sliver.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "LinkedDialogFixture.h"
#include "platform/gdi/Draw.h"
#include "platform/ui/Ui.h"
#include "platform/ui/x11/LiveDisplay.h"

// Last: the X headers define macros that the headers above must not see.
#include <X11/Xatom.h>

#include "tests/platform/LiveTesting.h"

namespace apptest {
namespace {

using namespace resources;
using wf_test::Shell;

constexpr int kScreenWidth = 1600, kScreenHeight = 1000;
constexpr int kPanel = 1005, kStatusText = 1002;
constexpr int kGroupButton = 3033, kApply = 3006, kShowPreview = 3018, kTileSizeEdit = 3024;
constexpr int kHelp = 32651, kPresets = 1006, kSavePreset = 1007, kDeletePreset = 1008;
constexpr int kFeatherEdit = 3025, kSaveTile = 3028, kDisplayList = 3060;
constexpr int kThumbnail = 3030, kSizeText = 3031, kField = 1029, kDropButton = 1031, kPopupView = 888;
const char kHintText[] =
    "Drag a target shape to match object, then click Apply. Use Shift-click to reset shape.";

// Polls until `done` holds, for ten seconds at most.
bool WaitFor(const std::function<bool()>& done, int seconds = 10) {
  for (int i = 0; i < seconds * 100; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

std::string Text(HWND window) {
  char text[300] = "";
  GetWindowText(window, text, sizeof text);
  return text;
}

RECT WindowRect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

bool Overlap(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Within(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

std::string Point(POINT at) { return std::to_string(at.x) + " " + std::to_string(at.y); }
bool Click(POINT at) { return Shell("xdotool mousemove --sync " + Point(at) + " click 1") == 0; }

// The screen as the X server shows it.
struct Picture {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;

  COLORREF At(int x, int y) const {
    const unsigned char* p = &rgb[(std::size_t(y) * width + x) * 3];
    return RGB(p[0], p[1], p[2]);
  }
};

Picture ScreenShot(const std::string& name) {
  const std::string path = TempPath(name + ".png");
  Picture picture;
  if (Shell("import -window root " + path) != 0) return picture;
  picture.rgb = wf_test::ReadRgb(path);
  if (picture.rgb.size() == std::size_t(kScreenWidth) * kScreenHeight * 3)
    picture.width = kScreenWidth, picture.height = kScreenHeight;
  return picture;
}

// The text as a control of the font draws it on the dialog's face, its ink columns only.
Picture InkOf(const char* text, HFONT font) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, font);
  SIZE extent{};
  GetTextExtentPoint32(dc, text, static_cast<int>(std::strlen(text)), &extent);
  Picture ink;
  HBITMAP bitmap = CreateCompatibleBitmap(nullptr, extent.cx + 8, extent.cy);
  HGDIOBJ previousBitmap = SelectObject(dc, bitmap);
  RECT all{0, 0, extent.cx + 8, extent.cy};
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  TextOut(dc, 0, 0, text, static_cast<int>(std::strlen(text)));
  int first = all.right, last = -1;
  for (int x = 0; x < all.right; ++x)
    for (int y = 0; y < all.bottom; ++y)
      if (GetPixel(dc, x, y) != GetSysColor(COLOR_BTNFACE))
        first = std::min(first, x), last = std::max(last, x);
  ink.width = last - first + 1, ink.height = extent.cy;
  for (int y = 0; y < ink.height; ++y)
    for (int x = first; x <= last; ++x) {
      const COLORREF c = GetPixel(dc, x, y);
      ink.rgb.insert(ink.rgb.end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
    }
  SelectObject(dc, previousBitmap);
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return ink;
}

// Whether the picture shows `part` somewhere inside `area`.
bool Shows(const Picture& picture, const RECT& area, const Picture& part) {
  for (int y = std::max<int>(0, area.top); y + part.height <= std::min<int>(area.bottom, picture.height); ++y)
    for (int x = std::max<int>(0, area.left); x + part.width <= std::min<int>(area.right, picture.width);
         ++x) {
      bool same = true;
      for (int py = 0; same && py < part.height; ++py)
        same = std::equal(&part.rgb[std::size_t(py) * part.width * 3],
                          &part.rgb[std::size_t(py + 1) * part.width * 3],
                          &picture.rgb[(std::size_t(y + py) * picture.width + x) * 3]);
      if (same) return true;
    }
  return false;
}

class LiveDialogTest : public LinkedDialogTest {
 protected:
  void TearDown() override {
    display_.reset();
    LinkedDialogTest::TearDown();
  }

  // The window manager's free area, as the root window states it; none: the whole screen.
  static void SetWorkArea(const RECT* area) {
    Display* x = wf_test::XServer::keeper;
    const Atom name = XInternAtom(x, "_NET_WORKAREA", False);
    if (area) {
      const long values[4] = {area->left, area->top, area->right - area->left, area->bottom - area->top};
      XChangeProperty(x, DefaultRootWindow(x), name, XA_CARDINAL, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(values), 4);
    } else {
      XDeleteProperty(x, DefaultRootWindow(x), name);
    }
    XSync(x, False);
  }

  // A shown top-level window whose title starts so, once the screen shows it.
  HWND WaitForWindow(const std::string& title) {
    HWND found = nullptr;
    WaitFor([&] {
      for (HWND top = GetTopWindow(nullptr); top && !found; top = GetWindow(top, GW_HWNDNEXT))
        if (IsWindowVisible(top) && Text(top).rfind(title, 0) == 0 && display_->XWindowOf(top)) found = top;
      return found != nullptr;
    });
    return found;
  }
  // Every paint due now has reached the screen.
  void Settle(HWND top) {
    RedrawWindow(top, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    display_->ErrorCount();  // a round trip: the server has every image
  }

  // Runs the filter with its dialog on the screen, from the recorded values with `changes`;
  // `drive` acts once the dialog shows and must end it; a drive that fails cancels it.
  host::OSErr RunLive(std::initializer_list<std::pair<int, double>> changes,
                      const std::function<bool(HWND)>& drive) {
    display_.reset();  // one display at a time: the old one would take the new one's place with it
    display_ = platform::x11::LiveDisplay::Open();
    if (!display_) {
      ADD_FAILURE() << "no display";
      return host::paramErr;
    }
    std::thread driver([&] {
      HWND dialog = WaitForWindow("Wendle Forge [");
      if (!dialog) ADD_FAILURE() << "the dialog did not show";
      if (dialog && !drive(dialog)) PostMessage(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    wfhost::HostImageBuffer image = PatternImage(host::kModeRGB, 240, 200);
    wfhost::FilterModule module(LinkedEntry);
    wfhost::FilterRun run;
    run.descriptor = Recorded(changes);
    run.playInfo = host::plugInDialogDisplay;
    const host::OSErr result = RunFilter(module, image, run);
    driver.join();
    EXPECT_EQ(display_->ErrorCount(), 0);
    return result;
  }
  static HWND PanelItem(HWND dialog, int id) { return GetDlgItem(GetDlgItem(dialog, kPanel), id); }
  static bool Cancel(HWND dialog) {
    return Click(platform::CentreOf(GetDlgItem(dialog, IDCANCEL))) &&
           WaitFor([&] { return !IsWindow(dialog); });
  }

  std::unique_ptr<platform::x11::LiveDisplay> display_;
};

TEST_F(LiveDialogTest, TheDialogOpensCentredOnTheWorkAreaShowingTheWholeHintAndTheTileWindowBesideIt) {
  const RECT screen{0, 0, kScreenWidth, kScreenHeight}, underAPanel{0, 40, kScreenWidth, kScreenHeight};
  for (const RECT* area : {&screen, &underAPanel}) {
    SetWorkArea(area == &screen ? nullptr : area);
    const std::string name = area == &screen ? "live-dialog" : "live-dialog-under-a-panel";
    RunLive({}, [&](HWND dialog) {
      const RECT frame = WindowRect(dialog);
      EXPECT_TRUE(Within(frame, *area)) << name;
      EXPECT_NEAR(frame.left - area->left, area->right - frame.right, 1) << name;
      EXPECT_NEAR(frame.top - area->top, area->bottom - frame.bottom, 1) << name;

      HWND status = GetDlgItem(dialog, kStatusText);
      EXPECT_EQ(Text(status), kHintText);
      Settle(dialog);
      const Picture seen = ScreenShot(name);
      const Picture hint = InkOf(kHintText, reinterpret_cast<HFONT>(SendMessage(status, WM_GETFONT, 0, 0)));
      EXPECT_TRUE(Shows(seen, WindowRect(status), hint)) << name << ": the hint is cut";

      if (!Click(platform::CentreOf(PanelItem(dialog, kShowPreview)))) return false;
      HWND tiles = WaitForWindow("Wendle Forge Preview");
      if (!tiles) return false;
      Settle(tiles);
      ScreenShot(name + "-and-tile-window");
      const RECT beside = WindowRect(tiles);
      EXPECT_FALSE(Overlap(beside, WindowRect(dialog))) << name;
      EXPECT_TRUE(Within(beside, *area)) << name;
      return Cancel(dialog);
    });
  }
  SetWorkArea(nullptr);
}

TEST_F(LiveDialogTest, EscClosesTheTileWindowAsItsCloseBoxDoesAndEnterLeavesItOpen) {
  RunLive({}, [&](HWND dialog) {
    HWND check = PanelItem(dialog, kShowPreview);
    if (!Click(platform::CentreOf(check))) return false;
    HWND tiles = WaitForWindow("Wendle Forge Preview");
    if (!tiles || !WaitFor([&] { return IsChild(tiles, GetFocus()) != FALSE; })) return false;
    // Keys come in order: when Tab has moved the focus, Enter before it has been answered.
    const HWND before = GetFocus();
    if (Shell("xdotool key Return Tab") != 0 || !WaitFor([&] { return GetFocus() != before; })) return false;
    EXPECT_TRUE(IsWindowVisible(tiles)) << "Enter hid the tile window";
    if (Shell("xdotool key Escape") != 0) return false;
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(tiles); })) << "Esc only hid the tile window";
    EXPECT_EQ(SendMessage(check, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    Settle(dialog);
    ScreenShot("live-tile-window-closed-by-esc");
    // The dialog goes on: the check box, still under the pointer, opens the window again.
    if (Shell("xdotool click 1") != 0) return false;
    EXPECT_NE(WaitForWindow("Wendle Forge Preview"), nullptr);
    return Cancel(dialog);
  });
}

TEST_F(LiveDialogTest, TheGroupPopupOpensAtTheCurrentGroupInItsFifthRow) {
  RunLive({{kTilingMethod, 16}}, [&](HWND dialog) {
    if (!Click(platform::CentreOf(PanelItem(dialog, kGroupButton)))) return false;
    HWND frame = WaitForWindow("Pick Up an Image");
    HWND view = frame ? GetDlgItem(frame, kPopupView) : nullptr;
    if (!view) return false;
    Settle(frame);
    ScreenShot("live-group-popup");
    SCROLLINFO scroll{sizeof scroll, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(view, SB_VERT, &scroll);
    RECT client{};
    GetClientRect(view, &client);
    // 17 groups in rows of 4: "P6M" alone in the fifth row.
    const int row = (scroll.nMax + 1) / 5;
    EXPECT_GT(row, 0);
    EXPECT_LE(scroll.nPos, 4 * row);
    EXPECT_GE(scroll.nPos + client.bottom, 5 * row) << "P6M is cut off or hidden";
    return Shell("xdotool key Escape") == 0 && WaitFor([&] { return !IsWindow(frame); }) && Cancel(dialog);
  });
}

TEST_F(LiveDialogTest, TheSliderIsFramedOnTheScreenAndAboveTheDialog) {
  RunLive({}, [&](HWND dialog) {
    // The dialog dragged by its caption until the tile size's drop button is 20 pixels from the
    // screen's right edge, where the slider would reach past it.
    HWND edit = PanelItem(dialog, kTileSizeEdit), drop = GetDlgItem(edit, kDropButton);
    const RECT placed = WindowRect(dialog);
    const int shift = kScreenWidth - 20 - WindowRect(drop).right;
    const POINT caption{placed.left + 100, placed.top + 8};
    if (Shell("xdotool mousemove --sync " + Point(caption) + " mousedown 1 mousemove --sync " +
              Point(POINT{caption.x + shift / 2, caption.y}) + " mousemove --sync " +
              Point(POINT{caption.x + shift, caption.y}) + " mouseup 1") != 0 ||
        !WaitFor([&] { return WindowRect(dialog).left == placed.left + shift; }))
      return false;

    HWND field = GetDlgItem(edit, kField);
    const std::string before = Text(field);
    if (Shell("xdotool mousemove --sync " + Point(platform::CentreOf(drop)) + " mousedown 1") != 0)
      return false;
    // The dialog may still hold the mouse from its caption's drag a moment after the release.
    HWND slider = nullptr;
    if (!WaitFor([&] {
          return (slider = GetCapture()) != nullptr && slider != drop && slider != dialog &&
                 IsWindowVisible(slider);
        }))
      return false;
    Settle(slider);
    const Picture seen = ScreenShot("live-slider");
    const RECT place = WindowRect(slider);
    EXPECT_TRUE(Within(place, RECT{0, 0, kScreenWidth, kScreenHeight}));
    EXPECT_EQ(place.right, kScreenWidth) << "pushed just inside the screen's edge";
    EXPECT_TRUE(GetWindowLong(slider, GWL_STYLE) & WS_BORDER);
    // What the screen shows there is the slider's frame, over the dialog's controls.
    const COLORREF frameColour = GetSysColor(COLOR_WINDOWFRAME);
    for (POINT at : {POINT{place.left, place.top}, POINT{place.right - 1, (place.top + place.bottom) / 2},
                     POINT{(place.left + place.right) / 2, place.bottom - 1}})
      EXPECT_EQ(seen.At(at.x, at.y), frameColour) << at.x << "," << at.y;
    // Moved onto the screen, it took the pointer with it: the thumb is still under the pointer, so
    // the number is as it was, within a pixel's worth (some 2.4 of 10 .. 250).
    POINT pointer{};
    GetCursorPos(&pointer);
    EXPECT_TRUE(pointer.x >= place.left && pointer.x < place.right) << pointer.x;
    // A hand never holds quite still: the display's pointer moved too.
    if (Shell("xdotool mousemove_relative --sync 0 1") != 0) return false;
    EXPECT_TRUE(WaitFor([&] {
      POINT now{};
      GetCursorPos(&now);
      return now.y == pointer.y + 1;
    }));
    EXPECT_LT(pointer.x, platform::CentreOf(drop).x);
    EXPECT_NEAR(std::stoi(Text(field)), std::stoi(before), 3);

    // Dragged left, the number follows; let go, the slider goes.
    if (Shell("xdotool mousemove --sync " + Point(POINT{pointer.x - 40, pointer.y}) + " mouseup 1") != 0)
      return false;
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(slider); }));
    EXPECT_LT(std::stoi(Text(field)), std::stoi(before));
    return Cancel(dialog);
  });
}

TEST_F(LiveDialogTest, ATileFarLongerThanWideShowsAStripInItsThumbnail) {
  // A turned, sheared "P1" cell: its lattice repeats only after some 70 times its width.
  RunLive({{kTilingMethod, 0},
           {kAngle, 17},
           {kPoint3X, 0.166667},
           {kPoint3Y, 0.1},
           {kPoint2X, 0.8},
           {kPoint2Y, 0.1},
           {kPoint1X, 0.25},
           {kPoint1Y, 0.89},
           {kBoundBoxLeft, 0},
           {kBoundBoxTop, 0},
           {kBoundBoxRight, 1},
           {kBoundBoxBottom, 1}},
          [&](HWND dialog) {
            if (!Click(platform::CentreOf(PanelItem(dialog, kApply))) ||
                !WaitFor([&] { return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE; }, 60))
              return false;
            int width = 0, height = 0;
            EXPECT_EQ(
                std::sscanf(Text(PanelItem(dialog, kSizeText)).c_str(), "Size: %d x %d", &width, &height), 2);
            EXPECT_GT(height, 20 * width);
            HWND thumbnail = PanelItem(dialog, kThumbnail);
            Settle(dialog);
            const Picture seen = ScreenShot("live-long-tile");
            RECT client{};
            GetClientRect(thumbnail, &client);
            const POINT origin = platform::ClientPoint(thumbnail, 0, 0);
            const COLORREF face = GetSysColor(COLOR_BTNFACE);
            int across = 0, down = 0;
            for (int x = 0; x < client.right; ++x)
              across += seen.At(origin.x + x, origin.y + client.bottom / 2) != face;
            for (int y = 0; y < client.bottom; ++y)
              down += seen.At(origin.x + client.right / 2, origin.y + y) != face;
            EXPECT_GE(across, client.right / 4 - 1) << "a sliver";
            EXPECT_EQ(down, client.bottom) << "the strip fills the height";
            return Cancel(dialog);
          });
}

TEST_F(LiveDialogTest, TheKeyboardAloneReachesEveryControlOfTheDialogAndItsPanelAndEndsWithOk) {
  const host::OSErr result = RunLive({}, [&](HWND dialog) {
    HWND panel = GetDlgItem(dialog, kPanel);
    // The control that holds the focus: a numeric edit's field stands for its edit.
    auto focused = [&] {
      HWND at = GetFocus();
      while (at && GetParent(at) != dialog && GetParent(at) != panel) at = GetParent(at);
      return at ? GetDlgCtrlID(at) : 0;
    };
    auto press = [&](const char* key) {
      const int before = focused();
      return Shell(std::string("xdotool key ") + key) == 0 && WaitFor([&] { return focused() != before; });
    };
    // The panel takes its placeholder's place in the order; OK waits for a render, so the
    // focus starts on Cancel.
    if (focused() != IDCANCEL) {
      ADD_FAILURE() << "the focus starts on " << focused();
      return false;
    }
    // OK, and the Original/Result list, wait for a render.
    const std::vector<int> order{kHelp,        kPresets,     kSavePreset, kDeletePreset,
                                 kGroupButton, kFeatherEdit, kApply,      kTileSizeEdit,
                                 kSaveTile,    kShowPreview, IDCANCEL};
    std::vector<int> forward, back;
    for (std::size_t i = 0; i < order.size(); ++i) {
      if (!press("Tab")) return false;
      forward.push_back(focused());
      if (forward.back() == kGroupButton) {
        Settle(dialog);
        ScreenShot("live-keyboard-on-the-group-button");
      }
    }
    EXPECT_EQ(forward, order);
    for (std::size_t i = 0; i < order.size(); ++i) {
      if (!press("shift+Tab")) return false;
      back.push_back(focused());
    }
    std::vector<int> reversed(order.rbegin() + 1, order.rend());
    reversed.push_back(IDCANCEL);
    EXPECT_EQ(back, reversed);

    // The frame of what Enter presses: the focused push button, else the dialog's OK, never a
    // panel button the focus has left.
    auto framed = [&](HWND button) {
      return (GetWindowLongPtr(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    };
    // Back from Cancel: Show Preview, then Save Tile.
    if (!press("shift+Tab") || !press("shift+Tab")) return false;
    EXPECT_EQ(focused(), kSaveTile);
    EXPECT_TRUE(framed(PanelItem(dialog, kSaveTile)));
    EXPECT_FALSE(framed(GetDlgItem(dialog, IDOK)));
    if (!press("Tab")) return false;
    EXPECT_EQ(focused(), kShowPreview);
    Settle(dialog);
    ScreenShot("live-keyboard-on-show-preview");
    EXPECT_FALSE(framed(PanelItem(dialog, kSaveTile)));
    EXPECT_TRUE(framed(GetDlgItem(dialog, IDOK)));

    // Space on Apply renders; the arrows pick Original and Result; Enter is OK.
    for (int i = 0; i < 3; ++i)
      if (!press("shift+Tab")) return false;
    EXPECT_EQ(focused(), kApply);
    HWND ok = GetDlgItem(dialog, IDOK);
    if (Shell("xdotool key space") != 0 || !WaitFor([&] { return IsWindowEnabled(ok) != FALSE; }, 60))
      return false;
    for (int i = 0; i < 4; ++i)
      if (!press("Tab")) return false;
    EXPECT_EQ(focused(), kDisplayList);
    HWND list = PanelItem(dialog, kDisplayList);
    if (Shell("xdotool key Up") != 0 || !WaitFor([&] { return !IsWindowEnabled(ok); })) return false;
    EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 0);
    if (Shell("xdotool key Down") != 0 || !WaitFor([&] { return IsWindowEnabled(ok) != FALSE; }))
      return false;
    Settle(dialog);
    ScreenShot("live-keyboard-result-chosen");
    return Shell("xdotool key Return") == 0 && WaitFor([&] { return !IsWindow(dialog); });
  });
  EXPECT_EQ(result, host::noErr);
}

}  // namespace
}  // namespace apptest

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  wf_test::XServer server;
  const std::string failure = server.Start("1600x1000x24");
  if (!failure.empty()) {
    std::fprintf(stderr, "wf_app_x11_tests: %s\n", failure.c_str());
    return 1;
  }
  return RUN_ALL_TESTS();
}
