#include "ui/list_layout.h"

#include <algorithm>
#include <numeric>

namespace list_layout {

CellPadding PaddingFor(int averageCharWidth, int lineHeight) {
  return {std::max(2, averageCharWidth / 2), std::max(2, lineHeight / 4)};
}

int TextWidth(int columnWidth, const CellPadding& padding) {
  return std::max(1, columnWidth - 2 * padding.horizontal - 1);
}

int RowHeight(const std::vector<int>& cellTextHeights, const CellPadding& padding) {
  int tallest = 0;
  for (int h : cellTextHeights) tallest = std::max(tallest, h);
  return tallest + 2 * padding.vertical + 1;
}

TextBox CellTextBox(int cellLeft, int cellTop, int cellWidth, int cellHeight, const CellPadding& padding) {
  return {cellLeft + padding.horizontal, cellTop + padding.vertical,
          cellLeft + cellWidth - 1 - padding.horizontal, cellTop + cellHeight - 1 - padding.vertical};
}

int Total(const std::vector<int>& sizes) { return std::accumulate(sizes.begin(), sizes.end(), 0); }

int RowTop(const std::vector<int>& heights, int row) {
  row = std::clamp(row, 0, static_cast<int>(heights.size()));
  return std::accumulate(heights.begin(), heights.begin() + row, 0);
}

int MaxOffset(int content, int view) { return std::max(0, content - std::max(0, view)); }

int Clamp(int offset, int content, int view) { return std::clamp(offset, 0, MaxOffset(content, view)); }

int FirstVisibleRow(const std::vector<int>& heights, int offset) {
  int bottom = 0;
  for (size_t row = 0; row < heights.size(); ++row) {
    bottom += heights[row];
    if (bottom > offset) return static_cast<int>(row);
  }
  return static_cast<int>(heights.size());
}

int LineDown(const std::vector<int>& heights, int offset, int view) {
  int total = Total(heights);
  int row = FirstVisibleRow(heights, offset);
  if (row >= static_cast<int>(heights.size())) return Clamp(offset, total, view);
  // Nothing moves once the rest of the rows fits.
  if (total - RowTop(heights, row) <= view) return Clamp(offset, total, view);
  return Clamp(offset + heights[row], total, view);
}

int LineUp(const std::vector<int>& heights, int offset, int view) {
  int total = Total(heights);
  if (heights.empty()) return 0;
  int row = std::min(FirstVisibleRow(heights, offset), static_cast<int>(heights.size()));
  int before = row > 0 ? row - 1 : 0;
  return Clamp(offset - heights[before], total, view);
}

int PageDown(const std::vector<int>& heights, int offset, int view) {
  return Clamp(offset + view, Total(heights), view);
}

int PageUp(const std::vector<int>& heights, int offset, int view) {
  return Clamp(offset - view, Total(heights), view);
}

int Thumb(const std::vector<int>& heights, int position, int view) { return Clamp(position, Total(heights), view); }

int Wheel(const std::vector<int>& heights, int offset, int view, int delta) {
  if (delta < 0) return LineDown(heights, offset, view);
  if (delta > 0) return LineUp(heights, offset, view);
  return offset;
}

int RowAt(const std::vector<int>& heights, int columnsWidth, int x, int y, int verticalOffset,
          int horizontalOffset) {
  if (x < 0 || y < 0 || x + horizontalOffset >= columnsWidth) return -1;
  int row = FirstVisibleRow(heights, y + verticalOffset);
  return row < static_cast<int>(heights.size()) ? row : -1;
}

int ScrollIntoView(const std::vector<int>& heights, int offset, int view, int row) {
  if (row < 0 || row >= static_cast<int>(heights.size())) return offset;
  int total = Total(heights);
  int top = RowTop(heights, row);
  int bottom = top + heights[row];
  if (top < offset || heights[row] > view) return Clamp(top, total, view);
  if (bottom > offset + view) return Clamp(bottom - view, total, view);
  return offset;
}

void RowHeights::Reset(int rows) { heights_.assign(std::max(0, rows), 0); }

void RowHeights::Forget(int row) {
  if (row >= 0 && row < Rows()) heights_[row] = 0;
}

bool RowHeights::Known(int row) const { return row >= 0 && row < Rows() && heights_[row] > 0; }

void RowHeights::Set(int row, const std::vector<int>& cellTextHeights, const CellPadding& padding) {
  if (row >= 0 && row < Rows()) heights_[row] = RowHeight(cellTextHeights, padding);
}

}  // namespace list_layout
