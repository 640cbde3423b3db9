// The markup drawer's style rules, colour names and the value parsers of its properties and
// attributes. Each drawer owns one; nothing is shared between drawers.
#pragma once
#include <map>
#include <string>
#include <string_view>

#include "controls/HtmlStyle.h"

// What lengths in "ex", "em" and the physical units are measured against.
struct LengthUnits {
  int exHeight = 0;  // the height of "x" in the current font
  int emHeight = 0;  // the current font's height
  int dotsPerInch = 96;
};

// A decimal integer after optional spaces and sign, as far as digits go; saturates instead of
// overflowing.
int ReadDecimal(std::string_view text);
// An unsigned number with its base detected ("0x" hexadecimal, leading 0 octal), as far as
// its digits go; saturates at 32 bits.
unsigned long ReadNumber(std::string_view text);
int ParseLength(std::string_view value, int base, bool fontMode, const LengthUnits& units);
int ParseTextAlign(std::string_view value, int current);
int ParseVerticalAlign(std::string_view value, int current);
int ParseBorderStyle(std::string_view value, int current);
int ParseFontWeight(std::string_view value);

class HtmlStyleSheet {
 public:
  HtmlStyleSheet();

  // Null loads the default sheet.
  void ParseStyleSheet(const char* text);
  void LoadDefaultStyleSheet();
  void SetRule(std::string_view selector, std::string_view properties);
  const std::string* FindRule(std::string_view selector) const;
  void ApplyStyle(std::string_view selector, HtmlStyle& style, const LengthUnits& units) const;
  void ParseStyleProperties(std::string_view text, HtmlStyle& style, const LengthUnits& units) const;

  COLORREF ParseColor(std::string_view value, COLORREF fallback) const;
  void SetColorName(const std::string& name, COLORREF colour) { colours[name] = colour; }
  COLORREF FindColorName(const std::string& name, COLORREF fallback) const;
  size_t ColorNameCount() const { return colours.size(); }
  size_t RuleCount() const { return rules.size(); }

 private:
  void InitColorNames();
  void ApplyProperty(std::string_view name, std::string_view value, HtmlStyle& style,
                     const LengthUnits& units) const;

  std::string sheetText;
  std::map<std::string, std::string> rules;
  std::map<std::string, COLORREF> colours;
};
