// The costs that grow with the text rather than with the window:
//
//   DigitCodeFrame  one scroll frame (TotalScrollRedraw(false, false)) of the text "A", then
//                   Codes times "@2FF0000", then letters, the window's left edge on the second
//                   column of "A" so that every code stands in view; both renderers. A frame
//                   should cost what is in view, not the square of the codes in a row.
//   SetText         FSetText of a text of Characters characters in edit mode (the character list
//                   and the column stream): characters per second, bytes the heap handed out per
//                   character, and the process's peak resident memory (meaningful when the
//                   benchmark runs alone: --benchmark_filter=SetText).
#include <malloc.h>
#include <sys/resource.h>

#include <string>

#include "BenchSupport.h"

namespace {

using vyr::bench::TShownMatrix;

std::string DigitCodeText(std::size_t Codes) {
    std::string Text = "A";
    Text.reserve(8 * Codes + 64);
    for (std::size_t i = 0; i < Codes; ++i) Text += "@2FF0000";
    Text += "BCDEFGHIJKLMNOPQRSTUVWXYZ";
    return Text;
}

void DigitCodeFrame(benchmark::State& State) {
    TShownMatrix B;
    const auto Codes = static_cast<std::size_t>(State.range(0));
    B.Matrix->FSetText(DigitCodeText(Codes));
    B.Matrix->FSetScroll(true);
    B.Matrix->StopScroll();  // the steps are taken by hand
    B.Matrix->UseLiteralRenderer(State.range(1) != 0);
    B.Matrix->ScrollOnce();
    for (auto _ : State) {
        vyr::detail::TMatrixAccess::ForgetLastFrame(*B.Matrix);  // an equal frame would not be painted
        B.Matrix->TotalScrollRedraw(false, false);
    }
    State.SetItemsProcessed(static_cast<std::int64_t>(State.iterations()));
}
BENCHMARK(DigitCodeFrame)
    ->ArgNames({"Codes", "Literal"})
    ->Args({1'000, 0})
    ->Args({10'000, 0})
    ->Args({1'000, 1})
    ->Args({10'000, 1})
    ->Unit(benchmark::kMillisecond);

std::size_t HeapInUse() {
    const struct mallinfo2 Info = mallinfo2();
    return Info.uordblks + Info.hblkhd;
}

std::string LongText(std::size_t Length) {
    const std::string Unit = "The quick brown fox jumps over the lazy dog 0123456789. ";
    std::string Text;
    Text.reserve(Length);
    while (Text.size() < Length) Text += Unit;
    Text.resize(Length);
    return Text;
}

void SetText(benchmark::State& State) {
    const auto Characters = static_cast<std::size_t>(State.range(0));
    const std::string Text = LongText(Characters);
    double BytesPerChar = 0;
    for (auto _ : State) {
        State.PauseTiming();
        TShownMatrix B;
        const std::size_t Before = HeapInUse();
        State.ResumeTiming();
        B.Matrix->FSetText(Text);
        State.PauseTiming();
        BytesPerChar = static_cast<double>(HeapInUse() - Before) / static_cast<double>(Characters);
        State.ResumeTiming();
    }
    rusage Usage{};
    getrusage(RUSAGE_SELF, &Usage);
    State.SetItemsProcessed(static_cast<std::int64_t>(State.iterations()) * static_cast<std::int64_t>(Characters));
    State.counters["heap_B_per_char"] = BytesPerChar;
    State.counters["peak_RSS_MiB"] = static_cast<double>(Usage.ru_maxrss) / 1024.0;
}
BENCHMARK(SetText)->ArgNames({"Characters"})->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
