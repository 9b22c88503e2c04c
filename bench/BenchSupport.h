// The setting every benchmark measures in: a shown headless form with one TEditMatrix on it, so
// that clearing also fills the window surface and every frame is copied to it, as on screen.
//
// Geometries (the benchmark argument Geometry):
//   0  the defaults: 10 cells of square 2-pixel LEDs 1 apart (181 x 28 in edit mode)
//   1  40 cells of round 7-pixel LEDs 2 apart (2162 x 83)
//   2  TotalVisible, LEDSize and LEDDistance 255 (780,555 x 4,845 asked; the host caps the
//      width at 8192); square LEDs
// Renderers (the argument Renderer): 0 the fast one (the default), 1 the literal one.
#pragma once

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "editmatrix/access.h"
#include "vyr/EditMatrix.h"
#include "vyr/headless/Headless.h"
#include "vyr/host/Controls.h"

namespace vyr::bench {

// The matrix with its private steps open, so that a benchmark can time one alone (a frame, a
// stream build, the list primitive that fills a long text quickly).
class TBenchMatrix : public detail::TMatrixAccess::TOpenMatrix {
public:
    using TOpenMatrix::TOpenMatrix;
};

struct TShownMatrix {
    headless::THeadlessWidgetSet WidgetSet;
    std::unique_ptr<host::TForm> Form;
    TBenchMatrix* Matrix = nullptr;  // owned by Form

    TShownMatrix() {
        Form = std::make_unique<host::TForm>(nullptr, WidgetSet);
        Form->Show();
        Matrix = new TBenchMatrix(Form.get());
        Matrix->SetParent(Form.get());
    }
};

inline void SetGeometry(TEditMatrix& M, int Geometry) {
    if (Geometry == 1) {
        M.FSetTotalVisible(40);
        M.FSetLEDShape(EShape::Circle);
        M.FSetLEDSize(7);
        M.FSetLEDDistance(2);
    } else if (Geometry == 2) {
        M.FSetTotalVisible(255);
        M.FSetLEDSize(255);
        M.FSetLEDDistance(255);
    }
}

// Bytes of the matrix's back buffer, rows padded as the host pads them.
inline std::size_t BufferBytes(const TEditMatrix& M) {
    return M.Bitmap()->RowStride() * static_cast<std::size_t>(M.Bitmap()->Height());
}

// memset over a buffer of the given size, the yardstick of every frame.
inline void MemsetLoop(benchmark::State& State, std::size_t Bytes) {
    std::vector<unsigned char> Buffer(Bytes);
    unsigned char Value = 0;
    for (auto _ : State) {
        std::memset(Buffer.data(), ++Value, Buffer.size());
        benchmark::DoNotOptimize(Buffer.data());
        benchmark::ClobberMemory();
    }
    State.counters["bytes"] = static_cast<double>(Bytes);
}

// Every geometry with both renderers.
inline void GeometriesAndRenderers(benchmark::internal::Benchmark* B) {
    for (int Geometry = 0; Geometry < 3; ++Geometry) {
        for (int Renderer = 0; Renderer < 2; ++Renderer) B->Args({Geometry, Renderer});
    }
    B->ArgNames({"geometry", "literal"});
}

inline void Geometries(benchmark::internal::Benchmark* B) {
    for (int Geometry = 0; Geometry < 3; ++Geometry) B->Args({Geometry});
    B->ArgNames({"geometry"});
}

}  // namespace vyr::bench
