// Scroll frames: the window of LED columns at the scroll position, wrapping, and the control
// codes met on the way. Steps are taken by calling ScrollOnce and TryToBlink directly; the GUI
// queue is never pumped, so the worker threads never run a step here.
#include <gtest/gtest.h>

#include <functional>

#include "scroll/marquee_support.h"
#include "support/test_support.h"

namespace vyr::test {
namespace {

constexpr TColor Red = 0x0000FF;
constexpr TColor Green = 0x00FF00;
constexpr TColor Blue = 0xFF0000;
constexpr TColor DarkRed = 64;          // the default off colour
constexpr TColor BlinkDark = 0xFFFF00;  // a blink-off colour told apart from the off colour

constexpr std::array<Byte, 5> Full = {0x7F, 0x7F, 0x7F, 0x7F, 0x7F};

const std::vector<std::pair<TColor, char>> Colours = {
    {Red, 'R'}, {Green, 'G'}, {Blue, 'B'}, {DarkRed, '.'}, {BlinkDark, 'K'}};

class ScrollFrame : public ::testing::Test {
protected:
    TFormWithMatrix Form;
    TCountingMatrix& M = *Form.Matrix;

    // Glyphs lit in all 35 LEDs, so that a row of a character reads "XXXXX." in its colour.
    void FullGlyphs(std::string_view Characters) {
        for (const char Ch : Characters) M.ChangeChar(static_cast<Byte>(Ch), Full);
    }
    void StartMarquee(const std::string& Text, Byte Visible) {
        M.FSetTotalVisible(Visible);
        M.FSetText(Text);
        M.FSetScroll(true);
    }
    void Steps(int Count) {
        for (int i = 0; i < Count; ++i) M.ScrollOnce();
    }
    // The LED rows of the window; all seven rows must read the same.
    std::string Row() {
        const auto Picture = LedColours(M, 6 * M.TotalVisible(), 7, Colours);
        for (const auto& R : Picture) EXPECT_EQ(R, Picture[0]);
        return Picture[0];
    }
    // Index of the scroll position among the heads of the stream.
    int Position() const {
        int Index = 0;
        for (const _Pixel* Head = M.StreamHead(); Head != nullptr; Head = M.PixelPool().At(Head->Next), ++Index) {
            if (Head == M.ScrollPos()) return Index;
        }
        return -1;
    }
};

TEST_F(ScrollFrame, AStreamShorterThanTheWindowIsShownRepeated) {
    M.ChangeChar('A', {0x7F, 0, 0, 0, 0});
    M.ChangeChar('B', {0, 0, 0, 0, 0x7F});
    StartMarquee("AB", 3);  // 12 stream columns in an 18-column window
    EXPECT_EQ(M.Bitmap()->Height(), 1 + 3 * 7);
    EXPECT_EQ(Row(), "R.........R.R.....");
    Steps(1);
    EXPECT_EQ(Row(), ".........R.R......");
    Steps(10);
    EXPECT_EQ(Row(), ".R.........R.R....");
    Steps(1);  // a whole lap
    EXPECT_EQ(Row(), "R.........R.R.....");
}

TEST_F(ScrollFrame, AScrollStepDrawsOverTheBufferWithoutClearingIt) {
    StartMarquee("AB", 10);
    Form.ResetCounters();
    Steps(1);
    EXPECT_EQ(M.Paints, 1);
    EXPECT_EQ(Form.Peer().CopyCount(), 1);
    EXPECT_EQ(Form.Peer().FillCount(), 0);
    EXPECT_TRUE(M.MiniRefresh());
    EXPECT_FALSE(M.TotalRefresh());
}

// 'AB@2FF0000CD' in a window exactly as wide as its 24 LED columns.
TEST_F(ScrollFrame, ADigitColourCodeColoursItsRightAndCommitsJustBeforeItLeaves) {
    FullGlyphs("ABCD");
    StartMarquee("AB@2FF0000CD", 4);
    EXPECT_EQ(Row(), "RRRRR.RRRRR.BBBBB.BBBBB.");
    Steps(6);
    EXPECT_EQ(Row(), "RRRRR.BBBBB.BBBBB.BBBBB.");  // B, then C, D and A wrapped, all right of the code
    Steps(4);
    EXPECT_EQ(Row(), "R.BBBBB.BBBBB.BBBBB.BBBB");
    EXPECT_EQ(M.ScrollOnColor(), Red) << "two LED columns left of the code: not yet";
    Steps(1);
    EXPECT_EQ(Row(), ".BBBBB.BBBBB.BBBBB.BBBBB");
    EXPECT_EQ(M.ScrollOnColor(), Blue) << "one LED column left of the code: committed";
    Steps(1);  // the code has left the window
    EXPECT_EQ(Row(), "BBBBB.BBBBB.BBBBB.BBBBB.");
    Steps(12);  // the next lap: A and B keep the committed colour
    EXPECT_EQ(Row(), "BBBBB.BBBBB.BBBBB.BBBBB.");
    EXPECT_EQ(Position(), 0);
    EXPECT_EQ(M.ActiveLEDOnColor(), Red) << "digit codes leave the properties alone";
}

TEST_F(ScrollFrame, ADigitCodeAtTheStartCommitsInTheFirstFrame) {
    FullGlyphs("AB");
    StartMarquee("@2FF0000AB", 2);
    EXPECT_EQ(M.ScrollOnColor(), Blue);
    EXPECT_EQ(Row(), "BBBBB.BBBBB.");
}

TEST_F(ScrollFrame, DigitOffAndBlinkOffColoursTakeEffectRightOfTheCode) {
    FullGlyphs("AB");
    M.ChangeChar('A', {0x7F, 0x7F, 0x7F, 0x7F, 0});
    StartMarquee("A@300FF00@0010000B", 2);
    // A's unlit column stays dark red; after the codes B's lit LEDs blink in the blink-off colour
    // (phase dark) and its unlit gap takes the new off colour.
    M.FSetBlinkOffColor(BlinkDark);
    EXPECT_EQ(Row(), "RRRR..KKKKKG");
    // A blink-off code in front of the blink code changes the colour of the dark phase.
    M.FSetBlinkOffColor(Green);
    M.FSetText("A@1FFFF00@0010000B");
    M.Paint();
    EXPECT_EQ(Row(), "RRRR..KKKKK.");
    EXPECT_EQ(M.ScrollBlinkOffColor(), Green) << "not committed while six LED columns are left of it";
}

struct BlinkCase {
    const char* Name;
    std::string Text;
    bool BrightPhase;    // FBlinkState when the frame is drawn
    const char* Row;     // 12 columns: two characters
    bool BlinkingAfter;  // FBlinking after the frame
};

std::ostream& operator<<(std::ostream& Out, const BlinkCase& Case) { return Out << Case.Name; }

class BlinkCodes : public ScrollFrame, public ::testing::WithParamInterface<BlinkCase> {};

TEST_P(BlinkCodes, BlinkTheColumnsRightOfTheCode) {
    FullGlyphs("AB");
    M.FSetBlinkOffColor(BlinkDark);
    StartMarquee(GetParam().Text, 2);
    if (GetParam().BrightPhase) M.TryToBlink();
    EXPECT_EQ(M.BlinkState(), GetParam().BrightPhase);
    EXPECT_EQ(Row(), GetParam().Row);
    EXPECT_EQ(M.Blinking(), GetParam().BlinkingAfter);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Codes, BlinkCodes,
    ::testing::Values(
        BlinkCase{"HighByteSetDarkPhase", "A@0010000B", false, "RRRRR.KKKKK.", false},
        BlinkCase{"HighByteSetBrightPhase", "A@0010000B", true, "RRRRR.RRRRR.", false},
        BlinkCase{"OnlyTheHighByteCounts", "A@000FFFFB", false, "RRRRR.RRRRR.", false},
        BlinkCase{"CommittedAtTheLeftEdge", "@0FF0000AB", false, "KKKKK.KKKKK.", true},
        BlinkCase{"CommittedBrightPhase", "@0FF0000AB", true, "RRRRR.RRRRR.", true},
        BlinkCase{"HighByteZeroStopsBlinking", "@0010000A@0000001B", false, "KKKKK.RRRRR.", true}),
    [](const ::testing::TestParamInfo<BlinkCase>& Info) { return std::string(Info.param.Name); });
// clang-format on

TEST_F(ScrollFrame, ABlinkCodeWithHighByteZeroSwitchesBlinkingOffAsItLeaves) {
    FullGlyphs("ABCD");
    M.FSetBlinkOffColor(BlinkDark);
    StartMarquee("@0010000AB@0000001CD", 2);
    EXPECT_TRUE(M.Blinking());
    Steps(11);  // the first step leaves the code at the start for A0
    EXPECT_TRUE(M.Blinking());
    EXPECT_EQ(Row(), "K.RRRRR.RRRR");  // B4, B5, then C and D steady
    Steps(1);
    EXPECT_FALSE(M.Blinking());
    Steps(1);  // C and D, steady for good
    EXPECT_EQ(Row(), "RRRRR.RRRRR.");
    Steps(11);  // D5: the blink code at the start commits again as it leaves
    EXPECT_TRUE(M.Blinking());
}

TEST_F(ScrollFrame, CommittedBlinkingGoesOnAfterTheCodeHasLeft) {
    FullGlyphs("AB");
    M.FSetBlinkOffColor(BlinkDark);
    StartMarquee("@0010000AB", 1);
    Steps(1);  // window A0..A5, the code behind it
    EXPECT_TRUE(M.Blinking());
    EXPECT_EQ(Row(), "KKKKK.");
    M.TryToBlink();
    EXPECT_EQ(Row(), "RRRRR.");
}

// Only the code at the left edge has "one LED column left": a second code right behind it has
// none and commits only when it comes round again with the last column of the text before it.
TEST_F(ScrollFrame, OfTwoDigitCodesAtTheStartOnlyTheFirstCommitsAtOnce) {
    FullGlyphs("AB");
    StartMarquee("@0010000@2FF0000AB", 2);
    EXPECT_TRUE(M.Blinking());
    EXPECT_EQ(M.ScrollOnColor(), Red);
    Steps(12);  // B5, then both codes
    EXPECT_EQ(M.ScrollOnColor(), Blue);
}

class HaltingCodes : public ScrollFrame, public ::testing::WithParamInterface<char> {};

TEST_P(HaltingCodes, StopTheScrollStepButNotTheBlink) {
    StartMarquee(std::string("AB@") + GetParam() + "123456CD", 10);
    EXPECT_TRUE(M.ScrollHalted());
    Form.ResetCounters();
    Steps(3);
    EXPECT_EQ(Position(), 0);
    EXPECT_EQ(M.Paints, 3) << "a halted marquee still repaints at every step";
    M.TryToBlink();
    EXPECT_TRUE(M.BlinkState());
    EXPECT_EQ(M.Paints, 4);
    M.FSetText("XY");  // a new text starts at its beginning and stands still there
    Steps(1);
    EXPECT_TRUE(M.ScrollHalted());
    EXPECT_EQ(Position(), 0);
}

INSTANTIATE_TEST_SUITE_P(Codes, HaltingCodes, ::testing::Values('4', '5', '6', '7', '8'));

TEST_F(ScrollFrame, AHaltingCodeHaltsOnlyOnceTheColumnPassMeetsIt) {
    StartMarquee("ABCDEFGH@4000000", 1);  // 48 LED columns, a 6-column window
    EXPECT_FALSE(M.ScrollHalted());
    Steps(42);  // window H0..H5: the code follows the last column and is not visited
    EXPECT_FALSE(M.ScrollHalted());
    Steps(1);  // window H1..H5, the code, then A0
    EXPECT_TRUE(M.ScrollHalted());
    const int Halted = Position();
    Steps(2);
    EXPECT_EQ(Position(), Halted);
}

TEST_F(ScrollFrame, TheRightmostOfTwoLetterCodesWins) {
    FullGlyphs("ABCDE");
    StartMarquee("AB@C00FF00CD@CFF0000E", 4);
    Form.ResetCounters();
    Steps(1);  // window A1 .. E0; both codes in range
    EXPECT_EQ(M.ScrollOnColor(), Blue);
    EXPECT_EQ(M.ActiveLEDOnColor(), Blue);
    EXPECT_EQ(M.Paints, 2) << "the left code is not run: one nested repaint only";
    EXPECT_EQ(Row(), "BBBB.BBBBB.BBBBB.BBBBB.B");
}

TEST_F(ScrollFrame, ALetterCodeRunsOnceItIsTheFirstHeadAfterTheWindow) {
    StartMarquee("AB@C00FF00C", 1);
    Steps(5);  // window A5, B0..B4
    EXPECT_EQ(M.ScrollOnColor(), Red);
    Steps(1);  // window B0..B5, the code next
    EXPECT_EQ(M.ScrollOnColor(), Green);
}

TEST_F(ScrollFrame, LetterCodesDoNotRunInTheSetterRepaint) {
    StartMarquee("@C00FF00AB", 10);
    EXPECT_EQ(M.ScrollOnColor(), Red);
    M.TryToBlink();
    EXPECT_EQ(M.ScrollOnColor(), Green);
}

struct LetterCase {
    const char* Name;
    const char* Code;  // seven characters after "@"
    int NestedPaints;  // repaints from inside the frame
    std::function<void(const TEditMatrix&)> Check;
};

std::ostream& operator<<(std::ostream& Out, const LetterCase& Case) { return Out << Case.Name; }

class LetterCodes : public ScrollFrame, public ::testing::WithParamInterface<LetterCase> {};

// Each code goes through its property setter; a changed value repaints once from inside the
// frame (with the new geometry, if it changed), an unchanged one not at all; the outer frame then
// draws the whole window with what is in force.
TEST_P(LetterCodes, SetTheirPropertyAndRepaintOnlyOnAChange) {
    StartMarquee(std::string("@") + GetParam().Code + "AB", 10);
    Form.ResetCounters();
    Steps(1);
    EXPECT_EQ(M.Paints, 1 + GetParam().NestedPaints);
    GetParam().Check(M);

    const int S = M.LEDSize();
    const int D = M.LEDDistance();
    EXPECT_EQ(M.Bitmap()->Width(), D + (S + D) * 60);
    EXPECT_EQ(M.Bitmap()->Height(), D + (S + D) * 7);
    const auto Picture = LedColours(M, 60, 7, {{M.ScrollOnColor(), 'X'}, {M.ScrollOffColor(), '.'}});
    std::string All;
    for (const auto& R : Picture) All += R;
    EXPECT_EQ(All.find('?'), std::string::npos) << "every LED drawn with the geometry in force";
    EXPECT_NE(All.find('X'), std::string::npos);
    const _Pixel* FirstLED = M.StreamHead();
    while (FirstLED->Value > 1) FirstLED = M.PixelPool().At(FirstLED->Next);
    EXPECT_EQ(M.ScrollPos(), FirstLED) << "the nested repaint does not move the scroll position";
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Codes, LetterCodes,
    ::testing::Values(
        LetterCase{"ActiveOffByLowByte", "A000100", 1, [](const TEditMatrix& M) { EXPECT_FALSE(M.ActiveLED()); }},
        LetterCase{"ActiveAlreadyOn", "A000001", 0, [](const TEditMatrix& M) { EXPECT_TRUE(M.ActiveLED()); }},
        LetterCase{"OffColour", "B00FF00", 1,
                   [](const TEditMatrix& M) {
                       EXPECT_EQ(M.ActiveLEDOffColor(), Green);
                       EXPECT_EQ(M.ScrollOffColor(), Green);
                   }},
        LetterCase{"OnColourUnchanged", "C0000FF", 0, [](const TEditMatrix& M) { EXPECT_EQ(M.ScrollOnColor(), Red); }},
        LetterCase{"OnColour", "C00FF00", 1,
                   [](const TEditMatrix& M) {
                       EXPECT_EQ(M.ActiveLEDOnColor(), Green);
                       EXPECT_EQ(M.ScrollOnColor(), Green);
                   }},
        LetterCase{"Delay", "D0003E8", 0, [](const TEditMatrix& M) { EXPECT_EQ(M.Delay(), 1000); }},
        LetterCase{"InactiveOffColour", "E123456", 0,
                   [](const TEditMatrix& M) { EXPECT_EQ(M.InactiveLEDOffColor(), 0x123456U); }},
        LetterCase{"InactiveOnColour", "F654321", 0,
                   [](const TEditMatrix& M) { EXPECT_EQ(M.InactiveLEDOnColor(), 0x654321U); }},
        LetterCase{"Distance", "I000003", 1, [](const TEditMatrix& M) { EXPECT_EQ(M.LEDDistance(), 3); }},
        LetterCase{"DistanceLowByteOnly", "IFFFF01", 0, [](const TEditMatrix& M) { EXPECT_EQ(M.LEDDistance(), 1); }},
        LetterCase{"Size", "L000007", 1, [](const TEditMatrix& M) { EXPECT_EQ(M.LEDSize(), 7); }},
        LetterCase{"SizeClampedBySetter", "L000000", 1, [](const TEditMatrix& M) { EXPECT_EQ(M.LEDSize(), 1); }},
        LetterCase{"ShapeCircle", "S000100", 1,
                   [](const TEditMatrix& M) {
                       EXPECT_EQ(M.LEDShape(), EShape::Circle);
                       EXPECT_EQ(M.LEDSize(), 3);
                   }},
        LetterCase{"ShapeSquareUnchanged", "S000000", 0,
                   [](const TEditMatrix& M) { EXPECT_EQ(M.LEDShape(), EShape::Square); }},
        LetterCase{"TwoCodesTwoRepaints", "C00FF00@BFF0000", 2,
                   [](const TEditMatrix& M) {
                       EXPECT_EQ(M.ScrollOnColor(), Green);
                       EXPECT_EQ(M.ScrollOffColor(), Blue);
                   }},
        LetterCase{"GeometryThenColour", "L000005@I000002@S000001@C00FF00", 4,
                   [](const TEditMatrix& M) {
                       EXPECT_EQ(M.LEDShape(), EShape::Circle);
                       EXPECT_EQ(M.LEDSize(), 5);
                       EXPECT_EQ(M.LEDDistance(), 2);
                       EXPECT_EQ(M.ScrollOnColor(), Green);
                   }}),
    [](const ::testing::TestParamInfo<LetterCase>& Info) { return std::string(Info.param.Name); });
// clang-format on

TEST_F(ScrollFrame, ZeroVisibleCharactersDrawNothing) {
    StartMarquee("@C00FF00AB", 10);
    M.FSetTotalVisible(0);
    EXPECT_EQ(M.Bitmap()->Width(), 1);
    // With no window the letter-code pass looks at the scroll position and the letter codes
    // just before it: here the position is the code itself.
    M.TryToBlink();
    EXPECT_EQ(M.ScrollOnColor(), Green);
    Steps(20);
    for (int y = 0; y < M.Bitmap()->Height(); ++y) EXPECT_EQ(M.Bitmap()->Pixel(0, y), 0U);

    M.FSetText("AB@C0000FF");  // the code is the last head: not looked at from the first column
    M.TryToBlink();
    EXPECT_EQ(M.ScrollOnColor(), Green);
}

TEST_F(ScrollFrame, AnEmptyStreamDrawsOnlyUnlitCells) {
    StartMarquee("@C00FF00", 2);
    Steps(3);
    M.TryToBlink();
    EXPECT_EQ(M.StreamHead(), nullptr);
    EXPECT_EQ(Row(), "............");
    EXPECT_EQ(M.ScrollOnColor(), Red);
}

}  // namespace
}  // namespace vyr::test
