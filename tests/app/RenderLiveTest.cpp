// The filter's dialog on an X display over a large image, driven with xdotool as a person drives
// it while a render uses every core: what the Original/Result list, the view and OK say agree
// after presses, renders and aborts; the zoom keys zoom wherever no edit field has the focus (a
// click in the view takes it) and the title follows every zoom; the panel changes in one step at a render's
// end. How long the dialog takes to answer during a render is printed, not judged. The program starts its own
// Xvfb.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "LinkedDialogFixture.h"
#include "app/SettingsPanel.h"
#include "core/RowThreads.h"
#include "framework/PluginDialog.h"
#include "platform/ui/Capture.h"
#include "platform/ui/x11/LiveDisplay.h"
#include "shapes/ToolView.h"
#include "tests/platform/LiveTesting.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace apptest {
namespace {

using Clock = std::chrono::steady_clock;
using app::SettingsPanel;

// Large enough that a render takes a good part of a second on every core; smaller under the
// sanitizers, which are slower by far.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kSide = 2048;
#else
constexpr int kSide = 8192;
#endif

using wf_test::Shell;

std::string At(POINT p) { return std::to_string(p.x) + " " + std::to_string(p.y); }

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Waits up to `seconds` for `done`; false when it never came.
bool WaitFor(const std::function<bool()>& done, double seconds = 20) {
  const auto until = Clock::now() + std::chrono::duration<double>(seconds);
  while (!done()) {
    if (Clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  return true;
}

// What the display shows, read through a connection of the test's own.
class Screen {
 public:
  Screen() : display_(XOpenDisplay(nullptr)) {}
  ~Screen() {
    if (display_) XCloseDisplay(display_);
  }
  using Pixels = std::vector<unsigned long>;
  Pixels Read(const RECT& r) {
    Pixels pixels;
    XImage* image = XGetImage(display_, DefaultRootWindow(display_), r.left, r.top,
                              static_cast<unsigned>(r.right - r.left),
                              static_cast<unsigned>(r.bottom - r.top), AllPlanes, ZPixmap);
    if (!image) return pixels;
    for (int y = 0; y < image->height; ++y)
      for (int x = 0; x < image->width; ++x) pixels.push_back(XGetPixel(image, x, y) & 0xFFFFFF);
    XDestroyImage(image);
    return pixels;
  }
  // Waits until the area shows something else than `before`; the milliseconds it took, or -1.
  double WaitForChange(const RECT& r, const Pixels& before, Clock::time_point since) {
    return WaitFor([&] { return Read(r) != before; }) ? MsSince(since) : -1;
  }
  POINT Pointer() {
    ::Window root, child;
    int x = 0, y = 0, inX, inY;
    unsigned mask;
    XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &x, &y, &inX, &inY, &mask);
    return POINT{x, y};
  }
  // The title the display knows the window by.
  std::string Name(unsigned long window) {
    char* name = nullptr;
    std::string text;
    if (XFetchName(display_, window, &name) && name) text = name;
    if (name) XFree(name);
    return text;
  }

 private:
  Display* display_;
};

RECT ScreenRect(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return r;
}

RECT Inset(RECT r, int by) { return RECT{r.left + by, r.top + by, r.right - by, r.bottom - by}; }

struct Figures {
  std::vector<double> values;
  void Add(double ms) { values.push_back(ms); }
  void Print(const char* what) {
    if (values.empty()) return;
    std::sort(values.begin(), values.end());
    std::printf("%-52s %3zu times: median %6.1f ms, worst %6.1f ms\n", what, values.size(),
                values[values.size() / 2], values.back());
  }
};

class RenderLiveTest : public LinkedDialogTest {
 protected:
  static const wfhost::HostImageBuffer& LargeImage() {
    static const wfhost::HostImageBuffer image = PatternImage(host::kModeRGB, kSide, kSide);
    return image;
  }

  void SetUp() override {
    LinkedDialogTest::SetUp();
    display_ = platform::x11::LiveDisplay::Open();
    ASSERT_NE(display_, nullptr);
  }
  void TearDown() override {
    display_.reset();
    LinkedDialogTest::TearDown();
  }

  // Runs the filter with its dialog over the large image while `drive` acts from another thread
  // once the dialog is on the display; then the dialog is cancelled.
  void RunLive(std::initializer_list<std::pair<int, double>> settings, const std::function<void()>& drive) {
    std::thread driver([&] {
      if (WaitFor([] { return shapes::GetUiContext()->dialog != nullptr; }, 60) &&
          Shell("xdotool search --sync --onlyvisible --name 'Wendle Forge' > /dev/null") == 0) {
        dialog_ = shapes::GetUiContext()->dialog->m_hWnd;
        WaitFor([&] { return display_->XWindowOf(dialog_) != 0; });
        drive();
      }
      // Cancel twice: the first only stops a render.
      for (int i = 0; i < 100 && shapes::GetUiContext()->dialog; ++i) {
        PostMessage(dialog_, WM_COMMAND, IDCANCEL, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
    });
    wfhost::FilterModule module(LinkedEntry);
    wfhost::FilterRun run;
    run.descriptor = Recorded(settings);
    run.playInfo = host::plugInDialogDisplay;
    wfhost::HostImageBuffer image = LargeImage();
    RunFilter(module, image, run);
    driver.join();
  }

  HWND Item(int id) { return GetDlgItem(dialog_, id); }
  HWND PanelItem(int id) { return GetDlgItem(Item(framework::PluginDialog::kPanelItem), id); }
  POINT Centre(HWND hwnd) { return platform::CentreOf(hwnd); }
  framework::GenericCommand& Command() { return *linked.GetCommand(); }
  // xdotool's move: waiting for the pointer to arrive, unless it is there (a wait that would
  // never end).
  std::string MoveTo(POINT p) {
    const POINT now = screen_.Pointer();
    return now.x == p.x && now.y == p.y ? "" : "mousemove --sync " + At(p) + " ";
  }
  bool Click(HWND hwnd) { return Shell("xdotool " + MoveTo(Centre(hwnd)) + "click 1") == 0; }
  bool OkEnabled() { return IsWindowEnabled(Item(IDOK)) != FALSE; }
  LRESULT Shown() { return SendMessage(PanelItem(SettingsPanel::kDisplayList), LB_GETCURSEL, 0, 0); }
  std::string Text(HWND hwnd) {
    char text[128] = "";
    GetWindowText(hwnd, text, sizeof text);
    return text;
  }
  // A render ended and the dialog has taken in what it said.
  bool WaitUntilRenderTakenIn() {
    return WaitFor([&] { return !Command().IsRendering(); }) &&
           WaitFor([&] { return Text(PanelItem(SettingsPanel::kApply)) == "Apply"; });
  }
  // Where the shape's centre is on the screen (asked while the dialog's thread is idle).
  POINT ShapeCentre() {
    auto* view = dynamic_cast<shapes::CToolView*>(
        static_cast<framework::PluginDialog*>(shapes::GetUiContext()->dialog)->GetView());
    const corvel::Point2D at = view->ImageToClient(view->GetShape()->GetPoints()[4]);
    POINT p{static_cast<LONG>(at.x), static_cast<LONG>(at.y)};
    ClientToScreen(view->m_hWnd, &p);
    return p;
  }
  // A corner of the view far from the shape, where it shows only the image.
  RECT ImageOnlyArea() {
    const RECT view = ScreenRect(Item(framework::FilterDialog::kViewItem));
    const POINT shape = ShapeCentre();
    const LONG x = shape.x > (view.left + view.right) / 2 ? view.left + 8 : view.right - 80;
    const LONG y = shape.y > (view.top + view.bottom) / 2 ? view.top + 8 : view.bottom - 80;
    return RECT{x, y, x + 60, y + 60};
  }
  void SaveCapture(const std::string& name) {
    if (const char* dir = std::getenv("WF_TEST_TMPDIR"))
      Shell("import -window root -crop " +
            std::to_string(ScreenRect(dialog_).right - ScreenRect(dialog_).left) + "x" +
            std::to_string(ScreenRect(dialog_).bottom - ScreenRect(dialog_).top) + "+" +
            std::to_string(ScreenRect(dialog_).left) + "+" + std::to_string(ScreenRect(dialog_).top) + " " +
            dir + "/" + name);
  }

  std::unique_ptr<platform::x11::LiveDisplay> display_;
  HWND dialog_ = nullptr;
  Screen screen_;
};

TEST_F(RenderLiveTest, TheListTheViewAndOkAgreeAfterPressesRendersAndAborts) {
  // A large tile: the render lasts long enough for a press and an Abort.
  RunLive({{resources::kTileSize, 250}}, [&] {
    const HWND apply = PanelItem(SettingsPanel::kApply), list = PanelItem(SettingsPanel::kDisplayList);
    const RECT imageOnly = ImageOnlyArea();
    // The view's first paint may not have reached the display yet: until it has, the area is
    // one colour.
    Screen::Pixels unchanged;
    ASSERT_TRUE(WaitFor([&] {
      unchanged = screen_.Read(imageOnly);
      return std::adjacent_find(unchanged.begin(), unchanged.end(), std::not_equal_to<>()) != unchanged.end();
    }));
    const POINT shape = ShapeCentre();
    // What the dialog's thread is still painting reaches the display within moments.
    auto expectShowing = [&](LRESULT entry, const char* after) {
      WaitFor(
          [&] {
            return Shown() == entry && OkEnabled() == (entry == 1) &&
                   (screen_.Read(imageOnly) == unchanged) == (entry == 0);
          },
          5);
      EXPECT_EQ(Shown(), entry) << after;
      EXPECT_EQ(OkEnabled(), entry == 1) << after;
      EXPECT_EQ(screen_.Read(imageOnly) == unchanged, entry == 0) << after;
    };

    // A press on the shape while the render runs, released where it was pressed.
    ASSERT_TRUE(Click(apply));
    ASSERT_TRUE(WaitFor([&] { return Command().IsRendering(); }));
    ASSERT_EQ(Shell("xdotool " + MoveTo(shape) + "mousedown 1"), 0);
    ASSERT_TRUE(WaitFor([&] { return Shown() == 0; }));
    const bool pressedDuringRender = Command().IsRendering();
    ASSERT_EQ(Shell("xdotool mouseup 1"), 0);
    ASSERT_TRUE(WaitUntilRenderTakenIn());
    EXPECT_TRUE(pressedDuringRender) << "the render ended before the press; a larger image is needed";
    expectShowing(0, "a press during the render");
    EXPECT_TRUE(IsWindowEnabled(list)) << "the render's result can be chosen";
    SaveCapture("live-pressed-during-render.png");

    const int rowHeight = static_cast<int>(SendMessage(list, LB_GETITEMHEIGHT, 0, 0));
    const POINT result = platform::ClientPoint(list, 10, rowHeight + rowHeight / 2);
    ASSERT_EQ(Shell("xdotool " + MoveTo(result) + "click 1"), 0);
    ASSERT_TRUE(WaitFor([&] { return OkEnabled(); }));
    expectShowing(1, "Result chosen");

    // Aborted: back to the unchanged image.
    ASSERT_TRUE(Click(apply));
    ASSERT_TRUE(WaitFor([&] { return Text(apply) == "Abort"; }));
    ASSERT_TRUE(Click(apply));
    const bool abortedDuringRender = Command().IsRendering() || Text(apply) == "Apply";
    ASSERT_TRUE(WaitUntilRenderTakenIn());
    EXPECT_TRUE(abortedDuringRender);
    expectShowing(0, "an abort");

    // A render left to finish.
    ASSERT_TRUE(Click(apply));
    ASSERT_TRUE(WaitFor([&] { return Text(apply) == "Abort"; }));
    ASSERT_TRUE(WaitUntilRenderTakenIn());
    ASSERT_TRUE(WaitFor([&] { return OkEnabled(); }));
    expectShowing(1, "a finished render");
    SaveCapture("live-finished-render.png");
  });
}

// A person's press, drag and Abort during a render on every core, timed from the moment xdotool
// is asked to press, move or click (the pointer already there) until the display shows the
// answer; and the dialog's thread's answer to a message sent while the render runs.
TEST_F(RenderLiveTest, HowSoonTheDialogAnswersDuringARender) {
  Figures press, moves, abort, answer;
  // A large tile, so that the render itself takes a while.
  RunLive({{resources::kTileSize, 250}}, [&] {
    const HWND apply = PanelItem(SettingsPanel::kApply), list = PanelItem(SettingsPanel::kDisplayList);
    const int rowHeight = static_cast<int>(SendMessage(list, LB_GETITEMHEIGHT, 0, 0));
    POINT origin{0, 0};
    ClientToScreen(list, &origin);
    const RECT originalRow{origin.x + 2, origin.y + 2, origin.x + 40, origin.y + rowHeight - 2};
    const RECT button = Inset(ScreenRect(apply), 4);
    std::atomic<bool> probing{false}, quit{false};
    std::thread prober([&] {
      while (!quit) {
        if (probing) {
          const auto sent = Clock::now();
          SendMessage(dialog_, WM_NULL, 0, 0);
          answer.Add(MsSince(sent));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    });
    struct Joined {
      std::atomic<bool>& quit;
      std::thread& thread;
      ~Joined() {
        quit = true;
        thread.join();
      }
    } joined{quit, prober};
    for (int round = 0; round < 3; ++round) {
      // A release just after the last render's end runs it again: a round starts once the dialog
      // has stayed idle a while.
      ASSERT_TRUE(WaitFor(
          [&] {
            if (!WaitUntilRenderTakenIn()) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            return !Command().IsRendering() && Text(apply) == "Apply";
          },
          60));
      POINT shape = ShapeCentre();
      ASSERT_TRUE(Click(apply));
      ASSERT_TRUE(WaitFor([&] { return Text(apply) == "Abort" && Command().IsRendering(); }));
      probing = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the render is in full swing
      ASSERT_EQ(Shell("xdotool " + MoveTo(shape)), 0);
      Screen::Pixels before = screen_.Read(originalRow);
      auto sent = Clock::now();
      ASSERT_EQ(Shell("xdotool mousedown 1"), 0);
      press.Add(screen_.WaitForChange(originalRow, before, sent));
      for (int step = 1; step <= 3; ++step) {
        const POINT to{shape.x + 6 * step, shape.y + 4 * step};
        const RECT handle{to.x - 4, to.y - 4, to.x + 5, to.y + 5};
        before = screen_.Read(handle);
        sent = Clock::now();
        ASSERT_EQ(Shell("xdotool mousemove " + At(to)), 0);
        moves.Add(screen_.WaitForChange(handle, before, sent));
      }
      ASSERT_EQ(Shell("xdotool mouseup 1"), 0);
      // The button acts on the release.
      ASSERT_EQ(Shell("xdotool " + MoveTo(Centre(apply)) + "mousedown 1"), 0);
      const bool stillRendering = Command().IsRendering();
      std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the pressed look has been shown
      before = screen_.Read(button);
      sent = Clock::now();
      ASSERT_EQ(Shell("xdotool mouseup 1"), 0);
      if (stillRendering) abort.Add(screen_.WaitForChange(button, before, sent));
      ASSERT_TRUE(WaitUntilRenderTakenIn());
      probing = false;
      // Aborted, or (a render that ended before the release) run again and finished: either
      // way the list and OK agree.
      EXPECT_TRUE(WaitFor([&] { return (Shown() == 1) == OkEnabled(); }, 5));
    }
    SaveCapture("live-after-aborts.png");
  });
  std::printf("The dialog during a render of %d x %d pixels on %d threads:\n", kSide, kSide,
              corvel::RowThreads::Count());
  press.Print("a press on the shape until Original shows");
  moves.Print("a move of the pressed shape until it shows there");
  abort.Print("Abort's release until the button reads Apply");
  answer.Print("a message sent to the dialog until it is answered");
  EXPECT_EQ(press.values.size(), 3u);
  EXPECT_EQ(std::count(press.values.begin(), press.values.end(), -1.0), 0) << "a press that never showed";
  EXPECT_EQ(std::count(moves.values.begin(), moves.values.end(), -1.0), 0) << "a move that never showed";
}

TEST_F(RenderLiveTest, TheZoomKeysZoomWhereNoFieldHasTheFocusAndTheTitleFollowsEveryZoom) {
  RunLive({}, [&] {
    const HWND zoomText = Item(framework::PluginDialog::kZoomText);
    const RECT frame = ScreenRect(dialog_);
    const RECT caption{frame.left + 4, frame.top + 4, frame.left + 200, frame.top + 16};
    const HWND view = Item(framework::FilterDialog::kViewItem);
    const HWND feather = PanelItem(SettingsPanel::kFeatherEdit);
    const POINT inView = platform::ClientPoint(view, 30, 30);
    struct Case {
      const char* what;
      std::string act;
      bool zooms;
    } cases[] = {
        {"- over the edge-blending field's text",
         "mousemove --sync " + At(Centre(feather)) + " click 1 key ctrl+a key minus", false},
        {"+ on the keypad in the edge-blending field", "key KP_Add", false},
        {"+ after a click on the tile-size field",
         "mousemove --sync " + At(Centre(PanelItem(SettingsPanel::kTileSizeEdit))) + " click 1 key plus",
         false},
        {"+ after a click in the view", "mousemove --sync " + At(inView) + " click 1 key plus", true},
        {"- after a click in the view", "key minus", true},
        {"+ on the keypad in the view", "key KP_Add", true},
        {"the wheel in the view", "click 4", true},
    };
    for (const Case& c : cases) {
      const std::string percent = Text(zoomText);
      const Screen::Pixels before = screen_.Read(caption);
      ASSERT_EQ(Shell("xdotool " + c.act), 0) << c.what;
      if (!c.zooms) {
        // Nothing to wait for but time: the key is typed into the field, if anywhere.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_EQ(Text(zoomText), percent) << c.what << ": zoomed";
        continue;
      }
      EXPECT_TRUE(WaitFor([&] { return Text(zoomText) != percent; }, 5)) << c.what << ": no zoom";
      EXPECT_TRUE(WaitFor([&] { return screen_.Read(caption) != before; }, 5))
          << c.what << ": caption unchanged";
      const std::string title = "Wendle Forge [" + Text(zoomText) + "]";
      EXPECT_EQ(Text(dialog_), title) << c.what;
      EXPECT_EQ(screen_.Name(display_->XWindowOf(dialog_)), title) << c.what;
    }
    // Left, the field shows the number it holds: 0 where the minus replaced its 10.
    EXPECT_EQ(Text(feather), "0") << "the minus replaced the field's whole text";
    SaveCapture("live-zoomed.png");
  });
}

// Samples of the panel taken while a render ends: each shows the thumbnail, the size and the
// button all as they were or all as they became, never some of each.
TEST_F(RenderLiveTest, ThePanelChangesInOneStepAtARendersEnd) {
  // A large tile: the render lasts long enough to see the panel before its end.
  RunLive({{resources::kTileSize, 250}}, [&] {
    const HWND apply = PanelItem(SettingsPanel::kApply);
    const RECT parts[] = {Inset(ScreenRect(PanelItem(SettingsPanel::kThumbnail)), 2),
                          ScreenRect(PanelItem(SettingsPanel::kSizeText)), Inset(ScreenRect(apply), 4)};
    // One read of the display a sample, so that no change falls between its parts.
    RECT all = parts[0];
    for (const RECT& part : parts) UnionRect(&all, &all, &part);
    ASSERT_TRUE(Click(apply));
    ASSERT_TRUE(WaitFor([&] { return Text(apply) == "Abort"; }));
    // Every paint due after the click has reached the display once the button reads Abort there.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    std::vector<std::vector<Screen::Pixels>> samples;
    auto sample = [&] {
      const Screen::Pixels whole = screen_.Read(all);
      std::vector<Screen::Pixels> seen;
      for (const RECT& part : parts) {
        Screen::Pixels pixels;
        for (LONG y = part.top; y < part.bottom; ++y)
          for (LONG x = part.left; x < part.right; ++x)
            pixels.push_back(whole[std::size_t((y - all.top) * (all.right - all.left) + (x - all.left))]);
        seen.push_back(pixels);
      }
      samples.push_back(seen);
    };
    sample();
    while (Command().IsRendering()) sample();
    // On a loaded machine the panel's one repaint may reach the display well after the render's
    // end: wait for it (or 5 s), then watch a while longer for a part changing after the others.
    const auto end = Clock::now();
    auto allChanged = [&] {
      for (std::size_t part = 0; part < std::size(parts); ++part)
        if (samples.back()[part] == samples.front()[part]) return false;
      return true;
    };
    while (!allChanged() && MsSince(end) < 5000) sample();
    const auto settled = Clock::now();
    while (MsSince(settled) < 300) sample();
    const std::vector<Screen::Pixels>& was = samples.front();
    const std::vector<Screen::Pixels>& became = samples.back();
    for (std::size_t part = 0; part < std::size(parts); ++part)
      ASSERT_NE(was[part], became[part]) << "part " << part << " did not change";
    int mixed = 0;
    for (const auto& seen : samples) {
      bool old = false, now = false;
      for (std::size_t part = 0; part < std::size(parts); ++part) {
        old = old || seen[part] == was[part];
        now = now || seen[part] == became[part];
      }
      mixed += old && now;
    }
    std::printf("%zu samples of the panel while the render ended\n", samples.size());
    EXPECT_EQ(mixed, 0) << "samples with some parts changed and others not";
    SaveCapture("live-render-end.png");
  });
}

}  // namespace
}  // namespace apptest

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  wf_test::XServer server;
  const std::string failure = server.Start();
  if (!failure.empty()) {
    std::fprintf(stderr, "wf_app_render_x11_tests: %s\n", failure.c_str());
    return 1;
  }
  return RUN_ALL_TESTS();
}
