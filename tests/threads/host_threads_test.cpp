#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/step_modes.h"
#include "vyr/host/Controls.h"
#include "vyr/host/Threads.h"

using namespace std::chrono_literals;
using vyr::host::CheckSynchronize;
using vyr::host::PendingSynchronizeCount;
using vyr::host::PendingThreadErrorCount;
using vyr::host::TThread;

namespace {

// Loops: a synchronised step, then a pause.
class TStepper : public TThread {
public:
    explicit TStepper(std::uint32_t PauseMs) : TThread(true), FPause(PauseMs) {}
    ~TStepper() override { WaitFor(); }

    std::atomic<int> Loops{0};
    int Steps = 0;  // GUI thread only
    std::atomic<std::uint32_t> FPause;

protected:
    void Execute() override {
        while (!Terminated()) {
            ++Loops;
            Synchronize([this] { ++Steps; });
            Pause(FPause.load());
        }
    }
};

// Pumps the GUI queue until Condition holds or a generous bound passes.
template <class F>
bool PumpUntil(F Condition) {
    const auto Deadline = std::chrono::steady_clock::now() + 10s;
    while (!Condition()) {
        if (std::chrono::steady_clock::now() > Deadline) {
            return false;
        }
        CheckSynchronize(5ms);
    }
    return true;
}

// Waits, without pumping, until a worker has queued a call (bounded).
bool WaitForQueuedCall() {
    const auto Deadline = std::chrono::steady_clock::now() + 10s;
    while (PendingSynchronizeCount() == 0) {
        if (std::chrono::steady_clock::now() > Deadline) {
            return false;
        }
        std::this_thread::yield();
    }
    return true;
}

}  // namespace

TEST(HostThread, NothingRunsBeforeResume) {
    TStepper T(0);
    EXPECT_TRUE(T.Suspended());
    EXPECT_FALSE(T.Started());
    CheckSynchronize(10ms);
    EXPECT_EQ(T.Loops.load(), 0);
}

