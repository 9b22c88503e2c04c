// The headless and the Qt backend agree: one script of property settings, keys, focus changes,
// scroll steps, blink toggles, glyph edits and host repaints, run on a TEditMatrix on a headless
// form and on a shown vyr::QEditMatrix, leaves the same pixels on the headless window and in
// QEditMatrix::grab() after every action. On the headless side the script goes through the
// control's property table and the host's input calls; on the Qt side through Qt properties and
// QTest key events, so the Qt property layer and the key mapping are checked on the way.
#include <gtest/gtest.h>

#include <QtCore/QVariant>
#include <QtTest/QTest>
#include <functional>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "support/qt_support.h"
#include "support/step_modes.h"
#include "support/test_support.h"
#include "vyr/host/Controls.h"

namespace vyr::test {
namespace {

struct TAction {
    enum class EKind { Set, Key, Type, FocusIn, FocusOut, Step, Blink, HostPaint, Glyph };
    EKind Kind = EKind::Set;
    std::string Property;  // Set: the Qt name ("ledSize"); the host name is derived
    QVariant Value;        // Set
    int QtKey = 0;         // Key
    host::Word Vk = 0;     // Key: the code the host's key-down should get
    std::string Chars;     // Type: typed characters (Latin-1)
    int Repeat = 1;        // Step, Blink, Key
};

using EKind = TAction::EKind;
TAction Make(EKind Kind) {
    TAction A;
    A.Kind = Kind;
    return A;
}
TAction Set(std::string Property, QVariant Value) {
    TAction A = Make(EKind::Set);
    A.Property = std::move(Property);
    A.Value = std::move(Value);
    return A;
}
TAction Key(int QtKey, host::Word Vk, int Repeat = 1) {
    TAction A = Make(EKind::Key);
    A.QtKey = QtKey;
    A.Vk = Vk;
    A.Repeat = Repeat;
    return A;
}
TAction Type(std::string Chars) {
    TAction A = Make(EKind::Type);
    A.Chars = std::move(Chars);
    return A;
}
TAction Do(EKind Kind, int Repeat = 1) {
    TAction A = Make(Kind);
    A.Repeat = Repeat;
    return A;
}

// "ledSize" -> "LEDSize": the control's name for a Qt property.
std::string HostName(const std::string& QtName) {
    static const std::vector<std::pair<std::string, std::string>> Names = {
        {"activeLed", "ActiveLED"},
        {"activeLedOnColor", "ActiveLEDOnColor"},
        {"activeLedOffColor", "ActiveLEDOffColor"},
        {"inactiveLedOnColor", "InactiveLEDOnColor"},
        {"inactiveLedOffColor", "InactiveLEDOffColor"},
        {"ledShape", "LEDShape"},
        {"ledSize", "LEDSize"},
        {"ledDistance", "LEDDistance"}};
    for (const auto& [Qt, Host] : Names) {
        if (Qt == QtName) return Host;
    }
    std::string Host = QtName;
    Host[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(Host[0])));
    return Host;
}

host::TPropValue HostValue(const host::TPropInfo& Info, const QVariant& V) {
    switch (Info.Kind) {
        case host::TTypeKind::Boolean:
            return V.toBool();
        case host::TTypeKind::String:
            return V.toString().toLatin1().toStdString();
        case host::TTypeKind::Color: {
            const QColor C = V.value<QColor>();
            return std::int64_t{C.red() | (C.green() << 8) | (C.blue() << 16)};
        }
        default:
            return std::int64_t{V.toInt()};
    }
}

// The glyph edit of the scripts: 'A' becomes a frame.
constexpr std::array<Byte, 5> Box = {0x7F, 0x41, 0x41, 0x41, 0x7F};

void RunOnHost(TFormWithMatrix& Form, const TAction& A) {
    TEditMatrix& M = *Form.Matrix;
    for (int i = 0; i < A.Repeat; ++i) {
        switch (A.Kind) {
            case EKind::Set: {
                const host::TPropInfo* Info = M.FindProperty(HostName(A.Property));
                ASSERT_NE(Info, nullptr) << A.Property;
                Info->Set(M, HostValue(*Info, A.Value));
                break;
            }
            case EKind::Key:
                host::SendKeyDown(M, A.Vk);
                break;
            case EKind::Type:
                for (const char Ch : A.Chars) host::SendKeyPress(M, Ch);
                break;
            case EKind::FocusIn:
                M.SetFocus();
                break;
            case EKind::FocusOut:
                Form.Siblings[0]->SetFocus();
                break;
            case EKind::Step:
                M.TryToScrollOnce();
                break;
            case EKind::Blink:
                M.TryToBlink();
                break;
            case EKind::HostPaint:
                host::SendPaint(M);
                break;
            case EKind::Glyph:
                M.ChangeChar('A', Box);
                break;
        }
    }
}

void RunOnQt(TQtWindow& Window, const TAction& A) {
    QEditMatrix& W = *Window.Matrix;
    for (int i = 0; i < A.Repeat; ++i) {
        switch (A.Kind) {
            case EKind::Set:
                ASSERT_TRUE(W.setProperty(A.Property.c_str(), A.Value)) << A.Property;
                break;
            case EKind::Key:
                QTest::keyClick(&W, static_cast<Qt::Key>(A.QtKey));
                break;
            case EKind::Type:
                for (const char Ch : A.Chars) {
                    const QString Text(QChar(static_cast<unsigned char>(Ch)));
                    QKeyEvent Press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, Text);
                    QApplication::sendEvent(&W, &Press);
                }
                break;
            case EKind::FocusIn:
                W.setFocus();
                break;
            case EKind::FocusOut:
                Window.After->setFocus();
                break;
            case EKind::Step:
                W.control().TryToScrollOnce();
                break;
            case EKind::Blink:
                W.control().TryToBlink();
                break;
            case EKind::HostPaint:
                W.control().Invalidate();
                W.repaint();
                break;
            case EKind::Glyph:
                W.control().ChangeChar('A', Box);
                break;
        }
    }
}

