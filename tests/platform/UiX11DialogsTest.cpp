// Message boxes and file dialogs live on the X server of wf_x11_tests, answered as a user
// answers them: a click, Enter, Esc, a mnemonic, typing.
#include <gtest/gtest.h>

#include <unistd.h>

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
  // is on the screen; a drive that fails ends the dialog, so that the test ends. Answers whether
  // the drive went through.
  bool WhileShown(const std::string& title, const std::function<void()>& show,
                  const std::function<bool(HWND)>& drive) {
    bool driven = false;
    std::thread driver([&] {
      HWND shown = nullptr;
      for (int i = 0; i < 2000 && !(shown = FindWindow(kDialogClassName, title.c_str())); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      driven = shown &&
               Shell("timeout 20 xdotool search --sync --onlyvisible --name '" + title + "' > /dev/null") ==
                   0 &&
               drive(shown);
      if (!driven && shown) EndDialog(shown, 0);
    });
    show();
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

}  // namespace
