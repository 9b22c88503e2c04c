// Live widgets at scale, in one run on the offscreen platform: N = 1, 16, 64 and 256 scrolling
// widgets of 16 cells (LEDs of 3 pixels, 1 apart, a column every 10 ms) in one window, of three
// kinds side by side:
//
//   ours     vyr::QEditMatrix, delay 10, blinkDelay 100
//   per-LED  a QWidget with a QTimer of its own; every tick one column on and every LED painted
//            with QPainter::fillRect
//   strip    a QWidget with a QTimer of its own; the text's LEDs rendered once into a QImage
//            (RGB32), every tick one column on and one drawImage of the visible part
//
// For each: CPU time of the process (user + system, getrusage) per frame shown, frames shown per
// widget per second (on average, and of the widget that showed the fewest: every marquee must
// keep up, not just most of them), the process's threads and its resident memory while they run.
// A peer shows a frame on every paint event. Ours shows one whenever it copies a new frame to its
// surface (a scroll step or a blink toggle; the copies one widget makes in one pass of the step
// clock, a step and the toggle due with it, count once). A frame equal to the one on screen (a
// scroll step while every lit LED in the window is in its dark blink phase) changes no pixel and
// so causes no paint event: the paint events of ours are reported beside its frames.
//
// Then, in the same run, N Qt Quick EditMatrix items of the same geometry in one QQuickWindow
// (frames shown: textures made from copied frames), beside the strip peer's figure of the same N.
// Every figure is the median of --rounds rounds (3 unless told), the kinds of one N measured in
// turn in each round; ours / strip is the median of each round's own ratio, the two measured one
// after the other, followed by the lowest and highest of those ratios.
// Usage: qt_live_bench [--seconds S] [--rounds R] [--counts 1,16,64,256] [--quick-counts 1,64,256]
//   [--ours-only] (default one lap of the marquee a measurement, 2.28 s; an empty --quick-counts
//   "" leaves the Qt Quick rows out; --ours-only measures no peer, for a profiler to see only
//   our widgets). The
//   marquees' step mode is the widget sets' default (the step clock); VYR_STEP_MODE=threads
//   measures the OS-thread mode.
#include <sys/resource.h>

#include <QtCore/QEventLoop>
#include <QtCore/QTimer>
#include <QtGui/QImage>
#include <QtGui/QPainter>
#include <QtWidgets/QApplication>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "QtProbe.h"
#include "vyr/qt/QEditMatrix.h"
#ifdef VYR_LIVE_BENCH_QUICK
#include <QtQuick/QQuickWindow>

#include "QuickProbe.h"
#include "vyr/quick/QuickEditMatrix.h"
#endif

namespace {

constexpr int Cells = 16;
constexpr int LedSize = 3;
constexpr int LedDistance = 1;
constexpr int Pitch = LedSize + LedDistance;
constexpr int VisibleColumns = Cells * 6;
constexpr int Rows = 7;
constexpr int DelayMs = 10;
const char* const Text = "Departures 12:45 Platform 3 @C00FF00on time@0010000   ";

// The LED pattern the peers scroll: as many columns as the text has, lit in a fixed pattern.
constexpr int TextColumns = 6 * 46;
bool Lit(int Column, int Row) { return ((Column % TextColumns) * 7 + Row * 13) % 5 < 2; }

const QColor OnColour(255, 0, 0);
const QColor OffColour(64, 0, 0);
const QColor Background(0, 0, 0);

class TPeer : public QWidget {
public:
    explicit TPeer(QWidget* Parent) : QWidget(Parent) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFixedSize(LedDistance + Pitch * VisibleColumns, LedDistance + Pitch * Rows);
        FTimer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&FTimer, &QTimer::timeout, this, [this] {
            ++FPosition;
            update();
        });
        FTimer.start(DelayMs);
    }
    int Paints = 0;

protected:
    QTimer FTimer;
    int FPosition = 0;
};

class TPerLedPeer final : public TPeer {
public:
    using TPeer::TPeer;

protected:
    void paintEvent(QPaintEvent* /*Event*/) override {
        ++Paints;
        QPainter P(this);
        P.fillRect(rect(), Background);
        for (int C = 0; C < VisibleColumns; ++C) {
            for (int R = 0; R < Rows; ++R) {
                P.fillRect(LedDistance + Pitch * C, LedDistance + Pitch * R, LedSize, LedSize,
                           Lit(FPosition + C, R) ? OnColour : OffColour);
            }
        }
    }
};

