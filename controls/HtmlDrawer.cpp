#include "controls/HtmlDrawer.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "controls/detail/HtmlTableLayout.h"
#include "controls/detail/HtmlTableText.h"
#include "controls/detail/HtmlTags.h"
#include "platform/gdi/Draw.h"
#include "platform/win32/Rect.h"

namespace {

// Repeats of a break or tab stop past this are taken as this many.
constexpr int kMaxRepeat = 1000;
// Coordinates stay well inside int, whatever the text asks for.
constexpr long long kCoordinateLimit = 1LL << 29;
constexpr int kMaxFontSize = 500;

int Clamped(long long value) {
  return static_cast<int>(std::clamp(value, -kCoordinateLimit, kCoordinateLimit));
}

std::string Transformed(std::string text, int transform) {
  if (transform == 1)
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (transform == 2 || transform == 3) text = Lower(text);
  if (transform == 3)
    for (size_t i = 0; i < text.size(); ++i)
      if (text[i] >= 'a' && text[i] <= 'z' && (i == 0 || text[i - 1] == ' '))
        text[i] = static_cast<char>(text[i] - 32);
  return text;
}

struct StyledTag {
  const char* tag;
  const char* styleName;
};

constexpr StyledTag kStyledTags[] = {
    {"b", "bold"},          {"i", "italic"},      {"em", "italic"},
    {"u", "underline"},     {"s", "strikeout"},   {"strike", "strikeout"},
    {"font", "font"},       {"left", "left"},     {"center", "center"},
    {"right", "right"},     {"top", "top"},       {"middle", "vcenter"},
    {"vcenter", "vcenter"}, {"bottom", "bottom"}, {"baseline", "baseline"},
    {"body", "body"},       {"h1", "h1"},         {"h2", "h2"},
    {"h3", "h3"},           {"h4", "h4"},         {"h5", "h5"},
    {"h6", "h6"},           {"code", "code"},     {"pre", "pre"},
    {"big", "big"},         {"small", "small"},   {"sub", "sub"},
    {"sup", "sup"},         {"span", "span"},     {"a", "link"},
};

const char* StyleNameOf(std::string_view tag) {
  for (const StyledTag& styled : kStyledTags)
    if (tag == styled.tag) return styled.styleName;
  return nullptr;
}

}  // namespace

HtmlDrawer::HtmlDrawer() : HtmlDrawer(std::make_unique<GdiTextDevice>()) {}

HtmlDrawer::HtmlDrawer(std::unique_ptr<HtmlTextDevice> textDevice)
    : device(std::move(textDevice)), handCursor(LoadCursor(nullptr, IDC_HAND)) {}

HtmlDrawer::~HtmlDrawer() = default;

SIZE HtmlDrawer::Measure(SIZE size, HDC passDc, const char* text) {
  const SIZE measured = Render(passDc, text ? text : "", RECT{0, 0, size.cx, size.cy}, true);
  return SIZE{measured.cx + 1, measured.cy + 1};
}

void HtmlDrawer::Draw(HDC passDc, const char* text, int left, int top, int right, int bottom) {
  Render(passDc, text ? text : "", RECT{left, top, right - 1, bottom - 1}, false);
}

SIZE HtmlDrawer::Render(HDC passDc, std::string_view text, RECT rect, bool measure) {
  measuring = measure;
  dc = passDc;
  output = rect;
  links.clear();
  if (measuring) {
    lines.clear();
    tables.clear();
  }
  lineNumber = 0;
  tableNumber = -1;
  linkNumber = -1;
  styleStack.clear();
  device->Begin(dc);
  oldTextColor = GetTextColor(dc);
  oldBackColor = GetBkColor(dc);
  oldBackMode = GetBkMode(dc);
  ResetStyle(style);
  metrics = device->Metrics();
  ApplyStyle("body", style);
  SelectStyleFont();

  // Runs of text and the tables between them, one below the other.
  SIZE total{0, 0};
  long long top = rect.top;
  for (size_t at = 0; at < text.size();) {
    const size_t table = std::min(text.find("<table", at), text.size());
    const RECT place{rect.left, Clamped(top), rect.right, rect.bottom};
    SIZE piece{0, 0};
    if (table > at) {
      piece = RenderRun(text.substr(at, table - at), place);
      at = table;
    } else {
      piece = RenderTable(*ReadTable(text, at, 0), place);
    }
    total.cx = std::max(total.cx, piece.cx);
    top += piece.cy;
  }
  total.cy = Clamped(top - rect.top);

  SetTextColor(dc, oldTextColor);
  SetBkColor(dc, oldBackColor);
  SetBkMode(dc, oldBackMode);
  device->End();
  styleStack.clear();
  return total;
}

