// A static text for a folder: it shows the folder shortened in the middle when it does not fit
// (its last name always whole; the whole folder on more lines when even that is too wide) and
// offers the whole folder as a tooltip. Its window text stays the whole folder, for screen readers.
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
  // stays the caller's) and owns a tooltip over its client area. The height it has now is the one
  // line it keeps for a folder that fits.
  void Attach(HWND control, HFONT font);
  // Measured with the control's font at its width now, and again whenever its width changes.
  void SetText(const std::wstring& full);
  void SetTextColor(COLORREF colour);

  const std::wstring& Displayed() const { return displayed_; }
  const std::wstring& Full() const { return full_; }
  bool TooltipActive() const { return tooltipActive_; }
  bool Wraps() const { return wraps_; }
  HWND Tooltip() const { return tooltip_; }
  HWND Window() const { return control_; }

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self);
  void CreateTooltip();
  HFONT Font() const;
  void Shorten();
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
  bool wraps_ = false;
  int lineHeight_ = 0;  // the control's height when attached
  int shortenedFor_ = -1;  // the width the displayed text was measured for
};
