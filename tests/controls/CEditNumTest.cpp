#include <algorithm>
#include <chrono>
#include <cmath>

#include "controls/CEditNum.h"
#include "platform/ui/Script.h"
#include "platform/win32/Clock.h"
#include "tests/controls/ControlsFixture.h"

namespace {

using wf_test::ControlsTest;
constexpr int kId = 3024;

class CEditNumTest : public ControlsTest {
 protected:
  void Make(double minimum, double maximum, double value, int format, int scale = 0, int left = 20) {
    ::CreateWindowEx(0, WC_STATIC, "", WS_CHILD | WS_VISIBLE, left, 20, 120, 22, panel.m_hWnd,
                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(kId)), nullptr, nullptr);
    ASSERT_TRUE(
        control.CreateDouble(kId, &panel, minimum, maximum, value, format, scale, -1, 500, TRUE, TRUE));
  }
  std::string Text() { return WindowText(control.m_hWnd); }
  void Type(const char* text) {
    control.SetFocus();
    platform::TypeText(text);
    platform::PumpMessages();
  }
  CEditNum control;
};

TEST_F(CEditNumTest, OutOfRangeEntryIsCorrectedWhenTheFocusLeavesThenUpdatedLater) {
  platform::VirtualClockScope clock;
  Make(10, 250, 100, 3);
  EXPECT_EQ(Text(), "100");
  Type("500");
  panel.commands.clear();
  panel.SetFocus();
  platform::PumpMessages();
  EXPECT_EQ(Text(), "250");
  EXPECT_EQ(panel.Codes(kId), (std::vector<int>{EN_KILLFOCUS, EN_CHANGE}));
  platform::AdvanceVirtualClock(std::chrono::milliseconds(499));
  platform::PumpMessages();
  EXPECT_EQ(panel.Codes(kId).size(), 2u);
  platform::AdvanceVirtualClock(std::chrono::milliseconds(1));
  platform::PumpMessages();
  EXPECT_EQ(panel.Codes(kId).back(), EN_UPDATE);
  EXPECT_EQ(control.GetValue(), 250);
}

TEST_F(CEditNumTest, TypingKeepsOnlyWhatCanBeANumber) {
  struct Case {
    int format;
    const char* typed;
    const char* shown;
  };
  for (const Case& c :
       {Case{1, "1.2.3", "1.23"}, Case{2, "1.5", "1.5"}, Case{3, "1.5", "15"}, Case{0, "e5e", "5e"},
        Case{0, "-2e3E", "-2e3"}, Case{4, "9fz-", "9f"}, Case{2, "nan12", "12"}}) {
    Make(-1e6, 1e6, 0, c.format);
    control.SetFocus();
    control.Field().SetSel(0, -1);
    platform::TypeText(c.typed);
    platform::PumpMessages();
    EXPECT_EQ(Text(), c.shown) << c.typed;
    control.DestroyWindow();
  }
}

TEST_F(CEditNumTest, PastedTextNeverMakesTheValueNaNOrInfinite) {
  Make(-5, 5, 1, 1);
  control.Field().SetLocaleSigns(",", "-");
  struct Case {
    const char* text;
    double value;
  };
  const std::string digits(200, '9');
  for (const Case& c : {Case{"1,5", 1.5}, Case{"1e999", 5}, Case{"-1e999", -5}, Case{"nan", 0},
                        Case{"inf", 0}, Case{digits.c_str(), 5}, Case{"2,5,5", 2.5}, Case{"abc", 0}}) {
    control.SetWindowText(c.text);
    EXPECT_EQ(control.GetValue(), c.value) << c.text;
  }
  control.SetValue(std::nan(""), TRUE, TRUE);
  EXPECT_EQ(control.GetValue(), -5);
}