struct TScript {
    std::string Name;
    std::vector<TAction> Actions;
};

// Long delays: the loops' first steps wait (queued for the GUI thread, or due on the step clock)
// for a pump that never comes here, and no later step is due during the test.
const std::vector<TAction> Quiet = {Set("delay", 600'000), Set("blinkDelay", 600'000)};

std::vector<TScript> Scripts() {
    const QVariant Circle = QVariant::fromValue(QEditMatrix::Circle);
    return {
        {"Defaults", {}},
        {"TextAndCursor", {Set("text", "Hello"), Key(Qt::Key_Left, 37, 2), Key(Qt::Key_Home, 36)}},
        {"CirclesOfFiveSpacedTwoInSixCells",
         {Set("ledShape", Circle), Set("ledSize", 5), Set("ledDistance", 2), Set("totalVisible", 6),
          Set("text", "ABC@xy")}},
        {"TouchingSquaresOfFour",
         {Set("ledSize", 4), Set("ledDistance", 0), Set("text", "0123456789ABCDEF"), Key(Qt::Key_Home, 36),
          Key(Qt::Key_Right, 39, 12), Key(Qt::Key_PageUp, 33)}},
        {"SmallCirclesColoursAndBackground",
         {Set("ledShape", Circle), Set("ledSize", 3), Set("backgroundColor", QColor(20, 40, 60)),
          Set("activeLedOnColor", QColor(0, 200, 255)), Set("activeLedOffColor", QColor(30, 0, 80)),
          Set("text", "Qt \xe5\xe6\xf8")}},
        {"EditingWithInsertDeleteAndBackspace",
         {Do(EKind::FocusIn), Set("text", "abcdef"), Key(Qt::Key_Home, 36), Type("XY"), Key(Qt::Key_Insert, 45),
          Type("Z!"), Key(Qt::Key_Delete, 46), Key(Qt::Key_Backspace, 8), Key(Qt::Key_End, 35), Type("$%&"),
          Key(Qt::Key_PageUp, 33), Key(Qt::Key_PageDown, 34)}},
        {"StepActiveJumps",
         {Set("stepActive", true), Set("stepToOutside", 3), Set("text", "The quick brown fox"), Key(Qt::Key_Home, 36),
          Key(Qt::Key_Right, 39, 14), Key(Qt::Key_Left, 37, 6), Type("..")}},
        {"FocusColours",
         {Set("inactiveLedOnColor", QColor(0, 128, 0)), Set("inactiveLedOffColor", QColor(0, 0, 90)),
          Set("text", "focus"), Do(EKind::FocusIn), Type("!"), Do(EKind::FocusOut), Do(EKind::HostPaint),
          Do(EKind::FocusIn)}},
        {"GlyphEditInView", {Set("text", "AbA"), Do(EKind::Glyph), Key(Qt::Key_Left, 37)}},
        {"ScrollStepsAndBlinks",
         {Quiet[0], Quiet[1], Set("text", "Hi@C00FF00 there"), Set("scroll", true), Do(EKind::Step, 10),
          Do(EKind::Blink, 2), Do(EKind::Step, 40), Do(EKind::HostPaint), Do(EKind::Step, 5)}},
        {"ScrollBlinkingDigitCodes",
         {Quiet[0], Quiet[1], Set("totalVisible", 6), Set("text", "AB@0010000CD@2FF0000EF@0000000GH@1000040"),
          Set("scroll", true), Do(EKind::Step, 3), Do(EKind::Blink), Do(EKind::Step, 7), Do(EKind::Blink),
          Do(EKind::Step, 30), Do(EKind::Blink, 3), Do(EKind::Step, 30)}},
        {"ScrollGeometryCodes",
         {Quiet[0], Quiet[1], Set("text", "@S000001@L000005XY @I000002ab@B000040@S000000"), Set("scroll", true),
          Do(EKind::Step, 25), Do(EKind::Blink), Do(EKind::Step, 25), Do(EKind::HostPaint)}},
        {"HaltThenBackToEditing",
         {Quiet[0], Quiet[1], Set("text", "go @4000000stop"), Set("scroll", true), Do(EKind::Step, 30),
          Do(EKind::Blink, 2), Set("scroll", false), Key(Qt::Key_Left, 37, 3), Key(Qt::Key_Backspace, 8)}},
    };
}

