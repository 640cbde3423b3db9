#include <gtest/gtest.h>

#include "codecs/ImageFile.h"
#include "codecs/ImageFileFormat.h"
#include "controls/fuzz/MetricTextDevice.h"
#include "platform/classlib/CWinApp.h"
#include "platform/win32/ModuleResource.h"
#include "tests/controls/ControlsFixture.h"

namespace {

using fuzz::MetricDrawer;

// The default body font, 8 pt at 96 dots per inch: 11 pixels high, 5 wide a character.
constexpr int kBodyHeight = 11, kAdvance = 5;

std::pair<int, int> Pair(SIZE size) { return {size.cx, size.cy}; }

TEST(HtmlDrawer, WeightsItalicsAndUnmatchedClosingTags) {
  MetricDrawer page;
  EXPECT_EQ(page.Render("<b>x</b>y").at(0).font.lfWeight, 800);
  EXPECT_EQ(page.Render("<b>x</b>y").at(1).font.lfWeight, 400);
  EXPECT_EQ(page.Render("<b><b>x").at(0).font.lfWeight, 900);
  EXPECT_EQ(page.Render("<i><i>x</i></i>").at(0).font.lfItalic, 0);
  const auto& mixed = page.Render("<i>x</b>y");
  ASSERT_EQ(mixed.size(), 2u);
  EXPECT_EQ(mixed[1].font.lfItalic, 1);
  EXPECT_EQ(page.Render("<u><s>x").at(0).font.lfUnderline, 1);
  EXPECT_EQ(page.Render("<font style=b-bi>x").at(0).font.lfWeight, 400);
  EXPECT_EQ(page.Render("<font size=+1>x").at(0).font.lfHeight, -8);
  EXPECT_EQ(page.Render("<font color=red face=\"Courier New\">x").at(0).colour, 0x0000FFu);
  EXPECT_STREQ(page.Render("<font color=red face=\"Courier New\">x").at(0).font.lfFaceName, "courier new");
  EXPECT_EQ(page.Render("<h1>x").at(0).font.lfHeight, -21);
  EXPECT_EQ(page.Render("<span class=cpp-comment>x</span>y").at(0).font.lfItalic, 1);
  EXPECT_EQ(page.Render("<span class=cpp-comment>x</span>y").at(1).font.lfItalic, 0);
}

TEST(HtmlDrawer, EscapesLineBreaksAndTagCase) {
  MetricDrawer page;
  const auto& escaped = page.Render("a<<b<");
  ASSERT_EQ(escaped.size(), 1u);
  EXPECT_EQ(escaped[0].text, "a<b<");
  page.drawer.SetLineBreakChars(0);
  EXPECT_EQ(page.Render("a\nb\r\tc").at(0).text, "abc");
  page.drawer.SetLineBreakChars(1);
  const auto& broken = page.Render("a\nb");
  ASSERT_EQ(broken.size(), 2u);
  EXPECT_EQ(broken[1].y - broken[0].y, kBodyHeight);
  EXPECT_EQ(page.Render("a<BR>b").at(1).y, kBodyHeight);
  EXPECT_EQ(page.Render("a<br=3>b").at(1).y, 3 * kBodyHeight);
  EXPECT_EQ(page.Render("a<TABLE>b").at(1).y, 0);
  EXPECT_EQ(Pair(page.Measure("")), std::make_pair(1, 1));
  EXPECT_EQ(page.Render("<sup>x").at(0).text, "x");
}

TEST(HtmlDrawer, TabStopsEvery32Pixels) {
  MetricDrawer page;
  struct Case {
    const char* text;
    int x;
  } cases[] = {
      {"xx<t>y", 32},   {"<hr width=32><t>y", 64}, {"xx<t=2>y", 64}, {"xx<t =2>y", 64},
      {"xx<t 2>y", 32}, {"xx<t n=2>y", 32},        {"xx\ty", 32},    {"<t><t>y", 64},
  };
  for (const Case& c : cases) EXPECT_EQ(page.Render(c.text).back().x, c.x) << c.text;
}

TEST(HtmlDrawer, AlignmentAndRules) {
  MetricDrawer page;
  EXPECT_EQ(page.Render("<center>abcdefghij").at(0).x, 75);
  EXPECT_EQ(page.Render("<right>abcdefghij").at(0).x, 150);
  EXPECT_EQ(page.Render("ab<center>cd").at(0).x, 90);  // the line takes its last alignment
  // A lone rule: 100 % of the widest line, at least 9 pixels high.
  EXPECT_EQ(Pair(page.Measure("abcd<br><hr>")), std::make_pair(4 * kAdvance + 1, kBodyHeight + 9 + 1));
  ASSERT_EQ(page.drawer.LineRecords().size(), 2u);
  EXPECT_EQ(page.drawer.LineRecords()[1].above, 9);
  EXPECT_EQ(page.drawer.LineRecords()[1].percentWidth, 100);
  page.Render("<hr size=3 color=#00ff00>");
  EXPECT_EQ(GetPixel(page.dc, 100, 4), 0x00FF00u);
  EXPECT_EQ(GetPixel(page.dc, 100, 0), 0xFFFFFFu);
  // Text on the base line of a taller line.
  const auto& lined = page.Render("x<h1>Y");
  EXPECT_EQ(lined[0].y + kBodyHeight * 3 / 4, lined[1].y + 21 * 3 / 4);
}

TEST(HtmlDrawer, LinksRecordTheirAreas) {
  MetricDrawer page;
  const auto& written = page.Render("go <a href=X>link</a> <a msg=m>two</a>");
  ASSERT_EQ(page.drawer.LinkAreas().size(), 2u);
  const LinkArea& first = page.drawer.LinkAreas()[0];
  EXPECT_EQ(first.linkKind, 1);
  EXPECT_EQ(first.linkTarget, "x");
  EXPECT_EQ(first.linkNumber, 0);
  EXPECT_EQ(first.rect.left, 3 * kAdvance);
  EXPECT_EQ(first.rect.right, 7 * kAdvance);
  EXPECT_EQ(page.drawer.LinkAreas()[1].linkKind, 2);
  EXPECT_EQ(page.drawer.LinkAreas()[1].linkNumber, 1);
  EXPECT_EQ(written[1].colour, 0xFF0000u);
  EXPECT_EQ(written[1].font.lfUnderline, 1);
  EXPECT_EQ(written[2].font.lfUnderline, 0);
  page.Measure("x");
  EXPECT_TRUE(page.drawer.LinkAreas().empty());
}

TEST(HtmlDrawer, DrawingWithoutItsMeasureStaysInsideTheRecords) {
  MetricDrawer page;
  page.drawer.Draw(page.dc, "a<br>b<br>c<hr>", 0, 0, 200, 100);
  page.Measure("a");
  page.device->written.clear();
  page.drawer.Draw(page.dc, "a<br>b<br><center>c<br><hr width=50%>", 0, 0, 200, 100);
  EXPECT_EQ(page.device->written.size(), 3u);
}

class HtmlDrawerPictureTest : public wf_test::ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    AfxWinInit(kModule, "/plugins/WendleForge.8bf");
    // A 6 x 4 blue picture whose top-left pixel is transparent.
    CImageFile picture;
    picture.Create(6, 4, 24, keImageFormatPNG);
    picture.AlphaCreate();
    for (long y = 0; y < 4; ++y)
      for (long x = 0; x < 6; ++x) picture.SetPixelColor(x, y, RGBQUAD{255, 0, 0, 255}, true);
    picture.SetPixelColor(0, 3, RGBQUAD{0, 0, 0, 0}, true);
    unsigned char* buffer = nullptr;
    long size = 0;
    ASSERT_TRUE(picture.Encode(buffer, size, keImageFormatPNG));
    bytes.assign(buffer, buffer + size);
    CImageFile::FreeMemory(buffer);
    table[0] = {"PNG", MAKEINTRESOURCE(77), bytes.data(), static_cast<DWORD>(bytes.size())};
    platform::RegisterResourceTable(kModule, table, 1);
  }
  void TearDown() override {
    ControlsTest::TearDown();
    platform::UnregisterResourceTable(kModule);
  }
  static inline const HINSTANCE kModule = reinterpret_cast<HINSTANCE>(0x7500);
  std::vector<BYTE> bytes;
  BinaryResource table[1];
};

