// The setting every benchmark measures in: a shown headless form with one TEditMatrix on it, so
// that clearing also fills the window surface and every frame is copied to it, as on screen.
#pragma once

#include <memory>

#include "vyr/EditMatrix.h"
#include "vyr/headless/Headless.h"
#include "vyr/host/Controls.h"

namespace vyr::bench {

// The matrix with the steps the benchmarks time on their own (a frame, a stream build, the list
// primitive that fills a long text quickly) opened; everything else is the public surface.
class TBenchMatrix : public TEditMatrix {
public:
    using TEditMatrix::ClearPixelPointers;
    using TEditMatrix::InitScroll;
    using TEditMatrix::InsertElement;
    using TEditMatrix::ScrollOnce;
    using TEditMatrix::TEditMatrix;
    using TEditMatrix::TotalRedraw;
    using TEditMatrix::TotalScrollRedraw;
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

}  // namespace vyr::bench