void PrintTo(const TScript& Script, std::ostream* Out) { *Out << Script.Name; }

// Every script in both step modes: the marquee's loops, started by "scroll" on both sides, must
// not disturb the frames whether they wait on OS threads or on the step clock.
class BackendParity : public ::testing::TestWithParam<std::tuple<TScript, host::TStepMode>> {
protected:
    void SetUp() override { host::SetStepMode(std::get<1>(GetParam())); }
    void TearDown() override { host::SetStepMode(host::TStepMode::Default); }
};

TEST_P(BackendParity, SamePixelsAfterEveryAction) {
    TFormWithMatrix Host(1);
    host::SendPaint(*Host.Matrix);  // the host's first repaint, as the Qt window's first show
    TQtWindow Qt;
    ASSERT_TRUE(Qt.Show());
    Qt.Before->setFocus();  // neither side's matrix has the focus at the start
    ASSERT_TRUE(SamePixels(Grab(*Qt.Matrix), Host.Peer().Surface())) << "before any action";
    const auto& Actions = std::get<0>(GetParam()).Actions;
    for (std::size_t i = 0; i < Actions.size(); ++i) {
        RunOnHost(Host, Actions[i]);
        RunOnQt(Qt, Actions[i]);
        ASSERT_TRUE(SamePixels(Grab(*Qt.Matrix), Host.Peer().Surface())) << "after action " << i;
        ASSERT_TRUE(SamePixels(Grab(*Qt.Matrix), *Qt.Matrix->control().Bitmap())) << "shown, after action " << i;
    }
    EXPECT_EQ(Qt.Matrix->text().toLatin1().toStdString(), Host.Matrix->FReadText());
}

INSTANTIATE_TEST_SUITE_P(Scripts, BackendParity, ::testing::Combine(::testing::ValuesIn(Scripts()), StepModes()),
                         [](const auto& Info) {
                             return std::get<0>(Info.param).Name + "_" + StepModeWord(std::get<1>(Info.param));
                         });

}  // namespace
}  // namespace vyr::test
