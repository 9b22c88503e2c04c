// vyrmatrix-qt: the property panel made from the control's property table (order, editor types,
// edits reaching the matrix, NOTIFY changes reaching the editors without writing back), faults
// around the marquee (restarting it with the focus, edits while it scrolls), the focus walk of
// the window, the command line and the screenshot.
#include <gtest/gtest.h>

#include <QtCore/QDir>
#include <QtCore/QTemporaryDir>
#include <QtGui/QImage>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QSpinBox>
#include <chrono>
#include <limits>
#include <string>

#include "QtProbe.h"
#include "demo_window.h"
#include "options.h"
#include "property_panel.h"
#include "vyr/CharSet.h"
#include "vyr/fonts/Fonts.h"

namespace vyr::demo {
namespace {

using host::TTypeKind;

class DemoWindow : public ::testing::Test {
protected:
    void SetUp() override {
        W.show();
        QApplication::setActiveWindow(&W);
        W.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&W));
    }

    QPropertyPanel& Panel() { return *W.panel(); }
    template <typename T>
    T* Editor(std::string_view Name) {
        auto* E = qobject_cast<T*>(Panel().editor(Name));
        EXPECT_NE(E, nullptr) << Name;
        return E;
    }

    QDemoWindow W;
};

// ---- The panel from the table ----------------------------------------------------------------

TEST_F(DemoWindow, ThePanelHasOneEditorPerPropertyInTheTablesOrderAndByItsType) {
    const host::TPropList& Table = W.editMatrix()->control().Properties();
    ASSERT_EQ(Panel().editorCount(), static_cast<int>(Table.size()));
    for (int i = 0; i < Panel().editorCount(); ++i) {
        const host::TPropInfo& Info = Table[static_cast<std::size_t>(i)];
        SCOPED_TRACE(std::string(Info.Name));
        EXPECT_EQ(Panel().propertyNameAt(i), Info.Name);
        QWidget* E = Panel().editorAt(i);
        switch (Info.Kind) {
            case TTypeKind::Boolean:
                EXPECT_NE(qobject_cast<QCheckBox*>(E), nullptr);
                break;
            case TTypeKind::Integer:
            case TTypeKind::Byte: {
                auto* Spin = qobject_cast<QSpinBox*>(E);
                ASSERT_NE(Spin, nullptr);
                EXPECT_EQ(Spin->minimum(), Info.Min);
                EXPECT_EQ(Spin->maximum(), Info.Max);
                break;
            }
            case TTypeKind::Color:
                EXPECT_NE(qobject_cast<QColorButton*>(E), nullptr);
                break;
            case TTypeKind::Enum: {
                auto* Combo = qobject_cast<QComboBox*>(E);
                ASSERT_NE(Combo, nullptr);
                ASSERT_EQ(Combo->count(), 2);
                EXPECT_EQ(Combo->itemText(1), "Circle");
                break;
            }
            case TTypeKind::String:
            case TTypeKind::Component:
                EXPECT_NE(qobject_cast<QLineEdit*>(E), nullptr);
                break;
        }
    }
    // The table's published properties, the inherited ones included.
    EXPECT_EQ(Panel().propertyNameAt(0), "Name");
    EXPECT_EQ(Panel().propertyNameAt(2), "Scroll");
    EXPECT_EQ(Panel().propertyNameAt(Panel().editorCount() - 1), "Overwrite");
    EXPECT_EQ(Editor<QSpinBox>("Delay")->maximum(), std::numeric_limits<int>::max());
    EXPECT_EQ(Editor<QSpinBox>("LEDSize")->maximum(), 255);
}

TEST_F(DemoWindow, ThePanelShowsTheSelectedMatrixAndFollowsTheFocus) {
    EXPECT_EQ(Panel().matrix(), W.editMatrix());
    EXPECT_EQ(Editor<QSpinBox>("TotalVisible")->value(), 14);
    EXPECT_FALSE(Editor<QCheckBox>("Scroll")->isChecked());
    W.marquee()->setFocus();
    EXPECT_EQ(Panel().matrix(), W.marquee());
    EXPECT_EQ(W.target()->currentIndex(), 1);
    EXPECT_TRUE(Editor<QCheckBox>("Scroll")->isChecked());
    EXPECT_EQ(Editor<QComboBox>("LEDShape")->currentText(), "Circle");
    W.target()->setCurrentIndex(0);
    EXPECT_EQ(Panel().matrix(), W.editMatrix());
    EXPECT_EQ(Editor<QLineEdit>("Text")->text(), W.editMatrix()->text());
}

