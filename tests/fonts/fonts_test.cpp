// Font import and export and code pages: Debian's 5x7 fonts against the tests' own PCF reader,
// round trips through BDF, PSF console fonts built here, and broken files with their messages.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "pcf_oracle.h"
#include "support/test_support.h"
#include "vyr/fonts/Fonts.h"

namespace vyr::test {
namespace {

using fonts::TCodePage;
using fonts::TFontError;
using fonts::TGlyph;
using fonts::TGlyphTable;

const std::string FontDir = "/usr/share/fonts/X11/misc/";

std::vector<std::uint8_t> Bytes(std::string_view Text) { return {Text.begin(), Text.end()}; }

std::string Rows(const std::optional<TGlyph>& Glyph) { return Glyph ? fonts::GlyphRows(*Glyph) : "(none)"; }

std::vector<std::uint8_t> Gzip(const std::vector<std::uint8_t>& Data) {
    z_stream S{};
    deflateInit2(&S, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::vector<std::uint8_t> Out(deflateBound(&S, Data.size()) + 64);
    S.next_in = const_cast<Bytef*>(Data.data());
    S.avail_in = static_cast<uInt>(Data.size());
    S.next_out = Out.data();
    S.avail_out = static_cast<uInt>(Out.size());
    deflate(&S, Z_FINISH);
    Out.resize(S.total_out);
    deflateEnd(&S);
    return Out;
}

// ---- Debian's 5x7 fonts against the tests' own PCF reader ----

struct TDebianFont {
    const char* File;
    const char* Page;  // code page for the import
    bool Unicode;      // the font's codes are Unicode: the oracle looks up the page's character
};

class DebianFont : public ::testing::TestWithParam<TDebianFont> {};

TEST_P(DebianFont, EveryImportedGlyphIsTheFontsOwnBitmapInTheCell) {
    const TDebianFont& P = GetParam();
    const TCodePage Page = TCodePage::Open(P.Page);
    const TPcfOracle Oracle(FontDir + P.File);
    ASSERT_EQ(Oracle.Ascent(), 6);
    const fonts::TFont Font = fonts::ReadFontFile(FontDir + P.File, Page);
    EXPECT_EQ(Font.Report.Format, "PCF");
    EXPECT_EQ(Font.Report.Unicode, P.Unicode);
    std::size_t Filled = 0;
    for (int Code = 0; Code < 256; ++Code) {
        std::optional<std::array<std::uint8_t, 5>> Expected;
        if (!P.Unicode)
            Expected = Oracle.Cell(static_cast<std::uint32_t>(Code));
        else if (const auto C = Page.CharOf(static_cast<std::uint8_t>(Code)))
            Expected = Oracle.Cell(*C);
        EXPECT_EQ(Rows(Font.Glyphs[static_cast<std::size_t>(Code)]), Rows(Expected)) << P.File << " code " << Code;
        Filled += Expected ? 1 : 0;
    }
    EXPECT_EQ(Font.Report.Filled.size(), Filled);
    EXPECT_EQ(Font.Report.Filled.size() + Font.Report.Missing.size(), 256u);
    EXPECT_GT(Filled, 180u);
    // The 5x7 fonts fit the cell: nothing is cut.
    EXPECT_TRUE(Font.Report.Cut.empty());
    EXPECT_EQ(Font.Report.PixelsDropped, 0u);
}

INSTANTIATE_TEST_SUITE_P(Fonts, DebianFont,
                         ::testing::Values(TDebianFont{"5x7-ISO8859-1.pcf.gz", "ISO-8859-1", false},
                                           TDebianFont{"5x7-ISO8859-5.pcf.gz", "ISO-8859-1", false},
                                           TDebianFont{"5x7.pcf.gz", "ISO-8859-5", true},
                                           TDebianFont{"5x7.pcf.gz", "ISO-8859-7", true},
                                           TDebianFont{"5x7.pcf.gz", "CP437", true}));

// A few glyphs written out, so that the oracle itself is checked against the picture.
TEST(DebianFont, KnownGlyphsSitOnTheBaselineWithTheDescentInTheBottomRow) {
    struct TRow {
        const char* File;
        const char* Page;
        std::uint8_t Code;
        const char* Picture;
    };
    const TRow Table[] = {
        {"5x7-ISO8859-1.pcf.gz", "ISO-8859-1", 'A', ".XX..\nX..X.\nX..X.\nXXXX.\nX..X.\nX..X.\n.....\n"},
        {"5x7-ISO8859-1.pcf.gz", "ISO-8859-1", 'g', ".....\n.....\n.XXX.\nX..X.\n.XX..\nX....\n.XXX.\n"},
        {"5x7-ISO8859-5.pcf.gz", "ISO-8859-5", 0xBF /* П */, "XXXX.\nX..X.\nX..X.\nX..X.\nX..X.\nX..X.\n.....\n"},
        {"5x7.pcf.gz", "ISO-8859-7", 0xD9 /* Ω */, "..X..\n.X.X.\n.X.X.\n.X.X.\n..X..\n.X.X.\n.....\n"},
    };
    for (const TRow& R : Table) {
        const auto Font = fonts::ReadFontFile(FontDir + R.File, TCodePage::Open(R.Page));
        EXPECT_EQ(Rows(Font.Glyphs[R.Code]), R.Picture) << R.File << " code " << int{R.Code};
    }
}

// ---- Export ----

TGlyphTable RandomTable(unsigned Seed) {
    std::mt19937 Random(Seed);
    TGlyphTable Table{};
    for (auto& Byte : Table) Byte = static_cast<std::uint8_t>(Random() & 0x7F);
    return Table;
}

TGlyphTable TableOfFont(const fonts::TFont& Font, TGlyphTable Table) {
    for (std::size_t Code = 0; Code < 256; ++Code)
        if (Font.Glyphs[Code])
            for (std::size_t K = 0; K < 5; ++K) Table[Code * 5 + K] = (*Font.Glyphs[Code])[K];
    return Table;
}

TEST(FontExport, BdfReadBackGivesTheSame1280BytesForEveryTable) {
    TFormWithMatrix F;
    const TGlyphTable BuiltIn = fonts::TableOf(*F.Matrix);
    fonts::ImportFont(FontDir + "5x7.pcf.gz", TCodePage::Open("KOI8-R"), *F.Matrix);
    const TGlyphTable Koi8 = fonts::TableOf(*F.Matrix);
    ASSERT_NE(Koi8, BuiltIn);
    const std::pair<TGlyphTable, const char*> Tables[] = {
        {BuiltIn, "ISO-8859-1"}, {Koi8, "KOI8-R"}, {RandomTable(1), "CP437"}, {RandomTable(2), "ISO-8859-7"}};
    for (const auto& [Table, PageName] : Tables) {
        const std::string Bdf = fonts::WriteBdf(Table, PageName);
        // Read back into a table that differs everywhere: all 256 codes must be filled.
        TGlyphTable Other{};
        Other.fill(0x55);
        const auto Font = fonts::ReadFont(Bytes(Bdf), "table.bdf", TCodePage::Open(PageName));
        EXPECT_EQ(Font.Report.Filled.size(), 256u) << PageName;
        EXPECT_TRUE(Font.Report.Cut.empty()) << PageName;
        EXPECT_EQ(TableOfFont(Font, Other), Table) << PageName;
        // gzip-compressed too
        EXPECT_EQ(TableOfFont(fonts::ReadFont(Gzip(Bytes(Bdf)), "table.bdf.gz", TCodePage::Latin1()), Other), Table);
    }
}

TEST(FontExport, FileWrittenAndImportedIntoAControlRestoresItsTable) {
    TScratchDir Dir;
    TFormWithMatrix Source, Target;
    fonts::ImportFont(FontDir + "5x7-ISO8859-5.pcf.gz", TCodePage::Latin1(), *Source.Matrix);
    fonts::WriteFontFile(Dir.File("t.bdf"), fonts::WriteBdf(fonts::TableOf(*Source.Matrix), "ISO-8859-5"));
    fonts::WriteFontFile(Dir.File("t.bdf"), fonts::WriteBdf(fonts::TableOf(*Source.Matrix), "ISO-8859-5"));  // replaces
    const auto Report = fonts::ImportFont(Dir.File("t.bdf"), TCodePage::Latin1(), *Target.Matrix);
    EXPECT_EQ(Report.Missing.size(), 0u);
    EXPECT_EQ(fonts::TableOf(*Target.Matrix), fonts::TableOf(*Source.Matrix));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir.Path()), {}), 1) << "no temporary file left";
    EXPECT_THROW(fonts::WriteFontFile(Dir.File("missing/t.bdf"), "x"), TFontError);
}

