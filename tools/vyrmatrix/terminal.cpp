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
// them. Plain flags of lock-free types only.
termios GSavedMode{};
volatile std::sig_atomic_t GRawApplied = 0;
volatile std::sig_atomic_t GCursorHidden = 0;
volatile std::sig_atomic_t GStopSignal = 0;
bool GAtExitInstalled = false;

constexpr int StopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
constexpr int CrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGABRT};

void RestoreNow() {
    if (GCursorHidden) {
        static const char Show[] = "\x1b[0m\x1b[?25h";
        [[maybe_unused]] const auto W = ::write(STDOUT_FILENO, Show, sizeof Show - 1);
        GCursorHidden = 0;
    }
    if (GRawApplied) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &GSavedMode);
        GRawApplied = 0;
    }
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

void InstallHandlers() {
    struct sigaction Action {};
    sigemptyset(&Action.sa_mask);
    Action.sa_flags = 0;  // no SA_RESTART: a waiting poll() returns so that the loop sees the stop
    Action.sa_handler = OnStopSignal;
    for (const int S : StopSignals) ::sigaction(S, &Action, nullptr);
    Action.sa_handler = OnCrashSignal;
    Action.sa_flags = SA_RESETHAND;
    for (const int S : CrashSignals) ::sigaction(S, &Action, nullptr);
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
    InstallHandlers();
    if (RawInput && StdinIsTerminal() && ::tcgetattr(STDIN_FILENO, &GSavedMode) == 0) {
        termios Raw = GSavedMode;
        Raw.c_iflag &= ~static_cast<tcflag_t>(BRKINT | ICRNL | INPCK | ISTRIP | IXON);
        Raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | IEXTEN | ISIG);
        Raw.c_cflag |= CS8;
        Raw.c_cc[VMIN] = 1;
        Raw.c_cc[VTIME] = 0;
        GRawApplied = 1;
        if (::tcsetattr(STDIN_FILENO, TCSAFLUSH, &Raw) != 0) GRawApplied = 0;
    }
    if (HideCursor && StdoutIsTerminal()) {
        GCursorHidden = 1;
        static const char Hide[] = "\x1b[?25l";
        WriteOut(Hide, sizeof Hide - 1);
    }
}

TTerminalSession::~TTerminalSession() { Restore(); }

void TTerminalSession::Restore() { RestoreNow(); }

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
