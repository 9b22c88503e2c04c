// PSF 1 and PSF 2 console fonts. Every length and offset in the header is checked against the
// data before any glyph is read.
//
// A PSF font has no baseline: its cell is taken as ascent = height, descent 0, so the cell's top
// row is LED row 0 and its left column LED column 0 (as in the BDF fonts the table is exported
// to).
#include <map>

#include "reader_p.h"

namespace vyr::fonts::detail {

namespace {

// Console fonts are at most a few dozen pixels wide and high; larger claims are refused.
constexpr std::uint32_t MaxGlyphSide = 256;

std::uint32_t Le32(std::span<const std::uint8_t> Data, std::size_t At) {
    return static_cast<std::uint32_t>(Data[At]) | static_cast<std::uint32_t>(Data[At + 1]) << 8 |
           static_cast<std::uint32_t>(Data[At + 2]) << 16 | static_cast<std::uint32_t>(Data[At + 3]) << 24;
}

struct TPsfLayout {
    std::string Format;
    std::size_t GlyphsAt = 0;
    std::size_t Count = 0;
    std::size_t BytesPerGlyph = 0;
    int Width = 0;
    int Height = 0;
    bool HasTable = false;
};

TPsfLayout ReadPsfHeader(std::span<const std::uint8_t> Data, const std::string& Name) {
    TPsfLayout Layout;
    if (Data[0] == 0x36) {
        if (Data.size() < 4) throw TFontError(Name + ": truncated PSF1 header");
        Layout.Format = "PSF1";
        const std::uint8_t Mode = Data[2];
        if (Mode > 0x07) throw TFontError(Name + ": PSF1 header has unknown mode bits");
        Layout.GlyphsAt = 4;
        Layout.Count = (Mode & 0x01) ? 512 : 256;
        Layout.Width = 8;
        Layout.Height = Data[3];
        Layout.BytesPerGlyph = Data[3];
        Layout.HasTable = (Mode & 0x06) != 0;
    } else {
        if (Data.size() < 32) throw TFontError(Name + ": truncated PSF2 header");
        Layout.Format = "PSF2";
        if (Le32(Data, 4) != 0)
            throw TFontError(Name + ": PSF2 version " + std::to_string(Le32(Data, 4)) + " is unknown");
        const std::uint32_t HeaderSize = Le32(Data, 8);
        const std::uint32_t Flags = Le32(Data, 12);
        const std::uint32_t Count = Le32(Data, 16);
        const std::uint32_t CharSize = Le32(Data, 20);
        const std::uint32_t Height = Le32(Data, 24);
        const std::uint32_t Width = Le32(Data, 28);
        if (HeaderSize < 32 || HeaderSize > Data.size())
            throw TFontError(Name + ": PSF2 header size " + std::to_string(HeaderSize) + " is out of range");
        if (Width == 0 || Height == 0 || Width > MaxGlyphSide || Height > MaxGlyphSide)
            throw TFontError(Name + ": PSF2 glyph size " + std::to_string(Width) + "x" + std::to_string(Height) +
                             " is out of range");
        if (CharSize != Height * ((Width + 7) / 8))
            throw TFontError(Name + ": PSF2 glyph byte count " + std::to_string(CharSize) + " does not fit " +
                             std::to_string(Width) + "x" + std::to_string(Height));
        if (Count == 0) throw TFontError(Name + ": PSF2 font holds no glyphs");
        Layout.GlyphsAt = HeaderSize;
        Layout.Count = Count;
        Layout.Width = static_cast<int>(Width);
        Layout.Height = static_cast<int>(Height);
        Layout.BytesPerGlyph = CharSize;
        Layout.HasTable = (Flags & 0x01) != 0;
    }
    if (Layout.Height == 0) throw TFontError(Name + ": " + Layout.Format + " glyph height is 0");
    // Count and BytesPerGlyph are at most 2^32 and 2^13, so the product fits in 64 bits.
    const unsigned long long Needed = static_cast<unsigned long long>(Layout.Count) * Layout.BytesPerGlyph;
    if (Needed > Data.size() - Layout.GlyphsAt)
        throw TFontError(Name + ": truncated " + Layout.Format + " glyphs (" + std::to_string(Layout.Count) +
                         " glyphs of " + std::to_string(Layout.BytesPerGlyph) + " bytes need " +
                         std::to_string(Needed) + ", the file holds " + std::to_string(Data.size() - Layout.GlyphsAt) +
                         ")");
    return Layout;
}

// The Unicode table: for each glyph the characters it shows (sequences of combining characters
// are skipped). The first glyph named for a character wins.
std::map<char32_t, std::size_t> ReadUnicodeTable(std::span<const std::uint8_t> Data, std::size_t At,
                                                 const TPsfLayout& Layout, const std::string& Name) {
    std::map<char32_t, std::size_t> Glyphs;
    const std::string Truncated = Name + ": truncated " + Layout.Format + " Unicode table";
    for (std::size_t Glyph = 0; Glyph < Layout.Count; ++Glyph) {
        bool InSequence = false;
        if (Layout.Format == "PSF1") {
            for (;;) {
                if (At + 2 > Data.size()) throw TFontError(Truncated);
                const char32_t Value = static_cast<char32_t>(Data[At]) | static_cast<char32_t>(Data[At + 1]) << 8;
                At += 2;
                if (Value == 0xFFFF) break;
                if (Value == 0xFFFE)
                    InSequence = true;
                else if (!InSequence)
                    Glyphs.emplace(Value, Glyph);
            }
        } else {
            for (;;) {
                if (At >= Data.size()) throw TFontError(Truncated);
                const std::uint8_t Lead = Data[At];
                if (Lead == 0xFF) {
                    ++At;
                    break;
                }
                if (Lead == 0xFE) {
                    InSequence = true;
                    ++At;
                    continue;
                }
                int Length = Lead < 0x80 ? 1 : Lead >= 0xF0 ? 4 : Lead >= 0xE0 ? 3 : Lead >= 0xC0 ? 2 : 0;
                if (Length == 0 || Lead > 0xF4)
                    throw TFontError(Name + ": PSF2 Unicode table holds a byte that is not UTF-8");
                if (At + static_cast<std::size_t>(Length) > Data.size()) throw TFontError(Truncated);
                char32_t C = Length == 1 ? Lead : static_cast<char32_t>(Lead & (0x7F >> Length));
                for (int I = 1; I < Length; ++I) {
                    const std::uint8_t Next = Data[At + static_cast<std::size_t>(I)];
                    if ((Next & 0xC0) != 0x80)
                        throw TFontError(Name + ": PSF2 Unicode table holds a byte that is not UTF-8");
                    C = (C << 6) | (Next & 0x3Fu);
                }
                At += static_cast<std::size_t>(Length);
                if (!InSequence) Glyphs.emplace(C, Glyph);
            }
        }
    }
    return Glyphs;
}

}  // namespace

TFont ReadPsfFont(std::span<const std::uint8_t> Data, const std::string& Name, const TCodePage& Page) {
    const TPsfLayout Layout = ReadPsfHeader(Data, Name);
    std::map<char32_t, std::size_t> Table;
    if (Layout.HasTable)
        Table = ReadUnicodeTable(Data, Layout.GlyphsAt + Layout.Count * Layout.BytesPerGlyph, Layout, Name);

    TFont Font;
    Font.Report.Format = Layout.Format;
    Font.Report.Unicode = Layout.HasTable;
    const std::size_t RowBytes = static_cast<std::size_t>((Layout.Width + 7) / 8);
    for (int Code = 0; Code < 256; ++Code) {
        std::size_t Glyph = static_cast<std::size_t>(Code);
        if (Layout.HasTable) {
            const auto C = Page.CharOf(static_cast<std::uint8_t>(Code));
            if (!C) continue;
            const auto It = Table.find(*C);
            if (It == Table.end()) continue;
            Glyph = It->second;
        } else if (Glyph >= Layout.Count) {
            continue;
        }
        const std::uint8_t* Bits = Data.data() + Layout.GlyphsAt + Glyph * Layout.BytesPerGlyph;
        TGlyphBitmap Bitmap;
        Bitmap.Width = Layout.Width;
        Bitmap.Height = Layout.Height;
        Bitmap.Left = 0;
        Bitmap.Top = Layout.Height;
        Bitmap.Lit = [Bits, RowBytes](int X, int Y) {
            return (Bits[static_cast<std::size_t>(Y) * RowBytes + static_cast<std::size_t>(X / 8)] &
                    (0x80 >> (X % 8))) != 0;
        };
        PlaceGlyph(Font, static_cast<std::uint8_t>(Code), Layout.Height, Bitmap);
    }
    return Font;
}

}  // namespace vyr::fonts::detail
