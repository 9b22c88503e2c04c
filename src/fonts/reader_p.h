// Internal to the font readers: placing a font's glyph bitmap into the 5 x 7 LED cell.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "vyr/fonts/Fonts.h"

namespace vyr::fonts::detail {

// One glyph bitmap as a font stores it: Width x Height pixels, row 0 at the top. Left is the
// pixel column of bitmap column 0 counted from the glyph's origin; Top the number of pixel rows
// of the bitmap that lie on and above the baseline (FreeType's bitmap_top).
struct TGlyphBitmap {
    int Width = 0;
    int Height = 0;
    int Left = 0;
    int Top = 0;
    std::function<bool(int X, int Y)> Lit;
};

// Puts Bitmap into code Code of Font by the geometry rule (Ascent: the font's FONT_ASCENT),
// counting the lit pixels that fall outside the cell.
void PlaceGlyph(TFont& Font, std::uint8_t Code, int Ascent, const TGlyphBitmap& Bitmap);

// Fills the report's Missing list from the codes left without a glyph.
void FinishReport(TFont& Font);

// BDF or PCF (Format, as its magic says) through FreeType, and PSF 1 or 2; Data is already
// unpacked.
TFont ReadFreeTypeFont(std::span<const std::uint8_t> Data, const std::string& Name, const std::string& Format,
                       const TCodePage& Page);
TFont ReadPsfFont(std::span<const std::uint8_t> Data, const std::string& Name, const TCodePage& Page);

}  // namespace vyr::fonts::detail
