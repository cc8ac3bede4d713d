#include "ui/multiline_list.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

namespace {

constexpr UINT kMeasureFlags = DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX;
constexpr UINT kDrawFlags = DT_WORDBREAK | DT_NOPREFIX;

// An empty cell is measured and drawn as one blank, so an empty row keeps a line's height.
const std::wstring& CellText(const std::wstring& text) {
  static const std::wstring blank = L" ";
  return text.empty() ? blank : text;
}

}  // namespace

bool CMultilineList::Register(HINSTANCE instance) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, kClassName, &existing)) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  // Global: the pages' templates come from a product's resource library, and a dialog looks a
  // local class up under its own template's module only.
  wc.style = CS_DBLCLKS | CS_GLOBALCLASS;
  wc.lpfnWndProc = WindowProc;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

CMultilineList* CMultilineList::FromWindow(HWND window) {
  if (!window) return nullptr;
  wchar_t name[32] = {};
  if (!GetClassNameW(window, name, 32) || lstrcmpiW(name, kClassName) != 0) return nullptr;
  return reinterpret_cast<CMultilineList*>(GetWindowLongPtrW(window, 0));
}

CMultilineList::CMultilineList(HWND window) : window_(window) {}

CMultilineList::~CMultilineList() { FreeSurface(); }

LRESULT CALLBACK CMultilineList::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = new (std::nothrow) CMultilineList(window);
    if (!self) return FALSE;
    SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(self));
    return DefWindowProcW(window, message, wParam, lParam);
  }
  auto* self = reinterpret_cast<CMultilineList*>(GetWindowLongPtrW(window, 0));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, 0, 0);
    delete self;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return self->Handle(message, wParam, lParam);
}

// The table as text, a line per row and a tab between cells, headings first: what screen readers
// and test drivers read with WM_GETTEXT.
std::wstring CMultilineList::TableText() const {
  std::wstring text = headings_[0] + L"\t" + headings_[1];
  for (const auto& row : cells_) text += L"\n" + row[0] + L"\t" + row[1];
  return text;
}

LRESULT CMultilineList::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(TableText().size());
    case WM_GETTEXT: {
      if (wParam == 0 || !lParam) return 0;
      const std::wstring text = TableText();
      const size_t count = std::min<size_t>(text.size(), wParam - 1);
      text.copy(reinterpret_cast<wchar_t*>(lParam), count);
      reinterpret_cast<wchar_t*>(lParam)[count] = L'\0';
      return static_cast<LRESULT>(count);
    }
    case WM_CREATE:
      CreateHeader();
      SetFont(nullptr);
      return 0;
    case WM_SETFONT:
      SetFont(reinterpret_cast<HFONT>(wParam));
      if (LOWORD(lParam)) InvalidateRect(window_, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    case WM_SIZE:
      Layout();
      UpdateScrollBars();
      InvalidateRect(window_, nullptr, FALSE);
      return 0;
    case WM_VSCROLL:
      OnVerticalScroll(LOWORD(wParam));
      return 0;
    case WM_HSCROLL:
      OnHorizontalScroll(LOWORD(wParam));
      return 0;
    case WM_MOUSEWHEEL: {
      MeasureRows();
      RECT area = ListArea();
      int view = area.bottom - area.top;
      ScrollTo(list_layout::Wheel(heights_.Values(), vertical_, view, GET_WHEEL_DELTA_WPARAM(wParam)), horizontal_);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      SetFocus(window_);
      OnLeftButton(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_ERASEBKGND:
      return 1;  // everything is painted from the off-screen surface
    case WM_PAINT:
      Paint();
      return 0;
    case WM_NOTIFY: {
      // The columns keep the widths the page gives them.
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->hwndFrom == header_ &&
          (header->code == HDN_BEGINTRACKW || header->code == HDN_BEGINTRACKA ||
           header->code == HDN_DIVIDERDBLCLICKW || header->code == HDN_DIVIDERDBLCLICKA))
        return TRUE;
      break;
    }
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

void CMultilineList::CreateHeader() {
  header_ = CreateWindowExW(0, WC_HEADERW, nullptr, WS_CHILD | WS_VISIBLE | HDS_HORZ | HDS_NOSIZING, 0, 0, 0, 0,
                            window_, nullptr, reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window_, GWLP_HINSTANCE)),
                            nullptr);
  if (!header_) return;
  for (int column = 0; column < kColumns; ++column) {
    HDITEMW item{};
    item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
    item.fmt = HDF_LEFT | HDF_STRING;
    item.cxy = widths_[column];
    item.pszText = const_cast<wchar_t*>(headings_[column].c_str());
    SendMessageW(header_, HDM_INSERTITEMW, column, reinterpret_cast<LPARAM>(&item));
  }
}

