// The drawer's tables: measured into column widths, row heights and a cell grid, then drawn
// from those records.
#include <algorithm>
#include <numeric>

#include "controls/HtmlDrawer.h"
#include "controls/detail/HtmlPictures.h"
#include "controls/detail/HtmlTableLayout.h"
#include "controls/detail/HtmlTableText.h"
#include "controls/detail/HtmlTags.h"
#include "platform/gdi/Draw.h"
#include "platform/win32/Rect.h"

namespace {

// Spans past this are cut to it, and tables past this many grid places are left out, so that a
// few attributes cannot ask for an unbounded grid.
constexpr int kMaxSpan = 256;
constexpr long long kMaxGridPlaces = 1 << 20;
constexpr long long kLengthLimit = 1LL << 28;

int Clamped(long long value) { return static_cast<int>(std::clamp(value, -kLengthLimit, kLengthLimit)); }

// The "colspan" of a cell tag as the structure counts it: 0 adds nothing.
int CountedSpan(std::string_view tag) {
  std::string_view rest;
  const std::string lower = Lower(tag);
  TagName(lower, rest);
  TagAttributes attributes(rest);
  TagAttribute attribute;
  int span = 1;
  while (attributes.Next(attribute))
    if (attribute.name == "colspan") span = ParseLength(attribute.value, 1, false, LengthUnits{});
  return std::clamp(span, 0, kMaxSpan);
}

int ParseTableWidth(std::string_view tag, int available, int natural, bool measuring) {
  std::string_view rest;
  const std::string lower = Lower(tag);
  TagName(lower, rest);
  TagAttributes attributes(rest);
  TagAttribute attribute;
  long long width = available;
  while (attributes.Next(attribute)) {
    if (attribute.name != "width") continue;
    const std::string_view value = attribute.value;
    if (value.empty()) {
      width = natural;
    } else if (value.back() == '%') {
      const long long percent = ReadDecimal(value.substr(0, value.size() - 1));
      // No share of the width (0 % or less) is read as the natural width.
      if (percent <= 0)
        width = natural;
      else if (measuring)
        width = percent > 100 ? natural * percent / 100 : natural * 100 / percent;
      else
        width = percent < 100 ? available * percent / 100 : available;
    } else {
      width = ParseLength(value, 0, false, LengthUnits{});
    }
    break;
  }
  return Clamped(std::max<long long>(width, natural));
}

// Spreads the shortfall of `required` over sizes[first, first + span): an equal share each and
// the remainder to the first or the last.
void Spread(std::vector<int>& sizes, int first, int span, int required, bool remainderFirst) {
  const long long sum = std::accumulate(sizes.begin() + first, sizes.begin() + first + span, 0LL);
  if (span == 1) {
    sizes[first] = std::max(sizes[first], required);
    return;
  }
  if (sum >= required) return;
  const long long shortfall = required - sum;
  for (int i = first; i < first + span; ++i) sizes[i] = Clamped(sizes[i] + shortfall / span);
  int& rest = sizes[remainderFirst ? first : first + span - 1];
  rest = Clamped(rest + shortfall % span);
}

}  // namespace

void HtmlDrawer::UnwindStyles(size_t depth) {
  if (depth >= styleStack.size()) return;
  style = std::move(styleStack[depth]);
  styleStack.resize(depth);
  SelectStyleFont();
}

