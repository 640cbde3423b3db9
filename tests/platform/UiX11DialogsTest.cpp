// Message boxes and file dialogs live on the X server of wf_x11_tests, answered as a user
// answers them: a click, Enter, Esc, a mnemonic, typing.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/ui/Ui.h"
#include "platform/ui/detail/CommonDialogs.h"
#include "platform/ui/x11/LiveDisplay.h"
#include "tests/WaitUntil.h"
#include "tests/platform/LiveTesting.h"

namespace {

using wf_test::Shell;
using wf_test::TempPath;

// Not waiting for the move: the pointer may be there already. The server takes xdotool's
// events in order, so what follows happens there.
std::string MoveTo(POINT at) {
  return "mousemove " + std::to_string(at.x) + " " + std::to_string(at.y) + " ";
}

class LiveDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
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

  // Runs `show` on this thread while `drive` acts from another once the dialog titled `title`
  // is on the screen; a drive that fails ends every window it left open, a question over the
  // dialog first, so that the test ends. Answers whether the drive went through.
  bool WhileShown(const std::string& title, const std::function<void()>& show,
                  const std::function<bool(HWND)>& drive) {
    bool driven = false;
    std::atomic<bool> returned{false};
    std::thread driver([&] {
      HWND shown = nullptr;
      for (int i = 0; i < 2000 && !(shown = FindWindow(kDialogClassName, title.c_str())); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      driven = shown &&
               Shell("timeout 20 xdotool search --sync --onlyvisible --name '" + title + "' > /dev/null") ==
                   0 &&
               drive(shown);
      if (driven || !shown) return;
      // The innermost modal window is the active one; ending it lets the one under it go on.
      for (int i = 0; i < 1000 && !returned; ++i) {
        if (HWND active = GetActiveWindow()) EndDialog(active, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    });
    show();
    returned = true;
    driver.join();
    return driven;
  }

  // What the display shows of a top-level window, into a PNG file.
  bool Shoot(HWND top, const std::string& png) const {
    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", display_->XWindowOf(top));
    return Shell(std::string("import -window ") + id + " " + png) == 0;
  }

  std::unique_ptr<platform::x11::LiveDisplay> display_;
};

RECT ClientRectOf(HWND dialog, int id) {
  RECT rect;
  HWND control = GetDlgItem(dialog, id);
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

TEST_F(LiveDialogs, AMessageBoxIsAnsweredByAClickEnterEscOrAMnemonic) {
  struct Case {
    UINT type;
    std::string act;  // xdotool's words, the pointer over the box; "click ID" clicks a button
    int expected;
  } cases[] = {
      {MB_YESNO | MB_ICONQUESTION, "click 7", IDNO},
      {MB_OKCANCEL, "key Return", IDOK},
      {MB_YESNO | MB_DEFBUTTON2, "key Return", IDNO},
      {MB_OKCANCEL | MB_ICONWARNING, "key Escape", IDCANCEL},
      {MB_OK | MB_ICONINFORMATION, "key Escape", IDOK},
      {MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON1, "key Escape", IDNO},
      {MB_YESNOCANCEL, "key n", IDNO},
      {MB_YESNOCANCEL | MB_DEFBUTTON3, "key alt+y", IDYES},
      {MB_ABORTRETRYIGNORE | MB_ICONERROR, "key alt+i", IDIGNORE},
  };
  int number = 0;
  for (const Case& c : cases) {
    const std::string caption = "Box " + std::to_string(++number);
    int answer = 0;
    bool driven = WhileShown(
        caption,
        [&] { answer = MessageBox(nullptr, "File already exists. Overwrite?", caption.c_str(), c.type); },
        [&](HWND box) {
          const bool click = c.act.rfind("click ", 0) == 0;
          POINT at = click ? platform::CentreOf(GetDlgItem(box, std::stoi(c.act.substr(6))))
                           : platform::CentreOf(box);
          return Shell("xdotool " + MoveTo(at) + (click ? "click 1" : c.act)) == 0;
        });
    EXPECT_TRUE(driven) << caption;
    EXPECT_EQ(answer, c.expected) << caption;
  }
}

// A worker thread's box, while the windows are another thread's, is not shown: nobody could
// answer it without that thread, which may be waiting for the worker.
TEST_F(LiveDialogs, AWorkersMessageBoxGoesToStandardErrorWhileTheWindowsAreAnotherThreads) {
  HWND shown = CreateWindow(WC_STATIC, "Shown", WS_POPUP | WS_VISIBLE, 10, 10, 100, 50, nullptr, nullptr,
                            nullptr, nullptr);
  int answer = 0;
  ::testing::internal::CaptureStderr();
  std::thread([&] { answer = MessageBox(nullptr, "Too large", "Render", MB_OKCANCEL); }).join();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Render: Too large\n");
  EXPECT_EQ(answer, IDCANCEL);
  DestroyWindow(shown);
}

// A box of several lines: the icon left of the text, the buttons in one row, centred below it,
// everything inside the box, and the text readable.
TEST_F(LiveDialogs, AMessageBoxLaysOutItsTextIconAndButtons) {
  const char* text =
      "Because of the limitations of the specified file format the saved \nfile will be limited to a merged "
      "image. Would you like to continue?";
  int answer = 0;
  bool driven = WhileShown(
      "Possible loss of data",
      [&] { answer = MessageBox(nullptr, text, "Possible loss of data", MB_YESNOCANCEL | MB_ICONQUESTION); },
      [&](HWND box) {
        RECT client;
        GetClientRect(box, &client);
        const RECT yes = ClientRectOf(box, IDYES), no = ClientRectOf(box, IDNO),
                   cancel = ClientRectOf(box, IDCANCEL);
        const RECT label = ClientRectOf(box, platform::detail::kMessageBoxTextId),
                   icon = ClientRectOf(box, platform::detail::kMessageBoxIconId);
        EXPECT_EQ(yes.top, no.top);
        EXPECT_EQ(no.top, cancel.top);
        EXPECT_LT(yes.right, no.left);
        EXPECT_LT(no.right, cancel.left);
        EXPECT_LE(std::abs(yes.left - (client.right - cancel.right)), 1) << "centred";
        EXPECT_GT(yes.top, label.bottom);
        EXPECT_GT(yes.top, icon.bottom);
        EXPECT_LE(icon.right, label.left);
        EXPECT_LE(cancel.bottom, client.bottom);
        EXPECT_LE(label.right, client.right);
        EXPECT_GE(label.bottom - label.top, 2 * 13) << "two lines at least";
        // Looked at by eye: what the display shows.
        if (!Shoot(box, TempPath("live-message-box.png"))) return false;
        return Shell("xdotool " + MoveTo(platform::CentreOf(box)) + "key Escape") == 0;
      });
  EXPECT_TRUE(driven);
  EXPECT_EQ(answer, IDCANCEL);
}

// The list's rows as shown.
std::vector<std::string> Rows(HWND dialog) {
  std::vector<std::string> rows;
  HWND list = GetDlgItem(dialog, platform::detail::kFileListId);
  for (LRESULT i = 0, n = SendMessage(list, LB_GETCOUNT, 0, 0); i < n; ++i) {
    char row[256];
    SendMessage(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(row));
    rows.emplace_back(row);
  }
  return rows;
}

// Waits for what the drive did to show.
bool Eventually(const std::function<bool()>& done, const std::string& what) {
  return wf_test::WaitUntil(done, what, std::chrono::seconds(10));
}

class LiveFileDialog : public LiveDialogs {
 protected:
  void SetUp() override {
    LiveDialogs::SetUp();
    folder_ = TempPath("live-files-" + std::to_string(getpid()));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_ + "/sub");
    for (const char* name : {"a.png", "b.jpg", "c.txt", ".hidden.png", "sub/old.png"})
      std::ofstream(folder_ + "/" + name) << "x";
    ofn_.lStructSize = sizeof ofn_;
    ofn_.lpstrFilter = "PNG (*.png)\0*.png\0All Files (*.*)\0*.*\0";
    ofn_.lpstrFile = path_;
    ofn_.nMaxFile = sizeof path_;
    ofn_.lpstrInitialDir = folder_.c_str();
    ofn_.lpstrDefExt = "JPEG";
    ofn_.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  }
  void TearDown() override {
    std::filesystem::remove_all(folder_);
    LiveDialogs::TearDown();
  }
  std::string folder_;
  char path_[512] = "";
  OPENFILENAME ofn_{};
};

TEST_F(LiveFileDialog, TheUserOpensAFolderTypesANameAndSaves) {
  BOOL saved = FALSE;
  std::vector<std::string> shown, all, inSub;
  bool driven = WhileShown(
      "Save As", [&] { saved = GetSaveFileName(&ofn_); },
      [&](HWND dialog) {
        shown = Rows(dialog);
        if (!Shoot(dialog, TempPath("live-file-dialog.png"))) return false;
        // Every file for a moment, then the PNG files again.
        POINT centre = platform::CentreOf(dialog);
        if (Shell("xdotool " + MoveTo(centre) + "key alt+t Down") != 0 ||
            !Eventually([&] { return Rows(dialog).size() == 4; }, "every file listed"))
          return false;
        all = Rows(dialog);
        if (Shell("xdotool key Up") != 0 ||
            !Eventually([&] { return Rows(dialog).size() == 2; }, "the PNG files listed"))
          return false;
        // A double click on the folder's row opens it.
        HWND list = GetDlgItem(dialog, platform::detail::kFileListId);
        RECT rows;
        GetWindowRect(list, &rows);
        auto height = static_cast<int>(SendMessage(list, LB_GETITEMHEIGHT, 0, 0));
        POINT first{(rows.left + rows.right) / 2, rows.top + 2 + height / 2};
        if (Shell("xdotool " + MoveTo(first) + "click --repeat 2 --delay 80 1") != 0 ||
            !Eventually([&] { return Rows(dialog) == std::vector<std::string>{"old.png"}; },
                        "the folder opened"))
          return false;
        inSub = Rows(dialog);
        // A name that is there asks first; No keeps the dialog, and another name saves.
        if (Shell("xdotool key alt+n type old") != 0 || Shell("xdotool key Return") != 0 ||
            !Eventually([&] { return GetActiveWindow() != dialog && GetActiveWindow() != nullptr; },
                        "the question"))
          return false;
        HWND question = GetActiveWindow();
        if (Shell("xdotool " + MoveTo(platform::CentreOf(question)) + "key n") != 0 ||
            !Eventually([&] { return GetActiveWindow() == dialog; }, "the dialog back"))
          return false;
        return Shell("xdotool " + MoveTo(centre) + "key alt+n type tile") == 0 &&
               Shell("xdotool key Return") == 0;
      });
  EXPECT_TRUE(driven);
  EXPECT_EQ(shown, (std::vector<std::string>{"sub/", "a.png"}));
  EXPECT_EQ(all, (std::vector<std::string>{"sub/", "a.png", "b.jpg", "c.txt"}));
  EXPECT_EQ(inSub, (std::vector<std::string>{"old.png"}));
  ASSERT_TRUE(saved);
  EXPECT_EQ(std::string(path_), folder_ + "/sub/tile.png") << "the type's extension";
  EXPECT_STREQ(path_ + ofn_.nFileOffset, "tile.png");
  EXPECT_EQ(ofn_.nFilterIndex, 1u);
}

TEST_F(LiveFileDialog, TheKeyboardOpensAFolderFromTheListWhichShowsItsFocusBeforeARowIsChosen) {
  BOOL saved = TRUE;
  std::vector<bool> focusShown;
  std::vector<std::string> inSub;
  bool driven = WhileShown(
      "Save As", [&] { saved = GetSaveFileName(&ofn_); },
      [&](HWND dialog) {
        HWND list = GetDlgItem(dialog, platform::detail::kFileListId);
        // The focus rectangle's first dot, at the first row's corner, inverts the list's white.
        auto focusOnFirstRow = [&](const std::string& name) {
          const std::string png = TempPath(name);
          RECT frame{};
          GetWindowRect(dialog, &frame);
          POINT corner{0, 0};
          ClientToScreen(list, &corner);
          const std::size_t at = (std::size_t(corner.y - frame.top) * std::size_t(frame.right - frame.left) +
                                  (corner.x - frame.left)) *
                                 3;
          if (!Shoot(dialog, png)) return false;
          const std::vector<unsigned char> rgb = wf_test::ReadRgb(png);
          return rgb.size() > at + 2 && rgb[at] == 0 && rgb[at + 1] == 0 && rgb[at + 2] == 0;
        };
        if (Shell("xdotool " + MoveTo(platform::CentreOf(dialog)) + "key shift+Tab") != 0 ||
            !Eventually([&] { return GetFocus() == list; }, "the list focused"))
          return false;
        focusShown.push_back(focusOnFirstRow("live-file-list-focused.png"));
        // The folder is the first row: Down chooses it and Enter opens it.
        if (Shell("xdotool key Down Return") != 0 ||
            !Eventually([&] { return Rows(dialog) == std::vector<std::string>{"old.png"}; },
                        "the folder opened"))
          return false;
        inSub = Rows(dialog);
        focusShown.push_back(GetFocus() == list && focusOnFirstRow("live-file-list-in-a-folder.png"));
        return Shell("xdotool key Escape") == 0;
      });
  EXPECT_TRUE(driven);
  EXPECT_EQ(focusShown, (std::vector<bool>{true, true}));
  EXPECT_EQ(inSub, (std::vector<std::string>{"old.png"}));
  EXPECT_FALSE(saved);
}

TEST_F(LiveFileDialog, CancelLeavesTheNameAsItWas) {
  std::snprintf(path_, sizeof path_, "*.png");
  BOOL saved = TRUE;
  bool driven = WhileShown(
      "Save As", [&] { saved = GetSaveFileName(&ofn_); },
      [&](HWND dialog) {
        return Shell("xdotool " + MoveTo(platform::CentreOf(GetDlgItem(dialog, IDCANCEL))) + "click 1") == 0;
      });
  EXPECT_TRUE(driven);
  EXPECT_FALSE(saved);
  EXPECT_STREQ(path_, "*.png");
}

}  // namespace
