// An LED edit field beside a QLineEdit. With the focus the LEDs are bright green on dark green;
// without it they dim to grey. Tab, Up and Down move the focus between the two fields; type into
// the LED field as into any line edit (Insert toggles overwrite).
//   edit-field            the window, until closed
//   edit-field --check    moves the focus once each way and checks the colours follow (for tests)
#include <QtWidgets/QApplication>
#include <QtWidgets/QFormLayout>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QWidget>
#include <cstdio>
#include <cstring>

#include <vyr/qt/QEditMatrix.h>

int main(int argc, char** argv) {
    QApplication App(argc, argv);
    const bool CheckOnly = argc > 1 && std::strcmp(argv[1], "--check") == 0;

    QWidget Window;
    Window.setWindowTitle("LED edit field");
    auto* Layout = new QFormLayout(&Window);
    auto* Name = new QLineEdit("Ada", &Window);
    Layout->addRow("Name", Name);
    auto* Code = new vyr::QEditMatrix(&Window);
    Code->setTotalVisible(12);
    Code->setLedSize(3);
    Code->setActiveLedOnColor(QColor(80, 255, 80));  // with the focus
    Code->setActiveLedOffColor(QColor(0, 48, 0));
    Code->setInactiveLedOnColor(QColor(150, 150, 150));  // without it
    Code->setInactiveLedOffColor(QColor(40, 40, 40));
    Code->setText("CODE-42");
    Layout->addRow("Code", Code);
    Window.show();
    Code->setFocus();

    if (!CheckOnly) return QApplication::exec();

    // The focus in and out of the LED field switches its colour pair. The pictures are searched
    // for a lit LED: a fixed point such as the middle may fall in a gap between LEDs.
    const auto Holds = [](const QImage& Image, const QColor& Colour) {
        for (int Y = 0; Y < Image.height(); ++Y) {
            for (int X = 0; X < Image.width(); ++X) {
                if (Image.pixelColor(X, Y) == Colour) return true;
            }
        }
        return false;
    };
    QApplication::processEvents();
    const bool WithFocus = Code->activeLed();
    const QImage Focused = Code->grab().toImage();
    Name->setFocus();
    QApplication::processEvents();
    const bool WithoutFocus = Code->activeLed();
    if (!WithFocus || WithoutFocus) {
        std::fprintf(stderr, "edit-field: activeLed does not follow the focus (%d, %d)\n", WithFocus, WithoutFocus);
        return 1;
    }
    const QImage Dimmed = Code->grab().toImage();
    const QColor Lit = Code->activeLedOnColor();
    const QColor Grey = Code->inactiveLedOnColor();
    if (!Holds(Focused, Lit) || Holds(Focused, Grey)) {
        std::fprintf(stderr, "edit-field: with the focus the LEDs are not lit in %s\n",
                     Lit.name().toLatin1().constData());
        return 1;
    }
    if (!Holds(Dimmed, Grey) || Holds(Dimmed, Lit)) {
        std::fprintf(stderr, "edit-field: without the focus the LEDs are not lit in %s\n",
                     Grey.name().toLatin1().constData());
        return 1;
    }
    std::printf("edit-field: focus colours follow the focus (a lit LED with focus %s, without %s)\n",
                Lit.name().toLatin1().constData(), Grey.name().toLatin1().constData());
    return 0;
}
