#include "ui/page_colours.h"

#include <algorithm>
#include <cmath>

#include "platform/handles.h"

namespace {

constexpr COLORREF kDesignWhite = RGB(255, 255, 255);
// The separator is the etched line's, which the system colours give.
constexpr PageColours kDesign{kDesignWhite,   RGB(0, 0, 0),       RGB(0, 51, 153), RGB(117, 117, 117),
                              RGB(255, 0, 0), RGB(160, 160, 160), RGB(240, 240, 240)};
// Normal-size text needs 4.5:1 (WCAG AA).
constexpr double kReadableRatio = 4.5;

double Linear(int channel) {
  const double c = channel / 255.0;
  return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(COLORREF colour) {
  return 0.2126 * Linear(GetRValue(colour)) + 0.7152 * Linear(GetGValue(colour)) + 0.0722 * Linear(GetBValue(colour));
}

}  // namespace

double ContrastRatio(COLORREF a, COLORREF b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

COLORREF ReadableOn(COLORREF colour, COLORREF background, COLORREF fallback) {
  return ContrastRatio(colour, background) >= kReadableRatio ? colour : fallback;
}

PageColours ChoosePageColours(bool highContrast, const SystemColours& system) {
  // On the white it was drawn for, the design stands as it is (its grey line and its red included).
  if (!highContrast && system.window == kDesignWhite) {
    PageColours design = kDesign;
    design.separator = system.buttonShadow;
    return design;
  }
  PageColours chosen{};
  chosen.background = system.window;
  chosen.band = system.buttonFace;
  const COLORREF fallback = system.windowText;
  const auto readable = [&](COLORREF colour) { return ReadableOn(colour, system.window, fallback); };
  if (highContrast) {
    chosen.text = chosen.warning = chosen.separator = system.windowText;
    chosen.title = chosen.quietTitle = readable(system.highlight);
  } else {
    chosen.text = readable(kDesign.text);
    chosen.title = readable(kDesign.title);
    chosen.quietTitle = readable(kDesign.quietTitle);
    chosen.warning = readable(kDesign.warning);
    chosen.separator = readable(system.buttonShadow);
  }
  return chosen;
}

PageColours CurrentPageColours() {
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof(contrast);
  const bool on = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
                  (contrast.dwFlags & HCF_HIGHCONTRASTON);
  SystemColours system;
  system.window = GetSysColor(COLOR_WINDOW);
  system.windowText = GetSysColor(COLOR_WINDOWTEXT);
  system.highlight = GetSysColor(COLOR_HIGHLIGHT);
  system.buttonFace = GetSysColor(COLOR_BTNFACE);
  system.buttonShadow = GetSysColor(COLOR_BTNSHADOW);
  return ChoosePageColours(on, system);
}

HBRUSH PageBackgroundBrush() {
  // The wizard's thread alone paints pages.
  static platform::GdiObject brush;
  static COLORREF colour = CLR_INVALID;
  const COLORREF now = CurrentPageColours().background;
  if (!brush || now != colour) {
    brush.reset(CreateSolidBrush(now));
    colour = now;
  }
  return static_cast<HBRUSH>(brush.get());
}

void DrawSeparatorsInPageColours(HWND page) {
  for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    wchar_t kind[16] = {};
    GetClassNameW(child, kind, 16);
    if (_wcsicmp(kind, L"Static") != 0 || ((style & SS_TYPEMASK) != SS_ETCHEDHORZ && (style & SS_TYPEMASK) != SS_ETCHEDVERT))
      continue;
    // The etched look may be the static edge of its frame, leaving no client area to draw in.
    SetWindowLongW(child, GWL_STYLE, (style & ~SS_TYPEMASK) | SS_OWNERDRAW);
    SetWindowLongW(child, GWL_EXSTYLE, GetWindowLongW(child, GWL_EXSTYLE) & ~WS_EX_STATICEDGE);
    SetWindowPos(child, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
}

void DrawPageSeparator(const DRAWITEMSTRUCT& item) {
  FillRect(item.hDC, &item.rcItem, PageBackgroundBrush());
  // One line where the etched edge has its dark one: along the top, or down the left of a tall one.
  RECT line = item.rcItem;
  if (line.bottom - line.top > line.right - line.left)
    line.right = line.left + 1;
  else
    line.bottom = line.top + 1;
  platform::GdiObject ink(CreateSolidBrush(CurrentPageColours().separator));
  if (ink) FillRect(item.hDC, &line, static_cast<HBRUSH>(ink.get()));
}
