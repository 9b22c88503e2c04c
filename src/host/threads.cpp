#include <deque>
#include <exception>
#include <stdexcept>
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

bool IsClosed(const TSyncQueue& Q, const TThread* Thread) {
    for (const TThread* T : Q.Closed) {
        if (T == Thread) {
            return true;
        }
    }
    return false;
}

}  // namespace

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
    TSyncQueue& Q = Queue();
    std::unique_lock Lock(Q.Mutex);
    if (Q.Items.empty() && Q.Errors.empty() && Timeout.count() > 0) {
        Q.Posted.wait_for(Lock, Timeout, [&Q] { return !Q.Items.empty() || !Q.Errors.empty(); });
    }
    // Run the calls queued now, one at a time, so that a call queued meanwhile by a fast worker
    // waits for the next pump instead of keeping this one going for ever.
    std::size_t Count = Q.Items.size();
    bool Ran = false;
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

TThread::TThread(bool CreateSuspended) {
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
    std::lock_guard Lock(FMutex);
    if (!FStarted) {
        if (Terminated() || FJoined) {
            return;
        }
        FStarted = true;
        FSuspended = false;
        FThread = std::thread(&TThread::Run, this);
        return;
    }
    FSuspended = false;
    FWake.notify_all();
}

void TThread::Suspend() {
    std::lock_guard Lock(FMutex);
    if (FStarted) {
        FSuspended = true;
    }
}

void TThread::Terminate() {
    FTerminated.store(true, std::memory_order_release);
    std::lock_guard Lock(FMutex);
    FWake.notify_all();
}

void TThread::WaitFor() {
    Terminate();
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
    if (FFatalException) {
        // The queue owns the report, so it outlives this thread object.
        TSyncQueue& Q = Queue();
        std::lock_guard Lock(Q.Mutex);
        Q.Errors.push_back(FFatalException);
        Announce(Q);
    }
}

}  // namespace vyr::host