TEST(FontExport, CppArrayHoldsEveryByteInOrder) {
    const TGlyphTable Table = RandomTable(3);
    const std::string Text = fonts::WriteCppArray(Table, "SignFont");
    EXPECT_NE(Text.find("inline constexpr std::array<std::uint8_t, 1280> SignFont = {"), std::string::npos);
    std::vector<std::uint8_t> Read;
    for (std::size_t At = Text.find("0x"); At != std::string::npos; At = Text.find("0x", At + 2))
        Read.push_back(static_cast<std::uint8_t>(std::stoi(Text.substr(At + 2, 2), nullptr, 16)));
    EXPECT_EQ(Read, std::vector<std::uint8_t>(Table.begin(), Table.end()));
}

// ---- Geometry and PSF ----

// A BDF font of one glyph per row, ascent 6 and descent 1 like Debian's 5x7 fonts.
std::string OneGlyphBdf(int Code, const char* Bbx, std::initializer_list<const char*> Bitmap, int Ascent = 6) {
    std::string Out =
        "STARTFONT 2.1\nFONT -t-t-medium-r-normal--7-70-75-75-c-50-iso8859-1\nSIZE 7 75 75\n"
        "FONTBOUNDINGBOX 8 9 -1 -2\nSTARTPROPERTIES 2\nFONT_ASCENT " +
        std::to_string(Ascent) + "\nFONT_DESCENT 1\nENDPROPERTIES\nCHARS 1\nSTARTCHAR g\nENCODING " +
        std::to_string(Code) + "\nSWIDTH 500 0\nDWIDTH 6 0\nBBX " + Bbx + "\nBITMAP\n";
    for (const char* Row : Bitmap) Out += std::string(Row) + "\n";
    return Out + "ENDCHAR\nENDFONT\n";
}

