// The picture of the interactive commands, redrawn in place on the terminal: each redraw moves
// the cursor back to the top of the previous picture and draws over it.
#pragma once

#include <string>

#include "image_io.h"

namespace vyr::cli {

class TLiveView {
public:
    // Draws Image (cut to the terminal's width) and then Status (one line, cut likewise).
    void Draw(const TRgbImage& Image, const std::string& Status);
    // Leaves the cursor on the line after the picture, so that later output follows it.
    void Finish();

private:
    int FLines = 0;  // lines drawn by the last Draw
};

}  // namespace vyr::cli
