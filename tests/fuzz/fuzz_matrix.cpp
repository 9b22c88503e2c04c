// Fuzz target for the whole control: the input is a program of public operations on a
// TEditMatrix on a shown headless form (tests/support/MatrixProgram.h), run on two matrices side
// by side, one drawing with the literal renderer and one with the fast renderer. After every
// operation each is checked (the list, the window, the control's size, the back buffer and the
// stream) and the two are compared (back buffers and windows pixel for pixel, repaint and copy
// counts, the marquee's state); a broken rule, a difference, a crash or a sanitizer report is a
// fault.
//
// Painting a back buffer of the host's largest size takes seconds under the sanitizers, so a run
// stops once the back buffers of its steps, on both matrices, add up to a budget of a few such
// frames: any input may reach the largest geometry, but no input can take minutes by repeating
// it.
#include <algorithm>
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
    const std::string Failure = vyr::test::RunOnBothRenderers(
        Program, [&Pixels](std::size_t, const vyr::test::TOp&, const vyr::test::TProgramRunner& Runner) {
            const vyr::TEditMatrix& M = Runner.Matrix();
            const double Control = static_cast<double>(M.Width()) * M.Height();
            const double Buffer = M.Bitmap() ? static_cast<double>(M.Bitmap()->Width()) * M.Bitmap()->Height() : 0;
            Pixels += 2 * std::max(Control, Buffer);  // the same frames on both matrices
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
