// Sizes of the wizard's pictures: from the picture's HIMETRIC extent to pixels, and the factors
// that grow a picture with its page on screens that are not 96 dots per inch.
#pragma once

#include <windows.h>

namespace picture_scale {

// The page client size the pictures were drawn for.
constexpr int kDesignWidth = 744;
constexpr int kDesignHeight = 561;

struct Factors {
  double x = 1.0;
  double y = 1.0;
};

bool NeedsScaling(int dpiX, int dpiY);
SIZE HimetricToPixels(SIZE himetric, int dpiX, int dpiY);
// The page's client size over the design size, the smaller of the two directions for both, so a
// picture keeps its aspect; 1 when the page has no extent.
Factors PageFactors(int pageWidth, int pageHeight);
SIZE Scaled(SIZE pixels, Factors factors);

}  // namespace picture_scale
