// OnPropertyChange: reported once per property that took a different value, whatever changed it,
// and never for a value assigned again.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "support/test_support.h"
#include "vyr/CharSet.h"

namespace vyr::test {
namespace {

struct TChangeLog {
    explicit TChangeLog(TEditMatrix& M) {
        M.OnPropertyChange = [this](TEditMatrix&, std::string_view Name) { Names.emplace_back(Name); };
    }
    std::vector<std::string> Take() { return std::exchange(Names, {}); }
    std::vector<std::string> Names;
};

using Names = std::vector<std::string>;

TEST(ChangeNotification, EachSetterReportsItsPropertyOnlyWhenTheValueChanges) {
    TFormWithMatrix Form;
    TEditMatrix& M = *Form.Matrix;
    TChangeLog Log(M);

    M.FSetDelay(100);
    M.FSetBlinkDelay(100);
    M.FSetActiveLED(true);
    M.FSetActiveLEDOnColor(255);
    M.FSetBackgroundColor(0);  // repaints all the same, but nothing changed
    M.FSetTotalVisible(10);    // likewise
    M.FSetStepActive(false);
    M.FSetOverwrite(false);
    M.FSetStep(5);
    M.FSetLEDSize(2);
    EXPECT_TRUE(Log.Take().empty());

    M.FSetDelay(7);
    M.FSetBlinkDelay(8);
    M.FSetBlinkOffColor(1);
    M.FSetActiveLEDOffColor(2);
    M.FSetBackgroundColor(3);
    M.FSetInactiveLEDOnColor(4);  // stored while the active pair is in force: still a change
    M.FSetInactiveLEDOffColor(5);
    M.FSetLEDDistance(3);
    M.FSetStepActive(true);
    M.FSetOverwrite(true);
    M.FSetActiveLED(false);
    EXPECT_EQ(Log.Take(), (Names{"Delay", "BlinkDelay", "BlinkOffColor", "ActiveLEDOffColor", "BackgroundColor",
                                 "InactiveLEDOnColor", "InactiveLEDOffColor", "LEDDistance", "StepActive", "Overwrite",
                                 "ActiveLED"}));
}

TEST(ChangeNotification, SideEffectsOfOneSetterReportTheOtherPropertyToo) {
    TFormWithMatrix Form;
    TEditMatrix& M = *Form.Matrix;
    TChangeLog Log(M);

    M.FSetTotalVisible(4);  // StepToOutside 5 -> 2
    EXPECT_EQ(Log.Take(), (Names{"StepToOutside", "TotalVisible"}));
    M.FSetLEDShape(EShape::Circle);  // LEDSize 2 -> 3
    EXPECT_EQ(Log.Take(), (Names{"LEDShape", "LEDSize"}));
    M.FSetLEDSize(6);  // 5 under the circle rule
    M.FSetLEDShape(EShape::Circle);
    EXPECT_EQ(Log.Take(), (Names{"LEDSize"}));
    M.FSetStep(9);  // clamped to 2 again: no change
    EXPECT_TRUE(Log.Take().empty());
}

TEST(ChangeNotification, EditingTheTextReportsTextButMovingTheCursorDoesNot) {
    TFormWithMatrix Form;
    TEditMatrix& M = *Form.Matrix;
    M.FSetText("abc");
    TChangeLog Log(M);

    M.FSetText("abc");  // the same text again
    M.GoLeft();
    M.GoHome();
    M.BackSpaceChar();  // at the start: nothing to remove
    EXPECT_TRUE(Log.Take().empty());

    host::SendKeyPress(M, 'x');
    host::SendKeyDown(M, host::vk::Delete);
    host::SendKeyDown(M, host::vk::Back);
    EXPECT_EQ(Log.Take(), (Names{"Text", "Text", "Text"}));

    host::SendKeyDown(M, host::vk::Insert);
    EXPECT_EQ(Log.Take(), (Names{"Overwrite"}));
    M.GoHome();
    host::SendKeyPress(M, 'b');  // overwrites 'b' with 'b'
    EXPECT_TRUE(Log.Take().empty());
    EXPECT_EQ(M.FReadText(), "bc");
}

TEST(ChangeNotification, FocusAndTheScrollFramesControlCodesReportThroughTheSetters) {
    TFormWithMatrix Form(1);
    TEditMatrix& M = *Form.Matrix;
    M.SetFocus();
    M.FSetText("@C00FF00@D000200Hi");
    TChangeLog Log(M);

    Form.Siblings[0]->SetFocus();
    EXPECT_EQ(Log.Take(), (Names{"ActiveLED"}));
    M.FSetScroll(true);
    EXPECT_EQ(Log.Take(), (Names{"ActiveLED", "Scroll"}));
    M.TryToScrollOnce();  // the pre-pass runs both letter codes
    const Names Changes = Log.Take();
    EXPECT_NE(std::find(Changes.begin(), Changes.end(), "ActiveLEDOnColor"), Changes.end());
    EXPECT_NE(std::find(Changes.begin(), Changes.end(), "Delay"), Changes.end());
    EXPECT_EQ(M.Delay(), 0x200);
    M.TryToBlink();  // same codes, same values: nothing new
    EXPECT_TRUE(Log.Take().empty());
}

TEST(ChangeNotification, TheCharsetReferenceReportsWhenSetAndWhenItsTargetIsDestroyed) {
    TFormWithMatrix Form;
    TEditMatrix& M = *Form.Matrix;
    TChangeLog Log(M);
    auto* CharSet = new TCharSet(nullptr);
    M.FSetCharSet(CharSet);
    M.FSetCharSet(CharSet);
    EXPECT_EQ(Log.Take(), (Names{"Charset"}));
    delete CharSet;
    EXPECT_EQ(M.Charset(), nullptr);
    EXPECT_EQ(Log.Take(), (Names{"Charset"}));
}

}  // namespace
}  // namespace vyr::test
