// The fast renderer against the literal one: two matrices side by side, one drawing every LED
// through the primitives in the order of the frame operations, the other with the fast
// renderer, run the same programs of operations (tests/support/MatrixProgram.h); after every
// operation their back buffers, their window surfaces, their repaint, copy and fill counts and
// their marquee state must be equal. The whole-control fuzz target makes the same comparison on
// whatever programs it finds.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "support/MatrixProgram.h"

namespace vyr::test {
namespace {

class RendererDifferential : public ::testing::TestWithParam<std::uint32_t> {};

// 400 random programs of 80 operations each, in shards of 10 seeds.
TEST_P(RendererDifferential, FastFramesEqualLiteralFramesAfterEveryOperation) {
    const std::uint32_t First = 1'000'000 + GetParam() * 10;
    for (std::uint32_t Seed = First; Seed < First + 10; ++Seed) {
        ASSERT_EQ(RunOnBothRenderers(RandomProgram(Seed, 80)), "") << "seed " << Seed;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RendererDifferential, ::testing::Range<std::uint32_t>(0, 40));

// Programs written out for the rules the random ones reach only by chance.
TOp Text(const std::string& Bytes) {
    TOp Op;
    Op.Kind = TOpKind::SetText;
    Op.Bytes = Bytes;
    return Op;
}

TOp Set(TProgramProperty Property, std::uint32_t Value) {
    TOp Op;
    Op.Kind = TOpKind::SetProperty;
    Op.Property = Property;
    Op.Value = Value;
    return Op;
}

TOp Of(TOpKind Kind, std::uint8_t Arg = 0) {
    TOp Op;
    Op.Kind = Kind;
    Op.Arg = Arg;
    return Op;
}

TOp Key(std::uint32_t Code) {
    TOp Op = Of(TOpKind::KeyDown);
    Op.Value = Code;
    return Op;
}

enum TFrame : std::uint8_t { TotalRedraw, TotalRedrawClear, ScrollRedraw, ScrollRedrawClear };
enum TPaint : std::uint8_t { PlainPaint, TotalPaint, MiniPaint };

// The whole back buffer (up to 1021 pixels a side) in one colour.
TOp ScribbleAll(TColor Colour) {
    TOp Op = Of(TOpKind::Scribble);
    Op.Value = Colour;
    Op.Box = {0, 0, 255, 255};
    return Op;
}

void ExpectSame(const TProgram& Program) { EXPECT_EQ(RunOnBothRenderers(Program), ""); }

using enum TProgramProperty;

TEST(RendererDifferentialCases, LetterCodesThatChangeTheGeometryInTheMiddleOfAFrame) {
    TProgram P;
    P.Ops = {Text("ab@L000005cd@S000001ef@I000003gh@0010000ij@2FF00FFkl"), Set(Scroll, 1)};
    for (int i = 0; i < 60; ++i) {
        P.Ops.push_back(Of(TOpKind::ScrollStep));
        if (i % 7 == 0) P.Ops.push_back(Of(TOpKind::BlinkStep));
    }
    ExpectSame(P);
}

// A stream much longer than the window, its letter codes far apart, over more than a lap: a
// code in reach of the letter-code pass sets its colour again at every step, after the program
// has set another one, and one out of reach does not.
TEST(RendererDifferentialCases, LetterCodesOfALongMarqueeRunExactlyWhileWithinReach) {
    TProgram P;
    P.Ops = {Set(TotalVisible, 4),
             Text("The @C00FF00quick brown fox jumps @B202020over the lazy dog @C0000FFand @S000001back"),
             Set(Scroll, 1)};
    for (int i = 0; i < 340; ++i) {
        P.Ops.push_back(Set(ActiveLEDOnColor, 0xFF0000U + static_cast<unsigned>(i)));
        P.Ops.push_back(Set(ActiveLEDOffColor, 0x000040U + static_cast<unsigned>(i)));
        P.Ops.push_back(Of(TOpKind::ScrollStep));
    }
    ExpectSame(P);
}

TEST(RendererDifferentialCases, AScrollFrameCalledInEditModeWithALetterCodeKeepsTheNestedStaticFrame) {
    TProgram P;
    TOp Mini = Of(TOpKind::Paint, MiniPaint);
    P.Ops = {Text("x@C00FF00yz"), Of(TOpKind::Frame, ScrollRedraw), Mini, Of(TOpKind::Frame, ScrollRedraw)};
    ExpectSame(P);
}

TEST(RendererDifferentialCases, EveryLEDSizeAndSpacingOfBothShapesOverAScribbledBuffer) {
    TProgram P;
    P.Ops = {Text("Ag@0010000W"), Set(TotalVisible, 3)};
    for (const std::uint32_t Size : {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 15, 16, 21, 22, 23, 33}) {
        for (const std::uint32_t Distance : {0, 1, 2, 5}) {
            for (const std::uint32_t Round : {0, 1}) {
                for (const TOp& Op :
                     {Set(LEDShape, Round), Set(LEDSize, Size), Set(LEDDistance, Distance), Key(37),
                      ScribbleAll(0x123456), Of(TOpKind::Frame, TotalRedraw), Set(Scroll, 1), Of(TOpKind::ScrollStep),
                      ScribbleAll(0x654321), Of(TOpKind::Frame, ScrollRedraw), Set(Scroll, 0)}) {
                    P.Ops.push_back(Op);
                }
            }
        }
    }
    ExpectSame(P);
}

// A host resize leaves the back buffer larger or smaller than the control until the next
// resizing frame; frames in between are clipped to the buffer and the clear to the control.
TEST(RendererDifferentialCases, FramesBetweenAHostResizeAndTheNextResizingFrame) {
    TProgram P;
    P.Ops = {Text("Resize@C00FF00 me"), Set(LEDShape, 1), Set(LEDSize, 5)};
    for (const std::uint32_t Size : {0U, 17U | (9U << 16), 400U | (300U << 16), 90U | (100U << 16)}) {
        TOp Host = Of(TOpKind::HostSize);
        Host.Value = Size;
        for (const TOp& Op : {Host, Of(TOpKind::Frame, TotalRedrawClear), Of(TOpKind::Frame, TotalRedraw),
                              Of(TOpKind::Paint, PlainPaint), Set(Scroll, 1), Host, Of(TOpKind::ScrollStep),
                              Of(TOpKind::Frame, ScrollRedrawClear), Set(Scroll, 0), Of(TOpKind::Paint, TotalPaint)}) {
            P.Ops.push_back(Op);
        }
    }
    ExpectSame(P);
}

// After the host shrank the control, a clearing frame fills only the control's part of the
// buffer: the rest of a row scribbled on keeps its pixels between the LEDs, so the rows of an
// LED row can no longer be taken as equal without comparing them.
TEST(RendererDifferentialCases, AClearingFrameAfterAHostShrinkKeepsWhatLiesBeyondTheControl) {
    TProgram P;
    TOp Host = Of(TOpKind::HostSize);
    Host.Value = 17U | (9U << 16);
    TOp Row = Of(TOpKind::Scribble);  // the pixel row y = 4, the whole width
    Row.Value = 0x00A0B0;
    Row.Box = {0, 1, 255, 0};
    P.Ops = {Text("Shrunk@C00FF00 by the host"),  Set(LEDShape, 1), Set(LEDSize, 5), Host, Row,
             Of(TOpKind::Frame, TotalRedrawClear)};
    for (const TOp& Op : {Set(Scroll, 1), Row, Of(TOpKind::Frame, ScrollRedrawClear)}) P.Ops.push_back(Op);
    ExpectSame(P);
}

// 255 cells of 255-pixel LEDs 255 apart: the host caps the width at 8192, and both shapes are
// clipped at the buffer's right edge.
TEST(RendererDifferentialCases, TheLargestGridClippedByTheHost) {
    TProgram P;
    P.Ops = {Text("W@2FFFF00i"), Set(TotalVisible, 255), Set(LEDSize, 255),      Set(LEDDistance, 255), Key(36),
             Set(LEDShape, 1),   Set(Scroll, 1),         Of(TOpKind::ScrollStep)};
    ExpectSame(P);
}

}  // namespace
}  // namespace vyr::test
