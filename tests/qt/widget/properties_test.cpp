// vyr::QEditMatrix's properties: order, defaults and clamping through the control's setters,
// change signals from every source, the size and high-DPI drawing.
#include <gtest/gtest.h>

#include <QtCore/QMetaProperty>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "QtProbe.h"
#include "support/qt_support.h"

namespace vyr::test {
namespace {

// The widget's own properties, in meta-object order.
std::vector<std::string> OwnProperties() {
    const QMetaObject& Meta = QEditMatrix::staticMetaObject;
    std::vector<std::string> Names;
    for (int i = Meta.propertyOffset(); i < Meta.propertyCount(); ++i) Names.emplace_back(Meta.property(i).name());
    return Names;
}

TEST(QEditMatrixProperties, AreTheControlsPublishedPropertiesInDeclaredOrderAllDesignable) {
    EXPECT_EQ(OwnProperties(), (std::vector<std::string>{"scroll",
                                                         "delay",
                                                         "blinkOffColor",
                                                         "blinkDelay",
                                                         "activeLed",
                                                         "activeLedOnColor",
                                                         "activeLedOffColor",
                                                         "backgroundColor",
                                                         "charset",
                                                         "inactiveLedOnColor",
                                                         "inactiveLedOffColor",
                                                         "ledShape",
                                                         "ledSize",
                                                         "ledDistance",
                                                         "stepActive",
                                                         "stepToOutside",
                                                         "text",
                                                         "totalVisible",
                                                         "overwrite",
                                                         "fontSource",
                                                         "codePage"}));
    // The same order as the control's own table (TabOrder and TabStop are Qt's here), then the
    // widget's own two.
    QEditMatrix W;
    std::vector<std::string> Host;
    for (const host::TPropInfo& Info : W.control().Properties()) {
        const std::string Name(Info.Name);
        if (Name != "Name" && Name != "Tag" && Name != "TabOrder" && Name != "TabStop") Host.push_back(Name);
    }
    const auto Own = OwnProperties();
    ASSERT_EQ(Own.size(), Host.size() + 2);
    for (std::size_t i = 0; i < Own.size(); ++i) {
        const QMetaProperty P = QEditMatrix::staticMetaObject.property(QEditMatrix::staticMetaObject.propertyOffset() +
                                                                       static_cast<int>(i));
        EXPECT_TRUE(P.isDesignable()) << Own[i];
        EXPECT_TRUE(P.isWritable()) << Own[i];
        EXPECT_TRUE(P.hasNotifySignal()) << Own[i];
        if (i >= Host.size()) continue;
        std::string Lower = Host[i];
        for (char& Ch : Lower) Ch = static_cast<char>(std::tolower(static_cast<unsigned char>(Ch)));
        std::string OwnLower = Own[i];
        for (char& Ch : OwnLower) Ch = static_cast<char>(std::tolower(static_cast<unsigned char>(Ch)));
        EXPECT_EQ(OwnLower, Lower);
    }
}

TEST(QEditMatrixProperties, StartWithTheControlsDefaults) {
    QEditMatrix W;
    EXPECT_FALSE(W.scroll());
    EXPECT_EQ(W.delay(), 100);
    EXPECT_EQ(W.blinkOffColor(), QColor(64, 0, 0));
    EXPECT_EQ(W.blinkDelay(), 100);
    EXPECT_TRUE(W.activeLed());
    EXPECT_EQ(W.activeLedOnColor(), QColor(255, 0, 0));
    EXPECT_EQ(W.activeLedOffColor(), QColor(64, 0, 0));
    EXPECT_EQ(W.backgroundColor(), QColor(0, 0, 0));
    EXPECT_EQ(W.charset(), QString());
    EXPECT_EQ(W.inactiveLedOnColor(), QColor(128, 0, 0));
    EXPECT_EQ(W.inactiveLedOffColor(), QColor(0, 0, 0));
    EXPECT_EQ(W.ledShape(), QEditMatrix::Square);
    EXPECT_EQ(W.ledSize(), 2);
    EXPECT_EQ(W.ledDistance(), 1);
    EXPECT_FALSE(W.stepActive());
    EXPECT_EQ(W.stepToOutside(), 5);
    EXPECT_EQ(W.text(), QString());
    EXPECT_EQ(W.totalVisible(), 10);
    EXPECT_FALSE(W.overwrite());
    EXPECT_EQ(W.focusPolicy(), Qt::StrongFocus) << "the control is a tab stop";
    EXPECT_EQ(W.sizeHint(), QSize(181, 28));
    EXPECT_EQ(W.size(), QSize(181, 28));
    EXPECT_EQ(W.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    EXPECT_EQ(W.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
}

TEST(QEditMatrixProperties, ClampToAByteAndThenFollowTheControlsRules) {
    QEditMatrix W;
    W.setLedSize(300);
    EXPECT_EQ(W.ledSize(), 255);
    W.setLedSize(-4);  // 0, then Square's rule
    EXPECT_EQ(W.ledSize(), 1);
    W.setLedShape(QEditMatrix::Circle);
    EXPECT_EQ(W.ledSize(), 3);
    W.setLedSize(6);
    EXPECT_EQ(W.ledSize(), 5);
    W.setLedDistance(1000);
    EXPECT_EQ(W.ledDistance(), 255);
    W.setLedDistance(1);
    W.setTotalVisible(-1);
    EXPECT_EQ(W.totalVisible(), 0);
    W.setTotalVisible(10);
    W.setStepToOutside(8);
    EXPECT_EQ(W.stepToOutside(), 5);
    W.setTotalVisible(4);
    EXPECT_EQ(W.stepToOutside(), 2);
    W.setStepToOutside(-3);  // 0 becomes 1
    EXPECT_EQ(W.stepToOutside(), 1);
    W.setDelay(-5);
    EXPECT_EQ(W.delay(), -5);
    W.setActiveLedOnColor(QColor(10, 20, 30, 40));  // alpha ignored
    EXPECT_EQ(W.control().ActiveLEDOnColor(), 0x1E140AU);
    W.setBackgroundColor(QColor());  // invalid: black
    EXPECT_EQ(W.control().BackgroundColor(), 0U);
    W.setText(QString("a") + QChar(0x263A) + "b\tc");
    EXPECT_EQ(W.control().FReadText(), "a?b c");
}

TEST(QEditMatrixProperties, SizeFollowsTheLedGeometryInBothModes) {
    QEditMatrix W;
    W.setLedSize(5);
    W.setLedDistance(2);
    W.setTotalVisible(3);
    EXPECT_EQ(W.sizeHint(), QSize(2 + 7 * 18, 2 + 7 * 9));
    EXPECT_EQ(W.size(), W.sizeHint());
    W.setDelay(60'000);
    W.setBlinkDelay(60'000);
    W.setScroll(true);
    EXPECT_EQ(W.size(), QSize(2 + 7 * 18, 2 + 7 * 7));
}

// setProperty and form loaders hand over plain numbers; one that names no shape once loaded an
// invalid enum value (undefined behaviour).
TEST(QEditMatrixProperties, AnOutOfRangeLedShapeIsClampedWithoutUndefinedBehaviour) {
    struct Case {
        int Start;
        int Written;
        QEditMatrix::LedShape Expected;
    };
    for (const Case C :
         {Case{0, 7, QEditMatrix::Circle}, Case{1, -1, QEditMatrix::Square}, Case{0, 2, QEditMatrix::Circle},
          Case{1, 1, QEditMatrix::Circle}, Case{0, std::numeric_limits<int>::min(), QEditMatrix::Square}}) {
        SCOPED_TRACE(C.Written);
        QEditMatrix W;
        W.setLedShape(static_cast<QEditMatrix::LedShape>(C.Start));
        EXPECT_TRUE(W.setProperty("ledShape", C.Written));
        EXPECT_EQ(W.ledShape(), C.Expected);
        EXPECT_EQ(W.property("ledShape").toInt(), static_cast<int>(C.Expected));
    }
}

TEST(QEditMatrixSignals, EverySetterSignalsOnceWithTheNewValueAndNotForTheSameValue) {
    QEditMatrix W;
    QSignalSpy Size(&W, &QEditMatrix::ledSizeChanged);
    QSignalSpy Step(&W, &QEditMatrix::stepToOutsideChanged);
    QSignalSpy Width(&W, &QEditMatrix::totalVisibleChanged);
    QSignalSpy Colour(&W, &QEditMatrix::activeLedOnColorChanged);
    QSignalSpy Shape(&W, &QEditMatrix::ledShapeChanged);
    QSignalSpy Text(&W, &QEditMatrix::textChanged);
    W.setLedSize(4);
    W.setLedSize(4);
    ASSERT_EQ(Size.count(), 1);
    EXPECT_EQ(Size.takeFirst().at(0).toInt(), 4);
    W.setTotalVisible(4);  // re-clamps stepToOutside 5 -> 2
    ASSERT_EQ(Step.count(), 1);
    EXPECT_EQ(Step.takeFirst().at(0).toInt(), 2);
    EXPECT_EQ(Width.count(), 1);
    W.setTotalVisible(4);  // repaints, but no change
    EXPECT_EQ(Width.count(), 1);
    W.setActiveLedOnColor(QColor(0, 255, 0));
    ASSERT_EQ(Colour.count(), 1);
    EXPECT_EQ(Colour.takeFirst().at(0).value<QColor>(), QColor(0, 255, 0));
    W.setLedShape(QEditMatrix::Circle);  // and ledSize 4 -> 3
    ASSERT_EQ(Shape.count(), 1);
    EXPECT_EQ(Shape.takeFirst().at(0).value<QEditMatrix::LedShape>(), QEditMatrix::Circle);
    ASSERT_EQ(Size.count(), 1);
    EXPECT_EQ(Size.takeFirst().at(0).toInt(), 3);
    W.setText("abc");
    W.setText("abc");
    ASSERT_EQ(Text.count(), 1);
    EXPECT_EQ(Text.takeFirst().at(0).toString(), "abc");
}

TEST(QEditMatrixSignals, KeysAndFocusSignalTheirChangesBeforeTheEventReturns) {
    TQtWindow Window;
    QEditMatrix& W = *Window.Matrix;
    ASSERT_TRUE(Window.Show());
    W.setFocus();
    QSignalSpy Text(&W, &QEditMatrix::textChanged);
    QSignalSpy Overwrite(&W, &QEditMatrix::overwriteChanged);
    QSignalSpy Active(&W, &QEditMatrix::activeLedChanged);
    QSignalSpy Cursor(&W, &QEditMatrix::cursorPositionChanged);
    QTest::keyClicks(&W, "hi");
    EXPECT_EQ(Text.count(), 2);
    EXPECT_EQ(Text.last().at(0).toString(), "hi");
    EXPECT_EQ(Cursor.count(), 2);
    QTest::keyClick(&W, Qt::Key_Left);
    EXPECT_EQ(Cursor.count(), 3);
    EXPECT_EQ(Cursor.last().at(0).toInt(), 1);
    QTest::keyClick(&W, Qt::Key_Insert);
    EXPECT_EQ(Overwrite.count(), 1);
    Window.After->setFocus();
    ASSERT_EQ(Active.count(), 1);
    EXPECT_FALSE(Active.takeFirst().at(0).toBool());
}

TEST(QEditMatrixSignals, ControlCodesInAFrameSignalFromTheEventLoopAfterTheStep) {
    QEditMatrix W;
    W.setDelay(60'000);
    W.setBlinkDelay(60'000);
    W.setText("@C00FF00@L000003Hi");
    W.setScroll(true);
    bool SlotRan = false;
    // A slot that changes the control heavily: a new text rebuilds the column stream the frame
    // was walking, and a new size the back buffer.
    QObject::connect(&W, &QEditMatrix::activeLedOnColorChanged, &W, [&](const QColor& C) {
        EXPECT_EQ(C, QColor(0, 255, 0));
        W.setText("replaced");
        W.setLedSize(7);
        SlotRan = true;
    });
    QSignalSpy Size(&W, &QEditMatrix::ledSizeChanged);
    W.control().TryToScrollOnce();  // the frame's pre-pass runs both codes
    EXPECT_FALSE(SlotRan) << "nothing is signalled inside the frame";
    EXPECT_EQ(W.control().LEDSize(), 3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return SlotRan; }, 5000));
    EXPECT_EQ(W.text(), "replaced");
    EXPECT_EQ(W.ledSize(), 7);
    // ledSize went 2 -> 3 in the frame and 3 -> 7 in the slot: the signals give what was shown.
    ASSERT_GE(Size.count(), 1);
    EXPECT_EQ(Size.last().at(0).toInt(), 7);
}

TEST(QEditMatrixSignals, AChangeAndItsUndoInsideOneStepSignalNothing) {
    QEditMatrix W;
    QSignalSpy Distance(&W, &QEditMatrix::ledDistanceChanged);
    W.control().FSetLEDDistance(4);
    W.control().FSetLEDDistance(1);
    QTest::qWait(20);
    EXPECT_EQ(Distance.count(), 0);
    W.control().FSetLEDDistance(3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Distance.count() == 1; }, 5000));
    EXPECT_EQ(Distance.takeFirst().at(0).toInt(), 3);
}

TEST(QEditMatrixCursor, SetCursorPositionCopiesOneFrameNotOnePerCharacterPassed) {
    struct TRow {
        int Length;
        bool StepActive;
        int TotalVisible;
        int From;
        int To;
        int Copies;
    };
    const TRow Rows[] = {
        {1000, false, 10, 1000, 0, 1},  // across the whole text
        {1000, true, 10, 0, 1000, 1},   // the window jumps on the way
        {40, true, 7, 3, 29, 1},       {40, false, 10, 35, 4, 1}, {40, false, 1, 40, 20, 1},  // a window of one cell
        {40, false, 0, 40, 20, 1},   // no cells: the window follows the cursor
        {40, false, 10, 12, 12, 0},  // no move, no frame
        {40, false, 10, 40, 99, 0},  // clamped to the end, where it is
    };
    for (const TRow& R : Rows) {
        SCOPED_TRACE(testing::Message() << "length " << R.Length << " step " << R.StepActive << " visible "
                                        << R.TotalVisible << " from " << R.From << " to " << R.To);
        QString Text;
        for (int i = 0; i < R.Length; ++i) Text += QChar('A' + i % 26);
        // The oracle moves its cursor one key step at a time.
        QEditMatrix W;
        QEditMatrix Literal;
        for (QEditMatrix* M : {&W, &Literal}) {
            M->setTotalVisible(R.TotalVisible);
            M->setStepActive(R.StepActive);
            M->setText(Text);
            M->setCursorPosition(R.From);
        }
        vyr::qt::detail::THostWindowProbe::ResetCounts(W);
        QSignalSpy Cursor(&W, &QEditMatrix::cursorPositionChanged);
        W.setCursorPosition(R.To);
        const int Target = std::clamp(R.To, 0, R.Length);
        while (Literal.cursorPosition() > Target) Literal.control().GoLeft();
        while (Literal.cursorPosition() < Target) Literal.control().GoRight();
        EXPECT_EQ(vyr::qt::detail::THostWindowProbe::Tally(W).Copies, R.Copies);
        EXPECT_EQ(W.cursorPosition(), Target);
        EXPECT_EQ(Cursor.count(), R.From == Target ? 0 : 1);
        EXPECT_TRUE(W.surface() == Literal.surface()) << "the frame shown differs";
    }
}

TEST(QEditMatrixCharset, NamesASharedComponentAndForgetsItWhenItGoes) {
    QEditMatrix A;
    QEditMatrix B;
    QSignalSpy Changed(&A, &QEditMatrix::charsetChanged);
    A.setCharset("Latin");
    B.setCharset("Latin");
    ASSERT_NE(A.charsetComponent(), nullptr);
    EXPECT_EQ(A.charsetComponent(), B.charsetComponent());
    EXPECT_EQ(A.charset(), "Latin");
    EXPECT_EQ(Changed.count(), 1);
    A.setCharset("");
    EXPECT_EQ(A.charsetComponent(), nullptr);

    TCharSet Own(nullptr);
    Own.SetName("Own");
    {
        QEditMatrix C;
        C.setCharsetComponent(&Own);
        EXPECT_EQ(C.charset(), "Own");
    }
    auto* Doomed = new TCharSet(nullptr);
    Doomed->SetName("Doomed");
    A.setCharsetComponent(Doomed);
    Changed.clear();
    delete Doomed;
    EXPECT_EQ(A.charsetComponent(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Changed.count() == 1; }, 5000));
    EXPECT_EQ(Changed.takeFirst().at(0).toString(), QString());
}

TEST(QEditMatrixHighDpi, EveryLogicalPixelBecomesAnUnblendedBlockOfDevicePixels) {
    QEditMatrix W;
    W.setLedShape(QEditMatrix::Circle);
    W.setLedSize(5);
    W.setText("Ag");
    (void)Grab(W);  // the first paint: the control's frame reaches the surface
    const QImage& Surface = W.surface();
    for (const int Ratio : {2, 3}) {
        QImage Device(W.width() * Ratio, W.height() * Ratio, QImage::Format_RGB32);
        Device.setDevicePixelRatio(Ratio);
        Device.fill(Qt::white);
        W.render(&Device);
        int Mismatches = 0;
        for (int Y = 0; Y < Device.height(); ++Y) {
            for (int X = 0; X < Device.width(); ++X) {
                if (ColorAt(Device, X, Y) != ColorAt(Surface, X / Ratio, Y / Ratio)) ++Mismatches;
            }
        }
        EXPECT_EQ(Mismatches, 0) << "ratio " << Ratio;
    }
}

}  // namespace
}  // namespace vyr::test
