// A window class that records the messages its windows get, and a fixture that leaves the
// window system as it found it.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/ui/Ui.h"
#include "tests/WaitUntil.h"

namespace wf_test {

struct Seen {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// Handlers answer true when they handled the message (with *result set).
using Handler = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)>;

class UiTest : public ::testing::Test {
 public:
  static constexpr const char* kClass = "WfRecorder";

  void SetUp() override {
    platform::ResetInputState();
    platform::ResetMonitor();
    static const bool registered = [] {
      WNDCLASS windowClass{};
      windowClass.style = CS_DBLCLKS;
      windowClass.lpfnWndProc = &UiTest::Proc;
      windowClass.lpszClassName = kClass;
      return RegisterClass(&windowClass) != 0;
    }();
    ASSERT_TRUE(registered);
    Log().clear();
    Handlers().clear();
  }

  void TearDown() override {
    for (HWND top = GetTopWindow(nullptr); top; top = GetTopWindow(nullptr)) DestroyWindow(top);
    platform::PumpMessages();
    Handlers().clear();
    platform::ResetInputState();
  }

  static HWND Make(DWORD style, RECT r, HWND parent = nullptr, int id = 0, DWORD exStyle = 0) {
    return CreateWindowEx(exStyle, kClass, "", style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                          parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  }
  static HWND MakeTop(RECT r, DWORD style = WS_POPUP | WS_VISIBLE) { return Make(style, r); }
  // A window's text, up to the 299 characters any test shows.
  static std::string WindowText(HWND hwnd) {
    char text[300] = "";
    GetWindowText(hwnd, text, sizeof text);
    return text;
  }
  static HWND MakeChild(HWND parent, RECT r, int id = 0, DWORD style = WS_CHILD | WS_VISIBLE) {
    return Make(style, r, parent, id);
  }

  static std::vector<Seen>& Log() {
    static std::vector<Seen> log;
    return log;
  }
  static std::map<HWND, Handler>& Handlers() {
    static std::map<HWND, Handler> handlers;
    return handlers;
  }
  // The recorded messages of one kind, in order.
  static std::vector<Seen> Messages(UINT message) {
    std::vector<Seen> found;
    for (const Seen& seen : Log()) {
      if (seen.message == message) found.push_back(seen);
    }
    return found;
  }
  // Takes the next message of the range from the queue, failing rather than hanging when none comes.
  static bool WaitForMessage(MSG* msg, HWND hwnd, UINT first, UINT last) {
    return WaitUntil([&] { return PeekMessage(msg, hwnd, first, last, PM_REMOVE) != FALSE; },
                     "message " + std::to_string(first) + ".." + std::to_string(last));
  }
  // Dispatches whatever arrives until `done` holds.
  static bool PumpUntil(const std::function<bool()>& done) {
    return WaitUntil(
        [&] {
          platform::PumpMessages();
          return done();
        },
        "the awaited state");
  }
  static std::vector<UINT> MessagesTo(HWND hwnd) {
    std::vector<UINT> found;
    for (const Seen& seen : Log()) {
      if (seen.hwnd == hwnd) found.push_back(seen.message);
    }
    return found;
  }

 private:
  static LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Log().push_back(Seen{hwnd, message, wParam, lParam});
    auto it = Handlers().find(hwnd);
    LRESULT result = 0;
    if (it != Handlers().end() && it->second(hwnd, message, wParam, lParam, &result)) return result;
    return DefWindowProc(hwnd, message, wParam, lParam);
  }
};

}  // namespace wf_test
