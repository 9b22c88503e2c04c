#include "options.h"

#include <charconv>

#ifndef VYRMATRIX_VERSION
#define VYRMATRIX_VERSION "unknown"
#endif

namespace vyr::demo {

namespace {

TParseResult Fail(const std::string& Message) {
    TParseResult R;
    R.ExitCode = ExitBadArgument;
    R.Error = "vyrmatrix-qt: " + Message + " (see vyrmatrix-qt --help)";
    for (char& Ch : R.Error) {
        if (Ch == '\n' || Ch == '\r') Ch = ' ';
    }
    return R;
}

// A duration in milliseconds: decimal digits only, 0 to one day.
std::optional<int> Milliseconds(const std::string& Text) {
    constexpr int MaxMs = 24 * 60 * 60 * 1000;
    int Value = 0;
    const char* End = Text.data() + Text.size();
    const auto [Ptr, Ec] = std::from_chars(Text.data(), End, Value);
    if (Text.empty() || Ec != std::errc() || Ptr != End || Value < 0 || Value > MaxMs) return std::nullopt;
    return Value;
}

}  // namespace

std::string DemoUsage() {
    return "Usage: vyrmatrix-qt [OPTIONS]\n"
           "\n"
           "The TEditMatrix LED display in a Qt window: an edit matrix beside a line edit, a\n"
           "marquee with control codes, and a panel with every published property of the\n"
           "selected matrix, changed live.\n"
           "\n"
           "Options:\n"
           "  --text TEXT         the marquee's text, with \"@\" control codes (UTF-8)\n"
           "  --screenshot FILE   save a PNG picture of the window after --settle, then quit\n"
           "  --settle MS         milliseconds before the screenshot (default 500)\n"
           "  --quit-after MS     quit after MS milliseconds\n"
           "  --help              this help\n"
           "  --version           the version\n"
           "\n"
           "Qt reads its own settings from the environment (QT_QPA_PLATFORM=offscreen: no\n"
           "display needed).\n";
}

std::string DemoVersion() { return std::string("vyrmatrix-qt ") + VYRMATRIX_VERSION + "\n"; }

TParseResult ParseDemoOptions(const std::vector<std::string>& Args) {
    TParseResult R;
    R.Run = true;
    for (std::size_t i = 0; i < Args.size(); ++i) {
        std::string Name = Args[i];
        std::optional<std::string> Value;
        if (Name.rfind("--", 0) == 0) {
            if (const auto Eq = Name.find('='); Eq != std::string::npos) {
                Value = Name.substr(Eq + 1);
                Name.resize(Eq);
            }
        }
        if (Name == "--help" || Name == "-h" || Name == "--version") {
            if (Value) return Fail("option '" + Name + "' takes no value");
            TParseResult Done;
            Done.Out = Name == "--version" ? DemoVersion() : DemoUsage();
            return Done;
        }
        const bool TakesValue =
            Name == "--text" || Name == "--screenshot" || Name == "--settle" || Name == "--quit-after";
        if (!TakesValue) {
            if (Name.rfind('-', 0) == 0) return Fail("unknown option '" + Args[i] + "'");
            return Fail("unexpected argument '" + Args[i] + "'");
        }
        if (!Value) {
            if (i + 1 >= Args.size()) return Fail("option '" + Name + "' needs a value");
            // The next argument is the value as it is, even when it begins with "-".
            Value = Args[++i];
        }
        if (Name == "--text") {
            R.Options.Text = *Value;
        } else if (Name == "--screenshot") {
            if (Value->empty()) return Fail("option '--screenshot' needs a file name");
            R.Options.Screenshot = *Value;
        } else {
            const std::optional<int> Ms = Milliseconds(*Value);
            if (!Ms) return Fail("option '" + Name + "': '" + *Value + "' is not a number of milliseconds");
            if (Name == "--settle") {
                R.Options.SettleMs = *Ms;
            } else {
                R.Options.QuitAfterMs = *Ms;
            }
        }
    }
    return R;
}

}  // namespace vyr::demo
