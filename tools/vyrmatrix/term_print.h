// Drawing a picture in a terminal with 24-bit colour: each character cell shows two pixel rows
// as U+2580 (upper half block) with the foreground the upper pixel and the background the lower
// one. A last odd row leaves the lower half in the terminal's own background.
#pragma once

#include <string>

#include "image_io.h"

namespace vyr::cli {

// The picture as (Height + 1) / 2 lines, each ending with an attribute reset and "\n".
// MaxColumns > 0 cuts the lines at that many pixel columns (so that a narrow terminal does not
// wrap them); 0 draws the whole width.
std::string HalfBlockPicture(const TRgbImage& Image, int MaxColumns = 0);

}  // namespace vyr::cli
