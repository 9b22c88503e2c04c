// Animated GIF files through giflib, and the colour reduction they need.
//
// LED pictures use few colours: when all frames together use at most 256, the file has one
// global palette holding exactly those colours and every pixel keeps its colour. Otherwise each
// frame gets a local palette of its own colours, and a frame with more than 256 colours is
// reduced by median cut (nearest palette colour, no dithering).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image_io.h"

namespace vyr::cli {

struct TGifFrame {
    TRgbImage Image;
    int DelayCs = 0;  // how long the frame is shown, in hundredths of a second (0..65535)
};

// Writes an endlessly looping animation. All frames must have the same size, at least 1 x 1.
// Written under a temporary name and renamed into place; throws TImageError naming the file.
void WriteGif(const std::string& Path, const std::vector<TGifFrame>& Frames);

// At most MaxColours colours that stand for the colours of Image (median cut over its distinct
// colours, weighted by how often each occurs). Exactly its colours when it has no more.
std::vector<host::TColor> ReducedPalette(const TRgbImage& Image, std::size_t MaxColours);

// Index of the palette colour nearest to C (squared RGB distance).
std::size_t NearestColour(const std::vector<host::TColor>& Palette, host::TColor C);

}  // namespace vyr::cli