void HtmlDrawer::ParseTableAttributes(std::string_view tag, int* colSpan, int* rowSpan) {
  std::string_view rest;
  const std::string lower = Lower(tag);
  TagName(lower, rest);
  TagAttributes attributes(rest);
  TagAttribute attribute;
  const LengthUnits units = Units();
  while (attributes.Next(attribute)) {
    const std::string_view name = attribute.name, value = attribute.value;
    if (name == "colspan" && colSpan) *colSpan = ParseLength(value, 1, false, units);
    if (name == "rowspan" && rowSpan) *rowSpan = ParseLength(value, 1, false, units);
    if (name == "border") {
      style.borderWidth = ParseLength(value, style.borderWidth, false, units);
      if (style.borderWidth == 0) style.borderStyle = 0;
      if (style.borderWidth != 0 && style.borderStyle == 0) style.borderStyle = 1;
    }
    if (name == "borderstyle") style.borderStyle = ParseBorderStyle(value, style.borderStyle);
    if (name == "bordercolor" || name == "bordercolorlight")
      style.borderColorLight = sheet.ParseColor(value, style.borderColorLight);
    if (name == "bordercolor" || name == "bordercolordark")
      style.borderColorDark = sheet.ParseColor(value, style.borderColorDark);
    if (name == "bgcolor") {
      style.backgroundColor = sheet.ParseColor(value, style.backgroundColor);
      if (style.backgroundEffect < 0) style.backgroundEffect = 0;
    }
    if (name == "bgmidcolor") style.backgroundMidColor = sheet.ParseColor(value, style.backgroundMidColor);
    if (name == "bgendcolor") style.backgroundEndColor = sheet.ParseColor(value, style.backgroundEndColor);
    if (name == "bgeffect") style.backgroundEffect = ParseEffectName(value, style.backgroundEffect);
    if (name == "align") style.textAlign = ParseTextAlign(value, style.textAlign);
    if (name == "valign") style.verticalAlign = ParseVerticalAlign(value, style.verticalAlign);
    if (name == "cellpadding")
      for (int* margin : {&style.marginLeft, &style.marginRight, &style.marginTop, &style.marginBottom})
        *margin = ParseLength(value, *margin, false, units);
    if (name == "cellspacing")
      for (int* padding : {&style.paddingLeft, &style.paddingRight, &style.paddingTop, &style.paddingBottom})
        *padding = ParseLength(value, *padding, false, units);
    if (name == "background") style.backgroundImage = std::string(value);
  }
}

SIZE HtmlDrawer::RenderTable(const HtmlTable& table, RECT rect) {
  if (table.tooDeep) return SIZE{0, 0};
  const size_t number = static_cast<size_t>(++tableNumber);
  if (measuring) tables.resize(number + 1);
  // A draw that no measure of this text came before has no records to draw from.
  if (number >= tables.size()) return SIZE{0, 0};
  long long columnCount = 0;
  for (const HtmlTableRow& row : table.rows) {
    long long counted = 0;
    for (const HtmlTableCell& cell : row.cells) counted += CountedSpan(cell.tag);
    columnCount = std::max(columnCount, counted);
  }
  const long long rowCount = static_cast<long long>(table.rows.size());
  if (rowCount == 0 || columnCount == 0 || rowCount * columnCount > kMaxGridPlaces) return SIZE{0, 0};

  const size_t depth = styleStack.size();
  PushStyle("table");
  ResetStyle(style);
  ParseTableAttributes(table.tag);
  SelectStyleFont();
  const int border = Clamped(static_cast<long long>(style.borderWidth) *
                             (style.borderStyle == kBorderDouble ? 3 : 1));
  SIZE size{0, 0};
  if (measuring) {
    // Built aside: nested tables add records while this one is measured.
    TableLayout layout;
    layout.columnWidths.assign(static_cast<size_t>(columnCount), 0);
    layout.rowHeights.assign(static_cast<size_t>(rowCount), 0);
    layout.grid.assign(static_cast<size_t>(rowCount),
                       std::vector<TableCell>(static_cast<size_t>(columnCount), TableCell{0, 0}));
    MeasureTable(table, layout);
    const long long columns = std::accumulate(layout.columnWidths.begin(), layout.columnWidths.end(), 0LL);
    const long long rows = std::accumulate(layout.rowHeights.begin(), layout.rowHeights.end(), 0LL);
    size.cx = ParseTableWidth(table.tag, 0, Clamped(columns + 2LL * border), true);
    size.cy = Clamped(rows + 2LL * border);
    tables[number] = std::move(layout);
  } else if (const TableLayout& layout = tables[number];
             static_cast<long long>(layout.grid.size()) == rowCount &&
             static_cast<long long>(layout.columnWidths.size()) == columnCount) {
    const long long columns = std::accumulate(layout.columnWidths.begin(), layout.columnWidths.end(), 0LL);
    const long long rows = std::accumulate(layout.rowHeights.begin(), layout.rowHeights.end(), 0LL);
    const int available = Clamped(static_cast<long long>(rect.right) - rect.left);
    size.cx = ParseTableWidth(table.tag, available, Clamped(columns), false);
    size.cy = Clamped(rows + 2LL * border);
    long long left = rect.left;
    if (size.cx < available && style.textAlign == 1) left += (available - size.cx) / 2;
    if (size.cx < available && style.textAlign == 2) left += available - size.cx;
    DrawTable(table, layout,
              RECT{Clamped(left), rect.top, Clamped(left + size.cx),
                   Clamped(rect.top + static_cast<long long>(size.cy))},
              border);
  }
  UnwindStyles(depth);
  return size;
}

