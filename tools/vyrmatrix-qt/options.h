// The command line of vyrmatrix-qt. It is read before the QApplication exists, so --help,
// --version and bad arguments need no display; Qt's own settings come from its environment
// variables (QT_QPA_PLATFORM and friends).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vyr::demo {

inline constexpr int ExitOk = 0;
inline constexpr int ExitFailure = 1;
inline constexpr int ExitBadArgument = 2;

struct TDemoOptions {
    std::optional<std::string> Text;        // the marquee's text (UTF-8); none: the demo text
    std::optional<std::string> Screenshot;  // PNG file to write, then quit
    int SettleMs = 500;                     // wait before the screenshot
    std::optional<int> QuitAfterMs;         // quit after this long
};

// What the command line asks for: run the window with Options, or end at once with ExitCode
// after writing Out to standard output and Error (one line) to standard error.
struct TParseResult {
    bool Run = false;
    int ExitCode = ExitOk;
    std::string Out;
    std::string Error;
    TDemoOptions Options;
};

// Args without the program name. Options: --help/-h, --version, --text TEXT, --screenshot FILE,
// --settle MS, --quit-after MS; a value may also follow after "=" (--settle=200).
[[nodiscard]] TParseResult ParseDemoOptions(const std::vector<std::string>& Args);

[[nodiscard]] std::string DemoUsage();
// "vyrmatrix-qt <project version>\n"
[[nodiscard]] std::string DemoVersion();

}  // namespace vyr::demo
