// The rows, cells and nested tables of a markup table, read once in one walk over its text so
// that laying it out stays linear in the text's length however the tags nest.
#pragma once
#include <memory>
#include <string_view>
#include <vector>

struct HtmlTable;

// A piece of a cell: text for the run drawer, or a nested table.
struct HtmlPiece {
  std::string_view text;
  std::unique_ptr<HtmlTable> table;
};

struct HtmlTableCell {
  std::string_view tag;  // the inside of the "td" tag
  std::vector<HtmlPiece> pieces;
};

struct HtmlTableRow {
  std::string_view tag;
  std::vector<HtmlTableCell> cells;
};

struct HtmlTable {
  std::string_view tag;
  std::vector<HtmlTableRow> rows;
  bool tooDeep = false;  // nested past kMaxTableDepth: laid out as nothing
};

// Tables nested deeper than this inside one another are left out.
constexpr int kMaxTableDepth = 32;

// Reads the table whose "<table" starts at `at` and moves `at` past the "</table>" that closes
// it (nested ones counted) or to the end of the text. A missing closing tag ends a cell, row or
// table at the next tag that begins another.
std::unique_ptr<HtmlTable> ReadTable(std::string_view text, size_t& at, int depth);
