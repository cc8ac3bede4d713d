// The wizard's page templates at a smaller font: on a screen whose work area cannot hold the
// sheet at the system's DPI, the pages are laid out from a smaller dialog font, so the sheet fits
// and keeps its proportions (every dialog unit follows the font).
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <vector>

// Where an extended dialog template (DLGTEMPLATEEX) keeps its font's point size; 0 when the bytes
// are no such template or it names no font.
size_t FontPointsOffset(const BYTE* data, size_t size);
// A copy of the template with its font's point size replaced and its size scaled by `from` to `to`
// (the sheet sizes a page by its template's size in the sheet's own dialog units, while the page
// lays out its controls in its font's); empty when it has no font.
std::vector<BYTE> WithFontPoints(const BYTE* data, size_t size, WORD points, SIZE from = {1, 1}, SIZE to = {1, 1});

// The largest point size, from `designPoints` down to `smallestPoints`, at which the sheet
// (a page of pageSize(points) plus the sheet's own frame and buttons) fits the work area; the
// smallest when none does.
WORD FittingFontPoints(WORD designPoints, WORD smallestPoints, const std::function<SIZE(WORD points)>& pageSize,
                       SIZE sheetExtra, SIZE workArea);

// The client size of a page made from the template with the given font, measured on a hidden
// window; {0, 0} when it cannot be made.
SIZE MeasurePage(HMODULE module, UINT templateId, WORD points);
