// Read-only rich edits of the pages: the page background, the wizard font and a text colour.
#pragma once

#include <windows.h>

#include <string>

void SetRichText(HWND control, const std::wstring& text, HFONT font, COLORREF colour);
