// Window class "CMultilineList": a two-column table with a heading row, word-wrapped multi-line
// cells, scroll bars and row selection. A click on a row posts WM_COMMAND (notification 1) to the
// parent.
#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "ui/list_layout.h"

class CMultilineList {
 public:
  static constexpr const wchar_t* kClassName = L"CMultilineList";
  static constexpr int kColumns = 2;
  static constexpr WORD kSelectedNotification = 1;

  // Registers the class once, for every module (dialog templates of a resource library use it).
  static bool Register(HINSTANCE instance);
  static CMultilineList* FromWindow(HWND window);

  CMultilineList(const CMultilineList&) = delete;
  CMultilineList& operator=(const CMultilineList&) = delete;

  void SetSize(int rows);
  void SetColumnWidth(int column, int pixels);
  void SetColumnHeading(int column, const std::wstring& text);
  void SetItemText(int column, int row, const std::wstring& text);
  std::wstring ItemText(int column, int row) const;
  int Rows() const { return static_cast<int>(cells_.size()); }
  std::wstring TableText() const;
  int SelectedRow() const { return selected_; }
  int VerticalOffset() const { return vertical_; }
  HWND Header() const { return header_; }

 private:

  explicit CMultilineList(HWND window);
  ~CMultilineList();
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  void CreateHeader();
  void SetFont(HFONT font);
  void SyncHeaderItem(int column);
  void Layout();
  void MeasureRows();
  void MeasurePadding();
  void UpdateScrollBars();
  void ScrollTo(int vertical, int horizontal);
  void OnVerticalScroll(int request);
  void OnHorizontalScroll(int request);
  void OnLeftButton(int x, int y);
  void Paint();
  void DrawCells(HDC dc, const RECT& area);
  bool EnsureSurface(int width, int height);
  void FreeSurface();
  HPEN GridPen();
  int ColumnsWidth() const;
  RECT ListArea() const;  // client area below the heading row

  HWND window_;
  HWND header_ = nullptr;
  HFONT font_ = nullptr;                 // the dialog's, not ours
  platform::GdiObject headingFont_;      // bold copy of font_
  platform::GdiObject gridPen_;
  COLORREF gridColour_ = CLR_INVALID;
  platform::MemoryDC surface_;
  platform::GdiObject surfaceBitmap_;
  HGDIOBJ surfaceOriginal_ = nullptr;
  SIZE surfaceSize_{};

  std::array<int, kColumns> widths_{list_layout::kDefaultColumnWidth, list_layout::kDefaultColumnWidth};
  std::array<std::wstring, kColumns> headings_;
  std::vector<std::array<std::wstring, kColumns>> cells_;
  list_layout::RowHeights heights_;
  list_layout::CellPadding padding_;     // from font_
  int headerHeight_ = 0;
  int vertical_ = 0;
  int horizontal_ = 0;
  int selected_ = -1;
};
