// A class-library panel that records the commands its children send, for the controls' tests.
#pragma once
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/classlib/ClassLib.h"
#include "platform/ui/Capture.h"
#include "tests/platform/UiFixture.h"

namespace wf_test {

class CommandPanel : public CWnd {
 public:
  struct Command {
    int id;
    int code;
    HWND from;
  };
  std::vector<Command> commands;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    commands.push_back({LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)});
    return CWnd::OnCommand(wParam, lParam);
  }
  std::vector<int> Codes(int id) const {
    std::vector<int> codes;
    for (const Command& command : commands)
      if (command.id == id) codes.push_back(command.code);
    return codes;
  }
};

class ControlsTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    static CWinApp app("Wendle Forge");
    ASSERT_TRUE(
        panel.CreateEx(0, nullptr, "Panel", WS_POPUP | WS_VISIBLE, CRect(100, 100, 400, 300), nullptr, 0));
  }
  void TearDown() override {
    panel.DestroyWindow();
    UiTest::TearDown();
  }
  // Captures the window, keeping a PNG beside the test's outputs for a look.
  static platform::CapturedImage Picture(HWND hwnd, const std::string& name) {
    platform::CapturedImage image = platform::Capture(hwnd);
    if (const char* dir = std::getenv("WF_TEST_TMPDIR"))
      platform::WritePng(image, std::string(dir) + "/" + name + ".png");
    return image;
  }
  static std::uint32_t Rgb(DWORD colour) {
    return 0xFF000000u | (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
  }
  CommandPanel panel;
};

}  // namespace wf_test