TEST(FontGeometry, PixelsLandByOriginAndAscentAndOutsidersAreCounted) {
    struct TRow {
        const char* Case;
        std::string Bdf;
        const char* Picture;
        std::size_t Dropped;
    };
    const TRow Table[] = {
        {"full cell, top row at ascent - 1, last row the descent",
         OneGlyphBdf(65, "5 7 0 -1", {"F8", "80", "80", "80", "80", "80", "88"}),
         "XXXXX\nX....\nX....\nX....\nX....\nX....\nX...X\n", 0},
        {"glyph sitting on the baseline leaves the descent row dark", OneGlyphBdf(65, "2 2 1 0", {"C0", "40"}),
         ".....\n.....\n.....\n.....\n.XX..\n..X..\n.....\n", 0},
        {"left of the origin and right of column 4 are dropped", OneGlyphBdf(65, "8 1 -1 3", {"FF"}),
         ".....\n.....\nXXXXX\n.....\n.....\n.....\n.....\n", 3},
        {"above the ascent and below the descent are dropped",
         OneGlyphBdf(65, "1 9 0 -2", {"80", "80", "80", "80", "80", "80", "80", "80", "80"}),
         "X....\nX....\nX....\nX....\nX....\nX....\nX....\n", 2},
        {"an ascent of 7 moves everything one row down", OneGlyphBdf(65, "1 1 0 0", {"80"}, 7),
         ".....\n.....\n.....\n.....\n.....\n.....\nX....\n", 0},
    };
    for (const TRow& R : Table) {
        const auto Font = fonts::ReadFont(Bytes(R.Bdf), "g.bdf", TCodePage::Latin1());
        EXPECT_EQ(Rows(Font.Glyphs[65]), R.Picture) << R.Case;
        EXPECT_EQ(Font.Report.PixelsDropped, R.Dropped) << R.Case;
        EXPECT_EQ(Font.Report.Cut, R.Dropped ? std::vector<std::uint8_t>{65} : std::vector<std::uint8_t>{}) << R.Case;
        EXPECT_EQ(Font.Report.Filled, std::vector<std::uint8_t>{65}) << R.Case;
        EXPECT_EQ(Font.Report.Missing.size(), 255u) << R.Case;
    }
}