void CMultilineList::SetFont(HFONT font) {
  font_ = font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  LOGFONTW description{};
  headingFont_.reset();
  if (GetObjectW(font_, sizeof description, &description)) {
    description.lfWeight = FW_BOLD;
    headingFont_.reset(CreateFontIndirectW(&description));
  }
  if (header_) {
    HGDIOBJ heading = headingFont_ ? headingFont_.get() : font_;
    SendMessageW(header_, WM_SETFONT, reinterpret_cast<WPARAM>(heading), TRUE);
  }
  MeasurePadding();
  heights_.Reset(Rows());
  Layout();
  UpdateScrollBars();
}

void CMultilineList::MeasurePadding() {
  platform::WindowDC context(window_);
  if (!context) return;
  HGDIOBJ old = SelectObject(context.get(), font_);
  TEXTMETRICW metrics{};
  if (GetTextMetricsW(context.get(), &metrics)) padding_ = list_layout::PaddingFor(metrics.tmAveCharWidth, metrics.tmHeight);
  SelectObject(context.get(), old);
}

void CMultilineList::SyncHeaderItem(int column) {
  if (!header_) return;
  HDITEMW item{};
  item.mask = HDI_TEXT | HDI_WIDTH;
  item.cxy = widths_[column];
  item.pszText = const_cast<wchar_t*>(headings_[column].c_str());
  SendMessageW(header_, HDM_SETITEMW, column, reinterpret_cast<LPARAM>(&item));
}

void CMultilineList::Layout() {
  if (!header_) {
    headerHeight_ = 0;
    return;
  }
  RECT client{};
  GetClientRect(window_, &client);
  WINDOWPOS place{};
  HDLAYOUT request{&client, &place};
  if (!SendMessageW(header_, HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&request))) return;
  headerHeight_ = place.cy;
  // The heading row scrolls sideways with the cells.
  int width = std::max<int>(client.right + horizontal_, ColumnsWidth());
  SetWindowPos(header_, nullptr, -horizontal_, 0, width, place.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

int CMultilineList::ColumnsWidth() const { return list_layout::Total({widths_.begin(), widths_.end()}); }

RECT CMultilineList::ListArea() const {
  RECT client{};
  GetClientRect(window_, &client);
  client.top = std::min<LONG>(client.bottom, headerHeight_);
  return client;
}

void CMultilineList::MeasureRows() {
  bool missing = false;
  for (int row = 0; row < Rows() && !missing; ++row) missing = !heights_.Known(row);
  if (!missing) return;
  platform::WindowDC context(window_);
  if (!context) return;
  HDC dc = context.get();
  HGDIOBJ old = SelectObject(dc, font_);
  for (int row = 0; row < Rows(); ++row) {
    if (heights_.Known(row)) continue;
    std::vector<int> cellHeights;
    for (int column = 0; column < kColumns; ++column) {
      const std::wstring& textValue = CellText(cells_[row][column]);
      RECT box{0, 0, list_layout::TextWidth(widths_[column], padding_), 0};
      DrawTextW(dc, textValue.c_str(), static_cast<int>(textValue.size()), &box, kMeasureFlags);
      cellHeights.push_back(box.bottom - box.top);
    }
    heights_.Set(row, cellHeights, padding_);
  }
  SelectObject(dc, old);
}

void CMultilineList::UpdateScrollBars() {
  MeasureRows();
  // Showing or hiding one bar resizes the client area, which may call for the other: settle in
  // at most two passes.
  for (int pass = 0; pass < 2; ++pass) {
    RECT area = ListArea();
    int viewHeight = area.bottom - area.top, viewWidth = area.right - area.left;
    int rowsHeight = list_layout::Total(heights_.Values()), columnsWidth = ColumnsWidth();
    vertical_ = list_layout::Clamp(vertical_, rowsHeight, viewHeight);
    horizontal_ = list_layout::Clamp(horizontal_, columnsWidth, viewWidth);
    SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS, 0, std::max(0, rowsHeight - 1),
                    static_cast<UINT>(std::max(0, viewHeight)), vertical_, 0};
    SetScrollInfo(window_, SB_VERT, &info, TRUE);
    info.nMax = std::max(0, columnsWidth - 1);
    info.nPage = static_cast<UINT>(std::max(0, viewWidth));
    info.nPos = horizontal_;
    SetScrollInfo(window_, SB_HORZ, &info, TRUE);
    RECT after = ListArea();
    if (EqualRect(&area, &after)) break;
  }
}

