#include "controls/detail/HtmlTableText.h"

namespace {

constexpr size_t npos = std::string_view::npos;

bool At(std::string_view text, size_t at, std::string_view word) {
  return text.compare(at, word.size(), word) == 0;
}

// The inside of the tag whose "<" is at `at`; `after` is where the text goes on.
std::string_view TagText(std::string_view text, size_t at, size_t& after) {
  const size_t close = text.find('>', at + 1);
  const size_t stop = close == npos ? text.size() : close;
  after = stop == text.size() ? stop : stop + 1;
  return text.substr(at + 1, stop - at - 1);
}

// Past the table that starts at `at`, its nested tables counted.
size_t SkipTable(std::string_view text, size_t at) {
  long long depth = 0;
  for (; at != npos; at = text.find('<', at + 1)) {
    if (At(text, at, "<table")) {
      ++depth;
    } else if (At(text, at, "</table") && --depth == 0) {
      size_t after = 0;
      TagText(text, at, after);
      return after;
    }
  }
  return text.size();
}

}  // namespace

std::unique_ptr<HtmlTable> ReadTable(std::string_view text, size_t& at, int depth) {
  auto table = std::make_unique<HtmlTable>();
  if (depth >= kMaxTableDepth) {
    table->tooDeep = true;
    at = SkipTable(text, at);
    return table;
  }
  size_t position = 0;
  table->tag = TagText(text, at, position);
  HtmlTableRow* row = nullptr;
  HtmlTableCell* cell = nullptr;
  size_t contentStart = 0;
  const auto endText = [&](size_t end) {
    if (cell && end > contentStart)
      cell->pieces.push_back({text.substr(contentStart, end - contentStart), nullptr});
  };
  const auto closeCell = [&](size_t end) {
    endText(end);
    cell = nullptr;
  };
  for (;;) {
    const size_t open = text.find('<', position);
    if (open == npos) {
      closeCell(text.size());
      at = text.size();
      return table;
    }
    if (At(text, open, "</table")) {
      closeCell(open);
      TagText(text, open, at);
      return table;
    }
    if (At(text, open, "<table")) {
      if (cell) {
        endText(open);
        size_t after = open;
        cell->pieces.push_back({{}, ReadTable(text, after, depth + 1)});
        contentStart = position = after;
      } else {
        position = SkipTable(text, open);
      }
    } else if (At(text, open, "<tr")) {
      closeCell(open);
      row = &table->rows.emplace_back();
      row->tag = TagText(text, open, position);
    } else if (At(text, open, "</tr")) {
      closeCell(open);
      row = nullptr;
      TagText(text, open, position);
    } else if (At(text, open, "<td")) {
      closeCell(open);
      const std::string_view tag = TagText(text, open, position);
      if (row) {
        cell = &row->cells.emplace_back();
        cell->tag = tag;
        contentStart = position;
      }
    } else if (At(text, open, "</td")) {
      closeCell(open);
      TagText(text, open, position);
    } else {
      position = open + 1;
    }
  }
}
