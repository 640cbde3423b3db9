#include "controls/HtmlStyleSheet.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <utility>

#include "controls/detail/HtmlTags.h"
#include "platform/gdi/Display.h"
#include "platform/win32/Rect.h"

namespace {

struct NamedColour {
  const char* name;
  std::uint32_t rgb;  // 0xRRGGBB as written in style sheets
};

constexpr NamedColour kKeywordColours[] = {
    {"aqua", 0x00ffff},
    {"black", 0x000000},
    {"blue", 0x0000ff},
    {"brown", 0xa52a2a},
    {"cyan", 0x00ffff},
    {"gold", 0xffd700},
    {"gray", 0x808080},
    {"green", 0x008000},
    {"magenta", 0xff00ff},
    {"maroon", 0x800000},
    {"navy", 0x000080},
    {"olive", 0x808000},
    {"orange", 0xffa500},
    {"pink", 0xffc0cb},
    {"purple", 0x800080},
    {"red", 0xff0000},
    {"silver", 0xc0c0c0},
    {"snow", 0xfffafa},
    {"violet", 0xee82ee},
    {"white", 0xffffff},
    {"yellow", 0xffff00},
    {"aliceblue", 0xf0f8ff},
    {"antiquewhite", 0xfaebd7},
    {"aquamarine", 0x7fffd4},
    {"azure", 0xf0ffff},
    {"beige", 0xf5f5dc},
    {"bisque", 0xffe4c4},
    {"blanchedalmond", 0xffebcd},
    {"blueviolet", 0x8a2be2},
    {"burlywood", 0xdeb887},
    {"cadetblue", 0x5f9ea0},
    {"chartreuse", 0x7fff00},
    {"chocolate", 0xd2691e},
    {"coral", 0xff7f50},
    {"cornflowerblue", 0x6495ed},
    {"cornsilk", 0xfff8dc},
    {"crimson", 0xdc143c},
    {"darkblue", 0x00008b},
    {"darkcyan", 0x008b8b},
    {"darkgoldenrod", 0xb8860b},
    {"darkgray", 0xa9a9a9},
    {"darkgreen", 0x006400},
    {"darkkhaki", 0xbdb76b},
    {"darkmagenta", 0x8b008b},
    {"darkolivegreen", 0x556b2f},
    {"darkorange", 0xff8c00},
    {"darkorchid", 0x9932cc},
    {"darkred", 0x8b0000},
    {"darksalmon", 0xe9967a},
    {"darkseagreen", 0x8fbc8f},
    {"darkslateblue", 0x483d8b},
    {"darkslategray", 0x2f4f4f},
    {"darkturquoise", 0x00ced1},
    {"darkviolet", 0x9400d3},
    {"deeppink", 0xff1493},
    {"deepskyblue", 0x00bfff},
    {"dimgray", 0x696969},
    {"dodgerblue", 0x1e90ff},
    {"firebrick", 0xb22222},
    {"floralwhite", 0xfffaf0},
    {"forestgreen", 0x228b22},
    {"fuchsia", 0xff00ff},
    {"gainsboro", 0xdcdcdc},
    {"ghostwhite", 0xf8f8ff},
    {"goldenrod", 0xdaa520},
    {"greenyellow", 0xadff2f},
    {"honeydew", 0xf0fff0},
    {"hotpink", 0xff69b4},
    {"indianred", 0xcd5c5c},
    {"indigo", 0x4b0082},
    {"ivory", 0xfffff0},
    {"khaki", 0xf0e68c},
    {"lavender", 0xe6e6fa},
    {"lavenderblush", 0xfff0f5},
    {"lawngreen", 0x7cfc00},
    {"lemonchiffon", 0xfffacd},
    {"lightblue", 0xadd8e6},
    {"lightcoral", 0xf08080},
    {"lightcyan", 0xe0ffff},
    {"lightgoldenrodyellow", 0xfafad2},
    {"lightgreen", 0x90ee90},
    {"lightgrey", 0xd3d3d3},
    {"lightpink", 0xffb6c1},
    {"lightsalmon", 0xffa07a},
    {"lightseagreen", 0x20b2aa},
    {"lightskyblue", 0x87cefa},
    {"lightslategray", 0x778899},
    {"lightsteelblue", 0xb0c4de},
    {"lightyellow", 0xffffe0},
    {"lime", 0x00ff00},
    {"limegreen", 0x32cd32},
    {"linen", 0xfaf0e6},
    {"mediumaquamarine", 0x66cdaa},
    {"mediumblue", 0x0000cd},
    {"mediumorchid", 0xba55d3},
    {"mediumpurple", 0x9370db},
    {"mediumseagreen", 0x3cb371},
    {"mediumslateblue", 0x7b68ee},
    {"mediumspringgreen", 0x00fa9a},
    {"mediumturquoise", 0x48d1cc},
    {"mediumvioletred", 0xc71585},
    {"midnightblue", 0x191970},
    {"mintcream", 0xf5fffa},
    {"mistyrose", 0xffe4e1},
    {"moccasin", 0xffe4b5},
    {"navajowhite", 0xffdead},
    {"oldlace", 0xfdf5e6},
    {"olivedrab", 0x6b8e23},
    {"orangered", 0xff4500},
    {"orchid", 0xda70d6},
    {"palegoldenrod", 0xeee8aa},
    {"palegreen", 0x98fb98},
    {"paleturquoise", 0xafeeee},
    {"palevioletred", 0xdb7093},
    {"papayawhip", 0xffefd5},
    {"peachpuff", 0xffdab9},
    {"peru", 0xcd853f},
    {"plum", 0xdda0dd},
    {"powderblue", 0xb0e0e6},
    {"rosybrown", 0xbc8f8f},
    {"royalblue", 0x4169e1},
    {"saddlebrown", 0x8b4513},
    {"salmon", 0xfa8072},
    {"sandybrown", 0xf4a460},
    {"seagreen", 0x2e8b57},
    {"seashell", 0xfff5ee},
    {"sienna", 0xa0522d},
    {"skyblue", 0x87ceeb},
    {"slateblue", 0x6a5acd},
    {"slategray", 0x708090},
    {"springgreen", 0x00ff7f},
    {"steelblue", 0x4682b4},
    {"tan", 0xd2b48c},
    {"teal", 0x008080},
    {"thistle", 0xd8bfd8},
    {"tomato", 0xff6347},
    {"turquoise", 0x40e0d0},
    {"wheat", 0xf5deb3},
    {"whitesmoke", 0xf5f5f5},
    {"yellowgreen", 0x9acd32},
};
static_assert(std::size(kKeywordColours) == 140);

struct SystemColourName {
  const char* name;
  int index;
};

constexpr SystemColourName kSystemColours[] = {
    {"activeborder", COLOR_ACTIVEBORDER},
    {"activecaption", COLOR_ACTIVECAPTION},
    {"appworkspace", COLOR_APPWORKSPACE},
    {"background", COLOR_BACKGROUND},
    {"buttonface", COLOR_BTNFACE},
    {"buttonhighlight", COLOR_BTNHIGHLIGHT},
    {"buttonshadow", COLOR_BTNSHADOW},
    {"buttontext", COLOR_BTNTEXT},
    {"captiontext", COLOR_CAPTIONTEXT},
    {"graytext", COLOR_GRAYTEXT},
    {"highlight", COLOR_HIGHLIGHT},
    {"highlighttext", COLOR_HIGHLIGHTTEXT},
    {"inactiveborder", COLOR_INACTIVEBORDER},
    {"inactivecaption", COLOR_INACTIVECAPTION},
    {"inactivecaptiontext", COLOR_INACTIVECAPTIONTEXT},
    {"infobackground", COLOR_INFOBK},
    {"infotext", COLOR_INFOTEXT},
    {"menu", COLOR_MENU},
    {"menutext", COLOR_MENUTEXT},
    {"scrollbar", COLOR_SCROLLBAR},
    {"threeddarkshadow", COLOR_3DDKSHADOW},
    {"threedface", COLOR_3DFACE},
    {"threedhighlight", COLOR_3DHIGHLIGHT},
    {"threedlightshadow", COLOR_3DLIGHT},
    {"threedshadow", COLOR_3DSHADOW},
    {"window", COLOR_WINDOW},
    {"windowframe", COLOR_WINDOWFRAME},
    {"windowtext", COLOR_WINDOWTEXT},
};
static_assert(std::size(kSystemColours) == 28);

constexpr const char* kDefaultSheet[] = {
    "body {font-size: 8pt; color:black; font-family:Microsoft Sans Serif}",
    "p {font-size: 10pt; color:black; font-family:Microsoft Sans Serif; font-weight:bold}",
    "h1 {font-size: 16pt; color:black; font-family:Microsoft Sans Serif; font-weight:bold}",
    "h2 {font-size: 14pt; color:black; font-family:Microsoft Sans Serif; font-weight:bold}",
    "h3 {font-size: 12pt; color:black; font-family:Microsoft Sans Serif; font-weight:bold}",
    "h4 {font-size: 10pt; color:black; font-family:Microsoft Sans Serif; font-weight:bold}",
    "h5 {font-size: 9pt; color:#ff9900; font-family:Microsoft Sans Serif; font-weight:bold}",
    "h6 {font-size: 65%; color:#626262; font-family:Microsoft Sans Serif; font-weight:normal}",
    "pre {font-size: 9pt; font-family:\"Courier\"; background-color:#fbedbb}",
    "code {color:#990000; font-family:Arial}",
    "a:link {text-decoration:underline; color:blue}",
    "a:hover {text-decoration:underline; color:blue}",
    "sub {font-size:65%; vertical-align:bottom}",
    "sup {font-size:65%; vertical-align:top}",
    "big {font-size:125%}",
    "small {font-size:75%}",
    ".cpp-comment {color:green; font-style:italic}",
};

bool StartsRule(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '.'; }

int SaturatedInt(long long value) { return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX)); }

