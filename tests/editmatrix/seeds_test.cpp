// The worked examples of cursor movement, editing and the marquee, written as matrix programs.
// Each runs here with the states it must reach; the same programs, in their byte form, are the
// seed corpus of the whole-control fuzz target (tests/fuzz/matrix_corpus). The test fails when
// a committed seed differs from its program; VYR_WRITE_MATRIX_SEEDS=1 rewrites them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "support/MatrixProgram.h"

namespace vyr::test {
namespace {

using TExpect = std::function<void(const TEditMatrix&)>;

struct TSeedStep {
    TOp Op;
    TExpect Expect;  // may be empty
};

struct TSeed {
    std::string Name;  // file name in the corpus
    std::vector<TSeedStep> Steps;
};

TOp TextOp(const std::string& Text) {
    TOp Op;
    Op.Kind = TOpKind::SetText;
    Op.Bytes = Text;
    return Op;
}

TOp PropOp(TProgramProperty Property, std::uint32_t Value) {
    TOp Op;
    Op.Kind = TOpKind::SetProperty;
    Op.Property = Property;
    Op.Value = Value;
    return Op;
}

enum TMove : std::uint8_t { Right, Left, Home, End, PageUp, PageDown };

TOp MoveOp(TMove Move, int Count = 1) {
    TOp Op;
    Op.Kind = TOpKind::Move;
    Op.Arg = Move;
    Op.Count = static_cast<std::uint8_t>(Count);
    return Op;
}

enum TEdit : std::uint8_t { Type, Delete, BackSpace };

TOp EditOp(TEdit Edit, Byte Character = 'x') {
    TOp Op;
    Op.Kind = TOpKind::Edit;
    Op.Arg = Edit;
    Op.Arg2 = Edit == Type ? Character : 0;
    return Op;
}

TOp StepOp(TOpKind Kind, int Count = 1) {
    TOp Op;
    Op.Kind = Kind;
    Op.Count = static_cast<std::uint8_t>(Count);
    return Op;
}

TExpect At(std::int32_t P, std::int32_t F, std::int32_t L = -1) {
    return [P, F, L](const TEditMatrix& M) {
        EXPECT_EQ(M.CursorPos(), P);
        EXPECT_EQ(M.FirstVisible(), F);
        if (L >= 0) {
            EXPECT_EQ(M.TextLength(), L);
        }
    };
}

std::string Letters(int Length) {
    std::string S;
    for (int i = 0; i < Length; ++i) S += static_cast<char>('A' + i % 26);
    return S;
}

// Appends Count moves (in operations of at most 16) and, after the last, the expectation.
void Moves(std::vector<TSeedStep>& Steps, TMove Move, int Count, TExpect Expect = {}) {
    while (Count > 16) {
        Steps.push_back({MoveOp(Move, 16), {}});
        Count -= 16;
    }
    Steps.push_back({MoveOp(Move, Count), std::move(Expect)});
}

std::vector<TSeed> Seeds() {
    std::vector<TSeed> All;
    using enum TProgramProperty;

    {  // Single steps: the window follows one character at a time.
        TSeed S{"move-single-step", {}};
        S.Steps.push_back({TextOp(Letters(25)), At(25, 16, 25)});
        S.Steps.push_back({MoveOp(Home), At(0, 0)});
        Moves(S.Steps, Right, 9, At(9, 0));
        Moves(S.Steps, Right, 1, At(10, 1));
        Moves(S.Steps, Right, 14, At(24, 15));
        Moves(S.Steps, End, 1, At(25, 16));
        Moves(S.Steps, Left, 9, At(16, 16));
        Moves(S.Steps, Left, 1, At(15, 15));
        All.push_back(std::move(S));
    }
    {  // Step mode: jumps of StepToOutside into and out of the edge slots.
        TSeed S{"move-step-jumps", {}};
        S.Steps.push_back({PropOp(StepActive, 1), {}});
        S.Steps.push_back({PropOp(StepToOutside, 5), {}});
        S.Steps.push_back({TextOp(Letters(25)), {}});
        S.Steps.push_back({MoveOp(Home), At(0, 0)});
        Moves(S.Steps, Right, 8, At(8, 0));
        Moves(S.Steps, Right, 1, At(9, 5));
        Moves(S.Steps, Right, 5, At(14, 10));
        Moves(S.Steps, Right, 5, At(19, 15));
        Moves(S.Steps, Right, 5, At(24, 16));
        Moves(S.Steps, Right, 1, At(25, 16));
        Moves(S.Steps, Left, 8, At(17, 16));
        Moves(S.Steps, Left, 1, At(16, 11));
        Moves(S.Steps, Left, 5, At(11, 6));
        Moves(S.Steps, Left, 5, At(6, 1));
        Moves(S.Steps, Left, 4, At(2, 1));
        Moves(S.Steps, Left, 1, At(1, 0));
        Moves(S.Steps, Left, 1, At(0, 0));
        All.push_back(std::move(S));
    }
    {  // Page keys.
        TSeed S{"move-pages", {}};
        S.Steps.push_back({TextOp(Letters(25)), {}});
        S.Steps.push_back({MoveOp(Home), {}});
        Moves(S.Steps, Right, 3, At(3, 0));
        S.Steps.push_back({MoveOp(PageDown), At(13, 10)});
        S.Steps.push_back({MoveOp(PageDown), At(23, 16)});
        S.Steps.push_back({MoveOp(PageDown), At(25, 16)});
        S.Steps.push_back({MoveOp(PageUp), At(15, 6)});
        S.Steps.push_back({MoveOp(PageUp), At(5, 0)});
        S.Steps.push_back({MoveOp(PageUp), At(0, 0)});
        All.push_back(std::move(S));
    }
    {  // Backspace in the end window, in slot 1 and in slot 0; Delete in the end window.
        TSeed S{"edit-backspace-delete", {}};
        S.Steps.push_back({TextOp(Letters(20)), At(20, 11, 20)});
        S.Steps.push_back({EditOp(BackSpace), At(19, 10, 19)});
        S.Steps.push_back({TextOp(Letters(20)), {}});
        S.Steps.push_back({MoveOp(Home), {}});
        Moves(S.Steps, Right, 14, At(14, 5));
        Moves(S.Steps, Left, 8, At(6, 5));
        S.Steps.push_back({EditOp(BackSpace), At(5, 5, 19)});
        S.Steps.push_back({TextOp(Letters(20)), {}});
        S.Steps.push_back({MoveOp(Home), {}});
        Moves(S.Steps, Right, 14, {});
        Moves(S.Steps, Left, 9, At(5, 5));
        S.Steps.push_back({EditOp(BackSpace), At(4, 4, 19)});
        S.Steps.push_back({TextOp(Letters(20)), {}});
        Moves(S.Steps, Left, 5, At(15, 11));
        S.Steps.push_back({EditOp(Delete), At(15, 10, 19)});
        All.push_back(std::move(S));
    }
    {  // Typing: a step jump inside the text, overwrite, and appending at the end.
        TSeed S{"edit-type-overwrite", {}};
        S.Steps.push_back({TextOp(Letters(20)), {}});
        S.Steps.push_back({MoveOp(Home), {}});
        Moves(S.Steps, Right, 8, At(8, 0));
        S.Steps.push_back({PropOp(StepActive, 1), {}});
        S.Steps.push_back({EditOp(Type, '#'), At(9, 5, 21)});
        S.Steps.push_back({PropOp(StepActive, 0), {}});
        S.Steps.push_back({TextOp("abcde"), {}});
        S.Steps.push_back({PropOp(Overwrite, 1), {}});
        S.Steps.push_back({MoveOp(Home), {}});
        Moves(S.Steps, Right, 2, {});
        S.Steps.push_back({EditOp(Type, 'Z'), [](const TEditMatrix& M) {
                               EXPECT_EQ(M.Text(), "abZde");
                               EXPECT_EQ(M.CursorPos(), 3);
                           }});
        S.Steps.push_back({MoveOp(End), {}});
        S.Steps.push_back({EditOp(Type, 'f'), [](const TEditMatrix& M) { EXPECT_EQ(M.Text(), "abZdef"); }});
        All.push_back(std::move(S));
    }
    {  // The road of one request: a colour code takes effect at the first step.
        TSeed S{"scroll-letter-code", {}};
        S.Steps.push_back({TextOp("Hi@C00FF00 there"), At(16, 7, 16)});
        S.Steps.push_back({PropOp(Scroll, 1), [](const TEditMatrix& M) {
                               EXPECT_TRUE(M.Scroll());
                               EXPECT_EQ(M.ActiveLEDOnColor(), 255U);
                           }});
        S.Steps.push_back({StepOp(TOpKind::ScrollStep), [](const TEditMatrix& M) {
                               EXPECT_EQ(M.ActiveLEDOnColor(), 0x00FF00U);
                               EXPECT_EQ(M.ScrollOnColor(), 0x00FF00U);
                           }});
        S.Steps.push_back({StepOp(TOpKind::BlinkStep, 3), {}});
        All.push_back(std::move(S));
    }
    {  // A digit colour code commits as it leaves the window, and survives the wrap.
        TSeed S{"scroll-digit-code", {}};
        S.Steps.push_back({TextOp("AB@2FF0000CD"), {}});
        S.Steps.push_back({PropOp(Scroll, 1), {}});
        S.Steps.push_back(
            {StepOp(TOpKind::ScrollStep, 10), [](const TEditMatrix& M) { EXPECT_EQ(M.ScrollOnColor(), 255U); }});
        S.Steps.push_back(
            {StepOp(TOpKind::ScrollStep, 1), [](const TEditMatrix& M) { EXPECT_EQ(M.ScrollOnColor(), 0xFF0000U); }});
        S.Steps.push_back({StepOp(TOpKind::ScrollStep, 16), {}});
        All.push_back(std::move(S));
    }
    {  // A long run of digit codes in view commits as the gap column of "A" alone stands left of it.
        TSeed S{"scroll-digit-code-run", {}};
        std::string Text = "A";
        for (int i = 0; i < 2000; ++i) Text += "@2FF0000";
        S.Steps.push_back({TextOp(Text + "BC"), {}});
        S.Steps.push_back({PropOp(Scroll, 1), {}});
        S.Steps.push_back(
            {StepOp(TOpKind::ScrollStep, 4), [](const TEditMatrix& M) { EXPECT_EQ(M.ScrollOnColor(), 255U); }});
        S.Steps.push_back(
            {StepOp(TOpKind::ScrollStep, 1), [](const TEditMatrix& M) { EXPECT_EQ(M.ScrollOnColor(), 0xFF0000U); }});
        S.Steps.push_back({StepOp(TOpKind::ScrollStep, 16), {}});
        S.Steps.push_back({StepOp(TOpKind::BlinkStep, 2), {}});
        All.push_back(std::move(S));
    }
    {  // Runs of every kind of code, the text starting with one, in a narrow window that wraps.
        TSeed S{"scroll-code-runs", {}};
        std::string Text;
        for (int i = 0; i < 300; ++i) Text += "@3000040@2FF00FF";
        Text += "X";
        for (int i = 0; i < 300; ++i) Text += "@C00FF00@0010000@1FFFF00";
        Text += "Y@0000000Z";
        S.Steps.push_back({PropOp(TotalVisible, 2), {}});
        S.Steps.push_back({TextOp(Text), {}});
        S.Steps.push_back({PropOp(Scroll, 1), {}});
        for (int i = 0; i < 4; ++i) {
            S.Steps.push_back({StepOp(TOpKind::ScrollStep, 5), {}});
            S.Steps.push_back({StepOp(TOpKind::BlinkStep), {}});
        }
        All.push_back(std::move(S));
    }
    {  // Blinking on, then a halting code that stops the marquee where it stands.
        TSeed S{"scroll-blink-halt", {}};
        S.Steps.push_back({TextOp("@0010000Blink@4000000 stop here"), {}});
        S.Steps.push_back({PropOp(Scroll, 1), {}});
        S.Steps.push_back({StepOp(TOpKind::BlinkStep, 2), [](const TEditMatrix& M) { EXPECT_TRUE(M.Blinking()); }});
        S.Steps.push_back({StepOp(TOpKind::ScrollStep, 16), {}});
        S.Steps.push_back(
            {StepOp(TOpKind::ScrollStep, 16), [](const TEditMatrix& M) { EXPECT_TRUE(M.ScrollHalted()); }});
        All.push_back(std::move(S));
    }
    {  // Letter codes for the active flag, the delay and the geometry.
        TSeed S{"scroll-codes", {}};
        S.Steps.push_back({TextOp("@A000100@D0003E8@S000100@L000005@I000002xyz"), {}});
        S.Steps.push_back({PropOp(Scroll, 1), {}});
        S.Steps.push_back({StepOp(TOpKind::ScrollStep), [](const TEditMatrix& M) {
                               EXPECT_FALSE(M.ActiveLED());
                               EXPECT_EQ(M.Delay(), 1000);
                               EXPECT_EQ(M.LEDShape(), EShape::Circle);
                               EXPECT_EQ(M.LEDSize(), 5);
                               EXPECT_EQ(M.LEDDistance(), 2);
                           }});
        S.Steps.push_back({StepOp(TOpKind::BlinkStep, 2), {}});
        S.Steps.push_back({PropOp(Scroll, 0), {}});
        S.Steps.push_back({StepOp(TOpKind::ScrollStep), {}});
        All.push_back(std::move(S));
    }
    return All;
}

TProgram ProgramOf(const TSeed& Seed) {
    TProgram P;
    for (const TSeedStep& Step : Seed.Steps) P.Ops.push_back(Step.Op);
    return P;
}

TEST(MatrixSeeds, WorkedExamplesReachTheirStatesAsPrograms) {
    for (const TSeed& Seed : Seeds()) {
        SCOPED_TRACE(Seed.Name);
        TProgramRunner Runner(ProgramOf(Seed).Layout);
        for (std::size_t i = 0; i < Seed.Steps.size(); ++i) {
            SCOPED_TRACE("step " + std::to_string(i) + ": " + Describe(Seed.Steps[i].Op));
            Runner.Step(Seed.Steps[i].Op);
            ASSERT_EQ(Runner.Check(), "");
            if (Seed.Steps[i].Expect) Seed.Steps[i].Expect(Runner.Matrix());
        }
    }
}

TEST(MatrixSeeds, CommittedCorpusHoldsEveryProgramInItsByteForm) {
    namespace fs = std::filesystem;
    const fs::path Folder = VYR_MATRIX_CORPUS;
    const bool Write = std::getenv("VYR_WRITE_MATRIX_SEEDS") != nullptr;
    for (const TSeed& Seed : Seeds()) {
        const TProgram Program = ProgramOf(Seed);
        const std::vector<std::uint8_t> Bytes = EncodeProgram(Program);
        ASSERT_EQ(DecodeProgram(Bytes), Program) << Seed.Name;
        const fs::path File = Folder / (Seed.Name + ".bin");
        if (Write) {
            fs::create_directories(Folder);
            std::ofstream(File, std::ios::binary)
                .write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
        }
        std::ifstream In(File, std::ios::binary);
        const std::vector<std::uint8_t> Committed((std::istreambuf_iterator<char>(In)),
                                                  std::istreambuf_iterator<char>());
        EXPECT_EQ(Committed, Bytes) << File << " is stale (VYR_WRITE_MATRIX_SEEDS=1 rewrites it)";
    }
}

}  // namespace
}  // namespace vyr::test
