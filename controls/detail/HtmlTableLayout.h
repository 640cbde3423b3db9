// What the measuring pass keeps of each table for the drawing pass.
#pragma once
#include <vector>

struct TableCell {
  int colSpan = 1, rowSpan = 1;  // -1 both where a span from the left or above covers the place
  int contentWidth = 0, contentHeight = 0;
  int requiredWidth = 0, requiredHeight = 0;
};

struct TableLayout {
  std::vector<int> columnWidths;
  std::vector<int> rowHeights;
  std::vector<std::vector<TableCell>> grid;
  // Per cell of the text in order: its place in the grid as row x columns + column, -1 when it
  // found none.
  std::vector<long long> placement;
};