constexpr int kHtmlFontSizes[] = {8, 10, 12, 14, 18, 24, 36};

}  // namespace

int ReadDecimal(std::string_view text) {
  size_t at = 0;
  while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  long long value = 0;
  for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at)
    value = std::min<long long>(value * 10 + (text[at] - '0'), 1LL << 40);
  return SaturatedInt(negative ? -value : value);
}

unsigned long ReadNumber(std::string_view text) {
  size_t at = 0;
  while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  unsigned base = 10;
  if (at + 1 < text.size() && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X') &&
      at + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[at + 2]))) {
    base = 16;
    at += 2;
  } else if (at < text.size() && text[at] == '0') {
    base = 8;
  }
  unsigned long long value = 0;
  for (; at < text.size(); ++at) {
    const int c = std::tolower(static_cast<unsigned char>(text[at]));
    const unsigned digit = std::isdigit(c)          ? unsigned(c - '0')
                           : (c >= 'a' && c <= 'f') ? unsigned(c - 'a' + 10)
                                                    : 99;
    if (digit >= base) break;
    value = std::min<unsigned long long>(value * base + digit, 0xFFFFFFFFull);
  }
  return static_cast<unsigned long>(value);
}

int ParseLength(std::string_view value, int base, bool fontMode, const LengthUnits& units) {
  if (value.empty()) return base;
  if (value.back() == '%') return MulDiv(base, ReadDecimal(value.substr(0, value.size() - 1)), 100);
  if (value.front() == '+' || value.front() == '-') value.remove_prefix(1);
  // A unit is taken only when the text is long enough to hold one.
  if (value.size() >= 2) {
    const std::string_view unit = value.substr(value.size() - 2);
    const long long number = ReadDecimal(value.substr(0, value.size() - 2));
    const long long dpi = units.dotsPerInch;
    if (unit == "px") return SaturatedInt(number);
    if (unit == "ex") return SaturatedInt(number * units.exHeight);
    if (unit == "em") return SaturatedInt(number * units.emHeight);
    if (unit == "in") return SaturatedInt(number * dpi);
    if (unit == "cm")
      return SaturatedInt(static_cast<long long>(double(number) * double(dpi) * 0.39370078740157477));
    if (unit == "mm")
      return SaturatedInt(static_cast<long long>(double(number) * double(dpi) * 0.03937007874015748));
    if (unit == "pt") return MulDiv(SaturatedInt(number), units.dotsPerInch, 72);
    if (unit == "pc") return MulDiv(SaturatedInt(number), units.dotsPerInch, 6);
  }
  const unsigned long number = ReadNumber(value);
  if (fontMode && number >= 1 && number <= 7) return kHtmlFontSizes[number - 1];
  return static_cast<int>(number);
}

