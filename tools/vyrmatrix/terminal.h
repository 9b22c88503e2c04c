// The terminal of the interactive commands: raw keyboard mode, a hidden cursor, and their
// restoration on every way out (normal return, exit(), a signal).
//
// Signals: every signal whose default action ends the process and that comes from outside
// (SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE, SIGUSR1, SIGUSR2, SIGALRM, the timer and limit
// signals, the real-time signals) asks the command to stop (StopRequested); the command then
// leaves its loop, restores the terminal itself and exits with 128 + the signal's number. A
// second such signal, or a fault of the process (SIGSEGV, SIGBUS, SIGFPE, SIGABRT, SIGILL,
// SIGTRAP, SIGSYS), restores the terminal at once and ends the process with the signal's
// default action. A stop (SIGTSTP, SIGTTIN, SIGTTOU) restores the terminal before the process
// stops; SIGCONT (also after SIGSTOP) sets it up again when the process is in the foreground.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vyr::cli {

[[nodiscard]] bool StdinIsTerminal();
[[nodiscard]] bool StdoutIsTerminal();
// Columns of the terminal on standard output, or 0 when unknown.
[[nodiscard]] int TerminalColumns();

class TTerminalSession {
public:
    // RawInput: put standard input in raw mode (no echo, no line buffering, no signals from
    // keys) when it is a terminal. HideCursor: hide the cursor when standard output is one.
    TTerminalSession(bool RawInput, bool HideCursor);
    ~TTerminalSession();  // Restore()
    TTerminalSession(const TTerminalSession&) = delete;
    TTerminalSession& operator=(const TTerminalSession&) = delete;

    // Puts the terminal back as it was: cursor shown, attributes reset, input mode restored;
    // a later continue no longer sets it up. Idempotent.
    static void Restore();
    // A stop signal has arrived.
    [[nodiscard]] static bool StopRequested();
    // The signal that asked the command to stop, or 0.
    [[nodiscard]] static int StopSignal();
    // True once after the process continued from a stop: the screen may have been used by
    // another program meanwhile, so a picture drawn in place must be drawn whole again.
    [[nodiscard]] static bool TakeResumed();
    [[nodiscard]] bool RawMode() const;
};

// Reads what is available on standard input, waiting at most TimeoutMs (negative: no limit).
// Returns the number of bytes read, 0 on timeout or interruption by a signal, -1 at end of
// input or on an error.
long ReadInput(std::uint8_t* Buffer, std::size_t Size, int TimeoutMs);

// Writes the whole of Data to standard output (unbuffered).
void WriteOut(const char* Data, std::size_t Size);

}  // namespace vyr::cli
