// The cost of one paint event of a shown vyr::QEditMatrix on the offscreen platform: a host
// repaint (the control draws its frame into the back buffer, copies it to the window surface,
// and Qt shows the surface), a scroll step as the event loop runs it (frame, copy, show), and
// showing an already copied frame alone.
#include <benchmark/benchmark.h>

#include <QtWidgets/QApplication>
#include <QtWidgets/QVBoxLayout>
#include <memory>

#include "QtProbe.h"
#include "vyr/qt/QEditMatrix.h"

namespace {

struct TShown {
    explicit TShown(bool Scroll) {
        Top = std::make_unique<QWidget>();
        auto* Layout = new QVBoxLayout(Top.get());
        Matrix = new vyr::QEditMatrix(Top.get());
        Layout->addWidget(Matrix);
        Matrix->setText("Hello, @C00FF00world");
        if (Scroll) {
            // The workers' first steps wait in the queue: nobody runs Qt's event loop here.
            Matrix->setDelay(600'000);
            Matrix->setBlinkDelay(600'000);
            Matrix->setScroll(true);
        }
        Top->show();
        QApplication::processEvents();
    }
    std::unique_ptr<QWidget> Top;
    vyr::QEditMatrix* Matrix = nullptr;
};

void HostRepaint(benchmark::State& State, bool Scroll) {
    TShown Shown(Scroll);
    for (auto _ : State) {
        Shown.Matrix->control().Invalidate();
        Shown.Matrix->repaint();
    }
    State.counters["host_paints"] = vyr::qt::detail::THostWindowProbe::Tally(*Shown.Matrix).HostPaints;
}

void BM_HostRepaintEditMode(benchmark::State& State) { HostRepaint(State, false); }
void BM_HostRepaintScrollMode(benchmark::State& State) { HostRepaint(State, true); }

void BM_ScrollStepAndShow(benchmark::State& State) {
    TShown Shown(true);
    for (auto _ : State) {
        Shown.Matrix->control().TryToScrollOnce();
        Shown.Matrix->repaint();
    }
}

void BM_ShowCopiedFrame(benchmark::State& State) {
    TShown Shown(false);
    for (auto _ : State) Shown.Matrix->repaint();
}

BENCHMARK(BM_HostRepaintEditMode);
BENCHMARK(BM_HostRepaintScrollMode);
BENCHMARK(BM_ScrollStepAndShow);
BENCHMARK(BM_ShowCopiedFrame);

}  // namespace

int main(int argc, char** argv) {
    // Measured on the offscreen platform unless the caller chose another.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
