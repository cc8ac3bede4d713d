#include "ui/picture_scale.h"

#include <algorithm>
#include <cmath>

namespace picture_scale {

bool NeedsScaling(int dpiX, int dpiY) { return dpiX != 96 || dpiY != 96; }

SIZE HimetricToPixels(SIZE himetric, int dpiX, int dpiY) {
  constexpr int kHimetricPerInch = 2540;
  return {MulDiv(himetric.cx, dpiX, kHimetricPerInch), MulDiv(himetric.cy, dpiY, kHimetricPerInch)};
}

Factors PageFactors(int pageWidth, int pageHeight) {
  // One factor for both directions, the smaller: a picture keeps its shape and its box.
  double x = pageWidth > 0 ? static_cast<double>(pageWidth) / kDesignWidth : 0;
  double y = pageHeight > 0 ? static_cast<double>(pageHeight) / kDesignHeight : 0;
  double f = x > 0 && y > 0 ? std::min(x, y) : x > 0 ? x : y > 0 ? y : 1.0;
  return {f, f};
}

SIZE Scaled(SIZE pixels, Factors factors) {
  return {static_cast<LONG>(std::lround(pixels.cx * factors.x)), static_cast<LONG>(std::lround(pixels.cy * factors.y))};
}

}  // namespace picture_scale
