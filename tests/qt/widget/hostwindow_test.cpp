// QHostWindow with a plain host control: which paint events are the host's repaint requests,
// the size, and the dialog code deciding about the arrow keys.
#include <gtest/gtest.h>

#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <memory>
#include <vector>

#include "support/qt_support.h"
#include "vyr/host/Controls.h"
#include "vyr/qt/QtBackend.h"

namespace vyr::test {
namespace {

// Counts its repaints and the keys it gets; wants no arrow keys (the host's default answer).
class TSpyControl : public host::TCustomControl {
public:
    TSpyControl() : host::TCustomControl(nullptr) {
        SetWidth(30);
        SetHeight(10);
        Color = 0x00FF00;
    }
    void Paint() override {
        ++Paints;
        TCustomControl::Paint();
    }
    void KeyDown(host::Word& Key, host::TShiftState Shift) override {
        Keys.push_back(Key);
        TCustomControl::KeyDown(Key, Shift);
    }
    int Paints = 0;
    std::vector<host::Word> Keys;
};

class TSpyWindow : public qt::QHostWindow {
public:
    TSpyWindow() : Control(std::make_unique<TSpyControl>()) { adoptControl(*Control); }
    ~TSpyWindow() override { releaseControl(); }
    std::unique_ptr<TSpyControl> Control;
};

TEST(QtHostWindow, OnlyTheHostsOwnRepaintRequestsCallPaint) {
    TSpyWindow W;
    W.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&W));
    QTest::qWait(20);
    EXPECT_GE(W.Control->Paints, 1) << "the first show";
    EXPECT_EQ(ColorAt(Grab(W), 5, 5), 0x00FF00U);

    W.Control->Paints = 0;
    W.update();  // an application's update: shows the surface
    W.repaint();
    (void)Grab(W);
    QTest::qWait(20);
    EXPECT_EQ(W.Control->Paints, 0);
    EXPECT_GT(W.paintEventCount(), 0);

    const int HostPaints = W.hostPaintCount();
    W.Control->Invalidate();  // the host's request: one Paint, however many paint events follow
    QTest::qWait(20);
    W.repaint();
    EXPECT_EQ(W.Control->Paints, 1);
    EXPECT_EQ(W.hostPaintCount(), HostPaints + 1);

    W.hide();
    W.show();  // every show is a host repaint
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&W));
    QTest::qWait(20);
    EXPECT_GE(W.Control->Paints, 2);
}

TEST(QtHostWindow, TheWidgetTakesTheControlsSize) {
    TSpyWindow W;
    EXPECT_EQ(W.size(), QSize(30, 10));
    W.Control->SetWidth(50);
    EXPECT_EQ(W.size(), QSize(50, 10));
    EXPECT_EQ(W.sizeHint(), QSize(50, 10));
    EXPECT_EQ(W.surface().Width(), 50);
    W.resize(200, 200);  // a fixed size: the control decides
    EXPECT_EQ(W.size(), QSize(50, 10));
}

TEST(QtHostWindow, ArrowKeysGoOnToTheParentUnlessTheControlAsksForThem) {
    TSpyWindow W;
    QKeyEvent Left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QApplication::sendEvent(&W, &Left);
    EXPECT_FALSE(Left.isAccepted());
    QKeyEvent Home(QEvent::KeyPress, Qt::Key_Home, Qt::NoModifier);
    QApplication::sendEvent(&W, &Home);
    EXPECT_TRUE(Home.isAccepted());
    EXPECT_EQ(W.Control->Keys, std::vector<host::Word>{36});
}

}  // namespace
}  // namespace vyr::test