TEST_F(DemoWindow, EditingAnEditorSetsThePropertyOnTheMatrix) {
    QEditMatrix& M = *W.editMatrix();
    Editor<QCheckBox>("Overwrite")->setChecked(true);
    EXPECT_TRUE(M.overwrite());
    Editor<QSpinBox>("Delay")->setValue(250);
    EXPECT_EQ(M.delay(), 250);
    Editor<QColorButton>("BackgroundColor")->pick(QColor(0, 0, 90));
    EXPECT_EQ(M.backgroundColor(), QColor(0, 0, 90));
    Editor<QComboBox>("LEDShape")->setCurrentIndex(1);
    EXPECT_EQ(M.ledShape(), QEditMatrix::Circle);
    // The setter's clamping shows at once: Circle keeps the size odd.
    Editor<QSpinBox>("LEDSize")->setValue(6);
    EXPECT_EQ(M.ledSize(), 5);
    EXPECT_EQ(Editor<QSpinBox>("LEDSize")->value(), 5);
    // A side effect on another property: StepToOutside is re-clamped by TotalVisible.
    Editor<QSpinBox>("TotalVisible")->setValue(4);
    EXPECT_EQ(M.totalVisible(), 4);
    EXPECT_EQ(Editor<QSpinBox>("StepToOutside")->value(), 2);

    auto* Text = Editor<QLineEdit>("Text");
    Text->clear();
    QTest::keyClicks(Text, "Hi@@");
    EXPECT_EQ(M.text(), "Hi@@");

    // Properties without a Q_PROPERTY go through the table's own setters.
    auto* Name = Editor<QLineEdit>("Name");
    Name->setText("Display1");
    QTest::keyClick(Name, Qt::Key_Return);
    EXPECT_EQ(M.control().Name(), "Display1");
    Editor<QSpinBox>("Tag")->setValue(-7);
    EXPECT_EQ(M.control().Tag(), -7);
    Editor<QCheckBox>("TabStop")->setChecked(false);
    EXPECT_FALSE(M.control().TabStop());
    EXPECT_EQ(M.focusPolicy(), Qt::ClickFocus) << "Qt's tab chain leaves it out";
    EXPECT_FALSE(Editor<QSpinBox>("TabOrder")->isEnabled());

    auto* Charset = Editor<QLineEdit>("Charset");
    Charset->setText("Latin");
    QTest::keyClick(Charset, Qt::Key_Return);
    ASSERT_NE(M.charsetComponent(), nullptr);
    EXPECT_EQ(M.charsetComponent()->Name(), "Latin");
}

TEST_F(DemoWindow, ANotifyChangeUpdatesTheEditorWithoutWritingBack) {
    QEditMatrix& M = *W.editMatrix();
    QSignalSpy Texts(&M, &QEditMatrix::textChanged);
    QSignalSpy Sizes(&M, &QEditMatrix::ledSizeChanged);
    M.setFocus();
    QTest::keyClick(&M, Qt::Key_End);
    QTest::keyClicks(&M, "!?");
    EXPECT_EQ(Editor<QLineEdit>("Text")->text(), M.text());
    EXPECT_TRUE(M.text().endsWith("!?"));
    EXPECT_EQ(Texts.count(), 2) << "one signal per key: the editor's update wrote nothing back";
    QTest::keyClick(&M, Qt::Key_Insert);
    EXPECT_TRUE(Editor<QCheckBox>("Overwrite")->isChecked());

    M.setLedSize(7);
    EXPECT_EQ(Editor<QSpinBox>("LEDSize")->value(), 7);
    EXPECT_EQ(Sizes.count(), 1);

    // The focus leaving the matrix clears ActiveLED; the panel shows it.
    W.lineEdit()->setFocus();
    EXPECT_FALSE(Editor<QCheckBox>("ActiveLED")->isChecked());

    // Typing in the middle of the Text editor keeps its cursor where it is.
    auto* Text = Editor<QLineEdit>("Text");
    Text->setFocus();
    Text->setText("ABCD");
    Text->setCursorPosition(2);
    QTest::keyClicks(Text, "xy");
    EXPECT_EQ(M.text(), "ABxyCD");
    EXPECT_EQ(Text->cursorPosition(), 4);
}

