// Helpers for the Qt tests: a shown window with a QEditMatrix between two line edits, pictures
// compared with host bitmaps, and the host's exception reports captured.
#pragma once

#include <gtest/gtest.h>

#include <QtGui/QImage>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QWidget>
#include <memory>
#include <string>
#include <vector>

#include "vyr/host/Graphics.h"
#include "vyr/qt/QEditMatrix.h"

namespace vyr::test {

using host::AnsiString;
using host::Byte;
using host::TColor;

// A top-level window holding, in this order (and tab order): a line edit, the matrix and a
// second line edit. Shown and active once Show() returns true.
struct TQtWindow {
    TQtWindow();
    ~TQtWindow();
    [[nodiscard]] bool Show();

    std::unique_ptr<QWidget> Top;
    QLineEdit* Before = nullptr;
    QEditMatrix* Matrix = nullptr;
    QLineEdit* After = nullptr;
};

// The colour at (X, Y) of Image as a TColor (red in the low byte).
host::TColor ColorAt(const QImage& Image, int X, int Y);

// Same size and every pixel equal; otherwise the first difference.
::testing::AssertionResult SamePixels(const QImage& Image, const host::TBitmap& Bitmap);

// What the widget shows on screen now, as Qt paints it.
QImage Grab(QWidget& Widget);

// Collects the messages the host's TApplication reports while it lives.
class TReportedExceptions {
public:
    TReportedExceptions();
    ~TReportedExceptions();
    std::vector<std::string> Messages;
};

}  // namespace vyr::test
