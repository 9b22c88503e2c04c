// CPU per frame of N scrolling matrices (delay 10 ms, blinkDelay 100 ms) on the offscreen
// platform, as Qt Quick EditMatrix items in one QQuickWindow and as vyr::QEditMatrix widgets in
// one QWidget, one after the other in the same process: user and system time from getrusage
// divided by the frames the matrices copied.
// Usage: quick_scroll_cpu [--seconds S] [N...]   (default 5 seconds; N = 1 64 256)
#include <sys/resource.h>

#include <QtCore/QTimer>
#include <QtQuick/QQuickWindow>
#include <QtWidgets/QApplication>
#include <QtWidgets/QGridLayout>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "QtProbe.h"
#include "QuickProbe.h"
#include "vyr/qt/QEditMatrix.h"
#include "vyr/quick/QuickEditMatrix.h"

namespace {

const char* const Text = "Scrolling @C00FF00at @0010000ten @0000000milliseconds a column   ";

double CpuSeconds() {
    rusage Usage{};
    getrusage(RUSAGE_SELF, &Usage);
    const auto S = [](const timeval& T) {
        return static_cast<double>(T.tv_sec) + static_cast<double>(T.tv_usec) / 1e6;
    };
    return S(Usage.ru_utime) + S(Usage.ru_stime);
}

// Runs the event loop for Seconds with every matrix scrolling; returns the CPU seconds used.
double Run(int Seconds, const std::function<void(bool)>& SetScroll) {
    const double Before = CpuSeconds();
    SetScroll(true);
    QTimer::singleShot(Seconds * 1000, QCoreApplication::instance(), &QCoreApplication::quit);
    QCoreApplication::exec();
    const double Used = CpuSeconds() - Before;
    SetScroll(false);
    return Used;
}

void Report(const char* Kind, int N, int Seconds, double Cpu, long Frames) {
    std::printf("%-7s N=%4d  cpu %.3f s in %d s (%5.1f %% of one core)  frames %7ld  cpu/frame %7.1f us\n", Kind, N,
                Cpu, Seconds, 100.0 * Cpu / Seconds, Frames,
                Frames > 0 ? 1e6 * Cpu / static_cast<double>(Frames) : 0.0);
}

void RunQuick(int N, int Seconds) {
    QQuickWindow Window;
    Window.resize(1400, 900);
    std::vector<vyr::QuickEditMatrix*> Items;
    for (int i = 0; i < N; ++i) {
        auto* M = new vyr::QuickEditMatrix(Window.contentItem());
        M->setText(Text);
        M->setDelay(10);
        M->setBlinkDelay(100);
        M->setPosition(QPointF((i % 7) * 190, (i / 7 % 40) * 22));
        Items.push_back(M);
    }
    Window.show();
    QCoreApplication::processEvents();
    for (auto* M : Items) vyr::quick::detail::THostItemProbe::ResetCounts(*M);
    const double Cpu = Run(Seconds, [&](bool On) {
        for (auto* M : Items) M->setScroll(On);
    });
    long Frames = 0;
    for (auto* M : Items) Frames += vyr::quick::detail::THostItemProbe::Tally(*M).Copies;
    Report("quick", N, Seconds, Cpu, Frames);
}

void RunWidgets(int N, int Seconds) {
    QWidget Top;
    auto* Layout = new QGridLayout(&Top);
    std::vector<vyr::QEditMatrix*> Widgets;
    for (int i = 0; i < N; ++i) {
        auto* M = new vyr::QEditMatrix(&Top);
        M->setText(Text);
        M->setDelay(10);
        M->setBlinkDelay(100);
        Layout->addWidget(M, i / 7, i % 7);
        Widgets.push_back(M);
    }
    Top.show();
    QCoreApplication::processEvents();
    for (auto* M : Widgets) vyr::qt::detail::THostWindowProbe::ResetCounts(*M);
    const double Cpu = Run(Seconds, [&](bool On) {
        for (auto* M : Widgets) M->setScroll(On);
    });
    long Frames = 0;
    for (auto* M : Widgets) Frames += vyr::qt::detail::THostWindowProbe::Tally(*M).Copies;
    Report("widgets", N, Seconds, Cpu, Frames);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    int Seconds = 5;
    std::vector<int> Counts;
    for (int i = 1; i < argc; ++i) {
        const std::string Arg = argv[i];
        if (Arg == "--seconds" && i + 1 < argc) {
            Seconds = std::stoi(argv[++i]);
        } else {
            Counts.push_back(std::stoi(Arg));
        }
    }
    if (Counts.empty()) Counts = {1, 64, 256};
    for (const int N : Counts) {
        RunQuick(N, Seconds);
        RunWidgets(N, Seconds);
    }
    return 0;
}
