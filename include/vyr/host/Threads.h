/// @file
/// Worker threads and the GUI thread's queue of synchronised calls.
///
/// The GUI thread is the thread that loaded the host library (normally the program's main
/// thread), unless SetGuiThread names another. Worker threads hand work to it with
/// TThread::Synchronize; the work runs only when the GUI thread pumps the queue
/// (CheckSynchronize, or a widget set's message loop). Nothing runs on a timer of its own.
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
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace vyr::host {

/// A worker thread that runs Execute, with terminate and suspend requests, interruptible pauses and
/// synchronised calls to the GUI thread (see the file's description). Not copyable.
class TThread {
public:
    /// CreateSuspended true: Execute starts only at the first Resume. False: it starts now.
    explicit TThread(bool CreateSuspended);
    /// Terminates, wakes and joins the thread (WaitFor), as a last resort. The owner of a started
    /// thread must call WaitFor before deleting it: the destructors of the derived classes run
    /// first, and they rewrite the object's virtual table while the worker may still be calling
    /// Execute through it.
    virtual ~TThread();

    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    /// Starts Execute the first time; later, lets a suspended thread go on. Resuming a running
    /// thread does nothing.
    void Resume();
    /// The thread stops at its next Pause or Synchronize until Resume (or Terminate).
    void Suspend();
    /// Sets the terminate flag, which Execute reads through Terminated(), and wakes the thread
    /// from Pause and from a suspension. It does not wait.
    void Terminate();
    /// Terminate, then wait until Execute has returned and join the thread. On the GUI thread a
    /// Synchronize of this thread that is still queued is cancelled (it returns without running),
    /// so waiting can never deadlock. A thread that was never started ends at once. Idempotent.
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

protected:
    /// The thread's work. Runs on the worker thread; loops until Terminated().
    virtual void Execute() = 0;

    /// Runs Method on the GUI thread and returns when it has run, or when it was cancelled by
    /// WaitFor. Called on the GUI thread itself, Method runs at once. Returns true if it ran.
    bool Synchronize(const std::function<void()>& Method);

    /// The worker's sleep: returns after Milliseconds, at once when Terminate is called, and
    /// while the thread is suspended it also waits for Resume or Terminate.
    void Pause(std::uint32_t Milliseconds);

private:
    void Run();
    void WaitWhileSuspended(std::unique_lock<std::mutex>& Lock);

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

/// GUI thread: runs every synchronised call queued now and reports every exception that ended a
/// worker thread (Application().HandleException). When nothing is queued, waits up to Timeout for
/// something to arrive. Returns true if at least one call ran or one exception was reported.
bool CheckSynchronize(std::chrono::milliseconds Timeout = std::chrono::milliseconds(0));

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
