// BDF and PCF fonts through FreeType, from memory.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BDF_H
#include FT_FONT_FORMATS_H

#include <cctype>
#include <cstring>

#include "reader_p.h"

namespace vyr::fonts::detail {

namespace {

// Whether the font's string property Name is Value.
bool PropertyIs(FT_Face Face, const char* Name, const char* Value) {
    BDF_PropertyRec Property{};
    return FT_Get_BDF_Property(Face, Name, &Property) == 0 && Property.type == BDF_PROPERTY_TYPE_ATOM &&
           Property.u.atom && std::strcmp(Property.u.atom, Value) == 0;
}

// Bitmap fonts have glyphs of a few hundred pixels; larger ones are refused.
constexpr unsigned long long MaxGlyphPixels = 1u << 16;

// What a FreeType error means for a font file of Format, in words.
std::string Reason(FT_Error Error, const std::string& Format) {
    switch (Error) {
        case FT_Err_Unknown_File_Format:
        case FT_Err_Invalid_File_Format:
        case FT_Err_Invalid_Table:
        case FT_Err_Invalid_Argument:
            return "broken " + Format + " data";
        case FT_Err_Invalid_Stream_Read:
        case FT_Err_Invalid_Stream_Seek:
        case FT_Err_Invalid_Stream_Operation:
        case FT_Err_Invalid_Frame_Read:
        case FT_Err_Invalid_Frame_Operation:
            return "truncated or broken " + Format + " data";
        case FT_Err_Missing_Startfont_Field:
        case FT_Err_Missing_Font_Field:
        case FT_Err_Missing_Size_Field:
        case FT_Err_Missing_Fontboundingbox_Field:
        case FT_Err_Missing_Chars_Field:
        case FT_Err_Missing_Startchar_Field:
        case FT_Err_Missing_Encoding_Field:
        case FT_Err_Missing_Bbx_Field:
        case FT_Err_Bbx_Too_Big:
        case FT_Err_Corrupted_Font_Header:
        case FT_Err_Corrupted_Font_Glyphs:
            return "broken or incomplete " + Format + " data";
        case FT_Err_Out_Of_Memory:
            return Format + " font too large to load";
        default:
            return "broken " + Format + " data (FreeType error " + std::to_string(Error) + ")";
    }
}

class TLibrary {
public:
    explicit TLibrary(const std::string& Name) {
        if (FT_Init_FreeType(&FHandle) != 0) throw TFontError(Name + ": cannot start FreeType");
    }
    ~TLibrary() { FT_Done_FreeType(FHandle); }
    TLibrary(const TLibrary&) = delete;
    TLibrary& operator=(const TLibrary&) = delete;
    FT_Library FHandle = nullptr;
};

class TFace {
public:
    ~TFace() {
        if (FHandle) FT_Done_Face(FHandle);
    }
    FT_Face FHandle = nullptr;
};

bool EqualNoCase(const char* A, const char* B) {
    if (!A || !B) return false;
    for (; *A && *B; ++A, ++B)
        if (std::tolower(static_cast<unsigned char>(*A)) != std::tolower(static_cast<unsigned char>(*B))) return false;
    return *A == *B;
}

}  // namespace

TFont ReadFreeTypeFont(std::span<const std::uint8_t> Data, const std::string& Name, const std::string& Magic,
                       const TCodePage& Page) {
    TLibrary Library(Name);
    TFace Face;
    if (const FT_Error Error =
            FT_New_Memory_Face(Library.FHandle, Data.data(), static_cast<FT_Long>(Data.size()), 0, &Face.FHandle))
        throw TFontError(Name + ": " + Reason(Error, Magic));
    const char* Format = FT_Get_Font_Format(Face.FHandle);
    if (!Format || Magic != Format) throw TFontError(Name + ": broken " + Magic + " data");
    if (Face.FHandle->num_fixed_sizes < 1) throw TFontError(Name + ": holds no bitmaps");
    if (const FT_Error Error = FT_Select_Size(Face.FHandle, 0)) throw TFontError(Name + ": " + Reason(Error, Magic));

    // FONT_ASCENT as the font states it; where the property is missing (bdftopcf moves it into
    // the PCF accelerators), FreeType's ascender, which is the accelerators' font ascent.
    int Ascent = static_cast<int>(Face.FHandle->size->metrics.ascender >> 6);
    BDF_PropertyRec Property{};
    if (FT_Get_BDF_Property(Face.FHandle, "FONT_ASCENT", &Property) == 0) {
        if (Property.type == BDF_PROPERTY_TYPE_INTEGER) Ascent = Property.u.integer;
        if (Property.type == BDF_PROPERTY_TYPE_CARDINAL && Property.u.cardinal <= 0x7FFFFFFFu)
            Ascent = static_cast<int>(Property.u.cardinal);
    }

    const char* Encoding = nullptr;
    const char* Registry = nullptr;
    const bool Unicode =
        FT_Get_BDF_Charset_ID(Face.FHandle, &Encoding, &Registry) == 0 && EqualNoCase(Registry, "ISO10646");
    if (Unicode) {
        if (FT_Select_Charmap(Face.FHandle, FT_ENCODING_UNICODE) != 0)
            throw TFontError(Name + ": an ISO 10646 font without a Unicode character map");
    } else if (Face.FHandle->num_charmaps > 0) {
        // The font's own encoding: code for code.
        FT_Set_Charmap(Face.FHandle, Face.FHandle->charmaps[0]);
    } else {
        throw TFontError(Name + ": holds no character map");
    }

    TFont Font;
    Font.Report.Format = Format;
    // A glyph table written by WriteBdf, which names itself so.
    Font.Report.TableExport =
        PropertyIs(Face.FHandle, "FOUNDRY", "Vyr") && PropertyIs(Face.FHandle, "FAMILY_NAME", "Matrix");
    Font.Report.Unicode = Unicode;
    for (int Code = 0; Code < 256; ++Code) {
        FT_ULong Character = static_cast<FT_ULong>(Code);
        if (Unicode) {
            const auto C = Page.CharOf(static_cast<std::uint8_t>(Code));
            if (!C) continue;
            Character = *C;
        }
        const FT_UInt Index = FT_Get_Char_Index(Face.FHandle, Character);
        if (Index == 0) continue;
        if (const FT_Error Error = FT_Load_Glyph(Face.FHandle, Index, FT_LOAD_DEFAULT))
            throw TFontError(Name + ": glyph of code " + std::to_string(Code) + ": " + Reason(Error, Magic));
        const FT_GlyphSlot Slot = Face.FHandle->glyph;
        if (Slot->format != FT_GLYPH_FORMAT_BITMAP)
            throw TFontError(Name + ": glyph of code " + std::to_string(Code) + " is not a bitmap");
        const FT_Bitmap& Bits = Slot->bitmap;
        if (static_cast<unsigned long long>(Bits.width) * Bits.rows > MaxGlyphPixels)
            throw TFontError(Name + ": glyph of code " + std::to_string(Code) + " is " + std::to_string(Bits.width) +
                             "x" + std::to_string(Bits.rows) + " pixels, too large for a bitmap font");
        const bool Mono = Bits.pixel_mode == FT_PIXEL_MODE_MONO;
        TGlyphBitmap Bitmap;
        Bitmap.Width = static_cast<int>(Bits.width);
        Bitmap.Height = static_cast<int>(Bits.rows);
        Bitmap.Left = Slot->bitmap_left;
        Bitmap.Top = Slot->bitmap_top;
        // FreeType may give a glyph's bitmap no pixel data at all (a BDF glyph whose BITMAP
        // section is missing): it is a blank glyph.
        Bitmap.Lit = [&Bits, Mono](int X, int Y) {
            if (Bits.buffer == nullptr) return false;
            const unsigned char* Row = Bits.buffer + static_cast<std::ptrdiff_t>(Y) * Bits.pitch;
            if (Mono) return (Row[X / 8] & (0x80 >> (X % 8))) != 0;
            return Row[X] != 0;
        };
        PlaceGlyph(Font, static_cast<std::uint8_t>(Code), Ascent, Bitmap);
    }
    return Font;
}

}  // namespace vyr::fonts::detail
