// The setting every benchmark measures in: a shown headless form with one TEditMatrix on it, so
// that clearing also fills the window surface and every frame is copied to it, as on screen.
#pragma once

#include <memory>

#include "vyr/EditMatrix.h"
#include "vyr/headless/Headless.h"
#include "vyr/host/Controls.h"

namespace vyr::bench {

struct TShownMatrix {
    headless::THeadlessWidgetSet WidgetSet;
    std::unique_ptr<host::TForm> Form;
    TEditMatrix* Matrix = nullptr;  // owned by Form

    TShownMatrix() {
        Form = std::make_unique<host::TForm>(nullptr, WidgetSet);
        Form->Show();
        Matrix = new TEditMatrix(Form.get());
        Matrix->SetParent(Form.get());
    }
};

}  // namespace vyr::bench