int ParseTextAlign(std::string_view value, int current) {
  if (value.empty() || value == "left") return 0;
  if (value == "center") return 1;
  if (value == "right") return 2;
  return current;
}

int ParseVerticalAlign(std::string_view value, int current) {
  if (value.empty() || value == "baseline") return 3;
  if (value == "middle" || value == "vcenter") return 1;
  if (value == "top") return 0;
  if (value == "bottom") return 2;
  return current;
}

int ParseBorderStyle(std::string_view value, int current) {
  if (value.empty() || value == "none") return 0;
  if (value == "solid") return 1;
  if (value == "dashed") return 2;
  if (value == "dotted") return 3;
  if (value == "double") return kBorderDouble;
  return current;
}

int ParseFontWeight(std::string_view value) {
  if (value.empty() || value == "normal") return 400;
  if (value == "bold") return 700;
  if (value == "bolder") return 900;
  if (value == "lighter") return 100;
  return ReadDecimal(value);
}

HtmlStyleSheet::HtmlStyleSheet() {
  InitColorNames();
  LoadDefaultStyleSheet();
}

void HtmlStyleSheet::InitColorNames() {
  for (const NamedColour& named : kKeywordColours)
    colours[named.name] = RGB(BYTE(named.rgb >> 16), BYTE(named.rgb >> 8), BYTE(named.rgb));
  for (const SystemColourName& named : kSystemColours) colours[named.name] = GetSysColor(named.index);
}