class TStripPeer final : public TPeer {
public:
    explicit TStripPeer(QWidget* Parent) : TPeer(Parent) {
        const int Columns = TextColumns + VisibleColumns;
        FStrip = QImage(Pitch * Columns + LedDistance, height(), QImage::Format_RGB32);
        FStrip.fill(Background);
        QPainter P(&FStrip);
        for (int C = 0; C < Columns; ++C) {
            for (int R = 0; R < Rows; ++R) {
                P.fillRect(LedDistance + Pitch * C, LedDistance + Pitch * R, LedSize, LedSize,
                           Lit(C, R) ? OnColour : OffColour);
            }
        }
    }

protected:
    void paintEvent(QPaintEvent* /*Event*/) override {
        ++Paints;
        QPainter P(this);
        P.drawImage(QPoint(0, 0), FStrip, QRect(Pitch * (FPosition % TextColumns), 0, width(), height()));
    }

private:
    QImage FStrip;
};

double Seconds(const timeval& T) { return static_cast<double>(T.tv_sec) + static_cast<double>(T.tv_usec) / 1e6; }

double CpuSeconds() {
    rusage U{};
    getrusage(RUSAGE_SELF, &U);
    return Seconds(U.ru_utime) + Seconds(U.ru_stime);
}

// A line of /proc/self/status, as a number ("Threads:", "VmRSS:" in kB).
long Status(const std::string& Key) {
    std::ifstream In("/proc/self/status");
    std::string Line;
    while (std::getline(In, Line)) {
        if (Line.rfind(Key, 0) == 0) return std::stol(Line.substr(Key.size()));
    }
    return -1;
}

// Runs the event loop for a while (a loop of its own: quitting the application's would close
// the windows).
void Run(double Seconds) {
    QEventLoop Loop;
    QTimer::singleShot(static_cast<int>(Seconds * 1000), &Loop, &QEventLoop::quit);
    Loop.exec();
}

struct TResult {
    double CpuPerFrameUs = 0;
    double FramesPerWidgetPerSecond = 0;
    double SlowestFramesPerSecond = 0;    // of the widget that showed the fewest frames
    double PaintsPerWidgetPerSecond = 0;  // ours: paint events (the peers paint every frame)
    long Threads = 0;
    long RssKiB = 0;
};

// Runs the event loop for RunSeconds with the widgets up: CPU per frame shown (FramesEach counts
// the frames each widget has shown so far), frames per widget per second on average and of the
// slowest widget, and halfway through the threads and the resident memory.
TResult MeasureRun(double RunSeconds, const std::function<std::vector<long>()>& FramesEach,
                   const std::function<long()>& Paints = {}) {
    const std::vector<long> FramesBefore = FramesEach();
    const long PaintsBefore = Paints ? Paints() : 0;
    const double CpuBefore = CpuSeconds();
    const auto Start = std::chrono::steady_clock::now();
    TResult R;
    QTimer::singleShot(static_cast<int>(RunSeconds * 500), qApp, [&R] {
        R.Threads = Status("Threads:");
        R.RssKiB = Status("VmRSS:");
    });
    Run(RunSeconds);
    const double Wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    const double Cpu = CpuSeconds() - CpuBefore;
    const std::vector<long> FramesAfter = FramesEach();
    const auto N = static_cast<double>(FramesAfter.size());
    long Shown = 0;
    long Fewest = N > 0 ? std::numeric_limits<long>::max() : 0;
    for (std::size_t i = 0; i < FramesAfter.size(); ++i) {
        Shown += FramesAfter[i] - FramesBefore[i];
        Fewest = std::min(Fewest, FramesAfter[i] - FramesBefore[i]);
    }
    R.CpuPerFrameUs = Shown > 0 ? 1e6 * Cpu / static_cast<double>(Shown) : 0;
    R.FramesPerWidgetPerSecond = static_cast<double>(Shown) / N / Wall;
    R.SlowestFramesPerSecond = static_cast<double>(Fewest) / Wall;
    R.PaintsPerWidgetPerSecond =
        Paints ? static_cast<double>(Paints() - PaintsBefore) / N / Wall : R.FramesPerWidgetPerSecond;
    return R;
}

// A widget or a Qt Quick item with the geometry, timing and text every measurement uses.
template <class TMatrix>
TMatrix* Configured(TMatrix* M) {
    M->setTotalVisible(Cells);
    M->setLedSize(LedSize);
    M->setLedDistance(LedDistance);
    M->setDelay(DelayMs);
    M->setBlinkDelay(100);
    M->setText(Text);
    return M;
}

enum class EKind { Ours, PerLed, Strip };

