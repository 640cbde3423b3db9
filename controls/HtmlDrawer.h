// Measures and draws a short text in a small subset of HTML into a device context: bold,
// italic and decorated text, fonts, colours, style-sheet rules, line breaks, tab stops, rules,
// alignment, pictures from the module's resources with effects, links and tables. Lines end
// only at a break. A text is measured first and then drawn from the records of that measure.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "controls/DrawEffects.h"
#include "controls/HtmlStyle.h"
#include "controls/HtmlStyleSheet.h"
#include "controls/HtmlTextDevice.h"
#include "platform/ui/Input.h"

struct LineRecord {
  int lineWidth = 0;
  int above = 0;  // the height above the base line; once finished, the whole line's height
  int below = 0;
  int percentWidth = 0;
  int lineAlign = 0;
};

struct LinkArea {
  RECT rect{};
  int linkKind = 0;  // 1 href, 2 msg
  int linkNumber = 0;
  std::string linkTarget;
};

struct HtmlTable;
struct HtmlTableCell;
struct TableLayout;

class HtmlDrawer {
 public:
  HtmlDrawer();
  // With a text device of the caller's (tests use one of fixed metrics).
  explicit HtmlDrawer(std::unique_ptr<HtmlTextDevice> device);
  virtual ~HtmlDrawer();
  HtmlDrawer(const HtmlDrawer&) = delete;
  HtmlDrawer& operator=(const HtmlDrawer&) = delete;

  // The text's width + 1 and height + 1.
  SIZE Measure(SIZE output, HDC dc, const char* text);
  // Into (left, top, right - 1, bottom - 1), from the records of the last Measure.
  void Draw(HDC dc, const char* text, int left, int top, int right, int bottom);
  // 1: CR is dropped, LF breaks the line, TAB is a tab stop; 0: all three are dropped.
  void SetLineBreakChars(int flag) { lineBreakChars = flag; }

  static void ResetStyle(HtmlStyle& style) { style = HtmlStyle{}; }
  void ParseStyleSheet(const char* text) { sheet.ParseStyleSheet(text); }
  void SetRule(std::string_view selector, std::string_view properties) {
    sheet.SetRule(selector, properties);
  }
  const std::string* FindRule(std::string_view selector) const { return sheet.FindRule(selector); }
  void SetColorName(const std::string& name, COLORREF colour) { sheet.SetColorName(name, colour); }
  COLORREF FindColorName(const std::string& name, COLORREF fallback) const {
    return sheet.FindColorName(name, fallback);
  }

  const std::vector<LinkArea>& LinkAreas() const { return links; }
  const std::vector<LineRecord>& LineRecords() const { return lines; }
  const std::vector<TableLayout>& TableRecords() const { return tables; }
  HCURSOR HandCursor() const { return handCursor; }

 private:
  struct ImageAttributes;
  SIZE Render(HDC dc, std::string_view text, RECT rect, bool measure);
  SIZE RenderRun(std::string_view text, RECT rect);
  bool NextToken(std::string_view text, size_t& at, std::string& words, std::string& tag) const;
  void HandleTag(std::string tag);
  void HandleStyledTag(std::string_view name, bool closing, std::string_view attributes);
  void PushStyle(std::string_view name);
  void PopStyle(std::string_view name);
  void SelectStyleFont();
  LengthUnits Units();
  void ApplyStyle(std::string_view selector, HtmlStyle& target) {
    sheet.ApplyStyle(selector, target, Units());
  }

  void StartLine();
  void FinishLine(int count);
  void NewLine(int count);
  void Tab(int count);
  LineRecord& Line();
  void PlaceText(const std::string& text, bool transformAndOverline);
  void Rule(std::string_view attributes);
  void Image(std::string_view kind, std::string_view attributes);
  void ResourceString(std::string_view attributes);
  SIZE RenderTable(const HtmlTable& table, RECT rect);
  void MeasureTable(const HtmlTable& table, TableLayout& layout);
  void DrawTable(const HtmlTable& table, const TableLayout& layout, RECT box, int border);
  SIZE RenderCell(const HtmlTableCell& cell, RECT rect);
  void ParseTableAttributes(std::string_view tag, int* colSpan = nullptr, int* rowSpan = nullptr);
  void UnwindStyles(size_t depth);
  void TileBackground(const RECT& box);
  int TextTop(int height, int ascent) const;
  void AddLinkArea(int x, int y, int width, int height);

  std::unique_ptr<HtmlTextDevice> device;
  HtmlStyle style;
  DrawEffects effects;
  HCURSOR handCursor = nullptr;

  // The pass in progress.
  bool measuring = true;
  HDC dc = nullptr;
  RECT output{};
  int x = 0, y = 0;
  TEXTMETRIC metrics{};
  int widest = 0;
  size_t lineNumber = 0;
  int tableNumber = -1;
  int linkNumber = -1;
  int hoveredLink = -2;
  LineRecord scratchLine;
  COLORREF oldTextColor = 0, oldBackColor = 0;
  int oldBackMode = 0;

  HtmlStyleSheet sheet;
  std::vector<LineRecord> lines;
  std::vector<HtmlStyle> styleStack;
  std::vector<LinkArea> links;
  std::vector<TableLayout> tables;

  int shadowDx = 4, shadowDy = 4;
  bool softShadows = true;
  int blurX = 7, blurY = 7;
  COLORREF shadowColor = RGB(128, 128, 128);
  int lineBreakChars = 1;
};
