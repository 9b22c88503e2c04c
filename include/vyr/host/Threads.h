/// @file
/// Worker threads, the GUI thread's queue of synchronised calls, and the step clock.
///
/// The GUI thread is the thread that loaded the host library (normally the program's main
/// thread), unless SetGuiThread names another. Worker threads hand work to it with
/// TThread::Synchronize; the work runs only when the GUI thread pumps the queue
/// (CheckSynchronize, or a widget set's message loop). Nothing runs on a timer of its own.
///
/// Step loops. A thread whose work is a loop of "run a step on the GUI thread, then pause" writes
/// that loop once, as a coroutine (Loop, returning TStepLoop) in which the step and the pause are
/// awaits: co_await AwaitSynchronize(Method), co_await AwaitPause(Milliseconds). The loop runs in
/// one of two step modes, fixed when the thread object is created (StepMode()):
///   Threads  an OS thread runs the loop; each await blocks it exactly as Synchronize and Pause do.
///   Clock    no OS thread: the step clock, a list of the loops waiting for their time, resumes
///            each due loop on the GUI thread, where its step runs at once. One pass of the clock
///            runs the due steps of every loop. The widget set's message loop drives the clock
///            (RunDueSteps when NextStepDue comes); CheckSynchronize also runs a pass, so a pump
///            that only calls CheckSynchronize or RunFor drives it too. A step never runs inside
///            another step, a setter or a key handler: only a pass runs steps, and a pass never
///            starts inside another one.
/// In both modes a step runs only after Resume, no step runs while the thread is suspended, and
/// a pause that follows a step starts after it (in clock mode when the step was due, if the pass
/// ran it within a millisecond of that, else when the pass ran it; loops with equal delays that
/// stepped in one pass stay in one pass).
///
/// Errors: an exception that escapes Execute ends the thread. It is kept (FatalException) and
/// reported on the GUI thread: once the thread has finished, the exception is queued to the GUI
/// thread, and the next CheckSynchronize (so a widget set's ProcessMessages or RunFor) hands it
/// to Application().HandleException, after the synchronised calls that pump runs. The report
/// belongs to the queue, not to the thread object: it is delivered even when the thread object
/// has been destroyed in the meantime. An exception that is not a std::exception is reported as
/// a std::runtime_error saying so.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <coroutine>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace vyr::host {

/// How step loops run (see above). Default: let the widget set choose.
enum class TStepMode { Default, Threads, Clock };

/// The application's choice of step mode for threads created from now on. Default hands the
/// choice back: then the environment variable VYR_STEP_MODE ("threads" or "clock") decides, and
/// without it the widget set's preference (SetBackendStepMode), and without that Threads.
void SetStepMode(TStepMode Mode);
/// A widget set's preferred mode, applied when the application chose none.
void SetBackendStepMode(TStepMode Mode);
/// The mode a thread created now gets (never Default).
[[nodiscard]] TStepMode StepMode();

/// The coroutine of a step loop. Owns its frame; move-only. Empty when default-constructed.
class TStepLoop {
public:
    /// The coroutine's promise: it starts suspended (the loop runs at Resume) and keeps the
    /// exception that ended the loop.
    struct promise_type {
        std::exception_ptr Error;  ///< the exception that ended the loop, or null
        bool Orphaned = false;     ///< the thread object went away while the loop ran a step

        /** @{ */
        /// The coroutine protocol.
        TStepLoop get_return_object() { return TStepLoop(std::coroutine_handle<promise_type>::from_promise(*this)); }
        std::suspend_always initial_suspend() noexcept { return {}; }
        std::suspend_always final_suspend() noexcept { return {}; }
        void return_void() noexcept {}
        void unhandled_exception() noexcept { Error = std::current_exception(); }
        /** @} */
    };
    /// The handle of the loop's frame.
    using THandle = std::coroutine_handle<promise_type>;

    TStepLoop() = default;
    /// Takes ownership of Handle's frame.
    explicit TStepLoop(THandle Handle) : FHandle(Handle) {}
    /** @{ */
    /// Moves the frame over; Other becomes empty.
    TStepLoop(TStepLoop&& Other) noexcept : FHandle(std::exchange(Other.FHandle, nullptr)) {}
    TStepLoop& operator=(TStepLoop&& Other) noexcept;
    /** @} */
    ~TStepLoop();
    TStepLoop(const TStepLoop&) = delete;
    TStepLoop& operator=(const TStepLoop&) = delete;

    /// True when there is no frame.
    [[nodiscard]] bool Empty() const { return !FHandle; }
    /// The frame's handle (still owned).
    [[nodiscard]] THandle Handle() const { return FHandle; }
    /// Gives up the frame without destroying it.
    THandle Release() { return std::exchange(FHandle, nullptr); }

private:
    THandle FHandle;
};

