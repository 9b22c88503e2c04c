// vyrmatrix: the TEditMatrix control on the headless host, from the command line.
#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "commands.h"

#ifndef VYRMATRIX_VERSION
#define VYRMATRIX_VERSION "unknown"
#endif

namespace {

int RunCommand(int argc, char** argv) {
    using namespace vyr::cli;
    if (argc < 2) {
        std::cerr << MainUsage();
        return ExitBadArgument;
    }
    const std::string Command = argv[1];
    if (Command == "--help" || Command == "-h" || Command == "help") {
        std::cout << FullUsage();
        return ExitOk;
    }
    if (Command == "--version") {
        std::cout << "vyrmatrix " << VYRMATRIX_VERSION << '\n';
        return ExitOk;
    }

    const std::vector<std::string> Args(argv + 2, argv + argc);
    try {
        if (Command == "render") return RunRenderCommand(Args);
        if (Command == "scroll") return RunScrollCommand(Args);
        if (Command == "edit") return RunEditCommand(Args);
        if (Command == "gif") return RunGifCommand(Args);
        if (Command == "package") return RunPackageCommand(Args);
        if (Command == "font") return RunFontCommand(Args);
    } catch (const std::bad_alloc&) {
        // Whatever was being built (a huge text, a long recording): not a bad argument, nor a bug.
        ReportError(Command, "out of memory");
        return ExitFailure;
    } catch (const std::exception& E) {
        ReportError(Command, std::string("internal error: ") + E.what());
        return ExitFailure;
    }
    ReportError("", "unknown command '" + Command + "' (see vyrmatrix --help)");
    return ExitBadArgument;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vyr::cli;
    const int Status = RunCommand(argc, argv);
    // Whatever a command printed (help, a final text, a picture) must have been written: a
    // failed write to standard output is a failure, not a success.
    std::cout.flush();
    if (!std::cout && Status == ExitOk) {
        ReportError("", "cannot write to standard output");
        return ExitFailure;
    }
    return Status;
}