// PSF fonts: Count glyphs of Width x Height, with a Unicode table when Unicode is given (the
// characters of glyph g at Unicode[g]); glyph g has its top row all lit and, in row 1, the
// pixel at column g % Width, so each glyph is recognisable.
std::vector<std::uint8_t> Psf(int Version, int Count, int Width, int Height,
                              const std::vector<std::vector<char32_t>>& Unicode = {}) {
    const std::size_t RowBytes = static_cast<std::size_t>((Width + 7) / 8);
    std::vector<std::uint8_t> Out;
    const auto Le32 = [&Out](std::uint32_t V) {
        for (int I = 0; I < 4; ++I) Out.push_back(static_cast<std::uint8_t>(V >> (8 * I)));
    };
    if (Version == 1) {
        Out = {0x36, 0x04, static_cast<std::uint8_t>((Count == 512 ? 1 : 0) | (Unicode.empty() ? 0 : 2)),
               static_cast<std::uint8_t>(Height)};
    } else {
        Out = {0x72, 0xB5, 0x4A, 0x86};
        for (const std::uint32_t V : {0u, 32u, Unicode.empty() ? 0u : 1u, static_cast<std::uint32_t>(Count),
                                      static_cast<std::uint32_t>(RowBytes * static_cast<std::size_t>(Height)),
                                      static_cast<std::uint32_t>(Height), static_cast<std::uint32_t>(Width)})
            Le32(V);
    }
    for (int G = 0; G < Count; ++G)
        for (int Y = 0; Y < Height; ++Y)
            for (std::size_t B = 0; B < RowBytes; ++B) {
                std::uint8_t Byte = 0;
                for (int Bit = 0; Bit < 8; ++Bit) {
                    const int X = static_cast<int>(B) * 8 + Bit;
                    if (X < Width && (Y == 0 || (Y == 1 && X == G % Width)))
                        Byte |= static_cast<std::uint8_t>(0x80 >> Bit);
                }
                Out.push_back(Byte);
            }
    for (int G = 0; G < Count && !Unicode.empty(); ++G) {
        // Glyphs beyond the list name no character.
        const auto& Chars = static_cast<std::size_t>(G) < Unicode.size() ? Unicode[static_cast<std::size_t>(G)]
                                                                         : std::vector<char32_t>{};
        for (const char32_t C : Chars) {
            if (Version == 1) {
                Out.push_back(static_cast<std::uint8_t>(C));
                Out.push_back(static_cast<std::uint8_t>(C >> 8));
            } else {
                if (C < 0x80)
                    Out.push_back(static_cast<std::uint8_t>(C));
                else if (C < 0x800) {
                    Out.push_back(static_cast<std::uint8_t>(0xC0 | (C >> 6)));
                    Out.push_back(static_cast<std::uint8_t>(0x80 | (C & 0x3F)));
                } else {
                    Out.push_back(static_cast<std::uint8_t>(0xE0 | (C >> 12)));
                    Out.push_back(static_cast<std::uint8_t>(0x80 | ((C >> 6) & 0x3F)));
                    Out.push_back(static_cast<std::uint8_t>(0x80 | (C & 0x3F)));
                }
            }
        }
        if (Version == 1) {
            Out.push_back(0xFF);
            Out.push_back(0xFF);
        } else {
            Out.push_back(0xFF);
        }
    }
    return Out;
}

