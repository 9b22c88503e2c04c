#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <exception>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "vyr/host/Threads.h"

#include "vyr/host/Controls.h"

namespace vyr::host {

namespace {

// One call handed to the GUI thread. Lives on the waiting worker's stack.
struct TSyncEntry {
    const std::function<void()>* Method = nullptr;
    const TThread* Thread = nullptr;
    bool Done = false;
    bool Cancelled = false;
    std::exception_ptr Error;
    // Signalled (under the queue's mutex) when the call has run or was cancelled. One per
    // call, so that finishing one call wakes only the worker waiting for it.
    std::condition_variable Finished;
};

struct TSyncQueue {
    std::mutex Mutex;
    std::condition_variable Posted;  // a call was queued
    std::deque<TSyncEntry*> Items;
    std::vector<const TThread*> Closed;     // threads whose calls are refused (being joined)
    std::deque<std::exception_ptr> Errors;  // exceptions that ended worker threads, to report
    std::function<void()> Wake;             // SetWakeMainThread
};

TSyncQueue& Queue() {
    static TSyncQueue Q;
    return Q;
}

std::atomic<std::thread::id>& GuiThreadId() {
    static std::atomic<std::thread::id> Id{std::this_thread::get_id()};
    return Id;
}

// The thread that loads the library is the GUI thread until SetGuiThread says otherwise.
const bool GuiThreadRecorded = (GuiThreadId(), true);

// Hands an exception that escaped a worker's Execute to the GUI thread's message handling.
void ReportOnGuiThread(const std::exception_ptr& Error) {
    try {
        std::rethrow_exception(Error);
    } catch (const std::exception& E) {
        Application().HandleException(E);
    } catch (...) {
        Application().HandleException(
            std::runtime_error("a worker thread ended with an exception that is not a std::exception"));
    }
}

// Tells the GUI thread that something waits in the queue (a call or an error report): a pump
// blocked in CheckSynchronize wakes, and so does an event loop through the wake hook. Called with
// the queue locked.
void Announce(TSyncQueue& Q) {
    Q.Posted.notify_all();
    if (Q.Wake) {
        try {
            Q.Wake();
        } catch (...) {
            // The entry is queued either way; a loop that pumps by itself still handles it.
        }
    }
}

// Queues the exception that ended a thread or a step loop (none: nothing) for the GUI thread's
// next pump. The queue owns the report, so it outlives the thread object.
void ReportFatal(const std::exception_ptr& Error) {
    if (!Error) return;
    TSyncQueue& Q = Queue();
    std::lock_guard Lock(Q.Mutex);
    Q.Errors.push_back(Error);
    Announce(Q);
}

bool IsClosed(const TSyncQueue& Q, const TThread* Thread) {
    for (const TThread* T : Q.Closed) {
        if (T == Thread) {
            return true;
        }
    }
    return false;
}

// The step clock: every clock-mode loop that has started and not ended, each waiting for its due
// time or running. Touched on the GUI thread only, so it needs no lock.
struct TStepClock {
    std::vector<TThread*> Loops;
    // The loops the pass under way resumes, in order; a loop that ends during the pass (its
    // thread destroyed by an earlier step) is nulled here so the pass skips it.
    std::vector<TThread*> Due;
    bool InPass = false;
    std::chrono::steady_clock::time_point PassTime{};
    std::function<void()> Wake;
};

TStepClock& StepClock() {
    static TStepClock C;
    return C;
}

void WakeStepClock() {
    TStepClock& C = StepClock();
    if (!C.InPass && C.Wake) {
        C.Wake();
    }
}

// Thrown into a loop whose thread object was destroyed by the loop's own step: it unwinds the
// loop without touching the thread again. Never seen outside this file.
struct TLoopOrphaned {};

std::atomic<TStepMode>& ApplicationMode() {
    static std::atomic<TStepMode> Mode{TStepMode::Default};
    return Mode;
}

std::atomic<TStepMode>& BackendMode() {
    static std::atomic<TStepMode> Mode{TStepMode::Default};
    return Mode;
}

// VYR_STEP_MODE, read once. A value that is neither mode is reported and ignored.
TStepMode EnvironmentMode() {
    static const TStepMode Mode = [] {
        const char* Value = std::getenv("VYR_STEP_MODE");
        if (Value == nullptr || *Value == '\0') {
            return TStepMode::Default;
        }
        const std::string_view Name(Value);
        if (Name == "threads") {
            return TStepMode::Threads;
        }
        if (Name == "clock") {
            return TStepMode::Clock;
        }
        std::fprintf(stderr, "VYR_STEP_MODE: \"%s\" is neither \"threads\" nor \"clock\"; ignored\n", Value);
        return TStepMode::Default;
    }();
    return Mode;
}

}  // namespace

void SetStepMode(TStepMode Mode) { ApplicationMode().store(Mode); }

void SetBackendStepMode(TStepMode Mode) { BackendMode().store(Mode); }

TStepMode StepMode() {
    for (const TStepMode Mode : {ApplicationMode().load(), EnvironmentMode(), BackendMode().load()}) {
        if (Mode != TStepMode::Default) {
            return Mode;
        }
    }
    return TStepMode::Threads;
}

TStepLoop& TStepLoop::operator=(TStepLoop&& Other) noexcept {
    if (this != &Other) {
        if (FHandle) {
            FHandle.destroy();
        }
        FHandle = std::exchange(Other.FHandle, nullptr);
    }
    return *this;
}

TStepLoop::~TStepLoop() {
    if (FHandle) {
        FHandle.destroy();
    }
}

void SetStepClockWake(std::function<void()> Wake) { StepClock().Wake = std::move(Wake); }

bool RunDueSteps() {
    if (!IsGuiThread()) {
        return false;
    }
    TStepClock& C = StepClock();
    if (C.InPass || C.Loops.empty()) {
        return false;
    }
    const auto Now = std::chrono::steady_clock::now();
    C.Due.clear();
    for (TThread* T : C.Loops) {
        if (T->FParked && T->FDue <= Now && !(T->FSuspended && !T->Terminated())) {
            C.Due.push_back(T);
        }
    }
    if (C.Due.empty()) {
        return false;
    }
    C.InPass = true;
    C.PassTime = Now;
    for (std::size_t i = 0; i < C.Due.size(); ++i) {
        TThread* T = C.Due[i];
        // An earlier step of this pass may have ended, suspended or destroyed it.
        if (T == nullptr || !T->FParked || (T->FSuspended && !T->Terminated())) {
            continue;
        }
        T->FParked = false;
        T->FRunning = true;
        const TStepLoop::THandle Loop = T->FLoop.Handle();
        Loop.resume();
        if (Loop.promise().Orphaned) {
            Loop.destroy();  // the thread object is gone; WaitFor handed the frame to the clock
            continue;
        }
        T->FRunning = false;
        if (Loop.done()) {
            T->EndClockLoop();
        }
    }
    C.Due.clear();
    C.InPass = false;
    WakeStepClock();
    return true;
}

std::optional<std::chrono::steady_clock::time_point> NextStepDue() {
    std::optional<std::chrono::steady_clock::time_point> Next;
    for (const TThread* T : StepClock().Loops) {
        if (T->FParked && !(T->FSuspended && !T->Terminated()) && (!Next || T->FDue < *Next)) {
            Next = T->FDue;
        }
    }
    return Next;
}

std::size_t DueStepCount() {
    const auto Now = std::chrono::steady_clock::now();
    std::size_t Count = 0;
    for (const TThread* T : StepClock().Loops) {
        if (T->FParked && !(T->FSuspended && !T->Terminated()) && T->FDue <= Now) {
            ++Count;
        }
    }
    return Count;
}

bool IsGuiThread() { return GuiThreadId().load() == std::this_thread::get_id(); }

void SetGuiThread() { GuiThreadId().store(std::this_thread::get_id()); }

void SetWakeMainThread(std::function<void()> WakeUp) {
    TSyncQueue& Q = Queue();
    std::lock_guard Lock(Q.Mutex);
    Q.Wake = std::move(WakeUp);
}

std::size_t PendingSynchronizeCount() {
    TSyncQueue& Q = Queue();
    std::lock_guard Lock(Q.Mutex);
    return Q.Items.size();
}

std::size_t PendingThreadErrorCount() {
    TSyncQueue& Q = Queue();
    std::lock_guard Lock(Q.Mutex);
    return Q.Errors.size();
}

bool CheckSynchronize(std::chrono::milliseconds Timeout) {
    (void)GuiThreadRecorded;
    if (!IsGuiThread()) {
        return false;
    }
    bool Ran = RunDueSteps();
    TSyncQueue& Q = Queue();
    std::unique_lock Lock(Q.Mutex);
    if (!Ran && Q.Items.empty() && Q.Errors.empty() && Timeout.count() > 0) {
        // Wait no longer than until the next clock-mode loop is due.
        auto Wait = std::chrono::duration_cast<std::chrono::steady_clock::duration>(Timeout);
        if (const auto Next = NextStepDue()) {
            Wait =
                std::clamp(*Next - std::chrono::steady_clock::now(), std::chrono::steady_clock::duration::zero(), Wait);
        }
        Q.Posted.wait_for(Lock, Wait, [&Q] { return !Q.Items.empty() || !Q.Errors.empty(); });
        Lock.unlock();
        Ran = RunDueSteps();
        Lock.lock();
    }
    // Run the calls queued now, one at a time, so that a call queued meanwhile by a fast worker
    // waits for the next pump instead of keeping this one going for ever.
    std::size_t Count = Q.Items.size();
    while (Count-- > 0 && !Q.Items.empty()) {
        TSyncEntry* Entry = Q.Items.front();
        Q.Items.pop_front();
        Lock.unlock();
        try {
            (*Entry->Method)();
        } catch (...) {
            Entry->Error = std::current_exception();
        }
        Lock.lock();
        Entry->Done = true;
        Ran = true;
        Entry->Finished.notify_one();
    }
    // Then the threads that ended with an exception. The handler runs unlocked: it may pump.
    std::deque<std::exception_ptr> Errors;
    Errors.swap(Q.Errors);
    Lock.unlock();
    for (const auto& Error : Errors) {
        ReportOnGuiThread(Error);
        Ran = true;
    }
    return Ran;
}

TThread::TThread(bool CreateSuspended) : FMode(StepMode()) {
    // Execute is virtual: it cannot start before the derived object exists, so a thread always
    // starts at Resume. Asking for anything else would be silently wrong, hence refused.
    if (!CreateSuspended) {
        throw std::invalid_argument("TThread: create the thread suspended and call Resume once it is constructed");
    }
}

TThread::~TThread() { WaitFor(); }

bool TThread::Suspended() const {
    std::lock_guard Lock(FMutex);
    return !FStarted || FSuspended;
}

std::exception_ptr TThread::FatalException() const {
    if (!Finished()) {
        return nullptr;
    }
    return FFatalException;
}

bool TThread::Started() const {
    std::lock_guard Lock(FMutex);
    return FStarted;
}

void TThread::Resume() {
    std::unique_lock Lock(FMutex);
    if (FMode == TStepMode::Clock && !IsGuiThread()) {
        throw std::logic_error("TThread: a clock-mode loop is resumed on the GUI thread only");
    }
    if (!FStarted) {
        if (Terminated() || FJoined) {
            return;
        }
        if (FMode == TStepMode::Clock) {
            Lock.unlock();
            TStepLoop Made = Loop();
            if (!Made.Empty()) {
                // Due at once: the first step runs at the next pass, never inside this call.
                FLoop = std::move(Made);
                Lock.lock();
                FStarted = true;
                FSuspended = false;
                Lock.unlock();
                StepClock().Loops.push_back(this);
                Park(std::chrono::steady_clock::now());
                WakeStepClock();
                return;
            }
            Lock.lock();
            FMode = TStepMode::Threads;  // no loop: Execute on an OS thread
        }
        FStarted = true;
        FSuspended = false;
        FThread = std::thread(&TThread::Run, this);
        return;
    }
    FSuspended = false;
    FWake.notify_all();
    if (FMode == TStepMode::Clock && FParked) {
        Lock.unlock();
        WakeStepClock();
    }
}

void TThread::Suspend() {
    std::lock_guard Lock(FMutex);
    if (FMode == TStepMode::Clock && !IsGuiThread()) {
        throw std::logic_error("TThread: a clock-mode loop is suspended on the GUI thread only");
    }
    if (FStarted) {
        FSuspended = true;
    }
}

void TThread::Terminate() {
    FTerminated.store(true, std::memory_order_release);
    {
        std::lock_guard Lock(FMutex);
        FWake.notify_all();
    }
    // A clock-mode loop waiting in the clock ends at the next pass. Off the GUI thread only the
    // flag is set: the loop sees it when its pause is over.
    if (FMode == TStepMode::Clock && IsGuiThread() && FParked) {
        FDue = {};
        WakeStepClock();
    }
}

// Clock mode: the loop never runs again. A loop waiting in the clock is destroyed where it waits.
// A loop whose step is running now (the step destroys its own thread's owner) cannot be destroyed
// under its own feet: its frame goes to the clock, and the step's await unwinds it as soon as the
// step returns, without touching this object again.
void TThread::WaitFor() {
    Terminate();
    if (FMode == TStepMode::Clock) {
        {
            std::lock_guard Lock(FMutex);
            FJoined = true;
        }
        if (FLoop.Empty()) {
            return;  // never started, or ended already
        }
        if (FRunning) {
            FLoop.Handle().promise().Orphaned = true;
            FLoop.Release();
        } else {
            FLoop = {};
        }
        TStepClock& C = StepClock();
        std::erase(C.Loops, this);
        std::replace(C.Due.begin(), C.Due.end(), this, static_cast<TThread*>(nullptr));
        FParked = false;
        FRunning = false;
        FFinished.store(true, std::memory_order_release);
        return;
    }
    {
        // Refuse further calls from this thread and cancel the one it may be waiting on, so
        // that joining on the GUI thread cannot deadlock against a pending Synchronize.
        TSyncQueue& Q = Queue();
        std::lock_guard Lock(Q.Mutex);
        if (IsGuiThread()) {
            if (!IsClosed(Q, this)) {
                Q.Closed.push_back(this);
            }
            for (auto It = Q.Items.begin(); It != Q.Items.end();) {
                if ((*It)->Thread == this) {
                    (*It)->Cancelled = true;
                    (*It)->Finished.notify_one();
                    It = Q.Items.erase(It);
                } else {
                    ++It;
                }
            }
        }
    }
    std::thread ToJoin;
    {
        std::lock_guard Lock(FMutex);
        if (FStarted && !FJoined) {
            ToJoin = std::move(FThread);
        }
        FJoined = true;
    }
    if (ToJoin.joinable()) {
        ToJoin.join();
    }
    TSyncQueue& Q = Queue();
    std::lock_guard Lock(Q.Mutex);
    std::erase(Q.Closed, this);
}

bool TThread::Synchronize(const std::function<void()>& Method) {
    if (IsGuiThread()) {
        Method();
        return true;
    }
    {
        std::unique_lock Lock(FMutex);
        WaitWhileSuspended(Lock);
    }
    TSyncEntry Entry;
    Entry.Method = &Method;
    Entry.Thread = this;
    TSyncQueue& Q = Queue();
    std::unique_lock Lock(Q.Mutex);
    if (IsClosed(Q, this)) {
        return false;
    }
    Q.Items.push_back(&Entry);
    Announce(Q);
    Entry.Finished.wait(Lock, [&Entry] { return Entry.Done || Entry.Cancelled; });
    if (Entry.Error) {
        std::rethrow_exception(Entry.Error);
    }
    return Entry.Done;
}

void TThread::Pause(std::uint32_t Milliseconds) {
    std::unique_lock Lock(FMutex);
    WaitWhileSuspended(Lock);
    FWake.wait_for(Lock, std::chrono::milliseconds(Milliseconds), [this] { return Terminated(); });
    WaitWhileSuspended(Lock);
}

void TThread::WaitWhileSuspended(std::unique_lock<std::mutex>& Lock) {
    FWake.wait(Lock, [this] { return !FSuspended || Terminated(); });
}

void TThread::Park(std::chrono::steady_clock::time_point Due) {
    FDue = Due;
    FParked = true;
}

void TThread::EndClockLoop() {
    TStepClock& C = StepClock();
    std::erase(C.Loops, this);
    std::replace(C.Due.begin(), C.Due.end(), this, static_cast<TThread*>(nullptr));
    FFatalException = FLoop.Handle().promise().Error;
    FLoop = {};
    FParked = false;
    FFinished.store(true, std::memory_order_release);
    ReportFatal(FFatalException);
}

// Thread mode: the awaits of the loop block and never suspend it, so one resume runs the loop
// from its start to its end on this thread.
void TThread::Execute() {
    TStepLoop Body = Loop();
    if (Body.Empty()) {
        return;
    }
    Body.Handle().resume();
    if (Body.Handle().promise().Error) {
        std::rethrow_exception(Body.Handle().promise().Error);
    }
}

bool TThread::TSynchronizeAwait::await_ready() {
    if (FThread.FMode == TStepMode::Threads) {
        FRan = FThread.Synchronize(FMethod);
        return true;
    }
    return !(FThread.FSuspended && !FThread.Terminated());
}

// Clock mode, suspended: the loop waits in the clock, due at once once resumed.
void TThread::TSynchronizeAwait::await_suspend(std::coroutine_handle<> /*Loop*/) { FThread.Park({}); }

bool TThread::TSynchronizeAwait::await_resume() {
    if (FThread.FMode == TStepMode::Threads) {
        return FRan;
    }
    if (FThread.Terminated()) {
        return false;
    }
    const TStepLoop::THandle Loop = FThread.FLoop.Handle();
    FMethod();
    if (Loop.promise().Orphaned) {
        throw TLoopOrphaned{};  // FThread is gone: leave without touching it
    }
    return true;
}

bool TThread::TPauseAwait::await_ready() {
    if (FThread.FMode == TStepMode::Threads) {
        FThread.Pause(FMilliseconds);
        return true;
    }
    return FThread.Terminated();
}

// Clock mode: due Milliseconds after the step. The step counts as made when it was due if the
// pass ran it within the clock's granularity of 1 ms (a timer armed in whole milliseconds), else
// when the pass ran it: so delay 10 gives 100 steps a second, not one step per 10 ms plus the
// timer's rounding, while a step the GUI thread accepted late still pushes the next one back.
void TThread::TPauseAwait::await_suspend(std::coroutine_handle<> /*Loop*/) {
    const TStepClock& C = StepClock();
    const auto Ran = C.InPass ? C.PassTime : std::chrono::steady_clock::now();
    const auto From = std::max(FThread.FDue, Ran - std::chrono::milliseconds(1));
    FThread.Park(From + std::chrono::milliseconds(FMilliseconds));
}

void TThread::Run() {
    try {
        Execute();
    } catch (...) {
        // An exception escaping Execute ends the thread. It must not take the process down, and
        // nobody on this thread can handle it: it goes to the GUI thread, whose next pump reports
        // it (below, once the thread counts as finished).
        FFatalException = std::current_exception();
    }
    FFinished.store(true, std::memory_order_release);
    ReportFatal(FFatalException);
}

}  // namespace vyr::host
