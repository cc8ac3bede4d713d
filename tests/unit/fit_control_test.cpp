// Fitting a control to its text: real windows, skipped where the system cannot create them
// (Wine without a display).
#include <windows.h>

#include <gtest/gtest.h>

#include "fakes/memory_log.h"
#include "ui/fit_control.h"

namespace {

class FitControlTest : public testing::Test {
 protected:
  void SetUp() override {
    parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 800, 200, nullptr, nullptr, nullptr, nullptr);
    if (!parent_) GTEST_SKIP() << "windows cannot be created here (error " << GetLastError() << ")";
    font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    bigFont_ = CreateFontW(40, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial");
  }
  void TearDown() override {
    if (parent_) DestroyWindow(parent_);
    if (bigFont_) DeleteObject(bigFont_);
  }
  HWND Child(const wchar_t* textValue, int x, int width) {
    return CreateWindowExW(0, L"STATIC", textValue, WS_CHILD, x, 10, width, 20, parent_, nullptr, nullptr, nullptr);
  }
  int TextWidth(HWND control, HFONT font) {
    wchar_t buffer[261] = {};
    int length = GetWindowTextW(control, buffer, 261);
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE extent{};
    GetTextExtentPoint32W(dc, buffer, length, &extent);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return extent.cx;
  }
  RECT Place(HWND control) {
    RECT rc{};
    GetWindowRect(control, &rc);
    MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
  }
  HWND parent_ = nullptr;
  HFONT font_ = nullptr;
  HFONT bigFont_ = nullptr;
  MemoryLog log_;
};

TEST_F(FitControlTest, FittingTextChangesNothing) {
  HWND probe = Child(L"Next", 20, 10);
  int needed = TextWidth(probe, font_);
  ASSERT_GT(needed, 0);
  for (int width : {needed, needed + 30}) {
    HWND control = Child(L"Next", 20, width);
    HWND neighbour = Child(L"Cancel", 20 + width + 10, 60);
    RECT before = Place(control), neighbourBefore = Place(neighbour);
    FitControlToText(control, neighbour, font_, log_);
    RECT after = Place(control), neighbourAfter = Place(neighbour);
    EXPECT_TRUE(EqualRect(&before, &after)) << "width " << width;
    EXPECT_TRUE(EqualRect(&neighbourBefore, &neighbourAfter)) << "width " << width;
  }
}

TEST_F(FitControlTest, WideTextWidensTheControlAndMovesTheNeighbour) {
  struct Case {
    bool passFont;  // else the control's own font is measured
    bool neighbour;
  } cases[] = {{true, true}, {false, true}, {true, false}};
  for (const Case& c : cases) {
    HWND control = Child(L"A text that is much too wide for its control", 20, 30);
    HFONT measured = c.passFont ? font_ : bigFont_;
    if (!c.passFont) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(bigFont_), FALSE);
    HWND neighbour = c.neighbour ? Child(L"Browse", 60, 50) : nullptr;
    int needed = TextWidth(control, measured);
    ASSERT_GT(needed, 30);
    int grow = needed - 30 + 5;
    RECT before = Place(control);
    FitControlToText(control, neighbour, c.passFont ? font_ : nullptr, log_);
    RECT after = Place(control);
    EXPECT_EQ(after.left, before.left) << c.passFont;
    EXPECT_EQ(after.top, before.top) << c.passFont;
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top) << c.passFont;
    EXPECT_EQ(after.right - after.left, 30 + grow) << c.passFont;
    if (neighbour) {
      RECT moved = Place(neighbour);
      EXPECT_EQ(moved.left, 60 + grow) << c.passFont;
      EXPECT_EQ(moved.top, 10);
      EXPECT_EQ(moved.right - moved.left, 50);
    }
  }
}

}  // namespace
