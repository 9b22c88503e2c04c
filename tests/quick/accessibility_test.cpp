// EditMatrix for assistive technology, as the widget is: role, name, description and text in
// both modes, and edits through the editable text interface (the AT-SPI test, tests/atspi, reads
// the same over the real bridge, events included).
#include <gtest/gtest.h>

#include <QtGui/QAccessible>
#include <QtQuick/QQuickWindow>

#include "vyr/quick/QuickEditMatrix.h"

namespace vyr::test {
namespace {

TEST(QuickEditMatrixAccessibility, IsAnEditableTextOrAReadOnlyMarqueeAsTheWidget) {
    QQuickWindow Window;
    auto* Matrix = new QuickEditMatrix(Window.contentItem());
    Matrix->setText("AB");
    QAccessibleInterface* Iface = QAccessible::queryAccessibleInterface(Matrix);
    ASSERT_NE(Iface, nullptr);
    QAccessibleTextInterface* Text = Iface->textInterface();
    ASSERT_NE(Text, nullptr);

    EXPECT_EQ(Iface->role(), QAccessible::EditableText);
    EXPECT_EQ(Iface->text(QAccessible::Name), "LED display");
    EXPECT_EQ(Iface->text(QAccessible::Description), "LED dot-matrix display, editable");
    EXPECT_TRUE(Iface->state().editable);
    ASSERT_NE(Iface->editableTextInterface(), nullptr);
    Iface->editableTextInterface()->insertText(1, "@@");
    EXPECT_EQ(Matrix->text(), "A@@B");
    EXPECT_EQ(Text->cursorPosition(), 3);
    Iface->editableTextInterface()->deleteText(0, 1);
    EXPECT_EQ(Text->text(0, Text->characterCount()), "@@B");

    Matrix->setText("@C00FF00Gate @@4");
    Matrix->setScroll(true);
    EXPECT_EQ(Iface->role(), QAccessible::StaticText);
    EXPECT_EQ(Iface->text(QAccessible::Description), "LED dot-matrix display, scrolling");
    EXPECT_TRUE(Iface->state().readOnly);
    EXPECT_FALSE(Iface->state().editable);
    EXPECT_EQ(Iface->editableTextInterface(), nullptr);
    EXPECT_EQ(Iface->text(QAccessible::Value), "Gate @4");
    EXPECT_EQ(Text->text(0, Text->characterCount()), "Gate @4");
}

}  // namespace
}  // namespace vyr::test
