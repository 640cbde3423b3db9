// wf-host with the filter's dialog and its about box on an X server of the test program's own,
// used as a person uses them: xdotool moves the mouse, clicks and presses keys, no event script.
// The module runs from a plug-ins folder of its own, where the first preset save makes the folder
// Presets and Help finds its page; controls are found on the screen by the text they show. Save
// Tile asks for the file's name in the file dialog.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/gdi/Dib.h"
#include "platform/gdi/Display.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Text.h"
#include "tests/host/WfHostFixture.h"

// Last: the X headers define macros that the headers above must not see.
#include "tests/platform/LiveTesting.h"

#include <X11/Xutil.h>

namespace {

using namespace wf_host_test;
using wf_test::Shell;

// What a person's action brings shows within a second, a render's end with it: a wait that fails
// does so within a few seconds, so that a fault fails every case in time rather than the program.
constexpr int kPatience = 5;

// Polls until `done` holds, for `seconds` at most however long a look takes.
bool PollFor(const std::function<bool()>& done, int seconds = kPatience) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < deadline) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return done();
}

// Colours as the window system paints them, 0x00BBGGRR.
struct Picture {
  int width = 0, height = 0;
  std::vector<COLORREF> pixels;
  COLORREF At(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

Picture Screen() {
  Display* x = wf_test::XServer::keeper;
  XWindowAttributes root{};
  XGetWindowAttributes(x, DefaultRootWindow(x), &root);
  Picture picture{root.width, root.height, {}};
  XImage* image = XGetImage(x, DefaultRootWindow(x), 0, 0, root.width, root.height, AllPlanes, ZPixmap);
  if (!image) return Picture{};
  for (int y = 0; y < root.height; ++y)
    for (int col = 0; col < root.width; ++col) {
      const unsigned long rgb = XGetPixel(image, col, y);
      picture.pixels.push_back(RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
    }
  XDestroyImage(image);
  return picture;
}

// A control's text in the dialogs' font on the system colour `background`, cut to its ink.
Picture InkOf(const char* text, int background) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = CreateFont(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "MS Shell Dlg");
  HGDIOBJ oldFont = SelectObject(dc, font);
  SIZE extent{};
  GetTextExtentPoint32(dc, text, static_cast<int>(std::strlen(text)), &extent);
  const RECT all{0, 0, extent.cx + 4, extent.cy};
  BYTE* bits = nullptr;
  HBITMAP bitmap = platform::CreateTopDownSection(all.right, all.bottom, &bits);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  FillRect(dc, &all, GetSysColorBrush(background));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  TextOut(dc, 0, 0, text, static_cast<int>(std::strlen(text)));
  RECT ink{all.right, all.bottom, -1, -1};
  for (int y = 0; y < all.bottom; ++y)
    for (int x = 0; x < all.right; ++x)
      if (GetPixel(dc, x, y) != GetSysColor(background))
        ink = RECT{std::min<LONG>(ink.left, x), std::min<LONG>(ink.top, y), std::max<LONG>(ink.right, x + 1),
                   std::max<LONG>(ink.bottom, y + 1)};
  Picture picture{ink.right - ink.left, ink.bottom - ink.top, {}};
  for (int y = ink.top; y < ink.bottom; ++y)
    for (int x = ink.left; x < ink.right; ++x) picture.pixels.push_back(GetPixel(dc, x, y));
  SelectObject(dc, oldBitmap);
  SelectObject(dc, oldFont);
  DeleteObject(bitmap);
  DeleteObject(font);
  DeleteDC(dc);
  return picture;
}

// Where the screen shows the ink, the first place from the top.
std::optional<RECT> Find(const Picture& screen, const Picture& ink) {
  for (int y = 0; y + ink.height <= screen.height; ++y)
    for (int x = 0; x + ink.width <= screen.width; ++x) {
      bool same = true;
      for (int iy = 0; same && iy < ink.height; ++iy)
        for (int ix = 0; same && ix < ink.width; ++ix) same = screen.At(x + ix, y + iy) == ink.At(ix, iy);
      if (same) return RECT{x, y, x + ink.width, y + ink.height};
    }
  return std::nullopt;
}

POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
std::string At(POINT p) { return std::to_string(p.x) + " " + std::to_string(p.y); }
// Without --sync, which waits long for a move to where the pointer already is.
bool Click(POINT p) { return Shell("xdotool mousemove " + At(p) + " click 1") == 0; }
bool Keys(const std::string& keys) { return Shell("xdotool key --delay 60 " + keys) == 0; }

// The visible top-level windows whose title matches the pattern (an extended regular expression).
std::vector<std::string> Windows(const std::string& pattern) {
  std::vector<std::string> ids;
  std::istringstream found(Output("xdotool search --onlyvisible --name '" + pattern + "' 2>/dev/null"));
  for (std::string id; std::getline(found, id);) ids.push_back(id);
  return ids;
}

RECT Frame(const std::string& id) {
  std::istringstream shell(Output("xdotool getwindowgeometry --shell " + id));
  int x = 0, y = 0, width = 0, height = 0;
  for (std::string line; std::getline(shell, line);) {
    const char* text = line.c_str();
    std::sscanf(text, "X=%d", &x) || std::sscanf(text, "Y=%d", &y) || std::sscanf(text, "WIDTH=%d", &width) ||
        std::sscanf(text, "HEIGHT=%d", &height);
  }
  return RECT{x, y, x + width, y + height};
}

class WfHostLive : public WfHost {
 protected:
  void SetUp() override {
    WfHost::SetUp();
    namespace fs = std::filesystem;
    fs::create_directories(Path("plugins/Help"));
    fs::copy_file(WF_PLUGINS_DIR "/WendleForge.8bf", Path("plugins/WendleForge.8bf"));
    fs::copy_file(WF_PLUGINS_DIR "/Help/wendleforge.html", Path("plugins/Help/wendleforge.html"));
    // A search path of the test's own: xdg-open is there only when a test puts it there.
    fs::create_directories(Path("bin"));
    ASSERT_TRUE(
        Convert("-size 160x120 -seed 7 plasma:fractal -depth 8 -type TrueColor " + Path("picture.png")));
  }
  void TearDown() override {
    if (child_ > 0) {
      kill(child_, SIGKILL);
      waitpid(child_, nullptr, 0);
    }
    WfHost::TearDown();
  }

  // Starts wf-host on the test's display with the module of the test's own plug-ins folder.
  void Start(const std::string& arguments) {
    const std::string command = "cd '" + folder_ + "' && PATH='" + Path("bin") +
                                "' exec " WF_HOST_PATH " --plugins plugins " + arguments +
                                " > /dev/null 2> stderr.txt";
    child_ = fork();
    if (child_ == 0) {
      execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  // Whether wf-host has ended; its status is kept.
  bool HostEnded() {
    if (child_ > 0 && waitpid(child_, &status_, WNOHANG) == child_) child_ = -1;
    return child_ <= 0;
  }
  // Polls until `done` holds; false at once when wf-host has ended without it, since nothing
  // more will show.
  bool WaitFor(const std::function<bool()>& done, int seconds = kPatience) {
    return PollFor([&] { return done() || HostEnded(); }, seconds) && done();
  }
  // wf-host's exit code once it has ended, -1 when it is still running after the wait.
  int Ended(int seconds = kPatience) {
    if (!PollFor([&] { return HostEnded(); }, seconds)) return -1;
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
  }
  std::string Errors() const { return Contents(Path("stderr.txt")); }

  // The frame of the one window of that title, once it shows.
  std::optional<RECT> Shown(const std::string& pattern) {
    std::vector<std::string> ids;
    if (!WaitFor([&] { return (ids = Windows(pattern)).size() == 1; })) return std::nullopt;
    return Frame(ids[0]);
  }
  // A window as the screen shows it, kept in the test's folder to look at.
  void Keep(const std::string& pattern, const std::string& name) {
    const std::vector<std::string> ids = Windows(pattern);
    ASSERT_EQ(ids.size(), 1u) << pattern;
    ASSERT_EQ(Shell("import -window " + ids[0] + " " + wf_test::TempPath(name)), 0);
  }

  // The list the Presets box drops: the one window without a title that is not the screen's.
  std::optional<RECT> DroppedList() {
    for (const std::string& id : Windows("^$")) {
      const RECT frame = Frame(id);
      if (frame.left > 0 || frame.top > 0) return frame;
    }
    return std::nullopt;
  }
  // The middle of the Presets box's field, the white under the label "Presets:".
  std::optional<POINT> PresetsField() {
    const Picture screen = Screen();
    const std::optional<RECT> label = Find(screen, InkOf("Presets:", COLOR_BTNFACE));
    if (!label) return std::nullopt;
    const int x = label->left + 20;
    for (int y = label->bottom; y < label->bottom + 40 && y < screen.height; ++y)
      if (screen.At(x, y) == GetSysColor(COLOR_WINDOW)) return POINT{x, y + 6};
    return std::nullopt;
  }
  bool OpenPresets() {
    std::optional<POINT> field;
    return WaitFor([&] { return (field = PresetsField()).has_value(); }) && Click(*field) &&
           WaitFor([&] { return DroppedList().has_value(); });
  }
  bool ListClosed() {
    return WaitFor([&] { return !DroppedList(); });
  }

  pid_t child_ = -1;
  int status_ = 0;
};

TEST_F(WfHostLive, EscOnTheOpenPresetsListClosesOnlyTheList) {
  Start("--in picture.png --out out.png --dialog");
  ASSERT_TRUE(Shown("^Wendle Forge"));
  ASSERT_TRUE(OpenPresets());
  ASSERT_TRUE(Keys("Escape"));
  EXPECT_TRUE(ListClosed());
  // The keys are taken in order: a dialog that Esc had ended would open no list now.
  ASSERT_TRUE(OpenPresets()) << Errors();
  ASSERT_TRUE(Keys("Escape") && ListClosed());
  ASSERT_TRUE(Keys("Escape"));
  EXPECT_EQ(Ended(), 1) << "Esc with the list closed cancels the dialog";
  EXPECT_NE(Errors().find("the dialog was cancelled"), std::string::npos) << Errors();
}

TEST_F(WfHostLive, APresetIsSavedInAFreshFolderChosenAndDeleted) {
  Start("--in picture.png --out out.png --set TileSize=50 --dialog");
  ASSERT_TRUE(Shown("^Wendle Forge"));
  // The save button follows the Presets box in the tab order.
  ASSERT_TRUE(OpenPresets());
  ASSERT_TRUE(Keys("Escape") && ListClosed());
  ASSERT_TRUE(Keys("Tab space"));
  ASSERT_TRUE(Shown("^Save Preset$"));
  ASSERT_EQ(Shell("xdotool type --delay 60 Sunset"), 0);
  ASSERT_TRUE(Keys("Return"));
  const std::string preset = Path("plugins/Presets/Sunset.preset");
  ASSERT_TRUE(WaitFor([&] { return Contents(preset).find("\tTileSize : 50\n") != std::string::npos; }));

  // "Default" above it, then the preset again; each renders, and OK comes on when that is done.
  const Picture ok = InkOf("OK", COLOR_BTNFACE);
  ASSERT_TRUE(OpenPresets() && Keys("Up Return") && ListClosed());
  ASSERT_TRUE(WaitFor([&] { return Find(Screen(), ok).has_value(); }));
  ASSERT_TRUE(OpenPresets() && Keys("Down Return") && ListClosed());

  // Delete follows save; the shell asks first.
  ASSERT_TRUE(Keys("Tab Tab space"));
  ASSERT_TRUE(Shown("^Confirm File Delete$"));
  Keep("^Confirm File Delete$", "wf-host-confirm-delete.png");
  ASSERT_TRUE(Keys("Return"));
  EXPECT_TRUE(WaitFor([&] { return !std::filesystem::exists(preset); }));
  EXPECT_TRUE(std::filesystem::is_directory(Path("plugins/Presets")));

  std::optional<RECT> enabled;
  ASSERT_TRUE(WaitFor([&] { return (enabled = Find(Screen(), ok)).has_value(); }));
  ASSERT_TRUE(Click(Centre(*enabled)));
  EXPECT_EQ(Ended(), 0) << Errors();
  // The preset's tile size, chosen after the default's 100, is what OK kept.
  EXPECT_NE(Contents(Path("registry")).find("\"TileSize\"=4:32000000"), std::string::npos);
}

TEST_F(WfHostLive, SavingAPresetAgainAsksBeforeOverwritingAndAFailedSaveIsTold) {
  Start("--in picture.png --out out.png --set TileSize=50 --dialog");
  ASSERT_TRUE(Shown("^Wendle Forge"));
  const std::string preset = Path("plugins/Presets/Sunset.preset");
  auto saveAs = [&](const std::string& name) {
    return OpenPresets() && Keys("Escape") && ListClosed() && Keys("Tab space") && Shown("^Save Preset$") &&
           Shell("xdotool type --delay 60 " + name) == 0 && Keys("Return");
  };
  auto saved = [&](const char* tileSize) {
    return WaitFor([&] {
      return Contents(preset).find(std::string("\tTileSize : ") + tileSize + "\n") != std::string::npos;
    });
  };
  ASSERT_TRUE(saveAs("Sunset"));
  ASSERT_TRUE(saved("50"));

  // The tile size changed, the same name again: the question stands over the name's dialog.
  ASSERT_TRUE(Keys("Tab Tab Tab Tab Tab"));
  ASSERT_EQ(Shell("xdotool type --delay 60 70"), 0);
  ASSERT_TRUE(Keys("Tab"));
  ASSERT_TRUE(saveAs("Sunset"));
  const Picture question = InkOf("Overwrite?", COLOR_BTNFACE);
  ASSERT_TRUE(WaitFor([&] { return Windows("^Save Preset$").size() == 2 && Find(Screen(), question); }));
  ASSERT_EQ(Shell("import -window root " + wf_test::TempPath("wf-host-overwrite-question.png")), 0);
  // No: the name can be changed; nothing is written.
  ASSERT_TRUE(Keys("n"));
  ASSERT_TRUE(WaitFor([] { return Windows("^Save Preset$").size() == 1; }));
  EXPECT_TRUE(saved("50"));
  // Yes: written over.
  ASSERT_TRUE(Keys("Return"));
  ASSERT_TRUE(WaitFor([&] { return Windows("^Save Preset$").size() == 2 && Find(Screen(), question); }));
  ASSERT_TRUE(Keys("y"));
  ASSERT_TRUE(WaitFor([] { return Windows("^Save Preset$").empty(); }));
  EXPECT_TRUE(saved("70"));

  // Where the presets folder cannot be, the save says so, and the filter goes on.
  std::filesystem::remove_all(Path("plugins/Presets"));
  std::ofstream(Path("plugins/Presets")) << "not a folder";
  ASSERT_TRUE(saveAs("Dawn"));
  ASSERT_TRUE(Shown("^Presets$"));
  EXPECT_TRUE(
      WaitFor([] { return Find(Screen(), InkOf("Can't save the preset", COLOR_BTNFACE)).has_value(); }));
  Keep("^Presets$", "wf-host-preset-not-saved.png");
  ASSERT_TRUE(Keys("Return"));
  ASSERT_TRUE(WaitFor([] { return Windows("^Presets$").empty(); }));
  ASSERT_TRUE(Shown("^Wendle Forge"));
  ASSERT_TRUE(Keys("Escape"));
  EXPECT_EQ(Ended(), 1) << Errors();
}

TEST_F(WfHostLive, HelpOpensThePageBesideTheModuleOrSaysThatNoBrowserCan) {
  Start("--in picture.png --out out.png --dialog");
  ASSERT_TRUE(Shown("^Wendle Forge"));
  std::optional<RECT> help;
  ASSERT_TRUE(WaitFor([&] { return (help = Find(Screen(), InkOf("Help", COLOR_BTNFACE))).has_value(); }));
  ASSERT_TRUE(Click(Centre(*help)));
  ASSERT_TRUE(Shown("^Help$")) << "no xdg-open on the search path";
  Keep("^Help$", "wf-host-help-no-browser.png");
  ASSERT_TRUE(Keys("Return"));
  ASSERT_TRUE(WaitFor([] { return Windows("^Help$").empty(); }));

  std::ofstream(Path("bin/xdg-open"))
      << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << Path("opened.txt") << "'\n";
  std::filesystem::permissions(Path("bin/xdg-open"), std::filesystem::perms::owner_all);
  ASSERT_TRUE(Click(Centre(*help)));
  const std::string page = Path("plugins/Help/wendleforge.html") + "\n";
  EXPECT_TRUE(WaitFor([&] { return Contents(Path("opened.txt")) == page; })) << Contents(Path("opened.txt"));
  ASSERT_TRUE(Keys("Escape"));
  EXPECT_EQ(Ended(), 1) << Errors();
}

TEST_F(WfHostLive, AButtonsTipShowsItsWholeText) {
  Start("--in picture.png --out out.png --dialog");
  ASSERT_TRUE(Shown("^Wendle Forge"));
  std::optional<RECT> help;
  ASSERT_TRUE(WaitFor([&] { return (help = Find(Screen(), InkOf("Help", COLOR_BTNFACE))).has_value(); }));
  // Descenders and the last letter too: a tip a border too small cut them off.
  const Picture tip = InkOf("Open the help page", COLOR_INFOBK);
  ASSERT_EQ(Shell("xdotool mousemove " + At(Centre(*help)) + " sleep 0.2 mousemove_relative 1 1"), 0);
  EXPECT_TRUE(WaitFor([&] { return Find(Screen(), tip).has_value(); }, 5));
  ASSERT_EQ(Shell("import -window root " + wf_test::TempPath("wf-host-tip.png")), 0);
  ASSERT_TRUE(Keys("Escape"));
  EXPECT_EQ(Ended(), 1) << Errors();
}

TEST_F(WfHostLive, SaveTileAsksForANameInTheFileDialogWritesTheTileAndTheFilterGoesOn) {
  Start("--in picture.png --out out.png --dialog");
  ASSERT_TRUE(Shown("^Wendle Forge"));
  std::optional<RECT> saveTile;
  ASSERT_TRUE(
      WaitFor([&] { return (saveTile = Find(Screen(), InkOf("Save Tile", COLOR_BTNFACE))).has_value(); }));
  ASSERT_TRUE(Click(Centre(*saveTile)));
  const std::optional<RECT> files = Shown("^Save As$");
  ASSERT_TRUE(files) << Errors();
  Keep("^Save As$", "wf-host-save-tile.png");
  // The name field has the focus with its "*.jpg" selected: what is typed replaces it.
  ASSERT_EQ(Shell("xdotool mousemove " + At(Centre(*files)) + " type --delay 60 tile.png"), 0);
  ASSERT_TRUE(Keys("Return"));
  EXPECT_TRUE(WaitFor([&] { return Identify("%m %wx%h", Path("tile.png")) == "PNG 160x120"; }))
      << "before a render, the picture itself; " << Errors();
  // The filter goes on: its dialog is back, and Esc there cancels it.
  ASSERT_TRUE(WaitFor([] { return Windows("^Save As$").empty(); }));
  ASSERT_TRUE(Shown("^Wendle Forge"));
  ASSERT_TRUE(Keys("Escape"));
  EXPECT_EQ(Ended(), 1) << Errors();
  EXPECT_NE(Errors().find("the dialog was cancelled; out.png is not written"), std::string::npos) << Errors();
}

// The output was checked before the dialog opened; a write that fails after OK all the same is
// told to the person who worked in the dialog, on the display.
TEST_F(WfHostLive, AnOutputThatCannotBeWrittenAfterOkIsToldInAMessageBox) {
  std::filesystem::create_directory(Path("results"));
  Start("--in picture.png --out results/out.png --dialog");
  ASSERT_TRUE(Shown("^Wendle Forge"));
  std::filesystem::remove_all(Path("results"));  // as a disk fills meanwhile
  // OK comes on once a render has finished.
  std::optional<RECT> apply, ok;
  ASSERT_TRUE(WaitFor([&] { return (apply = Find(Screen(), InkOf("Apply", COLOR_BTNFACE))).has_value(); }));
  ASSERT_TRUE(Click(Centre(*apply)));
  ASSERT_TRUE(WaitFor([&] { return (ok = Find(Screen(), InkOf("OK", COLOR_BTNFACE))).has_value(); }));
  ASSERT_TRUE(Click(Centre(*ok)));
  const std::optional<RECT> box = Shown("^wf-host$");
  ASSERT_TRUE(box) << Errors();
  EXPECT_TRUE(WaitFor(
      [] { return Find(Screen(), InkOf("The dialog's result is lost.", COLOR_BTNFACE)).has_value(); }));
  Keep("^wf-host$", "wf-host-result-not-written.png");
  ASSERT_EQ(Shell("xdotool mousemove " + At(Centre(*box)) + " key Return"), 0);
  EXPECT_EQ(Ended(), 1);
  EXPECT_EQ(Errors(), "wf-host: results/out.png: cannot be written: the folder results does not exist\n");
}

TEST_F(WfHostLive, TheAboutBoxShowsTheVersionBlockUntilAClickInIt) {
  Start("--about");
  const std::optional<RECT> box = Shown("^About$");
  ASSERT_TRUE(box);
  // The copyright line as the version block has it, not the box's default.
  EXPECT_TRUE(WaitFor(
      [&] { return Find(Screen(), InkOf("Copyright (C) 2026 Veltra Moor", COLOR_BTNFACE)).has_value(); }));
  Keep("^About$", "wf-host-about.png");
  ASSERT_TRUE(Click(POINT{box->left + 20, box->bottom - 10}));
  EXPECT_EQ(Ended(), 0) << Errors();
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  wf_test::XServer server;
  const std::string failure = server.Start();
  if (!failure.empty()) {
    std::fprintf(stderr, "wf_host_live_tests: %s\n", failure.c_str());
    return 1;
  }
  return RUN_ALL_TESTS();
}