void HtmlStyleSheet::LoadDefaultStyleSheet() {
  std::string text;
  for (const char* rule : kDefaultSheet) text.append(rule).append("\r\n");
  ParseStyleSheet(text.c_str());
}

void HtmlStyleSheet::ParseStyleSheet(const char* text) {
  rules.clear();
  if (!text) return LoadDefaultStyleSheet();
  sheetText = text;
  const std::string_view sheet = sheetText;
  size_t at = 0;
  for (;;) {
    while (at < sheet.size() && !StartsRule(sheet[at])) ++at;
    const size_t selectorEnd = sheet.find_first_of(" {", at);
    if (at >= sheet.size() || selectorEnd == std::string_view::npos || selectorEnd == at) return;
    const size_t open = sheet.find('{', selectorEnd);
    if (open == std::string_view::npos) return;
    const size_t close = sheet.find('}', open + 1);
    if (close == std::string_view::npos) return;
    SetRule(sheet.substr(at, selectorEnd - at), sheet.substr(open + 1, close - open - 1));
    at = close + 1;
  }
}

void HtmlStyleSheet::SetRule(std::string_view selector, std::string_view properties) {
  rules[Lower(selector)] = std::string(properties);
}

const std::string* HtmlStyleSheet::FindRule(std::string_view selector) const {
  const auto found = rules.find(Lower(selector));
  return found == rules.end() ? nullptr : &found->second;
}

void HtmlStyleSheet::ApplyStyle(std::string_view selector, HtmlStyle& style, const LengthUnits& units) const {
  if (const std::string* properties = FindRule(selector)) ParseStyleProperties(*properties, style, units);
}

void HtmlStyleSheet::ParseStyleProperties(std::string_view text, HtmlStyle& style,
                                          const LengthUnits& units) const {
  size_t at = 0;
  for (;;) {
    while (at < text.size() && !StartsRule(text[at])) ++at;
    if (at >= text.size()) return;
    size_t end = text.find_first_of(" :", at);
    if (end == std::string_view::npos) return;
    const std::string_view name = text.substr(at, end - at);
    while (end < text.size() && text[end] == ' ') ++end;
    if (end >= text.size() || text[end] != ':') return;
    ++end;
    while (end < text.size() && text[end] == ' ') ++end;
    std::string_view value;
    if (end < text.size() && text[end] == '"') {
      const size_t quote = text.find('"', end + 1);
      const size_t stop = quote == std::string_view::npos ? text.size() : quote;
      value = text.substr(end + 1, stop - end - 1);
      at = stop == text.size() ? stop : stop + 1;
    } else {
      const size_t semicolon = text.find(';', end);
      const size_t stop = semicolon == std::string_view::npos ? text.size() : semicolon;
      value = text.substr(end, stop - end);
      at = stop;
    }
    ApplyProperty(name, value, style, units);
  }
}

