// Writing the glyph table out: BDF, a C++ array, text rows, and the file itself.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "vyr/fonts/Fonts.h"
#include "vyr/host/FileIo.h"

namespace vyr::fonts {

namespace {

std::string Hex2(unsigned Value) {
    char Text[3];
    std::snprintf(Text, sizeof Text, "%02X", Value & 0xFFu);
    return Text;
}

// Registry and encoding for the font's XLFD: the ISO 8859 pages and KOI8-R by their X names.
// Anything else gets a registry of its own, never "ISO10646", so a reader maps the font code
// for code.
std::pair<std::string, std::string> XCharset(const std::string& PageName) {
    std::string Upper;
    for (const char C : PageName)
        if (C != '-' && C != '_') Upper += static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
    if (Upper.rfind("ISO8859", 0) == 0 && Upper.size() > 7 && Upper.size() <= 9 &&
        Upper.find_first_not_of("0123456789", 7) == std::string::npos)
        return {"ISO8859", Upper.substr(7)};
    if (Upper == "KOI8R") return {"KOI8", "R"};
    return {"VYR", "TABLE"};
}

}  // namespace

std::string WriteBdf(const TGlyphTable& Table, const std::string& PageName) {
    const auto [Registry, Encoding] = XCharset(PageName);
    std::string Out;
    Out += "STARTFONT 2.1\n";
    Out += "COMMENT TEditMatrix glyph table: 5x7 cells, column 0 at the origin, top row at FONT_ASCENT\n";
    Out += "FONT -Vyr-Matrix-Medium-R-Normal--7-70-75-75-C-60-" + Registry + "-" + Encoding + "\n";
    Out += "SIZE 7 75 75\n";
    Out += "FONTBOUNDINGBOX 5 7 0 0\n";
    Out += "STARTPROPERTIES 5\n";
    Out += "FONT_ASCENT 7\n";
    Out += "FONT_DESCENT 0\n";
    Out += "CHARSET_REGISTRY \"" + Registry + "\"\n";
    Out += "CHARSET_ENCODING \"" + Encoding + "\"\n";
    Out += "DEFAULT_CHAR 32\n";
    Out += "ENDPROPERTIES\n";
    Out += "CHARS 256\n";
    for (unsigned Code = 0; Code < 256; ++Code) {
        Out += "STARTCHAR C" + Hex2(Code) + "\n";
        Out += "ENCODING " + std::to_string(Code) + "\n";
        // SWIDTH: the advance of 6 pixels in thousandths of the 7-pixel em.
        Out += "SWIDTH 857 0\nDWIDTH 6 0\nBBX 5 7 0 0\nBITMAP\n";
        for (int Row = 0; Row < 7; ++Row) {
            unsigned Bits = 0;
            for (int Column = 0; Column < 5; ++Column)
                if (Table[Code * 5 + static_cast<unsigned>(Column)] & (1u << (6 - Row))) Bits |= 0x80u >> Column;
            Out += Hex2(Bits) + "\n";
        }
        Out += "ENDCHAR\n";
    }
    Out += "ENDFONT\n";
    return Out;
}

std::string WriteCppArray(const TGlyphTable& Table, const std::string& Name) {
    std::string Out;
    Out += "// TEditMatrix glyph table: 256 glyphs of five column bytes, column 0 first; in a column byte\n";
    Out += "// bit 6 is the top LED row and bit 0 the bottom. Glyph of code c: entries 5 * c to 5 * c + 4,\n";
    Out += "// for ChangeChar.\n";
    Out += "#pragma once\n\n#include <array>\n#include <cstdint>\n\n";
    Out += "inline constexpr std::array<std::uint8_t, 1280> " + Name + " = {\n";
    for (unsigned Code = 0; Code < 256; ++Code) {
        Out += "   ";
        for (unsigned Column = 0; Column < 5; ++Column) Out += " 0x" + Hex2(Table[Code * 5 + Column]) + ",";
        Out += "  // " + std::to_string(Code);
        if (Code > 32 && Code < 127 && Code != '\\') Out += std::string(" '") + static_cast<char>(Code) + "'";
        Out += "\n";
    }
    Out += "};\n";
    return Out;
}

std::string GlyphRows(const TGlyph& Glyph) {
    std::string Out;
    for (int Row = 0; Row < 7; ++Row) {
        for (int Column = 0; Column < 5; ++Column)
            Out += (Glyph[static_cast<std::size_t>(Column)] & (1u << (6 - Row))) ? 'X' : '.';
        Out += '\n';
    }
    return Out;
}

void WriteFontFile(const std::string& Path, std::string_view Contents) {
    try {
        host::WriteWholeFile(Path, Contents);
    } catch (const host::EFileError& E) {
        throw TFontError(Path + ": " + E.Reason());
    }
}

}  // namespace vyr::fonts
