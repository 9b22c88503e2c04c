// The marquee on the Qt backend: the workers' steps run on Qt's GUI thread through its event
// loop (woken per step, never by a polling timer), each scroll step and each blink toggle draws
// exactly one frame as on the headless backend, and destroying a scrolling widget ends its
// workers promptly whatever they are doing. Every test runs in both step modes: workers on OS
// threads woken through posted events, and loops on the step clock woken by its timer. Also run
// under ThreadSanitizer (with the Qt-internal suppressions of qt.tsan-suppressions beside this
// file).
#include <gtest/gtest.h>

#include <QtCore/QTimer>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "QtProbe.h"
#include "host/qt/stepclock.h"
#include "support/qt_support.h"
#include "support/step_modes.h"
#include "support/test_support.h"
#include "vyr/host/Threads.h"

using namespace std::chrono_literals;

namespace vyr::test {
namespace {

using Probe = qt::detail::THostWindowProbe;

// A text of plain LED columns only, long enough not to wrap during a test.
const char* const LongText = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcdefghijklmnopqrstuvwxyz";

int HeadIndex(const TEditMatrix& M) {
    int Index = 0;
    for (const _Pixel* Head = M.StreamHead(); Head != nullptr; Head = M.PixelPool().At(Head->Next), ++Index) {
        if (Head == M.ScrollPos()) return Index;
    }
    return -1;
}

// The state every frame was drawn in: the scroll position and the blink phase.
struct TFrame {
    int Position;
    bool Blink;
};

// Between two frames exactly one thing happened: one scroll step or one blink toggle.
::testing::AssertionResult OneFramePerStepOrToggle(const TFrame& Start, const std::vector<TFrame>& Frames, int& Steps,
                                                   int& Toggles) {
    TFrame Last = Start;
    for (std::size_t i = 0; i < Frames.size(); ++i) {
        const bool Stepped = Frames[i].Position == Last.Position + 1;
        const bool Toggled = Frames[i].Blink != Last.Blink;
        const bool Stood = Frames[i].Position == Last.Position;
        if (Stepped == Toggled || (!Stepped && !Stood)) {
            return ::testing::AssertionFailure()
                   << "frame " << i << ": position " << Last.Position << " -> " << Frames[i].Position << ", blink "
                   << Last.Blink << " -> " << Frames[i].Blink;
        }
        Steps += Stepped ? 1 : 0;
        Toggles += Toggled ? 1 : 0;
        Last = Frames[i];
    }
    return ::testing::AssertionSuccess();
}

class QtMarquee : public TStepModeTest {};
VYR_INSTANTIATE_STEP_MODES(QtMarquee);
class HeadlessMarquee : public TStepModeTest {};
VYR_INSTANTIATE_STEP_MODES(HeadlessMarquee);

TEST_P(QtMarquee, DrawsOneFramePerScrollStepAndPerBlinkToggle) {
    TQtWindow Window;
    QEditMatrix& W = *Window.Matrix;
    ASSERT_TRUE(Window.Show());
    W.setDelay(15);
    W.setBlinkDelay(40);
    W.setText(LongText);
    W.setScroll(true);
    const TFrame Start{HeadIndex(W.control()), W.control().BlinkState()};
    std::vector<TFrame> Frames;
    Probe::SetFrameObserver(W, [&] { Frames.push_back({HeadIndex(W.control()), W.control().BlinkState()}); });
    Probe::ResetCounts(W);

    ASSERT_TRUE(QTest::qWaitFor([&] { return Frames.size() >= 40; }, 20'000));
    W.control().StopScroll();
    Probe::SetFrameObserver(W, nullptr);

    int Steps = 0;
    int Toggles = 0;
    EXPECT_TRUE(OneFramePerStepOrToggle(Start, Frames, Steps, Toggles));
    EXPECT_GT(Steps, 0);
    EXPECT_GT(Toggles, 0);
    EXPECT_GE(Probe::Tally(W).Copies, static_cast<int>(Frames.size()));
    EXPECT_EQ(Probe::Tally(W).HostPaints, 0) << "showing a copied frame draws nothing new";
    EXPECT_GT(Probe::Tally(W).PaintEvents, 0) << "the frames were shown";
}

// The same on the headless backend, pumped by its own loop.
class TRecordingMatrix : public TEditMatrix {
public:
    using TEditMatrix::TEditMatrix;
    void Paint() override {
        TEditMatrix::Paint();
        if (Recording) Frames.push_back({HeadIndex(*this), BlinkState()});
    }
    bool Recording = false;
    std::vector<TFrame> Frames;
};

TEST_P(HeadlessMarquee, DrawsOneFramePerScrollStepAndPerBlinkToggleToo) {
    headless::THeadlessWidgetSet WidgetSet;
    host::TForm Form(nullptr, WidgetSet);
    Form.Show();
    auto* M = new TRecordingMatrix(&Form);
    M->SetParent(&Form);
    M->FSetDelay(15);
    M->FSetBlinkDelay(40);
    M->FSetText(LongText);
    M->FSetScroll(true);
    const TFrame Start{HeadIndex(*M), M->BlinkState()};
    M->Recording = true;
    const auto Deadline = std::chrono::steady_clock::now() + 20s;
    while (M->Frames.size() < 40 && std::chrono::steady_clock::now() < Deadline) WidgetSet.RunFor(20ms);
    M->StopScroll();
    M->Recording = false;
    ASSERT_GE(M->Frames.size(), 40U);
    int Steps = 0;
    int Toggles = 0;
    EXPECT_TRUE(OneFramePerStepOrToggle(Start, M->Frames, Steps, Toggles));
    EXPECT_GT(Steps, 0);
    EXPECT_GT(Toggles, 0);
}

TEST_P(QtMarquee, StepsAreWokenOnePerCallAndNothingWakesAnIdleLoop) {
    TQtWindow Window;
    QEditMatrix& W = *Window.Matrix;
    ASSERT_TRUE(Window.Show());
    (void)qt::TQtWidgetSet::Instance();
    // Thread mode: the events posted for synchronised calls. Clock mode: the clock's timeouts.
    const auto WakeUps = [this] {
        return Clocked() ? qtclock::TStepClockDriver::Of(*qApp)->Passes() : qt::detail::WakeUpsHandled();
    };
    const long Idle = WakeUps();
    QTest::qWait(150);
    EXPECT_EQ(WakeUps(), Idle) << "no timer wakes the loop while nothing scrolls";

    W.setDelay(10);
    W.setBlinkDelay(60'000);
    W.setText(LongText);
    W.setScroll(true);
    const int Before = HeadIndex(W.control());
    ASSERT_TRUE(QTest::qWaitFor([&] { return HeadIndex(W.control()) >= Before + 10; }, 20'000));
    const long Woken = WakeUps() - Idle;
    const int Steps = HeadIndex(W.control()) - Before + 1;  // and the one blink toggle
    EXPECT_GE(Woken, 1);
    EXPECT_LE(Woken, Steps + 1) << "at most one wake-up per synchronised call";
}

TEST_P(QtMarquee, DestroyingAScrollingWidgetWhileAStepWaitsEndsItsWorkersPromptly) {
    for (int Round = 0; Round < 5; ++Round) {
        auto Window = std::make_unique<TQtWindow>();
        ASSERT_TRUE(Window->Show());
        QEditMatrix& W = *Window->Matrix;
        W.setDelay(0);
        W.setBlinkDelay(0);
        W.setText("@C00FF00fast");
        W.setScroll(true);
        QTest::qWait(5 * Round);  // steps run for a while
        // Without pumping, until a worker is blocked in Synchronize with its step queued (or a loop
        // is due on the clock).
        const auto Deadline = std::chrono::steady_clock::now() + 10s;
        while (StepsWaiting() == 0 && std::chrono::steady_clock::now() < Deadline) {
            std::this_thread::yield();
        }
        ASSERT_GT(StepsWaiting(), 0U);
        const auto Start = std::chrono::steady_clock::now();
        Window.reset();
        EXPECT_LT(std::chrono::steady_clock::now() - Start, 5s);
        EXPECT_EQ(StepsWaiting(), 0U);
        QTest::qWait(10);  // wake-ups posted for the cancelled steps find nothing
    }
}

TEST_P(QtMarquee, ASlotMayDestroyTheWidgetWhenAFramesChangeIsSignalled) {
    auto Window = std::make_unique<TQtWindow>();
    ASSERT_TRUE(Window->Show());
    QEditMatrix* W = Window->Matrix;
    W->setDelay(0);
    W->setBlinkDelay(0);
    W->setText("@C00FF00@L000003go");
    bool Destroyed = false;
    QObject::connect(W, &QEditMatrix::ledSizeChanged, W, [&] {
        delete W;  // from inside the widget's own signal
        Destroyed = true;
    });
    QObject::connect(W, &QObject::destroyed, [&] { Destroyed = true; });
    W->setScroll(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Destroyed; }, 20'000));
    QTest::qWait(20);
    EXPECT_EQ(Window->Top->findChild<QEditMatrix*>(), nullptr);
}

// 64 marquees at delay 0 on one form: each advances, and the GUI loop still answers the other
// events in between (the steps of one pump are those queued when it starts).
TEST_P(QtMarquee, SixtyFourWidgetsAtDelayZeroAllAdvanceAndTheLoopStillAnswers) {
    TQtWindow Window;
    ASSERT_TRUE(Window.Show());
    std::vector<QEditMatrix*> Widgets{Window.Matrix};
    for (int i = 1; i < 64; ++i) Widgets.push_back(new QEditMatrix(Window.Top.get()));
    for (QEditMatrix* W : Widgets) {
        W->setDelay(0);
        W->setBlinkDelay(0);
        W->setText(LongText);
        W->show();
        W->setScroll(true);
    }
    for (int Round = 0; Round < 3; ++Round) {
        bool Answered = false;
        QTimer::singleShot(0, Window.Top.get(), [&Answered] { Answered = true; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return Answered; }, 5'000)) << "round " << Round;
    }
    const auto Advanced = [&] {
        return std::all_of(Widgets.begin(), Widgets.end(), [](QEditMatrix* W) { return HeadIndex(W->control()) >= 3; });
    };
    EXPECT_TRUE(QTest::qWaitFor(Advanced, 20'000));
}

// Churn: rounds of widgets scrolling as fast as they can, their change signals connected, half of
// them destroyed while they scroll and the rest with their window. Every worker ends, nothing is
// left queued, and ThreadSanitizer sees no race of ours.
TEST_P(QtMarquee, ManyWidgetsCreatedAndDestroyedWhileScrollingEndCleanly) {
    int Changes = 0;
    for (int Round = 0; Round < 6; ++Round) {
        auto Window = std::make_unique<TQtWindow>();
        ASSERT_TRUE(Window->Show());
        std::vector<QEditMatrix*> Widgets{Window->Matrix};
        for (int i = 1; i < 24; ++i) Widgets.push_back(new QEditMatrix(Window->Top.get()));
        for (std::size_t i = 0; i < Widgets.size(); ++i) {
            QEditMatrix& W = *Widgets[i];
            QObject::connect(&W, &QEditMatrix::ledSizeChanged, [&Changes] { ++Changes; });
            QObject::connect(&W, &QEditMatrix::delayChanged, [&Changes] { ++Changes; });
            W.setDelay(static_cast<int>(i % 3));
            W.setBlinkDelay(static_cast<int>(i % 4));
            W.setText("@C00FF00go@L000003@D000001 on@L000002");
            W.setScroll(true);
            W.show();
        }
        QTest::qWait(2 * Round);
        for (std::size_t i = 1; i < Widgets.size(); i += 2) delete Widgets[i];
        QTest::qWait(Round);
        Window.reset();
        EXPECT_EQ(StepsWaiting(), 0U);
    }
    QTest::qWait(10);
    EXPECT_EQ(StepsWaiting(), 0U);
    EXPECT_GT(Changes, 0);
}

}  // namespace
}  // namespace vyr::test
