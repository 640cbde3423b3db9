// The event script read from a text file: its steps drive a modal window, a wait lasts until
// another thread's post has made the control ready, and a bad line names the file and the line.
#include <gtest/gtest.h>

#include <unistd.h>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "platform/ui/ScriptFile.h"
#include "tests/platform/UiFixture.h"

namespace {

using wf_test::UiTest;

constexpr int kEdit = 10, kButton = 11;
constexpr UINT kReady = WM_USER + 5;

std::string WriteScript(const std::string& name, const std::string& text) {
  const char* dir = std::getenv("WF_TEST_TMPDIR");
  const std::string path = std::string(dir ? dir : "/tmp") + "/" + name;
  std::ofstream(path) << text;
  return path;
}

class ScriptFileTest : public UiTest {
 protected:
  // A window with an edit and a disabled button that another thread's post enables; the button
  // ends the modal loop with 7.
  void SetUp() override {
    UiTest::SetUp();
    window = MakeTop({50, 50, 250, 150});
    edit = CreateWindowEx(0, WC_EDIT, "17", WS_CHILD | WS_VISIBLE, 10, 10, 80, 20, window,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEdit)), nullptr, nullptr);
    HWND button = CreateWindowEx(0, WC_BUTTON, "Go", WS_CHILD | WS_VISIBLE | WS_DISABLED, 10, 40, 80, 24,
                                 window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButton)), nullptr,
                                 nullptr);
    Handlers()[window] = [button](HWND hwnd, UINT message, WPARAM wParam, LPARAM, LRESULT*) {
      if (message == kReady) EnableWindow(button, TRUE);
      if (message == WM_COMMAND && LOWORD(wParam) == kButton) EndDialog(hwnd, 7);
      return false;
    };
  }
  void PostReadyLater() {
    worker = std::thread([this] {
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      PostMessage(window, kReady, 0, 0);
    });
  }
  void TearDown() override {
    if (worker.joinable()) worker.join();
    UiTest::TearDown();
  }
  std::string EditText() { return WindowText(edit); }

  HWND window = nullptr, edit = nullptr;
  std::thread worker;
};

TEST_F(ScriptFileTest, StepsDriveTheWindowAndAWaitLastsUntilTheControlIsReady) {
  const std::string picture = WriteScript("script-file.png", "");
  const std::string path = WriteScript("steps.txt",
                                       "# the number replaced, then the button once it is ready\n"
                                       "\n"
                                       "double-click-in 10 5 5   # the whole number\r\n"
                                       "type 4#2 # and its last two typed away\n"
                                       "  # an indented comment\n"
                                       "key backspace 2\t#\n"
                                       "wait-enabled 11 5000\n"
                                       "capture " +
                                           picture +
                                           "\n"
                                           "click 11\n");
  platform::EventScript script;
  platform::ReadScriptFile(path, script);
  PostReadyLater();
  EXPECT_EQ(platform::RunModalLoop(window), 7);
  EXPECT_EQ(script.Remaining(), 0u);
  EXPECT_EQ(EditText(), "4");
  std::ifstream png(picture, std::ios::binary);
  char signature[4] = {};
  png.read(signature, 4);
  EXPECT_EQ(std::string(signature + 1, 3), "PNG");
}

TEST_F(ScriptFileTest, AWaitThatNothingEndsFailsInItsTime) {
  platform::EventScript script;
  platform::ReadScriptFile(WriteScript("never.txt", "wait-enabled 11 40\nclick 11\n"), script);
  try {
    platform::RunModalLoop(window);
    ADD_FAILURE() << "the wait never ended";
  } catch (const platform::ScriptFailure& failure) {
    EXPECT_STREQ(failure.what(), "wait until control 11 is enabled: not within 40 ms");
  }
}

TEST(ScriptFileErrorTest, ABadLineOrFileIsNamedWithItsReason) {
  const std::pair<const char*, const char*> cases[] = {
      {"bogus 1", "no step \"bogus\""},
      {"click x", "\"click\" needs a whole number as its word 1"},
      {"click 1 2", "\"click\" takes 1 values"},
      {"click-in 1 2", "\"click-in\" takes 3 values"},
      {"drag-in 3002 1 2 3", "\"drag-in\" takes an id and two or more points"},
      {"key sideways", "no key \"sideways\""},
      {"key left 0", "a key is pressed at least once"},
      {"type", "\"type\" needs the text to type"},
      {"wait-enabled 1 -5", "a wait takes a time of 0 ms or more"},
      {"answer maybe", "a message box is answered ok, cancel, yes or no"},
      {"capture ", "\"capture\" needs a path"},
      {"activate", "\"activate\" needs a window's title"},
  };
  for (auto [line, reason] : cases) {
    const std::string path = WriteScript("bad.txt", std::string("click 1\n# fine so far\n") + line + "\n");
    platform::EventScript script;
    try {
      platform::ReadScriptFile(path, script);
      ADD_FAILURE() << line;
    } catch (const platform::ScriptFailure& failure) {
      EXPECT_EQ(failure.what(), path + ":3: " + reason) << line;
    }
  }
  platform::EventScript script;
  EXPECT_THROW(platform::ReadScriptFile("/nonexistent/steps.txt", script), platform::ScriptFailure);
}

}  // namespace
