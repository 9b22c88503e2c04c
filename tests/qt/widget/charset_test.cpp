// vyr::QCharSet: hidden at run time whatever shows it, an icon at design time, and the shared
// TCharSet of its name, the one a matrix's charset property names.
#include <gtest/gtest.h>

#include <QtTest/QTest>
#include <QtWidgets/QVBoxLayout>
#include <memory>

#include "support/qt_support.h"
#include "vyr/qt/QCharSet.h"

namespace vyr::test {
namespace {

TEST(QCharSetWidget, HiddenAtRunTimeShownAtDesignTime) {
    QWidget Form;
    auto* Layout = new QVBoxLayout(&Form);
    auto* CharSet = new QCharSet(&Form);
    Layout->addWidget(CharSet);
    Form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form));
    EXPECT_FALSE(CharSet->isVisible());
    CharSet->show();
    CharSet->setVisible(true);
    EXPECT_FALSE(CharSet->isVisible());
    EXPECT_EQ(CharSet->sizeHint(), QSize(0, 0));

    CharSet->setDesignTime(true);
    EXPECT_TRUE(CharSet->isVisible());
    EXPECT_EQ(CharSet->sizeHint(), QSize(32, 32));
    CharSet->setDesignTime(false);
    EXPECT_FALSE(CharSet->isVisible());
}

TEST(QCharSetWidget, DesignTimeIconIsWhatItShows) {
    QCharSet CharSet;
    QPixmap Icon(32, 32);
    Icon.fill(Qt::green);
    CharSet.setDesignIcon(Icon);
    CharSet.setDesignTime(true);
    CharSet.resize(CharSet.sizeHint());
    const QImage Picture = CharSet.grab().toImage();
    ASSERT_EQ(Picture.size(), QSize(32, 32));
    EXPECT_EQ(ColorAt(Picture, 0, 0), 0x00FF00u);
    EXPECT_EQ(ColorAt(Picture, 31, 31), 0x00FF00u);
}

// The widget's name is the charset's name: a matrix naming it refers to that very component, and
// renaming the widget makes it stand for another one.
TEST(QCharSetWidget, ObjectNameIsTheCharsetAMatrixNames) {
    QCharSet CharSet;
    EXPECT_EQ(CharSet.charSet(), nullptr);
    CharSet.setObjectName("glyphs");
    ASSERT_NE(CharSet.charSet(), nullptr);
    EXPECT_EQ(CharSet.charSet()->Name(), "glyphs");
    QEditMatrix Matrix;
    Matrix.setCharset("glyphs");
    EXPECT_EQ(Matrix.charsetComponent(), CharSet.charSet());
    CharSet.setObjectName("other");
    EXPECT_NE(Matrix.charsetComponent(), CharSet.charSet());
    EXPECT_EQ(CharSet.charSet(), QEditMatrix::sharedCharset("other"));
}

}  // namespace
}  // namespace vyr::test
