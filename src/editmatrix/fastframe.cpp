// The fast renderer: the static frame, the cursor bar, and the painting of an LED grid whose
// colours have been decided beforehand (the scroll frame decides them in scroll/frame.cpp).
//
// It draws exactly the pixels of the literal renderer (render.cpp, scroll/frame.cpp) and is
// tested against it after every operation of random operation programs. The differences are in
// how the pixels get there:
//
// - Every LED's final colour is decided first (FFrameInk, an index into FFramePalette per LED),
//   so no LED is drawn unlit and then lit.
// - The grid is painted pixel row by pixel row. An LED covers, in each row of its box, one span
//   whose ends depend only on the LED's size and shape (TLEDProfile), so a row of LEDs is a run
//   of spans at a fixed pitch; each span is a copy from a run of its colour's bytes, done with a
//   few fixed-size moves.
// - Box rows whose span equals that of an earlier box row of the same LED row (every row of a
//   square, the mirrored and the middle rows of a disc) are one memcpy of the grid's width from
//   that row, where the two rows held the same bytes before the frame: the spans would then
//   turn both into the same bytes, so copying is exact, and pixels between the LEDs receive only
//   the values they already had (done for LEDs below 22 pixels; longer spans are written as
//   fast directly). After a clear, and in every frame drawn over an earlier frame of
//   the same geometry, that is every such row; a row that differs (something drew into the
//   buffer behind the control's back) gets its spans written one by one, and its other pixels
//   are not touched.
//
// Why this shape, rather than a pre-rendered stamp per (shape, size, colour) blitted LED by LED,
// or cached images of character cells: a stamp costs one copy per LED and box row just the same,
// and cannot cover the rows of an LED row with one copy each; cell images need invalidating on
// every glyph, colour and geometry change, and the scroll window is not aligned to character
// cells at all. Measured in a Release build (scripts/bench.sh): a whole frame is 10 to 30 times
// faster than the literal one at the default and at a 40-cell round-LED geometry; at the defaults
// what remains is the fixed cost per LED span (a 2-pixel LED is 6 bytes) and, in the scroll
// frame, the walk along the stream's cells.
#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "grid.h"
#include "host_names.h"
#include "raster.h"
#include "vyr/EditMatrix.h"

