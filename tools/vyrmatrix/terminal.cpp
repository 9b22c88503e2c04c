#include "terminal.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace vyr::cli {

namespace {

// State shared with the signal handlers: written before the handlers are installed, read in
// them. Plain flags of lock-free types only. "Wanted" is what the session set up; "applied" is
// what is in force now (a stop takes it back, a continue puts it back).
termios GSavedMode{};
termios GRawMode{};
volatile std::sig_atomic_t GRawWanted = 0;
volatile std::sig_atomic_t GCursorWanted = 0;  // the cursor is to be hidden
volatile std::sig_atomic_t GRawApplied = 0;
volatile std::sig_atomic_t GCursorHidden = 0;
volatile std::sig_atomic_t GStopSignal = 0;
volatile std::sig_atomic_t GResumed = 0;
bool GAtExitInstalled = false;

// Signals whose default action ends the process and that come from outside (kill, the
// terminal, a timer): the command is asked to stop, leaves its loop, restores the terminal and
// exits with 128 + the signal. Real-time signals are added when the handlers are installed.
constexpr int StopSignals[] = {SIGHUP,    SIGINT,  SIGQUIT, SIGTERM, SIGPIPE, SIGUSR1, SIGUSR2,  SIGALRM,
                               SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ, SIGIO,   SIGPWR,  SIGSTKFLT};
// Faults of the process itself: the terminal is restored at once and the signal's default
// action (a core dump) follows.
constexpr int CrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGABRT, SIGILL, SIGTRAP, SIGSYS};
// Signals that stop the process: the terminal is restored before it stops and set up again
// when it continues (SIGCONT, also after the uncatchable SIGSTOP).
constexpr int SuspendSignals[] = {SIGTSTP, SIGTTIN, SIGTTOU};

void ShowCursor() {
    static const char Show[] = "\x1b[0m\x1b[?25h";
    [[maybe_unused]] const auto W = ::write(STDOUT_FILENO, Show, sizeof Show - 1);
}

void RestoreNow() {
    if (GCursorHidden) {
        GCursorHidden = 0;
        ShowCursor();
    }
    if (GRawApplied) {
        GRawApplied = 0;
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &GSavedMode);
    }
}

// Sets up what the session wanted, again after a stop: always, since a shell puts back its own
// terminal mode when a job stops, even one stopped by the uncatchable SIGSTOP. Only in the
// terminal's foreground: setting the mode from the background would stop the process again
// with SIGTTOU. Async-signal-safe.
// Each "applied" flag is set before its change is made: a signal that arrives in between then
// restores a change not yet made (harmless) instead of leaving one made behind.
void ReapplyNow() {
    if (GRawWanted && ::tcgetpgrp(STDIN_FILENO) == ::getpgrp()) {
        GRawApplied = 1;
        if (::tcsetattr(STDIN_FILENO, TCSAFLUSH, &GRawMode) != 0) GRawApplied = 0;
    }
    if (GCursorWanted) {
        GCursorHidden = 1;
        static const char Hide[] = "\x1b[?25l";
        [[maybe_unused]] const auto W = ::write(STDOUT_FILENO, Hide, sizeof Hide - 1);
    }
    GResumed = 1;
}

void RaiseDefault(int Signal) {
    struct sigaction Default {};
    Default.sa_handler = SIG_DFL;
    sigemptyset(&Default.sa_mask);
    ::sigaction(Signal, &Default, nullptr);
    ::raise(Signal);
}

void OnStopSignal(int Signal) {
    if (GStopSignal != 0) {
        // Asked twice: the command did not stop in time; restore and go.
        RestoreNow();
        RaiseDefault(Signal);
        return;
    }
    GStopSignal = Signal;
}

void OnCrashSignal(int Signal) {
    RestoreNow();
    RaiseDefault(Signal);
}

void OnSuspendSignal(int Signal);

void InstallSuspendHandler(int Signal) {
    struct sigaction Action {};
    sigemptyset(&Action.sa_mask);
    Action.sa_flags = SA_RESTART;
    Action.sa_handler = OnSuspendSignal;
    ::sigaction(Signal, &Action, nullptr);
}

