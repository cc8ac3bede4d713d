#include "ui/picture_scale.h"

#include <cmath>

namespace picture_scale {

bool NeedsScaling(int dpiX, int dpiY) { return dpiX != 96 || dpiY != 96; }

SIZE HimetricToPixels(SIZE himetric, int dpiX, int dpiY) {
  constexpr int kHimetricPerInch = 2540;
  return {MulDiv(himetric.cx, dpiX, kHimetricPerInch), MulDiv(himetric.cy, dpiY, kHimetricPerInch)};
}

Factors PageFactors(int pageWidth, int pageHeight) {
  Factors f;
  if (pageWidth > 0) f.x = static_cast<double>(pageWidth) / kDesignWidth;
  if (pageHeight > 0) f.y = static_cast<double>(pageHeight) / kDesignHeight;
  return f;
}

SIZE Scaled(SIZE pixels, Factors factors) {
  return {static_cast<LONG>(std::lround(pixels.cx * factors.x)), static_cast<LONG>(std::lround(pixels.cy * factors.y))};
}

}  // namespace picture_scale