namespace vyr {

namespace {

constexpr std::uint16_t NoInk = 0xFFFF;  // TEditMatrix::KeepInk

// Copies N bytes, N a multiple of 3 and at least 3, with at most two fixed-size moves below 33
// bytes (which overlap when N is not their size): a span of a small LED is a few bytes, and a
// call to memcpy would cost more than the copy itself.
inline void CopySpan(std::uint8_t* To, const std::uint8_t* From, std::size_t N) {
    if (N >= 16) {
        if (N <= 32) {
            std::memcpy(To, From, 16);
            std::memcpy(To + N - 16, From + N - 16, 16);
        } else {
            std::memcpy(To, From, N);
        }
    } else if (N >= 8) {
        std::memcpy(To, From, 8);
        std::memcpy(To + N - 8, From + N - 8, 8);
    } else if (N >= 4) {
        std::memcpy(To, From, 4);
        std::memcpy(To + N - 4, From + N - 4, 4);
    } else {
        std::memcpy(To, From, 2);
        To[2] = From[2];
    }
}

// Writes the span of each of Count LEDs of one pixel row: LED c's span of Bytes bytes starts at
// To + c * Step and is a copy of the first Bytes bytes of its colour's run (Runs + Ink[c] *
// RunBytes). LEDs of KeepInk are skipped when Keep is set. N is Bytes when it is known at
// compile time (the common small spans, copied with two moves), 0 otherwise.
template <std::size_t N>
void WriteSpans(std::uint8_t* To, std::size_t Step, const std::uint16_t* Ink, std::int64_t Count,
                const std::uint8_t* Runs, std::size_t RunBytes, std::size_t Bytes, bool Keep) {
    for (std::int64_t c = 0; c < Count; ++c, To += Step) {
        if (Keep && Ink[c] == NoInk) continue;
        const std::uint8_t* From = Runs + Ink[c] * RunBytes;
        CopySpan(To, From, N != 0 ? N : Bytes);  // with N known, the size tests fold away
    }
}

void WriteSpansAnySize(std::uint8_t* To, std::size_t Step, const std::uint16_t* Ink, std::int64_t Count,
                       const std::uint8_t* Runs, std::size_t RunBytes, std::size_t Bytes, bool Keep) {
    switch (Bytes) {
        case 3:
            return WriteSpans<3>(To, Step, Ink, Count, Runs, RunBytes, Bytes, Keep);
        case 6:
            return WriteSpans<6>(To, Step, Ink, Count, Runs, RunBytes, Bytes, Keep);
        case 9:
            return WriteSpans<9>(To, Step, Ink, Count, Runs, RunBytes, Bytes, Keep);
        case 12:
            return WriteSpans<12>(To, Step, Ink, Count, Runs, RunBytes, Bytes, Keep);
        case 15:
            return WriteSpans<15>(To, Step, Ink, Count, Runs, RunBytes, Bytes, Keep);
        case 21:
            return WriteSpans<21>(To, Step, Ink, Count, Runs, RunBytes, Bytes, Keep);
        default:
            return WriteSpans<0>(To, Step, Ink, Count, Runs, RunBytes, Bytes, Keep);
    }
}

// The pixels an LED of size S covers: in row dy of its S x S box, columns Lo[dy]..Hi[dy] of the
// box. Rep[dy] is the first box row with the same span. Only rows 0..S-1 are filled in (the
// arrays are left uninitialised: each frame builds one).
struct TLEDProfile {
    std::array<std::int16_t, 256> Lo;
    std::array<std::int16_t, 256> Hi;
    std::array<std::int16_t, 256> Rep;
};

// A square covers its whole box. A disc of odd size S = 2R + 1 is centred in its box; its row at
// distance k from the centre is the union of the primitive's spans on that row: half-width f(k)
// from the spans of rows Y +- h (h = k), and half-width h from the spans of rows Y +- f(h) for
// every h with f(h) = k, where f(h) = sqrt(R^2 - h^2) rounded.
void MakeProfile(TLEDProfile& L, int S, EShape Shape) {
    if (Shape == EShape::Circle) {
        const int R = S / 2;
        std::array<std::int16_t, 128> Half{};
        Half.fill(-1);
        for (int H = 0; H <= R; ++H) {
            const auto F = static_cast<int>(raster::RoundSqrt(std::int64_t{R} * R - std::int64_t{H} * H));
            Half[static_cast<std::size_t>(H)] =
                static_cast<std::int16_t>(std::max<int>(Half[static_cast<std::size_t>(H)], F));
            Half[static_cast<std::size_t>(F)] =
                static_cast<std::int16_t>(std::max<int>(Half[static_cast<std::size_t>(F)], H));
        }
        for (int Dy = 0; Dy < S; ++Dy) {
            const int W = Half[static_cast<std::size_t>(Dy < R ? R - Dy : Dy - R)];
            L.Lo[static_cast<std::size_t>(Dy)] = static_cast<std::int16_t>(R - W);
            L.Hi[static_cast<std::size_t>(Dy)] = static_cast<std::int16_t>(R + W);
        }
    } else {
        for (int Dy = 0; Dy < S; ++Dy) {
            L.Lo[static_cast<std::size_t>(Dy)] = 0;
            L.Hi[static_cast<std::size_t>(Dy)] = static_cast<std::int16_t>(S - 1);
        }
    }
    // Equal spans are neighbours or mirror images (the widths grow to the middle, then shrink).
    for (int Dy = 0; Dy < S; ++Dy) {
        const auto I = static_cast<std::size_t>(Dy);
        const auto Same = [&L, I](std::size_t J) { return L.Lo[I] == L.Lo[J] && L.Hi[I] == L.Hi[J]; };
        std::int16_t Rep = static_cast<std::int16_t>(Dy);
        if (Dy > 0 && Same(I - 1)) {
            Rep = L.Rep[I - 1];
        } else if (const auto Mirror = static_cast<std::size_t>(S - 1 - Dy); Mirror < I && Same(Mirror)) {
            Rep = L.Rep[Mirror];
        }
        L.Rep[I] = Rep;
    }
}

}  // namespace

// Round LEDs of an even size would reach one pixel beyond their box, so that neighbours overlap
// and the order of drawing shows; the setters never make one, and should one occur the literal
// renderer draws it.
bool TEditMatrix::FastRendererApplies() const {
    return !FLiteralRenderer && FBitmap != nullptr && FLEDSize >= 1 &&
           !(FLEDShape == EShape::Circle && FLEDSize % 2 == 0);
}

int TEditMatrix::VisibleLEDColumns() const {
    if (!FBitmap) return 0;
    const int Pitch = FLEDSize + FLEDDistance;
    const int Room = FBitmap->Width() - FLEDDistance;
    if (Pitch <= 0 || Room <= 0) return 0;
    return (Room + Pitch - 1) / Pitch;
}

std::uint16_t TEditMatrix::PaletteIndex(TColor Colour) {
    for (std::size_t i = 0; i < FFramePalette.size(); ++i) {
        if (FFramePalette[i] == Colour) return static_cast<std::uint16_t>(i);
    }
    FFramePalette.push_back(Colour);
    return static_cast<std::uint16_t>(FFramePalette.size() - 1);
}

void TEditMatrix::PaintLEDGrid(int FirstRow, int Rows, int FirstColumn, int Columns) {
    // Rows of a buffer cleared whole in this frame, with nothing drawn since, are equal without
    // comparing them.
    const bool Uniform = std::exchange(FBufferUniform, false);
    if (!FBitmap || Rows <= 0 || Columns <= 0) return;
    if (!FastRendererApplies()) {
        for (int r = 0; r < Rows; ++r) {
            for (int c = 0; c < Columns; ++c) {
                const std::uint16_t Ink = FFrameInk[static_cast<std::size_t>(r) * static_cast<std::size_t>(Columns) +
                                                    static_cast<std::size_t>(c)];
                if (Ink != KeepInk) PutLED(FirstColumn + c, FirstRow + r, FFramePalette[Ink]);
            }
        }
        return;
    }
    static_assert(KeepInk == NoInk);
    host::TBitmap& B = *FBitmap;
    const std::int64_t S = FLEDSize;
    const std::int64_t D = FLEDDistance;
    const std::int64_t P = S + D;
    const std::int64_t Wb = B.Width();
    const std::int64_t Hb = B.Height();

    TLEDProfile L;
    MakeProfile(L, static_cast<int>(S), FLEDShape);

    // One run of S pixels in each palette colour: every span is a prefix of it.
    const auto RunBytes = static_cast<std::size_t>(3 * S);
    FFrameBytes.resize(FFramePalette.size() * RunBytes);
    for (std::size_t i = 0; i < FFramePalette.size(); ++i) {
        const TColor C = FFramePalette[i];
        std::uint8_t* Run = FFrameBytes.data() + i * RunBytes;
        for (std::size_t x = 0; x < RunBytes; x += 3) {
            Run[x] = static_cast<std::uint8_t>(C >> 16);
            Run[x + 1] = static_cast<std::uint8_t>(C >> 8);
            Run[x + 2] = static_cast<std::uint8_t>(C);
        }
    }

    const std::int64_t GridLeft = D + P * FirstColumn;
    const std::int64_t GridRight = std::min(Wb, D + P * (FirstColumn + std::int64_t{Columns}));
    const auto GridBytes = static_cast<std::size_t>(std::max<std::int64_t>(0, 3 * (GridRight - GridLeft)));
    const auto Step = static_cast<std::size_t>(3 * P);
    std::array<bool, 256> Copy;  // filled for the rows of each LED row before use
    // Copying a row pays where the spans are short, so that writing them one by one costs more
    // per byte than a compare and a copy of the whole row; long spans are written directly.
    const bool CopyRows = 3 * S < 64;

    for (int r = 0; r < Rows; ++r) {
        const std::int64_t Top = D + P * (FirstRow + r);
        if (Top >= Hb) break;
        const std::uint16_t* const Ink =
            FFrameInk.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(Columns);
        const auto Kept = std::count(Ink, Ink + Columns, KeepInk);
        if (Kept == Columns) continue;
        const std::int64_t BoxRows = std::min(S, Hb - Top);

        // Before anything of this LED row is written: which rows hold the same bytes as the
        // row they would copy from.
        for (std::int64_t Dy = 0; Dy < BoxRows; ++Dy) {
            const auto I = static_cast<std::size_t>(Dy);
            Copy[I] =
                CopyRows && L.Rep[I] != Dy && GridBytes > 0 &&
                (Uniform || std::memcmp(B.ScanLine(static_cast<int>(Top + Dy)) + 3 * GridLeft,
                                        B.ScanLine(static_cast<int>(Top + L.Rep[I])) + 3 * GridLeft, GridBytes) == 0);
        }
        for (std::int64_t Dy = 0; Dy < BoxRows; ++Dy) {
            std::uint8_t* const Line = B.ScanLine(static_cast<int>(Top + Dy));
            const auto I = static_cast<std::size_t>(Dy);
            if (Copy[I]) {
                std::memcpy(Line + 3 * GridLeft, B.ScanLine(static_cast<int>(Top + L.Rep[I])) + 3 * GridLeft,
                            GridBytes);
                continue;
            }
            const std::int64_t Lo = L.Lo[I];
            const std::int64_t Span = L.Hi[I] - Lo + 1;
            const std::int64_t X = GridLeft + Lo;
            // The LEDs whose span lies wholly inside the buffer, then the one cut at its edge.
            const std::int64_t Whole = X + Span <= Wb ? std::min<std::int64_t>(Columns, (Wb - X - Span) / P + 1) : 0;
            WriteSpansAnySize(Line + 3 * X, Step, Ink, Whole, FFrameBytes.data(), RunBytes,
                              static_cast<std::size_t>(3 * Span), Kept != 0);
            const std::int64_t Cut = X + P * Whole;
            if (Whole < Columns && Cut < Wb && Ink[Whole] != KeepInk) {
                CopySpan(Line + 3 * Cut, FFrameBytes.data() + Ink[Whole] * RunBytes,
                         static_cast<std::size_t>(3 * (Wb - Cut)));
            }
        }
    }
}

// The static frame: every LED unlit, the glyph LEDs of the visible characters (the end sentinel
// included when it is in the window) lit where their bits are set, the cursor bar lit in edit
// mode; the gap columns and row 7 stay unlit.
void TEditMatrix::FastTotalRedraw(bool Resize, bool Clear) {
    BeginFrame();
    ReshapeOrClear(Resize, Clear);
    const int Rows = FScroll ? GlyphRows : EditRows;
    const int Columns = std::min(CellColumns * int{FTotalVisible}, VisibleLEDColumns());
    const auto Stride = static_cast<std::size_t>(std::max(Columns, 0));
    FFramePalette.clear();
    const std::uint16_t Unlit = PaletteIndex(FOffColor);
    const std::uint16_t Lit = PaletteIndex(FOnColor);
    FFrameInk.assign(static_cast<std::size_t>(Rows) * Stride, Unlit);

    int Cell = 0;
    for (const Node* N = FVisibleNode; N != nullptr && Cell < FTotalVisible && CellColumns * Cell < Columns;
         N = N->NextNode, ++Cell) {
        const Byte* Glyph = &FCharTable[GlyphColumns * std::size_t{N->Character}];
        for (int j = 0; j < GlyphColumns && CellColumns * Cell + j < Columns; ++j) {
            std::uint16_t* Ink = FFrameInk.data() + CellColumns * Cell + j;
            for (int r = 0; r < GlyphRows; ++r, Ink += Stride) {
                if (((Glyph[j] >> GlyphBit(r)) & 1) != 0) *Ink = Lit;
            }
        }
    }
    if (!FScroll) {
        const std::int64_t Slot = std::int64_t{FCursorPos} - FFirstVisible;
        if (Slot >= 0 && Slot < FTotalVisible) {
            for (int j = 0; j < GlyphColumns && CellColumns * Slot + j < Columns; ++j) {
                FFrameInk[CursorRow * Stride + static_cast<std::size_t>(CellColumns * Slot + j)] = Lit;
            }
        }
    }
    PaintLEDGrid(0, Rows, 0, Columns);
    FTotalRefresh = false;
}

void TEditMatrix::FastMakeCursor(bool Show) {
    const std::int64_t Slot = std::int64_t{FCursorPos} - FFirstVisible;
    if (FScroll || Slot < 0 || Slot >= FTotalVisible) {
        return;
    }
    const auto First = static_cast<int>(CellColumns * Slot);
    const int Columns = std::min(GlyphColumns, VisibleLEDColumns() - First);
    if (Columns <= 0) return;
    FFramePalette.clear();
    FFrameInk.assign(static_cast<std::size_t>(Columns), PaletteIndex(Show ? FOnColor : FOffColor));
    PaintLEDGrid(CursorRow, 1, First, Columns);
}

}  // namespace vyr
