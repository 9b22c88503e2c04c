// The marquee's costs: building the column stream from a long text, and drawing one scroll frame,
// beside the cost of merely clearing a back buffer of the same size with memset.
//
//   InitScroll        100,000 characters: characters per second; bytes of stream per character
//                     (cells x cell size) and bytes the heap handed out per character.
//   ScrollStep/0|1    one scroll step (advance, letter-code pass, all columns, copy to the window)
//                     at the defaults (0) and at TotalVisible 40 with round LEDs of size 7 (1).
//   ScrollFrame/0|1   the frame alone (TotalScrollRedraw without clearing).
//   MemsetBuffer/0|1  memset over the same back buffer.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"

namespace {

using vyr::EShape;
using vyr::TEditMatrix;

using TBench = vyr::bench::TShownMatrix;

std::string LongText(std::size_t Length) {
    const std::string Unit = "The quick brown fox jumps over the lazy dog 0123456789. ";
    std::string Text;
    Text.reserve(Length);
    while (Text.size() < Length) Text += Unit;
    Text.resize(Length);
    return Text;
}

// Configuration 0: all defaults. 1: 40 characters of round LEDs of size 7.
void Configure(TEditMatrix& M, int Config) {
    if (Config == 1) {
        M.FSetTotalVisible(40);
        M.FSetLEDShape(EShape::Circle);
        M.FSetLEDSize(7);
    }
    M.FSetText("Scroll @2FF0000frame@2FFFF00 benchmark @00100000123456789 ABCDEFGHIJKLMNOPQRSTUVWXYZ ");
    M.FSetScroll(true);
    M.StopScroll();  // the steps are taken by hand below
}

void InitScroll(benchmark::State& State) {
    constexpr std::size_t Characters = 100'000;
    TBench B;
    B.Matrix->FSetText(LongText(Characters));
    B.Matrix->ClearPixelPointers();
    const std::size_t HeapBefore = mallinfo2().uordblks;
    B.Matrix->InitScroll();
    const std::size_t HeapAfter = mallinfo2().uordblks;
    std::size_t Cells = 0;
    for (const vyr::_Pixel* Head = B.Matrix->StreamHead(); Head != nullptr; Head = Head->Next) {
        for (const vyr::_Pixel* Cell = Head; Cell != nullptr; Cell = Cell->Down) ++Cells;
    }
    for (auto _ : State) {
        B.Matrix->InitScroll();
        benchmark::DoNotOptimize(B.Matrix->StreamHead());
    }
    State.SetItemsProcessed(static_cast<std::int64_t>(State.iterations() * Characters));
    State.counters["stream_B_per_char"] = static_cast<double>(Cells * sizeof(vyr::_Pixel)) / Characters;
    State.counters["heap_B_per_char"] = static_cast<double>(HeapAfter - HeapBefore) / Characters;
}
BENCHMARK(InitScroll)->Unit(benchmark::kMillisecond);

void ScrollStep(benchmark::State& State) {
    TBench B;
    Configure(*B.Matrix, static_cast<int>(State.range(0)));
    for (auto _ : State) B.Matrix->ScrollOnce();
    State.counters["bytes"] = static_cast<double>(B.Matrix->Bitmap()->RowStride() * B.Matrix->Bitmap()->Height());
}
BENCHMARK(ScrollStep)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void ScrollFrame(benchmark::State& State) {
    TBench B;
    Configure(*B.Matrix, static_cast<int>(State.range(0)));
    B.Matrix->ScrollOnce();
    for (auto _ : State) B.Matrix->TotalScrollRedraw(false, false);
}
BENCHMARK(ScrollFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void MemsetBuffer(benchmark::State& State) {
    TBench B;
    Configure(*B.Matrix, static_cast<int>(State.range(0)));
    const std::size_t Bytes = B.Matrix->Bitmap()->RowStride() * static_cast<std::size_t>(B.Matrix->Bitmap()->Height());
    std::vector<unsigned char> Buffer(Bytes);
    int Value = 0;
    for (auto _ : State) {
        std::memset(Buffer.data(), ++Value & 0xFF, Bytes);
        benchmark::DoNotOptimize(Buffer.data());
        benchmark::ClobberMemory();
    }
    State.counters["bytes"] = static_cast<double>(Bytes);
}
BENCHMARK(MemsetBuffer)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
