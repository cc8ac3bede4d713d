// Where a window of a given size goes on a monitor: centred on its work area (the screen less the
// task bar), and never with its top-left corner off it, so a window taller than the work area
// still shows its caption and the top of its pages.
#pragma once

#include <windows.h>

#include <algorithm>

inline POINT CentredIn(const RECT& work, int width, int height) {
  const LONG x = work.left + std::max<LONG>(0, (work.right - work.left - width) / 2);
  const LONG y = work.top + std::max<LONG>(0, (work.bottom - work.top - height) / 2);
  return {x, y};
}
