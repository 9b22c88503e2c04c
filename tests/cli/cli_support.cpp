#include "cli_support.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "vyr/host/Text.h"

namespace vyr::cli::test {

namespace {

std::vector<std::string> SplitLines(const std::string& Text) {
    std::vector<std::string> Lines;
    std::size_t Start = 0;
    while (Start < Text.size()) {
        const auto End = Text.find('\n', Start);
        if (End == std::string::npos) {
            Lines.push_back(Text.substr(Start));
            break;
        }
        Lines.push_back(Text.substr(Start, End - Start));
        Start = End + 1;
    }
    return Lines;
}

}  // namespace

std::vector<std::string> TRunResult::OutLines() const { return SplitLines(Out); }
std::vector<std::string> TRunResult::ErrLines() const { return SplitLines(Err); }

TRunResult RunTool(const std::vector<std::string>& Args, const std::string& Stdin, const std::string& Cwd,
                   int TimeoutMs) {
    int In[2];
    int Out[2];
    int Err[2];
    if (::pipe(In) != 0 || ::pipe(Out) != 0 || ::pipe(Err) != 0) throw std::runtime_error("pipe failed");
    std::vector<std::string> Argv{VYRMATRIX_BINARY};
    Argv.insert(Argv.end(), Args.begin(), Args.end());
    std::vector<char*> CArgs;
    CArgs.reserve(Argv.size() + 1);
    for (auto& A : Argv) CArgs.push_back(A.data());
    CArgs.push_back(nullptr);

    const pid_t Child = ::fork();
    if (Child < 0) throw std::runtime_error("fork failed");
    if (Child == 0) {
        ::dup2(In[0], STDIN_FILENO);
        ::dup2(Out[1], STDOUT_FILENO);
        ::dup2(Err[1], STDERR_FILENO);
        for (const int Fd : {In[0], In[1], Out[0], Out[1], Err[0], Err[1]}) ::close(Fd);
        if (!Cwd.empty() && ::chdir(Cwd.c_str()) != 0) ::_exit(126);
        ::execv(CArgs[0], CArgs.data());
        ::_exit(127);
    }
    ::close(In[0]);
    ::close(Out[1]);
    ::close(Err[1]);
    ::signal(SIGPIPE, SIG_IGN);

    TRunResult Result;
    std::size_t Written = 0;
    int InFd = In[1];
    if (Stdin.empty()) {
        ::close(InFd);
        InFd = -1;
    } else {
        ::fcntl(InFd, F_SETFL, O_NONBLOCK);
    }
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    bool OutOpen = true;
    bool ErrOpen = true;
    while (OutOpen || ErrOpen) {
        const auto Left =
            std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - std::chrono::steady_clock::now()).count();
        if (Left <= 0) {
            Result.TimedOut = true;
            ::kill(Child, SIGKILL);
            break;
        }
        pollfd Fds[3];
        nfds_t N = 0;
        if (OutOpen) Fds[N++] = {Out[0], POLLIN, 0};
        if (ErrOpen) Fds[N++] = {Err[0], POLLIN, 0};
        if (InFd >= 0) Fds[N++] = {InFd, POLLOUT, 0};
        if (::poll(Fds, N, static_cast<int>(std::min<long long>(Left, 1000))) < 0) continue;
        for (nfds_t i = 0; i < N; ++i) {
            if (!Fds[i].revents) continue;
            if (Fds[i].fd == InFd) {
                const auto W = ::write(InFd, Stdin.data() + Written, Stdin.size() - Written);
                if (W > 0) Written += static_cast<std::size_t>(W);
                if (W < 0 || Written == Stdin.size()) {
                    ::close(InFd);
                    InFd = -1;
                }
                continue;
            }
            char Buffer[4096];
            const auto R = ::read(Fds[i].fd, Buffer, sizeof Buffer);
            if (R <= 0) {
                (Fds[i].fd == Out[0] ? OutOpen : ErrOpen) = false;
            } else {
                (Fds[i].fd == Out[0] ? Result.Out : Result.Err).append(Buffer, static_cast<std::size_t>(R));
            }
        }
    }
    if (InFd >= 0) ::close(InFd);
    ::close(Out[0]);
    ::close(Err[0]);
    int Status = 0;
    ::waitpid(Child, &Status, 0);
    Result.Status = WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
    return Result;
}

bool FileExists(const std::string& Path) { return std::filesystem::exists(Path); }

std::string ReadFile(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    std::ostringstream S;
    S << In.rdbuf();
    return S.str();
}

namespace {

class TJsonReader {
public:
    explicit TJsonReader(const std::string& Text) : FText(Text) {}

