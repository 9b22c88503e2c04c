// The LED painter's grid painting.
//
// The grid is painted pixel row by pixel row. An LED covers, in each row of its box, one span
// whose ends depend only on the LED's size and shape (the profile), so a row of LEDs is a run of
// spans at a fixed pitch; each span is a copy from a run of its colour's bytes, done with a few
// fixed-size moves.
//
// Box rows whose span equals that of an earlier box row of the same LED row (every row of a
// square, the mirrored and the middle rows of a disc) are one memcpy of the grid's width from
// that row, where the two rows held the same bytes before painting: the spans would then turn
// both into the same bytes, so copying is exact, and pixels between the LEDs receive only the
// values they already had (done for LEDs below 22 pixels; longer spans are written as fast
// directly). After a clear, and over an earlier painting of the same geometry, that is every
// such row; a row that differs (something drew into the rows behind the painter's back) gets its
// spans written one by one, and its other pixels are not touched.
//
// Why this shape, rather than a pre-rendered stamp per (shape, size, colour) blitted LED by LED,
// or cached images of character cells: a stamp costs one copy per LED and box row just the same,
// and cannot cover the rows of an LED row with one copy each; cell images need invalidating on
// every glyph, colour and geometry change, and the scroll window is not aligned to character
// cells at all.
#include "ledpainter.h"

#include <algorithm>
#include <cstring>

#include "raster.h"

