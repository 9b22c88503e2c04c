// Freeing the column stream: every cell exactly once, digit-code chains included, without a call
// stack that grows with the text; and a build that runs out of memory leaves nothing behind.
//
// Cells are counted through the cell pool: the cells handed out and not yet given back, over
// every control of the program.
#include <gtest/gtest.h>

#include <chrono>
#include <new>

#include "scroll/cell_counter.h"
#include "scroll/marquee_support.h"
#include "support/test_support.h"

namespace vyr::test {
namespace {

// Cells of the stream, counted by walking it: each column's head and what hangs from it.
long long CountCells(const TEditMatrix& Matrix) {
    long long Cells = 0;
    const auto& Pool = Matrix.PixelPool();
    for (const _Pixel* Head = Matrix.StreamHead(); Head != nullptr; Head = Pool.At(Head->Next)) {
        for (const _Pixel* Cell = Head; Cell != nullptr; Cell = Pool.At(Cell->Down)) ++Cells;
        for (const _Pixel* Cell = Pool.At(Head->Up); Cell != nullptr; Cell = Pool.At(Cell->Up)) ++Cells;
    }
    return Cells;
}

struct FreeCase {
    const char* Name;
    std::string Text;
    long long Cells;  // 42 a character, 7 a letter code, 4 a digit code
};

std::ostream& operator<<(std::ostream& Out, const FreeCase& Case) { return Out << Case.Name; }

class StreamFree : public ::testing::TestWithParam<FreeCase> {};

TEST_P(StreamFree, ReleasesEveryCellExactlyOnce) {
    TFormWithMatrix Form;
    Form.Matrix->FSetText(GetParam().Text);
    Form.Matrix->ClearPixelPointers();
    const long long Before = CellBlocksAlive();
    Form.Matrix->InitScroll();
    EXPECT_EQ(CellBlocksAlive() - Before, GetParam().Cells);
    EXPECT_EQ(CountCells(*Form.Matrix), GetParam().Cells);
    Form.Matrix->ClearPixelPointers();
    EXPECT_EQ(CellBlocksAlive(), Before);
    EXPECT_EQ(Form.Matrix->StreamHead(), nullptr);
    EXPECT_EQ(Form.Matrix->StreamTail(), nullptr);
    EXPECT_EQ(Form.Matrix->ScrollPos(), nullptr);
    Form.Matrix->ClearPixelPointers();  // freeing an empty stream does nothing
    EXPECT_EQ(CellBlocksAlive(), Before);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Texts, StreamFree,
    ::testing::Values(FreeCase{"OneCharacter", "A", 42},
                      FreeCase{"DigitCodeBetweenCharacters", "A@0010000B", 88},
                      FreeCase{"DigitCodeFirst", "@2FF0000AB", 88},
                      FreeCase{"DigitCodeLast", "AB@4000000", 88},
                      FreeCase{"LetterCodeBetweenCharacters", "A@C0000FFB", 91},
                      FreeCase{"CodesSideBySide", "A@0010000@C0000FF@2FF0000@B00FF00B", 84 + 4 + 7 + 4 + 7},
                      FreeCase{"CodesOnly", "@0010000@C0000FF", 0},
                      FreeCase{"Empty", "", 0}),
    [](const ::testing::TestParamInfo<FreeCase>& Info) { return std::string(Info.param.Name); });
// clang-format on

TEST(StreamFree, RebuildingAndDestroyingTheControlLeakNothing) {
    const long long Before = CellBlocksAlive();
    {
        TFormWithMatrix Form;
        Form.Matrix->FSetText("A@0010000B@C0000FFC");
        Form.Matrix->FSetText("@3000040XY@0010000");
        Form.Matrix->InitScroll();
        EXPECT_EQ(CellBlocksAlive() - Before, 2 * 42 + 2 * 4);
    }
    EXPECT_EQ(CellBlocksAlive(), Before);
}

// A million characters are 42 million cells; freeing them nests no call per column.
TEST(StreamFree, AMillionCharactersBuildAndFreeWithoutExhaustingTheStack) {
    std::string Text;
    Text.reserve(1'000'000);
    while (Text.size() + 10 <= 1'000'000) Text += "ABCD@0010000";  // 4 characters and a digit code
    Text.resize(1'000'000, 'Z');
    long long Characters = 0;
    long long Codes = 0;
    for (std::size_t i = 0; i < Text.size();) {
        if (Text.compare(i, 8, "@0010000") == 0) {
            ++Codes;
            i += 8;
        } else {
            ++Characters;
            ++i;
        }
    }

    const long long Before = CellBlocksAlive();
    const auto Start = std::chrono::steady_clock::now();
    {
        TFormWithMatrix Form;
        Form.Matrix->FSetText(Text);
        EXPECT_EQ(CellBlocksAlive() - Before, 42 * Characters + 4 * Codes);
        long long Heads = 0;
        for (const _Pixel* Head = Form.Matrix->StreamHead(); Head != nullptr;
             Head = Form.Matrix->PixelPool().At(Head->Next))
            ++Heads;
        EXPECT_EQ(Heads, 6 * Characters + Codes);
    }  // the control frees its stream
    EXPECT_EQ(CellBlocksAlive(), Before);
    const auto Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    RecordProperty("seconds", std::to_string(Seconds));
}

// Running out of memory in the middle of a build: the failure is passed on, the stream is left
// empty and consistent, and no cell of the partial build or of the old stream stays behind.
TEST(StreamFree, ABuildThatRunsOutOfMemoryLeavesAnEmptyStream) {
    for (const long long FailAt : {0LL, 1LL, 6LL, 7LL, 45LL, 90LL, 93LL, 134LL}) {
        SCOPED_TRACE("failing cell " + std::to_string(FailAt));
        TFormWithMatrix Form;
        Form.Matrix->FSetText("AB@C0000FFC@0010000D");
        const long long Before = CellBlocksAlive() - CountCells(*Form.Matrix);
        FailCellAllocationsAfter(*Form.Matrix, FailAt);
        EXPECT_THROW(Form.Matrix->InitScroll(), std::bad_alloc);
        FailCellAllocationsAfter(*Form.Matrix, -1);
        EXPECT_EQ(Form.Matrix->StreamHead(), nullptr);
        EXPECT_EQ(Form.Matrix->StreamTail(), nullptr);
        EXPECT_EQ(Form.Matrix->ScrollPos(), nullptr);
        EXPECT_EQ(CellBlocksAlive(), Before);
        // The empty stream is still stepped and drawn without harm.
        Form.Matrix->ScrollOnce();
        Form.Matrix->TotalScrollRedraw(false, true);
        EXPECT_EQ(Form.Matrix->ScrollPos(), nullptr);
    }
}

}  // namespace
}  // namespace vyr::test
