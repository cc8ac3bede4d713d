// A static text that shows a shortened text (one holding "...") and offers the full text as a
// tooltip, for a folder that does not fit its control.
#pragma once

#include <windows.h>

#include <string>

class ZEMStatic {
 public:
  ZEMStatic();
  ~ZEMStatic();
  ZEMStatic(const ZEMStatic&) = delete;
  ZEMStatic& operator=(const ZEMStatic&) = delete;

  // Takes over a static of a dialog: it then paints itself (transparent, in the given font, which
  // stays the caller's) and owns a tooltip over its client area.
  void Attach(HWND control, HFONT font);
  void SetTexts(const std::wstring& displayed, const std::wstring& full);
  void SetTextColor(COLORREF colour);

  const std::wstring& Displayed() const { return displayed_; }
  const std::wstring& Full() const { return full_; }
  bool TooltipActive() const { return tooltipActive_; }
  HWND Tooltip() const { return tooltip_; }
  HWND Window() const { return control_; }

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self);
  void CreateTooltip();
  void Refresh();
  void Paint();
  void Detach();

  HWND control_ = nullptr;
  HWND tooltip_ = nullptr;
  HFONT font_ = nullptr;
  COLORREF colour_ = RGB(0, 0, 0);
  std::wstring displayed_;
  std::wstring full_;
  bool tooltipActive_ = false;
};
