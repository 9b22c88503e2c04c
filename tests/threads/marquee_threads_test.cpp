// The marquee's worker threads: steps reach the control only through the GUI queue, a delay set
// by a step applies to the pause right after it, and destroying a control ends its threads
// promptly whatever they are doing. Every wait here is bounded; nothing sleeps to wait for an
// event. Every test runs in both step modes (OS threads, and the step clock).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "support/step_modes.h"
#include "support/test_support.h"
#include "vyr/host/Threads.h"

using namespace std::chrono_literals;
using vyr::host::CheckSynchronize;

namespace vyr::test {
namespace {

using Clock = std::chrono::steady_clock;

// Pumps the GUI queue until Condition holds; false after a generous bound.
template <class F>
bool PumpUntil(F Condition) {
    const auto Deadline = Clock::now() + 10s;
    while (!Condition()) {
        if (Clock::now() > Deadline) return false;
        CheckSynchronize(5ms);
    }
    return true;
}

// Waits without pumping until at least Count steps wait for the GUI thread (bounded).
bool WaitForQueuedCalls(std::size_t Count) {
    const auto Deadline = Clock::now() + 10s;
    while (StepsWaiting() < Count) {
        if (Clock::now() > Deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

int HeadIndex(const TEditMatrix& M) {
    int Index = 0;
    for (const _Pixel* Head = M.StreamHead(); Head != nullptr; Head = M.PixelPool().At(Head->Next), ++Index) {
        if (Head == M.ScrollPos()) return Index;
    }
    return -1;
}

double SecondsSince(Clock::time_point Start) { return std::chrono::duration<double>(Clock::now() - Start).count(); }

class MarqueeThreads : public TStepModeTest {};
VYR_INSTANTIATE_STEP_MODES(MarqueeThreads);

TEST_P(MarqueeThreads, AControlThatNeverScrollsStartsNoThread) {
    TFormWithMatrix Form;
    Form.Matrix->FSetText("Hi");
    EXPECT_FALSE(Form.Matrix->DelayTimer()->Started());
    EXPECT_FALSE(Form.Matrix->BlinkTimer()->Started());
    EXPECT_FALSE(CheckSynchronize(20ms));
}

TEST_P(MarqueeThreads, EachStepArrivesThroughTheGuiQueueAndPaintsOnce) {
    TFormWithMatrix Form;
    TCountingMatrix& M = *Form.Matrix;
    M.FSetDelay(0);
    M.FSetBlinkDelay(60'000);  // one toggle, then a long pause
    M.FSetText("AB");
    M.FSetScroll(true);
    Form.ResetCounters();

    ASSERT_TRUE(WaitForQueuedCalls(1));
    EXPECT_EQ(M.ScrollPos(), M.StreamHead()) << "no step runs before the GUI thread takes it";
    EXPECT_EQ(M.Paints, 0);

    // Each worker has at most one step in the queue, so each pump moves at most one column.
    ASSERT_TRUE(PumpUntil([&] { return HeadIndex(M) >= 5; }));
    EXPECT_EQ(HeadIndex(M), 5);
    const int BlinkToggles = M.BlinkState() ? 1 : 0;  // at most one in this test
    EXPECT_EQ(M.Paints, 5 + BlinkToggles);
    EXPECT_EQ(Form.Peer().CopyCount(), 5 + BlinkToggles);
}

// Code "D" runs inside a step; the worker reads the delay after the step, so the pause right
// after it already lasts 10 s. The pause is interruptible: destroying the control returns at once.
TEST_P(MarqueeThreads, ADelaySetByAStepAppliesToThePauseRightAfterIt) {
    TFormWithMatrix Form;
    TCountingMatrix& M = *Form.Matrix;
    M.FSetDelay(0);
    M.FSetBlinkDelay(60'000);
    M.FSetText("@D002710AB");
    M.FSetScroll(true);
    ASSERT_TRUE(PumpUntil([&] { return M.ScrollPos() != M.StreamHead() && M.BlinkState(); }));
    EXPECT_EQ(M.Delay(), 10'000);
    const int Position = HeadIndex(M);
    EXPECT_FALSE(CheckSynchronize(300ms)) << "both workers are pausing";
    EXPECT_EQ(HeadIndex(M), Position);

    const auto Start = Clock::now();
    delete Form.Matrix;
    Form.Matrix = nullptr;
    EXPECT_LT(SecondsSince(Start), 2.0);
}

TEST_P(MarqueeThreads, DestroyingEndsThreadsWhateverTheyAreDoing) {
    struct Case {
        const char* Name;
        int Delay;
        bool Scroll;
        bool PumpFirst;  // let the first steps run, so that the workers are pausing
    };
    for (const Case C :
         {Case{"never started", 10'000, false, false}, Case{"pausing for 10 s", 10'000, true, true},
          Case{"step waiting in the queue", 0, true, false}, Case{"negative delay paused as 0", -5, true, true}}) {
        SCOPED_TRACE(C.Name);
        TFormWithMatrix Form;
        TCountingMatrix& M = *Form.Matrix;
        M.FSetDelay(C.Delay);
        M.FSetBlinkDelay(C.Delay);
        M.FSetText("Hi@C00FF00 there");
        if (C.Scroll) {
            M.FSetScroll(true);
            if (C.PumpFirst) {
                ASSERT_TRUE(PumpUntil([&] { return M.ScrollPos() != M.StreamHead() && M.BlinkState(); }));
            } else {
                ASSERT_TRUE(WaitForQueuedCalls(2));
            }
        }
        const auto Start = Clock::now();
        delete Form.Matrix;
        Form.Matrix = nullptr;
        EXPECT_LT(SecondsSince(Start), 2.0);
        EXPECT_EQ(StepsWaiting(), 0U) << "steps still queued for the control are dropped";
        EXPECT_FALSE(CheckSynchronize());
    }
}

// Leaving scroll mode keeps the threads running: their steps repaint the static frame. Switching
// back shows the text from its start.
TEST_P(MarqueeThreads, InEditModeTheStepsRepaintTheStaticFrame) {
    TFormWithMatrix Form;
    TCountingMatrix& M = *Form.Matrix;
    M.FSetDelay(0);
    M.FSetBlinkDelay(0);
    M.FSetText("AB");
    M.FSetScroll(true);
    ASSERT_TRUE(PumpUntil([&] { return HeadIndex(M) >= 3; }));
    M.FSetScroll(false);
    Form.ResetCounters();
    ASSERT_TRUE(PumpUntil([&] { return M.Paints >= 4; }));
    EXPECT_EQ(M.Bitmap()->Height(), 1 + 3 * 9) << "edit-mode frames";
    M.FSetScroll(true);
    EXPECT_EQ(M.ScrollPos(), M.StreamHead());
}

TEST_P(MarqueeThreads, StopScrollQuietensBothThreadsUntilStartScroll) {
    TFormWithMatrix Form;
    TCountingMatrix& M = *Form.Matrix;
    M.FSetDelay(0);
    M.FSetBlinkDelay(0);
    M.FSetText("AB");
    M.FSetScroll(true);
    ASSERT_TRUE(PumpUntil([&] { return HeadIndex(M) >= 2; }));
    M.StopScroll();
    // Steps queued before the suspension still run; then nothing more comes.
    while (CheckSynchronize(200ms)) {}
    const int Position = HeadIndex(M);
    EXPECT_FALSE(CheckSynchronize(200ms));
    EXPECT_EQ(HeadIndex(M), Position);
    M.StartScroll();
    ASSERT_TRUE(PumpUntil([&] { return HeadIndex(M) != Position; }));
}

// A control destroyed right after its marquee started: its workers may only just be entering
// their loop, and must be joined before any part of them is destroyed (ThreadSanitizer saw the
// destructor race with the first call of the loop).
TEST_P(MarqueeThreads, DestroyingRightAfterScrollStartsDoesNotRaceTheStartingWorkers) {
    TFormWithMatrix Form;
    for (int Round = 0; Round < 200; ++Round) {
        auto* M = new TCountingMatrix(Form.Form.get());
        M->SetParent(Form.Form.get());
        M->FSetDelay(Round % 2);
        M->FSetText("Hi");
        M->FSetScroll(true);
        if (Round % 3 == 0) std::this_thread::yield();
        delete M;
    }
    EXPECT_EQ(StepsWaiting(), 0U);
    EXPECT_FALSE(CheckSynchronize());
}

// A thousand controls, fifty at a time: most scroll with tiny delays, some never start; each
// batch is destroyed while its threads run, in an order that mixes queued and pausing workers.
TEST_P(MarqueeThreads, AThousandControlsScrollAndAreDestroyedWithoutHanging) {
    const auto Start = Clock::now();
    for (int Round = 0; Round < 20; ++Round) {
        TFormWithMatrix Form;
        std::vector<TCountingMatrix*> Matrices{Form.Matrix};
        for (int i = 1; i < 50; ++i) {
            auto* M = new TCountingMatrix(Form.Form.get());
            M->SetParent(Form.Form.get());
            Matrices.push_back(M);
        }
        for (std::size_t i = 0; i < Matrices.size(); ++i) {
            TCountingMatrix& M = *Matrices[i];
            M.FSetDelay(static_cast<std::int32_t>(i % 3));
            M.FSetBlinkDelay(static_cast<std::int32_t>(i % 4));
            M.FSetText("Hi@C00FF00 there@0010000!");
            if (i % 5 != 0) M.FSetScroll(true);
        }
        for (int Pump = 0; Pump < 5; ++Pump) CheckSynchronize(1ms);
        for (std::size_t i = 0; i < Matrices.size(); i += 2) delete Matrices[i];
        CheckSynchronize(1ms);
        Form.Matrix = nullptr;
    }  // the form frees the other half
    EXPECT_EQ(StepsWaiting(), 0U);
    EXPECT_LT(SecondsSince(Start), 120.0);
}

// 64 marquees at delay 0 on one form all advance, and the GUI loop still answers another
// thread's synchronised calls in between (a pump runs the steps due when it starts, then the calls).
TEST_P(MarqueeThreads, SixtyFourControlsAtDelayZeroAllAdvanceAndTheLoopStillAnswers) {
    TFormWithMatrix Form;
    std::vector<TCountingMatrix*> Matrices{Form.Matrix};
    for (int i = 1; i < 64; ++i) {
        auto* M = new TCountingMatrix(Form.Form.get());
        M->SetParent(Form.Form.get());
        Matrices.push_back(M);
    }
    for (TCountingMatrix* M : Matrices) {
        M->FSetDelay(0);
        M->FSetBlinkDelay(0);
        M->FSetText("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
        M->FSetScroll(true);
    }
    class TCaller : public host::TThread {
    public:
        TCaller() : TThread(true) {}
        ~TCaller() override { WaitFor(); }
        std::atomic<int> Answered{0};

    protected:
        void Execute() override {
            for (int i = 0; i < 3 && !Terminated(); ++i) Synchronize([this] { ++Answered; });
        }
    } Caller;
    Caller.Resume();
    const auto Advanced = [&] {
        return std::all_of(Matrices.begin(), Matrices.end(),
                           [](const TCountingMatrix* M) { return HeadIndex(*M) >= 3; });
    };
    ASSERT_TRUE(PumpUntil([&] { return Caller.Answered.load() == 3; }));
    EXPECT_TRUE(PumpUntil(Advanced));
}

}  // namespace
}  // namespace vyr::test