/// A worker thread that runs Execute, with terminate and suspend requests, interruptible pauses and
/// synchronised calls to the GUI thread; or a step loop in either step mode (see the file's
/// description). Not copyable.
class TThread {
public:
    /// CreateSuspended true: Execute starts only at the first Resume. False: it starts now.
    /// The step mode is StepMode() as it is now.
    explicit TThread(bool CreateSuspended);
    /// Terminates, wakes and joins the thread (WaitFor), as a last resort. The owner of a started
    /// thread must call WaitFor before deleting it: the destructors of the derived classes run
    /// first, and they rewrite the object's virtual table while the worker may still be calling
    /// Execute through it.
    virtual ~TThread();

    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    /// Starts Execute the first time; later, lets a suspended thread go on. Resuming a running
    /// thread does nothing. In clock mode the loop only becomes due: its first step runs at the
    /// next pass of the clock. A clock-mode loop is resumed, suspended and waited for on the GUI
    /// thread only (std::logic_error otherwise, for Resume and Suspend); Terminate from another
    /// thread only sets the flag, seen when the loop's pause is over.
    void Resume();
    /// The thread stops at its next Pause or Synchronize until Resume (or Terminate).
    void Suspend();
    /// Sets the terminate flag, which Execute reads through Terminated(), and wakes the thread
    /// from Pause and from a suspension. It does not wait.
    void Terminate();
    /// Terminate, then wait until Execute has returned and join the thread. On the GUI thread a
    /// Synchronize of this thread that is still queued is cancelled (it returns without running),
    /// so waiting can never deadlock. A thread that was never started ends at once. Idempotent.
    /// In clock mode the loop is dropped where it waits, without running again; called from the
    /// loop's own step, it lets the step finish and the loop unwinds right after it, touching
    /// this object no more.
    void WaitFor();

    /// True once Terminate has been called; Execute should then return soon. Any thread.
    [[nodiscard]] bool Terminated() const { return FTerminated.load(std::memory_order_acquire); }
    /// True while the thread is created suspended and not resumed yet, or suspended by Suspend. Any
    /// thread.
    [[nodiscard]] bool Suspended() const;
    /// True once Execute has been started (by the constructor or the first Resume). Any thread.
    [[nodiscard]] bool Started() const;
    /// True once Execute has returned (or raised). Any thread.
    [[nodiscard]] bool Finished() const { return FFinished.load(std::memory_order_acquire); }
    /// The exception that escaped Execute, or null. Read it once Finished() is true or WaitFor has
    /// returned; before that it is null.
    [[nodiscard]] std::exception_ptr FatalException() const;
    /// Threads, or Clock for a step loop driven by the step clock. A thread that has no Loop runs
    /// as an OS thread whatever the mode it was created in (its mode turns to Threads at Resume).
    [[nodiscard]] TStepMode Mode() const { return FMode; }

    /// The await of a synchronised step (AwaitSynchronize); its value says whether Method ran.
    class TSynchronizeAwait {
    public:
        /// Method runs for Thread's loop; it must outlive the await.
        TSynchronizeAwait(TThread& Thread, const std::function<void()>& Method) : FThread(Thread), FMethod(Method) {}
        /** @{ */
        /// The awaiter protocol.
        bool await_ready();
        void await_suspend(std::coroutine_handle<> /*Loop*/);
        bool await_resume();
        /** @} */

    private:
        TThread& FThread;
        const std::function<void()>& FMethod;
        bool FRan = false;
    };
    /// The await of a pause (AwaitPause).
    class TPauseAwait {
    public:
        /// A pause of Milliseconds for Thread's loop.
        TPauseAwait(TThread& Thread, std::uint32_t Milliseconds) : FThread(Thread), FMilliseconds(Milliseconds) {}
        /** @{ */
        /// The awaiter protocol.
        bool await_ready();
        void await_suspend(std::coroutine_handle<> /*Loop*/);
        void await_resume() const {}
        /** @} */

    private:
        TThread& FThread;
        std::uint32_t FMilliseconds;
    };

protected:
    /// The thread's work on its OS thread; loops until Terminated(). By default it runs Loop to
    /// its end (the awaits block). A class either overrides Execute (then it always runs as an OS
    /// thread) or Loop (then it runs in either mode).
    virtual void Execute();
    /// The thread's work as a step loop; the default is empty (no loop).
    virtual TStepLoop Loop() { return {}; }

