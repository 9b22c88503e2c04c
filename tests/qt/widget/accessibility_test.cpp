// vyr::QEditMatrix for assistive technology: the interface (role, name, text, cursor, editing) and
// the events an edit sends, seen through the accessibility tap. The AT-SPI test (tests/atspi)
// reads the same over the real bridge.
#include <gtest/gtest.h>

#include <QtGui/QAccessible>
#include <QtTest/QTest>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QVBoxLayout>
#include <functional>
#include <string>
#include <vector>

#include "accessible.h"
#include "support/qt_support.h"

namespace vyr::test {
namespace {

// The events of interest to a reader, one line each.
std::string Describe(const QAccessibleEvent& E) {
    switch (E.type()) {
        case QAccessible::TextInserted: {
            const auto& T = static_cast<const QAccessibleTextInsertEvent&>(E);
            return "insert " + std::to_string(T.changePosition()) + " " + T.textInserted().toStdString();
        }
        case QAccessible::TextRemoved: {
            const auto& T = static_cast<const QAccessibleTextRemoveEvent&>(E);
            return "remove " + std::to_string(T.changePosition()) + " " + T.textRemoved().toStdString();
        }
        case QAccessible::TextUpdated: {
            const auto& T = static_cast<const QAccessibleTextUpdateEvent&>(E);
            return "update " + std::to_string(T.changePosition()) + " " + T.textRemoved().toStdString() + ">" +
                   T.textInserted().toStdString();
        }
        case QAccessible::TextCaretMoved:
            return "caret " + std::to_string(static_cast<const QAccessibleTextCursorEvent&>(E).cursorPosition());
        case QAccessible::ValueChanged:
            return "value";
        case QAccessible::StateChanged:
            return "state";
        case QAccessible::DescriptionChanged:
            return "description";
        default:
            return {};
    }
}

struct EditCase {
    const char* Name;
    const char* Text;
    int Cursor;
    bool Overwrite;
    std::function<void(QEditMatrix&, QAccessibleInterface&)> Act;
    std::vector<std::string> Events;
};

std::ostream& operator<<(std::ostream& Out, const EditCase& Case) { return Out << Case.Name; }

class QEditMatrixAccessibleEdits : public ::testing::TestWithParam<EditCase> {};

// Each edit is told as a QLineEdit tells it: only what changed, where, and no value change
// (Qt warns "ValueChanged event and no ValueInterface" for a text role).
TEST_P(QEditMatrixAccessibleEdits, SendOnlyWhatChangedAndNoValueChange) {
    const EditCase& Case = GetParam();
    TQtWindow Window;
    ASSERT_TRUE(Window.Show());
    QEditMatrix& W = *Window.Matrix;
    W.setFocus();
    W.setText(Case.Text);
    W.setOverwrite(Case.Overwrite);
    W.setCursorPosition(Case.Cursor);
    QAccessibleInterface* Iface = QAccessible::queryAccessibleInterface(&W);
    ASSERT_NE(Iface, nullptr);

    std::vector<std::string> Events;
    qt::AccessibilityTap() = [&](const QAccessibleEvent& E) {
        if (std::string Line = Describe(E); !Line.empty()) Events.push_back(Line);
    };
    Case.Act(W, *Iface);
    qt::AccessibilityTap() = nullptr;
    EXPECT_EQ(Events, Case.Events);
    EXPECT_EQ(W.overwrite(), Case.Overwrite);
}

void Keys(QEditMatrix& W, const char* Keys) { QTest::keyClicks(&W, Keys); }
QAccessibleEditableTextInterface* Editable(QAccessibleInterface& I) { return I.editableTextInterface(); }

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Edits, QEditMatrixAccessibleEdits,
    ::testing::Values(
        EditCase{"TypedCharacterIsOneInsertion", "HELO", 3, false,
                 [](QEditMatrix& W, QAccessibleInterface&) { Keys(W, "L"); }, {"insert 3 L", "caret 4"}},
        EditCase{"RepeatedLetterIsInsertedAtTheCursor", "HELLO", 3, false,
                 [](QEditMatrix& W, QAccessibleInterface&) { Keys(W, "L"); }, {"insert 3 L", "caret 4"}},
        EditCase{"TwoKeysTwoInsertions", "", 0, false,
                 [](QEditMatrix& W, QAccessibleInterface&) { Keys(W, "AB"); },
                 {"insert 0 A", "caret 1", "insert 1 B", "caret 2"}},
        EditCase{"BackspaceRemovesOne", "HELLO", 5, false,
                 [](QEditMatrix& W, QAccessibleInterface&) { QTest::keyClick(&W, Qt::Key_Backspace); },
                 {"remove 4 O", "caret 4"}},
        EditCase{"DeleteRemovesOneAtTheCursor", "HELLO", 1, false,
                 [](QEditMatrix& W, QAccessibleInterface&) { QTest::keyClick(&W, Qt::Key_Delete); }, {"remove 1 E"}},
        EditCase{"OverwriteReplacesOne", "HELLO", 0, true,
                 [](QEditMatrix& W, QAccessibleInterface&) { Keys(W, "J"); }, {"update 0 H>J", "caret 1"}},
        EditCase{"CursorKeyIsACaretMove", "HELLO", 5, false,
                 [](QEditMatrix& W, QAccessibleInterface&) { QTest::keyClick(&W, Qt::Key_Home); }, {"caret 0"}},
        EditCase{"NewTextReplacesTheChangedMiddle", "HELLO", 5, false,
                 [](QEditMatrix& W, QAccessibleInterface&) { W.setText("HELP"); }, {"update 3 LO>P", "caret 4"}},
        EditCase{"AssistiveInsertion", "HELLO", 5, false,
                 [](QEditMatrix&, QAccessibleInterface& I) { Editable(I)->insertText(2, "XY"); },
                 {"insert 2 XY", "caret 4"}},
        EditCase{"AssistiveDeletion", "HELLO", 5, false,
                 [](QEditMatrix&, QAccessibleInterface& I) { Editable(I)->deleteText(1, 3); },
                 {"remove 1 EL", "caret 1"}},
        EditCase{"AssistiveReplacementInsertsWhateverTheInsertMode", "HELLO", 5, true,
                 [](QEditMatrix&, QAccessibleInterface& I) { Editable(I)->replaceText(0, 1, "JJ"); },
                 {"update 0 H>JJ", "caret 2"}},
        EditCase{"AssistiveEditOutsideTheTextIsClamped", "AB", 0, false,
                 [](QEditMatrix&, QAccessibleInterface& I) { Editable(I)->insertText(99, "C\n"); },
                 {"insert 2 C ", "caret 4"}},
        EditCase{"ScrollingSpeaksTheMarqueeWithoutCodes", "A@C00FF00B@@", 12, false,
                 [](QEditMatrix& W, QAccessibleInterface&) { W.setScroll(true); },
                 {"state", "description", "update 1 @C00FF00B@>B"}},
        EditCase{"ScrollingTextChangesAsShown", "A@C00FF00B", 10, false,
                 [](QEditMatrix& W, QAccessibleInterface&) {
                     W.setScroll(true);
                     W.setText("A@C00FF00BC@@");
                 },
                 {"state", "description", "remove 1 @C00FF00", "insert 2 C@"}},
        EditCase{"ScrollingIsReadOnly", "AB", 2, false,
                 [](QEditMatrix& W, QAccessibleInterface& I) {
                     QAccessibleEditableTextInterface* Edit = Editable(I);
                     W.setScroll(true);
                     EXPECT_EQ(Editable(I), nullptr);
                     Edit->insertText(0, "X");  // held from edit mode: does nothing now
                     EXPECT_EQ(W.text(), "AB");
                 },
                 {"state", "description"}}),
    [](const ::testing::TestParamInfo<EditCase>& Info) { return std::string(Info.param.Name); });
// clang-format on

TEST(QEditMatrixAccessibility, IsAnEditableTextWithItsCursor) {
    TQtWindow Window;
    ASSERT_TRUE(Window.Show());
    QEditMatrix& W = *Window.Matrix;
    W.setText("Hello");
    W.setFocus();
    QAccessibleInterface* Iface = QAccessible::queryAccessibleInterface(&W);
    ASSERT_NE(Iface, nullptr);
    EXPECT_EQ(Iface->role(), QAccessible::EditableText);
    EXPECT_TRUE(Iface->state().editable);
    EXPECT_FALSE(Iface->state().readOnly);
    EXPECT_EQ(Iface->text(QAccessible::Value), "Hello");
    QAccessibleTextInterface* Text = Iface->textInterface();
    ASSERT_NE(Text, nullptr);
    EXPECT_EQ(Text->characterCount(), 5);
    EXPECT_EQ(Text->text(1, 3), "el");
    EXPECT_EQ(Text->cursorPosition(), 5);
    Text->setCursorPosition(2);
    EXPECT_EQ(W.cursorPosition(), 2);
    // Cell 0 of the window holds 'H': its rectangle is inside the widget, at the left.
    const QRect Cell = Text->characterRect(0);
    EXPECT_EQ(W.mapFromGlobal(Cell.topLeft()), QPoint(1, 1));
    EXPECT_EQ(Text->offsetAtPoint(Cell.center()), 0);

    // Scrolling: a read-only static text of what the marquee shows, with no cursor or cells.
    W.setText("@C00FF00Vyr @@ 1");
    W.setScroll(true);
    EXPECT_EQ(Iface->role(), QAccessible::StaticText);
    EXPECT_TRUE(Iface->state().readOnly);
    EXPECT_FALSE(Iface->state().editable);
    EXPECT_EQ(Iface->text(QAccessible::Value), "Vyr @ 1");
    EXPECT_EQ(Text->text(0, Text->characterCount()), "Vyr @ 1");
    EXPECT_EQ(Text->cursorPosition(), 0);
    EXPECT_EQ(Text->characterRect(0), QRect());
}

// A display names itself: its accessibleName, else its buddy label, else "LED display"; never
// the title of the group box around it.
TEST(QEditMatrixAccessibility, HasANameAndDescriptionOfItsOwn) {
    struct Row {
        const char* AccessibleName;
        const char* Label;  // a label whose buddy is the display, or null
        const char* AccessibleDescription;
        bool Scroll;
        const char* Name;
        const char* Description;
    };
    const Row Rows[] = {
        {"", nullptr, "", false, "LED display", "LED dot-matrix display, editable"},
        {"", nullptr, "", true, "LED display", "LED dot-matrix display, scrolling"},
        {"", "&Platform && track", "", false, "Platform & track", "LED dot-matrix display, editable"},
        {"Departures", "&Platform", "Next trains", true, "Departures", "Next trains"},
    };
    for (const Row& R : Rows) {
        QGroupBox Box("Group title");
        auto* Layout = new QVBoxLayout(&Box);
        auto* W = new QEditMatrix;
        if (R.Label != nullptr) {
            auto* Label = new QLabel(R.Label);
            Label->setBuddy(W);
            Layout->addWidget(Label);
        }
        Layout->addWidget(W);
        W->setAccessibleName(R.AccessibleName);
        W->setAccessibleDescription(R.AccessibleDescription);
        W->setScroll(R.Scroll);
        QAccessibleInterface* Iface = QAccessible::queryAccessibleInterface(W);
        ASSERT_NE(Iface, nullptr);
        EXPECT_EQ(Iface->text(QAccessible::Name), R.Name) << R.Name;
        EXPECT_EQ(Iface->text(QAccessible::Description), R.Description) << R.Name;
    }
}

}  // namespace
}  // namespace vyr::test
