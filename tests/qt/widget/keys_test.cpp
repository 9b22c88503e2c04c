// Qt key events reach the control as the host's key-down (named keys, virtual-key codes) and
// key-press (the event's text, 8-bit).
#include <gtest/gtest.h>

#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <utility>
#include <vector>

#include "support/qt_support.h"
#include "vyr/qt/QtBackend.h"

namespace vyr::test {
namespace {

TEST(QtKeys, NamedKeysMapToTheVirtualKeyCodesAndCharacterKeysToNone) {
    const std::vector<std::pair<int, int>> Table = {
        {Qt::Key_Backspace, 8},
        {Qt::Key_Tab, 9},
        {Qt::Key_Return, 13},
        {Qt::Key_Enter, 13},
        {Qt::Key_Escape, 27},
        {Qt::Key_Space, 32},
        {Qt::Key_PageUp, 33},
        {Qt::Key_PageDown, 34},
        {Qt::Key_End, 35},
        {Qt::Key_Home, 36},
        {Qt::Key_Left, 37},
        {Qt::Key_Up, 38},
        {Qt::Key_Right, 39},
        {Qt::Key_Down, 40},
        {Qt::Key_Insert, 45},
        {Qt::Key_Delete, 46},
        {Qt::Key_F1, 112},
        {Qt::Key_F24, 135},
        // Keys that type a character: Qt's codes would read as movements.
        {Qt::Key_Exclam, 0},
        {Qt::Key_QuoteDbl, 0},
        {Qt::Key_NumberSign, 0},
        {Qt::Key_Dollar, 0},
        {Qt::Key_Percent, 0},
        {Qt::Key_Ampersand, 0},
        {Qt::Key_ParenLeft, 0},
        {Qt::Key_Period, 0},
        {Qt::Key_A, 0},
        {Qt::Key_5, 0},
        {Qt::Key_Shift, 0},
        {Qt::Key_Control, 0},
    };
    for (const auto& [QtKey, Code] : Table) EXPECT_EQ(qt::VirtualKey(QtKey), Code) << "Qt key 0x" << std::hex << QtKey;
}

class QtKeyboard : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Window.Show());
        Window.Matrix->setFocus();
        ASSERT_TRUE(Window.Matrix->hasFocus());
    }
    QEditMatrix& M() { return *Window.Matrix; }
    TQtWindow Window;
};

