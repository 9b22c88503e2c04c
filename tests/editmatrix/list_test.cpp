// The character list: assigning and reading Text, the window after a width change, the list
// primitives at their edges, and a window of no cells.
#include <gtest/gtest.h>

#include <string>

#include "fixtures.h"

namespace vyr::test {
namespace {

std::string Letters(int N) {
    std::string S;
    for (int i = 0; i < N; ++i) S += static_cast<char>('A' + i % 26);
    return S;
}

struct TTextRow {
    const char* Name;
    int TotalVisible;
    std::string Text, ReadBack;
    int FirstVisible;  // the cursor always ends at the end position
};
void PrintTo(const TTextRow& Row, std::ostream* Os) { *Os << Row.Name; }

class MatrixText : public ::testing::TestWithParam<TTextRow> {};

TEST_P(MatrixText, AssignmentStoresTheTextAndPutsTheCursorAtTheEnd) {
    const TTextRow& Row = GetParam();
    TMatrixProbe M(nullptr);
    M.FSetTotalVisible(static_cast<Byte>(Row.TotalVisible));
    M.FSetText("previous text");
    M.FSetText(Row.Text);
    EXPECT_EQ(M.FReadText(), Row.ReadBack);
    EXPECT_EQ(M.CursorPos(), static_cast<int>(Row.ReadBack.size()));
    EXPECT_EQ(M.FirstVisible(), Row.FirstVisible);
    EXPECT_TRUE(ListIsSound(M));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Rows, MatrixText,
    ::testing::Values(TTextRow{"Empty", 10, "", "", 0}, TTextRow{"Short", 10, "HELLO", "HELLO", 0},
                      TTextRow{"AsLongAsTheWindow", 10, Letters(10), Letters(10), 1},
                      TTextRow{"Long", 10, Letters(20000), Letters(20000), 20000 - 9},
                      TTextRow{"ControlCodesBecomeSpaces", 10, std::string("A\r\n\0\x1F ", 6), "A     ", 0},
                      TTextRow{"UpperHalfKept", 10, "\x7F\xC5\xFF", "\x7F\xC5\xFF", 0},
                      TTextRow{"OneCell", 1, "ABC", "ABC", 3}, TTextRow{"NoCells", 0, "ABC", "ABC", 3}),
    [](const auto& Info) { return std::string(Info.param.Name); });
// clang-format on

TEST(MatrixWindow, NarrowingMovesTheWindowToTheCursorWideningLeavesIt) {
    TMatrixProbe M(nullptr);
    M.FSetText("ABCDEFGH");  // P = 8, F = 0
    M.FSetTotalVisible(5);
    EXPECT_EQ(M.FirstVisible(), 4);
    EXPECT_EQ(M.VisibleNode()->Character, 'E');
    M.FSetTotalVisible(10);
    EXPECT_EQ(M.FirstVisible(), 4);
    EXPECT_TRUE(ListIsSound(M));
}

// A window of no cells cannot hold the cursor: it stands at the cursor, never past it, so its
// node always exists and a wider window shows the cursor again in its first cell.
TEST(MatrixWindow, NoCellsKeepsTheListSoundAndRecovers) {
    TFormWithMatrix F;
    TMatrixProbe& M = *F.Matrix;
    M.FSetText("ABCD");
    M.FSetTotalVisible(0);
    EXPECT_EQ(M.FirstVisible(), 4);
    EXPECT_EQ(M.Width(), 1);
    EXPECT_TRUE(ListIsSound(M));
    M.ChangeChar('A', {1, 2, 3, 4, 5});
    M.FSetTotalVisible(10);
    EXPECT_EQ(M.FirstVisible(), 4);
    EXPECT_TRUE(ListIsSound(M));

    // The cursor in slot 0 of a window that starts at 4: the new node takes the window's start.
    M.InsertElement('Z');
    EXPECT_EQ(M.VisibleNode()->Character, 'Z');
    EXPECT_EQ(M.FirstVisible(), 4);
    EXPECT_EQ(M.CursorPos(), 5);
    EXPECT_EQ(M.FReadText(), "ABCDZ");
    EXPECT_TRUE(ListIsSound(M));
}

TEST(MatrixListPrimitives, RemovingTheFirstNodeMakesItsSuccessorFirst) {
    TMatrixProbe M(nullptr);
    M.FSetText("AB");
    M.RemoveElement(const_cast<Node*>(M.CursorNode()->PrevNode));
    EXPECT_EQ(M.FReadText(), "A");
    M.RemoveElement(const_cast<Node*>(M.FirstNode()));
    EXPECT_EQ(M.FirstNode(), M.EndNode());
    EXPECT_EQ(M.EndNode()->PrevNode, nullptr);
    EXPECT_EQ(M.TextLength() + M.CursorPos(), 0);
}

}  // namespace
}  // namespace vyr::test