TEST_F(CEditNumTest, KeysAndWheelStepByTheFormat) {
  Make(0, 100, 1, 1);
  control.SetFocus();
  platform::Key(VK_UP);
  platform::PumpMessages();
  EXPECT_EQ(Text(), "1.01");
  platform::Wheel(platform::CentreOf(control.Field()), 60);
  platform::PumpMessages();
  EXPECT_EQ(Text(), "1.01");
  platform::Wheel(platform::CentreOf(control.Field()), -240);
  platform::PumpMessages();
  EXPECT_EQ(Text(), "0.99");
  control.SetFormat(4);
  control.SetValue(9, TRUE, TRUE);
  platform::Key(VK_UP);
  platform::PumpMessages();
  EXPECT_EQ(Text(), "a");
  // The same number in another form is rewritten without a report.
  control.SetFormat(3);
  control.SetWindowText("1.0");
  panel.commands.clear();
  control.SetValue(1, TRUE, TRUE);
  EXPECT_EQ(Text(), "1");
  EXPECT_TRUE(panel.Codes(kId).empty());
}

TEST_F(CEditNumTest, SliderDragSetsTheValueAndLooksRight) {
  Make(0, 100, 50, 3);
  NumEditButton* button = control.Button();
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(Picture(control, "numedit").At(0, 0), Rgb(GetSysColor(COLOR_BTNSHADOW)));
  platform::EventScript script;
  script.Then("look at the slider", [&] {
    ASSERT_NE(button->slider, nullptr);
    platform::CapturedImage slider = Picture(button->slider->m_hWnd, "numedit-slider");
    // The track as wide as asked for, in a frame of its own.
    CRect client;
    button->slider->GetClientRect(&client);
    EXPECT_EQ(client.Width(), 107);
    EXPECT_EQ(slider.width, 109);
    EXPECT_EQ(slider.At(0, 0), Rgb(GetSysColor(COLOR_WINDOWFRAME)));
  });
  const POINT press = platform::CentreOf(*button);
  script.MouseMove(POINT{press.x + 20, press.y + 15}).MouseMove(POINT{press.x - 30, press.y + 15});
  script.Then("release",
              [] { platform::MouseUp(platform::MouseButton::Left, platform::CentreOf(::GetCapture())); });
  platform::MouseDown(platform::MouseButton::Left, press);
  platform::PumpMessages();
  EXPECT_EQ(button->slider, nullptr);
  EXPECT_LT(control.GetValue(), 50);
  EXPECT_EQ(::GetFocus(), control.Field().m_hWnd);
}

TEST_F(CEditNumTest, TheSliderStaysWithinTheDialogNearItsRightEdge) {
  Make(0, 100, 0, 3, 0, 170);
  NumEditButton* button = control.Button();
  ASSERT_NE(button, nullptr);
  CRect slider, dialog;
  panel.GetWindowRect(&dialog);
  platform::EventScript script;
  script.Then("measure the slider", [&] { button->slider->GetWindowRect(&slider); });
  script.Then("stir the mouse where it is", [] {
    POINT cursor;
    ::GetCursorPos(&cursor);
    platform::MouseMove(cursor);
  });
  script.Then("release",
              [] { platform::MouseUp(platform::MouseButton::Left, platform::CentreOf(::GetCapture())); });
  platform::MouseDown(platform::MouseButton::Left, platform::CentreOf(*button));
  platform::PumpMessages();
  EXPECT_EQ(slider.right, dialog.right) << "the track's start under the cursor would reach past it";
  EXPECT_EQ(slider.Width(), 109);
  EXPECT_LT(control.GetValue(), 3) << "the cursor moved with it, over the thumb";
}

