// Cost of composing one whole static frame (TotalRedraw(false, true): background fill of the
// back buffer and of the window, every LED unlit, the glyphs of the visible text, the cursor
// bar) beside a plain memset of a buffer of the same size, in the same run.
//
// The matrix sits on a shown headless form, so it has its window and the background fill also
// reaches the window surface, as in a real repaint. The copy to the screen is not included.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "BenchSupport.h"

namespace {

using vyr::EShape;
using vyr::TEditMatrix;

struct TFrameBench : vyr::bench::TShownMatrix {
    explicit TFrameBench(bool Large) {
        if (Large) {
            Matrix->FSetTotalVisible(40);
            Matrix->FSetLEDShape(EShape::Circle);
            Matrix->FSetLEDSize(7);
            Matrix->FSetLEDDistance(2);
        }
        Matrix->FSetText(Large ? "The quick brown fox jumps over the lazy dog" : "Vyr 1234");
        Matrix->Paint();
    }
};

void StaticFrame(benchmark::State& State, bool Large) {
    TFrameBench M(Large);
    for (auto _ : State) {
        M.Matrix->TotalRedraw(false, true);
        benchmark::ClobberMemory();
    }
    const vyr::host::TBitmap& B = *M.Matrix->Bitmap();
    State.counters["width"] = B.Width();
    State.counters["height"] = B.Height();
    State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations()) *
                            static_cast<std::int64_t>(B.RowStride() * static_cast<std::size_t>(B.Height())));
}

void Memset(benchmark::State& State, bool Large) {
    TFrameBench M(Large);
    const vyr::host::TBitmap& B = *M.Matrix->Bitmap();
    std::vector<unsigned char> Buffer(B.RowStride() * static_cast<std::size_t>(B.Height()));
    unsigned char Value = 0;
    for (auto _ : State) {
        std::memset(Buffer.data(), ++Value, Buffer.size());
        benchmark::DoNotOptimize(Buffer.data());
        benchmark::ClobberMemory();
    }
    State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations()) * static_cast<std::int64_t>(Buffer.size()));
}

void BM_StaticFrame_Defaults(benchmark::State& State) { StaticFrame(State, false); }
void BM_Memset_Defaults(benchmark::State& State) { Memset(State, false); }
void BM_StaticFrame_40Circle7x2(benchmark::State& State) { StaticFrame(State, true); }
void BM_Memset_40Circle7x2(benchmark::State& State) { Memset(State, true); }

BENCHMARK(BM_StaticFrame_Defaults);
BENCHMARK(BM_Memset_Defaults);
BENCHMARK(BM_StaticFrame_40Circle7x2);
BENCHMARK(BM_Memset_40Circle7x2);

}  // namespace
