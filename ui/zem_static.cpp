#include "ui/zem_static.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/handles.h"
#include "ui/page_texts.h"

namespace {

constexpr UINT_PTR kSubclassId = 0x5A454D;  // "ZEM"
constexpr UINT_PTR kToolId = 1;
constexpr UINT kWrapFlags = DT_LEFT | DT_NOPREFIX | DT_WORDBREAK | DT_EDITCONTROL;  // breaks inside a long name too

bool IsMouseMessage(UINT message) { return message >= WM_MOUSEFIRST && message <= WM_MOUSELAST; }

}  // namespace

ZEMStatic::ZEMStatic() = default;

ZEMStatic::~ZEMStatic() { Detach(); }

void ZEMStatic::Attach(HWND control, HFONT font) {
  Detach();
  if (!control) return;
  control_ = control;
  font_ = font;
  // A static answers HTTRANSPARENT without SS_NOTIFY, and then the tooltip never sees the mouse.
  SetWindowLongPtrW(control_, GWL_STYLE, GetWindowLongPtrW(control_, GWL_STYLE) | SS_NOTIFY);
  if (font_) SendMessageW(control_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  RECT area{};
  GetClientRect(control_, &area);
  lineHeight_ = area.bottom;
  shortenedFor_ = -1;
  SetWindowSubclass(control_, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  CreateTooltip();
  Refresh();
}

void ZEMStatic::CreateTooltip() {
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, control_, nullptr,
                             reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(control_, GWLP_HINSTANCE)), nullptr);
  if (!tooltip_) return;
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = control_;
  tool.uId = kToolId;
  tool.lpszText = const_cast<wchar_t*>(L"");
  GetClientRect(control_, &tool.rect);
  SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  // Long folders wrap instead of running off the screen.
  SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 600);
}

void ZEMStatic::SetText(const std::wstring& full) {
  full_ = full;
  shortenedFor_ = -1;
  Refresh();
}

void ZEMStatic::SetTextColor(COLORREF colour) {
  colour_ = colour;
  if (control_) InvalidateRect(control_, nullptr, FALSE);
}

void ZEMStatic::Shorten() {
  displayed_ = full_;
  wraps_ = false;
  if (!control_) return;
  RECT area{};
  GetClientRect(control_, &area);
  const int width = area.right;
  shortenedFor_ = width;
  platform::WindowDC context(control_);
  if (!context) return;
  HDC dc = context.get();
  HGDIOBJ old = SelectObject(dc, Font());
  const ShownFolder shown = ShortenedFolder(full_, width, [dc](const std::wstring& text) {
    RECT need{};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &need, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
    return static_cast<int>(need.right);
  });
  displayed_ = shown.text;
  wraps_ = shown.wraps;
  // Its one line, or as many as the wrapped text needs (the font may also be taller than the line
  // the template gave); the control grows downwards only.
  RECT need{0, 0, width, 0};
  DrawTextW(dc, displayed_.c_str(), static_cast<int>(displayed_.size()), &need,
            DT_CALCRECT | (wraps_ ? kWrapFlags : DT_NOPREFIX | DT_SINGLELINE));
  const int height = std::max(lineHeight_, static_cast<int>(need.bottom));
  SelectObject(dc, old);
  if (height != area.bottom) {
    RECT window{};
    GetWindowRect(control_, &window);
    SetWindowPos(control_, nullptr, 0, 0, window.right - window.left, window.bottom - window.top + height - area.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

HFONT ZEMStatic::Font() const {
  HFONT own = control_ ? reinterpret_cast<HFONT>(SendMessageW(control_, WM_GETFONT, 0, 0)) : nullptr;
  return own ? own : font_;
}

void ZEMStatic::Refresh() {
  // What the old text covered, in case the control shrinks.
  HWND parent = control_ ? GetParent(control_) : nullptr;
  RECT before{};
  if (parent) {
    GetWindowRect(control_, &before);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&before), 2);
    InvalidateRect(parent, &before, TRUE);
  }
  Shorten();
  tooltipActive_ = displayed_ != full_;
  if (!control_) return;
  SetWindowTextW(control_, full_.c_str());
  if (tooltip_) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = control_;
    tool.uId = kToolId;
    tool.lpszText = const_cast<wchar_t*>(tooltipActive_ ? full_.c_str() : L"");
    SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tooltip_, TTM_ACTIVATE, tooltipActive_ ? TRUE : FALSE, 0);
  }
  // The text is drawn transparently: the parent must repaint what lies under the old one.
  RECT area{};
  GetWindowRect(control_, &area);
  if (parent) {
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    InvalidateRect(parent, &area, TRUE);
  }
  InvalidateRect(control_, nullptr, FALSE);
}

void ZEMStatic::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(control_, &ps);
  if (!dc) return;
  RECT client{};
  GetClientRect(control_, &client);
  HFONT font = Font();
  HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
  int oldMode = SetBkMode(dc, TRANSPARENT);
  COLORREF oldColour = ::SetTextColor(dc, colour_);
  DrawTextW(dc, displayed_.c_str(), static_cast<int>(displayed_.size()), &client,
            wraps_ ? kWrapFlags : DT_LEFT | DT_NOPREFIX | DT_SINGLELINE);
  ::SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
  if (oldFont) SelectObject(dc, oldFont);
  EndPaint(control_, &ps);
}

void ZEMStatic::Detach() {
  if (tooltip_) DestroyWindow(tooltip_);
  tooltip_ = nullptr;
  if (control_) RemoveWindowSubclass(control_, SubclassProc, kSubclassId);
  control_ = nullptr;
}

LRESULT CALLBACK ZEMStatic::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR data) {
  auto* self = reinterpret_cast<ZEMStatic*>(data);
  if (IsMouseMessage(message) && self->tooltip_) {
    MSG relayed{window, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
    DWORD pos = GetMessagePos();
    relayed.pt = {static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
    SendMessageW(self->tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
  }
  switch (message) {
    case WM_PAINT:
      self->Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // transparent: the parent's background shows through
    case WM_SIZE:
      // A new width measures again (a new height is the one the measuring chose).
      if (LOWORD(lParam) != self->shortenedFor_ && self->shortenedFor_ >= 0) self->Refresh();
      if (self->tooltip_) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = window;
        tool.uId = kToolId;
        GetClientRect(window, &tool.rect);
        SendMessageW(self->tooltip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
      }
      break;
    case WM_SETFONT: {
      LRESULT result = DefSubclassProc(window, message, wParam, lParam);
      self->Refresh();  // another font, other widths
      return result;
    }
    case WM_NCDESTROY:
      self->Detach();
      return DefSubclassProc(window, message, wParam, lParam);
  }
  return DefSubclassProc(window, message, wParam, lParam);
}
