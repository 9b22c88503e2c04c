// `vyrmatrix render` run as a subprocess: argument checking, the state line, the effects of the
// actions, and the pictures it writes.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "cli_support.h"
#include "image_io.h"

namespace vyr::cli {
namespace {

using test::ParseJson;
using test::RunTool;
using test::TJson;
using test::TRunResult;
using test::TScratchDir;

std::vector<std::string> Render(std::vector<std::string> Args) {
    Args.insert(Args.begin(), "render");
    return Args;
}

bool AnyLineStartsWithBrace(const TRunResult& R) {
    const auto Lines = R.OutLines();
    return std::any_of(Lines.begin(), Lines.end(), [](const std::string& L) { return !L.empty() && L[0] == '{'; });
}

// The one state line of a successful run.
TJson StateOf(const std::vector<std::string>& Args) {
    const TRunResult R = RunTool(Render(Args));
    EXPECT_EQ(R.Status, 0) << R.Err;
    EXPECT_EQ(R.Err, "");
    std::vector<std::string> States;
    for (const auto& L : R.OutLines()) {
        if (!L.empty() && L[0] == '{') States.push_back(L);
    }
    EXPECT_EQ(States.size(), 1U) << R.Out;
    if (States.empty()) return TJson{};
    return ParseJson(States[0]);
}

double Num(const TJson& State, const std::string& Key) {
    const TJson& V = State.Object->at(Key);
    EXPECT_EQ(V.Kind, TJson::TKind::Number) << Key;
    return V.Number;
}
bool Flag(const TJson& State, const std::string& Key) {
    const TJson& V = State.Object->at(Key);
    EXPECT_EQ(V.Kind, TJson::TKind::Bool) << Key;
    return V.Bool;
}
bool IsNull(const TJson& State, const std::string& Key) { return State.Object->at(Key).Kind == TJson::TKind::Null; }
std::u32string Str(const TJson& State, const std::string& Key) {
    const TJson& V = State.Object->at(Key);
    EXPECT_EQ(V.Kind, TJson::TKind::String) << Key;
    return V.String;
}

// ---- Bad arguments ------------------------------------------------------------------------

struct TBadCase {
    std::vector<std::string> Args;  // appended after "--save FILE --state"
    std::string Named;              // what the error line must mention
};

std::ostream& operator<<(std::ostream& Os, const TBadCase& C) {
    for (const auto& A : C.Args) Os << A << ' ';
    return Os;
}

class RenderBadArgument : public ::testing::TestWithParam<TBadCase> {};

TEST_P(RenderBadArgument, ExitsTwoWithOneLineAndDoesNothing) {
    TScratchDir Dir;
    const std::string Png = Dir.File("out.png");
    std::vector<std::string> Args = {"--save", Png, "--state"};
    const auto& C = GetParam();
    // Global options must come first, so those rows stand alone.
    if (!C.Args.empty() && (C.Args[0] == "--siblings" || C.Args[0] == "--load-form" || C.Args[0] == "--save-form")) {
        Args.insert(Args.begin(), C.Args.begin(), C.Args.end());
    } else {
        Args.insert(Args.end(), C.Args.begin(), C.Args.end());
    }
    const TRunResult R = RunTool(Render(Args), "", Dir.Path());
    EXPECT_EQ(R.Status, 2);
    const auto Lines = R.ErrLines();
    ASSERT_EQ(Lines.size(), 1U) << R.Err;
    EXPECT_NE(Lines[0].find(C.Named), std::string::npos) << Lines[0];
    EXPECT_EQ(Lines[0].rfind("vyrmatrix: render: ", 0), 0U) << Lines[0];
    EXPECT_FALSE(AnyLineStartsWithBrace(R)) << R.Out;
    EXPECT_FALSE(test::FileExists(Png));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Rows, RenderBadArgument,
    ::testing::Values(
        TBadCase{{"--frobnicate"}, "--frobnicate"},
        TBadCase{{"--set", "LEDSize=256"}, "LEDSize=256"},
        TBadCase{{"--set", "LEDDistance=-1"}, "LEDDistance=-1"},
        TBadCase{{"--set", "Delay=2147483648"}, "Delay=2147483648"},
        TBadCase{{"--set", "BackgroundColor=0x100000000"}, "BackgroundColor=0x100000000"},
        TBadCase{{"--set", "ActiveLEDOnColor=-1"}, "ActiveLEDOnColor=-1"},
        TBadCase{{"--set", "Scroll=yes"}, "Scroll=yes"},
        TBadCase{{"--set", "LEDShape=Triangle"}, "LEDShape=Triangle"},
        TBadCase{{"--set", "Nonsense=1"}, "Nonsense"},
        TBadCase{{"--set", "Charset=CharSet1"}, "Charset"},
        TBadCase{{"--set", "TotalVisible"}, "TotalVisible"},
        TBadCase{{"--set"}, "--set"},
        TBadCase{{"--key", "F1"}, "F1"},
        TBadCase{{"--key", "65536"}, "65536"},
        TBadCase{{"--key"}, "--key"},
        TBadCase{{"--type"}, "--type"},
        TBadCase{{"--glyph", "65=1,2,3,4"}, "65=1,2,3,4"},
        TBadCase{{"--glyph", "256=0,0,0,0,0"}, "256=0,0,0,0,0"},
        TBadCase{{"--glyph", "65=100,0,0,0,0"}, "65=100,0,0,0,0"},
        TBadCase{{"--column", "65=1"}, "65=1"},
        TBadCase{{"--column", "65,256=1"}, "65,256=1"},
        TBadCase{{"--column", "65,1=1FF"}, "65,1=1FF"},
        TBadCase{{"--wait", "-5"}, "-5"},
        TBadCase{{"--wait", "soon"}, "soon"},
        TBadCase{{"--step", "99999999999"}, "99999999999"},
        TBadCase{{"--step", "-3"}, "a count must not be negative"},
        TBadCase{{"--blink", "-1"}, "a count must not be negative"},
        TBadCase{{"--wait", "-7"}, "a count must not be negative"},
        TBadCase{{"--set", "BackgroundColor=#12345"}, "#RRGGBB"},
        TBadCase{{"--save", "picture.bmp"}, "picture.bmp"},
        TBadCase{{"--save"}, "--save"},
        TBadCase{{"--siblings", "many"}, "many"},
        TBadCase{{"--siblings", "1001"}, "1001"},
        TBadCase{{"--state", "--siblings", "2"}, "a global option goes before the actions, not after '--save'"},
        TBadCase{{"--paint", "--load-form", "a.vfm"}, "a global option goes before the actions"},
        TBadCase{{"--siblings", "1", "--siblings", "2"}, "--siblings"},
        // A bad argument late in a long list still stops everything.
        TBadCase{{"--type", "abc", "--step", "3", "--paint", "--set", "Overwrite=maybe"}, "Overwrite=maybe"}));
// clang-format on

TEST(RenderArguments, ValueAfterAnActionIsTakenAsItIsEvenWithDashes) {
    const TJson State = StateOf({"--type", "--state", "--set", "Text=--key", "--type", "--set", "--state"});
    EXPECT_EQ(Str(State, "Text"), U"--key--set");
}

TEST(RenderArguments, StepAndBlinkTakeACountOnlyWhenANumberFollows) {
    const TJson State = StateOf(
        {"--set", "Text=Hi", "--set", "Scroll=true", "--step", "--step", "2", "--blink", "3", "--blink", "--state"});
    EXPECT_EQ(Num(State, "ScrollPos"), 3);
    EXPECT_EQ(Flag(State, "FBlinkState"), false);  // four toggles
}

TEST(RenderArguments, NoCommandOrUnknownCommandIsABadArgument) {
    EXPECT_EQ(RunTool({}).Status, 2);
    const TRunResult R = RunTool({"paint"});
    EXPECT_EQ(R.Status, 2);
    EXPECT_EQ(R.ErrLines().size(), 1U);
    EXPECT_NE(R.Err.find("paint"), std::string::npos);
}

TEST(RenderArguments, HelpAndVersion) {
    const TRunResult Version = RunTool({"--version"});
    EXPECT_EQ(Version.Status, 0);
    EXPECT_EQ(Version.Out.rfind("vyrmatrix ", 0), 0U);
    for (const char* Command : {"render", "scroll", "edit", "gif"}) {
        const TRunResult Help = RunTool({Command, "--help"});
        EXPECT_EQ(Help.Status, 0) << Command;
        EXPECT_NE(Help.Out.find(std::string("vyrmatrix ") + Command), std::string::npos) << Command;
    }
}

// ---- The state line -----------------------------------------------------------------------

TEST(RenderState, FreshControl) {
    const TJson S = StateOf({"--state"});
    EXPECT_EQ(Str(S, "Text"), U"");
    EXPECT_EQ(Num(S, "FCursorPos"), 0);
    EXPECT_EQ(Num(S, "FFirstVisible"), 0);
    EXPECT_EQ(Num(S, "FTextLength"), 0);
    EXPECT_EQ(Num(S, "Width"), 181);  // 1 + 3 x 6 x 10
    EXPECT_EQ(Num(S, "Height"), 28);  // 1 + 3 x 9
    EXPECT_EQ(Num(S, "FOnColor"), 255);
    EXPECT_EQ(Num(S, "FOffColor"), 64);
    EXPECT_EQ(Num(S, "FScrollOnColor"), 255);
    EXPECT_EQ(Num(S, "FScrollOffColor"), 64);
    EXPECT_EQ(Num(S, "FScrollBlinkOffColor"), 64);
    EXPECT_FALSE(Flag(S, "FBlinking"));
    EXPECT_FALSE(Flag(S, "FBlinkState"));
    EXPECT_FALSE(Flag(S, "FScrollHalted"));
    EXPECT_EQ(Num(S, "StreamHeads"), 0);
    EXPECT_TRUE(IsNull(S, "ScrollPos"));
    EXPECT_FALSE(Flag(S, "Focused"));
    EXPECT_TRUE(IsNull(S, "FocusedTabOrder"));
    EXPECT_EQ(Str(S, "CharTable").size(), 2560U);
    // Published properties at their defaults.
    EXPECT_FALSE(Flag(S, "Scroll"));
    EXPECT_EQ(Num(S, "Delay"), 100);
    EXPECT_EQ(Num(S, "BlinkOffColor"), 64);
    EXPECT_EQ(Num(S, "BlinkDelay"), 100);
    EXPECT_TRUE(Flag(S, "ActiveLED"));
    EXPECT_EQ(Num(S, "ActiveLEDOnColor"), 255);
    EXPECT_EQ(Num(S, "ActiveLEDOffColor"), 64);
    EXPECT_EQ(Num(S, "BackgroundColor"), 0);
    EXPECT_TRUE(IsNull(S, "Charset"));
    EXPECT_EQ(Num(S, "InactiveLEDOnColor"), 128);
    EXPECT_EQ(Num(S, "InactiveLEDOffColor"), 0);
    EXPECT_EQ(Str(S, "LEDShape"), U"Square");
    EXPECT_EQ(Num(S, "LEDSize"), 2);
    EXPECT_EQ(Num(S, "LEDDistance"), 1);
    EXPECT_FALSE(Flag(S, "StepActive"));
    EXPECT_EQ(Num(S, "StepToOutside"), 5);
    EXPECT_EQ(Num(S, "TabOrder"), 0);
    EXPECT_TRUE(Flag(S, "TabStop"));
    EXPECT_EQ(Num(S, "TotalVisible"), 10);
    EXPECT_FALSE(Flag(S, "Overwrite"));
}

TEST(RenderState, EachStateRequestPrintsOneLineInOrder) {
    const TRunResult R = RunTool(Render({"--state", "--type", "a", "--state"}));
    ASSERT_EQ(R.Status, 0);
    const auto Lines = R.OutLines();
    ASSERT_EQ(Lines.size(), 2U);
    EXPECT_EQ(ParseJson(Lines[0]).Object->at("Text").String, U"");
    EXPECT_EQ(ParseJson(Lines[1]).Object->at("Text").String, U"a");
}

TEST(RenderState, TextWithEveryKindOfCodeIsValidJson) {
    // Codes below 32 become spaces in the control; quotes, backslashes and Latin-1 survive.
    const TJson S = StateOf({"--set", "Text=a\"b\\c\x01\xC3\xA9\xE2\x82\xAC\xFF", "--state"});
    EXPECT_EQ(Str(S, "Text"), test::Latin1("a\"b\\c \xE9?\xFF"));
}

TEST(RenderState, SetValuesReachTheSettersIncludingClamping) {
    const TJson S = StateOf({"--set", "LEDShape=Circle", "--set", "LEDSize=4", "--set", "ActiveLEDOnColor=$00ff00",
                             "--set", "BackgroundColor=0xFFFFFFFF", "--set", "Delay=-5", "--set", "TotalVisible=0",
                             "--set", "TotalVisible=2", "--state"});
    EXPECT_EQ(Str(S, "LEDShape"), U"Circle");
    EXPECT_EQ(Num(S, "LEDSize"), 3);
    EXPECT_EQ(Num(S, "ActiveLEDOnColor"), 0x00FF00);
    EXPECT_EQ(Num(S, "FOnColor"), 0x00FF00);
    EXPECT_EQ(Num(S, "BackgroundColor"), 4294967295.0);
    EXPECT_EQ(Num(S, "Delay"), -5);
    EXPECT_EQ(Num(S, "TotalVisible"), 2);
    EXPECT_EQ(Num(S, "StepToOutside"), 1);
    EXPECT_EQ(Num(S, "Width"), 1 + 4 * 6 * 2);
}

// ---- Effects of the actions ---------------------------------------------------------------

struct TEffectCase {
    const char* Name;
    std::vector<std::string> Args;  // --state is appended
    std::u32string Text;
    int Cursor;
};

std::ostream& operator<<(std::ostream& Os, const TEffectCase& C) { return Os << C.Name; }

class RenderEditing : public ::testing::TestWithParam<TEffectCase> {};

TEST_P(RenderEditing, TextAndCursor) {
    auto Args = GetParam().Args;
    Args.push_back("--state");
    const TJson S = StateOf(Args);
    EXPECT_EQ(Str(S, "Text"), GetParam().Text);
    EXPECT_EQ(Num(S, "FCursorPos"), GetParam().Cursor);
    EXPECT_EQ(Num(S, "FTextLength"), static_cast<double>(GetParam().Text.size()));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Rows, RenderEditing,
    ::testing::Values(
        TEffectCase{"TypeInserts", {"--type", "Hello"}, U"Hello", 5},
        TEffectCase{"TypeDecodesUtf8", {"--type", "\xC3\xA9t\xC3\xA9"}, U"\u00e9t\u00e9", 3},
        TEffectCase{"HomeDelete", {"--set", "Text=Hello", "--key", "Home", "--key", "Delete"}, U"ello", 0},
        TEffectCase{"BackspaceRemovesOne", {"--set", "Text=Hello", "--key", "Backspace"}, U"Hell", 4},
        TEffectCase{"BackspaceByCode", {"--set", "Text=Hello", "--key", "8"}, U"Hell", 4},
        TEffectCase{"EnterTabEscapeTypeNothing", {"--set", "Text=ab", "--key", "Enter", "--key", "Tab", "--key", "Escape"}, U"ab", 2},
        TEffectCase{"LeftThenType", {"--set", "Text=ac", "--key", "Left", "--type", "b"}, U"abc", 2},
        TEffectCase{"InsertTogglesOverwrite", {"--set", "Text=abc", "--key", "Home", "--key", "Insert", "--type", "X"}, U"Xbc", 1},
        TEffectCase{"OverwriteProperty", {"--set", "Text=abc", "--set", "Overwrite=true", "--key", "Home", "--type", "XY"}, U"XYc", 2},
        TEffectCase{"TypeControlCodesIgnored", {"--type", "a\x01\x1f" "b"}, U"ab", 2}));
// clang-format on

struct TFocusCase {
    const char* Name;
    std::vector<std::string> Args;  // --state is appended
    bool Focused;
    int FocusedTabOrder;  // -1: null
    double OnColor;
};

std::ostream& operator<<(std::ostream& Os, const TFocusCase& C) { return Os << C.Name; }

class RenderFocus : public ::testing::TestWithParam<TFocusCase> {};

TEST_P(RenderFocus, FocusAndColours) {
    auto Args = GetParam().Args;
    Args.push_back("--state");
    const TJson S = StateOf(Args);
    EXPECT_EQ(Flag(S, "Focused"), GetParam().Focused);
    if (GetParam().FocusedTabOrder < 0) {
        EXPECT_TRUE(IsNull(S, "FocusedTabOrder"));
    } else {
        EXPECT_EQ(Num(S, "FocusedTabOrder"), GetParam().FocusedTabOrder);
    }
    EXPECT_EQ(Num(S, "FOnColor"), GetParam().OnColor);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Rows, RenderFocus,
    ::testing::Values(
        TFocusCase{"FocusGivesIt", {"--focus"}, true, 0, 255},
        TFocusCase{"BlurTakesItAndDims", {"--focus", "--blur"}, false, -1, 128},
        TFocusCase{"BlurWithoutFocusDoesNothing", {"--blur"}, false, -1, 255},
        TFocusCase{"ClickFocuses", {"--click"}, true, 0, 255},
        TFocusCase{"UpWrapsToLastSibling", {"--siblings", "3", "--focus", "--key", "Up"}, false, 3, 128},
        TFocusCase{"DownGoesToNextSibling", {"--siblings", "3", "--focus", "--key", "Down"}, false, 1, 128},
        TFocusCase{"UpDownWithoutSiblingsStays", {"--focus", "--key", "Up", "--key", "Down"}, true, 0, 255},
        TFocusCase{"TabOrderMovesTheMatrix", {"--siblings", "2", "--set", "TabOrder=2", "--focus"}, true, 2, 255},
        TFocusCase{"DownFromLastWrapsToFirst", {"--siblings", "2", "--set", "TabOrder=2", "--focus", "--key", "Down"}, false, 0, 128}));
// clang-format on

TEST(RenderGlyphs, GlyphAndColumnChangeTheTable) {
    const TJson S = StateOf({"--glyph", "65=7f,41,41,41,7F", "--column", "65,2=8", "--column", "66,9=ff", "--state"});
    const std::u32string Table = Str(S, "CharTable");
    EXPECT_EQ(Table.substr(65 * 10, 10), U"7f4108417f");
}

// ---- Pictures -----------------------------------------------------------------------------

// The LED in grid column C, row R fills a 2 x 2 box at (1 + 3C, 1 + 3R) with the default size
// 2 and distance 1; everything between LEDs is the background.
TEST(RenderPicture, PngAndPpmHoldTheSameExactPicture) {
    TScratchDir Dir;
    // An 'H' of our own, so that the picture does not depend on the built-in font.
    const TRunResult R =
        RunTool(Render({"--glyph", "72=7f,08,08,08,7f", "--set", "Text=H", "--save", "out.png", "--save", "out.ppm"}),
                "", Dir.Path());
    ASSERT_EQ(R.Status, 0) << R.Err;
    const TRgbImage Png = ReadPng(Dir.File("out.png"));
    const TRgbImage Ppm = ReadPpm(Dir.File("out.ppm"));
    ASSERT_EQ(Png.Width, 181);
    ASSERT_EQ(Png.Height, 28);
    EXPECT_TRUE(Png == Ppm);

    const std::vector<std::string> H = {"X...X.", "X...X.", "X...X.", "XXXXX.", "X...X.", "X...X.", "X...X."};
    constexpr host::TColor Lit = 0x0000FF;    // ActiveLEDOnColor 255: pure red
    constexpr host::TColor Unlit = 0x000040;  // ActiveLEDOffColor 64
    for (int r = 0; r < 7; ++r) {
        for (int c = 0; c < 6; ++c) {
            const host::TColor Want = H[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] == 'X' ? Lit : Unlit;
            for (int dy = 0; dy < 2; ++dy) {
                for (int dx = 0; dx < 2; ++dx) {
                    EXPECT_EQ(Png.At(1 + 3 * c + dx, 1 + 3 * r + dy), Want) << "LED " << c << "," << r;
                }
            }
            EXPECT_EQ(Png.At(3 * c, 1 + 3 * r), 0U) << "gap left of LED " << c << "," << r;
        }
    }
    for (int x = 0; x < Png.Width; ++x) EXPECT_EQ(Png.At(x, 0), 0U) << "top margin at " << x;
    // The second cell, after the cursor-less 'H', is empty text: all unlit.
    EXPECT_EQ(Png.At(1 + 3 * 6, 1), Unlit);
}

TEST(RenderPicture, SizeFollowsTheGeometry) {
    TScratchDir Dir;
    const TRunResult R = RunTool(Render({"--set", "LEDSize=3", "--set", "LEDDistance=2", "--set", "TotalVisible=3",
                                         "--save", "a.ppm", "--set", "Scroll=true", "--paint", "--save", "b.ppm"}),
                                 "", Dir.Path());
    ASSERT_EQ(R.Status, 0) << R.Err;
    const TRgbImage Edit = ReadPpm(Dir.File("a.ppm"));
    EXPECT_EQ(Edit.Width, 2 + 5 * 6 * 3);
    EXPECT_EQ(Edit.Height, 2 + 5 * 9);
    const TRgbImage Marquee = ReadPpm(Dir.File("b.ppm"));
    EXPECT_EQ(Marquee.Width, 2 + 5 * 6 * 3);
    EXPECT_EQ(Marquee.Height, 2 + 5 * 7);
}

TEST(RenderPicture, UnwritableFileFailsWithExitOneAndLeavesNothing) {
    TScratchDir Dir;
    const TRunResult R = RunTool(Render({"--save", Dir.File("missing/dir/out.png"), "--state"}));
    EXPECT_EQ(R.Status, 1);
    EXPECT_EQ(R.ErrLines().size(), 1U);
    EXPECT_NE(R.Err.find("missing/dir/out.png"), std::string::npos);
    EXPECT_FALSE(AnyLineStartsWithBrace(R));  // stopped at the failing action
    EXPECT_FALSE(test::FileExists(Dir.File("missing")));
}

// Standard output on a full device: the lost output must not be reported as a success.
TEST(RenderOutput, WriteToAFullDeviceFailsWithExitOne) {
    if (!test::FileExists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    for (const char* Args : {"render --state", "render --set Text=Hi --print", "--version", "render --help"}) {
        const std::string Command = std::string("'") + VYRMATRIX_BINARY + "' " + Args + " >/dev/full 2>/dev/null";
        const int Status = std::system(Command.c_str());
        ASSERT_TRUE(WIFEXITED(Status)) << Args;
        EXPECT_EQ(WEXITSTATUS(Status), 1) << Args;
    }
}

TEST(RenderPicture, PrintDrawsTwoPixelRowsPerLine) {
    const TRunResult R = RunTool(Render({"--set", "TotalVisible=1", "--print"}));
    ASSERT_EQ(R.Status, 0);
    const auto Lines = R.OutLines();
    ASSERT_EQ(Lines.size(), 14U);  // 28 pixel rows
    for (const auto& L : Lines) {
        std::size_t Blocks = 0;
        for (std::size_t At = L.find("\u2580"); At != std::string::npos; At = L.find("\u2580", At + 1)) ++Blocks;
        EXPECT_EQ(Blocks, 19U);  // 1 + 3 x 6 pixel columns
        EXPECT_EQ(L.substr(L.size() - 4), "\x1b[0m");
    }
    // Top line: margin row (black) over the first LED row; LED pixels are lit or unlit red.
    EXPECT_NE(Lines[0].find("\x1b[38;2;0;0;0m"), std::string::npos);
    EXPECT_NE(Lines[0].find("\x1b[48;2;64;0;0m"), std::string::npos);
}

TEST(RenderFormStorage, SavedFormLoadsBackToTheSameState) {
    TScratchDir Dir;
    const std::vector<std::string> Settings = {
        "--set", "Text=Hi \xC3\xA9", "--set", "LEDShape=Circle", "--set", "ActiveLEDOffColor=$123456",
        "--set", "Delay=-7",         "--set", "StepActive=true"};
    std::vector<std::string> Save = {"--save-form", Dir.File("a.dfm")};
    Save.insert(Save.end(), Settings.begin(), Settings.end());
    Save.push_back("--state");
    const TJson Saved = StateOf(Save);
    const TJson Loaded = StateOf({"--load-form", Dir.File("a.dfm"), "--state"});
    for (const char* Key :
         {"Text", "LEDShape", "LEDSize", "ActiveLEDOffColor", "Delay", "StepActive", "Width", "Height"}) {
        const TJson& A = Saved.Object->at(Key);
        const TJson& B = Loaded.Object->at(Key);
        EXPECT_TRUE(A.Kind == B.Kind && A.Number == B.Number && A.Bool == B.Bool && A.String == B.String) << Key;
    }
}

TEST(RenderFormStorage, ReferencedCharSetComesWithTheForm) {
    TScratchDir Dir;
    {
        std::ofstream F(Dir.File("cs.dfm"));
        F << "object Matrix7: TEditMatrix\n  Charset = CharSet1\nend\nobject CharSet1: TCharSet\nend\n";
    }
    const TJson S = StateOf({"--load-form", Dir.File("cs.dfm"), "--save-form", Dir.File("out.dfm"), "--state"});
    EXPECT_EQ(Str(S, "Charset"), U"CharSet1");
    EXPECT_EQ(Str(S, "Name"), U"Matrix7");
    const TJson Again = StateOf({"--load-form", Dir.File("out.dfm"), "--state"});
    EXPECT_EQ(Str(Again, "Charset"), U"CharSet1");
}

// Names are 8-bit text: a referenced component whose name holds code 255 must still give a
// valid state line, with the code as U+00FF like the matrix's own name.
TEST(RenderFormStorage, CharsetNameWithAn8BitCodeStaysValidJson) {
    TScratchDir Dir;
    {
        std::ofstream F(Dir.File("cs.dfm"));
        F << "object \"M\\xff\": TEditMatrix\n  Charset = \"C\\xff\"\nend\nobject \"C\\xff\": TCharSet\nend\n";
    }
    const TJson S = StateOf({"--load-form", Dir.File("cs.dfm"), "--state"});
    EXPECT_EQ(Str(S, "Charset"), U"C\u00FF");
    EXPECT_EQ(Str(S, "Name"), U"M\u00FF");
}

TEST(RenderFormStorage, UnreadableOrBrokenFormIsABadArgumentAndNothingRuns) {
    TScratchDir Dir;
    {
        std::ofstream F(Dir.File("bad.dfm"));
        F << "object M: TEditMatrix\n  LEDSize = 300\nend\n";
    }
    for (const std::string& Form : {Dir.File("missing.dfm"), Dir.File("bad.dfm")}) {
        const TRunResult R = RunTool(Render(
            {"--load-form", Form, "--save-form", Dir.File("out.dfm"), "--state", "--save", Dir.File("out.png")}));
        EXPECT_EQ(R.Status, 2) << Form;
        ASSERT_EQ(R.ErrLines().size(), 1U) << R.Err;
        EXPECT_NE(R.Err.find(Form), std::string::npos) << R.Err;
        EXPECT_FALSE(AnyLineStartsWithBrace(R));
        EXPECT_FALSE(test::FileExists(Dir.File("out.dfm")));
        EXPECT_FALSE(test::FileExists(Dir.File("out.png")));
    }
}

}  // namespace
}  // namespace vyr::cli
