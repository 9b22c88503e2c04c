// A small window showing vyr::QEditMatrix in edit and in scroll mode beside a QLineEdit, for a
// look at the widget on a real screen (scripts/screenshot.sh takes its picture under Xvfb).
// Usage: qt_window_demo [--seconds N]   (without it the window stays until closed)
#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QFormLayout>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QWidget>
#include <string>

#include "vyr/qt/QEditMatrix.h"

int main(int argc, char** argv) {
    QApplication App(argc, argv);
    int Seconds = 0;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--seconds") Seconds = std::stoi(argv[i + 1]);
    }

    QWidget Window;
    Window.setWindowTitle("vyr::QEditMatrix");
    auto* Layout = new QFormLayout(&Window);

    auto* Name = new QLineEdit("a QLineEdit", &Window);
    Layout->addRow("Line edit", Name);

    auto* Editor = new vyr::QEditMatrix(&Window);
    Editor->setText("Edit me!");
    Editor->setCursorPosition(5);
    Layout->addRow("Edit mode", Editor);

    auto* Marquee = new vyr::QEditMatrix(&Window);
    Marquee->setTotalVisible(14);
    Marquee->setLedShape(vyr::QEditMatrix::Circle);
    Marquee->setLedSize(3);
    Marquee->setBackgroundColor(QColor(16, 16, 16));
    Marquee->setText("Qt @C00FF00backend @C40A0FFscrolling @CFFFFFFmarquee   ");
    Marquee->setDelay(40);
    Marquee->setScroll(true);
    Layout->addRow("Scroll mode", Marquee);

    auto* Large = new vyr::QEditMatrix(&Window);
    Large->setLedSize(4);
    Large->setTotalVisible(8);
    Large->setActiveLedOnColor(QColor(255, 190, 0));
    Large->setActiveLedOffColor(QColor(60, 40, 0));
    Large->setText("12:34:56");
    Layout->addRow("Large LEDs", Large);

    Window.show();
    Editor->setFocus();
    if (Seconds > 0) QTimer::singleShot(Seconds * 1000, &App, &QApplication::quit);
    return QApplication::exec();
}
