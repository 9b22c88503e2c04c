// Reading a font file: bounded reading, gzip unpacking, the choice of reader, and the glyph
// placement all readers share.
#include <zlib.h>

#include <algorithm>

#include "reader_p.h"
#include "vyr/EditMatrix.h"
#include "vyr/host/FileIo.h"

namespace vyr::fonts {

namespace detail {

void PlaceGlyph(TFont& Font, std::uint8_t Code, int Ascent, const TGlyphBitmap& Bitmap) {
    if (Code == 0 && !Font.Report.TableExport) {
        Font.Report.Kept.push_back(Code);
        return;
    }
    TGlyph Glyph{};
    std::size_t Dropped = 0;
    for (int Y = 0; Y < Bitmap.Height; ++Y) {
        // Bitmap row Y is the pixel row Top - 1 - Y above the baseline, so LED row
        // Ascent - 1 - (Top - 1 - Y).
        const long long Row = static_cast<long long>(Ascent) - Bitmap.Top + Y;
        for (int X = 0; X < Bitmap.Width; ++X) {
            if (!Bitmap.Lit(X, Y)) continue;
            const long long Column = static_cast<long long>(Bitmap.Left) + X;
            if (Row < 0 || Row > 6 || Column < 0 || Column > 4) {
                ++Dropped;
                continue;
            }
            Glyph[static_cast<std::size_t>(Column)] |= static_cast<std::uint8_t>(1u << (6 - Row));
        }
    }
    Font.Glyphs[Code] = Glyph;
    Font.Report.Filled.push_back(Code);
    if (Dropped > 0) {
        Font.Report.Cut.push_back(Code);
        Font.Report.PixelsDropped += Dropped;
    }
}

void FinishReport(TFont& Font) {
    Font.Report.Missing.clear();
    for (int Code = 0; Code < 256; ++Code)
        if (!Font.Glyphs[static_cast<std::size_t>(Code)] && (Code != 0 || Font.Report.Kept.empty()))
            Font.Report.Missing.push_back(static_cast<std::uint8_t>(Code));
}

}  // namespace detail

namespace {

bool IsGzip(std::span<const std::uint8_t> Data) { return Data.size() >= 2 && Data[0] == 0x1F && Data[1] == 0x8B; }

std::vector<std::uint8_t> Gunzip(std::span<const std::uint8_t> Data, const std::string& Name) {
    z_stream Stream{};
    if (inflateInit2(&Stream, 16 + MAX_WBITS) != Z_OK) throw TFontError(Name + ": cannot start unpacking gzip data");
    std::vector<std::uint8_t> Out;
    Stream.next_in = const_cast<Bytef*>(Data.data());
    Stream.avail_in = static_cast<uInt>(Data.size());
    int Result = Z_OK;
    std::uint8_t Chunk[65536];
    while (Result != Z_STREAM_END) {
        Stream.next_out = Chunk;
        Stream.avail_out = sizeof Chunk;
        Result = inflate(&Stream, Z_NO_FLUSH);
        if (Result != Z_OK && Result != Z_STREAM_END && Result != Z_BUF_ERROR) {
            inflateEnd(&Stream);
            throw TFontError(Name + ": corrupt gzip data");
        }
        const std::size_t Got = sizeof Chunk - Stream.avail_out;
        if (Result == Z_BUF_ERROR && Got == 0) {
            inflateEnd(&Stream);
            throw TFontError(Name + ": truncated gzip data");
        }
        if (Out.size() + Got > MaxUnpackedFontBytes) {
            inflateEnd(&Stream);
            throw TFontError(Name + ": unpacks to more than " + std::to_string(MaxUnpackedFontBytes >> 20) + " MiB");
        }
        Out.insert(Out.end(), Chunk, Chunk + Got);
    }
    inflateEnd(&Stream);
    return Out;
}

bool IsPsf(std::span<const std::uint8_t> Data) {
    return (Data.size() >= 2 && Data[0] == 0x36 && Data[1] == 0x04) ||
           (Data.size() >= 4 && Data[0] == 0x72 && Data[1] == 0xB5 && Data[2] == 0x4A && Data[3] == 0x86);
}

}  // namespace

TFont ReadFont(std::span<const std::uint8_t> Data, const std::string& Name, const TCodePage& Page) {
    if (Data.empty()) throw TFontError(Name + ": empty file");
    std::vector<std::uint8_t> Unpacked;
    if (IsGzip(Data)) {
        Unpacked = Gunzip(Data, Name);
        Data = Unpacked;
        if (Data.empty()) throw TFontError(Name + ": empty after unpacking");
    }
    // Only what looks like BDF or PCF goes to FreeType, which would otherwise try every format
    // it knows.
    const auto StartsWith = [&Data](std::string_view Magic) {
        return Data.size() >= Magic.size() &&
               std::equal(Magic.begin(), Magic.end(), Data.begin(),
                          [](char M, std::uint8_t B) { return static_cast<std::uint8_t>(M) == B; });
    };
    TFont Font;
    if (IsPsf(Data))
        Font = detail::ReadPsfFont(Data, Name, Page);
    else if (StartsWith("STARTFONT"))
        Font = detail::ReadFreeTypeFont(Data, Name, "BDF", Page);
    else if (StartsWith(std::string_view("\1fcp", 4)))
        Font = detail::ReadFreeTypeFont(Data, Name, "PCF", Page);
    else
        throw TFontError(Name + ": not a BDF, PCF or PSF font");
    detail::FinishReport(Font);
    return Font;
}

TFont ReadFontFile(const std::string& Path, const TCodePage& Page) {
    std::string Data;
    try {
        Data = host::ReadWholeFile(Path, MaxFontFileBytes);
    } catch (const host::EFileError& E) {
        throw TFontError(Path + ": " + E.Reason());
    }
    return ReadFont(std::span(reinterpret_cast<const std::uint8_t*>(Data.data()), Data.size()), Path, Page);
}

void ApplyFont(const TFont& Font, TEditMatrix& Matrix) {
    for (int Code = 0; Code < 256; ++Code)
        if (const auto& Glyph = Font.Glyphs[static_cast<std::size_t>(Code)])
            Matrix.ChangeChar(static_cast<host::Byte>(Code), *Glyph);
}

TImportReport ImportFont(const std::string& Path, const TCodePage& Page, TEditMatrix& Matrix) {
    const TFont Font = ReadFontFile(Path, Page);
    ApplyFont(Font, Matrix);
    return Font.Report;
}

TGlyphTable TableOf(const TEditMatrix& Matrix) {
    TGlyphTable Table{};
    for (int Code = 0; Code < 256; ++Code)
        for (int Column = 0; Column < 5; ++Column)
            Table[static_cast<std::size_t>(Code * 5 + Column)] =
                Matrix.GetCharColumn(static_cast<host::Byte>(Code), static_cast<host::Byte>(Column));
    return Table;
}

}  // namespace vyr::fonts
