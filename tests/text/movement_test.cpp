#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "text_fixture.h"

namespace vyr::test {
namespace {

enum class EMove { Right, Left, Home, End, PageUp, PageDown };

void Apply(TEditMatrix& M, EMove Move) {
    switch (Move) {
        case EMove::Right:
            M.GoRight();
            break;
        case EMove::Left:
            M.GoLeft();
            break;
        case EMove::Home:
            M.GoHome();
            break;
        case EMove::End:
            M.GoEnd();
            break;
        case EMove::PageUp:
            M.GoPageUp();
            break;
        case EMove::PageDown:
            M.GoPageDown();
            break;
    }
}

struct TStep {
    EMove Move;
    int Count;  // calls of Move
    int P;      // cursor and window start after the calls
    int F;
};

struct TMoveCase {
    const char* Name;
    int T;
    int L;
    bool Step;
    int S;
    int P0;
    int F0;
    std::vector<TStep> Steps;
};

void PrintTo(const TMoveCase& C, std::ostream* Out) { *Out << C.Name; }

class MovementCase : public ::testing::TestWithParam<TMoveCase> {};

// Each call checks the cursor and window positions, the list, and the drawing: a call that
// leaves the window in place changes only the two bar groups (and copies once); one that moves
// the window leaves a back buffer equal to a full repaint of the new state.
TEST_P(MovementCase, MovesCursorAndWindowAndRedrawsOnlyWhatChanged) {
    const TMoveCase& C = GetParam();
    TFormWithMatrix Form;
    TEditMatrix& M = *Form.Matrix;
    const std::string Text = Letters(C.L);
    Prepare(M, C.T, Text, C.P0, C.F0, C.Step, C.S);

    int StepNo = 0;
    for (const TStep& S : C.Steps) {
        ++StepNo;
        for (int i = 0; i < S.Count; ++i) {
            const int OldP = M.CursorPos();
            const int OldF = M.FirstVisible();
            const TSnapshot Before(*M.Bitmap());
            Form.ResetCounters();
            Apply(M, S.Move);
            EXPECT_TRUE(ListIsSound(M)) << "step " << StepNo;
            EXPECT_EQ(Form.Peer().CopyCount(), 1) << "step " << StepNo;
            EXPECT_EQ(Form.Matrix->Paints, 0) << "step " << StepNo;
            EXPECT_FALSE(M.TotalRefresh());
            const TSnapshot After(*M.Bitmap());
            if (M.FirstVisible() == OldF) {
                std::set<TLed> Allowed = BarLeds(OldP - OldF);
                const std::set<TLed> NewBar = BarLeds(M.CursorPos() - M.FirstVisible());
                Allowed.insert(NewBar.begin(), NewBar.end());
                for (const TLed& Led : ChangedLeds(Before, After, M)) {
                    EXPECT_TRUE(Allowed.count(Led))
                        << "step " << StepNo << ": LED (" << Led.first << ", " << Led.second << ") changed";
                }
            }
            Form.Matrix->SetTotalRefresh();
            Form.Matrix->Paint();
            EXPECT_TRUE(After == TSnapshot(*M.Bitmap())) << "step " << StepNo << ": stale frame";
        }
        ASSERT_EQ(M.CursorPos(), S.P) << "after step " << StepNo;
        ASSERT_EQ(M.FirstVisible(), S.F) << "after step " << StepNo;
    }
    EXPECT_EQ(M.Text(), Text);
}

using E = EMove;

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Text, MovementCase,
    ::testing::Values(
        // Single steps: the window follows the cursor one character at a time.
        TMoveCase{"SingleStepWalk", 10, 25, false, 5, 0, 0,
                  {{E::Right, 9, 9, 0}, {E::Right, 1, 10, 1}, {E::Right, 14, 24, 15},
                   {E::End, 1, 25, 16}, {E::Left, 9, 16, 16}, {E::Left, 1, 15, 15}}},
        // Step mode: jumps of S on entering or leaving the edge slots, stopping at either end.
        TMoveCase{"StepWalk", 10, 25, true, 5, 0, 0,
                  {{E::Right, 8, 8, 0}, {E::Right, 1, 9, 5}, {E::Right, 4, 13, 5},
                   {E::Right, 1, 14, 10}, {E::Right, 4, 18, 10}, {E::Right, 1, 19, 15},
                   {E::Right, 4, 23, 15}, {E::Right, 1, 24, 16}, {E::Right, 1, 25, 16},
                   {E::Left, 8, 17, 16}, {E::Left, 1, 16, 11}, {E::Left, 4, 12, 11},
                   {E::Left, 1, 11, 6}, {E::Left, 4, 7, 6}, {E::Left, 1, 6, 1},
                   {E::Left, 4, 2, 1}, {E::Left, 1, 1, 0}, {E::Left, 1, 0, 0}}},
        TMoveCase{"PageKeys", 10, 25, false, 5, 3, 0,
                  {{E::PageDown, 1, 13, 10}, {E::PageDown, 1, 23, 16}, {E::PageDown, 1, 25, 16},
                   {E::PageUp, 1, 15, 6}, {E::PageUp, 1, 5, 0}, {E::PageUp, 1, 0, 0}}},
        TMoveCase{"TextAsLongAsWindowEnd", 10, 10, false, 5, 0, 0, {{E::End, 1, 10, 1}}},
        TMoveCase{"TextAsLongAsWindowStepRight", 10, 10, true, 5, 8, 0, {{E::Right, 1, 9, 1}}},
        TMoveCase{"HomeMovesWindowBack", 10, 13, false, 5, 0, 0,
                  {{E::Right, 12, 12, 3}, {E::Left, 9, 3, 3}, {E::Home, 1, 0, 0}}},
        TMoveCase{"PageUpFromSlotOfIndexT", 10, 25, false, 5, 10, 1, {{E::PageUp, 1, 0, 0}}},
        TMoveCase{"PageUpFromIndexTPlusOne", 10, 25, false, 5, 11, 2, {{E::PageUp, 1, 1, 0}}},
        // A page leaves the window one slot past the end; Right then walks without moving it.
        TMoveCase{"PastEndWindowSingle", 10, 18, false, 5, 0, 0,
                  {{E::PageDown, 1, 10, 10}, {E::Right, 8, 18, 10}}},
        TMoveCase{"PastEndWindowStep", 10, 18, true, 5, 0, 0,
                  {{E::PageDown, 1, 10, 10}, {E::Right, 8, 18, 10}}},
        // A text shorter than the window never moves it.
        TMoveCase{"ShortTextStep", 10, 6, true, 5, 0, 0,
                  {{E::Right, 6, 6, 0}, {E::Left, 6, 0, 0}, {E::End, 1, 6, 0}, {E::Home, 1, 0, 0},
                   {E::PageDown, 1, 6, 0}, {E::PageUp, 1, 0, 0}}},
        // Narrow windows.
        TMoveCase{"OneSlotStepFollowsCursor", 1, 5, true, 1, 0, 0,
                  {{E::Right, 3, 3, 3}, {E::End, 1, 5, 5}, {E::Left, 2, 3, 3},
                   {E::PageUp, 1, 2, 2}, {E::PageDown, 1, 3, 3}, {E::Home, 1, 0, 0}}},
        TMoveCase{"TwoSlotStep", 2, 6, true, 1, 0, 0,
                  {{E::Right, 1, 1, 1}, {E::Right, 3, 4, 4}, {E::Right, 1, 5, 5},
                   {E::Right, 1, 6, 5}, {E::Left, 1, 5, 4}, {E::Left, 1, 4, 3}}},
        TMoveCase{"NoSlotsWindowFollowsCursor", 0, 5, true, 1, 0, 0,
                  {{E::Right, 2, 2, 2}, {E::End, 1, 5, 5}, {E::Left, 1, 4, 4},
                   {E::PageUp, 1, 4, 4}, {E::Home, 1, 0, 0}, {E::PageDown, 1, 0, 0}}}),
    [](const auto& Info) { return std::string(Info.param.Name); });
// clang-format on

// ---- Guards ----------------------------------------------------------------------------------

struct TGuardCase {
    const char* Name;
    bool AtEnd;  // the cursor stands at the end position (else at index 0)
    bool Scroll;
    std::function<void(TEditMatrix&)> Op;
};

void PrintTo(const TGuardCase& C, std::ostream* Out) { *Out << C.Name; }

class GuardCase : public ::testing::TestWithParam<TGuardCase> {};

// An operation stopped by its guard changes nothing at all: positions, text, the window-moved
// flag, the back buffer, the screen.
TEST_P(GuardCase, ChangesAndDrawsNothing) {
    const TGuardCase& C = GetParam();
    TFormWithMatrix Form;
    TEditMatrix& M = *Form.Matrix;
    M.FSetText(Letters(15));
    if (!C.AtEnd) M.GoHome();
    if (C.Scroll) M.FSetScroll(true);
    const TSnapshot Before(*M.Bitmap());
    const int P = M.CursorPos();
    const int F = M.FirstVisible();
    M.SetTotalRefresh();
    Form.ResetCounters();

    C.Op(M);

    EXPECT_EQ(M.CursorPos(), P);
    EXPECT_EQ(M.FirstVisible(), F);
    EXPECT_EQ(M.Text(), Letters(15));
    EXPECT_TRUE(M.TotalRefresh()) << "the flag was touched";
    EXPECT_EQ(Form.Peer().CopyCount(), 0);
    EXPECT_EQ(Form.Matrix->Paints, 0);
    EXPECT_TRUE(Before == TSnapshot(*M.Bitmap()));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Text, GuardCase,
    ::testing::Values(
        TGuardCase{"RightAtEnd", true, false, [](TEditMatrix& M) { M.GoRight(); }},
        TGuardCase{"EndAtEnd", true, false, [](TEditMatrix& M) { M.GoEnd(); }},
        TGuardCase{"PageDownAtEnd", true, false, [](TEditMatrix& M) { M.GoPageDown(); }},
        TGuardCase{"DeleteAtEnd", true, false, [](TEditMatrix& M) { M.DeleteChar(); }},
        TGuardCase{"LeftAtStart", false, false, [](TEditMatrix& M) { M.GoLeft(); }},
        TGuardCase{"HomeAtStart", false, false, [](TEditMatrix& M) { M.GoHome(); }},
        TGuardCase{"PageUpAtStart", false, false, [](TEditMatrix& M) { M.GoPageUp(); }},
        TGuardCase{"BackspaceAtStart", false, false, [](TEditMatrix& M) { M.BackSpaceChar(); }},
        TGuardCase{"ScrollRightAtEnd", true, true, [](TEditMatrix& M) { M.GoRight(); }},
        TGuardCase{"ScrollBackspaceAtStart", false, true, [](TEditMatrix& M) { M.BackSpaceChar(); }}),
    [](const auto& Info) { return std::string(Info.param.Name); });
// clang-format on

// ---- Drawing ---------------------------------------------------------------------------------

TEST(CursorBar, MovesUnderTheCursorCell) {
    TFormWithMatrix Form;
    TEditMatrix& M = *Form.Matrix;
    M.FSetText("AB");  // cursor at the end position, slot 2
    M.GoLeft();        // slot 1
    const auto Bar = LedPicture(*M.Bitmap(), M, 18, 9, M.OnColor(), M.OffColor())[8];
    EXPECT_EQ(Bar, "......XXXXX.......");
    M.GoHome();
    EXPECT_EQ(LedPicture(*M.Bitmap(), M, 18, 9, M.OnColor(), M.OffColor())[8], "XXXXX.............");
    // What the screen shows is the back buffer.
    EXPECT_EQ(TSnapshot(Form.Peer().Surface()), TSnapshot(*M.Bitmap()));
}

TEST(CursorBar, EmptyWindowDrawsNoBarAndStaysInsideTheBuffer) {
    TFormWithMatrix Form;
    TEditMatrix& M = *Form.Matrix;
    M.FSetTotalVisible(0);
    M.FSetText("ABC");
    EXPECT_TRUE(ListIsSound(M));
    const TSnapshot Before(*M.Bitmap());
    M.GoLeft();
    M.GoHome();
    M.GoPageDown();
    M.GoEnd();
    EXPECT_TRUE(ListIsSound(M));
    EXPECT_EQ(M.CursorPos(), 3);
    EXPECT_TRUE(Before == TSnapshot(*M.Bitmap()));
}

// In scroll mode the moves change positions as in edit mode but draw no bar: a move inside the
// window leaves the marquee's picture alone, and the static frame drawn by a window move has
// only the seven glyph rows.
TEST(ScrollMode, MovesDrawNoCursorBar) {
    TFormWithMatrix Form;
    TEditMatrix& M = *Form.Matrix;
    M.FSetText(Letters(25));
    M.FSetScroll(true);
    const int Pitch = M.LEDSize() + M.LEDDistance();
    ASSERT_EQ(M.Bitmap()->Height(), M.LEDDistance() + 7 * Pitch);

    const TSnapshot Marquee(*M.Bitmap());
    Form.ResetCounters();
    M.GoLeft();  // P 24, F 16: inside the window
    EXPECT_EQ(M.CursorPos(), 24);
    EXPECT_EQ(M.FirstVisible(), 16);
    EXPECT_TRUE(Marquee == TSnapshot(*M.Bitmap()));
    EXPECT_EQ(Form.Peer().CopyCount(), 1);

    M.GoHome();  // the window moves: the static frame without a bar
    EXPECT_EQ(M.FirstVisible(), 0);
    EXPECT_EQ(M.Bitmap()->Height(), M.LEDDistance() + 7 * Pitch);
    const auto Picture = LedPicture(*M.Bitmap(), M, 6, 7, M.OnColor(), M.OffColor());
    const auto& Table = M.CharTable();
    const std::size_t A = 5 * static_cast<std::size_t>('A');
    const auto Glyph = GlyphPicture({Table[A], Table[A + 1], Table[A + 2], Table[A + 3], Table[A + 4]});
    for (int r = 0; r < 7; ++r) {
        EXPECT_EQ(Picture[static_cast<std::size_t>(r)], Glyph[static_cast<std::size_t>(r)] + ".") << "row " << r;
    }
}

}  // namespace
}  // namespace vyr::test
