#include "controls/ThemedButton.h"
#include "tests/controls/ControlsFixture.h"

namespace {

using wf_test::ControlsTest;
constexpr int kId = 41;

class ThemedButtonTest : public ControlsTest {
 protected:
  void Make(DWORD style = BS_PUSHBUTTON, const char* caption = "Apply") {
    ASSERT_TRUE(button.Create(caption, WS_CHILD | WS_VISIBLE | style, CRect(10, 10, 90, 40), &panel, kId));
  }
  POINT Inside() const { return platform::CentreOf(button); }
  POINT Outside() const { return platform::ClientPoint(button, 120, 15); }
  // The outer frame's top-left pixel: the highlight, or the dark shadow when pressed.
  std::uint32_t Corner(const std::string& name) { return Picture(button, name).At(0, 0); }
  ThemedButton button;
};

TEST_F(ThemedButtonTest, ClickReportsToTheParentAndDrawsTheClassicFrameByState) {
  Make();
  EXPECT_TRUE(button.GetStyle() & BS_OWNERDRAW);
  EXPECT_FALSE(button.IsToggle());
  EXPECT_EQ(Corner("themed-normal"), Rgb(GetSysColor(COLOR_BTNHIGHLIGHT)));
  platform::MouseDown(platform::MouseButton::Left, Inside());
  platform::PumpMessages();
  EXPECT_EQ(Corner("themed-pressed"), Rgb(GetSysColor(COLOR_3DDKSHADOW)));
  platform::MouseUp(platform::MouseButton::Left, Inside());
  platform::PumpMessages();
  EXPECT_EQ(panel.Codes(kId), (std::vector<int>{BN_CLICKED}));
  EXPECT_EQ(panel.commands.at(0).from, button.m_hWnd);
  EXPECT_EQ(Corner("themed-released"), Rgb(GetSysColor(COLOR_BTNHIGHLIGHT)));
}

TEST_F(ThemedButtonTest, ReleaseOutsideSendsNothingReentryPressesAgainAndToggles) {
  Make(BS_DEFPUSHBUTTON);
  ASSERT_TRUE(button.IsToggle());
  platform::MouseDown(platform::MouseButton::Left, Inside());
  platform::MouseMove(Outside());
  platform::PumpMessages();
  EXPECT_EQ(Corner("themed-dragged-out"), Rgb(GetSysColor(COLOR_BTNHIGHLIGHT)));
  platform::MouseMove(Inside());
  platform::PumpMessages();
  EXPECT_EQ(Corner("themed-back-in"), Rgb(GetSysColor(COLOR_3DDKSHADOW)));
  platform::MouseMove(Outside());
  platform::MouseUp(platform::MouseButton::Left, Outside());
  platform::PumpMessages();
  EXPECT_TRUE(panel.Codes(kId).empty());
  EXPECT_FALSE(button.IsChecked());
  EXPECT_EQ(::GetCapture(), nullptr);
  // A click inside toggles; the toggle draws pressed while checked.
  platform::Click(Inside());
  platform::MouseMove(Outside());
  platform::PumpMessages();
  EXPECT_TRUE(button.IsChecked());
  EXPECT_EQ(Corner("themed-toggle-on"), Rgb(GetSysColor(COLOR_3DDKSHADOW)));
  button.SetCheck(0);
  EXPECT_EQ(Corner("themed-toggle-off"), Rgb(GetSysColor(COLOR_BTNHIGHLIGHT)));
}

TEST_F(ThemedButtonTest, WithoutTheThemeLibraryTheFrameIsClassicAndFocusShowsInside) {
  ThemedButton::EnableThemes(true);
  EXPECT_FALSE(ThemedButton::ThemesEnabled());
  Make();
  button.SetFocus();
  platform::CapturedImage focused = Picture(button, "themed-focused");
  // The dotted focus rectangle 3 pixels in, on the face colour elsewhere.
  EXPECT_NE(focused.At(3, 3), Rgb(GetSysColor(COLOR_BTNFACE)));
  EXPECT_EQ(focused.At(2, 2), Rgb(GetSysColor(COLOR_BTNFACE)));
  button.EnableWindow(FALSE);
  platform::CapturedImage disabled = Picture(button, "themed-disabled");
  EXPECT_EQ(disabled.At(3, 3), Rgb(GetSysColor(COLOR_BTNFACE)));
  // The caption is etched: highlight pixels inside the frame.
  int highlights = 0;
  for (int y = 3; y < disabled.height - 3; ++y)
    for (int x = 3; x < disabled.width - 3; ++x)
      highlights += disabled.At(x, y) == Rgb(GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_GT(highlights, 5);
}

}  // namespace
