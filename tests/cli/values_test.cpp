// Parsing of command-line values: what each type accepts, and where it stops.
#include <gtest/gtest.h>

#include <limits>

#include "support/test_support.h"
#include "values.h"

namespace vyr::cli {
namespace {

using host::TPropValue;

struct TValueCase {
    const char* Property;
    const char* Text;
    std::optional<TPropValue> Expected;  // none: a bad value
};

std::ostream& operator<<(std::ostream& Os, const TValueCase& C) { return Os << C.Property << "=" << C.Text; }

class PropertyValue : public ::testing::TestWithParam<TValueCase> {};

TEST_P(PropertyValue, ParsesInsideTheTypeAndRejectsOutside) {
    const auto& C = GetParam();
    const auto* Property = FindSettableProperty(C.Property);
    ASSERT_NE(Property, nullptr);
    if (C.Expected) {
        EXPECT_EQ(ParsePropertyValue(*Property, C.Text), *C.Expected);
    } else {
        EXPECT_THROW((void)ParsePropertyValue(*Property, C.Text), TBadValue);
    }
}

TPropValue N(std::int64_t V) { return V; }

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Rows, PropertyValue,
    ::testing::Values(
        // Booleans: exactly true / false.
        TValueCase{"Scroll", "true", TPropValue{true}}, TValueCase{"Overwrite", "false", TPropValue{false}},
        TValueCase{"Scroll", "True", std::nullopt}, TValueCase{"Scroll", "1", std::nullopt},
        TValueCase{"Scroll", "", std::nullopt},
        // Integers: 32-bit signed, decimal or hex either case.
        TValueCase{"Delay", "0", N(0)}, TValueCase{"Delay", "-5", N(-5)},
        TValueCase{"Delay", "2147483647", N(2147483647)}, TValueCase{"Delay", "-2147483648", N(-2147483648LL)},
        TValueCase{"Delay", "2147483648", std::nullopt}, TValueCase{"Delay", "-2147483649", std::nullopt},
        TValueCase{"Delay", "$7fffFFFF", N(2147483647)}, TValueCase{"Delay", "0x3E8", N(1000)},
        TValueCase{"Delay", "$80000000", std::nullopt}, TValueCase{"Delay", "99999999999999999999999", std::nullopt},
        TValueCase{"Delay", "10ms", std::nullopt}, TValueCase{"Delay", "+5", std::nullopt},
        TValueCase{"Delay", "-", std::nullopt}, TValueCase{"Delay", "$", std::nullopt},
        TValueCase{"Delay", "0x", std::nullopt}, TValueCase{"Delay", "-$5", std::nullopt},
        TValueCase{"Delay", " 5", std::nullopt},
        // Bytes: 0..255; clamping is the setter's business, not the parser's.
        TValueCase{"LEDSize", "0", N(0)}, TValueCase{"LEDSize", "255", N(255)},
        TValueCase{"LEDSize", "$FF", N(255)}, TValueCase{"TotalVisible", "0", N(0)},
        TValueCase{"LEDSize", "256", std::nullopt}, TValueCase{"LEDDistance", "-1", std::nullopt},
        TValueCase{"StepToOutside", "0x100", std::nullopt},
        // Colours: 0..0xFFFFFFFF.
        TValueCase{"ActiveLEDOnColor", "$00FF00", N(0x00FF00)}, TValueCase{"BackgroundColor", "0xffffffff", N(0xFFFFFFFF)},
        TValueCase{"BlinkOffColor", "4294967295", N(0xFFFFFFFF)}, TValueCase{"BlinkOffColor", "4294967296", std::nullopt},
        TValueCase{"InactiveLEDOffColor", "-1", std::nullopt}, TValueCase{"InactiveLEDOnColor", "0x1FFFFFFFF", std::nullopt},
        // #RRGGBB is CSS order, red first; the TColor has red in its low byte.
        TValueCase{"ActiveLEDOnColor", "#FF8000", N(0x0080FF)}, TValueCase{"BackgroundColor", "#0000ff", N(0xFF0000)},
        TValueCase{"BlinkOffColor", "#123456", N(0x563412)}, TValueCase{"BlinkOffColor", "#FFF", std::nullopt},
        TValueCase{"BlinkOffColor", "#1234567", std::nullopt}, TValueCase{"BlinkOffColor", "#12345G", std::nullopt},
        TValueCase{"BlinkOffColor", "#", std::nullopt}, TValueCase{"Delay", "#000010", std::nullopt},
        // LEDShape: names or ordinals.
        TValueCase{"LEDShape", "Square", N(0)}, TValueCase{"LEDShape", "Circle", N(1)},
        TValueCase{"LEDShape", "0", N(0)}, TValueCase{"LEDShape", "1", N(1)},
        TValueCase{"LEDShape", "2", std::nullopt}, TValueCase{"LEDShape", "circle", std::nullopt},
        // Text: UTF-8 decoded to 8-bit codes.
        TValueCase{"Text", "", TPropValue{std::string()}}, TValueCase{"Text", "A=B", TPropValue{std::string("A=B")}},
        TValueCase{"Text", "\xC3\xA9\xE2\x82\xAC", TPropValue{std::string("\xE9?")}},
        // TabOrder is a plain integer; the host places the control.
        TValueCase{"TabOrder", "-1", N(-1)}, TValueCase{"TabOrder", "7", N(7)}));
// clang-format on

TEST(Assignment, SplitsAtTheFirstEqualsSign) {
    const auto A = ParseAssignment("Text=a=b=c");
    EXPECT_EQ(A.Property->Name, "Text");
    EXPECT_EQ(A.Value, TPropValue{std::string("a=b=c")});
}

TEST(Assignment, RejectsUnknownAndUnsettableNamesAndMissingValue) {
    for (const char* Bad : {"Charset=x", "Name=Foo", "Tag=1", "ledsize=3", "LEDSize", "=5", ""}) {
        EXPECT_THROW((void)ParseAssignment(Bad), TBadValue) << Bad;
    }
}

TEST(Assignment, MessageNamesTheOffendingValueAndRange) {
    try {
        (void)ParseAssignment("LEDSize=300");
        FAIL() << "no exception";
    } catch (const TBadValue& E) {
        EXPECT_STREQ(E.what(), "'300' is outside a byte (0..255)");
    }
}

struct TKeyCase {
    const char* Text;
    int Code;  // -1: bad
};
// Names the key text and what it should give, e.g. "Backspace" -> 8 or "F1" -> rejected.
void PrintTo(const TKeyCase& C, std::ostream* Os) {
    *Os << '"' << C.Text << "\" -> ";
    if (C.Code < 0) {
        *Os << "rejected";
    } else {
        *Os << C.Code;
    }
}

class KeyArgument : public ::testing::TestWithParam<TKeyCase> {};

TEST_P(KeyArgument, NamesAndCodes) {
    const auto& C = GetParam();
    if (C.Code < 0) {
        EXPECT_THROW((void)ParseKey(C.Text), TBadValue) << C.Text;
    } else {
        EXPECT_EQ(ParseKey(C.Text), C.Code) << C.Text;
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Rows, KeyArgument,
    ::testing::Values(TKeyCase{"Backspace", 8}, TKeyCase{"Tab", 9}, TKeyCase{"Enter", 13}, TKeyCase{"Escape", 27},
                      TKeyCase{"PageUp", 33}, TKeyCase{"PageDown", 34}, TKeyCase{"End", 35}, TKeyCase{"Home", 36},
                      TKeyCase{"Left", 37}, TKeyCase{"Up", 38}, TKeyCase{"Right", 39}, TKeyCase{"Down", 40},
                      TKeyCase{"Insert", 45}, TKeyCase{"Delete", 46}, TKeyCase{"0", 0}, TKeyCase{"65535", 65535},
                      TKeyCase{"$70", 0x70}, TKeyCase{"0x70", 0x70}, TKeyCase{"65536", -1}, TKeyCase{"-1", -1},
                      TKeyCase{"left", -1}, TKeyCase{"F1", -1}, TKeyCase{"", -1}));
// clang-format on

TEST(HexByte, OneOrTwoDigitsOfEitherCase) {
    EXPECT_EQ(ParseHexByte("0"), 0);
    EXPECT_EQ(ParseHexByte("f"), 15);
    EXPECT_EQ(ParseHexByte("fF"), 255);
    EXPECT_EQ(ParseHexByte("7F"), 127);
    for (const char* Bad : {"", "100", "0x1", "$1", "g", "-1", "1 "}) {
        EXPECT_THROW((void)ParseHexByte(Bad), TBadValue) << Bad;
    }
}

// The tool's table decides what --set accepts before the control exists; it must agree with the
// control's own property table, which --set goes through.
TEST(SettableProperties, AgreeWithTheControlsPublishedTable) {
    vyr::test::TFormWithMatrix Setup;
    for (const auto& Settable : SettableProperties()) {
        const host::TPropInfo* Info = Setup.Matrix->FindProperty(Settable.Name);
        ASSERT_NE(Info, nullptr) << Settable.Name;
        EXPECT_TRUE(static_cast<bool>(Info->Set)) << Settable.Name;
        EXPECT_EQ(Info->Kind, Settable.Kind) << Settable.Name;
        if (Settable.Kind == host::TTypeKind::Byte || Settable.Kind == host::TTypeKind::Color ||
            Settable.Kind == host::TTypeKind::Enum) {
            EXPECT_EQ(Info->Min, Settable.Min) << Settable.Name;
            EXPECT_EQ(Info->Max, Settable.Max) << Settable.Name;
        }
        if (Settable.Kind == host::TTypeKind::Enum) {
            EXPECT_EQ(Info->EnumNames, Settable.EnumNames) << Settable.Name;
        }
    }
}

}  // namespace
}  // namespace vyr::cli
