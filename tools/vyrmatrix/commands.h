// The tool's commands. Each takes the arguments after its name and returns the exit status:
// 0 success, 1 a failure while running (message on standard error), 2 a bad argument (one line
// on standard error naming it, nothing run).
#pragma once

#include <string>
#include <vector>

namespace vyr::cli {

inline constexpr int ExitOk = 0;
inline constexpr int ExitFailure = 1;
inline constexpr int ExitBadArgument = 2;

int RunRenderCommand(const std::vector<std::string>& Args);
int RunScrollCommand(const std::vector<std::string>& Args);
int RunEditCommand(const std::vector<std::string>& Args);
int RunGifCommand(const std::vector<std::string>& Args);
int RunPackageCommand(const std::vector<std::string>& Args);
int RunFontCommand(const std::vector<std::string>& Args);

// Help texts (FullUsage: everything, for --help and the manual page), and the line for a bad argument: "vyrmatrix: COMMAND: MESSAGE".
std::string MainUsage();
std::string CommandUsage(const std::string& Command);
std::string FullUsage();
void ReportError(const std::string& Command, const std::string& Message);

}  // namespace vyr::cli
