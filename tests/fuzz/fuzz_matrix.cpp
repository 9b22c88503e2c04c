// Fuzz target for the whole control: the input is a program of public operations on one
// TEditMatrix on a shown headless form (tests/support/MatrixProgram.h). After every operation the
// list, the window, the control's size, the back buffer and the stream are checked; a broken
// rule, a crash or a sanitizer report is a fault.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "support/MatrixProgram.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const vyr::test::TProgram Program = vyr::test::DecodeProgram(std::span(Data, Size));
    const std::string Failure = vyr::test::RunProgram(Program);
    if (!Failure.empty()) {
        std::fprintf(stderr, "matrix program failed: %s\n", Failure.c_str());
        for (std::size_t i = 0; i < Program.Ops.size(); ++i) {
            std::fprintf(stderr, "  %zu: %s\n", i, vyr::test::Describe(Program.Ops[i]).c_str());
        }
        std::abort();
    }
    return 0;
}