namespace vyr::led {

namespace {

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
        if (Keep && Ink[c] == KeepInk) continue;
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

}  // namespace

int TGeometry::ColumnsStartingWithin(int Width) const {
    const int Room = Width - Distance;
    if (Pitch() <= 0 || Room <= 0) return 0;
    return (Room + Pitch() - 1) / Pitch();
}

bool TLEDPainter::Draws(const TGeometry& Geometry) {
    return Geometry.Size >= 1 && Geometry.Size <= MaxLEDSize && Geometry.Distance >= 0 &&
           !(Geometry.Shape == EShape::Disc && Geometry.Size % 2 == 0);
}

TLEDPainter::TLEDPainter(const TGeometry& Geometry, std::vector<std::uint8_t>& Runs)
    : FGeometry(Geometry), FRuns(Runs) {  // NOLINT: the profile is filled by MakeProfile
    if (Draws(FGeometry)) MakeProfile();
}

// A square covers its whole box. A Disc of odd size S = 2R + 1 is centred in its box; its row at
// distance k from the centre is the union of the primitive's spans on that row: half-width f(k)
// from the spans of rows Y +- h (h = k), and half-width h from the spans of rows Y +- f(h) for
// every h with f(h) = k, where f(h) = sqrt(R^2 - h^2) rounded.
void TLEDPainter::MakeProfile() {
    const int S = FGeometry.Size;
    const auto At = [](int I) { return static_cast<std::size_t>(I); };
    switch (FGeometry.Shape) {
        case EShape::Disc: {
            const int R = S / 2;
            std::array<std::int16_t, MaxLEDSize / 2 + 1> Half{};
            Half.fill(-1);
            for (int H = 0; H <= R; ++H) {
                const auto F = static_cast<int>(raster::RoundSqrt(std::int64_t{R} * R - std::int64_t{H} * H));
                Half[At(H)] = static_cast<std::int16_t>(std::max<int>(Half[At(H)], F));
                Half[At(F)] = static_cast<std::int16_t>(std::max<int>(Half[At(F)], H));
            }
            for (int Dy = 0; Dy < S; ++Dy) {
                const int W = Half[At(Dy < R ? R - Dy : Dy - R)];
                FLo[At(Dy)] = static_cast<std::int16_t>(R - W);
                FHi[At(Dy)] = static_cast<std::int16_t>(R + W);
            }
            break;
        }
        case EShape::RoundAnySize: {
            // Row Dy keeps the x with (2x - (S-1))^2 < Limit - (2Dy - (S-1))^2; the span is
            // centred, so its left end is found by walking in from the box's edge.
            const std::int64_t Limit = std::int64_t{S} * S - S / 2;
            for (int Dy = 0; Dy < S; ++Dy) {
                const std::int64_t V = 2 * std::int64_t{Dy} - (S - 1);
                int Lo = 0;
                while (Lo < S / 2) {
                    const std::int64_t U = 2 * std::int64_t{Lo} - (S - 1);
                    if (U * U + V * V < Limit) break;
                    ++Lo;
                }
                // The middle pixel(s) of every row lie inside: |U| <= 1 and |V| <= S - 1.
                FLo[At(Dy)] = static_cast<std::int16_t>(Lo);
                FHi[At(Dy)] = static_cast<std::int16_t>(S - 1 - Lo);
            }
            break;
        }
        case EShape::Square:
            for (int Dy = 0; Dy < S; ++Dy) {
                FLo[At(Dy)] = 0;
                FHi[At(Dy)] = static_cast<std::int16_t>(S - 1);
            }
            break;
    }
    // Equal spans are neighbours or mirror images (the widths grow to the middle, then shrink).
    for (int Dy = 0; Dy < S; ++Dy) {
        const auto I = At(Dy);
        const auto Same = [this, I](std::size_t J) { return FLo[I] == FLo[J] && FHi[I] == FHi[J]; };
        auto Rep = static_cast<std::int16_t>(Dy);
        if (Dy > 0 && Same(I - 1)) {
            Rep = FRep[I - 1];
        } else if (const auto Mirror = At(S - 1 - Dy); Mirror < I && Same(Mirror)) {
            Rep = FRep[Mirror];
        }
        FRep[I] = Rep;
    }
}

bool TLEDPainter::Paint(const TPixelRows& Out, const TInkGrid& Grid, bool RowsMatch) {
    if (!Draws(FGeometry) || Out.First == nullptr || Grid.Rows <= 0 || Grid.Columns <= 0) return RowsMatch;
    const std::int64_t S = FGeometry.Size;
    const std::int64_t D = FGeometry.Distance;
    const std::int64_t P = S + D;
    const std::int64_t Wb = Out.Width;
    const std::int64_t Hb = Out.Height;
    const int Columns = Grid.Columns;

    // One run of S pixels in each palette colour: every span is a prefix of it.
    const auto RunBytes = static_cast<std::size_t>(3 * S);
    FRuns.resize(Grid.PaletteSize * RunBytes);
    for (std::size_t i = 0; i < Grid.PaletteSize; ++i) {
        const std::uint32_t C = Grid.Palette[i];
        std::uint8_t* Run = FRuns.data() + i * RunBytes;
        for (std::size_t x = 0; x < RunBytes; x += 3) {
            Run[x] = static_cast<std::uint8_t>(C >> 16);
            Run[x + 1] = static_cast<std::uint8_t>(C >> 8);
            Run[x + 2] = static_cast<std::uint8_t>(C);
        }
    }

    const std::int64_t GridLeft = D + P * Grid.FirstColumn;
    const std::int64_t GridRight = std::min(Wb, D + P * (Grid.FirstColumn + std::int64_t{Columns}));
    const auto GridBytes = static_cast<std::size_t>(std::max<std::int64_t>(0, 3 * (GridRight - GridLeft)));
    const auto Step = static_cast<std::size_t>(3 * P);
    std::array<bool, MaxLEDSize> Copy;  // filled for the rows of each LED row before use
    // Copying a row pays where the spans are short, so that writing them one by one costs more
    // per byte than a compare and a copy of the whole row; long spans are written directly.
    const bool CopyRows = 3 * S < 64;
    // Rows that match stay so: a copied row equals its Rep, a row written span by span gets the
    // same spans as its Rep. Rows that did not match and were not copied still differ.
    bool MatchAfter = true;

    for (int r = 0; r < Grid.Rows; ++r) {
        const std::int64_t Top = D + P * (Grid.FirstRow + r);
        if (Top >= Hb) break;
        const std::uint16_t* const Ink = Grid.Ink + static_cast<std::size_t>(r) * static_cast<std::size_t>(Columns);
        const auto Kept = std::count(Ink, Ink + Columns, KeepInk);
        if (Kept == Columns) {
            MatchAfter = MatchAfter && RowsMatch;
            continue;
        }
        const std::int64_t BoxRows = std::min(S, Hb - Top);

        // Before anything of this LED row is written: which rows hold the same bytes as the
        // row they would copy from.
        for (std::int64_t Dy = 0; Dy < BoxRows; ++Dy) {
            const auto I = static_cast<std::size_t>(Dy);
            Copy[I] = CopyRows && FRep[I] != Dy && GridBytes > 0 &&
                      (RowsMatch || std::memcmp(Out.Row(Top + Dy) + 3 * GridLeft, Out.Row(Top + FRep[I]) + 3 * GridLeft,
                                                GridBytes) == 0);
            MatchAfter = MatchAfter && (RowsMatch || Copy[I] || FRep[I] == Dy);
        }
        for (std::int64_t Dy = 0; Dy < BoxRows; ++Dy) {
            std::uint8_t* const Line = Out.Row(Top + Dy);
            const auto I = static_cast<std::size_t>(Dy);
            if (Copy[I]) {
                std::memcpy(Line + 3 * GridLeft, Out.Row(Top + FRep[I]) + 3 * GridLeft, GridBytes);
                continue;
            }
            const std::int64_t Lo = FLo[I];
            const std::int64_t Span = FHi[I] - Lo + 1;
            const std::int64_t X = GridLeft + Lo;
            // The LEDs whose span lies wholly inside the rows, then the one cut at their edge.
            const std::int64_t Whole = X + Span <= Wb ? std::min<std::int64_t>(Columns, (Wb - X - Span) / P + 1) : 0;
            WriteSpansAnySize(Line + 3 * X, Step, Ink, Whole, FRuns.data(), RunBytes,
                              static_cast<std::size_t>(3 * Span), Kept != 0);
            const std::int64_t Cut = X + P * Whole;
            if (Whole < Columns && Cut < Wb && Ink[Whole] != KeepInk) {
                CopySpan(Line + 3 * Cut, FRuns.data() + Ink[Whole] * RunBytes,
                         static_cast<std::size_t>(3 * (Wb - Cut)));
            }
        }
    }
    return MatchAfter;
}

}  // namespace vyr::led
