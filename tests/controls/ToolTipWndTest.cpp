#include <cstdlib>

#include "controls/ToolTipWnd.h"
#include "controls/fuzz/MetricTextDevice.h"
#include "platform/gdi/Display.h"
#include "platform/ui/Metrics.h"
#include "platform/win32/Resource.h"
#include "resources/Resources.h"
#include "tests/controls/ControlsFixture.h"

namespace {

class ToolTipWndTest : public wf_test::ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    AfxWinInit(kModule, "/plugins/WendleForge.8bf");
    resources::RegisterModuleResources(kModule);
    ASSERT_TRUE(tip.Create(&panel));
  }
  void TearDown() override {
    tip.DestroyWindow();
    ControlsTest::TearDown();
    resources::UnregisterModuleResources(kModule);
  }
  static inline const HINSTANCE kModule = reinterpret_cast<HINSTANCE>(0x7600);
  HtmlToolTipWnd tip;
};

TEST_F(ToolTipWndTest, PlacedBelowRightOfThePointerAndKeptOnTheScreen) {
  tip.SetTip(100, 200, "<b>tip</b>");
  const RECT placed = tip.WindowRect();
  EXPECT_EQ(placed.left, 108);
  EXPECT_EQ(placed.top, 208);
  const int inset = 2 + GetSystemMetrics(SM_CXBORDER);
  EXPECT_EQ(tip.TextRect().left, inset);
  EXPECT_EQ(placed.right - placed.left, tip.TextRect().right - tip.TextRect().left + 2 * inset);

  const int screenWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN),
            screenHeight = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  tip.SetTip(screenWidth - 4, 200, "<b>tip</b>");
  EXPECT_EQ(tip.WindowRect().right, screenWidth);
  EXPECT_EQ(tip.WindowRect().bottom - tip.WindowRect().top, placed.bottom - placed.top);
  tip.SetTip(10, screenHeight - 4, "<b>tip</b>");
  EXPECT_EQ(tip.WindowRect().bottom, screenHeight);
  EXPECT_EQ(tip.WindowRect().left, 18);

  tip.Show();
  EXPECT_TRUE(tip.IsWindowVisible());
  EXPECT_TRUE(tip.GetExStyle() & WS_EX_TOPMOST);
  CRect shown;
  tip.GetWindowRect(&shown);
  EXPECT_TRUE(EqualRect(&shown, &tip.WindowRect()));
  for (int twice = 0; twice < 2; ++twice) {
    tip.Hide();
    EXPECT_FALSE(tip.IsWindowVisible());
    EXPECT_FALSE(tip.GetExStyle() & WS_EX_TOPMOST);
    EXPECT_TRUE(tip.Text().empty());
    EXPECT_TRUE(IsRectEmpty(&tip.WindowRect()));
  }
}

TEST_F(ToolTipWndTest, RichTipShowsItsTablePictureAndColours) {
  const char* text =
      "<b>P4M</b> <i>mirror square</i>"
      "<table border=1 bordercolor=gray cellpadding=3 bgcolor=lightyellow bgendcolor=gold bgeffect=vgradient>"
      "<tr><td rowspan=2><bmp idres=3054 width=50% height=50% style=s></td>"
      "<td><font color=red><b>Tile</b></font> <font color=navy>50 %</font></td></tr>"
      "<tr><td bgcolor=lightblue><font color=darkgreen>Feather</font> <u>20</u></td></tr>"
      "</table>"
      "<a href=help>help</a>";
  tip.SetTip(100, 100, text);
  tip.Show();
  const platform::CapturedImage picture = platform::Capture(tip);
  if (const char* dir = std::getenv("WF_TEST_TMPDIR"))
    platform::WritePng(picture, std::string(dir) + "/rich-tooltip.png");
  ASSERT_EQ(picture.width, tip.WindowRect().right - tip.WindowRect().left);
  // The margin shows the tip's background; the table brings red text, its gradient toward
  // gold, which the cells inherit, and the picture's own colours.
  EXPECT_EQ(picture.At(2, 2), Rgb(GetSysColor(COLOR_INFOBK)));
  int red = 0, gold = 0, other = 0;
  for (const std::uint32_t pixel : picture.pixels) {
    const int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
    red += r > 200 && g < 60 && b < 60;
    gold += r > 240 && g > 200 && g < 230 && b < 40;
    other += r != g || g != b;
  }
  EXPECT_GT(red, 10);
  EXPECT_GT(gold, 100);
  EXPECT_GT(other, 1000);
  tip.Hide();
}

TEST_F(ToolTipWndTest, StringsAndIconsComeFromTheModule) {
  fuzz::MetricDrawer page;
  char product[64] = {};
  ASSERT_GT(LoadString(kModule, resources::kProductNameString, product, sizeof product), 0);
  const auto& written = page.Render("<string idres=57346><string idres=65000> <icon idres=128 cx=16 cy=16>.");
  ASSERT_EQ(written.size(), 3u);
  EXPECT_EQ(written[0].text, product);
  EXPECT_EQ(written[2].x, written[1].x + 5 + 16);  // the icon at the size asked for
  EXPECT_EQ(written[2].font.lfHeight, -11);
}

}  // namespace
