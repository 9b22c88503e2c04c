// Digit codes in long runs: the fast frame decides each code's commit from the LED columns its
// window walk has already counted, the literal frame by walking back from every code. Both must
// give the same frames and states, whatever the run, the wrap and the left edge.
#include <gtest/gtest.h>

#include <string>

#include "support/MatrixProgram.h"
#include "support/test_support.h"

namespace vyr::test {
namespace {

std::string Codes(const std::string& Code, int Count) {
    std::string Text;
    for (int i = 0; i < Count; ++i) Text += Code;
    return Text;
}

TOp Op(TOpKind Kind, int Count = 1) {
    TOp O;
    O.Kind = Kind;
    O.Count = static_cast<std::uint8_t>(Count);
    return O;
}

TOp Set(TProgramProperty Property, std::uint32_t Value) {
    TOp O = Op(TOpKind::SetProperty);
    O.Property = Property;
    O.Value = Value;
    return O;
}

struct TRunCase {
    const char* Name;
    std::string Text;
    std::uint32_t Visible;
};

// Every scroll position of more than one lap, with blink toggles in between, on both renderers.
TEST(DigitCodeRuns, CommitLikeTheWalkBackInEveryFrame) {
    const TRunCase Cases[] = {
        {"run after a character", "A" + Codes("@2FF0000", 40) + "BC", 10},
        {"mixed run between characters", "A" + Codes("@3123456@10000FF@2FF00FF", 12) + "B@0010000C", 4},
        {"text starting with codes (left edge on a code)", Codes("@2FF0000@3000000", 10) + "AB", 10},
        {"stream shorter than the window (met on every lap)", "@2FF0000A@300FF00" + Codes("@1FFFF00", 5), 10},
        {"one-character window", "AB@2FF0000CD@3654321E", 1},
        {"blink codes in a run", "X" + Codes("@0010000@0000000", 8) + "@0FF0000YZ", 3},
        {"letter codes inside the run", "A@2FF0000@C00FF00@300FFFF@2123456B", 2},
        {"halting code after a run", "AB" + Codes("@2FF0000", 6) + "@4000000CD", 2},
    };
    for (const TRunCase& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        TProgram P;
        TOp Text = Op(TOpKind::SetText);
        Text.Bytes = Case.Text;
        P.Ops = {Set(TProgramProperty::TotalVisible, Case.Visible), Text, Set(TProgramProperty::Scroll, 1)};
        const int Laps = 2 * static_cast<int>(Case.Text.size()) + 10;
        for (int i = 0; i < Laps; ++i) {
            P.Ops.push_back(Op(TOpKind::ScrollStep, 3));
            if (i % 3 == 0) P.Ops.push_back(Op(TOpKind::BlinkStep));
        }
        EXPECT_EQ(RunOnBothRenderers(P), "");
    }
}

// The symptom: a text of tens of thousands of digit codes in a row froze every scroll step for
// seconds, each code walking back over all the codes before it. The run commits exactly when one
// LED column of "A" stands left of it.
TEST(DigitCodeRuns, ThirtyThousandCodesInViewScrollAndCommitAtTheRightStep) {
    TFormWithMatrix Form;
    TCountingMatrix& M = *Form.Matrix;
    M.FSetText("A" + Codes("@2FF0000", 30'000) + "B");
    M.FSetScroll(true);
    for (int i = 0; i < 4; ++i) M.ScrollOnce();  // two columns of "A" left of the run
    EXPECT_EQ(M.ScrollOnColor(), 255U);
    M.ScrollOnce();  // its gap column alone
    EXPECT_EQ(M.ScrollOnColor(), 0xFF0000U);
    M.FSetActiveLEDOnColor(0x00FF00);  // the static colour; the marquee's stays as committed
    for (int i = 0; i < 20; ++i) M.ScrollOnce();
    EXPECT_EQ(M.ScrollOnColor(), 0xFF0000U);
}

}  // namespace
}  // namespace vyr::test
