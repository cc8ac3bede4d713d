#include "ui/rich_text.h"

#include <richedit.h>

#include "ui/page_colours.h"

void SetRichText(HWND control, const std::wstring& text, HFONT font, COLORREF colour) {
  if (!control) return;
  SendMessageW(control, EM_SETBKGNDCOLOR, 0, CurrentPageColours().background);
  if (font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SetWindowTextW(control, text.c_str());
  CHARFORMAT2W format{};
  format.cbSize = sizeof(format);
  format.dwMask = CFM_COLOR;
  format.crTextColor = colour;
  SendMessageW(control, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
  InvalidateRect(control, nullptr, TRUE);
}
