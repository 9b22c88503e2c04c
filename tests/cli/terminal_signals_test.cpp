// `scroll` and `edit` on a real pseudo-terminal, sent the signals that end or stop a process:
// the terminal mode and the cursor come back every time, a stopped command sets its terminal up
// again when continued, and an ending signal gives the exit status 128 + its number.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "cli_support.h"

namespace vyr::cli {
namespace {

constexpr const char* HideCursor = "\x1b[?25l";
constexpr const char* ShowCursor = "\x1b[?25h";

bool SameMode(const termios& A, const termios& B) {
    return A.c_iflag == B.c_iflag && A.c_oflag == B.c_oflag && A.c_cflag == B.c_cflag && A.c_lflag == B.c_lflag &&
           std::memcmp(A.c_cc, B.c_cc, sizeof A.c_cc) == 0;
}

// The tool run in the foreground process group of a pseudo-terminal of its own, under a
// session leader that plays the shell: the leader keeps the terminal mode it started with,
// waits for the tool, then prints RESTORED or CHANGED (the mode compared with that one) and
// exits with the tool's exit status, or 100 + the signal that ended it.
class TPtyRun {
public:
    explicit TPtyRun(const std::vector<std::string>& Args) {
        winsize Size{};
        Size.ws_row = 60;
        Size.ws_col = 200;
        std::vector<std::string> Argv = {VYRMATRIX_BINARY};
        Argv.insert(Argv.end(), Args.begin(), Args.end());
        std::vector<char*> Pointers;
        for (auto& A : Argv) Pointers.push_back(A.data());
        Pointers.push_back(nullptr);
        FLeader = ::forkpty(&FMaster, nullptr, nullptr, &Size);
        if (FLeader == 0) RunLeader(Pointers.data());
        if (FLeader > 0) ::fcntl(FMaster, F_SETFL, ::fcntl(FMaster, F_GETFL) | O_NONBLOCK);
    }
    ~TPtyRun() {
        if (FLeader > 0 && !FEnded) {
            ::kill(FLeader, SIGKILL);
            if (FTool > 0) ::kill(FTool, SIGKILL);
            ::waitpid(FLeader, nullptr, 0);
        }
        if (FMaster >= 0) ::close(FMaster);
    }
    TPtyRun(const TPtyRun&) = delete;
    TPtyRun& operator=(const TPtyRun&) = delete;

    [[nodiscard]] bool Started() const { return FLeader > 0; }

    // Reads the terminal's output until Done() holds or TimeoutMs passes.
    bool WaitUntil(const std::function<bool()>& Done, int TimeoutMs = 10000) {
        const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
        while (!Done()) {
            if (std::chrono::steady_clock::now() >= Deadline) return false;
            Drain(20);
        }
        return true;
    }
    // The tool is in raw mode (no echo) with the cursor hidden, for the Nth time.
    bool WaitSetUp(std::size_t Times) {
        return WaitUntil([&] { return !Echo() && Count(HideCursor) >= Times; });
    }
    [[nodiscard]] bool Echo() const {
        termios Mode{};
        return ::tcgetattr(FMaster, &Mode) == 0 && (Mode.c_lflag & ECHO) != 0 && (Mode.c_lflag & ICANON) != 0;
    }
    void SetCooked() const {
        termios Mode{};
        ::tcgetattr(FMaster, &Mode);
        Mode.c_lflag |= ECHO | ICANON;
        ::tcsetattr(FMaster, TCSANOW, &Mode);
    }
    [[nodiscard]] std::size_t Count(const std::string& What) const {
        std::size_t N = 0;
        for (auto At = FOutput.find(What); At != std::string::npos; At = FOutput.find(What, At + 1)) ++N;
        return N;
    }
    // The tool's pid: the foreground process group of the terminal, once the tool leads it.
    pid_t Tool() {
        WaitUntil([&] {
            const pid_t Group = ::tcgetpgrp(FMaster);
            FTool = Group > 0 && Group != FLeader ? Group : 0;
            return FTool > 0;
        });
        return FTool;
    }
    [[nodiscard]] bool Stopped() const {
        std::ifstream Stat("/proc/" + std::to_string(FTool) + "/stat");
        std::string Line;
        std::getline(Stat, Line);
        const auto Close = Line.rfind(')');
        return Close != std::string::npos && Close + 2 < Line.size() && Line[Close + 2] == 'T';
    }
    // Waits for the leader to end; its exit status, or -1 after the time limit.
    int Wait() {
        int Status = 0;
        const bool Ended = WaitUntil([&] { return ::waitpid(FLeader, &Status, WNOHANG) == FLeader; });
        if (!Ended) return -1;
        FEnded = true;
        Drain(0);
        return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
    }
    [[nodiscard]] const std::string& Output() const { return FOutput; }

private:
    [[noreturn]] static void RunLeader(char** Argv) {
        termios Before{};
        ::tcgetattr(STDIN_FILENO, &Before);
        const pid_t Tool = ::fork();
        if (Tool == 0) {
            ::setpgid(0, 0);
            // Taking the foreground from the background would stop us with SIGTTOU.
            ::signal(SIGTTOU, SIG_IGN);
            ::tcsetpgrp(STDIN_FILENO, ::getpid());
            ::signal(SIGTTOU, SIG_DFL);
            const rlimit NoCore{0, 0};
            ::setrlimit(RLIMIT_CORE, &NoCore);
            ::execv(Argv[0], Argv);
            ::_exit(127);
        }
        ::setpgid(Tool, Tool);
        int Status = 0;
        while (::waitpid(Tool, &Status, 0) < 0 && errno == EINTR) {}
        termios After{};
        ::tcgetattr(STDIN_FILENO, &After);
        const char* Verdict = SameMode(Before, After) ? "\r\nRESTORED\r\n" : "\r\nCHANGED\r\n";
        [[maybe_unused]] const auto W = ::write(STDOUT_FILENO, Verdict, std::strlen(Verdict));
        ::_exit(WIFEXITED(Status) ? WEXITSTATUS(Status) : 100 + WTERMSIG(Status));
    }

