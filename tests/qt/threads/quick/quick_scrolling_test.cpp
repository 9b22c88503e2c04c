// The marquee of the Qt Quick EditMatrix: its steps reach the item on the GUI thread and draw
// frames, and destroying a scrolling item, or its window, at any moment ends its loops cleanly.
// Run in both step modes, and under ThreadSanitizer with the Widgets tests.
#include <gtest/gtest.h>

#include <QtCore/QByteArray>
#include <QtQuick/QQuickWindow>
#include <QtTest/QTest>
#include <memory>
#include <vector>

#include "QuickProbe.h"
#include "support/step_modes.h"
#include "vyr/quick/QuickEditMatrix.h"

namespace vyr::test {
namespace {

// The scene graph renders on the GUI thread: the marquee's steps are on it anyway, and Qt's own
// render thread (not built for ThreadSanitizer) stays out of the thread tests.
const bool BasicRenderLoop = qputenv("QSG_RENDER_LOOP", "basic");

class QuickMarquee : public TStepModeTest {};
VYR_INSTANTIATE_STEP_MODES(QuickMarquee);

int HeadIndex(const TEditMatrix& M) {
    int Index = 0;
    for (const _Pixel* Head = M.StreamHead(); Head != nullptr; Head = M.PixelPool().At(Head->Next), ++Index) {
        if (Head == M.ScrollPos()) return Index;
    }
    return -1;
}

// A window of Count scrolling items.
struct TBoard {
    explicit TBoard(int Count, int Delay) {
        Window->resize(800, 600);
        for (int i = 0; i < Count; ++i) {
            auto* M = new QuickEditMatrix(Window->contentItem());
            M->setPosition(QPointF(0, 20 * i));
            M->setDelay(Delay);
            M->setBlinkDelay(Delay);
            M->setText("@C00FF00go@B000020 on and on");
            Items.push_back(M);
        }
        Window->show();
        for (QuickEditMatrix* M : Items) M->setScroll(true);
    }
    std::unique_ptr<QQuickWindow> Window = std::make_unique<QQuickWindow>();
    std::vector<QuickEditMatrix*> Items;  // owned by the window's content item
};

TEST_P(QuickMarquee, StepsAdvanceTheItemAndCopyItsFrames) {
    ASSERT_TRUE(BasicRenderLoop);
    TBoard Board(2, 5);
    QuickEditMatrix& M = *Board.Items.front();
    quick::detail::THostItemProbe::ResetCounts(M);
    ASSERT_TRUE(QTest::qWaitFor([&] { return HeadIndex(M.control()) >= 5 && M.control().BlinkState(); }, 20'000));
    EXPECT_GE(quick::detail::THostItemProbe::Tally(M).Copies, 5);
}

TEST_P(QuickMarquee, DestroyingScrollingItemsOrTheirWindowAtAnyMomentEndsTheirLoops) {
    for (int Round = 0; Round < 6; ++Round) {
        SCOPED_TRACE(Round);
        TBoard Board(12, Round % 3);
        QTest::qWait(Round);
        for (std::size_t i = 0; i < Board.Items.size(); i += 2) delete Board.Items[i];
        QTest::qWait(Round % 2);
        Board.Window.reset();
        EXPECT_EQ(StepsWaiting(), 0U);
    }
    QTest::qWait(10);  // wake-ups posted for the cancelled steps find nothing
    EXPECT_EQ(StepsWaiting(), 0U);
}

}  // namespace
}  // namespace vyr::test
