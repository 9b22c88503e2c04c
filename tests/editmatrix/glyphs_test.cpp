// The built-in glyph table and the glyph operations with their redraw rule.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "fixtures.h"

namespace vyr::test {
namespace {

// The built-in glyphs, column 0 first. Every other code is blank.
const std::map<int, std::string> Font = {
    {32, "00 00 00 00 00"},  {33, "00 7D 00 00 00"},  {34, "00 60 00 60 00"},  {35, "14 3E 14 3E 14"},
    {36, "32 49 7F 49 26"},  {37, "63 64 08 13 63"},  {38, "36 49 55 22 05"},  {39, "00 20 40 00 00"},
    {40, "00 1C 22 41 00"},  {41, "00 41 22 1C 00"},  {42, "2A 1C 08 1C 2A"},  {43, "08 08 3E 08 08"},
    {44, "00 01 02 00 00"},  {45, "08 08 08 08 08"},  {46, "00 01 00 00 00"},  {47, "03 04 08 10 60"},
    {48, "3E 49 51 61 3E"},  {49, "00 21 7F 01 00"},  {50, "21 43 45 49 31"},  {51, "22 41 49 49 36"},
    {52, "08 18 28 7F 08"},  {53, "72 51 51 51 4E"},  {54, "3E 49 49 49 26"},  {55, "40 40 4F 50 60"},
    {56, "36 49 49 49 36"},  {57, "32 49 49 49 3E"},  {58, "00 36 36 00 00"},  {59, "00 36 37 00 00"},
    {60, "08 14 22 41 41"},  {61, "14 14 14 14 14"},  {62, "41 41 22 14 08"},  {63, "20 40 45 48 30"},
    {64, "3E 41 59 49 3A"},  {65, "3F 48 48 48 3F"},  {66, "7F 49 49 49 36"},  {67, "3E 41 41 41 22"},
    {68, "7F 41 41 41 3E"},  {69, "7F 49 49 41 41"},  {70, "7F 48 48 40 40"},  {71, "3E 41 41 49 2F"},
    {72, "7F 08 08 08 7F"},  {73, "00 41 7F 41 00"},  {74, "42 41 41 41 7E"},  {75, "7F 08 10 28 47"},
    {76, "7F 01 01 01 01"},  {77, "7F 20 10 20 7F"},  {78, "7F 20 10 08 7F"},  {79, "3E 41 41 41 3E"},
    {80, "7F 48 48 48 30"},  {81, "3E 41 45 43 3F"},  {82, "7F 48 48 48 37"},  {83, "32 49 49 49 26"},
    {84, "40 40 7F 40 40"},  {85, "7E 01 01 01 7E"},  {86, "7C 02 01 02 7C"},  {87, "7E 01 06 01 7E"},
    {88, "63 14 08 14 63"},  {89, "60 10 0F 10 60"},  {90, "43 45 49 51 61"},  {91, "00 7F 41 41 00"},
    {92, "60 10 08 04 03"},  {93, "00 41 41 7F 00"},  {97, "02 15 15 15 0F"},  {98, "7F 09 11 11 0E"},
    {99, "0E 11 11 11 02"},  {100, "0E 11 11 09 7F"}, {101, "0E 15 15 15 08"}, {102, "08 3F 48 20 00"},
    {103, "08 15 15 15 1E"}, {104, "7F 08 10 10 0F"}, {105, "00 11 5F 01 00"}, {106, "02 01 11 5E 00"},
    {107, "7F 04 0A 11 00"}, {108, "00 41 7F 01 00"}, {109, "0F 10 0C 10 0F"}, {110, "1F 08 10 10 0F"},
    {111, "0E 11 11 11 0E"}, {112, "1F 14 12 12 0C"}, {113, "0C 12 14 1F 01"}, {114, "00 1F 08 10 10"},
    {115, "09 15 15 15 12"}, {116, "00 10 3E 11 02"}, {117, "1E 01 01 02 1F"}, {118, "1C 02 01 02 1C"},
    {119, "1E 01 06 01 1E"}, {120, "11 0A 04 0A 11"}, {121, "10 09 06 08 10"}, {122, "11 13 15 19 11"},
    {123, "00 08 36 41 00"}, {125, "00 41 36 08 00"}, {174, "08 14 2A 14 22"}, {175, "22 14 2A 14 08"},
    {197, "0F 14 54 14 0F"}, {198, "3F 48 7F 49 49"}, {216, "3F 43 5D 61 7E"}, {229, "02 15 55 15 0F"},
    {230, "13 15 0E 15 19"}, {241, "00 12 3A 12 00"}, {246, "08 08 2A 08 08"}, {248, "0E 13 15 19 0E"},
};

std::string Hex(const TEditMatrix& M, int Code) {
    std::string S;
    for (int k = 0; k < 5; ++k) {
        char Buffer[4];
        std::snprintf(Buffer, sizeof Buffer, "%02X ", M.GetCharColumn(static_cast<Byte>(Code), static_cast<Byte>(k)));
        S += Buffer;
    }
    S.pop_back();
    return S;
}

TEST(MatrixGlyphs, TableHoldsTheHundredBuiltInGlyphsAndBlankElsewhere) {
    ASSERT_EQ(Font.size(), 100U);
    TMatrixProbe M(nullptr);
    for (int Code = 0; Code < 256; ++Code) {
        const auto It = Font.find(Code);
        EXPECT_EQ(Hex(M, Code), It == Font.end() ? "00 00 00 00 00" : It->second) << "code " << Code;
    }
    std::array<Byte, 5> Zero{};
    for (int k = 0; k < 5; ++k) Zero[static_cast<std::size_t>(k)] = M.GetCharColumn('0', static_cast<Byte>(k));
    EXPECT_EQ(GlyphPicture(Zero),
              (std::vector<std::string>{".XXX.", "X..XX", "X.X.X", "XX..X", "X...X", "X...X", ".XXX."}));
}

TEST(MatrixGlyphs, ColumnAccessOutsideTheGlyphReads255AndWritesNothing) {
    TFormWithMatrix F;
    TMatrixProbe& M = *F.Matrix;
    M.FSetText("AAA");
    const auto Before = M.CharTable();
    F.ResetCounters();
    for (const Byte Column : {Byte{5}, Byte{255}}) {
        EXPECT_EQ(M.GetCharColumn('A', Column), 255);
        M.SetCharColumn('A', Column, 0x11);
        M.SetCharColumn(255, Column, 0x11);
    }
    EXPECT_EQ(M.CharTable(), Before);
    EXPECT_EQ(F.Peer().CopyCount(), 0);
    M.SetCharColumn(200, 4, 255);
    EXPECT_EQ(M.GetCharColumn(200, 4), 255);
}

TEST(MatrixGlyphs, InitCharsetRestoresBuiltInsKeepsOthersAndTablesAreNotShared) {
    TMatrixProbe M(nullptr), Other(nullptr);
    M.ChangeChar('A', {1, 2, 3, 4, 5});
    M.SetCharColumn(94, 0, 0x7F);
    EXPECT_EQ(Hex(Other, 'A'), "3F 48 48 48 3F");
    M.InitCharset();
    EXPECT_EQ(Hex(M, 'A'), "3F 48 48 48 3F");
    EXPECT_EQ(Hex(M, 94), "7F 00 00 00 00");
}

std::string Letters16() { return "ABCDEFGHIJKLMNOP"; }  // T = 10: the window shows H..P and the end

struct TRedrawRow {
    const char* Name;
    int TotalVisible;
    std::string Text;
    bool Home;  // window moved to the start after assigning
    int Code, Copies;
};
void PrintTo(const TRedrawRow& Row, std::ostream* Os) { *Os << Row.Name; }

class MatrixGlyphRedraw : public ::testing::TestWithParam<TRedrawRow> {};

TEST_P(MatrixGlyphRedraw, RedrawsOnceOnlyWhenTheCodeIsInAVisibleCell) {
    const TRedrawRow& Row = GetParam();
    TFormWithMatrix F;
    F.Matrix->FSetTotalVisible(static_cast<Byte>(Row.TotalVisible));
    F.Matrix->FSetText(Row.Text);
    if (Row.Home) F.Matrix->GoHome();
    F.ResetCounters();
    F.Matrix->ChangeChar(static_cast<Byte>(Row.Code), {0x7F, 0x7F, 0x7F, 0x7F, 0x7F});
    EXPECT_EQ(F.Peer().CopyCount(), Row.Copies);
    F.Matrix->SetCharColumn(static_cast<Byte>(Row.Code), 0, 0x01);
    EXPECT_EQ(F.Peer().CopyCount(), 2 * Row.Copies);
    EXPECT_EQ(F.Matrix->Paints, 0);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, MatrixGlyphRedraw,
                         ::testing::Values(TRedrawRow{"InView", 10, "XYZ", false, 'Y', 1},
                                           TRedrawRow{"ThreeTimesInView", 10, "QAQBQ", false, 'Q', 1},
                                           TRedrawRow{"NotInText", 10, "XYZ", false, 'A', 0},
                                           TRedrawRow{"BeforeTheWindow", 10, Letters16(), false, 'A', 0},
                                           TRedrawRow{"AfterTheWindow", 10, Letters16(), true, 'P', 0},
                                           TRedrawRow{"LastCell", 10, Letters16(), true, 'J', 1},
                                           TRedrawRow{"SentinelGlyph", 10, "AB", false, 0, 0},
                                           TRedrawRow{"NoCells", 0, "ABC", false, 'C', 0}),
                         [](const auto& Info) { return std::string(Info.param.Name); });
// clang-format on

TEST(MatrixGlyphRedraw, NewGlyphReachesTheScreenBitSevenLightsNothingSentinelWaitsForAFullRedraw) {
    TFormWithMatrix F;
    TMatrixProbe& M = *F.Matrix;
    M.FSetText("AB");
    M.ChangeChar('A', {0x80, 0xC1, 0x7F, 0x80, 0xFF});
    EXPECT_EQ(LedPicture(F.Peer().Surface(), M, 6, 7, 255, 64),
              (std::vector<std::string>{".XX.X.", "..X.X.", "..X.X.", "..X.X.", "..X.X.", "..X.X.", ".XX.X."}));
    M.ChangeChar(0, {0x7F, 0, 0, 0, 0});
    EXPECT_EQ(LedPicture(F.Peer().Surface(), M, 18, 1, 255, 64)[0], ".XX.X.XXXX........");
    M.Paint();
    EXPECT_EQ(LedPicture(F.Peer().Surface(), M, 18, 1, 255, 64)[0], ".XX.X.XXXX..X.....");
}

}  // namespace
}  // namespace vyr::test