TEST_F(QtKeyboard, TheMovementKeysMoveTheCursorAndTheWindow) {
    M().setText("0123456789ABCDEFGHIJ");  // cursor at the end, window showing the last cells
    ASSERT_EQ(M().cursorPosition(), 20);
    QTest::keyClick(&M(), Qt::Key_Left);
    EXPECT_EQ(M().cursorPosition(), 19);
    QTest::keyClick(&M(), Qt::Key_Home);
    EXPECT_EQ(M().cursorPosition(), 0);
    EXPECT_EQ(M().control().FirstVisible(), 0);
    QTest::keyClick(&M(), Qt::Key_Right);
    EXPECT_EQ(M().cursorPosition(), 1);
    QTest::keyClick(&M(), Qt::Key_Right, Qt::ControlModifier);  // modifiers are ignored
    EXPECT_EQ(M().cursorPosition(), 2);
    QTest::keyClick(&M(), Qt::Key_PageDown);
    EXPECT_GT(M().cursorPosition(), 2);
    const int AfterPageDown = M().cursorPosition();
    QTest::keyClick(&M(), Qt::Key_PageUp);
    EXPECT_LT(M().cursorPosition(), AfterPageDown);
    QTest::keyClick(&M(), Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(M().cursorPosition(), 20);
    EXPECT_EQ(M().text(), "0123456789ABCDEFGHIJ");
}

TEST_F(QtKeyboard, TypingInsertsAndBackspaceAndDeleteRemoveOneCharacterEach) {
    M().setText("abc");
    QTest::keyClicks(&M(), "de");
    EXPECT_EQ(M().text(), "abcde");
    QTest::keyClick(&M(), Qt::Key_Backspace);  // key-down removes; its character 8 is ignored
    EXPECT_EQ(M().text(), "abcd");
    QTest::keyClick(&M(), Qt::Key_Home);
    QTest::keyClick(&M(), Qt::Key_Delete);
    EXPECT_EQ(M().text(), "bcd");
    EXPECT_EQ(M().cursorPosition(), 0);
}

TEST_F(QtKeyboard, AnExclamationMarkIsTypedAndDoesNotPageUp) {
    M().setText("0123456789ABCDEFGHIJ");
    const int FirstVisible = M().control().FirstVisible();
    QTest::keyClick(&M(), Qt::Key_Exclam, Qt::ShiftModifier);
    EXPECT_EQ(M().text(), "0123456789ABCDEFGHIJ!");
    EXPECT_EQ(M().cursorPosition(), 21);
    EXPECT_EQ(M().control().FirstVisible(), FirstVisible + 1) << "the window follows the typed character only";
    QTest::keyClick(&M(), Qt::Key_Dollar, Qt::ShiftModifier);  // 0x24 would be Home
    EXPECT_EQ(M().cursorPosition(), 22);
}

TEST_F(QtKeyboard, OnlyKeysThatTypeACharacterInsertTheirText) {
    M().setText("ab");
    QKeyEvent Delete(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QString(QChar(0x7F)));
    QApplication::sendEvent(&M(), &Delete);  // at the end: nothing to delete, and no DEL typed
    QKeyEvent Space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
    QApplication::sendEvent(&M(), &Space);
    EXPECT_EQ(M().text(), "ab ");
}

TEST_F(QtKeyboard, InsertTogglesOverwriteAndTheNextCharacterReplaces) {
    M().setText("abc");
    QTest::keyClick(&M(), Qt::Key_Home);
    QTest::keyClick(&M(), Qt::Key_Insert);
    EXPECT_TRUE(M().overwrite());
    QTest::keyClicks(&M(), "X");
    EXPECT_EQ(M().text(), "Xbc");
    QTest::keyClick(&M(), Qt::Key_Insert);
    EXPECT_FALSE(M().overwrite());
    QTest::keyClicks(&M(), "Y");
    EXPECT_EQ(M().text(), "XYbc");
}

TEST_F(QtKeyboard, CharactersBeyondLatin1TypeAsQuestionMarksAndLatin1KeepsItsCode) {
    M().setText("");
    QKeyEvent Euro(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x20AC)));
    QApplication::sendEvent(&M(), &Euro);
    QKeyEvent Ring(QEvent::KeyPress, Qt::Key_Aring, Qt::NoModifier, QString(QChar(0xE5)));
    QApplication::sendEvent(&M(), &Ring);
    EXPECT_EQ(M().text(), QString("?") + QChar(0xE5));
    EXPECT_EQ(M().control().FReadText(), std::string("?\xE5"));
}

TEST_F(QtKeyboard, KeysTheControlDoesNotTakeGoOnToTheParentAfterTheHostSawThem) {
    M().setText("ab");
    std::vector<host::Word> Seen;
    M().control().OnKeyDown = [&](host::TWinControl&, host::Word& Key, host::TShiftState) { Seen.push_back(Key); };
    auto Send = [&](int QtKey, const QString& Text) {
        QKeyEvent E(QEvent::KeyPress, QtKey, Qt::NoModifier, Text);
        QApplication::sendEvent(&M(), &E);
        return E.isAccepted();
    };
    EXPECT_FALSE(Send(Qt::Key_Shift, ""));
    EXPECT_TRUE(Send(Qt::Key_Left, ""));
    EXPECT_TRUE(Send(Qt::Key_Home, ""));
    EXPECT_TRUE(Send(Qt::Key_A, "a"));
    // A dialog's default and cancel buttons still get Return and Escape.
    EXPECT_FALSE(Send(Qt::Key_Return, "\r"));
    EXPECT_FALSE(Send(Qt::Key_Escape, QString(QChar(27))));
    EXPECT_EQ(Seen, (std::vector<host::Word>{37, 36, 13, 27}));
    EXPECT_EQ(M().text(), "aab");
}

TEST_F(QtKeyboard, InScrollModeTypingIsIgnoredButEditingKeysStillWork) {
    M().setDelay(60'000);
    M().setBlinkDelay(60'000);
    M().setText("abc");
    M().setScroll(true);
    QTest::keyClicks(&M(), "xyz");
    EXPECT_EQ(M().text(), "abc");
    QTest::keyClick(&M(), Qt::Key_Backspace);
    EXPECT_EQ(M().text(), "ab");
    QTest::keyClick(&M(), Qt::Key_Insert);
    EXPECT_TRUE(M().overwrite());
}

}  // namespace
}  // namespace vyr::test
