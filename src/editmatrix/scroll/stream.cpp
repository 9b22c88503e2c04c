// The scroll column stream: the text turned into LED columns and code columns.
//
// Every ordinary character becomes six LED columns of seven cells (five glyph columns and a blank
// gap); a well-formed control code ("@", a code character, six uppercase hexadecimal digits)
// becomes one code column that occupies no screen column. Columns are chained through their top
// cells (heads); the cells of a row are linked to the same row of the neighbouring columns.
//
// Cells come from the control's pool (FPixelPool), which carves them from a few large slabs:
// a cell costs its own size (a byte and four 32-bit links by index into the pool: 20 bytes),
// building a character costs writing its 42 cells, and freeing the stream gives every cell back
// at once without walking it (so no stack or time in proportion to the length of the text, and
// every cell exactly once).
#include <array>
#include <new>

#include "../access.h"
#include "../grid.h"
#include "../host_names.h"
#include "vyr/EditMatrix.h"
#include "vyr/host/Text.h"

namespace vyr {

namespace {

// A glyph column's lit rows as the head index holds them: row r (bit GlyphBit(r) of the glyph
// byte) at bit r.
static_assert(GlyphRows == 7, "a column's lit rows are the seven bits below THeadIndex::OtherColumn");
constexpr std::array<std::uint8_t, 128> LitRows = [] {
    std::array<std::uint8_t, 128> Table{};
    for (int Bits = 0; Bits < 128; ++Bits) {
        for (int Row = 0; Row < GlyphRows; ++Row) {
            if (((Bits >> GlyphBit(Row)) & 1) != 0)
                Table[static_cast<std::size_t>(Bits)] |= static_cast<std::uint8_t>(1 << Row);
        }
    }
    return Table;
}();

// The characters that may follow "@" to start a control code.
constexpr std::string_view CodeCharacters = "012345678ABCDEFILS";

// Code digits are "0".."9" and "A".."F" only; lower-case letters make a code malformed.
bool IsHexDigit(char Ch) {
    return HexStrNum.find(Ch) != std::string_view::npos || HexStrAlfa.find(Ch) != std::string_view::npos;
}

}  // namespace

_Pixel* TEditMatrix::CreatePixelP(Byte Value) {
    _Pixel* Cell = FPixelPool.New();
    Cell->Value = Value;
    return Cell;
}

// Unlinks the cell from every neighbour that still points back at it, then frees it. A freed
// cell is therefore never reachable from the cells that remain.
void TEditMatrix::DeletePixelP(_Pixel* Cell) {
    if (Cell == nullptr) return;
    const TPixelLink Self = FPixelPool.IndexOf(Cell);
    // The neighbour Link names, if its link Back still names this cell, no longer does.
    const auto Unlink = [&](TPixelLink Link, TPixelLink _Pixel::*Back) {
        _Pixel* const Neighbour = FPixelPool.At(Link);
        if (Neighbour != nullptr && Neighbour->*Back == Self) Neighbour->*Back = 0;
    };
    Unlink(Cell->Prev, &_Pixel::Next);
    Unlink(Cell->Next, &_Pixel::Prev);
    Unlink(Cell->Up, &_Pixel::Down);
    Unlink(Cell->Down, &_Pixel::Up);
    FPixelPool.DeleteIndex(Self);
}

// Frees the cell and everything reachable from it along Down and Next: the cells of its row
// from here to the right, and the cells below each of them. In a stream a lower row is linked
// across a column only where the row above is too, so freeing the Down chain of every cell of
// the row reaches exactly that set. Iterative: one pass along the row, one down each column.
void TEditMatrix::RekClearPixelPointers(_Pixel* Cell) {
    while (Cell != nullptr) {
        _Pixel* const NextInRow = FPixelPool.At(Cell->Next);
        _Pixel* Below = FPixelPool.At(Cell->Down);
        while (Below != nullptr) {
            _Pixel* const Further = FPixelPool.At(Below->Down);
            DeletePixelP(Below);
            Below = Further;
        }
        DeletePixelP(Cell);
        Cell = NextInRow;
    }
}

// Frees the cell and the chain above it (a digit code's value cells), the outermost cell first.
void TEditMatrix::RekClearPixelPointersUpwards(_Pixel* Cell) {
    if (Cell == nullptr) return;
    _Pixel* Top = Cell;
    while (Top->Up != 0) Top = FPixelPool.At(Top->Up);
    for (;;) {
        const bool Last = Top == Cell;
        _Pixel* const Below = Last ? nullptr : FPixelPool.At(Top->Down);
        DeletePixelP(Top);
        if (Last || Below == nullptr) break;
        Top = Below;
    }
}

// Appends the column whose head is Head: its cells are linked row by row, from the top, to the
// cells of the last column, for as many rows as both columns have (a digit code has only its
// head in the grid). Head is consumed: it is null afterwards.
void TEditMatrix::AttachPixelPointers(_Pixel*& Head) {
    if (Head == nullptr) return;
    const TPixelLink Index = FPixelPool.IndexOf(Head);
    if (FStreamHead == nullptr) {
        FStreamHead = Head;
    } else {
        LinkRows(FPixelPool.IndexOf(FStreamTail), Index);
    }
    IndexHead(Index, Head->Up != 0     ? THeadIndex::DigitCode
                     : Head->Value > 1 ? THeadIndex::LetterCode
                                       : THeadIndex::OtherColumn);
    FStreamTail = Head;
    Head = nullptr;
}

void TEditMatrix::IndexHead(TPixelLink Head, std::uint8_t Kind) {
    if (Kind == THeadIndex::LetterCode) FHeadIndex.Letters.push_back(static_cast<int>(FHeadIndex.Heads.size()));
    if (Kind == THeadIndex::LetterCode || Kind == THeadIndex::DigitCode) ++FHeadIndex.Codes;
    FHeadIndex.Heads.push_back(Head);
    FHeadIndex.Kinds.push_back(Kind);
}

// Links the column whose head is Right after the column whose head is Left, row by row from the
// top along both Down chains, for as many rows as both have. The one stream-linking loop: every
// column is appended through it.
void TEditMatrix::LinkRows(TPixelLink Left, TPixelLink Right) {
    while (Left != 0 && Right != 0) {
        _Pixel* const L = FPixelPool.At(Left);
        _Pixel* const R = FPixelPool.At(Right);
        L->Next = Right;
        R->Prev = Left;
        Left = L->Down;
        Right = R->Down;
    }
}

namespace {

// Cells already made for a column that is not attached yet; freed if building it fails.
class TColumnBuilder {
public:
    explicit TColumnBuilder(TEditMatrix& Matrix) : FMatrix(Matrix) {}
    TColumnBuilder(const TColumnBuilder&) = delete;
    TColumnBuilder& operator=(const TColumnBuilder&) = delete;
    ~TColumnBuilder() {
        for (int i = 0; i < FCount; ++i)
            detail::TMatrixAccess::DeletePixelP(FMatrix, FCells[static_cast<std::size_t>(i)]);
    }
    _Pixel* Add(Byte Value) {
        _Pixel* Cell = detail::TMatrixAccess::CreatePixelP(FMatrix, Value);
        FCells[static_cast<std::size_t>(FCount++)] = Cell;
        return Cell;
    }
    // The cells are handed over to the stream: the builder no longer frees them.
    void Release() { FCount = 0; }

private:
    TEditMatrix& FMatrix;
    std::array<_Pixel*, GlyphRows> FCells{};
    int FCount = 0;
};

// Links Cell below Above.
void HangBelow(const TSlabPool<_Pixel>& Pool, _Pixel* Above, _Pixel* Cell) {
    Above->Down = Pool.IndexOf(Cell);
    Cell->Up = Pool.IndexOf(Above);
}

// Links Cell above Below (a digit code's value chain grows along Up).
void HangAbove(const TSlabPool<_Pixel>& Pool, _Pixel* Below, _Pixel* Cell) {
    Below->Up = Pool.IndexOf(Cell);
    Cell->Down = Pool.IndexOf(Below);
}

}  // namespace

void TEditMatrix::AttachAlfaCode(int Code, int Value) {
    const auto High = static_cast<Byte>((Value >> 16) & 255);
    const auto Middle = static_cast<Byte>((Value >> 8) & 255);
    const auto Low = static_cast<Byte>(Value & 255);
    TColumnBuilder Column(*this);
    _Pixel* Head = Column.Add(static_cast<Byte>(Code));
    if (HexStrNum.find(static_cast<char>(Code)) != std::string_view::npos) {
        // Digit code: the value bytes hang above the head, the high byte nearest to it.
        _Pixel* Cell = Head;
        for (const Byte B : {High, Middle, Low}) {
            _Pixel* Next = Column.Add(B);
            HangAbove(FPixelPool, Cell, Next);
            Cell = Next;
        }
    } else {
        // Letter code: laid out like an LED column, the value bytes below the head.
        _Pixel* Cell = Head;
        for (const Byte B : {High, Middle, Low, Byte{0}, Byte{0}, Byte{0}}) {
            _Pixel* Next = Column.Add(B);
            HangBelow(FPixelPool, Cell, Next);
            Cell = Next;
        }
    }
    Column.Release();
    AttachPixelPointers(Head);
}

bool TEditMatrix::CheckAlfaAndAttachSimple(const AnsiString& S) {
    return !S.empty() && CodeCharacters.find(S[0]) != std::string_view::npos;
}

bool TEditMatrix::CheckAlfaStr(const AnsiString& S) {
    if (S.size() != 7) return false;
    for (std::size_t i = 1; i < 7; ++i) {
        if (!IsHexDigit(S[i])) return false;
    }
    return true;
}

void TEditMatrix::CheckAlfaAndAttachExtended(const AnsiString& S) {
    if (!CheckAlfaStr(S)) return;
    int Value = 0;
    for (std::size_t i = 1; i < 7; ++i) Value = Value * 16 + host::HexValue(S[i]);
    AttachAlfaCode(static_cast<Byte>(S[0]), Value);
}

// Frees the whole stream, and any cell made by CreatePixelP and not attached: the pool takes
// every cell back at once and frees its slabs. The stream is empty afterwards and FScrollPos no
// longer points into it.
void TEditMatrix::ClearPixelPointers() {
    FPixelPool.Release();
    FHeadIndex = {};
    FStreamHead = nullptr;
    FStreamTail = nullptr;
    // Left pointing at a freed cell it would be a trap for any later frame or scroll step.
    FScrollPos = nullptr;
}

// The six LED columns of a character: 42 adjacent cells from the pool, column k at cells 7k to
// 7k + 6 (top first), linked exactly as CreatePixelP and AttachPixelPointers link them column by
// column: Up/Down within a column, Prev/Next along each row, and the first column attached to
// the stream's last column for as many rows as both have. Writing the cells with their final
// links in one pass is what makes a build cost little more than the cells' bytes.
void TEditMatrix::AttachCharacterColumns(Byte Character) {
    constexpr auto Rows = static_cast<TPixelLink>(GlyphRows);
    constexpr auto Columns = static_cast<TPixelLink>(CellColumns);
    const TPixelLink First = FPixelPool.NewRunIndex(Rows * Columns);  // the run's cells have adjacent indices
    _Pixel* const Run = FPixelPool.At(First);
    const Byte* const Glyph = &FCharTable[GlyphColumns * std::size_t{Character}];
    for (TPixelLink k = 0; k < Columns; ++k) {
        const Byte Bits = k < static_cast<TPixelLink>(GlyphColumns) ? Glyph[k] : Byte{0};
        for (TPixelLink Row = 0; Row < Rows; ++Row) {
            const TPixelLink Cell = First + Rows * k + Row;
            new (Run + (Cell - First))
                _Pixel{static_cast<Byte>((Bits >> GlyphBit(static_cast<int>(Row))) & 1), k > 0 ? Cell - Rows : 0,
                       k < Columns - 1 ? Cell + Rows : 0, Row > 0 ? Cell - 1 : 0, Row < Rows - 1 ? Cell + 1 : 0};
        }
    }
    if (FStreamHead == nullptr) {
        FStreamHead = Run;
    } else {
        LinkRows(FPixelPool.IndexOf(FStreamTail), First);
    }
    const std::size_t At = FHeadIndex.Heads.size();
    FHeadIndex.Heads.resize(At + Columns);
    FHeadIndex.Kinds.resize(At + Columns);
    for (TPixelLink k = 0; k < Columns; ++k) {
        FHeadIndex.Heads[At + k] = First + Rows * k;
        FHeadIndex.Kinds[At + k] = k < static_cast<TPixelLink>(GlyphColumns) ? LitRows[Glyph[k] & 0x7F] : 0;
    }
    FStreamTail = Run + GlyphRows * (CellColumns - 1);
}

namespace {

// The reading of the text that the marquee shows, in one pass, with the states:
//   Plain   "@" starts a code; anything else is rendered.
//   At      "@" renders one "@"; anything else is held as the code character.
//   Held    "@" drops the held character and renders "@"; a held code character collects this
//           character as the first digit; otherwise the held character is dropped and this one
//           rendered.
//   Digits  collects characters ("@" too) until the code text is 7 long, then concludes it
//           (Conclude attaches it if its six digits are uppercase hexadecimal, else drops it)
//           and looks at the same character again in Plain. At the end of the text the missing
//           digits are the end's character (0), so a code cut short is always concluded, and
//           dropped.
// A held character starts a code when IsCodeStart(Code) says so (CheckAlfaAndAttachSimple).
// A pending "@" or held character at the end is dropped. Source walks the characters:
// AtEnd(), Peek() (the end's character once at the end) and Next(). The stream and
// MarqueeText() both read the text through this one walk, so what a reader is told the marquee
// says is what it shows.
template <typename TSource, typename TIsCodeStart, typename TRender, typename TConclude>
void ReadMarquee(TSource& Source, TIsCodeStart&& IsCodeStart, TRender&& Render, TConclude&& Conclude) {
    enum class TScan { Plain, At, Held, Digits };
    TScan State = TScan::Plain;
    AnsiString Code;
    Code.reserve(8);
    while (!Source.AtEnd() || State == TScan::Digits) {
        const char Ch = Source.Peek();
        bool Advance = true;
        switch (State) {
            case TScan::Plain:
                if (Ch == '@') {
                    Code.clear();
                    State = TScan::At;
                } else {
                    Render(static_cast<Byte>(Ch));
                }
                break;
            case TScan::At:
                if (Ch == '@') {
                    Render('@');
                    State = TScan::Plain;
                } else {
                    Code.assign(1, Ch);
                    State = TScan::Held;
                }
                break;
            case TScan::Held:
                if (Ch == '@') {
                    Render('@');
                    State = TScan::Plain;
                } else if (IsCodeStart(Code)) {
                    Code.push_back(Ch);
                    State = TScan::Digits;
                } else {
                    Render(static_cast<Byte>(Ch));
                    State = TScan::Plain;
                }
                break;
            case TScan::Digits:
                if (Code.size() < 7) {
                    Code.push_back(Ch);
                } else {
                    Conclude(Code);
                    State = TScan::Plain;
                    Advance = false;
                }
                break;
        }
        if (Advance && !Source.AtEnd()) Source.Next();
    }
}

// The control's character list up to its end sentinel.
class TNodeSource {
public:
    TNodeSource(const Node* First, const Node* End) : FCurrent(First), FEnd(End) {}
    [[nodiscard]] bool AtEnd() const { return FCurrent == FEnd || FCurrent == nullptr; }
    [[nodiscard]] char Peek() const { return static_cast<char>(FCurrent == nullptr ? 0 : FCurrent->Character); }
    void Next() { FCurrent = FCurrent->NextNode; }

private:
    const Node* FCurrent;
    const Node* FEnd;
};

// A text in memory; its end reads as 0, as the sentinel of the character list does.
class TStringSource {
public:
    explicit TStringSource(std::string_view Text) : FText(Text) {}
    [[nodiscard]] bool AtEnd() const { return FAt >= FText.size(); }
    [[nodiscard]] char Peek() const { return AtEnd() ? '\0' : FText[FAt]; }
    void Next() { ++FAt; }

private:
    std::string_view FText;
    std::size_t FAt = 0;
};

}  // namespace

// Rebuilds the stream from the character list, read as ReadMarquee reads it: rendered characters
// become LED columns, concluded codes code columns. When no character was rendered the stream is
// left empty. If a cell cannot be allocated the stream is left empty and the allocation failure
// is passed on.
void TEditMatrix::InitScroll() {
    // The old stream is freed whole; its slabs are kept for the new one (no page of it has to
    // be faulted in again) and those the new stream does not need are freed after the build.
    FPixelPool.Recycle();
    FHeadIndex.Clear();
    FStreamHead = nullptr;
    FStreamTail = nullptr;
    FScrollPos = nullptr;

    bool Rendered = false;
    try {
        // At most a character's columns for every character of the text.
        const auto MostHeads = static_cast<std::size_t>(CellColumns) * static_cast<std::size_t>(FTextLength);
        FHeadIndex.Heads.reserve(MostHeads);
        FHeadIndex.Kinds.reserve(MostHeads);
        TNodeSource Source(FFirstNode, FEndNode);
        ReadMarquee(
            Source, CheckAlfaAndAttachSimple,
            [&](Byte Character) {
                AttachCharacterColumns(Character);
                Rendered = true;
            },
            [this](const AnsiString& Code) { CheckAlfaAndAttachExtended(Code); });
        if (Rendered) {
            FPixelPool.Trim();
        } else {
            ClearPixelPointers();
        }
    } catch (...) {
        ClearPixelPointers();
        throw;
    }
    FScrollPos = FStreamHead;
}

AnsiString TEditMatrix::MarqueeText(std::string_view Text) {
    AnsiString Shown;
    Shown.reserve(Text.size());
    TStringSource Source(Text);
    ReadMarquee(
        Source, CheckAlfaAndAttachSimple, [&](Byte Character) { Shown.push_back(static_cast<char>(Character)); },
        [](const AnsiString&) {});
    return Shown;
}

}  // namespace vyr
