// Fitting a control to its text, for culture texts longer than the English the dialogs were drawn for.
#pragma once

#include <windows.h>

class LogFile;

// Widens a control whose text does not fit, moving its neighbour along; font null: the control's own.
void FitControlToText(HWND control, HWND neighbour, HFONT font, LogFile& log);