TEST_F(CEditNumTest, AClickOnTheDropButtonWithoutAMoveKeepsTheValue) {
  struct Case {
    double minimum, maximum, value;
    int format, scale;
  };
  for (const Case& c :
       {Case{10, 250, 100, 3, 0}, Case{10, 250, 93, 3, 0}, Case{10, 250, 247, 3, 0}, Case{0, 100, 0, 3, 0},
        Case{0, 100, 37, 3, 0}, Case{0, 100, 100, 3, 0}, Case{-5, 5, 0.01, 1, 0}, Case{1, 1000, 10, 3, 1},
        Case{1, 1000, 997, 3, 1}, Case{0.1, 10, 2.5, 1, 1}, Case{0.5, 4, 0.5, 2, 1}}) {
    Make(c.minimum, c.maximum, c.value, c.format, c.scale);
    NumEditButton* button = control.Button();
    ASSERT_NE(button, nullptr);
    const std::string text = Text();
    platform::EventScript script;
    script.Then("look under the pointer", [&] {
      POINT cursor;
      ::GetCursorPos(&cursor);
      CRect place;
      button->slider->GetWindowRect(&place);
      const platform::CapturedImage slider = Picture(button->slider->m_hWnd, "numedit-slider-open");
      EXPECT_EQ(slider.At(cursor.x - place.left, slider.height / 2), Rgb(GetSysColor(COLOR_BTNTEXT)))
          << "the thumb's line under the pointer at " << c.value;
    });
    script.Then("stir the mouse where it is", [] {
      POINT cursor;
      ::GetCursorPos(&cursor);
      platform::MouseMove(cursor);
    });
    script.Then("release where it was pressed", [] {
      POINT cursor;
      ::GetCursorPos(&cursor);
      platform::MouseUp(platform::MouseButton::Left, cursor);
    });
    platform::MouseDown(platform::MouseButton::Left, platform::CentreOf(*button));
    platform::PumpMessages();
    EXPECT_EQ(Text(), text) << c.minimum << ".." << c.maximum << (c.scale ? " logarithmic" : " linear");
    EXPECT_EQ(control.GetValue(), c.value);
    control.DestroyWindow();
  }
}

TEST_F(CEditNumTest, LeavingTheFieldShowsTheNumberItHolds) {
  struct Case {
    double minimum;
    const char* typed;
    const char* shown;
    bool changed;  // only a new number is reported
  };
  for (const Case& c :
       {Case{0, "\b", "0", false}, Case{10, "\b", "10", true}, Case{0, "33-", "33", false},
        Case{-50, "-7-", "-7", false}, Case{0, "1e1", "10", false}, Case{0, "007", "7", false}}) {
    Make(c.minimum, 100, 50, 3);
    control.SetFocus();
    control.Field().SetSel(0, -1);
    platform::TypeText(c.typed);
    platform::PumpMessages();
    panel.commands.clear();
    panel.SetFocus();
    platform::PumpMessages();
    EXPECT_EQ(Text(), c.shown) << c.typed;
    const std::vector<int> codes = panel.Codes(kId);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), EN_CHANGE), c.changed ? 1 : 0) << c.typed;
    control.DestroyWindow();
  }
}

TEST_F(CEditNumTest, ThePictureOnTheDropButtonGoesWithTheControl) {
  Make(0, 100, 50, 3);
  HBITMAP picture = CreateCompatibleBitmap(nullptr, 8, 8);
  control.Button()->SetBitmap(picture);
  ASSERT_NE(GetObjectType(picture), 0u);
  control.DestroyWindow();
  EXPECT_EQ(GetObjectType(picture), 0u);
}

TEST_F(CEditNumTest, EmptyAndNonPositiveRangesStayFinite) {
  NumEditSlider empty(7, 7, 7, 0, nullptr);
  EXPECT_EQ(empty.ThumbAt(7, 3, 103), 3);
  EXPECT_EQ(empty.ValueAt(50, 3, 103), 7);
  Make(0, 100, 10, 3, 1);
  EXPECT_FALSE(control.IsLogarithmic());
  NumEditSlider log(1, 1000, 10, 1, nullptr);
  EXPECT_NEAR(log.ValueAt(53, 3, 103), std::sqrt(1000.0), 1e-9);
}

TEST(LogInterpolate, SpansTheRangeGeometricallyWithinItsEnds) {
  EXPECT_NEAR(LogInterpolate(1, 1000, 50, 100), std::sqrt(1000.0), 1e-9);
  EXPECT_NEAR(LogInterpolate(2, 32, 1, 4), 4, 1e-12);
  EXPECT_EQ(LogInterpolate(2, 32, -3, 4), 2);
  EXPECT_EQ(LogInterpolate(2, 32, 9, 4), 32);
}

}  // namespace