void CMultilineList::ScrollTo(int vertical, int horizontal) {
  bool sideways = horizontal != horizontal_;
  vertical_ = vertical;
  horizontal_ = horizontal;
  UpdateScrollBars();
  if (sideways) Layout();
  InvalidateRect(window_, nullptr, FALSE);
}

void CMultilineList::OnVerticalScroll(int request) {
  MeasureRows();
  const std::vector<int>& heights = heights_.Values();
  RECT area = ListArea();
  int view = area.bottom - area.top;
  int next = vertical_;
  switch (request) {
    case SB_LINEUP: next = list_layout::LineUp(heights, vertical_, view); break;
    case SB_LINEDOWN: next = list_layout::LineDown(heights, vertical_, view); break;
    case SB_PAGEUP: next = list_layout::PageUp(heights, vertical_, view); break;
    case SB_PAGEDOWN: next = list_layout::PageDown(heights, vertical_, view); break;
    case SB_TOP: next = 0; break;
    case SB_BOTTOM: next = list_layout::MaxOffset(list_layout::Total(heights), view); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
      SCROLLINFO info{};
      info.cbSize = sizeof info;
      info.fMask = SIF_TRACKPOS;
      if (GetScrollInfo(window_, SB_VERT, &info)) next = list_layout::Thumb(heights, info.nTrackPos, view);
      break;
    }
    default: return;  // SB_ENDSCROLL
  }
  ScrollTo(next, horizontal_);
}

void CMultilineList::OnHorizontalScroll(int request) {
  RECT area = ListArea();
  int view = area.right - area.left, content = ColumnsWidth();
  int next = horizontal_;
  switch (request) {
    case SB_LINELEFT: next -= list_layout::kHorizontalLine; break;
    case SB_LINERIGHT: next += list_layout::kHorizontalLine; break;
    case SB_PAGELEFT: next -= view; break;
    case SB_PAGERIGHT: next += view; break;
    case SB_LEFT: next = 0; break;
    case SB_RIGHT: next = content; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
      SCROLLINFO info{};
      info.cbSize = sizeof info;
      info.fMask = SIF_TRACKPOS;
      if (GetScrollInfo(window_, SB_HORZ, &info)) next = info.nTrackPos;
      break;
    }
    default: return;
  }
  ScrollTo(vertical_, list_layout::Clamp(next, content, view));
}

void CMultilineList::OnLeftButton(int x, int y) {
  RECT area = ListArea();
  POINT click{x, y};
  if (!PtInRect(&area, click)) return;
  MeasureRows();
  const std::vector<int>& heights = heights_.Values();
  selected_ = list_layout::RowAt(heights, ColumnsWidth(), x - area.left, y - area.top, vertical_, horizontal_);
  int next = list_layout::ScrollIntoView(heights, vertical_, area.bottom - area.top, selected_);
  ScrollTo(next, horizontal_);
  if (HWND parent = GetParent(window_)) {
    WORD id = static_cast<WORD>(GetDlgCtrlID(window_));
    PostMessageW(parent, WM_COMMAND, MAKEWPARAM(id, kSelectedNotification), reinterpret_cast<LPARAM>(window_));
  }
}

void CMultilineList::SetSize(int rows) {
  rows = std::max(0, rows);
  cells_.resize(rows);  // drops the cells beyond the new size; new rows start empty
  if (selected_ >= rows) selected_ = -1;
  heights_.Reset(rows);
  UpdateScrollBars();
  InvalidateRect(window_, nullptr, FALSE);
}

void CMultilineList::SetColumnWidth(int column, int pixels) {
  if (column < 0 || column >= kColumns) return;
  widths_[column] = std::max(1, pixels);
  heights_.Reset(Rows());  // every row wraps anew
  SyncHeaderItem(column);
  Layout();
  UpdateScrollBars();
  InvalidateRect(window_, nullptr, FALSE);
}

void CMultilineList::SetColumnHeading(int column, const std::wstring& textValue) {
  if (column < 0 || column >= kColumns) return;
  headings_[column] = textValue;
  SyncHeaderItem(column);
}

void CMultilineList::SetItemText(int column, int row, const std::wstring& textValue) {
  if (column < 0 || column >= kColumns || row < 0 || row >= Rows()) return;
  cells_[row][column] = textValue;
  heights_.Forget(row);
  UpdateScrollBars();
  InvalidateRect(window_, nullptr, FALSE);
}

