#include "pcf_oracle.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <map>

namespace vyr::test {

namespace {

constexpr std::uint32_t Properties = 1u << 0, Accelerators = 1u << 1, Metrics = 1u << 2, Bitmaps = 1u << 3,
                        Encodings = 1u << 5;

std::vector<std::uint8_t> ReadGz(const std::string& Path) {
    std::vector<std::uint8_t> Out;
    gzFile File = gzopen(Path.c_str(), "rb");
    if (!File) return Out;
    std::uint8_t Chunk[65536];
    int Got = 0;
    while ((Got = gzread(File, Chunk, sizeof Chunk)) > 0) Out.insert(Out.end(), Chunk, Chunk + Got);
    gzclose(File);
    return Out;
}

struct TReader {
    const std::vector<std::uint8_t>& Data;
    std::size_t At = 0;
    bool Big = false;  // byte order of the current table
    std::uint32_t U32() {
        const std::uint8_t* P = &Data.at(At + 3) - 3;
        At += 4;
        return Big ? (std::uint32_t{P[0]} << 24 | std::uint32_t{P[1]} << 16 | std::uint32_t{P[2]} << 8 | P[3])
                   : (std::uint32_t{P[3]} << 24 | std::uint32_t{P[2]} << 16 | std::uint32_t{P[1]} << 8 | P[0]);
    }
    int S16() {
        const std::uint8_t* P = &Data.at(At + 1) - 1;
        At += 2;
        return static_cast<std::int16_t>(Big ? (P[0] << 8 | P[1]) : (P[1] << 8 | P[0]));
    }
    std::uint8_t U8() { return Data.at(At++); }
    // Starts a table: its format word is always little-endian, and says the order of the rest.
    std::uint32_t Table(std::size_t Offset) {
        At = Offset;
        Big = false;
        const std::uint32_t Format = U32();
        Big = (Format & 4) != 0;
        return Format;
    }
};

}  // namespace

TPcfOracle::TPcfOracle(const std::string& Path) {
    const std::vector<std::uint8_t> Data = ReadGz(Path);
    if (Data.size() < 8 || std::memcmp(Data.data(), "\1fcp", 4) != 0) {
        ADD_FAILURE() << Path << ": not a PCF file";
        return;
    }
    TReader R{Data};
    R.At = 4;
    const std::uint32_t Count = R.U32();
    std::map<std::uint32_t, std::size_t> Offsets;
    for (std::uint32_t I = 0; I < Count; ++I) {
        const std::uint32_t Type = R.U32();
        R.U32();  // format
        R.U32();  // size
        Offsets[Type] = R.U32();
    }

    // FONT_ASCENT from the properties, where it is one.
    R.Table(Offsets.at(Properties));
    const std::uint32_t PropCount = R.U32();
    std::vector<std::pair<std::uint32_t, std::uint32_t>> Props;
    std::vector<bool> IsString;
    for (std::uint32_t I = 0; I < PropCount; ++I) {
        const std::uint32_t Name = R.U32();
        IsString.push_back(R.U8() != 0);
        Props.emplace_back(Name, R.U32());
    }
    R.At += (PropCount & 3) ? 4 - (PropCount & 3) : 0;
    R.U32();  // string pool size
    const std::size_t Strings = R.At;
    for (std::size_t I = 0; I < Props.size(); ++I)
        if (!IsString[I] &&
            std::strcmp(reinterpret_cast<const char*>(&Data.at(Strings + Props[I].first)), "FONT_ASCENT") == 0)
            FAscent = static_cast<int>(Props[I].second);

    // bdftopcf moves FONT_ASCENT into the accelerators: after 8 bytes of flags, the ascent.
    if (FAscent == 0) {
        R.Table(Offsets.at(Accelerators));
        R.At += 8;
        FAscent = static_cast<int>(R.U32());
    }

    // Metrics.
    const std::uint32_t MetricsFormat = R.Table(Offsets.at(Metrics));
    const bool Compressed = (MetricsFormat & 0x100) != 0;
    const std::size_t GlyphCount = Compressed ? static_cast<std::size_t>(R.S16()) : R.U32();
    FGlyphs.resize(GlyphCount);
    for (auto& G : FGlyphs) {
        if (Compressed) {
            G.Left = R.U8() - 0x80;
            G.Right = R.U8() - 0x80;
            R.U8();  // width
            G.Ascent = R.U8() - 0x80;
            G.Descent = R.U8() - 0x80;
        } else {
            G.Left = R.S16();
            G.Right = R.S16();
            R.S16();
            G.Ascent = R.S16();
            G.Descent = R.S16();
            R.S16();
        }
    }

    // Bitmaps: rows padded to 1 << (format & 3) bytes, bits most significant first unless
    // format bit 3 is clear.
    const std::uint32_t BitmapFormat = R.Table(Offsets.at(Bitmaps));
    const std::size_t Pad = std::size_t{1} << (BitmapFormat & 3);
    const bool MsbBit = (BitmapFormat & 8) != 0;
    EXPECT_EQ(R.U32(), GlyphCount);
    std::vector<std::uint32_t> GlyphOffsets;
    for (std::size_t I = 0; I < GlyphCount; ++I) GlyphOffsets.push_back(R.U32());
    R.At += 16;  // the four bitmap sizes
    const std::size_t Base = R.At;
    for (std::size_t I = 0; I < GlyphCount; ++I) {
        TGlyph& G = FGlyphs[I];
        const int Width = G.Right - G.Left, Height = G.Ascent + G.Descent;
        const std::size_t RowBytes = (static_cast<std::size_t>(Width + 7) / 8 + Pad - 1) / Pad * Pad;
        for (int Y = 0; Y < Height; ++Y) {
            std::vector<bool> Row;
            for (int X = 0; X < Width; ++X) {
                const std::uint8_t Byte = Data.at(Base + GlyphOffsets[I] + static_cast<std::size_t>(Y) * RowBytes +
                                                  static_cast<std::size_t>(X / 8));
                Row.push_back(((MsbBit ? Byte >> (7 - X % 8) : Byte >> (X % 8)) & 1) != 0);
            }
            G.Rows.push_back(Row);
        }
    }

    // Encodings.
    R.Table(Offsets.at(Encodings));
    FMinByte2 = R.S16();
    FMaxByte2 = R.S16();
    FMinByte1 = R.S16();
    FMaxByte1 = R.S16();
    R.S16();  // default char
    const int Entries = (FMaxByte2 - FMinByte2 + 1) * (FMaxByte1 - FMinByte1 + 1);
    for (int I = 0; I < Entries; ++I) FIndex.push_back(static_cast<std::uint16_t>(R.S16()));
}

std::optional<std::array<std::uint8_t, 5>> TPcfOracle::Cell(std::uint32_t Code) const {
    const int Byte1 = static_cast<int>(Code >> 8), Byte2 = static_cast<int>(Code & 0xFF);
    if (Byte1 < FMinByte1 || Byte1 > FMaxByte1 || Byte2 < FMinByte2 || Byte2 > FMaxByte2) return std::nullopt;
    const std::uint16_t Index =
        FIndex.at(static_cast<std::size_t>((Byte1 - FMinByte1) * (FMaxByte2 - FMinByte2 + 1) + Byte2 - FMinByte2));
    if (Index == 0xFFFF) return std::nullopt;
    const TGlyph& G = FGlyphs.at(Index);
    std::array<std::uint8_t, 5> Cell{};
    for (std::size_t Y = 0; Y < G.Rows.size(); ++Y)
        for (std::size_t X = 0; X < G.Rows[Y].size(); ++X) {
            const int Row = FAscent - G.Ascent + static_cast<int>(Y), Column = G.Left + static_cast<int>(X);
            if (G.Rows[Y][X] && Row >= 0 && Row < 7 && Column >= 0 && Column < 5)
                Cell[static_cast<std::size_t>(Column)] |= static_cast<std::uint8_t>(1 << (6 - Row));
        }
    return Cell;
}

}  // namespace vyr::test
