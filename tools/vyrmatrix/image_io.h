// Pictures of a window surface as plain RGB images, and the image files the tool writes:
// binary PPM (P6) and PNG (8-bit RGB, through libpng). Readers exist for checking the files.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "vyr/host/Graphics.h"

namespace vyr::cli {

// Width x Height pixels, rows from the top, three bytes per pixel in the order red, green,
// blue, no row padding.
struct TRgbImage {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Pixels;

    // The pixel at (X, Y) as a TColor (red in the low byte). X, Y must lie inside.
    [[nodiscard]] host::TColor At(int X, int Y) const;
    friend bool operator==(const TRgbImage&, const TRgbImage&) = default;
};

// A copy of a 24-bit bitmap (blue, green, red rows padded to 4 bytes) as RGB.
TRgbImage ImageFromBitmap(const host::TBitmap& Bitmap);

// A failure to write or read an image file; the message names the file.
class TImageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Write the image to Path. The file is written under a temporary name beside it and renamed
// into place when complete, so a failed write leaves no file (and an old one unchanged).
void WritePpm(const std::string& Path, const TRgbImage& Image);
void WritePng(const std::string& Path, const TRgbImage& Image);

TRgbImage ReadPpm(const std::string& Path);
TRgbImage ReadPng(const std::string& Path);

}  // namespace vyr::cli
