// Fitting a control to its text, for culture texts longer than the English the dialogs were drawn for.
#pragma once

#include <windows.h>

#include <string>

class LogFile;

// Widens a control whose text does not fit, moving its neighbour along; font null: the control's own.
void FitControlToText(HWND control, HWND neighbour, HFONT font, LogFile& log);

// A button's caption from a culture text; an empty text keeps the caption it has.
inline void CaptionButton(HWND button, const std::wstring& text) {
  if (button && !text.empty()) SetWindowTextW(button, text.c_str());
}
