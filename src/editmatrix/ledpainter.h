// The LED painter: a grid of LEDs painted into rows of 24-bit pixels. Geometry (LED size,
// distance, shape) and ink (a colour per LED) go in; pixel rows come out. It knows nothing of
// text, cursors or streams: the matrix decides every LED's colour first and hands the grid over,
// and the Qt widgets use the same painter to draw the LEDs again at device resolution.
//
// Pixels: row Y of the rows starts at First + Y * Stride; pixel X of a row is the bytes 3X
// (blue), 3X+1 (green), 3X+2 (red). Colours are 0x00BBGGRR (red in bits 0-7, the top byte
// ignored), as the host's TColor.
//
// Grid: with s = Size, d = Distance and pitch p = s + d, the LED in column c, row r covers pixels
// of the s x s box whose top-left pixel is (d + p c, d + p r): all of them for a square, the
// disc's spans for a round LED. Pixels of the box outside the LED's shape and pixels between the
// boxes are never written.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vyr::led {

enum class EShape : std::uint8_t {
    Square,
    // The disc of the matrix's circle primitive: diameter s = 2R + 1, the union of the spans the
    // primitive draws around the box's centre (f(h) = sqrt(R^2 - h^2) rounded). Odd sizes only:
    // an even one would reach beyond its box.
    Disc,
    // Any size: the pixels whose centres lie inside a circle inscribed in the box, shrunk by a
    // quarter pixel so that a 3-pixel LED is a plus rather than a square:
    // (2x - (s-1))^2 + (2y - (s-1))^2 < s^2 - s div 2, with x, y counted from the box's corner.
    // Symmetric about both axes and both diagonals; the corners of every size from 3 stay dark.
    RoundAnySize,
};

// The largest LED the painter draws (a 255-pixel LED at four device pixels a design pixel).
inline constexpr int MaxLEDSize = 1024;

struct TGeometry {
    int Size = 1;
    int Distance = 0;
    EShape Shape = EShape::Square;

    [[nodiscard]] int Pitch() const { return Size + Distance; }
    // The grid columns whose box starts inside Width pixels.
    [[nodiscard]] int ColumnsStartingWithin(int Width) const;
};

// Width x Height pixels of 3 bytes.
struct TPixelRows {
    std::uint8_t* First = nullptr;
    std::size_t Stride = 0;
    int Width = 0;
    int Height = 0;

    [[nodiscard]] std::uint8_t* Row(std::int64_t Y) const { return First + static_cast<std::size_t>(Y) * Stride; }
};

// An LED whose ink is KeepInk is left as it is.
inline constexpr std::uint16_t KeepInk = 0xFFFF;

// The colours of a block of Rows x Columns LEDs whose top-left LED is (FirstColumn, FirstRow) of
// the grid: Ink holds Columns entries a row, each an index into Palette (or KeepInk).
struct TInkGrid {
    int FirstRow = 0;
    int Rows = 0;
    int FirstColumn = 0;
    int Columns = 0;
    const std::uint16_t* Ink = nullptr;
    const std::uint32_t* Palette = nullptr;
    std::size_t PaletteSize = 0;
};

class TLEDPainter {
public:
    // Runs is the painter's working memory (a run of each palette colour), kept by the caller
    // between frames so that painting allocates nothing once it has grown.
    TLEDPainter(const TGeometry& Geometry, std::vector<std::uint8_t>& Runs);

    // Whether the painter draws this geometry: a size from 1 to MaxLEDSize, and no even Disc.
    [[nodiscard]] static bool Draws(const TGeometry& Geometry);

    // Paints the LEDs of Ink into Rows, clipped to them. A box row is copied from the first box
    // row with the same span (Rep) where the two already hold the same bytes across the grid, so
    // that the pixels between and beside the LEDs keep their values. RowsMatch: that is known to
    // hold for every box row of every LED row of Ink (a buffer cleared whole, or one whose last
    // write was a Paint of the same grid that returned true), so rows need no compare.
    // Returns whether it holds for every LED row of Ink after painting.
    bool Paint(const TPixelRows& Rows, const TInkGrid& Ink, bool RowsMatch);

    // The span of the LED's box row Dy (0..Size-1): box columns Lo(Dy)..Hi(Dy).
    [[nodiscard]] int Lo(int Dy) const { return FLo[static_cast<std::size_t>(Dy)]; }
    [[nodiscard]] int Hi(int Dy) const { return FHi[static_cast<std::size_t>(Dy)]; }

private:
    void MakeProfile();

    TGeometry FGeometry;
    std::vector<std::uint8_t>& FRuns;
    // Only rows 0..Size-1 are filled in. Rep[dy] is the first box row with the same span.
    std::array<std::int16_t, MaxLEDSize> FLo;
    std::array<std::int16_t, MaxLEDSize> FHi;
    std::array<std::int16_t, MaxLEDSize> FRep;
};

}  // namespace vyr::led