SIZE HtmlDrawer::RenderRun(std::string_view text, RECT rect) {
  const RECT outer = output;
  output = rect;
  x = rect.left;
  y = rect.top;
  widest = 0;
  const size_t firstLine = lineNumber;
  StartLine();
  std::string words, tag;
  for (size_t at = 0; at < text.size();) {
    const bool hasTag = NextToken(text, at, words, tag);
    if (!words.empty()) PlaceText(words, true);
    if (hasTag) HandleTag(std::move(tag));
  }
  FinishLine(1);
  if (measuring) {
    const int base = widest;
    for (size_t i = firstLine; i < lineNumber && i < lines.size(); ++i)
      if (lines[i].percentWidth != 0)
        widest = std::max(widest, Clamped(static_cast<long long>(lines[i].lineWidth) +
                                          MulDiv(lines[i].percentWidth, base, 100)));
  }
  output = outer;
  return SIZE{widest, Clamped(static_cast<long long>(y) - rect.top)};
}

bool HtmlDrawer::NextToken(std::string_view text, size_t& at, std::string& words, std::string& tag) const {
  words.clear();
  tag.clear();
  while (at < text.size()) {
    const char c = text[at];
    if (c == '<' && at + 1 < text.size() && text[at + 1] != '<') {
      const size_t close = text.find('>', at + 1);
      const size_t stop = close == std::string_view::npos ? text.size() : close;
      tag.assign(text.substr(at + 1, stop - at - 1));
      at = stop == text.size() ? stop : stop + 1;
      return true;
    }
    if (c == '<') {
      // "<<" is one "<", and so is a "<" at the very end.
      words += '<';
      at += at + 1 < text.size() ? 2 : 1;
      continue;
    }
    ++at;
    if (c == '\r' || c == '\n' || c == '\t') {
      if (lineBreakChars != 1) continue;
      tag.assign(1, c);
      return true;
    }
    words += c;
  }
  return false;
}

void HtmlDrawer::HandleTag(std::string tag) {
  if (tag == "\n") return NewLine(1);
  if (tag == "\t") return Tab(1);
  tag = Lower(tag);
  const bool closing = !tag.empty() && tag[0] == '/';
  std::string_view rest;
  const std::string_view name = TagName(std::string_view(tag).substr(closing ? 1 : 0), rest);
  if (name == "br") return NewLine(TagCount(rest));
  if (name == "t") return Tab(TagCount(rest));
  if (name == "hr") return Rule(rest);
  if (!closing && (name == "bmp" || name == "icon" || name == "ilst")) return Image(name, rest);
  if (!closing && name == "string") return ResourceString(rest);
  HandleStyledTag(name, closing, rest);
}