TEST(PsfFont, GlyphsMapCodeForCodeOrThroughTheUnicodeTableTopLeftAligned) {
    // Glyph g of a 4-glyph Unicode font shows: 0 'A', 1 'Ж' (U+0416), 2 'Ω' (U+03A9), 3 '€'.
    const std::vector<std::vector<char32_t>> Unicode = {{U'A', U'a'}, {0x416}, {0x3A9}, {0x20AC}};
    struct TRow {
        const char* Case;
        std::vector<std::uint8_t> Data;
        const char* Page;
        std::uint8_t Code;
        const char* Picture;  // nullptr: the code stays unfilled
        std::size_t Filled;
        std::size_t Dropped;
    };
    const TRow Table[] = {
        // 8x8: the top row loses 3 pixels, and row 1 one more for the 96 codes whose pixel is in
        // columns 5 to 7.
        {"PSF1 8x8, code 3", Psf(1, 256, 8, 8), "ISO-8859-1", 3, "XXXXX\n...X.\n.....\n.....\n.....\n.....\n.....\n",
         256, 256 * 3 + 96},
        {"PSF1 512 glyphs: the first 256 are used", Psf(1, 512, 8, 8), "ISO-8859-1", 255,
         "XXXXX\n.....\n.....\n.....\n.....\n.....\n.....\n", 256, 256 * 3 + 96},
        {"PSF2 5x7 fits exactly", Psf(2, 256, 5, 7), "ISO-8859-1", 7,
         "XXXXX\n..X..\n.....\n.....\n.....\n.....\n.....\n", 256, 0},
        {"PSF2 with fewer glyphs than codes", Psf(2, 10, 5, 7), "ISO-8859-1", 9,
         "XXXXX\n....X\n.....\n.....\n.....\n.....\n.....\n", 10, 0},
        {"PSF2 with fewer glyphs than codes: beyond them", Psf(2, 10, 5, 7), "ISO-8859-1", 10, nullptr, 10, 0},
        {"PSF2 12x3 cuts columns 5 to 11", Psf(2, 2, 12, 3), "ISO-8859-1", 1,
         "XXXXX\n.X...\n.....\n.....\n.....\n.....\n.....\n", 2, 2 * 7},
        {"PSF2 Unicode table through ISO-8859-5", Psf(2, 4, 5, 7, Unicode), "ISO-8859-5", 0xB6,
         "XXXXX\n.X...\n.....\n.....\n.....\n.....\n.....\n", 3, 0},
        {"PSF1 Unicode table through ISO-8859-7", Psf(1, 256, 5, 7, {{U'A'}, {0x416}, {0x3A9}}), "ISO-8859-7", 0xD9,
         "XXXXX\n..X..\n.....\n.....\n.....\n.....\n.....\n", 2, 0},
        {"PSF2 Unicode table: two characters, one glyph", Psf(2, 4, 5, 7, Unicode), "ISO-8859-15", 'a',
         "XXXXX\nX....\n.....\n.....\n.....\n.....\n.....\n", 3, 0},
        {"PSF2 Unicode table: euro in ISO-8859-15", Psf(2, 4, 5, 7, Unicode), "ISO-8859-15", 0xA4,
         "XXXXX\n...X.\n.....\n.....\n.....\n.....\n.....\n", 3, 0},
        {"PSF2 Unicode table: a code the font lacks", Psf(2, 4, 5, 7, Unicode), "ISO-8859-5", 'B', nullptr, 3, 0},
    };
    for (const TRow& R : Table) {
        const auto Font = fonts::ReadFont(R.Data, "c.psf", TCodePage::Open(R.Page));
        EXPECT_EQ(Rows(Font.Glyphs[R.Code]), R.Picture ? R.Picture : "(none)") << R.Case;
        EXPECT_EQ(Font.Report.Filled.size(), R.Filled) << R.Case;
        EXPECT_EQ(Font.Report.PixelsDropped, R.Dropped) << R.Case;
        // gzip-compressed the same
        EXPECT_EQ(Rows(fonts::ReadFont(Gzip(R.Data), "c.psf.gz", TCodePage::Open(R.Page)).Glyphs[R.Code]),
                  R.Picture ? R.Picture : "(none)")
            << R.Case;
    }
}

