// The cell pool, and the stream built from it: blocks handed out and taken back one by one, in
// runs and all at once; slabs kept for the next build and freed when not needed; the
// fault-injection point; and a stream whose characters are written in runs linked exactly as
// one built cell by cell through CreatePixelP and AttachPixelPointers.
#include <gtest/gtest.h>
#include <malloc.h>

#include <map>
#include <new>
#include <set>

#include "scroll/cell_counter.h"
#include "support/test_support.h"

namespace vyr::test {
namespace {

using TPool = TSlabPool<_Pixel>;

TEST(SlabPool, BlocksAreDistinctReusedAfterDeleteAndCountedInUse) {
    const long long Before = TPool::BlocksInUse();
    TPool Pool;
    std::set<_Pixel*> Blocks;
    for (int i = 0; i < 1500; ++i) {  // beyond the first slab
        _Pixel* P = Pool.New();
        EXPECT_EQ(P->Value, 0);
        EXPECT_EQ(P->Next, 0U);
        EXPECT_EQ(P->Down, 0U);
        EXPECT_TRUE(Blocks.insert(P).second);
        P->Value = 7;
        P->Next = Pool.IndexOf(P);  // a freed block's first bytes are reused; a new one must be clean again
        EXPECT_EQ(Pool.At(P->Next), P);
    }
    EXPECT_EQ(Pool.Alive(), 1500);
    EXPECT_EQ(TPool::BlocksInUse() - Before, 1500);
    _Pixel* Freed = *Blocks.begin();
    Pool.Delete(Freed);
    EXPECT_EQ(Pool.Alive(), 1499);
    _Pixel* Again = Pool.New();
    EXPECT_EQ(Again, Freed);
    EXPECT_EQ(Again->Value, 0);
    EXPECT_EQ(Again->Next, 0U);
    Pool.Release();
    EXPECT_EQ(Pool.Alive(), 0);
    EXPECT_EQ(Pool.SlabBytes(), 0U);
    EXPECT_EQ(TPool::BlocksInUse(), Before);
}

TEST(SlabPool, RunsAreWholeAndDisjoint) {
    TPool Pool;
    std::set<_Pixel*> Blocks;
    for (int i = 0; i < 100; ++i) {  // 4,200 blocks: several slabs, and slab ends a run does not fit
        _Pixel* Run = Pool.NewRun(42);
        for (int k = 0; k < 42; ++k) {
            new (Run + k) _Pixel{};  // every block of the run is usable (checked under ASan)
            EXPECT_TRUE(Blocks.insert(Run + k).second);
        }
    }
    EXPECT_EQ(Pool.Alive(), 4200);
    // The ends of slabs that a run did not fit go to single blocks, never into two runs.
    for (int i = 0; i < 300; ++i) EXPECT_TRUE(Blocks.insert(Pool.New()).second);
    EXPECT_LT(Pool.SlabBytes(), 2 * 4500 * sizeof(_Pixel));
}

// The pool's interface holds no fault injection: tests reach it through the probe only.
template <typename TP>
concept HasFailAfter = requires {
    TP::FailAfter(1LL);
};
static_assert(!HasFailAfter<TPool>);

// Indices and addresses name each other over every slab, kept, trimmed or new; the blocks of a
// run have adjacent indices; 0 is null and a block of another pool has no index here.
TEST(SlabPool, IndicesAndAddressesNameTheSameBlocksInEverySlab) {
    TPool Pool;
    TPool Other;
    const _Pixel* Foreign = Other.New();
    const auto Check = [&](const char* When) {
        SCOPED_TRACE(When);
        EXPECT_EQ(Pool.At(0), nullptr);
        EXPECT_EQ(Pool.IndexOf(nullptr), 0U);
        EXPECT_EQ(Pool.IndexOf(Foreign), 0U);
        std::set<TSlabIndex> Seen;
        for (int i = 0; i < 3000; ++i) {
            const TSlabIndex Run = Pool.NewRunIndex(42);
            _Pixel* const First = Pool.At(Run);
            for (TSlabIndex k = 0; k < 42; ++k) {
                new (First + k) _Pixel{};
                ASSERT_EQ(Pool.At(Run + k), First + k);
                ASSERT_EQ(Pool.IndexOf(First + k), Run + k);
                ASSERT_TRUE(Seen.insert(Run + k).second);
            }
            EXPECT_TRUE(Pool.IsRun(Run + 1, First + 1, 41));
            EXPECT_FALSE(Pool.IsRun(Run + 1, First, 41));
            const TSlabIndex One = Pool.NewIndex();
            ASSERT_EQ(Pool.IndexOf(Pool.At(One)), One);
            ASSERT_TRUE(Seen.insert(One).second);
        }
    };
    Check("new slabs");
    Pool.Recycle();
    Check("kept slabs");
    Pool.Recycle();
    Pool.NewRun(42);
    Pool.Trim();
    Check("after a trim");
}

TEST(SlabPool, RecycleKeepsTheSlabsAndTrimFreesThoseNotReached) {
    TPool Pool;
    for (int i = 0; i < 2000; ++i) Pool.NewRun(42);  // 84,000 blocks
    const std::size_t Big = Pool.SlabBytes();
    Pool.Recycle();
    EXPECT_EQ(Pool.Alive(), 0);
    EXPECT_EQ(Pool.SlabBytes(), Big);  // kept for the next build
    for (int i = 0; i < 2000; ++i) Pool.NewRun(42);
    EXPECT_EQ(Pool.SlabBytes(), Big);  // the same build again needs no new slab
    Pool.Recycle();
    Pool.NewRun(42);
    Pool.Trim();
    EXPECT_EQ(Pool.SlabBytes(), TPool::MinSlabBlocks * sizeof(_Pixel));
    EXPECT_EQ(Pool.Alive(), 42);
}

TEST(SlabPool, FailAfterLetsExactlyThatManyBlocksThroughAndARunFailsWhole) {
    TPool Pool;
    detail::TSlabPoolProbe<_Pixel>::FailAfter(Pool, 50);
    Pool.NewRun(42);
    EXPECT_THROW(Pool.NewRun(42), std::bad_alloc);  // 8 left: the run is refused whole
    EXPECT_EQ(Pool.Alive(), 42);
    for (int i = 0; i < 8; ++i) Pool.New();
    EXPECT_THROW(Pool.New(), std::bad_alloc);
    EXPECT_EQ(Pool.Alive(), 50);
    detail::TSlabPoolProbe<_Pixel>::FailAfter(Pool, -1);
    Pool.New();
    EXPECT_EQ(Pool.Alive(), 51);
}

// ---- The stream built in runs against the stream built cell by cell -----------------------

class TStreamMatrix : public TMatrixProbe {
public:
    using TMatrixProbe::TMatrixProbe;
    // The literal build of one character: six columns of seven cells, each appended.
    void AttachCharacterCellByCell(Byte Character) {
        for (int k = 0; k < 6; ++k) {
            const Byte Glyph = k < 5 ? CharTable()[5U * Character + static_cast<unsigned>(k)] : Byte{0};
            _Pixel* Head = nullptr;
            _Pixel* Last = nullptr;
            for (int Row = 0; Row < 7; ++Row) {
                _Pixel* Cell = CreatePixelP(static_cast<Byte>((Glyph >> (6 - Row)) & 1));
                if (Last == nullptr) {
                    Head = Cell;
                } else {
                    Last->Down = PixelPool().IndexOf(Cell);
                    Cell->Up = PixelPool().IndexOf(Last);
                }
                Last = Cell;
            }
            AttachPixelPointers(Head);
        }
    }
};

// Every cell reachable from the heads (down each column, up each digit code), numbered in the
// order met, with its value and the numbers of its four neighbours (-1: none).
std::vector<std::array<int, 5>> Shape(const TEditMatrix& M) {
    std::map<const _Pixel*, int> Number;
    std::vector<const _Pixel*> Order;
    const auto Add = [&](const _Pixel* P) {
        if (P != nullptr && Number.emplace(P, static_cast<int>(Order.size())).second) Order.push_back(P);
    };
    const auto& Pool = M.PixelPool();
    for (const _Pixel* Head = M.StreamHead(); Head != nullptr; Head = Pool.At(Head->Next)) {
        for (const _Pixel* C = Head; C != nullptr; C = Pool.At(C->Down)) Add(C);
        for (const _Pixel* C = Pool.At(Head->Up); C != nullptr; C = Pool.At(C->Up)) Add(C);
    }
    const auto Id = [&](const _Pixel* P) {
        const auto It = Number.find(P);
        return P == nullptr ? -1 : It == Number.end() ? -2 : It->second;
    };
    std::vector<std::array<int, 5>> Out;
    Out.reserve(Order.size());
    for (const _Pixel* P : Order)
        Out.push_back({P->Value, Id(Pool.At(P->Prev)), Id(Pool.At(P->Next)), Id(Pool.At(P->Up)), Id(Pool.At(P->Down))});
    return Out;
}

TEST(StreamRuns, CharactersWrittenInRunsAreLinkedExactlyAsCellByCell) {
    TFormWithMatrix Form;
    TStreamMatrix ByHand(nullptr);
    // Characters first, after a letter code and after a digit code (whose head alone is linked).
    Form.Matrix->FSetText("AB@C0000FFC@0010000D@@");
    ByHand.ClearPixelPointers();
    ByHand.AttachCharacterCellByCell('A');
    ByHand.AttachCharacterCellByCell('B');
    ByHand.AttachAlfaCode('C', 0x0000FF);
    ByHand.AttachCharacterCellByCell('C');
    ByHand.AttachAlfaCode('0', 0x010000);
    ByHand.AttachCharacterCellByCell('D');
    ByHand.AttachCharacterCellByCell('@');
    EXPECT_EQ(Shape(*Form.Matrix), Shape(ByHand));
    EXPECT_EQ(Shape(ByHand).size(), 5U * 42 + 7 + 4);
    // The tail is the last column's head in both.
    ASSERT_NE(Form.Matrix->StreamTail(), nullptr);
    const auto& Pool = Form.Matrix->PixelPool();
    EXPECT_EQ(Pool.At(Form.Matrix->StreamTail()->Next), nullptr);
    EXPECT_EQ(Pool.At(Pool.At(Form.Matrix->StreamTail()->Prev)->Next), Form.Matrix->StreamTail());
}

// The symptom: every character of text cost about 1.7 KB of stream cells (42 cells of 40
// bytes), 1.7 GB for a million characters. All told, the character list and the stream now
// take less than a kilobyte a character.
TEST(StreamRuns, ACharacterOfTextCostsLessThanAKilobyteAllTold) {
    constexpr std::size_t Characters = 100'000;
    const std::string Text(Characters, 'W');
    TFormWithMatrix Form;
    const auto HeapInUse = [] {
        const struct mallinfo2 Info = mallinfo2();
        return Info.uordblks + Info.hblkhd;
    };
    const std::size_t Before = HeapInUse();
    Form.Matrix->FSetText(Text);
    const std::size_t After = HeapInUse();
    EXPECT_LE(Form.Matrix->PixelPool().SlabBytes(), Characters * 42 * 20 + TPool::MaxSlabBlocks * 20);
    EXPECT_LT((After - Before) / Characters, 1000U);
}

TEST(StreamRuns, RebuildsReuseTheSlabsAndAShorterTextGivesTheSpareOnesBack) {
    TFormWithMatrix Form;
    const std::string Long(20'000, 'W');
    Form.Matrix->FSetText(Long);
    const std::size_t Big = Form.Matrix->PixelPool().SlabBytes();
    EXPECT_GE(Big, 20'000U * 42 * sizeof(_Pixel));
    Form.Matrix->InitScroll();
    EXPECT_EQ(Form.Matrix->PixelPool().SlabBytes(), Big);
    Form.Matrix->FSetText("short");
    EXPECT_LT(Form.Matrix->PixelPool().SlabBytes(), Big / 100);
    EXPECT_EQ(Form.Matrix->PixelPool().Alive(), 5 * 42);
    Form.Matrix->FSetText("");
    EXPECT_EQ(Form.Matrix->PixelPool().SlabBytes(), 0U);
}

}  // namespace
}  // namespace vyr::test
