// The cost of one paint event of a shown vyr::QEditMatrix on the offscreen platform: a host
// repaint (the control draws its frame into the back buffer, copies it to the window surface,
// and Qt shows the surface), a scroll step as the event loop runs it (frame, copy, show), and
// showing an already copied frame alone; and the conversion of copied frames into the surface
// by each row kernel the processor runs.
#include <benchmark/benchmark.h>

#include <QtWidgets/QApplication>
#include <QtWidgets/QVBoxLayout>
#include <memory>
#include <random>
#include <vector>

#include "QtProbe.h"
#include "pixels.h"
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

// A marquee of 16 cells at LED size 3 and distance 1: 96 x 7 LEDs, 384 x 28 pixels. Two frames
// one scroll step apart (the LED columns moved by one) are converted over the surface in turn,
// so every conversion changes what a scroll step changes; eight of them, so that no branch
// predictor learns the frames.
void BM_ConvertScrollFrame(benchmark::State& State) {
    using vyr::qt::pixels::TRowKernel;
    const auto Kernel = static_cast<TRowKernel>(State.range(0));
    if (!vyr::qt::pixels::Supported(Kernel)) {
        State.SkipWithError("not supported by this processor");
        return;
    }
    constexpr int Columns = 96;
    constexpr int Rows = 7;
    constexpr int Width = 4 * Columns;
    constexpr int Height = 4 * Rows;
    constexpr int Steps = 8;
    std::mt19937 Random(5);
    std::vector<std::uint8_t> Lit(Columns + Steps);
    for (std::uint8_t& Column : Lit) Column = static_cast<std::uint8_t>(Random() & 0x7F);
    std::vector<std::vector<std::uint8_t>> Frames(Steps);
    for (int Step = 0; Step < Steps; ++Step) {
        Frames[static_cast<std::size_t>(Step)].assign(3 * static_cast<std::size_t>(Width) * Height, 0);
        for (int Y = 0; Y < Height; ++Y) {
            for (int X = 0; X < Width; ++X) {
                if (X % 4 == 3 || Y % 4 == 3) continue;
                const bool On = ((Lit[static_cast<std::size_t>(X / 4 + Step)] >> (Y / 4)) & 1) != 0;
                std::uint8_t* Pixel =
                    &Frames[static_cast<std::size_t>(Step)][3 * (static_cast<std::size_t>(Y) * Width + X)];
                Pixel[1] = On ? 0xFF : 0x40;
            }
        }
    }
    std::vector<QRgb> Surface(static_cast<std::size_t>(Width) * Height);
    int Step = 0;
    for (auto _ : State) {
        for (int Y = 0; Y < Height; ++Y) {
            benchmark::DoNotOptimize(vyr::qt::pixels::ConvertBgrRowWith(
                Kernel, &Frames[static_cast<std::size_t>(Step)][3 * static_cast<std::size_t>(Y) * Width],
                &Surface[static_cast<std::size_t>(Y) * Width], Width));
        }
        Step = (Step + 1) % Steps;
    }
}

BENCHMARK(BM_HostRepaintEditMode);
BENCHMARK(BM_HostRepaintScrollMode);
BENCHMARK(BM_ScrollStepAndShow);
BENCHMARK(BM_ShowCopiedFrame);
BENCHMARK(BM_ConvertScrollFrame)->ArgName("kernel")->DenseRange(0, 2);

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
