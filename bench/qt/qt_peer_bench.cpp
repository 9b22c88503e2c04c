// Our static frame beside the way common Qt LED-matrix widgets paint the same picture, in one
// run: the edit-mode frame of 40 cells of 7-pixel LEDs 2 apart (2162 x 83), text "The quick
// brown fox jumps over the lazy dog" with the cursor at its end.
//
//   QtPainterFrame  a QImage of the frame's size (Format_RGB888, three bytes a pixel like our
//                   back buffer, or Format_RGB32) filled with the background colour, then one
//                   aliased QPainter::drawEllipse (round LEDs) or fillRect (square LEDs) per LED
//                   of all nine rows, each LED's colour decided from the same glyph bits and
//                   cursor position as ours, the brush set per LED
//   VyrFastFrame    TotalRedraw(false, true) of a shown matrix with the same geometry and text:
//                   the background fill of the back buffer and of the window, every LED
//
// Arguments: round (1 Circle, 0 Square) and, for Qt, format (0 RGB888, 1 RGB32). The counter
// differing_pixels of the Qt frame counts the pixels in which its picture differs from our back
// buffer: 0 for square LEDs; Qt's aliased ellipses are not our discs, so round LEDs differ at
// their rims.
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QPainter>

#include "../BenchSupport.h"

namespace {

using vyr::bench::TShownMatrix;

struct TPeerFrame : TShownMatrix {
    explicit TPeerFrame(bool Round) {
        vyr::bench::SetGeometry(*Matrix, 1);
        if (!Round) Matrix->FSetLEDShape(vyr::EShape::Square);
        Matrix->FSetText("The quick brown fox jumps over the lazy dog");
        Matrix->Paint();
    }
};

QColor ToQColor(vyr::host::TColor C) {
    return {static_cast<int>(C & 0xFF), static_cast<int>((C >> 8) & 0xFF), static_cast<int>((C >> 16) & 0xFF)};
}

// The frame as an LED-matrix widget's paint handler draws it.
void PaintWithQPainter(QImage& Image, const vyr::TEditMatrix& M) {
    const int S = M.LEDSize();
    const int D = M.LEDDistance();
    const int P = S + D;
    const bool Round = M.LEDShape() == vyr::EShape::Circle;
    const QColor On = ToQColor(M.OnColor());
    const QColor Off = ToQColor(M.OffColor());
    Image.fill(ToQColor(M.BackgroundColor()));
    QPainter Painter(&Image);
    Painter.setRenderHint(QPainter::Antialiasing, false);
    Painter.setPen(Qt::NoPen);
    const auto& Table = M.CharTable();
    const vyr::Node* N = M.VisibleNode();
    const int CursorCell = M.CursorPos() - M.FirstVisible();
    for (int Cell = 0; Cell < M.TotalVisible(); ++Cell) {
        const vyr::host::Byte* Glyph = N != nullptr ? &Table[5 * std::size_t{N->Character}] : nullptr;
        for (int j = 0; j < 6; ++j) {
            for (int r = 0; r < 9; ++r) {
                bool Lit = false;
                if (r < 7 && j < 5 && Glyph != nullptr) Lit = ((Glyph[j] >> (6 - r)) & 1) != 0;
                if (r == 8 && j < 5) Lit = Cell == CursorCell;
                const QRect Box(D + P * (6 * Cell + j), D + P * r, S, S);
                if (Round) {
                    Painter.setBrush(Lit ? On : Off);
                    Painter.drawEllipse(Box);
                } else {
                    Painter.fillRect(Box, Lit ? On : Off);
                }
            }
        }
        if (N != nullptr) N = N->NextNode;
    }
}

int DifferingPixels(const QImage& Image, const vyr::host::TBitmap& B) {
    int Count = 0;
    for (int y = 0; y < B.Height(); ++y) {
        for (int x = 0; x < B.Width(); ++x) {
            const QRgb Q = Image.pixel(x, y);
            const vyr::host::TColor Ours = B.Pixel(x, y);
            const vyr::host::TColor Theirs = static_cast<vyr::host::TColor>(qRed(Q)) |
                                             static_cast<vyr::host::TColor>(qGreen(Q)) << 8 |
                                             static_cast<vyr::host::TColor>(qBlue(Q)) << 16;
            if ((Ours & 0xFFFFFF) != Theirs) ++Count;
        }
    }
    return Count;
}

void QtPainterFrame(benchmark::State& State) {
    TPeerFrame Frame(State.range(0) != 0);
    const vyr::host::TBitmap& B = *Frame.Matrix->Bitmap();
    QImage Image(B.Width(), B.Height(), State.range(1) == 0 ? QImage::Format_RGB888 : QImage::Format_RGB32);
    for (auto _ : State) {
        PaintWithQPainter(Image, *Frame.Matrix);
        benchmark::DoNotOptimize(Image.constBits());
        benchmark::ClobberMemory();
    }
    Frame.Matrix->TotalRedraw(false, true);
    State.counters["differing_pixels"] = DifferingPixels(Image, B);
    State.counters["width"] = B.Width();
    State.counters["height"] = B.Height();
}
BENCHMARK(QtPainterFrame)->ArgsProduct({{1, 0}, {0, 1}})->ArgNames({"round", "format"})->Unit(benchmark::kMicrosecond);

void VyrFastFrame(benchmark::State& State) {
    TPeerFrame Frame(State.range(0) != 0);
    for (auto _ : State) {
        Frame.Matrix->TotalRedraw(false, true);
        benchmark::ClobberMemory();
    }
    State.counters["width"] = Frame.Matrix->Bitmap()->Width();
    State.counters["height"] = Frame.Matrix->Bitmap()->Height();
}
BENCHMARK(VyrFastFrame)->Arg(1)->Arg(0)->ArgName("round")->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication App(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