TEST_F(HtmlDrawerPictureTest, PicturesComeOnlyFromTheModulesResources) {
  MetricDrawer page;
  EXPECT_EQ(Pair(page.Measure("<bmp idres=77>")), std::make_pair(7, 5));
  EXPECT_EQ(Pair(page.Measure("<bmp idres=77 width=200% height=8>")), std::make_pair(13, 9));
  EXPECT_EQ(Pair(page.Measure("<bmp idres=77 style=s>")), std::make_pair(11, 9));
  EXPECT_EQ(Pair(page.Measure("<bmp idres=77 file=/etc/passwd>")), std::make_pair(1, kBodyHeight + 1));
  EXPECT_EQ(Pair(page.Measure("<bmp handle=4660><bmp idres=77 iddll=1 srcdll=x.dll>")),
            std::make_pair(1, kBodyHeight + 1));
  EXPECT_EQ(Pair(page.Measure("<bmp idres=78>")), std::make_pair(1, kBodyHeight + 1));
  EXPECT_EQ(Pair(page.Measure("<ilst idres=77 cx=3 cy=2 index=3>")), std::make_pair(4, 3));
  EXPECT_EQ(Pair(page.Measure("<ilst idres=77 cx=3 cy=2 index=4>")), std::make_pair(1, kBodyHeight + 1));

  page.Render("<bmp idres=77>");
  EXPECT_EQ(GetPixel(page.dc, 0, 0), 0xFFFFFFu);  // the transparent pixel
  EXPECT_EQ(GetPixel(page.dc, 5, 3), 0xFF0000u);
  page.Render("<a href=p><bmp idres=77 style=g></a>");
  ASSERT_EQ(page.drawer.LinkAreas().size(), 1u);
  EXPECT_EQ(page.drawer.LinkAreas()[0].rect.right, 6);
  EXPECT_EQ(GetPixel(page.dc, 5, 3), GreyColor(0xFF0000));
}

}  // namespace
