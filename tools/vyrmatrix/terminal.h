// The terminal of the interactive commands: raw keyboard mode, a hidden cursor, and their
// restoration on every way out (normal return, exit(), a signal).
//
// Signals: SIGINT, SIGTERM, SIGHUP and SIGPIPE ask the command to stop (StopRequested); the
// command then leaves its loop and restores the terminal itself. A second such signal, or a
// crash signal (SIGSEGV, SIGBUS, SIGFPE, SIGABRT), restores the terminal at once and ends the
// process with the signal's default action.
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

    // Puts the terminal back as it was: cursor shown, attributes reset, input mode restored.
    // Idempotent and async-signal-safe.
    static void Restore();
    // A stop signal has arrived.
    [[nodiscard]] static bool StopRequested();
    [[nodiscard]] bool RawMode() const;
};

// Reads what is available on standard input, waiting at most TimeoutMs (negative: no limit).
// Returns the number of bytes read, 0 on timeout or interruption by a signal, -1 at end of
// input or on an error.
long ReadInput(std::uint8_t* Buffer, std::size_t Size, int TimeoutMs);

// Writes the whole of Data to standard output (unbuffered).
void WriteOut(const char* Data, std::size_t Size);

}  // namespace vyr::cli