std::wstring CMultilineList::ItemText(int column, int row) const {
  if (column < 0 || column >= kColumns || row < 0 || row >= Rows()) return {};
  return cells_[row][column];
}

HPEN CMultilineList::GridPen() {
  COLORREF colour = GetSysColor(COLOR_WINDOWTEXT);
  if (!gridPen_ || colour != gridColour_) {
    gridPen_.reset(CreatePen(PS_SOLID, 1, colour));
    gridColour_ = colour;
  }
  return static_cast<HPEN>(gridPen_.get());
}

bool CMultilineList::EnsureSurface(int width, int height) {
  if (width <= 0 || height <= 0) return false;
  if (surface_ && surfaceBitmap_ && surfaceSize_.cx >= width && surfaceSize_.cy >= height) return true;
  platform::WindowDC screen(window_);
  if (!screen) return false;
  if (!surface_) surface_.reset(CreateCompatibleDC(screen.get()));
  // Grows only: a smaller window keeps using the larger bitmap.
  SIZE size{std::max<LONG>(width, surfaceSize_.cx), std::max<LONG>(height, surfaceSize_.cy)};
  HBITMAP bitmap = surface_ ? CreateCompatibleBitmap(screen.get(), size.cx, size.cy) : nullptr;
  if (!bitmap) return false;
  HGDIOBJ previous = SelectObject(surface_.get(), bitmap);
  if (!surfaceOriginal_) surfaceOriginal_ = previous;
  surfaceBitmap_.reset(bitmap);  // the one it replaces is no longer selected, so it can go
  surfaceSize_ = size;
  return true;
}

void CMultilineList::FreeSurface() {
  if (surface_ && surfaceOriginal_) SelectObject(surface_.get(), surfaceOriginal_);
  surfaceBitmap_.reset();
  surface_.reset();
  surfaceOriginal_ = nullptr;
  surfaceSize_ = {};
}

void CMultilineList::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window_, &ps);
  if (!dc) return;
  MeasureRows();
  RECT area = ListArea();
  int width = area.right - area.left, height = area.bottom - area.top;
  RECT local{0, 0, width, height};
  if (EnsureSurface(width, height)) {
    DrawCells(surface_.get(), local);
    BitBlt(dc, area.left, area.top, width, height, surface_.get(), 0, 0, SRCCOPY);
  } else if (width > 0 && height > 0) {
    // No memory for the surface: draw straight to the screen rather than not at all.
    POINT origin{};
    SetViewportOrgEx(dc, area.left, area.top, &origin);
    DrawCells(dc, local);
    SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
  }
  EndPaint(window_, &ps);
}

void CMultilineList::DrawCells(HDC dc, const RECT& area) {
  FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
  HGDIOBJ oldFont = SelectObject(dc, font_);
  HGDIOBJ oldPen = SelectObject(dc, GridPen());
  int oldMode = SetBkMode(dc, TRANSPARENT);
  COLORREF oldColour = GetTextColor(dc);

  const std::vector<int>& heights = heights_.Values();
  int columnsRight = ColumnsWidth() - horizontal_;
  int top = list_layout::RowTop(heights, list_layout::FirstVisibleRow(heights, vertical_)) - vertical_;
  for (int row = list_layout::FirstVisibleRow(heights, vertical_); row < Rows() && top < area.bottom; ++row) {
    int bottom = top + heights[row];
    bool selected = row == selected_;
    if (selected) {
      RECT band{area.left - horizontal_, top, columnsRight, bottom};
      FillRect(dc, &band, GetSysColorBrush(COLOR_HIGHLIGHT));
    }
    ::SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    int left = -horizontal_;
    for (int column = 0; column < kColumns; ++column) {
      const list_layout::TextBox box = list_layout::CellTextBox(left, top, widths_[column], bottom - top, padding_);
      RECT cell{box.left, box.top, box.right, box.bottom};
      const std::wstring& textValue = CellText(cells_[row][column]);
      DrawTextW(dc, textValue.c_str(), static_cast<int>(textValue.size()), &cell, kDrawFlags);
      left += widths_[column];
    }
    MoveToEx(dc, -horizontal_, bottom - 1, nullptr);
    LineTo(dc, columnsRight, bottom - 1);
    top = bottom;
  }
  // Column dividers down to the last row.
  int rowsBottom = std::min<int>(area.bottom, top);
  int left = -horizontal_;
  for (int column = 0; column < kColumns; ++column) {
    left += widths_[column];
    MoveToEx(dc, left - 1, 0, nullptr);
    LineTo(dc, left - 1, rowsBottom);
  }

  ::SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldFont);
}