TEST_F(DemoWindow, ALetterCodeInTheMarqueeUpdatesItsColourButton) {
    QEditMatrix& M = *W.marquee();
    W.select(&M);
    M.setDelay(1);
    M.setText("ABC@C00FF00DEF");
    auto* OnColor = Editor<QColorButton>("ActiveLEDOnColor");
    EXPECT_TRUE(QTest::qWaitFor([&] { return OnColor->color() == QColor(0, 255, 0); }, 5000));
    EXPECT_EQ(M.activeLedOnColor(), QColor(0, 255, 0));
}

// ---- Faults around the marquee ---------------------------------------------------------------

TEST_F(DemoWindow, RestartingTheMarqueeFromThePanelWithTheFocusIsSafe) {
    for (QEditMatrix* Focused : {W.marquee(), W.editMatrix()}) {
        for (QEditMatrix* Target : {W.marquee(), W.editMatrix()}) {
            SCOPED_TRACE(Focused->objectName().toStdString() + " focused, " + Target->objectName().toStdString());
            Target->setDelay(0);
            auto* Scroll = Editor<QCheckBox>("Scroll");
            for (int Round = 0; Round < 5; ++Round) {
                // Focusing a matrix selects it: the target is chosen in the combo afterwards.
                Focused->setFocus();
                W.select(Target);
                ASSERT_EQ(Panel().matrix(), Target);
                Scroll->setChecked(!Scroll->isChecked());
                QTest::qWait(15);
                Scroll->setChecked(!Scroll->isChecked());
                QTest::keyClick(Focused, Qt::Key_Down);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
                QTest::qWait(15);
            }
            W.select(Target);
            EXPECT_EQ(Target->scroll(), Target == W.marquee());
            EXPECT_EQ(Scroll->isChecked(), Target->scroll());
        }
    }
    // Both still draw: a frame or more reaches the marquee's surface.
    vyr::qt::detail::THostWindowProbe::ResetCounts(*W.marquee());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return vyr::qt::detail::THostWindowProbe::Tally(*W.marquee()).Copies > 2; }, 3000));
}

TEST_F(DemoWindow, PropertyEditsWhileScrollingAreSafe) {
    QEditMatrix& M = *W.marquee();
    W.select(&M);
    M.setDelay(0);
    M.setBlinkDelay(0);
    const auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    for (int i = 0; std::chrono::steady_clock::now() < End; ++i) {
        Editor<QSpinBox>("TotalVisible")->setValue(i % 7 == 0 ? 0 : 1 + i % 23);
        Editor<QSpinBox>("LEDSize")->setValue(1 + i % 6);
        Editor<QSpinBox>("LEDDistance")->setValue(i % 3);
        Editor<QComboBox>("LEDShape")->setCurrentIndex(i % 2);
        Editor<QColorButton>("ActiveLEDOnColor")->pick(QColor::fromHsv((i * 37) % 360, 255, 255));
        Editor<QSpinBox>("StepToOutside")->setValue(i % 9);
        auto* Text = Editor<QLineEdit>("Text");
        Text->clear();
        QTest::keyClicks(Text, i % 5 == 0 ? QString() : QString("A@2%1B@S00000%2C@L000004").arg(i % 10).arg(i % 2));
        if (i % 4 == 0) Editor<QCheckBox>("Scroll")->setChecked(i % 8 != 0);
        QTest::qWait(2);
    }
    Editor<QCheckBox>("Scroll")->setChecked(true);
    Editor<QSpinBox>("TotalVisible")->setValue(5);
    Editor<QSpinBox>("LEDSize")->setValue(3);
    QTest::qWait(20);
    // The panel and the widget agree with the control after all that.
    EXPECT_EQ(Editor<QSpinBox>("LEDSize")->value(), M.ledSize());
    EXPECT_EQ(Editor<QSpinBox>("TotalVisible")->value(), 5);
    const int P = M.ledSize() + M.ledDistance();
    EXPECT_EQ(M.width(), M.ledDistance() + P * 6 * 5);
    EXPECT_EQ(M.height(), M.ledDistance() + P * 7);
}

