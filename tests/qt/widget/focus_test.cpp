// Focus on the Qt backend: Qt's focus reaches the host (DoEnter/DoExit and the colours), Tab
// follows Qt's focus chain, Up and Down run the control's focus walk over the Qt siblings in
// Qt's tab order, and a click takes the focus.
#include <gtest/gtest.h>

#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QVBoxLayout>

#include "support/qt_support.h"

namespace vyr::test {
namespace {

// The colour of the top-left LED (unlit in an empty text) as shown.
TColor FirstLed(QEditMatrix& M) {
    const int A = M.ledDistance() + (M.ledSize() - 1) / 2;
    return ColorAt(Grab(M), A, A);
}

class QtFocus : public ::testing::Test {
protected:
    void SetUp() override {
        M().setInactiveLedOffColor(QColor(0, 0, 200));
        ASSERT_TRUE(Window.Show());
    }
    QEditMatrix& M() { return *Window.Matrix; }
    TQtWindow Window;
};

TEST_F(QtFocus, FocusInAndOutSwitchTheColourPairInEditMode) {
    M().setFocus();
    EXPECT_TRUE(M().control().Focused());
    EXPECT_TRUE(M().activeLed());
    EXPECT_EQ(FirstLed(M()), 64U);
    Window.After->setFocus();
    EXPECT_FALSE(M().control().Focused());
    EXPECT_FALSE(M().activeLed());
    EXPECT_EQ(FirstLed(M()), 0xC80000U) << "the inactive off colour (0, 0, 200)";
    M().setFocus();
    EXPECT_TRUE(M().activeLed());
    EXPECT_EQ(FirstLed(M()), 64U);
}

TEST_F(QtFocus, AnInactiveWindowKeepsTheHostFocus) {
    M().setFocus();
    QWidget Other;
    Other.show();
    QApplication::setActiveWindow(&Other);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Other));
    EXPECT_TRUE(M().control().Focused());
    EXPECT_TRUE(M().activeLed());
}

TEST_F(QtFocus, TabReachesTheControlAndLeavesItInQtsFocusChain) {
    Window.Before->setFocus();
    QTest::keyClick(Window.Before, Qt::Key_Tab);
    EXPECT_TRUE(M().hasFocus());
    EXPECT_TRUE(M().control().Focused());
    QTest::keyClick(&M(), Qt::Key_Tab);
    EXPECT_TRUE(Window.After->hasFocus());
    EXPECT_FALSE(M().activeLed());
    QTest::keyClick(Window.After, Qt::Key_Backtab);
    EXPECT_TRUE(M().hasFocus());
    EXPECT_TRUE(M().activeLed());
}

TEST_F(QtFocus, AControlThatIsNoTabStopIsPassedOverByTab) {
    M().setFocusPolicy(Qt::ClickFocus);
    Window.Before->setFocus();
    QTest::keyClick(Window.Before, Qt::Key_Tab);
    EXPECT_TRUE(Window.After->hasFocus());
}

TEST_F(QtFocus, UpAndDownMoveToThePreviousAndNextSibling) {
    M().setFocus();
    QTest::keyClick(&M(), Qt::Key_Down);
    EXPECT_TRUE(Window.After->hasFocus());
    EXPECT_FALSE(M().activeLed());
    M().setFocus();
    QTest::keyClick(&M(), Qt::Key_Up);
    EXPECT_TRUE(Window.Before->hasFocus());
    EXPECT_FALSE(M().activeLed());
}

