// Fuzz target for the whole control: the input is a program of public operations on one
// TEditMatrix on a shown headless form (tests/support/MatrixProgram.h). After every operation the
// list, the window, the control's size, the back buffer and the stream are checked; a broken
// rule, a crash or a sanitizer report is a fault.
//
// Painting a back buffer of the host's largest size takes seconds under the sanitizers, so a run
// stops once the back buffers of its steps add up to a budget of a few such frames: any input
// may reach the largest geometry, but no input can take minutes by repeating it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "support/MatrixProgram.h"
#include "vyr/host/Graphics.h"

namespace {

constexpr double PixelBudget = 8.0 * vyr::host::MaxExtent * vyr::host::MaxExtent;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const vyr::test::TProgram Program = vyr::test::DecodeProgram(std::span(Data, Size));
    double Pixels = 0;
    const std::string Failure = vyr::test::RunProgram(
        Program, [&Pixels](std::size_t, const vyr::test::TOp&, const vyr::test::TProgramRunner& Runner) {
            Pixels += static_cast<double>(Runner.Matrix().Width()) * Runner.Matrix().Height();
            return Pixels < PixelBudget;
        });
    if (!Failure.empty()) {
        std::fprintf(stderr, "matrix program failed: %s\n", Failure.c_str());
        for (std::size_t i = 0; i < Program.Ops.size(); ++i) {
            std::fprintf(stderr, "  %zu: %s\n", i, vyr::test::Describe(Program.Ops[i]).c_str());
        }
        std::abort();
    }
    return 0;
}
