#include <gtest/gtest.h>

#include <string>

#include "text_fixture.h"

namespace vyr::test {
namespace {

enum class EEdit { Insert, Delete, Back };

struct TEditCase {
    const char* Name;
    int T;
    int L;
    bool Step;
    int S;
    bool Overwrite;
    int P0;
    int F0;
    EEdit Edit;
    int P;  // expected after the edit
    int F;
    int L1;
};

void PrintTo(const TEditCase& C, std::ostream* Out) { *Out << C.Name; }

class EditingCase : public ::testing::TestWithParam<TEditCase> {};

// Each edit is checked against a string model of the text, for the positions it leaves, the
// list, one copy to the screen, and a back buffer equal to a full repaint of the new state.
TEST_P(EditingCase, EditsTextAndKeepsTheCursorInTheWindow) {
    const TEditCase& C = GetParam();
    TFormWithMatrix Form;
    TEditMatrix& M = *Form.Matrix;
    std::string Model = Letters(C.L);
    Prepare(M, C.T, Model, C.P0, C.F0, C.Step, C.S);
    M.FSetOverwrite(C.Overwrite);
    Form.ResetCounters();

    const auto Pos = static_cast<std::size_t>(C.P0);
    switch (C.Edit) {
        case EEdit::Insert:
            M.InsertChar('#');
            if (C.Overwrite && Pos < Model.size()) {
                Model[Pos] = '#';
            } else {
                Model.insert(Pos, 1, '#');
            }
            break;
        case EEdit::Delete:
            M.DeleteChar();
            Model.erase(Pos, 1);
            break;
        case EEdit::Back:
            M.BackSpaceChar();
            Model.erase(Pos - 1, 1);
            break;
    }

    EXPECT_EQ(M.CursorPos(), C.P);
    EXPECT_EQ(M.FirstVisible(), C.F);
    EXPECT_EQ(M.TextLength(), C.L1);
    EXPECT_EQ(M.Text(), Model);
    EXPECT_TRUE(ListIsSound(M));
    EXPECT_FALSE(M.TotalRefresh());
    EXPECT_EQ(Form.Peer().CopyCount(), 1);
    EXPECT_EQ(Form.Matrix->Paints, 0);

    const TSnapshot Drawn(*M.Bitmap());
    Form.Matrix->SetTotalRefresh();
    Form.Matrix->Paint();
    EXPECT_TRUE(Drawn == TSnapshot(*M.Bitmap())) << "the frame does not show the new state";
}

using X = EEdit;

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Text, EditingCase,
    ::testing::Values(
        //          name                         T   L  step S  ovw   P0  F0  edit       P   F   L
        TEditCase{"BackspaceKeepsEndWindow",     10, 20, false, 5, false, 20, 11, X::Back,   19, 10, 19},
        TEditCase{"BackspaceFromSlot1",          10, 20, false, 5, false, 6,  5,  X::Back,   5,  5,  19},
        TEditCase{"BackspaceFromSlot0",          10, 20, false, 5, false, 5,  5,  X::Back,   4,  4,  19},
        TEditCase{"BackspaceInsideWindow",       10, 20, false, 5, false, 8,  5,  X::Back,   7,  5,  19},
        TEditCase{"DeleteKeepsEndWindow",        10, 20, false, 5, false, 15, 11, X::Delete, 15, 10, 19},
        TEditCase{"DeleteInSlot0",               10, 20, false, 5, false, 5,  5,  X::Delete, 5,  5,  19},
        TEditCase{"DeleteOnlyCharacter",         10, 1,  false, 5, false, 0,  0,  X::Delete, 0,  0,  0},
        TEditCase{"DeleteFirstCharacter",        10, 20, false, 5, false, 0,  0,  X::Delete, 0,  0,  19},
        TEditCase{"StepInsertJumps",             10, 20, true,  5, false, 8,  0,  X::Insert, 9,  5,  21},
        TEditCase{"StepInsertStopsAtEndWindow",  10, 12, true,  5, false, 8,  0,  X::Insert, 9,  4,  13},
        TEditCase{"StepTypingAtEndScrollsByOne", 10, 20, true,  5, false, 20, 11, X::Insert, 21, 12, 21},
        TEditCase{"StepOverwriteInLastSlot",     10, 20, true,  5, true,  9,  0,  X::Insert, 10, 5,  20},
        TEditCase{"OverwriteReplaces",           10, 5,  false, 5, true,  2,  0,  X::Insert, 3,  0,  5},
        TEditCase{"OverwriteAtEndAppends",       10, 5,  false, 5, true,  5,  0,  X::Insert, 6,  0,  6},
        TEditCase{"InsertInSlot0",               10, 20, false, 5, false, 4,  4,  X::Insert, 5,  4,  21},
        TEditCase{"StepBackspaceFromSlot1AtStart", 10, 20, true, 5, false, 1, 0, X::Back,   0,  0,  19},
        TEditCase{"StepBackspaceLeavesEndWindow", 10, 20, true, 5, false, 20, 11, X::Back,  19, 11, 19},
        TEditCase{"StepBackspaceJumpsLeft",      10, 25, true,  5, false, 11, 10, X::Back,   10, 5,  24},
        TEditCase{"StepBackspaceJumpsToStart",   10, 25, true,  5, false, 4,  3,  X::Back,   3,  0,  24},
        // Narrow windows follow the single-step rules in step mode.
        TEditCase{"TwoSlotStepTypingNearEnd",    2,  6,  true,  1, false, 4,  3,  X::Insert, 5,  4,  7},
        TEditCase{"TwoSlotStepBackspace",        2,  6,  true,  1, false, 4,  3,  X::Back,   3,  3,  5},
        TEditCase{"OneSlotTyping",               1,  3,  true,  1, false, 1,  1,  X::Insert, 2,  2,  4},
        TEditCase{"OneSlotBackspace",            1,  3,  true,  1, false, 2,  2,  X::Back,   1,  1,  2},
        TEditCase{"OneSlotDelete",               1,  3,  false, 1, false, 2,  2,  X::Delete, 2,  2,  2},
        TEditCase{"NoSlotsTyping",               0,  3,  true,  1, false, 1,  1,  X::Insert, 2,  2,  4},
        TEditCase{"NoSlotsBackspace",            0,  3,  false, 1, false, 2,  2,  X::Back,   1,  1,  2},
        TEditCase{"NoSlotsDelete",               0,  3,  false, 1, true,  1,  1,  X::Delete, 1,  1,  2}),
    [](const auto& Info) { return std::string(Info.param.Name); });
// clang-format on

// Typing at the end of a 10-slot control: after nine characters the end position is in the
// last slot; the tenth scrolls the window by one.
TEST(Editing, TypingIntoEmptyTenSlotControl) {
    TFormWithMatrix Form;
    TEditMatrix& M = *Form.Matrix;
    for (char c = 'a'; c < 'a' + 9; ++c) host::SendKeyPress(M, c);
    EXPECT_EQ(M.CursorPos(), 9);
    EXPECT_EQ(M.FirstVisible(), 0);
    host::SendKeyPress(M, 'j');
    EXPECT_EQ(M.CursorPos(), 10);
    EXPECT_EQ(M.FirstVisible(), 1);
    EXPECT_EQ(M.VisibleNode()->Character, 'b');
    EXPECT_EQ(M.Text(), "abcdefghij");
    // The bar stands under the last cell.
    EXPECT_EQ(LedPicture(*M.Bitmap(), M, 60, 9, M.OnColor(), M.OffColor())[8], std::string(54, '.') + "XXXXX.");
}

// With StepActive, typing at the end scrolls one character at a time; typing inside jumps.
TEST(Editing, StepTypingAtEndScrollsSmoothly) {
    TFormWithMatrix Form;
    TEditMatrix& M = *Form.Matrix;
    M.FSetStepActive(true);
    for (int i = 0; i < 15; ++i) {
        host::SendKeyPress(M, 'x');
        ASSERT_EQ(M.FirstVisible(), std::max(0, M.CursorPos() - 9)) << "after " << i + 1;
    }
}

// A window left further right than the start (by a page move, then a wider window) goes back
// to the start once a backspace finds the text shorter than the window.
TEST(Editing, BackspaceWithTextShorterThanWindowShowsTheStart) {
    TFormWithMatrix Form;
    TEditMatrix& M = *Form.Matrix;
    Prepare(M, 10, Letters(18), 0, 0);
    M.GoPageDown();
    ASSERT_EQ(M.FirstVisible(), 10);
    M.FSetTotalVisible(20);
    ASSERT_EQ(M.FirstVisible(), 10);
    M.BackSpaceChar();
    EXPECT_EQ(M.FirstVisible(), 0);
    EXPECT_EQ(M.VisibleNode(), M.FirstNode());
    EXPECT_EQ(M.CursorPos(), 9);
    EXPECT_TRUE(ListIsSound(M));
}

// In scroll mode a backspace with the cursor in slot 0 moves neither the window's nodes nor a
// bar: the marquee's picture stays untouched. A backspace that moves the window draws the
// static frame without a bar.
TEST(ScrollMode, EditsChangeTextAndDrawNoBar) {
    TFormWithMatrix Form;
    TEditMatrix& M = *Form.Matrix;
    Prepare(M, 10, Letters(20), 5, 5);
    M.FSetScroll(true);
    const int Pitch = M.LEDSize() + M.LEDDistance();
    const TSnapshot Marquee(*M.Bitmap());

    M.BackSpaceChar();
    EXPECT_EQ(M.CursorPos(), 4);
    EXPECT_EQ(M.FirstVisible(), 4);
    EXPECT_EQ(M.Text(), Letters(20).erase(4, 1));
    EXPECT_TRUE(Marquee == TSnapshot(*M.Bitmap()));

    M.DeleteChar();
    M.InsertCharacter('#');
    EXPECT_EQ(M.Text(), "ABCD#" + Letters(20).substr(6));
    EXPECT_EQ(M.Bitmap()->Height(), M.LEDDistance() + 7 * Pitch);
    EXPECT_TRUE(ListIsSound(M));
}

}  // namespace
}  // namespace vyr::test
