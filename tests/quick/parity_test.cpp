// The headless and the Qt Quick backend agree: one script of property settings, keys, focus
// changes, scroll steps, blink toggles and host repaints, run on a TEditMatrix on a headless form
// and on a vyr::QuickEditMatrix in a shown QQuickWindow, leaves the same pixels on the headless
// window and in the window's rendered picture after every action. The Quick side goes through
// Qt properties and Qt key events, so the property layer, the key route and the texture path are
// checked on the way.
#include <gtest/gtest.h>

#include <QtCore/QVariant>
#include <QtGui/QGuiApplication>
#include <QtGui/QKeyEvent>
#include <QtQuick/QQuickItem>
#include <QtQuick/QQuickWindow>
#include <QtTest/QTest>
#include <memory>
#include <string>
#include <vector>

#include "QuickProbe.h"
#include "support/test_support.h"
#include "vyr/host/Controls.h"
#include "vyr/quick/QuickEditMatrix.h"

namespace vyr::test {
namespace {

struct TAction {
    enum class EKind { Set, Key, Type, FocusIn, FocusOut, Step, Blink, HostPaint };
    EKind Kind = EKind::Set;
    std::string Property;  // Set: the Qt name; the control's name is derived
    QVariant Value;        // Set
    int QtKey = 0;         // Key
    host::Word Vk = 0;     // Key: the code the host's key-down should get
    std::string Chars;     // Type: typed characters (Latin-1)
    int Repeat = 1;
};
using EKind = TAction::EKind;

TAction Set(std::string Property, QVariant Value) {
    return {EKind::Set, std::move(Property), std::move(Value), 0, 0, {}, 1};
}
TAction Key(int QtKey, host::Word Vk, int Repeat = 1) { return {EKind::Key, {}, {}, QtKey, Vk, {}, Repeat}; }
TAction Type(std::string Chars) { return {EKind::Type, {}, {}, 0, 0, std::move(Chars), 1}; }
TAction Do(EKind Kind, int Repeat = 1) { return {Kind, {}, {}, 0, 0, {}, Repeat}; }

// "ledSize" -> "LEDSize": the control's name for a Qt property.
std::string HostName(const std::string& QtName) {
    std::string Host = QtName;
    const auto Led = Host.find("Led");
    if (Host.rfind("led", 0) == 0) Host.replace(0, 3, "LED");
    if (Led != std::string::npos) Host.replace(Led, 3, "LED");
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
        }
    }
}

// A shown window with a focusable item before the matrix and one after it.
struct TQuickWindow {
    TQuickWindow() {
        Window.resize(1200, 300);
        Before = new QQuickItem(Window.contentItem());
        Before->setActiveFocusOnTab(true);
        Matrix = new QuickEditMatrix(Window.contentItem());
        After = new QQuickItem(Window.contentItem());
        After->setActiveFocusOnTab(true);
        After->setY(250);
        Window.show();
    }
    QQuickWindow Window;
    QQuickItem* Before = nullptr;
    QuickEditMatrix* Matrix = nullptr;
    QQuickItem* After = nullptr;
};

void SendKey(QQuickItem& Item, int QtKey, const QString& Text) {
    QKeyEvent Press(QEvent::KeyPress, QtKey, Qt::NoModifier, Text);
    QCoreApplication::sendEvent(&Item, &Press);
}

void RunOnQuick(TQuickWindow& W, const TAction& A) {
    QuickEditMatrix& M = *W.Matrix;
    for (int i = 0; i < A.Repeat; ++i) {
        switch (A.Kind) {
            case EKind::Set:
                ASSERT_TRUE(M.setProperty(A.Property.c_str(), A.Value)) << A.Property;
                break;
            case EKind::Key:
                SendKey(M, A.QtKey, QString());
                break;
            case EKind::Type:
                for (const char Ch : A.Chars)
                    SendKey(M, Qt::Key_unknown, QString(QChar(static_cast<unsigned char>(Ch))));
                break;
            case EKind::FocusIn:
                M.forceActiveFocus();
                break;
            case EKind::FocusOut:
                W.After->forceActiveFocus();
                break;
            case EKind::Step:
                M.control().TryToScrollOnce();
                break;
            case EKind::Blink:
                M.control().TryToBlink();
                break;
            case EKind::HostPaint:
                M.control().Invalidate();
                break;
        }
    }
}

// What the window shows of the matrix now, as the scene graph renders it.
QImage Shown(TQuickWindow& W) {
    const QImage All = W.Window.grabWindow().convertToFormat(QImage::Format_RGB32);
    return All.copy(0, 0, static_cast<int>(W.Matrix->implicitWidth()), static_cast<int>(W.Matrix->implicitHeight()));
}

::testing::AssertionResult SamePixels(const QImage& Image, const host::TBitmap& Bitmap) {
    if (Image.width() != Bitmap.Width() || Image.height() != Bitmap.Height()) {
        return ::testing::AssertionFailure() << "size " << Image.width() << "x" << Image.height() << " against "
                                             << Bitmap.Width() << "x" << Bitmap.Height();
    }
    for (int Y = 0; Y < Bitmap.Height(); ++Y) {
        for (int X = 0; X < Bitmap.Width(); ++X) {
            const QRgb P = Image.pixel(X, Y);
            const auto C = static_cast<host::TColor>(qRed(P) | (qGreen(P) << 8) | (qBlue(P) << 16));
            if (C != Bitmap.Pixel(X, Y)) {
                return ::testing::AssertionFailure()
                       << "pixel (" << X << ", " << Y << ") is " << std::hex << C << " against " << Bitmap.Pixel(X, Y);
            }
        }
    }
    return ::testing::AssertionSuccess();
}

