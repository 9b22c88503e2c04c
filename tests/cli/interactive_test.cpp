// `edit` and `scroll`: keys from a pipe, the ending without a terminal, and under a real
// terminal (tmux) the raw mode, the in-place picture and the restoration of the terminal.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "cli_support.h"

namespace vyr::cli {
namespace {

using test::RunTool;
using test::TRunResult;
using test::TScratchDir;

struct TEditCase {
    const char* Name;
    std::string Initial;
    std::string Keys;
    std::string Final;  // UTF-8
    std::vector<std::string> Options = {};
};

std::ostream& operator<<(std::ostream& Os, const TEditCase& C) { return Os << C.Name; }

class EditFromPipe : public ::testing::TestWithParam<TEditCase> {};

TEST_P(EditFromPipe, PrintsTheFinalText) {
    const auto& C = GetParam();
    std::vector<std::string> Args = {"edit"};
    Args.insert(Args.end(), C.Options.begin(), C.Options.end());
    if (!C.Initial.empty()) Args.push_back(C.Initial);
    const TRunResult R = RunTool(Args, C.Keys, "", 20000);
    ASSERT_FALSE(R.TimedOut);
    EXPECT_EQ(R.Status, 0) << R.Err;
    EXPECT_EQ(R.Out, C.Final + "\n");
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Rows, EditFromPipe,
    ::testing::Values(
        TEditCase{"TypingAppends", "Hi", " there", "Hi there"},
        TEditCase{"ArrowsBackspaceHome", "Hello", "ab\x1b[DX\x7f\x1b[HZ", "ZHelloab"},
        TEditCase{"CtrlHIsBackspaceToo", "abc", "\x08\x08", "a"},
        TEditCase{"DeleteAndEnd", "abcd", "\x1b[H\x1b[3~\x1b[3~\x1bOF!", "cd!"},
        TEditCase{"InsertTogglesOverwrite", "abc", "\x1b[1~\x1b[2~XY", "XYc"},
        TEditCase{"PageKeysMove", "0123456789abcdef", "\x1b[5~<\x1b[6~>", "012345<6789abcdef>"},
        TEditCase{"Utf8TypedAsLatin1", "", "\xC3\xA6\xC3\xB8\xC3\xA5\xE2\x82\xAC", "\xC3\xA6\xC3\xB8\xC3\xA5?"},
        // Typed keys go through --codepage as the text arguments do ("Пр", then "ж€" typed).
        TEditCase{"Utf8TypedThroughTheCodePage", "\xD0\x9F\xD1\x80", "\xD0\xB6\xE2\x82\xAC",
                  "\xD0\x9F\xD1\x80\xD0\xB6?", {"--codepage", "KOI8-R"}},
        TEditCase{"CtrlCLeavesAtOnce", "ab", "c\x03" "d", "abc"},
        TEditCase{"LoneEscapeLeaves", "ab", "c\x1b", "abc"},
        TEditCase{"TabSendsKeysToTheOtherControl", "ab", "\tzz\x1b[Zc", "abc"},
        TEditCase{"DownMovesFocusAway", "ab", "\x1b[Bzz\x1b[Zc", "abc"},
        TEditCase{"EmptyInputKeepsText", "same", "", "same"}));
// clang-format on

TEST(ScrollCommand, EndsByItselfWithoutATerminalAndPrintsTheLastPicture) {
    const auto Start = std::chrono::steady_clock::now();
    const TRunResult R = RunTool({"scroll", "Hi"}, "", "", 20000);
    const auto Took = std::chrono::steady_clock::now() - Start;
    ASSERT_FALSE(R.TimedOut);
    EXPECT_EQ(R.Status, 0) << R.Err;
    EXPECT_LT(Took, std::chrono::seconds(10));
    EXPECT_EQ(R.OutLines().size(), 11U);  // 22 pixel rows of the marquee
    EXPECT_NE(R.Out.find("\u2580"), std::string::npos);
    EXPECT_EQ(R.Out.find("\x1b[?25l"), std::string::npos);  // no cursor games off a terminal
}

TEST(ScrollCommand, SecondsBoundTheRun) {
    const auto Start = std::chrono::steady_clock::now();
    const TRunResult R = RunTool({"scroll", "--seconds", "0.3", "--set", "Delay=10"}, "", "", 20000);
    const auto Took = std::chrono::steady_clock::now() - Start;
    EXPECT_EQ(R.Status, 0) << R.Err;
    EXPECT_LT(Took, std::chrono::seconds(3));
    EXPECT_FALSE(R.Out.empty());
}

TEST(LiveCommands, BadArgumentsAreRefusedBeforeAnythingRuns) {
    for (const auto& Args : std::vector<std::vector<std::string>>{{"edit", "--set", "TotalVisible=300"},
                                                                  {"edit", "--seconds", "1"},
                                                                  {"edit", "a", "b"},
                                                                  {"edit", "--bogus"},
                                                                  {"scroll", "--seconds", "-1"},
                                                                  {"scroll", "--seconds", "soon"},
                                                                  {"scroll", "--set", "Scroll=1"},
                                                                  {"scroll", "-o", "x.gif"}}) {
        const TRunResult R = RunTool(Args, "");
        EXPECT_EQ(R.Status, 2) << Args[0] << " " << Args[1];
        EXPECT_EQ(R.ErrLines().size(), 1U) << R.Err;
        EXPECT_EQ(R.Out, "");
    }
}

// ---- Under a real terminal ----------------------------------------------------------------

// A detached tmux server of its own (its own socket), running one shell script in a window
// large enough for the picture.
class TTmux {
public:
    explicit TTmux(const std::string& Script)
        : FSocket("vyrcli-" + std::to_string(::getpid()) + "-" + std::to_string(++Counter)) {
        Run("new-session -d -x 220 -y 60 -s main " + Quote("sh " + Quote(Script)));
    }
    ~TTmux() { Run("kill-server"); }