// ---- Focus -----------------------------------------------------------------------------------

TEST_F(DemoWindow, TabUpAndDownWalkBetweenTheEditMatrixAndTheLineEdit) {
    QEditMatrix& M = *W.editMatrix();
    QLineEdit& Line = *W.lineEdit();
    M.setFocus();
    EXPECT_TRUE(M.activeLed());
    QTest::keyClick(&M, Qt::Key_Tab);
    EXPECT_TRUE(Line.hasFocus());
    EXPECT_FALSE(M.activeLed()) << "the inactive colours show";
    QTest::keyClick(&Line, Qt::Key_Backtab);
    EXPECT_TRUE(M.hasFocus());
    EXPECT_TRUE(M.activeLed());
    QTest::keyClick(&M, Qt::Key_Down);
    EXPECT_TRUE(Line.hasFocus());
    QTest::keyClick(&Line, Qt::Key_Up);
    EXPECT_TRUE(M.hasFocus());
    QTest::keyClick(&M, Qt::Key_Up);
    EXPECT_TRUE(Line.hasFocus()) << "two siblings: Up wraps to the other";
    QTest::keyClick(&Line, Qt::Key_Down);
    EXPECT_TRUE(M.hasFocus());
    QTest::keyClick(&Line, Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(W.marquee()->hasFocus()) << "then Tab goes on to the marquee";
}

// ---- Glyph editor ----------------------------------------------------------------------------

// A click on the enlarged grid toggles one LED of the picked code in both matrices, through the
// glyph table (the matrices show it at once); the table exported as BDF and imported again into
// fresh matrices gives the same 1,280 bytes.
TEST_F(DemoWindow, TheGlyphEditorTogglesAnLedInBothMatricesAndExportsWhatItImports) {
    QGlyphEditor& G = *W.glyphEditor();
    QEditMatrix& Edit = *W.editMatrix();
    QEditMatrix& Marquee = *W.marquee();
    Marquee.setScroll(false);
    Edit.setText("AAA");
    Marquee.setText("AAA");
    G.setCode('A');
    const host::Byte Before = Edit.control().GetCharColumn('A', 2);
    const QImage EditBefore = Edit.surface().copy();
    const QImage MarqueeBefore = Marquee.surface().copy();

    QTest::mouseClick(G.grid(), Qt::LeftButton, Qt::NoModifier, QGlyphGrid::centreOf(2, 3));
    const host::Byte After = Edit.control().GetCharColumn('A', 2);
    EXPECT_EQ(After, Before ^ (1u << (6 - 3)));
    EXPECT_EQ(Marquee.control().GetCharColumn('A', 2), After);
    EXPECT_NE(Edit.surface(), EditBefore);
    EXPECT_NE(Marquee.surface(), MarqueeBefore);
    // The same click again restores the glyph and the pictures.
    QTest::mouseClick(G.grid(), Qt::LeftButton, Qt::NoModifier, QGlyphGrid::centreOf(2, 3));
    EXPECT_EQ(Edit.control().GetCharColumn('A', 2), Before);
    EXPECT_EQ(Edit.surface(), EditBefore);
    EXPECT_EQ(Marquee.surface(), MarqueeBefore);

    G.setCode(0xE9);
    G.toggle(0, 0);
    G.toggle(4, 6);
    QTemporaryDir Dir;
    ASSERT_TRUE(Dir.isValid());
    const QString File = Dir.path() + "/table.bdf";
    ASSERT_TRUE(G.exportBdf(File)) << G.message().toStdString();
    const fonts::TGlyphTable Edited = fonts::TableOf(Edit.control());

    QDemoWindow Fresh;
    ASSERT_TRUE(Fresh.glyphEditor()->importFont(File)) << Fresh.glyphEditor()->message().toStdString();
    EXPECT_EQ(fonts::TableOf(Fresh.editMatrix()->control()), Edited);
    EXPECT_EQ(fonts::TableOf(Fresh.marquee()->control()), Edited);
    EXPECT_FALSE(Fresh.glyphEditor()->importFont(Dir.path() + "/missing.bdf"));
    EXPECT_TRUE(Fresh.glyphEditor()->message().contains("missing.bdf"));

    // A typed character is picked through the code page the editor sets on both matrices.
    Fresh.glyphEditor()->setCodePage("ISO-8859-5");
    EXPECT_EQ(Fresh.editMatrix()->codePage(), "ISO-8859-5");
    EXPECT_EQ(Fresh.marquee()->codePage(), "ISO-8859-5");
    EXPECT_TRUE(Fresh.glyphEditor()->pickCharacter(QString::fromUtf8("\xd0\x96")));  // Ж
    EXPECT_EQ(Fresh.glyphEditor()->code(), 0xB6);
    EXPECT_FALSE(Fresh.glyphEditor()->pickCharacter(QString::fromUtf8("\xe2\x82\xac")));  // no euro sign
    EXPECT_EQ(Fresh.glyphEditor()->code(), 0xB6);
}

// ---- Command line and screenshot -------------------------------------------------------------

TEST(DemoOptions, HelpVersionAndValues) {
    TParseResult R = ParseDemoOptions({"--version"});
    EXPECT_FALSE(R.Run);
    EXPECT_EQ(R.ExitCode, ExitOk);
    EXPECT_EQ(R.Out, std::string("vyrmatrix-qt ") + VYRMATRIX_VERSION + "\n");
    R = ParseDemoOptions({"--help"});
    EXPECT_EQ(R.ExitCode, ExitOk);
    EXPECT_NE(R.Out.find("--screenshot FILE"), std::string::npos);

    R = ParseDemoOptions({"--text", "--x@C00FF00", "--screenshot=a.png", "--settle", "0", "--quit-after=90"});
    ASSERT_TRUE(R.Run) << R.Error;
    EXPECT_EQ(R.Options.Text, "--x@C00FF00") << "the value is taken as it is";
    EXPECT_EQ(R.Options.Screenshot, "a.png");
    EXPECT_EQ(R.Options.SettleMs, 0);
    EXPECT_EQ(R.Options.QuitAfterMs, 90);
    R = ParseDemoOptions({});
    ASSERT_TRUE(R.Run);
    EXPECT_EQ(R.Options.SettleMs, 500);
    EXPECT_FALSE(R.Options.QuitAfterMs);
}

TEST(DemoOptions, BadArgumentsExitWithTwoAndOneLine) {
    for (const std::vector<std::string>& Args : std::vector<std::vector<std::string>>{
             {"--bogus"},
             {"-platform", "offscreen"},
             {"stray"},
             {"--text"},
             {"--settle", "-5"},
             {"--settle", "12ms"},
             {"--quit-after", ""},
             {"--screenshot="},
             {"--version=2"},
         }) {
        const TParseResult R = ParseDemoOptions(Args);
        SCOPED_TRACE(Args[0]);
        EXPECT_FALSE(R.Run);
        EXPECT_EQ(R.ExitCode, ExitBadArgument);
        EXPECT_EQ(R.Error.rfind("vyrmatrix-qt: ", 0), 0U) << R.Error;
        EXPECT_EQ(R.Error.find('\n'), std::string::npos);
        EXPECT_TRUE(R.Out.empty());
    }
    EXPECT_NE(ParseDemoOptions({"--bogus"}).Error.find("unknown option '--bogus'"), std::string::npos);
}

TEST(DemoRun, AScreenshotIsWrittenAndEndsTheRun) {
    QTemporaryDir Dir;
    ASSERT_TRUE(Dir.isValid());
    TDemoOptions Options;
    Options.Text = "Shot @200FF00green";
    Options.Screenshot = QDir(Dir.path()).filePath("shot.png").toStdString();
    Options.SettleMs = 100;
    Options.QuitAfterMs = 20000;  // a guard: the screenshot ends the run long before
    const auto Start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunDemoWindow(Options), ExitOk);
    EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(10));
    const QImage Shot(QString::fromStdString(*Options.Screenshot));
    ASSERT_FALSE(Shot.isNull());
    EXPECT_GT(Shot.width(), 600);
    EXPECT_GT(Shot.height(), 300);

    Options.Screenshot = QDir(Dir.path()).filePath("no/such/folder/shot.png").toStdString();
    Options.SettleMs = 0;
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunDemoWindow(Options), ExitFailure);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot write the screenshot"), std::string::npos);
}

}  // namespace
}  // namespace vyr::demo
