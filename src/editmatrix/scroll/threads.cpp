// The two worker threads of the marquee and the steps they hand to the GUI thread.
//
// Each worker (an OS thread, or a loop the host's step clock resumes on the GUI thread: the
// host's step mode decides, the loop is the same) loops: hand one step to the GUI thread (Synchronize, which waits until it has run),
// then pause for the control's delay, read after the step so that a change made by the step (code
// "D") applies to the pause right after it. Outside the synchronised step a worker reads only its
// delay (an atomic) and its terminate flag. The pause is interruptible: Terminate wakes it, and
// WaitFor on the GUI thread also cancels a step still waiting in the queue, so a worker ends
// promptly whatever it is doing.
//
// Negative delays are paused as 0 (a step as soon as the GUI thread takes it), not as the huge
// unsigned count they would otherwise become.
//
// Leaving scroll mode does not suspend the threads: their steps go on repainting the static frame
// (which looks the same either way) and moving the hidden scroll position, which the next switch
// to scroll mode resets. StopScroll suspends both for an application that wants them quiet.
#include <algorithm>

#include "../host_names.h"
#include "vyr/EditMatrix.h"

namespace vyr {

namespace {

std::uint32_t PauseLength(std::int32_t Milliseconds) {
    return static_cast<std::uint32_t>(std::max<std::int32_t>(Milliseconds, 0));
}

}  // namespace

TMatrixTimer::TMatrixTimer(TEditMatrix* AMatrix, TStep Step, TPeriod Period)
    : host::TThread(true), FMatrix(AMatrix), FStep(Step), FPeriod(Period) {}

// Joins the thread before anything it uses goes; a thread never resumed ends at once.
TMatrixTimer::~TMatrixTimer() {
    Terminate();
    WaitFor();
    FMatrix = nullptr;
}

// The four steps of the loop: test the terminate flag, hand the step over and wait for it, pause
// for the delay read now, again. The step's call is made once, so that no step allocates.
host::TStepLoop TMatrixTimer::Loop() {
    TEditMatrix* const Matrix = FMatrix;
    if (Matrix == nullptr) co_return;
    const TStep Step = FStep;
    const TPeriod Period = FPeriod;
    const std::function<void()> StepCall = [Matrix, Step] { (Matrix->*Step)(); };
    while (!Terminated()) {
        co_await AwaitSynchronize(StepCall);
        if (Terminated()) break;
        co_await AwaitPause(PauseLength((Matrix->*Period)()));
    }
}

TDelayTimer::TDelayTimer(TEditMatrix* AMatrix)
    : TMatrixTimer(AMatrix, &TEditMatrix::TryToScrollOnce, &TEditMatrix::Delay) {}

TBlinkTimer::TBlinkTimer(TEditMatrix* AMatrix)
    : TMatrixTimer(AMatrix, &TEditMatrix::TryToBlink, &TEditMatrix::BlinkDelay) {}

// Resumes the delay thread, then the blink thread. Resuming a running thread does nothing.
void TEditMatrix::StartScroll() {
    if (FDelayTimer) FDelayTimer->Resume();
    if (FBlinkTimer) FBlinkTimer->Resume();
}

void TEditMatrix::StopScroll() {
    if (FDelayTimer) FDelayTimer->Suspend();
    if (FBlinkTimer) FBlinkTimer->Suspend();
}

void TEditMatrix::TryToScrollOnce() {
    if (!FDestroying) ScrollOnce();
}

// One LED column on, skipping codes and wrapping; a halted marquee stays but still repaints.
void TEditMatrix::ScrollOnce() {
    if (!FScrollHalted && FStreamHead != nullptr) {
        if (FScrollPos == nullptr) FScrollPos = FStreamHead;
        GoToNextNoActionPixel(FScrollPos);
    }
    FTotalRefresh = true;
    FMiniRefresh = true;
    Paint();
}

void TEditMatrix::TryToBlink() {
    if (!FDestroying) BlinkOnce();
}

// The blink toggle the worker's step and the application's timer share.
void TEditMatrix::BlinkOnce() {
    ShiftBlinkState();
    SetTotalRefresh();
    SetMiniRefresh();
    Paint();
}

void TEditMatrix::SleepVDelay() const { host::Sleep(PauseLength(Delay())); }

void TEditMatrix::SleepVBlinkDelay() const { host::Sleep(PauseLength(BlinkDelay())); }

// The steps for a timer of the application's own (nothing in the control calls these); they do
// nothing while the control is still being constructed.
void TEditMatrix::DelayTimerOnTimer(host::TComponent* /*Sender*/) {
    if (!FCreating) ScrollOnce();
}

void TEditMatrix::BlinkOnTimer(host::TComponent* /*Sender*/) {
    if (!FCreating) BlinkOnce();
}

}  // namespace vyr