SIZE HtmlDrawer::RenderCell(const HtmlTableCell& cell, RECT rect) {
  SIZE size{0, 0};
  long long top = rect.top;
  for (const HtmlPiece& piece : cell.pieces) {
    const RECT place{rect.left, Clamped(top), rect.right, rect.bottom};
    const SIZE part = piece.table ? RenderTable(*piece.table, place) : RenderRun(piece.text, place);
    size.cx = std::max(size.cx, part.cx);
    top += part.cy;
  }
  size.cy = Clamped(top - rect.top);
  return size;
}

void HtmlDrawer::MeasureTable(const HtmlTable& table, TableLayout& layout) {
  const int rowCount = static_cast<int>(layout.rowHeights.size()),
            columnCount = static_cast<int>(layout.columnWidths.size());
  struct Placed {
    int span, row, column;
  };
  std::vector<Placed> byColumns, byRows;
  for (int r = 0; r < rowCount; ++r) {
    const HtmlTableRow& row = table.rows[r];
    const size_t rowDepth = styleStack.size();
    PushStyle("tr");
    ApplyStyle("tr", style);
    ParseTableAttributes(row.tag);
    SelectStyleFont();
    int column = 0;
    for (const HtmlTableCell& cell : row.cells) {
      const size_t cellDepth = styleStack.size();
      PushStyle("td");
      ApplyStyle("td", style);
      int colSpan = 1, rowSpan = 1;
      ParseTableAttributes(cell.tag, &colSpan, &rowSpan);
      SelectStyleFont();
      std::vector<TableCell>& places = layout.grid[r];
      while (column < columnCount && places[column].colSpan == -1) ++column;
      if (column >= columnCount) {
        layout.placement.push_back(-1);
        UnwindStyles(cellDepth);
        continue;
      }
      // Spans end at the grid's edges.
      colSpan = std::clamp(colSpan, 1, columnCount - column);
      rowSpan = std::clamp(rowSpan, 1, rowCount - r);
      for (int rr = r; rr < r + rowSpan; ++rr)
        for (int cc = column; cc < column + colSpan; ++cc) layout.grid[rr][cc] = TableCell{-1, -1};
      const SIZE content = RenderCell(cell, RECT{0, 0, 0, 0});
      const int frame = style.borderWidth != 0 ? (style.borderStyle == kBorderDouble ? 6 : 2) : 0;
      TableCell& record = places[column];
      record = TableCell{colSpan,
                         rowSpan,
                         content.cx,
                         content.cy,
                         Clamped(static_cast<long long>(content.cx) + style.paddingLeft + style.paddingRight +
                                 style.marginLeft + style.marginRight + frame),
                         Clamped(static_cast<long long>(content.cy) + style.paddingTop + style.paddingBottom +
                                 style.marginTop + style.marginBottom + frame)};
      layout.placement.push_back(static_cast<long long>(r) * columnCount + column);
      byColumns.push_back({colSpan, r, column});
      byRows.push_back({rowSpan, r, column});
      column += colSpan;
      UnwindStyles(cellDepth);
    }
    UnwindStyles(rowDepth);
  }
  // Narrow spans first, so that a wide span only adds what its columns still lack.
  const auto bySpan = [](const Placed& a, const Placed& b) { return a.span < b.span; };
  std::stable_sort(byColumns.begin(), byColumns.end(), bySpan);
  std::stable_sort(byRows.begin(), byRows.end(), bySpan);
  for (const Placed& p : byColumns)
    Spread(layout.columnWidths, p.column, p.span, layout.grid[p.row][p.column].requiredWidth, false);
  for (const Placed& p : byRows)
    Spread(layout.rowHeights, p.row, p.span, layout.grid[p.row][p.column].requiredHeight, true);
}

