// `--font`, `--codepage` and `vyrmatrix font` run as a subprocess: Debian's Cyrillic 5x7 font
// checked against the tests' own PCF reader, text through code pages, round trips through the
// exported files, and bad arguments.
#include <gtest/gtest.h>

#include <fstream>

#include "cli_support.h"
#include "fonts/pcf_oracle.h"

namespace vyr::cli {
namespace {

using test::ParseJson;
using test::RunTool;
using test::TJson;
using test::TRunResult;
using test::TScratchDir;

const std::string Cyrillic = "/usr/share/fonts/X11/misc/5x7-ISO8859-5.pcf.gz";
const std::string Unicode = "/usr/share/fonts/X11/misc/5x7.pcf.gz";

// The state object of a successful run that prints exactly one state line.
TJson StateOf(const std::vector<std::string>& Args) {
    const TRunResult R = RunTool(Args);
    EXPECT_EQ(R.Status, 0) << R.Err;
    EXPECT_EQ(R.Err, "");
    const auto Lines = R.OutLines();
    EXPECT_EQ(Lines.size(), 1u) << R.Out;
    return Lines.empty() ? TJson{} : ParseJson(Lines[0]);
}

std::string Utf8(const std::u32string& Text) {
    std::string Out;
    for (const char32_t C : Text) {
        if (C < 0x80) {
            Out += static_cast<char>(C);
        } else if (C < 0x800) {
            Out += static_cast<char>(0xC0 | (C >> 6));
            Out += static_cast<char>(0x80 | (C & 0x3F));
        } else {
            Out += static_cast<char>(0xE0 | (C >> 12));
            Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
            Out += static_cast<char>(0x80 | (C & 0x3F));
        }
    }
    return Out;
}

std::string Field(const TJson& State, const std::string& Key) { return Utf8(State.Object->at(Key).String); }

// The glyph of Code in a CharTable string (ten hex digits).
std::string GlyphHex(const std::string& Table, int Code) {
    return Table.substr(static_cast<std::size_t>(Code) * 10, 10);
}

std::string Hex(const std::array<std::uint8_t, 5>& Glyph) {
    static const char* Digits = "0123456789abcdef";
    std::string Out;
    for (const auto B : Glyph) {
        Out += Digits[B >> 4];
        Out += Digits[B & 15];
    }
    return Out;
}

TEST(FontOptions, CyrillicFontAndCodePageShowTheFontsGlyphsAndReadTheTextBack) {
    const vyr::test::TPcfOracle Oracle(Cyrillic);
    const std::string BuiltIn = Field(StateOf({"render", "--state"}), "CharTable");
    struct TRow {
        std::vector<std::string> Args;
        const char* Text;
    };
    const TRow Table[] = {
        {{"render", "--font", Cyrillic, "--codepage", "ISO-8859-5", "--set", "Text=Привет", "--state"}, "Привет"},
        {{"render", "--codepage", "ISO-8859-5", "--siblings", "1", "--font", Cyrillic, "--type", "Привет", "--state"},
         "Привет"},
        // A Unicode font through the same code page fills the same codes with the same letters.
        {{"render", "--font", Unicode, "--codepage", "iso-8859-5", "--set", "Text=Привет", "--state"}, "Привет"},
        {{"render", "--font", Cyrillic, "--codepage", "ISO-8859-5", "--set", "Text=Привет €", "--state"}, "Привет ?"},
    };
    for (const TRow& R : Table) {
        const TJson State = StateOf(R.Args);
        EXPECT_EQ(Field(State, "Text"), R.Text) << R.Args[2];
        const std::string CharTable = Field(State, "CharTable");
        // П р и в е т at their ISO 8859-5 codes.
        for (const int Code : {0xBF, 0xE0, 0xD8, 0xD2, 0xD5, 0xE2})
            EXPECT_EQ(GlyphHex(CharTable, Code), Hex(*Oracle.Cell(static_cast<std::uint32_t>(Code))))
                << R.Args[2] << " " << Code;
        // A code both fonts lack keeps the built-in glyph.
        EXPECT_EQ(GlyphHex(CharTable, 127), GlyphHex(BuiltIn, 127));
    }
    EXPECT_NE(GlyphHex(BuiltIn, 0xBF), Hex(*Oracle.Cell(0xBF)));
}

TEST(FontOptions, WithoutACodePageTextStaysLatin1) {
    const TJson Plain = StateOf({"render", "--set", "Text=Grüße Ж", "--state"});
    const TJson Latin1 = StateOf({"render", "--codepage", "ISO-8859-1", "--set", "Text=Grüße Ж", "--state"});
    EXPECT_EQ(Field(Plain, "Text"), "Grüße ?");
    EXPECT_EQ(Field(Latin1, "Text"), "Grüße ?");
    EXPECT_EQ(Field(Plain, "CharTable"), Field(Latin1, "CharTable"));
    // The KOI8-R text through its page: the state reads it back.
    EXPECT_EQ(Field(StateOf({"render", "--codepage", "KOI8-R", "--set", "Text=Ёлка", "--state"}), "Text"), "Ёлка");
}

TEST(FontOptions, LiveCommandsTakeTheFontAndDecodeTheirText) {
    const TRunResult Edit = RunTool({"edit", "--font", Cyrillic, "Привет", "--codepage", "ISO-8859-5"});
    EXPECT_EQ(Edit.Status, 0) << Edit.Err;
    EXPECT_EQ(Edit.Out, "Привет\n");
    TScratchDir Dir;
    const TRunResult Gif = RunTool(
        {"gif", "--codepage", "ISO-8859-5", "--font", Cyrillic, "Привет", "-o", Dir.File("a.gif"), "--frames", "2"});
    EXPECT_EQ(Gif.Status, 0) << Gif.Err;
    EXPECT_TRUE(test::FileExists(Dir.File("a.gif")));
}

TEST(FontCommand, ExportedFilesImportBackToTheSameTable) {
    TScratchDir Dir;
    for (const std::vector<std::string>& Source :
         {std::vector<std::string>{}, std::vector<std::string>{"--font", Cyrillic},
          std::vector<std::string>{"--font", Unicode, "--codepage", "ISO-8859-7"}}) {
        std::vector<std::string> Render = {"render"};
        Render.insert(Render.end(), Source.begin(), Source.end());
        Render.push_back("--state");
        const std::string Expected = Field(StateOf(Render), "CharTable");

        std::vector<std::string> Export = {"font", "export", Dir.File("t.bdf")};
        Export.insert(Export.end(), Source.begin(), Source.end());
        const TRunResult R = RunTool(Export);
        ASSERT_EQ(R.Status, 0) << R.Err;
        EXPECT_EQ(Field(StateOf({"render", "--font", Dir.File("t.bdf"), "--state"}), "CharTable"), Expected);
        const TRunResult Report = RunTool({"font", "import", Dir.File("t.bdf")});
        EXPECT_EQ(Report.Out, Dir.File("t.bdf") +
                                  ": BDF font, mapped code for code\ncodes filled: 256 (0-255)\n"
                                  "codes missing: 0\nglyphs cut: 0\npixels dropped: 0\n");
    }
    ASSERT_EQ(RunTool({"font", "export", Dir.File("sign-font.hpp")}).Status, 0);
    const std::string Header = test::ReadFile(Dir.File("sign-font.hpp"));
    EXPECT_NE(Header.find("std::array<std::uint8_t, 1280> sign_font = {"), std::string::npos);
    EXPECT_NE(Header.find("0x3F, 0x48, 0x48, 0x48, 0x3F,  // 65 'A'"), std::string::npos);
}

TEST(FontCommand, ImportReportsAndShowDrawsAGlyph) {
    struct TRow {
        std::vector<std::string> Args;
        std::string Out;
    };
    const TRow Table[] = {
        {{"font", "import", "--codepage", "KOI8-R", Unicode},
         Unicode + ": PCF font, Unicode, mapped through KOI8-R\ncodes filled: 224 (0, 32-126, 128-255)\n"
                   "codes missing: 32 (1-31, 127)\nglyphs cut: 0\npixels dropped: 0\n"},
        {{"font", "show", "65"}, ".XXX.\nX...X\nX...X\nXXXXX\nX...X\nX...X\nX...X\n"},
        {{"font", "show", "A"}, ".XXX.\nX...X\nX...X\nXXXXX\nX...X\nX...X\nX...X\n"},
        {{"font", "show", "1"}, "..X..\n.XX..\n..X..\n..X..\n..X..\n..X..\n.XXX.\n"},
        {{"font", "show", "00"}, ".....\n.....\n.....\n.....\n.....\n.....\n.....\n"},
        {{"font", "show", "П", "--font", Cyrillic, "--codepage", "ISO-8859-5"},
         "XXXX.\nX..X.\nX..X.\nX..X.\nX..X.\nX..X.\n.....\n"},
    };
    for (const TRow& R : Table) {
        const TRunResult Run = RunTool(R.Args);
        EXPECT_EQ(Run.Status, 0) << R.Args[1] << " " << Run.Err;
        EXPECT_EQ(Run.Out, R.Out) << R.Args[1] << " " << R.Args[2];
    }
}

TEST(FontCommand, BadArgumentsExitWithOneLineNamingThem) {
    TScratchDir Dir;
    { std::ofstream(Dir.File("junk.pcf")) << "not a font"; }
    struct TRow {
        std::vector<std::string> Args;
        std::string Err;
    };
    const TRow Table[] = {
        {{"render", "--font", Dir.File("none.bdf"), "--state"},
         "vyrmatrix: render: bad argument '--font " + Dir.File("none.bdf") + "': No such file or directory"},
        {{"render", "--font", Dir.File("junk.pcf"), "--state"},
         "vyrmatrix: render: bad argument '--font " + Dir.File("junk.pcf") + "': not a BDF, PCF or PSF font"},
        {{"render", "--font", Dir.Path().string(), "--state"},
         "vyrmatrix: render: bad argument '--font " + Dir.Path().string() + "': Is a directory"},
        {{"render", "--codepage", "UTF-8", "--state"},
         "vyrmatrix: render: bad argument '--codepage UTF-8': not a single-byte code page iconv knows"},
        {{"render", "--codepage", "NOPE", "--state"},
         "vyrmatrix: render: bad argument '--codepage NOPE': not a single-byte code page iconv knows"},
        {{"render", "--codepage"}, "vyrmatrix: render: bad argument '--codepage': missing the code page"},
        {{"render", "--font", Cyrillic, "--font", Cyrillic, "--state"},
         "vyrmatrix: render: bad argument '--font': given more than once"},
        {{"render", "--state", "--font", Cyrillic},
         "vyrmatrix: render: bad argument '--font': a global option goes before the actions, not after '--state' "
         "(vyrmatrix render [GLOBAL OPTIONS] ACTION...)"},
        {{"scroll", "--font", Dir.File("junk.pcf")},
         "vyrmatrix: scroll: bad argument '--font " + Dir.File("junk.pcf") + "': not a BDF, PCF or PSF font"},
        {{"gif", "x", "-o", Dir.File("x.gif"), "--codepage", "NOPE"},
         "vyrmatrix: gif: bad argument '--codepage NOPE': not a single-byte code page iconv knows"},
        {{"font", "import", Dir.File("junk.pcf")},
         "vyrmatrix: font: bad argument '--font " + Dir.File("junk.pcf") + "': not a BDF, PCF or PSF font"},
        {{"font", "import"}, "vyrmatrix: font: bad argument 'import': missing: the font file"},
        {{"font", "export", Dir.File("t.txt")},
         "vyrmatrix: font: bad argument '" + Dir.File("t.txt") + "': unsupported export type (use .bdf, .h or .hpp)"},
        {{"font", "show", "256"}, "vyrmatrix: font: bad argument '256': '256' is above the limit 255"},
        {{"font", "show", "€"}, "vyrmatrix: font: bad argument '€': not a character of code page ISO-8859-1"},
        {{"font", "show", "AB"}, "vyrmatrix: font: bad argument 'AB': expected one character or a code 00 to 255"},
        {{"font", "draw"}, "vyrmatrix: font: bad argument 'draw': unknown font command (import, export or show)"},
    };
    for (const TRow& R : Table) {
        const TRunResult Run = RunTool(R.Args);
        EXPECT_EQ(Run.Status, 2) << R.Err;
        EXPECT_EQ(Run.Out, "") << R.Err;
        EXPECT_EQ(Run.ErrLines(), std::vector<std::string>{R.Err});
    }
    EXPECT_FALSE(test::FileExists(Dir.File("x.gif")));
}

}  // namespace
}  // namespace vyr::cli