TResult Measure(EKind Kind, int N, double RunSeconds) {
    auto Top = std::make_unique<QWidget>();
    auto* Grid = new QGridLayout(Top.get());
    Grid->setSpacing(2);
    std::vector<vyr::QEditMatrix*> Ours;
    std::vector<TPeer*> Peers;
    const int PerRow = N >= 64 ? 8 : 4;
    for (int i = 0; i < N; ++i) {
        QWidget* W = nullptr;
        if (Kind == EKind::Ours) {
            auto* M = Configured(new vyr::QEditMatrix(Top.get()));
            Ours.push_back(M);
            W = M;
        } else if (Kind == EKind::PerLed) {
            Peers.push_back(new TPerLedPeer(Top.get()));
            W = Peers.back();
        } else {
            Peers.push_back(new TStripPeer(Top.get()));
            W = Peers.back();
        }
        Grid->addWidget(W, i / PerRow, i % PerRow);
    }
    // Ours: a frame per copy, unless the widget copied one less than a millisecond before (in the
    // same pass of the step clock).
    std::vector<long> OurFrames(Ours.size());
    for (std::size_t i = 0; i < Ours.size(); ++i) {
        vyr::qt::detail::THostWindowProbe::SetFrameObserver(
            *Ours[i], [&Count = OurFrames[i], Last = std::chrono::steady_clock::time_point()]() mutable {
                const auto Now = std::chrono::steady_clock::now();
                if (Now - Last >= std::chrono::milliseconds(1)) ++Count;
                Last = Now;
            });
    }
    Top->show();
    for (auto* M : Ours) M->setScroll(true);
    Run(0.5);  // warm up

    auto FramesEach = [&] {
        std::vector<long> Each = OurFrames;
        for (auto* P : Peers) Each.push_back(P->Paints);
        return Each;
    };
    auto Paints = [&] {
        long Sum = 0;
        for (auto* M : Ours) Sum += vyr::qt::detail::THostWindowProbe::Tally(*M).PaintEvents;
        for (auto* P : Peers) Sum += P->Paints;
        return Sum;
    };
    const TResult R = MeasureRun(RunSeconds, FramesEach, Paints);
    Top.reset();
    QApplication::processEvents();
    return R;
}

#ifdef VYR_LIVE_BENCH_QUICK
// N EditMatrix items laid out as the widgets are, in one Qt Quick window.
TResult MeasureQuick(int N, double RunSeconds) {
    auto Window = std::make_unique<QQuickWindow>();
    const int PerRow = N >= 64 ? 8 : 4;
    const int Width = LedDistance + Pitch * VisibleColumns + 2;
    const int Height = LedDistance + Pitch * Rows + 2;
    Window->resize(PerRow * Width, ((N + PerRow - 1) / PerRow) * Height);
    std::vector<vyr::QuickEditMatrix*> Items;
    for (int i = 0; i < N; ++i) {
        auto* M = Configured(new vyr::QuickEditMatrix(Window->contentItem()));
        M->setPosition(QPointF((i % PerRow) * Width, (i / PerRow) * Height));
        Items.push_back(M);
    }
    Window->show();
    for (auto* M : Items) M->setScroll(true);
    Run(0.5);  // warm up
    auto FramesEach = [&] {
        std::vector<long> Each;
        for (auto* M : Items) Each.push_back(vyr::quick::detail::THostItemProbe::Textures(*M));
        return Each;
    };
    for (auto* M : Items) vyr::quick::detail::THostItemProbe::ResetCounts(*M);
    const TResult R = MeasureRun(RunSeconds, FramesEach);
    Window.reset();
    QApplication::processEvents();
    return R;
}
#endif

// The median of Values in the order of Less (the first of the two middle ones), or T{} for none.
template <class T, class TLess = std::less<>>
T Median(std::vector<T> Values, TLess Less = {}) {
    if (Values.empty()) return {};
    const auto Middle = Values.begin() + static_cast<std::ptrdiff_t>((Values.size() - 1) / 2);
    std::nth_element(Values.begin(), Middle, Values.end(), Less);
    return *Middle;
}

// The measurement with the median CPU per frame, or an empty one for none.
TResult Median(std::vector<TResult> Results) {
    return Median(std::move(Results),
                  [](const TResult& A, const TResult& B) { return A.CpuPerFrameUs < B.CpuPerFrameUs; });
}

