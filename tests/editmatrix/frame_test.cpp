// The static text frame: whole frames read back as LED and pixel pictures, the cursor bar, the
// clearing variants, and the extremes of the geometry.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "fixtures.h"

namespace vyr::test {
namespace {

TEST(MatrixFrame, SingleLetterWithTheBarInTheNextCell) {
    TFormWithMatrix F;
    F.Matrix->FSetText("A");
    const std::vector<std::string> Rows = LedPicture(F.Peer().Surface(), *F.Matrix, 60, 9, 255, 64);
    const std::string Blank(54, '.');
    const std::vector<std::string> Expected = {
        ".XXX.." + Blank, "X...X." + Blank, "X...X." + Blank,
        "XXXXX." + Blank, "X...X." + Blank, "X...X." + Blank,
        "X...X." + Blank, "......" + Blank, "......XXXXX." + std::string(48, '.'),
    };
    EXPECT_EQ(Rows, Expected);
}

TEST(MatrixFrame, PixelsOfTheTopLeftCornerShowMarginsGapsAndLEDs) {
    TFormWithMatrix F;
    UseTestColours(*F.Matrix);
    F.Matrix->FSetText("A");
    const std::vector<std::string> Expected = {
        ".............", ".oo.XX.XX.XX.", ".oo.XX.XX.XX.", ".............", ".XX.oo.oo.oo.",
        ".XX.oo.oo.oo.", ".............", ".XX.oo.oo.oo.", ".XX.oo.oo.oo.", ".............",
    };
    EXPECT_EQ(PixelPicture(F.Peer().Surface(), 0, 0, 13, 10, FrameMarks), Expected);
    EXPECT_EQ(PixelPicture(*F.Matrix->Bitmap(), 0, 0, 13, 10, FrameMarks), Expected);
}

// LEDSize 5, LEDDistance 2: the LED in column 3, row 2 has its box at (23, 16) and both shapes
// are anchored at (25, 18).
TEST(MatrixFrame, LEDBoxAndAnchorForBothShapes) {
    TFormWithMatrix F;
    TMatrixProbe& M = *F.Matrix;
    UseTestColours(M);
    M.FSetLEDSize(5);
    M.FSetLEDDistance(2);
    M.ChangeChar('A', {0, 0, 0, 0x10, 0});
    M.FSetText("A");
    EXPECT_EQ(PixelPicture(*M.Bitmap(), 21, 14, 9, 9, FrameMarks),
              (std::vector<std::string>{".........", ".........", "..XXXXX..", "..XXXXX..", "..XXXXX..", "..XXXXX..",
                                        "..XXXXX..", ".........", "........."}));
    M.FSetLEDShape(EShape::Circle);
    ASSERT_EQ(M.LEDSize(), 5);
    EXPECT_EQ(PixelPicture(*M.Bitmap(), 21, 14, 9, 9, FrameMarks),
              (std::vector<std::string>{".........", ".........", "...XXX...", "..XXXXX..", "..XXXXX..", "..XXXXX..",
                                        "...XXX...", ".........", "........."}));
    // Its unlit neighbour in column 2 is a disc too.
    EXPECT_EQ(PixelPicture(*M.Bitmap(), 14, 16, 7, 5, FrameMarks),
              (std::vector<std::string>{"...ooo.", "..ooooo", "..ooooo", "..ooooo", "...ooo."}));
}

TEST(MatrixFrame, LongTextShowsExactlyTheWindowWithTheSentinelCellLast) {
    TFormWithMatrix F;
    TMatrixProbe& M = *F.Matrix;
    M.FSetText("ABCDEFGHIJKL");  // P = 12, F = 3: cells show D..L and the end position
    ASSERT_EQ(M.FirstVisible(), 3);
    const std::vector<std::string> Rows = LedPicture(F.Peer().Surface(), M, 60, 9, 255, 64);
    const std::string Cells = "DEFGHIJKL";
    for (int Cell = 0; Cell < 10; ++Cell) {
        std::array<Byte, 5> Glyph{};
        if (Cell < 9) {
            for (int k = 0; k < 5; ++k) {
                Glyph[static_cast<std::size_t>(k)] =
                    M.GetCharColumn(static_cast<Byte>(Cells[static_cast<std::size_t>(Cell)]), static_cast<Byte>(k));
            }
        }
        const std::vector<std::string> Want = GlyphPicture(Glyph);
        for (int r = 0; r < 7; ++r) {
            EXPECT_EQ(Rows[static_cast<std::size_t>(r)].substr(static_cast<std::size_t>(6 * Cell), 6),
                      Want[static_cast<std::size_t>(r)] + ".")
                << "cell " << Cell << " row " << r;
        }
    }
    EXPECT_EQ(Rows[8], std::string(54, '.') + "XXXXX.");
}

TEST(MatrixFrame, ClearSegmentsDrawsNineRowsOfACellInEditModeSevenInScrollModeNoneWhenEmpty) {
    TMatrixProbe M(nullptr);
    M.Paint();
    FillBitmap(M, Marker);
    M.ClearSegments(5, 4);
    EXPECT_EQ(LedPicture(*M.Bitmap(), M, 60, 9, Marker, 64), std::vector<std::string>(9, std::string(60, 'X')));
    M.ClearSegments(0, 0);
    auto Unlit = [&M] {
        int N = 0;
        for (const std::string& Row : LedPicture(*M.Bitmap(), M, 60, 9, Marker, M.OffColor()))
            N += static_cast<int>(std::count(Row.begin(), Row.end(), '.'));
        return N;
    };
    EXPECT_EQ(Unlit(), 54);
    M.FSetScroll(true);
    FillBitmap(M, Marker);
    M.ClearSegments(0, 0);
    EXPECT_EQ(Unlit(), 42);
}

TEST(MatrixFrame, RedrawWithoutClearKeepsTheBackgroundWithClearRepaintsBufferAndWindow) {
    TFormWithMatrix F;
    TMatrixProbe& M = *F.Matrix;
    UseTestColours(M);
    FillBitmap(M, Marker);
    F.ResetCounters();
    M.TotalRedraw(false, false);
    EXPECT_EQ(M.Bitmap()->Pixel(0, 0), Marker);
    EXPECT_EQ(M.Bitmap()->Pixel(3, 3), Marker);
    EXPECT_EQ(M.Bitmap()->Pixel(1, 1), Unlit);
    EXPECT_EQ(F.Peer().FillCount(), 0);
    EXPECT_EQ(F.Peer().CopyCount(), 0);  // drawing reaches the back buffer only
    M.TotalRedraw(false, true);
    EXPECT_EQ(M.Bitmap()->Pixel(0, 0), Back);
    EXPECT_EQ(M.Bitmap()->Pixel(3, 3), Back);
    EXPECT_EQ(F.Peer().FillCount(), 1);
    EXPECT_EQ(F.Peer().Surface().Pixel(0, 0), Back);
    EXPECT_FALSE(M.TotalRefresh());
}

// A frame whose every LED has the colour it had in the last frame, over a back buffer nothing
// wrote since, writes no byte (its stamp stays); any difference is painted. The renderer
// differential tests check the pixels of both ways.
TEST(MatrixFrame, AFrameEqualToTheLastOneWritesNothing) {
    TFormWithMatrix F;
    TMatrixProbe& M = *F.Matrix;
    M.FSetText("Hi");
    struct TStep {
        const char* Name;
        void (*Before)(TMatrixProbe&);
        bool Scroll;
        bool Writes;
    };
    const TStep Steps[] = {
        {"edit frame", [](TMatrixProbe&) {}, false, false},
        {"scribbled", [](TMatrixProbe& P) { FillBitmap(P, Marker); }, false, true},
        {"edit frame", [](TMatrixProbe&) {}, false, false},
        {"new colour, painted", [](TMatrixProbe& P) { P.FSetActiveLEDOnColor(0x123456); }, false, false},
        {"scroll mode, painted", [](TMatrixProbe& P) { P.FSetScroll(true); }, true, false},
        {"scribbled", [](TMatrixProbe& P) { FillBitmap(P, Marker); }, true, true},
        {"scroll frame", [](TMatrixProbe&) {}, true, false},
    };
    M.TotalRedraw(false, false);
    for (const TStep& Step : Steps) {
        SCOPED_TRACE(Step.Name);
        Step.Before(M);
        const std::uint64_t Before = M.Bitmap()->Stamp();
        if (Step.Scroll) {
            M.TotalScrollRedraw(false, false);
        } else {
            M.TotalRedraw(false, false);
        }
        EXPECT_EQ(M.Bitmap()->Stamp() != Before, Step.Writes);
    }
}

TEST(MatrixFrame, CursorBarIsNeverDrawnInScrollModeOrOutsideTheWindow) {
    TMatrixProbe M(nullptr);
    M.FSetScroll(true);
    FillBitmap(M, Marker);
    M.MakeCursor(true);
    M.MakeCursor(false);
    const host::TBitmap& B = *M.Bitmap();
    EXPECT_EQ(PixelPicture(B, 0, 0, B.Width(), B.Height(), {{Marker, 'X'}}),
              std::vector<std::string>(static_cast<std::size_t>(B.Height()),
                                       std::string(static_cast<std::size_t>(B.Width()), 'X')));

    TMatrixProbe N(nullptr);
    N.FSetText("ABC");
    N.FSetTotalVisible(0);
    N.Paint();
    FillBitmap(N, Marker);
    N.MakeCursor(true);
    EXPECT_EQ(N.Bitmap()->Pixel(0, 0), Marker);
}

// ---- Extremes of the geometry --------------------------------------------------------------

// 255 cells of 255-pixel LEDs 255 pixels apart ask for 780,555 x 4,845 pixels; the host caps
// the width at its largest extent and the frame is drawn into what the control got.
TEST(MatrixGeometry, HugeGridIsCappedByTheHostAndDrawnWithoutOverrun) {
    TFormWithMatrix F;
    TMatrixProbe& M = *F.Matrix;
    UseTestColours(M);
    M.FSetTotalVisible(255);
    M.FSetLEDSize(255);
    M.FSetLEDDistance(255);
    EXPECT_EQ(M.Width(), host::MaxExtent);
    EXPECT_EQ(M.Height(), 255 + 510 * 9);
    EXPECT_EQ(M.Bitmap()->Width(), host::MaxExtent);
    EXPECT_EQ(M.Bitmap()->Height(), 255 + 510 * 9);
    const host::TBitmap& Screen = F.Peer().Surface();
    EXPECT_EQ(Screen.Width(), host::MaxExtent);
    EXPECT_EQ(Screen.Pixel(0, 0), Back);
    EXPECT_EQ(Screen.Pixel(300, 300), Unlit);                   // LED (0, 0)
    EXPECT_EQ(Screen.Pixel(300, 255 + 510 * 8 + 100), Lit);     // the bar under cell 0
    EXPECT_EQ(Screen.Pixel(255 + 510 * 6 + 100, 4400), Unlit);  // cell 1 has no bar
    EXPECT_EQ(Screen.Pixel(8100, 300), Unlit);                  // LED column 15, the last one inside
    EXPECT_EQ(Screen.Pixel(8191, 300), Back);                   // its gap reaches the edge
    M.FSetLEDShape(EShape::Circle);
    EXPECT_EQ(M.LEDSize(), 255);
    EXPECT_EQ(Screen.Pixel(255 + 127, 255 + 127), Unlit);  // centre of LED (0, 0)
    EXPECT_EQ(Screen.Pixel(256, 256), Back);               // outside the disc, inside the box
}

}  // namespace
}  // namespace vyr::test
