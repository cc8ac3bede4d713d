// The wizard's colours: the design's on the normal scheme, the system's in high contrast, and never
// a text its background swallows (a scheme that only changes the system colours, as Wine's does,
// still gets readable pages).
#pragma once

#include <windows.h>

#include "core/platform_kind.h"

// The system colours the choice depends on.
struct SystemColours {
  COLORREF window = RGB(255, 255, 255);
  COLORREF windowText = RGB(0, 0, 0);
  COLORREF highlight = RGB(0, 120, 215);
  COLORREF buttonFace = RGB(240, 240, 240);
  COLORREF buttonShadow = RGB(160, 160, 160);
};

struct PageColours {
  COLORREF background;  // the pages, their rich texts and the question dialog
  COLORREF text;
  COLORREF title;       // an on-premises product's titles and every page's own title
  COLORREF quietTitle;  // the install and finish titles of other products
  COLORREF warning;
  COLORREF separator;   // lines between parts of a page
  COLORREF band;        // the question dialog's button band

  COLORREF TitleFor(PlatformKind kind) const { return kind == PlatformKind::OnPremises ? title : quietTitle; }
  bool operator==(const PageColours&) const = default;
};

// The WCAG contrast ratio of two colours, 1 (the same) to 21 (black on white).
double ContrastRatio(COLORREF a, COLORREF b);
// The colour itself when it stands out enough from the background for text, otherwise the fallback.
COLORREF ReadableOn(COLORREF colour, COLORREF background, COLORREF fallback);

PageColours ChoosePageColours(bool highContrast, const SystemColours& system);

// The colours of the scheme in use now.
PageColours CurrentPageColours();
// A brush of the current page background, made again only when that colour changes.
HBRUSH PageBackgroundBrush();
// The page's etched separator lines become owner-drawn statics, which DrawPageSeparator draws in
// the separator colour: the system's etched edge uses the 3-D colours, which a scheme may make
// the page's own.
void DrawSeparatorsInPageColours(HWND page);
void DrawPageSeparator(const DRAWITEMSTRUCT& item);