struct TScript {
    std::string Name;
    std::vector<TAction> Actions;
};

// Long delays: the worker threads' first steps wait in the queue, which nobody pumps here.
const std::vector<TAction> Quiet = {Set("delay", 600'000), Set("blinkDelay", 600'000)};

std::vector<TScript> Scripts() {
    const QVariant Circle = QVariant::fromValue(QuickEditMatrix::Circle);
    return {
        {"Defaults", {}},
        {"TextAndCursor", {Set("text", "Hello"), Key(Qt::Key_Left, 37, 2), Key(Qt::Key_Home, 36)}},
        {"CirclesColoursAndBackground",
         {Set("ledShape", Circle), Set("ledSize", 5), Set("ledDistance", 2), Set("totalVisible", 6),
          Set("backgroundColor", QColor(20, 40, 60)), Set("activeLedOnColor", QColor(0, 200, 255)),
          Set("text", "ABC@xy \xe5\xe6\xf8")}},
        {"EditingWithInsertDeleteAndBackspace",
         {Do(EKind::FocusIn), Set("text", "abcdef"), Key(Qt::Key_Home, 36), Type("XY"), Key(Qt::Key_Insert, 45),
          Type("Z!"), Key(Qt::Key_Delete, 46), Key(Qt::Key_Backspace, 8), Key(Qt::Key_End, 35), Type("$%&"),
          Key(Qt::Key_PageUp, 33)}},
        {"FocusColours",
         {Set("inactiveLedOnColor", QColor(0, 128, 0)), Set("inactiveLedOffColor", QColor(0, 0, 90)),
          Set("text", "focus"), Do(EKind::FocusIn), Type("!"), Do(EKind::FocusOut), Do(EKind::HostPaint),
          Do(EKind::FocusIn)}},
        {"ScrollStepsAndBlinks",
         {Quiet[0], Quiet[1], Set("text", "Hi@C00FF00 there"), Set("scroll", true), Do(EKind::Step, 10),
          Do(EKind::Blink, 2), Do(EKind::Step, 40), Do(EKind::HostPaint), Do(EKind::Step, 5)}},
        {"ScrollGeometryCodes",
         {Quiet[0], Quiet[1], Set("text", "@S000001@L000005XY @I000002ab@B000040@S000000"), Set("scroll", true),
          Do(EKind::Step, 25), Do(EKind::Blink), Do(EKind::Step, 25), Do(EKind::HostPaint)}},
        {"HaltThenBackToEditing",
         {Quiet[0], Quiet[1], Set("text", "go @4000000stop"), Set("scroll", true), Do(EKind::Step, 30),
          Set("scroll", false), Key(Qt::Key_Left, 37, 3), Key(Qt::Key_Backspace, 8)}},
    };
}

void PrintTo(const TScript& Script, std::ostream* Out) { *Out << Script.Name; }

class QuickParity : public ::testing::TestWithParam<TScript> {};

TEST_P(QuickParity, SamePixelsAfterEveryAction) {
    TFormWithMatrix Host(1);
    host::SendPaint(*Host.Matrix);  // the host's first repaint, as the item's first in a window
    TQuickWindow Quick;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Quick.Window));
    Quick.Before->forceActiveFocus();  // neither side's matrix has the focus at the start
    ASSERT_TRUE(SamePixels(Shown(Quick), Host.Peer().Surface())) << "before any action";
    const auto& Actions = GetParam().Actions;
    for (std::size_t i = 0; i < Actions.size(); ++i) {
        RunOnHost(Host, Actions[i]);
        RunOnQuick(Quick, Actions[i]);
        ASSERT_TRUE(SamePixels(Shown(Quick), Host.Peer().Surface())) << "after action " << i;
    }
    EXPECT_EQ(Quick.Matrix->text().toLatin1().toStdString(), Host.Matrix->FReadText());
}

INSTANTIATE_TEST_SUITE_P(Scripts, QuickParity, ::testing::ValuesIn(Scripts()),
                         [](const auto& Info) { return Info.param.Name; });

// A texture is made only for a frame that changed: showing the same surface again, or copying the
// same frame again, makes none.
TEST(QuickTexture, MadeOnlyWhenAFrameWasCopied) {
    TQuickWindow Quick;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Quick.Window));
    (void)Quick.Window.grabWindow();
    vyr::quick::detail::THostItemProbe::ResetCounts(*Quick.Matrix);
    (void)Quick.Window.grabWindow();
    Quick.Before->setX(5);  // another item moves: the scene is rendered again
    (void)Quick.Window.grabWindow();
    EXPECT_EQ(vyr::quick::detail::THostItemProbe::Textures(*Quick.Matrix), 0);
    Quick.Matrix->setText("new");
    (void)Quick.Window.grabWindow();
    EXPECT_EQ(vyr::quick::detail::THostItemProbe::Textures(*Quick.Matrix), 1);
    // The same frame copied again makes no texture; once it changed, it does.
    host::TBitmap Frame;
    Frame.SetSize(8, 8);
    const auto CopyAndShow = [&] {
        Quick.Matrix->control().Canvas().Draw(0, 0, Frame);
        (void)Quick.Window.grabWindow();
        return vyr::quick::detail::THostItemProbe::Textures(*Quick.Matrix);
    };
    EXPECT_EQ(CopyAndShow(), 2);
    EXPECT_EQ(CopyAndShow(), 2);
    Frame.Canvas().FillRect({0, 0, 1, 1});
    EXPECT_EQ(CopyAndShow(), 3);
}

}  // namespace
}  // namespace vyr::test