// ---- Broken files ----

std::vector<std::uint8_t> FileBytes(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(In), {}};
}

std::vector<std::uint8_t> Cut(std::vector<std::uint8_t> Data, std::size_t Size) {
    Data.resize(std::min(Data.size(), Size));
    return Data;
}

std::vector<std::uint8_t> Patch(std::vector<std::uint8_t> Data, std::size_t At, std::uint8_t Value) {
    Data.at(At) = Value;
    return Data;
}

std::vector<std::uint8_t> Unzipped(const std::string& Path) {
    const auto Packed = FileBytes(Path);
    std::vector<std::uint8_t> Out(1 << 20);
    uLongf Size = Out.size();
    z_stream S{};
    inflateInit2(&S, 16 + MAX_WBITS);
    S.next_in = const_cast<Bytef*>(Packed.data());
    S.avail_in = static_cast<uInt>(Packed.size());
    S.next_out = Out.data();
    S.avail_out = static_cast<uInt>(Size);
    inflate(&S, Z_FINISH);
    Out.resize(S.total_out);
    inflateEnd(&S);
    return Out;
}

TEST(BrokenFont, IsRejectedWithItsReasonAndTheTableIsLeftAsItWas) {
    const auto Pcf = Unzipped(FontDir + "5x7-ISO8859-1.pcf.gz");
    const auto PcfGz = FileBytes(FontDir + "5x7-ISO8859-1.pcf.gz");
    const auto Psf2 = Psf(2, 4, 5, 7, {{U'A'}, {U'B'}, {U'C'}, {U'D'}});
    const auto Bdf = Bytes(OneGlyphBdf(65, "5 7 0 -1", {"F8", "80", "80", "80", "80", "80", "88"}));
    struct TRow {
        const char* Case;
        std::vector<std::uint8_t> Data;
        const char* Message;
    };
    const TRow Table[] = {
        {"empty", {}, "f: empty file"},
        {"text", Bytes("hello, world\n"), "f: not a BDF, PCF or PSF font"},
        {"a TrueType-like header", Bytes(std::string("\0\1\0\0\0\0\0\0", 8)), "f: not a BDF, PCF or PSF font"},
        {"PCF cut in its tables", Cut(Pcf, 600), "f: broken PCF data"},
        {"PCF cut after its header", Cut(Pcf, 40), "f: truncated or broken PCF data"},
        {"gzip cut short", Cut(PcfGz, PcfGz.size() / 2), "f: truncated gzip data"},
        {"gzip with a broken body", Patch(Patch(PcfGz, 12, 0xFF), 13, 0xFF), "f: corrupt gzip data"},
        {"gzip of nothing", Gzip({}), "f: empty after unpacking"},
        {"BDF without its end", Cut(Bdf, Bdf.size() / 2), "f: broken or incomplete BDF data"},
        {"PSF1 header cut", {0x36, 0x04, 0x00}, "f: truncated PSF1 header"},
        {"PSF1 unknown mode", Patch(Psf(1, 256, 8, 8), 2, 0x10), "f: PSF1 header has unknown mode bits"},
        {"PSF1 height 0", Patch(Psf(1, 256, 8, 8), 3, 0), "f: PSF1 glyph height is 0"},
        {"PSF1 glyphs cut", Cut(Psf(1, 256, 8, 8), 1000),
         "f: truncated PSF1 glyphs (256 glyphs of 8 bytes need 2048, the file holds 996)"},
        {"PSF1 Unicode table cut",
         Cut(Psf(1, 256, 5, 7, std::vector<std::vector<char32_t>>(256, {U'x'})), 4 + 256 * 7 + 3),
         "f: truncated PSF1 Unicode table"},
        {"PSF2 header cut", Cut(Psf2, 31), "f: truncated PSF2 header"},
        {"PSF2 version 1", Patch(Psf2, 4, 1), "f: PSF2 version 1 is unknown"},
        {"PSF2 header size beyond the file", Patch(Psf2, 9, 0x10), "f: PSF2 header size 4128 is out of range"},
        {"PSF2 width 0", Patch(Psf2, 28, 0), "f: PSF2 glyph size 0x7 is out of range"},
        {"PSF2 huge height", Patch(Psf2, 27, 0x10), "f: PSF2 glyph size 5x268435463 is out of range"},
        {"PSF2 byte count off", Patch(Psf2, 20, 8), "f: PSF2 glyph byte count 8 does not fit 5x7"},
        {"PSF2 no glyphs", Patch(Psf2, 16, 0), "f: PSF2 font holds no glyphs"},
        {"PSF2 glyph count too large", Patch(Psf2, 19, 0x80),
         "f: truncated PSF2 glyphs (2147483652 glyphs of 7 bytes need 15032385564, the file holds 36)"},
        {"PSF2 Unicode table cut", Cut(Psf2, Psf2.size() - 1), "f: truncated PSF2 Unicode table"},
        {"PSF2 Unicode table not UTF-8", Patch(Psf2, 32 + 28, 0x80),
         "f: PSF2 Unicode table holds a byte that is not UTF-8"},
    };
    TFormWithMatrix F;
    const TGlyphTable Before = fonts::TableOf(*F.Matrix);
    TScratchDir Dir;
    for (const TRow& R : Table) {
        try {
            (void)fonts::ReadFont(R.Data, "f", TCodePage::Latin1());
            ADD_FAILURE() << R.Case << ": accepted";
        } catch (const TFontError& E) {
            EXPECT_STREQ(E.what(), R.Message) << R.Case;
        }
        // Through a file into a control: the control's glyphs are left as they were.
        {
            std::ofstream(Dir.File("f"), std::ios::binary)
                .write(reinterpret_cast<const char*>(R.Data.data()), static_cast<std::streamsize>(R.Data.size()));
        }
        EXPECT_THROW(fonts::ImportFont(Dir.File("f"), TCodePage::Latin1(), *F.Matrix), TFontError) << R.Case;
        EXPECT_EQ(fonts::TableOf(*F.Matrix), Before) << R.Case;
    }
}

