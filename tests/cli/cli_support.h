// Helpers for the tool's tests: running the built binary, a scratch directory, and a small
// JSON reader for the `--state` line.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "support/test_support.h"

namespace vyr::cli::test {

struct TRunResult {
    int Status = -1;        // exit status, or 128 + signal
    bool TimedOut = false;  // killed after the time limit
    std::string Out;
    std::string Err;
    // Lines of Out / Err (without the "\n").
    [[nodiscard]] std::vector<std::string> OutLines() const;
    [[nodiscard]] std::vector<std::string> ErrLines() const;
};

// Runs the vyrmatrix binary with Args, Stdin as its standard input (closed after it), in
// directory Cwd (empty: the current one). Killed after TimeoutMs.
TRunResult RunTool(const std::vector<std::string>& Args, const std::string& Stdin = "", const std::string& Cwd = "",
                   int TimeoutMs = 30000);

// The scratch folder of every test (support/test_support.h).
using vyr::test::TScratchDir;

bool FileExists(const std::string& Path);
std::string ReadFile(const std::string& Path);

// JSON values as the state line uses them. Strings hold code points.
struct TJson;
using TJsonObject = std::map<std::string, TJson>;
struct TJson {
    enum class TKind { Null, Bool, Number, String, Object, Array } Kind = TKind::Null;
    bool Bool = false;
    double Number = 0;
    std::u32string String;
    std::shared_ptr<TJsonObject> Object;
    std::vector<std::string> Keys;  // Object: the keys in the order written
    std::vector<TJson> Array;
};

// Parses one JSON text; throws std::runtime_error with the position on any error (so invalid
// JSON fails the test).
TJson ParseJson(const std::string& Text);

// A code-point string of 8-bit codes (each code c as U+00cc).
std::u32string Latin1(const std::string& Codes);

}  // namespace vyr::cli::test
