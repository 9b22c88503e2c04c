// The static (edit-mode) frame beside a plain memset of a buffer of the same size, in the same
// run, for every geometry of BenchSupport.h and both renderers:
//
//   StaticFrame      TotalRedraw(false, true): background fill of the back buffer and of the
//                    window, every LED of the frame; not the copy to the window.
//   StaticMiniFrame  TotalRedraw(false, false): the frame drawn over the buffer without
//                    clearing it (what cursor moves that shift the window and glyph edits do).
//   HostPaint        Paint as the host asks for it: the cleared frame and the copy to the window.
//   MemsetStatic     memset over a buffer of the back buffer's size.
//
// Peer benchmarks of other toolkits drawing the same picture: see the note at the end.
#include "BenchSupport.h"

namespace {

using vyr::bench::TShownMatrix;

struct TFrameBench : TShownMatrix {
    TFrameBench(int Geometry, bool Literal) {
        vyr::bench::SetGeometry(*Matrix, Geometry);
        Matrix->FSetText(Geometry == 1 ? "The quick brown fox jumps over the lazy dog" : "Vyr 1234");
        Matrix->UseLiteralRenderer(Literal);
        Matrix->Paint();
    }
};

void StaticFrame(benchmark::State& State) {
    TFrameBench B(static_cast<int>(State.range(0)), State.range(1) != 0);
    for (auto _ : State) {
        B.Matrix->TotalRedraw(false, true);
        benchmark::ClobberMemory();
    }
    State.counters["width"] = B.Matrix->Bitmap()->Width();
    State.counters["height"] = B.Matrix->Bitmap()->Height();
    State.counters["bytes"] = static_cast<double>(vyr::bench::BufferBytes(*B.Matrix));
}
BENCHMARK(StaticFrame)->Apply(vyr::bench::GeometriesAndRenderers)->Unit(benchmark::kMicrosecond);

void StaticMiniFrame(benchmark::State& State) {
    TFrameBench B(static_cast<int>(State.range(0)), State.range(1) != 0);
    for (auto _ : State) {
        vyr::detail::TMatrixAccess::ForgetLastFrame(*B.Matrix);  // an equal frame would not be painted
        B.Matrix->TotalRedraw(false, false);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(StaticMiniFrame)->Apply(vyr::bench::GeometriesAndRenderers)->Unit(benchmark::kMicrosecond);

void HostPaint(benchmark::State& State) {
    TFrameBench B(static_cast<int>(State.range(0)), State.range(1) != 0);
    for (auto _ : State) {
        B.Matrix->Paint();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(HostPaint)->Apply(vyr::bench::GeometriesAndRenderers)->Unit(benchmark::kMicrosecond);

void MemsetStatic(benchmark::State& State) {
    std::size_t Bytes = 0;
    {
        TFrameBench B(static_cast<int>(State.range(0)), false);
        Bytes = vyr::bench::BufferBytes(*B.Matrix);
    }
    vyr::bench::MemsetLoop(State, Bytes);
}
BENCHMARK(MemsetStatic)->Apply(vyr::bench::Geometries)->Unit(benchmark::kMicrosecond);

// ---- Peer toolkits ---------------------------------------------------------------------------
// The Qt peer (QPainter drawing the 40-cell round-LED picture LED by LED into a QImage, beside
// our frame of the same geometry) is bench/qt/qt_peer_bench.cpp: it needs Qt, and its ratio is
// taken within its own run.

}  // namespace
