// The arithmetic of the multi-line table: row heights, scrolling, hit tests. No windows here, so
// every rule can be checked on plain numbers.
#pragma once

#include <vector>

namespace list_layout {

constexpr int kDefaultColumnWidth = 100;

// The space between a cell's text and its grid lines. It follows the font, so the text keeps
// clear of the lines at every DPI: half an average character sideways, a quarter of a line above
// and below, never under two pixels.
struct CellPadding {
  int horizontal = 2;
  int vertical = 2;
};
CellPadding PaddingFor(int averageCharWidth, int lineHeight);

// The width a cell's text is wrapped into: the column less its padding and its divider line
// (never below one pixel).
int TextWidth(int columnWidth, const CellPadding& padding);
// A row's height from the measured heights of its cells' wrapped texts: the tallest, its padding
// above and below, and the row's grid line.
int RowHeight(const std::vector<int>& cellTextHeights, const CellPadding& padding);

// The rectangle a cell's text is drawn in, inside the cell whose top-left corner and size are
// given; the cell's last column and last row of pixels hold its grid lines.
struct TextBox {
  int left, top, right, bottom;
};
TextBox CellTextBox(int cellLeft, int cellTop, int cellWidth, int cellHeight, const CellPadding& padding);

int Total(const std::vector<int>& sizes);
// The top of a row in the stack of rows (row == size: the bottom of the last).
int RowTop(const std::vector<int>& heights, int row);
// The largest offset that still fills the view (never below 0).
int MaxOffset(int content, int view);
int Clamp(int offset, int content, int view);

// The first row whose bottom lies below the offset; the row count when none does.
int FirstVisibleRow(const std::vector<int>& heights, int offset);

// The vertical scroll requests; the answers are offsets clamped to [0, MaxOffset].
int LineDown(const std::vector<int>& heights, int offset, int view);
int LineUp(const std::vector<int>& heights, int offset, int view);
int PageDown(const std::vector<int>& heights, int offset, int view);
int PageUp(const std::vector<int>& heights, int offset, int view);
int Thumb(const std::vector<int>& heights, int position, int view);
// Wheel turned towards the user (negative delta): line down; away: line up.
int Wheel(const std::vector<int>& heights, int offset, int view, int delta);

// The horizontal direction has no rows: lines of a fixed step, pages of the view width.
constexpr int kHorizontalLine = 16;

// The row under a point of the list area (x, y relative to its top-left corner, before
// scrolling); -1 when the point lies outside the rows or right of the last column.
int RowAt(const std::vector<int>& heights, int columnsWidth, int x, int y, int verticalOffset,
          int horizontalOffset);

// The offset that shows a row: its top when above the view or taller than it, its bottom at the
// view's bottom when below; unchanged when it is already visible.
int ScrollIntoView(const std::vector<int>& heights, int offset, int view, int row);

// Row heights, measured once per row and kept until the rows, the column widths, the font or
// that row's texts change.
class RowHeights {
 public:
  void Reset(int rows);        // every row unknown
  void Forget(int row);        // one row's text changed
  bool Known(int row) const;
  void Set(int row, const std::vector<int>& cellTextHeights, const CellPadding& padding);
  // Only meaningful once every row is known.
  const std::vector<int>& Values() const { return heights_; }
  int Rows() const { return static_cast<int>(heights_.size()); }

 private:
  std::vector<int> heights_;  // 0: not measured yet (a measured row is at least its padding)
};

}  // namespace list_layout
