#include <gtest/gtest.h>

#include <string>

#include "controls/detail/HtmlTableLayout.h"
#include "controls/fuzz/MetricTextDevice.h"

namespace {

using fuzz::MetricDrawer;

std::pair<int, int> Pair(SIZE size) { return {size.cx, size.cy}; }

// A rule of exact width and thickness stands for cell contents of that size: its line is
// thickness + 8 high.
std::string Rule(int width, int thickness = 1) {
  return "<hr width=" + std::to_string(width) + " size=" + std::to_string(thickness) + ">";
}

TEST(HtmlTable, SpansShareTheirShortfall) {
  MetricDrawer page;
  page.Measure(("<table cellpadding=0><tr><td>" + Rule(30) + "</td><td>" + Rule(40) +
                "</td></tr><tr><td colspan=2>" + Rule(101) + "</td></tr></table>")
                   .c_str());
  ASSERT_EQ(page.drawer.TableRecords().size(), 1u);
  EXPECT_EQ(page.drawer.TableRecords()[0].columnWidths, (std::vector<int>{45, 56}));

  page.Measure(("<table cellpadding=0><tr><td rowspan=2>" + Rule(5, 23) + "</td><td>" + Rule(5, 2) +
                "</td></tr><tr><td>" + Rule(5, 2) + "</td></tr></table>")
                   .c_str());
  EXPECT_EQ(page.drawer.TableRecords()[0].rowHeights, (std::vector<int>{16, 15}));
  EXPECT_EQ(page.drawer.TableRecords()[0].grid[1][0].colSpan, -1);

  // A span past the last row or column ends at the grid's edge.
  page.Measure("<table><tr><td rowspan=5 colspan=3>x</td></tr><tr><td colspan=1000000>y</td></tr></table>");
  const TableLayout& clipped = page.drawer.TableRecords()[0];
  EXPECT_EQ(clipped.rowHeights.size(), 2u);
  EXPECT_EQ(clipped.grid[0][0].rowSpan, 2);
  EXPECT_EQ(clipped.placement, (std::vector<long long>{0, 256 + 3}));  // spans count up to 256
  page.drawer.Draw(
      page.dc, "<table><tr><td rowspan=5 colspan=3>x</td></tr><tr><td colspan=1000000>y</td></tr></table>", 0,
      0, 100, 100);
}

TEST(HtmlTable, PercentWidthsMeasureTheContainerAndDrawAShare) {
  MetricDrawer page;
  const std::string half = "<table width=50% cellpadding=0 bgcolor=red><tr><td>" + Rule(120) +
                           "</td></tr></table>";
  EXPECT_EQ(page.Measure(half.c_str()).cx, 241);
  page.drawer.Draw(page.dc, half.c_str(), 0, 0, 301, 300);
  EXPECT_EQ(GetPixel(page.dc, 149, 2), 0x0000FFu);
  EXPECT_EQ(GetPixel(page.dc, 150, 2), 0xFFFFFFu);
  for (const char* width : {"0%", "-5%", "", "10"}) {
    const std::string text = std::string("<table cellpadding=0 width=") + width + "><tr><td>" + Rule(120) +
                             "</td></tr></table>";
    EXPECT_EQ(page.Measure(text.c_str()).cx, 121) << width;
  }
  EXPECT_EQ(
      page.Measure(("<table cellpadding=0 width=300><tr><td>" + Rule(120) + "</td></tr></table>").c_str()).cx,
      301);
}

TEST(HtmlTable, DoubleBordersInsetTheContents) {
  MetricDrawer page;
  const char* text = "<table border=2 borderstyle=double><tr><td>x</td></tr></table>";
  // 5 x 10 of text, 2 + 2 of margins and 6 of a double cell frame; 3 x 2 of the table's frame.
  EXPECT_EQ(Pair(page.Measure(text)), std::make_pair(5 + 4 + 6 + 12 + 1, 10 + 4 + 6 + 12 + 1));
  const auto& written = page.Render(text, 0, 28);
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0].x, 6 + 3 + 2);
  EXPECT_EQ(written[0].y, 6 + 3 + 2);
  EXPECT_EQ(GetPixel(page.dc, 0, 10), 0u);  // the outer line of the table's frame
  EXPECT_EQ(GetPixel(page.dc, 6, 10), 0u);  // the cell's outer frame
  EXPECT_EQ(GetPixel(page.dc, 7, 10), 0xFFFFFFu);
  EXPECT_EQ(GetPixel(page.dc, 8, 10), 0u);  // and its inner one
}

TEST(HtmlTable, TablesStartFromTheDefaultStyle) {
  MetricDrawer page;
  const auto& written = page.Render(
      "x<table><tr><td><font size=7>a<table><tr><td>b</td></tr></table>c</td></tr></table>y");
  ASSERT_EQ(written.size(), 5u);
  EXPECT_EQ(written[0].font.lfHeight, -11);
  EXPECT_EQ(written[1].font.lfHeight, -36);
  EXPECT_EQ(written[2].text, "b");
  EXPECT_EQ(written[2].font.lfHeight, -10);
  EXPECT_EQ(written[3].font.lfHeight, -36);
  EXPECT_EQ(written[4].font.lfHeight, -11);
  EXPECT_GT(written[2].y, written[1].y);
  EXPECT_GT(written[4].y, written[3].y);
  EXPECT_EQ(page.drawer.TableRecords().size(), 2u);
}

TEST(HtmlTable, CellsAlignTheirContents) {
  MetricDrawer page;
  const auto& written = page.Render(("<table cellpadding=0 align=center width=100><tr><td>" + Rule(5, 30) +
                                     "</td><td valign=bottom>b</td><td valign=middle>m</td></tr></table>")
                                        .c_str(),
                                    0, 201);
  ASSERT_EQ(written.size(), 2u);
  // The cells' alignments also place the text on its line: bottom puts the ascent at the foot.
  EXPECT_EQ(written[0].y, 38 - 10 + 3);
  EXPECT_EQ(written[1].y, (38 - 10) / 2);
  // A centred table 100 wide; the first column takes the remainder of the extra 85, and the
  // text is centred in its 33-pixel column as the table's alignment says.
  EXPECT_EQ(written[0].x, 50 + 34 + 14);
}

// Pathological texts finish, in a time that grows with their length only (the metric font
// keeps the platform's glyph hinting out of it).
TEST(HtmlTable, DeepNestingAndLongTextsFinish) {
  MetricDrawer page;
  std::string tags, tables, cells, text;
  for (int i = 0; i < 10000; ++i) tags += "<b><i><font color=red size=3><a href=x><span class=cpp-comment>";
  for (int i = 0; i < 10000; ++i) tables += "<table border=1><tr><td>";
  for (int i = 0; i < 20000; ++i) cells += "<tr><td colspan=2 rowspan=3>x<td>";
  while (text.size() < (1 << 20)) text += "word <b>bold</b> <<<br><hr width=5%><t=2>";
  for (const std::string* markup : {&tags, &tables, &cells, &text}) {
    for (const std::string& one : {*markup, "<table>" + *markup}) {
      EXPECT_GT(page.Measure(one.c_str()).cx, 0);
      page.drawer.Draw(page.dc, one.c_str(), 0, 0, 200, 200);
    }
  }
  EXPECT_EQ(page.drawer.TableRecords().size(), 1u);
  page.Measure(tables.c_str());
  EXPECT_EQ(page.drawer.TableRecords().size(), 32u);
}

}  // namespace
