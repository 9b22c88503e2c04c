#include "support/qt_support.h"

#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QHBoxLayout>

#include "vyr/host/Controls.h"

namespace vyr::test {

TQtWindow::TQtWindow() : Top(std::make_unique<QWidget>()) {
    auto* Layout = new QHBoxLayout(Top.get());
    Before = new QLineEdit(Top.get());
    Before->setObjectName("before");
    Matrix = new QEditMatrix(Top.get());
    Matrix->setObjectName("matrix");
    After = new QLineEdit(Top.get());
    After->setObjectName("after");
    Layout->addWidget(Before);
    Layout->addWidget(Matrix);
    Layout->addWidget(After);
}

TQtWindow::~TQtWindow() = default;

bool TQtWindow::Show() {
    Top->show();
    QApplication::setActiveWindow(Top.get());
    Top->activateWindow();
    return QTest::qWaitForWindowActive(Top.get());
}

host::TColor ColorAt(const QImage& Image, int X, int Y) {
    const QRgb P = Image.pixel(X, Y);
    return static_cast<host::TColor>(qRed(P)) | (static_cast<host::TColor>(qGreen(P)) << 8) |
           (static_cast<host::TColor>(qBlue(P)) << 16);
}

::testing::AssertionResult SamePixels(const QImage& Image, const host::TBitmap& Bitmap) {
    if (Image.width() != Bitmap.Width() || Image.height() != Bitmap.Height()) {
        return ::testing::AssertionFailure() << "size " << Image.width() << "x" << Image.height() << " against "
                                             << Bitmap.Width() << "x" << Bitmap.Height();
    }
    for (int Y = 0; Y < Bitmap.Height(); ++Y) {
        for (int X = 0; X < Bitmap.Width(); ++X) {
            if (ColorAt(Image, X, Y) != Bitmap.Pixel(X, Y)) {
                return ::testing::AssertionFailure() << "pixel (" << X << ", " << Y << ") is " << std::hex
                                                     << ColorAt(Image, X, Y) << " against " << Bitmap.Pixel(X, Y);
            }
        }
    }
    return ::testing::AssertionSuccess();
}

QImage Grab(QWidget& Widget) { return Widget.grab().toImage().convertToFormat(QImage::Format_RGB32); }

TReportedExceptions::TReportedExceptions() {
    host::Application().OnException = [this](const std::exception& E) { Messages.emplace_back(E.what()); };
}

TReportedExceptions::~TReportedExceptions() { host::Application().OnException = nullptr; }

}  // namespace vyr::test
