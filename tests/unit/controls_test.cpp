// The wizard's own controls: the table's layout and scrolling rules, picture sizes and GIF frames
// on plain numbers and bytes; pictures loaded from real files; the windows themselves where the
// system can create them (skipped under Wine without a display).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixtures.h"
#include "platform/handles.h"
#include "ui/gif_frames.h"
#include "ui/list_layout.h"
#include "ui/multiline_list.h"
#include "ui/picture_ex.h"
#include "ui/picture_scale.h"
#include "ui/window_placement.h"
#include "ui/zem_static.h"

namespace {

using namespace list_layout;

// ---- Table arithmetic ----

TEST(WindowPlacement, CentredOnTheWorkAreaWithItsCornerNeverOffIt) {
  const RECT work{0, 0, 1366, 728};  // a 1366x768 screen less its task bar
  const struct {
    int width, height;
    LONG x, y;
  } rows[] = {{500, 400, 433, 164}, {1366, 728, 0, 0}, {800, 1083, 283, 0}, {1500, 900, 0, 0}};
  for (const auto& row : rows) {
    const POINT at = CentredIn(work, row.width, row.height);
    EXPECT_EQ(row.x, at.x) << row.width << "x" << row.height;
    EXPECT_EQ(row.y, at.y) << row.width << "x" << row.height;
  }
  EXPECT_EQ(1966, CentredIn(RECT{1920, 0, 3840, 1040}, 1828, 900).x);  // a second monitor's own area
}

TEST(ListLayout, RowHeightIsTheTallestCellPlusPadding) {
  const CellPadding padding{3, 2};
  struct Case {
    std::vector<int> cells;
    int expected;
  } cases[] = {{{13, 39}, 44}, {{26, 13}, 31}, {{}, 5}};
  for (const Case& c : cases) EXPECT_EQ(RowHeight(c.cells, padding), c.expected) << c.cells.size();
  EXPECT_EQ(TextWidth(100, padding), 93);
  EXPECT_EQ(TextWidth(3, padding), 1) << "a narrow column still wraps into a positive width";
}

// The text of a cell, at the font sizes of 96 and 192 DPI and a tiny one, keeps clear of the
// cell's grid lines (its last pixel column and row) on every side, and the row is tall enough.
TEST(ListLayout, CellTextKeepsClearOfTheGridLines) {
  const struct {
    int averageCharWidth, lineHeight;
    CellPadding expected;
  } fonts[] = {{7, 15, {3, 3}}, {14, 30, {7, 7}}, {2, 4, {2, 2}}};
  for (const auto& font : fonts) {
    const CellPadding padding = PaddingFor(font.averageCharWidth, font.lineHeight);
    EXPECT_EQ(padding.horizontal, font.expected.horizontal) << font.lineHeight;
    EXPECT_EQ(padding.vertical, font.expected.vertical) << font.lineHeight;
    const int width = 120, height = RowHeight({font.lineHeight}, padding);
    const TextBox box = CellTextBox(40, 100, width, height, padding);
    EXPECT_GT(box.left, 40) << font.lineHeight;                    // the divider on the left
    EXPECT_LT(box.right, 40 + width - 1) << font.lineHeight;       // its own divider
    EXPECT_GT(box.top, 100) << font.lineHeight;                    // the line above
    EXPECT_LT(box.bottom, 100 + height - 1) << font.lineHeight;    // its own line
    EXPECT_GE(box.bottom - box.top, font.lineHeight) << "the measured text fits its box";
    EXPECT_EQ(box.right - box.left, TextWidth(width, padding)) << "drawn as wide as measured";
  }
}

enum class Request { LineDown, LineUp, PageDown, PageUp, Thumb, WheelTowards, WheelAway };

int Apply(Request r, const std::vector<int>& heights, int offset, int view) {
  switch (r) {
    case Request::LineDown: return LineDown(heights, offset, view);
    case Request::LineUp: return LineUp(heights, offset, view);
    case Request::PageDown: return PageDown(heights, offset, view);
    case Request::PageUp: return PageUp(heights, offset, view);
    case Request::Thumb: return Thumb(heights, offset, view);
    case Request::WheelTowards: return Wheel(heights, offset, view, -WHEEL_DELTA);
    case Request::WheelAway: return Wheel(heights, offset, view, WHEEL_DELTA);
  }
  return -1;
}

TEST(ListLayout, ScrollRequestsMoveByRowsAndPagesWithinTheRows) {
  const std::vector<int> rows = {20, 30, 50, 10};  // 110 high; in a 40-pixel view the last offset is 70
  struct Case {
    Request request;
    std::vector<int> heights;
    int offset, view, expected;
  } cases[] = {
      {Request::LineDown, rows, 0, 40, 20},
      {Request::LineDown, rows, 20, 40, 50},
      {Request::LineDown, rows, 10, 40, 30},  // from inside row 0: that row's height
      {Request::LineDown, rows, 50, 40, 70},  // row 2 would pass the end
      {Request::LineDown, rows, 70, 40, 70},  // the rest already fits
      {Request::LineUp, rows, 0, 40, 0},
      {Request::LineUp, rows, 10, 40, 0},     // first row: its own height, stopped at 0
      {Request::LineUp, rows, 20, 40, 0},
      {Request::LineUp, rows, 70, 40, 40},    // the row before row 2
      {Request::PageDown, rows, 0, 40, 40},
      {Request::PageDown, rows, 50, 40, 70},
      {Request::PageUp, rows, 30, 40, 0},
      {Request::PageUp, rows, 70, 40, 30},
      {Request::Thumb, rows, 55, 40, 55},
      {Request::Thumb, rows, 500, 40, 70},
      {Request::Thumb, rows, -5, 40, 0},
      {Request::WheelTowards, rows, 0, 40, 20},
      {Request::WheelAway, rows, 20, 40, 0},
      {Request::LineDown, {10, 10}, 0, 40, 0},  // everything fits: nothing moves
      {Request::PageDown, {10, 10}, 0, 40, 0},
      {Request::LineDown, {}, 0, 40, 0},
      {Request::LineUp, {}, 0, 40, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Apply(c.request, c.heights, c.offset, c.view), c.expected)
        << "request " << static_cast<int>(c.request) << " from " << c.offset;
}

TEST(ListLayout, ClickFindsTheRowUnderThePointer) {
  const std::vector<int> rows = {20, 30};  // columns 200 wide
  struct Case {
    int x, y, vertical, horizontal, expected;
  } cases[] = {
      {5, 0, 0, 0, 0},    {5, 19, 0, 0, 0},    {5, 20, 0, 0, 1},   {5, 49, 0, 0, 1},
      {5, 50, 0, 0, -1},  // below the last row
      {5, -1, 0, 0, -1},  {199, 5, 0, 0, 0},   {200, 5, 0, 0, -1},  // right of the columns
      {5, 0, 20, 0, 1},   {149, 5, 0, 50, 0},  {150, 5, 0, 50, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RowAt(rows, 200, c.x, c.y, c.vertical, c.horizontal), c.expected)
        << c.x << "," << c.y << " scrolled " << c.vertical << "," << c.horizontal;
}

TEST(ListLayout, SelectedRowIsScrolledIntoView) {
  const std::vector<int> rows = {20, 30, 50, 10};
  struct Case {
    int row, offset, expected;
  } cases[] = {
      {0, 30, 0},   // above: to its top
      {1, 0, 10},   // below: its bottom at the view's bottom
      {2, 0, 50},   // taller than the view: to its top
      {3, 0, 70},
      {1, 15, 15},  // already visible
      {-1, 15, 15}, {9, 15, 15},
  };
  for (const Case& c : cases) EXPECT_EQ(ScrollIntoView(rows, c.offset, 40, c.row), c.expected) << "row " << c.row;
}

// ---- Picture sizes ----

TEST(PictureScale, OnlyA96DpiScreenLeavesPicturesAlone) {
  struct Case {
    int x, y;
    bool scale;
  } cases[] = {{96, 96, false}, {120, 120, true}, {96, 120, true}, {144, 96, true}};
  for (const Case& c : cases) EXPECT_EQ(picture_scale::NeedsScaling(c.x, c.y), c.scale) << c.x << "x" << c.y;
}

TEST(PictureScale, SizesFollowTheScreenAndThePage) {
  SIZE at96 = picture_scale::HimetricToPixels({13150, 1535}, 96, 96);
  EXPECT_EQ(at96.cx, 497);
  EXPECT_EQ(at96.cy, 58);
  SIZE at120 = picture_scale::HimetricToPixels({13150, 1535}, 120, 144);
  EXPECT_EQ(at120.cx, 621);
  EXPECT_EQ(at120.cy, 87);

  struct Case {
    int pageWidth, pageHeight;
    SIZE expected;  // of a 497 x 58 picture
  } cases[] = {{744, 561, {497, 58}},   {930, 701, {621, 72}}, {1488, 1122, {994, 116}},
               {1570, 1050, {930, 109}}, {1208, 831, {736, 86}}, {0, 561, {497, 58}}, {0, 0, {497, 58}}};
  for (const Case& c : cases) {
    SIZE scaled = picture_scale::Scaled({497, 58}, picture_scale::PageFactors(c.pageWidth, c.pageHeight));
    EXPECT_EQ(scaled.cx, c.expected.cx) << c.pageWidth;
    EXPECT_EQ(scaled.cy, c.expected.cy) << c.pageHeight;
  }
}

// ---- GIF frames ----

std::string BuiltFile(const wchar_t* name) {
  return test_files::ReadShared(test_files::ExecutableFolder() + name);
}

// two_frames.gif: a 6 x 4 screen, a red frame over all of it (0.2 s), a blue 3 x 2 frame at 2,1 (0.35 s).
class GifTest : public testing::Test {
 protected:
  void SetUp() override {
    gif_ = BuiltFile(L"two_frames.gif");
    ASSERT_FALSE(gif_.empty()) << "two_frames.gif is made by the controls_pictures target";
  }
  std::string gif_;
};

TEST_F(GifTest, EveryFrameBecomesAGifOfItsOwn) {
  gif::Animation animation = gif::Split(gif_.data(), gif_.size());
  EXPECT_EQ(animation.width, 6);
  EXPECT_EQ(animation.height, 4);
  ASSERT_EQ(animation.frames.size(), 2u);
  struct Expected {
    int left, top, width, height, delayMs;
  } expected[] = {{0, 0, 6, 4, 200}, {2, 1, 3, 2, 350}};
  for (size_t i = 0; i < 2; ++i) {
    const gif::Frame& frame = animation.frames[i];
    EXPECT_EQ(frame.left, expected[i].left) << i;
    EXPECT_EQ(frame.top, expected[i].top) << i;
    EXPECT_EQ(frame.width, expected[i].width) << i;
    EXPECT_EQ(frame.height, expected[i].height) << i;
    EXPECT_EQ(frame.delayMs, expected[i].delayMs) << i;
    // The frame's own GIF: one image, as large as the screen, at its origin, with the same delay.
    gif::Animation alone = gif::Split(frame.bytes.data(), frame.bytes.size());
    ASSERT_EQ(alone.frames.size(), 1u) << i;
    EXPECT_EQ(alone.width, frame.width) << i;
    EXPECT_EQ(alone.height, frame.height) << i;
    EXPECT_EQ(alone.frames[0].left, 0) << i;
    EXPECT_EQ(alone.frames[0].top, 0) << i;
    EXPECT_EQ(alone.frames[0].delayMs, frame.delayMs) << i;
    EXPECT_EQ(frame.bytes.back(), 0x3B) << i;
  }
}

TEST_F(GifTest, NoOrTinyDelayShowsTheFrameForATenthOfASecond) {
  size_t control = gif_.find("\x21\xF9\x04");
  ASSERT_NE(control, std::string::npos);
  struct Case {
    int centiseconds, expectedMs;
  } cases[] = {{0, gif::kDefaultDelayMs}, {1, gif::kDefaultDelayMs}, {2, 20}, {300, 3000}};
  for (const Case& c : cases) {
    std::string patched = gif_;
    patched[control + 4] = static_cast<char>(c.centiseconds & 0xFF);
    patched[control + 5] = static_cast<char>(c.centiseconds >> 8);
    gif::Animation animation = gif::Split(patched.data(), patched.size());
    ASSERT_FALSE(animation.frames.empty());
    EXPECT_EQ(animation.frames[0].delayMs, c.expectedMs) << c.centiseconds;
  }
}

TEST_F(GifTest, CutShortDataKeepsOnlyWholeFrames) {
  size_t whole = gif::Split(gif_.data(), gif_.size()).frames.size();
  size_t previous = 0;
  for (size_t length = 0; length < gif_.size(); ++length) {
    gif::Animation animation = gif::Split(gif_.data(), length);
    EXPECT_LE(animation.frames.size(), whole) << length;
    EXPECT_GE(animation.frames.size(), previous) << length;  // a longer prefix never loses a frame
    previous = animation.frames.size();
    for (const gif::Frame& frame : animation.frames) EXPECT_EQ(frame.bytes.back(), 0x3B) << length;
  }
  // A wrong block length inside the first image ends the parse there.
  std::string broken = gif_;
  broken[gif_.find('\x2C') + 11] = '\x7F';
  EXPECT_TRUE(gif::Split(broken.data(), broken.size()).frames.empty());
  EXPECT_FALSE(gif::HasSignature("GI", 2));
  EXPECT_FALSE(gif::HasSignature("\xFF\xD8\xFF", 3));
}

// ---- Pictures loaded through OLE ----

class PictureTest : public testing::Test {
 protected:
  void SetUp() override {
    library_.reset(LoadLibraryExW((test_files::ExecutableFolder() + L"Rizodresources.dll").c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(library_) << "Rizodresources.dll is built by the Rizod_resources target";
    HDC screen = GetDC(nullptr);
    dpi96_ = screen && GetDeviceCaps(screen, LOGPIXELSX) == 96 && GetDeviceCaps(screen, LOGPIXELSY) == 96;
    if (screen) ReleaseDC(nullptr, screen);
  }
  platform::Library library_;
  bool dpi96_ = false;
};

TEST_F(PictureTest, JpegResourcesLoadWithTheirPixelSize) {
  struct Case {
    UINT id;
    int width, height;  // as cmake/samples.cmake draws them
  } cases[] = {{1012, 1000, 66}, {1013, 164, 314}};
  for (const Case& c : cases) {
    CPictureEx picture;
    ASSERT_TRUE(picture.LoadFromResource(library_.get(), c.id)) << c.id;
    EXPECT_TRUE(picture.Loaded());
    EXPECT_FALSE(picture.Animated());
    EXPECT_EQ(picture.Scaling(), !dpi96_);
    if (dpi96_) {
      EXPECT_EQ(picture.Size().cx, c.width) << c.id;
      EXPECT_EQ(picture.Size().cy, c.height) << c.id;
    }
    EXPECT_FALSE(picture.Draw()) << "no control to draw into";
  }
}

TEST_F(PictureTest, MissingOrUnreadablePicturesLeaveTheControlEmpty) {
  CPictureEx picture;
  ASSERT_TRUE(picture.LoadFromResource(library_.get(), 1012));
  EXPECT_FALSE(picture.LoadFromResource(library_.get(), 4242));
  EXPECT_FALSE(picture.Loaded());
  EXPECT_EQ(picture.Size().cx, 0);

  const std::string notAPicture = "this is text, not a picture";
  EXPECT_FALSE(picture.Load(notAPicture.data(), notAPicture.size()));
  EXPECT_FALSE(picture.Load("GIF89a", 6));
  EXPECT_FALSE(picture.Load(nullptr, 0));
  EXPECT_FALSE(picture.Loaded());
  EXPECT_FALSE(picture.Draw());
}

TEST_F(PictureTest, AnimatedGifLoadsEveryFrame) {
  std::string gif = BuiltFile(L"two_frames.gif");
  ASSERT_FALSE(gif.empty());
  CPictureEx picture;
  ASSERT_TRUE(picture.Load(gif.data(), gif.size()));
  EXPECT_TRUE(picture.Animated());
  EXPECT_EQ(picture.Size().cx, 6);
  EXPECT_EQ(picture.Size().cy, 4);
}

// ---- Windows (only where they can be created) ----

class WindowTest : public testing::Test {
 protected:
  void SetUp() override {
    parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr, nullptr, nullptr);
    if (!parent_) GTEST_SKIP() << "windows cannot be created here (error " << GetLastError() << ")";
  }
  void TearDown() override {
    if (parent_) DestroyWindow(parent_);
  }
  HWND parent_ = nullptr;
};

std::wstring WindowText(HWND window) {
  wchar_t buffer[512] = {};
  GetWindowTextW(window, buffer, 512);
  return buffer;
}

// Measured in a real window with a real font: what shows fits the control and ends with the last
// folder name; the window text, what a screen reader reads, is always the whole folder.
TEST_F(WindowTest, FolderTooltipOnlyForAShortenedFolder) {
  HWND label = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 10, 200, 20, parent_, nullptr, nullptr,
                               nullptr);
  const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  ZEMStatic folder;
  folder.SetText(L"C:\\Program Files\\Orvanta\\Rizod");  // before the window
  folder.Attach(label, font);
  ASSERT_NE(folder.Tooltip(), nullptr);
  EXPECT_TRUE(GetWindowLongPtrW(label, GWL_STYLE) & SS_NOTIFY);
  platform::WindowDC dc(label);
  ASSERT_TRUE(dc);
  SelectObject(dc.get(), font);
  const auto widthOf = [&dc](const std::wstring& text) {
    SIZE size{};
    GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
    return static_cast<int>(size.cx);
  };

  struct Case {
    std::wstring full, tail;
    bool shortened, wraps;
  } cases[] = {
      {L"C:\\Rizod", L"C:\\Rizod", false, false},
      {L"C:\\Program Files (x86)\\Orvanta\\Document Server\\Rizod Suite", L"...\\Rizod Suite", true, false},
      {L"C:\\Apps\\" + std::wstring(60, L'W'), L"C:\\Apps\\" + std::wstring(60, L'W'), false, true},
      {L"C:\\Rizod\\", L"C:\\Rizod\\", false, false},  // and back to one line
  };
  for (const Case& c : cases) {
    folder.SetText(c.full);
    const std::wstring& shown = folder.Displayed();
    EXPECT_EQ(folder.TooltipActive(), c.shortened) << text::ToUtf8(c.full);
    EXPECT_EQ(folder.Wraps(), c.wraps) << text::ToUtf8(c.full);
    EXPECT_EQ(WindowText(label), c.full);
    ASSERT_GE(shown.size(), c.tail.size());
    EXPECT_EQ(shown.substr(shown.size() - c.tail.size()), c.tail) << text::ToUtf8(shown);
    RECT area{};
    GetClientRect(label, &area);
    if (c.wraps) {
      EXPECT_GT(area.bottom, 20) << "the last name goes on more lines";
    } else {
      EXPECT_LE(widthOf(shown), 200) << text::ToUtf8(shown);
      EXPECT_EQ(area.bottom, 20) << text::ToUtf8(shown);
    }
    wchar_t tip[512] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = label;
    tool.uId = 1;
    tool.lpszText = tip;
    SendMessageW(folder.Tooltip(), TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(std::wstring(tip), c.shortened ? c.full : L"") << text::ToUtf8(c.full);
  }
  DestroyWindow(label);
  EXPECT_EQ(folder.Tooltip(), nullptr) << "the tooltip goes with its static";
}

TEST_F(WindowTest, AnimationStopsWithItsControl) {
  std::string gif = BuiltFile(L"two_frames.gif");
  HWND control = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 6, 4, parent_, nullptr, nullptr,
                                 nullptr);
  CPictureEx picture;
  picture.Attach(control);
  ASSERT_TRUE(picture.Load(gif.data(), gif.size()));
  ASSERT_TRUE(picture.Draw());
  // Let a frame change or two happen, painting as they come.
  for (DWORD until = GetTickCount() + 600; GetTickCount() < until; Sleep(20)) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  DWORD before = GetTickCount();
  DestroyWindow(control);
  EXPECT_LT(GetTickCount() - before, 1000u) << "the drawing thread did not stop with the control";
  EXPECT_FALSE(picture.Draw()) << "no control any more";
}

class ListWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_TRUE(CMultilineList::Register(GetModuleHandleW(nullptr)));
    ASSERT_TRUE(CMultilineList::Register(GetModuleHandleW(nullptr))) << "a second registration is no failure";
    // Created under another module, as a page template of a product's resource library makes it.
    HMODULE other = GetModuleHandleW(L"kernel32.dll");
    window_ = CreateWindowExW(0, CMultilineList::kClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 240, 120, parent_,
                              reinterpret_cast<HMENU>(2033), other, nullptr);
    ASSERT_NE(window_, nullptr) << GetLastError();
    list_ = CMultilineList::FromWindow(window_);
    ASSERT_NE(list_, nullptr);
  }
  RECT HeaderRect() {
    RECT r{};
    GetWindowRect(list_->Header(), &r);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  HWND window_ = nullptr;
  CMultilineList* list_ = nullptr;
};

TEST_F(ListWindowTest, SetSizeKeepsCellsInsideAndClearsThoseOutside) {
  list_->SetSize(3);
  for (int row = 0; row < 3; ++row)
    for (int column = 0; column < 2; ++column) list_->SetItemText(column, row, text::Format(L"%d/%d", column, row));
  list_->SetItemText(2, 0, L"no third column");
  list_->SetItemText(0, 3, L"no fourth row");
  list_->SetSize(1);
  EXPECT_EQ(list_->Rows(), 1);
  list_->SetSize(3);
  EXPECT_EQ(list_->ItemText(0, 0), L"0/0");
  EXPECT_EQ(list_->ItemText(1, 0), L"1/0");
  for (int row : {1, 2})
    for (int column : {0, 1}) EXPECT_EQ(list_->ItemText(column, row), L"") << column << "/" << row;
  EXPECT_EQ(list_->ItemText(2, 0), L"");
}

TEST_F(ListWindowTest, ClickSelectsTheRowAndTellsTheParent) {
  list_->SetSize(8);
  list_->SetColumnWidth(0, 80);
  list_->SetColumnWidth(1, 120);
  for (int row = 0; row < 8; ++row) {
    list_->SetItemText(0, row, L"Rizod Server");
    list_->SetItemText(1, row, L"Installed, and a longer outcome that wraps onto more lines");
  }
  int below = HeaderRect().bottom;
  struct Case {
    int x, y, expected;
  } cases[] = {{5, below + 2, 0}, {210, below + 2, -1} /* right of the columns */};
  for (const Case& c : cases) {
    SendMessageW(window_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.x, c.y));
    EXPECT_EQ(list_->SelectedRow(), c.expected) << c.x;
    MSG posted{};
    ASSERT_TRUE(PeekMessageW(&posted, parent_, WM_COMMAND, WM_COMMAND, PM_REMOVE)) << c.x;
    EXPECT_EQ(LOWORD(posted.wParam), 2033);
    EXPECT_EQ(HIWORD(posted.wParam), CMultilineList::kSelectedNotification);
    EXPECT_EQ(reinterpret_cast<HWND>(posted.lParam), window_);
  }

  // Eight wrapped rows do not fit: scrolling moves by a row, and the bar follows.
  SendMessageW(window_, WM_VSCROLL, SB_LINEDOWN, 0);
  int afterLine = list_->VerticalOffset();
  EXPECT_GT(afterLine, 0);
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_POS;
  ASSERT_TRUE(GetScrollInfo(window_, SB_VERT, &info));
  EXPECT_EQ(info.nPos, afterLine);
  // Clicking the first visible row's top pixel picks row 1 and keeps the view where it is.
  SendMessageW(window_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, below));
  EXPECT_EQ(list_->SelectedRow(), 1);
  EXPECT_EQ(list_->VerticalOffset(), afterLine);
  // Shrinking the table drops a selection that no longer exists.
  list_->SetSize(1);
  EXPECT_EQ(list_->SelectedRow(), -1);
  EXPECT_EQ(list_->VerticalOffset(), 0);
  UpdateWindow(window_);  // paints through the off-screen surface
}

}  // namespace
