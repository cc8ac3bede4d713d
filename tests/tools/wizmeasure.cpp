// wizmeasure.dll: loaded into the wizard's process through wizdriver's message hook, it measures
// the text of each visible control of a page with the control's own font. A font handle means
// nothing in another process (Wine does not even answer WM_GETFONT across processes).
//
// Answer: one line per measured control, "HWND NEEDX NEEDY\n" (hexadecimal window handle), in the
// named section, then the named event is set.
#include <windows.h>

#include <richedit.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "tests/tools/wizmeasure.h"

namespace {

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = L"";
  GetClassNameW(window, name, 64);
  return name;
}

bool MeasureText(HWND control, const std::wstring& text, int width, UINT format, SIZE* need) {
  HDC dc = GetDC(control);
  if (!dc) return false;
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  RECT box{0, 0, width, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, format | DT_CALCRECT | DT_EXPANDTABS);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  *need = {box.right - box.left, box.bottom - box.top};
  return true;
}

// A rich edit control: the bottom of its last line, from where its last character lies.
bool RichTextNeed(HWND control, SIZE* need) {
  const LRESULT length = GetWindowTextLengthW(control);
  if (length <= 0) return false;
  POINTL first{}, last{};
  SendMessageW(control, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&first), 0);
  SendMessageW(control, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&last), length - 1);
  const LRESULT lines = SendMessageW(control, EM_GETLINECOUNT, 0, 0);
  int line = lines > 1 ? static_cast<int>((last.y - first.y) / (lines - 1)) : 0;
  CHARFORMAT2W format{};
  format.cbSize = sizeof(format);
  SendMessageW(control, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  if (line <= 0) line = MulDiv(format.yHeight, GetDeviceCaps(GetDC(control), LOGPIXELSY), 1440) * 5 / 4;
  *need = {0, static_cast<LONG>(last.y) + line};
  return true;
}

bool Need(HWND control, SIZE* need) {
  const int length = GetWindowTextLengthW(control);
  if (length <= 0) return false;
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), length + 1)));
  RECT inside{};
  GetClientRect(control, &inside);
  const std::wstring cls = ClassOf(control);
  const LONG style = GetWindowLongW(control, GWL_STYLE);
  if (_wcsicmp(cls.c_str(), L"Static") == 0) {
    const LONG type = style & SS_TYPEMASK;
    const bool wraps = type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT;
    // A static that shortens its text with "..." shows what fits by design.
    if ((!wraps && type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE) || (style & SS_ELLIPSISMASK)) return false;
    return MeasureText(control, text, inside.right,
                       (wraps ? DT_WORDBREAK : DT_SINGLELINE) | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0), need);
  }
  if (_wcsicmp(cls.c_str(), L"Button") == 0) {
    const LONG type = style & BS_TYPEMASK;
    const bool box = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                     type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE;
    if (!box && type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON) return false;
    // A check box's text starts after its glyph and a gap; a push button's inside its edges.
    const int reserved =
        box ? GetSystemMetrics(SM_CXMENUCHECK) + GetSystemMetrics(SM_CXEDGE) * 2 : GetSystemMetrics(SM_CXEDGE) * 4;
    if (!MeasureText(control, text, inside.right - reserved, (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE,
                     need))
      return false;
    need->cx += reserved;
    return true;
  }
  if (_wcsnicmp(cls.c_str(), L"RichEdit", 8) == 0) return RichTextNeed(control, need);
  return false;
}

void Answer(HWND page) {
  HANDLE section = OpenFileMappingW(FILE_MAP_WRITE, FALSE, kMeasureSection);
  HANDLE done = OpenEventW(EVENT_MODIFY_STATE, FALSE, kMeasureDone);
  char* out = section ? static_cast<char*>(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, kMeasureBytes)) : nullptr;
  if (out) {
    size_t used = 0;
    for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      SIZE need{};
      if (!IsWindowVisible(c) || !Need(c, &need)) continue;
      const int written = snprintf(out + used, kMeasureBytes - used, "%llx %ld %ld\n",
                                   static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(c)), need.cx, need.cy);
      if (written < 0 || used + static_cast<size_t>(written) >= kMeasureBytes) break;
      used += static_cast<size_t>(written);
    }
    out[used] = '\0';
    UnmapViewOfFile(out);
  }
  if (done) SetEvent(done);
  if (done) CloseHandle(done);
  if (section) CloseHandle(section);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK MeasureHook(int code, WPARAM wParam, LPARAM lParam) {
  static const UINT request = RegisterWindowMessageW(kMeasureMessage);
  auto* message = reinterpret_cast<MSG*>(lParam);
  if (code == HC_ACTION && wParam == PM_REMOVE && message && message->message == request) {
    Answer(message->hwnd);
    message->message = WM_NULL;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