TEST(HostThread, ANeverStartedThreadEndsAtOnce) {
    const auto Start = std::chrono::steady_clock::now();
    { TStepper T(60'000); }
    EXPECT_LT(std::chrono::steady_clock::now() - Start, 5s);
}

TEST(HostThread, SynchronisedStepsRunOnlyWhenTheGuiThreadPumps) {
    TStepper T(0);
    T.Resume();
    ASSERT_TRUE(WaitForQueuedCall());
    EXPECT_EQ(T.Steps, 0);
    ASSERT_TRUE(PumpUntil([&] { return T.Steps >= 3; }));
}

TEST(HostThread, WaitForCancelsAPendingStepInsteadOfDeadlocking) {
    TStepper T(0);
    T.Resume();
    ASSERT_TRUE(WaitForQueuedCall());
    T.WaitFor();  // the worker is blocked in Synchronize; nobody pumps
    EXPECT_TRUE(T.Finished());
    EXPECT_EQ(T.Steps, 0);
    EXPECT_EQ(PendingSynchronizeCount(), 0U);
}

TEST(HostThread, TerminateWakesALongPause) {
    TStepper T(60'000);
    T.Resume();
    ASSERT_TRUE(PumpUntil([&] { return T.Steps == 1; }));
    const auto Start = std::chrono::steady_clock::now();
    T.WaitFor();
    EXPECT_LT(std::chrono::steady_clock::now() - Start, 5s);
    EXPECT_EQ(T.Steps, 1);
}

TEST(HostThread, SuspendHoldsTheLoopUntilResume) {
    TStepper T(0);
    T.Resume();
    ASSERT_TRUE(PumpUntil([&] { return T.Steps >= 1; }));
    T.Suspend();
    // At most the step already queued may still arrive; after it the loop is held.
    CheckSynchronize(20ms);
    const int Held = T.Steps;
    CheckSynchronize(50ms);
    CheckSynchronize(0ms);
    EXPECT_LE(T.Steps, Held + 1);
    const int AfterHold = T.Steps;
    T.Resume();
    ASSERT_TRUE(PumpUntil([&] { return T.Steps > AfterHold + 2; }));
}

TEST(HostThread, ResumeAfterTerminateDoesNotStartTheThread) {
    TStepper T(0);
    T.Terminate();
    T.Resume();
    EXPECT_FALSE(T.Started());
}

TEST(HostThread, SynchronizeOnTheGuiThreadRunsAtOnce) {
    class TInline : public TThread {
    public:
        TInline() : TThread(true) {}
        bool RunNow() {
            bool Ran = false;
            Synchronize([&Ran] { Ran = true; });
            return Ran;
        }

    protected:
        void Execute() override {}
    } T;
    EXPECT_TRUE(T.RunNow());
}

TEST(HostThread, ThreadsMustBeCreatedSuspended) {
    class TEager : public TThread {
    public:
        TEager() : TThread(false) {}

    protected:
        void Execute() override {}
    };
    EXPECT_THROW(TEager{}, std::invalid_argument);
}

namespace {

// Records what the application's exception handler receives, and on which thread, for the scope.
class TReportLog {
public:
    TReportLog() : FPrevious(vyr::host::Application().OnException) {
        vyr::host::Application().OnException = [this](const std::exception& E) {
            Messages.emplace_back(E.what());
            Threads.push_back(std::this_thread::get_id());
        };
    }
    ~TReportLog() {
        vyr::host::Application().OnException = FPrevious;
        vyr::host::Application().ClearLastException();
    }
    TReportLog(const TReportLog&) = delete;
    TReportLog& operator=(const TReportLog&) = delete;

    std::vector<std::string> Messages;
    std::vector<std::thread::id> Threads;

private:
    std::function<void(const std::exception&)> FPrevious;
};

// Runs Body once on the worker.
class TOnce : public TThread {
public:
    using TBody = std::function<void(TOnce&)>;
    explicit TOnce(TBody Body) : TThread(true), FBody(std::move(Body)) {}
    ~TOnce() override { WaitFor(); }
    bool Step(const std::function<void()>& Method) { return Synchronize(Method); }

protected:
    void Execute() override { FBody(*this); }

private:
    TBody FBody;
};

}  // namespace

TEST(HostThreadErrors, AnExceptionEscapingExecuteIsReportedOnTheGuiThreadWhenItPumps) {
    TReportLog Log;
    TOnce T([](TOnce&) { throw std::runtime_error("the worker gave up"); });
    T.Resume();
    T.WaitFor();  // joins: the thread has ended, and nothing was pumped
    // Kept with the thread, and waiting for the GUI thread, which has not pumped yet.
    ASSERT_TRUE(T.FatalException());
    EXPECT_EQ(PendingThreadErrorCount(), 1U);
    EXPECT_TRUE(Log.Messages.empty());

    EXPECT_TRUE(CheckSynchronize());
    ASSERT_EQ(Log.Messages, std::vector<std::string>{"the worker gave up"});
    EXPECT_EQ(Log.Threads.front(), std::this_thread::get_id());
    EXPECT_EQ(vyr::host::Application().LastExceptionMessage(), "the worker gave up");
    EXPECT_EQ(PendingThreadErrorCount(), 0U);
    EXPECT_FALSE(CheckSynchronize()) << "reported once";
}

TEST(HostThreadErrors, AFailedSynchronisedStepEndsTheWorkerAndIsReportedOnce) {
    TReportLog Log;
    std::atomic<int> StepsAfter{0};
    TOnce T([&StepsAfter](TOnce& Self) {
        Self.Step([] { throw std::logic_error("the step failed"); });
        ++StepsAfter;  // not reached: the step's exception comes back to the worker
    });
    T.Resume();
    ASSERT_TRUE(PumpUntil([&] { return !Log.Messages.empty(); }));
    EXPECT_EQ(Log.Messages, std::vector<std::string>{"the step failed"});
    EXPECT_EQ(Log.Threads.front(), std::this_thread::get_id());
    EXPECT_EQ(StepsAfter.load(), 0);
    EXPECT_TRUE(T.Finished());
}

TEST(HostThreadErrors, TheReportOutlivesTheThreadObjectAndNamesForeignExceptions) {
    TReportLog Log;
    {
        TOnce T([](TOnce&) { throw 42; });
        T.Resume();
    }  // joined and destroyed before anything is pumped
    ASSERT_TRUE(PumpUntil([&] { return !Log.Messages.empty(); }));
    EXPECT_EQ(Log.Messages,
              std::vector<std::string>{"a worker thread ended with an exception that is not a std::exception"});
}

TEST(HostThreadErrors, AThreadThatEndsNormallyReportsNothing) {
    TReportLog Log;
    TOnce T([](TOnce&) {});
    T.Resume();
    T.WaitFor();
    EXPECT_FALSE(T.FatalException());
    EXPECT_FALSE(CheckSynchronize());
    EXPECT_TRUE(Log.Messages.empty());
}

TEST(HostThread, TheWakeHookRunsOnTheWorkerOncePerQueuedCallUntilCleared) {
    std::atomic<int> Wakes{0};
    std::atomic<bool> OnGuiThread{false};
    vyr::host::SetWakeMainThread([&] {
        ++Wakes;
        if (vyr::host::IsGuiThread()) OnGuiThread = true;
    });
    {
        TStepper T(0);
        T.Resume();
        ASSERT_TRUE(WaitForQueuedCall());
        EXPECT_EQ(Wakes.load(), 1) << "one wake for the one call waiting";
        EXPECT_EQ(T.Steps, 0) << "waking runs nothing by itself";
        ASSERT_TRUE(PumpUntil([&] { return T.Steps >= 3; }));
        // Each step was announced before it could run; the next call may already be announced.
        EXPECT_GE(Wakes.load(), T.Steps);
        EXPECT_LE(Wakes.load(), T.Steps + 1);
        vyr::host::SetWakeMainThread(nullptr);
        const int AfterClear = Wakes.load();
        ASSERT_TRUE(PumpUntil([&] { return T.Steps >= 6; }));
        EXPECT_EQ(Wakes.load(), AfterClear);
    }
    EXPECT_FALSE(OnGuiThread.load());
}

TEST(HostThread, AThrowingWakeHookStillLeavesTheCallQueued) {
    vyr::host::SetWakeMainThread([] { throw std::runtime_error("no loop to wake"); });
    TStepper T(0);
    T.Resume();
    ASSERT_TRUE(WaitForQueuedCall());
    vyr::host::SetWakeMainThread(nullptr);
    ASSERT_TRUE(PumpUntil([&] { return T.Steps >= 2; }));
}

namespace {

// The stepper's loop written once as a step loop, so that it runs in either step mode. OnStep
// (outside the thread object) runs inside each step.
class TLoopStepper : public TThread {
public:
    TLoopStepper(std::uint32_t PauseMs, std::function<void()>& OnStep)
        : TThread(true), FPause(PauseMs), FOnStep(OnStep) {}
    ~TLoopStepper() override { WaitFor(); }
    int Steps = 0;  // GUI thread only

protected:
    vyr::host::TStepLoop Loop() override {
        std::function<void()>& OnStep = FOnStep;
        const std::function<void()> Step = [this, &OnStep] {
            ++Steps;
            if (OnStep) OnStep();
        };
        while (!Terminated()) {
            co_await AwaitSynchronize(Step);
            co_await AwaitPause(FPause);
        }
    }

private:
    std::uint32_t FPause;
    std::function<void()>& FOnStep;
};

class HostStepLoop : public vyr::test::TStepModeTest {
protected:
    std::function<void()> OnStep;
};
VYR_INSTANTIATE_STEP_MODES(HostStepLoop);

}  // namespace

// Resume never runs a step inside itself; each pump runs at most one step of a loop pausing 0;
// Suspend holds the loop, Resume lets it go on.
TEST_P(HostStepLoop, StepsRunOnlyWhenPumpedOnePerPumpAndNotWhileSuspended) {
    TLoopStepper T(0, OnStep);
    EXPECT_EQ(T.Mode(), GetParam());
    CheckSynchronize(10ms);
    EXPECT_EQ(T.Steps, 0) << "nothing before Resume";
    T.Resume();
    EXPECT_EQ(T.Steps, 0) << "not inside Resume";
    ASSERT_TRUE(PumpUntil([&] { return T.Steps >= 3; }));
    for (int i = 0; i < 5; ++i) {
        const int Before = T.Steps;
        CheckSynchronize(5ms);
        EXPECT_LE(T.Steps, Before + 1);
    }
    T.Suspend();
    CheckSynchronize(20ms);
    const int Held = T.Steps;
    CheckSynchronize(30ms);
    EXPECT_LE(T.Steps, Held + 1) << "at most a step already queued";
    const int AfterHold = T.Steps;
    T.Resume();
    ASSERT_TRUE(PumpUntil([&] { return T.Steps > AfterHold + 2; }));
    T.WaitFor();
    EXPECT_TRUE(T.Finished());
    EXPECT_EQ(vyr::test::StepsWaiting(), 0U);
}

TEST_P(HostStepLoop, AFailedStepEndsTheLoopAndIsReportedOnceOnTheGuiThread) {
    TReportLog Log;
    OnStep = [] { throw std::logic_error("the step failed"); };
    TLoopStepper T(0, OnStep);
    T.Resume();
    ASSERT_TRUE(PumpUntil([&] { return !Log.Messages.empty(); }));
    EXPECT_EQ(Log.Messages, std::vector<std::string>{"the step failed"});
    EXPECT_EQ(Log.Threads.front(), std::this_thread::get_id());
    EXPECT_EQ(T.Steps, 1);
    EXPECT_TRUE(T.Finished());
    EXPECT_TRUE(T.FatalException());
    EXPECT_FALSE(CheckSynchronize(10ms)) << "reported once";
}

// A thread whose work is Execute only runs on an OS thread even when created in clock mode.
TEST(HostStepClock, AThreadWithoutALoopRunsOnItsOwnThreadInClockMode) {
    vyr::host::SetStepMode(vyr::host::TStepMode::Clock);
    TStepper T(0);
    vyr::host::SetStepMode(vyr::host::TStepMode::Default);
    EXPECT_EQ(T.Mode(), vyr::host::TStepMode::Clock);
    T.Resume();
    EXPECT_EQ(T.Mode(), vyr::host::TStepMode::Threads);
    ASSERT_TRUE(PumpUntil([&] { return T.Steps >= 2; }));
}

// The clock's wake hook hears of a loop that comes due (Resume) and of the end of every pass
// that ran steps, and never during a pass; a loop paused for a long time sets NextStepDue.
TEST(HostStepClock, TheWakeHookHearsOfResumeAndOfEachPassAndNextStepDueFollowsThePause) {
    vyr::host::SetStepMode(vyr::host::TStepMode::Clock);
    std::function<void()> OnStep;
    TLoopStepper T(60'000, OnStep);
    vyr::host::SetStepMode(vyr::host::TStepMode::Default);
    int Wakes = 0;
    bool WokenInStep = false;
    bool InStep = false;
    OnStep = [&] {
        InStep = true;
        vyr::host::CheckSynchronize();
        InStep = false;
    };
    vyr::host::SetStepClockWake([&] {
        ++Wakes;
        WokenInStep = WokenInStep || InStep;
    });
    EXPECT_FALSE(vyr::host::NextStepDue());
    T.Resume();
    EXPECT_EQ(Wakes, 1);
    ASSERT_TRUE(vyr::host::NextStepDue());
    EXPECT_LE(*vyr::host::NextStepDue(), std::chrono::steady_clock::now());
    EXPECT_TRUE(vyr::host::RunDueSteps());
    EXPECT_EQ(T.Steps, 1) << "a step that pumps runs no other pass";
    EXPECT_EQ(Wakes, 2);
    EXPECT_FALSE(WokenInStep);
    ASSERT_TRUE(vyr::host::NextStepDue());
    EXPECT_GT(*vyr::host::NextStepDue(), std::chrono::steady_clock::now() + 50s);
    EXPECT_FALSE(vyr::host::RunDueSteps());
    vyr::host::SetStepClockWake(nullptr);
    T.WaitFor();
    EXPECT_FALSE(vyr::host::NextStepDue());
}

// A step may destroy its own thread object (an application's handler deleting the control that
// scrolls): the loop ends there without touching the object again. (On an OS thread that would
// wait for the step it runs in; the clock mode has no such wait.)
TEST(HostStepClock, AStepThatDestroysItsOwnThreadEndsTheLoopCleanly) {
    vyr::host::SetStepMode(vyr::host::TStepMode::Clock);
    std::function<void()> OnStep;
    auto* T = new TLoopStepper(0, OnStep);
    TLoopStepper Other(0, OnStep);
    vyr::host::SetStepMode(vyr::host::TStepMode::Default);
    int Calls = 0;
    OnStep = [&] {
        if (++Calls == 2) {
            delete T;
            T = nullptr;
        }
    };
    T->Resume();
    Other.Resume();
    ASSERT_TRUE(PumpUntil([&] { return T == nullptr && Other.Steps >= 3; }));
    EXPECT_EQ(vyr::host::DueStepCount(), 1U) << "only the other loop is left";
}