std::vector<int> ParseCounts(const std::string& Csv) {
    std::vector<int> Counts;
    std::stringstream List(Csv);
    std::string Item;
    while (std::getline(List, Item, ',')) {
        if (!Item.empty()) Counts.push_back(std::stoi(Item));
    }
    return Counts;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    // One lap of the marquee (every column of the text once through the window's left edge),
    // so that each measurement sees the whole text, its blinking part included.
    double RunSeconds = static_cast<double>(vyr::TEditMatrix::MarqueeText(Text).size()) * 6 * DelayMs / 1000.0;
    int Rounds = 3;
    std::vector<int> Counts{1, 16, 64, 256};
    std::vector<int> QuickCounts{1, 64, 256};
    bool OursOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string Arg = argv[i];
        if (Arg == "--ours-only") {
            OursOnly = true;
        } else if (i + 1 == argc) {
            break;
        } else if (Arg == "--rounds") {
            Rounds = std::max(1, std::stoi(argv[i + 1]));
        } else if (Arg == "--seconds") {
            RunSeconds = std::stod(argv[i + 1]);
        } else if (Arg == "--counts") {
            Counts = ParseCounts(argv[i + 1]);
        } else if (Arg == "--quick-counts") {
            QuickCounts = ParseCounts(argv[i + 1]);
        }
    }
    std::vector<std::pair<int, double>> StripUs;  // the strip peer's figure per N, for the Qt Quick rows
    std::printf(
        "| N | ours | per-LED | strip | ours / strip (rounds) | frames/widget/s ours (paint events) | slowest ours | "
        "per-LED | strip | threads ours | RSS ours |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const int N : Counts) {
        // Rounds of the three kinds one after the other, so that a change in the machine's load
        // falls on all of them; each column is the median of its rounds. Ours and the strip peer
        // are measured next to each other, in turns (ours first in even rounds, the strip in odd
        // ones), and the ratio is the median of the rounds' own ratios: the speed of a shared
        // machine drifts by tens of percent within a minute, and a ratio of two medians taken
        // from different rounds would carry that drift.
        std::vector<TResult> Ours;
        std::vector<TResult> PerLed;
        std::vector<TResult> Strips;
        std::vector<double> Ratios;
        for (int Round = 0; Round < Rounds; ++Round) {
            if (OursOnly) {
                Ours.push_back(Measure(EKind::Ours, N, RunSeconds));
                continue;
            }
            const bool OursFirst = Round % 2 == 0;
            if (!OursFirst) Strips.push_back(Measure(EKind::Strip, N, RunSeconds));
            Ours.push_back(Measure(EKind::Ours, N, RunSeconds));
            if (OursFirst) Strips.push_back(Measure(EKind::Strip, N, RunSeconds));
            PerLed.push_back(Measure(EKind::PerLed, N, RunSeconds));
            if (Strips.back().CpuPerFrameUs > 0)
                Ratios.push_back(Ours.back().CpuPerFrameUs / Strips.back().CpuPerFrameUs);
        }
        const TResult O = Median(Ours);
        const TResult L = Median(PerLed);
        const TResult S = Median(Strips);
        // The rounds' own ratios beside their median: how far one run can be trusted.
        char Spread[48] = "";
        if (Ratios.size() > 1) {
            const auto [Low, High] = std::minmax_element(Ratios.begin(), Ratios.end());
            std::snprintf(Spread, sizeof Spread, " (%.2f-%.2f)", *Low, *High);
        }
        std::printf(
            "| %d | %.1f us | %.1f us | %.1f us | %.2fx%s | %.0f (%.0f) | %.0f | %.0f | %.0f | %ld | %.1f MiB |\n", N,
            O.CpuPerFrameUs, L.CpuPerFrameUs, S.CpuPerFrameUs, Median(Ratios), Spread, O.FramesPerWidgetPerSecond,
            O.PaintsPerWidgetPerSecond, O.SlowestFramesPerSecond, L.FramesPerWidgetPerSecond,
            S.FramesPerWidgetPerSecond, O.Threads, static_cast<double>(O.RssKiB) / 1024.0);
        std::fflush(stdout);
        StripUs.emplace_back(N, S.CpuPerFrameUs);
    }
#ifdef VYR_LIVE_BENCH_QUICK
    if (!QuickCounts.empty()) {
        std::printf(
            "\n| N | Qt Quick items | strip (same N) | quick / strip | frames/item/s | slowest item | "
            "threads | RSS |\n");
        std::printf("|---|---|---|---|---|---|---|---|\n");
    }
    for (const int N : QuickCounts) {
        std::vector<TResult> Items;
        for (int Round = 0; Round < Rounds; ++Round) Items.push_back(MeasureQuick(N, RunSeconds));
        const TResult Q = Median(Items);
        double Strip = 0;
        for (const auto& [Count, Us] : StripUs) {
            if (Count == N) Strip = Us;
        }
        if (Strip == 0 && !OursOnly) Strip = Measure(EKind::Strip, N, RunSeconds).CpuPerFrameUs;
        std::printf("| %d | %.1f us | %.1f us | %.2fx | %.0f | %.0f | %ld | %.1f MiB |\n", N, Q.CpuPerFrameUs, Strip,
                    Strip > 0 ? Q.CpuPerFrameUs / Strip : 0.0, Q.FramesPerWidgetPerSecond, Q.SlowestFramesPerSecond,
                    Q.Threads, static_cast<double>(Q.RssKiB) / 1024.0);
        std::fflush(stdout);
    }
#else
    (void)QuickCounts;
#endif
    return 0;
}
