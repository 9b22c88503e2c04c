// vyrmatrix-qt: the TEditMatrix LED display in a Qt window, with a live property panel.
#include <QtWidgets/QApplication>
#include <iostream>
#include <string>
#include <vector>

#include "demo_window.h"
#include "options.h"

int main(int argc, char** argv) {
    using namespace vyr::demo;
    // The command line is read before Qt starts, so --help, --version and a bad argument need
    // no display.
    const TParseResult Parsed = ParseDemoOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!Parsed.Run) {
        std::cout << Parsed.Out << std::flush;
        if (!Parsed.Error.empty()) std::cerr << Parsed.Error << '\n' << std::flush;
        if (!std::cout && Parsed.ExitCode == ExitOk) {
            std::cerr << "vyrmatrix-qt: cannot write to standard output\n";
            return ExitFailure;
        }
        return Parsed.ExitCode;
    }
    QApplication App(argc, argv);
    QApplication::setApplicationName("vyrmatrix-qt");
    QApplication::setApplicationVersion(VYRMATRIX_VERSION);
    return RunDemoWindow(Parsed.Options);
}
