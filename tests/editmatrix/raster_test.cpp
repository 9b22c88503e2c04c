// The pixel, square and disc primitives: shapes, anchors, colour byte order and clipping.
// They draw on the untouched 181 x 28 back buffer of a new control (all black).
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "editmatrix/ledpainter.h"
#include "fixtures.h"

namespace vyr::test {
namespace {

constexpr TColor White = 0xFFFFFF;

// Lit pixels of each row of the buffer: count, first and last column.
struct TRowSpan {
    int Count = 0, First = -1, Last = -1;
};

std::vector<TRowSpan> Spans(const host::TBitmap& B) {
    std::vector<TRowSpan> Rows(static_cast<std::size_t>(B.Height()));
    for (int y = 0; y < B.Height(); ++y) {
        TRowSpan& R = Rows[static_cast<std::size_t>(y)];
        for (int x = 0; x < B.Width(); ++x) {
            if (B.Pixel(x, y) == White) {
                ++R.Count;
                R.Last = x;
                if (R.First < 0) R.First = x;
            }
        }
    }
    return Rows;
}

int LitPixels(const host::TBitmap& B) {
    int N = 0;
    for (const TRowSpan& R : Spans(B)) N += R.Count;
    return N;
}

// ---- Disc ----------------------------------------------------------------------------------

struct TDiscRow {
    int Radius;
    std::vector<int> Widths;  // top to bottom
};
void PrintTo(const TDiscRow& Row, std::ostream* Os) { *Os << "radius " << Row.Radius; }

class MatrixDisc : public ::testing::TestWithParam<TDiscRow> {};

TEST_P(MatrixDisc, IsBuiltOfSpansCentredOnItsCentre) {
    TMatrixProbe M(nullptr);
    const int R = GetParam().Radius;
    M.SPutCirc24bitmap(40, 13, R, White);
    const std::vector<TRowSpan> Rows = Spans(*M.Bitmap());
    for (int y = 0; y < 28; ++y) {
        const TRowSpan& Row = Rows[static_cast<std::size_t>(y)];
        const int k = y - (13 - R);
        const int Width = k >= 0 && k <= 2 * R ? GetParam().Widths[static_cast<std::size_t>(k)] : 0;
        ASSERT_EQ(Row.Count, Width) << "row " << y;
        if (Width > 0) {
            EXPECT_EQ(Row.First, 40 - Width / 2) << "row " << y;
            EXPECT_EQ(Row.Last, 40 + Width / 2) << "row " << y;
        }
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Radii, MatrixDisc,
                         ::testing::Values(TDiscRow{0, {1}}, TDiscRow{1, {1, 3, 1}}, TDiscRow{2, {3, 5, 5, 5, 3}},
                                           TDiscRow{3, {3, 5, 7, 7, 7, 5, 3}}, TDiscRow{4, {3, 7, 7, 9, 9, 9, 7, 7, 3}},
                                           TDiscRow{5, {5, 7, 9, 11, 11, 11, 11, 11, 9, 7, 5}}));
// clang-format on

// The top row of a disc of radius R gets the spans of every h with round(sqrt(R^2 - h^2)) = R,
// that is h^2 < R: half-width ceil(sqrt(R)) - 1, which is 31622 for R = 10^9.
TEST(MatrixDisc, HugeRadiusTopRowHasTheWidthOfItsSpans) {
    TMatrixProbe M(nullptr);
    const int R = 1000000000;
    M.SPutCirc24bitmap(100 - 31622, R, R, White);
    const TRowSpan Top = Spans(*M.Bitmap())[0];
    EXPECT_EQ(Top.First, 0);
    EXPECT_EQ(Top.Last, 100);
}

// ---- Square --------------------------------------------------------------------------------

struct TSquareRow {
    int Size, Anchor;
    int First, Last;  // covered pixels in both directions (First > Last: nothing)
};
void PrintTo(const TSquareRow& Row, std::ostream* Os) { *Os << "size " << Row.Size << " at " << Row.Anchor; }

class MatrixSquare : public ::testing::TestWithParam<TSquareRow> {};

TEST_P(MatrixSquare, CoversItsSizeWithTheExtraPixelRightAndBelowForEvenSizes) {
    TMatrixProbe M(nullptr);
    const TSquareRow& Row = GetParam();
    M.SPutRect24bitmap(Row.Anchor, Row.Anchor, Row.Size, White);
    const std::vector<TRowSpan> Rows = Spans(*M.Bitmap());
    for (int y = 0; y < 28; ++y) {
        const bool In = y >= Row.First && y <= Row.Last;
        const TRowSpan Want = In ? TRowSpan{Row.Last - Row.First + 1, Row.First, Row.Last} : TRowSpan{};
        const TRowSpan& Got = Rows[static_cast<std::size_t>(y)];
        EXPECT_TRUE(Got.Count == Want.Count && Got.First == Want.First && Got.Last == Want.Last) << "row " << y;
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Sizes, MatrixSquare,
                         ::testing::Values(TSquareRow{2, 1, 1, 2}, TSquareRow{4, 10, 9, 12}, TSquareRow{3, 10, 9, 11},
                                           TSquareRow{1, 10, 10, 10}, TSquareRow{0, 10, 1, 0},
                                           TSquareRow{-3, 10, 1, 0}));
// clang-format on

// ---- Colour bytes --------------------------------------------------------------------------

struct TColourRow {
    TColor Color;
    std::uint8_t Blue, Green, Red;
};
void PrintTo(const TColourRow& Row, std::ostream* Os) {
    const auto Flags = Os->flags();
    *Os << "colour 0x" << std::hex << std::uppercase << Row.Color;
    Os->flags(Flags);
}

class MatrixColourBytes : public ::testing::TestWithParam<TColourRow> {};

TEST_P(MatrixColourBytes, EveryPrimitiveWritesBlueGreenRedAndIgnoresTheTopByte) {
    TMatrixProbe M(nullptr);
    const TColourRow& Row = GetParam();
    M.SPutpixel24bitmap(3, 4, Row.Color);
    M.SPutRect24bitmap(20, 4, 1, Row.Color);
    M.SPutCirc24bitmap(40, 4, 0, Row.Color);
    for (const int X : {3, 20, 40}) {
        const std::uint8_t* P = M.Bitmap()->ScanLine(4) + 3 * X;
        EXPECT_EQ(P[0], Row.Blue) << X;
        EXPECT_EQ(P[1], Row.Green) << X;
        EXPECT_EQ(P[2], Row.Red) << X;
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Colours, MatrixColourBytes,
                         ::testing::Values(TColourRow{255, 0, 0, 255}, TColourRow{64, 0, 0, 64},
                                           TColourRow{0xFF8000, 255, 128, 0}, TColourRow{0x123456, 0x12, 0x34, 0x56},
                                           TColourRow{0xAB0000FF, 0, 0, 255}));
// clang-format on

// ---- Clipping ------------------------------------------------------------------------------

struct TClipRow {
    const char* Name;
    std::function<void(TMatrixProbe&)> Draw;
    int Lit;  // pixels lit inside the buffer
};
void PrintTo(const TClipRow& Row, std::ostream* Os) { *Os << Row.Name; }

class MatrixClipping : public ::testing::TestWithParam<TClipRow> {};

TEST_P(MatrixClipping, DrawsOnlyThePartInsideTheBufferAndNeverTouchesRowPadding) {
    TMatrixProbe M(nullptr);
    host::TBitmap& B = MutableBitmap(M);
    ASSERT_EQ(B.RowStride(), 544U);  // 181 pixels: 543 bytes and one byte of padding a row
    for (int y = 0; y < B.Height(); ++y) B.ScanLine(y)[543] = 0x5A;
    GetParam().Draw(M);
    EXPECT_EQ(LitPixels(B), GetParam().Lit);
    for (int y = 0; y < B.Height(); ++y) {
        EXPECT_EQ(B.ScanLine(y)[543], 0x5A) << "row " << y;
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Rows, MatrixClipping,
    ::testing::Values(
        TClipRow{"PixelsJustOutside",
                 [](TMatrixProbe& M) {
                     for (const auto& [X, Y] : {std::pair{-1, 0}, {181, 0}, {0, -1}, {0, 28}, {INT_MIN, INT_MAX}})
                         M.SPutpixel24bitmap(X, Y, White);
                 },
                 0},
        TClipRow{"PixelsAtTheCorners",
                 [](TMatrixProbe& M) {
                     M.SPutpixel24bitmap(0, 0, White);
                     M.SPutpixel24bitmap(180, 27, White);
                 },
                 2},
        TClipRow{"SquareOverTopLeftCorner", [](TMatrixProbe& M) { M.SPutRect24bitmap(0, 0, 5, White); }, 9},
        TClipRow{"SquareOverBottomRightCorner", [](TMatrixProbe& M) { M.SPutRect24bitmap(180, 27, 5, White); }, 9},
        TClipRow{"SquareEntirelyOutside", [](TMatrixProbe& M) { M.SPutRect24bitmap(-10, 10, 5, White); }, 0},
        TClipRow{"SquareLargerThanTheBuffer", [](TMatrixProbe& M) { M.SPutRect24bitmap(0, 0, INT_MAX, White); },
                 181 * 28},
        TClipRow{"SquareAtExtremeAnchors",
                 [](TMatrixProbe& M) {
                     M.SPutRect24bitmap(INT_MAX, INT_MAX, INT_MAX, White);
                     M.SPutRect24bitmap(INT_MIN, INT_MIN, INT_MAX, White);
                 },
                 0},
        // Half-widths 1, 2, 3, 3, 3, 2, 1 around column -1: 0..hw-1 stays inside.
        TClipRow{"DiscOverTheLeftEdge", [](TMatrixProbe& M) { M.SPutCirc24bitmap(-1, 14, 3, White); }, 15},
        TClipRow{"DiscOverTheRightEdge", [](TMatrixProbe& M) { M.SPutCirc24bitmap(181, 14, 3, White); }, 15},
        TClipRow{"DiscOverTheBottomEdge", [](TMatrixProbe& M) { M.SPutCirc24bitmap(90, 28, 1, White); }, 1},
        TClipRow{"DiscEntirelyOutside", [](TMatrixProbe& M) { M.SPutCirc24bitmap(INT_MIN, 0, INT_MAX, White); }, 0},
        TClipRow{"DiscOfNegativeRadius", [](TMatrixProbe& M) { M.SPutCirc24bitmap(20, 10, INT_MIN, White); }, 0},
        TClipRow{"DiscCoveringTheBuffer", [](TMatrixProbe& M) { M.SPutCirc24bitmap(90, 14, INT_MAX, White); },
                 181 * 28}),
    [](const ::testing::TestParamInfo<TClipRow>& Info) { return std::string(Info.param.Name); });
// clang-format on

}  // namespace
}  // namespace vyr::test

namespace vyr::test {
namespace {

// The painter's round LED of any size (what the Qt widgets draw at device resolution): for every
// size, painted alone into a buffer with a margin, it is symmetric about both axes and the
// diagonal, its rows widen to the middle and then narrow, the middle row is the whole box, and
// from 3 pixels on the corners stay dark. Nothing outside its box is written.
TEST(LEDPainterRound, EverySizeIsARoundSymmetricDiscInsideItsBox) {
    for (int S = 1; S <= 64; ++S) {
        SCOPED_TRACE("size " + std::to_string(S));
        const int Side = S + 4;
        std::vector<std::uint8_t> Pixels(static_cast<std::size_t>(3 * Side * Side), 0);
        const led::TPixelRows Out{
            .First = Pixels.data(), .Stride = static_cast<std::size_t>(3 * Side), .Width = Side, .Height = Side};
        const std::uint16_t Ink = 0;
        const std::uint32_t Palette = 0xFFFFFF;
        const led::TInkGrid Grid{.FirstRow = 0,
                                 .Rows = 1,
                                 .FirstColumn = 0,
                                 .Columns = 1,
                                 .Ink = &Ink,
                                 .Palette = &Palette,
                                 .PaletteSize = 1};
        std::vector<std::uint8_t> Runs;
        led::TLEDPainter({.Size = S, .Distance = 2, .Shape = led::EShape::RoundAnySize}, Runs).Paint(Out, Grid, true);
        const auto Lit = [&](int X, int Y) {
            return Pixels[static_cast<std::size_t>(3 * (Y * Side + X))] != 0;  // (X, Y) of the whole buffer
        };
        const auto In = [&](int X, int Y) { return Lit(X + 2, Y + 2); };  // of the LED's box
        int Outside = 0;
        for (int Y = 0; Y < Side; ++Y) {
            for (int X = 0; X < Side; ++X) {
                if (Lit(X, Y) && (X < 2 || Y < 2 || X >= S + 2 || Y >= S + 2)) ++Outside;
            }
        }
        EXPECT_EQ(Outside, 0);
        int Previous = 0;
        for (int Y = 0; Y < S; ++Y) {
            int Width = 0;
            for (int X = 0; X < S; ++X) {
                Width += In(X, Y) ? 1 : 0;
                ASSERT_EQ(In(X, Y), In(S - 1 - X, Y)) << X << "," << Y;
                ASSERT_EQ(In(X, Y), In(X, S - 1 - Y)) << X << "," << Y;
                ASSERT_EQ(In(X, Y), In(Y, X)) << X << "," << Y;
            }
            if (2 * Y < S) {
                EXPECT_GE(Width, Previous) << "row " << Y;
            }
            Previous = Width;
        }
        EXPECT_TRUE(In(0, S / 2) && In(S - 1, S / 2));
        if (S >= 3) {
            EXPECT_FALSE(In(0, 0));
        }
    }
}

}  // namespace
}  // namespace vyr::test