TEST_F(QtFocus, AClickGivesTheFocusAndInScrollModeLeavesTheColours) {
    Window.Before->setFocus();
    QTest::mouseClick(&M(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(M().hasFocus());
    EXPECT_TRUE(M().activeLed());

    M().setDelay(60'000);
    M().setBlinkDelay(60'000);
    M().setScroll(true);
    Window.After->setFocus();
    EXPECT_TRUE(M().activeLed()) << "focus changes leave the marquee's colours alone";
    QTest::mouseClick(&M(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(M().hasFocus());
}

TEST_F(QtFocus, TheHostsSetFocusMovesQtsFocus) {
    Window.Before->setFocus();
    M().control().SetFocus();
    EXPECT_TRUE(M().hasFocus());
    EXPECT_TRUE(M().activeLed());
}

// Four children of one parent; the matrix's place in Qt's tab order is chosen per case, so the
// creation order is not the tab order.
struct TFourSiblings {
    explicit TFourSiblings(int MatrixTabOrder) : Top(std::make_unique<QWidget>()) {
        auto* Layout = new QVBoxLayout(Top.get());
        Matrix = new QEditMatrix(Top.get());
        for (int i = 0; i < 3; ++i) {
            Edits.push_back(new QLineEdit(Top.get()));
            Layout->addWidget(Edits.back());
        }
        Layout->addWidget(Matrix);
        // Tab order: the three edits with the matrix put in at MatrixTabOrder.
        std::vector<QWidget*> Order(Edits.begin(), Edits.end());
        Order.insert(Order.begin() + MatrixTabOrder, Matrix);
        for (std::size_t i = 1; i < Order.size(); ++i) QWidget::setTabOrder(Order[i - 1], Order[i]);
        TabOrder = Order;
    }
    bool Show() {
        Top->show();
        QApplication::setActiveWindow(Top.get());
        return QTest::qWaitForWindowActive(Top.get());
    }
    std::unique_ptr<QWidget> Top;
    QEditMatrix* Matrix = nullptr;
    std::vector<QLineEdit*> Edits;
    std::vector<QWidget*> TabOrder;
};

struct TWalkCase {
    int MatrixTabOrder;
    Qt::Key Key;
    int Expected;  // tab order of the widget that gets the focus
};

class QtFocusWalk : public ::testing::TestWithParam<TWalkCase> {};

TEST_P(QtFocusWalk, GoesToTheNeighbourInTabOrderWrappingAtBothEnds) {
    const TWalkCase C = GetParam();
    TFourSiblings Form(C.MatrixTabOrder);
    ASSERT_TRUE(Form.Show());
    Form.Matrix->setFocus();
    ASSERT_TRUE(Form.Matrix->hasFocus());
    QTest::keyClick(Form.Matrix, C.Key);
    EXPECT_TRUE(Form.TabOrder[static_cast<std::size_t>(C.Expected)]->hasFocus());
    EXPECT_FALSE(Form.Matrix->activeLed());
}

INSTANTIATE_TEST_SUITE_P(FourChildren, QtFocusWalk,
                         ::testing::Values(TWalkCase{0, Qt::Key_Up, 3}, TWalkCase{3, Qt::Key_Down, 0},
                                           TWalkCase{1, Qt::Key_Down, 2}, TWalkCase{1, Qt::Key_Up, 0},
                                           TWalkCase{2, Qt::Key_Up, 1}, TWalkCase{0, Qt::Key_Down, 1}),
                         [](const auto& Info) {
                             return std::string(Info.param.Key == Qt::Key_Up ? "Up" : "Down") + "FromTabOrder" +
                                    std::to_string(Info.param.MatrixTabOrder);
                         });

TEST(QtFocusWalkFailure, ASiblingThatCannotTakeTheFocusStopsTheWalkAsAFailedConversion) {
    TFourSiblings Form(0);  // matrix, edit 0, edit 1, edit 2
    Form.Edits[0]->setEnabled(false);
    ASSERT_TRUE(Form.Show());
    Form.Matrix->setFocus();
    TReportedExceptions Reported;
    QTest::keyClick(Form.Matrix, Qt::Key_Down);
    EXPECT_TRUE(Form.Matrix->hasFocus());
    EXPECT_TRUE(Form.Matrix->activeLed());
    EXPECT_EQ(Reported.Messages, std::vector<std::string>{"Invalid class typecast"});
}

TEST(QtFocusWalkFailure, ASiblingOutsideTheTabChainIsNotCounted) {
    TFourSiblings Form(1);  // edit 0, matrix, edit 1, edit 2; plus a label (no focus at all)
    auto* Label = new QLabel("label", Form.Top.get());
    Form.Top->layout()->addWidget(Label);
    ASSERT_TRUE(Form.Show());
    Form.Matrix->setFocus();
    TReportedExceptions Reported;
    QTest::keyClick(Form.Matrix, Qt::Key_Down);
    EXPECT_TRUE(Form.Edits[1]->hasFocus());
    EXPECT_TRUE(Reported.Messages.empty());
}

TEST(QtFocusWalkFailure, AMatrixWithoutSiblingsKeepsTheFocus) {
    QEditMatrix Alone;
    Alone.show();
    QApplication::setActiveWindow(&Alone);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Alone));
    Alone.setFocus();
    TReportedExceptions Reported;
    QTest::keyClick(&Alone, Qt::Key_Down);
    QTest::keyClick(&Alone, Qt::Key_Up);
    EXPECT_TRUE(Alone.hasFocus());
    EXPECT_TRUE(Alone.activeLed());
    EXPECT_TRUE(Reported.Messages.empty());
}

}  // namespace
}  // namespace vyr::test
