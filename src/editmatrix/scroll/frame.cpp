// The scroll frame: TotalVisible x 6 LED columns of the stream from FScrollPos on, wrapping at
// the end of the stream, and the execution of the control codes met on the way.
//
// Letter codes run once per frame, before anything is drawn, through the property setters; a
// setter that changes its value repaints at once, so a frame can be entered again from inside its
// own letter-code pass. Everything a frame walks with is local, and the inner frame runs no
// letter codes, so the nesting is one level deep and the outer frame simply goes on where it was.
// Digit codes run while the columns are drawn and change the colours and blinking of the columns
// to their right; they commit for good just before they leave the window at the left.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

#include "../grid.h"
#include "../host_names.h"
#include "vyr/EditMatrix.h"

namespace vyr {

namespace {

// Head kinds: a digit code carries its value along Up; a letter code has a code character
// (always above 1) in its head; an LED column has 0 or 1 there.
bool IsDigitCode(const _Pixel* Head) { return Head->Up != 0; }
bool IsLetterCode(const _Pixel* Head) { return Head->Up == 0 && Head->Value > 1; }
bool IsLEDColumn(const _Pixel* Head) { return Head->Up == 0 && Head->Value <= 1; }

// Digit codes "0" to "3" make their effect permanent when they commit; the halting codes act at
// once, whenever they are met.
bool CommitsWhenLeaving(const _Pixel* Code) { return Code->Value >= '0' && Code->Value <= '3'; }

// The 24-bit value of a code, high byte first, read from the three cells after the head along
// the given link. Missing cells count as 0.
TColor CodeValue(const TSlabPool<_Pixel>& Pool, const _Pixel* Head, TPixelLink _Pixel::*Link) {
    TColor Value = 0;
    const _Pixel* Cell = Head;
    for (int i = 0; i < 3; ++i) {
        Cell = Cell != nullptr ? Pool.At(Cell->*Link) : nullptr;
        Value = (Value << 8) | (Cell != nullptr ? Cell->Value : 0U);
    }
    return Value;
}

}  // namespace

void TEditMatrix::GoToNextPixel(_Pixel*& Head) const {
    Head = Head->Next != 0 ? FPixelPool.At(Head->Next) : FStreamHead;
}

// The next LED column, skipping codes and wrapping. A stream with no LED column at all cannot come
// from the text; should one be built by hand, the walk stops after one round instead of looping.
void TEditMatrix::GoToNextNoActionPixel(_Pixel*& Head) const {
    _Pixel* const Start = Head;
    do {
        GoToNextPixel(Head);
    } while (Head->Value > 1 && Head != Start);
}

void TEditMatrix::GoToPastPixel(_Pixel*& Head) const {
    Head = Head == FStreamHead ? FStreamTail : FPixelPool.At(Head->Prev);
}

bool TEditMatrix::IsCharInString(char Ch, const AnsiString& S) { return S.find(Ch) != AnsiString::npos; }

// True when the code is the left-edge head, or when exactly one LED column stands between the
// left edge and the code (the left edge included): the step just before the code leaves.
bool TEditMatrix::OnlyOnePixelDataLeft(_Pixel* Code, _Pixel* Left) const {
    if (Code == Left) return true;
    int LEDs = 0;
    _Pixel* Head = Code;
    for (;;) {
        if (IsLEDColumn(Head)) ++LEDs;
        if (LEDs > 1) return false;  // the count can only grow
        if (Head == Left) break;
        GoToPastPixel(Head);
        if (Head == nullptr || Head == Code) return false;  // Left is not in the stream
    }
    return LEDs == 1;
}

void TEditMatrix::RunAlfaState(_Pixel* Code, _Pixel* Left, bool& Steady, TColor& BlinkOff, TColor& On, TColor& Off) {
    ApplyDigitCode(Code, CommitsWhenLeaving(Code) && OnlyOnePixelDataLeft(Code, Left), Steady, BlinkOff, On, Off);
}

void TEditMatrix::ApplyDigitCode(const _Pixel* Code, bool Commit, bool& Steady, TColor& BlinkOff, TColor& On,
                                 TColor& Off) {
    const TColor Value = CodeValue(FPixelPool, Code, &_Pixel::Up);
    const Byte High = static_cast<Byte>(Value >> 16);
    switch (Code->Value) {
        case '0':
            Steady = High != 0 ? FBlinkState : true;
            if (Commit) FBlinking = High != 0;
            break;
        case '1':
            BlinkOff = Value;
            if (Commit) FScrollBlinkOffColor = Value;
            break;
        case '2':
            On = Value;
            if (Commit) FScrollOnColor = Value;
            break;
        case '3':
            Off = Value;
            if (Commit) FScrollOffColor = Value;
            break;
        case '4':
        case '5':
        case '6':
        case '7':
        case '8':
            FScrollHalted = true;
            break;
        default:
            break;
    }
}

// Letter codes go through the property setters, which do nothing when the value is unchanged and
// otherwise repaint at once (a nested frame without letter codes).
void TEditMatrix::RunAlfaCode(_Pixel* Head) {
    const TColor Value = CodeValue(FPixelPool, Head, &_Pixel::Down);
    switch (Head->Value) {
        case 'A':
            FSetActiveLED((Value & 255) != 0);
            break;
        case 'B':
            FSetActiveLEDOffColor(Value);
            FScrollOffColor = Value;
            break;
        case 'C':
            FSetActiveLEDOnColor(Value);
            FScrollOnColor = Value;
            break;
        case 'D':
            FSetDelay(static_cast<std::int32_t>(Value));
            break;
        case 'E':
            FSetInactiveLEDOffColor(Value);
            break;
        case 'F':
            FSetInactiveLEDOnColor(Value);
            break;
        case 'I':
            FSetLEDDistance(static_cast<Byte>(Value & 255));
            break;
        case 'L':
            FSetLEDSize(static_cast<Byte>(Value & 255));
            break;
        case 'S':
            FSetLEDShape(Value != 0 ? EShape::Circle : EShape::Square);
            break;
        default:
            break;
    }
}

void TEditMatrix::LiteralTotalScrollRedraw(bool Recalc, bool Clear) {
    BeginFrame();
    PrepareFrame(Recalc, Clear);
    WriteScrollText();
    FTotalRefresh = false;
}

// The two cursors along the stream's heads. THeadLinks follows the links, as the stream
// defines its order; THeadPlaces steps through FHeadIndex, which holds the same heads in the
// same order, and answers an LED column's lit rows without reading its cells.
class TEditMatrix::THeadLinks {
public:
    THeadLinks(const TEditMatrix& M, _Pixel* Left) : FM(M), FLeft(Left), FHead(Left) {}
    [[nodiscard]] _Pixel* Head() const { return FHead; }
    [[nodiscard]] bool AtLeft() const { return FHead == FLeft; }
    [[nodiscard]] bool operator==(const THeadLinks& Other) const { return FHead == Other.FHead; }
    [[nodiscard]] bool IsDigit() const { return IsDigitCode(FHead); }
    [[nodiscard]] bool IsLetter() const { return IsLetterCode(FHead); }
    [[nodiscard]] bool IsLED() const { return IsLEDColumn(FHead); }
    // The cells are always read.
    [[nodiscard]] static std::uint8_t Kind() { return THeadIndex::OtherColumn; }
    void Next() { FM.GoToNextPixel(FHead); }
    void Back() { FM.GoToPastPixel(FHead); }

private:
    const TEditMatrix& FM;
    _Pixel* FLeft;
    _Pixel* FHead;
};

class TEditMatrix::THeadPlaces {
public:
    THeadPlaces(const TSlabPool<_Pixel>& Pool, const THeadIndex& Index, int Left)
        : FPool(Pool), FIndex(Index), FLeft(Left), FPlace(Left) {}
    [[nodiscard]] _Pixel* Head() const { return FPool.At(FIndex.Heads[static_cast<std::size_t>(FPlace)]); }
    [[nodiscard]] bool AtLeft() const { return FPlace == FLeft; }
    [[nodiscard]] bool operator==(const THeadPlaces& Other) const { return FPlace == Other.FPlace; }
    [[nodiscard]] bool IsDigit() const { return Kind() == THeadIndex::DigitCode; }
    [[nodiscard]] bool IsLetter() const { return Kind() == THeadIndex::LetterCode; }
    [[nodiscard]] bool IsLED() const { return Kind() <= THeadIndex::OtherColumn; }
    [[nodiscard]] std::uint8_t Kind() const { return FIndex.Kinds[static_cast<std::size_t>(FPlace)]; }
    void Next() { FPlace = FPlace + 1 == Count() ? 0 : FPlace + 1; }
    void Back() { FPlace = FPlace == 0 ? Count() - 1 : FPlace - 1; }

private:
    [[nodiscard]] int Count() const { return static_cast<int>(FIndex.Heads.size()); }
    const TSlabPool<_Pixel>& FPool;
    const THeadIndex& FIndex;
    int FLeft;
    int FPlace;
};

// Letter codes: those in the window and the first head after it, the rightmost of each letter
// only. Letter codes are not counted on the way back, so the walk reaches as many heads left of
// the window as there are letter codes in the range.
void TEditMatrix::RunLetterCodes(_Pixel* Left, int Width) { RunLetterCodesAlong(THeadLinks(*this, Left), Width); }

template <typename THeads>
void TEditMatrix::RunLetterCodesAlong(THeads Heads, int Width) {
    if (FHeadIndex.Letters.empty()) return;  // the walks below would find nothing to run
    AnsiString Executed;
    int Steps = 0;
    int LEDs = 0;
    while (LEDs < Width) {
        if (Heads.IsLED()) ++LEDs;
        ++Steps;
        Heads.Next();
        if (Heads.AtLeft() && LEDs == 0) break;  // no LED column in the stream at all
    }
    int Counted = 0;
    const THeads End = Heads;
    for (;;) {
        if (Heads.IsLetter()) {
            _Pixel* const Head = Heads.Head();
            const auto Letter = static_cast<char>(Head->Value);
            if (!IsCharInString(Letter, Executed)) {
                Executed.push_back(Letter);
                RunAlfaCode(Head);
            }
        } else {
            ++Counted;
            if (Counted == Steps + 1) break;
        }
        Heads.Back();
        if (Heads == End && Counted == 0) break;  // only letter codes in the stream
    }
}

// Left's place: the one looked up last time, a few places after it (a scroll step moves one LED
// column on, past the codes before it), or else found by a search of the index.
std::optional<int> TEditMatrix::PlaceOf(const _Pixel* Left) {
    THeadIndex& Index = FHeadIndex;
    const auto Count = static_cast<int>(Index.Heads.size());
    if (Left == nullptr || Count == 0) return std::nullopt;
    const auto Holds = [&](int At) { return FPixelPool.At(Index.Heads[static_cast<std::size_t>(At)]) == Left; };
    int Place = std::clamp(Index.KnownPlace, 0, Count - 1);
    for (int Hop = 0; Hop < 8 && !Holds(Place); ++Hop) {
        Place = Place + 1 == Count ? 0 : Place + 1;
    }
    if (!Holds(Place)) {
        const auto It = std::find(Index.Heads.begin(), Index.Heads.end(), FPixelPool.IndexOf(Left));
        if (It == Index.Heads.end()) return std::nullopt;
        Place = static_cast<int>(It - Index.Heads.begin());
    }
    Index.KnownPlace = Place;
    return Place;
}

// The letter-code pass walks forward from Left over Width LED columns and the codes among them
// (Steps heads, at most Width + Codes), then back from where it stopped over Steps + 1 heads
// that are not letter codes. With no letter code among the heads Left .. Left + Steps, the way
// back stops at Left and nothing runs; so it is enough that none stands among the heads Left ..
// Left + Width + Codes, wrapping. A stream of fewer heads than that (a window showing it more
// than once) is walked.
bool TEditMatrix::LetterCodesWithinReach(int Place, int Width) const {
    if (FHeadIndex.Letters.empty()) return false;
    const THeadIndex& Index = FHeadIndex;
    const auto Count = static_cast<std::int64_t>(Index.Heads.size());
    const std::int64_t Reach = std::int64_t{Width} + Index.Codes;
    if (Reach + 2 >= Count) return true;
    const auto AnyWithin = [&Index](std::int64_t From, std::int64_t To) {
        const auto It = std::lower_bound(Index.Letters.begin(), Index.Letters.end(), From);
        return It != Index.Letters.end() && *It <= To;
    };
    const std::int64_t Last = Place + Reach;
    if (Last < Count) return AnyWithin(Place, Last);
    return AnyWithin(Place, Count - 1) || AnyWithin(0, Last - Count);
}

// The column pass: screen columns 0..Width-1 from Left, wrapping; digit codes change the frame's
// colours and blinking for the columns after them (and commit just before they leave), letter
// codes are passed over. A lit cell of an LED column shows the lit colour, every other cell the
// unlit one; both are fixed per column, since nothing changes within a column.
template <typename THeads, typename TColumnFn>
void TEditMatrix::WalkScrollWindow(THeads Heads, _Pixel* Left, int Width, bool WalkBackToCommit, TColumnFn&& Column) {
    bool Steady = !FBlinking;
    TColor BlinkOff = FScrollBlinkOffColor;
    TColor On = FScrollOnColor;
    TColor Off = FScrollOffColor;
    int Screen = 0;
    // LED columns met since the walk last stood on Left, Left included. The commit test walks
    // back from a code to the nearest Left before it, counting LED columns; in a window that
    // shows the stream more than once, that Left is the one of the current lap, which is where
    // this count starts again.
    int SinceLeft = 0;
    while (Screen < Width) {
        if (Heads.AtLeft()) SinceLeft = 0;
        if (Heads.IsDigit()) {
            _Pixel* const Head = Heads.Head();
            if (WalkBackToCommit) {
                RunAlfaState(Head, Left, Steady, BlinkOff, On, Off);
            } else {
                const bool Commit = CommitsWhenLeaving(Head) && (Heads.AtLeft() || SinceLeft == 1);
                ApplyDigitCode(Head, Commit, Steady, BlinkOff, On, Off);
            }
        } else if (!Heads.IsLetter()) {
            Column(Screen, std::as_const(Heads), Steady || (FBlinking && FBlinkState) ? On : BlinkOff, Off);
            ++Screen;
            ++SinceLeft;
        }
        Heads.Next();
        if (Heads.AtLeft() && Screen == 0) break;  // no LED column in the stream at all
    }
}

void TEditMatrix::WriteScrollText() {
    _Pixel* const Left = FScrollPos != nullptr ? FScrollPos : FStreamHead;
    if (Left != nullptr) {
        const int Width = static_cast<int>(FTotalVisible) * CellColumns;
        if (FMiniRefresh) RunLetterCodes(Left, Width);
        // A letter code's setter may have rebuilt the back buffer with a new geometry; the LEDs
        // below are placed with the geometry in force now.
        WalkScrollWindow(THeadLinks(*this, Left), Left, Width, true,
                         [this](int Screen, const THeadLinks& Heads, TColor Lit, TColor Unlit) {
                             const _Pixel* Cell = Heads.Head();
                             for (int Row = 0; Row < GlyphRows && Cell != nullptr;
                                  ++Row, Cell = FPixelPool.At(Cell->Down)) {
                                 PutLED(Screen, Row, Cell->Value == 1 ? Lit : Unlit);
                             }
                         });
    }
    FMiniRefresh = true;
}

// The scroll frame of the fast renderer: the same letter-code pass and column pass, but the
// column pass only records each LED's colour, and the grid is painted once afterwards with the
// geometry in force after the letter codes. The unlit window that the literal frame draws first
// is not drawn as such; it is the colour of every LED the column pass does not decide (rows 7
// and 8 when called in edit mode, every LED without a stream). When a letter code drew a nested
// frame, that frame cleared the buffer and drew a whole window after the unlit one, so those
// LEDs keep what it drew.
void TEditMatrix::FastTotalScrollRedraw(bool Recalc, bool Clear) {
    TFrameScratch& Scratch = FrameScratch();
    BeginFrame();
    ReshapeOrClear(Recalc, Clear);
    _Pixel* const Left = FScrollPos != nullptr ? FScrollPos : FStreamHead;
    const int Width = static_cast<int>(FTotalVisible) * CellColumns;
    const unsigned FramesBefore = FFrameSerial;
    const TColor UnlitWindow = FOffColor;
    // The walks go by place where the index holds Left (always, but for a stream built by hand).
    const std::optional<int> Place = PlaceOf(Left);
    if (Left != nullptr && FMiniRefresh) {
        if (!Place) {
            RunLetterCodes(Left, Width);
        } else if (LetterCodesWithinReach(*Place, Width)) {
            RunLetterCodesAlong(THeadPlaces(FPixelPool, FHeadIndex, *Place), Width);
        }
    }
    const bool Nested = FFrameSerial != FramesBefore;

    // Everything from here on uses the geometry and colours left by the letter codes.
    const int Rows = FScroll ? GlyphRows : EditRows;
    const int Columns = std::min(Width, VisibleLEDColumns());
    const auto Stride = static_cast<std::size_t>(Columns);
    Scratch.Palette.clear();
    Scratch.Ink.assign(static_cast<std::size_t>(Rows) * Stride, Nested ? KeepInk : PaletteIndex(UnlitWindow));
    if (Left != nullptr) {
        // The colours of the previous column are remembered, so that the palette is searched
        // only where a digit code changed a colour.
        TColor LastLit = 0;
        TColor LastUnlit = 0;
        std::uint16_t LitInk = 0;
        std::uint16_t UnlitInk = 0;
        bool Known = false;
        const auto Column = [&](int Screen, const auto& Heads, TColor Lit, TColor Unlit) {
            if (Screen >= Columns) return;
            if (!Known || Lit != LastLit || Unlit != LastUnlit) {
                LitInk = PaletteIndex(Lit);
                UnlitInk = PaletteIndex(Unlit);
                LastLit = Lit;
                LastUnlit = Unlit;
                Known = true;
            }
            std::uint16_t* Ink = Scratch.Ink.data() + Screen;
            // A character's column: its lit rows come from the index, no cell is read.
            if (const std::uint8_t Kind = Heads.Kind(); Kind < THeadIndex::OtherColumn) {
                for (int Row = 0; Row < GlyphRows; ++Row, Ink += Stride) {
                    *Ink = ((Kind >> Row) & 1) != 0 ? LitInk : UnlitInk;
                }
                return;
            }
            const _Pixel* Cell = Heads.Head();
            for (int Row = 0; Row < GlyphRows && Cell != nullptr;
                 ++Row, Cell = FPixelPool.At(Cell->Down), Ink += Stride) {
                *Ink = Cell->Value == 1 ? LitInk : UnlitInk;
            }
        };
        if (Place) {
            WalkScrollWindow(THeadPlaces(FPixelPool, FHeadIndex, *Place), Left, Width, false, Column);
        } else {
            WalkScrollWindow(THeadLinks(*this, Left), Left, Width, false, Column);
        }
    }
    PaintLEDGrid(0, Rows, 0, Columns);
    FMiniRefresh = true;
    FTotalRefresh = false;
}

}  // namespace vyr
