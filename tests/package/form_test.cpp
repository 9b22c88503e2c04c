// The host's form storage: writing published properties in declared order without defaults,
// reading them back through the setters in file order, and rejecting bad form files whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>

#include <unistd.h>

#include "support/test_support.h"
#include "vyr/CharSet.h"
#include "vyr/EditMatrix.h"
#include "vyr/Register.h"
#include "vyr/host/FormStorage.h"
#include "vyr/host/Registry.h"

namespace vyr::test {
namespace {

using host::EFormError;
using host::TComponent;
using host::TPropValue;

// A component with one raw 8-bit string property, "Data", that stores every code unchanged.
class TStringProbe : public TComponent {
public:
    using TComponent::TComponent;
    [[nodiscard]] std::string_view ClassName() const override { return "TStringProbe"; }
    [[nodiscard]] const host::TPropList& Properties() const override {
        static const host::TPropList List = [this] {
            host::TPropList L = TComponent::Properties();
            host::TPropInfo Info;
            Info.Name = "Data";
            Info.Kind = host::TTypeKind::String;
            Info.TypeName = "AnsiString";
            Info.Get = [](const TComponent& C) -> TPropValue { return static_cast<const TStringProbe&>(C).Data; };
            Info.Set = [](TComponent& C, const TPropValue& V) {
                static_cast<TStringProbe&>(C).Data = std::get<host::AnsiString>(V);
            };
            L.push_back(Info);
            return L;
        }();
        return List;
    }
    host::AnsiString Data;
};

class TRegistered : public testing::Environment {
public:
    void SetUp() override {
        RegisterComponentUnits();
        host::RegisterComponents("Probes", {host::ComponentClassOf<TStringProbe>("TStringProbe")});
    }
};
const auto* const Registered = testing::AddGlobalTestEnvironment(new TRegistered);

std::vector<std::string> Lines(const std::string& Text) {
    std::vector<std::string> Out;
    std::size_t At = 0;
    while (At < Text.size()) {
        const auto End = Text.find('\n', At);
        Out.push_back(Text.substr(At, End - At));
        At = End == std::string::npos ? Text.size() : End + 1;
    }
    return Out;
}

// ---- Writing ------------------------------------------------------------------------------------

TEST(FormWriting, FreshMatrixWritesOnlyWhatDiffersFromItsDeclaredDefaults) {
    TEditMatrix Matrix(nullptr);
    Matrix.SetName("EditMatrix1");
    // TabStop: a new control is a tab stop while the declared default is false; Text has no
    // default and is always written.
    EXPECT_EQ(host::WriteComponentText(Matrix),
              "object EditMatrix1: TEditMatrix\n  TabStop = True\n  Text = \"\"\nend\n");
    TCharSet CharSet(nullptr);
    EXPECT_EQ(host::WriteComponentText(CharSet), "object \"\": TCharSet\nend\n")
        << "a name that is no identifier is quoted";
}

TEST(FormWriting, ReferenceToAComponentWithoutNameCannotBeWritten) {
    TEditMatrix Matrix(nullptr);
    TCharSet CharSet(nullptr);
    Matrix.SetName("M");
    Matrix.FSetCharSet(&CharSet);
    EXPECT_THROW((void)host::WriteComponentText(Matrix), EFormError);
    CharSet.SetName("CharSet1");
    EXPECT_NE(host::WriteComponentText(Matrix).find("  Charset = CharSet1\n"), std::string::npos);
}

// ---- Round trips --------------------------------------------------------------------------------

TEST(FormRoundTrip, EveryPublishedPropertyKeepsItsValueInDeclaredOrder) {
    TFormWithMatrix Source(2);
    TEditMatrix& M = *Source.Matrix;
    auto* CharSet = new TCharSet(Source.Form.get());
    CharSet->SetName("CharSet1");
    M.SetName("Marquee");
    M.SetTag(-7);
    M.FSetScroll(true);  // before ActiveLED: switching to scroll mode makes ActiveLED true
    M.FSetDelay(250);
    M.FSetBlinkOffColor(0x123456);
    M.FSetBlinkDelay(40);
    M.FSetActiveLED(false);
    M.FSetActiveLEDOnColor(0x00FF00);
    M.FSetActiveLEDOffColor(0x002000);
    M.FSetBackgroundColor(0xFF101010);
    M.FSetCharSet(CharSet);
    M.FSetInactiveLEDOnColor(0x808000);
    M.FSetInactiveLEDOffColor(0x0000FF);
    M.FSetLEDShape(EShape::Circle);
    M.FSetLEDSize(5);
    M.FSetLEDDistance(0);
    M.FSetStepActive(true);
    M.FSetStep(4);
    M.SetTabOrder(1);
    M.SetTabStop(false);
    M.FSetText("Say \"hi\" \\ \xE6\xF8\xE5 @C00FF00!");
    M.FSetTotalVisible(12);
    M.FSetOverwrite(true);

    const std::string Text = host::WriteComponentsText({&M, CharSet});
    // One line per property, none at its default, in the order the class declares them.
    std::vector<std::string> Written;
    for (const auto& Line : Lines(Text)) {
        if (Line.rfind("  ", 0) == 0) Written.push_back(Line.substr(2, Line.find(' ', 2) - 2));
    }
    std::vector<std::string> Declared;
    for (const auto& Info : M.Properties()) {
        if (Info.Name != "Name") Declared.emplace_back(Info.Name);
    }
    EXPECT_EQ(Written, Declared) << Text;
    EXPECT_EQ(Lines(Text).front(), "object Marquee: TEditMatrix");
    EXPECT_NE(Text.find("  LEDShape = Circle\n"), std::string::npos);
    EXPECT_NE(Text.find("  BackgroundColor = $FF101010\n"), std::string::npos);

    TFormWithMatrix Target(2);
    host::LoadComponentText(*Target.Matrix, Text, "roundtrip.vfm");
    for (const auto& Info : M.Properties()) {
        if (Info.Kind == host::TTypeKind::Component) continue;
        EXPECT_EQ(Info.Get(*Target.Matrix), Info.Get(M)) << Info.Name;
    }
    ASSERT_NE(Target.Matrix->Charset(), nullptr);
    EXPECT_EQ(Target.Matrix->Charset()->Name(), "CharSet1");
    EXPECT_EQ(Target.Matrix->Charset()->Owner(), Target.Form.get()) << "the further objects join the target's owner";
    EXPECT_EQ(Target.Matrix->TabOrder(), 1);
    EXPECT_EQ(host::WriteComponentsText({Target.Matrix, Target.Matrix->Charset()}), Text);
}

// TabStop's declared default is false but a new control is a tab stop: a control whose TabStop
// was turned off must say so in its form, or it comes back as a tab stop.
TEST(FormRoundTrip, TabStopTurnedOffStaysOffAfterLoading) {
    TEditMatrix Source(nullptr);
    Source.SetTabStop(false);
    const std::string Text = host::WriteComponentText(Source);
    EXPECT_NE(Text.find("  TabStop = False\n"), std::string::npos) << Text;
    std::unique_ptr<TComponent> Read(host::ReadFormText(Text, "tabstop.vfm", nullptr, nullptr));
    EXPECT_FALSE(dynamic_cast<TEditMatrix&>(*Read).TabStop());
}

struct TClampCase {
    const char* Name;
    const char* Lines;
    int TotalVisible;
    int StepToOutside;
};
void PrintTo(const TClampCase& Case, std::ostream* Os) { *Os << Case.Name; }

class FormStepToOutside : public testing::TestWithParam<TClampCase> {};

TEST_P(FormStepToOutside, IsClampedAgainstTheWidthInForceWhenItIsRead) {
    TEditMatrix Matrix(nullptr);
    host::LoadComponentText(Matrix, std::string("object M: TEditMatrix\n") + GetParam().Lines + "end\n", "clamp.vfm");
    EXPECT_EQ(Matrix.TotalVisible(), GetParam().TotalVisible);
    EXPECT_EQ(Matrix.StepToOutside(), GetParam().StepToOutside);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, FormStepToOutside,
    testing::Values(TClampCase{"StoredOrder", "  StepToOutside = 8\n  TotalVisible = 20\n", 20, 5},
                    TClampCase{"WidthFirst", "  TotalVisible = 20\n  StepToOutside = 8\n", 20, 8},
                    TClampCase{"Zero", "  StepToOutside = 0\n", 10, 1},
                    TClampCase{"NarrowWidthFirst", "  TotalVisible = 1\n  StepToOutside = 3\n", 1, 0}),
    [](const auto& Info) { return std::string(Info.param.Name); });
// clang-format on

TEST(FormRoundTrip, WidthAndStepSavedTogetherComeBackClamped) {
    TEditMatrix Source(nullptr);
    Source.FSetTotalVisible(20);
    Source.FSetStep(8);
    ASSERT_EQ(Source.StepToOutside(), 8);
    TEditMatrix Target(nullptr);
    host::LoadComponentText(Target, host::WriteComponentText(Source), "clamp.vfm");
    EXPECT_EQ(Target.TotalVisible(), 20);
    EXPECT_EQ(Target.StepToOutside(), 5) << "StepToOutside is stored, and read, before TotalVisible";
}

TEST(FormStrings, EveryEightBitCodeRoundTripsAsPrintableText) {
    TStringProbe Probe(nullptr);
    Probe.SetName("Probe");
    for (int C = 0; C < 256; ++C) Probe.Data += static_cast<char>(C);
    const std::string Text = host::WriteComponentText(Probe);
    for (char C : Text)
        EXPECT_TRUE(C == '\n' || (C >= 32 && C <= 126)) << static_cast<int>(static_cast<unsigned char>(C));

    std::unique_ptr<TComponent> Read(host::ReadFormText(Text, "bytes.vfm", nullptr, nullptr));
    ASSERT_EQ(Read->ClassName(), "TStringProbe");
    EXPECT_EQ(static_cast<TStringProbe&>(*Read).Data, Probe.Data);
    EXPECT_EQ(Read->Name(), "Probe");

    // The matrix stores codes below 32 as spaces; every other code comes back as it was.
    TEditMatrix Matrix(nullptr);
    std::string Codes;
    for (int C = 1; C < 256; ++C) Codes += static_cast<char>(C);
    Matrix.FSetText(Codes);
    TEditMatrix Back(nullptr);
    host::LoadComponentText(Back, host::WriteComponentText(Matrix), "text.vfm");
    EXPECT_EQ(Back.Text(), std::string(31, ' ') + Codes.substr(31));
}

TEST(FormStrings, QuotingEscapesQuotesBackslashesAndNonPrintableCodes) {
    struct TCase {
        std::string Value;
        std::string Quoted;
    };
    for (const auto& Case : {TCase{"", "\"\""}, TCase{"a\"b", "\"a\\\"b\""}, TCase{"a\\b", "\"a\\\\b\""},
                             TCase{std::string(1, '\0'), "\"\\x00\""}, TCase{"\t\x7F\xFF", "\"\\x09\\x7F\\xFF\""},
                             TCase{" ~", "\" ~\""}}) {
        EXPECT_EQ(host::QuoteFormString(Case.Value), Case.Quoted);
    }
}

TEST(FormReading, AcceptsCommentsBlankLinesCaseAndHexadecimal) {
    TFormWithMatrix Form;
    const char* Text =
        "# a matrix and its character set\r\n"
        "\r\n"
        "OBJECT cs: tcharset\r\n"
        "END\r\n"
        "object m: TEditMatrix\n"
        "    ledshape = circle\n"
        "\tBackgroundColor = 0x00ff00\n"
        "  ActiveLEDOnColor = $FF\n"
        "  Scroll = false\n"
        "  Tag = -12\n"
        "  CHARSET = CS\n"
        "end";
    const auto Made = host::ReadFormObjects(Text, "mixed.vfm", Form.Form.get(), Form.Form.get());
    ASSERT_EQ(Made.size(), 2U);
    auto* M = dynamic_cast<TEditMatrix*>(Made[1]);
    ASSERT_NE(M, nullptr);
    EXPECT_EQ(M->Parent(), Form.Form.get());
    EXPECT_EQ(M->LEDShape(), EShape::Circle);
    EXPECT_EQ(M->LEDSize(), 3);
    EXPECT_EQ(M->BackgroundColor(), 0x00FF00U);
    EXPECT_EQ(M->ActiveLEDOnColor(), 0xFFU);
    EXPECT_EQ(M->Tag(), -12);
    EXPECT_EQ(M->Charset(), Made[0]);
}

TEST(FormFiles, SaveAndLoadThroughFilesAndReportFilesThatCannotBeUsed) {
    const auto Dir = std::filesystem::temp_directory_path() / ("vyrform-" + std::to_string(::getpid()));
    std::filesystem::create_directories(Dir);
    const std::string Path = (Dir / "matrix.vfm").string();
    TEditMatrix Source(nullptr);
    Source.SetName("M");
    Source.FSetDelay(33);
    host::SaveComponentToFile(Source, Path);
    TEditMatrix Target(nullptr);
    host::LoadComponentFromFile(Target, Path);
    EXPECT_EQ(Target.Delay(), 33);
    EXPECT_EQ(Target.Name(), "M");

    const std::string Missing = (Dir / "missing.vfm").string();
    try {
        host::LoadComponentFromFile(Target, Missing);
        ADD_FAILURE() << "loaded";
    } catch (const EFormError& E) {
        EXPECT_EQ(std::string(E.what()), Missing + ":0: cannot read the file: No such file or directory");
    }
    try {
        host::SaveComponentToFile(Source, Dir.string());
        ADD_FAILURE() << "saved";
    } catch (const EFormError& E) {
        EXPECT_EQ(std::string(E.what()), Dir.string() + ":0: cannot write the file: Is a directory");
    }
    std::filesystem::remove_all(Dir);
}

// ---- Bad input ----------------------------------------------------------------------------------

struct TBadCase {
    const char* Name;
    std::string Text;
    int Line;
    std::string Message;
};
void PrintTo(const TBadCase& Case, std::ostream* Os) { *Os << Case.Name; }

class FormRejects : public testing::TestWithParam<TBadCase> {};

// Read onto a form that already has a matrix and a component named "Taken": the error names the
// file and line and what was expected, and the form gains nothing.
TEST_P(FormRejects, WithFileLineAndExpectationCreatingNothing) {
    const auto& Case = GetParam();
    TFormWithMatrix Form;
    (new TCharSet(Form.Form.get()))->SetName("Taken");
    // Read after the try block; on the path where FAIL() returns it is not, which is no fault.
    // NOLINTNEXTLINE(clang-analyzer-deadcode.DeadStores)
    const int Before = Form.Form->ComponentCount();
    const std::string MatrixBefore = host::WriteComponentText(*Form.Matrix);
    try {
        host::ReadFormObjects(Case.Text, "bad.vfm", Form.Form.get(), Form.Form.get());
        FAIL() << "accepted";
    } catch (const EFormError& E) {
        EXPECT_EQ(std::string(E.what()), "bad.vfm:" + std::to_string(Case.Line) + ": " + Case.Message);
        EXPECT_EQ(E.Line(), Case.Line);
        EXPECT_EQ(E.FileName(), "bad.vfm");
    }
    EXPECT_EQ(Form.Form->ComponentCount(), Before);
    EXPECT_EQ(host::WriteComponentText(*Form.Matrix), MatrixBefore);
}

std::string Matrix(const std::string& Body) { return "object M1: TEditMatrix\n" + Body + "end\n"; }

const std::string AllProperties =
    "Tag, Scroll, Delay, BlinkOffColor, BlinkDelay, ActiveLED, ActiveLEDOnColor, ActiveLEDOffColor, BackgroundColor, "
    "Charset, InactiveLEDOnColor, InactiveLEDOffColor, LEDShape, LEDSize, LEDDistance, StepActive, StepToOutside, "
    "TabOrder, TabStop, Text, TotalVisible, Overwrite";
const std::string Integer = "an integer in -2147483648..2147483647 (Integer)";

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, FormRejects,
    testing::Values(
        TBadCase{"UnknownClass", "object X: TFoo\nend\n", 1,
                 "unknown class 'TFoo': expected a registered component class (TCharSet, TEditMatrix, TStringProbe)"},
        TBadCase{"UnknownProperty", Matrix("  Colour = 5\n"), 2, "unknown property 'Colour' of TEditMatrix: expected one of " + AllProperties},
        TBadCase{"StringForInteger", Matrix("  Delay = \"fast\"\n"), 2, "wrong value for Delay: expected " + Integer + ", found a string"},
        TBadCase{"NumberForBoolean", Matrix("  Scroll = 1\n"), 2, "wrong value for Scroll: expected True or False, found the number 1"},
        TBadCase{"NameForString", Matrix("  Text = Hello\n"), 2, "wrong value for Text: expected a quoted string, found 'Hello'"},
        TBadCase{"UnknownEnumName", Matrix("  LEDShape = Triangle\n"), 2, "wrong value for LEDShape: expected one of Square, Circle, found 'Triangle'"},
        TBadCase{"StringForReference", Matrix("  Charset = 5\n"), 2, "wrong value for Charset: expected the name of a TCharSet or nil, found the number 5"},
        TBadCase{"ByteAbove255", Matrix("  LEDSize = 256\n"), 2, "the value 256 is out of range for LEDSize: expected an integer in 0..255 (Byte)"},
        TBadCase{"NegativeByte", Matrix("  TotalVisible = -1\n"), 2, "the value -1 is out of range for TotalVisible: expected an integer in 0..255 (Byte)"},
        TBadCase{"IntegerBeyond32Bits", Matrix("  Delay = 2147483648\n"), 2, "the value 2147483648 is out of range for Delay: expected " + Integer},
        TBadCase{"IntegerBeyond64Bits", Matrix("  Tag = -99999999999999999999999\n"), 2, "the value -99999999999999999999999 is out of range for Tag: expected " + Integer},
        TBadCase{"NegativeColour", Matrix("  BackgroundColor = -1\n"), 2, "the value -1 is out of range for BackgroundColor: expected an integer in 0..4294967295 (TColor)"},
        TBadCase{"ColourBeyond32Bits", Matrix("  BackgroundColor = $100000000\n"), 2, "the value $100000000 is out of range for BackgroundColor: expected an integer in 0..4294967295 (TColor)"},
        TBadCase{"EnumOrdinal", Matrix("  LEDShape = 2\n"), 2, "the value 2 is out of range for LEDShape: expected one of Square, Circle"},
        TBadCase{"TabOrderBelowMinusOne", Matrix("  TabOrder = -2\n"), 2, "the value -2 is out of range for TabOrder: expected an integer in -1..32767 (TTabOrder)"},
        TBadCase{"UnterminatedString", Matrix("  Text = \"abc\n"), 2, "unterminated string: expected a closing '\"' before the end of the line"},
        TBadCase{"StringEndingInBackslash", Matrix("  Text = \"abc\\\n"), 2, "unterminated string: expected a closing '\"' before the end of the line"},
        TBadCase{"UnknownEscape", Matrix("  Text = \"a\\nb\"\n"), 2, "unknown escape \\n in a string: expected \\\", \\\\ or \\xHH"},
        TBadCase{"ShortHexEscape", Matrix("  Text = \"\\x4\"\n"), 2, "malformed escape in a string: expected \\x and two hexadecimal digits"},
        TBadCase{"RawEightBitCode", Matrix("  Text = \"caf\xC3\xA9\"\n"), 2, "the byte 0xC3 in a string: expected printable ASCII, other codes written as \\xHH"},
        TBadCase{"TruncatedObject", "object M1: TEditMatrix\n  Delay = 5\n", 2, "unexpected end of file: expected 'end' to close object M1 (line 1)"},
        TBadCase{"TruncatedHeader", "object M1:", 1, "expected a class name after ':', found the end of the line"},
        TBadCase{"Empty", "", 1, "unexpected end of file: expected 'object NAME: CLASS'"},
        TBadCase{"OnlyComments", "# nothing\n\n", 2, "unexpected end of file: expected 'object NAME: CLASS'"},
        TBadCase{"MissingEquals", Matrix("  Delay 5\n"), 2, "expected '=' after Delay, found the number 5"},
        TBadCase{"TwoValues", Matrix("  Delay = 5 6\n"), 2, "found the number 6 after the value of Delay: expected the end of the line"},
        TBadCase{"MalformedNumber", Matrix("  Delay = 12ab\n"), 2, "malformed number '12ab': expected decimal digits or $ and hexadecimal digits"},
        TBadCase{"StrayCharacter", Matrix("  Delay = @\n"), 2, "unexpected character '@': expected a name, a number or a quoted string"},
        TBadCase{"ControlCharacter", Matrix("  Delay = \x01\n"), 2, "unexpected character 0x01: expected a name, a number or a quoted string"},
        TBadCase{"HeaderWithoutColon", "object M1 TEditMatrix\nend\n", 1, "expected ':' and the class after the name M1, found 'TEditMatrix'"},
        TBadCase{"NoObjectLine", "M1: TEditMatrix\nend\n", 1, "expected 'object NAME: CLASS', found 'M1'"},
        TBadCase{"NestedObject", "object A: TEditMatrix\nobject B: TCharSet\nend\nend\n", 2, "expected 'end' to close object A (line 1) before the next object"},
        TBadCase{"NumberAsProperty", Matrix("  5 = 3\n"), 2, "expected a line 'PROPERTY = VALUE' or 'end', found the number 5"},
        TBadCase{"TextAfterEnd", "object A: TCharSet\nend x\n", 2, "found 'x' after 'end': expected the end of the line"},
        TBadCase{"UnknownReference", Matrix("  Charset = CS9\n"), 2, "unknown component 'CS9' for Charset: expected the name of a TCharSet in this file or on the form"},
        TBadCase{"ReferenceOfWrongClass", Matrix("  Charset = M2\n") + "object M2: TEditMatrix\nend\n", 2, "wrong component for Charset: expected a TCharSet, M2 is a TEditMatrix"},
        TBadCase{"DuplicateName", "object A: TCharSet\nend\nobject a: TCharSet\nend\n", 3, "a second component named a: expected every name once"},
        TBadCase{"NameTaken", "object Taken: TCharSet\nend\n", 1, "a component named Taken already exists: expected a new name"},
        TBadCase{"NameProperty", Matrix("  Name = \"X\"\n"), 2, "the name is given on the object line: expected any property but Name"},
        TBadCase{"BadLineAfterGoodObjects", "object A: TCharSet\nend\n" + Matrix("  Delay = 5\n  Scroll = maybe\n"), 5,
                 "wrong value for Scroll: expected True or False, found 'maybe'"}),
    [](const auto& Info) { return std::string(Info.param.Name); });
// clang-format on

TEST(FormLoading, TargetIsUnchangedWhenAnyLaterPartIsBad) {
    struct TCase {
        std::string Text;
        std::string Message;
    };
    for (const auto& Case : {
             TCase{"object M1: TEditMatrix\n  Delay = 7\n  LEDSize = 300\nend\n",
                   "t.vfm:3: the value 300 is out of range for LEDSize: expected an integer in 0..255 (Byte)"},
             TCase{"object M1: TEditMatrix\n  Delay = 7\nend\nobject C: TFoo\nend\n",
                   "t.vfm:4: unknown class 'TFoo': expected a registered component class (TCharSet, TEditMatrix, "
                   "TStringProbe)"},
             TCase{"object M1: TCharSet\nend\n", "t.vfm:1: the object is a TCharSet: expected a TEditMatrix"},
         }) {
        TFormWithMatrix Form;
        Form.Matrix->SetName("Original");
        const int Before = Form.Form->ComponentCount();
        const std::string Written = host::WriteComponentText(*Form.Matrix);
        try {
            host::LoadComponentText(*Form.Matrix, Case.Text, "t.vfm");
            ADD_FAILURE() << "accepted";
        } catch (const EFormError& E) {
            EXPECT_EQ(std::string(E.what()), Case.Message);
        }
        EXPECT_EQ(host::WriteComponentText(*Form.Matrix), Written);
        EXPECT_EQ(Form.Matrix->Delay(), 100);
        EXPECT_EQ(Form.Form->ComponentCount(), Before);
    }
}

// A component whose constructor raises on its FailAt-th construction (0: never).
class TFailingProbe : public TComponent {
public:
    explicit TFailingProbe(TComponent* AOwner) : TComponent(AOwner) {
        if (++Made == FailAt) throw std::runtime_error("probe refused");
    }
    [[nodiscard]] std::string_view ClassName() const override { return "TFailingProbe"; }
    static inline int Made = 0;
    static inline int FailAt = 0;
};

TEST(FormLoading, TargetKeepsItsNameWhenALaterComponentCannotBeCreated) {
    host::RegisterComponents("Probes", {host::ComponentClassOf<TFailingProbe>("TFailingProbe")});
    TFormWithMatrix Form;
    Form.Matrix->SetName("Original");
    const int Before = Form.Form->ComponentCount();
    // The reader checks the text against a first instance and makes the real one second.
    TFailingProbe::Made = 0;
    TFailingProbe::FailAt = 2;
    EXPECT_THROW(host::LoadComponentText(*Form.Matrix,
                                         "object M1: TEditMatrix\n  Delay = 7\nend\n"
                                         "object P: TFailingProbe\nend\n",
                                         "t.vfm"),
                 std::runtime_error);
    TFailingProbe::FailAt = 0;
    EXPECT_TRUE(host::UnregisterComponentClass("TFailingProbe"));
    EXPECT_EQ(Form.Matrix->Name(), "Original");
    EXPECT_EQ(Form.Matrix->Delay(), 100);
    EXPECT_EQ(Form.Form->ComponentCount(), Before);
}

// A matrix whose TotalVisible setter refuses 13, as a setter with a rule of its own might: the
// reader's checks cannot see that coming, so the refusal comes while the form is being applied.
class TRefusingMatrix : public TEditMatrix {
public:
    using TEditMatrix::TEditMatrix;
    [[nodiscard]] const host::TPropList& Properties() const override {
        static const host::TPropList List = [this] {
            host::TPropList L = TEditMatrix::Properties();
            for (auto& Info : L) {
                if (Info.Name != "TotalVisible") continue;
                Info.Set = [Inner = Info.Set](TComponent& C, const TPropValue& V) {
                    if (std::get<std::int64_t>(V) == 13) throw std::invalid_argument("13 cells are unlucky");
                    Inner(C, V);
                };
            }
            return L;
        }();
        return List;
    }
};

TEST(FormLoading, ASetterRefusingTheFifthPropertyUndoesTheFourBeforeIt) {
    TFormWithMatrix Form;
    auto* M = new TRefusingMatrix(Form.Form.get());
    M->SetParent(Form.Form.get());
    M->SetName("Original");
    M->FSetText("Kept");
    M->FSetLEDSize(4);
    const int Before = Form.Form->ComponentCount();
    const std::string Written = host::WriteComponentText(*M);

    // Four properties are set (one of them a reference to a component the load creates, one a
    // shape that also rounds the LED size) before the fifth is refused.
    const std::string Text =
        "object M1: TEditMatrix\n"
        "  Delay = 7\n"
        "  Charset = CS\n"
        "  LEDShape = Circle\n"
        "  Text = \"Changed\"\n"
        "  TotalVisible = 13\n"
        "end\n"
        "object CS: TCharSet\n"
        "end\n";
    try {
        host::LoadComponentText(*M, Text, "t.vfm");
        ADD_FAILURE() << "accepted";
    } catch (const EFormError& E) {
        EXPECT_STREQ(E.what(), "t.vfm:6: the value of TotalVisible was refused: 13 cells are unlucky");
        EXPECT_EQ(E.Line(), 6);
    }
    EXPECT_EQ(M->Name(), "Original");
    EXPECT_EQ(M->Delay(), 100);
    EXPECT_EQ(M->Charset(), nullptr);
    EXPECT_EQ(M->LEDShape(), EShape::Square);
    EXPECT_EQ(M->LEDSize(), 4) << "set back after the shape that had rounded it";
    EXPECT_EQ(M->Text(), "Kept");
    EXPECT_EQ(M->TotalVisible(), 10);
    EXPECT_EQ(host::WriteComponentText(*M), Written);
    EXPECT_EQ(Form.Form->ComponentCount(), Before) << "the TCharSet the load made is gone";

    // The same text without the unlucky width loads in full.
    const std::string Lucky = std::string(Text).replace(Text.find("13"), 2, "12");
    host::LoadComponentText(*M, Lucky, "t.vfm");
    EXPECT_EQ(M->Name(), "M1");
    EXPECT_EQ(M->TotalVisible(), 12);
    ASSERT_NE(M->Charset(), nullptr);
    EXPECT_EQ(M->Charset()->Name(), "CS");
}

TEST(FormLoading, WithoutOwnerOnlyOneObjectIsAccepted) {
    const std::string Text = "object A: TCharSet\nend\nobject B: TCharSet\nend\n";
    try {
        host::ReadFormText(Text, "two.vfm", nullptr, nullptr);
        FAIL() << "accepted";
    } catch (const EFormError& E) {
        EXPECT_STREQ(E.what(), "two.vfm:3: a second object: expected one object, as no owner takes the others");
    }
}

}  // namespace
}  // namespace vyr::test
