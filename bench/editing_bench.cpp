// Editing and movement cost against text length: every operation walks at most TotalVisible
// nodes, so a 1,000,000-character text must edit as fast as a 10-character one. Both sizes
// stand in the same state (10 slots, cursor in slot 4, the window full of text) and draw the
// same frame; the step that puts the state back after each timed call is not timed.
#include <benchmark/benchmark.h>

#include <memory>

#include "BenchSupport.h"

namespace {

struct TBench : vyr::bench::TShownMatrix {
    vyr::bench::TBenchMatrix* M = Matrix;

    explicit TBench(int Length) {
        // The list is filled through its primitive (no column stream, no drawing per
        // character), which leaves the window behind; Home and End put it right.
        for (int i = 0; i < Length; ++i) M->InsertElement(static_cast<vyr::host::Byte>('A' + i % 26));
        M->GoHome();
        M->GoEnd();
        for (int i = 0; i < 5; ++i) M->GoLeft();  // slot 4 of the end window
    }
};

void BM_InsertChar(benchmark::State& State) {
    TBench B(static_cast<int>(State.range(0)));
    for (auto _ : State) {
        B.M->InsertChar('x');
        State.PauseTiming();
        B.M->BackSpaceChar();
        State.ResumeTiming();
    }
}

void BM_GoRight(benchmark::State& State) {
    TBench B(static_cast<int>(State.range(0)));
    for (auto _ : State) {
        B.M->GoRight();  // slot 4 to 5: only the bar moves
        State.PauseTiming();
        B.M->GoLeft();
        State.ResumeTiming();
    }
}

void BM_GoEnd(benchmark::State& State) {
    TBench B(static_cast<int>(State.range(0)));
    B.M->GoHome();
    for (auto _ : State) {
        B.M->GoEnd();  // the window jumps to the end window: a full frame
        State.PauseTiming();
        B.M->GoHome();
        State.ResumeTiming();
    }
}

BENCHMARK(BM_InsertChar)->Arg(10)->Arg(1000000);
BENCHMARK(BM_GoRight)->Arg(10)->Arg(1000000);
BENCHMARK(BM_GoEnd)->Arg(10)->Arg(1000000);

}  // namespace
