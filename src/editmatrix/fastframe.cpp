// The fast renderer: the static frame and the cursor bar decide the colour of every LED first
// (an index into the frame's palette per LED, TFrameScratch) and then hand the grid to the LED
// painter (ledpainter.h), which writes each pixel row once; the scroll frame decides its LEDs in
// scroll/frame.cpp and is painted the same way. No LED is drawn unlit and then lit.
//
// It draws exactly the pixels of the literal renderer (render.cpp, scroll/frame.cpp) and is
// tested against it after every operation of random operation programs. Measured in a Release
// build (scripts/bench.sh): a whole frame is 10 to 30 times faster than the literal one at the
// default and at a 40-cell round-LED geometry; at the defaults what remains is the fixed cost per
// LED span (a 2-pixel LED is 6 bytes) and, in the scroll frame, the walk along the stream's cells.
#include <algorithm>
#include <optional>
#include <utility>

#include "grid.h"
#include "host_names.h"
#include "ledpainter.h"
#include "vyr/EditMatrix.h"

namespace vyr {

led::TGeometry TEditMatrix::LEDGeometry() const {
    return {.Size = FLEDSize,
            .Distance = FLEDDistance,
            .Shape = FLEDShape == EShape::Circle ? led::EShape::Disc : led::EShape::Square};
}

// Round LEDs of an even size would reach one pixel beyond their box, so that neighbours overlap
// and the order of drawing shows; the painter does not draw them. The setters never make one,
// and should one occur the literal renderer draws it.
bool TEditMatrix::FastRendererApplies() const {
    return !FLiteralRenderer && FBitmap != nullptr && led::TLEDPainter::Draws(LEDGeometry());
}

int TEditMatrix::VisibleLEDColumns() const {
    return FBitmap ? LEDGeometry().ColumnsStartingWithin(FBitmap->Width()) : 0;
}

TEditMatrix::TFrameScratch& TEditMatrix::FrameScratch() {
    thread_local TFrameScratch Scratch;
    return Scratch;
}

std::uint16_t TEditMatrix::PaletteIndex(TColor Colour) {
    std::vector<TColor>& Palette = FrameScratch().Palette;
    for (std::size_t i = 0; i < Palette.size(); ++i) {
        if (Palette[i] == Colour) return static_cast<std::uint16_t>(i);
    }
    Palette.push_back(Colour);
    return static_cast<std::uint16_t>(Palette.size() - 1);
}

// The pixels of the LEDs of Block whose colour differs between the last grid painted and the
// frame's (from LED From on: those before it have the same ink and palette), clipped to the back
// buffer; empty if none. An LED left as it is (KeepInk) does not change; one that was left as it
// was last time may.
host::TRect TEditMatrix::ChangedLEDBoxes(const TMatchedGrid& Block, std::size_t From) const {
    const TFrameScratch& Scratch = FrameScratch();
    const auto Columns = static_cast<std::size_t>(Block.Columns);
    int Left = Block.Columns;
    int Right = -1;
    int Top = Block.Rows;
    int Bottom = -1;
    for (std::size_t i = From; i < Scratch.Ink.size(); ++i) {
        const std::uint16_t New = Scratch.Ink[i];
        const std::uint16_t Old = FLastPainted.Ink[i];
        if (New == KeepInk || (Old != KeepInk && FLastPainted.Palette[Old] == Scratch.Palette[New])) continue;
        const auto Row = static_cast<int>(i / Columns);
        const auto Column = static_cast<int>(i % Columns);
        Left = std::min(Left, Column);
        Right = std::max(Right, Column);
        Top = std::min(Top, Row);
        Bottom = Row;
    }
    if (Right < 0) return {};
    const int Pitch = Block.Size + Block.Distance;
    return {.Left = std::min(Block.Width, Block.Distance + Pitch * (Block.FirstColumn + Left)),
            .Top = std::min(Block.Height, Block.Distance + Pitch * (Block.FirstRow + Top)),
            .Right = std::min(Block.Width, Block.Distance + Pitch * (Block.FirstColumn + Right) + Block.Size),
            .Bottom = std::min(Block.Height, Block.Distance + Pitch * (Block.FirstRow + Bottom) + Block.Size)};
}

void TEditMatrix::PaintLEDGrid(int FirstRow, int Rows, int FirstColumn, int Columns) {
    TFrameScratch& Scratch = FrameScratch();
    static_assert(KeepInk == led::KeepInk);
    // Rows of a buffer cleared whole in this frame, with nothing drawn since, are equal without
    // comparing them.
    const bool Uniform = std::exchange(FBufferUniform, false);
    if (!FBitmap || Rows <= 0 || Columns <= 0) return;
    // The frame chose the painter, but a letter code of the scroll frame may since have set a
    // geometry the painter does not draw: its LEDs then go through the literal primitive.
    if (!FastRendererApplies()) {
        FLastPainted.Stamp = 0;
        for (int r = 0; r < Rows; ++r) {
            for (int c = 0; c < Columns; ++c) {
                const std::uint16_t Ink = Scratch.Ink[static_cast<std::size_t>(r) * static_cast<std::size_t>(Columns) +
                                                      static_cast<std::size_t>(c)];
                if (Ink != KeepInk) PutLED(FirstColumn + c, FirstRow + r, Scratch.Palette[Ink]);
            }
        }
        return;
    }
    static_assert(sizeof(TColor) == sizeof(std::uint32_t));
    host::TBitmap& B = *FBitmap;
    const led::TGeometry Geometry = LEDGeometry();
    const TMatchedGrid Painted{.Size = Geometry.Size,
                               .Distance = Geometry.Distance,
                               .Shape = static_cast<int>(Geometry.Shape),
                               .Width = B.Width(),
                               .Height = B.Height(),
                               .FirstRow = FirstRow,
                               .Rows = Rows,
                               .FirstColumn = FirstColumn,
                               .Columns = Columns};
    // Over the buffer exactly as the grid painted last left it (the stamp is read before anything
    // takes a row for writing), only the boxes of LEDs whose colour changes can change: that
    // rectangle is noted on the buffer for whoever holds a copy of the last frame. Since is that
    // frame's stamp, or 0 when the buffer may hold anything.
    const bool OverLastGrid = FLastPainted.Stamp != 0 && FLastPainted.Stamp == B.Stamp() &&
                              FLastPainted.Block == Painted && FLastPainted.Ink.size() == Scratch.Ink.size();
    const std::uint64_t Since = OverLastGrid ? FLastPainted.Stamp : 0;
    // Painting is idempotent: the grid painted last, onto the buffer as that left it, changes no
    // byte. Same counts the LEDs before the first whose ink differs: only the ink from there on
    // is kept anew.
    std::size_t Same = 0;
    if (OverLastGrid && FLastPainted.Palette == Scratch.Palette) {
        Same = static_cast<std::size_t>(
            std::mismatch(Scratch.Ink.begin(), Scratch.Ink.end(), FLastPainted.Ink.begin()).first -
            Scratch.Ink.begin());
    }
    if (Same == Scratch.Ink.size()) {  // never 0: the grid has LEDs
        if (FLastPainted.RowsMatch) {
            FMatchedGrid = Painted;
        } else {
            FMatchedGrid.reset();
        }
        return;
    }
    const led::TPixelRows Out{.First = B.Height() > 0 ? B.ScanLine(0) : nullptr,
                              .Stride = B.RowStride(),
                              .Width = B.Width(),
                              .Height = B.Height()};
    const led::TInkGrid Grid{.FirstRow = FirstRow,
                             .Rows = Rows,
                             .FirstColumn = FirstColumn,
                             .Columns = Columns,
                             .Ink = Scratch.Ink.data(),
                             .Palette = Scratch.Palette.data(),
                             .PaletteSize = Scratch.Palette.size()};
    const bool RowsMatch = Uniform || FMatchedGrid == Painted;
    const std::optional<host::TRect> Changed =
        Since != 0 ? std::optional(ChangedLEDBoxes(Painted, Same)) : std::nullopt;
    const bool Matched = led::TLEDPainter(Geometry, Scratch.Bytes).Paint(Out, Grid, RowsMatch);
    if (Changed) B.NoteChange(Since, *Changed);
    if (Matched) {
        FMatchedGrid = Painted;
    } else {
        FMatchedGrid.reset();
    }
    FLastPainted.Block = Painted;
    if (FLastPainted.Ink.size() == Scratch.Ink.size()) {
        std::copy(Scratch.Ink.begin() + static_cast<std::ptrdiff_t>(Same), Scratch.Ink.end(),
                  FLastPainted.Ink.begin() + static_cast<std::ptrdiff_t>(Same));
    } else {
        FLastPainted.Ink.assign(Scratch.Ink.begin(), Scratch.Ink.end());
    }
    FLastPainted.Palette.assign(Scratch.Palette.begin(), Scratch.Palette.end());
    FLastPainted.RowsMatch = Matched;
    FLastPainted.Stamp = B.Stamp();
}

// The static frame: every LED unlit, the glyph LEDs of the visible characters (the end sentinel
// included when it is in the window) lit where their bits are set, the cursor bar lit in edit
// mode; the gap columns and row 7 stay unlit.
void TEditMatrix::FastTotalRedraw(bool Resize, bool Clear) {
    TFrameScratch& Scratch = FrameScratch();
    BeginFrame();
    ReshapeOrClear(Resize, Clear);
    const int Rows = FScroll ? GlyphRows : EditRows;
    const int Columns = std::min(CellColumns * int{FTotalVisible}, VisibleLEDColumns());
    const auto Stride = static_cast<std::size_t>(std::max(Columns, 0));
    Scratch.Palette.clear();
    const std::uint16_t Unlit = PaletteIndex(FOffColor);
    const std::uint16_t Lit = PaletteIndex(FOnColor);
    Scratch.Ink.assign(static_cast<std::size_t>(Rows) * Stride, Unlit);

    int Cell = 0;
    for (const Node* N = FVisibleNode; N != nullptr && Cell < FTotalVisible && CellColumns * Cell < Columns;
         N = N->NextNode, ++Cell) {
        const Byte* Glyph = &FCharTable[GlyphColumns * std::size_t{N->Character}];
        for (int j = 0; j < GlyphColumns && CellColumns * Cell + j < Columns; ++j) {
            std::uint16_t* Ink = Scratch.Ink.data() + CellColumns * Cell + j;
            for (int r = 0; r < GlyphRows; ++r, Ink += Stride) {
                if (((Glyph[j] >> GlyphBit(r)) & 1) != 0) *Ink = Lit;
            }
        }
    }
    if (const int Slot = CursorBarSlot(); Slot >= 0) {
        for (int j = 0; j < GlyphColumns && CellColumns * Slot + j < Columns; ++j) {
            Scratch.Ink[CursorRow * Stride + static_cast<std::size_t>(CellColumns * Slot + j)] = Lit;
        }
    }
    PaintLEDGrid(0, Rows, 0, Columns);
    FTotalRefresh = false;
}

void TEditMatrix::FastMakeCursor(bool Show) {
    TFrameScratch& Scratch = FrameScratch();
    const int Slot = CursorBarSlot();
    if (Slot < 0) return;
    const int First = CellColumns * Slot;
    const int Columns = std::min(GlyphColumns, VisibleLEDColumns() - First);
    if (Columns <= 0) return;
    Scratch.Palette.clear();
    Scratch.Ink.assign(static_cast<std::size_t>(Columns), PaletteIndex(Show ? FOnColor : FOffColor));
    PaintLEDGrid(CursorRow, 1, First, Columns);
}

}  // namespace vyr