void HtmlDrawer::HandleStyledTag(std::string_view name, bool closing, std::string_view rest) {
  const char* styleName = StyleNameOf(name);
  if (!styleName) return;
  if (closing) {
    PopStyle(styleName);
    return SelectStyleFont();
  }
  TagAttributes attributes(rest);
  TagAttribute attribute;
  if (name == "span") {
    if (!attributes.Next(attribute) || attribute.name != "class") return;
    PushStyle(styleName);
    ApplyStyle("." + std::string(attribute.value), style);
    return SelectStyleFont();
  }
  PushStyle(styleName);
  if (name == "b") {
    style.fontWeight = static_cast<int>(std::min<long long>(900, 2LL * style.fontWeight));
  } else if (name == "i" || name == "em") {
    style.italic = !style.italic;
  } else if (name == "u") {
    style.underline = !style.underline;
  } else if (name == "s" || name == "strike") {
    style.lineThrough = !style.lineThrough;
  } else if (name == "font") {
    while (attributes.Next(attribute)) {
      const std::string_view value = attribute.value;
      if (attribute.name == "face" && !value.empty()) style.fontFamily = std::string(value);
      if (attribute.name == "size") style.fontSize = ParseLength(value, style.fontSize, true, Units());
      if (attribute.name == "color") style.textColor = sheet.ParseColor(value, style.textColor);
      if (attribute.name == "weight") style.fontWeight = ParseFontWeight(value);
      if (attribute.name == "bkgnd") {
        style.backgroundMode = value.empty() || value == "transparent" ? 1 : 2;
        if (style.backgroundMode == 2) style.backgroundColor = sheet.ParseColor(value, style.backgroundColor);
      }
      if (attribute.name == "style") {
        bool clear = false;
        for (const char letter : value) {
          if (letter == '-') {
            clear = true;
            continue;
          }
          if (letter == 'b') style.fontWeight = clear ? 400 : 700;
          if (letter == 'i') style.italic = !clear;
          if (letter == 'u') style.underline = !clear;
          if (letter == 's') style.lineThrough = !clear;
          if (letter == 'o') style.overline = !clear;
          if (letter != '+') clear = false;
        }
      }
    }
  } else if (name == "left" || name == "center" || name == "right") {
    style.textAlign = name == "left" ? 0 : name == "center" ? 1 : 2;
  } else if (name == "top" || name == "middle" || name == "vcenter" || name == "bottom" ||
             name == "baseline") {
    style.verticalAlign = ParseVerticalAlign(name, style.verticalAlign);
  } else if (name == "a") {
    style.linkKind = 2;
    style.linkTarget.clear();
    while (attributes.Next(attribute)) {
      if (attribute.name == "href" || attribute.name == "msg") {
        style.linkKind = attribute.name == "href" ? 1 : 2;
        style.linkTarget = std::string(attribute.value);
      }
    }
    ++linkNumber;
    ApplyStyle(linkNumber == hoveredLink ? "a:hover" : "a:link", style);
  } else {
    ApplyStyle(name, style);
  }
  SelectStyleFont();
}

void HtmlDrawer::PushStyle(std::string_view name) {
  styleStack.push_back(style);
  styleStack.back().styleName = std::string(name);
}

void HtmlDrawer::PopStyle(std::string_view name) {
  if (styleStack.empty() || styleStack.back().styleName != name) return;
  style = std::move(styleStack.back());
  styleStack.pop_back();
}

void HtmlDrawer::SelectStyleFont() {
  LOGFONT font{};
  font.lfHeight = -std::clamp(style.fontSize, 0, kMaxFontSize);
  font.lfWeight = std::clamp(style.fontWeight, 0, 1000);
  font.lfItalic = style.italic != 0;
  font.lfUnderline = style.underline != 0;
  font.lfStrikeOut = style.lineThrough != 0;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = CLEARTYPE_QUALITY;
  std::strncpy(font.lfFaceName, style.fontFamily.c_str(), LF_FACESIZE - 1);
  device->SelectFont(font);
  SetBkMode(dc, style.backgroundMode);
  SetTextColor(dc, style.textColor);
  SetBkColor(dc, style.backgroundColor);
  metrics = device->Metrics();
}

LengthUnits HtmlDrawer::Units() {
  return LengthUnits{device->Extent("x").cy, metrics.tmHeight, dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96};
}

LineRecord& HtmlDrawer::Line() {
  if (lineNumber < lines.size()) return lines[lineNumber];
  // Past the measured records (a draw that no measure of this text came before): a blank line.
  scratchLine = LineRecord{};
  return scratchLine;
}

void HtmlDrawer::StartLine() {
  if (measuring) {
    lines.push_back(LineRecord{0, 0, 0, 0, style.textAlign});
    lineNumber = lines.size() - 1;
    return;
  }
  const LineRecord& line = Line();
  const long long span = static_cast<long long>(output.right) - output.left;
  const long long width = line.lineWidth + MulDiv(static_cast<int>(Clamped(span)), line.percentWidth, 100);
  x = output.left;
  if (line.lineAlign == 1) x = Clamped(output.left + (span - width) / 2);
  if (line.lineAlign == 2) x = Clamped(output.right - width);
}

void HtmlDrawer::FinishLine(int count) {
  count = std::clamp(count, 1, kMaxRepeat);
  LineRecord& line = Line();
  if (measuring) {
    if (line.above == 0) line.above = metrics.tmHeight;
    line.lineWidth = Clamped(static_cast<long long>(x) - output.left);
    widest = std::max(widest, line.lineWidth);
    line.above = Clamped(static_cast<long long>(line.above) + line.below);
  }
  y = Clamped(y + static_cast<long long>(line.above) * count);
  ++lineNumber;
  x = output.left;
}