    void Drain(int TimeoutMs) {
        pollfd Poll{FMaster, POLLIN, 0};
        if (::poll(&Poll, 1, TimeoutMs) <= 0) return;
        char Buffer[65536];
        for (;;) {
            const ssize_t Got = ::read(FMaster, Buffer, sizeof Buffer);
            if (Got <= 0) return;
            FOutput.append(Buffer, static_cast<std::size_t>(Got));
        }
    }

    int FMaster = -1;
    pid_t FLeader = -1;
    pid_t FTool = 0;
    bool FEnded = false;
    std::string FOutput;
};

struct TSignalCase {
    std::vector<std::string> Command;
    int Signal;
    int Status;  // of the leader: 128 + signal for an ending signal, 100 + signal for a fault
};

TEST(TerminalSignals, EveryEndingSignalRestoresTheTerminalAndExits128PlusTheSignal) {
    const std::vector<std::string> Scroll = {"scroll", "Hi", "--seconds", "30"};
    const std::vector<std::string> Edit = {"edit", "Hello"};
    const std::vector<TSignalCase> Cases = {
        {Scroll, SIGTERM, 128 + SIGTERM},       {Scroll, SIGINT, 128 + SIGINT},   {Scroll, SIGHUP, 128 + SIGHUP},
        {Scroll, SIGQUIT, 128 + SIGQUIT},       {Scroll, SIGUSR1, 128 + SIGUSR1}, {Scroll, SIGUSR2, 128 + SIGUSR2},
        {Scroll, SIGALRM, 128 + SIGALRM},       {Scroll, SIGPIPE, 128 + SIGPIPE}, {Scroll, SIGXCPU, 128 + SIGXCPU},
        {Scroll, SIGRTMIN + 1, 129 + SIGRTMIN}, {Edit, SIGTERM, 128 + SIGTERM},   {Edit, SIGQUIT, 128 + SIGQUIT},
        {Edit, SIGUSR1, 128 + SIGUSR1},         {Scroll, SIGSEGV, 100 + SIGSEGV}, {Edit, SIGABRT, 100 + SIGABRT},
    };
    for (const auto& Case : Cases) {
        const std::string Name = Case.Command[0] + " " + strsignal(Case.Signal);
        TPtyRun Run(Case.Command);
        ASSERT_TRUE(Run.Started());
        ASSERT_TRUE(Run.WaitSetUp(1)) << Name << ": never set up the terminal\n" << Run.Output();
        ASSERT_GT(Run.Tool(), 0) << Name;
        ASSERT_EQ(::kill(Run.Tool(), Case.Signal), 0);
        EXPECT_EQ(Run.Wait(), Case.Status) << Name;
        EXPECT_NE(Run.Output().find("RESTORED"), std::string::npos) << Name;
        EXPECT_GT(Run.Output().rfind(ShowCursor), Run.Output().rfind(HideCursor)) << Name;
    }
}

TEST(TerminalSignals, StoppedCommandRestoresTheTerminalAndSetsItUpAgainWhenContinued) {
    const std::vector<std::string> Scroll = {"scroll", "Hi", "--seconds", "30"};
    for (const int Stop : {SIGTSTP, SIGTTIN, SIGTTOU, SIGSTOP}) {
        const std::string Name = strsignal(Stop);
        for (const auto& Command : {Scroll, std::vector<std::string>{"edit", "Hello"}}) {
            TPtyRun Run(Command);
            ASSERT_TRUE(Run.Started());
            ASSERT_TRUE(Run.WaitSetUp(1)) << Name << "\n" << Run.Output();
            const pid_t Tool = Run.Tool();
            ASSERT_GT(Tool, 0);
            ASSERT_EQ(::kill(Tool, Stop), 0);
            ASSERT_TRUE(Run.WaitUntil([&] { return Run.Stopped(); })) << Name << ": did not stop";
            if (Stop != SIGSTOP) {
                EXPECT_TRUE(Run.WaitUntil([&] { return Run.Echo() && Run.Count(ShowCursor) >= 1; }))
                    << Name << " " << Command[0] << ": the terminal stayed raw while stopped, echo " << Run.Echo()
                    << " shows " << Run.Count(ShowCursor);
            } else {
                // SIGSTOP cannot be caught: the shell puts its own mode back, as one would.
                Run.SetCooked();
                ASSERT_TRUE(Run.Echo());
            }
            ASSERT_EQ(::kill(Tool, SIGCONT), 0);
            EXPECT_TRUE(Run.WaitSetUp(2)) << Name << ": not set up again after SIGCONT";
            ASSERT_EQ(::kill(Tool, SIGTERM), 0);
            EXPECT_EQ(Run.Wait(), 128 + SIGTERM) << Name;
            EXPECT_NE(Run.Output().find("RESTORED"), std::string::npos) << Name;
        }
    }
}

}  // namespace
}  // namespace vyr::cli
