// vyrmatrix-qt: the TEditMatrix LED display in a Qt window, with a live property panel.
#include <QtWidgets/QApplication>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "demo_window.h"
#include "options.h"

namespace {

// Qt ends the process with abort() when its platform plugin cannot start (no display, or one
// that cannot be reached). While the application object is built, Qt's messages are held here:
// a fatal one ends the program with one line that says why and exit status 1; otherwise they
// are passed on as Qt would have printed them.
QStringList GHeldMessages;
QtMessageHandler GPreviousHandler = nullptr;

void HoldMessage(QtMsgType Type, const QMessageLogContext& Context, const QString& Message) {
    if (Type != QtFatalMsg) {
        GHeldMessages.push_back(qFormatLogMessage(Type, Context, Message));
        return;
    }
    // A warning before the fatal message usually names the display; else Qt's first line.
    const QString Why = GHeldMessages.isEmpty() ? Message.section(QLatin1Char('\n'), 0, 0) : GHeldMessages.front();
    std::cerr << "vyrmatrix-qt: cannot open a window: " << Why.toStdString() << '\n' << std::flush;
    std::_Exit(vyr::demo::ExitFailure);
}

// True when Qt would look for a display that the environment does not name at all.
bool NoDisplayNamed(int argc, char** argv) {
    const char* Platform = std::getenv("QT_QPA_PLATFORM");
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0) Platform = argv[i + 1];
    }
    const auto Set = [](const char* Name) {
        const char* V = std::getenv(Name);
        return V != nullptr && *V != '\0';
    };
    const std::string Name =
        Platform != nullptr ? std::string(Platform).substr(0, std::string(Platform).find(':')) : "";
    if (Name.empty()) return !Set("DISPLAY") && !Set("WAYLAND_DISPLAY");
    if (Name == "xcb") return !Set("DISPLAY");
    if (Name.rfind("wayland", 0) == 0) return !Set("WAYLAND_DISPLAY");
    return false;  // offscreen, minimal, vnc, eglfs, linuxfb: no display variable needed
}

}  // namespace

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
    if (NoDisplayNamed(argc, argv)) {
        std::cerr << "vyrmatrix-qt: no display to open a window on (DISPLAY and WAYLAND_DISPLAY are not set); "
                     "run it in a desktop session, or with QT_QPA_PLATFORM=offscreen\n"
                  << std::flush;
        return ExitFailure;
    }
    GPreviousHandler = qInstallMessageHandler(HoldMessage);
    QApplication App(argc, argv);
    qInstallMessageHandler(GPreviousHandler);
    for (const QString& Held : GHeldMessages) std::cerr << Held.toStdString() << '\n';
    GHeldMessages.clear();
    QApplication::setApplicationName("vyrmatrix-qt");
    QApplication::setApplicationVersion(VYRMATRIX_VERSION);
    return RunDemoWindow(Parsed.Options);
}