void HtmlDrawer::NewLine(int count) {
  FinishLine(count);
  StartLine();
}

void HtmlDrawer::Tab(int count) {
  count = std::clamp(count, 1, kMaxRepeat);
  const long long offset = static_cast<long long>(x) - output.left;
  // On a stop or between two, n stops on from the last one passed.
  const long long passed = offset >= 0 ? offset / 32 : (offset - 31) / 32;
  x = Clamped(output.left + (passed + count) * 32);
}

int HtmlDrawer::TextTop(int height, int ascent) const {
  static const LineRecord blank;
  const LineRecord& line = lineNumber < lines.size() ? lines[lineNumber] : blank;
  switch (style.verticalAlign) {
    case 0:
      return y;
    case 1:
      return Clamped(y + (static_cast<long long>(line.above) - height) / 2);
    case 2:
      return Clamped(static_cast<long long>(y) + line.above - ascent);
    default:
      return Clamped(static_cast<long long>(y) + line.above - line.below - ascent);
  }
}

void HtmlDrawer::AddLinkArea(int left, int top, int width, int height) {
  if (measuring || style.linkKind == 0) return;
  links.push_back(LinkArea{RECT{left, top, Clamped(static_cast<long long>(left) + width),
                                Clamped(static_cast<long long>(top) + height)},
                           style.linkKind, linkNumber, style.linkTarget});
}

void HtmlDrawer::PlaceText(const std::string& text, bool transformAndOverline) {
  const std::string shown = transformAndOverline ? Transformed(text, style.textTransform) : text;
  const SIZE size = device->Extent(shown);
  LineRecord& line = Line();
  if (measuring) {
    line.above = std::max<int>(line.above, metrics.tmAscent);
    line.below = std::max<int>(line.below, size.cy - metrics.tmAscent);
    line.lineAlign = style.textAlign;
  } else {
    const int top = TextTop(metrics.tmHeight, metrics.tmAscent);
    AddLinkArea(x, top, size.cx, size.cy);
    device->Write(x, top, shown);
    if (transformAndOverline && style.overline) {
      HPEN pen = CreatePen(PS_SOLID, style.fontWeight >= 700 ? 2 : 1, style.textColor);
      HGDIOBJ old = SelectObject(dc, pen);
      MoveToEx(dc, x, y, nullptr);
      LineTo(dc, Clamped(static_cast<long long>(x) + size.cx), y);
      SelectObject(dc, old);
      DeleteObject(pen);
    }
  }
  x = Clamped(static_cast<long long>(x) + size.cx);
}

void HtmlDrawer::Rule(std::string_view rest) {
  HtmlStyle rule = style;
  rule.borderWidth = 1;
  ApplyStyle("hr", rule);
  int pixels = -1, percent = 100, thickness = rule.borderWidth;
  COLORREF colour = rule.textColor;
  TagAttributes attributes(rest);
  TagAttribute attribute;
  while (attributes.Next(attribute)) {
    const std::string_view value = attribute.value;
    if (attribute.name == "width") {
      if (!value.empty() && value.back() == '%') {
        percent = ReadDecimal(value.substr(0, value.size() - 1));
        pixels = -1;
      } else {
        pixels = std::max(0, ParseLength(value, 0, false, Units()));
      }
    }
    if (attribute.name == "size") thickness = ParseLength(value, thickness, false, Units());
    if (attribute.name == "color") colour = sheet.ParseColor(value, colour);
  }
  LineRecord& line = Line();
  if (measuring) {
    if (pixels >= 0)
      x = Clamped(static_cast<long long>(x) + pixels);
    else
      line.percentWidth = Clamped(static_cast<long long>(line.percentWidth) + percent);
    line.above = std::max(line.above, Clamped(static_cast<long long>(thickness) + 8));
    line.lineAlign = style.textAlign;
    return;
  }
  const int width = pixels >= 0
                        ? pixels
                        : MulDiv(Clamped(static_cast<long long>(output.right) - output.left), percent, 100);
  const int middle = Clamped(y + static_cast<long long>(line.above) / 2);
  DrawEffects::DrawStyledLine(dc, x, middle, Clamped(static_cast<long long>(x) + width), middle, colour, 1,
                              std::clamp(thickness, 0, 1000));
  x = Clamped(static_cast<long long>(x) + width);
}