void OnSuspendSignal(int Signal) {
    const int SavedErrno = errno;
    RestoreNow();
    // Stop for real: the default action, with the signal unblocked (it is blocked while its
    // handler runs). Execution resumes here after SIGCONT.
    RaiseDefault(Signal);
    sigset_t Set;
    sigemptyset(&Set);
    sigaddset(&Set, Signal);
    ::sigprocmask(SIG_UNBLOCK, &Set, nullptr);
    InstallSuspendHandler(Signal);
    ReapplyNow();
    errno = SavedErrno;
}

void OnContinue(int) {
    const int SavedErrno = errno;
    ReapplyNow();
    errno = SavedErrno;
}

void InstallHandlers() {
    struct sigaction Action {};
    sigemptyset(&Action.sa_mask);
    Action.sa_flags = 0;  // no SA_RESTART: a waiting poll() returns so that the loop sees the stop
    Action.sa_handler = OnStopSignal;
    for (const int S : StopSignals) ::sigaction(S, &Action, nullptr);
    for (int S = SIGRTMIN; S <= SIGRTMAX; ++S) ::sigaction(S, &Action, nullptr);
    Action.sa_handler = OnCrashSignal;
    Action.sa_flags = SA_RESETHAND;
    for (const int S : CrashSignals) ::sigaction(S, &Action, nullptr);
    for (const int S : SuspendSignals) InstallSuspendHandler(S);
    Action.sa_handler = OnContinue;
    Action.sa_flags = SA_RESTART;
    ::sigaction(SIGCONT, &Action, nullptr);
    if (!GAtExitInstalled) {
        std::atexit(RestoreNow);
        GAtExitInstalled = true;
    }
}

}  // namespace

bool StdinIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }
bool StdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

int TerminalColumns() {
    winsize Size{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &Size) == 0 && Size.ws_col > 0) return Size.ws_col;
    return 0;
}

TTerminalSession::TTerminalSession(bool RawInput, bool HideCursor) {
    GStopSignal = 0;
    GResumed = 0;
    if (RawInput && StdinIsTerminal() && ::tcgetattr(STDIN_FILENO, &GSavedMode) == 0) {
        GRawMode = GSavedMode;
        GRawMode.c_iflag &= ~static_cast<tcflag_t>(BRKINT | ICRNL | INPCK | ISTRIP | IXON);
        GRawMode.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | IEXTEN | ISIG);
        GRawMode.c_cflag |= CS8;
        GRawMode.c_cc[VMIN] = 1;
        GRawMode.c_cc[VTIME] = 0;
        GRawWanted = 1;
    }
    GCursorWanted = HideCursor && StdoutIsTerminal() ? 1 : 0;
    // The modes are saved before the handlers go in, so a signal never restores a stale mode.
    InstallHandlers();
    ReapplyNow();
    GResumed = 0;
}

TTerminalSession::~TTerminalSession() { Restore(); }

void TTerminalSession::Restore() {
    GRawWanted = 0;
    GCursorWanted = 0;
    RestoreNow();
}

int TTerminalSession::StopSignal() { return GStopSignal; }

bool TTerminalSession::TakeResumed() {
    const bool Resumed = GResumed != 0;
    GResumed = 0;
    return Resumed;
}

bool TTerminalSession::StopRequested() { return GStopSignal != 0; }

bool TTerminalSession::RawMode() const { return GRawApplied != 0; }

long ReadInput(std::uint8_t* Buffer, std::size_t Size, int TimeoutMs) {
    pollfd Poll{STDIN_FILENO, POLLIN, 0};
    const int Ready = ::poll(&Poll, 1, TimeoutMs);
    if (Ready < 0) return errno == EINTR ? 0 : -1;
    if (Ready == 0) return 0;
    const auto Got = ::read(STDIN_FILENO, Buffer, Size);
    if (Got < 0) return errno == EINTR || errno == EAGAIN ? 0 : -1;
    if (Got == 0) return -1;
    return static_cast<long>(Got);
}

void WriteOut(const char* Data, std::size_t Size) {
    while (Size > 0) {
        const auto Written = ::write(STDOUT_FILENO, Data, Size);
        if (Written < 0) {
            if (errno == EINTR) continue;
            return;
        }
        Data += Written;
        Size -= static_cast<std::size_t>(Written);
    }
}

}  // namespace vyr::cli