TEST(BrokenFont, FilesThatAreNotFontFilesAreNamedWithTheReason) {
    TScratchDir Dir;
    { std::ofstream(Dir.File("huge.bdf")) << "STARTFONT 2.1\n"; }
    std::filesystem::resize_file(Dir.File("huge.bdf"), fonts::MaxFontFileBytes + 1);
    const std::pair<std::string, std::string> Table[] = {
        {Dir.File("absent.bdf"), Dir.File("absent.bdf") + ": No such file or directory"},
        {Dir.Path().string(), Dir.Path().string() + ": Is a directory"},
        {"/dev/null", "/dev/null: not a regular file (a character device)"},
        {Dir.File("huge.bdf"), Dir.File("huge.bdf") + ": larger than the limit of 16777216 bytes"},
    };
    for (const auto& [Path, Message] : Table) {
        try {
            (void)fonts::ReadFontFile(Path, TCodePage::Latin1());
            ADD_FAILURE() << Path << ": accepted";
        } catch (const TFontError& E) {
            EXPECT_EQ(E.what(), Message);
        }
    }
}

// ---- Code pages ----

TEST(CodePage, TextBecomesCodesAndReadsBackTheSame) {
    struct TRow {
        const char* Page;
        const char* Utf8;
        std::string Codes;
        const char* ReadBack;  // nullptr: the same as Utf8
    };
    const TRow Table[] = {
        {"ISO-8859-1", "Grüße ±÷",
         "Gr\xFC\xDF"
         "e \xB1\xF7",
         nullptr},
        {"ISO-8859-1", "€ Ж", "? ?", "? ?"},
        {"ISO-8859-5", "Привет", "\xBF\xE0\xD8\xD2\xD5\xE2", nullptr},
        {"ISO-8859-7", "Καλημέρα Ω", "\xCA\xE1\xEB\xE7\xEC\xDD\xF1\xE1 \xD9", nullptr},
        {"KOI8-R", "Привет", "\xF0\xD2\xC9\xD7\xC5\xD4", nullptr},
        {"WINDOWS-1252", "€5 „x“",
         "\x80"
         "5 \x84x\x93",
         nullptr},
        {"ISO-8859-15", "€ Œ", "\xA4 \xBC", nullptr},
        {"ISO-8859-2", "Łódź", "\xA3\xF3\x64\xBC", nullptr},
        {"CP437", "░▒▓ é", "\xB0\xB1\xB2 \x82", nullptr},
        {"ISO-8859-5", "Ж€", "\xB6?", "Ж?"},
        // Bytes that are not UTF-8 pass as their own codes.
        {"ISO-8859-5",
         "\xFF"
         "a\xC3",
         "\xFF"
         "a\xC3",
         "џ"
         "a"
         "У"},
        {"ISO-8859-1", "\xE2\x82", "\xE2\x82", "â\xC2\x82"},
        {"ISO-8859-1", "\xC0\x80\xED\xA0\x80", "\xC0\x80\xED\xA0\x80", "À\xC2\x80í\xC2\xA0\xC2\x80"},
    };
    for (const TRow& R : Table) {
        const TCodePage Page = TCodePage::Open(R.Page);
        EXPECT_EQ(Page.Encode(R.Utf8), R.Codes) << R.Page << " " << R.Utf8;
        EXPECT_EQ(Page.Decode(R.Codes), R.ReadBack ? R.ReadBack : R.Utf8) << R.Page << " " << R.Utf8;
    }
    // Latin-1 without iconv is the same as through it.
    const TCodePage Iconv = TCodePage::Open("ISO-8859-1"), Own = TCodePage::Latin1();
    for (int Code = 0; Code < 256; ++Code)
        EXPECT_EQ(Iconv.CharOf(static_cast<std::uint8_t>(Code)), Own.CharOf(static_cast<std::uint8_t>(Code)));
}