    /// Inside Loop: co_await AwaitSynchronize(Method) runs Method on the GUI thread (in thread
    /// mode by Synchronize; in clock mode at once, the loop being on the GUI thread) and yields
    /// whether it ran: not once the thread is terminated (clock mode) or its step was cancelled
    /// by WaitFor (thread mode). Method must outlive the await; keep it in a local of the loop so
    /// that no step allocates. An exception from Method ends the loop, as from Execute.
    [[nodiscard]] TSynchronizeAwait AwaitSynchronize(const std::function<void()>& Method) { return {*this, Method}; }
    /// Inside Loop: pauses for Milliseconds (Pause in thread mode; in clock mode the loop waits in
    /// the clock), shorter when terminated, longer while suspended.
    [[nodiscard]] TPauseAwait AwaitPause(std::uint32_t Milliseconds) { return {*this, Milliseconds}; }

    /// Runs Method on the GUI thread and returns when it has run, or when it was cancelled by
    /// WaitFor. Called on the GUI thread itself, Method runs at once. Returns true if it ran.
    bool Synchronize(const std::function<void()>& Method);

    /// The worker's sleep: returns after Milliseconds, at once when Terminate is called, and
    /// while the thread is suspended it also waits for Resume or Terminate.
    void Pause(std::uint32_t Milliseconds);

private:
    friend bool RunDueSteps();
    friend std::optional<std::chrono::steady_clock::time_point> NextStepDue();
    friend std::size_t DueStepCount();

    void Run();
    void WaitWhileSuspended(std::unique_lock<std::mutex>& Lock);
    // Clock mode, GUI thread.
    void Park(std::chrono::steady_clock::time_point Due);
    void EndClockLoop();

    TStepMode FMode;
    // Clock mode: the loop, and where it waits (GUI thread only).
    TStepLoop FLoop;
    std::chrono::steady_clock::time_point FDue{};
    bool FParked = false;   // waiting in the clock for FDue (and for Resume while suspended)
    bool FRunning = false;  // the clock is running this loop's step now

    mutable std::mutex FMutex;
    std::condition_variable FWake;
    std::thread FThread;
    bool FStarted = false;
    bool FSuspended = false;
    bool FJoined = false;
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FFinished{false};
    std::exception_ptr FFatalException;  // written by the worker before FFinished is set
};

/// GUI thread: runs one pass of the step clock, every synchronised call queued now, and reports
/// every exception that ended a worker thread or a step loop (Application().HandleException).
/// When nothing was due or queued, waits up to Timeout (no longer than until the next clock-mode
/// loop is due) for something to arrive, then runs the pass again. Returns true if at least one
/// loop or call ran or one exception was reported.
bool CheckSynchronize(std::chrono::milliseconds Timeout = std::chrono::milliseconds(0));

/// GUI thread: one pass of the step clock: resumes every clock-mode loop whose time has come and
/// that is not suspended; a loop that becomes due during the pass (a pause of 0) waits for the next
/// pass. Does nothing inside a pass. Returns true if a loop ran. At the end of a pass that ran a
/// loop, the clock's wake hook runs (SetStepClockWake), so the widget set re-arms its timer.
bool RunDueSteps();
/// GUI thread: when the earliest clock-mode loop that is not suspended is due (it may be in the
/// past: due now), or none when no loop waits.
[[nodiscard]] std::optional<std::chrono::steady_clock::time_point> NextStepDue();
/// GUI thread: how many clock-mode loops are due now (not suspended).
[[nodiscard]] std::size_t DueStepCount();
/// Called on the GUI thread when NextStepDue may have come earlier (a loop resumed, woken or ended,
/// a pass done); the widget set re-arms its timer. Never called inside a pass. Null by default.
void SetStepClockWake(std::function<void()> Wake);

/// Number of synchronised calls waiting in the queue (reports of ended threads not counted).
std::size_t PendingSynchronizeCount();
/// Number of exceptions of ended worker threads waiting to be reported on the GUI thread.
std::size_t PendingThreadErrorCount();

/// Wakes the GUI thread's message loop when a synchronised call has been queued, so that a loop
/// that sleeps in a window system (not in CheckSynchronize) runs the call without polling: the
/// hook posts an event to that loop, whose handler calls CheckSynchronize. The hook runs on the
/// worker thread, with the queue locked, once for every call queued: it may only post, never run
/// or wait for synchronised calls itself; an exception from it is dropped. Null (the default)
/// wakes nobody. Setting a new hook waits until a call of the old one in progress has returned,
/// so the old hook's owner may go away as soon as this returns.
void SetWakeMainThread(std::function<void()> WakeUp);

/// True on the GUI thread (see the file's description).
[[nodiscard]] bool IsGuiThread();
/// Makes the calling thread the GUI thread.
void SetGuiThread();

}  // namespace vyr::host