void HtmlStyleSheet::ApplyProperty(std::string_view name, std::string_view value, HtmlStyle& style,
                                   const LengthUnits& units) const {
  if (name == "font-size") {
    style.fontSize = ParseLength(value, style.fontSize, true, units);
  } else if (name == "font-family") {
    if (!value.empty()) style.fontFamily = std::string(value);
  } else if (name == "font-style") {
    if (value.empty() || value == "normal") style.italic = 0;
    if (value == "italic" || value == "oblique") style.italic = 1;
  } else if (name == "font-weight") {
    style.fontWeight = ParseFontWeight(value);
  } else if (name == "text-align") {
    style.textAlign = ParseTextAlign(value, style.textAlign);
  } else if (name == "text-transform") {
    if (value.empty() || value == "none") style.textTransform = 0;
    if (value == "uppercase") style.textTransform = 1;
    if (value == "lowercase") style.textTransform = 2;
    if (value == "capitalize") style.textTransform = 3;
  } else if (name == "color") {
    style.textColor = ParseColor(value, style.textColor);
  } else if (name == "background-color") {
    if (value.empty() || value == "transparent") {
      style.backgroundMode = 1;
    } else {
      style.backgroundMode = 2;
      style.backgroundColor = ParseColor(value, style.backgroundColor);
    }
  } else if (name == "text-decoration") {
    if (value.empty()) style.underline = style.lineThrough = style.overline = 0;
    size_t at = 0;
    while (at < value.size()) {
      const size_t end = std::min(value.find_first_of(" ,", at), value.size());
      const std::string_view word = value.substr(at, end - at);
      if (word == "none") style.underline = style.lineThrough = style.overline = 0;
      if (word == "underline") style.underline = 1;
      if (word == "line-through") style.lineThrough = 1;
      if (word == "overline") style.overline = 1;
      at = end + 1;
    }
  } else if (name == "vertical-align") {
    style.verticalAlign = ParseVerticalAlign(value, style.verticalAlign);
  } else if (name == "border-color") {
    style.borderColorLight = ParseColor(value, style.borderColorLight);
    style.borderColorDark = ParseColor(value, style.borderColorDark);
  } else if (name == "border-width" || name == "size") {
    if (value == "thin")
      style.borderWidth = MulDiv(75, style.borderWidth, 100);
    else if (value == "thick")
      style.borderWidth = MulDiv(125, style.borderWidth, 100);
    else if (value != "medium")
      style.borderWidth = ParseLength(value, style.borderWidth, false, units);
  } else if (name == "border-style") {
    style.borderStyle = ParseBorderStyle(value, style.borderStyle);
  } else {
    const std::pair<const char*, int HtmlStyle::*> lengths[] = {
        {"margin-left", &HtmlStyle::marginLeft},   {"margin-right", &HtmlStyle::marginRight},
        {"margin-top", &HtmlStyle::marginTop},     {"margin-bottom", &HtmlStyle::marginBottom},
        {"padding-left", &HtmlStyle::paddingLeft}, {"padding-right", &HtmlStyle::paddingRight},
        {"padding-top", &HtmlStyle::paddingTop},   {"padding-bottom", &HtmlStyle::paddingBottom},
    };
    for (const auto& [lengthName, field] : lengths)
      if (name == lengthName) style.*field = ParseLength(value, style.*field, false, units);
  }
}

COLORREF HtmlStyleSheet::ParseColor(std::string_view value, COLORREF fallback) const {
  if (value.empty()) return fallback;
  if (value.front() == '#') {
    if (value.size() != 7 || !std::all_of(value.begin() + 1, value.end(), [](char c) {
          return std::isxdigit(static_cast<unsigned char>(c)) != 0;
        }))
      return fallback;
    const unsigned long rgb = std::stoul(std::string(value.substr(1)), nullptr, 16);
    return RGB(BYTE(rgb >> 16), BYTE(rgb >> 8), BYTE(rgb));
  }
  if (std::isdigit(static_cast<unsigned char>(value.front())))
    return static_cast<COLORREF>(ReadNumber(value));
  return FindColorName(std::string(value), fallback);
}

COLORREF HtmlStyleSheet::FindColorName(const std::string& name, COLORREF fallback) const {
  const auto found = colours.find(name);
  return found == colours.end() ? fallback : found->second;
}
