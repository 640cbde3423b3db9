#include <gtest/gtest.h>

#include "controls/HtmlStyleSheet.h"
#include "platform/gdi/Display.h"

namespace {

const LengthUnits kUnits{7, 13, 96};

HtmlStyle Styled(const HtmlStyleSheet& sheet, const char* properties, HtmlStyle style = {}) {
  sheet.ParseStyleProperties(properties, style, kUnits);
  return style;
}

TEST(HtmlStyleSheet, LengthsByUnitSignAndFontMode) {
  struct Case {
    const char* value;
    int base;
    bool fontMode;
    int expected;
  } cases[] = {
      {"3", 10, true, 12},     {"9", 10, true, 9},
      {"12pt", 10, true, 16},  {"150%", 10, true, 15},
      {"-2px", 10, true, 2},   {"1.9em", 10, true, 13},
      {"2ex", 0, false, 14},   {"1in", 0, false, 96},
      {"1cm", 0, false, 37},   {"10mm", 0, false, 37},
      {"12pc", 0, false, 192}, {"", 42, false, 42},
      {"+1", 0, true, 8},      {"3", 0, false, 3},
      {"0x10", 0, false, 16},  {"010", 0, false, 8},
      {"7", 0, true, 36},      {"%", 10, false, 0},
      {"-", 5, false, 0},      {"99999999999999px", 0, false, 2147483647},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ParseLength(c.value, c.base, c.fontMode, kUnits), c.expected) << c.value;
}

TEST(HtmlStyleSheet, ColoursByHexNumberAndCaseSensitiveName) {
  const HtmlStyleSheet sheet;
  const COLORREF kept = 0x123456;
  struct Case {
    const char* value;
    COLORREF expected;
  } cases[] = {
      {"#FF0000", 0x0000FF},   {"#F00", kept},
      {"255", 0x0000FF},       {"0x0000FF", 0x0000FF},
      {"Red", kept},           {"lightgray", kept},
      {"crimson", 0x3C14DC},   {"gold", 0x00D7FF},
      {"lightgrey", 0xD3D3D3}, {"", kept},
      {"#12345g", kept},       {"infobackground", GetSysColor(COLOR_INFOBK)},
  };
  for (const Case& c : cases) EXPECT_EQ(sheet.ParseColor(c.value, kept), c.expected) << c.value;
}

TEST(HtmlStyleSheet, ColourTableHoldsOnlyTheListedSpellings) {
  HtmlStyleSheet sheet;
  EXPECT_EQ(sheet.ColorNameCount(), 168u);
  for (const char* absent :
       {"grey", "darkgrey", "darkslategrey", "dimgrey", "lightgray", "lightslategrey", "slategrey"})
    EXPECT_EQ(sheet.FindColorName(absent, 7), 7u) << absent;
  EXPECT_EQ(sheet.FindColorName("brown", 7), 0x2A2AA5u);
  EXPECT_EQ(sheet.FindColorName("violet", 7), 0xEE82EEu);
  sheet.SetColorName("brown", 1);
  EXPECT_EQ(sheet.FindColorName("brown", 7), 1u);
  EXPECT_EQ(sheet.ColorNameCount(), 168u);
}

TEST(HtmlStyleSheet, DefaultSheetRules) {
  const HtmlStyleSheet sheet;
  EXPECT_EQ(sheet.RuleCount(), 17u);
  HtmlStyle body;
  sheet.ApplyStyle("body", body, kUnits);
  EXPECT_EQ(body.fontSize, 11);  // 8 pt at 96 dots per inch
  EXPECT_EQ(body.fontFamily, "Microsoft Sans Serif");
  HtmlStyle pre;
  sheet.ApplyStyle("PRE", pre, kUnits);
  EXPECT_EQ(pre.fontSize, 12);
  EXPECT_EQ(pre.fontFamily, "Courier");
  EXPECT_EQ(pre.backgroundMode, 2);
  EXPECT_EQ(pre.backgroundColor, 0xBBEDFBu);
  HtmlStyle comment;
  sheet.ApplyStyle(".cpp-comment", comment, kUnits);
  EXPECT_EQ(comment.textColor, 0x008000u);
  EXPECT_EQ(comment.italic, 1);
  HtmlStyle h6;
  h6.fontSize = 20;
  sheet.ApplyStyle("h6", h6, kUnits);
  EXPECT_EQ(h6.fontSize, 13);
  EXPECT_EQ(h6.textColor, 0x626262u);
  HtmlStyle untouched;
  sheet.ApplyStyle("nosuchrule", untouched, kUnits);
  EXPECT_EQ(untouched.fontSize, HtmlStyle{}.fontSize);
}

TEST(HtmlStyleSheet, SheetSelectorsReplaceAndLowerCase) {
  HtmlStyleSheet sheet;
  sheet.ParseStyleSheet("H1 {color:red; font-size: 20px}\r\nh1{font-weight:bold}\r\n  .x {color:blue");
  EXPECT_EQ(sheet.RuleCount(), 1u);
  ASSERT_NE(sheet.FindRule("h1"), nullptr);
  EXPECT_EQ(*sheet.FindRule("H1"), "font-weight:bold");
  EXPECT_EQ(sheet.FindRule(".x"), nullptr);
  sheet.ParseStyleSheet(nullptr);
  EXPECT_EQ(sheet.RuleCount(), 17u);
}

TEST(HtmlStyleSheet, PropertiesAndTheirKeywords) {
  const HtmlStyleSheet sheet;
  HtmlStyle style = Styled(sheet, "text-decoration: underline, overline; font-family:\"Times New Roman\"");
  EXPECT_EQ(style.underline, 1);
  EXPECT_EQ(style.overline, 1);
  EXPECT_EQ(style.lineThrough, 0);
  EXPECT_EQ(style.fontFamily, "Times New Roman");
  style = Styled(sheet, "text-decoration:none; font-family:Arial Black", style);
  EXPECT_EQ(style.underline + style.overline, 0);
  EXPECT_EQ(style.fontFamily, "Arial Black");

  HtmlStyle opaque = Styled(sheet, "background-color:nosuchcolour", HtmlStyle{});
  EXPECT_EQ(opaque.backgroundMode, 2);
  EXPECT_EQ(opaque.backgroundColor, 0xFFFFFFu);
  EXPECT_EQ(Styled(sheet, "background-color:transparent", opaque).backgroundMode, 1);
  EXPECT_EQ(Styled(sheet, "background-color:", opaque).backgroundMode, 1);
  EXPECT_EQ(Styled(sheet, "background-color:transparent", opaque).backgroundColor, 0xFFFFFFu);

  EXPECT_EQ(Styled(sheet, "font-weight:bolder").fontWeight, 900);
  EXPECT_EQ(Styled(sheet, "font-weight:heavy").fontWeight, 0);
  EXPECT_EQ(Styled(sheet, "font-weight:600").fontWeight, 600);
  HtmlStyle centred = Styled(sheet, "text-align:center; vertical-align:vcenter; text-transform:capitalize");
  EXPECT_EQ(centred.textAlign, 1);
  EXPECT_EQ(centred.verticalAlign, 1);
  EXPECT_EQ(centred.textTransform, 3);
  EXPECT_EQ(Styled(sheet, "text-align:justify", centred).textAlign, 1);

  HtmlStyle border = Styled(sheet, "border-width:8px; border-style:double; border-color:red; margin-top:50%");
  EXPECT_EQ(border.borderWidth, 8);
  EXPECT_EQ(border.borderStyle, kBorderDouble);
  EXPECT_EQ(border.borderColorLight, 0x0000FFu);
  EXPECT_EQ(border.borderColorDark, 0x0000FFu);
  EXPECT_EQ(border.marginTop, 1);
  EXPECT_EQ(Styled(sheet, "border-width:thin", border).borderWidth, 6);
  EXPECT_EQ(Styled(sheet, "size:thick", border).borderWidth, 10);
  EXPECT_EQ(Styled(sheet, "border-width:medium", border).borderWidth, 8);
  // A property without ":" ends the reading.
  EXPECT_EQ(Styled(sheet, "color red; font-size:30px").fontSize, 10);
}

}  // namespace
