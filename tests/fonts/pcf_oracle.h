// A minimal PCF reader of the tests' own, to check imported glyphs against the font's bitmaps
// without going through the importer or FreeType: glyph bitmaps, metrics, encodings and
// FONT_ASCENT (the property, or the accelerators' font ascent) of a PCF file.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vyr::test {

class TPcfOracle {
public:
    // Reads a .pcf or .pcf.gz file; fails the test (ADD_FAILURE) and stays empty on a problem.
    explicit TPcfOracle(const std::string& Path);

    [[nodiscard]] int Ascent() const { return FAscent; }
    // The 5 x 7 LED cell of the glyph encoded as Code (a font code point), placed by the rule
    // column = left bearing + x, row = FONT_ASCENT - glyph ascent + y; none when the font
    // lacks the code.
    [[nodiscard]] std::optional<std::array<std::uint8_t, 5>> Cell(std::uint32_t Code) const;

private:
    struct TGlyph {
        int Left = 0, Right = 0, Ascent = 0, Descent = 0;
        std::vector<std::vector<bool>> Rows;
    };
    std::vector<TGlyph> FGlyphs;
    int FMinByte2 = 0, FMaxByte2 = 0, FMinByte1 = 0, FMaxByte1 = 0;
    std::vector<std::uint16_t> FIndex;
    int FAscent = 0;
};

}  // namespace vyr::test
