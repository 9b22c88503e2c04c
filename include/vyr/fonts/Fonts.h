/// @file
/// Bitmap fonts and 8-bit code pages for TEditMatrix, beside the component: fonts are read into
/// a plain glyph table and written into a control only through its public glyph operations
/// (ChangeChar), so a control that is given no font keeps its built-in table.
///
/// Glyph table: 256 glyphs of five column bytes, column k of code c at entry 5 * c + k; in a
/// column byte bit 6 is the top LED row (row 0) and bit 0 the bottom row (row 6), as the control
/// stores them.
///
/// Geometry of an imported glyph: LED column k (0 to 4) is the font's pixel column k counted from
/// the glyph's origin; LED row r (0 to 6) is the pixel row FONT_ASCENT - 1 - r above the baseline
/// (row 0 of the pixels above the baseline being the one that sits on it). So for a 5 x 7 font
/// with ascent 6 and descent 1, LED rows 0 to 5 lie on and above the baseline and row 6 is the
/// descent row. Pixels outside the 5 x 7 cell are dropped and counted.
///
/// Code 0 is never a character of the text; its glyph is what the control shows in the cell
/// after the end of the text. Fonts keep a default-character box or a control picture at code 0,
/// so glyph 0 is taken only from a glyph table written by WriteBdf (whose glyph 0 is the table's
/// own); from any other font it is kept as it was and reported as kept.
///
/// Formats: BDF and PCF (through FreeType) and PSF 1 and 2 console fonts (a reader of our own),
/// each optionally gzip-compressed. A font whose encoding is ISO 10646 (a Unicode BDF/PCF, or a
/// PSF with a Unicode table) fills each code with the glyph of the character the code page gives
/// that code; any other font maps code for code.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vyr {
class TEditMatrix;
}

namespace vyr::fonts {

/// One glyph: five column bytes, left to right, bit 6 the top LED row, bit 0 the bottom.
using TGlyph = std::array<std::uint8_t, 5>;
/// A whole glyph table: TGlyph of code c at bytes 5 x c .. 5 x c + 4.
using TGlyphTable = std::array<std::uint8_t, 256 * 5>;

/// A font file that cannot be read or understood, or an unknown code page. what() is one line
/// that names the file (or code page) and says what is wrong.
class TFontError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// An 8-bit code page: how characters from outside (UTF-8) become 8-bit codes and back, through
/// iconv. Latin-1 maps U+0000..U+00FF to the code of the same number.
class TCodePage {
public:
    /// The code page iconv knows by Name ("ISO-8859-1", "WINDOWS-1252", "KOI8-R", "CP437", ...;
    /// names are matched as iconv matches them). Throws TFontError for a name iconv does not
    /// know or a character set that is not single-byte.
    static TCodePage Open(const std::string& Name);
    /// ISO-8859-1, the default.
    static TCodePage Latin1();

    /// The code page's name as given to Open ("ISO-8859-1" for Latin1()).
    [[nodiscard]] const std::string& Name() const { return FName; }
    /// The character of Code, or none where the code page leaves the code undefined.
    [[nodiscard]] std::optional<char32_t> CharOf(std::uint8_t Code) const;
    /// The code of Character, or none where the code page cannot hold it.
    [[nodiscard]] std::optional<std::uint8_t> CodeOf(char32_t Character) const;

    /// UTF-8 text to 8-bit codes. A character the code page cannot hold becomes '?'. Each byte
    /// of a sequence that is not well-formed UTF-8 becomes the code of that byte (as the
    /// Latin-1 reading does), so no input byte is lost.
    [[nodiscard]] std::string Encode(std::string_view Utf8) const;
    /// 8-bit codes to UTF-8. A code the code page leaves undefined becomes U+FFFD.
    [[nodiscard]] std::string Decode(std::string_view Codes) const;

private:
    std::string FName;
    std::array<char32_t, 256> FChars{};                     // 0xFFFFFFFF: undefined
    std::vector<std::pair<char32_t, std::uint8_t>> FCodes;  // sorted by character
};

/// What an import did.
struct TImportReport {
    std::vector<std::uint8_t> Filled;   ///< codes given a glyph from the font
    std::vector<std::uint8_t> Missing;  ///< codes the font lacks (their glyphs are left as they were)
    std::vector<std::uint8_t> Kept;     ///< codes the font has but that are not taken from it: 0
    bool TableExport = false;           ///< the font is a glyph table written by WriteBdf
    std::vector<std::uint8_t> Cut;      ///< codes whose glyph had pixels outside the 5 x 7 cell
    std::size_t PixelsDropped = 0;      ///< lit pixels outside the cell, over all filled codes
    std::string Format;                 ///< "BDF", "PCF", "PSF1" or "PSF2"
    bool Unicode = false;               ///< mapped through the code page
};

/// A font read into glyphs: Glyphs[c] is set for every code the font fills.
struct TFont {
    std::array<std::optional<TGlyph>, 256> Glyphs;  ///< the glyph of each code the font fills
    TImportReport Report;                           ///< what the import did
};

/** @{ */
/// Largest font file read, and largest size it may unpack to.
inline constexpr std::size_t MaxFontFileBytes = 16u << 20;
inline constexpr std::size_t MaxUnpackedFontBytes = 64u << 20;
/** @} */

/// Reads the font in Data; Name stands for the file in error messages. Throws TFontError.
TFont ReadFont(std::span<const std::uint8_t> Data, const std::string& Name, const TCodePage& Page);
/// Reads the font file at Path (a regular file of at most MaxFontFileBytes). Throws TFontError.
TFont ReadFontFile(const std::string& Path, const TCodePage& Page);

/// Writes the filled glyphs of Font into Matrix through ChangeChar, in code order.
void ApplyFont(const TFont& Font, TEditMatrix& Matrix);
/// ReadFontFile then ApplyFont: on an error nothing of Matrix has changed.
TImportReport ImportFont(const std::string& Path, const TCodePage& Page, TEditMatrix& Matrix);

/// The glyph table of Matrix.
TGlyphTable TableOf(const TEditMatrix& Matrix);

/// The table as a BDF font: every one of the 256 codes, a 5 x 7 cell (FONT_ASCENT 7,
/// FONT_DESCENT 0, advance 6: the control's gap column), so that reading it back gives the same
/// table. Bit 7 of a column byte, which the control never shows, is not kept. PageName goes into
/// the font's registry and encoding where it names an ISO 8859 page or KOI8-R; otherwise the
/// font is marked as a table of its own, which a reader maps code for code as well.
std::string WriteBdf(const TGlyphTable& Table, const std::string& PageName);
/// The table as a C++ header defining `inline constexpr std::array<std::uint8_t, 1280> Name`.
std::string WriteCppArray(const TGlyphTable& Table, const std::string& Name);

/// A glyph as seven rows of five 'X' (lit) and '.' characters, each ending in '\n'.
std::string GlyphRows(const TGlyph& Glyph);

/// Writes Contents to Path through the host's atomic file writer (Path is either the old file or
/// the whole new one; a device or FIFO is written directly). Throws TFontError naming the file
/// and the system's reason.
void WriteFontFile(const std::string& Path, std::string_view Contents);

}  // namespace vyr::fonts
