#include "ui/fit_control.h"

#include "core/log_file.h"
#include "platform/handles.h"

void FitControlToText(HWND control, HWND neighbour, HFONT font, LogFile& log) {
  wchar_t textBuffer[261] = {};
  int length = GetWindowTextW(control, textBuffer, 261);
  platform::WindowDC context(control);
  HDC dc = context.get();
  if (!dc) {
    log.WriteLine(L"Unable to retrive device context.");
    return;
  }
  HFONT use = font ? font : reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  HGDIOBJ old = use ? SelectObject(dc, use) : nullptr;
  SIZE extent{};
  GetTextExtentPoint32W(dc, textBuffer, length, &extent);
  if (old) SelectObject(dc, old);

  RECT rc{};
  GetWindowRect(control, &rc);
  int width = rc.right - rc.left;
  if (extent.cx <= width) return;
  int grow = extent.cx - width + 5;
  HWND parent = GetParent(control);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
  SetWindowPos(control, nullptr, 0, 0, width + grow, rc.bottom - rc.top, SWP_NOMOVE | SWP_NOZORDER);
  if (neighbour) {
    RECT nr{};
    GetWindowRect(neighbour, &nr);
    MapWindowPoints(nullptr, GetParent(neighbour), reinterpret_cast<POINT*>(&nr), 2);
    SetWindowPos(neighbour, nullptr, nr.left + grow, nr.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }
}