void HtmlDrawer::DrawTable(const HtmlTable& table, const TableLayout& layout, RECT box, int border) {
  if (style.backgroundEffect >= 0)
    effects.FillBackground(dc, style.backgroundEffect, box, style.backgroundColor, style.backgroundMidColor,
                           style.backgroundEndColor, 5, 0);
  else if (!style.backgroundImage.empty())
    TileBackground(box);
  DrawEffects::DrawRectFrame(dc, box, style.borderColorLight, style.borderColorDark, style.borderStyle,
                             style.borderWidth);
  InflateRect(&box, -border, -border);

  const int rowCount = static_cast<int>(layout.rowHeights.size()),
            columnCount = static_cast<int>(layout.columnWidths.size());
  std::vector<long long> columnX(columnCount + 1), rowY(rowCount + 1);
  std::vector<int> widths = layout.columnWidths;
  // What the inside of the frame has beyond the columns' widths is shared among them.
  const long long extra = static_cast<long long>(box.right) - box.left -
                          std::accumulate(widths.begin(), widths.end(), 0LL);
  if (extra > 0) {
    for (int& width : widths) width = Clamped(width + extra / columnCount);
    widths[0] = Clamped(widths[0] + extra % columnCount);
  }
  columnX[0] = box.left;
  for (int c = 0; c < columnCount; ++c) columnX[c + 1] = columnX[c] + widths[c];
  rowY[0] = box.top;
  for (int r = 0; r < rowCount; ++r) rowY[r + 1] = rowY[r] + layout.rowHeights[r];

  size_t cellNumber = 0;
  for (const HtmlTableRow& row : table.rows) {
    const size_t rowDepth = styleStack.size();
    PushStyle("tr");
    ApplyStyle("tr", style);
    ParseTableAttributes(row.tag);
    SelectStyleFont();
    for (const HtmlTableCell& cell : row.cells) {
      const long long place = cellNumber < layout.placement.size() ? layout.placement[cellNumber] : -1;
      ++cellNumber;
      if (place < 0 || place >= static_cast<long long>(rowCount) * columnCount) continue;
      const size_t cellDepth = styleStack.size();
      PushStyle("td");
      ApplyStyle("td", style);
      ParseTableAttributes(cell.tag);
      SelectStyleFont();
      const int r = static_cast<int>(place / columnCount), c = static_cast<int>(place % columnCount);
      const TableCell& record = layout.grid[r][c];
      const int colSpan = std::clamp(record.colSpan, 1, columnCount - c),
                rowSpan = std::clamp(record.rowSpan, 1, rowCount - r);
      RECT cellBox{Clamped(columnX[c] + style.paddingLeft), Clamped(rowY[r] + style.paddingTop),
                   Clamped(columnX[c + colSpan] - style.paddingRight),
                   Clamped(rowY[r + rowSpan] - style.paddingBottom)};
      if (style.backgroundEffect >= 0)
        effects.FillBackground(dc, style.backgroundEffect, cellBox, style.backgroundColor,
                               style.backgroundMidColor, style.backgroundEndColor, 5, 0);
      DrawEffects::DrawRectFrame(dc, cellBox, style.borderColorLight, style.borderColorDark,
                                 style.borderStyle, 1);
      if (style.borderWidth != 0) {
        const int frame = style.borderStyle == kBorderDouble ? 3 : 1;
        InflateRect(&cellBox, -frame, -frame);
      }
      cellBox.left = Clamped(static_cast<long long>(cellBox.left) + style.marginLeft);
      cellBox.top = Clamped(static_cast<long long>(cellBox.top) + style.marginTop);
      cellBox.right = Clamped(static_cast<long long>(cellBox.right) - style.marginRight);
      cellBox.bottom = Clamped(static_cast<long long>(cellBox.bottom) - style.marginBottom);
      long long top = cellBox.top;
      const long long room = static_cast<long long>(cellBox.bottom) - cellBox.top - record.contentHeight;
      if (style.verticalAlign == 1) top += room / 2;
      if (style.verticalAlign == 2) top += room;
      RenderCell(cell, RECT{cellBox.left, Clamped(top), cellBox.right, cellBox.bottom});
      UnwindStyles(cellDepth);
    }
    UnwindStyles(rowDepth);
  }
}

void HtmlDrawer::TileBackground(const RECT& box) {
  // "idres:<id>" names a picture of the module; other sources are not read.
  const std::string_view list = style.backgroundImage;
  if (list.size() < 6) return;
  int id = 0;
  for (size_t at = 0; at < list.size();) {
    const size_t end = std::min(list.find(';', at), list.size());
    const std::string_view property = list.substr(at, end - at);
    const size_t colon = property.find(':');
    if (colon != std::string_view::npos && property.substr(0, colon) == "idres")
      id = ParseLength(property.substr(colon + 1), 0, false, LengthUnits{});
    at = end + 1;
  }
  bool keyed = false;
  HBITMAP picture = id > 0 ? LoadPicture(static_cast<UINT>(id), 0xFF00FF, keyed) : nullptr;
  if (!picture) return;
  const SIZE size = DrawEffects::BitmapSize(picture);
  HDC source = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(source, picture);
  DrawEffects::TileBitmap(dc, box.left, box.top, box.right - box.left, box.bottom - box.top, source, 0, 0,
                          size.cx, size.cy);
  SelectObject(source, old);
  DeleteDC(source);
  DeleteObject(picture);
}
