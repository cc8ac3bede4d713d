// The dots per inch a window is drawn at, and sizes designed at 96 dots per inch scaled to it.
#pragma once

#include <windows.h>

// The window's monitor's DPI where Windows tells it (Windows 10 1607 and later, per-monitor
// aware), the system's otherwise.
int WindowDpi(HWND window);

inline int ScaledForDpi(int pixelsAt96, int dpi) { return MulDiv(pixelsAt96, dpi, 96); }
