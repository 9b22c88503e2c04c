// CPU time of a process that shows one scrolling vyr::QEditMatrix (delay 10 ms, blinkDelay
// 100 ms) for a while on the offscreen platform: user and system time from getrusage, with the
// frames drawn and the wake-ups of Qt's event loop.
// Usage: qt_scroll_cpu [--seconds N]   (default 10)
#include <sys/resource.h>

#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QVBoxLayout>
#include <chrono>
#include <cstdio>
#include <string>

#include "QtProbe.h"
#include "vyr/qt/QEditMatrix.h"

namespace {

double Seconds(const timeval& T) { return static_cast<double>(T.tv_sec) + static_cast<double>(T.tv_usec) / 1e6; }

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    int RunSeconds = 10;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--seconds") RunSeconds = std::stoi(argv[i + 1]);
    }

    QWidget Top;
    auto* Layout = new QVBoxLayout(&Top);
    auto* Matrix = new vyr::QEditMatrix(&Top);
    Layout->addWidget(Matrix);
    Matrix->setText("Scrolling @C00FF00at @0010000ten @0000000milliseconds a column   ");
    Matrix->setDelay(10);
    Matrix->setBlinkDelay(100);
    Top.show();
    QApplication::processEvents();

    rusage Before{};
    getrusage(RUSAGE_SELF, &Before);
    const long WakeUps = vyr::qt::detail::WakeUpsHandled();
    vyr::qt::detail::THostWindowProbe::ResetCounts(*Matrix);
    const auto Start = std::chrono::steady_clock::now();
    Matrix->setScroll(true);
    QTimer::singleShot(RunSeconds * 1000, &App, &QApplication::quit);
    QApplication::exec();
    const double Wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    rusage After{};
    getrusage(RUSAGE_SELF, &After);

    const double User = Seconds(After.ru_utime) - Seconds(Before.ru_utime);
    const double System = Seconds(After.ru_stime) - Seconds(Before.ru_stime);
    std::printf("wall %.2f s  user %.3f s  system %.3f s  cpu %.3f s (%.1f %% of one core)\n", Wall, User, System,
                User + System, 100.0 * (User + System) / Wall);
    std::printf("frames %d  shown %d  wake-ups %ld\n", vyr::qt::detail::THostWindowProbe::Tally(*Matrix).Copies,
                vyr::qt::detail::THostWindowProbe::Tally(*Matrix).PaintEvents,
                vyr::qt::detail::WakeUpsHandled() - WakeUps);
    return 0;
}
