// Shows the form of form.ui (compiled by uic), grabs the matrix and checks what a user of the
// installed library relies on: the properties of the form in file order (the widget's own
// codePage after the control's), the widget's size from its LED geometry, and lit LEDs in the
// form's colour.
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>
#include <cstdio>

#include "ui_form.h"

namespace {

int Failures = 0;

void Check(bool Ok, const char* What) {
    if (!Ok) {
        std::fprintf(stderr, "consumer_qt: FAILED: %s\n", What);
        ++Failures;
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication App(argc, argv);
    QWidget Window;
    Ui::ConsumerForm Form;
    Form.setupUi(&Window);
    Window.show();
    QApplication::processEvents();

    vyr::QEditMatrix* Matrix = Form.matrix;
    // The text comes before its code page in the form, and still keeps its Greek letter.
    Check(Matrix->text() == QString::fromUtf8("Qt consumer \u03a9"), "text from the form");
    Check(Matrix->codePage() == "ISO-8859-7", "codePage from the form");
    Check(Matrix->control().Text() == "Qt consumer \xd9", "the text's codes in the form's code page");
    Check(Matrix->ledShape() == vyr::QEditMatrix::Circle, "ledShape from the form");
    Check(Matrix->ledSize() == 5, "an even ledSize on a Circle becomes one less: 6 loads as 5");
    // uic sets the properties in file order: stepToOutside 8 meets the default totalVisible 10
    // and is clamped to 5 before totalVisible becomes 20.
    Check(Matrix->totalVisible() == 20, "totalVisible from the form");
    Check(Matrix->stepToOutside() == 5, "stepToOutside clamped against the totalVisible in force");

    // p = ledSize + ledDistance = 6; width d + 6p x cells, height d + 9p in edit mode.
    const QImage Picture = Matrix->grab().toImage();
    Check(Picture.width() == 1 + 6 * 6 * 20 && Picture.height() == 1 + 9 * 6, "the size of the LED geometry");
    Check(Matrix->sizeHint() == Picture.size(), "sizeHint is the grabbed size");
    int Lit = 0;
    for (int Y = 0; Y < Picture.height(); ++Y) {
        for (int X = 0; X < Picture.width(); ++X) {
            if (Picture.pixelColor(X, Y) == QColor(0, 255, 0)) ++Lit;
        }
    }
    Check(Lit > 0, "lit LEDs in the form's activeLedOnColor");
    Check(Picture.pixelColor(0, 0) == QColor(0, 0, 0), "the background in the margin");

    if (Failures == 0) {
        std::printf("consumer_qt: %d x %d, %d lit pixels, ok\n", Picture.width(), Picture.height(), Lit);
    }
    return Failures == 0 ? 0 : 1;
}