    TJson Document() {
        TJson V = Value();
        Space();
        if (FPos != FText.size()) Fail("text after the value");
        return V;
    }

private:
    [[noreturn]] void Fail(const std::string& What) const {
        throw std::runtime_error("invalid JSON at " + std::to_string(FPos) + ": " + What);
    }
    void Space() {
        while (FPos < FText.size() &&
               (FText[FPos] == ' ' || FText[FPos] == '\t' || FText[FPos] == '\n' || FText[FPos] == '\r'))
            ++FPos;
    }
    bool Literal(const char* Word) {
        const std::size_t N = std::strlen(Word);
        if (FText.compare(FPos, N, Word) == 0) {
            FPos += N;
            return true;
        }
        return false;
    }
    unsigned Hex4() {
        if (FPos + 4 > FText.size()) Fail("short \\u escape");
        unsigned V = 0;
        for (int i = 0; i < 4; ++i) {
            const int Digit = host::HexValue(FText[FPos++]);
            if (Digit < 0) Fail("bad hex digit");
            V = (V << 4) | static_cast<unsigned>(Digit);
        }
        return V;
    }
    std::u32string String() {
        if (FText[FPos] != '"') Fail("expected a string");
        ++FPos;
        std::u32string S;
        while (true) {
            if (FPos >= FText.size()) Fail("unterminated string");
            const auto C = static_cast<unsigned char>(FText[FPos]);
            if (C == '"') {
                ++FPos;
                return S;
            }
            if (C < 0x20) Fail("raw control character in a string");
            if (C == '\\') {
                ++FPos;
                const char E = FText[FPos++];
                switch (E) {
                    case '"':
                        S += U'"';
                        break;
                    case '\\':
                        S += U'\\';
                        break;
                    case '/':
                        S += U'/';
                        break;
                    case 'b':
                        S += U'\b';
                        break;
                    case 'f':
                        S += U'\f';
                        break;
                    case 'n':
                        S += U'\n';
                        break;
                    case 'r':
                        S += U'\r';
                        break;
                    case 't':
                        S += U'\t';
                        break;
                    case 'u':
                        S += static_cast<char32_t>(Hex4());
                        break;
                    default:
                        Fail("bad escape");
                }
                continue;
            }
            // UTF-8, which must be well formed.
            int Length = C < 0x80 ? 1 : (C >> 5) == 6 ? 2 : (C >> 4) == 14 ? 3 : (C >> 3) == 30 ? 4 : 0;
            if (Length == 0 || FPos + static_cast<std::size_t>(Length) > FText.size()) Fail("bad UTF-8");
            char32_t Cp = Length == 1 ? C : Length == 2 ? (C & 0x1F) : Length == 3 ? (C & 0x0F) : (C & 0x07);
            for (int i = 1; i < Length; ++i) {
                const auto K = static_cast<unsigned char>(FText[FPos + static_cast<std::size_t>(i)]);
                if ((K & 0xC0) != 0x80) Fail("bad UTF-8 continuation");
                Cp = (Cp << 6) | (K & 0x3F);
            }
            if ((Length == 2 && Cp < 0x80) || (Length == 3 && Cp < 0x800) || (Length == 4 && Cp < 0x10000))
                Fail("overlong UTF-8");
            FPos += static_cast<std::size_t>(Length);
            S += Cp;
        }
    }
    TJson Value() {
        Space();
        if (FPos >= FText.size()) Fail("expected a value");
        TJson V;
        const char C = FText[FPos];
        if (C == '{') {
            ++FPos;
            V.Kind = TJson::TKind::Object;
            V.Object = std::make_shared<TJsonObject>();
            Space();
            if (FText[FPos] == '}') {
                ++FPos;
                return V;
            }
            while (true) {
                Space();
                const std::u32string Key32 = String();
                std::string Key;
                for (const char32_t K : Key32) Key += static_cast<char>(K);
                Space();
                if (FText[FPos++] != ':') Fail("expected ':'");
                if (V.Object->count(Key)) Fail("duplicate key " + Key);
                (*V.Object)[Key] = Value();
                V.Keys.push_back(Key);
                Space();
                if (FText[FPos] == ',') {
                    ++FPos;
                    continue;
                }
                if (FText[FPos] == '}') {
                    ++FPos;
                    return V;
                }
                Fail("expected ',' or '}'");
            }
        }
        if (C == '[') {
            ++FPos;
            V.Kind = TJson::TKind::Array;
            Space();
            if (FText[FPos] == ']') {
                ++FPos;
                return V;
            }
            while (true) {
                V.Array.push_back(Value());
                Space();
                if (FText[FPos] == ',') {
                    ++FPos;
                    continue;
                }
                if (FText[FPos] == ']') {
                    ++FPos;
                    return V;
                }
                Fail("expected ',' or ']'");
            }
        }
        if (C == '"') {
            V.Kind = TJson::TKind::String;
            V.String = String();
            return V;
        }
        if (Literal("true")) {
            V.Kind = TJson::TKind::Bool;
            V.Bool = true;
            return V;
        }
        if (Literal("false")) {
            V.Kind = TJson::TKind::Bool;
            return V;
        }
        if (Literal("null")) return V;
        const std::size_t Start = FPos;
        if (FText[FPos] == '-') ++FPos;
        if (FPos >= FText.size() || !std::isdigit(static_cast<unsigned char>(FText[FPos]))) Fail("expected a value");
        if (FText[FPos] == '0' && FPos + 1 < FText.size() && std::isdigit(static_cast<unsigned char>(FText[FPos + 1])))
            Fail("leading zero");
        while (FPos < FText.size() && std::isdigit(static_cast<unsigned char>(FText[FPos]))) ++FPos;
        V.Kind = TJson::TKind::Number;
        V.Number = std::stod(FText.substr(Start, FPos - Start));
        return V;
    }

    const std::string& FText;
    std::size_t FPos = 0;
};

}  // namespace

TJson ParseJson(const std::string& Text) { return TJsonReader(Text).Document(); }

std::u32string Latin1(const std::string& Codes) {
    std::u32string S;
    for (const char C : Codes) S += static_cast<char32_t>(static_cast<unsigned char>(C));
    return S;
}

}  // namespace vyr::cli::test
