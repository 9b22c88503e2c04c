// The marquee's costs, each frame beside memset of a buffer of the same size in the same run:
//
//   ScrollStep    one scroll step (advance, letter-code pass, all columns, copy to the window)
//   ScrollFrame   the frame alone: TotalScrollRedraw(false, false) with the letter-code pass
//   MemsetScroll  memset over a buffer of the scroll-mode back buffer's size
//   InitScroll    building the column stream of a 100,000-character text: characters per
//                 second; bytes of cells per character (cells x cell size) and bytes the heap
//                 handed out per character (ordinary and mapped blocks)
//
// for every geometry of BenchSupport.h and both renderers.
#include <malloc.h>

#include <string>

#include "BenchSupport.h"

namespace {

using vyr::bench::TShownMatrix;

std::string LongText(std::size_t Length) {
    const std::string Unit = "The quick brown fox jumps over the lazy dog 0123456789. ";
    std::string Text;
    Text.reserve(Length);
    while (Text.size() < Length) Text += Unit;
    Text.resize(Length);
    return Text;
}

struct TMarqueeBench : TShownMatrix {
    TMarqueeBench(int Geometry, bool Literal) {
        vyr::bench::SetGeometry(*Matrix, Geometry);
        Matrix->FSetText("Scroll @2FF0000frame@2FFFF00 benchmark @00100000123456789 ABCDEFGHIJKLMNOPQRSTUVWXYZ ");
        Matrix->FSetScroll(true);
        Matrix->StopScroll();  // the steps are taken by hand below
        Matrix->UseLiteralRenderer(Literal);
    }
};

void ScrollStep(benchmark::State& State) {
    TMarqueeBench B(static_cast<int>(State.range(0)), State.range(1) != 0);
    for (auto _ : State) B.Matrix->ScrollOnce();
    State.counters["bytes"] = static_cast<double>(vyr::bench::BufferBytes(*B.Matrix));
}
BENCHMARK(ScrollStep)->Apply(vyr::bench::GeometriesAndRenderers)->Unit(benchmark::kMicrosecond);

void ScrollFrame(benchmark::State& State) {
    TMarqueeBench B(static_cast<int>(State.range(0)), State.range(1) != 0);
    B.Matrix->ScrollOnce();
    for (auto _ : State) {
        vyr::detail::TMatrixAccess::ForgetLastFrame(*B.Matrix);  // an equal frame would not be painted
        B.Matrix->TotalScrollRedraw(false, false);
    }
}
BENCHMARK(ScrollFrame)->Apply(vyr::bench::GeometriesAndRenderers)->Unit(benchmark::kMicrosecond);

void MemsetScroll(benchmark::State& State) {
    std::size_t Bytes = 0;
    {
        TMarqueeBench B(static_cast<int>(State.range(0)), false);
        Bytes = vyr::bench::BufferBytes(*B.Matrix);
    }
    vyr::bench::MemsetLoop(State, Bytes);
}
BENCHMARK(MemsetScroll)->Apply(vyr::bench::Geometries)->Unit(benchmark::kMicrosecond);

std::size_t HeapInUse() {
    const struct mallinfo2 Info = mallinfo2();
    return Info.uordblks + Info.hblkhd;
}

void InitScroll(benchmark::State& State) {
    constexpr std::size_t Characters = 100'000;
    TShownMatrix B;
    B.Matrix->FSetText(LongText(Characters));
    B.Matrix->ClearPixelPointers();
    const std::size_t HeapBefore = HeapInUse();
    B.Matrix->InitScroll();
    const std::size_t HeapAfter = HeapInUse();
    std::size_t Cells = 0;
    const auto& Pool = B.Matrix->PixelPool();
    for (const vyr::_Pixel* Head = B.Matrix->StreamHead(); Head != nullptr; Head = Pool.At(Head->Next)) {
        for (const vyr::_Pixel* Cell = Head; Cell != nullptr; Cell = Pool.At(Cell->Down)) ++Cells;
    }
    for (auto _ : State) {
        B.Matrix->InitScroll();
        benchmark::DoNotOptimize(B.Matrix->StreamHead());
    }
    State.SetItemsProcessed(static_cast<std::int64_t>(State.iterations()) * static_cast<std::int64_t>(Characters));
    State.counters["stream_B_per_char"] = static_cast<double>(Cells * sizeof(vyr::_Pixel)) / Characters;
    State.counters["heap_B_per_char"] = static_cast<double>(HeapAfter - HeapBefore) / Characters;
}
BENCHMARK(InitScroll)->Unit(benchmark::kMillisecond);

}  // namespace
