// The LED raster and the static text frame.
//
// Back buffer: FBitmap, 24 bits a pixel, row 0 at the top, pixel x of a row at bytes 3x (blue),
// 3x+1 (green), 3x+2 (red). Colours are TColor: the red byte is bits 0-7, green 8-15, blue
// 16-23; the top byte is ignored.
//
// LED grid: with s = LEDSize, d = LEDDistance and pitch p = s + d, the LED in column c, row r
// fills the s x s box whose top-left pixel is (d + p c, d + p r); its anchor (the pixel handed
// to the primitives) is that corner plus (s - 1) div 2 in both directions. Character cell k owns
// LED columns 6k..6k+5, the last one being the gap. Edit mode has LED rows 0..8 (7 stays unlit,
// 8 is the cursor row); scroll mode rows 0..6.
//
// Clipping: the primitives never write outside FBitmap, whatever they are given; pixels inside
// are exactly those the unclipped shape would have. An LED whose box misses the buffer is
// rejected before any work, so a grid far larger than the buffer (the host caps both sides at
// host::MaxExtent) costs little more than its visible part.
#include <algorithm>
#include <cstdint>

#include "grid.h"
#include "host_names.h"
#include "raster.h"
#include "vyr/EditMatrix.h"

namespace vyr {

namespace {

using I64 = std::int64_t;

// Discs up to this radius run the span loop literally; beyond it (far larger than any buffer)
// each row's span is computed directly, so the cost depends on the buffer, not the radius.
constexpr I64 LiteralDiscLimit = 65535;

using raster::ISqrt;
using raster::RoundSqrt;

// Fills pixels X1..X2 of row Y with Color, clipped to the bitmap.
void Span(host::TBitmap& Bitmap, I64 Y, I64 X1, I64 X2, TColor Color) {
    if (Y < 0 || Y >= Bitmap.Height()) {
        return;
    }
    X1 = std::max<I64>(X1, 0);
    X2 = std::min<I64>(X2, I64{Bitmap.Width()} - 1);
    if (X1 > X2) {
        return;
    }
    const auto Blue = static_cast<std::uint8_t>(Color >> 16);
    const auto Green = static_cast<std::uint8_t>(Color >> 8);
    const auto Red = static_cast<std::uint8_t>(Color);
    std::uint8_t* P = Bitmap.ScanLine(static_cast<int>(Y)) + 3 * X1;
    for (I64 X = X1; X <= X2; ++X, P += 3) {
        P[0] = Blue;
        P[1] = Green;
        P[2] = Red;
    }
}

}  // namespace

// ---- Primitives ------------------------------------------------------------------------------

void TEditMatrix::SPutpixel24bitmap(int X, int Y, TColor Ink) {
    FMatchedGrid.reset();
    if (FBitmap) {
        Span(*FBitmap, Y, X, X, Ink);
    }
}

// Size 2k+1 covers X-k..X+k; size 2k covers X-k+1..X+k (the extra pixel right of and below the
// anchor). Sizes below 1 draw nothing.
void TEditMatrix::SPutRect24bitmap(int X, int Y, int Size, TColor Ink) {
    FMatchedGrid.reset();
    if (!FBitmap || Size < 1) {
        return;
    }
    const I64 E = (I64{Size} - 1) / 2;
    const I64 Left = I64{X} - E;
    const I64 Top = I64{Y} - E;
    const I64 Right = Left + Size - 1;
    const I64 Bottom = std::min<I64>(Top + Size - 1, I64{FBitmap->Height()} - 1);
    for (I64 Row = std::max<I64>(Top, 0); Row <= Bottom; ++Row) {
        Span(*FBitmap, Row, Left, Right, Ink);
    }
}

// For h from R down to 0, with f = sqrt(R^2 - h^2) rounded: rows Y-h and Y+h from X-f to X+f,
// rows Y-f and Y+f from X-h to X+h. The union is a disc of diameter 2R+1; a negative radius
// draws nothing.
void TEditMatrix::SPutCirc24bitmap(int X, int Y, int Radius, TColor Ink) {
    FMatchedGrid.reset();
    if (!FBitmap || Radius < 0) {
        return;
    }
    host::TBitmap& B = *FBitmap;
    const I64 R = Radius;
    const I64 CX = X;
    const I64 CY = Y;
    if (CX + R < 0 || CX - R >= B.Width() || CY + R < 0 || CY - R >= B.Height()) {
        return;
    }
    if (R <= LiteralDiscLimit) {
        for (I64 H = R; H >= 0; --H) {
            const I64 F = RoundSqrt(R * R - H * H);
            Span(B, CY - H, CX - F, CX + F, Ink);
            Span(B, CY - F, CX - H, CX + H, Ink);
            Span(B, CY + F, CX - H, CX + H, Ink);
            Span(B, CY + H, CX - F, CX + F, Ink);
        }
        return;
    }
    // Row by row: the row at distance K from the centre gets the span of half-width f(K) from
    // the first kind of span, and of half-width the largest h with f(h) = K from the second.
    const I64 First = std::max<I64>(CY - R, 0);
    const I64 Last = std::min<I64>(CY + R, I64{B.Height()} - 1);
    for (I64 Row = First; Row <= Last; ++Row) {
        const I64 K = Row < CY ? CY - Row : Row - CY;
        I64 W = RoundSqrt(R * R - K * K);
        if (K == 0) {
            W = std::max(W, R);
        } else {
            // f(h) >= K exactly when h^2 <= R^2 - K^2 + K - 1; f(h) <= K when h^2 >= R^2 - K^2 - K.
            const I64 H = ISqrt(R * R - K * K + K - 1);
            if (R * R - H * H <= K * K + K) {
                W = std::max(W, H);
            }
        }
        Span(B, Row, CX - W, CX + W, Ink);
    }
}

// ---- Geometry and back buffer ----------------------------------------------------------------

void TEditMatrix::CalculateShape() {
    const I64 S = FLEDSize;
    const I64 D = FLEDDistance;
    const I64 P = S + D;
    // At most 255 + 510 x 6 x 255: well inside int. The host caps what it actually takes.
    SetWidth(static_cast<int>(D + P * CellColumns * FTotalVisible));
    SetHeight(static_cast<int>(D + P * (FScroll ? GlyphRows : EditRows)));
}

void TEditMatrix::SetupDisplay() {
    FMatchedGrid.reset();
    if (!FBitmap) {
        return;
    }
    FBitmap->SetWidth(Width());
    FBitmap->SetHeight(Height());
    FBitmap->SetPixelFormat(host::TPixelFormat::pf24bit);
}

// Fills the back buffer and the control's own surface (nothing without a window) with
// BackgroundColor, through the canvases' brushes.
void TEditMatrix::ClearDisplay() {
    FMatchedGrid.reset();
    const host::TRect Area = host::Rect(0, 0, Width(), Height());
    if (FBitmap) {
        FBitmap->Canvas().Brush.Color = FBackgroundColor;
        FBitmap->Canvas().FillRect(Area);
        // The area is the control's; the back buffer can be larger after the host shrank the
        // control, and then its rows keep what they held beyond the area.
        FBufferUniform = Width() >= FBitmap->Width() && Height() >= FBitmap->Height();
    }
    Canvas().Brush.Color = FBackgroundColor;
    Canvas().FillRect(Area);
}

void TEditMatrix::PutLED(int Column, int Row, TColor Ink) {
    if (!FBitmap) {
        return;
    }
    const I64 S = FLEDSize;
    const I64 P = S + FLEDDistance;
    const I64 Left = FLEDDistance + P * Column;
    const I64 Top = FLEDDistance + P * Row;
    if (Left >= FBitmap->Width() || Top >= FBitmap->Height() || Left + S <= 0 || Top + S <= 0) {
        return;
    }
    const I64 A = (S / 2) + (S % 2) - 1;
    if (FLEDShape == EShape::Circle) {
        SPutCirc24bitmap(static_cast<int>(Left + A), static_cast<int>(Top + A), static_cast<int>(S / 2), Ink);
    } else {
        SPutRect24bitmap(static_cast<int>(Left + A), static_cast<int>(Top + A), static_cast<int>(S), Ink);
    }
}

// ---- Static frame ----------------------------------------------------------------------------

// Cells outside 0..TotalVisible-1 are not part of the grid and are skipped.
void TEditMatrix::ClearSegments(int First, int Last) {
    First = std::max(First, 0);
    Last = std::min(Last, int{FTotalVisible} - 1);
    if (Last < First) {
        return;
    }
    const int Rows = FScroll ? GlyphRows : EditRows;
    for (int Cell = First; Cell <= Last; ++Cell) {
        for (int Column = CellColumns * Cell; Column < CellColumns * (Cell + 1); ++Column) {
            for (int Row = 0; Row < Rows; ++Row) {
                PutLED(Column, Row, FOffColor);
            }
        }
    }
}

// Draws the glyph columns of the visible nodes (the end sentinel included when it is in the
// window), leaving their gap column and rows 7 and 8 alone, then clears the cells after them.
void TEditMatrix::WriteText() {
    int Cell = 0;
    for (const Node* N = FVisibleNode; N != nullptr && Cell < FTotalVisible; N = N->NextNode, ++Cell) {
        const Byte* Glyph = &FCharTable[GlyphColumns * std::size_t{N->Character}];
        for (int j = 0; j < GlyphColumns; ++j) {
            for (int r = 0; r < GlyphRows; ++r) {
                const bool Lit = ((Glyph[j] >> GlyphBit(r)) & 1) != 0;
                PutLED(CellColumns * Cell + j, r, Lit ? FOnColor : FOffColor);
            }
        }
    }
    ClearSegments(Cell, FTotalVisible - 1);
}

// The bar exists only in edit mode and only under a slot of the window: with the cursor slot
// outside 0..TotalVisible-1 (a window of no cells) there is none.
int TEditMatrix::CursorBarSlot() const {
    const std::int64_t Slot = std::int64_t{FCursorPos} - FFirstVisible;
    return FScroll || Slot < 0 || Slot >= FTotalVisible ? -1 : static_cast<int>(Slot);
}

// The literal cursor bar: its five LEDs through the primitive.
void TEditMatrix::LiteralMakeCursor(bool Show) {
    const int Slot = CursorBarSlot();
    if (Slot < 0) return;
    for (int i = 0; i < GlyphColumns; ++i) {
        PutLED(CellColumns * Slot + i, CursorRow, Show ? FOnColor : FOffColor);
    }
}

void TEditMatrix::ReshapeOrClear(bool Resize, bool Clear) {
    if (Resize) {
        CalculateShape();
        SetupDisplay();
        ClearDisplay();
    } else if (Clear) {
        ClearDisplay();
    }
}

void TEditMatrix::PrepareFrame(bool Resize, bool Clear) {
    ReshapeOrClear(Resize, Clear);
    ClearSegments(0, FTotalVisible - 1);
}

void TEditMatrix::LiteralTotalRedraw(bool Resize, bool Clear) {
    BeginFrame();
    PrepareFrame(Resize, Clear);
    WriteText();
    LiteralMakeCursor(true);
    FTotalRefresh = false;
}

void TEditMatrix::RedrawDisplay() {
    if (FBitmap && HandleAllocated()) {
        Canvas().Draw(0, 0, *FBitmap);
    }
}

}  // namespace vyr