    static bool Available() { return std::system("command -v tmux >/dev/null 2>&1") == 0; }

    void Keys(const std::string& Keys) { Run("send-keys -t main " + Keys); }
    [[nodiscard]] std::string Screen() const { return Output("capture-pane -p -t main"); }
    [[nodiscard]] std::string Format(const std::string& F) const {
        return Output("display-message -p -t main " + Quote(F));
    }

    // Waits (bounded) until the screen shows Text.
    bool WaitFor(const std::string& Text, int TimeoutMs = 10000) const {
        const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
        while (std::chrono::steady_clock::now() < Deadline) {
            if (Screen().find(Text) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    static std::string Quote(const std::string& S) {
        std::string Q = "'";
        for (const char C : S) Q += C == '\'' ? std::string("'\\''") : std::string(1, C);
        return Q + "'";
    }

private:
    void Run(const std::string& Args) const {
        [[maybe_unused]] const int Rc = std::system(("tmux -L " + FSocket + " " + Args + " >/dev/null 2>&1").c_str());
    }
    [[nodiscard]] std::string Output(const std::string& Args) const {
        std::string Out;
        if (FILE* P = ::popen(("tmux -L " + FSocket + " " + Args + " 2>/dev/null").c_str(), "r")) {
            char Buffer[4096];
            std::size_t N;
            while ((N = std::fread(Buffer, 1, sizeof Buffer, P)) > 0) Out.append(Buffer, N);
            ::pclose(P);
        }
        return Out;
    }

    static inline int Counter = 0;
    std::string FSocket;
};

// The script: terminal settings before, the command (its pid written first), its exit status,
// the settings after; then it stays so that the screen can be read.
std::string TerminalScript(const TScratchDir& Dir, const std::string& Command) {
    const std::string D = Dir.Path();
    return "stty -g > " + D + "/before; sh -c 'echo $$ > " + D + "/pid; exec " + std::string(VYRMATRIX_BINARY) + " " +
           Command + "'; echo EXIT=$?; stty -g > " + D + "/after; echo SAVED; sleep 60";
}

std::string LineBefore(const std::string& Screen, const std::string& Marker) {
    const auto At = Screen.find(Marker);
    if (At == std::string::npos || At == 0) return "";
    const auto End = Screen.rfind('\n', At - 1);
    const auto Start = End == std::string::npos || End == 0 ? std::string::npos : Screen.rfind('\n', End - 1);
    return Screen.substr(Start == std::string::npos ? 0 : Start + 1,
                         End == std::string::npos ? 0 : End - (Start == std::string::npos ? 0 : Start + 1));
}

TEST(EditInTerminal, KeysEditTheTextAndTheTerminalIsRestored) {
    if (!TTmux::Available()) GTEST_SKIP() << "tmux is not installed";
    TScratchDir Dir;
    const std::string ScriptPath = Dir.File("run.sh");
    {
        FILE* F = std::fopen(ScriptPath.c_str(), "w");
        ASSERT_NE(F, nullptr);
        std::fputs(TerminalScript(Dir, "edit Hello").c_str(), F);
        std::fclose(F);
    }
    TTmux Tmux(ScriptPath);
    ASSERT_TRUE(Tmux.WaitFor("matrix focused")) << Tmux.Screen();
    EXPECT_EQ(Tmux.Format("#{cursor_flag}"), "0\n");  // hidden while editing
    Tmux.Keys("a b Left X BSpace Home Z");
    ASSERT_TRUE(Tmux.WaitFor("cursor 1/8")) << Tmux.Screen();
    Tmux.Keys("Tab");
    ASSERT_TRUE(Tmux.WaitFor("other control focused")) << Tmux.Screen();
    Tmux.Keys("q q BTab");
    ASSERT_TRUE(Tmux.WaitFor("matrix focused")) << Tmux.Screen();
    Tmux.Keys("End Escape");
    ASSERT_TRUE(Tmux.WaitFor("SAVED")) << Tmux.Screen();
    const std::string Screen = Tmux.Screen();
    EXPECT_NE(Screen.find("EXIT=0"), std::string::npos) << Screen;
    EXPECT_EQ(LineBefore(Screen, "EXIT="), "ZHelloab") << Screen;
    EXPECT_EQ(test::ReadFile(Dir.File("before")), test::ReadFile(Dir.File("after")));
    EXPECT_EQ(Tmux.Format("#{cursor_flag}"), "1\n");
}

TEST(EditInTerminal, TerminationSignalStillRestoresTheTerminal) {
    if (!TTmux::Available()) GTEST_SKIP() << "tmux is not installed";
    TScratchDir Dir;
    const std::string ScriptPath = Dir.File("run.sh");
    {
        FILE* F = std::fopen(ScriptPath.c_str(), "w");
        ASSERT_NE(F, nullptr);
        std::fputs(TerminalScript(Dir, "edit Hello").c_str(), F);
        std::fclose(F);
    }
    TTmux Tmux(ScriptPath);
    ASSERT_TRUE(Tmux.WaitFor("matrix focused")) << Tmux.Screen();
    Tmux.Keys("x");
    ASSERT_TRUE(Tmux.WaitFor("cursor 6/6")) << Tmux.Screen();
    const pid_t Pid = static_cast<pid_t>(std::atoi(test::ReadFile(Dir.File("pid")).c_str()));
    ASSERT_GT(Pid, 0);
    ASSERT_EQ(::kill(Pid, SIGTERM), 0);
    ASSERT_TRUE(Tmux.WaitFor("SAVED")) << Tmux.Screen();
    EXPECT_EQ(LineBefore(Tmux.Screen(), "EXIT="), "Hellox");
    EXPECT_EQ(test::ReadFile(Dir.File("before")), test::ReadFile(Dir.File("after")));
    EXPECT_EQ(Tmux.Format("#{cursor_flag}"), "1\n");
}

TEST(ScrollInTerminal, QuitsOnQAndRestoresTheTerminal) {
    if (!TTmux::Available()) GTEST_SKIP() << "tmux is not installed";
    TScratchDir Dir;
    const std::string ScriptPath = Dir.File("run.sh");
    {
        FILE* F = std::fopen(ScriptPath.c_str(), "w");
        ASSERT_NE(F, nullptr);
        std::fputs(TerminalScript(Dir, "scroll Hi --seconds 30").c_str(), F);
        std::fclose(F);
    }
    TTmux Tmux(ScriptPath);
    ASSERT_TRUE(Tmux.WaitFor("q or Esc: quit")) << Tmux.Screen();
    Tmux.Keys("q");
    ASSERT_TRUE(Tmux.WaitFor("SAVED", 5000)) << Tmux.Screen();
    EXPECT_NE(Tmux.Screen().find("EXIT=0"), std::string::npos);
    EXPECT_EQ(test::ReadFile(Dir.File("before")), test::ReadFile(Dir.File("after")));
    EXPECT_EQ(Tmux.Format("#{cursor_flag}"), "1\n");
}

}  // namespace
}  // namespace vyr::cli
