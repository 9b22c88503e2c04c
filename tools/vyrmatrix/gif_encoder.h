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
    // Fills the part of the screen that a frame smaller than the largest one does not cover.
    host::TColor Background = 0;
};

// Writes an endlessly looping animation on a screen as large as the largest frame (at least
// 1 x 1): each frame at the top left, the rest filled with its Background, one frame at a time
// while writing. Written through host::TFileWriter (atomic replace; a device or FIFO is
// streamed); throws TImageError naming the file.
void WriteGif(const std::string& Path, const std::vector<TGifFrame>& Frames);

// At most MaxColours colours that stand for the colours of Image (median cut over its distinct
// colours, weighted by how often each occurs). Exactly its colours when it has no more.
std::vector<host::TColor> ReducedPalette(const TRgbImage& Image, std::size_t MaxColours);

// Index of the palette colour nearest to C (squared RGB distance).
std::size_t NearestColour(const std::vector<host::TColor>& Palette, host::TColor C);

}  // namespace vyr::cli