TEST(CodePage, EveryDefinedCodeRoundTripsAndUndefinedCodesReadAsReplacement) {
    for (const char* Name :
         {"ISO-8859-1", "WINDOWS-1252", "ISO-8859-2", "ISO-8859-5", "ISO-8859-7", "ISO-8859-15", "KOI8-R", "CP437"}) {
        const TCodePage Page = TCodePage::Open(Name);
        int Defined = 0;
        for (int Code = 0; Code < 256; ++Code) {
            const auto C = Page.CharOf(static_cast<std::uint8_t>(Code));
            if (!C) {
                EXPECT_EQ(Page.Decode(std::string(1, static_cast<char>(Code))), "\xEF\xBF\xBD") << Name << " " << Code;
                continue;
            }
            ++Defined;
            EXPECT_EQ(Page.CodeOf(*C), Code) << Name;
            const std::string One(1, static_cast<char>(Code));
            EXPECT_EQ(Page.Encode(Page.Decode(One)), One) << Name << " " << Code;
        }
        EXPECT_GE(Defined, 250) << Name;
    }
}

TEST(CodePage, UnknownOrMultiByteNamesAreRefused) {
    const std::pair<const char*, const char*> Table[] = {
        {"NO-SUCH-PAGE", "code page 'NO-SUCH-PAGE': not a character set iconv knows"},
        {"", "code page '': not a character set iconv knows"},
        {"UTF-8", "code page 'UTF-8': not a single-byte character set"},
        {"UTF-16LE", "code page 'UTF-16LE': not a single-byte character set"},
    };
    for (const auto& [Name, Message] : Table) {
        try {
            (void)TCodePage::Open(Name);
            ADD_FAILURE() << Name << ": accepted";
        } catch (const TFontError& E) {
            EXPECT_STREQ(E.what(), Message);
        }
    }
}

}  // namespace
}  // namespace vyr::test
