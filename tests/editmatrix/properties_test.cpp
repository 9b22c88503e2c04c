// Published properties: which setters repaint, their clamping, the colours in force, and the
// machine-readable property table.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "fixtures.h"
#include "vyr/CharSet.h"

namespace vyr::test {
namespace {

struct TSetterRow {
    const char* Name;
    bool Inactive;  // ActiveLED false before the change
    std::function<void(TEditMatrix&)> Act;
    int Paints;                                // each paint also copies to the window once
    std::int64_t OnAfter = -1, OffAfter = -1;  // FOnColor / FOffColor afterwards (-1: as before)
};
void PrintTo(const TSetterRow& Row, std::ostream* Os) { *Os << Row.Name; }
using M_ = TEditMatrix;

class MatrixSetter : public ::testing::TestWithParam<TSetterRow> {};

TEST_P(MatrixSetter, RepaintsOnlyWhenThePictureChanges) {
    const TSetterRow& Row = GetParam();
    TFormWithMatrix F;
    F.Matrix->FSetActiveLED(!Row.Inactive);
    const TColor On = Row.OnAfter >= 0 ? static_cast<TColor>(Row.OnAfter) : F.Matrix->OnColor();
    const TColor Off = Row.OffAfter >= 0 ? static_cast<TColor>(Row.OffAfter) : F.Matrix->OffColor();
    F.ResetCounters();
    Row.Act(*F.Matrix);
    EXPECT_EQ(F.Matrix->Paints, Row.Paints);
    EXPECT_EQ(F.Peer().CopyCount(), Row.Paints);
    EXPECT_EQ(F.Matrix->OnColor(), On);
    EXPECT_EQ(F.Matrix->OffColor(), Off);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Rows, MatrixSetter,
    ::testing::Values(
        TSetterRow{"ActiveLEDSame", false, [](M_& M) { M.FSetActiveLED(true); }, 0},
        TSetterRow{"ActiveLEDOff", false, [](M_& M) { M.FSetActiveLED(false); }, 1, 128, 0},
        TSetterRow{"ActiveOnSame", false, [](M_& M) { M.FSetActiveLEDOnColor(255); }, 0},
        TSetterRow{"ActiveOnInForce", false, [](M_& M) { M.FSetActiveLEDOnColor(Lit); }, 1, Lit},
        TSetterRow{"ActiveOffInForce", false, [](M_& M) { M.FSetActiveLEDOffColor(Unlit); }, 1, -1, Unlit},
        TSetterRow{"ActiveOnWhileInactive", true, [](M_& M) { M.FSetActiveLEDOnColor(Lit); }, 0},
        TSetterRow{"ActiveOffWhileInactive", true, [](M_& M) { M.FSetActiveLEDOffColor(Unlit); }, 0},
        TSetterRow{"InactiveOnWhileActive", false, [](M_& M) { M.FSetInactiveLEDOnColor(Lit); }, 0},
        TSetterRow{"InactiveOffWhileActive", false, [](M_& M) { M.FSetInactiveLEDOffColor(Unlit); }, 0},
        TSetterRow{"InactiveOnInForce", true, [](M_& M) { M.FSetInactiveLEDOnColor(Lit); }, 1, Lit},
        TSetterRow{"InactiveOffInForce", true, [](M_& M) { M.FSetInactiveLEDOffColor(Unlit); }, 1, -1, Unlit},
        TSetterRow{"InactiveOnSame", true, [](M_& M) { M.FSetInactiveLEDOnColor(128); }, 0},
        TSetterRow{"BackgroundSameStillRepaints", false, [](M_& M) { M.FSetBackgroundColor(0); }, 1},
        TSetterRow{"BlinkOffSame", false, [](M_& M) { M.FSetBlinkOffColor(64); }, 0},
        TSetterRow{"BlinkOffChanged", false, [](M_& M) { M.FSetBlinkOffColor(Lit); }, 1},
        TSetterRow{"ShapeSame", false, [](M_& M) { M.FSetLEDShape(EShape::Square); }, 0},
        TSetterRow{"ShapeChanged", false, [](M_& M) { M.FSetLEDShape(EShape::Circle); }, 1},
        TSetterRow{"SizeSame", false, [](M_& M) { M.FSetLEDSize(2); }, 0},
        TSetterRow{"SizeClampedToCurrent", false, [](M_& M) { M.FSetLEDSize(1); M.FSetLEDSize(0); }, 1},
        TSetterRow{"DistanceSame", false, [](M_& M) { M.FSetLEDDistance(1); }, 0},
        TSetterRow{"DistanceChanged", false, [](M_& M) { M.FSetLEDDistance(0); }, 1},
        TSetterRow{"TotalVisibleSameStillRepaints", false, [](M_& M) { M.FSetTotalVisible(10); }, 1},
        TSetterRow{"ScrollSame", false, [](M_& M) { M.FSetScroll(false); }, 0},
        TSetterRow{"StoredOnly", false,
                   [](M_& M) {
                       M.FSetDelay(-5);
                       M.FSetBlinkDelay(7);
                       M.FSetStepActive(true);
                       M.FSetOverwrite(true);
                       M.FSetStep(2);
                   },
                   0}),
    [](const auto& Info) { return std::string(Info.param.Name); });
// clang-format on

TEST(MatrixGeometry, SizeFollowsLEDSizeDistanceWidthAndMode) {
    TEditMatrix M(nullptr);
    M.FSetLEDDistance(0);
    EXPECT_EQ(M.Width(), 120);
    EXPECT_EQ(M.Height(), 18);
    M.FSetLEDDistance(1);
    M.FSetTotalVisible(4);
    EXPECT_EQ(M.Width(), 1 + 3 * 24);
    M.FSetLEDSize(5);
    EXPECT_EQ(M.Bitmap()->Width(), 1 + 6 * 24);
    EXPECT_EQ(M.Bitmap()->Height(), 1 + 6 * 9);
}

TEST(MatrixClamping, RoundLEDsAreOddAndAtLeastThreeSquareOnlyRefusesZero) {
    TEditMatrix M(nullptr);
    M.FSetLEDShape(EShape::Circle);
    EXPECT_EQ(M.LEDSize(), 3);
    const std::vector<std::pair<int, int>> Circle = {{4, 3}, {6, 5}, {0, 3}, {1, 3}, {2, 3}, {255, 255}, {254, 253}};
    for (const auto& [In, Out] : Circle) {
        M.FSetLEDSize(static_cast<Byte>(In));
        EXPECT_EQ(M.LEDSize(), Out) << In;
    }
    M.FSetLEDSize(6);
    M.FSetLEDShape(EShape::Square);
    EXPECT_EQ(M.LEDSize(), 5);
    M.FSetLEDSize(0);
    EXPECT_EQ(M.LEDSize(), 1);
}

TEST(MatrixClamping, StepIsOneAtLeastAndHalfTheWidthInForceAtMost) {
    TEditMatrix M(nullptr);
    // TotalVisible set (which re-clamps the stored step), StepToOutside set (-1: not set), read back
    const std::vector<std::array<int, 3>> Rows = {{10, 8, 5}, {4, -1, 2}, {10, -1, 2}, {10, 0, 1},
                                                  {1, 3, 0},  {0, 3, 0},  {10, -1, 1}, {255, 200, 127}};
    for (const auto& [T, S, Want] : Rows) {
        M.FSetTotalVisible(static_cast<Byte>(T));
        if (S >= 0) M.FSetStep(static_cast<Byte>(S));
        EXPECT_EQ(M.StepToOutside(), Want) << T << "/" << S;
    }
}

TEST(MatrixColours, ActiveColourSetWhileInactiveShowsOnReactivationButNotInTheMarquee) {
    TFormWithMatrix F;
    TEditMatrix& M = *F.Matrix;
    M.FSetText("A");
    M.FSetActiveLED(false);
    M.FSetActiveLEDOnColor(Lit);
    EXPECT_EQ(M.ScrollOnColor(), 255U);
    M.FSetActiveLED(true);
    EXPECT_EQ(M.ScrollOnColor(), 255U);
    EXPECT_EQ(LedPicture(F.Peer().Surface(), M, 12, 9, Lit, 64)[0], ".XXX........");
    M.FSetInactiveLEDOnColor(Lit);
    M.FSetInactiveLEDOffColor(Unlit);
    M.FSetActiveLED(false);
    const std::vector<std::string> Rows = LedPicture(F.Peer().Surface(), M, 12, 9, Lit, Unlit);
    EXPECT_EQ(Rows[3], "XXXXX.......");
    EXPECT_EQ(Rows[8], "......XXXXX.");
}

TEST(MatrixScrollSwitch, UnfocusedControlTurnsActiveShrinksToSevenRowsAndStartsBothWorkers) {
    TFormWithMatrix F;
    TEditMatrix& M = *F.Matrix;
    M.FSetActiveLED(false);
    M.FSetScroll(true);
    EXPECT_TRUE(M.ActiveLED());
    EXPECT_EQ(M.Bitmap()->Height(), 22);
    EXPECT_TRUE(M.DelayTimer()->Started() && M.BlinkTimer()->Started());
    M.FSetScroll(false);
    EXPECT_EQ(M.Bitmap()->Height(), 28);
}

// ---- Property table ------------------------------------------------------------------------

TEST(MatrixPropertyTable, ListsNameTagThenThePublishedPropertiesWithTheirDefaults) {
    TEditMatrix M(nullptr);
    std::string Names;
    for (const host::TPropInfo& Info : M.Properties()) {
        Names += std::string(Info.Name) + " ";
        if (Info.Default && Info.Name != "TabStop") {
            EXPECT_EQ(Info.Get(M), *Info.Default) << Info.Name;
        }
    }
    EXPECT_EQ(Names,
              "Name Tag Scroll Delay BlinkOffColor BlinkDelay ActiveLED ActiveLEDOnColor ActiveLEDOffColor "
              "BackgroundColor Charset InactiveLEDOnColor InactiveLEDOffColor LEDShape LEDSize LEDDistance "
              "StepActive StepToOutside TabOrder TabStop Text TotalVisible Overwrite ");
    EXPECT_EQ(*M.FindProperty("TabStop")->Default, host::TPropValue(false));
    EXPECT_FALSE(M.FindProperty("Charset")->Default || M.FindProperty("Text")->Default);
    const host::TPropInfo& Shape = *M.FindProperty("LEDShape");
    EXPECT_EQ(Shape.Kind, host::TTypeKind::Enum);
    EXPECT_EQ(Shape.EnumNames, (std::vector<std::string_view>{"Square", "Circle"}));
    EXPECT_EQ(M.FindProperty("Delay")->Min, INT32_MIN);
    EXPECT_EQ(M.FindProperty("BackgroundColor")->Max, std::int64_t{0xFFFFFFFF});
    EXPECT_EQ(M.FindProperty("TabOrder")->Min, -1);
}

// Form storage applies stored values in declared order: StepToOutside comes before TotalVisible
// and is clamped against the width in force when it is read.
TEST(MatrixPropertyTable, SettingGoesThroughTheSetterInDeclaredOrder) {
    TEditMatrix M(nullptr);
    for (const host::TPropInfo& Info : M.Properties()) {
        if (Info.Name == "StepToOutside") Info.Set(M, std::int64_t{8});
        if (Info.Name == "TotalVisible") Info.Set(M, std::int64_t{20});
        if (Info.Name == "LEDSize") Info.Set(M, std::int64_t{0});
        if (Info.Name == "Text") Info.Set(M, AnsiString("Hi\n"));
    }
    EXPECT_EQ(M.StepToOutside(), 5);
    EXPECT_EQ(M.LEDSize(), 1);
    EXPECT_EQ(M.FindProperty("Text")->Get(M), host::TPropValue(AnsiString("Hi ")));
}

void ExpectError(const std::function<void()>& Action, const std::string& Message) {
    try {
        Action();
        ADD_FAILURE() << "nothing thrown; expected " << Message;
    } catch (const std::logic_error& Error) {
        EXPECT_EQ(std::string(Error.what()), Message);
    }
}

TEST(MatrixPropertyTable, RefusesWrongKindsRangesAndComponentsWithAClearMessage) {
    TEditMatrix M(nullptr);
    TEditMatrix Other(nullptr);
    Other.SetName("Matrix2");
    TCharSet C(nullptr);
    auto Set = [&M](const char* Name, const host::TPropValue& V) {
        return [&M, Name, V] { M.FindProperty(Name)->Set(M, V); };
    };
    ExpectError(Set("LEDSize", std::int64_t{256}), "TEditMatrix.LEDSize: 256 is outside 0..255");
    ExpectError(Set("LEDShape", std::int64_t{-1}), "TEditMatrix.LEDShape: -1 is outside 0..1");
    ExpectError(Set("Delay", AnsiString("fast")), "TEditMatrix.Delay: expected an integer value");
    ExpectError(Set("Scroll", std::int64_t{1}), "TEditMatrix.Scroll: expected a boolean value");
    ExpectError(Set("Charset", static_cast<host::TComponent*>(&Other)),
                "TEditMatrix.Charset: 'Matrix2' is a TEditMatrix, not a TCharSet");
    EXPECT_EQ(M.LEDSize(), 2);
    EXPECT_EQ(M.Charset(), nullptr);
    Set("Charset", static_cast<host::TComponent*>(&C))();
    EXPECT_EQ(M.Charset(), &C);
    Set("Charset", static_cast<host::TComponent*>(nullptr))();
    EXPECT_EQ(M.Charset(), nullptr);
}

}  // namespace
}  // namespace vyr::test
